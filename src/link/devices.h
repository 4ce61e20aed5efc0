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

// A device as the device menu names it: its path, its description after a
// dash, its node in brackets where the path is a link.
//   /dev/serial/by-id/usb-FTDI_FT232R_A10K-if00-port0 — FT232R USB UART (/dev/ttyUSB0)
QString deviceLabel(const SerialDevice& device);

// What stands between the user and a device, as far as it shows.
struct DeviceAccess {
    QString device;
    bool exists = true;
    bool mayReadWrite = false; // by its permissions, for this session
    bool usbAdapter = false; // a USB serial adapter (ttyUSB, ttyACM, usb- by-id name)
    QString owner, group; // names, or numbers where they have none
    unsigned mode = 0; // permission bits
    bool groupIsRoot = false;
    bool inGroupNow = false; // in this session
    bool inGroupDatabase = false; // in the group database: joined since the session began
};

// The advice for a device that could not be opened ("" for none): join the
// group that may read and write it ("... sudo adduser $USER dialout ..."), or
// log out and in again when already joined, or who owns it when no group
// helps; for a USB adapter, the programs that can take it for their own.
QString accessHint(const DeviceAccess& access);
// accessHint() for the device as this process finds it.
QString permissionHint(const QString& device);

// Who holds the device's lock file (LCK..NAME in /run/lock or another of the
// places serial programs lock in): "process 1234 (minicom)", "another
// program" when the file names no live process; "" when there is no lock.
QString lockHolder(const QString& device);

} // namespace runo
