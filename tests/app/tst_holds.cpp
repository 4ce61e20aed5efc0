// SPDX-License-Identifier: MIT
// The press-and-hold buttons of the real window on a pseudo-terminal, with
// real timers: the repeats counted on the wire, the intervals in force, the
// traffic lines after a release, and a hold whose release never comes.
#include "windowrig.h"

#include <QSignalSpy>

using runo::Panel;

class TstHolds : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void volumePlus_data();
    void volumePlus();
    void repeatTiming_data();
    void repeatTiming();
    void releaseBlanksTheTrafficLines();
    void releaseKeepsTheStatusLineForItsTime();
    void lostReleaseEndsTheHold();

private:
    std::unique_ptr<WindowRig> rig;
};

void TstHolds::init()
{
    rig = std::make_unique<WindowRig>();
    QVERIFY(rig->show());
}

void TstHolds::cleanup()
{
    const QStringList boxes = rig->boxes.texts;
    rig.reset();
    QCOMPARE(boxes, QStringList());
}

// Counting bounds are loose on purpose: the suite runs on busy machines, and
// a late tick means fewer repeats, a late release one more.
void TstHolds::volumePlus_data()
{
    QTest::addColumn<Qt::MouseButton>("mouseButton");
    QTest::addColumn<int>("heldMs");
    QTest::addColumn<int>("least");
    QTest::addColumn<int>("most");

    // Held 1 s: the press and a repeat every 250 ms, 4 or 5 lines.
    QTest::newRow("VOL + left, 1 s") << Qt::LeftButton << 1000 << 3 << 6;
    QTest::newRow("VOL + right, 1 s") << Qt::RightButton << 1000 << 3 << 6;
    QTest::newRow("VOL + middle, 1 s") << Qt::MiddleButton << 1000 << 3 << 6;
    // Released before the first repeat: the press alone.
    QTest::newRow("VOL + left, tap") << Qt::LeftButton << 0 << 1 << 1;
    QTest::newRow("VOL + right, tap") << Qt::RightButton << 0 << 1 << 1;
    QTest::newRow("VOL + middle, tap") << Qt::MiddleButton << 0 << 1 << 1;
}

void TstHolds::volumePlus()
{
    QFETCH(Qt::MouseButton, mouseButton);
    QFETCH(int, heldMs);
    QFETCH(int, least);
    QFETCH(int, most);

    QPushButton* plus = rig->button("Command1");
    QTest::mousePress(plus, mouseButton);
    QCOMPARE(int(rig->panel().holdCode()), 1);
    QByteArray held = heldMs > 0 ? rig->wire(heldMs) : QByteArray();
    QTest::mouseRelease(plus, mouseButton);
    QCOMPARE(int(rig->panel().holdCode()), 0);
    QVERIFY(!rig->panel().timer(1).isActive());

    // Whatever was still on its way arrives; nothing new is sent.
    QSignalSpy sent(&rig->panel(), &Panel::transmitLineChanged);
    held += rig->wire(600);
    const int lines = countLines(held, "C09\r");
    QVERIFY2(lines >= least && lines <= most, qPrintable(QString("%1 lines: %2").arg(lines).arg(held)));
    QCOMPARE(sent.count(), 0);
}

void TstHolds::repeatTiming_data()
{
    QTest::addColumn<QStringList>("before"); // clicks, or "hold:" taps of hold buttons
    QTest::addColumn<QString>("control");
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<int>("repeat"); // Timer1 while held
    QTest::addColumn<int>("reply"); // Timer2 while held
    QTest::addColumn<int>("clear"); // Timer4 while held
    QTest::addColumn<int>("heldMs");
    QTest::addColumn<int>("least");
    QTest::addColumn<int>("most");

    QTest::newRow("↑ at start") << QStringList() << "Command5" << QByteArray("C3C\r") << 200 << 500 << 1000 << 1000 << 4 << 7;
    QTest::newRow("↓ after MENU ON") << QStringList {"Command23"} << "Command7" << QByteArray("C3D\r") << 200 << 150 << 190
                                     << 1000 << 4 << 7;
    QTest::newRow("↓ after MENU ON and VOL +")
        << QStringList {"Command23", "hold:Command1"} << "Command7" << QByteArray("C3D\r") << 250 << 150 << 190 << 1000 << 3 << 6;
    QTest::newRow("← after REAL") << QStringList {"Command10"} << "Command9" << QByteArray("C3B\r") << 200 << 2000 << 2500 << 1000
                                  << 4 << 7;
    QTest::newRow("→ after D.Zoom +") << QStringList {"hold:Command48"} << "Command8" << QByteArray("C3A\r") << 5 << 5 << 5 << 500
                                      << 25 << 120;
    QTest::newRow("↑ after D.Zoom - and MENU ON") << QStringList {"hold:Command49", "Command23"} << "Command5"
                                                  << QByteArray("C3C\r") << 200 << 150 << 190 << 1000 << 4 << 7;
    QTest::newRow("SELECT") << QStringList() << "Command6" << QByteArray("C3F\r") << 500 << 200 << 245 << 1000 << 2 << 4;
    QTest::newRow("Zoom +") << QStringList() << "Command15" << QByteArray("C47\r") << 105 << 100 << 100 << 500 << 3 << 7;
    QTest::newRow("LENS SHIFT →") << QStringList() << "Command61" << QByteArray("C60\r") << 105 << 100 << 100 << 500 << 3 << 7;
    QTest::newRow("Keystone -") << QStringList() << "Command51" << QByteArray("C8F\r") << 250 << 200 << 245 << 500 << 2 << 4;
}

// The repeat interval and reply timing a hold runs with, depending on what
// came before it; the count of lines on the wire follows the repeat interval,
// and the release sends nothing.
void TstHolds::repeatTiming()
{
    QFETCH(QStringList, before);
    QFETCH(QString, control);
    QFETCH(QByteArray, line);
    QFETCH(int, repeat);
    QFETCH(int, reply);
    QFETCH(int, clear);
    QFETCH(int, heldMs);
    QFETCH(int, least);
    QFETCH(int, most);

    for (const QString& step : before) {
        if (step.startsWith("hold:"))
            rig->tap(step.mid(5));
        else
            rig->click(step);
    }
    rig->wire(100);

    QPushButton* b = rig->button(control);
    QTest::mousePress(b, Qt::LeftButton);
    Panel& panel = rig->panel();
    QCOMPARE(panel.timer(1).interval(), repeat);
    QCOMPARE(panel.timer(2).interval(), reply);
    QCOMPARE(panel.timer(4).interval(), clear);
    QVERIFY(panel.timer(1).isActive());
    QByteArray held = rig->wire(heldMs);
    QTest::mouseRelease(b, Qt::LeftButton);

    QSignalSpy sent(&panel, &Panel::transmitLineChanged);
    held += rig->wire(600);
    const int lines = countLines(held, line);
    QVERIFY2(lines >= least && lines <= most, qPrintable(QString("%1 lines: %2").arg(lines).arg(held)));
    QCOMPARE(sent.count(), 0); // the release sends nothing, and no repeat follows it
    QCOMPARE(panel.timer(2).interval(), 500);
    QCOMPARE(panel.timer(4).interval(), 1000);
}

// The transmit and receive lines blank at the release itself.
void TstHolds::releaseBlanksTheTrafficLines()
{
    QPushButton* plus = rig->button("Command1");
    QTest::mousePress(plus, Qt::LeftButton);
    QCOMPARE(rig->wire(1000, 4), QByteArray("C09\r"));
    rig->pty->write("\x06");
    QTRY_VERIFY_WITH_TIMEOUT(rig->text("Label12").contains("ACK"), 2000);
    QVERIFY(!rig->text("Label11").isEmpty());

    QTest::mouseRelease(plus, Qt::LeftButton);
    QCOMPARE(rig->text("Label11"), QString());
    QCOMPARE(rig->text("Label12"), QString());
    QVERIFY(rig->panel().receiveBuffer().isEmpty());
}

// A tap right after a decoded reply: the status line stays for the 1000 ms
// of the display-clear timer, and the tap's own command is never marked
// unanswered.
void TstHolds::releaseKeepsTheStatusLineForItsTime()
{
    rig->click("Command44");
    QCOMPARE(rig->wire(1000, 4), QByteArray("CR0\r"));
    rig->pty->write("00\r");
    QTRY_COMPARE_WITH_TIMEOUT(rig->text("Label22"), QString(" Power ON"), 2000);

    QSignalSpy receiveLines(&rig->panel(), &Panel::receiveLineChanged);
    rig->tap("Command1");
    QCOMPARE(rig->text("Label11"), QString());
    QCOMPARE(rig->text("Label12"), QString());
    QCOMPARE(rig->text("Label22"), QString(" Power ON"));
    QVERIFY(!rig->panel().timer(2).isActive());
    QVERIFY(rig->panel().timer(4).isActive());
    QCOMPARE(rig->panel().timer(4).interval(), 1000);

    QTest::qWait(300);
    QCOMPARE(rig->text("Label22"), QString(" Power ON"));
    QTRY_COMPARE_WITH_TIMEOUT(rig->text("Label22"), QString(), 4000);
    QTest::qWait(300);
    for (const auto& args : receiveLines)
        QVERIFY(args.at(0).toString() != " X X X X");
    QCOMPARE(rig->text("Label12"), QString());
    QCOMPARE(rig->wire(50), QByteArray("C09\r"));
}

// When the window stops being the active one during a hold, the release can
// no longer arrive: the hold ends there and the repeats stop.
void TstHolds::lostReleaseEndsTheHold()
{
    QPushButton* plus = rig->button("Command1");
    QTest::mousePress(plus, Qt::LeftButton);
    QCOMPARE(rig->wire(1000, 4), QByteArray("C09\r"));
    QCOMPARE(int(rig->panel().holdCode()), 1);

    QWidget other;
    other.setWindowTitle("other");
    other.resize(100, 100);
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    QTRY_VERIFY_WITH_TIMEOUT(!rig->window->isActiveWindow(), 2000);

    QCOMPARE(int(rig->panel().holdCode()), 0);
    QVERIFY(!rig->panel().timer(1).isActive());
    rig->wire(50); // a repeat may have gone out before the switch
    QCOMPARE(rig->wire(700), QByteArray());

    // The late release, should it come after all, changes nothing.
    QTest::mouseRelease(plus, Qt::LeftButton);
    QCOMPARE(int(rig->panel().holdCode()), 0);
    QCOMPARE(rig->wire(300), QByteArray());
}

QTEST_MAIN(TstHolds)
#include "tst_holds.moc"
