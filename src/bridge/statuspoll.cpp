// SPDX-License-Identifier: MIT
#include "bridge/statuspoll.h"

#include "bridge/linequeue.h"
#include "commands/commandtable.h"

namespace runo {

namespace {

constexpr CommandRef kWatchedReads[] = {
    command("READ STATUS"),
    command("READ MODE"),
    command("READ MUTE"),
    command("READ L-TIME"),
    command("READ L-MODE"),
    command("READ TEMP"),
};

} // namespace

StatusPoll::StatusPoll(LineQueue* queue, QObject* parent)
    : QObject(parent)
    , m_queue(queue)
{
    connect(&m_timer, &QTimer::timeout, this, &StatusPoll::round);
}

void StatusPoll::start(int intervalMs)
{
    m_timer.start(intervalMs);
    round();
}

void StatusPoll::round()
{
    if (m_waiting > 0)
        return;
    for (const CommandRef read : kWatchedReads) {
        const QByteArray line(read.text().data(), qsizetype(read.text().size()));
        ++m_waiting;
        m_queue->ask(
            line, this, [this](const Exchange&) { --m_waiting; }, LineQueue::Turn::Background);
    }
}

} // namespace runo
