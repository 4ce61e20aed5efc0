// SPDX-License-Identifier: MIT
// One figure of a process's /proc/PID/status, in kB; -1 when it cannot be read.
//   statusKb(pid, "VmRSS:")   its resident memory
#pragma once

#include <QByteArray>
#include <QFile>

inline qint64 statusKb(qint64 pid, const char* key)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(qsizetype(qstrlen(key))).trimmed().split(' ').value(0).toLongLong();
    return -1;
}
