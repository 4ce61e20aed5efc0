// SPDX-License-Identifier: MIT
// --watch: the bridge reads the projector's state of its own accord, every
// interval, through the line queue behind every client's request and never
// ahead of one. What it reads fills the poll cache, the typed state and the
// notifications like any client's read. A round starts only once the last
// one is done, so a slow line is never asked twice.
//   poll.start(10000);   at once, then every 10 s: CR0, CR1, CRA, CR3, CR7, CR6
#pragma once

#include <QObject>
#include <QTimer>

namespace runo {

class LineQueue;

class StatusPoll : public QObject {
    Q_OBJECT
public:
    explicit StatusPoll(LineQueue* queue, QObject* parent = nullptr);
    void start(int intervalMs);

private:
    void round();

    LineQueue* m_queue;
    QTimer m_timer;
    int m_waiting = 0; // reads of this round not yet answered
};

} // namespace runo
