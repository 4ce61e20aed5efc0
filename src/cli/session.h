// SPDX-License-Identifier: MIT
// One command on one port, through a Panel of its own: the line, the reply
// window, the repeat and the decoding are the window's own, byte for byte,
// and what happened is what the panel announces.
//   READ STATUS on /dev/pts/3   "CR0\r" out, then waits for up to the reply
//                               window in force (500 ms) and ends at the first
//                               CR of "80\r": status " Stand by"
//   POWER ON                    "C00\r" out, ends at the ACK of the reply
//   hold VOL + for 1100 ms      "C09\r" at once, then at 250, 500, 750 and
//                               1000 ms; released at 1100 ms
#pragma once

#include "panel/exchangewatch.h"
#include "panel/linespeed.h"
#include "panel/outcome.h"
#include "panel/panel.h"
#include "panel/vocabulary.h"

#include <QObject>
#include <QTimer>

#include <optional>

namespace runo {

class MSComm;

// A port as the user named it.
struct Target {
    QString label; // "/dev/ttyUSB0", "COM2"
    QString device; // empty: the panel's device for com
    int com = 1;
};

struct Request {
    std::optional<Command> command; // nothing: the free command freeText
    QString freeText;
    int holdMs = -1; // how long a hold button is held; -1: pressed and released at once
    int baud = lineSpeed(kStartLineSpeed).baud;
    int timeoutMs = 0; // reply window; 0: the panel's for the command
};

class Session : public QObject {
    Q_OBJECT
public:
    // On `port`, whose device the caller has set for a device target; a COM
    // target's port number is set here.
    Session(MSComm& port, const Target& target, const Request& request, QObject* parent = nullptr);

    // Opens the port and sends (a network port once its connection is made);
    // finished() follows, at once when the port cannot be opened.
    void start();
    // Ends a session that is not done as END would, keeping what came so far.
    void interrupt();
    bool isFinished() const { return m_state == State::Finished; }
    const Outcome& outcome() const { return m_outcome; }
    Panel* panel() { return &m_panel; }
    const ExchangeWatch* exchanges() const { return &m_watch; }

signals:
    void finished();

private:
    //   Idle -> Connecting -> Sending -> Waiting                -> Finished
    //                                 -> Holding -> Releasing   -> Finished
    enum class State { Idle, Connecting, Sending, Waiting, Holding, Releasing, Finished };

    void send();
    void take(const Exchange& exchange);
    void fail(const QString& reason);
    void release();
    void finishWaiting();
    void finish(Outcome::Result result);
    bool isHold() const { return m_request.command && m_request.command->hold; }

    MSComm& m_port;
    Target m_target;
    Request m_request;
    Panel m_panel;
    ExchangeWatch m_watch;
    QTimer m_holdTimer; // the release of a hold
    State m_state = State::Idle;
    bool m_replied = false; // a line of it had a reply
    std::optional<QString> m_failure; // a failure inside the panel's send, taken once it returns
    Outcome m_outcome;
};

} // namespace runo
