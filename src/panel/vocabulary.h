// SPDX-License-Identifier: MIT
// runoctl's vocabulary: the panel's own button names, typed in any case, the
// words as separate arguments or as one. An arrow may be typed as itself or
// spelled in ASCII:
//   findCommand("power on")         POWER ON        "C00"
//   findCommand("Input 2 RGB")      INPUT 2 RGB     "C25"
//   findCommand("lens shift up")    LENS SHIFT ↑    "C5D", held
//   asciiSpelling("Cursor ←")       "Cursor left"
#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <string_view>

namespace runo {

struct CommandButton;
struct HoldButton;

// One of the panel's buttons: a single-press button or a hold button.
struct Command {
    const CommandButton* button = nullptr;
    const HoldButton* hold = nullptr;

    QString name() const;
    std::string_view text() const;
};

std::optional<Command> findCommand(const QString& words);

// Every command, single-press buttons first, in the tables' order.
QList<Command> allCommands();

// The name with its arrows spelled "up", "down", "left", "right"; the name
// itself when it has none.
QString asciiSpelling(std::string_view name);

// Names with a word that begins like the first word typed, for a hint after
// a miss: "status" gives READ STATUS.
QStringList namesLike(const QString& words);

} // namespace runo
