// SPDX-License-Identifier: MIT
// The web face (--http): the remote page, its JSON API and its live
// WebSocket, behind the bridge's password, over HTTP or HTTPS.
//   GET  /                  the login page, or with a session the remote page
//   POST /login             password=...   303 to / with the session cookie; 401 wrong; 429 locked out
//   POST /logout            the session ends
//   GET  /api/state         {"power":"standby","status":"Stand by","lamp_hours":1234,...,"line":"open","read_at":{...}}
//   GET  /api/commands      [{"ascii":null,"group":"POWER","name":"POWER ON","repeat_ms":null,"reply_ms":500,"text":"C00"},...]
//   POST /api/command       {"name":"READ L-TIME"}   the object runoctl --json prints for it
//   GET  /api/live          the WebSocket of the open pages (livepages.h)
// Every response carries the same security headers; a request that acts
// (a POST, the WebSocket) with an Origin of another site is 403 and sends
// nothing; without a session every /api/ path is 401.
#pragma once

#include "bridge/linequeue.h"
#include "bridge/options.h"
#include "bridge/web/livepages.h"
#include "bridge/web/sessions.h"

#include <QAbstractHttpServer>
#include <QHash>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QJsonArray>
#include <QList>
#include <QPair>

#include <functional>
#include <vector>

class QTcpServer;

namespace runo {

// One response; the face adds the headers every response carries.
struct HttpReply {
    int status = 200;
    QByteArray type = "application/json";
    QByteArray body;
    QList<QPair<QByteArray, QByteArray>> headers; // others: Set-Cookie, WWW-Authenticate, Location
};

class HttpFace : public QAbstractHttpServer {
    Q_OBJECT
public:
    static constexpr qsizetype kMaxBodyBytes = 4096;
    // What a connection may hold unanswered: a request's head and its body.
    static constexpr qint64 kMaxRequestBytes = qint64(16) * 1024;
    static constexpr int kMaxConnections = 128;
    static constexpr int kMaxConnectionsPerAddress = 16;
    // A connection with no request for this long is closed.
    static constexpr int kIdleMs = 30 * 1000;

    using Route = std::function<HttpReply(const QHttpServerRequest&)>;

    // password: empty, and the page is open to anyone who reaches it.
    HttpFace(LineQueue* queue, PanelLink* link, const QByteArray& password, QObject* parent = nullptr);

    // Listens at `at`, over TLS when `tlsCertificates` is not empty; false
    // with the reason.
    bool start(const Listen& at, const QList<QSslCertificate>& tlsCertificates, const QSslKey& tlsKey, QString* error);
    quint16 serverPort() const;
    bool isTls() const { return m_tls; }

    // A route of another part of the bridge (GET /metrics), answered as it
    // says, before any session is asked for: it does its own authentication.
    void addRoute(QHttpServerRequest::Method method, const QString& path, Route route);

    int sessions() const { return m_sessions.count(); }
    quint64 authenticationFailures() const { return m_authenticationFailures; }
    int pages() const { return m_pages.count(); }

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override;
    void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override;

private:
    struct OwnRoute {
        QHttpServerRequest::Method method;
        QString path;
        Route route;
    };
    struct Connections {
        int total = 0;
        QHash<QHostAddress, int> byAddress;
    };

    HttpReply serve(const QHttpServerRequest& request, QTcpSocket* socket);
    HttpReply api(const QHttpServerRequest& request, QTcpSocket* socket);
    HttpReply login(const QHttpServerRequest& request);
    HttpReply logout(const QHttpServerRequest& request);
    HttpReply command(const QHttpServerRequest& request, QTcpSocket* socket);
    bool upgrade(const QHttpServerRequest& request, QTcpSocket* socket);
    void openPage();
    bool admit(QTcpSocket* socket);
    bool ownOrigin(const QHttpServerRequest& request) const;
    QByteArray session(const QHttpServerRequest& request);
    void respond(const QHttpServerRequest& request, QTcpSocket* socket, const HttpReply& reply);
    HttpReply loginPage(int status, const QString& message) const;

    LineQueue* m_queue;
    PanelLink* m_link;
    QByteArray m_password;
    bool m_tls = false;
    QTcpServer* m_server = nullptr;
    SessionTable m_sessions;
    LoginGuard m_guard;
    LivePages m_pages;
    std::vector<OwnRoute> m_routes;
    QJsonArray m_commands; // the list, as runoctl prints it
    Connections m_connections;
    QHash<QString, QByteArray> m_upgrading; // "address port" -> the session of a WebSocket being opened
    bool m_answered = false; // the request being handled has its response
    quint64 m_authenticationFailures = 0;

    friend class HttpListen;
};

} // namespace runo
