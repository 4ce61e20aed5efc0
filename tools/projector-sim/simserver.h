// SPDX-License-Identifier: MIT
// Serves a Projector on a serial line: a pseudo-terminal it creates, or a
// device node it is given. Handles line framing, reply timing and the fault
// modes used to exercise the control panel.
#pragma once

#include "projector.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <deque>

class QSocketNotifier;

struct SimOptions {
    QString device; // empty: create a pseudo-terminal
    int baud = 19200;
    int delayMs = 0; // before the first byte of each reply
    int split = 0; // reply piece size in bytes, 0 = whole reply
    int gapMs = 0; // pause between reply pieces
    bool silent = false; // never answer (wins over the other modes)
    bool garbage = false; // answer with random bytes
    bool echo = false; // send the command line back before the reply
    int floodBytesPerSec = 0; // unsolicited random bytes
    int closeAfter = 0; // close the line after this many lines, 0 = never
    int reopenAfterMs = -1; // reopen that long after closing, -1 = never
    bool log = false; // trace traffic on stderr
    bool quiet = false; // no "RX" lines on stdout
    Projector::Config projector;
};

class SimServer : public QObject {
    Q_OBJECT
public:
    static constexpr int MaxLineLength = 512;
    static constexpr int MaxQueuedFlood = 64 * 1024;
    static constexpr int MinLingerMs = 50;
    static constexpr int MaxLingerMs = 1000;

    explicit SimServer(const SimOptions& options, QObject* parent = nullptr);
    ~SimServer() override;

    // Opens the line and prints its path as a line on stdout.
    bool start(QString* error);

    static bool baudSupported(int baud);

private:
    bool openLine(QString* error);
    void closeLine();
    void onReadable();
    void onWritable();
    void processLine(const QByteArray& line);
    void schedule(const QByteArray& bytes, qint64 earliestMs);
    void pump();
    void flushOut();
    void floodTick();
    void finishClosingIfIdle();
    void trace(const char* direction, const QByteArray& bytes) const;

    SimOptions m_opt;
    Projector m_projector;
    QElapsedTimer m_clock;

    int m_fd = -1;
    int m_slaveFd = -1; // held open so the pty stays usable between clients
    QSocketNotifier* m_readNotifier = nullptr;
    QSocketNotifier* m_writeNotifier = nullptr;

    struct Piece {
        qint64 dueMs;
        QByteArray bytes;
    };
    std::deque<Piece> m_pending; // scheduled output, in due order
    qint64 m_lastDueMs = 0;
    QByteArray m_out; // due output the line has not taken yet

    QByteArray m_lineBuf;
    bool m_lineOverflow = false;
    int m_linesThisOpen = 0;
    bool m_closing = false;

    QTimer m_pieceTimer;
    QTimer m_floodTimer;
    QTimer m_reopenTimer;
    QTimer m_readRetryTimer;
    QTimer m_lingerTimer; // waits for the client to take the last reply
    qint64 m_closingSinceMs = -1;
    qint64 m_floodLastMs = 0;
    qint64 m_floodCarry = 0; // byte-milliseconds not yet sent
};
