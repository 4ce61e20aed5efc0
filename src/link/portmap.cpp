// SPDX-License-Identifier: MIT
#include "link/portmap.h"

#include <QByteArray>

namespace runo {

QString devicePathForPort(int port)
{
    const QByteArray variable = "RUNO_COM" + QByteArray::number(port);
    const QByteArray configured = qgetenv(variable.constData());
    if (!configured.isEmpty())
        return QString::fromLocal8Bit(configured);
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(port);
#else
    return QStringLiteral("/dev/ttyS%1").arg(port - 1);
#endif
}

QString portDisplayName(int port) { return QStringLiteral("COM%1 (%2)").arg(port).arg(devicePathForPort(port)); }

} // namespace runo
