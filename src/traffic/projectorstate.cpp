// SPDX-License-Identifier: MIT
#include "traffic/projectorstate.h"

#include <QJsonArray>

#include <string_view>

namespace runo {

namespace {

constexpr std::string_view kOperatingStateNames[] = {
    "on",
    "standby",
    "countdown",
    "cooling",
    "power_fail",
    "temperature_warning",
    "no_key_input",
    "lamp_off_power_management",
    "temperature_warning_cooling",
    "lamp_off_temperature_warning",
    "temperature_warning_recovered",
    "cooling_lamp_fail",
    "standby_lamp_fail",
};
static_assert(std::size(kOperatingStateNames) == kOperatingStateCount);

constexpr std::string_view kReversalNames[] = {"none", "top_bottom", "left_right", "both"};
constexpr std::string_view kMuteNames[] = {"off", "video", "audio", "video_audio", "no_signal", "standby"};
constexpr std::string_view kLampModeNames[] = {"off", "on", "two_lamps_no2_on", "two_lamps_both_on", "one_lamp_no1_off",
    "one_lamp_no1_on", "one_lamp_no2_off", "one_lamp_no2_on"};

QString nameIn(std::span<const std::string_view> names, int index) { return QString::fromLatin1(names[size_t(index)]); }

template <class T> bool keep(std::optional<ProjectorState::Known<T>>& field, const T& value, const QDateTime& at)
{
    const bool changed = !field || !(field->value == value);
    field = ProjectorState::Known<T> {value, at};
    return changed;
}

// What each kind of reading gives the state.
struct Take {
    ProjectorState& s;
    const QDateTime& at;
    bool operator()(OperatingState v) const { return keep(s.operating, v, at); }
    bool operator()(InputMode v) const { return keep(s.inputMode, v.number, at); }
    bool operator()(const LampTime& v) const { return v.hours && keep(s.lampHours, *v.hours, at); }
    bool operator()(ImageReversal v) const { return keep(s.reversal, v, at); }
    bool operator()(const Temperatures& v) const { return keep(s.temperatures, v.celsius, at); }
    bool operator()(MuteSignal v) const { return keep(s.mute, v, at); }
    bool operator()(const DeviceText& v) const { return v.text && keep(s.model, *v.text, at); }
    bool operator()(Pressure v) const { return keep(s.pressureHpa, v.hpa, at); }
    bool operator()(LampMode v) const { return keep(s.lampMode, v, at); }
};

QJsonValue orNull(const std::optional<double>& v) { return v ? QJsonValue(*v) : QJsonValue(QJsonValue::Null); }

// The JSON fields of each kind of reading.
struct Fields {
    QJsonObject operator()(OperatingState v) const { return {{QStringLiteral("power"), operatingStateName(v)}}; }
    QJsonObject operator()(InputMode v) const { return {{QStringLiteral("input"), v.number}}; }
    QJsonObject operator()(const LampTime& v) const
    {
        return {{QStringLiteral("lamp_hours"), v.hours ? QJsonValue(*v.hours) : QJsonValue(QJsonValue::Null)}};
    }
    QJsonObject operator()(ImageReversal v) const { return {{QStringLiteral("reversal"), nameIn(kReversalNames, int(v))}}; }
    QJsonObject operator()(const Temperatures& v) const
    {
        QJsonArray sensors;
        for (const auto& c : v.celsius)
            sensors.append(orNull(c));
        return {{QStringLiteral("temperatures"), sensors}};
    }
    QJsonObject operator()(MuteSignal v) const { return {{QStringLiteral("mute"), muteName(v)}}; }
    QJsonObject operator()(const DeviceText& v) const
    {
        return {{QStringLiteral("model"), v.text ? QJsonValue(QString::fromLatin1(*v.text)) : QJsonValue(QJsonValue::Null)}};
    }
    QJsonObject operator()(Pressure v) const { return {{QStringLiteral("pressure_hpa"), v.hpa}}; }
    QJsonObject operator()(LampMode v) const { return {{QStringLiteral("lamp_mode"), nameIn(kLampModeNames, int(v))}}; }
};

} // namespace

bool ProjectorState::take(const Reading& reading, const QDateTime& at)
{
    return reading.whole && std::visit(Take {*this, at}, reading.value);
}

QString operatingStateName(OperatingState state) { return nameIn(kOperatingStateNames, int(state)); }

QString muteName(MuteSignal mute) { return nameIn(kMuteNames, int(mute)); }

QJsonObject readingJson(const Reading& reading)
{
    if (!reading.whole)
        return {};
    return std::visit(Fields {}, reading.value);
}

} // namespace runo
