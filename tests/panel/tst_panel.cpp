// SPDX-License-Identifier: MIT
// The panel's handlers against a recording port: start-up, port and speed
// selection with a failure at each step, where a command may go after one,
// the exchange and its timers, and where COM1 and COM2 lead.
#include "commands/commandtable.h"
#include "fakecomm.h"
#include "link/linesettings.h"
#include "link/portmap.h"
#include "link/serialcomm.h"
#include "panel/panel.h"
#include "panel/trafficlog.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace runo;
Q_DECLARE_METATYPE(runo::LineSettings)

namespace {

const CommandButton& button(const char* control) { return *findCommandButton(control); }

struct Rig {
    FakeComm port;
    Panel panel {&port};
    QSignalSpy warnings {&panel, &Panel::warning};
    explicit Rig(const QString& failing = {})
    {
        if (!failing.isEmpty())
            port.failing = {failing};
        panel.load();
        port.failing.clear();
        port.log.clear();
    }
};

} // namespace

class TstPanel : public QObject {
    Q_OBJECT
private slots:
    void startUp_data();
    void startUp();
    void portChoice_data();
    void portChoice();
    void speedChoice();
    void everySendRestartsTheReplyWindow();
    void exchange();
    void floodStaysBounded();
    void announcements();
    void trafficLog_data();
    void trafficLog();
    void trafficLogFailing();
    void devicePrecedence_data();
    void devicePrecedence();
    void menuChoice();
    void lineSettings_data();
    void lineSettings();
};

void TstPanel::startUp_data()
{
    QTest::addColumn<QString>("failing");
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<int>("warnings");
    QTest::addColumn<QStringList>("sendLog"); // a command afterwards
    const QStringList opened {"port 1", "settings 19200,N,8,1", "open", "close", "port 1", "open"};
    QTest::newRow("opens, closes, reopens") << "" << opened << 0 << QStringList {"output C00\r"};
    // The panel runs on with the port closed, and the next command tries it again.
    QTest::newRow("missing port") << "open" << QStringList {"port 1", "settings 19200,N,8,1", "open", "port 1"} << 1
                                  << QStringList {"open", "output C00\r"};
}

void TstPanel::startUp()
{
    QFETCH(QString, failing);
    QFETCH(QStringList, log);
    QFETCH(int, warnings);
    QFETCH(QStringList, sendLog);
    FakeComm port;
    port.failing = {failing};
    Panel panel(&port);
    QSignalSpy warned(&panel, &Panel::warning);
    panel.load();
    QCOMPARE(port.log, log);
    QCOMPARE(warned.count(), warnings);
    QVERIFY(!panel.settingsPanelVisible());
    QCOMPARE(panel.windowHeight(), 5350);
    QCOMPARE(panel.portSettings(), QString("19200,N,8,1"));
    for (int t = 1; t <= 4; ++t)
        QVERIFY(!panel.timer(t).isActive());
    port.failing.clear();
    port.log.clear();
    panel.clickCommand(button("Command17"));
    QCOMPARE(port.log, sendLog);
}

void TstPanel::portChoice_data()
{
    QTest::addColumn<bool>("wasOpen");
    QTest::addColumn<int>("chosen");
    QTest::addColumn<QString>("failing");
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<int>("portAfter");
    QTest::addColumn<QStringList>("sendLog"); // POWER ON afterwards

    QTest::newRow("COM2 while open") << true << 2 << "" << QStringList {"close", "port 2", "open"} << 2
                                     << QStringList {"output C00\r"};
    QTest::newRow("COM1 from COM1") << true << 1 << "" << QStringList {"close", "port 1", "open"} << 1
                                    << QStringList {"output C00\r"};
    QTest::newRow("COM2 while closed opens it")
        << false << 2 << "" << QStringList {"port 2", "open"} << 2 << QStringList {"output C00\r"};
    // A failed choice falls back to the other number and sends nothing there.
    QTest::newRow("COM2 cannot open") << true << 2 << "open" << QStringList {"close", "port 2", "open", "port 1"} << 1
                                      << QStringList {};
    QTest::newRow("COM2 cannot open, port closed")
        << false << 2 << "open" << QStringList {"port 2", "open", "port 1"} << 1 << QStringList {};
    QTest::newRow("close fails") << true << 2 << "close" << QStringList {"close", "port 2", "close", "port 1"} << 1
                                 << QStringList {};
    QTest::newRow("number refused") << true << 2 << "port" << QStringList {"close", "port 2", "port 1"} << 1 << QStringList {};
}

void TstPanel::portChoice()
{
    QFETCH(bool, wasOpen);
    QFETCH(int, chosen);
    QFETCH(QString, failing);
    QFETCH(QStringList, log);
    QFETCH(int, portAfter);
    QFETCH(QStringList, sendLog);
    Rig rig;
    rig.port.open = wasOpen;
    rig.port.failing = {failing};
    rig.panel.showSettingsPanel();
    rig.panel.selectPort(chosen);
    QCOMPARE(rig.port.log, log);
    const bool failed = !failing.isEmpty();
    QCOMPARE(rig.warnings.count(), failed ? 1 : 0);
    QCOMPARE(rig.panel.settingsPanelVisible(), failed); // stays in view after a failure
    rig.port.failing.clear();
    QCOMPARE(rig.port.port, portAfter);

    rig.port.log.clear();
    rig.panel.clickCommand(button("Command17"));
    QCOMPARE(rig.port.log, sendLog);
    QCOMPARE(rig.panel.transmitLine(), QString(" C 0 0 CR "));
    if (failed) { // until a choice succeeds
        rig.panel.selectPort(chosen);
        rig.port.log.clear();
        rig.panel.clickCommand(button("Command17"));
        QCOMPARE(rig.port.log, QStringList {"output C00\r"});
    }
}

void TstPanel::speedChoice()
{
    Rig rig;
    rig.panel.showSettingsPanel();
    rig.panel.selectSpeed(9600);
    QCOMPARE(rig.port.log, QStringList {"settings 9600,N,8,1"}); // applied to the open port
    QVERIFY(rig.port.open && !rig.panel.settingsPanelVisible());
    rig.panel.selectSpeed(19200);
    QCOMPARE(rig.panel.portSettings(), QString("19200,N,8,1"));

    // Refused by the driver: a warning, and the line's own speed stays chosen.
    QSignalSpy ticked(&rig.panel, &runo::Panel::speedOptionSelected);
    rig.port.failing = {"settings"};
    rig.panel.showSettingsPanel();
    rig.panel.selectSpeed(9600);
    QCOMPARE(rig.warnings.count(), 1);
    QCOMPARE(ticked.value(0).value(0).toInt(), 19200);
    QCOMPARE(rig.panel.portSettings(), QString("19200,N,8,1"));
    QVERIFY(rig.panel.settingsPanelVisible());
}

// A second send inside the reply window starts both windows afresh: each
// has more left than it could have from the first send, however long the
// machine took (a window not restarted has at most its interval less the
// time since the first send).
void TstPanel::everySendRestartsTheReplyWindow()
{
    Rig rig;
    QElapsedTimer clock;
    clock.start();
    rig.panel.clickCommand(button("Command44"));
    QTest::qWait(300);
    rig.panel.clickCommand(button("Command44"));
    const int reply = rig.panel.timer(2).remainingTime();
    const int clear = rig.panel.timer(4).remainingTime();
    const qint64 sinceFirst = clock.elapsed();
    QVERIFY(reply > 500 - sinceFirst + 150);
    QVERIFY(clear > 1000 - sinceFirst + 150);
}

void TstPanel::exchange()
{
    Rig rig;
    QSignalSpy lines(&rig.panel, &Panel::receiveLineChanged);
    rig.panel.clickCommand(button("Command44"));
    QCOMPARE(rig.port.written, QByteArray("CR0\r"));
    QCOMPARE(rig.panel.awaitingReply(), 1);
    rig.port.deliver("00\r", 3); // another event: ignored
    QCOMPARE(rig.panel.awaitingReply(), 1);
    rig.port.queue.clear();
    rig.port.deliver("0");
    QCOMPARE(rig.panel.awaitingReply(), 0);
    rig.port.deliver("0\r"); // the whole reply, shown and decoded afresh
    QCOMPARE(lines.count(), 2);
    QCOMPARE(rig.panel.receiveLine(), QString(" 0 0 CR "));
    QCOMPARE(rig.panel.statusLine(), QString(" Power ON"));

    rig.panel.clickCommand(button("Command47")); // the first reply is still in the buffer
    rig.port.deliver("10\r");
    QCOMPARE(rig.panel.receiveLine(), QString(" 0 0 CR 1 0 CR "));
    QCOMPARE(rig.panel.statusLine(), QString(" Top/Bottom , Left/Right reversal"));
    rig.panel.closeReplyWindow(); // something came: no marker
    QCOMPARE(rig.panel.receiveLine(), QString(" 0 0 CR 1 0 CR "));
    rig.port.deliver("01\r"); // late: on its own
    QCOMPARE(rig.panel.receiveLine(), QString(" 0 1 CR "));

    rig.panel.clickCommand(button("Command45"));
    rig.panel.closeReplyWindow();
    QCOMPARE(rig.panel.receiveLine(), QString(" X X X X"));
    QCOMPARE(rig.panel.statusLine(), QString(" Left/Right reversal"));
    rig.panel.clearTrafficDisplay();
    QCOMPARE(rig.panel.transmitLine() + rig.panel.receiveLine() + rig.panel.statusLine(), QString());
}

void TstPanel::floodStaysBounded()
{
    Rig rig;
    for (int i = 0; i < 1024; ++i) // 1 MB, no command sent
        rig.port.deliver(QByteArray(1024, 'Z'));
    QCOMPARE(rig.panel.receiveBuffer().size(), 4096);
    QCOMPARE(rig.panel.receiveLine().size(), 1 + 2 * 4096);
    rig.panel.clickCommand(button("Command44"));
    rig.panel.closeReplyWindow();
    rig.port.deliver("00\r");
    QCOMPARE(rig.panel.statusLine(), QString(" Power ON"));
}

// What a program driving the panel learns: a refusal with the port's reason,
// whether a window closed with a reply.
void TstPanel::announcements()
{
    Rig rig;
    QStringList seen;
    connect(&rig.panel, &Panel::lineRefused, [&](const QByteArray& l, const QString& why) { seen << l + why; });
    connect(&rig.panel, &Panel::replyWindowClosed, [&](bool replied) { seen << QString::number(replied); });
    rig.panel.clickCommand(button("Command44"));
    rig.port.deliver("0");
    rig.panel.closeReplyWindow();
    rig.port.failing = {"output"};
    rig.panel.clickCommand(button("Command17"));
    rig.panel.closeReplyWindow();
    QCOMPARE(seen, QStringList({"1", "C00\rCOM1: write failed", "0"}));
}

// Steps: a button's control name clicks it, "<BYTES" delivers them, "close"
// closes the reply window, "refuse" makes the port refuse output, "end" is END,
// "send TEXT" the free command, "press"/"release" a hold button, "wait MS".
void TstPanel::trafficLog_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("lines"); // after the time column
    QTest::newRow("reply decoded") << QStringList {"Command44", "<0", "<0\r", "close"}
                                   << QStringList {"COM1\treply\tCR0\t0 0 CR\tPower ON"};
    QTest::newRow("no reply") << QStringList {"Command44", "close"} << QStringList {"COM1\tno reply\tCR0\t\t"};
    QTest::newRow("refused, then its window")
        << QStringList {"refuse", "Command17", "close"} << QStringList {"COM1\trefused\tC00\t\tCOM1: write failed"};
    QTest::newRow("next line, each its own") << QStringList {"Command44", "Command45", "<1\r", "close"}
                                             << QStringList {"COM1\tcut short\tCR0\t\t", "COM1\treply\tCR1\t1 CR\tInput mode 1"};
    QTest::newRow("END with a reply") << QStringList {"Command44", "<00", "end"}
                                      << QStringList {"COM1\treply\tCR0\t0 0\tPower ON"};
    QTest::newRow("hold released, the rest of its window") // 200 ms from the press; replies after it are not the line's
        << QStringList {"press Command1", "wait 150", "release Command1", "wait 100", "<\x06"}
        << QStringList {"COM1\tno reply\tC09\t\t"};
    QTest::newRow("tab and line feed kept in columns")
        << QStringList {"send C\t0\n0", "<\x06\t", "close"} << QStringList {"COM1\treply\tC\\t0\\n0\tACK ?\t"};
}

void TstPanel::trafficLog()
{
    QFETCH(QStringList, steps);
    QTemporaryDir dir;
    const QString path = dir.filePath("traffic.log");
    for (int run = 0; run < 2; ++run) { // appended, the header once
        Rig rig;
        TrafficLog log(path);
        ExchangeWatch watch(&rig.panel);
        log.watch(&watch);
        for (const QString& step : steps) {
            if (step.startsWith('<'))
                rig.port.deliver(step.mid(1).toLatin1());
            else if (step.startsWith("send "))
                rig.panel.sendFreeCommand(step.mid(5));
            else if (step == "close")
                rig.panel.closeReplyWindow();
            else if (step == "refuse")
                rig.port.failing = {"output"};
            else if (step == "end")
                rig.panel.end();
            else if (step.startsWith("wait ")) // and the timers then due, however late the wait returned
                QTest::qWait(step.mid(5).toInt()), QCoreApplication::processEvents();
            else if (step.startsWith("press "))
                rig.panel.pressHold(*findHoldButton(qPrintable(step.mid(6))));
            else if (step.startsWith("release "))
                rig.panel.releaseHold(*findHoldButton(qPrintable(step.mid(8))));
            else
                rig.panel.clickCommand(button(qPrintable(step)));
        }
    }
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QStringList logged = QString::fromUtf8(file.readAll()).split('\n');
    QCOMPARE(logged.takeFirst(), QString("time\tport\tresult\tsent\treceived\tstatus"));
    QCOMPARE(logged.takeLast(), QString());
    static const QRegularExpression time("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3}\t");
    for (QString& line : logged) {
        QVERIFY2(time.match(line).hasMatch(), qPrintable(line));
        line = line.mid(24);
    }
    QFETCH(QStringList, lines);
    QCOMPARE(logged, QStringList(lines + lines));
}

// A log that fails mid-run gives up after its one warning; the exchanges go on.
void TstPanel::trafficLogFailing()
{
    Rig rig;
    TrafficLog log("/dev/full");
    ExchangeWatch watch(&rig.panel);
    log.watch(&watch);
    for (int i = 0; i < 2; ++i)
        rig.panel.clickCommand(button("Command44"));
    QVERIFY(!log.isOpen());
    QCOMPARE(rig.port.written, QByteArray("CR0\rCR0\r"));
}

void TstPanel::devicePrecedence_data()
{
    QTest::addColumn<QString>("chosen"); // on the command line
    QTest::addColumn<QByteArray>("environment");
    QTest::addColumn<QByteArray>("remembered"); // as the settings file holds it
    QTest::addColumn<QString>("workingDir");
    QTest::addColumn<QString>("device");
    QTest::addColumn<QString>("warning"); // at start-up, for a refused device; FILE: the settings file
    const auto row = [](const char* name, const char* chosen, const char* env, const char* remembered, const char* cwd,
                         const QString& device, const QString& warning = {}) {
        QTest::newRow(name) << chosen << QByteArray(env) << QByteArray(remembered) << cwd << device << warning;
    };
    row("default", "", "", "", "", "/dev/ttyS0");
    row("remembered", "", "", "/dev/ttyUSB1", "", "/dev/ttyUSB1");
    row("environment", "", "/dev/ttyACM0", "/dev/ttyUSB1", "", "/dev/ttyACM0");
    row("chosen", "socket://10.0.0.7:4001", "/dev/ttyACM0", "/dev/ttyUSB1", "", "socket://10.0.0.7:4001");
    row("relative", "ports/a", "", "", "/tmp", "/tmp/ports/a");
    row("remembered relative, above the root", "", "", "../../dev/./null", "/", "/dev/null");
    const QString refused = "names a device with a control character in it";
    row("remembered NUL", "", "", "/dev/null\\0x", "", QString::fromLatin1("/dev/null\0x", 11),
        "COM1 (/dev/null\\x00x): refused: the remembered choice in FILE " + refused);
    row("environment newline", "", "/dev/null\nx", "", "", "/dev/null\nx", "COM1 (/dev/null\\nx): refused: RUNO_COM1 " + refused);
    row("URL with DEL", "socket://h\x7f:1", "", "", "", "socket://h\x7f:1",
        "COM1 (socket://h\\x7f:1): refused: --com1 " + refused);
}

// A refused device is opened neither as given nor as another: the panel
// starts with one warning naming where the name came from, its port closed.
void TstPanel::devicePrecedence()
{
    QFETCH(QString, chosen);
    QFETCH(QByteArray, environment);
    QFETCH(QByteArray, remembered);
    QFETCH(QString, workingDir);
    QFETCH(QString, warning);
    QTemporaryDir dir;
    QFile file(dir.filePath("runo-control.conf"));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("[ports]\nCOM1=" + remembered + "\n") > 0 && file.flush());
    const QString cwd = QDir::currentPath();
    QDir::setCurrent(workingDir.isEmpty() ? cwd : workingDir);
    qputenv("RUNO_COM1", environment);
    const auto unset = qScopeGuard([] { qunsetenv("RUNO_COM1"); });
    PortMap ports;
    ports.loadRemembered(QSettings(file.fileName(), QSettings::IniFormat));
    ports.choose(1, chosen, "--com1");
    QDir::setCurrent(cwd);
    QTEST(ports.devicePath(1), "device");

    SerialComm comm(&ports);
    Panel panel(&comm);
    QSignalSpy warnings(&panel, &Panel::warning);
    QCOMPARE(ports.device(1).refusal.isEmpty(), warning.isEmpty());
    if (warning.isEmpty())
        return;
    panel.load();
    QCOMPARE(warnings.size(), 1);
    QCOMPARE(warnings.first().first().toString(), warning.replace("FILE", file.fileName()));
    QVERIFY(!comm.portOpen());
}

// A device chosen from the menu is set in the port's map and announced for
// the program to remember; a name with a control character is neither.
void TstPanel::menuChoice()
{
    PortMap ports;
    SerialComm comm(&ports);
    Panel panel(&comm); // on COM1: a choice for COM2 opens nothing
    QSignalSpy warnings(&panel, &Panel::warning);
    QSignalSpy made(&panel, &Panel::portChoiceMade);
    panel.assignDevice(2, "/dev/tty\nS9");
    QCOMPARE(warnings.value(0).value(0).toString(),
        QString("COM2: refused: the menu names a device with a control character in it: \"/dev/tty\\nS9\""));
    QCOMPARE(ports.devicePath(2), QString("/dev/ttyS1"));
    panel.assignDevice(2, "../ttyUSB0");
    const QString absolute = QDir::cleanPath(QDir::currentPath() + "/../ttyUSB0");
    QCOMPARE(made.value(0), QVariantList({2, absolute}));
    QCOMPARE(ports.devicePath(2), absolute);
    QCOMPARE(warnings.size(), 1);
}

void TstPanel::lineSettings_data()
{
    using P = LineSettings::Parity;
    using S = LineSettings::StopBits;
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<LineSettings>("settings");
    QTest::newRow("19200,N,8,1") << "19200,N,8,1" << true << LineSettings {19200, P::None, 8, S::One};
    QTest::newRow("9600,E,7,2") << "9600,E,7,2" << true << LineSettings {9600, P::Even, 7, S::Two};
    QTest::newRow(" 300 ,o,5,1.5") << " 300 ,o,5,1.5" << true << LineSettings {300, P::Odd, 5, S::OneAndHalf};
    QTest::newRow("110,M,6,1") << "110,M,6,1" << true << LineSettings {110, P::Mark, 6, S::One};
    QTest::newRow("50,S,8,2") << "50,S,8,2" << true << LineSettings {50, P::Space, 8, S::Two};
    for (const char* bad : {"49,N,8,1", "19200,X,8,1", "19200,N,9,1", "19200,N,4,1", "19200,N,8,3", "19200,N,8", "N,8,1,x"})
        QTest::newRow(bad) << bad << false << LineSettings {};
}

void TstPanel::lineSettings()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(LineSettings, settings);
    QString reason;
    const auto parsed = parseLineSettings(text, &reason);
    QCOMPARE(parsed.has_value(), valid);
    if (valid)
        QVERIFY(*parsed == settings);
    else
        QVERIFY(reason.startsWith("Invalid"));
}

QTEST_GUILESS_MAIN(TstPanel)
#include "tst_panel.moc"
