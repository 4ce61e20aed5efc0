// SPDX-License-Identifier: MIT
// The panel's commands as data: the single-press command buttons and the
// press-and-hold buttons, each with its stored control name, the name the
// operator knows it by ("POWER ON", "VOL +", "READ STATUS"), its command
// text and the timing it sets.
//   {"Command44", "READ STATUS", "READ", "CR0"}   sends "CR0" CR
//   {"Command1", "VOL +", "VOL", 1, "C09", 250, 200, 245}
//                                                 repeats "C09" CR every 250 ms while held
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace runo {

// Intervals in milliseconds; kUnchanged leaves the interval in force.
inline constexpr int kUnchanged = 0;

// Reply window (Timer2) and display-clear delay (Timer4) of the commands the
// projector takes a while to answer: image modes, P-FAIL and the free command.
inline constexpr int kSlowReplyMs = 2000;
inline constexpr int kSlowClearMs = 2500;
// The same for input selection.
inline constexpr int kInputReplyMs = 5000;
inline constexpr int kInputClearMs = 5500;

struct CommandButton {
    std::string_view control;
    std::string_view name; // UTF-8, unique among all commands
    std::string_view group; // the heading it stands under
    std::string_view text; // command text, without prefix and CR
    int replyMs = kUnchanged; // Timer2, set before sending
    int clearMs = kUnchanged; // Timer4, set before sending
    bool armsCursor = false; // after sending: Timer1 200 ms, cursorMode 1
};

struct HoldButton {
    std::string_view control;
    std::string_view name;
    std::string_view group;
    std::uint8_t code; // holdCode
    std::string_view text;
    int repeatMs = kUnchanged; // Timer1, Timer2, Timer4 set after the first send
    int replyMs = kUnchanged;
    int clearMs = kUnchanged;
    bool cursorArrow = false; // timed by cursorMode instead
    bool digitalZoom = false; // its release sets Timer1 5 ms and cursorMode 3
};

std::span<const CommandButton> commandButtons();
std::span<const HoldButton> holdButtons();

const CommandButton* findCommandButton(std::string_view control);
const HoldButton* findHoldButton(std::string_view control);
// The command text the repeat timer sends for a hold code; empty for none.
std::string_view holdCommandText(std::uint8_t holdCode);

} // namespace runo
