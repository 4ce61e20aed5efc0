// SPDX-License-Identifier: MIT
// MSComm over QSerialPort, or over the network when the port's device is a
// URL (socket://HOST:PORT, rfc2217://HOST:PORT; see portmap.h and
// networkline.h). The panel sees no difference, except that a network port
// opens in the background: setPortOpen(true) returns at once with the port
// open, and a connection not made within NetworkLine::kConnectTimeoutMs
// closes it again and emits openFailed().
//
// A device that vanishes while open (adapter pulled, far end of a
// pseudo-terminal closed, connection dropped) is closed at once and quietly
// and counted once; the next open finds it again when it is back. A device
// that is there but takes no data (a stalled line, a server that stops
// reading) is not lost: the port stays open, at most kOutBufferBytes wait,
// and lines that do not fit are dropped.
//   output("C3A\r") x 10000 to a stalled pseudo-terminal -> open, lossCount() == 0, later lines dropped
#pragma once

#include "link/linesettings.h"
#include "link/mscomm.h"
#include "link/networkline.h"
#include "link/portmap.h"

#include <QSerialPort>

namespace runo {

class SerialComm : public MSComm {
    Q_OBJECT
public:
    // The port finds its devices in `map`, which outlives it; without one,
    // in a map of its own (the environment and the defaults).
    explicit SerialComm(PortMap* map = nullptr, QObject* parent = nullptr);

    bool setCommPort(int port) override;
    int commPort() const override { return m_port; }
    // A device for this object alone, above the port map: runoctl opens one
    // per --port ("/dev/ttyUSB3", "socket://host:4001"; a relative path is
    // taken from the working directory). Empty goes back to the port
    // number's device.
    void setDevice(const QString& device);
    bool setSettings(const QString& settings) override;
    QString settings() const override { return m_settingsText; }
    bool setPortOpen(bool open) override;
    bool portOpen() const override { return m_serial.isOpen() || m_network.isOpen(); }
    bool output(const QByteArray& text) override;
    QByteArray input() override;
    int commEvent() const override { return m_commEvent; }
    PortMap* portMap() override { return m_map; }
    QString deviceName() const override { return device(); }

    // Device losses seen so far (each closed the port).
    int lossCount() const { return m_losses; }
    bool isConnecting() const override { return m_network.isConnecting(); }

private:
    void receive();
    void handleError(QSerialPort::SerialPortError error);
    bool deviceHungUp() const;
    void countLoss(const QString& reason);
    bool applySettings();
    bool failWith(const QString& reason);
    QString device() const;
    QString refusal() const;
    QString displayName() const;

    QSerialPort m_serial;
    NetworkLine m_network;
    PortMap m_ownMap;
    PortMap* m_map;
    int m_port = 1;
    QString m_device; // empty: the port map's device for m_port
    QString m_settingsText = QStringLiteral("19200,N,8,1");
    LineSettings m_settings;
    int m_commEvent = 0;
    int m_losses = 0;
};

} // namespace runo
