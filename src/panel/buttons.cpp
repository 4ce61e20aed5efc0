// SPDX-License-Identifier: MIT
// The command buttons and the press-and-hold buttons with the repeat tick.
//   click of MENU ON     "C1C\r" out, then Timer1 200 ms and cursorMode 1
//   press of VOL +       "C09\r" out, Timer1 250 / Timer2 200 / Timer4 245 ms, repeat starts
//   Timer1 tick          "C09\r" again, for as long as holdCode is 1
//   release              holdCode 0, repeat and reply timers stop, TXD and RXD blank
#include "commands/commandtable.h"
#include "panel/panel.h"

namespace runo {

void Panel::clickCommand(const CommandButton& button)
{
    if (button.exchange.isSet()) {
        m_replyTimer.setInterval(button.exchange.replyMs);
        m_displayClearTimer.setInterval(button.exchange.clearMs);
    }
    send(button.text);
    if (button.armsCursor) {
        m_repeatTimer.setInterval(timing::kRepeatMs);
        m_cursorMode = kCursorModeMenu;
    }
}

void Panel::pressHold(const HoldButton& button)
{
    // The cursor-pad arrows take their reply timing from cursorMode, before
    // sending, and repeat at whatever interval Timer1 last received.
    if (button.cursorArrow && m_cursorMode == kCursorModeMenu) {
        m_replyTimer.setInterval(timing::kMenuCursorExchange.replyMs);
        m_displayClearTimer.setInterval(timing::kMenuCursorExchange.clearMs);
    } else if (button.cursorArrow && m_cursorMode == kCursorModeFast) {
        m_replyTimer.setInterval(timing::kFastCursorMs);
        m_displayClearTimer.setInterval(timing::kFastCursorMs);
    }
    m_holdCode = button.code;
    send(button.text);
    if (!button.cursorArrow) {
        // Timer2 and Timer4 have just started; a new interval restarts them.
        m_repeatTimer.setInterval(button.timing.repeatMs);
        m_replyTimer.setInterval(button.timing.replyMs);
        m_displayClearTimer.setInterval(button.timing.clearMs);
    }
    m_repeatTimer.start();
}

void Panel::releaseHold(const HoldButton& button)
{
    m_holdCode = 0;
    m_repeatTimer.stop();
    if (m_replyTimer.isActive())
        m_releasedWindow.start(m_replyTimer.remainingTime());
    m_replyTimer.stop();
    enable(m_displayClearTimer);
    setTransmitLine(QString());
    setReceiveLine(QString());
    m_replyTimer.setInterval(timing::kStoredExchange.replyMs);
    m_displayClearTimer.setInterval(timing::kStoredExchange.clearMs);
    m_receiveBuffer.clear();

    if (button.digitalZoom) {
        m_repeatTimer.setInterval(timing::kFastCursorMs);
        m_cursorMode = kCursorModeFast;
    }
}

void Panel::repeatHeldCommand()
{
    if (m_holdCode == 0)
        return;
    send(holdCommandText(m_holdCode));
}

} // namespace runo
