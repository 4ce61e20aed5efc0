// SPDX-License-Identifier: MIT
// MSComm over QSerialPort. Ports are opened by device path (see portmap.h).
// A device that vanishes while open (adapter pulled, far end of a
// pseudo-terminal closed) is closed at once and quietly and counted once;
// the next open finds it again when it is back. A device that is there but
// takes no data (a stalled line, flow control) is not lost: the port stays
// open, at most kOutBufferBytes wait, and lines that do not fit are dropped.
//   output("C3A\r") x 10000 to a stalled pseudo-terminal -> open, lossCount() == 0, later lines dropped
#pragma once

#include "link/linesettings.h"
#include "link/mscomm.h"

#include <QSerialPort>

namespace runo {

class SerialComm : public MSComm {
    Q_OBJECT
public:
    explicit SerialComm(QObject* parent = nullptr);

    bool setCommPort(int port) override;
    int commPort() const override { return m_port; }
    bool setSettings(const QString& settings) override;
    QString settings() const override { return m_settingsText; }
    bool setPortOpen(bool open) override;
    bool portOpen() const override { return m_serial.isOpen(); }
    bool output(const QByteArray& text) override;
    QByteArray input() override;
    int commEvent() const override { return m_commEvent; }

    // Device losses seen so far (each closed the port).
    int lossCount() const { return m_losses; }

private:
    void receive();
    void handleError(QSerialPort::SerialPortError error);
    bool deviceHungUp() const;
    bool applySettings();
    bool failWith(const QString& reason);

    QSerialPort m_serial;
    int m_port = 1;
    QString m_settingsText = QStringLiteral("19200,N,8,1");
    LineSettings m_settings;
    int m_commEvent = 0;
    int m_losses = 0;
};

} // namespace runo
