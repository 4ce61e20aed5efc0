// SPDX-License-Identifier: MIT
// The window's own figures: click to wire, wire to screen, repeat accuracy,
// reply windows and the cost of one receive-mode call; then click to wire and
// wire to screen again over socket:// to a local ser2net in front of the same
// kind of pseudo-terminal, as a ratio to the direct figures.
#include "bench.h"
#include "farend.h"

#include "app/mainwindow.h"
#include "link/serialcomm.h"
#include "panel/panel.h"
#include "ptypair.h"
#include "ser2netprocess.h"
#include "traffic/decoders.h"
#include "traffic/traffictext.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QDeadlineTimer>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <unistd.h>
#include <vector>

namespace bench {

namespace {

using namespace std::chrono_literals;

constexpr int kPanelLine = 0; // the far end of the panel's COM1
constexpr int kFloorLine = 1; // the far end of the pseudo-terminal for bare writes

void progress(const char* what) { std::fprintf(stderr, "  %s\n", what); }

// Runs the event loop until `done` or the time is up. The thread sleeps in
// the event loop meanwhile, as the panel does between the operator's acts.
bool waitFor(const std::function<bool()>& done, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs, Qt::PreciseTimer);
    QTimer watchdog;
    watchdog.setTimerType(Qt::PreciseTimer);
    watchdog.setSingleShot(true);
    watchdog.start(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// Lets the event loop run, untouched, until `until`.
void runUntil(Clock::time_point until)
{
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(until - Clock::now()).count();
    waitFor([&] { return Clock::now() >= until; }, int(std::max<qint64>(left, 0)) + 1);
}

void idle(std::chrono::microseconds d) { runUntil(Clock::now() + d); }

QString ratio(double value, double floor) { return QStringLiteral("%1×").arg(value / floor, 0, 'f', 1); }

QString percent(double v, int decimals = 2) { return QStringLiteral("%1%").arg(v, 0, 'f', decimals); }

// Medians in microseconds, kept to set the network's figures beside the direct ones.
struct WireFigures {
    double click = NAN; // command button
    double press = NAN; // hold button
    double set = NAN; // reply on both lines
    double painted = NAN; // and painted
};

class Rig {
public:
    // COM1 on the pseudo-terminal, or over socket:// to ser2net in front of it.
    explicit Rig(bool network = false)
    {
        if (network) {
            server = std::make_unique<Ser2net>(panelPty.path(), QStringLiteral("19200n81")); // as in an installation
            if (!server->start())
                return;
        }
        qputenv("RUNO_COM1", (server ? server->socketUrl() : panelPty.path()).toLocal8Bit());
        comm = std::make_unique<runo::SerialComm>();
        window = std::make_unique<runo::MainWindow>(comm.get());
        floorFd = ::open(floorPty.path().toLocal8Bit().constData(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
        far = std::make_unique<FarEnd>(
            QList<int> {panelPty.masterFd(), floorPty.masterFd()}, QThread::currentThread()->eventDispatcher());
    }
    ~Rig()
    {
        far.reset();
        window.reset();
        comm.reset();
        server.reset();
        if (floorFd >= 0)
            ::close(floorFd);
        qunsetenv("RUNO_COM1");
    }

    bool show()
    {
        if (!window)
            return false;
        window->show();
        if (!QTest::qWaitForWindowActive(window.get()))
            return false;
        // Ctrl+K: the tall view, with the traffic display and the status reads in view.
        QWidget* focus = QApplication::focusWidget();
        QTest::keyClick(focus ? focus : window.get(), Qt::Key_K, Qt::ControlModifier);
        idle(50ms);
        return comm->portOpen();
    }

    runo::Panel& panel() { return window->panel(); }
    QPushButton* button(const char* name) const { return window->form().button(QLatin1String(name)); }
    QLabel* label(const char* name) const { return window->form().label(QLatin1String(name)); }

    // Waits until `count` more bytes than `base` have come on a line.
    std::optional<Clock::time_point> arrival(int line, qint64 base, qint64 count, int timeoutMs = 2000)
    {
        if (!waitFor([&] { return far->received(line) >= base + count; }, timeoutMs))
            return std::nullopt;
        return far->reachedAt(line, base + count);
    }

    // Presses and releases a button with the event loop running in between.
    void click(QPushButton* b)
    {
        QTest::mousePress(b, Qt::LeftButton);
        idle(300us);
        QTest::mouseRelease(b, Qt::LeftButton);
    }

    Pty panelPty;
    Pty floorPty;
    std::unique_ptr<Ser2net> server;
    int floorFd = -1;
    std::unique_ptr<runo::SerialComm> comm;
    std::unique_ptr<runo::MainWindow> window;
    std::unique_ptr<FarEnd> far;
};

// The click-to-wire samples: the command button from its release, the hold
// button from its press, and the floor of bare writes beside them.
struct ClickSamples {
    Samples click, press, floor;
    int wrong = 0; // lost, or other bytes on the wire
};

// A click on a command button, from the release (which completes the click)
// to the last byte of `line` at the far end; nothing if lost or wrong.
std::optional<double> clickOnce(Rig& rig, QPushButton* button, const QByteArray& line)
{
    QTest::mousePress(button, Qt::LeftButton);
    idle(300us);
    const qint64 base = rig.far->received(kPanelLine);
    const auto t0 = Clock::now();
    QTest::mouseRelease(button, Qt::LeftButton);
    const auto t1 = rig.arrival(kPanelLine, base, line.size());
    if (!t1 || rig.far->bytes(kPanelLine, base) != line)
        return std::nullopt;
    return micros(*t1 - t0);
}

// The floor: the same bytes written straight to a pseudo-terminal.
std::optional<double> writeOnce(Rig& rig, const QByteArray& line)
{
    const qint64 base = rig.far->received(kFloorLine);
    const auto t0 = Clock::now();
    (void)!::write(rig.floorFd, line.constData(), size_t(line.size()));
    const auto t1 = rig.arrival(kFloorLine, base, line.size());
    return t1 ? std::optional<double>(micros(*t1 - t0)) : std::nullopt;
}

// A hold button, from the press (which acts) to the last byte of `line`;
// released before the first repeat.
std::optional<double> pressOnce(Rig& rig, QPushButton* button, const QByteArray& line)
{
    const qint64 base = rig.far->received(kPanelLine);
    const auto t0 = Clock::now();
    QTest::mousePress(button, Qt::LeftButton);
    const auto t1 = rig.arrival(kPanelLine, base, line.size());
    const bool right = t1 && rig.far->bytes(kPanelLine, base) == line;
    idle(300us);
    QTest::mouseRelease(button, Qt::LeftButton);
    return right ? std::optional<double>(micros(*t1 - t0)) : std::nullopt;
}

// STATUS clicks, bare writes and VOL + presses in turn, after a warm-up.
ClickSamples sampleClicks(Rig& rig, const Options& o)
{
    QPushButton* status = rig.button("Command44"); // STATUS: "CR0" CR
    QPushButton* volUp = rig.button("Command1"); // VOL +: "C09" CR, repeats every 250 ms
    const QByteArray statusLine = "CR0\r";
    const QByteArray volLine = "C09\r";

    ClickSamples s;
    const int warmUp = std::min(100, o.clicks / 10);
    for (int i = -warmUp; i < o.clicks; ++i) {
        const bool keep = i >= 0;
        if (const auto us = clickOnce(rig, status, statusLine); !us)
            ++s.wrong;
        else if (keep)
            s.click.add(*us);
        idle(500us);
        if (const auto us = writeOnce(rig, statusLine); us && keep)
            s.floor.add(*us);
        idle(500us);
        if (const auto us = pressOnce(rig, volUp, volLine); !us)
            ++s.wrong;
        else if (keep)
            s.press.add(*us);
        idle(500us);
    }
    return s;
}

// Qt repaints a released button, synchronously, before it reports the click.
Samples repaintCost(QPushButton* button, const Options& o)
{
    Samples repaint;
    for (int i = 0; i < std::max(100, o.clicks / 5); ++i) {
        const auto t0 = Clock::now();
        button->repaint();
        repaint.add(micros(Clock::now() - t0));
        idle(200us);
    }
    return repaint;
}

// 1. From the mouse event that acts to the last byte readable at the far end,
// alternating with bare writes of the same bytes to a second pseudo-terminal.
// Over the network (`via` names the way), only the two click rows, without goals.
void clickToWire(Rig& rig, const Options& o, Table& table, WireFigures& figures, const QString& via = {})
{
    progress("click to wire");
    const ClickSamples samples = sampleClicks(rig, o);
    const Samples repaint = repaintCost(rig.button("Command44"), o);

    const double floorMedian = samples.floor.median();
    figures.click = samples.click.median();
    figures.press = samples.press.median();
    const auto met = [](const Samples& s) { return s.median() < 1000.0 && s.percentile(99) < 5000.0; };
    const QString goal = via.isEmpty() ? QStringLiteral("< 1 ms / < 5 ms") : QString();
    const auto verdict = [&](const Samples& s) { return via.isEmpty() ? std::optional<bool>(met(s)) : std::nullopt; };
    const auto clickToWire = [&](const char* what, const Samples& s) {
        table.add({QStringLiteral("Click to wire%1, %2: median / p99 / × floor")
                       .arg(via, QString::fromLatin1(what).arg(qsizetype(s.size()))),
            QStringLiteral("%1 / %2 / %3").arg(duration(s.median()), duration(s.percentile(99)), ratio(s.median(), floorMedian)),
            goal, verdict(s)});
    };
    clickToWire("command button (STATUS, 4 bytes; %1 clicks)", samples.click);
    clickToWire("hold button press (VOL +, 4 bytes; %1 presses)", samples.press);
    if (via.isEmpty()) {
        table.add({QStringLiteral("Part of the click: Qt's synchronous repaint of the released button (%1 repaints): median")
                       .arg(repaint.size()),
            duration(repaint.median()), QString(), std::nullopt});
        table.add({QStringLiteral("Floor: bare write of the same 4 bytes to a pseudo-terminal (%1 writes): median / p99")
                       .arg(samples.floor.size()),
            QStringLiteral("%1 / %2").arg(duration(floorMedian), duration(samples.floor.percentile(99))), QString(),
            std::nullopt});
    }
    if (samples.wrong)
        table.note(QStringLiteral("Click to wire%1: %2 samples lost or wrong on the wire.").arg(via).arg(samples.wrong));
}

// Records when each of two labels was set to, and painted with, the text it should show.
class ScreenWatch : public QObject {
public:
    ScreenWatch(QLabel* receive, QLabel* status)
        : m_labels {receive, status}
    {
        for (QLabel* l : m_labels)
            l->installEventFilter(this);
    }

    void expect(const QString& receive, const QString& status)
    {
        m_expected[0] = receive;
        m_expected[1] = status;
        m_set[0].reset();
        m_set[1].reset();
        m_painted[0].reset();
        m_painted[1].reset();
    }

    // The panel's signals arrive after the window has set the label.
    void textSet(int which, const QString& text)
    {
        if (text == m_expected[which] && !m_set[which])
            m_set[which] = Clock::now();
    }

    bool done() const { return m_painted[0] && m_painted[1]; }
    std::optional<Clock::time_point> set() const
    {
        return m_set[0] && m_set[1] ? std::max(*m_set[0], *m_set[1]) : std::optional<Clock::time_point>();
    }
    std::optional<Clock::time_point> painted() const
    {
        return done() ? std::max(*m_painted[0], *m_painted[1]) : std::optional<Clock::time_point>();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            for (int i = 0; i < 2; ++i) {
                if (watched == m_labels[i] && !m_painted[i] && m_labels[i]->text() == m_expected[i])
                    m_painted[i] = Clock::now();
            }
        }
        return false;
    }

private:
    QLabel* m_labels[2];
    QString m_expected[2];
    std::optional<Clock::time_point> m_set[2];
    std::optional<Clock::time_point> m_painted[2];
};

// 2. From the reply's last byte written at the far end to the receive line
// and the status line showing it decoded.
void wireToScreen(Rig& rig, const Options& o, Table& table, WireFigures& figures, const QString& via = {})
{
    progress("wire to screen");
    QPushButton* status = rig.button("Command44");
    ScreenWatch watch(rig.label("Label12"), rig.label("Label22"));
    QObject::connect(&rig.panel(), &runo::Panel::receiveLineChanged, &watch, [&](const QString& t) { watch.textSet(0, t); });
    QObject::connect(&rig.panel(), &runo::Panel::statusLineChanged, &watch, [&](const QString& t) { watch.textSet(1, t); });

    // Two replies in turn, so that every reply changes both lines.
    const struct {
        QByteArray reply;
        QString receive;
        QString status;
    } replies[] = {
        {"00\r", QStringLiteral(" 0 0 CR "), QStringLiteral(" Power ON")},
        {"80\r", QStringLiteral(" 8 0 CR "), QStringLiteral(" Stand by")},
    };

    Samples set, painted;
    int lost = 0;
    const int warmUp = std::min(50, o.replies / 10);
    for (int i = -warmUp; i < o.replies; ++i) {
        const auto& r = replies[(i + warmUp) % 2];
        const qint64 base = rig.far->received(kPanelLine);
        rig.click(status);
        if (!rig.arrival(kPanelLine, base, 4)) {
            ++lost;
            continue;
        }
        idle(300us);
        watch.expect(r.receive, r.status);
        rig.far->writeAfter(kPanelLine, r.reply, 1500us); // the window sleeps meanwhile
        const bool shown = waitFor([&] { return watch.done(); }, 1000);
        const auto written = rig.far->writtenAt();
        if (!shown || !written || !watch.set()) {
            ++lost;
        } else if (i >= 0) {
            set.add(micros(*watch.set() - *written));
            painted.add(micros(*watch.painted() - *written));
        }
        // The reply window ends here instead of 500 ms on: the reply timer's tick, run at once.
        rig.panel().closeReplyWindow();
        idle(500us);
    }

    figures.set = set.median();
    figures.painted = painted.median();
    const QString goal = via.isEmpty() ? QStringLiteral("median < 1 ms") : QString();
    const auto verdict
        = [&](const Samples& s) { return via.isEmpty() ? std::optional<bool>(s.median() < 1000.0) : std::nullopt; };
    table.add({QStringLiteral("Wire to screen%1, reply to receive and status lines set (%2 replies): median / p99")
                   .arg(via)
                   .arg(set.size()),
        QStringLiteral("%1 / %2").arg(duration(set.median()), duration(set.percentile(99))), goal, verdict(set)});
    table.add({QStringLiteral("Wire to screen%1, reply to both lines painted: median / p99").arg(via),
        QStringLiteral("%1 / %2").arg(duration(painted.median()), duration(painted.percentile(99))), goal, verdict(painted)});
    if (lost)
        table.note(QStringLiteral("Wire to screen%1: %2 samples lost.").arg(via).arg(lost));
}

// A full receive buffer of digits only: the traffic text is all
// two-character renderings and the pressure decoder reads the whole line as
// one number (its worst case).
QByteArray fullBufferOfDigits()
{
    QByteArray a(runo::Panel::kReceiveBufferLimit, '0');
    for (qsizetype i = 0; i < a.size(); ++i)
        a[i] = char('0' + (i * 7 + 1) % 10);
    return a;
}

// Receive-mode calls with `a` and `b` in turn, so that every call changes
// the receive line; the first hundred not counted.
Samples receiveCalls(Rig& rig, const Options& o, const QByteArray& a, const QByteArray& b)
{
    Samples s;
    for (int i = -100; i < o.receiveCalls; ++i) {
        const QByteArray& text = (i % 2) ? a : b;
        const auto t0 = Clock::now();
        rig.panel().Hyouji(text, runo::Panel::HyoujiMode::Receive);
        const auto t1 = Clock::now();
        if (i >= 0)
            s.add(micros(t1 - t0));
        if (i % 100 == 0)
            QCoreApplication::processEvents();
    }
    return s;
}

// Where the time of a call goes: the medians of the traffic text and of the
// decoder chosen; the rest is the panel's bookkeeping and the labels taking
// the new text.
struct CallParts {
    double text;
    double decode;
};

CallParts callParts(Rig& rig, const Options& o, const QByteArray& a, const QByteArray& b)
{
    Samples text, decode;
    const QString line = runo::trafficText(a);
    for (int i = 0; i < o.receiveCalls; ++i) {
        auto t0 = Clock::now();
        const QString rendered = runo::trafficText((i % 2) ? a : b);
        auto t1 = Clock::now();
        text.add(micros(t1 - t0));
        t0 = Clock::now();
        const auto status = runo::decodeReply(rig.panel().lastCommand(), rig.panel().commandPrefix(), line);
        t1 = Clock::now();
        decode.add(micros(t1 - t0));
        (void)status;
    }
    return {text.median(), decode.median()};
}

// 4. One receive-mode call on a full receive buffer, for each decoder.
void receiveCost(Rig& rig, const Options& o, Table& table)
{
    progress("receive cost");
    const char* selectors[] = {"CR0", "CR1", "CR3", "CR4", "CR6", "CR7", "CR9", "CRA", "CR PRESSURE"};
    const QByteArray a = fullBufferOfDigits();
    QByteArray b = a;
    b[0] = '2';

    double worstMedian = 0, worstP99 = 0;
    CallParts worstParts {0, 0};
    QString worstSelector;
    Samples all;
    for (const char* selector : selectors) {
        const qint64 base = rig.far->received(kPanelLine);
        rig.panel().sendFreeCommand(QString::fromLatin1(selector)); // chooses the decoder
        rig.arrival(kPanelLine, base, qint64(qstrlen(selector)) + 1);
        const Samples s = receiveCalls(rig, o, a, b);
        all.us.insert(all.us.end(), s.us.begin(), s.us.end());
        if (s.median() > worstMedian) {
            worstMedian = s.median();
            worstP99 = s.percentile(99);
            worstSelector = QString::fromLatin1(selector);
            worstParts = callParts(rig, o, a, b);
        }
    }
    rig.panel().closeReplyWindow();
    table.add({QStringLiteral("Receive-mode call, %1-byte buffer, traffic text + decoder, all 9 decoders: median / p99")
                   .arg(runo::Panel::kReceiveBufferLimit),
        QStringLiteral("%1 / %2").arg(duration(all.median()), duration(all.percentile(99))), QStringLiteral("< 50 µs"),
        all.median() < 50.0});
    table.add({QStringLiteral("Receive-mode call, slowest decoder (%1): median / p99").arg(worstSelector),
        QStringLiteral("%1 / %2 (traffic text %3, decoder %4, labels and the rest %5)")
            .arg(duration(worstMedian), duration(worstP99), duration(worstParts.text), duration(worstParts.decode),
                duration(std::max(0.0, worstMedian - worstParts.text - worstParts.decode))),
        QStringLiteral("< 50 µs"), worstMedian < 50.0});
}

struct HoldCase {
    int intervalMs;
    const char* control;
    QByteArray line;
    const char* what;
    std::function<void(Rig&)> before; // what puts the interval in force
};

// Every repeat interval the panel uses, each with a button that holds at it.
std::vector<HoldCase> holdCases()
{
    const auto tap = [](const char* control) {
        return [control](Rig& rig) {
            const qint64 base = rig.far->received(kPanelLine);
            QTest::mousePress(rig.button(control), Qt::LeftButton);
            idle(1ms);
            QTest::mouseRelease(rig.button(control), Qt::LeftButton);
            rig.arrival(kPanelLine, base, 4);
            idle(20ms);
        };
    };
    return {
        {5, "Command5", "C3C\r", "cursor ↑ after a D.Zoom hold", tap("Command48")},
        {105, "Command15", "C47\r", "Zoom +", {}},
        {200, "Command5", "C3C\r", "cursor ↑ after MENU ON",
            [](Rig& rig) {
                rig.click(rig.button("Command23"));
                idle(20ms);
            }},
        {250, "Command1", "C09\r", "VOL +", {}},
        {500, "Command6", "C3F\r", "SELECT", {}},
    };
}

// What the holds at one interval sent, against what was due.
struct HoldFigures {
    int sent = 0, expected = 0, worstMiss = 0, holds = 0;
    Samples periods, deviation; // between lines; from the interval
    bool wrongBytes = false, wrongInterval = false;
};

// Holds the case's button holdsPerInterval times, each released halfway
// through a period so that the expected count is unambiguous.
HoldFigures holdAt(Rig& rig, const Options& o, const HoldCase& c)
{
    QPushButton* button = rig.button(c.control);
    HoldFigures f;
    for (int h = 0; h < o.holdsPerInterval; ++h) {
        if (c.before)
            c.before(rig);
        idle(50ms);
        const qint64 base = rig.far->received(kPanelLine);
        rig.far->setWaking(false); // during the hold the far end leaves the window's thread alone
        const auto pressed = Clock::now();
        QTest::mousePress(button, Qt::LeftButton);
        const auto armed = Clock::now(); // the repeat timer runs from here
        if (rig.panel().timer(1).interval() != c.intervalMs)
            f.wrongInterval = true;
        runUntil(pressed + std::chrono::milliseconds(o.holdMs) + std::chrono::microseconds(c.intervalMs * 500));
        const auto released = Clock::now();
        QTest::mouseRelease(button, Qt::LeftButton);
        rig.far->setWaking(true);
        idle(100ms);

        const QByteArray got = rig.far->bytes(kPanelLine, base);
        const int lines = int(got.size() / c.line.size());
        if (got != c.line.repeated(lines))
            f.wrongBytes = true;
        const int due = 1 + int(micros(released - armed) / (c.intervalMs * 1000.0));
        f.sent += lines;
        f.expected += due;
        f.worstMiss = std::max(f.worstMiss, std::abs(lines - due));
        ++f.holds;
        std::optional<Clock::time_point> previous;
        for (int k = 1; k <= lines; ++k) {
            const auto at = rig.far->reachedAt(kPanelLine, base + qint64(k) * c.line.size());
            if (previous && at) {
                const double p = micros(*at - *previous);
                f.periods.add(p);
                f.deviation.add(std::abs(p - c.intervalMs * 1000.0));
            }
            previous = at;
        }
    }
    return f;
}

// One interval's row, and a note for each way it went wrong.
void reportHolds(Table& table, const Options& o, const HoldCase& c, const HoldFigures& f)
{
    const double meanMs = f.periods.mean() / 1000.0;
    const double error = (meanMs - c.intervalMs) / c.intervalMs * 100.0;
    const bool ok = !f.wrongBytes && !f.wrongInterval && f.worstMiss <= 1 && std::abs(error) <= 2.0;
    table.add(
        {QStringLiteral("Repeat every %1 ms (%2; %3 × %4 ms hold): lines sent / expected, mean period, p99 of the deviation")
                .arg(c.intervalMs)
                .arg(QString::fromUtf8(c.what))
                .arg(f.holds)
                .arg(o.holdMs),
            QStringLiteral("%1 / %2, %3 ms (%4%5), %6")
                .arg(f.sent)
                .arg(f.expected)
                .arg(meanMs, 0, 'f', c.intervalMs < 100 ? 3 : 2)
                .arg(error >= 0 ? QStringLiteral("+") : QString())
                .arg(percent(error))
                .arg(duration(f.deviation.percentile(99))),
            QStringLiteral("count ±1 per hold, mean within 2%"), ok});
    if (f.worstMiss > 1) {
        int skipped = 0; // periods of two or more intervals: a tick came too late and was dropped
        for (double p : f.periods.us)
            skipped += p >= 1.5 * c.intervalMs * 1000.0;
        table.note(QStringLiteral("Repeat every %1 ms: a hold was %2 lines off; %3 periods were %4 or longer, each a tick "
                                  "that came more than a whole interval late and was dropped (the window's thread was not "
                                  "scheduled in time).")
                       .arg(c.intervalMs)
                       .arg(f.worstMiss)
                       .arg(skipped)
                       .arg(duration(1.5 * c.intervalMs * 1000.0)));
    }
    if (f.wrongBytes)
        table.note(QStringLiteral("Repeat every %1 ms: other bytes than the held command came on the wire.").arg(c.intervalMs));
    if (f.wrongInterval)
        table.note(QStringLiteral("Repeat every %1 ms: the repeat timer did not run at that interval.").arg(c.intervalMs));
}

// 3. Holds at every repeat interval the panel uses.
void repeatAccuracy(Rig& rig, const Options& o, Table& table)
{
    progress("repeat accuracy");
    for (const HoldCase& c : holdCases())
        reportHolds(table, o, c, holdAt(rig, o, c));
}

// Reply windows: from the press or click to the no-reply marker.
void replyWindows(Rig& rig, const Options& o, Table& table)
{
    progress("reply windows");
    const QString marker = QUtf8StringView(runo::Panel::kNoReplyMarker).toString();
    std::optional<Clock::time_point> shownAt;
    QObject context; // ends the connection with this function
    QObject::connect(&rig.panel(), &runo::Panel::receiveLineChanged, &context, [&](const QString& t) {
        if (t == marker && !shownAt)
            shownAt = Clock::now();
    });

    QPushButton* zoom = rig.button("Command15");
    QPushButton* status = rig.button("Command44");
    const int samples = std::max(5, o.holdsPerInterval * 5);
    for (const int windowMs : {100, 500}) {
        Samples s;
        for (int i = 0; i < samples; ++i) {
            // A tap on Zoom + blanks the receive line and leaves 500 / 1000 ms in force.
            QTest::mousePress(zoom, Qt::LeftButton);
            idle(1ms);
            QTest::mouseRelease(zoom, Qt::LeftButton);
            idle(20ms);
            shownAt.reset();
            const auto t0 = Clock::now();
            if (windowMs == 100) {
                QTest::mousePress(zoom, Qt::LeftButton); // Zoom +: reply window 100 ms, repeat 105 ms
            } else {
                QTest::mousePress(status, Qt::LeftButton);
                QTest::mouseRelease(status, Qt::LeftButton); // STATUS, no reply: 500 ms
            }
            waitFor([&] { return shownAt.has_value(); }, windowMs * 3);
            if (windowMs == 100)
                QTest::mouseRelease(zoom, Qt::LeftButton);
            if (shownAt)
                s.add(micros(*shownAt - t0));
            idle(20ms);
        }
        const double meanMs = s.mean() / 1000.0;
        table.add({QStringLiteral("Reply window %1 ms (%2; %3 times): mean time to \" X X X X\", p99")
                       .arg(windowMs)
                       .arg(windowMs == 100 ? QStringLiteral("Zoom + press") : QStringLiteral("STATUS, unanswered"))
                       .arg(s.size()),
            QStringLiteral("%1 ms (%2%3), %4")
                .arg(meanMs, 0, 'f', 2)
                .arg(meanMs >= windowMs ? QStringLiteral("+") : QString())
                .arg(percent((meanMs - windowMs) / windowMs * 100.0))
                .arg(duration(s.percentile(99))),
            QString(), std::nullopt});
    }
    rig.panel().closeReplyWindow();
}

// Click to wire and wire to screen with COM1 at socket:// to a local ser2net
// in front of the far end's pseudo-terminal, beside the direct figures.
void overNetwork(const Options& o, Table& table, const WireFigures& direct)
{
    progress("over socket:// to ser2net");
    Rig rig(true);
    if (!rig.panelPty.isValid() || !rig.floorPty.isValid() || rig.floorFd < 0 || !rig.show()) {
        table.note(QStringLiteral("ser2net or the window could not be set up; no socket:// figures."));
        return;
    }
    idle(200ms);
    const QString via = QStringLiteral(" over socket:// to a local ser2net");
    WireFigures network;
    clickToWire(rig, o, table, network, via);
    wireToScreen(rig, o, table, network, via);
    table.add({QStringLiteral("socket:// to ser2net against the pseudo-terminal, medians: click to wire (command / hold press); "
                              "wire to screen (set / painted)"),
        QStringLiteral("%1 / %2; %3 / %4")
            .arg(ratio(network.click, direct.click), ratio(network.press, direct.press), ratio(network.set, direct.set),
                ratio(network.painted, direct.painted)),
        QString(), std::nullopt});
    table.note(QStringLiteral("Over socket://, ser2net runs with chardelay: false, as the README suggests; with its default it "
                              "holds what the device sends for a few milliseconds (about 3.4 ms at 19200 baud on this "
                              "machine) before passing it on, which then makes most of the wire-to-screen time."));
}

} // namespace

void measureWindow(const Options& options, Table& table)
{
    WireFigures direct;
    {
        Rig rig;
        if (!rig.panelPty.isValid() || !rig.floorPty.isValid() || rig.floorFd < 0 || !rig.show()) {
            table.note(QStringLiteral("The window or its pseudo-terminal could not be set up; no window figures."));
            return;
        }
        idle(200ms);
        clickToWire(rig, options, table, direct);
        wireToScreen(rig, options, table, direct);
        repeatAccuracy(rig, options, table);
        replyWindows(rig, options, table);
        receiveCost(rig, options, table);
    }
    overNetwork(options, table, direct);
}

} // namespace bench
