// SPDX-License-Identifier: MIT
// runo-bridge (BRIDGE_PATH) as a child process on a device, its PJLink port,
// and its share and web ports when the arguments ask for them ("--share", "0"), all
// free local ports read from the line it prints when it is up.
//   BridgeProcess bridge; bridge.start(sim.start({}), {"--no-password"});
//   client.open(bridge.pjlink);
#pragma once

#include "procstatus.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTest>

class BridgeProcess {
public:
    ~BridgeProcess()
    {
        process.terminate();
        process.waitForFinished(3000);
    }
    // False when it did not come up within 5 s.
    bool start(const QString& device, const QStringList& args, const QString& at = QStringLiteral("127.0.0.1"))
    {
        process.start(QStringLiteral(BRIDGE_PATH), QStringList {"--port", device, "--pjlink", at + ":0"} + args);
        static const QRegularExpression ready(
            QStringLiteral("PJLink on [^ ]+:(\\d+)(?:, share on [^ ]+:(\\d+))?(?:, web on https?://[^ ]+:(\\d+))?\n"));
        QRegularExpressionMatch m;
        (void)QTest::qWaitFor(
            [&] {
                m = ready.match(QString::fromLatin1(log()));
                return m.hasMatch() || process.state() == QProcess::NotRunning;
            },
            5000);
        pjlink = quint16(m.captured(1).toUInt());
        share = quint16(m.captured(2).toUInt());
        web = quint16(m.captured(3).toUInt());
        return m.hasMatch();
    }
    // All it has written to standard error so far.
    QByteArray log() { return m_err += process.readAllStandardError(); }
    qint64 rssKb() const { return statusKb(process.processId(), "VmRSS:"); }

    QProcess process;
    quint16 pjlink = 0;
    quint16 share = 0;
    quint16 web = 0; // "--http", "0"

private:
    QByteArray m_err;
};
