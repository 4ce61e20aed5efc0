// SPDX-License-Identifier: MIT
#include "cli/report.h"

#include "link/quoted.h"

#include <QCoreApplication>
#include <QJsonDocument>

namespace runo {

namespace {

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

QString withPort(const Target& target, const QString& line, bool prefix)
{
    return (prefix ? quotedControls(target.label) + QStringLiteral(": ") : QString()) + line + QLatin1Char('\n');
}

} // namespace

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
        r.out = QString::fromUtf8(QJsonDocument(outcomeJson(target.label, name, o)).toJson(QJsonDocument::Compact))
            + QLatin1Char('\n');
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
