// SPDX-License-Identifier: MIT
// runo-bridge against projector-sim: a fresh POWR ? from a PJLink client to
// its answer, beside the same exchange written by hand on a simulator's line
// and made by the panel in process; and a room of PJLink clients polling.
#include "bench.h"

#include "bridge/panellink.h"
#include "bridgeprocess.h"
#include "link/serialcomm.h"
#include "pjlinkclient.h"
#include "simprocess.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTcpSocket>
#include <QTimer>

#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace bench {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kBridges = 4; // taken in turn, so each one's one-second poll cache has run out
constexpr int kBridgeCacheMs = 1000;
constexpr double kBridgeShareGoalUs = 1000;
constexpr double kBridgeDirectGoalRatio = 1.2;
constexpr int kBridgePollers = 100;
constexpr int kBridgePollMs = 1000;
constexpr double kBridgeLineBytesPerSecond = 19200 / 10.0; // 8N1: ten bits a byte
constexpr int kBridgeBytesPerExchange = 4 + 6; // "CR0\r" out, at most "01234\r" back
constexpr qint64 kBridgeRssGoalKb = 1024;

// A simulator and runo-bridge on its line.
struct SimBridge {
    SimProcess sim;
    BridgeProcess bridge;

    // quiet: the simulator does not print the lines it receives.
    bool start(bool quiet = true)
    {
        const QString path = sim.start(quiet ? QStringList {QStringLiteral("--quiet")} : QStringList());
        return !path.isEmpty() && bridge.start(path, {"--no-password"});
    }
};

// POWR ? from a client, to the CR of its answer.
std::optional<double> timeBridgeRequest(PjlinkClient& client)
{
    const auto start = Clock::now();
    return client.ask("%1POWR ?").startsWith("%1POWR=") ? std::optional<double>(micros(Clock::now() - start)) : std::nullopt;
}

// "CR0\r" written by hand on a simulator's line, to the CR of its reply.
std::optional<double> exchangeByHand(int fd)
{
    const auto start = Clock::now();
    if (::write(fd, "CR0\r", 4) != 4)
        return std::nullopt;
    char buf[16];
    for (;;) {
        pollfd p {fd, POLLIN, 0};
        if (::poll(&p, 1, 3000) != 1)
            return std::nullopt;
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0)
            return std::nullopt;
        if (std::memchr(buf, '\r', size_t(n)))
            return micros(Clock::now() - start);
    }
}

// The panel's own exchange of READ STATUS, in this process, to the CR of
// its reply: what the bridge builds on, without the network and the queue.
std::optional<double> exchangeByPanel(runo::PanelLink& link)
{
    QEventLoop loop;
    bool replied = false;
    const auto c = QObject::connect(&link, &runo::PanelLink::finished, &loop, [&](const runo::Exchange& e) {
        replied = e.replied();
        loop.quit();
    });
    const auto start = Clock::now();
    link.exchange("CR0");
    if (link.isBusy())
        loop.exec();
    QObject::disconnect(c);
    return replied ? std::optional<double>(micros(Clock::now() - start)) : std::nullopt;
}

int openLineByHand(const QString& path)
{
    const int fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    if (fd < 0)
        return -1;
    termios t {};
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    cfsetspeed(&t, B19200);
    tcsetattr(fd, TCSANOW, &t);
    return fd;
}

// A PJLink client that asks four queries at each tick and times the answers.
struct Poller {
    QTcpSocket socket;
    QByteArray buffer;
    Clock::time_point asked;
    int waiting = 0; // answers still due to the last tick's queries
    bool ready = false; // its first request answered
};

// kBridgePollers clients connecting to the bridge's PJLink port; each answer
// to a query still due adds its time since the tick to `latency`.
std::vector<std::unique_ptr<Poller>> connectPollers(quint16 port, Samples& latency)
{
    std::vector<std::unique_ptr<Poller>> pollers;
    for (int i = 0; i < kBridgePollers; ++i) {
        auto p = std::make_unique<Poller>();
        Poller* raw = p.get();
        QObject::connect(&p->socket, &QTcpSocket::readyRead, [raw, &latency] {
            raw->buffer += raw->socket.readAll();
            for (qsizetype cr; (cr = raw->buffer.indexOf('\r')) >= 0; raw->buffer.remove(0, cr + 1)) {
                raw->ready = raw->ready || raw->buffer.startsWith("%1CLSS=");
                if (raw->buffer.startsWith("%1") && !raw->buffer.startsWith("%1CLSS=") && raw->waiting > 0) {
                    latency.add(micros(Clock::now() - raw->asked));
                    --raw->waiting;
                }
            }
        });
        p->socket.connectToHost(QHostAddress::LocalHost, port);
        // One at a time, each past its first request: the bridge lets one
        // address hold only a few connections yet to ask.
        p->socket.write("%1CLSS ?\r");
        (void)QTest::qWaitFor([raw] { return raw->ready; }, kBridgePollMs);
        pollers.push_back(std::move(p));
    }
    return pollers;
}

} // namespace

void measureBridge(const Options& o, Table& table)
{
    std::fprintf(stderr, "  runo-bridge: POWR ? against the line by hand and the panel\n");
    std::vector<std::unique_ptr<SimBridge>> bridges;
    std::vector<std::unique_ptr<PjlinkClient>> clients;
    for (int i = 0; i < kBridges; ++i) {
        bridges.push_back(std::make_unique<SimBridge>());
        clients.push_back(std::make_unique<PjlinkClient>());
        if (!bridges.back()->start() || !clients.back()->open(bridges.back()->bridge.pjlink)
            || !clients.back()->line().startsWith("PJLINK")) {
            table.note(QStringLiteral("runo-bridge did not start; no bridge figures."));
            return;
        }
    }
    SimProcess direct, panelSim;
    const int fd = openLineByHand(direct.start({QStringLiteral("--quiet")}));
    runo::SerialComm port;
    port.setDevice(panelSim.start({QStringLiteral("--quiet")}));
    runo::PanelLink link(port, 19200);
    QString error;
    const bool linkOpen = link.open(&error);
    Samples bridged, byHand, byPanel;
    QElapsedTimer sinceRound;
    for (int i = 0; i < o.scriptRuns; ++i) {
        const size_t b = size_t(i % kBridges);
        if (b == 0) { // every bridge's last POWR ? is older than its cache
            QTest::qWait(std::max(0, kBridgeCacheMs + 20 - int(sinceRound.isValid() ? sinceRound.elapsed() : kBridgeCacheMs)));
            sinceRound.start();
        }
        if (const auto us = timeBridgeRequest(*clients[b]))
            bridged.add(*us);
        if (const auto us = fd >= 0 ? exchangeByHand(fd) : std::nullopt)
            byHand.add(*us);
        if (const auto us = linkOpen ? exchangeByPanel(link) : std::nullopt)
            byPanel.add(*us);
    }
    if (fd >= 0)
        ::close(fd);
    const double share = bridged.median() - byPanel.median();
    const double ratio = bridged.median() / byPanel.median();
    table.add({QStringLiteral("POWR ? through runo-bridge, a fresh read (%1): median; the panel's own READ STATUS exchange in "
                              "process; the bridge's own share")
                   .arg(bridged.size()),
        QStringLiteral("%1; %2; %3 (%4×)")
            .arg(duration(bridged.median()), duration(byPanel.median()), duration(share))
            .arg(ratio, 0, 'f', 2),
        QStringLiteral("share < 1 ms and < 1.2× direct"),
        bridged.empty() || byPanel.empty() ? std::optional<bool>()
                                           : share < kBridgeShareGoalUs && ratio < kBridgeDirectGoalRatio});
    table.add({QStringLiteral("Beside it: CR0 written and its reply read by hand on a line (median)"), duration(byHand.median()),
        QString(), std::nullopt});
    measureBridgeRoom(o.roomSeconds, table);
}

void measureBridgeRoom(int seconds, Table& table)
{
    std::fprintf(stderr, "  runo-bridge: %d PJLink clients polling for %d s\n", kBridgePollers, seconds);
    SimBridge room;
    if (!room.start(false)) {
        table.note(QStringLiteral("runo-bridge did not start; no polling figures."));
        return;
    }
    Samples latency;
    int missing = 0;
    const std::vector<std::unique_ptr<Poller>> pollers = connectPollers(room.bridge.pjlink, latency);
    QTimer tick;
    qint64 rssStart = 0;
    int ticks = 0;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        for (auto& p : pollers) {
            missing += p->waiting;
            p->waiting = 4;
            p->asked = Clock::now();
            p->socket.write("%1POWR ?\r%1INPT ?\r%1AVMT ?\r%1LAMP ?\r");
        }
        if (++ticks == 2)
            rssStart = room.bridge.rssKb();
    });
    tick.start(kBridgePollMs);
    const int exchangesBefore = room.sim.received();
    QTest::qWait(seconds * 1000 + 500);
    tick.stop();
    const qint64 rssEnd = room.bridge.rssKb();
    const double exchangesPerSecond = double(room.sim.received() - exchangesBefore) / seconds;
    const double lineUse = exchangesPerSecond * kBridgeBytesPerExchange / kBridgeLineBytesPerSecond;
    table.add({QStringLiteral("%1 PJLink clients, POWR/INPT/AVMT/LAMP ? each second for %2 s: answers; slowest; p99; unanswered")
                   .arg(kBridgePollers)
                   .arg(seconds),
        QStringLiteral("%1; %2; %3; %4")
            .arg(latency.size())
            .arg(duration(latency.max()), duration(latency.percentile(99)))
            .arg(missing),
        QStringLiteral("every answer within 1 s"),
        latency.empty() ? std::optional<bool>() : latency.max() < 1e6 && missing == 0});
    table.add({QStringLiteral("Its exchanges on the line per second; share of what 19200 baud carries"),
        QStringLiteral("%1/s; %2 %").arg(exchangesPerSecond, 0, 'f', 1).arg(100 * lineUse, 0, 'f', 1),
        QStringLiteral("within the line"), lineUse < 1.0});
    table.add({QStringLiteral("Its resident memory, second 2 to the end"),
        QStringLiteral("%1 KiB to %2 KiB").arg(rssStart).arg(rssEnd), QStringLiteral("flat (< 1 MiB more)"),
        rssStart > 0 ? std::optional<bool>(rssEnd - rssStart < kBridgeRssGoalKb) : std::nullopt});
}

} // namespace bench
