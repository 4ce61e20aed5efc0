// SPDX-License-Identifier: MIT
#include "link/networkline.h"

#include <QUrl>

namespace runo {

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
            *error = QStringLiteral("Invalid network port: expected socket://HOST:PORT or rfc2217://HOST:PORT");
        return std::nullopt;
    }
    address.port = quint16(port);
    return address;
}

NetworkLine::NetworkLine(QObject* parent)
    : QObject(parent)
{
    m_connectTimer.setSingleShot(true);
    m_connectTimer.setInterval(kConnectTimeoutMs);
    connect(&m_connectTimer, &QTimer::timeout, this, &NetworkLine::timedOut);
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
    m_waiting.clear();
    m_socket.abort();
}

bool NetworkLine::write(const QByteArray& data, qsizetype waitLimitBytes)
{
    switch (m_state) {
    case State::Closed: return false;
    case State::Connecting:
    case State::Agreeing:
        if (m_waiting.size() + data.size() > waitLimitBytes)
            return false;
        m_waiting += data;
        return true;
    case State::Open:
        if (m_socket.bytesToWrite() + data.size() > waitLimitBytes)
            return false;
        send(data);
        return true;
    }
    return false;
}

void NetworkLine::send(const QByteArray& data)
{
    m_socket.write(m_rfc2217 ? ComPortTelnet::escape(data) : data);
    // Onto the wire now, as far as the socket takes it, without waiting.
    m_socket.flush();
}

void NetworkLine::setLineSettings(const LineSettings& settings)
{
    m_settings = settings;
    if (m_state == State::Open && m_rfc2217 && m_telnet.comPort() == ComPortTelnet::ComPort::Accepted) {
        m_socket.write(ComPortTelnet::setLine(m_settings));
        m_socket.flush();
    }
}

void NetworkLine::connected()
{
    if (m_state != State::Connecting)
        return;
    // Each command line leaves at once, not held back to be sent with the next.
    m_socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    m_socket.setSocketOption(QAbstractSocket::SendBufferSizeSocketOption, kSocketSendBufferBytes);
    if (!m_rfc2217) {
        becomeOpen();
        return;
    }
    m_state = State::Agreeing;
    m_socket.write(m_telnet.start());
    m_socket.flush();
}

void NetworkLine::receive()
{
    QByteArray data = m_socket.readAll();
    if (m_rfc2217) {
        QByteArray reply;
        data = m_telnet.receive(data, reply);
        if (!reply.isEmpty()) {
            m_socket.write(reply);
            m_socket.flush();
        }
        if (m_state == State::Agreeing && m_telnet.comPort() == ComPortTelnet::ComPort::Accepted) {
            // The line's settings reach the far port before any data does.
            m_socket.write(ComPortTelnet::setLine(m_settings));
            becomeOpen();
        } else if (m_state == State::Agreeing && m_telnet.comPort() == ComPortTelnet::ComPort::Refused) {
            failOpen(QStringLiteral("The server refuses COM port control (RFC 2217)"));
        }
    }
    if (data.isEmpty() || m_state == State::Closed)
        return;
    m_input += data;
    emit readyRead();
}

void NetworkLine::becomeOpen()
{
    m_connectTimer.stop();
    m_state = State::Open;
    send(std::exchange(m_waiting, QByteArray()));
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
            ? QStringLiteral("No answer to COM port control (RFC 2217) within %1 s").arg(kConnectTimeoutMs / 1000)
            : QStringLiteral("No connection within %1 s").arg(kConnectTimeoutMs / 1000));
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
