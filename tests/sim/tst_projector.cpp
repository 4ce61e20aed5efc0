// SPDX-License-Identifier: MIT
#include "projector.h"
#include "simprocess.h"

#include <QElapsedTimer>
#include <QFile>
#include <QtTest>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

const QByteArray Ack(1, Projector::Ack);

// Brings a fresh projector into the named power state; returns the time at
// which it is in that state.
qint64 enterState(Projector& p, const QString& state)
{
    if (state == "standby")
        return 0;
    p.handleLine("C00", 0);
    if (state == "countdown")
        return 1000;
    if (state == "on")
        return 6000;
    p.handleLine("C01", 6000); // cooling
    return 7000;
}

// Each step is "<ms> <line>"; returns the reply to the last step.
QByteArray runScript(Projector& p, const QByteArrayList& steps)
{
    QByteArray reply;
    for (const QByteArray& step : steps) {
        const qsizetype space = step.indexOf(' ');
        reply = p.handleLine(step.mid(space + 1), step.left(space).toLongLong());
    }
    return reply;
}

// A running projector-sim with the client side of its line open.
struct Sim : SimProcess {
    int fd = -1;

    ~Sim()
    {
        if (fd >= 0)
            ::close(fd);
    }

    bool openPath(const QByteArray& path)
    {
        if (fd >= 0)
            ::close(fd);
        fd = ::open(path.constData(), O_RDWR | O_NOCTTY);
        if (fd < 0)
            return false;
        termios tio {};
        tcgetattr(fd, &tio);
        cfmakeraw(&tio);
        cfsetspeed(&tio, B19200);
        return tcsetattr(fd, TCSANOW, &tio) == 0;
    }

    bool start(const QStringList& args)
    {
        const QString path = SimProcess::start(args);
        return !path.isEmpty() && openPath(QFile::encodeName(path));
    }

    bool send(const QByteArray& bytes) { return ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size(); }

    // Reads until `want` bytes have come (then waits `settleMs` for
    // stragglers) or `timeoutMs` has passed. Counts the reads it took.
    QByteArray receive(qsizetype want, int timeoutMs, int* reads = nullptr, int settleMs = 150)
    {
        QByteArray got;
        int count = 0;
        QElapsedTimer t;
        t.start();
        qint64 deadline = timeoutMs;
        while (t.elapsed() < deadline) {
            pollfd pfd {fd, POLLIN, 0};
            if (::poll(&pfd, 1, int(deadline - t.elapsed())) <= 0 || !(pfd.revents & POLLIN))
                break;
            char buf[256];
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n <= 0)
                break;
            got.append(buf, n);
            ++count;
            if (want > 0 && got.size() >= want)
                deadline = std::min<qint64>(deadline, t.elapsed() + settleMs);
        }
        if (reads)
            *reads = count;
        return got;
    }
};

} // namespace

class TstProjector : public QObject {
    Q_OBJECT
private slots:
    void reads_data();
    void reads();
    void lines_data();
    void lines();
    void powerSequence();
    void stateChanges_data();
    void stateChanges();
    void temperatureColumns_data();
    void temperatureColumns();
    void simulator_data();
    void simulator();
    void noise_data();
    void noise();
    void closeAndReopen();
};

void TstProjector::reads_data()
{
    QTest::addColumn<QString>("state");
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QByteArray>("reply");

    const struct {
        const char* state;
        const char* cr0;
        const char* cr6;
        const char* cr7;
        const char* cra;
    } states[] = {
        {"standby", "80", "025.0  25.0  25.0   25.0", "00", "FF"},
        {"countdown", "40", "026.5  38.5  31.0   45.5", "01", "FF"},
        {"on", "00", "026.5  38.5  31.0   45.5", "01", "00"},
        {"cooling", "20", "025.5  33.0  29.0   38.0", "00", "FF"},
    };
    for (const auto& s : states) {
        auto row = [&](const char* line, const QByteArray& reply) {
            QTest::addRow("%s %s", line, s.state) << QString(s.state) << QByteArray(line) << reply + '\r';
        };
        row("CR0", s.cr0);
        row("CR1", "1");
        row("CR3", "01234");
        row("CR4", "11");
        row("CR6", s.cr6);
        row("CR7", s.cr7);
        row("CR9", "VM70 SIM 1.00");
        row("CRA", s.cra);
        row("CR PRESSURE", "512");
        row("CR ALLPFAIL", "00");
    }
}

void TstProjector::reads()
{
    QFETCH(QString, state);
    QFETCH(QByteArray, line);
    QFETCH(QByteArray, reply);
    Projector p;
    const qint64 now = enterState(p, state);
    QCOMPARE(p.handleLine(line, now), reply);
}

void TstProjector::lines_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QByteArray>("reply");

    for (const char* op :
        {"C00", "C01", "C1E", "C3F", "C8F", "CFF", "CF IMAGE REAL", "CF IMAGE CUSTOM1", "CF FANSPEED MAX", "CF FANSPEED NOR"})
        QTest::newRow(op) << QByteArray(op) << Ack;

    const QByteArray none;
    QTest::newRow("cr0 lower case") << QByteArray("cr0") << none;
    QTest::newRow("c00 lower case") << QByteArray("c00") << none;
    QTest::newRow("C0a lower-case hex") << QByteArray("C0a") << none;
    QTest::newRow("C0G") << QByteArray("C0G") << none;
    QTest::newRow("C000") << QByteArray("C000") << none;
    QTest::newRow("C0") << QByteArray("C0") << none;
    QTest::newRow("CR2") << QByteArray("CR2") << none;
    QTest::newRow("CR") << QByteArray("CR") << none;
    QTest::newRow("CR0 trailing blank") << QByteArray("CR0 ") << none;
    QTest::newRow("CR0 leading blank") << QByteArray(" CR0") << none;
    QTest::newRow("CR pressure") << QByteArray("CR pressure") << none;
    QTest::newRow("CF IMAGE no value") << QByteArray("CF IMAGE") << none;
    QTest::newRow("CF IMAGE double blank") << QByteArray("CF IMAGE  REAL") << none;
    QTest::newRow("CF image real") << QByteArray("CF image real") << none;
    QTest::newRow("CF three words") << QByteArray("CF IMAGE REAL X") << none;
    QTest::newRow("empty") << QByteArray() << none;
    QTest::newRow("ACK byte") << Ack << none;
    QTest::newRow("C00 with NUL") << QByteArray("C00\0", 4) << none;
}

void TstProjector::lines()
{
    QFETCH(QByteArray, line);
    QFETCH(QByteArray, reply);
    Projector p;
    QCOMPARE(p.handleLine(line, 0), reply);
}

void TstProjector::powerSequence()
{
    Projector p;
    QCOMPARE(p.handleLine("C00", 0), Ack);
    QCOMPARE(p.handleLine("CR0", 1000), QByteArray("40\r"));
    QCOMPARE(p.handleLine("CR0", 4999), QByteArray("40\r"));
    QCOMPARE(p.handleLine("CR0", 5000), QByteArray("00\r"));
    QCOMPARE(p.handleLine("CR0", 6000), QByteArray("00\r"));
    QCOMPARE(p.handleLine("C01", 6000), Ack);
    QCOMPARE(p.handleLine("CR0", 7000), QByteArray("20\r"));
    QCOMPARE(p.handleLine("CR0", 10999), QByteArray("20\r"));
    QCOMPARE(p.handleLine("CR0", 11000), QByteArray("80\r"));

    // Configured durations; one late query sees both transitions at once.
    Projector quick(Projector::Config {100, 200, 7});
    quick.handleLine("C00", 0);
    QCOMPARE(quick.handleLine("CR0", 100), QByteArray("00\r"));
    quick.handleLine("C01", 150);
    QCOMPARE(quick.handleLine("CR0", 349), QByteArray("20\r"));
    QCOMPARE(quick.handleLine("CR3", 350), QByteArray("00007\r"));
    QCOMPARE(quick.power(350), Projector::Power::Standby);
}

void TstProjector::stateChanges_data()
{
    QTest::addColumn<QByteArrayList>("steps");
    QTest::addColumn<QByteArray>("reply");

    QTest::newRow("C0B audio mute") << QByteArrayList {"0 C00", "6000 C0B", "6000 CRA"} << QByteArray("02\r");
    QTest::newRow("C0D video mute") << QByteArrayList {"0 C00", "6000 C0D", "6000 CRA"} << QByteArray("01\r");
    QTest::newRow("C0B C0D both") << QByteArrayList {"0 C00", "6000 C0D", "6000 C0B", "6000 CRA"} << QByteArray("03\r");
    QTest::newRow("C0C unmute audio") << QByteArrayList {"0 C00", "6000 C0B", "6000 C0D", "6000 C0C", "6000 CRA"}
                                      << QByteArray("01\r");
    QTest::newRow("C0E unmute video") << QByteArrayList {"0 C00", "6000 C0B", "6000 C0D", "6000 C0E", "6000 CRA"}
                                      << QByteArray("02\r");
    QTest::newRow("C0B in stand-by ignored") << QByteArrayList {"0 C0B", "0 C00", "6000 CRA"} << QByteArray("00\r");
    QTest::newRow("C01 clears mutes") << QByteArrayList {"0 C00", "6000 C0B", "6000 C0D", "6000 C01", "11000 C00", "16000 CRA"}
                                      << QByteArray("00\r");
    QTest::newRow("C06 input 2") << QByteArrayList {"0 C06", "0 CR1"} << QByteArray("2\r");
    QTest::newRow("C07 input 3") << QByteArrayList {"0 C07", "0 CR1"} << QByteArray("3\r");
    QTest::newRow("C08 input 4") << QByteArrayList {"0 C08", "0 CR1"} << QByteArray("4\r");
    QTest::newRow("C05 input 1") << QByteArrayList {"0 C08", "0 C05", "0 CR1"} << QByteArray("1\r");
    QTest::newRow("C52 input 1") << QByteArrayList {"0 C08", "0 C52", "0 CR1"} << QByteArray("1\r");
    QTest::newRow("C24 input 2") << QByteArrayList {"0 C24", "0 CR1"} << QByteArray("2\r");
    QTest::newRow("C33 input 3") << QByteArrayList {"0 C33", "0 CR1"} << QByteArray("3\r");
    QTest::newRow("C3F leaves input") << QByteArrayList {"0 C07", "0 C3F", "0 CR1"} << QByteArray("3\r");
    QTest::newRow("C00 while cooling ignored")
        << QByteArrayList {"0 C00", "6000 C01", "7000 C00", "11000 CR0"} << QByteArray("80\r");
    QTest::newRow("C00 while on stays on") << QByteArrayList {"0 C00", "6000 C00", "6500 CR0"} << QByteArray("00\r");
    QTest::newRow("C01 during count-down") << QByteArrayList {"0 C00", "1000 C01", "1500 CR0"} << QByteArray("20\r");
    QTest::newRow("C01 in stand-by") << QByteArrayList {"0 C01", "100 CR0"} << QByteArray("80\r");
    QTest::newRow("CR3 after an hour lit") << QByteArrayList {"0 C00", "3600000 CR3"} << QByteArray("01235\r");
    QTest::newRow("CR3 stops counting when off")
        << QByteArrayList {"0 C00", "3600000 C01", "90000000 CR3"} << QByteArray("01235\r");
    QTest::newRow("CR3 clock stepping back") << QByteArrayList {"0 C00", "7200000 CR3", "100 CR3"} << QByteArray("01236\r");
    QTest::newRow("CR0 clock stepping back") << QByteArrayList {"0 C00", "6000 CR0", "100 CR0"} << QByteArray("00\r");
}

void TstProjector::stateChanges()
{
    QFETCH(QByteArrayList, steps);
    QFETCH(QByteArray, reply);
    Projector p;
    QCOMPARE(runScript(p, steps), reply);
}

// The panel shows reply characters 1-5, 8-11, 14-17 and 21-24 of the
// temperature reply: each of those must hold one whole reading, the rest
// must be blank, whatever the values.
void TstProjector::temperatureColumns_data()
{
    QTest::addColumn<QByteArray>("reply");
    for (const char* state : {"standby", "countdown", "on", "cooling"}) {
        Projector p;
        QTest::addRow("CR6 %s", state) << p.handleLine("CR6", enterState(p, state)).chopped(1);
    }
    const int extreme[4] = {-1500, 12345, -999, 1000};
    QTest::newRow("CR6 out of range") << Projector::temperatureReply(extreme);
    const int small[4] = {-5, 5, 0, -99};
    QTest::newRow("CR6 near zero") << Projector::temperatureReply(small);
}

void TstProjector::temperatureColumns()
{
    QFETCH(QByteArray, reply);
    QCOMPARE(reply.size(), 24);
    const struct {
        int from, to;
    } fields[] = {{1, 5}, {8, 11}, {14, 17}, {21, 24}};
    int prevEnd = 0;
    for (const auto& f : fields) {
        QVERIFY2(reply.mid(prevEnd, f.from - 1 - prevEnd).trimmed().isEmpty(), reply);
        const QByteArray field = reply.mid(f.from - 1, f.to - f.from + 1);
        bool ok = false;
        field.toDouble(&ok);
        QVERIFY2(ok && !field.contains(' '), field);
        prevEnd = f.to;
    }
}

void TstProjector::simulator_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<int>("minReads");
    QTest::addColumn<int>("minMs");

    QTest::newRow("CR0") << QStringList {} << QByteArray("CR0\r") << QByteArray("80\r") << 1 << 0;
    QTest::newRow("C00") << QStringList {} << QByteArray("C00\r") << Ack << 1 << 0;
    QTest::newRow("CR0 CR1 in one write") << QStringList {} << QByteArray("CR0\rCR1\r") << QByteArray("80\r1\r") << 1 << 0;
    QTest::newRow("CR0 after LF") << QStringList {} << QByteArray("\nCR0\r\n") << QByteArray("80\r") << 1 << 0;
    QTest::newRow("cr0 unanswered") << QStringList {} << QByteArray("cr0\r") << QByteArray() << 0 << 0;
    QTest::newRow("CR9 --split") << QStringList {"--split", "5", "--gap", "150"} << QByteArray("CR9\r")
                                 << QByteArray("VM70 SIM 1.00\r") << 2 << 0;
    QTest::newRow("CR0 --delay") << QStringList {"--delay", "300"} << QByteArray("CR0\r") << QByteArray("80\r") << 1 << 250;
    QTest::newRow("CR1 --echo") << QStringList {"--echo"} << QByteArray("CR1\r") << QByteArray("CR1\r1\r") << 1 << 0;
    QTest::newRow("C05 --echo") << QStringList {"--echo"} << QByteArray("C05\r") << QByteArray("C05\r") + Ack << 1 << 0;
    QTest::newRow("CR0 --silent") << QStringList {"--silent", "--echo"} << QByteArray("CR0\r") << QByteArray() << 0 << 0;
}

void TstProjector::simulator()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, sent);
    QFETCH(QByteArray, expected);
    QFETCH(int, minReads);
    QFETCH(int, minMs);

    Sim sim;
    QVERIFY(sim.start(args));
    QElapsedTimer t;
    t.start();
    QVERIFY(sim.send(sent));
    int reads = 0;
    QCOMPARE(sim.receive(expected.size(), expected.isEmpty() ? 600 : 5000, &reads), expected);
    QVERIFY2(reads >= minReads, qPrintable(QString::number(reads)));
    QVERIFY(t.elapsed() >= minMs);

    // Every command line is reported on stdout, in order, after the path.
    QByteArrayList rx;
    for (QByteArray line : sent.replace('\n', "").split('\r'))
        if (!line.isEmpty())
            rx << "RX " + line;
    for (const QByteArray& want : rx)
        QCOMPARE(sim.nextLine(), want);
    QVERIFY(sim.stop());
}

void TstProjector::noise_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<int>("minBytes");

    QTest::newRow("CR0 --garbage") << QStringList {"--garbage"} << QByteArray("CR0\r") << 1;
    QTest::newRow("--flood unasked") << QStringList {"--flood", "2000"} << QByteArray() << 100;
}

void TstProjector::noise()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, sent);
    QFETCH(int, minBytes);

    Sim sim;
    QVERIFY(sim.start(args));
    QVERIFY(sim.send(sent));
    const QByteArray got = sim.receive(0, 600);
    QVERIFY2(got.size() >= minBytes, qPrintable(QString::number(got.size())));
    QVERIFY(sim.stop());
}

void TstProjector::closeAndReopen()
{
    Sim sim;
    QVERIFY(sim.start({"--close-after", "2", "--reopen-after", "100"}));
    QVERIFY(sim.send("CR0\rC00\r"));
    QCOMPARE(sim.receive(4, 5000), QByteArray("80\r") + Ack);
    QCOMPARE(sim.nextLine(), QByteArray("RX CR0"));
    QCOMPARE(sim.nextLine(), QByteArray("RX C00"));
    QCOMPARE(sim.nextLine(), QByteArray("CLOSED"));

    // The old line is gone: reading it ends instead of blocking.
    pollfd pfd {sim.fd, POLLIN, 0};
    QCOMPARE(::poll(&pfd, 1, 2000), 1);
    char c;
    QVERIFY(::read(sim.fd, &c, 1) <= 0);

    // A new line with the same projector behind it (still counting down).
    const QByteArray path = sim.nextLine();
    QVERIFY2(path.startsWith('/'), path);
    QVERIFY(sim.openPath(path));
    QVERIFY(sim.send("CR0\r"));
    QCOMPARE(sim.receive(3, 5000), QByteArray("40\r"));
    QCOMPARE(sim.nextLine(), QByteArray("RX CR0"));
    QVERIFY(sim.stop());
}

QTEST_GUILESS_MAIN(TstProjector)
#include "tst_projector.moc"
