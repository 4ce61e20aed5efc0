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

#include <QByteArrayView>
#include <QString>

namespace runo {

enum class Format { Plain, Verbose, Json };

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

struct Report {
    QString out; // for standard output, each line ended
    QString err; // for standard error
};

// `name` is the command as runoctl names it ("READ STATUS", "SEND"); each
// line is prefixed with the port's label where `prefix` is set.
Report describe(const Target& target, const QString& name, const Outcome& o, Format format, bool prefix);

} // namespace runo
