// SPDX-License-Identifier: MIT
// runo-bridge's web face: its own share of a command from POST /api/command
// and from a WebSocket press to the line, beside the panel's click, on a
// bridge in this process over the simulator's projector; then pages open on
// runo-bridge as a process with an exchange on the line each second.
#include "bench.h"

#include "bridge/bridge.h"
#include "bridgeprocess.h"
#include "commands/commandtable.h"
#include "simcomm.h"
#include "simprocess.h"
#include "webclient.h"

#include <QEventLoop>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <vector>

namespace bench {

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kWebShareGoalUs = 2000;
constexpr size_t kPages = 50;
constexpr int kExchangeEveryMs = 1000;
constexpr double kPagesCpuGoalPercent = 5;
constexpr qint64 kPagesRssGoalKb = 40 * 1024;
constexpr double kPageDelayGoalUs = 50000;
constexpr int kWaitMs = 3000;

// The simulator's projector in this process, with when the last line reached it.
class TimedLine : public SimComm {
public:
    bool output(const QByteArray& text) override
    {
        reached = Clock::now();
        if (m_loop)
            m_loop->quit();
        return SimComm::output(text);
    }
    // From send() to the line, waiting in an event loop of its own (a
    // waiting test's polling would add its own steps).
    template <class Send> std::optional<double> toLine(Send send)
    {
        QEventLoop loop;
        m_loop = &loop;
        const qsizetype before = lines.size();
        const auto start = Clock::now();
        send();
        QTimer::singleShot(kWaitMs, &loop, &QEventLoop::quit);
        if (lines.size() == before)
            loop.exec();
        m_loop = nullptr;
        return lines.size() > before ? std::optional<double>(micros(reached - start)) : std::nullopt;
    }
    Clock::time_point reached;

private:
    QEventLoop* m_loop = nullptr;
};

// The three ways of sending POWER ON, each `runs` times.
struct Shares {
    Samples posted, pressed, clicked;
};

Shares measureShares(int runs)
{
    Shares s;
    TimedLine line;
    const runo::BridgeOptions options
        = runo::parseBridgeOptions({"runo-bridge", "--no-password", "--pjlink", "127.0.0.1:0", "--http", "0"});
    runo::Bridge bridge(line, options);
    QString error;
    if (!bridge.start(&error))
        return s;
    WebClient web(bridge.webPort());
    QWebSocket page(web.origin());
    QSignalSpy heard(&page, &QWebSocket::textMessageReceived);
    web.openPage(page);
    if (!heard.wait(kWaitMs))
        return s;
    TimedLine panelLine;
    runo::Panel panel(&panelLine);
    panelLine.setPortOpen(true);
    QTcpSocket browser; // one connection kept open, as a browser keeps it
    browser.connectToHost(QHostAddress::LocalHost, bridge.webPort());
    if (!browser.waitForConnected(kWaitMs))
        return s;
    const QByteArray body = "{\"name\":\"POWER ON\"}";
    const QByteArray post = "POST /api/command HTTP/1.1\r\nHost: " + web.host()
        + "\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
    const QString press = QStringLiteral("{\"type\":\"press\",\"name\":\"POWER ON\"}");
    for (int i = 0; i < runs; ++i) {
        heard.clear();
        if (const auto us = line.toLine([&] { browser.write(post); }))
            s.posted.add(*us);
        (void)QTest::qWaitFor([&] { return !heard.isEmpty(); }, kWaitMs); // its exchange is over
        browser.readAll();
        heard.clear();
        if (const auto us = line.toLine([&] { page.sendTextMessage(press); }))
            s.pressed.add(*us);
        (void)QTest::qWaitFor([&] { return !heard.isEmpty(); }, kWaitMs);
        if (const auto us = panelLine.toLine([&] { panel.clickCommand(*runo::command("POWER ON").button()); }))
            s.clicked.add(*us);
    }
    return s;
}

// Pages as raw WebSocket clients, bound to loopback addresses of their own
// (127.0.0.2 and on), as many to each as the bridge lets one address open;
// each keeps when its last message came.
struct Room {
    std::vector<std::unique_ptr<QTcpSocket>> pages;
    std::vector<Clock::time_point> heardAt = std::vector<Clock::time_point>(kPages);
    int open = 0;
};

bool openRoom(Room& room, const WebClient& web, quint16 port)
{
    for (size_t i = 0; i < kPages; ++i) {
        room.pages.push_back(std::make_unique<QTcpSocket>());
        QTcpSocket* page = room.pages.back().get();
        page->bind(QHostAddress(quint32(0x7f000002 + i / runo::LivePages::kMaxPagesPerAddress)));
        QObject::connect(page, &QTcpSocket::readyRead, page, [&room, page, i] {
            const QByteArray got = page->readAll();
            if (got.startsWith("HTTP/1.1 101"))
                ++room.open;
            else
                room.heardAt[i] = Clock::now();
        });
        page->connectToHost(QHostAddress::LocalHost, port);
        page->write("GET /api/live HTTP/1.1\r\nHost: " + web.host() + "\r\nOrigin: " + web.origin().toLatin1()
            + "\r\nUpgrade: websocket\r\nConnection: Upgrade\r\nSec-WebSocket-Version: 13\r\n"
              "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n\r\n");
    }
    return QTest::qWaitFor([&] { return room.open == int(kPages); }, kWaitMs * 2);
}

} // namespace

void measureWeb(const Options& o, Table& table)
{
    std::fprintf(stderr, "  runo-bridge's web face: POST /api/command and a WebSocket press, beside the panel's click\n");
    const Shares s = measureShares(o.scriptRuns * 2);
    const double posted = s.posted.median() - s.clicked.median();
    const double pressed = s.pressed.median() - s.clicked.median();
    table.add({QStringLiteral("POWER ON to the line (%1): POST /api/command; a WebSocket press; the panel's click in process "
                              "(medians); the bridge's own share of each")
                   .arg(s.posted.size()),
        QStringLiteral("%1; %2; %3; %4 and %5")
            .arg(duration(s.posted.median()), duration(s.pressed.median()), duration(s.clicked.median()), duration(posted),
                duration(pressed)),
        QStringLiteral("each share < 2 ms"),
        s.posted.empty() || s.pressed.empty() ? std::optional<bool>() : posted < kWebShareGoalUs && pressed < kWebShareGoalUs});

    std::fprintf(stderr, "  runo-bridge's web face: %d pages, an exchange a second for %d s\n", int(kPages), o.roomSeconds);
    SimProcess sim;
    BridgeProcess bridge;
    if (!bridge.start(sim.start({QStringLiteral("--quiet")}), {"--no-password", "--http", "0"}) || bridge.web == 0) {
        table.note(QStringLiteral("runo-bridge's web face did not start; no page figures."));
        return;
    }
    WebClient web(bridge.web);
    Room room;
    if (!openRoom(room, web, bridge.web)) {
        table.note(QStringLiteral("The pages did not all open; no page figures."));
        return;
    }
    Samples latest, answers;
    int unheard = 0; // pages that missed an exchange
    QTest::qWait(kExchangeEveryMs);
    const Usage before = usage(bridge.process.processId());
    for (int i = 0; i < o.roomSeconds; ++i) {
        const auto tick = Clock::now();
        const WebReply r = web.ask("POST", "/api/command", "{\"name\":\"VOL +\"}");
        const auto answered = Clock::now();
        QTest::qWait(int(kExchangeEveryMs - micros(answered - tick) / 1000));
        if (r.status != 200)
            continue;
        answers.add(micros(answered - tick));
        Clock::time_point last = tick;
        for (const Clock::time_point& at : room.heardAt) {
            unheard += at < tick ? 1 : 0;
            last = std::max(last, at);
        }
        latest.add(micros(last - tick));
    }
    const Usage after = usage(bridge.process.processId());
    const double cpu = (after.cpuSeconds - before.cpuSeconds) / o.roomSeconds * 100.0;
    const qint64 rss = bridge.rssKb();
    table.add({QStringLiteral("%1 pages open, an exchange a second for %2 s: the bridge's CPU; its resident memory; from the "
                              "command sent, its HTTP answer and the latest page's message (medians; slowest page); pages "
                              "that missed one")
                   .arg(kPages)
                   .arg(o.roomSeconds),
        QStringLiteral("%1% of a core; %2 KiB; %3 and %4 (%5); %6")
            .arg(cpu, 0, 'f', 2)
            .arg(rss)
            .arg(duration(answers.median()), duration(latest.median()), duration(latest.max()))
            .arg(unheard),
        QStringLiteral("< 5 %, < 40 MiB, every page within 50 ms"),
        latest.empty() ? std::optional<bool>()
                       : cpu < kPagesCpuGoalPercent && rss < kPagesRssGoalKb && latest.max() < kPageDelayGoalUs && unheard == 0});
}

} // namespace bench
