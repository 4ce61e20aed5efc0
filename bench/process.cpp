// SPDX-License-Identifier: MIT
// The panel as its own process, read through /proc: time from process start
// to the window shown and waiting, CPU and wake-ups while idle, peak memory.
#include "bench.h"

#include "procstatus.h"
#include "ptypair.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace bench {

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

QByteArray readProc(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return {};
    return f.readAll();
}

// Whether the process holds the device open.
bool holdsOpen(qint64 pid, const QString& device)
{
    const QString dir = QStringLiteral("/proc/%1/fd").arg(pid);
    for (const QFileInfo& fd : QDir(dir).entryInfoList(QDir::NoDotAndDotDot | QDir::System | QDir::Files)) {
        if (fd.symLinkTarget() == device)
            return true;
    }
    return false;
}

// Whether the process's main thread sleeps in poll() or ppoll(), which is
// where the event loop waits for the next event.
bool waitsInEventLoop(qint64 pid)
{
    const QByteArray stat = readProc(QStringLiteral("/proc/%1/stat").arg(pid));
    const qsizetype close = stat.lastIndexOf(')');
    if (close < 0 || close + 2 >= stat.size() || stat[close + 2] != 'S')
        return false;
    const QByteArray wchan = readProc(QStringLiteral("/proc/%1/wchan").arg(pid));
    if (wchan.contains("poll"))
        return true;
    const QByteArray syscall = readProc(QStringLiteral("/proc/%1/syscall").arg(pid)).split(' ').value(0);
#if defined(__x86_64__)
    return syscall == "7" || syscall == "271"; // poll, ppoll
#elif defined(__aarch64__)
    return syscall == "73"; // ppoll
#else
    return false;
#endif
}

struct Launch {
    std::unique_ptr<Pty> pty;
    std::unique_ptr<QProcess> process;
    double portOpenMs = -1;
    double readyMs = -1;
};

// Starts the panel on a fresh pseudo-terminal and watches it, every 100 µs,
// until its port is open and its thread first waits in the event loop.
Launch launch(const QString& app)
{
    Launch l;
    l.pty = std::make_unique<Pty>();
    // The panel must open the device itself, not inherit it from here.
    l.pty->releaseSlave();
    ::fcntl(l.pty->masterFd(), F_SETFD, FD_CLOEXEC);
    l.process = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("RUNO_COM1"), l.pty->path());
    l.process->setProcessEnvironment(env);
    l.process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    l.process->setStandardOutputFile(QProcess::nullDevice());

    const auto start = Clock::now();
    l.process->start(app, {});
    if (!l.process->waitForStarted(5000))
        return l;
    const qint64 pid = l.process->processId();
    const auto deadline = start + 10s;
    while (Clock::now() < deadline && l.process->state() == QProcess::Running) {
        if (l.portOpenMs < 0 && holdsOpen(pid, l.pty->path()))
            l.portOpenMs = micros(Clock::now() - start) / 1000.0;
        if (l.portOpenMs >= 0 && waitsInEventLoop(pid)) {
            l.readyMs = micros(Clock::now() - start) / 1000.0;
            break;
        }
        timespec pause {0, 100000};
        ::nanosleep(&pause, nullptr);
    }
    return l;
}

void stop(Launch& l)
{
    if (!l.process || l.process->state() == QProcess::NotRunning)
        return;
    l.process->terminate();
    if (!l.process->waitForFinished(3000)) {
        l.process->kill();
        l.process->waitForFinished(3000);
    }
}

} // namespace

// Summed over every thread of the process.
Usage usage(qint64 pid)
{
    Usage u;
    const QString tasks = QStringLiteral("/proc/%1/task").arg(pid);
    bool exact = true;
    double ticks = 0;
    for (const QString& tid : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString t = tasks + QLatin1Char('/') + tid;
        const QByteArray sched = readProc(t + QStringLiteral("/schedstat"));
        bool ok = false;
        const double ns = sched.split(' ').value(0).toDouble(&ok);
        if (ok)
            u.cpuSeconds += ns / 1e9;
        else
            exact = false;
        const QByteArray stat = readProc(t + QStringLiteral("/stat"));
        const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
        ticks += fields.value(11).toDouble() + fields.value(12).toDouble(); // utime, stime
        for (const QByteArray& line : readProc(t + QStringLiteral("/status")).split('\n')) {
            if (line.startsWith("voluntary_ctxt_switches:") || line.startsWith("nonvoluntary_ctxt_switches:"))
                u.switches += line.mid(line.indexOf(':') + 1).trimmed().toLongLong();
        }
    }
    if (!exact)
        u.cpuSeconds = ticks / double(sysconf(_SC_CLK_TCK));
    u.exact = exact;
    return u;
}

void measureProcess(const Options& o, Table& table)
{
    std::fprintf(stderr, "  start-up and idle\n");
    if (o.app.isEmpty() || !QFileInfo(o.app).isExecutable()) {
        table.note(QStringLiteral("runo-control not found (%1); no process figures.").arg(o.app));
        return;
    }

    Samples ready, portOpen;
    for (int i = 0; i < o.launches; ++i) {
        Launch l = launch(o.app);
        if (l.readyMs >= 0) {
            ready.add(l.readyMs * 1000.0);
            portOpen.add(l.portOpenMs * 1000.0);
        }
        stop(l);
        QThread::msleep(100);
    }
    table.add({QStringLiteral("Process start to window shown and waiting (%1 starts): median / max").arg(ready.size()),
        QStringLiteral("%1 / %2 (port open at %3)")
            .arg(duration(ready.median()), duration(ready.max()), duration(portOpen.median())),
        QStringLiteral("< 300 ms"), ready.empty() ? std::optional<bool>() : ready.median() < 300e3});

    Launch l = launch(o.app);
    if (l.readyMs < 0) {
        table.note(QStringLiteral("The panel did not come up for the idle measurement."));
        stop(l);
        return;
    }
    const qint64 pid = l.process->processId();
    QThread::sleep(1); // let start-up work finish
    const Usage before = usage(pid);
    const auto t0 = Clock::now();
    QThread::sleep(unsigned(o.idleSeconds));
    const Usage after = usage(pid);
    const double seconds = micros(Clock::now() - t0) / 1e6;
    const double cpu = (after.cpuSeconds - before.cpuSeconds) / seconds * 100.0;
    const qint64 wakeUps = after.switches - before.switches;
    const qint64 peakKb = statusKb(pid, "VmHWM:");
    const qint64 rssKb = statusKb(pid, "VmRSS:");
    stop(l);

    table.add({QStringLiteral("Idle CPU, open panel doing nothing for %1 s (%2)")
                   .arg(o.idleSeconds)
                   .arg(after.exact ? QStringLiteral("scheduler run time") : QStringLiteral("clock ticks")),
        QStringLiteral("%1% of a core, %2 wake-ups").arg(cpu, 0, 'f', 4).arg(wakeUps), QStringLiteral("< 0.1%, no polling"),
        cpu < 0.1});
    table.add({QStringLiteral("Memory: peak resident (VmHWM) / resident when idle"),
        QStringLiteral("%1 MiB / %2 MiB").arg(double(peakKb) / 1024.0, 0, 'f', 1).arg(double(rssKb) / 1024.0, 0, 'f', 1),
        QString(), std::nullopt});
}

} // namespace bench
