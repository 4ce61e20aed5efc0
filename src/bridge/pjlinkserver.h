// SPDX-License-Identifier: MIT
// The PJLink server: one session per client connection, each answered in
// the order it asks, one request at a time.
//   connect                       <- "PJLINK 1 4f2a09c1\r"   (or "PJLINK 0\r")
//   "<md5(4f2a09c1 password)>%1POWR ?\r"   <- "%1POWR=0\r"
//   a wrong or missing digest     <- "PJLINK ERRA\r", closed
//   30 s without a request        closed
#pragma once

#include "bridge/pjlink.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUdpSocket>

#include <type_traits>

namespace runo {

// A line on stderr: the journal under systemd. Never the password.
void logLine(const QString& text);

// Takes the server's waiting connections, at most `max` served at once: each
// is handed to `serve`, which returns the session that owns it (a QObject
// with a closed() signal); one past the bound is closed at once.
template <class Serve> void acceptUpTo(QTcpServer* server, int max, int& clients, Serve serve)
{
    while (QTcpSocket* socket = server->nextPendingConnection()) {
        if (clients >= max) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        ++clients;
        auto* session = serve(socket);
        QObject::connect(session, &std::remove_pointer_t<decltype(session)>::closed, server, [&clients] { --clients; });
    }
}

class PjlinkServer : public QTcpServer {
    Q_OBJECT
public:
    // Connections served at once; those past it are closed at once.
    static constexpr int kMaxClients = 256;
    static constexpr int kIdleMs = 30000;

    struct Config {
        QByteArray password; // empty: no authentication
        int idleMs = kIdleMs;
    };

    PjlinkServer(PjlinkProjector* projector, const Config& config, QObject* parent = nullptr);
    // The Class 2 search on UDP: "%2SRCH\r" is answered "%2ACKN=<MAC>\r",
    // the MAC address of the interface it came in on, sent to the PJLink
    // port of the asker (and to the port it asked from, when another).
    bool listenForSearch(const QHostAddress& address, quint16 port);
    QString searchError() const { return m_search.errorString(); }

private:
    void accept();
    void answerSearch();

    PjlinkProjector* m_projector;
    Config m_config;
    int m_clients = 0;
    QUdpSocket m_search;
    quint16 m_searchPort = 0;
};

class PjlinkSession : public QObject {
    Q_OBJECT
public:
    // Answers not yet taken by a client past this many bytes close it.
    static constexpr qint64 kMaxUnsentBytes = 4096;

    PjlinkSession(QTcpSocket* socket, PjlinkProjector* projector, const PjlinkServer::Config& config, QObject* parent);

signals:
    void closed();

private:
    void readRequests();
    void handle(QByteArray line);
    bool authenticate(QByteArray& line);
    void reply(const QByteArray& bytes);
    void close(const QString& why);

    QTcpSocket* m_socket;
    PjlinkProjector* m_projector;
    QByteArray m_password;
    QByteArray m_random; // the 8 hex digits sent on connect; empty once authenticated
    QByteArray m_buffer;
    QString m_peer;
    QTimer m_idle;
    bool m_busy = false;
    bool m_closing = false;
};

} // namespace runo
