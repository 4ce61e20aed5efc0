// SPDX-License-Identifier: MIT
#include "bridge/panellink.h"

#include "commands/commandtable.h"
#include "commands/timing.h"
#include "link/mscomm.h"

#include <string_view>

namespace runo {

PanelLink::PanelLink(MSComm& port, int baud, QObject* parent)
    : QObject(parent)
    , m_port(port)
    , m_panel(&port)
    , m_watch(&m_panel)
{
    connect(&m_watch, &ExchangeWatch::ended, this, &PanelLink::take);
    connect(&m_watch, &ExchangeWatch::unclaimed, this, &PanelLink::settle);
    m_settling.setSingleShot(true);
    connect(&m_settling, &QTimer::timeout, this, &PanelLink::endSettling);
    // Between exchanges: said once per loss, the next exchange reopens.
    const auto idleLoss = [this] {
        if (m_state == State::Idle)
            emit lineFailed(m_port.errorString());
    };
    connect(&port, &MSComm::lost, this, idleLoss);
    connect(&port, &MSComm::openFailed, this, idleLoss);
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
    if (m_state == State::Settling) {
        m_next = line;
        return;
    }
    // What the last window left behind is not this exchange's reply.
    m_panel.closeReplyWindow();
    m_panel.clearTrafficDisplay();
    m_state = State::Sending;
    m_endedInSend.reset();
    send(line);
    if (m_endedInSend)
        finish(*m_endedInSend);
    else
        m_state = State::Waiting;
}

void PanelLink::send(const QByteArray& line)
{
    const std::optional<CommandRef> command = commandWithText(std::string_view(line.constData(), size_t(line.size())));
    m_panel.setReplyWindow(timing::kStoredExchange.replyMs); // not the last command's
    if (command && command->button()) {
        m_panel.clickCommand(*command->button());
    } else if (command && command->hold()) {
        // A hold button pressed and released at once: one line, whose
        // exchange ends when the window the press set has passed.
        m_panel.pressHold(*command->hold());
        m_windowMs = m_panel.replyTimer().interval();
        m_repeatMs = m_panel.repeatTimer().interval();
        m_panel.releaseHold(*command->hold());
        return;
    } else {
        m_panel.sendFreeCommand(QString::fromLatin1(line));
    }
    m_windowMs = m_panel.replyTimer().interval();
}

void PanelLink::take(const Exchange& e)
{
    switch (m_state) {
    case State::Idle:
    case State::Settling: return;
    case State::Sending: m_endedInSend = e; return;
    case State::Waiting: finish(e); return;
    }
}

void PanelLink::finish(const Exchange& e)
{
    const bool late = !e.complete && (e.result == Exchange::Result::Reply || e.result == Exchange::Result::NoReply);
    m_state = late ? State::Settling : State::Idle;
    if (late)
        m_settling.start(std::min(m_windowMs, kMaxSettleMs));
    if (e.result == Exchange::Result::Refused || e.result == Exchange::Result::Lost)
        emit lineFailed(e.reason);
    emit finished(e);
}

// Bytes outside any exchange: while settling, the end of a late reply.
void PanelLink::settle(const QByteArray& bytes)
{
    if (m_state == State::Settling && (bytes.contains('\r') || bytes.contains('\x06')))
        endSettling();
}

void PanelLink::endSettling()
{
    if (m_state != State::Settling)
        return;
    m_settling.stop();
    m_state = State::Idle;
    if (m_next)
        exchange(*std::exchange(m_next, std::nullopt));
}

} // namespace runo
