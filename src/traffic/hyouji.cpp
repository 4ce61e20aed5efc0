// Hyouji: every command line leaves through here, and every received text
// reaches the screen through here.
#include "link/mscomm.h"
#include "link/panel.h"
#include "traffic/decoders.h"
#include "traffic/traffictext.h"

namespace runo {

void Panel::Hyouji(const QByteArray& text, std::uint8_t mode)
{
    if (mode == kSendMode) {
        // A port left closed (failed open, vanished device) is tried again
        // with the current number and settings. If it still cannot be used,
        // nothing goes out, but the exchange runs as usual so the operator
        // sees the no-reply marker when the reply window closes.
        if (MSComm1->portOpen() || MSComm1->setPortOpen(true))
            MSComm1->output(text);
        setTransmitLine(trafficText(text));
        enable(Timer2);
        m_awaitingReply = 1;
        enable(Timer4);
        return;
    }

    const QString line = trafficText(text);
    setReceiveLine(line);
    if (const auto status = decodeReply(m_lastCommand, m_commandPrefix, m_receiveLine))
        setStatusLine(*status);
}

} // namespace runo
