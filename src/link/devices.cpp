// SPDX-License-Identifier: MIT
#include "link/devices.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSerialPortInfo>

#include <cerrno>
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

} // namespace runo
