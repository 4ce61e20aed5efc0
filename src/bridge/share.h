// SPDX-License-Identifier: MIT
// The share: the raw line for the panel and runoctl (socket://HOST:PORT).
// Each CR-ended line a client sends is one exchange in the line queue; the
// bytes of its reply go back to that client alone. No authentication. A
// line that finds the queue full closes the client's connection: it sees
// its line lost, never a reply that is not the projector's.
//   client: "CR0\r"   line: "CR0\r"   client <- "80\r"
//   client: "C09\r"   line: "C09\r"   client <- ACK
#pragma once

#include "bridge/linequeue.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

namespace runo {

class ShareServer : public QTcpServer {
    Q_OBJECT
public:
    static constexpr int kMaxClients = 16;
    // The longest line the panel sends (the port's output buffer); a longer
    // one is dropped whole, so the projector never sees a piece of it.
    static constexpr qsizetype kMaxLine = 512;

    // A connection that sends nothing for idleMs is closed, as PJLink's are.
    ShareServer(LineQueue* queue, int idleMs, QObject* parent = nullptr);
    ~ShareServer() override;

    int clients() const { return m_clients; }

private:
    void accept();

    LineQueue* m_queue;
    int m_idleMs;
    int m_clients = 0;
};

class ShareSession : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 kMaxUnsentBytes = 8192;

    ShareSession(QTcpSocket* socket, LineQueue* queue, int idleMs, QObject* parent);

signals:
    void closed();

private:
    //   Reading <-> Waiting (a line in the queue) -> Closed
    enum class State { Reading, Waiting, Closed };

    void readLines();
    void send(const QByteArray& line);
    void answer(const Exchange& exchange);
    void close(const QString& why);

    QTcpSocket* m_socket;
    LineQueue* m_queue;
    QByteArray m_buffer;
    QString m_peer;
    QTimer m_idle; // not while a line waits for its reply
    State m_state = State::Reading;
    bool m_discarding = false; // inside a line that was too long
};

} // namespace runo
