// SPDX-License-Identifier: MIT
// Line settings as the panel writes them: "baud,parity,data bits,stop bits",
// for example "19200,N,8,1".
#pragma once

#include <QString>
#include <optional>

namespace runo {

struct LineSettings {
    enum class Parity { None, Even, Odd, Mark, Space };
    enum class StopBits { One, OneAndHalf, Two };

    int baud = 9600;
    Parity parity = Parity::None;
    int dataBits = 8;
    StopBits stopBits = StopBits::One;

    friend bool operator==(const LineSettings&, const LineSettings&) = default;
};

// Parses a settings string. On a malformed string returns nothing and, when
// error is given, puts a readable reason there.
std::optional<LineSettings> parseLineSettings(const QString& text, QString* error = nullptr);

} // namespace runo
