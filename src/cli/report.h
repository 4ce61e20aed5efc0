// SPDX-License-Identifier: MIT
// What runoctl prints for one port, in its three forms:
//   plain      Stand by                      the decoded status, else the reply
//   --verbose  TXD    C R 0 CR               the panel's three traffic lines as
//              RXD    8 0 CR                 the window shows them, from column
//              STATUS 650 hPa                8 after a blank column 7
//   --json     {"port":"/dev/pts/3","sent":"CR0\r","received":"80\r",...}
// With several ports every line starts with the port: "/dev/pts/3: Stand by".
#pragma once

#include "cli/session.h"
#include "l10n/exitstatus.h"
#include "panel/outcome.h"

#include <QString>

namespace runo {

enum class Format { Plain, Verbose, Json };

struct Report {
    QString out; // for standard output, each line ended
    QString err; // for standard error
};

// `name` is the command as runoctl names it ("READ STATUS", "SEND"); each
// line is prefixed with the port's label where `prefix` is set.
Report describe(const Target& target, const QString& name, const Outcome& o, Format format, bool prefix);

} // namespace runo
