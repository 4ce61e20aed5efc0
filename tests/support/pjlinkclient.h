// SPDX-License-Identifier: MIT
// A PJLink client on 127.0.0.1: lines end at CR; answers are read one at a
// time. It waits in the event loop, so the bridge may run in this process.
//   PjlinkClient c; c.open(bridge.pjlink); c.line();   // "PJLINK 0"
//   c.ask("%1POWR ?");                                  // "%1POWR=0"
#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QHostAddress>
#include <QTcpSocket>
#include <QTest>

class PjlinkClient {
public:
    bool open(quint16 port)
    {
        m_socket.connectToHost(QHostAddress::LocalHost, port);
        return QTest::qWaitFor([this] { return m_socket.state() == QAbstractSocket::ConnectedState; }, 3000);
    }
    void send(const QByteArray& bytes)
    {
        m_socket.write(bytes);
        m_socket.flush();
    }
    // The next line without its CR; "<closed>" once the bridge has closed,
    // "<timeout>" when nothing came in time.
    QByteArray line(int ms = 5000)
    {
        const auto ready = [this] {
            m_buffer += m_socket.readAll();
            return m_buffer.contains('\r') || m_socket.state() != QAbstractSocket::ConnectedState;
        };
        if (!QTest::qWaitFor(ready, ms))
            return "<timeout>";
        m_buffer += m_socket.readAll();
        const qsizetype cr = m_buffer.indexOf('\r');
        if (cr < 0)
            return "<closed>";
        const QByteArray l = m_buffer.left(cr);
        m_buffer.remove(0, cr + 1);
        return l;
    }
    QByteArray ask(const QByteArray& request)
    {
        send(request + '\r');
        return line();
    }
    QTcpSocket m_socket;

private:
    QByteArray m_buffer;
};
