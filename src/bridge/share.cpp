// SPDX-License-Identifier: MIT
#include "bridge/share.h"

#include "bridge/pjlinkserver.h"

#include <QTimer>

namespace runo {

ShareServer::ShareServer(LineQueue* queue, QObject* parent)
    : QTcpServer(parent)
    , m_queue(queue)
{
    connect(this, &QTcpServer::pendingConnectionAvailable, this, &ShareServer::accept);
}

void ShareServer::accept()
{
    acceptUpTo(this, kMaxClients, m_clients, [this](QTcpSocket* socket) {
        logLine(QStringLiteral("share: %1:%2 connected").arg(socket->peerAddress().toString()).arg(socket->peerPort()));
        return new ShareSession(socket, m_queue, this);
    });
}

ShareSession::ShareSession(QTcpSocket* socket, LineQueue* queue, QObject* parent)
    : QObject(parent)
    , m_socket(socket)
    , m_queue(queue)
{
    socket->setParent(this);
    socket->setReadBufferSize(ShareServer::kMaxLine);
    connect(socket, &QTcpSocket::readyRead, this, &ShareSession::readLines);
    connect(socket, &QTcpSocket::disconnected, this, [this] {
        emit closed();
        deleteLater();
    });
}

void ShareSession::readLines()
{
    for (;;) {
        qsizetype cr;
        while (!m_busy && (cr = m_buffer.indexOf('\r')) >= 0) {
            const QByteArray line = m_buffer.left(cr);
            m_buffer.remove(0, cr + 1);
            if (m_discarding) // the end of a line that was too long
                m_discarding = false;
            else if (!line.isEmpty())
                send(line);
        }
        if (m_busy)
            return;
        if (m_buffer.size() >= ShareServer::kMaxLine) {
            m_buffer.clear();
            m_discarding = true;
        }
        const QByteArray bytes = m_socket->read(ShareServer::kMaxLine - m_buffer.size());
        if (bytes.isEmpty())
            return;
        m_buffer += bytes;
    }
}

void ShareSession::send(const QByteArray& line)
{
    m_busy = true;
    const bool queued = m_queue->ask(line, this, [this](const LineResult& r) {
        m_busy = false;
        if (m_socket->bytesToWrite() + r.received.size() > kMaxUnsentBytes)
            m_socket->abort();
        else if (m_socket->write(r.received) > 0)
            m_socket->flush();
        QMetaObject::invokeMethod(this, &ShareSession::readLines, Qt::QueuedConnection);
    });
    if (!queued)
        QTimer::singleShot(ShareServer::kRetryMs, this, [this, line] { send(line); });
}

} // namespace runo
