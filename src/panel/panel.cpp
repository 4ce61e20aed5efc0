// SPDX-License-Identifier: MIT
// The panel's timers and the lines, panel, height and button it publishes.
#include "panel/panel.h"

#include "commands/timing.h"
#include "link/mscomm.h"

#include <algorithm>

namespace runo {

Panel::Panel(MSComm* port, QObject* parent)
    : QObject(parent)
    , m_port(port)
    , m_dataButtonCaption(QUtf8StringView(kShowDataCaption).toString())
{
    // Stored stopped, with their stored intervals; 5 ms must mean 5 ms.
    const struct {
        QTimer* timer;
        const char* name;
        int intervalMs;
        void (Panel::*tick)();
    } timers[] = {
        {&m_repeatTimer, "Timer1", timing::kRepeatMs, &Panel::repeatHeldCommand},
        {&m_replyTimer, "Timer2", timing::kStoredExchange.replyMs, &Panel::closeReplyWindow},
        {&m_settingsPanelTimer, "Timer3", timing::kSettingsPanelMs, &Panel::hideSettingsPanel},
        {&m_displayClearTimer, "Timer4", timing::kStoredExchange.clearMs, &Panel::clearTrafficDisplay},
    };
    for (const auto& t : timers) {
        t.timer->setObjectName(QLatin1String(t.name));
        t.timer->setTimerType(Qt::PreciseTimer);
        t.timer->setInterval(t.intervalMs);
        connect(t.timer, &QTimer::timeout, this, t.tick);
    }
    m_releasedWindow.setSingleShot(true);
    m_releasedWindow.setTimerType(Qt::PreciseTimer);
    connect(&m_releasedWindow, &QTimer::timeout, this, &Panel::closeReleasedWindow);
    connect(m_port, &MSComm::onComm, this, &Panel::receive);
    connect(m_port, &MSComm::openFailed, this, &Panel::reportOpenFailure);
}

Panel::~Panel() = default;

const QTimer& Panel::timer(int number) const
{
    switch (number) {
    case 1: return m_repeatTimer;
    case 2: return m_replyTimer;
    case 3: return m_settingsPanelTimer;
    default: return m_displayClearTimer;
    }
}

// Enabling a timer that already runs starts its period afresh.
void Panel::enable(QTimer& timer) { timer.start(); }

void Panel::setTransmitLine(const QString& text)
{
    if (m_transmitLine == text)
        return;
    m_transmitLine = text;
    emit transmitLineChanged(text);
}

void Panel::setReceiveLine(const QString& text)
{
    if (m_receiveLine == text)
        return;
    m_receiveLine = text;
    emit receiveLineChanged(text);
}

void Panel::setStatusLine(const QString& text)
{
    if (m_statusLine == text)
        return;
    m_statusLine = text;
    emit statusLineChanged(text);
}

void Panel::setSettingsPanelVisible(bool visible)
{
    if (m_settingsPanelVisible == visible)
        return;
    m_settingsPanelVisible = visible;
    emit settingsPanelVisibleChanged(visible);
}

void Panel::setWindowHeight(int twips)
{
    m_windowHeight = twips;
    emit windowHeightChanged(twips);
}

void Panel::setDataButton(std::string_view caption, bool visible)
{
    m_dataButtonCaption = QUtf8StringView(caption).toString();
    m_dataButtonVisible = visible;
    emit dataButtonChanged();
}

bool Panel::replyComplete(QByteArrayView received) const
{
    static constexpr char kAck = 0x06;
    static constexpr QByteArrayView kReadCommand = "CR";
    if (received.contains('\r'))
        return true;
    const QByteArrayView line = m_lastCommand;
    const bool read = line.startsWith(m_commandPrefix) && line.sliced(m_commandPrefix.size()).startsWith(kReadCommand);
    return !read && received.contains(kAck);
}

qsizetype Panel::keepReply(QByteArray& kept, QByteArrayView bytes)
{
    const qsizetype room = std::clamp<qsizetype>(kReceiveBufferLimit - kept.size(), 0, bytes.size());
    kept.append(bytes.first(room));
    return bytes.size() - room;
}

} // namespace runo
