// SPDX-License-Identifier: MIT
// The soaks: the real window on a pseudo-terminal under a flood of random
// bytes at the full rate of 19200 baud, answering clicks and holding VOL +;
// then a hold at 5 ms. Every click must go out as one line at once, every
// repeat tick as one whole line, memory must stay flat.
#include "bench.h"

#include "procstatus.h"
#include "windowrig.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>

#include <atomic>
#include <thread>

namespace bench {

namespace {

constexpr int kFloodBytesPerSecond = 1920; // 19200 baud, 10 bits a byte

qint64 residentKb() { return statusKb(QCoreApplication::applicationPid(), "VmRSS:"); }

int countLines(const QByteArray& wire, const QByteArray& line) { return int(wire.count(line)); }

void flood(const Options& o, Table& table)
{
    WindowRig rig;
    rig.show();
    std::atomic<bool> stop {false};
    std::atomic<qint64> flooded {0};
    std::thread writer([&, fd = rig.pty->masterFd()] {
        QRandomGenerator random(19200);
        QElapsedTimer clock;
        clock.start();
        char chunk[64];
        while (!stop) {
            const qint64 n = std::min<qint64>(clock.elapsed() * kFloodBytesPerSecond / 1000 - flooded, sizeof chunk);
            for (qint64 i = 0; i < n; ++i)
                chunk[i] = char(random.bounded(256));
            if (n > 0 && ::write(fd, chunk, size_t(n)) > 0)
                flooded += n;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    });
    QTest::qWait(1000);
    const qint64 before = residentKb();
    int clicks = 0;
    Samples latency;
    QByteArray wire;
    QElapsedTimer wall;
    wall.start();
    while (wall.elapsed() < qint64(o.soakSeconds) * 500) {
        QElapsedTimer waited;
        waited.start();
        QTimer::singleShot(0, [&] {
            latency.add(double(waited.nsecsElapsed()) / 1e3);
            rig.click(QStringLiteral("Command44"));
        });
        wire += rig.wire(250);
        ++clicks;
    }
    QTest::mousePress(rig.button(QStringLiteral("Command1")), Qt::LeftButton);
    int ticks = 0;
    QObject::connect(&rig.timer(1), &QTimer::timeout, [&] { ++ticks; });
    QByteArray held = rig.wire(o.soakSeconds * 500);
    QTest::mouseRelease(rig.button(QStringLiteral("Command1")), Qt::LeftButton);
    held += rig.wire(300);
    stop = true;
    writer.join();
    const qint64 after = residentKb();
    table.add({QStringLiteral("Flood %1 s: STATUS clicks sent as one line each; worst wait for the window").arg(o.soakSeconds),
        QStringLiteral("%1 of %2; %3").arg(countLines(wire, "CR0\r")).arg(clicks).arg(duration(latency.max())),
        QStringLiteral("all; < 100 ms"), countLines(wire, "CR0\r") == clicks && latency.max() < 100e3});
    table.add({QStringLiteral("Flood: VOL + held, lines against repeat ticks; resident memory"),
        QStringLiteral("%1 lines, %2 ticks; %3 → %4 kB").arg(countLines(held, "C09\r")).arg(ticks).arg(before).arg(after),
        QStringLiteral("ticks + 1; < +1024 kB"), countLines(held, "C09\r") == ticks + 1 && after - before < 1024});
}

void fastHold(const Options& o, Table& table)
{
    WindowRig rig;
    rig.show();
    rig.tap(QStringLiteral("Command48")); // D.Zoom +: the cursor pad now repeats every 5 ms
    rig.wire(300);
    int ticks = 0;
    QObject::connect(&rig.timer(1), &QTimer::timeout, [&] { ticks += rig.panel().holdCode() != 0; });
    QTest::mousePress(rig.button(QStringLiteral("Command8")), Qt::LeftButton);
    const qint64 before = residentKb();
    QByteArray wire;
    QElapsedTimer wall;
    wall.start();
    while (wall.elapsed() < qint64(o.soakSeconds) * 1000)
        wire += rig.wire(1000);
    QTest::mouseRelease(rig.button(QStringLiteral("Command8")), Qt::LeftButton);
    const int held = ticks;
    wire += rig.wire(500);
    const qint64 after = residentKb();
    table.add({QStringLiteral("Hold at 5 ms for %1 s: lines against ticks, ticks after the release; memory").arg(o.soakSeconds),
        QStringLiteral("%1 lines, %2 ticks, %3 after; %4 → %5 kB")
            .arg(countLines(wire, "C3A\r"))
            .arg(held)
            .arg(ticks - held)
            .arg(before)
            .arg(after),
        QStringLiteral("ticks + 1, 0; < +1024 kB"),
        countLines(wire, "C3A\r") == held + 1 && ticks == held && wire.size() == 4 * qsizetype(held + 1)
            && after - before < 1024});
}

} // namespace

void measureSoak(const Options& options, Table& table)
{
    std::fprintf(stderr, "  flood\n");
    flood(options, table);
    std::fprintf(stderr, "  hold at 5 ms\n");
    fastHold(options, table);
}

} // namespace bench
