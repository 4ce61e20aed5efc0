// SPDX-License-Identifier: MIT
// The far end of the wire: a thread that sits on the master side of one or
// more pseudo-terminals, timestamps every byte the moment it can be read, and
// writes replies at a chosen moment while the window's thread sleeps in its
// event loop. Times are steady-clock instants shared with the window's thread.
#pragma once

#include <QByteArray>
#include <QList>

#include <atomic>
#include <chrono>
#include <ctime>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

class QAbstractEventDispatcher;
struct pollfd;

namespace bench {

using Clock = std::chrono::steady_clock;

class FarEnd {
public:
    // `masters`: non-blocking master descriptors, one per line; the caller
    // keeps them open for the far end's lifetime. `wake` is woken after every
    // read and write so a thread waiting in its event loop can look.
    FarEnd(const QList<int>& masters, QAbstractEventDispatcher* wake);
    ~FarEnd();
    FarEnd(const FarEnd&) = delete;
    FarEnd& operator=(const FarEnd&) = delete;

    // Bytes read so far on a line.
    qint64 received(int line) const;
    // The instant the line's byte count first reached `count`.
    std::optional<Clock::time_point> reachedAt(int line, qint64 count) const;
    // The bytes read on a line from offset `from` on.
    QByteArray bytes(int line, qint64 from = 0) const;

    // Writes `data` on a line after `delay`; writtenAt() then gives the instant
    // just before the write call.
    void writeAfter(int line, const QByteArray& data, std::chrono::microseconds delay);
    std::optional<Clock::time_point> writtenAt() const;

    // Whether reads wake the waiting thread (off while it should be left alone).
    void setWaking(bool on) { m_waking = on; }

private:
    struct Line {
        int fd = -1;
        QByteArray data;
        std::vector<std::pair<Clock::time_point, qint64>> arrivals; // (instant, total after it)
    };

    // The thread: waits on the lines and the pipe until the pending write is
    // due, reads what came, then makes the write if its time has come.
    void run();
    timespec nextTimeout() const; // one second with no write pending
    bool readLines(const std::vector<pollfd>& fds); // whether any bytes came
    bool writeIfDue(); // whether it wrote
    void poke();

    mutable std::mutex m_mutex;
    std::vector<Line> m_lines;
    QAbstractEventDispatcher* m_wake;
    int m_pipe[2] = {-1, -1};
    std::atomic<bool> m_stop {false};
    std::atomic<bool> m_waking {true};

    // One pending write at a time.
    int m_writeLine = -1;
    QByteArray m_writeData;
    Clock::time_point m_writeDue;
    std::optional<Clock::time_point> m_writtenAt;

    std::thread m_thread;
};

} // namespace bench
