// SPDX-License-Identifier: MIT
#include "bridge/linequeue.h"

#include "commands/commandtable.h"

#include <QTimer>

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

bool LineQueue::ask(const QByteArray& line, QObject* asker, Done done)
{
    if (isPolled(line)) {
        const auto cached = m_cache.constFind(line);
        if (cached != m_cache.cend() && cached->age.elapsed() < kFreshMs) {
            // Answered from the event loop, as a result from the line would be.
            QTimer::singleShot(0, asker, [done = std::move(done), result = cached->result] { done(result); });
            return true;
        }
        for (Entry& e : m_queue) {
            if (e.line == line) {
                e.waiters.push_back({asker, std::move(done)});
                return true;
            }
        }
    }
    const qsizetype waitingNow = qsizetype(m_queue.size()) - (m_running ? 1 : 0);
    if (waitingNow >= kMaxWaiting)
        return false;
    m_queue.push_back({line, {}});
    m_queue.back().waiters.push_back({asker, std::move(done)});
    if (!m_running) { // the line is free: out at once
        m_running = true;
        next();
    }
    return true;
}

void LineQueue::next()
{
    if (m_queue.empty()) {
        m_running = false;
        return;
    }
    m_link->exchange(m_queue.front().line);
}

void LineQueue::deliver(const Exchange& result)
{
    if (m_queue.empty())
        return;
    Entry entry = std::move(m_queue.front());
    m_queue.pop_front();
    if (!isPolled(entry.line)) {
        // Any other line may have changed what the reads read, those taken
        // while it waited included.
        m_cache.clear();
    } else if (result.result == Exchange::Result::Reply) {
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
