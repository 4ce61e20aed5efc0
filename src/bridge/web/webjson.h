// SPDX-License-Identifier: MIT
// The web API's JSON, from the typed state and the exchanges:
//   stateJson(state, LineState::Open)
//     {"power":"standby","status":"Stand by","lamp_hours":1234,"input":null,"mute":null,
//      "temperatures":null,"line":"open","read_at":{"power":"2026-12-08T03:40:00.120Z",...}}
//   exchangeJson(exchange)
//     {"type":"exchange","name":"VOL +","txd":" C 0 9 CR ","rxd":" ACK ","status":"","result":"reply"}
//   closestName("read l-tme")   "READ L-TIME"
#pragma once

#include "panel/exchangewatch.h"
#include "traffic/projectorstate.h"

#include <QJsonObject>
#include <QString>

namespace runo {

enum class LineState { Open, Closed, Lost };

QString lineStateName(LineState line);

// The state's values; absent ones null, never 0.
QJsonObject stateJson(const ProjectorState& state, LineState line);

// The message every page gets for an exchange on the line; "name" is the
// command's, null for a line that is none of the tables'.
QJsonObject exchangeJson(const Exchange& exchange);

// The command name nearest to what was asked, by edit distance, ignoring case.
QString closestName(const QString& asked);

} // namespace runo
