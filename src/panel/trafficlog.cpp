// SPDX-License-Identifier: MIT
#include "panel/trafficlog.h"

#include "link/quoted.h"
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
    if (m_fd >= 0)
        ::close(m_fd);
}

void TrafficLog::watch(const ExchangeWatch* watch)
{
    if (m_fd >= 0)
        connect(watch, &ExchangeWatch::ended, this, [this](const Exchange& e) { write(line(e)); });
}

QByteArray TrafficLog::line(const Exchange& e)
{
    const QString shown = trafficText(e.received);
    QString received = shown.trimmed();
    if (e.dropped > 0)
        received += QStringLiteral(" (%1 more bytes)").arg(e.dropped);
    QString status = e.reason;
    if (e.reading)
        status = statusText(e.reading->value).trimmed();
    QByteArrayView sent(e.sent);
    if (sent.endsWith('\r'))
        sent.chop(1);
    const QStringList fields {e.time.toString(kTimeFormat), field(e.port), exchangeResultName(e.result),
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
