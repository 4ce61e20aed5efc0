// The press-and-hold buttons: a press sends at once and starts the repeat,
// the release stops it and blanks the traffic display.
#include "commands/commandtable.h"
#include "link/panel.h"

namespace runo {

namespace {

constexpr std::uint8_t kCursorModeMenu = 1;
constexpr std::uint8_t kCursorModeFast = 3;
constexpr int kMenuCursorReplyMs = 150, kMenuCursorClearMs = 190;
constexpr int kFastCursorMs = 5;

} // namespace

void Panel::pressHold(const HoldButton& button)
{
    // The cursor-pad arrows take their reply timing from cursorMode, before
    // sending, and repeat at whatever interval Timer1 last received.
    if (button.cursorArrow && m_cursorMode == kCursorModeMenu) {
        Timer2.setInterval(kMenuCursorReplyMs);
        Timer4.setInterval(kMenuCursorClearMs);
    } else if (button.cursorArrow && m_cursorMode == kCursorModeFast) {
        Timer2.setInterval(kFastCursorMs);
        Timer4.setInterval(kFastCursorMs);
    }
    m_holdCode = button.code;
    send(button.text);
    if (!button.cursorArrow) {
        // Timer2 and Timer4 have just started; a new interval restarts them.
        Timer1.setInterval(button.repeatMs);
        Timer2.setInterval(button.replyMs);
        Timer4.setInterval(button.clearMs);
    }
    Timer1.start();
}

void Panel::releaseHold(const HoldButton& button)
{
    m_holdCode = 0;
    Timer1.stop();
    Timer2.stop();
    enable(Timer4);
    setTransmitLine(QString());
    setReceiveLine(QString());
    Timer2.setInterval(kReplyMs);
    Timer4.setInterval(kDisplayClearMs);
    m_receiveBuffer.clear();

    if (button.digitalZoom) {
        Timer1.setInterval(kFastCursorMs);
        m_cursorMode = kCursorModeFast;
    }
}

} // namespace runo
