// SPDX-License-Identifier: MIT
#include "bridge/notifier.h"

#include "bridge/journal.h"
#include "bridge/pjlink.h"
#include "panel/exchangewatch.h"

#include <QNetworkInterface>

namespace runo {

namespace {

const QByteArray kNoHardwareAddress = "00:00:00:00:00:00";

// A notification: "%2POWR=1\r", in the form of a Class 2 answer (section 3.3).
QByteArray notification(const QByteArray& command, const QByteArray& value) { return pjlinkAnswer({'2', command, {}}, value); }

} // namespace

Notifier::Notifier(const ExchangeWatch* watch, const PjlinkProjector* projector, QUdpSocket* pjlinkSocket,
    const QList<Listen>& targets, QObject* parent)
    : QObject(parent)
    , m_watch(watch)
    , m_projector(projector)
    , m_pjlinkSocket(pjlinkSocket)
{
    for (const Listen& at : targets)
        m_targets.push_back({at});
    connect(watch, &ExchangeWatch::stateChanged, this, &Notifier::takeState);
    connect(projector, &PjlinkProjector::inputChosen, this, &Notifier::takeInput);
}

QByteArray Notifier::hardwareAddressToward(const QHostAddress& target)
{
    // A datagram socket connected to the target sends nothing, and the
    // system has chosen the address it would send from.
    QUdpSocket probe;
    probe.connectToHost(target, kPjlinkPort);
    const QHostAddress from = probe.localAddress();
    for (const QNetworkInterface& i : QNetworkInterface::allInterfaces())
        for (const QNetworkAddressEntry& e : i.addressEntries())
            if (!from.isNull() && e.ip().isEqual(from, QHostAddress::ConvertV4MappedToIPv4)) {
                const QByteArray mac = i.hardwareAddress().toLatin1();
                return mac.size() == kNoHardwareAddress.size() ? mac : kNoHardwareAddress;
            }
    return kNoHardwareAddress;
}

void Notifier::start()
{
    if (m_state == State::Serving)
        return;
    m_state = State::Serving;
    for (Target& t : m_targets)
        send(t, notification("LKUP", hardwareAddressToward(t.at.address)));
}

void Notifier::takeState(const ProjectorState& state)
{
    if (state.operating) {
        notify(m_sent.power, "POWR", QByteArray(1, pjlinkPower(state.operating->value)));
        notify(m_sent.errors, "ERST", pjlinkErrors(state.operating->value));
    }
    // Only a new reading of the mode tells the input: an older one may be
    // from before an input chosen since.
    if (state.inputMode && state.inputMode->at != m_inputReadAt) {
        m_inputReadAt = state.inputMode->at;
        notify(m_sent.input, "INPT", pjlinkInput(InputMode {state.inputMode->value}, m_projector->lastInput()));
    }
}

void Notifier::takeInput(const QByteArray& code)
{
    // The mode read so far is from before this choice.
    if (const auto& mode = m_watch->state().inputMode)
        m_inputReadAt = mode->at;
    notify(m_sent.input, "INPT", code);
}

void Notifier::notify(QByteArray& last, const QByteArray& command, const QByteArray& value)
{
    switch (m_state) {
    case State::Waiting: return; // nothing before the link-up
    case State::Serving:
        if (value.isEmpty() || value == last)
            return;
        last = value;
        for (Target& t : m_targets)
            send(t, notification(command, value));
        return;
    }
}

void Notifier::send(Target& target, const QByteArray& datagram)
{
    QUdpSocket& socket = m_pjlinkSocket->state() == QAbstractSocket::BoundState ? *m_pjlinkSocket : m_ownSocket;
    // Never waits: a datagram the system will not take now is dropped.
    const bool sent = socket.writeDatagram(datagram, target.at.address, target.at.port) == datagram.size();
    if (!sent && !target.failing)
        logLine(QStringLiteral("notifications to %1: %2").arg(peerName(target.at.address, target.at.port), socket.errorString()));
    target.failing = !sent;
}

} // namespace runo
