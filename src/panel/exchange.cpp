// SPDX-License-Identifier: MIT
// The exchange: every command line leaves through send and Hyouji, every
// received byte comes back through receive and Hyouji, and the reply and
// display-clear ticks close it.
//
//   send("CR0")         lastCommand "CR0\r", written, TXD " C R 0 CR ",
//                       Timer2 and Timer4 (re)started, awaitingReply 1
//   receive() "0", "0\r" RXD " 0 ", then " 0 0 CR "; STATUS " Power ON"
//   Timer2 tick         " X X X X" on RXD if nothing came; buffer emptied
//   Timer4 tick         TXD, RXD and STATUS blank
#include "commands/commandtable.h"
#include "link/mscomm.h"
#include "panel/panel.h"
#include "traffic/decoders.h"
#include "traffic/traffictext.h"

namespace runo {

void Panel::send(std::string_view commandText)
{
    QByteArray line = m_commandPrefix;
    line.append(QByteArrayView(commandText));
    line.append('\r');
    sendLine(line);
}

void Panel::sendLine(const QByteArray& line)
{
    m_lastCommand = line;
    Hyouji(m_lastCommand, HyoujiMode::Send);
}

void Panel::Hyouji(const QByteArray& text, HyoujiMode mode)
{
    if (mode == HyoujiMode::Send) {
        if (!m_port->portOpen())
            m_lateFailure = LateFailure::Quiet; // a network port failing to connect for a send says nothing
        // A port left closed by a failed start-up or a vanished device is
        // tried again with the current number and settings. After a failed
        // port choice nothing goes out, since the port left is not the one
        // the operator chose. When nothing can go out, the exchange runs as
        // usual, so the operator sees the no-reply marker.
        m_releasedWindow.stop(); // this line's window takes over
        const bool sent = !m_portChoiceFailed && (m_port->portOpen() || m_port->setPortOpen(true)) && m_port->output(text);
        setTransmitLine(trafficText(text));
        enable(m_replyTimer);
        m_awaitingReply = 1;
        enable(m_displayClearTimer);
        if (sent)
            emit lineSent(text);
        else
            emit lineRefused(text, m_port->errorString());
        return;
    }

    setReceiveLine(trafficText(text));
    if (const auto status = decodeReply(m_lastCommand, m_commandPrefix, m_receiveLine))
        setStatusLine(*status);
}

void Panel::receive()
{
    if (m_port->commEvent() != MSComm::comEvReceive)
        return;
    const QByteArray s = m_port->input();
    m_awaitingReply = 0;
    if (s.isEmpty())
        return;
    const qsizetype room = kReceiveBufferLimit - m_receiveBuffer.size();
    if (room > 0) { // else nothing new to show
        m_receiveBuffer += s.left(room);
        Hyouji(m_receiveBuffer, HyoujiMode::Receive);
    }
    emit replyReceived(s);
}

void Panel::closeReplyWindow()
{
    const bool replied = m_awaitingReply != 1;
    if (!replied)
        setReceiveLine(QUtf8StringView(kNoReplyMarker).toString());
    m_replyTimer.stop();
    m_receiveBuffer.clear();
    m_awaitingReply = 0;
    emit replyWindowClosed(replied);
}

void Panel::closeReleasedWindow() { emit replyWindowClosed(m_awaitingReply != 1); }

void Panel::clearTrafficDisplay()
{
    setTransmitLine(QString());
    setReceiveLine(QString());
    setStatusLine(QString());
    m_displayClearTimer.stop();
}

} // namespace runo
