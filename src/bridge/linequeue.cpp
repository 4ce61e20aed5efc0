// SPDX-License-Identifier: MIT
#include "bridge/linequeue.h"

#include "commands/commandtable.h"

#include <QTimer>

#include <algorithm>
#include <string_view>

namespace runo {

LineQueue::LineQueue(PanelLink* link, QObject* parent)
    : QObject(parent)
    , m_link(link)
{
    connect(m_link, &PanelLink::finished, this, &LineQueue::deliver);
}

bool LineQueue::isPolled(const QByteArray& line)
{
    const std::optional<CommandRef> command = commandWithText(std::string_view(line.constData(), size_t(line.size())));
    return command && command->decoder() != ReplyDecoder::None;
}

bool LineQueue::Entry::wanted() const
{
    return std::any_of(waiters.begin(), waiters.end(), [](const Waiter& w) { return !w.asker.isNull(); });
}

qsizetype LineQueue::waiting() const
{
    const auto clients = std::count_if(m_queue.begin(), m_queue.end(), [](const Entry& e) { return e.turn == Turn::Client; });
    return qsizetype(clients) - (frontOnLine() && m_queue.front().turn == Turn::Client ? 1 : 0);
}

bool LineQueue::answerFromCache(const QByteArray& line, QObject* asker, Done& done)
{
    const auto cached = m_cache.constFind(line);
    if (cached == m_cache.cend() || cached->age.elapsed() >= kFreshMs)
        return false;
    // Answered from the event loop, as a result from the line would be.
    QTimer::singleShot(0, asker, [done = std::move(done), result = cached->result] { done(result); });
    return true;
}

bool LineQueue::ask(const QByteArray& line, QObject* asker, Done done, Turn turn)
{
    if (isPolled(line)) {
        if (answerFromCache(line, asker, done))
            return true;
        const auto same = std::find_if(m_queue.begin(), m_queue.end(), [&line](const Entry& e) { return e.line == line; });
        if (same != m_queue.end()) {
            same->waiters.push_back({asker, std::move(done)});
            return true;
        }
    }
    if (turn == Turn::Client && waiting() >= kMaxWaiting)
        return false;
    // A client's request goes ahead of the bridge's own reads still waiting.
    auto at = m_queue.end();
    if (turn == Turn::Client)
        at = std::find_if(
            m_queue.begin() + (frontOnLine() ? 1 : 0), m_queue.end(), [](const Entry& e) { return e.turn == Turn::Background; });
    Entry entry {line, {}, turn};
    entry.waiters.push_back({asker, std::move(done)});
    m_queue.insert(at, std::move(entry));
    if (m_line == Line::Free) // out at once
        next();
    return true;
}

bool LineQueue::withdraw(const QObject* asker)
{
    bool onTheLine = false;
    for (auto it = m_queue.begin(); it != m_queue.end();) {
        const bool running = frontOnLine() && it == m_queue.begin();
        if (running) {
            onTheLine
                = std::any_of(it->waiters.begin(), it->waiters.end(), [asker](const Waiter& w) { return w.asker == asker; });
            ++it;
            continue;
        }
        std::erase_if(it->waiters, [asker](const Waiter& w) { return w.asker == asker; });
        it = it->waiters.empty() ? m_queue.erase(it) : it + 1;
    }
    return onTheLine;
}

void LineQueue::next()
{
    // What nobody waits for any more does not reach the line.
    while (!m_queue.empty() && !m_queue.front().wanted())
        m_queue.pop_front();
    if (m_queue.empty()) {
        m_line = Line::Free;
        return;
    }
    m_line = Line::Busy;
    m_link->exchange(m_queue.front().line);
}

void LineQueue::deliver(const Exchange& result)
{
    if (!frontOnLine())
        return;
    Entry entry = std::move(m_queue.front());
    m_queue.pop_front();
    m_line = Line::Starting;
    if (!isPolled(entry.line)) {
        // Any other line may have changed what the reads read, those taken
        // while it waited included.
        m_cache.clear();
    } else if (result.replied() && result.reading && result.reading->whole) {
        Cached& cached = m_cache[entry.line];
        cached.result = result;
        cached.age.start();
    }
    for (Waiter& w : entry.waiters)
        if (w.asker)
            w.done(result);
    // The next exchange from the event loop, so a waiter's new request
    // takes its place in the line behind those already waiting.
    QTimer::singleShot(0, this, &LineQueue::next);
}

} // namespace runo
