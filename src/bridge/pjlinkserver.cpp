// SPDX-License-Identifier: MIT
#include "bridge/pjlinkserver.h"

#include "bridge/journal.h"
#include "bridge/linequeue.h"

#include <QCryptographicHash>
#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QRandomGenerator>

#include <algorithm>
#include <sys/socket.h>
#include <unistd.h>

namespace runo {

namespace {

constexpr qsizetype kDigestChars = 32;
constexpr qsizetype kMaxPeers = 4096; // addresses remembered; past it, the quiet ones are forgotten
constexpr int kUnreadAnswerMs = 1000; // a closing connection's last answer waits this long for its reader
const QByteArray kSearch = "%2SRCH\r";
const QByteArray kNoHardwareAddress = "00:00:00:00:00:00";

bool isHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// A digest before a request: 32 hexadecimal digits, then the request's '%'.
bool startsWithDigest(QByteArrayView line)
{
    return line.size() > kDigestChars && line[kDigestChars] == '%'
        && std::all_of(line.begin(), line.begin() + kDigestChars, isHexDigit);
}

// A line in PJLink's form, "%1" or "%2" and four printable characters,
// whose command this projector does not define: answered ERR1. Anything
// else that is not a request is not PJLink at all.
bool isUndefinedCommand(QByteArrayView line)
{
    const auto printable = [](char c) { return c > ' ' && c < 0x7F; };
    return line.size() >= 6 && line[0] == '%' && (line[1] == '1' || line[1] == '2')
        && std::all_of(line.begin() + 2, line.begin() + 6, printable);
}

} // namespace

PjlinkServer::PjlinkServer(PjlinkProjector* projector, LineQueue* queue, const Config& config, QObject* parent)
    : QTcpServer(parent)
    , m_projector(projector)
    , m_queue(queue)
    , m_config(config)
{
    connect(this, &QTcpServer::pendingConnectionAvailable, this, &PjlinkServer::accept);
}

void PjlinkServer::accept()
{
    acceptUpTo(this, kMaxClients, m_clients, [this](QTcpSocket* socket) { return serve(socket); });
}

// A session for the socket, or nothing when its address may not have one now.
QObject* PjlinkServer::serve(QTcpSocket* socket)
{
    const QHostAddress address = plainAddress(socket->peerAddress());
    if (m_peers.size() >= kMaxPeers)
        m_peers.removeIf([](const auto& p) { return p.value().greeted == 0 && p.value().lockedUntil.hasExpired(); });
    Peer& peer = m_peers[address];
    if (!peer.lockedUntil.hasExpired()) {
        noteAddress(addressName(address), QStringLiteral("refused: too many wrong digests"));
        return nullptr;
    }
    if (peer.greeted >= kMaxGreetedPerAddress) {
        noteAddress(addressName(address), QStringLiteral("refused: too many connections yet to ask"));
        return nullptr;
    }
    ++peer.greeted;
    noteAddress(addressName(address), QStringLiteral("connected"));
    auto* session = new PjlinkSession(socket, this);
    session->start(); // once it is counted, so that a connection already reset counts down too
    return session;
}

PjlinkServer::~PjlinkServer()
{
    // Each tells this server it goes: before its members do.
    qDeleteAll(findChildren<PjlinkSession*>(Qt::FindDirectChildrenOnly));
}

void PjlinkServer::leaveGreeted(const QHostAddress& address, bool authenticated)
{
    Peer& peer = m_peers[address];
    peer.greeted = std::max(0, peer.greeted - 1);
    if (authenticated)
        peer.wrongDigests = 0;
    forget(address);
}

void PjlinkServer::takeWrongDigest(const QHostAddress& address)
{
    ++m_authFailures;
    Peer& peer = m_peers[address];
    if (++peer.wrongDigests < kMaxWrongDigests)
        return;
    peer.wrongDigests = 0;
    peer.lockedUntil.setRemainingTime(kLockoutMs);
    logLine(QStringLiteral("%1: %2 wrong digests in a row: refused for %3 s")
                .arg(addressName(address))
                .arg(kMaxWrongDigests)
                .arg(kLockoutMs / 1000));
}

void PjlinkServer::forget(const QHostAddress& address)
{
    const auto it = m_peers.constFind(address);
    if (it != m_peers.cend() && it->greeted == 0 && it->wrongDigests == 0 && it->lockedUntil.hasExpired())
        m_peers.erase(it);
}

bool PjlinkServer::listenForSearch(const QHostAddress& address, quint16 port)
{
    connect(&m_search, &QUdpSocket::readyRead, this, &PjlinkServer::answerSearch, Qt::UniqueConnection);
    return m_search.bind(address, port);
}

void PjlinkServer::answerSearch()
{
    while (m_search.hasPendingDatagrams()) {
        const QNetworkDatagram d = m_search.receiveDatagram(kPjlinkMaxLine);
        if (d.data() != kSearch)
            continue;
        if (m_searchInterval.hasExpired()) {
            m_searchInterval.setRemainingTime(kSearchIntervalMs);
            m_searchAnswers = 0;
            m_searchers.clear();
        }
        const QHostAddress asker = plainAddress(d.senderAddress());
        if (m_searchAnswers >= kSearchAnswersPerInterval || m_searchers.contains(asker))
            continue; // a spoofed source is not flooded, nor is the network
        ++m_searchAnswers;
        m_searchers.insert(asker, {});
        QByteArray mac = QNetworkInterface::interfaceFromIndex(d.interfaceIndex()).hardwareAddress().toLatin1();
        if (mac.size() != kNoHardwareAddress.size())
            mac = kNoHardwareAddress;
        m_search.writeDatagram("%2ACKN=" + mac + '\r', d.senderAddress(), quint16(d.senderPort()));
    }
}

PjlinkSession::PjlinkSession(QTcpSocket* socket, PjlinkServer* server)
    : QObject(server)
    , m_socket(socket)
    , m_server(server)
    , m_address(plainAddress(socket->peerAddress()))
    , m_peer(peerName(socket->peerAddress(), socket->peerPort()))
{
    socket->setParent(this);
    // What a client sends while its request is answered waits in the
    // system's buffers, not in ours.
    socket->setReadBufferSize(kPjlinkMaxLine + kDigestChars);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        if (m_state == State::Refusing) {
            reply("PJLINK ERRA\r");
            close(QString());
        } else {
            close(QStringLiteral("idle"));
        }
    });
    connect(socket, &QTcpSocket::readyRead, this, &PjlinkSession::readRequests);
    connect(socket, &QTcpSocket::bytesWritten, this, [this] {
        if (m_state == State::Closing && m_socket->bytesToWrite() == 0)
            m_socket->disconnectFromHost();
    });
    connect(socket, &QTcpSocket::disconnected, this, &PjlinkSession::lose);
}

PjlinkSession::~PjlinkSession()
{
    if (m_greeted)
        m_server->leaveGreeted(m_address, false); // no longer waiting for it
    if (m_peerFd >= 0)
        ::close(m_peerFd);
}

void PjlinkSession::start()
{
    if (m_server->m_config.password.isEmpty()) {
        reply("PJLINK 0\r");
    } else {
        m_random = QByteArray::number(QRandomGenerator::system()->generate(), 16).rightJustified(8, '0');
        reply("PJLINK 1 " + m_random + '\r');
    }
    if (m_state == State::Greeted)
        m_timer.start(std::min(PjlinkServer::kFirstRequestMs, m_server->m_config.idleMs));
}

void PjlinkSession::readRequests()
{
    while (m_state == State::Greeted || m_state == State::Ready) {
        const qsizetype longest = kPjlinkMaxLine + kDigestChars;
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

// The first request must carry the digest of this connection's random
// number; any later one may (some controllers send it before every
// request), and then it must be the right one.
bool PjlinkSession::checkDigest(QByteArray& line)
{
    const bool present = startsWithDigest(line);
    const QByteArray& password = m_server->m_config.password;
    if (password.isEmpty()) {
        if (present) // a client set up with a password, on a projector without one
            line.remove(0, kDigestChars);
        return true;
    }
    if (!present)
        return m_state == State::Ready;
    const QByteArray expected = QCryptographicHash::hash(m_random + password, QCryptographicHash::Md5).toHex();
    if (line.left(kDigestChars).toLower() != expected)
        return false;
    line.remove(0, kDigestChars);
    return true;
}

void PjlinkSession::handle(QByteArray line)
{
    if (line.startsWith('\n'))
        line.remove(0, 1); // a client ending its lines in CR LF
    if (!checkDigest(line)) {
        refuse();
        return;
    }
    if (m_state == State::Greeted) {
        m_state = State::Ready;
        m_greeted = false;
        m_server->leaveGreeted(m_address, true);
    }
    m_timer.start(m_server->m_config.idleMs);
    if (const std::optional<PjlinkRequest> request = parsePjlinkRequest(line))
        ask(*request);
    else if (isUndefinedCommand(line))
        reply(line.left(6) + "=ERR1\r");
    else
        close(QStringLiteral("not a PJLink request"));
}

void PjlinkSession::ask(const PjlinkRequest& request)
{
    m_state = State::Answering;
    m_timer.stop(); // a request waiting for its answer is not idle
    // Kept, so that a client that closes its side after asking still gets
    // the answer to what runs for it.
    m_peerFd = ::dup(int(m_socket->socketDescriptor()));
    m_server->m_projector->answer(
        request, this, [this, request](const QByteArray& result) { take(pjlinkAnswer(request, result)); });
}

void PjlinkSession::take(const QByteArray& answer)
{
    if (m_peerFd >= 0 && m_state == State::Orphaned)
        (void)::send(m_peerFd, answer.constData(), size_t(answer.size()), MSG_DONTWAIT | MSG_NOSIGNAL);
    if (m_peerFd >= 0)
        ::close(std::exchange(m_peerFd, -1));
    if (m_state == State::Orphaned) {
        deleteLater();
        return;
    }
    if (m_state != State::Answering)
        return;
    m_state = State::Ready;
    reply(answer);
    m_timer.start(m_server->m_config.idleMs);
    QMetaObject::invokeMethod(this, &PjlinkSession::readRequests, Qt::QueuedConnection);
}

void PjlinkSession::refuse()
{
    noteAddress(addressName(m_address), QStringLiteral("authentication refused"));
    m_server->takeWrongDigest(m_address);
    m_state = State::Refusing;
    m_timer.start(PjlinkServer::kWrongDigestDelayMs); // a guesser waits for each answer
}

// The connection closed. A request still waiting for the line is dropped;
// one already on it still gets its answer, written to the kept connection.
void PjlinkSession::lose()
{
    const bool answering = m_state == State::Answering;
    m_state = State::Orphaned;
    m_timer.stop();
    if (answering && m_server->m_queue->withdraw(this))
        return;
    deleteLater();
}

void PjlinkSession::reply(const QByteArray& bytes)
{
    if (m_state == State::Closing || m_state == State::Orphaned)
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
    if (m_state == State::Closing || m_state == State::Orphaned)
        return;
    if (!why.isEmpty())
        noteAddress(addressName(m_address), QStringLiteral("closed: %1").arg(why));
    m_state = State::Closing;
    m_timer.stop();
    if (m_socket->bytesToWrite() == 0)
        m_socket->disconnectFromHost();
    else
        QTimer::singleShot(kUnreadAnswerMs, m_socket, &QTcpSocket::abort); // a reader that never reads
}

} // namespace runo
