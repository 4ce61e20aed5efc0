// SPDX-License-Identifier: MIT
// The free command entry and the window's four views.
//   SEND with "CR0" typed  "CR0\r" out, reply window 2000 ms, display clear 2500 ms
//   Ctrl+K                 extended view (7200 twips); a logo double-click then opens the full view
#include "commands/timing.h"
#include "panel/panel.h"

namespace runo {

namespace {

// One byte per character: Latin-1 where it has one, "?" otherwise.
QByteArray lineBytes(const QString& text)
{
    QByteArray bytes;
    const QList<uint> codePoints = text.toUcs4();
    bytes.reserve(codePoints.size());
    for (const uint cp : codePoints)
        bytes.append(cp <= 0xFF ? char(cp) : '?');
    return bytes;
}

} // namespace

void Panel::sendFreeCommand(const QString& text)
{
    m_replyTimer.setInterval(timing::kSlowExchange.replyMs);
    m_displayClearTimer.setInterval(timing::kSlowExchange.clearMs);
    m_freeCommandText = text;
    sendLine(m_commandPrefix + lineBytes(m_freeCommandText) + '\r');
}

void Panel::toggleDataDisplay()
{
    m_settingsPanelTimer.stop();
    m_extendedViewArmed = 0;
    if (m_windowHeight >= kTallWindowHeight) {
        setWindowHeight(kCompactHeight);
        setDataButton(kShowDataCaption, m_dataButtonVisible);
    } else {
        setWindowHeight(kDataViewHeight);
        setDataButton(kHideDataCaption, m_dataButtonVisible);
    }
    m_settingsPanelTimer.start();
}

bool Panel::keyDown(int key, Qt::KeyboardModifiers modifiers)
{
    const Qt::KeyboardModifiers held = modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    if (key != Qt::Key_K || held != Qt::ControlModifier)
        return false;
    setWindowHeight(kExtendedViewHeight);
    m_extendedViewArmed = 1;
    setDataButton(kCloseCaption, true);
    return true;
}

void Panel::doubleClickLogo()
{
    if (m_extendedViewArmed != 1)
        return;
    setWindowHeight(kFullViewHeight);
    setDataButton(kCloseCaption, true);
}

} // namespace runo
