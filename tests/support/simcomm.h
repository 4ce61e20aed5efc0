// SPDX-License-Identifier: MIT
// The simulator's projector behind a port, in this process: each line the
// panel writes is answered by projector-sim's own model, after the delays
// and in the pieces asked for, from the event loop as a real line would.
//   SimComm line; line.delayMs = 600;   // answers arrive 600 ms after each line
//   line.replies["CR0"] = "80X\r";      // a reply of the test's own for one line
//   line.wire() == "CR0 C00"            // the lines received so far
#pragma once

#include "link/mscomm.h"
#include "projector.h"

#include <QByteArrayList>
#include <QElapsedTimer>
#include <QHash>
#include <QTimer>

class SimComm : public runo::MSComm {
public:
    explicit SimComm(const Projector::Config& config = quickProjector())
        : projector(config)
    {
        m_clock.start();
    }
    static Projector::Config quickProjector() { return {0, 0, 1234}; }

    Projector projector;
    int delayMs = 0; // before each reply
    int split = 0; // reply pieces of this many bytes, 0: whole
    int gapMs = 0; // between pieces
    bool echo = false; // each line sent back before its reply
    bool silent = false;
    QHash<QByteArray, QByteArray> replies; // lines answered with these bytes instead of the model's
    QByteArrayList lines; // received, without their CR

    QByteArray wire() const { return lines.join(' '); }
    // The device goes away, as a pulled adapter, and stays away.
    void pull()
    {
        m_open = false;
        m_gone = true;
        fail(QStringLiteral("/dev/sim: the device went away"));
        emit lost();
    }

    bool setCommPort(int p) override { return (m_port = p), true; }
    int commPort() const override { return m_port; }
    bool setSettings(const QString& s) override { return (m_settings = s), true; }
    QString settings() const override { return m_settings; }
    bool setPortOpen(bool open) override
    {
        if (open && m_gone)
            return fail(QStringLiteral("/dev/sim: No such file or directory"));
        m_open = open;
        return true;
    }
    bool portOpen() const override { return m_open; }
    QString deviceName() const override { return QStringLiteral("/dev/sim"); }
    bool output(const QByteArray& text) override
    {
        if (!m_open)
            return fail(QStringLiteral("/dev/sim: Port not open"));
        m_pending += text;
        for (qsizetype cr; (cr = m_pending.indexOf('\r')) >= 0; m_pending.remove(0, cr + 1))
            answer(m_pending.left(cr));
        return true;
    }
    QByteArray input() override { return std::exchange(m_received, QByteArray()); }
    int commEvent() const override { return comEvReceive; }

private:
    void answer(const QByteArray& line)
    {
        lines << line;
        if (silent)
            return;
        const QByteArray own = projector.handleLine(line, m_clock.elapsed());
        const QByteArray reply = (echo ? line + '\r' : QByteArray()) + replies.value(line, own);
        const qsizetype piece = split > 0 ? split : reply.size();
        for (qsizetype at = 0, n = 0; at < reply.size(); at += piece, ++n) {
            QTimer::singleShot(delayMs + int(n) * gapMs, this, [this, bytes = reply.mid(at, piece)] {
                if (!m_open)
                    return;
                m_received += bytes;
                emit onComm();
            });
        }
    }

    QElapsedTimer m_clock;
    QByteArray m_pending;
    QByteArray m_received;
    QString m_settings = QStringLiteral("19200,N,8,1");
    int m_port = 1;
    bool m_open = false;
    bool m_gone = false;
};
