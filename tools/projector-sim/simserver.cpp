// SPDX-License-Identifier: MIT
#include "simserver.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QRandomGenerator>
#include <QSocketNotifier>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

speed_t speedFor(int baud)
{
    switch (baud) {
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    default: return B0;
    }
}

// 8 data bits, no parity, one stop bit, no flow control, raw.
void makeRaw(termios& tio, int baud)
{
    cfmakeraw(&tio);
    tio.c_cflag &= ~(PARENB | CSTOPB | CSIZE | CRTSCTS);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_iflag &= ~(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    cfsetispeed(&tio, speedFor(baud));
    cfsetospeed(&tio, speedFor(baud));
}

void setNonBlocking(int fd)
{
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    fcntl(fd, F_SETFD, fcntl(fd, F_GETFD) | FD_CLOEXEC);
}

void printLine(const QByteArray& text)
{
    std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// Printable ASCII as is, everything else as \xNN, backslash doubled.
QByteArray escaped(const QByteArray& bytes)
{
    QByteArray out;
    for (char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '\\') {
            out += "\\\\";
        } else if (c >= 0x20 && c < 0x7f) {
            out += ch;
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", c);
            out += buf;
        }
    }
    return out;
}

QByteArray randomBytes(int count)
{
    QByteArray out(count, '\0');
    for (char& c : out)
        c = char(QRandomGenerator::global()->bounded(256));
    return out;
}

QString errnoText(const char* what, const QString& path = {})
{
    const QString where = path.isEmpty() ? QString() : QStringLiteral(" ") + path;
    return QStringLiteral("%1%2: %3")
        .arg(QCoreApplication::translate("runo-projector-sim", what), where, QString::fromLocal8Bit(std::strerror(errno)));
}

} // namespace

SimServer::SimServer(const SimOptions& options, QObject* parent)
    : QObject(parent)
    , m_opt(options)
    , m_projector(options.projector)
{
    m_clock.start();
    m_pieceTimer.setSingleShot(true);
    m_pieceTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_pieceTimer, &QTimer::timeout, this, &SimServer::pump);

    m_floodTimer.setInterval(20);
    connect(&m_floodTimer, &QTimer::timeout, this, &SimServer::floodTick);

    m_reopenTimer.setSingleShot(true);
    connect(&m_reopenTimer, &QTimer::timeout, this, [this] {
        QString error;
        if (!openLine(&error))
            std::fprintf(stderr, "runo-projector-sim: %s\n", qPrintable(error));
    });

    m_lingerTimer.setSingleShot(true);
    m_lingerTimer.setInterval(20);
    connect(&m_lingerTimer, &QTimer::timeout, this, &SimServer::finishClosingIfIdle);

    m_readRetryTimer.setSingleShot(true);
    m_readRetryTimer.setInterval(200);
    connect(&m_readRetryTimer, &QTimer::timeout, this, [this] {
        if (m_readNotifier && !m_closing)
            m_readNotifier->setEnabled(true);
    });
}

SimServer::~SimServer()
{
    delete m_readNotifier;
    delete m_writeNotifier;
    if (m_fd >= 0)
        ::close(m_fd);
    if (m_slaveFd >= 0)
        ::close(m_slaveFd);
}

bool SimServer::baudSupported(int baud) { return speedFor(baud) != B0; }

bool SimServer::start(QString* error)
{
    if (!baudSupported(m_opt.baud)) {
        *error = tr("unsupported baud rate %1").arg(m_opt.baud);
        return false;
    }
    if (!openLine(error))
        return false;
    if (m_opt.floodBytesPerSec > 0) {
        m_floodLastMs = m_clock.elapsed();
        m_floodTimer.start();
    }
    return true;
}

bool SimServer::openLine(QString* error)
{
    QByteArray path;
    termios tio {};
    makeRaw(tio, m_opt.baud);

    if (m_opt.device.isEmpty()) {
        char name[256] = {};
        int master = -1;
        int slave = -1;
        if (::openpty(&master, &slave, name, &tio, nullptr) != 0) {
            *error = errnoText("openpty");
            return false;
        }
        setNonBlocking(master);
        fcntl(slave, F_SETFD, fcntl(slave, F_GETFD) | FD_CLOEXEC);
        m_fd = master;
        m_slaveFd = slave;
        path = name;
    } else {
        path = QFile::encodeName(m_opt.device);
        const int fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            *error = errnoText(QT_TRANSLATE_NOOP("runo-projector-sim", "cannot open"), m_opt.device);
            return false;
        }
        if (!::isatty(fd)) {
            ::close(fd);
            *error = tr("%1 is not a terminal device").arg(m_opt.device);
            return false;
        }
        if (::tcsetattr(fd, TCSANOW, &tio) != 0) {
            *error = errnoText(QT_TRANSLATE_NOOP("runo-projector-sim", "cannot configure"), m_opt.device);
            ::close(fd);
            return false;
        }
        ::tcflush(fd, TCIOFLUSH);
        m_fd = fd;
    }

    m_readNotifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    connect(m_readNotifier, &QSocketNotifier::activated, this, &SimServer::onReadable);
    m_writeNotifier = new QSocketNotifier(m_fd, QSocketNotifier::Write, this);
    m_writeNotifier->setEnabled(false);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, &SimServer::onWritable);

    m_linesThisOpen = 0;
    m_closing = false;
    m_lineBuf.clear();
    m_lineOverflow = false;
    printLine(path);
    return true;
}

void SimServer::closeLine()
{
    delete m_readNotifier;
    m_readNotifier = nullptr;
    delete m_writeNotifier;
    m_writeNotifier = nullptr;
    if (m_fd >= 0)
        ::close(m_fd);
    if (m_slaveFd >= 0)
        ::close(m_slaveFd);
    m_fd = m_slaveFd = -1;
    m_pending.clear();
    m_out.clear();
    m_pieceTimer.stop();
    m_readRetryTimer.stop();
    m_lingerTimer.stop();
    m_closing = false;
    m_closingSinceMs = -1;
    printLine("CLOSED");
    if (m_opt.reopenAfterMs >= 0)
        m_reopenTimer.start(m_opt.reopenAfterMs);
}

void SimServer::onReadable()
{
    char buf[4096];
    while (m_fd >= 0 && !m_closing) {
        const ssize_t n = ::read(m_fd, buf, sizeof buf);
        if (n > 0) {
            for (ssize_t i = 0; i < n && !m_closing; ++i) {
                const char c = buf[i];
                if (c == '\n')
                    continue;
                if (c == '\r') {
                    if (m_lineOverflow) {
                        if (m_opt.log)
                            trace("RX", "(over-long line discarded)");
                    } else {
                        processLine(m_lineBuf);
                    }
                    m_lineBuf.clear();
                    m_lineOverflow = false;
                } else if (m_lineBuf.size() >= MaxLineLength) {
                    m_lineOverflow = true;
                } else {
                    m_lineBuf.append(c);
                }
            }
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        // End of file or a line error (a pty with no slave open reports EIO):
        // stop polling for a while instead of spinning on it.
        if (m_readNotifier)
            m_readNotifier->setEnabled(false);
        m_readRetryTimer.start();
        break;
    }
    finishClosingIfIdle();
}

void SimServer::processLine(const QByteArray& line)
{
    ++m_linesThisOpen;
    if (!m_opt.quiet)
        printLine("RX " + escaped(line));
    if (m_opt.log)
        trace("RX", line);

    const qint64 now = m_clock.elapsed();
    QByteArray reply = m_projector.handleLine(line, now);

    if (!m_opt.silent) {
        if (m_opt.echo)
            schedule(line + '\r', now);
        if (!reply.isEmpty()) {
            if (m_opt.garbage)
                reply = randomBytes(1 + int(QRandomGenerator::global()->bounded(16)));
            schedule(reply, now + m_opt.delayMs);
        }
    }

    if (m_opt.closeAfter > 0 && m_linesThisOpen >= m_opt.closeAfter) {
        m_closing = true;
        if (m_readNotifier)
            m_readNotifier->setEnabled(false);
    }
}

void SimServer::schedule(const QByteArray& bytes, qint64 earliestMs)
{
    const int piece = m_opt.split > 0 ? m_opt.split : int(bytes.size());
    qint64 due = std::max(earliestMs, m_lastDueMs);
    for (qsizetype at = 0; at < bytes.size(); at += piece) {
        if (at > 0)
            due += m_opt.gapMs;
        m_pending.push_back({due, bytes.mid(at, piece)});
    }
    m_lastDueMs = due;
    pump();
}

void SimServer::pump()
{
    const qint64 now = m_clock.elapsed();
    while (!m_pending.empty() && m_pending.front().dueMs <= now) {
        if (m_opt.log)
            trace("TX", m_pending.front().bytes);
        m_out += m_pending.front().bytes;
        m_pending.pop_front();
    }
    flushOut();
    if (!m_pending.empty())
        m_pieceTimer.start(int(std::max<qint64>(0, m_pending.front().dueMs - now)));
    finishClosingIfIdle();
}

void SimServer::flushOut()
{
    while (m_fd >= 0 && !m_out.isEmpty()) {
        const ssize_t n = ::write(m_fd, m_out.constData(), size_t(m_out.size()));
        if (n > 0) {
            m_out.remove(0, n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (m_writeNotifier)
                m_writeNotifier->setEnabled(true);
            return;
        }
        if (m_opt.log)
            trace("TX", "(write failed: " + QByteArray(std::strerror(errno)) + ", output dropped)");
        m_out.clear();
    }
    if (m_writeNotifier)
        m_writeNotifier->setEnabled(false);
}

void SimServer::onWritable()
{
    flushOut();
    finishClosingIfIdle();
}

void SimServer::floodTick()
{
    const qint64 now = m_clock.elapsed();
    m_floodCarry += (now - m_floodLastMs) * m_opt.floodBytesPerSec;
    m_floodLastMs = now;
    const qint64 count = m_floodCarry / 1000;
    m_floodCarry %= 1000;
    if (count <= 0 || m_fd < 0 || m_closing)
        return;
    // Noise that nobody reads is dropped rather than piling up.
    const qint64 room = MaxQueuedFlood - m_out.size();
    const int n = int(std::min(count, room));
    if (n <= 0)
        return;
    m_out += randomBytes(n);
    flushOut();
}

void SimServer::finishClosingIfIdle()
{
    if (!m_closing || m_fd < 0 || !m_pending.empty() || !m_out.isEmpty())
        return;
    // Closing a pty master hangs up the slave and throws away whatever the
    // client has not read yet, so give it a moment to take the last reply.
    const qint64 now = m_clock.elapsed();
    if (m_closingSinceMs < 0)
        m_closingSinceMs = now;
    // The kernel hands pty output to the slave asynchronously, so the
    // unread count only becomes reliable after a short while.
    if (m_slaveFd >= 0) {
        int unread = 0;
        const qint64 lingered = now - m_closingSinceMs;
        const bool pending = ::ioctl(m_slaveFd, FIONREAD, &unread) == 0 && unread > 0;
        if (lingered < MinLingerMs || (pending && lingered < MaxLingerMs)) {
            m_lingerTimer.start();
            return;
        }
    }
    if (m_slaveFd < 0)
        ::tcdrain(m_fd);
    closeLine();
}

void SimServer::trace(const char* direction, const QByteArray& bytes) const
{
    const QByteArray stamp = QDateTime::currentDateTime().toString(QStringLiteral("hh:mm:ss.zzz")).toLatin1();
    std::fprintf(stderr, "[%s] %s %s\n", stamp.constData(), direction, escaped(bytes).constData());
    std::fflush(stderr);
}
