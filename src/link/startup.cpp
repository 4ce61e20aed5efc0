// Start-up, the settings panel's port and speed selection, and the end.
#include "link/mscomm.h"
#include "link/panel.h"

namespace runo {

namespace {

const QString kFastSettings = QStringLiteral("19200,N,8,1");
const QString kSlowSettings = QStringLiteral("9600,N,8,1");

} // namespace

void Panel::load()
{
    m_portSettings = kFastSettings;
    m_commandPrefix.clear();
    setWindowHeight(kCompactHeight); // the window centres itself first
    m_holdCode = 0;
    m_awaitingReply = 0;
    m_receiveBuffer.clear();

    // A port that cannot be opened is reported and the panel runs on with it
    // closed; the next transmission tries it again.
    const bool opened = MSComm1->setCommPort(1) && MSComm1->setSettings(m_portSettings) && MSComm1->setPortOpen(true);
    if (!opened)
        emit warning(MSComm1->errorString());

    emit portOptionSelected(1);
    selectPort(1);
}

void Panel::selectPort(int port)
{
    const int fallback = port == 1 ? 2 : 1;
    bool failed = false;
    bool wasOpen = false;
    if (MSComm1->portOpen()) {
        wasOpen = true;
        failed = !MSComm1->setPortOpen(false);
    }
    failed = !MSComm1->setCommPort(port) || failed;
    if (!failed && wasOpen)
        failed = !MSComm1->setPortOpen(true);

    if (failed) {
        emit warning(MSComm1->errorString());
        if (MSComm1->portOpen())
            MSComm1->setPortOpen(false);
        MSComm1->setCommPort(fallback);
        return; // the settings panel stays in view
    }
    setSettingsPanelVisible(false);
}

void Panel::selectSpeed(int baud)
{
    m_portSettings = baud == 9600 ? kSlowSettings : kFastSettings;
    MSComm1->setSettings(m_portSettings); // applied at once, also while open
    setSettingsPanelVisible(false);
}

void Panel::showSettingsPanel()
{
    setSettingsPanelVisible(true);
    enable(Timer3);
}

void Panel::end()
{
    for (QTimer* t : {&Timer1, &Timer2, &Timer3, &Timer4})
        t->stop();
    MSComm1->setPortOpen(false);
    emit ended();
}

} // namespace runo
