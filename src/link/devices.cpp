// SPDX-License-Identifier: MIT
#include "link/devices.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSerialPortInfo>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

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

QString deviceLabel(const SerialDevice& d)
{
    const QString label = d.description.isEmpty() ? d.path : QStringLiteral("%1 — %2").arg(d.path, d.description);
    return d.path == d.node ? label : QStringLiteral("%1 (%2)").arg(label, d.node);
}

QString accessHint(const DeviceAccess& a)
{
    const QString otherPrograms = QCoreApplication::translate("runo-link",
        "ModemManager and brltty can take a USB serial adapter for their own: \"fuser -v %1\" names a program "
        "holding it, and \"journalctl -b | grep -i -e brltty -e ModemManager\" shows whether one took it.");
    if (!a.exists || a.mayReadWrite)
        return a.usbAdapter ? otherPrograms.arg(a.device) : QString();
    constexpr unsigned kGroupReadWrite = 060;
    if ((a.mode & kGroupReadWrite) == kGroupReadWrite && !a.groupIsRoot && !a.inGroupNow) {
        if (a.inGroupDatabase)
            return QCoreApplication::translate("runo-link",
                "You joined the group \"%1\", which may read and write the device, after this "
                "session began: log out and in again.")
                .arg(a.group);
        return QCoreApplication::translate("runo-link",
            "The device belongs to the group \"%1\": add yourself to it with\n"
            "    sudo adduser $USER %1\n"
            "then log out and in again.")
            .arg(a.group);
    }
    return QCoreApplication::translate("runo-link",
        "The device belongs to the user \"%1\" and the group \"%2\" (mode %3), which give you "
        "no read and write access: ask the machine's administrator for it.")
        .arg(a.owner, a.group, QStringLiteral("%1").arg(a.mode & 0777, 4, 8, QLatin1Char('0')));
}

QString permissionHint(const QString& device)
{
    const QByteArray path = QFile::encodeName(device);
    DeviceAccess a;
    a.device = device;
    const QString node = QFileInfo(device).canonicalFilePath();
    a.usbAdapter = device.contains(QLatin1String("/usb-")) || node.startsWith(QLatin1String("/dev/ttyUSB"))
        || node.startsWith(QLatin1String("/dev/ttyACM"));
    struct stat st { };
    a.exists = ::stat(path.constData(), &st) == 0;
    a.mayReadWrite = a.exists && ::access(path.constData(), R_OK | W_OK) == 0;
    if (a.exists && !a.mayReadWrite && errno != EACCES)
        return {}; // a read-only file system, say: nothing to advise
    if (!a.exists || a.mayReadWrite)
        return accessHint(a);
    a.mode = st.st_mode;
    const passwd* user = ::getpwuid(st.st_uid);
    a.owner = user ? QString::fromLocal8Bit(user->pw_name) : QString::number(st.st_uid);
    const group* owner = ::getgrgid(st.st_gid);
    a.group = owner ? QString::fromLocal8Bit(owner->gr_name) : QString::number(st.st_gid);
    a.groupIsRoot = st.st_gid == 0;
    std::vector<gid_t> groups(std::max(::getgroups(0, nullptr), 0));
    groups.resize(std::max(::getgroups(int(groups.size()), groups.data()), 0));
    a.inGroupNow = ::getegid() == st.st_gid || std::find(groups.begin(), groups.end(), st.st_gid) != groups.end();
    if (const passwd* me = ::getpwuid(::getuid()); me && owner) {
        for (char* const* member = owner->gr_mem; *member; ++member)
            a.inGroupDatabase = a.inGroupDatabase || std::strcmp(*member, me->pw_name) == 0;
        a.inGroupDatabase = a.inGroupDatabase || me->pw_gid == st.st_gid;
    }
    return accessHint(a);
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
            return QCoreApplication::translate("runo-link", "another program");
        QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
        const QString program = comm.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(comm.readAll().trimmed()) : QString();
        return program.isEmpty() ? QCoreApplication::translate("runo-link", "process %1").arg(pid)
                                 : QCoreApplication::translate("runo-link", "process %1 (%2)").arg(pid).arg(program);
    }
    return {};
}

} // namespace runo
