// SPDX-License-Identifier: MIT
// Where COM1 and COM2 lead: a map a program makes and hands to its port.
// Each port number maps to a device, from the first of these that names one:
//   1. the device chosen in this run (the command line, or the panel's menu)
//   2. the environment: RUNO_COM1, RUNO_COM2
//   3. the remembered choice, which the program reads from its settings
//      (~/.config/runo-control/runo-control.conf, [ports] COM1=) and hands in
//   4. the platform default: /dev/ttyS0 and /dev/ttyS1 (COM1 and COM2 on Windows)
// A device is a path (a relative one is taken from the working directory) or
// a network URL such as socket://host:4001. A name with a control character
// in it (a NUL cuts the path, a newline splits a message) is refused, not
// passed over: the port it maps to opens nothing, and says where it came from.
//   map.choose(1, "ttyUSB0") in /home/op  ->  map.devicePath(1) == "/home/op/ttyUSB0"
//   RUNO_COM1="/dev/null\nx"              ->  map.device(1).refusal names RUNO_COM1
#pragma once

#include <QHash>
#include <QString>

class QSettings;

namespace runo {

enum class DeviceSource { Chosen, Environment, Remembered, Default };

struct PortDevice {
    QString device;
    DeviceSource source;
    QString refusal; // why it must not be opened, naming where it came from; "" when it may
};

class PortMap {
public:
    // The programs' settings (QSettings("runo-control", "runo-control")) and
    // the key a port's remembered device is kept under there.
    static constexpr char kSettingsName[] = "runo-control";
    static QString settingsKey(int port); // "ports/COM1"

    PortDevice device(int port) const;
    QString devicePath(int port) const { return device(port).device; }
    QString displayName(int port) const; // "COM2 (/dev/ttyS1)"

    // The device for this run, above every other source; an empty one clears
    // it. `origin` names where it came from in a refusal ("--com1").
    void choose(int port, const QString& device, const QString& origin = QStringLiteral("the chosen device"));
    // The remembered choices of earlier runs, read from the settings given,
    // or from the programs' own.
    void loadRemembered(const QSettings& settings);
    void loadRemembered();
    // Keeps device as port's choice in the programs' settings, for the next runs.
    static void remember(int port, const QString& device);

private:
    struct Entry {
        QString device;
        QString origin;
    };
    QHash<int, Entry> m_chosen;
    QHash<int, Entry> m_remembered;
};

// A device as given by a person: a relative path made absolute from the
// working directory and cleaned ("../../dev/null" from / is "/dev/null"),
// anything else (URL, a Windows COM name) as it is.
QString absoluteDevice(const QString& device);
bool isNetworkDevice(const QString& device);
// Whether a device name may be opened: "" or why not, to follow where it
// came from ("names a device with a control character in it").
QString deviceNameError(const QString& device);

} // namespace runo
