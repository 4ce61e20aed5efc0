// The real serial layer on pseudo-terminals: line settings, errors that name
// the device, exchanges on the wire, and a device that vanishes and returns.
#include "commands/commandtable.h"
#include "link/linesettings.h"
#include "link/panel.h"
#include "link/serialcomm.h"
#include "ptypair.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>

using namespace runo;

namespace {

double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

const CommandButton& button(const char* name) { return *findCommandButton(name); }

} // namespace

class TstSerialComm : public QObject {
    Q_OBJECT
private slots:
    void parseSettings_data();
    void parseSettings();
    void startUpOpensAt19200AndSpeedChangesWhileOpen();
    void missingDeviceIsNamed();
    void exchangeOnTheWire();
    void vanishedDeviceClosesQuietlyAndReturns();
};

void TstSerialComm::parseSettings_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("baud");
    QTest::newRow("19200,N,8,1") << "19200,N,8,1" << true << 19200;
    QTest::newRow("9600,N,8,1") << "9600,N,8,1" << true << 9600;
    QTest::newRow("4800,E,7,2") << "4800,E,7,2" << true << 4800;
    QTest::newRow("1.5 stop bits") << "1200,O,5,1.5" << true << 1200;
    QTest::newRow("empty") << "" << false << 0;
    QTest::newRow("three fields") << "9600,N,8" << false << 0;
    QTest::newRow("baud not a number") << "fast,N,8,1" << false << 0;
    QTest::newRow("baud zero") << "0,N,8,1" << false << 0;
    QTest::newRow("parity X") << "9600,X,8,1" << false << 0;
    QTest::newRow("data bits 9") << "9600,N,9,1" << false << 0;
    QTest::newRow("stop bits 3") << "9600,N,8,3" << false << 0;
}

void TstSerialComm::parseSettings()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(int, baud);
    QString error;
    const auto parsed = parseLineSettings(text, &error);
    QCOMPARE(parsed.has_value(), valid);
    if (valid)
        QCOMPARE(parsed->baud, baud);
    else
        QVERIFY(error.startsWith("Invalid"));
}

void TstSerialComm::startUpOpensAt19200AndSpeedChangesWhileOpen()
{
    Pty pty;
    QVERIFY(pty.isValid());
    qputenv("RUNO_COM1", pty.path().toLocal8Bit());
    SerialComm comm;
    Panel panel(&comm);
    QSignalSpy warnings(&panel, &Panel::warning);
    panel.load();
    QCOMPARE(warnings.count(), 0);
    QVERIFY(comm.portOpen());
    QCOMPARE(pty.speed(), speed_t(B19200));
    panel.selectSpeed(9600);
    QVERIFY(comm.portOpen());
    QCOMPARE(pty.speed(), speed_t(B9600));
    QVERIFY(!comm.setSettings("9600,Q,8,1"));
    QVERIFY(comm.errorString().contains("Invalid parity"));
    QVERIFY(comm.errorString().startsWith("COM1 (" + pty.path() + "): "));
    QCOMPARE(pty.speed(), speed_t(B9600));
}

void TstSerialComm::missingDeviceIsNamed()
{
    qputenv("RUNO_COM2", "/nonexistent/ttyX9");
    SerialComm comm;
    QVERIFY(comm.setCommPort(2));
    QVERIFY(!comm.setPortOpen(true));
    QCOMPARE(comm.errorString(), QString("COM2 (/nonexistent/ttyX9): No such file or directory"));
    QVERIFY(!comm.portOpen());
    QVERIFY(!comm.output("C00\r"));
}

void TstSerialComm::exchangeOnTheWire()
{
    Pty pty;
    qputenv("RUNO_COM1", pty.path().toLocal8Bit());
    SerialComm comm;
    Panel panel(&comm);
    panel.load();
    QSignalSpy lines(&panel, &Panel::receiveLineChanged);

    panel.clickCommand(button("Command44"));
    QCOMPARE(pty.readFor(1000, 4), QByteArray("CR0\r"));
    pty.write("0");
    QTRY_COMPARE_WITH_TIMEOUT(panel.receiveLine(), QString(" 0 "), 400);
    pty.write("0\r");
    QTRY_COMPARE_WITH_TIMEOUT(panel.statusLine(), QString(" Power ON"), 400);
    QCOMPARE(lines.count(), 2);
    QCOMPARE(panel.receiveLine(), QString(" 0 0 CR "));
}

void TstSerialComm::vanishedDeviceClosesQuietlyAndReturns()
{
    QTemporaryDir dir;
    const QString link = dir.filePath("com1");
    auto first = std::make_unique<Pty>();
    QVERIFY(QFile::link(first->path(), link));
    qputenv("RUNO_COM1", link.toLocal8Bit());

    SerialComm comm;
    Panel panel(&comm);
    QSignalSpy warnings(&panel, &Panel::warning);
    panel.load();
    QVERIFY(comm.portOpen());
    first->releaseSlave();
    first->close(); // the far end goes away
    QTRY_VERIFY_WITH_TIMEOUT(!comm.portOpen(), 2000);

    const double before = cpuSeconds();
    for (int i = 0; i < 5; ++i)
        panel.clickCommand(button("Command44")); // nothing to open: nothing written
    QTest::qWait(1000);
    QVERIFY2(cpuSeconds() - before < 0.3, "the lost device keeps the CPU busy");
    QCOMPARE(warnings.count(), 0);
    QCOMPARE(panel.transmitLine(), QString(" C R 0 CR "));

    Pty second;
    QVERIFY(QFile::remove(link));
    QVERIFY(QFile::link(second.path(), link));
    panel.clickCommand(button("Command17"));
    QVERIFY(comm.portOpen());
    QCOMPARE(second.readFor(1000, 4), QByteArray("C00\r"));
}

QTEST_GUILESS_MAIN(TstSerialComm)
#include "tst_serialcomm.moc"
