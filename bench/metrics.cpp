// SPDX-License-Identifier: MIT
// runo-bridge as a Prometheus target, on projector-sim with --watch 1: the
// exposition rendered in process, one scrape of /metrics over HTTP with
// fresh state and its size, and a hundred scrapes a second: the line's
// exchanges and the bridge's CPU beside the same bridge unscraped.
#include "bench.h"

#include "bridge/bridge.h"
#include "bridge/metrics/metrics.h"
#include "bridgeprocess.h"
#include "link/serialcomm.h"
#include "simprocess.h"

#include <QRegularExpression>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <cstdio>
#include <thread>

namespace bench {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kRenders = 1000;
constexpr int kScrapes = 300;
constexpr int kScrapesPerSecond = 100;
constexpr double kScrapeGoalUs = 2000;
constexpr int kWatchRoundMs = 1500; // one --watch 1 round read and answered
constexpr int kHttpWaitMs = 3000;
constexpr const char* kPassword = "bench-metrics";
// What --watch 1 reads each second: CR0, CR1, CRA, CR3, CR7, CR6.
constexpr double kWatchExchangesPerSecond = 6;

// GET /metrics on one kept-alive connection, with basic authentication.
class Scraper {
public:
    bool open(quint16 port)
    {
        m_socket.connectToHost(QHostAddress::LocalHost, port);
        return m_socket.waitForConnected(kHttpWaitMs);
    }
    // The body of one 200 answer; nothing for any other.
    std::optional<QByteArray> scrape()
    {
        static const QByteArray request = "GET /metrics HTTP/1.1\r\nHost: 127.0.0.1\r\nAuthorization: Basic "
            + QByteArray("prometheus:").append(kPassword).toBase64() + "\r\n\r\n";
        m_socket.write(request);
        qsizetype head = -1;
        while ((head = m_buffer.indexOf("\r\n\r\n")) < 0)
            if (!readMore())
                return std::nullopt;
        static const QRegularExpression length(QStringLiteral("(?i)\r\ncontent-length: *(\\d+)"));
        const auto m = length.match(QString::fromLatin1(m_buffer.first(head)));
        const bool ok = m_buffer.startsWith("HTTP/1.1 200") && m.hasMatch();
        const qsizetype end = head + 4 + (ok ? m.captured(1).toLongLong() : 0);
        while (ok && m_buffer.size() < end)
            if (!readMore())
                return std::nullopt;
        const QByteArray body = m_buffer.sliced(head + 4, end - head - 4);
        m_buffer.remove(0, end);
        return ok ? std::optional<QByteArray>(body) : std::nullopt;
    }

private:
    bool readMore()
    {
        if (!m_socket.waitForReadyRead(kHttpWaitMs))
            return false;
        m_buffer += m_socket.readAll();
        return true;
    }
    QTcpSocket m_socket;
    QByteArray m_buffer;
};

// A bridge process on a simulator (which reports each line), --watch 1 and
// --http on a free port behind kPassword.
struct WatchedBridge {
    SimProcess sim;
    BridgeProcess bridge;
    QTemporaryDir dir;
    quint16 http = 0;

    bool start()
    {
        QFile password(dir.filePath(QStringLiteral("password")));
        if (!password.open(QIODevice::WriteOnly) || password.write(kPassword) < 0)
            return false;
        password.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        password.close();
        const QString line = sim.start({});
        if (line.isEmpty()
            || !bridge.start(line, {"--password-file", password.fileName(), "--http", "127.0.0.1:0", "--watch", "1"}))
            return false;
        static const QRegularExpression at(QStringLiteral("web on http://[^ ]+:(\\d+)"));
        http = quint16(at.match(QString::fromLatin1(bridge.log())).captured(1).toUInt());
        return http != 0;
    }
};

// exposition() of a bridge in this process whose state has every value.
std::optional<Samples> renderInProcess(qsizetype* bytes)
{
    SimProcess sim;
    runo::SerialComm port;
    port.setDevice(sim.start({QStringLiteral("--quiet")}));
    const runo::BridgeOptions options = runo::parseBridgeOptions({"runo-bridge", "--no-password", "--pjlink", "127.0.0.1:0"});
    runo::Bridge bridge(port, options);
    runo::Metrics metrics(bridge);
    QString error;
    if (!bridge.start(&error))
        return std::nullopt;
    int answered = 0;
    const QByteArrayList reads {"CR0", "CR1", "CRA", "CR3", "CR7", "CR6", "CR9"};
    for (const QByteArray& line : reads)
        bridge.queue().ask(line, &bridge, [&answered](const runo::Exchange&) { ++answered; });
    if (!QTest::qWaitFor([&] { return answered == reads.size(); }, 10000))
        return std::nullopt;
    Samples samples;
    for (int i = 0; i < kRenders; ++i) {
        const auto start = Clock::now();
        *bytes = metrics.exposition().size();
        samples.add(micros(Clock::now() - start));
    }
    bridge.end();
    return samples;
}

struct Load {
    double exchangesPerSecond = 0;
    double cpuPercent = 0;
    int scrapes = 0; // answered
};

// For `seconds`, `perSecond` scrapes a second (0: none): the line's
// exchanges and the bridge's CPU.
Load underLoad(WatchedBridge& room, Scraper& scraper, int seconds, int perSecond)
{
    const qint64 pid = room.bridge.process.processId();
    const Usage before = usage(pid);
    const int linesBefore = room.sim.received();
    const auto start = Clock::now();
    const auto end = start + std::chrono::seconds(seconds);
    Load load;
    if (perSecond == 0) {
        QTest::qWait(seconds * 1000);
    } else {
        const auto step = std::chrono::microseconds(1'000'000 / perSecond);
        for (auto next = start; next < end; next += step) {
            std::this_thread::sleep_until(next);
            load.scrapes += scraper.scrape().has_value();
        }
    }
    const double elapsed = micros(Clock::now() - start) / 1e6;
    load.exchangesPerSecond = (room.sim.received() - linesBefore) / elapsed;
    load.cpuPercent = (usage(pid).cpuSeconds - before.cpuSeconds) / elapsed * 100;
    return load;
}

} // namespace

void measureMetrics(const Options& o, Table& table)
{
    std::fprintf(stderr, "  runo-bridge: /metrics, one scrape and %d a second for %d s\n", kScrapesPerSecond, o.roomSeconds);
    qsizetype bytes = 0;
    if (const auto rendered = renderInProcess(&bytes))
        table.add({QStringLiteral("The exposition rendered in process, every value known (%1): median; its size").arg(kRenders),
            QStringLiteral("%1; %2 bytes").arg(duration(rendered->median())).arg(bytes), QString(), std::nullopt});
    WatchedBridge room;
    Scraper scraper;
    if (!room.start() || !scraper.open(room.http)) {
        table.note(QStringLiteral("runo-bridge with --http did not start; no scrape figures."));
        return;
    }
    QTest::qWait(kWatchRoundMs);
    Samples scrapes;
    qsizetype size = 0;
    for (int i = 0; i < kScrapes; ++i) {
        const auto start = Clock::now();
        if (const auto body = scraper.scrape()) {
            scrapes.add(micros(Clock::now() - start));
            size = body->size();
        }
    }
    table.add({QStringLiteral("GET /metrics over HTTP with basic authentication, state fresh from --watch 1 (%1): median; "
                              "p99; the body's size")
                   .arg(scrapes.size()),
        QStringLiteral("%1; %2; %3 bytes").arg(duration(scrapes.median()), duration(scrapes.percentile(99))).arg(size),
        QStringLiteral("< 2 ms"), scrapes.empty() ? std::optional<bool>() : scrapes.median() < kScrapeGoalUs});
    const Load idle = underLoad(room, scraper, o.roomSeconds, 0);
    const Load busy = underLoad(room, scraper, o.roomSeconds, kScrapesPerSecond);
    table.add({QStringLiteral("%1 scrapes a second for %2 s (%3 answered): line exchanges per second; the bridge's CPU; "
                              "the same unscraped")
                   .arg(kScrapesPerSecond)
                   .arg(o.roomSeconds)
                   .arg(busy.scrapes),
        QStringLiteral("%1/s; %2 % of a core; %3/s; %4 %")
            .arg(busy.exchangesPerSecond, 0, 'f', 1)
            .arg(busy.cpuPercent, 0, 'f', 1)
            .arg(idle.exchangesPerSecond, 0, 'f', 1)
            .arg(idle.cpuPercent, 0, 'f', 1),
        QStringLiteral("no more exchanges than --watch's 6/s"),
        busy.scrapes > 0 ? std::optional<bool>(busy.exchangesPerSecond <= kWatchExchangesPerSecond + 0.5) : std::nullopt});
}

} // namespace bench
