// SPDX-License-Identifier: MIT
// PJLink's status notifications (Class 2, section 3.3): UDP datagrams to
// each --notify target, from the PJLink port, as a Class 2 projector sends
// them to its controllers.
//   start()                                  "%2LKUP=00:00:00:00:00:00\r"   the bridge serves
//   READ STATUS reads " Stand by"            "%2POWR=0\r" "%2ERST=000000\r"
//   READ STATUS reads " Power ON"            "%2POWR=1\r"                   the errors did not change
//   INPT 25 acknowledged                     "%2INPT=25\r"
// A value goes out when it differs from the last one sent, the first one
// read included; a value never read is never sent. A datagram that cannot
// go out is dropped, never kept: a target that cannot be reached costs
// nothing but its log line.
#pragma once

#include "bridge/options.h"

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QUdpSocket>

#include <vector>

namespace runo {

class ExchangeWatch;
class PjlinkProjector;
struct ProjectorState;

class Notifier : public QObject {
    Q_OBJECT
public:
    // Sends from `pjlinkSocket` while it is bound (the search's socket, on
    // the PJLink port), else from a socket of its own.
    Notifier(const ExchangeWatch* watch, const PjlinkProjector* projector, QUdpSocket* pjlinkSocket, const QList<Listen>& targets,
        QObject* parent = nullptr);

    // The link-up notification to every target; the others follow from here.
    void start();

    // The hardware address of the interface whose address the bridge sends
    // from toward `target`: "52:54:00:12:34:56"; "00:00:00:00:00:00" when
    // there is none (the loopback) or it cannot be told.
    static QByteArray hardwareAddressToward(const QHostAddress& target);

private:
    //   Waiting -> Serving
    enum class State { Waiting, Serving };
    struct Target {
        Listen at;
        bool failing = false; // its last datagram could not go out (logged once)
    };
    // What was last sent of each notified value; empty: nothing yet.
    struct Sent {
        QByteArray power;
        QByteArray errors;
        QByteArray input;
    };

    void takeState(const ProjectorState& state);
    void takeInput(const QByteArray& code);
    void notify(QByteArray& last, const QByteArray& command, const QByteArray& value);
    void send(Target& target, const QByteArray& datagram);

    const ExchangeWatch* m_watch;
    const PjlinkProjector* m_projector;
    QUdpSocket* m_pjlinkSocket;
    QUdpSocket m_ownSocket;
    std::vector<Target> m_targets;
    State m_state = State::Waiting;
    Sent m_sent;
    QDateTime m_inputReadAt; // the READ MODE reading the last input value came from
};

} // namespace runo
