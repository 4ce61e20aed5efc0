// SPDX-License-Identifier: MIT
// Ending by a signal as by END, for both programs: SIGINT (Ctrl+C in a
// terminal), SIGTERM (`timeout`, a service manager) and SIGHUP (a logout) are
// caught from the first line of main and handled in the event loop, where
// `end` closes the port and releases its lock before the program exits with
// its own status (the panel 0, runoctl the one it documents).
//   main: watchEndSignals(); ... endOnSignals(&app, [&] { panel.end(); }); app.exec();
//   SIGTERM before endOnSignals   waits in the watch, `end` runs in the first event loop
#pragma once

#include <functional>

class QObject;

namespace runo {

// The signals no longer end the process at once but wait to be handled.
// Call it first thing in main; false if the watch could not be set up.
bool watchEndSignals();

// Once per process; `end` runs on the event thread for signals caught since
// watchEndSignals() (which it calls if need be); `context` owns the watch.
bool endOnSignals(QObject* context, std::function<void()> end);

} // namespace runo
