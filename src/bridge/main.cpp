// SPDX-License-Identifier: MIT
// runo-bridge: the projector as a PJLink projector on the network, and its
// line shared with the panel and runoctl.
//   runo-bridge --port /dev/ttyUSB0 --password-file /etc/runo-bridge/hall.password
//   runo-bridge --port socket://10.0.0.7:4001 --no-password --share 4353
#include "bridge/linequeue.h"
#include "bridge/panellink.h"
#include "bridge/pjlink.h"
#include "bridge/pjlinkserver.h"
#include "bridge/share.h"
#include "l10n/translations.h"
#include "panel/endsignals.h"
#include "panel/linespeed.h"
#include "panel/trafficlog.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <csignal>
#include <cstdio>

#ifdef RUNO_HAVE_SYSTEMD
#include <systemd/sd-daemon.h>
#endif

namespace {

// runoctl's exit statuses for what stops the start.
constexpr int kExitUsage = 2;
constexpr int kExitPortError = 3;
constexpr int kExitOutputError = 4; // as runoctl's

constexpr quint16 kPjlinkPort = 4352;
constexpr qint64 kMaxPasswordBytes = 1024; // PJLink's own limit is 32

struct Listen {
    QHostAddress address;
    quint16 port = 0;
};

// "[ADDR:]PORT"; "[::1]:4352" for IPv6.
std::optional<Listen> listenAddress(const QString& text, const QHostAddress& fallback)
{
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    Listen l {fallback};
    if (colon >= 0) {
        QString host = text.left(colon);
        if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
            host = host.mid(1, host.size() - 2);
        if (!l.address.setAddress(host))
            return std::nullopt;
    }
    bool ok = false;
    const uint port = text.mid(colon + 1).toUInt(&ok);
    if (!ok || port > 65535) // 0: a free port, the one taken is logged
        return std::nullopt;
    l.port = quint16(port);
    return l;
}

int usage(const QString& message)
{
    std::fprintf(stderr, "runo-bridge: %s\n%s\n", qPrintable(message),
        qPrintable(QCoreApplication::translate("runo-bridge", "Try 'runo-bridge --help'.")));
    return kExitUsage;
}

const char* const kDescription = QT_TRANSLATE_NOOP("runo-bridge",
    "Makes the projector on the line a PJLink projector on the network (TCP port\n"
    "4352) and shares the line with the panel and runoctl. Every request becomes\n"
    "one exchange on the line, one at a time, in arrival order.\n"
    "\n"
    "Exit status: 2 for a wrong invocation or a missing password, 3 when the\n"
    "line cannot be opened or a port cannot be listened on.");

} // namespace

int main(int argc, char* argv[])
{
    runo::watchEndSignals();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("runo-bridge"));
    QCoreApplication::setApplicationVersion(QStringLiteral(RUNO_VERSION));
    runo::installTranslations();
    std::signal(SIGPIPE, SIG_IGN);

    QCommandLineParser p;
    p.setApplicationDescription(QCoreApplication::translate("runo-bridge", kDescription));
    const QCommandLineOption help({"h", "help"}, QCoreApplication::translate("runo-bridge", "Show this help."));
    const QCommandLineOption version({"v", "version"}, QCoreApplication::translate("runo-bridge", "Show the version."));
    p.addOptions({help, version});
    p.addOptions({
        {"port",
            QCoreApplication::translate("runo-bridge",
                "The projector's line: COM1, COM2, a device path, socket://HOST:PORT or rfc2217://HOST:PORT (default COM1)."),
            "device", "COM1"},
        {"speed", QCoreApplication::translate("runo-bridge", "Line speed, 19200 or 9600 (default 19200)."), "baud",
            QString::number(runo::lineSpeed(runo::kStartLineSpeed).baud)},
        {"pjlink", QCoreApplication::translate("runo-bridge", "Serve PJLink on [ADDR:]PORT (default: all addresses, 4352)."),
            "addr:port"},
        {"password-file", QCoreApplication::translate("runo-bridge", "The PJLink password, the first line of <file>."), "file"},
        {"no-password", QCoreApplication::translate("runo-bridge", "Serve PJLink without authentication.")},
        {"share",
            QCoreApplication::translate(
                "runo-bridge", "Share the raw line on [ADDR:]PORT (127.0.0.1 when only a port is given)."),
            "addr:port"},
        {"name", QCoreApplication::translate("runo-bridge", "The answer to NAME ? (default runo-bridge)."), "text",
            "runo-bridge"},
        {"model", QCoreApplication::translate("runo-bridge", "The answer to INF2 ? when the projector does not give its own."),
            "text", "VM90/VM70/VM50"},
        {"idle", QCoreApplication::translate("runo-bridge", "Close a PJLink connection idle for <seconds> (default 30)."),
            "seconds", "30"},
        {"log",
            QCoreApplication::translate("runo-bridge",
                "Append one line per exchange on the line to <file>, tab-separated: time, port, result, sent, received, "
                "status."),
            "file"},
    });
    if (!p.parse(QCoreApplication::arguments()))
        return usage(p.errorText());
    if (p.isSet(help)) {
        std::fputs(qPrintable(p.helpText().replace(app.arguments().first(), QLatin1String("runo-bridge"))), stdout);
        return runo::outputWritten("runo-bridge") ? 0 : kExitOutputError;
    }
    if (p.isSet(version)) {
        std::printf("runo-bridge %s\n", RUNO_VERSION);
        return runo::outputWritten("runo-bridge") ? 0 : kExitOutputError;
    }
    if (!p.positionalArguments().isEmpty())
        return usage(QCoreApplication::translate("runo-bridge", "unexpected argument %1").arg(p.positionalArguments().first()));

    const runo::LineSpeedRow* speed = runo::findLineSpeed(p.value("speed").toInt());
    if (!speed)
        return usage(QCoreApplication::translate("runo-bridge", "--speed takes 19200 or 9600"));
    bool idleOk = false;
    const int idleSeconds = p.value("idle").toInt(&idleOk);
    if (!idleOk || idleSeconds < 1)
        return usage(QCoreApplication::translate("runo-bridge", "--idle takes a whole number of seconds, 1 or more"));
    const auto pjlinkAt = p.isSet("pjlink") ? listenAddress(p.value("pjlink"), QHostAddress::Any)
                                            : std::optional<Listen>(Listen {QHostAddress::Any, kPjlinkPort});
    if (!pjlinkAt)
        return usage(QCoreApplication::translate("runo-bridge", "--pjlink takes [ADDR:]PORT, not \"%1\"").arg(p.value("pjlink")));
    const auto shareAt = listenAddress(p.value("share"), QHostAddress::LocalHost);
    if (p.isSet("share") && !shareAt)
        return usage(QCoreApplication::translate("runo-bridge", "--share takes [ADDR:]PORT, not \"%1\"").arg(p.value("share")));
    const QByteArray name = p.value("name").toUtf8();
    if (name.size() > 64 || name.contains('\r'))
        return usage(QCoreApplication::translate("runo-bridge", "--name takes at most 64 bytes"));

    runo::PjlinkServer::Config serverConfig;
    serverConfig.idleMs = idleSeconds * 1000;
    if (p.isSet("password-file") == p.isSet("no-password"))
        return usage(QCoreApplication::translate(
            "runo-bridge", "a PJLink password is needed: --password-file FILE, or --no-password to serve without one"));
    if (p.isSet("password-file")) {
        const QString file = p.value("password-file");
        QFile f(file);
        if (!f.open(QIODevice::ReadOnly))
            return usage(QStringLiteral("%1: %2").arg(file, f.errorString()));
        serverConfig.password = f.readLine(kMaxPasswordBytes);
        while (serverConfig.password.endsWith('\n') || serverConfig.password.endsWith('\r'))
            serverConfig.password.chop(1);
        if (serverConfig.password.isEmpty())
            return usage(QCoreApplication::translate("runo-bridge", "%1: the first line, the password, is empty").arg(file));
        if (QFileInfo(file).permissions() & (QFile::ReadGroup | QFile::ReadOther))
            runo::logLine(QCoreApplication::translate(
                "runo-bridge", "warning: %1 can be read by other users; make it readable by its owner alone (chmod 600)")
                              .arg(file));
    }

    QString device = p.value("port");
    int com = 1;
    static const QRegularExpression comName(QStringLiteral("^COM([12])$"), QRegularExpression::CaseInsensitiveOption);
    if (const auto m = comName.match(device); m.hasMatch()) {
        com = m.captured(1).toInt();
        device.clear();
    }
    runo::PanelLink link(device, com, speed->baud);
    QString error;
    if (!link.open(&error)) {
        std::fprintf(stderr, "runo-bridge: %s\n", qPrintable(error));
        return kExitPortError;
    }
    runo::TrafficLog log(p.value("log"));
    log.watch(link.panel());
    QString lastFailure;
    QObject::connect(&link, &runo::PanelLink::lineFailed, [&lastFailure](const QString& reason) {
        if (reason != lastFailure) // once per failure, not once per request
            runo::logLine(QStringLiteral("line: %1").arg(reason));
        lastFailure = reason;
    });
    QObject::connect(&link, &runo::PanelLink::finished, [&lastFailure](const runo::LineResult& r) {
        if (r.result == runo::LineResult::Result::Reply)
            lastFailure.clear();
    });

    runo::LineQueue queue(&link);
    runo::PjlinkProjector projector(&queue, {name, p.value("model").toUtf8().left(32)});
    runo::PjlinkServer server(&projector, serverConfig);
    if (!server.listen(pjlinkAt->address, pjlinkAt->port)) {
        std::fprintf(stderr, "runo-bridge: %s\n",
            qPrintable(
                QCoreApplication::translate("runo-bridge", "PJLink port %1: %2").arg(pjlinkAt->port).arg(server.errorString())));
        return kExitPortError;
    }
    if (!server.listenForSearch(pjlinkAt->address, server.serverPort()))
        runo::logLine(QCoreApplication::translate("runo-bridge", "the PJLink search on UDP port %1 is off: %2")
                          .arg(server.serverPort())
                          .arg(server.searchError()));
    runo::ShareServer share(&queue);
    if (p.isSet("share") && !share.listen(shareAt->address, shareAt->port)) {
        std::fprintf(stderr, "runo-bridge: %s\n",
            qPrintable(
                QCoreApplication::translate("runo-bridge", "share port %1: %2").arg(shareAt->port).arg(share.errorString())));
        return kExitPortError;
    }
    runo::logLine(
        QStringLiteral("PJLink on %1:%2%3")
            .arg(pjlinkAt->address.toString())
            .arg(server.serverPort())
            .arg(p.isSet("share") ? QStringLiteral(", share on %1:%2").arg(shareAt->address.toString()).arg(share.serverPort())
                                  : QString()));
    // A service manager's stop (SIGTERM), Ctrl+C or a logout end it as END
    // ends the panel: the line closed and its lock released, exit status 0.
    runo::endOnSignals(&app, [&link] {
        link.end();
        QCoreApplication::exit(0);
    });
#ifdef RUNO_HAVE_SYSTEMD
    sd_notify(0, "READY=1");
#endif
    return QCoreApplication::exec();
}
