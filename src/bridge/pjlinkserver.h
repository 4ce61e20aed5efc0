// SPDX-License-Identifier: MIT
// The PJLink server: one session per client connection, each answered in
// the order it asks, one request at a time.
//   connect                       <- "PJLINK 1 4f2a09c1\r"   (or "PJLINK 0\r")
//   "<md5(4f2a09c1 password)>%1POWR ?\r"   <- "%1POWR=0\r"; the digest may come before every request
//   a wrong or missing digest     <- "PJLINK ERRA\r" 1 s later, closed
//   "%1powr ?\r"                  <- "%1powr=ERR1\r", and the session goes on
//   30 s without a request        closed (a request waiting for its answer is not idle)
// What one address may do: at most kMaxGreetedPerAddress connections yet to
// make their first request, each closed kFirstRequestMs after it opened; after
// kMaxWrongDigests wrong digests in a row, no connection for kLockoutMs.
#pragma once

#include "bridge/pjlink.h"

#include <QDeadlineTimer>
#include <QHash>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUdpSocket>

#include <type_traits>

namespace runo {

class LineQueue;

// Takes the server's waiting connections, at most `max` served at once: each
// is handed to `serve`, which returns the session that owns it, or nothing
// to refuse it; one past the bound is closed at once. A session counts until
// it is destroyed, however its connection ended.
template <class Serve> void acceptUpTo(QTcpServer* server, int max, int& clients, Serve serve)
{
    while (QTcpSocket* socket = server->nextPendingConnection()) {
        QObject* session = clients < max ? serve(socket) : nullptr;
        if (!session) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        ++clients;
        QObject::connect(session, &QObject::destroyed, server, [&clients] { --clients; });
    }
}

class PjlinkSession;

class PjlinkServer : public QTcpServer {
    Q_OBJECT
public:
    // Connections served at once; those past it are closed at once.
    static constexpr int kMaxClients = 256;
    static constexpr int kIdleMs = 30000;
    static constexpr int kFirstRequestMs = 5000;
    static constexpr int kMaxGreetedPerAddress = 8;
    static constexpr int kWrongDigestDelayMs = 1000;
    static constexpr int kMaxWrongDigests = 5;
    static constexpr int kLockoutMs = 60000;
    // The search is answered at most this often, to one asker and in all.
    static constexpr int kSearchIntervalMs = 1000;
    static constexpr int kSearchAnswersPerInterval = 10;

    struct Config {
        QByteArray password; // empty: no authentication
        int idleMs = kIdleMs;
    };

    PjlinkServer(PjlinkProjector* projector, LineQueue* queue, const Config& config, QObject* parent = nullptr);
    ~PjlinkServer() override;
    // The Class 2 search on UDP: "%2SRCH\r" is answered "%2ACKN=<MAC>\r",
    // the MAC address of the interface it came in on, to the asker alone.
    bool listenForSearch(const QHostAddress& address, quint16 port);
    QString searchError() const { return m_search.errorString(); }
    // The search's socket: the status notifications go out from its port.
    QUdpSocket* searchSocket() { return &m_search; }

    int clients() const { return m_clients; }
    qint64 authenticationFailures() const { return m_authFailures; }

private:
    friend class PjlinkSession;
    struct Peer {
        int greeted = 0; // connections yet to make their first request
        int wrongDigests = 0; // in a row
        QDeadlineTimer lockedUntil;
    };

    void accept();
    QObject* serve(QTcpSocket* socket);
    void answerSearch();
    // From the sessions.
    void leaveGreeted(const QHostAddress& address, bool authenticated);
    void takeWrongDigest(const QHostAddress& address);
    void forget(const QHostAddress& address);

    PjlinkProjector* m_projector;
    LineQueue* m_queue;
    Config m_config;
    int m_clients = 0;
    qint64 m_authFailures = 0;
    QHash<QHostAddress, Peer> m_peers;
    QUdpSocket m_search;
    QHash<QHostAddress, QDeadlineTimer> m_searchers; // answered in this interval
    QDeadlineTimer m_searchInterval;
    int m_searchAnswers = 0;
};

class PjlinkSession : public QObject {
    Q_OBJECT
public:
    // Answers not yet taken by a client past this many bytes close it.
    static constexpr qint64 kMaxUnsentBytes = 4096;

    PjlinkSession(QTcpSocket* socket, PjlinkServer* server);
    ~PjlinkSession() override;
    // The greeting; the session runs from here.
    void start();

private:
    //   Greeted -> Ready <-> Answering -> Closing
    //           -> Refusing -> Closing         Answering -> Orphaned (the client closed first)
    enum class State { Greeted, Ready, Answering, Refusing, Orphaned, Closing };

    void readRequests();
    void handle(QByteArray line);
    bool checkDigest(QByteArray& line);
    void ask(const PjlinkRequest& request);
    void take(const QByteArray& answer);
    void refuse();
    void lose();
    void reply(const QByteArray& bytes);
    void close(const QString& why);

    QTcpSocket* m_socket;
    PjlinkServer* m_server;
    QHostAddress m_address;
    QString m_peer;
    QByteArray m_random; // the 8 hex digits sent on connect
    QByteArray m_buffer;
    QTimer m_timer; // the first request's, the idle's, or the refusal's wait
    State m_state = State::Greeted;
    bool m_greeted = true; // counted among its address's connections yet to ask
    int m_peerFd = -1; // the connection, kept while a request is answered, for a client that closed its side
};

} // namespace runo
