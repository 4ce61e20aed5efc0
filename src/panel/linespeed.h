// SPDX-License-Identifier: MIT
// The line speeds the panel offers, each with the line settings it stands
// for; no parity, 8 data bits, 1 stop bit always.
//   LineSpeed::Baud9600   9600 baud   "9600,N,8,1"
#pragma once

#include <cstdint>
#include <iterator>
#include <string_view>

namespace runo {

enum class LineSpeed : std::uint8_t { Baud19200, Baud9600 };
inline constexpr int kLineSpeedCount = int(LineSpeed::Baud9600) + 1;

struct LineSpeedRow {
    LineSpeed speed;
    int baud;
    std::string_view settings; // as the port takes them
};

// In the order of LineSpeed.
inline constexpr LineSpeedRow kLineSpeeds[] = {
    {LineSpeed::Baud19200, 19200, "19200,N,8,1"},
    {LineSpeed::Baud9600, 9600, "9600,N,8,1"},
};

// The speed at start-up, and for runoctl without --speed.
inline constexpr LineSpeed kStartLineSpeed = LineSpeed::Baud19200;

constexpr const LineSpeedRow& lineSpeed(LineSpeed speed) { return kLineSpeeds[int(speed)]; }

// The row of a baud rate or of a settings text; nullptr for one not offered.
constexpr const LineSpeedRow* findLineSpeed(int baud)
{
    for (const LineSpeedRow& row : kLineSpeeds)
        if (row.baud == baud)
            return &row;
    return nullptr;
}
constexpr const LineSpeedRow* findLineSpeed(std::string_view settings)
{
    for (const LineSpeedRow& row : kLineSpeeds)
        if (row.settings == settings)
            return &row;
    return nullptr;
}

namespace detail {
constexpr bool speedsInOrder()
{
    for (int i = 0; i < int(std::size(kLineSpeeds)); ++i)
        if (int(kLineSpeeds[i].speed) != i)
            return false;
    return std::size(kLineSpeeds) == kLineSpeedCount;
}
static_assert(speedsInOrder(), "one row for each LineSpeed, in its order");
} // namespace detail

} // namespace runo
