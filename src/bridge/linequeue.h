// SPDX-License-Identifier: MIT
// One owner of the line: every request, from a PJLink client or from the
// share, waits here for its turn and becomes one exchange on the line, in
// arrival order; its result goes to the asker alone. The queue is bounded.
// Reads that clients poll are answered from a whole reply younger than
// kFreshMs, and a poll asked while the same read waits or runs joins it.
// A request whose askers have all gone is dropped before it reaches the
// line; the bridge's own reads (--watch) wait behind every client's.
//   ask("CR0", a), ask("C00", b), ask("CR0", c)   line: "CR0", "C00"; a and c get one result
//   ask("CR0", d) 300 ms after                    answered at once from the cache
//   ask("C50", e), e closes before its turn       "C50" never reaches the line
#pragma once

#include "bridge/panellink.h"

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QPointer>

#include <deque>
#include <functional>
#include <vector>

namespace runo {

class LineQueue : public QObject {
    Q_OBJECT
public:
    // Requests waiting for the line at most; past it a request is refused.
    static constexpr qsizetype kMaxWaiting = 64;
    // How long a polled read stays good.
    static constexpr int kFreshMs = 1000;

    using Done = std::function<void(const Exchange&)>;
    enum class Turn { Client, Background };

    explicit LineQueue(PanelLink* link, QObject* parent = nullptr);

    // Queues line (without its CR) for asker; done runs later, unless asker
    // is gone by then. A polled read may be answered from the cache.
    // False, and nothing queued, when the queue is full.
    bool ask(const QByteArray& line, QObject* asker, Done done, Turn turn = Turn::Client);
    // The asker waits no more: its requests still waiting are dropped.
    // Whether it still waits for the one on the line.
    bool withdraw(const QObject* asker);
    // A read of the command tables: what it reads changes only by another
    // command, so a young result is as good as a new one.
    static bool isPolled(const QByteArray& line);
    // Client requests waiting, the one on the line not counted.
    qsizetype waiting() const;

private:
    struct Waiter {
        QPointer<QObject> asker;
        Done done;
    };
    struct Entry {
        QByteArray line;
        std::vector<Waiter> waiters;
        Turn turn = Turn::Client;
        bool wanted() const;
    };
    struct Cached {
        Exchange result;
        QElapsedTimer age;
    };

    bool frontOnLine() const { return m_line == Line::Busy; }
    bool answerFromCache(const QByteArray& line, QObject* asker, Done& done);
    void next();
    void deliver(const Exchange& result);

    PanelLink* m_link;
    // Free -> Busy (the front on the line) -> Starting (the next, from the event loop) -> Busy or Free
    enum class Line { Free, Busy, Starting };
    std::deque<Entry> m_queue;
    Line m_line = Line::Free;
    QHash<QByteArray, Cached> m_cache;
};

} // namespace runo
