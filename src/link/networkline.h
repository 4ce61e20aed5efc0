// SPDX-License-Identifier: MIT
// A serial line reached over the network, by the URL that stands where a
// device path would:
//   socket://HOST:PORT    a raw TCP stream (a device server's raw mode, ser2net's tcp accepter)
//   rfc2217://HOST:PORT   Telnet with COM port control (RFC 2217): the line
//                         settings are sent on to the far port
// Resolving and connecting never block: open() returns at once, the line
// counts as open while the connection is being made, and the connection is
// started from the event loop, so that an open, close and open again in one
// handler (the panel's start-up) makes one connection. What is written
// meanwhile goes out once it is made; a connection not made (and, under
// RFC 2217, not agreed) within kConnectTimeoutMs is a failed open, reported
// by openFailed() from the event loop, and what waited is dropped.
//
// Nothing the server says before the line is ready is taken for the
// device's reply: under RFC 2217 what comes before COM port control is
// agreed, on a raw socket what comes before the first byte was sent, which
// is kGreetingWaitMs after the connection is made at the soonest.
// ser2net's own words for a port another program holds ("Port already in
// use", "Port's device already in use"), at the start of the stream, are a
// failed open. Everything waiting to go out is bounded, each kind on its
// own: data by the caller's limit, Telnet answers and commands by
// kProtocolWaitLimitBytes, past which the server, negotiating while it reads
// nothing, has failed (closed, and reported once, as a drop or a failed
// open); answers waiting never make data wait. TCP keepalive and an unacknowledged-data bound make a
// connection that dies without a word a drop within seconds.
//
//   line.open("rfc2217://10.0.0.7:2217", settings, &error);   // true: connecting
//   line.write("CR0\r");       // waits; on the wire after IAC WILL COM-PORT-OPTION ... and SET-BAUDRATE
//   ... connected and agreed   -> opened()
//   ... 3 s, no answer         -> openFailed("No connection within 3 s"), isOpen() == false
//   ... once open, peer gone   -> dropped("The remote host closed the connection")
#pragma once

#include "link/comporttelnet.h"
#include "link/linesettings.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTcpSocket>
#include <QTimer>

#include <deque>
#include <optional>

namespace runo {

struct NetworkAddress {
    enum class Protocol { Socket, Rfc2217 };
    Protocol protocol = Protocol::Socket;
    QString host;
    quint16 port = 0;
};

// Parses "socket://HOST:PORT" or "rfc2217://HOST:PORT" (an IPv6 host in
// brackets). On anything else returns nothing and, when error is given, a
// readable reason.
std::optional<NetworkAddress> parseNetworkAddress(const QString& url, QString* error = nullptr);

class NetworkLine : public QObject {
    Q_OBJECT
public:
    // The bound on resolving, connecting and agreeing on COM port control.
    static constexpr int kConnectTimeoutMs = 3000;
    // A raw socket counts as open this long after the connection is made,
    // so that what the server says at once is not taken for a reply.
    static constexpr int kGreetingWaitMs = 50;
    // The kernel's share of what waits for a server that stops reading.
    static constexpr int kSocketSendBufferBytes = 4096;
    // The most taken from the socket at a time, and so the most answered at once.
    static constexpr int kReadChunkBytes = 4096;
    // Telnet answers and commands that may wait for a server not reading.
    static constexpr qint64 kProtocolWaitLimitBytes = 8192;
    // Data sent and not acknowledged for this long drops the connection
    // (TCP_USER_TIMEOUT); an idle one is probed after kKeepAliveIdleS and
    // then every kKeepAliveIntervalS, and dropped by the same bound.
    static constexpr int kUnacknowledgedMs = 5000;
    static constexpr int kKeepAliveIdleS = 5;
    static constexpr int kKeepAliveIntervalS = 1;

    explicit NetworkLine(QObject* parent = nullptr);
    ~NetworkLine() override;

    // Starts connecting; false only for a URL parseNetworkAddress refuses.
    bool open(const QString& url, const LineSettings& settings, QString* error);
    void close();
    // True from open() until close(), a failed open or a drop.
    bool isOpen() const { return m_state != State::Closed; }
    // True while the connection is being made (and, under RFC 2217, agreed).
    bool isConnecting() const { return m_state == State::Connecting || m_state == State::Agreeing; }
    // Queues the bytes; false, and nothing queued, when more than
    // waitLimitBytes would then wait to go out, counted as they go on the
    // wire (each 255 doubled under RFC 2217).
    bool write(const QByteArray& data, qsizetype waitLimitBytes);
    // Every byte received since the last call.
    QByteArray readAll() { return std::exchange(m_input, QByteArray()); }
    // Sent on to the far port under RFC 2217 (now, or once agreed); kept and
    // otherwise unused on a raw socket.
    void setLineSettings(const LineSettings& settings);

signals:
    void readyRead();
    void opened(); // the connection is made (and agreed): what waited is on its way
    void openFailed(const QString& reason);
    void dropped(const QString& reason);

private:
    enum class State { Closed, Connecting, Agreeing, Open };

    void dial();
    void connected();
    void receive();
    void socketFailed();
    void timedOut();
    void greeted();
    void becomeOpen();
    void failOpen(const QString& reason);
    void reportFailure();
    void shutDown();
    void send(const QByteArray& wire);
    void answer(const QByteArray& reply);
    void queue(const QByteArray& bytes, bool data);
    void settle();
    bool screenGreeting(QByteArray& data);
    void setKeepAlive();

    QTcpSocket m_socket;
    QTimer m_connectTimer;
    QTimer m_greetingTimer; // a raw socket's wait for what the server says at once
    ComPortTelnet m_telnet;
    NetworkAddress m_address;
    bool m_rfc2217 = false;
    State m_state = State::Closed;
    LineSettings m_settings;
    QByteArray m_waiting; // written while the connection is being made
    // What waits in the socket, oldest first: data or not, and how many bytes.
    struct Queued {
        bool data;
        qint64 bytes;
    };
    std::deque<Queued> m_queue;
    qint64 m_queuedBytes = 0; // the socket's bytesToWrite() when last settled
    qint64 m_dataWaiting = 0;
    qint64 m_protocolWaiting = 0;
    QByteArray m_input;
    QByteArray m_greeting; // the first bytes of the stream, while they may be a busy text
    bool m_greetingDone = false;
    bool m_sentData = false; // a raw socket takes replies once data has left
    QString m_failure;
    bool m_failureDue = false; // openFailed() still to be emitted
};

} // namespace runo
