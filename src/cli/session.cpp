// SPDX-License-Identifier: MIT
#include "cli/session.h"

#include "commands/commandtable.h"
#include "link/mscomm.h"

namespace runo {

Session::Session(MSComm& port, const Target& target, const Request& request, QObject* parent)
    : QObject(parent)
    , m_port(port)
    , m_target(target)
    , m_request(request)
    , m_panel(&port)
    , m_watch(&m_panel)
{
    m_holdTimer.setSingleShot(true);
    m_holdTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_holdTimer, &QTimer::timeout, this, &Session::release);
    connect(&m_watch, &ExchangeWatch::ended, this, &Session::take);
    // A flood goes on between a hold's lines: what comes once the bound is
    // reached counts as dropped, whenever it comes.
    connect(&m_watch, &ExchangeWatch::unclaimed, this, [this](const QByteArray& bytes) {
        if (m_outcome.received.size() >= kKeptBytes)
            m_outcome.dropped += bytes.size();
    });
    // A loss between a hold's lines, or a network port's connection failing.
    connect(&port, &MSComm::lost, this, [this] { fail(m_port.errorString()); });
    connect(&port, &MSComm::openFailed, this, [this] { fail(m_port.errorString()); });
}

void Session::start()
{
    if (m_target.device.isEmpty() && !m_port.setCommPort(m_target.com)) {
        fail(m_port.errorString());
        return;
    }
    m_panel.selectSpeed(m_request.baud);
    if (!m_port.setPortOpen(true)) {
        fail(m_port.errorString());
        return;
    }
    // The reply window starts when the line leaves, so a network port sends
    // once connected; a failed connection ends the wait.
    if (m_port.isConnecting()) {
        m_state = State::Connecting;
        connect(&m_port, &MSComm::opened, this, &Session::send, Qt::SingleShotConnection);
    } else {
        send();
    }
}

void Session::interrupt()
{
    if (m_state != State::Finished)
        finish(Outcome::Result::Interrupted);
}

void Session::send()
{
    if (m_state == State::Finished)
        return;
    m_state = State::Sending;
    const std::optional<Command>& command = m_request.command;
    if (!command)
        m_panel.sendFreeCommand(m_request.freeText);
    else if (command->button)
        m_panel.clickCommand(*command->button);
    else
        m_panel.pressHold(*command->hold);
    if (m_failure) {
        m_state = State::Waiting;
        fail(*m_failure);
        return;
    }
    if (m_state != State::Sending)
        return;
    // The panel has just set the reply window in force for this command;
    // --timeout replaces it, so that the panel keeps the whole reply.
    if (m_request.timeoutMs > 0)
        m_panel.setReplyWindow(m_request.timeoutMs);
    m_outcome.replyWindowMs = m_request.timeoutMs > 0 ? m_request.timeoutMs : m_panel.replyTimer().interval();
    if (isHold()) {
        m_state = State::Holding;
        m_holdTimer.start(std::max(0, m_request.holdMs));
    } else {
        m_state = State::Waiting;
    }
}

// Every exchange adds its line and its bytes; a single line's end, a hold's
// last line after the release, or a failure of any ends the session.
void Session::take(const Exchange& e)
{
    const bool failed = e.result == Exchange::Result::Refused || e.result == Exchange::Result::Lost;
    m_outcome.transmitLine = e.transmitLine;
    if (e.result != Exchange::Result::Refused) {
        m_outcome.sent += e.sent;
        ++m_outcome.lines;
    }
    m_outcome.dropped += Panel::keepReply(m_outcome.received, e.received) + e.dropped;
    m_replied = m_replied || e.replied();
    if (!e.received.isEmpty()) {
        m_outcome.receiveLine = e.receiveLine;
        m_outcome.statusLine = e.statusLine;
        m_outcome.reading = e.reading;
    }
    switch (m_state) {
    case State::Sending: // inside the panel's send: taken once it returns
        if (failed)
            m_failure = e.reason;
        return;
    case State::Waiting:
        if (failed)
            fail(e.reason);
        else if (e.result != Exchange::Result::CutShort)
            finishWaiting();
        return;
    case State::Holding:
        if (failed)
            fail(e.reason);
        return;
    case State::Releasing:
        if (failed)
            fail(e.reason);
        else
            finishWaiting();
        return;
    case State::Idle:
    case State::Connecting:
    case State::Finished: return;
    }
}

// The command failed for this reason, with what came before it kept.
void Session::fail(const QString& reason)
{
    switch (m_state) {
    case State::Finished: return;
    case State::Sending: m_failure = reason; return;
    default: m_outcome.error = reason; finish(Outcome::Result::PortError);
    }
}

void Session::release()
{
    m_state = State::Releasing;
    m_panel.releaseHold(*m_request.command->hold);
    // The last line's window may have closed already; else its exchange
    // ends when the rest of it has passed.
    if (!m_watch.isOpen())
        finishWaiting();
}

void Session::finishWaiting()
{
    if (m_replied) {
        finish(Outcome::Result::Reply);
        return;
    }
    if (m_outcome.received.isEmpty())
        m_outcome.receiveLine = QString::fromLatin1(Panel::kNoReplyMarker.data(), qsizetype(Panel::kNoReplyMarker.size()));
    finish(Outcome::Result::NoReply);
}

void Session::finish(Outcome::Result result)
{
    m_state = State::Finished;
    m_watch.cutShort(); // what came so far is kept
    m_holdTimer.stop();
    m_outcome.result = result;
    // As END: every timer stopped, so a hold cut short repeats no more while
    // other ports are still served, and the port closed and its lock removed.
    m_panel.end();
    emit finished();
}

} // namespace runo
