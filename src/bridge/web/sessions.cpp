// SPDX-License-Identifier: MIT
#include "bridge/web/sessions.h"

#include <QCryptographicHash>
#include <QRandomGenerator>

#include <algorithm>
#include <array>

namespace runo {

bool equalInConstantTime(QByteArrayView a, QByteArrayView b)
{
    // Digests of equal length, so the lengths are compared in constant time too.
    const QByteArray da = QCryptographicHash::hash(a, QCryptographicHash::Sha256);
    const QByteArray db = QCryptographicHash::hash(b, QCryptographicHash::Sha256);
    unsigned char diff = 0;
    for (qsizetype i = 0; i < da.size(); ++i)
        diff |= static_cast<unsigned char>(da[i] ^ db[i]);
    return diff == 0;
}

namespace {

// Compares in a time that does not tell how much of an id was right.
bool sameId(const QByteArray& a, const QByteArray& b)
{
    if (a.size() != b.size())
        return false;
    char differ = 0;
    for (qsizetype i = 0; i < a.size(); ++i)
        differ |= char(a[i] ^ b[i]);
    return differ == 0;
}

} // namespace

QByteArray SessionTable::open()
{
    expire();
    if (qsizetype(m_sessions.size()) >= kMaxSessions)
        m_sessions.pop_front();
    std::array<quint32, kIdBytes / sizeof(quint32)> bits {};
    QRandomGenerator::system()->fillRange(bits.data(), bits.size());
    QByteArray id = QByteArray(reinterpret_cast<const char*>(bits.data()), kIdBytes).toHex();
    m_sessions.push_back({id, QDeadlineTimer(kLifetimeMs)});
    return id;
}

bool SessionTable::isOpen(const QByteArray& id)
{
    expire();
    // Every session compared, so the time taken does not tell which matched.
    bool found = false;
    for (const Session& s : m_sessions)
        found = sameId(s.id, id) || found;
    return found;
}

void SessionTable::close(const QByteArray& id)
{
    std::erase_if(m_sessions, [&id](const Session& s) { return sameId(s.id, id); });
}

int SessionTable::count() const
{
    return int(std::count_if(m_sessions.begin(), m_sessions.end(), [](const Session& s) { return !s.ends.hasExpired(); }));
}

void SessionTable::expire()
{
    while (!m_sessions.empty() && m_sessions.front().ends.hasExpired())
        m_sessions.pop_front();
}

bool LoginGuard::isLocked(const QHostAddress& address) const
{
    const auto it = m_addresses.constFind(address);
    return it != m_addresses.cend() && !it->lockedUntil.hasExpired();
}

bool LoginGuard::fail(const QHostAddress& address)
{
    if (m_addresses.size() >= kMaxAddresses && !m_addresses.contains(address))
        m_addresses.removeIf([](const auto& a) { return a.value().lockedUntil.hasExpired(); });
    if (m_addresses.size() >= kMaxAddresses && !m_addresses.contains(address))
        m_addresses.erase(m_addresses.begin()); // a flood of addresses forgets one, never grows
    Address& a = m_addresses[address];
    if (++a.wrong < kMaxWrong)
        return false;
    a.wrong = 0;
    a.lockedUntil.setRemainingTime(kLockoutMs);
    return true;
}

} // namespace runo
