// Reception and the ticks of the four timers.
#include "commands/commandtable.h"
#include "link/mscomm.h"
#include "link/panel.h"

namespace runo {

void Panel::receive()
{
    if (MSComm1->commEvent() != MSComm::comEvReceive)
        return;
    const QByteArray s = MSComm1->input();
    m_awaitingReply = 0;
    const qsizetype room = kReceiveBufferLimit - m_receiveBuffer.size();
    if (s.isEmpty() || room <= 0)
        return; // nothing new to show
    m_receiveBuffer += s.left(room);
    Hyouji(m_receiveBuffer, kReceiveMode);
}

void Panel::repeatHeldCommand()
{
    if (m_holdCode == 0)
        return;
    send(holdCommandText(m_holdCode));
}

void Panel::closeReplyWindow()
{
    if (m_awaitingReply == 1)
        setReceiveLine(QString::fromLatin1(kNoReplyMarker.data(), qsizetype(kNoReplyMarker.size())));
    Timer2.stop();
    m_receiveBuffer.clear();
    m_awaitingReply = 0;
}

void Panel::hideSettingsPanel()
{
    setSettingsPanelVisible(false);
    Timer3.stop();
}

void Panel::clearTrafficDisplay()
{
    setTransmitLine(QString());
    setReceiveLine(QString());
    setStatusLine(QString());
    Timer4.stop();
}

} // namespace runo
