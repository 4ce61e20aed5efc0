// SPDX-License-Identifier: MIT
// What a read tells, as values: the nine decoders turn a receive line into a
// Reading, and the status line's text is rendered from it. Programs read
// these values, never the status line's words.
//   READ STATUS  " 8 0 CR "                -> OperatingState::Standby, whole   -> " Stand by"
//   READ STATUS  " 8 0 X "                 -> OperatingState::Standby, not whole (the status line shows it all the same)
//   READ L-TIME  " 0 1 2 3 4 CR "          -> LampTime {hours 1234}, whole    -> " 0 1 2 3 4 CR  Hour Use"
//   READ TEMP    " 0 2 5 . 0     3 8 . 5 ..." -> Temperatures {25.0, 38.5, ...}
#pragma once

#include "commands/commandtable.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <variant>

namespace runo {

// READ STATUS: the projector's operating state, a row of its status table each.
enum class OperatingState : std::uint8_t {
    On,
    Standby,
    CountDown,
    CoolingDown,
    PowerFail,
    TemperatureWarning, // on, with a temperature warning
    NoKeyInput,
    LampOffByPowerManagement,
    TemperatureWarningCoolingDown,
    LampOffTemperatureWarning, // lamp off by power management, with a temperature warning
    TemperatureWarningRecovered, // in stand-by after a temperature warning
    CoolingDownLampFail, // cooling down, every lamp failed
    StandbyLampFail, // cooling down and then stand-by, every lamp failed
};
inline constexpr int kOperatingStateCount = int(OperatingState::StandbyLampFail) + 1;

// READ SETTING: how the picture is turned.
enum class ImageReversal : std::uint8_t { None, TopBottom, LeftRight, Both };

// The mute and signal read (CRA).
enum class MuteSignal : std::uint8_t { Off, Video, Audio, VideoAndAudio, NoSignal, Standby };

// READ L-MODE: which lamps are lit, in one- or two-lamp mode.
enum class LampMode : std::uint8_t {
    Off,
    On,
    TwoLampsNo2On,
    TwoLampsBothOn,
    OneLampNo1Off,
    OneLampNo1On,
    OneLampNo2Off,
    OneLampNo2On,
};

// READ MODE: the input mode, 1 to 5.
struct InputMode {
    int number = 0;
    constexpr bool operator==(const InputMode&) const = default;
};

// READ L-TIME. The status line quotes the receive line's first characters;
// the hours are there only for a reply of digits ended by its CR.
struct LampTime {
    QString quoted;
    std::optional<int> hours;
};

// READ TEMP: four sensors in fixed columns. The status line quotes each
// column of the receive line; a column that holds no number is absent.
inline constexpr int kTemperatureSensors = 4;
struct Temperatures {
    std::array<QString, kTemperatureSensors> quoted;
    std::array<std::optional<double>, kTemperatureSensors> celsius;
};

// The model read (CR9): the status line is the receive line as it stands;
// the text, the printable characters before its CR, is there only for a
// whole reply that holds any.
struct DeviceText {
    QString line;
    std::optional<QByteArray> text;
};

// The pressure read, in hPa.
struct Pressure {
    int hpa = 0;
    constexpr bool operator==(const Pressure&) const = default;
};

using ReadingValue
    = std::variant<OperatingState, InputMode, LampTime, ImageReversal, Temperatures, MuteSignal, DeviceText, Pressure, LampMode>;

struct Reading {
    ReadingValue value;
    // The receive line is one reply of its read and nothing else: the
    // reply's form exactly, ended by its CR. The status line shows a reading
    // that is not whole too (the decoders match its start); what programs
    // keep of the projector's state comes only from whole ones.
    bool whole = false;
};

// The reading of a receive line by `decoder`; nothing when the decoder is
// None or the line matches nothing the decoder knows.
std::optional<Reading> readReply(ReplyDecoder decoder, const QString& receiveLine);

// The status line's text for a reading.
QString statusText(const ReadingValue& value);

// The bytes of a traffic text that is one line of printable characters (32
// to 122) ended by one CR and nothing after it; nothing for any other text.
//   " 8 0 CR " -> "80"    " V M   7 0 CR " -> "VM 70"    " 8 0 " -> nothing    " ACK CR " -> nothing
std::optional<QByteArray> wholeLine(QStringView trafficText);

} // namespace runo
