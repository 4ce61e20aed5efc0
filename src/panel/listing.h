// SPDX-License-Identifier: MIT
// `runoctl list`: every command with its group, command text and the timing
// the panel gives it at start, taken from a Panel that goes through the
// command on a port that never opens.
//   NAME          GROUP       TEXT  REPLY    REPEAT  ASCII
//   POWER ON      POWER       C00   500 ms
//   LENS SHIFT ↑  LENS SHIFT  C5D   100 ms   105 ms  LENS SHIFT up
// or, as JSON, one object a line (commandListJson(): the same objects in one array):
//   {"ascii":"LENS SHIFT up","group":"LENS SHIFT","name":"LENS SHIFT ↑","repeat_ms":105,"reply_ms":100,"text":"C5D"}
#pragma once

#include <QJsonArray>
#include <QString>

namespace runo {

QString commandList(bool json = false);
// The same rows as one array, for the web API.
QJsonArray commandListJson();

} // namespace runo
