// SPDX-License-Identifier: MIT
// Where COM1 and COM2 lead. Each port number maps to a device, from the
// first of these that names one:
//   1. the device chosen in this run (the command line, or the panel's menu)
//   2. the environment: RUNO_COM1, RUNO_COM2
//   3. the remembered choice (QSettings: ~/.config/runo-control/runo-control.conf)
//   4. the platform default: /dev/ttyS0 and /dev/ttyS1 (COM1 and COM2 on Windows)
// A device is a path (a relative one is taken from the working directory) or
// a network URL such as socket://host:4001.
//   setChosenDevice(1, "ttyUSB0") in /home/op  ->  devicePathForPort(1) == "/home/op/ttyUSB0"
#pragma once

#include <QString>

namespace runo {

enum class DeviceSource { Chosen, Environment, Remembered, Default };

struct PortDevice {
    QString device;
    DeviceSource source;
};

PortDevice portDevice(int port);
QString devicePathForPort(int port);
QString portDisplayName(int port); // "COM2 (/dev/ttyS1)"

// The device for this run, above every other source; an empty one clears it.
void setChosenDevice(int port, const QString& device);
// Kept for the next runs.
void rememberDevice(int port, const QString& device);

// A device as given by a person: a relative path made absolute from the
// working directory, anything else (absolute path, URL) as it is.
QString absoluteDevice(const QString& device);
bool isNetworkDevice(const QString& device);

} // namespace runo
