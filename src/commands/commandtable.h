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

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <optional>
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

// A read command with no button: the operator sends it as a free command;
// the programs name it as any other command.
struct ReadCommand {
    std::string_view name;
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

inline constexpr CommandButton kCommandButtons[] = {
    {"Command17", "POWER ON", "POWER", "C00"},
    {"Command18", "POWER OFF", "POWER", "C01"},
    {"Command27", "INPUT MODE SET 1", "INPUT MODE SET", "C05"},
    {"Command28", "INPUT MODE SET 2", "INPUT MODE SET", "C06"},
    {"Command29", "INPUT MODE SET 3", "INPUT MODE SET", "C07"},
    {"Command53", "INPUT MODE SET NETWORK", "INPUT MODE SET", "C08"},
    {"Command23", "MENU ON", "MENU", "C1C", ReplyDecoder::None, {}, true},
    {"Command24", "MENU OFF", "MENU", "C1D"},
    {"Command19", "SOUND MUTE ON", "SOUND MUTE", "C0B"},
    {"Command20", "SOUND MUTE OFF", "SOUND MUTE", "C0C"},
    {"Command21", "NO SHOW ON", "NO SHOW", "C0D"},
    {"Command22", "NO SHOW OFF", "NO SHOW", "C0E"},
    {"Command25", "FREEZE ON", "FREEZE", "C43"},
    {"Command26", "FREEZE OFF", "FREEZE", "C44"},
    {"Command31", "AV Size Normal", "AV Size", "C0F"},
    {"Command32", "AV Size Full", "AV Size", "C10"},
    {"Command13", "A-PC Adj", "", "C89", ReplyDecoder::None, {}, true},
    {"Command30", "IMAGE", "", "C27"},
    {"Command14", "P-TIMER", "", "C8A"},
    {"Command3", "DISPLAY CLEAR", "", "C1E"},
    {"Command52", "P-FAIL", "", "CR ALLPFAIL", ReplyDecoder::None, timing::kSlowExchange},
    {"Command4", "IMAGE MODE STAND", "IMAGE MODE", "CF IMAGE STAND", ReplyDecoder::None, timing::kSlowExchange},
    {"Command10", "IMAGE MODE REAL", "IMAGE MODE", "CF IMAGE REAL", ReplyDecoder::None, timing::kSlowExchange},
    {"Command11", "IMAGE MODE CINEMA", "IMAGE MODE", "CF IMAGE CINEMA", ReplyDecoder::None, timing::kSlowExchange},
    {"Command39", "IMAGE MODE DYNAMIC", "IMAGE MODE", "CF IMAGE DYNAMIC", ReplyDecoder::None, timing::kSlowExchange},
    {"Command40", "IMAGE MODE CUSTOM 1", "IMAGE MODE", "CF IMAGE CUSTOM1", ReplyDecoder::None, timing::kSlowExchange},
    {"Command41", "IMAGE MODE CUSTOM 2", "IMAGE MODE", "CF IMAGE CUSTOM2", ReplyDecoder::None, timing::kSlowExchange},
    {"Command42", "IMAGE MODE CUSTOM 3", "IMAGE MODE", "CF IMAGE CUSTOM3", ReplyDecoder::None, timing::kSlowExchange},
    {"Command44", "READ STATUS", "READ", "CR0", ReplyDecoder::OperatingState},
    {"Command45", "READ MODE", "READ", "CR1", ReplyDecoder::InputMode},
    {"Command46", "READ L-TIME", "READ", "CR3", ReplyDecoder::LampTime},
    {"Command47", "READ SETTING", "READ", "CR4", ReplyDecoder::Setting},
    {"Command54", "READ TEMP", "READ", "CR6", ReplyDecoder::Temperatures},
    {"Command55", "READ L-MODE", "READ", "CR7", ReplyDecoder::LampMode},
    {"Command63", "INPUT 1 DVI(AV HDCP)", "INPUT", "C53", ReplyDecoder::None, timing::kInputExchange},
    {"Command64", "INPUT 1 DVI(PC)", "INPUT", "C52", ReplyDecoder::None, timing::kInputExchange},
    {"Command65", "INPUT 1 SCART", "INPUT", "C51", ReplyDecoder::None, timing::kInputExchange},
    {"Command66", "INPUT 1 RGB", "INPUT", "C50", ReplyDecoder::None, timing::kInputExchange},
    {"Command72", "INPUT 2 RGB", "INPUT", "C25", ReplyDecoder::None, timing::kInputExchange},
    {"Command74", "INPUT 2 Y,Pb/Cb,Pr/Cr", "INPUT", "C24", ReplyDecoder::None, timing::kInputExchange},
    {"Command73", "INPUT 2 VIDEO", "INPUT", "C23", ReplyDecoder::None, timing::kInputExchange},
    {"Command84", "INPUT 3 S-VIDEO", "INPUT", "C34", ReplyDecoder::None, timing::kInputExchange},
    {"Command81", "INPUT 3 VIDEO", "INPUT", "C33", ReplyDecoder::None, timing::kInputExchange},
    {"Command80", "INPUT 3 AUTO", "INPUT", "C32", ReplyDecoder::None, timing::kInputExchange},
    {"Command97", "FAN SPEED MAX", "FAN SPEED", "CF FANSPEED MAX"},
    {"Command98", "FAN SPEED NOR", "FAN SPEED", "CF FANSPEED NOR"},
};

inline constexpr HoldButton kHoldButtons[] = {
    {"Command1", "VOL +", "VOL", 1, "C09", timing::kStepHold},
    {"Command2", "VOL -", "VOL", 2, "C0A", timing::kStepHold},
    {"Command15", "Zoom +", "Zoom", 7, "C47", timing::kLensHold},
    {"Command35", "Zoom -", "Zoom", 8, "C46", timing::kLensHold},
    {"Command36", "Focus +", "Focus", 9, "C4B", timing::kLensHold},
    {"Command37", "Focus -", "Focus", 10, "C4A", timing::kLensHold},
    {"Command48", "D.Zoom +", "D.Zoom", 17, "C30", timing::kStepHold, false, true},
    {"Command49", "D.Zoom -", "D.Zoom", 18, "C31", timing::kStepHold, false, true},
    {"Command50", "Keystone +", "Keystone", 19, "C8E", timing::kStepHold},
    {"Command51", "Keystone -", "Keystone", 20, "C8F", timing::kStepHold},
    {"Command59", "LENS SHIFT ↑", "LENS SHIFT", 21, "C5D", timing::kLensHold},
    {"Command62", "LENS SHIFT ↓", "LENS SHIFT", 22, "C5E", timing::kLensHold},
    {"Command60", "LENS SHIFT ←", "LENS SHIFT", 23, "C5F", timing::kLensHold},
    {"Command61", "LENS SHIFT →", "LENS SHIFT", 24, "C60", timing::kLensHold},
    {"Command5", "Cursor ↑", "Cursor", 3, "C3C", {}, true},
    {"Command7", "Cursor ↓", "Cursor", 4, "C3D", {}, true},
    {"Command9", "Cursor ←", "Cursor", 5, "C3B", {}, true},
    {"Command8", "Cursor →", "Cursor", 6, "C3A", {}, true},
    {"Command6", "Cursor SELECT", "Cursor", 13, "C3F", timing::kSelectHold},
};

inline constexpr ReadCommand kReadCommands[] = {
    {"READ MUTE", "CRA", ReplyDecoder::MuteAndSignal},
    {"READ MODEL", "CR9", ReplyDecoder::Text},
    {"READ PRESSURE", "CR PRESSURE", ReplyDecoder::Pressure},
};

// A command of the tables by its kind and row: what the programs name
// commands by, so that no command text is written out twice.
//   command("READ STATUS").text() == "CR0"     command("VOL +").kind() == CommandKind::Hold
//   command("READ STATU")                      does not compile
enum class CommandKind : std::uint8_t { Button, Hold, Read };

class CommandRef {
public:
    constexpr CommandRef(CommandKind kind, std::size_t row)
        : m_kind(kind)
        , m_row(std::uint8_t(row))
    {
    }
    constexpr CommandKind kind() const { return m_kind; }
    constexpr const CommandButton* button() const { return m_kind == CommandKind::Button ? &kCommandButtons[m_row] : nullptr; }
    constexpr const HoldButton* hold() const { return m_kind == CommandKind::Hold ? &kHoldButtons[m_row] : nullptr; }
    constexpr std::string_view name() const
    {
        switch (m_kind) {
        case CommandKind::Button: return kCommandButtons[m_row].name;
        case CommandKind::Hold: return kHoldButtons[m_row].name;
        case CommandKind::Read: break;
        }
        return kReadCommands[m_row].name;
    }
    constexpr std::string_view text() const
    {
        switch (m_kind) {
        case CommandKind::Button: return kCommandButtons[m_row].text;
        case CommandKind::Hold: return kHoldButtons[m_row].text;
        case CommandKind::Read: break;
        }
        return kReadCommands[m_row].text;
    }
    constexpr ReplyDecoder decoder() const
    {
        switch (m_kind) {
        case CommandKind::Button: return kCommandButtons[m_row].decoder;
        case CommandKind::Hold: return ReplyDecoder::None;
        case CommandKind::Read: break;
        }
        return kReadCommands[m_row].decoder;
    }
    constexpr bool operator==(const CommandRef&) const = default;

private:
    CommandKind m_kind;
    std::uint8_t m_row;
};

// The command of that name or of that command text (without prefix and CR),
// in the tables' order: buttons, hold buttons, reads.
constexpr std::optional<CommandRef> commandNamed(std::string_view name)
{
    for (std::size_t i = 0; i < std::size(kCommandButtons); ++i)
        if (kCommandButtons[i].name == name)
            return CommandRef(CommandKind::Button, i);
    for (std::size_t i = 0; i < std::size(kHoldButtons); ++i)
        if (kHoldButtons[i].name == name)
            return CommandRef(CommandKind::Hold, i);
    for (std::size_t i = 0; i < std::size(kReadCommands); ++i)
        if (kReadCommands[i].name == name)
            return CommandRef(CommandKind::Read, i);
    return std::nullopt;
}
constexpr std::optional<CommandRef> commandWithText(std::string_view text)
{
    for (std::size_t i = 0; i < std::size(kCommandButtons); ++i)
        if (kCommandButtons[i].text == text)
            return CommandRef(CommandKind::Button, i);
    for (std::size_t i = 0; i < std::size(kHoldButtons); ++i)
        if (kHoldButtons[i].text == text)
            return CommandRef(CommandKind::Hold, i);
    for (std::size_t i = 0; i < std::size(kReadCommands); ++i)
        if (kReadCommands[i].text == text)
            return CommandRef(CommandKind::Read, i);
    return std::nullopt;
}

// A command the program names: found while compiling, so that a name the
// tables do not have (a command renamed or misspelt) fails the build.
consteval CommandRef command(std::string_view name)
{
    const std::optional<CommandRef> found = commandNamed(name);
    if (!found)
        throw "no command of this name in the command tables";
    return *found;
}

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
