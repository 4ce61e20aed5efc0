// SPDX-License-Identifier: MIT
#include "bridge/share.h"

#include "bridge/journal.h"
#include "bridge/pjlinkserver.h"

namespace runo {

ShareServer::ShareServer(LineQueue* queue, int idleMs, QObject* parent)
    : QTcpServer(parent)
    , m_queue(queue)
    , m_idleMs(idleMs)
{
    connect(this, &QTcpServer::pendingConnectionAvailable, this, &ShareServer::accept);
}

ShareServer::~ShareServer() { qDeleteAll(findChildren<ShareSession*>(Qt::FindDirectChildrenOnly)); }

void ShareServer::accept()
{
    acceptUpTo(this, kMaxClients, m_clients, [this](QTcpSocket* socket) {
        noteAddress(addressName(socket->peerAddress()), QStringLiteral("share: connected"));
        return new ShareSession(socket, m_queue, m_idleMs, this);
    });
}

ShareSession::ShareSession(QTcpSocket* socket, LineQueue* queue, int idleMs, QObject* parent)
    : QObject(parent)
    , m_socket(socket)
    , m_queue(queue)
    , m_peer(addressName(socket->peerAddress()))
{
    m_idle.setSingleShot(true);
    m_idle.setInterval(idleMs);
    connect(&m_idle, &QTimer::timeout, this, [this] { close(QStringLiteral("idle")); });
    m_idle.start();
    socket->setParent(this);
    socket->setReadBufferSize(ShareServer::kMaxLine);
    connect(socket, &QTcpSocket::readyRead, this, &ShareSession::readLines);
    connect(socket, &QTcpSocket::disconnected, this, [this] {
        m_state = State::Closed;
        m_queue->withdraw(this); // a line still waiting never reaches the projector
        emit closed();
        deleteLater();
    });
}

void ShareSession::readLines()
{
    while (m_state == State::Reading) {
        const qsizetype cr = m_buffer.indexOf('\r');
        if (cr >= 0) {
            const QByteArray line = m_buffer.left(cr);
            m_buffer.remove(0, cr + 1);
            if (m_discarding) // the end of a line that was too long
                m_discarding = false;
            else if (!line.isEmpty())
                send(line);
            continue;
        }
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
    m_state = State::Waiting;
    m_idle.stop();
    if (!m_queue->ask(line, this, [this](const Exchange& e) { answer(e); }))
        close(QStringLiteral("the line's queue is full"));
}

void ShareSession::answer(const Exchange& e)
{
    if (m_state != State::Waiting)
        return;
    m_state = State::Reading;
    m_idle.start();
    if (m_socket->bytesToWrite() + e.received.size() > kMaxUnsentBytes) {
        close(QStringLiteral("answers not read"));
        return;
    }
    if (m_socket->write(e.received) > 0)
        m_socket->flush();
    QMetaObject::invokeMethod(this, &ShareSession::readLines, Qt::QueuedConnection);
}

void ShareSession::close(const QString& why)
{
    if (m_state == State::Closed)
        return;
    m_state = State::Closed;
    noteAddress(m_peer, QStringLiteral("share: closed: %1").arg(why));
    m_socket->abort();
}

} // namespace runo
