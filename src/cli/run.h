// SPDX-License-Identifier: MIT
// runoctl from parsed arguments to exit status: the command goes to every
// port at once, in one event loop, and the reports come back in the order
// the ports were given once the last port is done.
//   --port A --port B read status   ->  "A: Stand by" / "B: Power ON", exit 0
#pragma once

#include "cli/invocation.h"

namespace runo {

// Runs an invocation that parsed cleanly; prints and returns the exit status.
int run(const Invocation& invocation);

} // namespace runo
