// SPDX-License-Identifier: MIT
// COM1 and COM2 map to device paths; RUNO_COM1 and RUNO_COM2 override the
// platform defaults, so any device node works (a pseudo-terminal, a USB
// adapter's /dev/serial/by-id link).
#pragma once

#include <QString>

namespace runo {

QString devicePathForPort(int port);
QString portDisplayName(int port); // "COM2 (/dev/ttyS1)"

} // namespace runo
