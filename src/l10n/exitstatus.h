// SPDX-License-Identifier: MIT
// The exit statuses of every program, one list, so that a script reads the
// same number the same way whichever program it ran.
//   runoctl read status       0 a reply, 1 no reply, 3 the port failed, 5 a signal
//   runo-bridge --speed 4800  2
//   runo-control              1 when there is no display
#pragma once

namespace runo {

enum class ExitStatus : int {
    Success = 0,
    NoReply = 1, // runoctl: the projector did not answer in its reply window
    NoDisplay = 1, // the panel: no display to open the window on
    Usage = 2, // a wrong invocation: an unknown option, a bad value, a missing password
    PortError = 3, // the line cannot be opened or was lost; a port cannot be listened on
    OutputError = 4, // standard output could not be written (a full disk, a closed pipe)
    Interrupted = 5, // runoctl: SIGINT, SIGTERM or SIGHUP before a port was done
};

// For main's return and QCoreApplication::exit.
constexpr int exitCode(ExitStatus status) { return static_cast<int>(status); }

} // namespace runo
