// SPDX-License-Identifier: MIT
// `runoctl ports`: the serial ports this machine has, as the panel's device
// menu lists them, one a line:
//   /dev/serial/by-id/usb-FTDI_FT232R_A10K-if00-port0 — FT232R USB UART (/dev/ttyUSB0)
// or, as JSON, one object a line:
//   {"description":"FT232R USB UART","node":"/dev/ttyUSB0","path":"/dev/serial/by-id/usb-FTDI_FT232R_A10K-if00-port0"}
#pragma once

#include "link/devices.h"

#include <QList>
#include <QString>

namespace runo {

QString portList(const QList<SerialDevice>& devices, bool json);

// Prints the ports found (and says on standard error when there is none);
// the exit status.
int listPorts(bool json);

} // namespace runo
