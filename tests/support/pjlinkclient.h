// SPDX-License-Identifier: MIT
// A blocking PJLink client on 127.0.0.1: lines end at CR; answers are read
// one at a time.
//   PjlinkClient c; c.open(bridge.pjlink); c.line();   // "PJLINK 0"
//   c.ask("%1POWR ?");                                  // "%1POWR=0"
#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QHostAddress>
#include <QTcpSocket>

class PjlinkClient {
public:
    bool open(quint16 port)
    {
        m_socket.connectToHost(QHostAddress::LocalHost, port);
        return m_socket.waitForConnected(3000);
    }
    void send(const QByteArray& bytes)
    {
        m_socket.write(bytes);
        m_socket.flush();
    }
    // The next line without its CR; "<closed>" once the bridge has closed.
    QByteArray line(int ms = 5000)
    {
        QDeadlineTimer deadline(ms);
        while (!m_buffer.contains('\r')) {
            if (m_socket.state() != QAbstractSocket::ConnectedState && m_socket.bytesAvailable() == 0)
                return "<closed>";
            if (!m_socket.waitForReadyRead(int(deadline.remainingTime())) && deadline.hasExpired())
                return "<timeout>";
            m_buffer += m_socket.readAll();
        }
        const qsizetype cr = m_buffer.indexOf('\r');
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
