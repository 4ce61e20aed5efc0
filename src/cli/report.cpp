// SPDX-License-Identifier: MIT
#include "cli/report.h"

#include "link/quoted.h"
#include "traffic/projectorstate.h"
#include "traffic/traffictext.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

namespace runo {

namespace {

constexpr char kAck = 0x06;
// The lines' text starts in column 8, after a blank column 7: the panel's
// lines mostly begin with a blank of their own ("TXD" + " C R 0 CR "), a
// pressure reading does not ("STATUS" + "650 hPa").
constexpr int kCaptionWidth = 7;

struct Caption {
    const char* text;
    QString Outcome::*line;
};

constexpr Caption kCaptions[] = {
    {"TXD", &Outcome::transmitLine},
    {"RXD", &Outcome::receiveLine},
    {"STATUS", &Outcome::statusLine},
};

qsizetype commonPrefix(const QString& a, const QString& b)
{
    qsizetype n = 0;
    while (n < a.size() && n < b.size() && a[n] == b[n])
        ++n;
    return n;
}

QString withPort(const Target& target, const QString& line, bool prefix)
{
    return (prefix ? quotedControls(target.label) + QStringLiteral(": ") : QString()) + line + QLatin1Char('\n');
}

QString replyText(const Outcome& o)
{
    if (o.received.isEmpty())
        return {};
    if (!o.statusLine.isEmpty())
        return plainStatus(o.statusLine, o.receiveLine, o.received);
    return plainText(o.received);
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

QString json(const Target& target, const QString& name, const Outcome& o)
{
    QJsonObject object {
        {QStringLiteral("port"), target.label},
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
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)) + QLatin1Char('\n');
}

} // namespace

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

Report describe(const Target& target, const QString& name, const Outcome& o, Format format, bool prefix)
{
    Report r;
    if (o.result == Outcome::Result::PortError)
        r.err = QStringLiteral("runoctl: %1\n").arg(o.error);
    else if (o.result == Outcome::Result::Interrupted)
        r.err = QCoreApplication::translate("runoctl", "runoctl: %1: ended by a signal\n").arg(quotedControls(target.label));
    if (o.dropped > 0)
        r.err += QCoreApplication::translate("runoctl", "runoctl: %1: %2 bytes received past the first %3 were not kept\n")
                     .arg(quotedControls(target.label))
                     .arg(o.dropped)
                     .arg(kKeptBytes);
    if (format == Format::Json) {
        r.out = json(target, name, o);
        return r;
    }
    // A failure or a signal keeps what came before it.
    const bool cutShort = o.result == Outcome::Result::PortError || o.result == Outcome::Result::Interrupted;
    if (cutShort && o.received.isEmpty())
        return r;
    if (format == Format::Verbose) {
        for (const Caption& c : kCaptions) {
            const QString& line = o.*c.line;
            r.out += withPort(target,
                QStringLiteral("%1").arg(QLatin1String(c.text), -kCaptionWidth) + (line.startsWith(u' ') ? line.mid(1) : line),
                prefix);
        }
    } else if (o.result != Outcome::Result::NoReply) {
        r.out = withPort(target, replyText(o), prefix);
    } else {
        r.err = QCoreApplication::translate("runoctl", "runoctl: %1: no reply within %2 ms\n")
                    .arg(quotedControls(target.label))
                    .arg(o.replyWindowMs);
    }
    return r;
}

} // namespace runo
