// SPDX-License-Identifier: MIT
// The serial-port component the panel talks through (MSComm1): a port number,
// a settings string, open and close, output, input and the receive event.
// Every operation reports failure with a readable description that names
// the device.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

namespace runo {

class PortMap;

class MSComm : public QObject {
    Q_OBJECT
public:
    // CommEvent code for "received characters are waiting".
    static constexpr int comEvReceive = 2;
    // OutBufferSize: what may wait for a device that is not taking data; a
    // line that would not fit is dropped and output() fails.
    static constexpr qsizetype kOutBufferBytes = 512;

    using QObject::QObject;

    virtual bool setCommPort(int port) = 0;
    virtual int commPort() const = 0;
    virtual bool setSettings(const QString& settings) = 0;
    virtual QString settings() const = 0;
    virtual bool setPortOpen(bool open) = 0;
    virtual bool portOpen() const = 0;
    // Writes the whole text, one byte per character, in order; does not wait.
    virtual bool output(const QByteArray& text) = 0;
    // Takes every waiting character in arrival order, emptying the queue.
    virtual QByteArray input() = 0;
    virtual int commEvent() const = 0;
    // The map the port finds the devices behind its port numbers in, where
    // the panel sets a device chosen in this run; nullptr for a port with none.
    virtual PortMap* portMap() { return nullptr; }
    // The device behind the port as logs name it: "/dev/ttyUSB0",
    // "socket://host:4001"; "COM1" for a port without one.
    virtual QString deviceName() const { return QStringLiteral("COM%1").arg(commPort()); }

    // A network port whose connection is still being made; opened() or
    // openFailed() follows.
    virtual bool isConnecting() const { return false; }

    // Description of the most recent failure.
    QString errorString() const { return m_error; }

signals:
    // Raised on the event thread as soon as one character waits (and for
    // other events, which carry another CommEvent code).
    void onComm();
    // An open that setPortOpen(true) accepted and left to finish in the
    // background (a network port connecting) has failed; the port is closed
    // and errorString() says why. Raised from the event loop, never from
    // inside a call to the port.
    //   setPortOpen(true) == true, portOpen() == true ... 3 s ... openFailed(), portOpen() == false
    void openFailed();
    // An open that was still being made is made.
    void opened();
    // The open device went away (adapter pulled, far end closed, connection
    // dropped); the port is closed and errorString() says why.
    void lost();

protected:
    bool fail(const QString& description)
    {
        m_error = description;
        return false;
    }

private:
    QString m_error;
};

} // namespace runo
