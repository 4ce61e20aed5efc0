// SPDX-License-Identifier: MIT
// The panel's commands as data: the single-press command buttons and the
// press-and-hold buttons, each with its stored control name, the name the
// operator knows it by ("POWER ON", "VOL +", "READ STATUS"), its command
// text and the timing it sets.
//   {"Command44", "READ STATUS", "READ", "CR0", ReplyDecoder::OperatingState}
//                                                 sends "CR0" CR, its reply read as the operating state
//   {"Command1", "VOL +", "VOL", 1, "C09", timing::kStepHold}
//                                                 repeats "C09" CR every 250 ms while held
// A read command is one row naming its decoder; the decoder is chosen by the
// last line sent, so a read sent as a free command is decoded alike.
#pragma once

#include "commands/timing.h"

#include <cstdint>
#include <span>
#include <string_view>

namespace runo {

// How the reply to a command is read into status text (traffic/decoders.h).
enum class ReplyDecoder : std::uint8_t {
    None, // shown raw only
    OperatingState,
    InputMode,
    LampTime,
    Setting,
    Temperatures,
    MuteAndSignal,
    Text, // the receive line as it stands
    Pressure,
    LampMode,
};
inline constexpr int kReplyDecoderCount = int(ReplyDecoder::LampMode) + 1;

struct CommandButton {
    std::string_view control;
    std::string_view name; // UTF-8, unique among all commands
    std::string_view group; // the heading it stands under
    std::string_view text; // command text, without prefix and CR
    ReplyDecoder decoder = ReplyDecoder::None;
    ExchangeTiming exchange = {}; // set before sending; empty: the intervals in force
    bool armsCursor = false; // after sending: Timer1 200 ms, cursorMode 1
};

// A read command with no button: sent by the free command entry.
struct ReadCommand {
    std::string_view text;
    ReplyDecoder decoder;
};

struct HoldButton {
    std::string_view control;
    std::string_view name;
    std::string_view group;
    std::uint8_t code; // holdCode
    std::string_view text;
    HoldTiming timing = {}; // set after the first send
    bool cursorArrow = false; // timed by cursorMode instead
    bool digitalZoom = false; // its release sets Timer1 5 ms and cursorMode 3
};

std::span<const CommandButton> commandButtons();
std::span<const HoldButton> holdButtons();
std::span<const ReadCommand> readCommands();

const CommandButton* findCommandButton(std::string_view control);
const HoldButton* findHoldButton(std::string_view control);
// The command text the repeat timer sends for a hold code; empty for none.
std::string_view holdCommandText(std::uint8_t holdCode);
// The decoder of a command text (without prefix and CR), from the command
// buttons and the read commands; None for any other text.
ReplyDecoder replyDecoder(std::string_view commandText);

} // namespace runo
