// SPDX-License-Identifier: MIT
#include "bridge/journal.h"

#include <QCoreApplication>
#include <QHash>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace runo {

namespace {

constexpr int kSummaryMs = 60 * 1000;
constexpr qsizetype kMaxAddresses = 1024; // counted apart; the rest together

// Standard error, opened anew without blocking: a pipe or a terminal through
// a description of its own (O_NONBLOCK would otherwise reach whoever shares
// it), a socket (the journal) with MSG_DONTWAIT.
class Writer : public QObject {
public:
    Writer()
    {
        struct stat st { };
        m_socket = ::fstat(STDERR_FILENO, &st) == 0 && S_ISSOCK(st.st_mode);
        if (!m_socket)
            m_fd = ::open("/proc/self/fd/2", O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_APPEND);
        if (m_fd < 0)
            m_fd = STDERR_FILENO; // a socket, or a regular file that never blocks
        else
            m_own = true;
        if (QCoreApplication::instance()) {
            m_ready = new QSocketNotifier(m_fd, QSocketNotifier::Write, this);
            m_ready->setEnabled(false);
            connect(m_ready, &QSocketNotifier::activated, this, &Writer::flush);
        }
    }
    ~Writer() override
    {
        if (m_own)
            ::close(m_fd);
    }

    void write(const QByteArray& line)
    {
        if (m_waiting.size() + line.size() > kMaxWaitingBytes) {
            ++m_dropped;
            return;
        }
        m_waiting += line;
        flush();
    }

private:
    void flush()
    {
        while (!m_waiting.isEmpty()) {
            const ssize_t n = m_socket
                ? ::send(m_fd, m_waiting.constData(), size_t(m_waiting.size()), MSG_DONTWAIT | MSG_NOSIGNAL)
                : ::write(m_fd, m_waiting.constData(), size_t(m_waiting.size()));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                if (m_ready)
                    m_ready->setEnabled(true);
                return;
            }
            if (n <= 0) { // nobody to read it at all
                m_waiting.clear();
                break;
            }
            m_waiting.remove(0, n);
        }
        if (m_ready)
            m_ready->setEnabled(false);
        if (m_dropped > 0) {
            const qint64 dropped = std::exchange(m_dropped, 0);
            write(QStringLiteral("runo-bridge: %1 lines were not written: standard error was not read\n").arg(dropped).toUtf8());
        }
    }

    int m_fd = -1;
    bool m_own = false;
    bool m_socket = false;
    QSocketNotifier* m_ready = nullptr;
    QByteArray m_waiting;
    qint64 m_dropped = 0;
};

Writer& writer()
{
    static Writer w;
    return w;
}

// The minute's counts by address and event.
class AddressCounts : public QObject {
public:
    AddressCounts()
    {
        m_minute.setInterval(kSummaryMs);
        connect(&m_minute, &QTimer::timeout, this, &AddressCounts::summarize);
    }
    void note(const QString& address, const QString& event)
    {
        const QString key = m_counts.size() < kMaxAddresses || m_counts.contains(address + u'\n' + event)
            ? address + u'\n' + event
            : QStringLiteral("other addresses\n") + event;
        if (m_counts[key]++ == 0)
            logLine(QStringLiteral("%1: %2").arg(key.section(u'\n', 0, 0), event));
        if (!m_minute.isActive())
            m_minute.start();
    }

private:
    void summarize()
    {
        for (auto it = m_counts.cbegin(); it != m_counts.cend(); ++it)
            if (it.value() > 1)
                logLine(QStringLiteral("%1: %2 %3 more times in the last minute")
                            .arg(it.key().section(u'\n', 0, 0), it.key().section(u'\n', 1))
                            .arg(it.value() - 1));
        m_counts.clear();
        m_minute.stop();
    }

    QHash<QString, qint64> m_counts;
    QTimer m_minute;
};

} // namespace

void logLine(const QString& text) { writer().write((QStringLiteral("runo-bridge: ") + text + u'\n').toUtf8()); }

void noteAddress(const QString& address, const QString& event)
{
    static AddressCounts counts;
    counts.note(address, event);
}

QHostAddress plainAddress(const QHostAddress& address)
{
    bool v4 = false;
    const quint32 ipv4 = address.toIPv4Address(&v4);
    return v4 ? QHostAddress(ipv4) : address;
}

QString addressName(const QHostAddress& peer)
{
    const QHostAddress address = plainAddress(peer);
    if (address.isNull())
        return QStringLiteral("an address gone before it was read");
    if (address.protocol() == QAbstractSocket::IPv6Protocol)
        return QStringLiteral("[%1]").arg(address.toString());
    return address.toString();
}

QString peerName(const QHostAddress& address, quint16 port)
{
    return plainAddress(address).isNull() ? addressName(address) : QStringLiteral("%1:%2").arg(addressName(address)).arg(port);
}

} // namespace runo
