// SPDX-License-Identifier: MIT
#include "link/portmap.h"

#include "link/quoted.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QSettings>

namespace runo {

namespace {

PortDevice checked(const QString& device, DeviceSource source, const QString& origin)
{
    const QString error = deviceNameError(device);
    return {device, source,
        error.isEmpty() ? QString() : QCoreApplication::translate("runo-link", "refused: %1 %2").arg(origin, error)};
}

} // namespace

QString PortMap::settingsKey(int port) { return QStringLiteral("ports/COM%1").arg(port); }

PortDevice PortMap::device(int port) const
{
    if (const auto chosen = m_chosen.constFind(port); chosen != m_chosen.cend())
        return checked(chosen->device, DeviceSource::Chosen, chosen->origin);
    const QByteArray variable = "RUNO_COM" + QByteArray::number(port);
    if (const QByteArray configured = qgetenv(variable.constData()); !configured.isEmpty())
        return checked(
            absoluteDevice(QString::fromLocal8Bit(configured)), DeviceSource::Environment, QString::fromLatin1(variable));
    if (const auto remembered = m_remembered.constFind(port); remembered != m_remembered.cend())
        return checked(remembered->device, DeviceSource::Remembered, remembered->origin);
#ifdef Q_OS_WIN
    return {QStringLiteral("COM%1").arg(port), DeviceSource::Default, {}};
#else
    return {QStringLiteral("/dev/ttyS%1").arg(port - 1), DeviceSource::Default, {}};
#endif
}

QString PortMap::displayName(int port) const
{
    return QStringLiteral("COM%1 (%2)").arg(port).arg(quotedControls(devicePath(port)));
}

void PortMap::choose(int port, const QString& device, const QString& origin)
{
    if (device.isEmpty())
        m_chosen.remove(port);
    else
        m_chosen.insert(port, {absoluteDevice(device), origin});
}

void PortMap::loadRemembered(const QSettings& settings)
{
    m_remembered.clear();
    const QString origin = QCoreApplication::translate("runo-link", "the remembered choice in %1").arg(settings.fileName());
    for (const int port : {1, 2}) {
        const QString device = settings.value(settingsKey(port)).toString();
        if (!device.isEmpty())
            m_remembered.insert(port, {absoluteDevice(device), origin});
    }
}

void PortMap::loadRemembered() { loadRemembered(QSettings(QLatin1String(kSettingsName), QLatin1String(kSettingsName))); }

void PortMap::remember(int port, const QString& device)
{
    QSettings(QLatin1String(kSettingsName), QLatin1String(kSettingsName)).setValue(settingsKey(port), device);
}

bool isNetworkDevice(const QString& device) { return device.contains(QLatin1String("://")); }

QString absoluteDevice(const QString& device)
{
    if (device.isEmpty() || isNetworkDevice(device))
        return device;
#ifdef Q_OS_WIN
    if (device.startsWith(QLatin1String("COM"), Qt::CaseInsensitive))
        return device;
#endif
    QString path = QDir::cleanPath(QDir::current().absoluteFilePath(device));
    // Above the root is the root: "/../../dev/null" is "/dev/null".
    while (path.startsWith(QLatin1String("/../")) || path == QLatin1String("/.."))
        path.remove(0, 3);
    return path.isEmpty() ? QStringLiteral("/") : path;
}

QString deviceNameError(const QString& device)
{
    return hasControls(device) ? QCoreApplication::translate("runo-link", "names a device with a control character in it")
                               : QString();
}

} // namespace runo
