// SPDX-License-Identifier: MIT
// runo-projector-sim (PROJECTOR_SIM_PATH) as a child process. Its standard output
// is read line by line: the path of its line first, then "RX <line>" for each
// command line it receives.
//   SimProcess sim; sim.start({"--silent"});   // "/dev/pts/7"
//   ... sim.received("C09") == 3
#pragma once

#include <QByteArrayList>
#include <QProcess>
#include <QString>
#include <QTest>

class SimProcess {
public:
    SimProcess() { m_proc.setProcessChannelMode(QProcess::ForwardedErrorChannel); }
    ~SimProcess()
    {
        m_proc.terminate();
        if (!m_proc.waitForFinished(2000))
            m_proc.kill();
        m_proc.waitForFinished(2000);
    }

    // Starts the simulator; the path of its line, which must be the first
    // thing it prints, or "" on failure.
    QString start(const QStringList& args, int ms = 5000)
    {
        m_proc.start(QStringLiteral(PROJECTOR_SIM_PATH), args);
        if (!m_proc.waitForStarted(ms) || !QTest::qWaitFor([this] { return !lines().isEmpty(); }, ms))
            return {};
        return m_lines.first().startsWith('/') ? QString::fromLocal8Bit(m_lines.first()) : QString();
    }

    // Every line printed so far.
    const QByteArrayList& lines()
    {
        while (m_proc.canReadLine() || m_proc.waitForReadyRead(0))
            if (m_proc.canReadLine())
                m_lines << m_proc.readLine().trimmed();
        return m_lines;
    }

    // Command lines received so far, or only those equal to `line`.
    int received(const QByteArray& line = {})
    {
        int n = 0;
        for (const QByteArray& l : lines())
            n += l.startsWith("RX ") && (line.isEmpty() || l.mid(3) == line);
        return n;
    }

    // The command lines received so far, space-separated.
    QByteArray wire()
    {
        QByteArrayList rx;
        for (const QByteArray& l : lines())
            if (l.startsWith("RX "))
                rx << l.mid(3);
        return rx.join(' ');
    }

private:
    QProcess m_proc;
    QByteArrayList m_lines;
};
