// SPDX-License-Identifier: MIT
#include "bridge/panellink.h"

#include "commands/commandtable.h"

namespace runo {

namespace {

constexpr char kAck = 0x06;

const CommandButton* buttonFor(const QByteArray& line)
{
    for (const CommandButton& b : commandButtons())
        if (line == QByteArrayView(b.text.data(), qsizetype(b.text.size())))
            return &b;
    return nullptr;
}

const HoldButton* holdFor(const QByteArray& line)
{
    for (const HoldButton& h : holdButtons())
        if (line == QByteArrayView(h.text.data(), qsizetype(h.text.size())))
            return &h;
    return nullptr;
}

} // namespace

bool BridgeComm::output(const QByteArray& text)
{
    if (!SerialComm::output(text))
        return false;
    ++lines;
    return true;
}

QByteArray BridgeComm::input()
{
    const QByteArray bytes = SerialComm::input();
    received += bytes;
    return bytes;
}

PanelLink::PanelLink(const QString& device, int com, int baud, QObject* parent)
    : QObject(parent)
    , m_panel(&m_port)
{
    m_window.setSingleShot(true);
    m_window.setTimerType(Qt::PreciseTimer);
    connect(&m_window, &QTimer::timeout, this, &PanelLink::closeWindow);
    // After the panel's own receive handler, which was connected first.
    connect(&m_port, &MSComm::onComm, this, &PanelLink::takeReply);
    connect(&m_port, &MSComm::openFailed, this, [this] { emit lineFailed(m_port.errorString()); });
    if (!device.isEmpty())
        m_port.setDevice(device);
    else
        m_port.setCommPort(com);
    m_panel.selectSpeed(baud);
}

bool PanelLink::open(QString* error)
{
    if (m_port.setPortOpen(true))
        return true;
    *error = m_port.errorString();
    return false;
}

void PanelLink::exchange(const QByteArray& line)
{
    m_busy = true;
    // What the last window left behind is not this exchange's reply.
    m_panel.closeReplyWindow();
    m_panel.clearTrafficDisplay();
    m_port.received.clear();
    const int before = m_port.lines;
    int windowMs = 0;
    if (const CommandButton* button = buttonFor(line)) {
        m_panel.clickCommand(*button);
    } else if (const HoldButton* hold = holdFor(line)) {
        // A hold button pressed and released at once: one line, with the
        // reply window its press sets.
        m_panel.pressHold(*hold);
        m_panel.releaseHold(*hold);
        windowMs = hold->replyMs != kUnchanged ? hold->replyMs : Panel::kReplyMs;
    } else {
        m_panel.sendFreeCommand(QString::fromLatin1(line));
    }
    if (m_port.lines == before) { // the line could not go out: closed, gone or stalled
        finish(LineResult::Result::Lost);
        return;
    }
    m_window.start(windowMs > 0 ? windowMs : m_panel.replyTimer().interval());
}

void PanelLink::takeReply()
{
    if (!m_busy)
        return;
    if (m_port.received.contains('\r') || m_port.received.contains(kAck))
        finish(LineResult::Result::Reply);
}

void PanelLink::closeWindow()
{
    if (!m_port.received.isEmpty())
        finish(LineResult::Result::Reply);
    else
        finish(m_port.lossCount() > m_lossesSeen ? LineResult::Result::Lost : LineResult::Result::NoReply);
}

void PanelLink::finish(LineResult::Result result)
{
    m_window.stop();
    m_busy = false;
    LineResult r;
    r.result = result;
    r.received = m_port.received;
    r.status = m_panel.statusLine().trimmed();
    if (result == LineResult::Result::Lost) {
        r.error = m_port.errorString();
        if (m_port.lossCount() > m_lossesSeen || !m_port.portOpen())
            emit lineFailed(r.error);
    }
    m_lossesSeen = m_port.lossCount();
    emit finished(r);
}

} // namespace runo
