// SPDX-License-Identifier: MIT
// The traffic text: the one readable form in which command lines and
// received data are shown. A leading space, then every character followed by
// a space, with control characters spelled out. The reply decoders read their
// keys from this text, so its exact form is part of the reply format.
//   "CR0" + CR        -> " C R 0 CR "
//   ACK, "00", CR     -> " ACK 0 0 CR "
//   code 20, "1"      -> " &1 "         (no space after the ampersand)
//   "{", byte 0xB0    -> " ? ? "
#pragma once

#include <QByteArrayView>
#include <QString>

namespace runo {

// Each byte is one character; bytes of 128 and above render as "? ".
QString trafficText(QByteArrayView text);

} // namespace runo
