// SPDX-License-Identifier: MIT
#include "commands/commandtable.h"

#include <algorithm>

namespace runo {

namespace {

// Names and command texts are the commands' vocabulary: each finds its own
// row, across all three tables, so no two are alike.
template <class Row> constexpr bool rowsFoundByNameAndText(std::span<const Row> rows, CommandKind kind)
{
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (commandNamed(rows[i].name) != CommandRef(kind, i) || commandWithText(rows[i].text) != CommandRef(kind, i))
            return false;
    return true;
}
static_assert(rowsFoundByNameAndText<CommandButton>(kCommandButtons, CommandKind::Button));
static_assert(rowsFoundByNameAndText<HoldButton>(kHoldButtons, CommandKind::Hold));
static_assert(rowsFoundByNameAndText<ReadCommand>(kReadCommands, CommandKind::Read));

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
    const std::optional<CommandRef> command = commandWithText(commandText);
    return command ? command->decoder() : ReplyDecoder::None;
}

} // namespace runo
