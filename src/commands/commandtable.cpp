// SPDX-License-Identifier: MIT
#include "commands/commandtable.h"

#include <algorithm>

namespace runo {

namespace {

constexpr CommandButton kCommandButtons[] = {
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

constexpr HoldButton kHoldButtons[] = {
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

constexpr ReadCommand kReadCommands[] = {
    {"CRA", ReplyDecoder::MuteAndSignal},
    {"CR9", ReplyDecoder::Text},
    {"CR PRESSURE", ReplyDecoder::Pressure},
};

// Names are the commands' vocabulary: no two alike, across both tables.
constexpr bool namesUnique()
{
    for (const auto& a : kCommandButtons) {
        for (const auto& b : kCommandButtons)
            if (&a != &b && a.name == b.name)
                return false;
        for (const auto& b : kHoldButtons)
            if (a.name == b.name)
                return false;
    }
    for (const auto& a : kHoldButtons)
        for (const auto& b : kHoldButtons)
            if (&a != &b && a.name == b.name)
                return false;
    return true;
}
static_assert(namesUnique());

// A command text names at most one decoder.
constexpr bool decodersUnique()
{
    for (const auto& a : kCommandButtons) {
        for (const auto& b : kCommandButtons)
            if (a.text == b.text && a.decoder != b.decoder)
                return false;
        for (const auto& b : kReadCommands)
            if (a.text == b.text)
                return false;
    }
    for (const auto& a : kReadCommands)
        for (const auto& b : kReadCommands)
            if (&a != &b && a.text == b.text)
                return false;
    return true;
}
static_assert(decodersUnique());

} // namespace

std::span<const CommandButton> commandButtons() { return kCommandButtons; }
std::span<const HoldButton> holdButtons() { return kHoldButtons; }
std::span<const ReadCommand> readCommands() { return kReadCommands; }

const CommandButton* findCommandButton(std::string_view control)
{
    const auto it = std::ranges::find(kCommandButtons, control, &CommandButton::control);
    return it == std::end(kCommandButtons) ? nullptr : &*it;
}

const HoldButton* findHoldButton(std::string_view control)
{
    const auto it = std::ranges::find(kHoldButtons, control, &HoldButton::control);
    return it == std::end(kHoldButtons) ? nullptr : &*it;
}

std::string_view holdCommandText(std::uint8_t holdCode)
{
    const auto it = std::ranges::find(kHoldButtons, holdCode, &HoldButton::code);
    return it == std::end(kHoldButtons) ? std::string_view() : it->text;
}

ReplyDecoder replyDecoder(std::string_view commandText)
{
    if (const auto it = std::ranges::find(kCommandButtons, commandText, &CommandButton::text); it != std::end(kCommandButtons))
        return it->decoder;
    const auto it = std::ranges::find(kReadCommands, commandText, &ReadCommand::text);
    return it == std::end(kReadCommands) ? ReplyDecoder::None : it->decoder;
}

} // namespace runo
