// SPDX-License-Identifier: MIT
#include "bridge/web/httpface.h"

#include "bridge/journal.h"
#include "panel/listing.h"
#include "panel/outcome.h"
#include "panel/vocabulary.h"

#include <QFile>
#include <QJsonDocument>
#include <QLoggingCategory>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrlQuery>
#include <QWebSocket>

#include <memory>

// The page built in (web.qrc), kept by the linker for this library's sake.
static void initWebResources() { Q_INIT_RESOURCE(web); }

namespace runo {

namespace {

constexpr QByteArrayView kCookieName = "runo_session";
constexpr int kCookieSeconds = int(SessionTable::kLifetimeMs / 1000);
constexpr char kHtml[] = "text/html; charset=utf-8";

struct Header {
    const char* name;
    const char* value;
};

// On every response.
constexpr Header kSecurityHeaders[] = {
    {"Content-Security-Policy", "default-src 'self'; connect-src 'self'"},
    {"X-Content-Type-Options", "nosniff"},
    {"Referrer-Policy", "no-referrer"},
    {"Cache-Control", "no-store"},
};

struct Reason {
    int status;
    const char* text;
};

constexpr Reason kReasons[] = {
    {200, "OK"},
    {303, "See Other"},
    {400, "Bad Request"},
    {401, "Unauthorized"},
    {403, "Forbidden"},
    {404, "Not Found"},
    {413, "Content Too Large"},
    {429, "Too Many Requests"},
    {503, "Service Unavailable"},
};

// What the page is made of, served to anyone (the login page uses the style).
struct Asset {
    const char* path;
    const char* resource;
    const char* type;
};

constexpr Asset kAssets[] = {
    {"/remote.js", ":/web/remote.js", "text/javascript; charset=utf-8"},
    {"/remote.css", ":/web/remote.css", "text/css; charset=utf-8"},
};

QByteArray resource(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

HttpReply json(int status, const QJsonDocument& document)
{
    return {status, "application/json", document.toJson(QJsonDocument::Compact), {}};
}

HttpReply failure(int status, const QString& message, QJsonObject fields = {})
{
    fields.insert(QStringLiteral("error"), message);
    return json(status, QJsonDocument(fields));
}

HttpReply seeOther(const QByteArray& cookie)
{
    return {303, "text/plain; charset=utf-8", {}, {{"Location", "/"}, {"Set-Cookie", cookie}}};
}

QByteArray head(const HttpReply& reply)
{
    const auto reason
        = std::find_if(std::begin(kReasons), std::end(kReasons), [&](const Reason& r) { return r.status == reply.status; });
    QByteArray bytes = "HTTP/1.1 " + QByteArray::number(reply.status) + ' '
        + (reason != std::end(kReasons) ? QByteArray(reason->text) : QByteArray("Status")) + "\r\n";
    bytes += "Content-Type: " + reply.type + "\r\nContent-Length: " + QByteArray::number(reply.body.size()) + "\r\n";
    for (const Header& h : kSecurityHeaders)
        bytes += QByteArray(h.name) + ": " + h.value + "\r\n";
    for (const auto& [name, value] : reply.headers)
        bytes += name + ": " + value + "\r\n";
    return bytes + "\r\n";
}

QString htmlEscaped(const QString& text) { return text.toHtmlEscaped(); }

// A form field of an application/x-www-form-urlencoded body.
QByteArray formField(const QByteArray& body, const QString& name)
{
    QByteArray spaced = body;
    spaced.replace('+', "%20");
    return QUrlQuery(QString::fromUtf8(spaced)).queryItemValue(name, QUrl::FullyDecoded).toUtf8();
}

bool isUpgrade(const QHttpServerRequest& request)
{
    return request.value("upgrade").compare("websocket", Qt::CaseInsensitive) == 0;
}

QString peerKey(const QHostAddress& address, quint16 port) { return peerName(address, port); }

} // namespace

HttpFace::HttpFace(LineQueue* queue, PanelLink* link, const QByteArray& password, QObject* parent)
    : QAbstractHttpServer(parent)
    , m_queue(queue)
    , m_link(link)
    , m_password(password)
    , m_pages(queue, link)
    , m_commands(commandListJson())
{
    initWebResources();
    // Its warnings of refused WebSockets would go to standard error
    // unbounded: the face logs what it refuses through the journal.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.httpserver.warning=false"));
    connect(this, &QAbstractHttpServer::newWebSocketConnection, this, &HttpFace::openPage);
}

void HttpFace::addRoute(QHttpServerRequest::Method method, const QString& path, Route route)
{
    m_routes.push_back({method, path, std::move(route)});
}

// A connection, unless its address has too many; its unanswered bytes and
// its idle time bounded.
bool HttpFace::admit(QTcpSocket* socket)
{
    const QHostAddress address = plainAddress(socket->peerAddress());
    int& mine = m_connections.byAddress[address];
    if (m_connections.total >= kMaxConnections || mine >= kMaxConnectionsPerAddress) {
        if (mine == 0)
            m_connections.byAddress.remove(address);
        noteAddress(addressName(address), QStringLiteral("web: refused: too many connections"));
        return false;
    }
    ++mine;
    ++m_connections.total;
    connect(socket, &QObject::destroyed, this, [this, address] {
        --m_connections.total;
        if (--m_connections.byAddress[address] <= 0)
            m_connections.byAddress.remove(address);
    });
    socket->setReadBufferSize(kMaxRequestBytes);
    auto* idle = new QTimer(socket);
    idle->setObjectName(QStringLiteral("idle"));
    idle->setSingleShot(true);
    connect(idle, &QTimer::timeout, socket, &QTcpSocket::abort);
    connect(socket, &QTcpSocket::readyRead, idle, qOverload<>(&QTimer::start));
    idle->start(kIdleMs);
    return true;
}

bool HttpFace::handleRequest(const QHttpServerRequest& request, QTcpSocket* socket)
{
    m_answered = false;
    if (isUpgrade(request))
        return upgrade(request, socket);
    const QString path = request.url().path();
    for (const OwnRoute& r : m_routes) {
        if (r.method == request.method() && r.path == path) {
            respond(request, socket, r.route(request));
            return true;
        }
    }
    const HttpReply reply = serve(request, socket);
    if (reply.status != 0)
        respond(request, socket, reply);
    return true;
}

void HttpFace::missingHandler(const QHttpServerRequest& request, QTcpSocket* socket)
{
    if (!m_answered)
        respond(request, socket, failure(404, QStringLiteral("not found")));
}

// The reply, or status 0 for one that follows from the line.
HttpReply HttpFace::serve(const QHttpServerRequest& request, QTcpSocket* socket)
{
    using Method = QHttpServerRequest::Method;
    const QString path = request.url().path();
    const bool post = request.method() == Method::Post;
    if (request.body().size() > kMaxBodyBytes)
        return failure(413, QStringLiteral("a request body is at most %1 bytes").arg(kMaxBodyBytes));
    if (post && !ownOrigin(request)) {
        noteAddress(addressName(request.remoteAddress()), QStringLiteral("web: refused: a request from another site"));
        return failure(403, QStringLiteral("a request from another site"));
    }
    for (const Asset& a : kAssets)
        if (path == QLatin1String(a.path) && request.method() == Method::Get)
            return {200, a.type, resource(QLatin1String(a.resource)), {}};
    if (path == QLatin1String("/") && request.method() == Method::Get)
        return session(request).isNull() ? loginPage(200, {})
                                         : HttpReply {200, kHtml, resource(QStringLiteral(":/web/index.html")), {}};
    if (path == QLatin1String("/login") && post)
        return login(request);
    if (path == QLatin1String("/logout") && post)
        return logout(request);
    if (path.startsWith(QLatin1String("/api/")))
        return api(request, socket);
    return failure(404, QStringLiteral("not found"));
}

HttpReply HttpFace::api(const QHttpServerRequest& request, QTcpSocket* socket)
{
    using Method = QHttpServerRequest::Method;
    const QString path = request.url().path();
    if (session(request).isNull())
        return failure(401, QStringLiteral("sign in first"));
    if (path == QLatin1String("/api/state") && request.method() == Method::Get)
        return json(200, QJsonDocument(stateJson(m_link->exchanges()->state(), m_pages.line())));
    if (path == QLatin1String("/api/commands") && request.method() == Method::Get)
        return json(200, QJsonDocument(m_commands));
    if (path == QLatin1String("/api/command") && request.method() == Method::Post)
        return command(request, socket);
    if (path == QLatin1String("/api/live"))
        return failure(400, QStringLiteral("/api/live is a WebSocket"));
    return failure(404, QStringLiteral("not found"));
}

HttpReply HttpFace::command(const QHttpServerRequest& request, QTcpSocket* socket)
{
    QJsonParseError parsed {};
    const QJsonDocument body = QJsonDocument::fromJson(request.body(), &parsed);
    const QJsonValue name = body.object().value(QLatin1String("name"));
    if (parsed.error != QJsonParseError::NoError || !body.isObject() || !name.isString())
        return failure(400, QStringLiteral("the body is a JSON object with the command's name: {\"name\":\"READ STATUS\"}"));
    const std::optional<Command> found = findCommand(name.toString());
    if (!found)
        return failure(404, QStringLiteral("no command named \"%1\"").arg(name.toString()),
            {{QStringLiteral("closest"), closestName(name.toString())}});
    const QByteArray line(found->text().data(), qsizetype(found->text().size()));
    const QString commandName = found->name();
    const bool queued = m_queue->ask(line, socket, [this, socket, commandName](const Exchange& e) {
        const Outcome o = outcomeOf(e, m_link->replyWindowMs());
        const HttpReply reply = json(200, QJsonDocument(outcomeJson(e.port, commandName, o)));
        socket->write(head(reply) + reply.body);
    });
    if (!queued)
        return failure(503, QStringLiteral("the line's queue is full"));
    return {0, {}, {}, {}};
}

HttpReply HttpFace::login(const QHttpServerRequest& request)
{
    const QHostAddress address = plainAddress(request.remoteAddress());
    if (m_password.isEmpty())
        return seeOther({});
    if (m_guard.isLocked(address))
        return loginPage(429, QStringLiteral("Too many wrong passwords from this address: try again in a minute."));
    if (!equalInConstantTime(formField(request.body(), QStringLiteral("password")), m_password)) {
        ++m_authenticationFailures;
        noteAddress(addressName(address), QStringLiteral("web: wrong password"));
        if (m_guard.fail(address))
            logLine(QStringLiteral("%1: %2 wrong web passwords in a row: refused for %3 s")
                        .arg(addressName(address))
                        .arg(LoginGuard::kMaxWrong)
                        .arg(LoginGuard::kLockoutMs / 1000));
        return loginPage(401, QStringLiteral("Wrong password."));
    }
    m_guard.pass(address);
    noteAddress(addressName(address), QStringLiteral("web: signed in"));
    QByteArray cookie = kCookieName.toByteArray() + '=' + m_sessions.open()
        + "; HttpOnly; SameSite=Strict; Path=/; Max-Age=" + QByteArray::number(kCookieSeconds);
    return seeOther(m_tls ? cookie + "; Secure" : cookie);
}

HttpReply HttpFace::logout(const QHttpServerRequest& request)
{
    const QByteArray id = session(request);
    if (!id.isEmpty()) {
        m_sessions.close(id);
        m_pages.closeSession(id);
    }
    return seeOther(kCookieName.toByteArray() + "=; HttpOnly; SameSite=Strict; Path=/; Max-Age=0" + (m_tls ? "; Secure" : ""));
}

HttpReply HttpFace::loginPage(int status, const QString& message) const
{
    QByteArray page = resource(QStringLiteral(":/web/login.html"));
    page.replace("<!--message-->", htmlEscaped(message).toUtf8());
    return {status, kHtml, page, {}};
}

// The request's session: its id, empty without a password, null without one.
QByteArray HttpFace::session(const QHttpServerRequest& request)
{
    if (m_password.isEmpty())
        return QByteArray("");
    for (const QByteArray& cookie : request.value("cookie").split(';')) {
        const QByteArray c = cookie.trimmed();
        if (c.startsWith(kCookieName.toByteArray() + '=')) {
            QByteArray id = c.mid(kCookieName.size() + 1);
            if (m_sessions.isOpen(id))
                return id;
        }
    }
    return {};
}

// No Origin (a program such as curl), or the bridge's own.
bool HttpFace::ownOrigin(const QHttpServerRequest& request) const
{
    const QByteArray origin = request.value("origin");
    if (origin.isEmpty())
        return true;
    const QByteArray host = request.value("host");
    return !host.isEmpty() && origin.compare((m_tls ? "https://" : "http://") + host, Qt::CaseInsensitive) == 0;
}

// A WebSocket opens on /api/live, from the bridge's own page, with a
// session; anything else is answered here and closed.
bool HttpFace::upgrade(const QHttpServerRequest& request, QTcpSocket* socket)
{
    const QHostAddress address = plainAddress(request.remoteAddress());
    HttpReply refusal;
    if (request.url().path() != QLatin1String("/api/live"))
        refusal = failure(404, QStringLiteral("not found"));
    else if (!ownOrigin(request)) {
        noteAddress(addressName(address), QStringLiteral("web: refused: a page of another site"));
        refusal = failure(403, QStringLiteral("a request from another site"));
    } else if (session(request).isNull())
        refusal = failure(401, QStringLiteral("sign in first"));
    else if (!m_pages.admits(address))
        refusal = failure(429, QStringLiteral("too many pages open"));
    if (refusal.status != 200) {
        respond(request, socket, refusal);
        return false;
    }
    delete socket->findChild<QTimer*>(QStringLiteral("idle"), Qt::FindDirectChildrenOnly); // a page may be quiet for long
    if (m_upgrading.size() >= kMaxConnections)
        m_upgrading.clear(); // those of handshakes that never ended
    m_upgrading.insert(peerKey(socket->peerAddress(), socket->peerPort()), session(request));
    return true;
}

void HttpFace::openPage()
{
    while (std::unique_ptr<QWebSocket> socket = nextPendingWebSocketConnection()) {
        const QByteArray id = m_upgrading.take(peerKey(socket->peerAddress(), socket->peerPort()));
        noteAddress(addressName(socket->peerAddress()), QStringLiteral("web: page opened"));
        m_pages.open(std::move(socket), id);
    }
}

void HttpFace::respond(const QHttpServerRequest&, QTcpSocket* socket, const HttpReply& reply)
{
    m_answered = true;
    socket->write(head(reply) + reply.body);
}

} // namespace runo
