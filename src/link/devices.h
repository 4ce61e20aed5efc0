// SPDX-License-Identifier: MIT
// The serial ports this machine has, as an operator would pick one, and the
// fix for a device the operator may not open.
//   {"/dev/serial/by-id/usb-FTDI_FT232R_A10K-if00-port0", "/dev/ttyUSB0", "FT232R USB UART"}
#pragma once

#include <QList>
#include <QString>

namespace runo {

struct SerialDevice {
    QString path; // the /dev/serial/by-id link where there is one, else the node
    QString node; // the /dev node
    QString description; // the adapter's own description, or ""
};

// Pseudo-terminals are not among them.
QList<SerialDevice> availableDevices();

// For a device the user may not read and write: which group owns it and how
// to join it ("... sudo adduser $USER dialout ..."); "" otherwise.
QString permissionHint(const QString& device);

// Who holds the device's lock file (LCK..NAME in /run/lock or another of the
// places serial programs lock in): "process 1234 (minicom)", "another
// program" when the file names no live process; "" when there is no lock.
QString lockHolder(const QString& device);

} // namespace runo
