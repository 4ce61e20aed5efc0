// SPDX-License-Identifier: MIT
// A name the user gave (a path, a URL, a word) for a one-line message: the
// control characters, which would split or garble the line, as C escapes.
//   "/dev/tty\nX" -> "/dev/tty\\nX"     "a\x1b[2J" -> "a\\x1b[2J"     "COM1" -> "COM1"
#pragma once

#include <QString>
#include <QStringView>

namespace runo {

QString quotedControls(QStringView text);

// Whether `text` holds a character that quotedControls would escape.
bool hasControls(QStringView text);

} // namespace runo
