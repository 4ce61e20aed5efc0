// SPDX-License-Identifier: MIT
#include "link/serialcomm.h"

#include "link/devices.h"
#include "link/portmap.h"
#include "link/quoted.h"

#include <QCoreApplication>

#ifdef Q_OS_UNIX
#include <poll.h>
#endif

namespace runo {

namespace {

QSerialPort::Parity toQt(LineSettings::Parity p)
{
    switch (p) {
    case LineSettings::Parity::None: return QSerialPort::NoParity;
    case LineSettings::Parity::Even: return QSerialPort::EvenParity;
    case LineSettings::Parity::Odd: return QSerialPort::OddParity;
    case LineSettings::Parity::Mark: return QSerialPort::MarkParity;
    case LineSettings::Parity::Space: return QSerialPort::SpaceParity;
    }
    return QSerialPort::NoParity;
}

QSerialPort::StopBits toQt(LineSettings::StopBits s)
{
    switch (s) {
    case LineSettings::StopBits::One: return QSerialPort::OneStop;
    case LineSettings::StopBits::OneAndHalf: return QSerialPort::OneAndHalfStop;
    case LineSettings::StopBits::Two: return QSerialPort::TwoStop;
    }
    return QSerialPort::OneStop;
}

} // namespace

SerialComm::SerialComm(PortMap* map, QObject* parent)
    : MSComm(parent)
    , m_map(map ? map : &m_ownMap)
{
    m_settings = *parseLineSettings(m_settingsText);
    connect(&m_serial, &QSerialPort::readyRead, this, &SerialComm::receive);
    // Queued: the port is closed after QSerialPort has finished reporting.
    connect(&m_serial, &QSerialPort::errorOccurred, this, &SerialComm::handleError, Qt::QueuedConnection);

    connect(&m_network, &NetworkLine::readyRead, this, &SerialComm::receive);
    connect(&m_network, &NetworkLine::dropped, this, &SerialComm::countLoss);
    connect(&m_network, &NetworkLine::opened, this, &SerialComm::opened);
    connect(&m_network, &NetworkLine::openFailed, this, [this](const QString& reason) {
        failWith(reason);
        emit openFailed();
    });
}

bool SerialComm::failWith(const QString& reason) { return fail(QStringLiteral("%1: %2").arg(displayName(), reason)); }

void SerialComm::setDevice(const QString& device) { m_device = absoluteDevice(device); }

QString SerialComm::device() const { return m_device.isEmpty() ? m_map->devicePath(m_port) : m_device; }

QString SerialComm::displayName() const { return m_device.isEmpty() ? m_map->displayName(m_port) : quotedControls(m_device); }

// A name that cannot be what it seems (a NUL would cut it) opens nothing.
QString SerialComm::refusal() const
{
    if (m_device.isEmpty())
        return m_map->device(m_port).refusal;
    const QString error = deviceNameError(m_device);
    return error.isEmpty() ? error : QCoreApplication::translate("runo-link", "refused: the port %1").arg(error);
}

bool SerialComm::setCommPort(int port)
{
    if (port < 1 || port > 16)
        return failWith(QCoreApplication::translate("runo-link", "Invalid port number %1").arg(port));
    if (portOpen())
        return failWith(QCoreApplication::translate("runo-link", "Port already open"));
    m_port = port;
    return true;
}

bool SerialComm::setSettings(const QString& settings)
{
    QString reason;
    const auto parsed = parseLineSettings(settings, &reason);
    if (!parsed)
        return failWith(reason);
    // Settings the driver refuses are not taken on: the port keeps the ones
    // it really runs with.
    const LineSettings previous = m_settings;
    m_settings = *parsed;
    if (m_serial.isOpen() && !applySettings()) {
        const QString reason = errorString();
        m_settings = previous;
        applySettings();
        return fail(reason);
    }
    m_network.setLineSettings(m_settings); // on to the far port under RFC 2217
    m_settingsText = settings;
    return true;
}

bool SerialComm::applySettings()
{
    const bool ok = m_serial.setBaudRate(m_settings.baud) && m_serial.setParity(toQt(m_settings.parity))
        && m_serial.setDataBits(static_cast<QSerialPort::DataBits>(m_settings.dataBits))
        && m_serial.setStopBits(toQt(m_settings.stopBits)) && m_serial.setFlowControl(QSerialPort::NoFlowControl);
    return ok || failWith(m_serial.errorString());
}

bool SerialComm::setPortOpen(bool open)
{
    if (!open) {
        if (m_serial.isOpen())
            m_serial.close();
        m_network.close();
        return true;
    }
    if (portOpen())
        return failWith(QCoreApplication::translate("runo-link", "Port already open"));
    if (const QString refused = refusal(); !refused.isEmpty())
        return failWith(refused);
    const QString path = device();
    if (isNetworkDevice(path)) {
        QString reason;
        return m_network.open(path, m_settings, &reason) || failWith(reason);
    }
    m_serial.setPortName(path);
    if (!m_serial.open(QIODevice::ReadWrite)) {
        QString reason = m_serial.errorString();
        // Qt says "Permission error while locking the device" for a port
        // another program holds.
        if (m_serial.error() == QSerialPort::PermissionError) {
            if (const QString holder = lockHolder(path); !holder.isEmpty())
                reason = QCoreApplication::translate("runo-link", "The port is in use by %1").arg(holder);
        }
        m_serial.clearError();
        if (const QString hint = permissionHint(path); !hint.isEmpty())
            reason = QCoreApplication::translate("runo-link", "%1.\n%2").arg(reason, hint);
        return failWith(reason);
    }
    if (!applySettings()) {
        m_serial.close();
        return false;
    }
    return true;
}

bool SerialComm::output(const QByteArray& text)
{
    const QString full = QCoreApplication::translate("runo-link", "Output buffer full, line dropped");
    if (m_network.isOpen())
        return m_network.write(text, kOutBufferBytes) || failWith(full);
    if (!m_serial.isOpen())
        return failWith(QCoreApplication::translate("runo-link", "Port not open"));
    // What a device that takes no data leaves waiting is bounded: a line
    // that does not fit is dropped, and the port stays open.
    const qint64 waiting = m_serial.bytesToWrite();
    if (waiting + text.size() > kOutBufferBytes)
        return failWith(full);
    if (m_serial.write(text) != text.size())
        return failWith(m_serial.errorString());
    // QSerialPort only queues the bytes and writes them from the event loop;
    // put them on the wire now, without blocking. Behind bytes still
    // waiting, they go when the device takes data again.
    if (waiting == 0)
        m_serial.flush();
    return true;
}

QByteArray SerialComm::input()
{
    if (m_network.isOpen())
        return m_network.readAll();
    return m_serial.isOpen() ? m_serial.readAll() : QByteArray();
}

void SerialComm::receive()
{
    m_commEvent = comEvReceive;
    emit onComm();
}

void SerialComm::handleError(QSerialPort::SerialPortError)
{
    // Reports arrive queued: by now the port may have been closed for an
    // earlier report of the same loss (a failed read, then a failed write),
    // or opened again on a device that came back. Only the error the port
    // still holds counts, so one loss is counted once and a stale report
    // never closes a port that works.
    switch (m_serial.error()) {
    case QSerialPort::ResourceError:
    case QSerialPort::WriteError:
        // "Try again": the device is there but takes no data now. Not a
        // loss; the port stays open and writes what waits once it can.
        if (m_serial.isOpen() && !deviceHungUp()) {
            m_serial.clearError();
            m_serial.setReadBufferSize(0); // reading again, should a failed read have stopped it
            break;
        }
        [[fallthrough]];
    case QSerialPort::ReadError:
        // The device is gone: close now, or the notifier keeps firing.
        countLoss(m_serial.errorString());
        if (m_serial.isOpen())
            m_serial.close();
        m_serial.clearError();
        break;
    default: break;
    }
}

// A device that is gone reports a hang-up or an error; one that merely
// takes no data reports neither.
bool SerialComm::deviceHungUp() const
{
#ifdef Q_OS_UNIX
    pollfd p {int(m_serial.handle()), POLLOUT, 0};
    return ::poll(&p, 1, 0) < 0 || (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
#else
    return true;
#endif
}

void SerialComm::countLoss(const QString& reason)
{
    failWith(reason);
    ++m_losses;
    emit lost();
}

} // namespace runo
