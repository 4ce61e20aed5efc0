// SPDX-License-Identifier: MIT
// The metrics of a bridge in this process on the simulator's projector:
// what an exposition holds after given reads, and who the gate lets in.
#include "bridge/metrics/metrics.h"
#include "bridgerig.h"

namespace {

using Access = runo::MetricsGate::Access;
using Replies = QHash<QByteArray, QByteArray>;

QByteArray basic(const QByteArray& userAndPassword) { return "Basic " + userAndPassword.toBase64(); }

} // namespace

class TstMetrics : public QObject {
    Q_OBJECT
private slots:
    void exposition_data()
    {
        QTest::addColumn<QByteArrayList>("lines");
        QTest::addColumn<Replies>("replies");
        QTest::addColumn<bool>("silent");
        QTest::addColumn<QByteArrayList>("present");
        QTest::addColumn<QByteArrayList>("absent");
        const QByteArrayList unread {"runo_power_state ", "runo_lamp_seconds ", "runo_temperature_celsius{", "runo_error{"};
        QTest::newRow("never read") << QByteArrayList {} << Replies {} << false
                                    << QByteArrayList {"runo_line_up 0", "runo_exchanges_total{result=\"reply\"} 0",
                                           "runo_info{model=\"VM90/VM70/VM50\",name=\"Hall \\\"2\\\"\\\\\",version=\"1.40\"} 1"}
                                    << unread;
        QTest::newRow("read") << QByteArrayList {"CR0", "CR3", "CR6", "CR9"} << Replies {} << false
                              << QByteArrayList {"runo_line_up 1", "runo_power_state 0", "runo_lamp_seconds 4442400",
                                     "runo_temperature_celsius{sensor=\"4\"} 25", "runo_error{component=\"fan\"} 0",
                                     "runo_exchanges_total{result=\"reply\"} 4", "runo_exchange_seconds_bucket{le=\"0.25\"} 3",
                                     "runo_exchange_seconds_count 4", "runo_info{model=\"VM70 SIM 1.00\""}
                              << QByteArrayList {};
        QTest::newRow("lamp failed, a sensor blank")
            << QByteArrayList {"CR0", "CR6"} << Replies {{"CR0", "21\r"}, {"CR6", " 25.0  38.5         45.5\r"}} << false
            << QByteArrayList {"runo_power_state 2", "runo_error{component=\"fan\"} 0", "runo_error{component=\"lamp\"} 2",
                   "runo_error{component=\"temperature\"} 0", "runo_temperature_celsius{sensor=\"2\"} 38.5",
                   "runo_temperature_celsius{sensor=\"4\"} 45.5"}
            << QByteArrayList {"runo_temperature_celsius{sensor=\"3\"}"};
        QTest::newRow("silent") << QByteArrayList {"CR0"} << Replies {} << true
                                << QByteArrayList {"runo_line_up 0", "runo_exchanges_total{result=\"no_reply\"} 1",
                                       "runo_exchange_seconds_count 0"}
                                << unread;
    }
    // Each line through the queue in turn; the reply to CR3 300 ms late.
    void exposition()
    {
        QFETCH(QByteArrayList, lines);
        QFETCH(Replies, replies);
        QFETCH(bool, silent);
        QFETCH(QByteArrayList, present);
        QFETCH(QByteArrayList, absent);
        BridgeRig rig({"--no-password", "--name", "Hall \"2\"\\"});
        runo::Metrics metrics(rig.bridge);
        rig.line.replies = replies;
        rig.line.silent = silent;
        for (const QByteArray& line : lines) {
            rig.line.delayMs = line == "CR3" ? 300 : 0;
            bool done = false;
            QVERIFY(rig.bridge.queue().ask(line, this, [&done](const runo::Exchange&) { done = true; }));
            QVERIFY(QTest::qWaitFor([&done] { return done; }, 5000));
        }
        const QByteArray text = metrics.exposition();
        QCOMPARE(rig.line.wire(), lines.join(' ')); // the scrape read nothing of the line
        for (const QByteArray& line : present)
            QVERIFY2(text.contains('\n' + line), line + " not in\n" + text);
        for (const QByteArray& line : absent)
            QVERIFY2(!text.contains('\n' + line), line + " in\n" + text);
    }

    void gate_data()
    {
        QTest::addColumn<QByteArray>("password");
        QTest::addColumn<QByteArrayList>("headers");
        QTest::addColumn<Access>("last");
        QTest::addColumn<quint64>("failures");
        const QByteArray wrong = basic("prometheus:secreT");
        QTest::newRow("open") << QByteArray() << QByteArrayList {""} << Access::Granted << quint64(0);
        QTest::newRow("any user, scheme in any case")
            << QByteArray("secret") << QByteArrayList {basic("x:secret"), "bAsIc " + QByteArray(":secret").toBase64()}
            << Access::Granted << quint64(0);
        QTest::newRow("no header") << QByteArray("secret") << QByteArrayList {""} << Access::Challenged << quint64(0);
        QTest::newRow("a start of it, no user, not base64")
            << QByteArray("secret") << QByteArrayList {basic("p:secre"), basic("secret"), "Basic *secret*"} << Access::Refused
            << quint64(3);
        QTest::newRow("four wrong, then right")
            << QByteArray("secret") << QByteArrayList {wrong, wrong, wrong, wrong, basic("p:secret")} << Access::Granted
            << quint64(4);
        QTest::newRow("five wrong: the right one locked out")
            << QByteArray("secret") << QByteArrayList {wrong, wrong, wrong, wrong, wrong, basic("p:secret")} << Access::LockedOut
            << quint64(5);
    }
    void gate()
    {
        QFETCH(QByteArray, password);
        QFETCH(QByteArrayList, headers);
        QFETCH(Access, last);
        QFETCH(quint64, failures);
        runo::MetricsGate gate(password);
        Access access {};
        for (const QByteArray& header : headers)
            access = gate.check(header, QHostAddress::LocalHost);
        QCOMPARE(access, last);
        QCOMPARE(gate.failures(), failures);
        QCOMPARE(gate.check(basic("p:secret"), QHostAddress("127.0.0.2")), Access::Granted); // another address
    }
};

QTEST_GUILESS_MAIN(TstMetrics)
#include "tst_metrics.moc"
