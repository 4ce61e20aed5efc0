// SPDX-License-Identifier: MIT
// Who may use the web page: the sessions a right password opened, and the
// addresses that guessed wrong too often. Both are held in memory, bounded.
//   open()                     "9f86d081884c7d659a2feaa0c55ad015" (128 random bits, hex)
//   isOpen(id) 12 h later      false: the session has ended
//   65 sessions opened         the oldest has ended
//   5 wrong passwords from 10.0.0.7 in a row   isLocked(10.0.0.7) for 60 s, the right one refused too
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDeadlineTimer>
#include <QHash>
#include <QHostAddress>

#include <deque>

namespace runo {

// Whether two byte strings are equal, in a time that depends on neither's
// content nor on where they differ.
bool equalInConstantTime(QByteArrayView a, QByteArrayView b);

class SessionTable {
public:
    static constexpr qsizetype kMaxSessions = 64;
    static constexpr qint64 kLifetimeMs = 12LL * 60 * 60 * 1000;
    static constexpr int kIdBytes = 16;

    // A new session; the oldest ends when there are kMaxSessions.
    QByteArray open();
    bool isOpen(const QByteArray& id);
    void close(const QByteArray& id);
    // The sessions that have not ended.
    int count() const;

private:
    struct Session {
        QByteArray id;
        QDeadlineTimer ends;
    };
    void expire();

    std::deque<Session> m_sessions; // the oldest first
};

class LoginGuard {
public:
    static constexpr int kMaxWrong = 5;
    static constexpr qint64 kLockoutMs = qint64(60) * 1000;
    static constexpr qsizetype kMaxAddresses = 1024;

    bool isLocked(const QHostAddress& address) const;
    // A wrong password; true when it locks the address out.
    bool fail(const QHostAddress& address);
    void pass(const QHostAddress& address) { m_addresses.remove(address); }

private:
    struct Address {
        int wrong = 0; // in a row
        QDeadlineTimer lockedUntil;
    };
    QHash<QHostAddress, Address> m_addresses;
};

} // namespace runo
