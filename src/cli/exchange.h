// SPDX-License-Identifier: MIT
// One command on one port, through a Panel of its own: the line, the reply
// window, the repeat and the decoding are the window's own, byte for byte.
//   READ STATUS on /dev/pts/3   "CR0\r" out, then waits for up to the reply
//                               window in force (500 ms) and ends at the first
//                               CR of "80\r": status " Stand by"
//   hold VOL + for 1100 ms      "C09\r" at once, then at 250, 500, 750 and
//                               1000 ms; released at 1100 ms
#pragma once

#include "cli/vocabulary.h"
#include "link/serialcomm.h"
#include "panel/linespeed.h"
#include "panel/panel.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <optional>

namespace runo {

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

struct Outcome {
    enum class Result { Reply, NoReply, PortError };
    Result result = Result::NoReply;
    QString error; // the port's reason, for PortError
    QByteArray sent; // every byte written, all lines of a hold
    int lines = 0;
    QByteArray received; // every byte that came back
    int replyWindowMs = 0;
    // The panel's traffic lines: the transmit line of the last line sent, the
    // receive and status lines of the last reply (or the no-reply marker).
    QString transmitLine;
    QString receiveLine;
    QString statusLine;
};

// The serial port, with the bytes that cross it kept for the report.
class TappedComm : public SerialComm {
    Q_OBJECT
public:
    using SerialComm::SerialComm;
    bool output(const QByteArray& text) override;
    QByteArray input() override;

    QByteArray sent;
    int lines = 0;
    QByteArray received;
    QElapsedTimer lastOutput;
};

class Exchange : public QObject {
    Q_OBJECT
public:
    // A COM target's device is found in `ports`.
    Exchange(const Target& target, const Request& request, PortMap* ports, QObject* parent = nullptr);

    // Opens the port and sends (a network port once its connection is made);
    // finished() follows, at once when the port cannot be opened.
    void start();
    bool isFinished() const { return m_finished; }
    const Outcome& outcome() const { return m_outcome; }

signals:
    void finished();

private:
    bool openPort();
    void failOpen();
    void send();
    void takeReply();
    void release();
    void closeWindow();
    void finish(Outcome::Result result);

    Target m_target;
    Request m_request;
    TappedComm m_port;
    Panel m_panel;
    QTimer m_windowTimer; // the reply window after the last line
    QTimer m_holdTimer; // the release of a hold
    bool m_finished = false;
    Outcome m_outcome;
};

} // namespace runo
