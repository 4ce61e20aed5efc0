// SPDX-License-Identifier: MIT
#include "link/networkline.h"

#include <QCoreApplication>
#include <QUrl>

#ifdef Q_OS_LINUX
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#endif

namespace runo {

namespace {

// What ser2net sends, and then closes, when another connection holds the port
// or its device.
constexpr const char* kBusyTexts[] = {"Port already in use", "Port's device already in use"};

} // namespace

std::optional<NetworkAddress> parseNetworkAddress(const QString& url, QString* error)
{
    const QUrl parsed(url, QUrl::StrictMode);
    const QString scheme = parsed.scheme().toLower();
    NetworkAddress address;
    address.protocol = scheme == QLatin1String("rfc2217") ? NetworkAddress::Protocol::Rfc2217 : NetworkAddress::Protocol::Socket;
    address.host = parsed.host();
    const int port = parsed.port();
    const bool known = scheme == QLatin1String("socket") || scheme == QLatin1String("rfc2217");
    const bool bare = (parsed.path().isEmpty() || parsed.path() == QLatin1String("/")) && !parsed.hasQuery()
        && !parsed.hasFragment() && parsed.userInfo().isEmpty();
    if (!parsed.isValid() || !known || address.host.isEmpty() || port < 1 || port > 65535 || !bare) {
        if (error)
            *error = QCoreApplication::translate(
                "runo-link", "Invalid network port: expected socket://HOST:PORT or rfc2217://HOST:PORT");
        return std::nullopt;
    }
    address.port = quint16(port);
    return address;
}

NetworkLine::NetworkLine(QObject* parent)
    : QObject(parent)
{
    m_connectTimer.setSingleShot(true);
    m_connectTimer.setTimerType(Qt::PreciseTimer);
    m_socket.setReadBufferSize(kReadChunkBytes);
    m_connectTimer.setInterval(kConnectTimeoutMs);
    connect(&m_connectTimer, &QTimer::timeout, this, &NetworkLine::timedOut);
    m_greetingTimer.setSingleShot(true);
    m_greetingTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_greetingTimer, &QTimer::timeout, this, &NetworkLine::greeted);
    connect(&m_socket, &QTcpSocket::connected, this, &NetworkLine::connected);
    connect(&m_socket, &QTcpSocket::readyRead, this, &NetworkLine::receive);
    connect(&m_socket, &QTcpSocket::errorOccurred, this, &NetworkLine::socketFailed);
    connect(&m_socket, &QTcpSocket::disconnected, this, &NetworkLine::socketFailed);
}

// The socket goes last and reports its own end: not to this, half gone by then.
NetworkLine::~NetworkLine()
{
    m_socket.disconnect(this);
    close();
}

bool NetworkLine::open(const QString& url, const LineSettings& settings, QString* error)
{
    const auto address = parseNetworkAddress(url, error);
    if (!address)
        return false;
    close();
    m_address = *address;
    m_rfc2217 = address->protocol == NetworkAddress::Protocol::Rfc2217;
    m_settings = settings;
    m_state = State::Connecting;
    m_connectTimer.start();
    QMetaObject::invokeMethod(this, &NetworkLine::dial, Qt::QueuedConnection);
    return true;
}

void NetworkLine::dial()
{
    if (m_state == State::Connecting && m_socket.state() == QAbstractSocket::UnconnectedState)
        m_socket.connectToHost(m_address.host, m_address.port);
}

void NetworkLine::close()
{
    m_failureDue = false;
    m_input.clear();
    shutDown();
}

// Closed first, so that what abort() reports of itself is not taken for a drop.
void NetworkLine::shutDown()
{
    m_state = State::Closed;
    m_connectTimer.stop();
    m_greetingTimer.stop();
    m_waiting.clear();
    m_greeting.clear();
    m_queue.clear();
    m_queuedBytes = m_dataWaiting = m_protocolWaiting = 0;
    m_socket.abort();
}

bool NetworkLine::write(const QByteArray& data, qsizetype waitLimitBytes)
{
    switch (m_state) {
    case State::Closed: return false;
    case State::Connecting:
    case State::Agreeing:
        if ((m_rfc2217 ? ComPortTelnet::escape(m_waiting + data) : m_waiting + data).size() > waitLimitBytes)
            return false;
        m_waiting += data;
        return true;
    case State::Open: {
        const QByteArray wire = m_rfc2217 ? m_telnet.encode(data) : data;
        settle();
        if (m_dataWaiting + wire.size() > waitLimitBytes)
            return false;
        send(wire);
        return true;
    }
    }
    return false;
}

// `wire` as it goes on the wire, encoded.
void NetworkLine::send(const QByteArray& wire)
{
    if (wire.isEmpty())
        return;
    m_sentData = true;
    queue(wire, true);
}

void NetworkLine::queue(const QByteArray& bytes, bool data)
{
    settle();
    m_queue.push_back({data, bytes.size()});
    (data ? m_dataWaiting : m_protocolWaiting) += bytes.size();
    m_queuedBytes += bytes.size();
    m_socket.write(bytes);
    // Onto the wire now, as far as the socket takes it, without waiting.
    m_socket.flush();
}

// The socket sends in order: what it has passed on since is the oldest.
void NetworkLine::settle()
{
    qint64 gone = m_queuedBytes - m_socket.bytesToWrite();
    while (gone > 0 && !m_queue.empty()) {
        Queued& oldest = m_queue.front();
        const qint64 n = std::min(gone, oldest.bytes);
        oldest.bytes -= n;
        (oldest.data ? m_dataWaiting : m_protocolWaiting) -= n;
        gone -= n;
        if (oldest.bytes == 0)
            m_queue.pop_front();
    }
    m_queuedBytes = m_socket.bytesToWrite();
}

// A server that reads takes what it asks for; one that keeps negotiating and
// reads nothing would make the answers pile up without end.
void NetworkLine::answer(const QByteArray& reply)
{
    if (reply.isEmpty())
        return;
    queue(reply, false);
    settle();
    if (m_protocolWaiting <= kProtocolWaitLimitBytes)
        return;
    const QString reason = QCoreApplication::translate("runo-link", "The server keeps negotiating (Telnet) and reads nothing");
    if (m_state != State::Open) {
        failOpen(reason);
        return;
    }
    shutDown();
    emit dropped(reason);
}

void NetworkLine::setLineSettings(const LineSettings& settings)
{
    m_settings = settings;
    if (m_state == State::Open && m_rfc2217 && m_telnet.comPort() == ComPortTelnet::ComPort::Accepted)
        answer(ComPortTelnet::setLine(m_settings));
}

void NetworkLine::connected()
{
    if (m_state != State::Connecting)
        return;
    // Each command line leaves at once, not held back to be sent with the next.
    m_socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    m_socket.setSocketOption(QAbstractSocket::SendBufferSizeSocketOption, kSocketSendBufferBytes);
    setKeepAlive();
    m_greeting.clear();
    m_greetingDone = false;
    m_sentData = false;
    if (!m_rfc2217) {
        // A server's own words (a banner, ser2net's busy text) come within a
        // round trip of the connection, and would cross a command sent at once.
        m_greetingTimer.start(kGreetingWaitMs);
        return;
    }
    m_state = State::Agreeing;
    queue(m_telnet.start(), false);
}

void NetworkLine::setKeepAlive()
{
    m_socket.setSocketOption(QAbstractSocket::KeepAliveOption, 1);
#ifdef Q_OS_LINUX
    const int fd = int(m_socket.socketDescriptor());
    const auto set = [fd](int level, int name, int value) { ::setsockopt(fd, level, name, &value, sizeof value); };
    set(IPPROTO_TCP, TCP_KEEPIDLE, kKeepAliveIdleS);
    set(IPPROTO_TCP, TCP_KEEPINTVL, kKeepAliveIntervalS);
    set(IPPROTO_TCP, TCP_USER_TIMEOUT, kUnacknowledgedMs);
#endif
}

void NetworkLine::receive()
{
    // At most kReadChunkBytes (the socket's read buffer) at a time.
    const QByteArray bytes = m_socket.readAll();
    QByteArray reply;
    // Under Telnet, nothing before COM port control is agreed.
    QByteArray data = m_rfc2217 ? m_telnet.receive(bytes, reply) : bytes;
    // Looked at before anything is written back, which may find the connection closed.
    if (!screenGreeting(data))
        return;
    answer(reply);
    if (m_state == State::Agreeing && m_telnet.comPort() == ComPortTelnet::ComPort::Accepted) {
        // The line's settings reach the far port before any data does.
        queue(ComPortTelnet::setLine(m_settings), false);
        becomeOpen();
    } else if (m_state == State::Agreeing && m_telnet.comPort() == ComPortTelnet::ComPort::Refused) {
        failOpen(QCoreApplication::translate("runo-link", "The server refuses COM port control (RFC 2217)"));
    }
    if (m_state == State::Closed || !(m_rfc2217 || m_sentData) || data.isEmpty())
        return;
    m_input += data;
    emit readyRead();
}

// Holds the first bytes of the stream back while they may be ser2net's busy
// text; fails the open when they are. False when the connection is closed.
bool NetworkLine::screenGreeting(QByteArray& data)
{
    if (m_greetingDone || data.isEmpty())
        return true;
    m_greeting += data;
    data.clear();
    bool maybe = false;
    for (const char* text : kBusyTexts) {
        const QByteArray busy(text);
        if (m_greeting.startsWith(busy)) {
            failOpen(QCoreApplication::translate("runo-link", "The server says \"%1\": another connection holds the port")
                         .arg(QLatin1String(text)));
            return false;
        }
        maybe = maybe || busy.startsWith(m_greeting);
    }
    if (!maybe) {
        m_greetingDone = true;
        data = std::exchange(m_greeting, QByteArray());
    }
    return true;
}

// What has come by now is taken first, whatever the order in which the
// event loop handles the socket and the timer: once, a moment later.
void NetworkLine::greeted()
{
    if (m_state != State::Connecting)
        return;
    int waiting = 0;
#ifdef Q_OS_LINUX
    ::ioctl(int(m_socket.socketDescriptor()), FIONREAD, &waiting);
#endif
    if (waiting > 0 && m_greetingTimer.interval() == kGreetingWaitMs) {
        m_greetingTimer.start(1);
        return;
    }
    becomeOpen();
}

void NetworkLine::becomeOpen()
{
    m_connectTimer.stop();
    m_state = State::Open;
    const QByteArray waiting = std::exchange(m_waiting, QByteArray());
    send(m_rfc2217 ? m_telnet.encode(waiting) : waiting);
    emit opened();
}

void NetworkLine::socketFailed()
{
    if (m_state == State::Closed)
        return; // already handled: an error comes before its disconnection
    const QString reason = m_socket.errorString();
    if (m_state != State::Open) {
        failOpen(reason);
        return;
    }
    shutDown();
    emit dropped(reason);
}

void NetworkLine::timedOut()
{
    failOpen(m_state == State::Agreeing
            ? QCoreApplication::translate("runo-link", "No answer to COM port control (RFC 2217) within %1 s")
                  .arg(kConnectTimeoutMs / 1000)
            : QCoreApplication::translate("runo-link", "No connection within %1 s").arg(kConnectTimeoutMs / 1000));
}

// Reported from the event loop, never from inside open() or the socket's own
// signals, so that whoever shows it may wait for the operator.
void NetworkLine::failOpen(const QString& reason)
{
    shutDown();
    m_failure = reason;
    m_failureDue = true;
    QMetaObject::invokeMethod(this, &NetworkLine::reportFailure, Qt::QueuedConnection);
}

void NetworkLine::reportFailure()
{
    if (std::exchange(m_failureDue, false))
        emit openFailed(m_failure);
}

} // namespace runo
