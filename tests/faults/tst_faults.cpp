// SPDX-License-Identifier: MIT
// Faults on the wire, with the real window on a real pseudo-terminal: the
// device vanishing in the middle of a 5 ms hold and coming back, a port held
// by another program at start-up, replies no projector should send, a flood
// of garbage, and a long hold at 5 ms. Nothing may crash, freeze, grow, show
// a box it should not, or send a line the operator did not ask for.
//
// The soak cases (flood, long hold) run RUNO_SOAK_SECONDS each, 10 unless set.
#include "traffic/traffictext.h"
#include "windowrig.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <cmath>
#include <thread>

#include <sys/resource.h>

#if defined(__SANITIZE_ADDRESS__)
#define RUNO_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define RUNO_UNDER_ASAN 1
#endif
#endif
#ifdef RUNO_UNDER_ASAN
extern "C" size_t __sanitizer_get_current_allocated_bytes(); // from the sanitizer's runtime
#endif

using namespace runo;

namespace {

int soakSeconds()
{
    bool ok = false;
    const int s = qEnvironmentVariableIntValue("RUNO_SOAK_SECONDS", &ok);
    return ok && s > 0 ? s : 10;
}

double cpuSeconds()
{
    rusage u {};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Memory in use, in kB: the live heap under AddressSanitizer (whose
// quarantine makes the resident size grow by design), else VmRSS.
qint64 memoryKb()
{
#ifdef RUNO_UNDER_ASAN
    return qint64(__sanitizer_get_current_allocated_bytes() / 1024);
#else
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    return -1;
#endif
}

// Runs the event loop as the program does, without the pauses of QTest::qWait.
void runFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

// Lines on the wire, each without its CR; a trailing piece without CR counts too.
QList<QByteArray> lines(const QByteArray& wire)
{
    QList<QByteArray> out = wire.split('\r');
    if (!out.isEmpty() && out.last().isEmpty())
        out.removeLast();
    return out;
}

QString hpa(int value) { return QString::number(value) + QStringLiteral(" hPa"); }

} // namespace

class TstFaults : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void deviceVanishesDuringFastHold();
    void portBusyAtStartUp();
    void everyByteValue_data();
    void everyByteValue();
    void badReplies_data();
    void badReplies();
    void replyStraddlesReplyWindows();
    void flood();
    void longFastHold();
};

void TstFaults::initTestCase() { QApplication::setApplicationName(QStringLiteral("runo-control")); }

// D.Zoom + and its release leave the cursor pad repeating every 5 ms with
// 5 ms reply and display-clear windows; then cursor → is held.
static void startFastCursorHold(WindowRig& rig)
{
    rig.tap("Command48");
    QCOMPARE(rig.panel().timer(1).interval(), 5);
    QCOMPARE(rig.panel().cursorMode(), std::uint8_t(3));
    QTest::mousePress(rig.button("Command8"), Qt::LeftButton);
    QCOMPARE(rig.panel().holdCode(), std::uint8_t(6));
}

void TstFaults::deviceVanishesDuringFastHold()
{
    WindowRig rig;
    QVERIFY(rig.show());
    QSignalSpy warnings(&rig.panel(), &Panel::warning);
    startFastCursorHold(rig);

    int ticks = 0;
    connect(&rig.panel().timer(1), &QTimer::timeout, this, [&] { ++ticks; });

    // Held with the device there: the cost of the hold itself.
    double cpu = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    const QByteArray before = rig.wire(1000);
    const double heldCpu = (cpuSeconds() - cpu) / (double(wall.elapsed()) / 1000.0);
    QVERIFY(lines(before).count("C3A") > 20);

    // The device goes: the port closes once, quietly, and the hold runs on.
    QVERIFY(rig.vanish());
    QTRY_VERIFY_WITH_TIMEOUT(!rig.comm->portOpen(), 2000);
    const int messages = QuietLog::warnings();
    ticks = 0;
    cpu = cpuSeconds();
    wall.restart();
    runFor(2000);
    const double goneCpu = (cpuSeconds() - cpu) / (double(wall.elapsed()) / 1000.0);
    qInfo("CPU share while held: %.2f with the device, %.2f without; %d ticks in 2 s", heldCpu, goneCpu, ticks);
    QVERIFY2(ticks > 100, "the repeat stalled while the device was gone");
    QVERIFY2(goneCpu < heldCpu + 0.35, "the lost device keeps the CPU busy");
    QCOMPARE(rig.comm->lossCount(), 1);
    QCOMPARE(QuietLog::warnings() - messages, 0);
    QCOMPARE(warnings.count(), 0);
    QVERIFY(rig.boxes.texts.isEmpty());
    QCOMPARE(rig.panel().holdCode(), std::uint8_t(6));
    QCOMPARE(rig.text("Label11"), QString(" C 3 A CR "));

    // It comes back while still held: the next repeats reach it.
    QVERIFY(rig.comeBack());
    const QByteArray back = rig.wire(500);
    QVERIFY(rig.comm->portOpen());
    QVERIFY(lines(back).count("C3A") > 10);
    QVERIFY(!back.contains("C30"));

    // The release ends the hold cleanly: nothing more goes out.
    QTest::mouseRelease(rig.button("Command8"), Qt::LeftButton);
    QCOMPARE(rig.panel().holdCode(), std::uint8_t(0));
    QVERIFY(!rig.panel().timer(1).isActive());
    QVERIFY(!rig.panel().timer(2).isActive());
    QCOMPARE(rig.text("Label11"), QString());
    QCOMPARE(rig.text("Label12"), QString());
    rig.wire(100); // what was already on its way
    ticks = 0;
    QCOMPARE(rig.wire(500), QByteArray());
    QCOMPARE(ticks, 0);

    // And the next command uses the returned device.
    rig.click("Command44");
    QCOMPARE(rig.wire(1000, 4), QByteArray("CR0\r"));
    QCOMPARE(rig.comm->lossCount(), 1);
    QCOMPARE(warnings.count(), 0);
    QVERIFY(rig.boxes.texts.isEmpty());
}

void TstFaults::portBusyAtStartUp()
{
    Pty pty;
    QVERIFY(pty.isValid());
    pty.releaseSlave();
    QProcess holder;
    holder.start(QStringLiteral(PORTHOLD_PATH), {pty.path()});
    QVERIFY(holder.waitForReadyRead(5000));
    QCOMPARE(holder.readLine().trimmed(), QByteArray("held"));

    // What the port itself reports for a device in use.
    QSerialPort probe(pty.path());
    QVERIFY(!probe.open(QIODevice::ReadWrite));
    const QString reason = probe.errorString();
    QVERIFY(!reason.isEmpty());

    qputenv("RUNO_COM1", pty.path().toLocal8Bit());
    QuietLog quiet;
    BoxWatcher boxes;
    SerialComm comm;
    MainWindow window(&comm); // start-up shows the box and closes it again
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(boxes.texts, QStringList {QStringLiteral("COM1 (%1): %2").arg(pty.path(), reason)});
    qInfo("box: %s", qPrintable(boxes.texts.first()));
    QVERIFY(!comm.portOpen());

    // The panel runs on: commands show, nothing reaches the held device, and
    // a retry at every command raises no further box.
    QPushButton* powerOn = window.form().button(QStringLiteral("Command17"));
    QTest::mouseClick(powerOn, Qt::LeftButton);
    QCOMPARE(window.form().label(QStringLiteral("Label11"))->text(), QString(" C 0 0 CR "));
    QTRY_COMPARE_WITH_TIMEOUT(window.form().label(QStringLiteral("Label12"))->text(), QString(" X X X X"), 1000);
    QCOMPARE(pty.readAvailable(), QByteArray());

    // Once the other program lets go, the next command gets through.
    holder.closeWriteChannel();
    QVERIFY(holder.waitForFinished(5000));
    QTest::mouseClick(powerOn, Qt::LeftButton);
    QVERIFY(comm.portOpen());
    QCOMPARE(pty.readFor(1000, 4), QByteArray("C00\r"));
    QCOMPARE(boxes.texts.size(), 1);
    qunsetenv("RUNO_COM1");
}

// Every byte value, each alone as a reply with its CR, after every read
// command: the byte reaches the panel as it was sent (the line discipline
// neither eats nor translates it), and the status line shows only what the
// decoder can rightly make of it.
void TstFaults::everyByteValue_data()
{
    QTest::addColumn<QString>("command");
    QTest::newRow("CR0 operating state") << "CR0";
    QTest::newRow("CR1 input mode") << "CR1";
    QTest::newRow("CR4 setting") << "CR4";
    QTest::newRow("CR3 lamp time") << "CR3";
    QTest::newRow("CR6 temperatures") << "CR6";
    QTest::newRow("CRA mute and signal") << "CRA";
    QTest::newRow("CR9 pass-through") << "CR9";
    QTest::newRow("CR PRESSURE") << "CR PRESSURE";
    QTest::newRow("CR7 lamp mode") << "CR7";
    QTest::newRow("CR ALLPFAIL, no decoder") << "CR ALLPFAIL";
}

void TstFaults::everyByteValue()
{
    QFETCH(QString, command);
    WindowRig rig;
    QVERIFY(rig.show());
    rig.sendTyped(command);
    QCOMPARE(rig.wire(1000, command.size() + 1), command.toLatin1() + '\r');

    for (int b = 0; b < 256; ++b) {
        rig.freshReplyWindow();
        const QByteArray reply = QByteArray(1, char(b)) + '\r';
        QVERIFY2(rig.reply(reply, 2), qPrintable(QStringLiteral("byte %1 lost or changed on the way").arg(b)));
        QCOMPARE(rig.panel().receiveBuffer(), reply);
        const QString line = rig.text("Label12");
        QCOMPARE(line, trafficText(reply));

        const QChar c = QChar(char16_t(b));
        const bool digit = b >= '0' && b <= '9';
        QString status; // what the status line must show
        if (command == "CR1" && b >= '1' && b <= '5')
            status = QStringLiteral(" Input mode ") + c;
        else if (command == "CR3")
            status = line.left(38) + QStringLiteral(" Hour Use");
        else if (command == "CR6")
            status = QStringLiteral("  S1=") + line + QStringLiteral(" C  ,   S2=  C  ,   S3=  C  ,   S4=  C ");
        else if (command == "CR9")
            status = line;
        else if (command == "CR PRESSURE")
            status = hpa(digit ? 106 + (b - '0') : 106); // readings 0 to 9
        QVERIFY2(
            rig.text("Label22") == status, qPrintable(QStringLiteral("byte %1: status \"%2\"").arg(b).arg(rig.text("Label22"))));
    }
    QCOMPARE(lines(rig.pty->readAvailable()), QList<QByteArray>()); // nothing sent in return
}

void TstFaults::badReplies_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("status"); // "" = nothing decoded

    QByteArray everyByte;
    for (int b = 0; b < 256; ++b)
        everyByte += char(b);
    QTest::newRow("all 256 byte values in one reply") << "CR9" << everyByte << trafficText(everyByte);
    QTest::newRow("lone CR") << "CR0" << QByteArray("\r") << "";
    QTest::newRow("only CRs") << "CR0" << QByteArray("\r\r\r\r") << "";
    QTest::newRow("CR between the code characters") << "CR0" << QByteArray("0\r0\r") << "";
    QTest::newRow("acknowledge before the data") << "CR0"
                                                 << QByteArray("\x06"
                                                               "00\r")
                                                 << "";
    QTest::newRow("echo before the data") << "CRA" << QByteArray("CRA\r00\r") << "";
    QTest::newRow("NUL before the data") << "CR7"
                                         << QByteArray("\0"
                                                       "01\r",
                                                4)
                                         << "";
    QTest::newRow("code 20 before the data") << "CR4"
                                             << QByteArray("\x14"
                                                           "11\r")
                                             << "";
    QTest::newRow("high bytes") << "CR0" << QByteArray("\xb0\xb0\r") << "";
    QTest::newRow("status code then garbage") << "CR0" << QByteArray("80\xff\xfe\x01\r") << " Stand by";
    QTest::newRow("lamp time of 4096 digits")
        << "CR3" << QByteArray(4096, '9') << " 9 9 9 9 9 9 9 9 9 9 9 9 9 9 9 9 9 9 9 Hour Use";
    QTest::newRow("pressure 0") << "CR PRESSURE" << QByteArray("0\r") << hpa(106);
    QTest::newRow("pressure 13107, times 5 wraps to -1") << "CR PRESSURE" << QByteArray("13107\r") << "";
    QTest::newRow("pressure 32768, past 16 bits") << "CR PRESSURE" << QByteArray("32768\r") << "";
    QTest::newRow("pressure 1E999") << "CR PRESSURE" << QByteArray("1E999\r") << "";
    QTest::newRow("pressure -1D999") << "CR PRESSURE" << QByteArray("-1D999\r") << "";
    QTest::newRow("pressure 1E-999") << "CR PRESSURE" << QByteArray("1E-999\r") << hpa(106);
    QTest::newRow("pressure 400 digits") << "CR PRESSURE" << QByteArray(400, '7') << "";
    QTest::newRow("pressure after acknowledge") << "CR PRESSURE"
                                                << QByteArray("\x06"
                                                              "600\r")
                                                << hpa(106);
    QTest::newRow("pressure with spaces") << "CR PRESSURE" << QByteArray(" 6 0 0 \r") << hpa(744);
}

void TstFaults::badReplies()
{
    QFETCH(QString, command);
    QFETCH(QByteArray, reply);
    QFETCH(QString, status);
    WindowRig rig;
    QVERIFY(rig.show());
    rig.sendTyped(command);
    QCOMPARE(rig.wire(1000, command.size() + 1), command.toLatin1() + '\r');
    rig.freshReplyWindow();

    QVERIFY(rig.reply(reply, reply.size()));
    QCOMPARE(rig.panel().receiveBuffer(), reply);
    QCOMPARE(rig.text("Label12"), trafficText(reply));
    QCOMPARE(rig.text("Label22"), status);
    QCOMPARE(rig.pty->readAvailable(), QByteArray());
}

// A reply that does not fit its reply window: its pieces are shown each on
// its own and never decoded as a whole. A huge one is cut at the buffer's
// bound; what follows the bound is dropped, not shown or decoded.
void TstFaults::replyStraddlesReplyWindows()
{
    WindowRig rig;
    QVERIFY(rig.show());
    rig.click("Command44"); // STATUS: 500 ms window
    QCOMPARE(rig.wire(1000, 4), QByteArray("CR0\r"));
    QVERIFY(rig.reply("0", 1));
    QTRY_VERIFY_WITH_TIMEOUT(!rig.panel().timer(2).isActive(), 1000);
    QVERIFY(rig.reply("0\r", 2));
    QCOMPARE(rig.text("Label12"), QString(" 0 CR "));
    QCOMPARE(rig.text("Label22"), QString());

    // A pass-through reply far longer than the buffer.
    rig.sendTyped(QStringLiteral("CR9"));
    QCOMPARE(rig.wire(1000, 4), QByteArray("CR9\r"));
    rig.freshReplyWindow();
    QVERIFY(rig.feed(QByteArray(Panel::kReceiveBufferLimit * 25, 'Z')));
    QCOMPARE(rig.wire(300), QByteArray());
    QCOMPARE(rig.panel().receiveBuffer().size(), Panel::kReceiveBufferLimit);
    QCOMPARE(rig.text("Label12").size(), 1 + 2 * Panel::kReceiveBufferLimit);
    QCOMPARE(rig.text("Label22"), rig.text("Label12"));
}

// One soak second at a time: garbage at the full rate of 19200 baud, unasked.
void TstFaults::flood()
{
    WindowRig rig;
    QVERIFY(rig.show());
    const int seconds = soakSeconds();
    std::atomic<bool> stop {false};
    std::atomic<qint64> flooded {0};
    const int fd = rig.pty->masterFd();
    std::thread writer([&] {
        QRandomGenerator random(19200);
        QElapsedTimer clock;
        clock.start();
        char chunk[64];
        while (!stop) {
            const qint64 due = clock.elapsed() * 1920 / 1000; // 1920 bytes a second
            qint64 n = std::min<qint64>(due - flooded, sizeof chunk);
            if (n > 0) {
                for (qint64 i = 0; i < n; ++i)
                    chunk[i] = char(random.bounded(256));
                const ssize_t w = ::write(fd, chunk, size_t(n));
                if (w > 0)
                    flooded += w;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    });
    auto finish = qScopeGuard([&] {
        stop = true;
        writer.join();
    });

    int arrivals = 0;
    connect(rig.comm.get(), &MSComm::onComm, this, [&] { ++arrivals; });
    QTest::qWait(1000); // buffers, fonts and caches settle
    const qint64 memoryBefore = memoryKb();
    QElapsedTimer wall;
    wall.start();

    // First half: the flood alone. The window answers every click at once,
    // and each click goes out as one line amid the garbage coming in.
    qint64 worstLatency = 0;
    int clicks = 0;
    QByteArray wire;
    while (wall.elapsed() < seconds * 500) {
        QElapsedTimer latency;
        latency.start();
        bool ran = false;
        QTimer::singleShot(0, this, [&] {
            worstLatency = std::max(worstLatency, latency.elapsed());
            rig.click("Command44");
            ran = true;
        });
        wire += rig.wire(250);
        QVERIFY(ran);
        ++clicks;
        QVERIFY(rig.panel().receiveBuffer().size() <= Panel::kReceiveBufferLimit);
    }
    wire += rig.wire(100);
    QCOMPARE(lines(wire).count("CR0"), clicks);
    QCOMPARE(lines(wire).size(), clicks);

    // Second half: a held VOL + under the flood repeats every 250 ms.
    QList<qint64> tickTimes;
    QElapsedTimer clock;
    clock.start();
    const auto tickConnection = connect(&rig.panel().timer(1), &QTimer::timeout, this, [&] { tickTimes << clock.elapsed(); });
    QTest::mousePress(rig.button("Command1"), Qt::LeftButton);
    wire = rig.wire(seconds * 500);
    QTest::mouseRelease(rig.button("Command1"), Qt::LeftButton);
    disconnect(tickConnection);
    wire += rig.wire(300);
    QCOMPARE(lines(wire).count("C09"), 1 + tickTimes.size());
    QCOMPARE(lines(wire).size(), 1 + tickTimes.size());
    QVERIFY(tickTimes.size() >= seconds * 2 - 2);
    qint64 shortest = 1000, longest = 0;
    for (qsizetype i = 1; i < tickTimes.size(); ++i) {
        const qint64 gap = tickTimes[i] - tickTimes[i - 1];
        shortest = std::min(shortest, gap);
        longest = std::max(longest, gap);
        QVERIFY2(gap >= 240 && gap <= 400, qPrintable(QStringLiteral("repeat %1 came after %2 ms").arg(i).arg(gap)));
    }

    const qint64 memoryAfter = memoryKb();
    qInfo("flood: %lld bytes in %lld ms, %d arrivals; %d clicks, worst latency %lld ms; %lld repeats %lld-%lld ms "
          "apart; memory %lld kB -> %lld kB",
        qint64(flooded), qint64(wall.elapsed()), arrivals, clicks, worstLatency, qint64(tickTimes.size()), shortest, longest,
        memoryBefore, memoryAfter);
    QVERIFY2(arrivals > seconds * 20, "the flood did not reach the panel");
    QVERIFY2(worstLatency < 100, "the window stopped answering under the flood");
    QVERIFY2(flooded >= 1920LL * seconds * 9 / 10, "the flood did not reach its rate");
    QVERIFY2(memoryAfter - memoryBefore < 1024, "memory grows under the flood");
}

// A hold at 5 ms for the soak time: exactly one line per tick of the repeat
// timer, every one of them whole, none after the release, memory flat.
void TstFaults::longFastHold()
{
    WindowRig rig;
    QVERIFY(rig.show());
    const int seconds = soakSeconds();
    int ticks = 0; // ticks that found a button held
    const auto tickConnection = connect(&rig.panel().timer(1), &QTimer::timeout, this, [&] {
        if (rig.panel().holdCode() != 0)
            ++ticks;
    });
    startFastCursorHold(rig);
    QByteArray wire = rig.wire(1000);
    const qint64 memoryBefore = memoryKb();
    const int ticksBefore = ticks;

    QElapsedTimer wall;
    wall.start();
    while (wall.elapsed() < seconds * 1000)
        wire += rig.wire(1000);
    QTest::mouseRelease(rig.button("Command8"), Qt::LeftButton);
    const int ticksHeld = ticks - ticksBefore;
    wire += rig.wire(500);
    QCOMPARE(ticks, ticksBefore + ticksHeld); // no tick after the release
    disconnect(tickConnection);
    const qint64 memoryAfter = memoryKb();

    // The D.Zoom press (and its repeats, if any), the cursor press, then one
    // line for every tick, each whole.
    const QList<QByteArray> sent = lines(wire);
    QVERIFY(wire.endsWith('\r'));
    QCOMPARE(sent.size(), 2 + ticks);
    QCOMPARE(sent.count("C30") + sent.count("C3A"), sent.size());
    QVERIFY(sent.count("C3A") >= 1 + ticksHeld);
    const double interval = double(wall.elapsed()) / ticksHeld;
    qInfo("hold: %d ticks in %lld ms (%.2f ms each); memory %lld kB -> %lld kB", ticksHeld, qint64(wall.elapsed()), interval,
        memoryBefore, memoryAfter);
    QVERIFY2(interval < 20.0, "the 5 ms repeat fell far behind");
    QVERIFY2(memoryAfter - memoryBefore < 1024, "memory grows during the hold");
}

QTEST_MAIN(TstFaults)
#include "tst_faults.moc"
