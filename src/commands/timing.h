// SPDX-License-Identifier: MIT
// Every interval the panel keeps, once, gathered by what it times. All in
// milliseconds. The window's four timers: Timer1 repeats a held command,
// Timer2 bounds the wait for a reply (the reply window), Timer3 closes the
// settings panel, Timer4 clears the traffic display.
//   click of READ STATUS   reply window 500 ms, display clear 1000 ms (as stored)
//   click of IMAGE REAL    2000 / 2500 ms, in force until another command sets its own
//   press of VOL +         repeats every 250 ms, each with 200 / 245 ms
#pragma once

namespace runo {

// The exchange of a line: the reply window (Timer2) and the display-clear
// delay (Timer4). A command's exchange is set before it is sent; the empty
// one leaves the intervals in force.
struct ExchangeTiming {
    int replyMs = 0;
    int clearMs = 0;
    constexpr bool isSet() const { return replyMs != 0; }
};

// A held command: its repeat (Timer1) and the exchange of every line of it,
// set after its first line.
struct HoldTiming {
    int repeatMs = 0;
    int replyMs = 0;
    int clearMs = 0;
};

namespace timing {

// The stored intervals, in force from start-up, and restored by a release.
inline constexpr int kRepeatMs = 200; // Timer1, also after MENU ON and A-PC Adj
inline constexpr ExchangeTiming kStoredExchange {500, 1000}; // Timer2, Timer4
inline constexpr int kSettingsPanelMs = 5000; // Timer3

// Commands the projector takes a while to answer: image modes, P-FAIL and
// the free command.
inline constexpr ExchangeTiming kSlowExchange {2000, 2500};
// Input selection.
inline constexpr ExchangeTiming kInputExchange {5000, 5500};

// Held commands.
inline constexpr HoldTiming kStepHold {250, 200, 245}; // VOL, D.Zoom, Keystone
inline constexpr HoldTiming kLensHold {105, 100, 100}; // Zoom, Focus, LENS SHIFT
inline constexpr HoldTiming kSelectHold {500, 200, 245}; // Cursor SELECT

// The cursor-pad arrows, timed by cursorMode: after MENU ON or A-PC Adj,
// and after a D.Zoom release (reply, display clear and Timer1 alike).
inline constexpr ExchangeTiming kMenuCursorExchange {150, 190};
inline constexpr int kFastCursorMs = 5;

} // namespace timing

} // namespace runo
