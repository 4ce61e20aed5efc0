// SPDX-License-Identifier: MIT
#include "panel/vocabulary.h"

#include "commands/commandtable.h"

#include <algorithm>

namespace runo {

namespace {

struct ArrowWord {
    std::string_view arrow; // UTF-8
    std::string_view word;
};

constexpr ArrowWord kArrowWords[] = {
    {"↑", "up"},
    {"↓", "down"},
    {"←", "left"},
    {"→", "right"},
};

bool sameName(const QString& typed, std::string_view name)
{
    return typed.compare(QUtf8StringView(name).toString(), Qt::CaseInsensitive) == 0
        || typed.compare(asciiSpelling(name), Qt::CaseInsensitive) == 0;
}

} // namespace

QString Command::name() const { return QUtf8StringView(button ? button->name : hold->name).toString(); }

std::string_view Command::text() const { return button ? button->text : hold->text; }

QString asciiSpelling(std::string_view name)
{
    QString spelled = QUtf8StringView(name).toString();
    for (const ArrowWord& a : kArrowWords)
        spelled.replace(QUtf8StringView(a.arrow).toString(), QUtf8StringView(a.word).toString());
    return spelled;
}

QList<Command> allCommands()
{
    QList<Command> commands;
    for (const CommandButton& b : commandButtons())
        commands.append({&b, nullptr});
    for (const HoldButton& h : holdButtons())
        commands.append({nullptr, &h});
    return commands;
}

std::optional<Command> findCommand(const QString& words)
{
    const QString typed = words.simplified();
    for (const Command& c : allCommands()) {
        if (sameName(typed, c.button ? c.button->name : c.hold->name))
            return c;
    }
    return std::nullopt;
}

QStringList namesLike(const QString& words)
{
    const QString first = words.simplified().section(QLatin1Char(' '), 0, 0);
    QStringList names;
    if (first.isEmpty())
        return names;
    for (const Command& c : allCommands()) {
        const QStringList nameWords = c.name().split(QLatin1Char(' '));
        if (std::ranges::any_of(nameWords, [&](const QString& w) { return w.startsWith(first, Qt::CaseInsensitive); }))
            names << c.name();
    }
    return names;
}

} // namespace runo
