// SPDX-License-Identifier: MIT
// The bridge's one contact with the panel: a Panel of its own on the line,
// driven as the operator's clicks and SEND drive it, one exchange at a time,
// and heard through the panel's ExchangeWatch.
// A line that is one of the panel's command texts goes out as its button
// (with that button's reply window), a hold button's as a press released at
// once, any other line as the free command.
//   exchange("CR0")  "CR0\r" out, "80\r" back -> finished({Reply, received "80\r", reading Standby})
//   exchange("C00")  "C00\r" out, ACK back    -> finished({Reply, received "\x06"})
//   exchange("CR0"), silent projector, 500 ms -> finished({NoReply})
// Every line has its own command's reply window (a fresh panel's for one
// that sets none), whatever came before it. A reply that did not end by its
// form may still be on its way: the next line waits until it has (its CR or
// ACK), or until as long again as its window, at most kMaxSettleMs, has
// passed, so that no late reply is taken for the next line's.
#pragma once

#include "panel/exchangewatch.h"
#include "panel/panel.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

#include <optional>

namespace runo {

class MSComm;

class PanelLink : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxSettleMs = 1000;

    // On `port`, whose device or port number the caller has set.
    PanelLink(MSComm& port, int baud, QObject* parent = nullptr);

    // Opens the line (a network port may still be connecting); false with
    // the reason when it cannot be opened at all.
    bool open(QString* error);
    bool isBusy() const { return m_state != State::Idle && m_state != State::Settling; }
    // Sends one line (without its CR); finished() follows, at once when the
    // line cannot go out.
    void exchange(const QByteArray& line);
    // The port closed and its lock released, as END leaves them.
    void end() { m_panel.end(); }
    Panel* panel() { return &m_panel; }
    // The repeat (Timer1) that the last hold button's press set: a face that
    // holds sends the hold's lines at this interval, as the panel does.
    int repeatMs() const { return m_repeatMs; }
    // The reply window of the line last sent.
    int replyWindowMs() const { return m_windowMs; }
    const ExchangeWatch* exchanges() const { return &m_watch; }

signals:
    void finished(const Exchange& exchange);
    // The line went away, could not be reopened or refused a line.
    void lineFailed(const QString& reason);

private:
    //   Idle -> Sending -> Waiting -> Idle, or -> Settling -> Idle (or Sending, a line waiting)
    enum class State { Idle, Sending, Waiting, Settling };

    void send(const QByteArray& line);
    void take(const Exchange& exchange);
    void finish(const Exchange& exchange);
    void settle(const QByteArray& bytes);
    void endSettling();

    MSComm& m_port;
    Panel m_panel;
    ExchangeWatch m_watch;
    State m_state = State::Idle;
    std::optional<Exchange> m_endedInSend; // a refusal or loss inside the panel's send
    int m_windowMs = 0; // the reply window of the line on its way
    int m_repeatMs = 0;
    QTimer m_settling;
    std::optional<QByteArray> m_next; // asked for while settling
};

} // namespace runo
