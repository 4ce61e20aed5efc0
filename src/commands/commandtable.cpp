// SPDX-License-Identifier: MIT
#include "commands/commandtable.h"

#include <algorithm>

namespace runo {

namespace {

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
