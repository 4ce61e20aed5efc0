// The single-press command buttons.
#include "commands/commandtable.h"
#include "link/panel.h"

namespace runo {

namespace {

constexpr int kCursorRepeatMs = 200;
constexpr std::uint8_t kCursorModeMenu = 1;

} // namespace

void Panel::send(std::string_view commandText)
{
    QByteArray line = m_commandPrefix;
    line.append(commandText.data(), qsizetype(commandText.size()));
    line.append('\r');
    sendLine(line);
}

void Panel::sendLine(const QByteArray& line)
{
    m_lastCommand = line;
    Hyouji(m_lastCommand, kSendMode);
}

void Panel::clickCommand(const CommandButton& button)
{
    if (button.replyMs != kUnchanged) {
        Timer2.setInterval(button.replyMs);
        Timer4.setInterval(button.clearMs);
    }
    send(button.text);
    if (button.armsCursor) {
        Timer1.setInterval(kCursorRepeatMs);
        m_cursorMode = kCursorModeMenu;
    }
}

} // namespace runo
