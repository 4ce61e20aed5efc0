// SPDX-License-Identifier: MIT
#include "panel/listing.h"

#include "commands/commandtable.h"
#include "link/mscomm.h"
#include "panel/panel.h"
#include "panel/vocabulary.h"

#include <QJsonArray>
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

// One command of the list; an empty or zero field is absent.
struct Row {
    QString name;
    QString group;
    QString text;
    int replyMs = 0;
    int repeatMs = 0; // holds only
    QString ascii; // where the name is not plain ASCII
};

QString ms(int value) { return value > 0 ? QStringLiteral("%1 ms").arg(value) : QString(); }

QString columns(const QList<Row>& rows)
{
    QList<QStringList> cells {{QStringLiteral("NAME"), QStringLiteral("GROUP"), QStringLiteral("TEXT"), QStringLiteral("REPLY"),
        QStringLiteral("REPEAT"), QStringLiteral("ASCII")}};
    for (const Row& r : rows)
        cells.append({r.name, r.group.isEmpty() ? QStringLiteral("-") : r.group, r.text, ms(r.replyMs), ms(r.repeatMs), r.ascii});
    QList<qsizetype> widths(cells.first().size(), 0);
    for (const QStringList& row : cells)
        for (qsizetype i = 0; i < row.size(); ++i)
            widths[i] = std::max(widths[i], row[i].size());
    QString out;
    for (const QStringList& row : cells) {
        QString line;
        for (qsizetype i = 0; i < row.size(); ++i)
            line += row[i].leftJustified(widths[i] + 2);
        out += line.trimmed() + QLatin1Char('\n');
    }
    return out;
}

QJsonObject rowJson(const Row& r)
{
    const auto text = [](const QString& v) { return v.isEmpty() ? QJsonValue() : QJsonValue(v); };
    const auto number = [](int v) { return v > 0 ? QJsonValue(v) : QJsonValue(); };
    return {{QStringLiteral("name"), r.name}, {QStringLiteral("group"), text(r.group)}, {QStringLiteral("text"), r.text},
        {QStringLiteral("reply_ms"), number(r.replyMs)}, {QStringLiteral("repeat_ms"), number(r.repeatMs)},
        {QStringLiteral("ascii"), text(r.ascii)}};
}

QList<Row> allRows()
{
    QList<Row> rows;
    for (const Command& c : allCommands()) {
        const std::string_view name = c.button ? c.button->name : c.hold->name;
        const std::string_view group = c.button ? c.button->group : c.hold->group;
        const QString ascii = asciiSpelling(name);
        const Timing t = timingAtStart(c);
        rows.append({c.name(), QUtf8StringView(group).toString(), QUtf8StringView(c.text()).toString(), t.replyMs, t.repeatMs,
            ascii == c.name() ? QString() : ascii});
    }
    rows.append({QStringLiteral("send TEXT"), QString(), QStringLiteral("TEXT"), freeCommandReplyMs(), 0, QString()});
    return rows;
}

} // namespace

QString commandList(bool json)
{
    const QList<Row> rows = allRows();
    if (!json)
        return columns(rows);
    // One object a line; absent values are null.
    QString out;
    for (const Row& r : rows)
        out += QString::fromUtf8(QJsonDocument(rowJson(r)).toJson(QJsonDocument::Compact)) + QLatin1Char('\n');
    return out;
}

QJsonArray commandListJson()
{
    QJsonArray array;
    for (const Row& r : allRows())
        array.append(rowJson(r));
    return array;
}

} // namespace runo
