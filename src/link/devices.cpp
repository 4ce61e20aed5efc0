// SPDX-License-Identifier: MIT
#include "link/devices.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSerialPortInfo>

#include <cerrno>
#include <csignal>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace runo {

QList<SerialDevice> availableDevices()
{
    QHash<QString, QString> byId; // node -> stable link
    const QDir links(QStringLiteral("/dev/serial/by-id"));
    for (const QFileInfo& link : links.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot))
        byId.insert(link.canonicalFilePath(), link.absoluteFilePath());

    QList<SerialDevice> devices;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        const QString node = info.systemLocation();
        devices.append({byId.value(node, node), node, info.description()});
    }
    return devices;
}

QString permissionHint(const QString& device)
{
    const QByteArray path = QFile::encodeName(device);
    struct stat st { };
    if (::access(path.constData(), R_OK | W_OK) == 0 || errno != EACCES || ::stat(path.constData(), &st) != 0)
        return {};
    const group* owner = ::getgrgid(st.st_gid);
    const QString group = owner ? QString::fromLocal8Bit(owner->gr_name) : QStringLiteral("dialout");
    return QStringLiteral("The device belongs to the group \"%1\": add yourself to it with\n"
                          "    sudo adduser $USER %1\n"
                          "then log out and in again.")
        .arg(group);
}

QString lockHolder(const QString& device)
{
    // Where Qt's serial port and the UUCP-style programs put it, named after
    // the device below /dev with '/' as '_'.
    static constexpr const char* kLockFolders[] = {
        "/var/lock", "/etc/locks", "/var/spool/locks", "/var/spool/uucp", "/tmp", "/var/tmp", "/var/lock/lockdev", "/run/lock"};
    QString name = device.startsWith(QLatin1String("/dev/")) ? device.mid(5) : device;
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    for (const char* folder : kLockFolders) {
        QFile lock(QLatin1String(folder) + QLatin1String("/LCK..") + name);
        if (!lock.open(QIODevice::ReadOnly))
            continue;
        // The process number first, as text (or, in old binary locks, 4 bytes).
        bool ok = false;
        const qint64 pid = lock.readLine(32).trimmed().toLongLong(&ok);
        if (!ok || pid <= 0 || (::kill(pid_t(pid), 0) != 0 && errno == ESRCH))
            return QStringLiteral("another program");
        QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
        const QString program = comm.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(comm.readAll().trimmed()) : QString();
        return program.isEmpty() ? QStringLiteral("process %1").arg(pid)
                                 : QStringLiteral("process %1 (%2)").arg(pid).arg(program);
    }
    return {};
}

} // namespace runo
