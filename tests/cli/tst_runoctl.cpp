// SPDX-License-Identifier: MIT
// runoctl as a script runs it: its names, and the program against
// runo-projector-sim on pseudo-terminals (one simulator per port).
#include "cli/ports.h"
#include "panel/vocabulary.h"
#include "ser2netprocess.h"
#include "simprocess.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSerialPort>
#include <QTcpServer>
#include <QTemporaryDir>

#include <csignal>
#include <memory>

namespace {

struct Result {
    int exit = -1;
    QByteArray out;
    QByteArray err;
    qint64 ms = 0;
};

Result runoctl(const QStringList& args)
{
    QProcess p;
    QElapsedTimer clock;
    clock.start();
    p.start(QStringLiteral(RUNOCTL_PATH), args);
    p.waitForFinished(60000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(), p.readAllStandardError(),
        clock.elapsed()};
}

// Simulators with these options; runoctl's --port arguments for them.
QStringList startSims(std::vector<std::unique_ptr<SimProcess>>& sims, const QList<QStringList>& options)
{
    QStringList args;
    for (const QStringList& o : options) {
        sims.push_back(std::make_unique<SimProcess>());
        args << QStringLiteral("--port") << sims.back()->start(o);
    }
    return args;
}

} // namespace

class TstRunoctl : public QObject {
    Q_OBJECT
private slots:
    void names_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QByteArray>("text"); // empty: no such command
        QTest::newRow("lower case") << "power on" << QByteArray("C00");
        QTest::newRow("mixed case, row 2") << "Input 2 rgb" << QByteArray("C25");
        QTest::newRow("row 1") << "INPUT 1 RGB" << QByteArray("C50");
        QTest::newRow("arrow spelled") << "lens shift up" << QByteArray("C5D");
        QTest::newRow("arrow itself") << "LENS SHIFT ←" << QByteArray("C5F");
        QTest::newRow("cursor, loose spaces") << " cursor   right " << QByteArray("C3A");
        QTest::newRow("group alone") << "power" << QByteArray();
    }
    void names()
    {
        QFETCH(QString, typed);
        QFETCH(QByteArray, text);
        const auto command = runo::findCommand(typed);
        QCOMPARE(command ? QByteArray(command->text().data(), qsizetype(command->text().size())) : QByteArray(), text);
    }

    // One port. "PORT" in the expected output stands for its path; stderr
    // is compared by its start.
    void exchange_data()
    {
        QTest::addColumn<QStringList>("sim"); // "--device PATH": no simulator, that device
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exit");
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<QByteArray>("err");
        QTest::addColumn<QByteArray>("wireLines"); // command lines received
        QTest::addColumn<int>("maxMs"); // 0: no bound
        const QStringList none;
        QTest::newRow("read over socket://") << QStringList {"--ser2net"} << QStringList {"read", "status"} << 0
                                             << QByteArray("Stand by\n") << QByteArray() << QByteArray("CR0") << 0;
        QTest::newRow("read decoded") << none << QStringList {"read", "status"} << 0 << QByteArray("Stand by\n") << QByteArray()
                                      << QByteArray("CR0") << 0;
        QTest::newRow("lamp hours") << QStringList {"--lamp-hours", "987"} << QStringList {"READ", "L-TIME"} << 0
                                    << QByteArray("00987 Hour Use\n") << QByteArray() << QByteArray("CR3") << 0;
        QTest::newRow("free read, ends at CR") << none << QStringList {"send", "CR9"} << 0 << QByteArray("VM70 SIM 1.00\n")
                                               << QByteArray() << QByteArray("CR9") << 1500;
        QTest::newRow("free pressure") << none << QStringList {"send", "CR", "PRESSURE"} << 0 << QByteArray("650 hPa\n")
                                       << QByteArray() << QByteArray("CR PRESSURE") << 0;
        QTest::newRow("operation") << none << QStringList {"power", "on"} << 0 << QByteArray("ACK\n") << QByteArray()
                                   << QByteArray("C00") << 0;
        QTest::newRow("verbose") << none << QStringList {"--verbose", "send", "CR", "PRESSURE"} << 0
                                 << QByteArray("TXD    C R   P R E S S U R E CR \nRXD    5 1 2 CR \nSTATUS 650 hPa\n")
                                 << QByteArray() << QByteArray("CR PRESSURE") << 0;
        QTest::newRow("json") << none << QStringList {"--json", "read", "setting"} << 0
                              << QByteArray(
                                     R"({"command":"READ SETTING","exit":0,"lines":1,"port":"PORT","received":"11\r",)"
                                     R"("reply_window_ms":500,"result":"reply","rxd":" 1 1 CR ","sent":"CR4\r",)"
                                     R"("state":{"reversal":"none"},"status":" Normally","text":"Normally","txd":" C R 4 CR "})"
                                     "\n")
                              << QByteArray() << QByteArray("CR4") << 0;
        QTest::newRow("late for 500 ms") << QStringList {"--delay", "800"} << QStringList {"read", "mode"} << 1 << QByteArray()
                                         << QByteArray("runoctl: PORT: no reply within 500 ms\n") << QByteArray("CR1") << 0;
        QTest::newRow("P-FAIL waits 2 s") << QStringList {"--delay", "800"} << QStringList {"p-fail"} << 0 << QByteArray("00\n")
                                          << QByteArray() << QByteArray("CR ALLPFAIL") << 0;
        QTest::newRow("--timeout") << QStringList {"--delay", "800"} << QStringList {"--timeout", "1500", "read", "mode"} << 0
                                   << QByteArray("Input mode 1\n") << QByteArray() << QByteArray("CR1") << 0;
        QTest::newRow("--timeout, reply across 500 ms") // the panel's window is the one given too
            << QStringList {"--delay", "400", "--split", "1", "--gap", "300"}
            << QStringList {"--timeout", "2000", "read", "status"} << 0 << QByteArray("Stand by\n") << QByteArray()
            << QByteArray("CR0") << 0;
        QTest::newRow("device gone") << QStringList {"--silent", "--close-after", "1"} << QStringList {"read", "status"} << 3
                                     << QByteArray() << QByteArray("runoctl: PORT: ") << QByteArray("CR0") << 0;
        QTest::newRow("line refused") << none << QStringList {"send", QString(600, 'A')} << 3 << QByteArray()
                                      << QByteArray("runoctl: PORT: Output buffer full") << QByteArray() << 0;
        QTest::newRow("hold VOL +, 250 ms") << none << QStringList {"hold", "VOL", "+", "1100"} << 0
                                            << QByteArray("ACK ACK ACK ACK ACK\n") << QByteArray()
                                            << QByteArray("C09 C09 C09 C09 C09") << 0;
        QTest::newRow("hold cursor at start, 200 ms")
            << none << QStringList {"hold", "cursor up", "500"} << 0 << QByteArray("ACK ACK ACK\n") << QByteArray()
            << QByteArray("C3C C3C C3C") << 0;
        QTest::newRow("--log that cannot open")
            << none << QStringList {"--log", "/nonexistent/traffic.log", "read", "status"} << 0 << QByteArray("Stand by\n")
            << QByteArray("runoctl: cannot open the log /nonexistent/traffic.log: No such "
                          "file or directory; the traffic is not logged\n")
            << QByteArray("CR0") << 0;
        QTest::newRow("unknown") << none << QStringList {"status"} << 2 << QByteArray()
                                 << QByteArray("runoctl: unknown command \"status\"; did you mean: READ STATUS?") << QByteArray()
                                 << 0;
        QTest::newRow("network port refused")
            << QStringList {"--device", "socket://127.0.0.1:1"} << QStringList {"read", "status"} << 3 << QByteArray()
            << QByteArray("runoctl: socket://127.0.0.1:1: Connection refused\n") << QByteArray() << 0;
        QTest::newRow("network port never agrees") // the window starts once the line leaves
            << QStringList {"--listener"} << QStringList {"power", "off"} << 3 << QByteArray()
            << QByteArray("runoctl: PORT: No answer to COM port control (RFC 2217) within 3 s\n") << QByteArray() << 0;
        QTest::newRow("missing port") << QStringList {"--device", "/nonexistent/tty"} << QStringList {"read", "status"} << 3
                                      << QByteArray() << QByteArray("runoctl: /nonexistent/tty: No such file or directory\n")
                                      << QByteArray() << 0;
        QTest::newRow("ACK ends the wait") << none << QStringList {"--timeout", "3000", "power", "on"} << 0 << QByteArray("ACK\n")
                                           << QByteArray() << QByteArray("C00") << 2000;
        QTest::newRow("drop during a hold keeps the ACKs")
            << QStringList {"--close-after", "3"} << QStringList {"hold", "vol", "+", "3000"} << 3 << QByteArray("ACK ACK ACK\n")
            << QByteArray("runoctl: PORT: ") << QByteArray("C09 C09 C09") << 2500;
        QTest::newRow("hold -1") << none << QStringList {"hold", "vol +", "-1"} << 2 << QByteArray()
                                 << QByteArray("runoctl: hold needs milliseconds from 0 to 600000, not \"-1\"\n") << QByteArray()
                                 << 0;
        QTest::newRow("--speed 09600") << none << QStringList {"--speed", "09600", "power", "on"} << 2 << QByteArray()
                                       << QByteArray("runoctl: --speed is 19200 or 9600, not \"09600\"\n") << QByteArray() << 0;
    }
    void exchange()
    {
        QFETCH(QStringList, sim);
        QFETCH(QStringList, args);
        QFETCH(QByteArray, out);
        QFETCH(QByteArray, err);
        QFETCH(QByteArray, wireLines);
        QFETCH(int, maxMs);
        std::vector<std::unique_ptr<SimProcess>> sims;
        const bool network = sim.removeAll("--ser2net") > 0; // the simulator behind ser2net
        QTcpServer listener; // takes connections, says nothing
        if (sim.removeAll("--listener") > 0 && listener.listen(QHostAddress::LocalHost))
            sim = QStringList {"--device", QStringLiteral("rfc2217://127.0.0.1:%1").arg(listener.serverPort())};
        QStringList port = sim.contains("--device") ? QStringList {"--port", sim.last()} : startSims(sims, {sim});
        Ser2net server(port.last(), QStringLiteral("19200n81"));
        if (network) {
            QVERIFY(server.start());
            port.last() = server.socketUrl();
        }
        const Result r = runoctl(port + args);
        QCOMPARE(r.out, out.replace("PORT", port.last().toLocal8Bit()));
        QVERIFY2(r.err.startsWith(err.replace("PORT", port.last().toLocal8Bit())), r.err.constData());
        QTEST(r.exit, "exit");
        QTRY_COMPARE(sims.empty() ? QByteArray() : sims[0]->wire(), wireLines);
        QVERIFY2(maxMs == 0 || r.ms < maxMs, qPrintable(QString::number(r.ms)));
    }

    // The reply that ends the wait is logged with the line.
    void trafficLog()
    {
        SimProcess sim;
        const QString path = sim.start({});
        QTemporaryDir dir;
        QCOMPARE(runoctl({"--port", path, "--log", dir.filePath("log"), "read", "status"}).exit, 0);
        QFile log(dir.filePath("log"));
        QVERIFY(log.open(QIODevice::ReadOnly));
        QVERIFY(log.readAll().endsWith(QStringLiteral("\t%1\treply\tCR0\t8 0 CR\tStand by\n").arg(path).toUtf8()));
    }

    // Ended as the panel ends: the port free, what came so far printed,
    // status 5. Which signals end it is the shared watch's, which
    // tst_programs checks for all of them.
    void endBySignal()
    {
        SimProcess sim;
        const QString path = sim.start({});
        QProcess p;
        p.start(QStringLiteral(RUNOCTL_PATH), {"--port", path, "hold", "vol +", "20000"});
        QTRY_VERIFY_WITH_TIMEOUT(sim.received("C09") >= 2, 10000);
        QTest::qWait(100); // the second ACK on its way back
        ::kill(pid_t(p.processId()), SIGTERM);
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 5);
        const QByteArray out = p.readAllStandardOutput();
        QVERIFY2(out.startsWith("ACK ACK"), out.constData());
        QCOMPARE(p.readAllStandardError(), "runoctl: " + path.toLocal8Bit() + ": ended by a signal\n");
        QSerialPort probe(path);
        QVERIFY2(probe.open(QIODevice::ReadWrite), qPrintable(probe.errorString()));
    }

    // A flood keeps its first bytes only, and the reply's decoding.
    void floodKeptBounded()
    {
        SimProcess sim;
        const Result r = runoctl({"--json", "--port", sim.start({"--flood", "2000000", "--silent"}), "hold", "vol +", "1000"});
        const QJsonObject o = QJsonDocument::fromJson(r.out).object();
        QCOMPARE(o.value("received").toString().size(), 4096);
        QVERIFY2(o.value("dropped").toInteger() > 100000, r.out.constData());
    }

    void ports_data()
    {
        QTest::addColumn<bool>("json");
        QTest::addColumn<QString>("out");
        QTest::newRow("plain") << false
                               << "/dev/serial/by-id/usb-FTDI_FT232R_A10K-if00-port0 — FT232R USB UART (/dev/ttyUSB0)\n"
                                  "/dev/ttyS0\n";
        QTest::newRow("json") << true
                              << "{\"description\":\"FT232R USB UART\",\"node\":\"/dev/ttyUSB0\",\"path\":"
                                 "\"/dev/serial/by-id/usb-FTDI_FT232R_A10K-if00-port0\"}\n"
                                 "{\"description\":\"\",\"node\":\"/dev/ttyS0\",\"path\":\"/dev/ttyS0\"}\n";
    }
    // As the panel's device menu names them.
    void ports()
    {
        const QList<runo::SerialDevice> devices {
            {"/dev/serial/by-id/usb-FTDI_FT232R_A10K-if00-port0", "/dev/ttyUSB0", "FT232R USB UART"},
            {"/dev/ttyS0", "/dev/ttyS0", ""}};
        QFETCH(bool, json);
        QTEST(runo::portList(devices, json), "out");
    }

    // A reading a script never got is not a success.
    // All ports at once, reported in the order given; the worst status.
    void severalPorts()
    {
        std::vector<std::unique_ptr<SimProcess>> sims;
        const QStringList ports = startSims(sims, {{"--delay", "300"}, {}, {"--silent"}, {"--silent"}});
        const Result r = runoctl(ports + QStringList {"--timeout", "1200", "read", "status"});
        QCOMPARE(r.out, QString("%1: Stand by\n%2: Stand by\n").arg(ports[1], ports[3]).toLocal8Bit());
        QCOMPARE(r.err,
            QString("runoctl: %1: no reply within 1200 ms\nrunoctl: %2: no reply within 1200 ms\n")
                .arg(ports[5], ports[7])
                .toLocal8Bit());
        QCOMPARE(r.exit, 1);
        QVERIFY2(r.ms < 2200, qPrintable(QString::number(r.ms))); // one after the other: 2.7 s at least
    }
};

QTEST_GUILESS_MAIN(TstRunoctl)
#include "tst_runoctl.moc"
