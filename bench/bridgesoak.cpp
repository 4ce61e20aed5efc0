// SPDX-License-Identifier: MIT
// runo-bridge's soaks, on a simulator's line: a scan of connections closed
// with a reset, then a normal client; requests whose clients close while the
// line is busy, then what of them reached the line.
#include "bench.h"

#include "bridgeprocess.h"
#include "pjlinkclient.h"
#include "simprocess.h"

#include <QElapsedTimer>

#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <memory>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace bench {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kResetConnections = 10000;
// Connections between two short pauses, so that the bridge's listen queue
// (50) never overflows and a connect never waits for a SYN resent.
constexpr int kConnectionsPerPause = 40;
constexpr auto kPause = std::chrono::milliseconds(2);
constexpr double kAnsweredAtOnceUs = 100e3;
constexpr int kAbandonedRequests = 1000;
// Input selections kept on the silent line while the others come and go:
// each holds it for its 5 s reply window.
constexpr int kHolders = 2;
constexpr int kInputWindowMs = 5000;
constexpr int kSettleMs = 1000;
constexpr qint64 kRssGoalKb = 1024;
constexpr int kGreetingMs = 1000;
// Between two clients that ask and go: closer together, the bridge may not
// yet have read the last one's request when the next connects, and counts
// it among the connections yet to ask (at most 8 from one address).
constexpr auto kBetweenAskers = std::chrono::milliseconds(1);

// A connection to 127.0.0.1:port; -1 when it could not be made.
int connectLoopback(quint16 port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in to {};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0)
        return fd;
    if (fd >= 0)
        ::close(fd);
    return -1;
}

// Closed with a reset, as a port scanner or a health check closes.
void resetConnection(quint16 port)
{
    const int fd = connectLoopback(port);
    if (fd < 0)
        return;
    const linger now {1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &now, sizeof now);
    ::close(fd);
}

// Greeted, asks and goes at once, without its answer. Whether it was
// greeted: a connection the bridge refused never asked.
bool abandonRequest(quint16 port, const QByteArray& request)
{
    const int fd = connectLoopback(port);
    if (fd < 0)
        return false;
    pollfd p {fd, POLLIN, 0};
    char greeting[64];
    const bool greeted = ::poll(&p, 1, kGreetingMs) == 1 && ::read(fd, greeting, sizeof greeting) > 0;
    if (greeted)
        (void)::write(fd, request.constData(), size_t(request.size()));
    ::close(fd);
    return greeted;
}

void pauseNowAndThen(int i)
{
    if (i % kConnectionsPerPause == 0)
        std::this_thread::sleep_for(kPause);
}

void resetScan(Table& table)
{
    SimProcess sim;
    BridgeProcess bridge;
    if (!bridge.start(sim.start({QStringLiteral("--quiet")}), {"--no-password"})) {
        table.note(QStringLiteral("runo-bridge did not start; no reset-scan figures."));
        return;
    }
    const qint64 rssBefore = bridge.rssKb();
    QElapsedTimer wall;
    wall.start();
    for (int i = 0; i < kResetConnections; ++i) {
        resetConnection(bridge.pjlink);
        pauseNowAndThen(i);
    }
    const double scanSeconds = double(wall.elapsed()) / 1e3;
    PjlinkClient client;
    const auto start = Clock::now();
    const bool answered = client.open(bridge.pjlink) && client.line() == "PJLINK 0" && client.ask("%1POWR ?") == "%1POWR=0";
    const double us = micros(Clock::now() - start);
    const qint64 rssAfter = bridge.rssKb();
    table.add({QStringLiteral("%1 connections closed with a reset (%2 s), then a client: connect to its POWR ? answer; "
                              "resident memory")
                   .arg(kResetConnections)
                   .arg(scanSeconds, 0, 'f', 1),
        QStringLiteral("%1; %2 KiB to %3 KiB")
            .arg(answered ? duration(us) : QStringLiteral("no answer"))
            .arg(rssBefore)
            .arg(rssAfter),
        QStringLiteral("answered, < 100 ms; < +1 MiB"), answered && us < kAnsweredAtOnceUs && rssAfter - rssBefore < kRssGoalKb});
}

void abandonedRequests(Table& table)
{
    SimProcess sim;
    BridgeProcess bridge;
    if (!bridge.start(sim.start({QStringLiteral("--silent")}), {"--no-password"})) {
        table.note(QStringLiteral("runo-bridge did not start; no abandoned-request figures."));
        return;
    }
    std::vector<std::unique_ptr<PjlinkClient>> holders;
    for (int i = 0; i < kHolders; ++i) {
        holders.push_back(std::make_unique<PjlinkClient>());
        if (holders.back()->open(bridge.pjlink))
            holders.back()->line(), holders.back()->send("%1INPT 11\r");
    }
    (void)QTest::qWaitFor([&] { return sim.received("C50") == 1; }, kInputWindowMs);
    QElapsedTimer wall;
    wall.start();
    int asked = 0;
    for (int i = 0; i < kAbandonedRequests; ++i) {
        asked += abandonRequest(bridge.pjlink, "%1INPT 12\r");
        std::this_thread::sleep_for(kBetweenAskers);
    }
    const double askedSeconds = double(wall.elapsed()) / 1e3;
    int answered = 0;
    for (auto& h : holders)
        answered += h->line(kHolders * kInputWindowMs + kSettleMs) == "%1INPT=ERR4";
    QTest::qWait(kSettleMs);
    table.add({QStringLiteral("%1 of %2 clients greeted ask an input selection and close at once (in %3 s), behind %4 kept on "
                              "a silent line: theirs that reached the line; the kept ones answered")
                   .arg(asked)
                   .arg(kAbandonedRequests)
                   .arg(askedSeconds, 0, 'f', 1)
                   .arg(kHolders),
        QStringLiteral("%1; %2 of %3").arg(sim.received("C25")).arg(answered).arg(kHolders), QStringLiteral("0; all"),
        asked == kAbandonedRequests && sim.received("C25") == 0 && answered == kHolders});
}

} // namespace

void measureBridgeSoak(Table& table)
{
    std::fprintf(stderr, "  runo-bridge: %d reset connections\n", kResetConnections);
    resetScan(table);
    std::fprintf(stderr, "  runo-bridge: %d abandoned requests on a silent line\n", kAbandonedRequests);
    abandonedRequests(table);
}

} // namespace bench
