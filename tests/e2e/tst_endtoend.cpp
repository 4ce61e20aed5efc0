// SPDX-License-Identifier: MIT
// The whole program against a projector: the real main window on the
// offscreen platform, the real serial layer, and projector-sim serving a
// pseudo-terminal. The panel reaches the simulator through a symbolic link
// named by RUNO_COM1, the way a USB adapter is reached through
// /dev/serial/by-id; removing the link makes the device vanish.

#include "app/layout/logolabel.h"
#include "simprocess.h"
#include "windowrig.h"

#include <QElapsedTimer>
#include <QtTest>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

using runo::Panel;

namespace {

constexpr int kWaitMs = 5000; // generous: the machine may be busy with other tests

// The window on projector-sim's line. Every text the three traffic lines show
// is recorded from the labels themselves, since the display-clear timer
// blanks them again within a second or two.
struct Rig : WindowRig {
    SimProcess sim;
    QStringList transmitted, received, status; // Label11, Label12, Label22

    Rig()
        : WindowRig(Device::Later)
    {
    }
    ~Rig()
    {
        window.reset(); // the port closes before the simulator goes
        comm.reset();
    }

    bool start(const QStringList& simArgs)
    {
        const QString path = sim.start(simArgs);
        if (path.isEmpty() || !attach(path))
            return false;
        record(&Panel::transmitLineChanged, "Label11", &transmitted);
        record(&Panel::receiveLineChanged, "Label12", &received);
        record(&Panel::statusLineChanged, "Label22", &status);
        return show();
    }

    void record(void (Panel::*signal)(const QString&), const char* label, QStringList* into)
    {
        QLabel* shown = form().label(QLatin1String(label));
        QObject::connect(&panel(), signal, window.get(), [shown, into] { into->append(shown->text()); });
    }

    // Ctrl+K, then a double-click on the logo: the full view, in which the
    // status reads, the traffic display and the free command entry show.
    bool openFullView()
    {
        QWidget* focus = QApplication::focusWidget();
        QTest::keyClick(focus ? focus : window.get(), Qt::Key_K, Qt::ControlModifier);
        QTest::mouseDClick(form().image(), Qt::LeftButton);
        return panel().windowHeight() == Panel::kFullViewHeight && !form().textBox()->visibleRegion().isEmpty();
    }

    // The simulator started with simArgs, and the window in its full view.
    bool startInFullView(const QStringList& simArgs) { return start(simArgs) && openFullView(); }

    bool replyWindowClosed()
    {
        return QTest::qWaitFor([this] { return !panel().timer(2).isActive(); }, kWaitMs);
    }

    bool displayCleared()
    {
        return QTest::qWaitFor([this] { return !panel().timer(4).isActive(); }, kWaitMs) && text("Label11").isEmpty()
            && text("Label12").isEmpty() && text("Label22").isEmpty();
    }

    bool hasReceived(const QString& text)
    {
        return QTest::qWaitFor([&] { return received.contains(text); }, kWaitMs);
    }
};

// Watches the line settings of a terminal device. Opened before the panel
// opens the device (the panel's port may then take it exclusively); the
// settings belong to the device, so this handle sees the panel's.
class LineWatch {
public:
    explicit LineWatch(const QString& path)
        : m_fd(::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC))
    {
    }
    ~LineWatch()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    LineWatch(const LineWatch&) = delete;
    LineWatch& operator=(const LineWatch&) = delete;

    // 0 when unreadable.
    speed_t speed() const
    {
        termios t {};
        return m_fd >= 0 && tcgetattr(m_fd, &t) == 0 ? cfgetospeed(&t) : 0;
    }

private:
    int m_fd;
};

const QString NoReply = QStringLiteral(" X X X X");

} // namespace

class TstEndToEnd : public QObject {
    Q_OBJECT
private slots:
    void statusReads_data();
    void statusReads();
    void powerOnCountDown();
    void splitReplyGrows_data();
    void splitReplyGrows();
    void unusableReply_data();
    void unusableReply();
    void heldVolumeRepeats();
    void lineClosedAndReconnected();
};

void TstEndToEnd::statusReads_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("typed"); // free command entry, for SEND
    QTest::addColumn<QByteArray>("line"); // as the projector receives it
    QTest::addColumn<QString>("transmitted");
    QTest::addColumn<QString>("reply");
    QTest::addColumn<QString>("status"); // "" = nothing decoded

    QTest::newRow("STATUS") << "Command44"
                            << "" << QByteArray("CR0") << " C R 0 CR "
                            << " 8 0 CR "
                            << " Stand by";
    QTest::newRow("MODE") << "Command45"
                          << "" << QByteArray("CR1") << " C R 1 CR "
                          << " 1 CR "
                          << " Input mode 1";
    QTest::newRow("L-TIME") << "Command46"
                            << "" << QByteArray("CR3") << " C R 3 CR "
                            << " 0 1 2 3 4 CR "
                            << " 0 1 2 3 4 CR  Hour Use";
    QTest::newRow("SETTING") << "Command47"
                             << "" << QByteArray("CR4") << " C R 4 CR "
                             << " 1 1 CR "
                             << " Normally";
    QTest::newRow("TEMP") << "Command54"
                          << "" << QByteArray("CR6") << " C R 6 CR "
                          << " 0 2 5 . 0     2 5 . 0     2 5 . 0       2 5 . 0 CR "
                          << "  S1= 0 2 5 . 0 C  ,   S2=  2 5 . 0 C  ,   S3= 2 5 . 0  C  ,   S4=  2 5 . 0 C ";
    QTest::newRow("L-MODE") << "Command55"
                            << "" << QByteArray("CR7") << " C R 7 CR "
                            << " 0 0 CR "
                            << " OFF";
    QTest::newRow("P-FAIL") << "Command52"
                            << "" << QByteArray("CR ALLPFAIL") << " C R   A L L P F A I L CR "
                            << " 0 0 CR "
                            << "";
    QTest::newRow("SEND CRA") << "Command95"
                              << "CRA" << QByteArray("CRA") << " C R A CR "
                              << " F F CR "
                              << " Stand by";
    QTest::newRow("SEND CR9") << "Command95"
                              << "CR9" << QByteArray("CR9") << " C R 9 CR "
                              << " V M 7 0   S I M   1 . 0 0 CR "
                              << " V M 7 0   S I M   1 . 0 0 CR ";
    QTest::newRow("SEND CR PRESSURE") << "Command95"
                                      << "CR PRESSURE" << QByteArray("CR PRESSURE") << " C R   P R E S S U R E CR "
                                      << " 5 1 2 CR "
                                      << "650 hPa";
}

void TstEndToEnd::statusReads()
{
    QFETCH(QString, control);
    QFETCH(QString, typed);
    QFETCH(QByteArray, line);
    QFETCH(QString, transmitted);
    QFETCH(QString, reply);
    QFETCH(QString, status);

    Rig rig;
    QVERIFY(rig.startInFullView({}));
    QPushButton* button = rig.button(control);
    QVERIFY(!button->visibleRegion().isEmpty());
    if (!typed.isEmpty())
        QTest::keyClicks(rig.form().textBox(), typed);

    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(rig.text("Label11"), transmitted);
    QVERIFY2(rig.hasReceived(reply), qPrintable(rig.received.join('|')));
    if (status.isEmpty()) {
        QVERIFY(rig.replyWindowClosed());
        QCOMPARE(rig.status, QStringList());
    } else {
        QTRY_VERIFY_WITH_TIMEOUT(rig.status.contains(status), kWaitMs);
        QCOMPARE(rig.status.last(), status);
    }
    QVERIFY(rig.replyWindowClosed());
    QVERIFY(!rig.received.contains(NoReply));
    QCOMPARE(rig.sim.received(), 1);
    QCOMPARE(rig.sim.received(line), 1);
    QCOMPARE(rig.boxes.texts, QStringList());
}

void TstEndToEnd::powerOnCountDown()
{
    constexpr int powerOnMs = 2500;
    Rig rig;
    QVERIFY(rig.startInFullView({"--power-on-ms", QString::number(powerOnMs)}));

    QElapsedTimer sincePowerOn;
    rig.click("Command17");
    sincePowerOn.start();
    QCOMPARE(rig.text("Label11"), QString(" C 0 0 CR "));
    QVERIFY(rig.hasReceived(" ACK "));
    // A query inside the last reply window would be read behind the ACK.
    QVERIFY(rig.replyWindowClosed());

    rig.click("Command44");
    QTRY_COMPARE_WITH_TIMEOUT(rig.status.value(0), QString(" Count down"), kWaitMs);
    QVERIFY2(sincePowerOn.elapsed() < powerOnMs, "too slow to catch the count-down");
    QVERIFY(rig.replyWindowClosed());
    rig.click("Command55");
    QTRY_VERIFY_WITH_TIMEOUT(rig.status.contains(" ON"), kWaitMs);

    QTest::qWait(int(qMax<qint64>(0, powerOnMs + 200 - sincePowerOn.elapsed())));
    QVERIFY(rig.replyWindowClosed());
    rig.click("Command44");
    QTRY_COMPARE_WITH_TIMEOUT(rig.status.last(), QString(" Power ON"), kWaitMs);
    QVERIFY(rig.replyWindowClosed());
    rig.status.clear();
    rig.sendTyped(QStringLiteral("CRA"));
    QTRY_COMPARE_WITH_TIMEOUT(rig.status.value(0), QString(" Video & Audio mute OFF"), kWaitMs);

    QCOMPARE(rig.sim.received("C00"), 1);
    QCOMPARE(rig.sim.received("CR0"), 2);
    QVERIFY(!rig.received.contains(NoReply));
    QCOMPARE(rig.boxes.texts, QStringList());
}

void TstEndToEnd::splitReplyGrows_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("reply");
    QTest::addColumn<QString>("status");

    // Pieces 0, 150 and 300 ms apart: all inside the 500 ms reply window.
    QTest::newRow("STATUS") << QStringList {"--split", "1", "--gap", "150"} << "Command44"
                            << " 8 0 CR "
                            << " Stand by";
    QTest::newRow("L-TIME") << QStringList {"--split", "2", "--gap", "150"} << "Command46"
                            << " 0 1 2 3 4 CR "
                            << " 0 1 2 3 4 CR  Hour Use";
}

void TstEndToEnd::splitReplyGrows()
{
    QFETCH(QStringList, args);
    QFETCH(QString, control);
    QFETCH(QString, reply);
    QFETCH(QString, status);

    Rig rig;
    QVERIFY(rig.startInFullView(args));
    rig.click(control);
    QVERIFY2(rig.hasReceived(reply), qPrintable(rig.received.join('|')));

    // Each piece shows the whole reply so far on the receive line.
    const QStringList& seen = rig.received;
    QVERIFY2(seen.size() >= 2, qPrintable(seen.join('|')));
    for (qsizetype i = 1; i < seen.size(); ++i)
        QVERIFY2(seen[i].startsWith(seen[i - 1]) && seen[i] != seen[i - 1], qPrintable(seen.join('|')));
    QCOMPARE(rig.status.last(), status);
    if (control == "Command44") // decoded once both state digits were in
        QCOMPARE(rig.status, QStringList {status});
    QVERIFY(rig.replyWindowClosed());
    QVERIFY(!rig.received.contains(NoReply));
}

void TstEndToEnd::unusableReply_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("reply");

    QTest::newRow("STATUS silent") << QStringList {"--silent"} << "Command44" << NoReply;
    QTest::newRow("L-TIME silent") << QStringList {"--silent"} << "Command46" << NoReply;
    // The echo comes first, so the key is the echo's, which no table knows.
    QTest::newRow("STATUS echo") << QStringList {"--echo"} << "Command44"
                                 << " C R 0 CR 8 0 CR ";
    QTest::newRow("MODE echo") << QStringList {"--echo"} << "Command45"
                               << " C R 1 CR 1 CR ";
    QTest::newRow("SETTING echo") << QStringList {"--echo"} << "Command47"
                                  << " C R 4 CR 1 1 CR ";
    QTest::newRow("L-MODE echo") << QStringList {"--echo"} << "Command55"
                                 << " C R 7 CR 0 0 CR ";
}

void TstEndToEnd::unusableReply()
{
    QFETCH(QStringList, args);
    QFETCH(QString, control);
    QFETCH(QString, reply);

    Rig rig;
    QVERIFY(rig.startInFullView(args));
    rig.click(control);
    QVERIFY2(rig.hasReceived(reply), qPrintable(rig.received.join('|')));
    QVERIFY(rig.replyWindowClosed());
    if (reply != NoReply)
        QVERIFY(!rig.received.contains(NoReply));
    QCOMPARE(rig.status, QStringList());
    QCOMPARE(rig.sim.received(), 1);
    QVERIFY(rig.displayCleared());
}

void TstEndToEnd::heldVolumeRepeats()
{
    constexpr int repeatMs = 250; // "VOL" "+" repeat interval
    Rig rig;
    QVERIFY(rig.start({}));
    QPushButton* plus = rig.button("Command1");
    QVERIFY(!plus->visibleRegion().isEmpty());

    QElapsedTimer held;
    QTest::mousePress(plus, Qt::LeftButton);
    held.start();
    QCOMPARE(rig.text("Label11"), QString(" C 0 9 CR "));
    QTest::qWait(1100);
    QTest::mouseRelease(plus, Qt::LeftButton);
    const qint64 heldMs = held.elapsed();
    QCOMPARE(rig.text("Label11"), QString());
    QCOMPARE(rig.text("Label12"), QString());

    // The press and one line per repeat tick; a busy machine may lose ticks,
    // never add them.
    const int most = 1 + int(heldMs / repeatMs);
    QTRY_VERIFY_WITH_TIMEOUT(rig.sim.received("C09") >= 3, kWaitMs);
    QTest::qWait(3 * repeatMs); // nothing more after the release
    const int sent = rig.sim.received("C09");
    QVERIFY2(sent >= 3 && sent <= most, qPrintable(QStringLiteral("%1 sent, at most %2").arg(sent).arg(most)));
    QCOMPARE(rig.sim.received(), sent);
    QVERIFY(rig.received.contains(" ACK "));
    QVERIFY(rig.displayCleared());
}

void TstEndToEnd::lineClosedAndReconnected()
{
    Rig rig;
    // The new line starts at another speed, so a reopen that did not apply
    // the panel's settings shows.
    QVERIFY(rig.startInFullView({"--close-after", "2", "--reopen-after", "200", "--baud", "38400"}));
    QVERIFY(rig.comm->portOpen());

    rig.click("Command44");
    QTRY_VERIFY_WITH_TIMEOUT(rig.status.contains(" Stand by"), kWaitMs);
    QVERIFY(rig.replyWindowClosed());
    rig.click("Command45"); // the last line before the projector hangs up
    QTRY_VERIFY_WITH_TIMEOUT(rig.status.contains(" Input mode 1"), kWaitMs);
    QTRY_VERIFY_WITH_TIMEOUT(rig.sim.closed(), kWaitMs);
    QTRY_VERIFY_WITH_TIMEOUT(!rig.comm->portOpen(), kWaitMs);
    QCOMPARE(rig.comm->lossCount(), 1);
    QVERIFY(rig.replyWindowClosed());

    // The device is gone, its name with it: the transmission cannot open the
    // port, writes nothing, and the exchange runs on to the no-reply marker.
    QVERIFY(rig.vanish());
    rig.received.clear();
    rig.click("Command44");
    QCOMPARE(rig.text("Label11"), QString(" C R 0 CR "));
    QVERIFY(rig.hasReceived(NoReply));
    QVERIFY(!rig.comm->portOpen());
    QCOMPARE(rig.boxes.texts, QStringList());
    QVERIFY(rig.window->isVisible());

    // The device is back under its name: the next transmission opens it with
    // COM1's settings and the exchange works again.
    const QString path = rig.sim.nextPath(kWaitMs);
    QVERIFY(!path.isEmpty());
    const LineWatch line(path);
    QCOMPARE(line.speed(), speed_t(B38400));
    QVERIFY(rig.relink(path));
    QVERIFY(rig.replyWindowClosed());
    rig.status.clear();
    rig.click("Command44");
    QVERIFY(rig.comm->portOpen());
    QCOMPARE(rig.comm->commPort(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(rig.status.value(0), QString(" Stand by"), kWaitMs);
    QCOMPARE(line.speed(), speed_t(B19200));
    QCOMPARE(rig.sim.received("CR0"), 2);
    QCOMPARE(rig.sim.received(), 3);
    QCOMPARE(rig.comm->lossCount(), 1);
    QCOMPARE(rig.boxes.texts, QStringList());
}

QTEST_MAIN(TstEndToEnd)
#include "tst_endtoend.moc"
