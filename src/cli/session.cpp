// SPDX-License-Identifier: MIT
#include "cli/session.h"

#include "commands/commandtable.h"

namespace runo {

Session::Session(const Target& target, const Request& request, PortMap* ports, QObject* parent)
    : QObject(parent)
    , m_target(target)
    , m_request(request)
    , m_port(ports)
    , m_panel(&m_port)
{
    for (QTimer* t : {&m_windowTimer, &m_holdTimer}) {
        t->setSingleShot(true);
        t->setTimerType(Qt::PreciseTimer);
    }
    connect(&m_windowTimer, &QTimer::timeout, this, &Session::closeWindow);
    connect(&m_holdTimer, &QTimer::timeout, this, &Session::release);
    connect(&m_panel, &Panel::lineSent, this, &Session::takeLine);
    connect(&m_panel, &Panel::lineRefused, this, &Session::takeRefusal);
    connect(&m_panel, &Panel::replyReceived, this, &Session::takeReply);
    connect(&m_panel, &Panel::replyWindowClosed, this, [this] {
        if (!isHold()) // a hold's lines each close a window of their own
            closeWindow();
    });
    connect(&m_port, &SerialComm::lost, this, &Session::takeLoss);
    // A network port opens in the background and may fail later.
    connect(&m_port, &MSComm::openFailed, this, &Session::failOpen);
}

void Session::start()
{
    if (!openPort()) {
        failOpen();
        return;
    }
    // The reply window starts when the line leaves, so a network port sends
    // once connected; failOpen() ends the wait.
    if (m_port.isConnecting())
        connect(&m_port, &SerialComm::opened, this, &Session::send, Qt::SingleShotConnection);
    else
        send();
}

void Session::interrupt()
{
    if (!m_finished)
        finish(Outcome::Result::Interrupted);
}

void Session::failOpen()
{
    if (m_finished)
        return;
    m_outcome.error = m_port.errorString();
    finish(Outcome::Result::PortError);
}

bool Session::openPort()
{
    if (!m_target.device.isEmpty())
        m_port.setDevice(m_target.device);
    else if (!m_port.setCommPort(m_target.com))
        return false;
    m_panel.selectSpeed(m_request.baud);
    return m_port.setPortOpen(true);
}

void Session::send()
{
    const std::optional<Command>& command = m_request.command;
    m_sending = true;
    if (!command)
        m_panel.sendFreeCommand(m_request.freeText);
    else if (command->button)
        m_panel.clickCommand(*command->button);
    else
        m_panel.pressHold(*command->hold);
    m_sending = false;
    if (m_failure) {
        fail(*m_failure);
        return;
    }
    // The panel has just set the reply window in force for this command;
    // --timeout replaces it, so that the panel keeps the whole reply.
    if (m_request.timeoutMs > 0 && !m_finished)
        m_panel.setReplyWindow(m_request.timeoutMs);
    m_outcome.replyWindowMs = m_request.timeoutMs > 0 ? m_request.timeoutMs : m_panel.replyTimer().interval();
    if (isHold() && !m_finished)
        m_holdTimer.start(std::max(0, m_request.holdMs));
}

void Session::takeLine(const QByteArray& line)
{
    m_outcome.sent += line;
    ++m_outcome.lines;
    m_outcome.transmitLine = m_panel.transmitLine();
    m_lastLine.start();
}

void Session::takeRefusal(const QByteArray&, const QString& reason)
{
    m_outcome.transmitLine = m_panel.transmitLine();
    fail(reason);
}

void Session::takeLoss() { fail(m_port.errorString()); }

// The command failed for this reason, with what came before it kept. Inside
// the panel's send, once the panel has returned.
void Session::fail(const QString& reason)
{
    if (m_finished)
        return;
    if (m_sending) {
        m_failure = reason;
        return;
    }
    m_outcome.error = reason;
    finish(Outcome::Result::PortError);
}

void Session::takeReply(const QByteArray& bytes)
{
    if (m_finished)
        return;
    m_outcome.dropped += Panel::keepReply(m_outcome.received, bytes);
    m_outcome.receiveLine = m_panel.receiveLine();
    m_outcome.statusLine = m_panel.statusLine();
    // A hold takes every reply until its last line's window has passed.
    if (!isHold() && m_panel.replyComplete(m_outcome.received))
        finish(Outcome::Result::Reply);
}

void Session::release()
{
    m_panel.releaseHold(*m_request.command->hold);
    // The last line still has the rest of its reply window.
    const qint64 sinceLastLine = m_lastLine.isValid() ? m_lastLine.elapsed() : m_outcome.replyWindowMs;
    const qint64 left = m_outcome.replyWindowMs - sinceLastLine;
    m_windowTimer.start(int(std::max<qint64>(0, left)));
}

void Session::closeWindow()
{
    if (m_finished)
        return;
    if (!m_outcome.received.isEmpty()) {
        finish(Outcome::Result::Reply);
        return;
    }
    m_outcome.receiveLine = QString::fromLatin1(Panel::kNoReplyMarker.data(), qsizetype(Panel::kNoReplyMarker.size()));
    finish(Outcome::Result::NoReply);
}

void Session::finish(Outcome::Result result)
{
    m_finished = true;
    m_windowTimer.stop();
    m_holdTimer.stop();
    m_outcome.result = result;
    // As END: every timer stopped, so a hold cut short repeats no more while
    // other ports are still served, and the port closed and its lock removed.
    m_panel.end();
    emit finished();
}

} // namespace runo
