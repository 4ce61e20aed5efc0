// SPDX-License-Identifier: MIT
// The traffic log: one tab-separated line per exchange, appended to a file,
// for every program that drives a panel (--log FILE). An exchange is one line
// sent with the replies that came in its reply window; a hold logs each of its
// lines, as the wire carries them.
//   time                     port          result    sent  received    status
//   2026-12-07 14:53:42.120  /dev/ttyUSB0  reply     CR0   0 0 CR      Power ON
//   2026-12-07 14:53:44.004  /dev/ttyUSB0  no reply  C00
//   2026-12-07 14:53:45.310  COM2          refused   C00               COM2 (/dev/ttyS1): No such file or directory
//   2026-12-07 14:53:46.500  /dev/ttyUSB0  lost      CR0               /dev/ttyUSB0: the device went away
// Each line goes out in one write() when its exchange is over, never through
// a buffer, so a slow or full disk or a pipe with no reader costs the event
// loop one write() at most. A log that cannot be opened or written is one
// warning on standard error and no more lines; the exchanges go on.
#pragma once

#include "panel/exchangewatch.h"

#include <QByteArray>
#include <QObject>
#include <QString>

namespace runo {

class TrafficLog : public QObject {
    Q_OBJECT
public:
    // The first line of a new (empty) log file, naming the columns.
    static constexpr char kHeader[] = "time\tport\tresult\tsent\treceived\tstatus\n";

    // Appends to `path`; an empty path logs nothing. A file that cannot be
    // opened is a warning on standard error.
    explicit TrafficLog(const QString& path, QObject* parent = nullptr);
    ~TrafficLog() override;

    bool isOpen() const { return m_fd >= 0; }
    // Logs every exchange `watch` sees end, until it or this log goes.
    void watch(const ExchangeWatch* watch);

    // The log line for an exchange, ending in a line feed; no field holds a
    // tab or a line break.
    static QByteArray line(const Exchange& exchange);

private:
    void write(const QByteArray& bytes);
    void warn(const QString& message);

    QString m_path;
    int m_fd = -1;
};

} // namespace runo
