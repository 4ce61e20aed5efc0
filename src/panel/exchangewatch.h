// SPDX-License-Identifier: MIT
// One exchange on the line, as every program that drives a panel sees it:
// one line sent and what came back for it, until it ends, and how it ended.
// runoctl, the bridge and the traffic log all read the exchanges of their
// panel here, so the same line ends the same way for each of them.
//
// An exchange begins when a line goes out (or is refused) and ends
//   reply      at the first whole reply by its form: up to a CR, or for a
//              line that reads nothing, an ACK (Panel::replyComplete); or
//              when its reply window closes with something received. A
//              line that comes back as it went (a line server's echo) is
//              not its reply: the reply is what follows it.
//   no reply   when its reply window closes with nothing received
//   refused    at once, when nothing of the line went out
//   lost       when the port goes away (or a connection being made fails)
//   cut short  when the next line goes out, the panel ends, or its driver
//              stops waiting (cutShort())
// A hold's lines are one exchange each; after the release, the last one
// ends when the rest of the window the press set has passed (panel.h).
//   READ STATUS, "80\r"          ended({Reply, sent "CR0\r", received "80\r", reading Standby})
//   POWER ON, silent projector   ended({NoReply, receiveLine " X X X X"}) 500 ms later
//   VOL + held 1010 ms           five exchanges; the last ends 200 ms after the release
// The watch keeps what the whole readings tell in a ProjectorState.
#pragma once

#include "traffic/projectorstate.h"
#include "traffic/reading.h"

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QString>

#include <cstdint>
#include <optional>

namespace runo {

class Panel;

struct Exchange {
    enum class Result : std::uint8_t { Reply, NoReply, Refused, Lost, CutShort };

    QDateTime time; // when the line went out
    QString port; // the port's device, as the port names it
    QByteArray sent; // the whole line, its CR included
    QByteArray commandPrefix; // the panel's, for decoding the reply
    QByteArray received; // the first Panel::kReceiveBufferLimit bytes that came back
    qint64 dropped = 0; // bytes past them
    Result result = Result::CutShort;
    QString reason; // why the line was refused or lost
    // The panel's traffic lines: the transmit line of this line, the receive
    // and status lines as the last reply left them (the no-reply marker when
    // nothing came).
    QString transmitLine;
    QString receiveLine;
    QString statusLine;
    // What the reply read as, by the decoder the line chooses.
    std::optional<Reading> reading;
    // The reply ended by its form, not by its window: nothing more of it is
    // on its way.
    bool complete = false;

    bool replied() const { return result == Result::Reply; }
};

// "reply", "no reply", "refused", "lost", "cut short": as the traffic log
// and the web face name the results.
QString exchangeResultName(Exchange::Result result);

class ExchangeWatch : public QObject {
    Q_OBJECT
public:
    // Watches `panel` (and its port) until either goes.
    explicit ExchangeWatch(Panel* panel, QObject* parent = nullptr);

    Panel* panel() const { return m_panel; }
    bool isOpen() const { return m_open; }
    // The exchange open now, or the last one ended.
    const Exchange& current() const { return m_exchange; }
    const ProjectorState& state() const { return m_state; }

    // Ends the open exchange, cut short: its driver waits no more.
    void cutShort();

signals:
    // A line went out; ended() follows for it.
    void started(const Exchange& exchange);
    // Bytes came back for the open exchange.
    void received(const Exchange& exchange);
    // Bytes came back while no exchange was open: no line's reply.
    void unclaimed(const QByteArray& bytes);
    void ended(const Exchange& exchange);
    // A whole reading told something new (after ended()).
    void stateChanged(const ProjectorState& state);

private:
    void begin(const QByteArray& line);
    void refuse(const QByteArray& line, const QString& reason);
    void take(const QByteArray& bytes);
    void closeWindow();
    void lose();
    void finish(Exchange::Result result);
    QByteArrayView reply() const; // what came back, an echo of the line left out

    Panel* m_panel;
    bool m_open = false;
    Exchange m_exchange;
    ProjectorState m_state;
};

} // namespace runo
