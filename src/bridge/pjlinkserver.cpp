// SPDX-License-Identifier: MIT
#include "bridge/pjlinkserver.h"

#include <QCryptographicHash>
#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QRandomGenerator>

#include <cstdio>

namespace runo {

namespace {

constexpr qsizetype kDigestChars = 32;
const QByteArray kSearch = "%2SRCH\r";
const QByteArray kNoHardwareAddress = "00:00:00:00:00:00";

} // namespace

void logLine(const QString& text)
{
    const QByteArray bytes = (QStringLiteral("runo-bridge: ") + text + QLatin1Char('\n')).toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

PjlinkServer::PjlinkServer(PjlinkProjector* projector, const Config& config, QObject* parent)
    : QTcpServer(parent)
    , m_projector(projector)
    , m_config(config)
{
    connect(this, &QTcpServer::pendingConnectionAvailable, this, &PjlinkServer::accept);
}

void PjlinkServer::accept()
{
    acceptUpTo(this, kMaxClients, m_clients,
        [this](QTcpSocket* socket) { return new PjlinkSession(socket, m_projector, m_config, this); });
}

bool PjlinkServer::listenForSearch(const QHostAddress& address, quint16 port)
{
    m_searchPort = port;
    connect(&m_search, &QUdpSocket::readyRead, this, &PjlinkServer::answerSearch, Qt::UniqueConnection);
    return m_search.bind(address, port);
}

void PjlinkServer::answerSearch()
{
    while (m_search.hasPendingDatagrams()) {
        const QNetworkDatagram d = m_search.receiveDatagram(kPjlinkMaxLine);
        if (d.data() != kSearch)
            continue;
        QByteArray mac = QNetworkInterface::interfaceFromIndex(d.interfaceIndex()).hardwareAddress().toLatin1();
        if (mac.size() != kNoHardwareAddress.size())
            mac = kNoHardwareAddress;
        const QByteArray ackn = "%2ACKN=" + mac + '\r';
        m_search.writeDatagram(ackn, d.senderAddress(), m_searchPort);
        if (d.senderPort() != m_searchPort)
            m_search.writeDatagram(ackn, d.senderAddress(), quint16(d.senderPort()));
    }
}

PjlinkSession::PjlinkSession(QTcpSocket* socket, PjlinkProjector* projector, const PjlinkServer::Config& config, QObject* parent)
    : QObject(parent)
    , m_socket(socket)
    , m_projector(projector)
    , m_password(config.password)
    , m_peer(QStringLiteral("%1:%2").arg(socket->peerAddress().toString()).arg(socket->peerPort()))
{
    socket->setParent(this);
    // What a client sends while its request is answered waits in the
    // system's buffers, not in ours.
    socket->setReadBufferSize(kPjlinkMaxLine);
    m_idle.setSingleShot(true);
    m_idle.setInterval(config.idleMs);
    connect(&m_idle, &QTimer::timeout, this, [this] { close(QStringLiteral("idle")); });
    connect(socket, &QTcpSocket::readyRead, this, &PjlinkSession::readRequests);
    connect(socket, &QTcpSocket::bytesWritten, this, [this] {
        if (m_closing && m_socket->bytesToWrite() == 0)
            m_socket->disconnectFromHost();
    });
    connect(socket, &QTcpSocket::disconnected, this, [this] {
        m_closing = true;
        emit closed();
        deleteLater();
    });
    logLine(QStringLiteral("%1 connected").arg(m_peer));
    if (m_password.isEmpty()) {
        reply("PJLINK 0\r");
    } else {
        m_random = QByteArray::number(QRandomGenerator::system()->generate(), 16).rightJustified(8, '0');
        reply("PJLINK 1 " + m_random + '\r');
    }
    m_idle.start();
}

void PjlinkSession::readRequests()
{
    while (!m_busy && !m_closing) {
        // The first request may carry the digest before it.
        const qsizetype longest = kPjlinkMaxLine + (m_random.isEmpty() ? 0 : kDigestChars);
        m_buffer += m_socket->read(longest - m_buffer.size());
        const qsizetype cr = m_buffer.indexOf('\r');
        if (cr < 0) {
            if (m_buffer.size() >= longest) // longer than any request: not PJLink
                close(QStringLiteral("line too long"));
            return;
        }
        QByteArray line = m_buffer.left(cr);
        m_buffer.remove(0, cr + 1);
        handle(line);
    }
}

bool PjlinkSession::authenticate(QByteArray& line)
{
    const QByteArray expected = QCryptographicHash::hash(m_random + m_password, QCryptographicHash::Md5).toHex();
    if (line.size() < kDigestChars || line.left(kDigestChars).toLower() != expected) {
        logLine(QStringLiteral("%1 authentication refused").arg(m_peer));
        reply("PJLINK ERRA\r");
        close(QString());
        return false;
    }
    line.remove(0, kDigestChars);
    m_random.clear();
    return true;
}

void PjlinkSession::handle(QByteArray line)
{
    m_idle.start();
    if (line.startsWith('\n'))
        line.remove(0, 1); // a client ending its lines in CR LF
    if (!m_random.isEmpty() && !authenticate(line))
        return;
    const std::optional<PjlinkRequest> request = parsePjlinkRequest(line);
    if (!request) {
        close(QStringLiteral("not a PJLink request"));
        return;
    }
    m_busy = true;
    m_projector->answer(*request, this, [this, r = *request](const QByteArray& result) {
        m_busy = false;
        reply(pjlinkAnswer(r, result));
        QMetaObject::invokeMethod(this, &PjlinkSession::readRequests, Qt::QueuedConnection);
    });
}

void PjlinkSession::reply(const QByteArray& bytes)
{
    if (m_closing)
        return;
    if (m_socket->bytesToWrite() + bytes.size() > kMaxUnsentBytes) {
        close(QStringLiteral("answers not read"));
        return;
    }
    m_socket->write(bytes);
    m_socket->flush(); // on its way now, not at the next turn of the event loop
}

void PjlinkSession::close(const QString& why)
{
    if (m_closing)
        return;
    if (!why.isEmpty())
        logLine(QStringLiteral("%1 closed: %2").arg(m_peer, why));
    m_closing = true;
    m_idle.stop();
    if (m_socket->bytesToWrite() == 0)
        m_socket->disconnectFromHost();
    else
        QTimer::singleShot(1000, m_socket, &QTcpSocket::abort); // a reader that never reads
}

} // namespace runo
