// SPDX-License-Identifier: MIT
// projector-sim (PROJECTOR_SIM_PATH) as a child process. Its standard output
// is read line by line: the path of its line first, then "RX <line>" for each
// command line it receives, "CLOSED" when it hangs up and a new path when it
// opens a new line.
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
        if (m_proc.state() != QProcess::NotRunning) {
            m_proc.terminate();
            if (!m_proc.waitForFinished(2000)) {
                m_proc.kill();
                m_proc.waitForFinished(2000);
            }
        }
    }
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    // Starts the simulator; the path of its line, which must be the first
    // thing it prints, or "" on failure.
    QString start(const QStringList& args, int ms = 5000)
    {
        m_proc.start(QStringLiteral(PROJECTOR_SIM_PATH), args);
        if (!m_proc.waitForStarted(ms))
            return {};
        const QByteArray first = nextLine(ms);
        return first.startsWith('/') ? QString::fromLocal8Bit(first) : QString();
    }

    // Ends it as a service manager would; true if it then exits cleanly.
    bool stop()
    {
        m_proc.terminate();
        return m_proc.waitForFinished(5000) && m_proc.exitStatus() == QProcess::NormalExit && m_proc.exitCode() == 0;
    }

    // Every line printed so far.
    const QByteArrayList& lines()
    {
        while (m_proc.canReadLine() || m_proc.waitForReadyRead(0))
            if (m_proc.canReadLine())
                m_lines << m_proc.readLine().trimmed();
        return m_lines;
    }

    // The next line not handed out yet, waiting up to `ms` for it; "" if none
    // came.
    QByteArray nextLine(int ms = 5000)
    {
        if (!QTest::qWaitFor([this] { return m_next < lines().size(); }, ms))
            return {};
        return m_lines[m_next++];
    }

    // The next device path not handed out yet, passing over other lines.
    QString nextPath(int ms = 5000)
    {
        QByteArray path;
        const auto found = [&] {
            while (path.isEmpty() && m_next < lines().size())
                if (m_lines[m_next++].startsWith('/'))
                    path = m_lines[m_next - 1];
            return !path.isEmpty();
        };
        return QTest::qWaitFor(found, ms) ? QString::fromLocal8Bit(path) : QString();
    }

    // Command lines received so far, or only those equal to `line`.
    int received(const QByteArray& line = {})
    {
        int n = 0;
        for (const QByteArray& l : lines())
            n += l.startsWith("RX ") && (line.isEmpty() || l.mid(3) == line);
        return n;
    }

    bool closed() { return lines().contains("CLOSED"); }

private:
    QProcess m_proc;
    QByteArrayList m_lines;
    qsizetype m_next = 0;
};
