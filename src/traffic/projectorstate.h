// SPDX-License-Identifier: MIT
// What the programs know of the projector: the last whole reading of each
// read, with when it was read. A value no read has given is absent, never 0.
//   take({OperatingState::Standby, whole}, 14:53:42)  operating = Standby, at 14:53:42
//   take({LampTime {hours 1234}, whole}, ...)         lampHours = 1234
//   take({OperatingState::On, not whole}, ...)        nothing changes
// As JSON, in the names runoctl and the bridge's faces share:
//   {"power":"standby","lamp_hours":1234,"temperatures":[25.0,38.5,null,45.5],...}
#pragma once

#include "traffic/reading.h"

#include <QDateTime>
#include <QJsonObject>
#include <QString>

#include <array>
#include <optional>

namespace runo {

struct ProjectorState {
    template <class T> struct Known {
        T value;
        QDateTime at; // when it was read
    };
    using Celsius = std::array<std::optional<double>, kTemperatureSensors>;

    std::optional<Known<OperatingState>> operating;
    std::optional<Known<int>> inputMode;
    std::optional<Known<int>> lampHours;
    std::optional<Known<ImageReversal>> reversal;
    std::optional<Known<Celsius>> temperatures; // each sensor absent when it read nothing
    std::optional<Known<MuteSignal>> mute;
    std::optional<Known<QByteArray>> model; // the device's own text
    std::optional<Known<int>> pressureHpa;
    std::optional<Known<LampMode>> lampMode;

    // Takes what a whole reading tells; one that is not whole changes
    // nothing. Returns whether a value changed (a read that tells the same
    // again only moves its time).
    bool take(const Reading& reading, const QDateTime& at);
};

// The names of the values, as JSON and the faces write them.
//   OperatingState::Standby "standby", On "on", CountDown "countdown", CoolingDown "cooling"
QString operatingStateName(OperatingState state);
QString muteName(MuteSignal mute);

// {"power":"standby"}, {"lamp_hours":1234}, {"model":"VM70 SIM 1.00"}, ...:
// the fields a reading tells; empty for a reading that is not whole.
QJsonObject readingJson(const Reading& reading);

} // namespace runo
