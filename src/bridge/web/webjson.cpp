// SPDX-License-Identifier: MIT
#include "bridge/web/webjson.h"

#include "commands/commandtable.h"
#include "panel/vocabulary.h"
#include "traffic/reading.h"

#include <QJsonArray>

#include <algorithm>
#include <climits>
#include <string_view>
#include <vector>

namespace runo {

namespace {

constexpr QLatin1StringView kLineNames[] = {QLatin1StringView("open"), QLatin1StringView("closed"), QLatin1StringView("lost")};

template <class T> QJsonValue timeOf(const std::optional<ProjectorState::Known<T>>& field)
{
    return field ? QJsonValue(field->at.toUTC().toString(Qt::ISODateWithMs)) : QJsonValue();
}

template <class T, class F> QJsonValue valueOf(const std::optional<ProjectorState::Known<T>>& field, F json)
{
    return field ? json(field->value) : QJsonValue();
}

QJsonValue temperatures(const ProjectorState::Celsius& celsius)
{
    QJsonArray sensors;
    for (const std::optional<double>& c : celsius)
        sensors.append(c ? QJsonValue(*c) : QJsonValue());
    return sensors;
}

int editDistance(const QString& a, const QString& b)
{
    std::vector<int> row(size_t(b.size()) + 1);
    for (size_t j = 0; j < row.size(); ++j)
        row[j] = int(j);
    for (qsizetype i = 1; i <= a.size(); ++i) {
        int diagonal = row[0];
        row[0] = int(i);
        for (qsizetype j = 1; j <= b.size(); ++j) {
            const int above = row[size_t(j)];
            row[size_t(j)] = std::min({above + 1, row[size_t(j) - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row.back();
}

} // namespace

QString lineStateName(LineState line) { return kLineNames[size_t(line)]; }

QJsonObject stateJson(const ProjectorState& s, LineState line)
{
    const auto status = [](OperatingState v) { return statusText(v).mid(1); };
    const QJsonObject readAt {{QStringLiteral("power"), timeOf(s.operating)}, {QStringLiteral("status"), timeOf(s.operating)},
        {QStringLiteral("lamp_hours"), timeOf(s.lampHours)}, {QStringLiteral("input"), timeOf(s.inputMode)},
        {QStringLiteral("mute"), timeOf(s.mute)}, {QStringLiteral("temperatures"), timeOf(s.temperatures)}};
    return {
        {QStringLiteral("power"), valueOf(s.operating, [](OperatingState v) { return QJsonValue(operatingStateName(v)); })},
        {QStringLiteral("status"), valueOf(s.operating, [&](OperatingState v) { return QJsonValue(status(v)); })},
        {QStringLiteral("lamp_hours"), valueOf(s.lampHours, [](int v) { return QJsonValue(v); })},
        {QStringLiteral("input"), valueOf(s.inputMode, [](int v) { return QJsonValue(v); })},
        {QStringLiteral("mute"), valueOf(s.mute, [](MuteSignal v) { return QJsonValue(muteName(v)); })},
        {QStringLiteral("temperatures"), valueOf(s.temperatures, temperatures)},
        {QStringLiteral("line"), lineStateName(line)},
        {QStringLiteral("read_at"), readAt},
    };
}

QJsonObject exchangeJson(const Exchange& e)
{
    const QByteArray line = e.sent.endsWith('\r') ? e.sent.chopped(1) : e.sent;
    const std::optional<CommandRef> command = commandWithText(std::string_view(line.constData(), size_t(line.size())));
    return {
        {QStringLiteral("type"), QStringLiteral("exchange")},
        {QStringLiteral("name"), command ? QJsonValue(QUtf8StringView(command->name()).toString()) : QJsonValue()},
        {QStringLiteral("txd"), e.transmitLine},
        {QStringLiteral("rxd"), e.receiveLine},
        {QStringLiteral("status"), e.statusLine},
        {QStringLiteral("result"), exchangeResultName(e.result)},
    };
}

QString closestName(const QString& asked)
{
    QString best;
    int bestDistance = INT_MAX;
    for (const Command& c : allCommands()) {
        const int d = editDistance(asked.toUpper(), c.name().toUpper());
        if (d < bestDistance) {
            best = c.name();
            bestDistance = d;
        }
    }
    return best;
}

} // namespace runo
