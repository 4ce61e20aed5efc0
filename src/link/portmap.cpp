// SPDX-License-Identifier: MIT
#include "link/portmap.h"

#include <QByteArray>
#include <QDir>
#include <QHash>
#include <QSettings>

namespace runo {

namespace {

QHash<int, QString>& chosenDevices()
{
    static QHash<int, QString> devices;
    return devices;
}

QString settingsKey(int port) { return QStringLiteral("ports/COM%1").arg(port); }

QSettings userSettings() { return QSettings(QStringLiteral("runo-control"), QStringLiteral("runo-control")); }

} // namespace

PortDevice portDevice(int port)
{
    if (const QString chosen = chosenDevices().value(port); !chosen.isEmpty())
        return {chosen, DeviceSource::Chosen};
    const QByteArray variable = "RUNO_COM" + QByteArray::number(port);
    if (const QByteArray configured = qgetenv(variable.constData()); !configured.isEmpty())
        return {absoluteDevice(QString::fromLocal8Bit(configured)), DeviceSource::Environment};
    if (const QString remembered = userSettings().value(settingsKey(port)).toString(); !remembered.isEmpty())
        return {remembered, DeviceSource::Remembered};
#ifdef Q_OS_WIN
    return {QStringLiteral("COM%1").arg(port), DeviceSource::Default};
#else
    return {QStringLiteral("/dev/ttyS%1").arg(port - 1), DeviceSource::Default};
#endif
}

QString devicePathForPort(int port) { return portDevice(port).device; }

QString portDisplayName(int port) { return QStringLiteral("COM%1 (%2)").arg(port).arg(devicePathForPort(port)); }

void setChosenDevice(int port, const QString& device)
{
    if (device.isEmpty())
        chosenDevices().remove(port);
    else
        chosenDevices().insert(port, absoluteDevice(device));
}

void rememberDevice(int port, const QString& device)
{
    QSettings settings = userSettings();
    settings.setValue(settingsKey(port), absoluteDevice(device));
}

bool isNetworkDevice(const QString& device) { return device.contains(QLatin1String("://")); }

QString absoluteDevice(const QString& device)
{
    if (device.isEmpty() || isNetworkDevice(device) || QDir::isAbsolutePath(device))
        return device;
#ifdef Q_OS_WIN
    if (device.startsWith(QLatin1String("COM"), Qt::CaseInsensitive))
        return device;
#endif
    return QDir::cleanPath(QDir::current().absoluteFilePath(device));
}

} // namespace runo
