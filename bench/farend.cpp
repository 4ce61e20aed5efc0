// SPDX-License-Identifier: MIT
#include "farend.h"

#include <QAbstractEventDispatcher>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace bench {

FarEnd::FarEnd(const QList<int>& masters, QAbstractEventDispatcher* wake)
    : m_wake(wake)
{
    for (const int fd : masters) {
        Line line;
        line.fd = fd;
        line.arrivals.reserve(1 << 16);
        m_lines.push_back(std::move(line));
    }
    if (::pipe2(m_pipe, O_NONBLOCK | O_CLOEXEC) != 0)
        m_pipe[0] = m_pipe[1] = -1;
    m_thread = std::thread([this] { run(); });
}

FarEnd::~FarEnd()
{
    m_stop = true;
    poke();
    m_thread.join();
    for (const int fd : m_pipe) {
        if (fd >= 0)
            ::close(fd);
    }
}

void FarEnd::poke()
{
    const char c = 1;
    if (m_pipe[1] >= 0)
        (void)!::write(m_pipe[1], &c, 1);
}

qint64 FarEnd::received(int line) const
{
    std::lock_guard lock(m_mutex);
    return m_lines[size_t(line)].data.size();
}

std::optional<Clock::time_point> FarEnd::reachedAt(int line, qint64 count) const
{
    std::lock_guard lock(m_mutex);
    const auto& arrivals = m_lines[size_t(line)].arrivals;
    const auto it
        = std::lower_bound(arrivals.begin(), arrivals.end(), count, [](const auto& a, qint64 n) { return a.second < n; });
    if (it == arrivals.end())
        return std::nullopt;
    return it->first;
}

QByteArray FarEnd::bytes(int line, qint64 from) const
{
    std::lock_guard lock(m_mutex);
    return m_lines[size_t(line)].data.mid(from);
}

void FarEnd::writeAfter(int line, const QByteArray& data, std::chrono::microseconds delay)
{
    {
        std::lock_guard lock(m_mutex);
        m_writeLine = line;
        m_writeData = data;
        m_writeDue = Clock::now() + delay;
        m_writtenAt.reset();
    }
    poke();
}

std::optional<Clock::time_point> FarEnd::writtenAt() const
{
    std::lock_guard lock(m_mutex);
    return m_writtenAt;
}

void FarEnd::run()
{
    std::vector<pollfd> fds;
    for (const Line& l : m_lines)
        fds.push_back({l.fd, POLLIN, 0});
    fds.push_back({m_pipe[0], POLLIN, 0});

    while (!m_stop) {
        timespec timeout = nextTimeout();
        for (pollfd& p : fds)
            p.revents = 0;
        const int n = ::ppoll(fds.data(), fds.size(), &timeout, nullptr);
        if (n < 0 && errno != EINTR)
            break;

        const bool news = readLines(fds);
        if (fds.back().revents & POLLIN) {
            char buf[4096];
            while (::read(m_pipe[0], buf, sizeof buf) > 0) { }
        }
        const bool wrote = writeIfDue();
        if (m_wake && (wrote || (news && m_waking)))
            m_wake->wakeUp();
    }
}

timespec FarEnd::nextTimeout() const
{
    std::lock_guard lock(m_mutex);
    if (m_writeLine < 0)
        return {1, 0};
    const auto left = std::max(Clock::duration::zero(), m_writeDue - Clock::now());
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
    return {time_t(ns / 1000000000), long(ns % 1000000000)};
}

bool FarEnd::readLines(const std::vector<pollfd>& fds)
{
    char buf[4096];
    bool news = false;
    for (size_t i = 0; i + 1 < fds.size(); ++i) {
        if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
            continue;
        for (;;) {
            const ssize_t got = ::read(fds[i].fd, buf, sizeof buf);
            if (got <= 0)
                break;
            const auto now = Clock::now();
            std::lock_guard lock(m_mutex);
            Line& line = m_lines[i];
            line.data.append(buf, got);
            line.arrivals.emplace_back(now, line.data.size());
            news = true;
        }
        if (fds[i].revents & (POLLHUP | POLLERR)) {
            // Nobody holds the slave side yet (or any more): look again soon.
            timespec pause {0, 200000};
            ::nanosleep(&pause, nullptr);
        }
    }
    return news;
}

bool FarEnd::writeIfDue()
{
    std::unique_lock lock(m_mutex);
    if (m_writeLine < 0 || Clock::now() < m_writeDue)
        return false;
    const int fd = m_lines[size_t(m_writeLine)].fd;
    const QByteArray data = m_writeData;
    m_writeLine = -1;
    m_writtenAt = Clock::now(); // before the write: the reply may be on screen before it returns
    lock.unlock();
    (void)!::write(fd, data.constData(), size_t(data.size()));
    return true;
}

} // namespace bench
