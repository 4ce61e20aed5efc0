// SPDX-License-Identifier: MIT
// The reply decoders: the last command sent chooses one; it turns the receive
// line's traffic text into one line of status text.
#pragma once

#include "traffic/reading.h"

#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <optional>

namespace runo {

// The status text for a receive line, or nothing when no decoder is chosen
// by lastCommand or the reply matches nothing (the status line then keeps
// what it shows).
std::optional<QString> decodeReply(QByteArrayView lastCommand, QByteArrayView commandPrefix, const QString& receiveLine);

// The decoder a command line (prefix, text and CR) chooses; None for a line
// of another form.
ReplyDecoder decoderFor(QByteArrayView line, QByteArrayView commandPrefix);

// The leading number of a text: blanks (space, tab, line feed) skipped
// anywhere, optional sign, digits, decimal point and digits, exponent E or D.
// A text without a leading number reads as 0; one too small for a double
// reads as 0, one too large as infinity, decided by its decimal magnitude.
//   " 1 2 . 5 CR " -> 12.5    "0." + 323 zeros + "1" -> 0    "1" + 310 zeros + "E-1" -> inf
double leadingNumber(QStringView text);

// The pressure in hPa for a receive line, or nothing when the reading lies
// outside what the 16-bit conversion can take (-6553 to 6553).
std::optional<int> pressureHpa(QStringView receiveLine);

} // namespace runo
