// SPDX-License-Identifier: MIT
// The panel's handlers against a recording port: start-up, port and speed
// selection, the exchange and its timers, holds and the views.
#include "commands/commandtable.h"
#include "fakecomm.h"
#include "panel/panel.h"

#include <QSignalSpy>
#include <QTest>

using namespace runo;

namespace {

const CommandButton& button(const char* name) { return *findCommandButton(name); }
const HoldButton& hold(const char* name) { return *findHoldButton(name); }

struct Rig {
    FakeComm port;
    Panel panel {&port};
    Rig()
    {
        panel.load();
        port.log.clear();
    }
};

} // namespace

class TstPanel : public QObject {
    Q_OBJECT
private slots:
    void startUpOpensClosesAndReopens();
    void startUpWithMissingPortRunsOn();
    void portSelection_data();
    void portSelection();
    void speedSelectionKeepsPortOpen();
    void settingsPanelClosesAfterFiveSeconds();
    void replyInPiecesGrowsAndDecodes();
    void lateReplyShownOnItsOwn();
    void secondQueryAppendsToFirstReply();
    void otherCommEventChangesNothing();
    void repeatTickSendsHeldCommandOnly();
    void closedPortIsRetriedThenSkipped();
    void floodKeepsBufferBounded();
    void freeCommand_data();
    void freeCommand();
};

void TstPanel::startUpOpensClosesAndReopens()
{
    FakeComm port;
    Panel panel(&port);
    QSignalSpy selected(&panel, &Panel::portOptionSelected);
    QSignalSpy warnings(&panel, &Panel::warning);
    panel.load();
    QCOMPARE(port.log, QStringList({"port 1", "settings 19200,N,8,1", "open", "close", "port 1", "open"}));
    QVERIFY(port.open);
    QCOMPARE(selected.count(), 1);
    QCOMPARE(warnings.count(), 0);
    QVERIFY(!panel.settingsPanelVisible());
    QCOMPARE(panel.windowHeight(), Panel::kCompactHeight);
    QCOMPARE(panel.portSettings(), QString("19200,N,8,1"));
    for (int t = 1; t <= 4; ++t)
        QVERIFY(!panel.timer(t).isActive());
}

void TstPanel::startUpWithMissingPortRunsOn()
{
    FakeComm port;
    port.failing = {"open"};
    Panel panel(&port);
    QSignalSpy warnings(&panel, &Panel::warning);
    panel.load();
    QCOMPARE(warnings.count(), 1);
    QVERIFY(warnings.at(0).at(0).toString().contains("No such file or directory"));
    QVERIFY(!port.open);
    QCOMPARE(port.port, 1);
    QVERIFY(!panel.settingsPanelVisible());
}

void TstPanel::portSelection_data()
{
    QTest::addColumn<bool>("wasOpen");
    QTest::addColumn<int>("chosen");
    QTest::addColumn<QString>("failing");
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<bool>("warned");
    QTest::addColumn<int>("portAfter");
    QTest::addColumn<bool>("openAfter");

    QTest::newRow("COM2 while open") << true << 2 << "" << QStringList {"close", "port 2", "open"} << false << 2 << true;
    QTest::newRow("COM2 cannot open") << true << 2 << "open" << QStringList {"close", "port 2", "open", "port 1"} << true << 1
                                      << false;
    QTest::newRow("COM2 close fails") << true << 2 << "close" << QStringList {"close", "port 2", "close", "port 1"} << true << 1
                                      << true;
    QTest::newRow("COM2 number refused") << true << 2 << "port" << QStringList {"close", "port 2", "port 1"} << true << 2
                                         << false;
    QTest::newRow("COM1 from COM1") << true << 1 << "" << QStringList {"close", "port 1", "open"} << false << 1 << true;
    QTest::newRow("COM2 while closed") << false << 2 << "" << QStringList {"port 2"} << false << 2 << false;
    QTest::newRow("COM1 while closed") << false << 1 << "open" << QStringList {"port 1"} << false << 1 << false;
}

void TstPanel::portSelection()
{
    QFETCH(bool, wasOpen);
    QFETCH(int, chosen);
    QFETCH(QString, failing);
    QFETCH(QStringList, log);
    QFETCH(bool, warned);
    QFETCH(int, portAfter);
    QFETCH(bool, openAfter);

    Rig rig;
    rig.port.open = wasOpen;
    if (!failing.isEmpty())
        rig.port.failing = {failing};
    rig.panel.showSettingsPanel();
    QSignalSpy warnings(&rig.panel, &Panel::warning);
    rig.panel.selectPort(chosen);

    QCOMPARE(rig.port.log, log);
    QCOMPARE(warnings.count(), warned ? 1 : 0);
    if (!(failing == "close")) // a close that failed leaves the port as it was
        QCOMPARE(rig.port.open, openAfter);
    if (failing != "port")
        QCOMPARE(rig.port.port, portAfter);
    QCOMPARE(rig.panel.settingsPanelVisible(), warned);
}

void TstPanel::speedSelectionKeepsPortOpen()
{
    Rig rig;
    rig.panel.showSettingsPanel();
    rig.panel.selectSpeed(9600);
    QCOMPARE(rig.port.log, QStringList {"settings 9600,N,8,1"});
    QCOMPARE(rig.panel.portSettings(), QString("9600,N,8,1"));
    QVERIFY(rig.port.open);
    QVERIFY(!rig.panel.settingsPanelVisible());
    rig.panel.selectSpeed(19200);
    QCOMPARE(rig.panel.portSettings(), QString("19200,N,8,1"));
}

void TstPanel::settingsPanelClosesAfterFiveSeconds()
{
    Rig rig;
    rig.panel.showSettingsPanel();
    QVERIFY(rig.panel.settingsPanelVisible());
    QVERIFY(rig.panel.timer(3).isActive());
    QCOMPARE(rig.panel.timer(3).interval(), 5000);
    QCOMPARE(rig.panel.timer(3).timerType(), Qt::PreciseTimer);
    rig.panel.hideSettingsPanel();
    QVERIFY(!rig.panel.settingsPanelVisible());
    QVERIFY(!rig.panel.timer(3).isActive());
}

void TstPanel::replyInPiecesGrowsAndDecodes()
{
    Rig rig;
    QSignalSpy lines(&rig.panel, &Panel::receiveLineChanged);
    rig.panel.clickCommand(button("Command44")); // STATUS
    QCOMPARE(rig.port.written, QByteArray("CR0\r"));
    QCOMPARE(rig.panel.transmitLine(), QString(" C R 0 CR "));
    QCOMPARE(rig.panel.awaitingReply(), 1);
    QVERIFY(rig.panel.timer(2).isActive() && rig.panel.timer(4).isActive());
    QCOMPARE(rig.panel.timer(2).interval(), 500);
    QCOMPARE(rig.panel.timer(4).interval(), 1000);

    rig.port.deliver("0");
    QCOMPARE(rig.panel.receiveLine(), QString(" 0 "));
    QCOMPARE(rig.panel.statusLine(), QString());
    QCOMPARE(rig.panel.awaitingReply(), 0);
    rig.port.deliver("0\r");
    QCOMPARE(rig.panel.receiveLine(), QString(" 0 0 CR "));
    QCOMPARE(rig.panel.statusLine(), QString(" Power ON"));
    QCOMPARE(lines.count(), 2);
    QCOMPARE(lines.at(0).at(0).toString(), QString(" 0 "));
}

void TstPanel::lateReplyShownOnItsOwn()
{
    Rig rig;
    rig.panel.clickCommand(button("Command44"));
    rig.port.deliver("8");
    rig.panel.closeReplyWindow();
    QCOMPARE(rig.panel.receiveLine(), QString(" 8 ")); // something came: no marker
    rig.port.deliver("00\r");
    QCOMPARE(rig.panel.receiveLine(), QString(" 0 0 CR "));
    QCOMPARE(rig.panel.statusLine(), QString(" Power ON"));
}

void TstPanel::secondQueryAppendsToFirstReply()
{
    Rig rig;
    rig.panel.clickCommand(button("Command44")); // CR0
    rig.port.deliver("00\r");
    rig.panel.clickCommand(button("Command47")); // CR4, first window still open
    rig.port.deliver("10\r");
    QCOMPARE(rig.panel.receiveLine(), QString(" 0 0 CR 1 0 CR "));
    QCOMPARE(rig.panel.statusLine(), QString(" Top/Bottom , Left/Right reversal"));
}

void TstPanel::otherCommEventChangesNothing()
{
    Rig rig;
    rig.panel.clickCommand(button("Command44"));
    rig.port.deliver("00\r", 3);
    QCOMPARE(rig.panel.receiveLine(), QString());
    QCOMPARE(rig.panel.awaitingReply(), 1);
    QVERIFY(rig.panel.receiveBuffer().isEmpty());
}

void TstPanel::repeatTickSendsHeldCommandOnly()
{
    Rig rig;
    rig.panel.repeatHeldCommand();
    QVERIFY(rig.port.written.isEmpty());
    rig.panel.pressHold(hold("Command1"));
    rig.panel.repeatHeldCommand();
    QCOMPARE(rig.port.written, QByteArray("C09\rC09\r"));
    rig.panel.releaseHold(hold("Command1"));
    rig.panel.repeatHeldCommand();
    QCOMPARE(rig.port.written, QByteArray("C09\rC09\r"));
}

void TstPanel::closedPortIsRetriedThenSkipped()
{
    Rig rig;
    rig.port.open = false;
    rig.panel.clickCommand(button("Command17"));
    QCOMPARE(rig.port.log, QStringList({"open", "output C00\r"}));
    QCOMPARE(rig.port.written, QByteArray("C00\r"));

    rig.port.open = false;
    rig.port.failing = {"open"};
    rig.port.log.clear();
    rig.panel.clickCommand(button("Command18"));
    QCOMPARE(rig.port.log, QStringList({"open"}));
    QCOMPARE(rig.panel.transmitLine(), QString(" C 0 1 CR "));
    QVERIFY(rig.panel.timer(2).isActive() && rig.panel.timer(4).isActive());
    rig.panel.closeReplyWindow();
    QCOMPARE(rig.panel.receiveLine(), QString(" X X X X"));
}

void TstPanel::floodKeepsBufferBounded()
{
    Rig rig;
    const QByteArray chunk(1024, 'Z');
    for (int i = 0; i < 1024; ++i) // 1 MB, no transmission
        rig.port.deliver(chunk);
    QCOMPARE(rig.panel.receiveBuffer().size(), Panel::kReceiveBufferLimit);
    QCOMPARE(rig.panel.receiveLine().size(), 1 + 2 * Panel::kReceiveBufferLimit);
    rig.panel.clickCommand(button("Command44"));
    rig.panel.closeReplyWindow();
    rig.port.deliver("00\r");
    QCOMPARE(rig.panel.statusLine(), QString(" Power ON"));
}

void TstPanel::freeCommand_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QByteArray>("wire");
    QTest::addColumn<QString>("transmit");
    QTest::newRow("beyond Latin-1") << QString::fromUtf8("デ😀") << QByteArray("??\r") << " ? ? CR ";
}

void TstPanel::freeCommand()
{
    QFETCH(QString, typed);
    QFETCH(QByteArray, wire);
    QFETCH(QString, transmit);
    Rig rig;
    rig.panel.sendFreeCommand(typed);
    QCOMPARE(rig.port.written, wire);
    QCOMPARE(rig.panel.transmitLine(), transmit);
    QCOMPARE(rig.panel.timer(2).interval(), 2000);
    QCOMPARE(rig.panel.timer(4).interval(), 2500);
}

QTEST_GUILESS_MAIN(TstPanel)
#include "tst_panel.moc"
