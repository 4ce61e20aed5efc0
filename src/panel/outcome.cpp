// SPDX-License-Identifier: MIT
#include "panel/outcome.h"

#include "traffic/projectorstate.h"
#include "traffic/traffictext.h"

#include <QStringList>

#include <algorithm>

namespace runo {

namespace {

constexpr char kAck = 0x06;

qsizetype commonPrefix(const QString& a, const QString& b)
{
    qsizetype n = 0;
    while (n < a.size() && n < b.size() && a[n] == b[n])
        ++n;
    return n;
}

QString resultName(Outcome::Result r)
{
    switch (r) {
    case Outcome::Result::Reply: return QStringLiteral("reply");
    case Outcome::Result::NoReply: return QStringLiteral("no reply");
    case Outcome::Result::PortError: return QStringLiteral("port error");
    case Outcome::Result::Interrupted: return QStringLiteral("interrupted");
    }
    return {};
}

} // namespace

Outcome outcomeOf(const Exchange& e, int replyWindowMs)
{
    Outcome o;
    switch (e.result) {
    case Exchange::Result::Reply: o.result = Outcome::Result::Reply; break;
    case Exchange::Result::NoReply:
    case Exchange::Result::CutShort: o.result = Outcome::Result::NoReply; break;
    case Exchange::Result::Refused:
    case Exchange::Result::Lost:
        o.result = Outcome::Result::PortError;
        o.error = e.reason;
        break;
    }
    o.sent = e.sent;
    o.lines = e.result == Exchange::Result::Refused ? 0 : 1;
    o.received = e.received;
    o.dropped = e.dropped;
    o.replyWindowMs = replyWindowMs;
    o.transmitLine = e.transmitLine;
    o.receiveLine = e.receiveLine;
    o.statusLine = e.statusLine;
    o.reading = e.reading;
    return o;
}

ExitStatus exitStatus(const Outcome& outcome)
{
    switch (outcome.result) {
    case Outcome::Result::Reply: return ExitStatus::Success;
    case Outcome::Result::NoReply: return ExitStatus::NoReply;
    case Outcome::Result::PortError: return ExitStatus::PortError;
    case Outcome::Result::Interrupted: return ExitStatus::Interrupted;
    }
    return ExitStatus::PortError;
}

QString plainText(QByteArrayView bytes)
{
    QStringList words {QString()};
    for (const char c : bytes) {
        if (c == kAck)
            words << QStringLiteral("ACK") << QString();
        else if (c >= ' ' && c <= '~')
            words.last() += QLatin1Char(c);
        else if (c != '\r' && c != '\n')
            words.last() += QLatin1Char('?');
    }
    words.removeAll(QString());
    return words.join(QLatin1Char(' '));
}

QString plainStatus(const QString& status, const QString& receiveLine, QByteArrayView received)
{
    // The reply's bytes whose traffic text lies wholly in what the status
    // quotes of the receive line, after the leading space.
    const qsizetype quoted = commonPrefix(status, receiveLine);
    qsizetype bytes = 0;
    qsizetype width = std::min<qsizetype>(quoted, 1);
    while (bytes < received.size()) {
        const qsizetype w = trafficText(received.sliced(bytes, 1)).size() - 1;
        if (width + w > quoted)
            break;
        width += w;
        ++bytes;
    }
    const QString reply = plainText(received.first(bytes));
    const QString rest = status.mid(width).trimmed();
    if (reply.isEmpty() || rest.isEmpty())
        return reply + rest;
    return reply + QLatin1Char(' ') + rest;
}

QString replyText(const Outcome& o)
{
    if (o.received.isEmpty())
        return {};
    if (!o.statusLine.isEmpty())
        return plainStatus(o.statusLine, o.receiveLine, o.received);
    return plainText(o.received);
}

QJsonObject outcomeJson(const QString& port, const QString& name, const Outcome& o)
{
    QJsonObject object {
        {QStringLiteral("port"), port},
        {QStringLiteral("command"), name},
        {QStringLiteral("result"), resultName(o.result)},
        {QStringLiteral("exit"), exitCode(exitStatus(o))},
    };
    if (o.result == Outcome::Result::PortError)
        object.insert(QStringLiteral("error"), o.error);
    // What went out and came back, also before a failure or a signal; bytes
    // as Latin-1 characters, so every byte survives as one character.
    if (o.result != Outcome::Result::PortError || o.lines > 0) {
        object.insert(QStringLiteral("sent"), QString::fromLatin1(o.sent));
        object.insert(QStringLiteral("lines"), o.lines);
        object.insert(QStringLiteral("received"), QString::fromLatin1(o.received));
        object.insert(QStringLiteral("reply_window_ms"), o.replyWindowMs);
        object.insert(QStringLiteral("txd"), o.transmitLine);
        object.insert(QStringLiteral("rxd"), o.receiveLine);
        object.insert(QStringLiteral("status"), o.statusLine);
        object.insert(QStringLiteral("text"), replyText(o));
    }
    if (o.dropped > 0)
        object.insert(QStringLiteral("dropped"), o.dropped);
    if (const QJsonObject state = o.reading ? readingJson(*o.reading) : QJsonObject(); !state.isEmpty())
        object.insert(QStringLiteral("state"), state);
    return object;
}

} // namespace runo
