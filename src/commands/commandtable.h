// The single-press command buttons and the press-and-hold buttons, as data.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace runo {

// Intervals in milliseconds; kUnchanged leaves the interval in force.
inline constexpr int kUnchanged = 0;

struct CommandButton {
    std::string_view control;
    std::string_view text;   // command text, without prefix and CR
    int replyMs = kUnchanged; // Timer2, set before sending
    int clearMs = kUnchanged; // Timer4, set before sending
    bool armsCursor = false;  // after sending: Timer1 200 ms, cursorMode 1
};

struct HoldButton {
    std::string_view control;
    std::uint8_t code; // holdCode
    std::string_view text;
    int repeatMs = kUnchanged; // Timer1, Timer2, Timer4 set after the first send
    int replyMs = kUnchanged;
    int clearMs = kUnchanged;
    bool cursorArrow = false;  // timed by cursorMode instead
    bool digitalZoom = false;  // its release sets Timer1 5 ms and cursorMode 3
};

std::span<const CommandButton> commandButtons();
std::span<const HoldButton> holdButtons();

const CommandButton* findCommandButton(std::string_view control);
const HoldButton* findHoldButton(std::string_view control);
// The command text the repeat timer sends for a hold code; empty for none.
std::string_view holdCommandText(std::uint8_t holdCode);

} // namespace runo
