// SPDX-License-Identifier: MIT
// ser2net (the Debian package) in front of one device, with a configuration
// of its own: a raw accepter for socket:// and a Telnet one with COM port
// control for rfc2217://, on free local ports kept across restarts. The
// device is opened at 2400 baud unless told otherwise, a speed the panel
// never sets, so a speed that reaches it shows. Replies from the device go
// on at once, not after ser2net's default wait of two characters' time.
//   Ser2net server(pty.path()); server.start();  // socket://127.0.0.1:PORT, rfc2217://127.0.0.1:PORT2
#pragma once

#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

class Ser2net {
public:
    explicit Ser2net(const QString& device, const QString& line = QStringLiteral("2400n81"))
    {
        QTcpServer raw, telnet; // two free ports, both held while chosen
        raw.listen(QHostAddress::LocalHost);
        telnet.listen(QHostAddress::LocalHost);
        m_raw = raw.serverPort();
        m_telnet = telnet.serverPort();
        QFile config(m_dir.filePath(QStringLiteral("ser2net.yaml")));
        config.open(QIODevice::WriteOnly);
        const QString connection
            = QStringLiteral("connection: &%1\n  accepter: %2,127.0.0.1,%3\n  connector: serialdev,%4,%5,local\n"
                             "  options:\n    chardelay: false\n"); // replies passed on at once
        config.write((connection.arg(QStringLiteral("raw"), QStringLiteral("tcp"), QString::number(m_raw), device, line)
            + connection.arg(
                QStringLiteral("telnet"), QStringLiteral("telnet(rfc2217),tcp"), QString::number(m_telnet), device, line))
                         .toUtf8());
    }
    ~Ser2net() { kill(); }

    // In the foreground; true once it listens (it sets up the ports in order).
    // Not found by connecting: a connection opens the device, and ser2net
    // closing it again could turn the next one away.
    bool start()
    {
        const QString config = m_dir.filePath(QStringLiteral("ser2net.yaml")), pid = m_dir.filePath(QStringLiteral("pid"));
        m_process.start(QStringLiteral("ser2net"),
            {QStringLiteral("-n"), QStringLiteral("-d"), QStringLiteral("-c"), config, QStringLiteral("-P"), pid});
        const QByteArray listening
            = QStringLiteral(":%1 00000000:0000 0A").arg(m_telnet, 4, 16, QLatin1Char('0')).toUpper().toLatin1();
        return m_process.waitForStarted(5000) && QTest::qWaitFor([&] {
            QFile table(QStringLiteral("/proc/net/tcp"));
            return table.open(QIODevice::ReadOnly) && table.readAll().contains(listening);
        });
    }
    void kill()
    {
        m_process.kill();
        m_process.waitForFinished(5000);
    }

    QString socketUrl() const { return QStringLiteral("socket://127.0.0.1:%1").arg(m_raw); }
    QString rfc2217Url() const { return QStringLiteral("rfc2217://127.0.0.1:%1").arg(m_telnet); }

private:
    QTemporaryDir m_dir;
    quint16 m_raw = 0;
    quint16 m_telnet = 0;
    QProcess m_process;
};
