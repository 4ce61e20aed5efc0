// SPDX-License-Identifier: MIT
// The bridge's lines on standard error (the journal under systemd), written
// so that they can never stop the bridge: a reader that does not keep up
// costs lines, never time. Each line goes out whole or waits, in order; past
// kMaxWaitingBytes the newest are dropped and counted, and a line saying how
// many follows once there is room. Never the password.
//   logLine("PJLink on 0.0.0.0:4352")            "runo-bridge: PJLink on 0.0.0.0:4352"
//
// What comes from the network is counted by address: the first of each kind
// from an address in a minute is a line of its own at once, the rest one
// line at the minute's end.
//   noteAddress("10.0.0.7", "connected") x 12    "runo-bridge: 10.0.0.7: connected"
//                                                 ... "runo-bridge: 10.0.0.7: connected 11 more times in the last minute"
#pragma once

#include <QHostAddress>
#include <QString>

namespace runo {

inline constexpr qsizetype kMaxWaitingBytes = qsizetype(64) * 1024;

void logLine(const QString& text);

// An event from an address ("connected", "authentication refused").
void noteAddress(const QString& address, const QString& event);

// An IPv4 client of a socket that listens on both: its IPv4 address.
QHostAddress plainAddress(const QHostAddress& address);

// "10.0.0.7", "[::1]"; "an address gone before it was read" for a
// connection reset before it was accepted.
QString addressName(const QHostAddress& peer);
// "10.0.0.7:51234", "[::1]:51234"
QString peerName(const QHostAddress& address, quint16 port);

} // namespace runo
