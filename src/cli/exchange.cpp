// SPDX-License-Identifier: MIT
#include "cli/exchange.h"

#include "commands/commandtable.h"

namespace runo {

bool TappedComm::output(const QByteArray& text)
{
    if (!SerialComm::output(text))
        return false;
    sent += text;
    ++lines;
    lastOutput.start();
    return true;
}

QByteArray TappedComm::input()
{
    QByteArray bytes = SerialComm::input();
    received += bytes;
    return bytes;
}

Exchange::Exchange(const Target& target, const Request& request, PortMap* ports, QObject* parent)
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
    connect(&m_windowTimer, &QTimer::timeout, this, &Exchange::closeWindow);
    connect(&m_holdTimer, &QTimer::timeout, this, &Exchange::release);
    // After the panel's own receive handler, which was connected first.
    connect(&m_port, &MSComm::onComm, this, &Exchange::takeReply);
    // A network port opens in the background and may fail later.
    connect(&m_port, &MSComm::openFailed, this, &Exchange::failOpen);
}

void Exchange::start()
{
    if (!openPort()) {
        failOpen();
        return;
    }
    // The reply window starts when the line leaves, so a network port sends
    // once connected; failOpen() ends the wait.
    if (m_port.isConnecting())
        connect(&m_port, &SerialComm::opened, this, &Exchange::send, Qt::SingleShotConnection);
    else
        send();
}

void Exchange::failOpen()
{
    if (m_finished)
        return;
    m_outcome.error = m_port.errorString();
    finish(Outcome::Result::PortError);
}

bool Exchange::openPort()
{
    if (!m_target.device.isEmpty())
        m_port.setDevice(m_target.device);
    else if (!m_port.setCommPort(m_target.com))
        return false;
    m_panel.selectSpeed(m_request.baud);
    return m_port.setPortOpen(true);
}

void Exchange::send()
{
    const std::optional<Command>& command = m_request.command;
    if (!command)
        m_panel.sendFreeCommand(m_request.freeText);
    else if (command->button)
        m_panel.clickCommand(*command->button);
    else
        m_panel.pressHold(*command->hold);
    m_outcome.transmitLine = m_panel.transmitLine();
    if (m_port.lines == 0) { // refused: nothing went out
        m_outcome.error = m_port.errorString();
        finish(Outcome::Result::PortError);
        return;
    }

    // The panel has just set the reply window in force for this command;
    // --timeout replaces it, so that the panel keeps the whole reply.
    if (m_request.timeoutMs > 0)
        m_panel.setReplyWindow(m_request.timeoutMs);
    m_outcome.replyWindowMs = m_panel.replyTimer().interval();
    if (command && command->hold) {
        m_holdTimer.start(std::max(0, m_request.holdMs));
        return;
    }
    m_windowTimer.start(m_outcome.replyWindowMs);
}

void Exchange::takeReply()
{
    if (m_finished || m_port.received.size() == m_outcome.received.size())
        return;
    m_outcome.received = m_port.received;
    m_outcome.receiveLine = m_panel.receiveLine();
    m_outcome.statusLine = m_panel.statusLine();
    // The first CR ends a reply; a hold takes every reply until its last
    // line's window has passed.
    if (!m_request.command || m_request.command->button) {
        if (m_outcome.received.contains('\r'))
            finish(Outcome::Result::Reply);
    }
}

void Exchange::release()
{
    m_panel.releaseHold(*m_request.command->hold);
    // The last line still has the rest of its reply window.
    const qint64 sinceLastLine = m_port.lastOutput.isValid() ? m_port.lastOutput.elapsed() : m_outcome.replyWindowMs;
    const qint64 left = m_outcome.replyWindowMs - sinceLastLine;
    m_windowTimer.start(int(std::max<qint64>(0, left)));
}

void Exchange::closeWindow()
{
    if (!m_outcome.received.isEmpty()) {
        finish(Outcome::Result::Reply);
        return;
    }
    if (m_port.lossCount() > 0) { // the device went, or the connection dropped
        m_outcome.error = m_port.errorString();
        finish(Outcome::Result::PortError);
        return;
    }
    m_outcome.receiveLine = QString::fromLatin1(Panel::kNoReplyMarker.data(), qsizetype(Panel::kNoReplyMarker.size()));
    finish(Outcome::Result::NoReply);
}

void Exchange::finish(Outcome::Result result)
{
    m_finished = true;
    m_windowTimer.stop();
    m_holdTimer.stop();
    m_outcome.result = result;
    m_outcome.sent = m_port.sent;
    m_outcome.lines = m_port.lines;
    // As END: every timer stopped, so a hold cut short repeats no more while
    // other ports are still served, and the port closed.
    m_panel.end();
    emit finished();
}

} // namespace runo
