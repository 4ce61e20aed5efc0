// The free command entry, DISPLAY CLEAR, and the window's four views.
#include "link/panel.h"

namespace runo {

namespace {

constexpr int kFreeReplyMs = 2000, kFreeClearMs = 2500;

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
    Timer2.setInterval(kFreeReplyMs);
    Timer4.setInterval(kFreeClearMs);
    m_freeCommandText = text;
    sendLine(m_commandPrefix + lineBytes(m_freeCommandText) + '\r');
}

void Panel::clearDisplay()
{
    send("C1E");
}

void Panel::toggleDataDisplay()
{
    Timer3.stop();
    m_extendedViewArmed = 0;
    if (m_windowHeight >= kTallWindowHeight) {
        setWindowHeight(kCompactHeight);
        setDataButton(kShowDataCaption, m_dataButtonVisible);
    } else {
        setWindowHeight(kDataViewHeight);
        setDataButton(kHideDataCaption, m_dataButtonVisible);
    }
    Timer3.start();
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
