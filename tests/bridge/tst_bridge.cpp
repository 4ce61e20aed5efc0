// SPDX-License-Identifier: MIT
// runo-bridge as the room's systems meet it, and as a hostile network does:
// a PJLink client written here from the protocol alone against a bridge in
// this process on the simulator's projector; the program itself for what
// needs a process (its exit statuses, a journal nobody reads).
#include "bridgeprocess.h"
#include "bridgerig.h"
#include "pjlinkclient.h"
#include "procstatus.h"
#include "simprocess.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QNetworkDatagram>
#include <QTemporaryDir>
#include <QUdpSocket>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>

using runo::LineQueue;
using runo::PjlinkServer;

namespace {

const QByteArray kPassword = "s3cret";

QByteArray digest(const QByteArray& greeting, const QByteArray& password = kPassword)
{
    return QCryptographicHash::hash(greeting.mid(9) + password, QCryptographicHash::Md5).toHex();
}

// A password file readable by its owner alone, holding `password`.
QString passwordFile(const QTemporaryDir& dir, const QByteArray& password = kPassword)
{
    QFile f(dir.filePath("password"));
    f.open(QIODevice::WriteOnly);
    f.write(password + "\nnot the password\n");
    f.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    return f.fileName();
}

// A raw connection to 127.0.0.1:port: closed with a reset, or half-closed
// after sending `bytes`; returns the descriptor (or -1) for what is read.
int rawConnection(quint16 port, bool reset, const QByteArray& bytes = {})
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in to {};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0)
        return ::close(fd), -1;
    if (reset) {
        const linger now {1, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &now, sizeof now);
        return ::close(fd), -1;
    }
    (void)::write(fd, bytes.constData(), size_t(bytes.size()));
    ::shutdown(fd, SHUT_WR);
    return fd;
}

QByteArray readAll(int fd, int ms)
{
    QByteArray got;
    (void)QTest::qWaitFor(
        [&] {
            char buf[256];
            const ssize_t n = ::recv(fd, buf, sizeof buf, MSG_DONTWAIT);
            if (n > 0)
                got.append(buf, n);
            return n == 0;
        },
        ms);
    ::close(fd);
    return got;
}

// The next n lines of a client, joined by spaces, read in turn.
QByteArray lines(PjlinkClient& c, int n, int ms = 5000)
{
    QByteArrayList got;
    while (n-- > 0)
        got << c.line(ms);
    return got.join(' ');
}

struct Clients {
    std::vector<std::unique_ptr<PjlinkClient>> all;
    // n clients past their greeting and a first request, so none counts as
    // a connection yet to ask.
    Clients(quint16 port, int n)
    {
        for (int i = 0; i < n; ++i) {
            all.push_back(std::make_unique<PjlinkClient>());
            if (all.back()->open(port))
                all.back()->line(), all.back()->ask("%1CLSS ?");
        }
    }
    PjlinkClient& operator[](size_t i) { return *all[i]; }
};

} // namespace

class TstBridge : public QObject {
    Q_OBJECT
private slots:
    // DIGEST: this connection's, WRONG: another's; a wrong one waits a second.
    void authentication_data()
    {
        QTest::addColumn<QByteArrayList>("requests");
        QTest::addColumn<QByteArrayList>("answers"); // the last: what follows them
        QTest::newRow("first only") << QByteArrayList {"DIGEST%1POWR ?", "%1NAME ?"}
                                    << QByteArrayList {"%1POWR=0", "%1NAME=runo-bridge", "<timeout>"};
        QTest::newRow("before every request")
            << QByteArrayList {"DIGEST%1POWR ?", "DIGEST%1INPT ?"} << QByteArrayList {"%1POWR=0", "%1INPT=11", "<timeout>"};
        QTest::newRow("wrong later") << QByteArrayList {"DIGEST%1POWR ?", "WRONG%1INPT ?"}
                                     << QByteArrayList {"%1POWR=0", "PJLINK ERRA", "<closed>"};
        QTest::newRow("wrong") << QByteArrayList {"WRONG%1POWR ?"} << QByteArrayList {"PJLINK ERRA", "<closed>"};
        QTest::newRow("missing") << QByteArrayList {"%1POWR ?"} << QByteArrayList {"PJLINK ERRA", "<closed>"};
    }
    void authentication()
    {
        QFETCH(QByteArrayList, requests);
        QTemporaryDir dir;
        BridgeRig rig({"--password-file", passwordFile(dir)});
        PjlinkClient client;
        QVERIFY(client.open(rig.bridge.pjlinkPort()));
        const QByteArray greeting = client.line();
        QVERIFY2(QRegularExpression("^PJLINK 1 [0-9a-f]{8}$").match(QString::fromLatin1(greeting)).hasMatch(), greeting);
        QByteArrayList answers;
        QElapsedTimer clock;
        clock.start();
        for (QByteArray r : requests)
            answers << client.ask(r.replace("DIGEST", digest(greeting)).replace("WRONG", QByteArray(32, 'a')));
        answers << client.line(200);
        QTEST(answers, "answers");
        QVERIFY(!answers.contains("PJLINK ERRA") || clock.elapsed() >= PjlinkServer::kWrongDigestDelayMs - 50);
    }

    // Five wrong digests from an address, and it gets no connection at all,
    // with the right one neither; connections that never ask are few and short.
    void hostileAddress()
    {
        QTemporaryDir dir;
        BridgeRig rig({"--password-file", passwordFile(dir), "--idle", "2"});
        const quint16 port = rig.bridge.pjlinkPort();
        std::vector<std::unique_ptr<PjlinkClient>> guessers(5);
        for (auto& g : guessers)
            (g = std::make_unique<PjlinkClient>())->open(port), g->line(), g->send(QByteArray(32, 'b') + "%1POWR ?\r");
        for (auto& g : guessers)
            QCOMPARE(g->line(), QByteArray("PJLINK ERRA"));
        PjlinkClient locked;
        QVERIFY(locked.open(port));
        QCOMPARE(locked.line(), QByteArray("<closed>"));
        QCOMPARE(rig.bridge.pjlink().authenticationFailures(), 5);

        BridgeRig open({"--no-password", "--idle", "2"});
        std::vector<std::unique_ptr<PjlinkClient>> silent(PjlinkServer::kMaxGreetedPerAddress + 1);
        for (auto& s : silent)
            QVERIFY((s = std::make_unique<PjlinkClient>())->open(open.bridge.pjlinkPort()));
        QCOMPARE(silent.back()->line(), QByteArray("<closed>")); // one too many yet to ask
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(lines(*silent.front(), 2, 3000), QByteArray("PJLINK 0 <closed>"));
        QVERIFY2(clock.elapsed() > 1500 && clock.elapsed() < 2500, qPrintable(QString::number(clock.elapsed())));
        PjlinkClient shareHog; // the share closes an idle client too
        QVERIFY(shareHog.open(open.bridge.sharePort()));
        QCOMPARE(shareHog.line(3000), QByteArray("<closed>"));
    }

    // A discovery scan: hundreds of connections opened and closed, most with
    // a reset, nothing sent; a client after it is answered at once.
    void discoveryScan()
    {
        BridgeRig rig({"--no-password"});
        for (int i = 0; i < 360; ++i) {
            if (i < 300) {
                rawConnection(rig.bridge.pjlinkPort(), true);
            } else {
                QTcpSocket s;
                s.connectToHost(QHostAddress::LocalHost, rig.bridge.pjlinkPort());
                s.waitForConnected(1000);
            }
            if (i % 50 == 0)
                QTest::qWait(10);
        }
        QTest::qWait(200);
        PjlinkClient client;
        QVERIFY(client.open(rig.bridge.pjlinkPort()));
        QCOMPARE(client.line(1000), QByteArray("PJLINK 0"));
        QCOMPARE(client.ask("%1POWR ?"), QByteArray("%1POWR=0"));
        QTRY_COMPARE(rig.bridge.pjlink().clients(), 1);
    }

    // A home-automation client: a new connection for every poll, the first
    // ones while the projector is in stand-by.
    void connectionPerPoll()
    {
        BridgeRig rig({"--no-password"});
        QByteArrayList answers;
        for (const QByteArray r : {"%1POWR ?", "%1AVMT ?", "%1INPT ?", "%1LAMP ?", "%1ERST ?", "%1POWR 1", "%1AVMT ?"}) {
            PjlinkClient c;
            QVERIFY(c.open(rig.bridge.pjlinkPort()));
            c.line();
            answers << c.ask(r);
        }
        QCOMPARE(answers,
            (QByteArrayList {
                "%1POWR=0", "%1AVMT=ERR3", "%1INPT=11", "%1LAMP=1234 0", "%1ERST=000000", "%1POWR=OK", "%1AVMT=30"}));
    }

    // An AV-control client: one connection held open, the digest before
    // every request (in capitals, as some write it), CLSS ? first, then a
    // whole poll sent at once.
    void avController()
    {
        QTemporaryDir dir;
        BridgeRig rig({"--password-file", passwordFile(dir)});
        PjlinkClient c;
        QVERIFY(c.open(rig.bridge.pjlinkPort()));
        const QByteArray d = digest(c.line()).toUpper();
        QCOMPARE(c.ask(d + "%1CLSS ?"), QByteArray("%1CLSS=2"));
        const QByteArrayList poll {"%1POWR ?", "%1ERST ?", "%1LAMP ?", "%1AVMT ?", "%1INPT ?", "%2INST ?", "%2FREZ ?", "%2SNUM ?",
            "%2SVER ?", "%2INNM ?11"};
        c.send(d + poll.join('\r' + d) + '\r');
        QCOMPARE(lines(c, int(poll.size())),
            QByteArray("%1POWR=0 %1ERST=000000 %1LAMP=1234 0 %1AVMT=ERR3 %1INPT=11 %2INST=11 12 21 22 23 24 25 26 31 32 51 "
                       "%2FREZ=0 %2SNUM= %2SVER=1.00 %2INNM=INPUT 1 RGB"));
    }

    // Status notifications to a target: the link-up once the bridge serves,
    // then each value when it changes, whoever's request read it, all from
    // the PJLink port.
    void notifications()
    {
        QUdpSocket target;
        QVERIFY(target.bind(QHostAddress::LocalHost, 0));
        BridgeRig rig({"--no-password", "--notify", QStringLiteral("127.0.0.1:%1").arg(target.localPort())});
        Clients c(rig.bridge.pjlinkPort(), 1);
        for (const QByteArray r : {"%1POWR 1", "%1INPT ?", "%1INPT 25", "%1POWR ?", "%1LAMP ?", "%1INPT ?"})
            c[0].ask(r);
        QTest::qWait(100);
        QByteArrayList got;
        while (target.hasPendingDatagrams()) {
            const QNetworkDatagram d = target.receiveDatagram();
            got << d.data();
            QCOMPARE(d.senderPort(), rig.bridge.pjlinkPort());
        }
        QCOMPARE(got,
            (QByteArrayList {
                "%2LKUP=00:00:00:00:00:00\r", "%2POWR=0\r", "%2ERST=000000\r", "%2INPT=11\r", "%2INPT=25\r", "%2POWR=1\r"}));
    }

    // --watch: the status reads go out at once on an idle line, and a
    // client's request asked meanwhile goes ahead of those still waiting.
    void watch()
    {
        BridgeRig rig({"--no-password", "--watch", "1"}, SimComm::quickProjector(), 250);
        Clients c(rig.bridge.pjlinkPort(), 1);
        QCOMPARE(c[0].ask("%1INPT 12"), QByteArray("%1INPT=OK"));
        QTRY_VERIFY(rig.line.lines.size() >= 7);
        QCOMPARE(rig.line.lines.mid(0, 7).join(' '), QByteArray("CR0 C25 CR1 CRA CR3 CR7 CR6"));
    }

    // What has gone is not sent; what waits is not idle; what was sent is
    // answered even to a client that closed its side.
    void abandonedRequests()
    {
        BridgeRig rig({"--no-password", "--idle", "1"});
        rig.line.silent = true;
        Clients c(rig.bridge.pjlinkPort(), 3);
        c[0].send("%1POWR ?\r");
        c[1].send("%1INPT 12\r");
        c[2].send("%1AVMT ?\r");
        QTest::qWait(50);
        c[1].m_socket.abort();
        QCOMPARE(c[0].line(), QByteArray("%1POWR=ERR4"));
        QCOMPARE(c[2].line(), QByteArray("%1AVMT=ERR4"));
        QCOMPARE(rig.line.wire(), QByteArray("CR0 CRA"));
        rig.line.silent = false;
        QTest::qWait(600); // past the late reply's settling
        const int fd = rawConnection(rig.bridge.pjlinkPort(), false, "%1INPT ?\r");
        QCOMPARE(readAll(fd, 3000), QByteArray("PJLINK 0\r%1INPT=11\r"));
    }

    // Replies that come late, in pieces or after an echo are credited to
    // their own request only; each request has its own command's window.
    void lateReplies_data()
    {
        QTest::addColumn<int>("delayMs");
        QTest::addColumn<bool>("echo");
        QTest::addColumn<int>("split");
        QTest::addColumn<QByteArrayList>("answers");
        const QByteArrayList requests {"%1POWR ?", "%1INF2 ?", "%1LAMP ?", "%1INPT ?"};
        QTest::newRow("600 ms late") << 600 << false << 0
                                     << QByteArrayList {"%1POWR=ERR4", "%1INF2=VM70 SIM 1.00", "%1LAMP=ERR4", "%1INPT=ERR4"};
        QTest::newRow("echo") << 0 << true << 0
                              << QByteArrayList {"%1POWR=0", "%1INF2=VM70 SIM 1.00", "%1LAMP=1234 0", "%1INPT=11"};
        QTest::newRow("a byte every 150 ms")
            << 0 << false << 1 << QByteArrayList {"%1POWR=0", "%1INF2=VM70 SIM 1.00", "%1LAMP=ERR4", "%1INPT=11"};
    }
    void lateReplies()
    {
        QFETCH(int, delayMs);
        QFETCH(bool, echo);
        QFETCH(int, split);
        BridgeRig rig({"--no-password"});
        rig.line.delayMs = delayMs;
        rig.line.echo = echo;
        rig.line.split = split;
        rig.line.gapMs = split ? 150 : 0;
        Clients c(rig.bridge.pjlinkPort(), 1);
        QByteArrayList answers;
        for (const QByteArray r : {"%1POWR ?", "%1INF2 ?", "%1LAMP ?", "%1INPT ?"})
            answers << c[0].ask(r);
        QTEST(answers, "answers");
        // An input selection's long window is its own, not the next line's.
        QCOMPARE(c[0].ask("%1INPT 12"), QByteArray("%1INPT=OK"));
        rig.line.silent = true;
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(c[0].ask("%1AVMT ?"), QByteArray("%1AVMT=ERR4"));
        QVERIFY2(clock.elapsed() < 2500, qPrintable(QString::number(clock.elapsed())));
    }

    // Lines that are no PJLink request close; an undefined command is ERR1
    // and the session goes on; the bridge serves on and its memory stays put.
    void badInput()
    {
        BridgeRig rig({"--no-password"});
        for (const QByteArray& bytes : {QByteArray("POWR ?\r"), QByteArray(200, '%') + '\r', QByteArray(300, 'A'),
                 QByteArray("\x00\xff\x1b%1\r", 6), QByteArray("%9POWR ?\r")}) {
            PjlinkClient c;
            QVERIFY(c.open(rig.bridge.pjlinkPort()));
            c.line();
            c.send(bytes);
            QCOMPARE(c.line(), QByteArray("<closed>"));
        }
        Clients c(rig.bridge.pjlinkPort(), 1);
        c[0].send("%1powr ?\r%1POWR?\r%1POWR ?\r");
        QCOMPARE(lines(c[0], 3), QByteArray("%1powr=ERR1 %1POWR=ERR1 %1POWR=0"));
        const qint64 rssBefore = statusKb(QCoreApplication::applicationPid(), "VmRSS:");
        PjlinkClient deaf; // asks and never reads
        QVERIFY(deaf.open(rig.bridge.pjlinkPort()));
        deaf.m_socket.setReadBufferSize(1);
        for (int i = 0; i < 20000; ++i)
            deaf.send("%1INST ?\r");
        QTest::qWait(500);
        QCOMPARE(c[0].ask("%1POWR ?"), QByteArray("%1POWR=0"));
#ifndef RUNO_SANITIZED // AddressSanitizer keeps freed memory in quarantine
        const qint64 grown = statusKb(QCoreApplication::applicationPid(), "VmRSS:") - rssBefore;
        QVERIFY2(grown < 4096, qPrintable(QString::number(grown)));
#endif
    }

    // Many clients at once: each gets its own answers; polls share exchanges;
    // past the queue's bound, ERR3 at once.
    void severalClients()
    {
        BridgeRig rig({"--no-password"});
        rig.line.delayMs = 40;
        Clients c(rig.bridge.pjlinkPort(), 100);
        for (size_t i = 0; i < c.all.size(); ++i) // each read joined only by its own kind
            c[i].send(i % 2 ? "%1INPT ?\r%1POWR ?\r" : "%1POWR ?\r%1INPT ?\r");
        for (size_t i = 0; i < c.all.size(); ++i)
            QCOMPARE(lines(c[i], 2), QByteArray(i % 2 ? "%1INPT=11 %1POWR=0" : "%1POWR=0 %1INPT=11"));
        QCOMPARE(rig.line.wire(), QByteArray("CR0 CR1"));
        QTest::qWait(LineQueue::kFreshMs); // older than the poll cache keeps them
        QCOMPARE(c[0].ask("%1POWR ?"), QByteArray("%1POWR=0"));
        // A read taken while a command waited is not the state after it.
        QTest::qWait(LineQueue::kFreshMs);
        c[0].send("%1POWR ?\r");
        c[1].send("%1POWR 1\r");
        QCOMPARE(c[0].line(), QByteArray("%1POWR=0"));
        QCOMPARE(c[1].line(), QByteArray("%1POWR=OK"));
        QCOMPARE(c[1].ask("%1POWR ?"), QByteArray("%1POWR=1"));
        QCOMPARE(rig.line.wire(), QByteArray("CR0 CR1 CR0 CR0 C00 CR0"));
        for (size_t i = 0; i < 80; ++i)
            c[i].send(i % 2 ? "%1INPT 12\r" : "%1INPT 11\r");
        int busy = 0;
        for (size_t i = 0; i < 80; ++i) {
            const QByteArray a = c[i].line(10000);
            QVERIFY2(a == "%1INPT=OK" || a == "%1INPT=ERR3", a);
            busy += a == "%1INPT=ERR3";
        }
        QVERIFY2(busy >= 10 && busy <= 15, qPrintable(QString::number(busy)));
        QCOMPARE(rig.line.lines.count("C50") + rig.line.lines.count("C25"), 80 - busy);
    }

    // The panel's own network port through the share while PJLink clients
    // poll: each gets its own replies, and the projector only whole lines.
    // The same hold direct and through the share: the same lines, results
    // and log.
    void share()
    {
        QTemporaryDir dir;
        BridgeRig rig({"--no-password", "--log", dir.filePath("bridge.log")});
        Clients pollers(rig.bridge.pjlinkPort(), 10);
        QTcpSocket raw; // a share client with a line too long for the projector
        raw.connectToHost(QHostAddress::LocalHost, rig.bridge.sharePort());
        QVERIFY(raw.waitForConnected(3000));
        raw.write(QByteArray(700, 'X') + "\rCR3\r");
        const QString url = QStringLiteral("socket://127.0.0.1:%1").arg(rig.bridge.sharePort());
        SimProcess direct;
        const QString directPort = direct.start({});
        QProcess hold, read, directHold;
        hold.start(RUNOCTL_PATH, {"--port", url, "--log", dir.filePath("shared.log"), "hold", "VOL", "+", "1100"});
        directHold.start(RUNOCTL_PATH, {"--port", directPort, "--log", dir.filePath("direct.log"), "hold", "VOL", "+", "1100"});
        read.start(RUNOCTL_PATH, {"--port", url, "read", "status"});
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 1500)
            for (auto& c : pollers.all)
                QCOMPARE(c->ask("%1POWR ?"), QByteArray("%1POWR=0"));
        QTRY_VERIFY_WITH_TIMEOUT(hold.state() == QProcess::NotRunning && read.state() == QProcess::NotRunning
                && directHold.state() == QProcess::NotRunning,
            5000);
        QCOMPARE(
            hold.readAllStandardOutput() + directHold.readAllStandardOutput(), QByteArray("ACK ACK ACK ACK ACK\n").repeated(2));
        QCOMPARE(read.readAllStandardOutput(), QByteArray("Stand by\n"));
        QTRY_VERIFY(raw.bytesAvailable() >= 6);
        QCOMPARE(raw.readAll(), QByteArray("01234\r"));
        QCOMPARE(rig.line.lines.count("C09"), 5);
        QCOMPARE(rig.line.lines.count("CR3"), 1);
        for (const QByteArray& l : rig.line.lines)
            QVERIFY2(l == "C09" || l == "CR0" || l == "CR3", l);
        const auto held = [&dir](const char* log) { // the result and sent columns of the C09 lines
            QFile f(dir.filePath(log));
            f.open(QIODevice::ReadOnly);
            QByteArrayList rows;
            for (const QByteArray& l : f.readAll().split('\n'))
                if (l.split('\t').value(3) == "C09")
                    rows << l.split('\t').mid(2, 3).join(' ');
            return rows;
        };
        QCOMPARE(held("direct.log"), QByteArrayList(5, "reply C09 ACK"));
        QCOMPARE(held("shared.log"), held("direct.log"));
        QCOMPARE(held("bridge.log"), held("direct.log"));
    }

    // The Class 2 search: answered once, to the asker alone, with the
    // interface's MAC address.
    void search()
    {
        BridgeRig rig({"--no-password"});
        QUdpSocket udp;
        QVERIFY(udp.bind(QHostAddress::LocalHost, 0));
        for (const char* d : {"%2SRCHX\r", "%2SRCH\r", "%2SRCH\r"})
            udp.writeDatagram(d, QHostAddress::LocalHost, rig.bridge.pjlinkPort());
        QTRY_VERIFY(udp.hasPendingDatagrams());
        QCOMPARE(udp.receiveDatagram().data(), QByteArray("%2ACKN=00:00:00:00:00:00\r"));
        QTest::qWait(100);
        QVERIFY(!udp.hasPendingDatagrams()); // the second within the second is not answered
    }

    // Idle for the time given, or one byte at a time, a connection closes.
    void idleClose()
    {
        BridgeRig rig({"--no-password", "--idle", "1"});
        Clients idle(rig.bridge.pjlinkPort(), 1);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(idle[0].line(3000), QByteArray("<closed>"));
        QVERIFY2(clock.elapsed() > 800 && clock.elapsed() < 1500, qPrintable(QString::number(clock.elapsed())));
        PjlinkClient trickle;
        QVERIFY(trickle.open(rig.bridge.pjlinkPort()));
        QCOMPARE(trickle.line(), QByteArray("PJLINK 0"));
        for (const char ch : QByteArray("%1POWR ?"))
            trickle.send(QByteArray(1, ch)), QTest::qWait(300);
        QCOMPARE(trickle.line(300), QByteArray("<closed>"));
    }

    // The command line, read in process.
    void options_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("error"); // its start; empty: none
        QTest::addColumn<QByteArray>("name");
        const QString none;
        QTest::newRow("no password") << QStringList() << "a PJLink password is needed" << QByteArray();
        QTest::newRow("both") << QStringList {"--no-password", "--password-file", "PASSWORD"} << "a PJLink password is needed"
                              << QByteArray();
        QTest::newRow("speed") << QStringList {"--no-password", "--speed", "4800"} << "--speed takes 19200 or 9600"
                               << QByteArray();
        QTest::newRow("password past 32 bytes")
            << QStringList {"--password-file", "LONG"} << "LONG: the password is longer" << QByteArray();
        QTest::newRow("name with a CR") << QStringList {"--no-password", "--name", "Hall\r%1POWR=1"}
                                        << "--name may not hold a control character" << QByteArray();
        QTest::newRow("model with a LF") << QStringList {"--no-password", "--model", "Fake\n"}
                                         << "--model may not hold a control character" << QByteArray();
        QTest::newRow("name cut between characters")
            << QStringList {"--no-password", "--name", QString(63, 'a') + "Ü"} << none << QByteArray(63, 'a');
        QTest::newRow("notify past the ports") << QStringList {"--no-password", "--notify", "127.0.0.1:65536"}
                                               << "--notify takes HOST[:PORT]" << QByteArray("runo-bridge");
        QTest::newRow("watch 0") << QStringList {"--no-password", "--watch", "0"} << "--watch takes" << QByteArray("runo-bridge");
        QTest::newRow("certificate without its key") << QStringList {"--no-password", "--http", "0", "--tls-cert", "PASSWORD"}
                                                     << "--tls-cert and --tls-key go together" << QByteArray();
        QTest::newRow("not a certificate") << QStringList {"--no-password", "--http", "0", "--tls-cert", "PASSWORD", "--tls-key",
            "PASSWORD"} << "PASSWORD: no PEM certificate"
                                           << QByteArray();
    }
    void options()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, error);
        QTemporaryDir dir;
        args.replaceInStrings("PASSWORD", passwordFile(dir));
        args.replaceInStrings("LONG", passwordFile(dir, QByteArray(33, 'p')));
        error.replace("LONG", dir.filePath("password")).replace("PASSWORD", dir.filePath("password"));
        const runo::BridgeOptions o = runo::parseBridgeOptions(QStringList {"runo-bridge"} + args);
        QVERIFY2(error.isEmpty() ? o.error.isEmpty() : o.error.startsWith(error), qPrintable(o.error));
        if (error.isEmpty())
            QTEST(o.name, "name");
    }

    // The program: what stops its start, with its exit status.
    void startUp_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exit"); // -1: runs
        QTest::addColumn<QByteArray>("err");
        QTest::newRow("usage") << QStringList {"--no-password", "--speed", "4800"} << 2
                               << QByteArray("runo-bridge: --speed takes 19200 or 9600\nTry 'runo-bridge --help'.");
        QTest::newRow("missing port") << QStringList {"--no-password", "--port", "/nonexistent/tty"} << 3
                                      << QByteArray("runo-bridge: /nonexistent/tty: No such file or directory");
        QTest::newRow("password others can read") << QStringList {"--password-file", "PASSWORD"} << -1
                                                  << QByteArray("runo-bridge: warning: PASSWORD can be read by other users");
    }
    void startUp()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, err);
        SimProcess projector;
        QTemporaryDir dir;
        const QString file = passwordFile(dir);
        QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
        args.replaceInStrings("PASSWORD", file);
        err.replace("PASSWORD", file.toLocal8Bit());
        BridgeProcess bridge;
        const bool up = bridge.start(projector.start({}), args);
        QTEST(up ? -1 : bridge.process.exitCode(), "exit");
        QVERIFY2(bridge.log().startsWith(err), bridge.log().constData());
    }

    // A journal nobody reads stops nothing: thousands of connections later,
    // on IPv6, the bridge answers, and what it did write names the address
    // in brackets.
    void unreadJournal()
    {
        QTemporaryDir dir;
        const QByteArray fifo = dir.filePath("stderr").toLocal8Bit();
        QVERIFY(::mkfifo(fifo.constData(), 0600) == 0);
        const int reader = ::open(fifo.constData(), O_RDONLY | O_NONBLOCK);
        SimProcess projector;
        QProcess bridge;
        bridge.setStandardErrorFile(QString::fromLocal8Bit(fifo));
        bridge.start(BRIDGE_PATH, {"--port", projector.start({}), "--no-password", "--pjlink", "[::1]:0"});
        QByteArray journal;
        QVERIFY(QTest::qWaitFor([&] {
            char buf[512];
            const ssize_t n = ::read(reader, buf, sizeof buf);
            journal.append(buf, std::max<ssize_t>(0, n));
            return journal.contains("PJLink on [::1]:") && journal.endsWith('\n');
        }));
        const quint16 port = quint16(journal.mid(journal.indexOf("]:") + 2).trimmed().toUInt());
        for (int i = 0; i < 4000; ++i) {
            QTcpSocket s;
            s.connectToHost(QHostAddress::LocalHostIPv6, port);
            s.waitForConnected(1000);
            s.write("%1POWR ?\r"); // and goes without its answer
            s.waitForBytesWritten(1000);
        }
        // Those it closed last may still count among the connections yet to ask.
        QByteArray answered;
        QVERIFY(QTest::qWaitFor(
            [&] {
                QTcpSocket client;
                client.connectToHost(QHostAddress::LocalHostIPv6, port);
                client.waitForConnected(1000);
                client.write("%1CLSS ?\r");
                (void)QTest::qWaitFor([&] { return client.waitForReadyRead(10), client.bytesAvailable() >= 18; }, 1000);
                answered = client.readAll();
                return answered == "PJLINK 0\r%1CLSS=2\r";
            },
            10000));
        char buf[4096];
        journal.append(buf, std::max<ssize_t>(0, ::read(reader, buf, sizeof buf)));
        QVERIFY2(journal.contains("runo-bridge: [::1]: connected\n"), journal.constData());
        ::close(reader);
        bridge.terminate();
        bridge.waitForFinished(3000);
    }
};

QTEST_GUILESS_MAIN(TstBridge)
#include "tst_bridge.moc"
