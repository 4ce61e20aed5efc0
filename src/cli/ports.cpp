// SPDX-License-Identifier: MIT
#include "cli/ports.h"

#include "cli/report.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

namespace runo {

QString portList(const QList<SerialDevice>& devices, bool json)
{
    QString out;
    for (const SerialDevice& d : devices) {
        if (json) {
            const QJsonObject o {{QStringLiteral("path"), d.path}, {QStringLiteral("description"), d.description},
                {QStringLiteral("node"), d.node}};
            out += QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
        } else {
            out += deviceLabel(d);
        }
        out += QLatin1Char('\n');
    }
    return out;
}

int listPorts(bool json)
{
    const QList<SerialDevice> devices = availableDevices();
    if (devices.isEmpty())
        std::fputs(qPrintable(QCoreApplication::translate("runoctl", "runoctl: no serial ports found\n")), stderr);
    const QByteArray out = portList(devices, json).toUtf8();
    std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
    return exitCode(ExitStatus::Success);
}

} // namespace runo
