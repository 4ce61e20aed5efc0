// SPDX-License-Identifier: MIT
#include "cli/listing.h"

#include "cli/vocabulary.h"
#include "commands/commandtable.h"
#include "link/mscomm.h"
#include "panel/panel.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QStringList>

namespace runo {

namespace {

// A port that never opens: a Panel on it sets its timers for a command and
// sends nothing.
class ClosedPort : public MSComm {
public:
    bool setCommPort(int) override { return true; }
    int commPort() const override { return 1; }
    bool setSettings(const QString&) override { return true; }
    QString settings() const override { return {}; }
    bool setPortOpen(bool open) override { return !open; }
    bool portOpen() const override { return false; }
    bool output(const QByteArray&) override { return false; }
    QByteArray input() override { return {}; }
    int commEvent() const override { return 0; }
};

struct Timing {
    int replyMs = 0;
    int repeatMs = 0; // holds only
};

// The reply window (and a hold's repeat) right after the command goes out
// from a panel fresh from start.
Timing timingAtStart(const Command& command)
{
    ClosedPort port;
    Panel panel(&port);
    if (!command.hold) {
        panel.clickCommand(*command.button);
        return {panel.replyTimer().interval(), 0};
    }
    panel.pressHold(*command.hold);
    const Timing t {panel.replyTimer().interval(), panel.repeatTimer().interval()};
    panel.releaseHold(*command.hold);
    return t;
}

int freeCommandReplyMs()
{
    ClosedPort port;
    Panel panel(&port);
    panel.sendFreeCommand(QString());
    return panel.replyTimer().interval();
}

QString ms(int value) { return value > 0 ? QStringLiteral("%1 ms").arg(value) : QString(); }

QString columns(const QList<QStringList>& rows)
{
    QList<qsizetype> widths;
    for (const QStringList& row : rows) {
        for (qsizetype i = 0; i < row.size(); ++i) {
            if (widths.size() <= i)
                widths.append(0);
            widths[i] = std::max(widths[i], row[i].size());
        }
    }
    QString out;
    for (const QStringList& row : rows) {
        QString line;
        for (qsizetype i = 0; i < row.size(); ++i)
            line += row[i].leftJustified(widths[i] + 2);
        out += line.trimmed() + QLatin1Char('\n');
    }
    return out;
}

// One object a line; absent values are null.
QString jsonLines(const QList<QStringList>& rows)
{
    QString out;
    const QStringList keys {QStringLiteral("name"), QStringLiteral("group"), QStringLiteral("text"), QStringLiteral("reply_ms"),
        QStringLiteral("repeat_ms"), QStringLiteral("ascii")};
    for (const QStringList& row : rows.mid(1)) {
        QJsonObject o;
        for (qsizetype i = 0; i < keys.size(); ++i) {
            const QString value = i < row.size() ? row[i] : QString();
            if (value.isEmpty() || value == QLatin1String("-"))
                o.insert(keys[i], QJsonValue::Null);
            else if (keys[i].endsWith(QLatin1String("_ms")))
                o.insert(keys[i], value.section(QLatin1Char(' '), 0, 0).toInt());
            else
                o.insert(keys[i], value);
        }
        out += QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact)) + QLatin1Char('\n');
    }
    return out;
}

} // namespace

QString commandList(bool json)
{
    QList<QStringList> rows {{QStringLiteral("NAME"), QStringLiteral("GROUP"), QStringLiteral("TEXT"), QStringLiteral("REPLY"),
        QStringLiteral("REPEAT"), QStringLiteral("ASCII")}};
    for (const Command& c : allCommands()) {
        const std::string_view name = c.button ? c.button->name : c.hold->name;
        const std::string_view group = c.button ? c.button->group : c.hold->group;
        const QString ascii = asciiSpelling(name);
        const Timing t = timingAtStart(c);
        rows.append({c.name(), group.empty() ? QStringLiteral("-") : QUtf8StringView(group).toString(),
            QUtf8StringView(c.text()).toString(), ms(t.replyMs), ms(t.repeatMs), ascii == c.name() ? QString() : ascii});
    }
    rows.append({QStringLiteral("send TEXT"), QStringLiteral("-"), QStringLiteral("TEXT"), ms(freeCommandReplyMs())});
    return json ? jsonLines(rows) : columns(rows);
}

} // namespace runo
