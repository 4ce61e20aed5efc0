// SPDX-License-Identifier: MIT
// A pseudo-terminal pair for tests on the wire: the panel's serial code opens
// the slave path; the test reads and writes the master side.
#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QString>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

class Pty {
public:
    Pty()
    {
        char name[128] = {};
        if (openpty(&m_master, &m_slave, name, nullptr, nullptr) == 0) {
            m_path = QString::fromLocal8Bit(name);
            termios t {};
            tcgetattr(m_slave, &t);
            cfmakeraw(&t);
            tcsetattr(m_slave, TCSANOW, &t);
            fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
            for (const int fd : {m_master, m_slave}) // not handed to programs a test starts
                fcntl(fd, F_SETFD, FD_CLOEXEC);
        }
    }
    ~Pty() { close(); }
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    bool isValid() const { return m_master >= 0; }
    const QString& path() const { return m_path; }
    int masterFd() const { return m_master; }

    // Drops our own slave handle so the far end is the panel's alone.
    void releaseSlave()
    {
        if (m_slave >= 0)
            ::close(m_slave);
        m_slave = -1;
    }
    void close()
    {
        releaseSlave();
        if (m_master >= 0)
            ::close(m_master);
        m_master = -1;
    }

    bool write(const QByteArray& bytes) { return ::write(m_master, bytes.constData(), size_t(bytes.size())) == bytes.size(); }

    // Everything readable now, after letting the event loop run.
    QByteArray readAvailable()
    {
        QByteArray out;
        char buf[4096];
        for (;;) {
            const ssize_t n = ::read(m_master, buf, sizeof buf);
            if (n <= 0)
                break;
            out.append(buf, n);
        }
        return out;
    }

    // Reads until `count` bytes have come or the time is up, processing events meanwhile.
    QByteArray readFor(int ms, qsizetype count = -1)
    {
        QByteArray out;
        QDeadlineTimer deadline(ms);
        while (!deadline.hasExpired() && (count < 0 || out.size() < count)) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            out += readAvailable();
            pollfd p {m_master, POLLIN, 0};
            ::poll(&p, 1, 1);
        }
        return out;
    }

    // Line speed as the far end sees it.
    speed_t speed() const
    {
        termios t {};
        tcgetattr(m_master, &t);
        return cfgetospeed(&t);
    }

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_path;
};
