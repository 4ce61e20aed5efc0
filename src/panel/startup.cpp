// SPDX-License-Identifier: MIT
// Start-up, the settings panel with its port and speed selection and its
// timer, and the end.
//   load()          port 1, "19200,N,8,1", open; then COM1 selected: close, port 1, open
//   selectPort(2)   close, port 2, open; on failure a warning and port 1, closed,
//                   and nothing sent until a port choice succeeds
//   selectSpeed()   "9600,N,8,1" applied to the open port; if refused, a warning and
//                   the speed kept
// A network port opens in the background; when that open fails later, the
// warning comes then, and a failed port choice takes the same course late.
#include "link/mscomm.h"
#include "link/portmap.h"
#include "link/quoted.h"
#include "panel/linespeed.h"
#include "panel/panel.h"

namespace runo {

namespace {

QString settingsText(const LineSpeedRow& row) { return QUtf8StringView(row.settings).toString(); }

} // namespace

void Panel::load()
{
    m_portSettings = settingsText(lineSpeed(kStartLineSpeed));
    m_commandPrefix.clear();
    setWindowHeight(kCompactHeight); // the window centres itself first
    m_holdCode = 0;
    m_awaitingReply = 0;
    m_receiveBuffer.clear();

    // A port that cannot be opened is reported and the panel runs on with it
    // closed; the next transmission tries it again.
    m_lateFailure = LateFailure::Warning;
    const bool opened = m_port->setCommPort(1) && m_port->setSettings(m_portSettings) && m_port->setPortOpen(true);
    if (!opened)
        emit warning(m_port->errorString());

    emit portOptionSelected(1);
    choosePort(1, false);
}

void Panel::selectPort(int port) { choosePort(port, true); }

// The operator's choice opens the chosen port also when the port is closed;
// the choice made from code at start-up only reopens a port it has closed.
void Panel::choosePort(int port, bool openIfClosed)
{
    const int fallback = port == 1 ? 2 : 1;
    m_lateFailure = openIfClosed ? LateFailure::FailedChoice : LateFailure::Warning;
    bool failed = false;
    const bool wasOpen = m_port->portOpen();
    if (wasOpen)
        failed = !m_port->setPortOpen(false);
    failed = !m_port->setCommPort(port) || failed;
    if (!failed && (wasOpen || openIfClosed))
        failed = !m_port->setPortOpen(true);

    if (failed) {
        emit warning(m_port->errorString());
        if (m_port->portOpen())
            m_port->setPortOpen(false);
        m_port->setCommPort(fallback);
        // The fallback is not the operator's choice: nothing goes out on it
        // until a choice succeeds.
        m_portChoiceFailed = true;
        return; // the settings panel stays in view
    }
    m_portChoiceFailed = false;
    setSettingsPanelVisible(false);
}

void Panel::assignDevice(int port, const QString& device)
{
    if (const QString error = deviceNameError(device); !error.isEmpty()) {
        emit warning(tr("COM%1: refused: the menu %2: \"%3\"").arg(port).arg(error, quotedControls(device)));
        return; // nothing chosen, remembered or opened
    }
    const QString absolute = absoluteDevice(device);
    if (PortMap* map = m_port->portMap())
        map->choose(port, absolute, QStringLiteral("the menu"));
    emit portChoiceMade(port, absolute);
    if (port != m_port->commPort() || m_portChoiceFailed)
        return;
    if (m_port->portOpen())
        m_port->setPortOpen(false);
    if (!m_port->setPortOpen(true))
        emit warning(m_port->errorString());
    m_lateFailure = LateFailure::Warning; // read when a late failure comes, from the event loop
}

void Panel::reportOpenFailure()
{
    switch (m_lateFailure) {
    case LateFailure::Quiet: return; // quiet: the next transmission tries again
    case LateFailure::Warning: emit warning(m_port->errorString()); return;
    case LateFailure::FailedChoice:
        emit warning(m_port->errorString());
        m_port->setCommPort(m_port->commPort() == 1 ? 2 : 1);
        m_portChoiceFailed = true;
        setSettingsPanelVisible(true); // as a choice that fails at once leaves it
        return;
    }
}

void Panel::selectSpeed(int baud)
{
    const LineSpeedRow* chosen = findLineSpeed(baud);
    const QString settings = settingsText(chosen ? *chosen : lineSpeed(kStartLineSpeed));
    if (!m_port->setSettings(settings)) { // applied at once, also while open
        // Refused: the line keeps its speed, and so does the panel's choice.
        emit warning(m_port->errorString());
        const LineSpeedRow* kept = findLineSpeed(m_portSettings.toStdString());
        emit speedOptionSelected((kept ? *kept : lineSpeed(kStartLineSpeed)).baud);
        return; // the settings panel stays in view
    }
    m_portSettings = settings;
    setSettingsPanelVisible(false);
}

void Panel::showSettingsPanel()
{
    setSettingsPanelVisible(true);
    enable(m_settingsPanelTimer);
}

void Panel::hideSettingsPanel()
{
    setSettingsPanelVisible(false);
    m_settingsPanelTimer.stop();
}

void Panel::end()
{
    for (QTimer* t : {&m_repeatTimer, &m_replyTimer, &m_settingsPanelTimer, &m_displayClearTimer, &m_releasedWindow})
        t->stop();
    m_port->setPortOpen(false);
    emit ended();
}

} // namespace runo
