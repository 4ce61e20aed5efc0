// SPDX-License-Identifier: MIT
// What one command on one port came to, and the JSON object runoctl --json
// prints for it; the bridge's web API answers a command with the same object.
//   {"command":"READ STATUS","exit":0,"lines":1,"port":"/dev/pts/3","received":"80\r","reply_window_ms":500,
//    "result":"reply","rxd":" 8 0 CR ","sent":"CR0\r","state":{"power":"standby"},"status":" Stand by",
//    "text":"Stand by","txd":" C R 0 CR "}
#pragma once

#include "l10n/exitstatus.h"
#include "panel/exchangewatch.h"
#include "panel/panel.h"
#include "traffic/reading.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QJsonObject>
#include <QString>

#include <optional>

namespace runo {

// What runoctl keeps of the bytes one port sends: the panel's own bound.
// Bytes past it are counted, not kept.
inline constexpr qsizetype kKeptBytes = Panel::kReceiveBufferLimit;

struct Outcome {
    // Interrupted: ended by a signal before it was done.
    enum class Result { Reply, NoReply, PortError, Interrupted };
    Result result = Result::NoReply;
    QString error; // the port's reason, for PortError
    QByteArray sent; // every byte written, all lines of a hold
    int lines = 0;
    QByteArray received; // the first kKeptBytes bytes that came back, also before a failure
    qint64 dropped = 0; // bytes that came back past kKeptBytes, in a line's window or between them
    int replyWindowMs = 0;
    // The panel's traffic lines: the transmit line of the last line sent, the
    // receive and status lines of the last reply (or the no-reply marker).
    QString transmitLine;
    QString receiveLine;
    QString statusLine;
    std::optional<Reading> reading; // what the last reply read as
};

// The outcome of one exchange on its own: a refused or lost line is a port
// error with its reason.
Outcome outcomeOf(const Exchange& exchange, int replyWindowMs);

ExitStatus exitStatus(const Outcome& outcome);

// Received bytes for a script: printable ASCII as it is, each acknowledge
// character as a word "ACK", CR and LF left out, anything else as "?".
//   "01234\r" -> "01234"   "\x06\x06" -> "ACK ACK"   "\x0600\r" -> "ACK 00"
QString plainText(QByteArrayView bytes);

// The decoded status for a script: without the panel's leading space, and
// where it quotes the receive line (lamp time, CR9) with the reply's own
// characters in place of their traffic text.
//   " Stand by"               -> "Stand by"
//   " 0 1 2 3 4 CR  Hour Use" -> "01234 Hour Use"
//   "650 hPa"                 -> "650 hPa"
QString plainStatus(const QString& status, const QString& receiveLine, QByteArrayView received);

// The decoded status, else the reply as plain text; empty without a reply.
QString replyText(const Outcome& outcome);

// The object of `name` ("READ STATUS", "SEND") on the port `port`.
QJsonObject outcomeJson(const QString& port, const QString& name, const Outcome& outcome);

} // namespace runo
