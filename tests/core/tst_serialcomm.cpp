// SPDX-License-Identifier: MIT
// The real serial layer on pseudo-terminals: line settings applied at once,
// also while open, and errors that name the device. Exchanges, a vanishing
// device and its return are tested with the whole window (e2e, faults).
#include "link/linesettings.h"
#include "link/serialcomm.h"
#include "panel/panel.h"
#include "ptypair.h"

#include <QSignalSpy>
#include <QTest>

using namespace runo;

class TstSerialComm : public QObject {
    Q_OBJECT
private slots:
    void parseSettings_data();
    void parseSettings();
    void startUpOpensAt19200AndSpeedChangesWhileOpen();
    void missingDeviceIsNamed();
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

QTEST_GUILESS_MAIN(TstSerialComm)
#include "tst_serialcomm.moc"
