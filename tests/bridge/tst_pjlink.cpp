// SPDX-License-Identifier: MIT
// PJLink as a room's control system asks it, answered by a bridge in this
// process on the simulator's projector: every request's answer and the
// lines it puts on the wire.
#include "bridgerig.h"
#include "pjlinkclient.h"

namespace {

// The projector behind the line for a row.
struct Setup {
    const char* name;
    Projector::Config projector;
    bool silent = false;
    int pullAfter = 0; // the device goes away after this many lines
    QHash<QByteArray, QByteArray> replies {}; // SimComm::replies
};

const Setup kSetups[] = {
    {"quick", {0, 0, 1234}},
    {"slow", {5000, 5000, 1234}},
    {"cools", {0, 5000, 1234}},
    {"lamp 987", {0, 0, 987}},
    {"silent", {0, 0, 1234}, true},
    {"pulled after 1", {0, 0, 1234}, false, 1},
    {"unreadable", {0, 0, 1234}, false, 0, {{"CR0", "80X\r"}, {"CR9", "VM70\n\r"}}},
    {"no signal", {0, 0, 1234}, false, 0, {{"CRA", "80\r"}}},
};

const Setup& setup(const QString& name)
{
    for (const Setup& s : kSetups)
        if (name == QLatin1String(s.name))
            return s;
    qFatal("no setup %s", qPrintable(name));
}

} // namespace

class TstPjlink : public QObject {
    Q_OBJECT
private slots:
    // Requests in turn on one connection, a fresh projector per row.
    void mapping_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QByteArrayList>("requests");
        QTest::addColumn<QByteArrayList>("answers");
        QTest::addColumn<QByteArray>("wireLines");
        QTest::newRow("stand by") << "quick" << QByteArrayList {"%1POWR ?", "%1ERST ?"}
                                  << QByteArrayList {"%1POWR=0", "%1ERST=000000"} << QByteArray("CR0");
        QTest::newRow("power on, on") << "quick" << QByteArrayList {"%1POWR 1", "%1POWR ?"}
                                      << QByteArrayList {"%1POWR=OK", "%1POWR=1"} << QByteArray("CR0 C00 CR0");
        QTest::newRow("count down") << "slow" << QByteArrayList {"%1POWR 1", "%1POWR ?"}
                                    << QByteArrayList {"%1POWR=OK", "%1POWR=3"} << QByteArray("CR0 C00 CR0");
        QTest::newRow("cooling down: POWR 1 is ERR3")
            << "cools" << QByteArrayList {"%1POWR 1", "%1POWR 0", "%1POWR ?", "%1POWR 1", "%1POWR 0"}
            << QByteArrayList {"%1POWR=OK", "%1POWR=OK", "%1POWR=2", "%1POWR=ERR3", "%1POWR=OK"}
            << QByteArray("CR0 C00 C01 CR0 C01");
        QTest::newRow("input at start") << "quick" << QByteArrayList {"%1INPT ?"} << QByteArrayList {"%1INPT=11"}
                                        << QByteArray("CR1");
        QTest::newRow("input chosen") << "quick" << QByteArrayList {"%1INPT 25", "%1INPT ?"}
                                      << QByteArrayList {"%1INPT=OK", "%1INPT=25"} << QByteArray("C34 CR1");
        QTest::newRow("network input") << "quick" << QByteArrayList {"%1INPT 51", "%1INPT ?"}
                                       << QByteArrayList {"%1INPT=OK", "%1INPT=51"} << QByteArray("C08 CR1");
        QTest::newRow("input list") << "quick" << QByteArrayList {"%1INST ?"}
                                    << QByteArrayList {"%1INST=11 12 21 22 23 24 25 26 31 32 51"} << QByteArray();
        QTest::newRow("mute both, then video off")
            << "quick" << QByteArrayList {"%1POWR 1", "%1AVMT 31", "%1AVMT ?", "%1AVMT 10", "%1AVMT ?"}
            << QByteArrayList {"%1POWR=OK", "%1AVMT=OK", "%1AVMT=31", "%1AVMT=OK", "%1AVMT=21"}
            << QByteArray("CR0 C00 C0D C0B CRA C0E CRA");
        QTest::newRow("mute in stand by") << "quick" << QByteArrayList {"%1AVMT ?"} << QByteArrayList {"%1AVMT=ERR3"}
                                          << QByteArray("CRA");
        QTest::newRow("lamp off, on") << "lamp 987" << QByteArrayList {"%1LAMP ?", "%1POWR 1", "%1LAMP ?"}
                                      << QByteArrayList {"%1LAMP=987 0", "%1POWR=OK", "%1LAMP=987 1"}
                                      << QByteArray("CR3 CR7 CR0 C00 CR3 CR7");
        QTest::newRow("information") << "quick"
                                     << QByteArrayList {"%1NAME ?", "%1INF1 ?", "%1INF2 ?", "%1INF2 ?", "%1INFO ?", "%1CLSS ?"}
                                     << QByteArrayList {"%1NAME=Hall 2", "%1INF1=RUNO", "%1INF2=VM70 SIM 1.00",
                                            "%1INF2=VM70 SIM 1.00", "%1INFO=runo-bridge " RUNO_VERSION, "%1CLSS=2"}
                                     << QByteArray("CR9");
        QTest::newRow("class 2") << "quick"
                                 << QByteArrayList {"%1POWR 1", "%2FREZ 1", "%2FREZ ?", "%2SVOL 1", "%2SVOL 0", "%2INNM ?32",
                                        "%2INPT 23", "%2INPT ?", "%1POWR 0", "%2FREZ ?"}
                                 << QByteArrayList {"%1POWR=OK", "%2FREZ=OK", "%2FREZ=1", "%2SVOL=OK", "%2SVOL=OK",
                                        "%2INNM=INPUT 1 DVI(AV HDCP)", "%2INPT=OK", "%2INPT=23", "%1POWR=OK", "%2FREZ=0"}
                                 << QByteArray("CR0 C00 C43 C09 C0A C23 CR1 C01");
        QTest::newRow("class 2, what the projector lacks")
            << "quick"
            << QByteArrayList {"%2SNUM ?", "%2SVER ?", "%2RLMP ?", "%2RFIL ?", "%2FILT ?", "%2RRES ?", "%2MVOL 1", "%2IRES ?",
                   "%1POWR 1", "%2IRES ?", "%2INST ?"}
            << QByteArrayList {"%2SNUM=", "%2SVER=1.00", "%2RLMP=", "%2RFIL=", "%2FILT=ERR1", "%2RRES=ERR1", "%2MVOL=ERR1",
                   "%2IRES=ERR3", "%1POWR=OK", "%2IRES=*", "%2INST=11 12 21 22 23 24 25 26 31 32 51"}
            << QByteArray("CR9 CRA CR0 C00 CRA");
        QTest::newRow("no signal") << "no signal" << QByteArrayList {"%2IRES ?", "%1AVMT ?"}
                                   << QByteArrayList {"%2IRES=-", "%1AVMT=30"} << QByteArray("CRA");
        QTest::newRow("unknown: ERR1") << "quick" << QByteArrayList {"%1XYZW ?", "%2POWR ?", "%2CLSS ?", "%1SNUM ?", "%1FREZ ?"}
                                       << QByteArrayList {"%1XYZW=ERR1", "%2POWR=ERR1", "%2CLSS=ERR1", "%1SNUM=ERR1",
                                              "%1FREZ=ERR1"}
                                       << QByteArray();
        QTest::newRow("out of range: ERR2") << "quick"
                                            << QByteArrayList {"%1POWR 2", "%1INPT 19", "%1INPT 1", "%1AVMT 12", "%1LAMP 1",
                                                   "%1NAME \x01\xff", "%2SNUM 1", "%2INNM ?19", "%2INNM 11", "%2SVOL 2",
                                                   "%2INPT 1A", "%1INPT 61"}
                                            << QByteArrayList {"%1POWR=ERR2", "%1INPT=ERR2", "%1INPT=ERR2", "%1AVMT=ERR2",
                                                   "%1LAMP=ERR2", "%1NAME=ERR2", "%2SNUM=ERR2", "%2INNM=ERR2", "%2INNM=ERR2",
                                                   "%2SVOL=ERR2", "%2INPT=ERR2", "%1INPT=ERR2"}
                                            << QByteArray();
        QTest::newRow("silent projector: ERR4") << "silent" << QByteArrayList {"%1POWR ?", "%1POWR 1"}
                                                << QByteArrayList {"%1POWR=ERR4", "%1POWR=ERR4"} << QByteArray("CR0 CR0 C00");
        QTest::newRow("replies not of their read's form: ERR4")
            << "unreadable" << QByteArrayList {"%1POWR ?", "%1ERST ?", "%1INF2 ?", "%2SVER ?", "%1POWR 1"}
            << QByteArrayList {"%1POWR=ERR4", "%1ERST=ERR4", "%1INF2=VM90/VM70/VM50", "%2SVER=runo-bridge " RUNO_VERSION,
                   "%1POWR=OK"}
            << QByteArray("CR0 CR0 CR9 CR9 CR0 C00"); // an unreadable reply is not kept for the next
        QTest::newRow("line lost: ERR4, still serving")
            << "pulled after 1" << QByteArrayList {"%1POWR ?", "%1INPT ?", "%1NAME ?"}
            << QByteArrayList {"%1POWR=0", "%1INPT=ERR4", "%1NAME=Hall 2"} << QByteArray("CR0");
    }
    void mapping()
    {
        QFETCH(QString, setup);
        QFETCH(QByteArrayList, requests);
        const Setup& s = ::setup(setup);
        BridgeRig rig({"--no-password", "--name", "Hall 2"}, s.projector);
        QVERIFY(rig.started);
        rig.line.silent = s.silent;
        rig.line.replies = s.replies;
        if (const int pullAfter = s.pullAfter; pullAfter > 0)
            connect(rig.bridge.link().exchanges(), &runo::ExchangeWatch::ended, &rig.line, [&rig, pullAfter] {
                if (rig.line.lines.size() == pullAfter && rig.line.portOpen())
                    rig.line.pull();
            });
        PjlinkClient client;
        QVERIFY(client.open(rig.bridge.pjlinkPort()));
        QCOMPARE(client.line(), QByteArray("PJLINK 0"));
        QByteArrayList answers;
        for (const QByteArray& r : requests)
            answers << client.ask(r);
        QTEST(answers, "answers");
        QTEST(rig.line.wire(), "wireLines");
    }
};

QTEST_GUILESS_MAIN(TstPjlink)
#include "tst_pjlink.moc"
