// SPDX-License-Identifier: MIT
// The traffic log: one tab-separated line per exchange, appended to a file,
// for every program that drives a panel (--log FILE). An exchange is one line
// sent with the replies that came in its reply window; a hold logs each of its
// lines, as the wire carries them.
//   time                     port          result    sent  received    status
//   2026-12-07 14:53:42.120  /dev/ttyUSB0  reply     CR0   0 0 CR      Power ON
//   2026-12-07 14:53:44.004  /dev/ttyUSB0  no reply  C00
//   2026-12-07 14:53:45.310  COM2          refused   C00               COM2 (/dev/ttyS1): No such file or directory
// Each line goes out in one write() when its exchange is over, never through
// a buffer, so a slow or full disk or a pipe with no reader costs the event
// loop one write() at most. A log that cannot be opened or written is one
// warning on standard error and no more lines; the exchanges go on.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QString>
#include <QTimer>

namespace runo {

class Panel;

class TrafficLog : public QObject {
    Q_OBJECT
public:
    // A line whose reply window the panel stopped without closing it (a
    // hold's release) is logged this long after its window would have closed.
    static constexpr int kStoppedWindowGraceMs = 50;

    // The first line of a new (empty) log file, naming the columns.
    static constexpr char kHeader[] = "time\tport\tresult\tsent\treceived\tstatus\n";

    // How an exchange ended, the log's third column.
    enum class Result { Reply, NoReply, Refused, CutShort };

    struct Exchange {
        QDateTime time; // when the line went out
        QString port; // the port's device, as the port names it
        QByteArray sent; // the whole line, closing CR included
        QByteArray commandPrefix; // the panel's, for decoding the reply
        QByteArray received; // the first Panel::kReceiveBufferLimit bytes
        qsizetype dropped = 0; // bytes past them
        Result result = Result::CutShort;
        QString reason; // why the line was refused
    };

    // Appends to `path`; an empty path logs nothing. A file that cannot be
    // opened is a warning on standard error.
    explicit TrafficLog(const QString& path, QObject* parent = nullptr);
    // An exchange still open is logged, cut short.
    ~TrafficLog() override;

    bool isOpen() const { return m_fd >= 0; }
    // Logs the exchanges of `panel`, until it or this log goes.
    void watch(Panel* panel);

    // The log line for an exchange, ending in a line feed; no field holds a
    // tab or a line break.
    static QByteArray line(const Exchange& exchange);

private:
    void begin(Panel* panel, const QByteArray& sent);
    void finish(const Panel* panel, Result result);
    void closeStoppedWindow(const Panel* panel);
    void write(const QByteArray& bytes);
    void warn(const QString& message);

    QString m_path;
    int m_fd = -1;
    QHash<const Panel*, Exchange> m_open; // the exchange each panel has open
    QHash<const Panel*, QTimer*> m_windowEnds; // each open exchange's reply window, in case the panel's stops
};

} // namespace runo
