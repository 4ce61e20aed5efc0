// SPDX-License-Identifier: MIT
#include "panel/trafficlog.h"

#include "link/mscomm.h"
#include "link/quoted.h"
#include "panel/panel.h"
#include "traffic/decoders.h"
#include "traffic/traffictext.h"

#include <QCoreApplication>
#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace runo {

namespace {

constexpr QLatin1StringView kTimeFormat("yyyy-MM-dd HH:mm:ss.zzz"); // local time, read as a date by spreadsheets
constexpr QLatin1StringView kResultNames[]
    = {QLatin1StringView("reply"), QLatin1StringView("no reply"), QLatin1StringView("refused"), QLatin1StringView("cut short")};

// A field: control characters (tabs, line breaks) as C escapes, so that
// every line keeps its columns.
QString field(const QString& text) { return quotedControls(text); }

} // namespace

TrafficLog::TrafficLog(const QString& path, QObject* parent)
    : QObject(parent)
    , m_path(path)
{
    if (path.isEmpty())
        return;
    // Not blocking: a FIFO with no reader is refused at once and a full one
    // fails a write rather than stalling the exchanges.
    m_fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0666);
    if (m_fd < 0) {
        warn(tr("cannot open the log %1: %2; the traffic is not logged")
                 .arg(quotedControls(path), QString::fromLocal8Bit(std::strerror(errno))));
        return;
    }
    struct stat st { };
    if (::fstat(m_fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size == 0)
        write(QByteArray(kHeader));
}

TrafficLog::~TrafficLog()
{
    const QList<const Panel*> panels = m_open.keys();
    for (const Panel* panel : panels)
        finish(panel, Result::CutShort);
    if (m_fd >= 0)
        ::close(m_fd);
}

void TrafficLog::watch(Panel* panel)
{
    if (m_fd < 0)
        return;
    connect(panel, &Panel::lineSent, this, [this, panel](const QByteArray& line) { begin(panel, line); });
    connect(panel, &Panel::lineRefused, this, [this, panel](const QByteArray& line, const QString& reason) {
        begin(panel, line);
        m_open[panel].reason = reason;
        finish(panel, Result::Refused);
    });
    connect(panel, &Panel::replyReceived, this, [this, panel](const QByteArray& bytes) {
        const auto open = m_open.find(panel);
        if (open == m_open.end())
            return; // outside any exchange
        open->dropped += Panel::keepReply(open->received, bytes);
    });
    connect(panel, &Panel::replyWindowClosed, this, [this, panel] { finish(panel, Result::NoReply); });
    // Queued: a program may end the panel from its own reply handler (runoctl
    // on a whole reply), before the bytes have reached this log's.
    connect(
        panel, &Panel::ended, this, [this, panel] { finish(panel, Result::CutShort); }, Qt::QueuedConnection);
    connect(panel, &QObject::destroyed, this, [this, panel] {
        finish(panel, Result::CutShort);
        delete m_windowEnds.take(panel);
    });
    auto* windowEnd = new QTimer(this);
    windowEnd->setSingleShot(true);
    windowEnd->setTimerType(Qt::PreciseTimer);
    connect(windowEnd, &QTimer::timeout, this, [this, panel] { closeStoppedWindow(panel); });
    m_windowEnds.insert(panel, windowEnd);
}

// The panel's reply window may have been set anew (runoctl --timeout): the
// exchange waits while it runs.
void TrafficLog::closeStoppedWindow(const Panel* panel)
{
    const QTimer& reply = panel->replyTimer();
    if (reply.isActive())
        m_windowEnds.value(panel)->start(reply.remainingTime() + kStoppedWindowGraceMs);
    else
        finish(panel, Result::NoReply);
}

void TrafficLog::begin(Panel* panel, const QByteArray& sent)
{
    finish(panel, Result::CutShort); // the next line cuts the last one's window short
    Exchange& e = m_open[panel];
    e.time = QDateTime::currentDateTime();
    e.port = panel->port()->deviceName();
    e.sent = sent;
    e.commandPrefix = panel->commandPrefix();
    m_windowEnds.value(panel)->start(panel->replyTimer().interval() + kStoppedWindowGraceMs);
}

// `result` is how the exchange ended if nothing came; whatever came makes it
// a reply.
void TrafficLog::finish(const Panel* panel, Result result)
{
    const auto open = m_open.find(panel);
    if (open == m_open.end())
        return;
    Exchange e = *open;
    m_open.erase(open);
    if (QTimer* windowEnd = m_windowEnds.value(panel))
        windowEnd->stop();
    e.result = result == Result::Refused || e.received.isEmpty() ? result : Result::Reply;
    write(line(e));
}

QByteArray TrafficLog::line(const Exchange& e)
{
    const QString shown = trafficText(e.received);
    QString received = shown.trimmed();
    if (e.dropped > 0)
        received += QStringLiteral(" (%1 more bytes)").arg(e.dropped);
    QString status = e.reason;
    if (e.result != Result::Refused && !e.received.isEmpty())
        status = decodeReply(e.sent, e.commandPrefix, shown).value_or(QString()).trimmed();
    QByteArrayView sent(e.sent);
    if (sent.endsWith('\r'))
        sent.chop(1);
    const QStringList fields {e.time.toString(kTimeFormat), field(e.port), kResultNames[int(e.result)],
        field(QString::fromLatin1(sent)), field(received), field(status)};
    return (fields.join(QLatin1Char('\t')) + QLatin1Char('\n')).toUtf8();
}

void TrafficLog::write(const QByteArray& bytes)
{
    if (m_fd < 0)
        return;
    ssize_t n = 0;
    do
        n = ::write(m_fd, bytes.constData(), size_t(bytes.size()));
    while (n < 0 && errno == EINTR);
    if (n == bytes.size())
        return;
    const QString why = n < 0 ? QString::fromLocal8Bit(std::strerror(errno)) : tr("only part of a line was written");
    warn(tr("cannot write the log %1: %2; no more traffic is logged").arg(quotedControls(m_path), why));
    ::close(m_fd);
    m_fd = -1;
}

void TrafficLog::warn(const QString& message)
{
    std::fprintf(stderr, "%s: %s\n", qPrintable(QCoreApplication::applicationName()), qPrintable(message));
}

} // namespace runo
