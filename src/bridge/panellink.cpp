// SPDX-License-Identifier: MIT
#include "bridge/panellink.h"

#include "commands/commandtable.h"

namespace runo {

namespace {

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

PanelLink::PanelLink(const QString& device, int com, int baud, QObject* parent)
    : QObject(parent)
    , m_panel(&m_port)
{
    m_holdWindow.setSingleShot(true);
    m_holdWindow.setTimerType(Qt::PreciseTimer);
    connect(&m_holdWindow, &QTimer::timeout, this, &PanelLink::closeWindow);
    connect(&m_panel, &Panel::lineSent, this, &PanelLink::takeLine);
    connect(&m_panel, &Panel::lineRefused, this, &PanelLink::takeRefusal);
    connect(&m_panel, &Panel::replyReceived, this, &PanelLink::takeReply);
    connect(&m_panel, &Panel::replyWindowClosed, this, &PanelLink::closeWindow);
    connect(&m_port, &SerialComm::lost, this, &PanelLink::takeLoss);
    connect(&m_port, &MSComm::openFailed, this, &PanelLink::takeLoss);
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
    // What the last window left behind is not this exchange's reply.
    m_panel.closeReplyWindow();
    m_panel.clearTrafficDisplay();
    m_received.clear();
    m_refusal.reset();
    m_sent = false;
    m_busy = true;
    std::optional<int> holdWindowMs;
    if (const CommandButton* button = buttonFor(line)) {
        m_panel.clickCommand(*button);
    } else if (const HoldButton* hold = holdFor(line)) {
        // A hold button pressed and released at once: one line, with the
        // reply window its press sets (the release stops the panel's timer).
        m_panel.pressHold(*hold);
        holdWindowMs = m_panel.replyTimer().interval();
        m_panel.releaseHold(*hold);
    } else {
        m_panel.sendFreeCommand(QString::fromLatin1(line));
    }
    if (m_refusal || !m_sent) { // closed and would not open, gone or stalled
        finish(LineResult::Result::Lost, m_refusal.value_or(m_port.errorString()));
        return;
    }
    if (holdWindowMs && m_busy)
        m_holdWindow.start(*holdWindowMs);
}

void PanelLink::takeRefusal(const QByteArray&, const QString& reason) { m_refusal = reason; }

void PanelLink::takeReply(const QByteArray& bytes)
{
    if (!m_busy)
        return;
    Panel::keepReply(m_received, bytes);
    if (m_panel.replyComplete(m_received))
        finish(LineResult::Result::Reply);
}

void PanelLink::takeLoss()
{
    if (m_busy && m_sent)
        finish(LineResult::Result::Lost, m_port.errorString());
    else
        emit lineFailed(m_port.errorString());
}

void PanelLink::closeWindow()
{
    if (m_busy && m_sent)
        finish(m_received.isEmpty() ? LineResult::Result::NoReply : LineResult::Result::Reply);
}

void PanelLink::finish(LineResult::Result result, const QString& error)
{
    m_holdWindow.stop();
    m_busy = false;
    LineResult r;
    r.result = result;
    r.received = m_received;
    r.status = m_panel.statusLine().trimmed();
    r.error = error;
    if (result == LineResult::Result::Lost)
        emit lineFailed(error);
    emit finished(r);
}

} // namespace runo
