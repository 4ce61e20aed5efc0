// SPDX-License-Identifier: MIT
// The press-and-hold buttons of the real window on a pseudo-terminal, with
// real timers: each button's line at the press and at its first repeat, the
// timing it runs with, and the release that stops it; a hold whose release
// never comes; and the device vanishing and coming back, or held by another
// program at start-up.
#include "windowrig.h"

#include <QElapsedTimer>
#include <QSerialPort>

#include <sys/resource.h>

using runo::Panel;

namespace {

struct Hold {
    const char* control;
    const char* line;
    int repeat, reply, clear; // Timer1, Timer2, Timer4 while held
    const char* before = ""; // buttons tapped first
    Qt::MouseButton mouse = Qt::LeftButton;
    int repeatAfterRelease = 0; // Timer1 after the release; 0: as while held
};

constexpr Hold kHolds[] = {
    {"Command1", "C09", 250, 200, 245}, {"Command2", "C0A", 250, 200, 245}, {"Command15", "C47", 105, 100, 100},
    {"Command35", "C46", 105, 100, 100}, {"Command36", "C4B", 105, 100, 100}, {"Command37", "C4A", 105, 100, 100},
    {"Command48", "C30", 250, 200, 245, "", Qt::LeftButton, 5}, // then the cursor pad at 5 ms
    {"Command49", "C31", 250, 200, 245, "", Qt::LeftButton, 5}, {"Command50", "C8E", 250, 200, 245},
    {"Command51", "C8F", 250, 200, 245}, {"Command59", "C5D", 105, 100, 100}, {"Command62", "C5E", 105, 100, 100},
    {"Command60", "C5F", 105, 100, 100}, {"Command61", "C60", 105, 100, 100}, {"Command5", "C3C", 200, 500, 1000},
    {"Command7", "C3D", 200, 500, 1000}, {"Command9", "C3B", 200, 500, 1000}, {"Command8", "C3A", 200, 500, 1000},
    {"Command6", "C3F", 500, 200, 245}, {"Command1", "C09", 250, 200, 245, "", Qt::RightButton},
    {"Command2", "C0A", 250, 200, 245, "", Qt::MiddleButton}, {"Command7", "C3D", 200, 150, 190, "Command23"}, // MENU ON
    {"Command7", "C3D", 250, 150, 190, "Command23 Command1"}, // MENU ON, VOL +
    {"Command8", "C3A", 5, 5, 5, "Command48"}, // D.Zoom +
    {"Command5", "C3C", 200, 150, 190, "Command49 Command13"}, // D.Zoom -, A-PC Adj
};

// One line or more, nothing else.
bool linesOf(const QByteArray& bytes, const QByteArray& line)
{
    return !bytes.isEmpty() && bytes == line.repeated(bytes.size() / line.size());
}

double cpuSeconds()
{
    rusage u {};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

} // namespace

class TstHolds : public QObject {
    Q_OBJECT
private slots:
    void holds_data();
    void holds();
    void lostReleaseEndsTheHold();
    void deviceVanishesDuringAFastHold();
    void portBusyAtStartUp();
};

void TstHolds::holds_data()
{
    QTest::addColumn<int>("row");
    for (const Hold& h : kHolds)
        QTest::addRow("%s %s %s", h.line, h.before, h.mouse == Qt::LeftButton ? "" : "other mouse button") << int(&h - kHolds);
}

// The press sends at once, the first repeat follows one repeat interval
// later with the same line, and after the release nothing more goes out; the
// release blanks TXD and RXD and restores the 500 / 1000 ms reply timing.
void TstHolds::holds()
{
    QFETCH(int, row);
    const Hold& h = kHolds[row];
    const QByteArray line = QByteArray(h.line) + '\r';
    WindowRig rig;
    QVERIFY(rig.show());
    for (const QString& b : QString(h.before).split(' ', Qt::SkipEmptyParts))
        rig.tap(b);
    rig.wire(150);

    QPushButton* button = rig.button(h.control);
    QElapsedTimer clock;
    QTest::mousePress(button, h.mouse);
    clock.start();
    QVERIFY(linesOf(rig.wire(1000, line.size()), line));
    QCOMPARE(rig.timer(1).interval(), h.repeat);
    QCOMPARE(rig.timer(2).interval(), h.reply);
    QCOMPARE(rig.timer(4).interval(), h.clear);
    QVERIFY(linesOf(rig.wire(2000, line.size()), line));
    QVERIFY2(clock.elapsed() >= h.repeat * 9 / 10, "repeated before its interval");
    QTest::mouseRelease(button, h.mouse);
    rig.wire(10); // a repeat already on its way
    QCOMPARE(rig.wire(h.repeat * 2 + 50), QByteArray());
    QVERIFY(!rig.timer(1).isActive() && !rig.timer(2).isActive());
    QCOMPARE(rig.timer(2).interval(), 500);
    QCOMPARE(rig.timer(4).interval(), 1000);
    QCOMPARE(rig.text("Label11") + rig.text("Label12"), QString());
    QCOMPARE(rig.timer(1).interval(), h.repeatAfterRelease ? h.repeatAfterRelease : h.repeat);
    if (h.repeatAfterRelease)
        QCOMPARE(int(rig.panel().cursorMode()), 3);
}

// When the window stops being the active one during a hold, the release can
// no longer arrive: the hold ends there.
void TstHolds::lostReleaseEndsTheHold()
{
    WindowRig rig;
    QVERIFY(rig.show());
    QTest::mousePress(rig.button("Command1"), Qt::LeftButton);
    QCOMPARE(rig.wire(1000, 4), QByteArray("C09\r"));
    QWidget other;
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    QCOMPARE(int(rig.panel().holdCode()), 0);
    rig.wire(50);
    QCOMPARE(rig.wire(600), QByteArray());
}

// The device goes during a 5 ms hold: the port closes once, quietly, without
// spinning; it comes back and the repeats reach it.
void TstHolds::deviceVanishesDuringAFastHold()
{
    WindowRig rig;
    QVERIFY(rig.show());
    rig.tap("Command48"); // D.Zoom +: the cursor pad now repeats every 5 ms
    QTest::mousePress(rig.button("Command8"), Qt::LeftButton);
    QVERIFY(rig.wire(300).contains("C3A\rC3A\r"));
    const int warnings = QuietLog::warnings;
    rig.vanish();
    QTRY_VERIFY_WITH_TIMEOUT(!rig.comm->portOpen(), 2000);
    const double cpu = cpuSeconds();
    QTest::qWait(1000);
    QVERIFY2(cpuSeconds() - cpu < 0.5, "the lost device keeps the CPU busy");
    QCOMPARE(rig.comm->lossCount(), 1);
    QCOMPARE(QuietLog::warnings, warnings);
    QVERIFY(rig.comeBack());
    QVERIFY(rig.wire(500).contains("C3A\rC3A\r"));
    QTest::mouseRelease(rig.button("Command8"), Qt::LeftButton);
    QCOMPARE(rig.comm->lossCount(), 1);
    QCOMPARE(rig.boxes.texts, QStringList());
}

// Another program holds the port at start-up: one box with the port's
// reason, nothing sent; once it lets go, the next command gets through.
void TstHolds::portBusyAtStartUp()
{
    WindowRig rig(false);
    Pty pty;
    QSerialPort holder(pty.path());
    QVERIFY(holder.open(QIODevice::ReadWrite));
    rig.open(pty.path());
    QVERIFY(rig.show());
    QCOMPARE(rig.boxes.texts.size(), 1);
    QVERIFY2(rig.boxes.texts.first().startsWith("COM1 (" + pty.path() + "): "), qPrintable(rig.boxes.texts.first()));
    rig.click("Command17");
    QTRY_COMPARE_WITH_TIMEOUT(rig.text("Label12"), QString(" X X X X"), 2000);
    holder.close();
    pty.readAvailable();
    rig.click("Command17");
    QCOMPARE(pty.readFor(1000, 4), QByteArray("C00\r"));
    QCOMPARE(rig.boxes.texts.size(), 1);
}

QTEST_MAIN(TstHolds)
#include "tst_holds.moc"
