// SPDX-License-Identifier: MIT
// Ending by a signal as by END: SIGINT (Ctrl+C in a terminal), SIGTERM
// (`timeout`, a service manager) and SIGHUP (a logout) are handled in the
// event loop, where `end` closes the port and releases its lock before the
// program exits with status 0.
#pragma once

#include <functional>

class QObject;

namespace runo {

// Once per process; `end` runs on the event thread, `context` owns the watch.
bool endOnSignals(QObject* context, std::function<void()> end);

} // namespace runo
