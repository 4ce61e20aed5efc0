// SPDX-License-Identifier: MIT
#include "bridge/web/livepages.h"

#include "bridge/journal.h"
#include "commands/commandtable.h"
#include "link/mscomm.h"
#include "panel/vocabulary.h"

#include <QDateTime>
#include <QJsonDocument>

#include <algorithm>

namespace runo {

namespace {

QString text(const QJsonObject& message, const char* key) { return message.value(QLatin1String(key)).toString(); }

// What the pages are told of when it changes: the state without its times.
QJsonObject values(const ProjectorState& state)
{
    QJsonObject v = stateJson(state, LineState::Open);
    v.remove(QStringLiteral("read_at"));
    v.remove(QStringLiteral("line"));
    return v;
}

} // namespace

LivePages::LivePages(LineQueue* queue, PanelLink* link, QObject* parent)
    : QObject(parent)
    , m_queue(queue)
    , m_link(link)
{
    m_repeat.setSingleShot(true);
    m_repeat.setTimerType(Qt::PreciseTimer);
    connect(&m_repeat, &QTimer::timeout, this, &LivePages::repeat);
    m_silence.setSingleShot(true);
    m_silence.setInterval(kSilenceMs);
    connect(&m_silence, &QTimer::timeout, this, &LivePages::endHold);
    connect(link->exchanges(), &ExchangeWatch::ended, this, &LivePages::announce);
    connect(link, &PanelLink::lineFailed, this, [this] {
        m_lost = true;
        announceLine();
    });
    m_lastValues = values(link->exchanges()->state());
}

LivePages::~LivePages()
{
    for (const Page& p : m_pages) {
        p.socket->disconnect(this);
        delete p.socket;
    }
}

LineState LivePages::line() const
{
    if (m_lost)
        return LineState::Lost;
    return m_link->panel()->port()->portOpen() ? LineState::Open : LineState::Closed;
}

bool LivePages::admits(const QHostAddress& address) const
{
    const auto same = std::count_if(m_pages.begin(), m_pages.end(), [&](const Page& p) { return p.address == address; });
    return count() < kMaxPages && same < kMaxPagesPerAddress;
}

void LivePages::open(std::unique_ptr<QWebSocket> owned, const QByteArray& session)
{
    if (m_pages.empty())
        m_lastLine = line(); // the line opened with the bridge, before any page
    QWebSocket* socket = owned.release();
    socket->setParent(this);
    socket->setMaxAllowedIncomingMessageSize(kMaxMessageBytes);
    socket->setMaxAllowedIncomingFrameSize(kMaxMessageBytes);
    m_pages.push_back({socket, plainAddress(socket->peerAddress()), session});
    connect(socket, &QWebSocket::textMessageReceived, this, [this, socket](const QString& m) { take(socket, m); });
    connect(socket, &QWebSocket::binaryMessageReceived, socket,
        [socket] { socket->close(QWebSocketProtocol::CloseCodeDatatypeNotSupported); });
    // From the event loop: a page may go while the pages are being gone through.
    connect(
        socket, &QWebSocket::disconnected, this, [this, socket] { closed(socket); }, Qt::QueuedConnection);
    send(socket,
        {{QStringLiteral("type"), QStringLiteral("hello")},
            {QStringLiteral("state"), stateJson(m_link->exchanges()->state(), line())}, {QStringLiteral("holding"), holding()}});
}

void LivePages::closeSession(const QByteArray& session)
{
    std::vector<QWebSocket*> ending; // a close may end a page at once, and with it its row
    for (const Page& p : m_pages)
        if (p.session == session)
            ending.push_back(p.socket);
    for (QWebSocket* socket : ending)
        socket->close(QWebSocketProtocol::CloseCodePolicyViolated, QStringLiteral("signed out"));
}

void LivePages::take(QWebSocket* socket, const QString& message)
{
    if (socket == m_holder)
        m_silence.start(); // any message keeps the hold
    const QJsonObject m = QJsonDocument::fromJson(message.toUtf8()).object();
    const QString type = text(m, "type");
    if (type == QLatin1String("press"))
        press(socket, text(m, "name"));
    else if (type == QLatin1String("release") && socket == m_holder)
        endHold();
}

void LivePages::press(QWebSocket* socket, const QString& name)
{
    const std::optional<Command> command = findCommand(name);
    if (!command)
        return refuse(socket, name, QStringLiteral("no command of that name"));
    if (holding())
        return refuse(socket, command->name(),
            socket == m_holder ? QStringLiteral("this page holds a button already")
                               : QStringLiteral("another page holds a button"));
    if (command->hold)
        return startHold(socket, *command->hold);
    const QByteArray line(command->text().data(), qsizetype(command->text().size()));
    if (!m_queue->ask(line, socket, [](const Exchange&) {}))
        refuse(socket, command->name(), QStringLiteral("the line's queue is full"));
}

void LivePages::startHold(QWebSocket* socket, const HoldButton& button)
{
    m_hold = Hold::Holding;
    m_holder = socket;
    m_held = &button;
    m_silence.start();
    m_nextLineMs = -1; // timed from the first line's exchange
    sendHold();
    repeat();
}

// The hold's next line, unless its last one still waits for the line; the
// one after it at the panel's repeat interval from the first line's send.
void LivePages::repeat()
{
    if (!holding() || m_holdLineWaiting)
        return;
    m_holdLineWaiting = true;
    const QByteArray line(m_held->text.data(), qsizetype(m_held->text.size()));
    const bool queued = m_queue->ask(line, &m_holdLines, [this](const Exchange& e) {
        m_holdLineWaiting = false;
        if (!holding())
            return;
        if (m_nextLineMs < 0) {
            m_holdClock.start();
            m_nextLineMs = m_link->repeatMs() - e.time.msecsTo(QDateTime::currentDateTime());
        }
        m_repeat.start(int(std::max<qint64>(0, m_nextLineMs - m_holdClock.elapsed())));
        m_nextLineMs += m_link->repeatMs();
    });
    if (!queued) {
        m_holdLineWaiting = false;
        refuse(m_holder, QUtf8StringView(m_held->name).toString(), QStringLiteral("the line's queue is full"));
        endHold();
    }
}

void LivePages::endHold()
{
    if (!holding())
        return;
    m_hold = Hold::Idle;
    m_repeat.stop();
    m_silence.stop();
    m_queue->withdraw(&m_holdLines); // a line of it still waiting never goes out
    m_holdLineWaiting = false;
    m_holder = nullptr;
    m_held = nullptr;
    sendHold();
}

void LivePages::closed(QWebSocket* socket)
{
    if (socket == m_holder)
        endHold();
    std::erase_if(m_pages, [socket](const Page& p) { return p.socket == socket; });
    socket->deleteLater();
}

void LivePages::announce(const Exchange& e)
{
    if (e.result != Exchange::Result::Refused && e.result != Exchange::Result::Lost)
        m_lost = false;
    QJsonObject message = exchangeJson(e);
    QJsonObject state = stateJson(m_link->exchanges()->state(), line());
    if (const QJsonObject now = values(m_link->exchanges()->state()); now != m_lastValues) {
        message.insert(QStringLiteral("state"), state);
        m_lastValues = now;
    }
    sendAll(message);
    announceLine();
}

void LivePages::announceLine()
{
    const LineState now = line();
    if (now == m_lastLine)
        return;
    m_lastLine = now;
    sendAll({{QStringLiteral("type"), QStringLiteral("line")}, {QStringLiteral("line"), lineStateName(now)}});
}

QJsonObject LivePages::holdJson(const QWebSocket* socket) const
{
    return {{QStringLiteral("type"), QStringLiteral("hold")}, {QStringLiteral("holding"), holding()},
        {QStringLiteral("mine"), socket != nullptr && socket == m_holder}};
}

void LivePages::send(QWebSocket* socket, const QJsonObject& message)
{
    sendText(socket, QString::fromUtf8(QJsonDocument(message).toJson(QJsonDocument::Compact)));
}

void LivePages::sendText(QWebSocket* socket, const QString& message)
{
    if (socket->bytesToWrite() > kMaxUnsentBytes) {
        // A page that reads nothing costs no more memory; closed from the
        // event loop, as the pages may be being gone through now.
        QMetaObject::invokeMethod(socket, &QWebSocket::abort, Qt::QueuedConnection);
        return;
    }
    socket->sendTextMessage(message);
}

void LivePages::sendAll(const QJsonObject& message)
{
    const QString text = QString::fromUtf8(QJsonDocument(message).toJson(QJsonDocument::Compact));
    for (const Page& p : m_pages)
        sendText(p.socket, text);
}

void LivePages::sendHold()
{
    for (const Page& p : m_pages)
        send(p.socket, holdJson(p.socket));
}

void LivePages::refuse(QWebSocket* socket, const QString& name, const QString& message)
{
    send(socket,
        {{QStringLiteral("type"), QStringLiteral("refused")}, {QStringLiteral("name"), name},
            {QStringLiteral("message"), message}});
}

} // namespace runo
