// SPDX-License-Identifier: MIT
// runo-bridge: the projector as a PJLink projector on the network, and its
// line shared with the panel and runoctl.
//   runo-bridge --port /dev/ttyUSB0 --password-file /etc/runo-bridge/hall.password
//   runo-bridge --port socket://10.0.0.7:4001 --no-password --share 4353
#include "bridge/linequeue.h"
#include "bridge/options.h"
#include "bridge/panellink.h"
#include "bridge/pjlink.h"
#include "bridge/pjlinkserver.h"
#include "bridge/share.h"
#include "l10n/exitstatus.h"
#include "l10n/translations.h"
#include "link/serialcomm.h"
#include "panel/endsignals.h"
#include "panel/trafficlog.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>

#ifdef RUNO_HAVE_SYSTEMD
#include <systemd/sd-daemon.h>
#endif

namespace {

using runo::ExitStatus;

int failure(ExitStatus status, const QString& message)
{
    std::fprintf(stderr, "runo-bridge: %s\n", qPrintable(message));
    if (status == ExitStatus::Usage)
        std::fprintf(stderr, "%s\n", qPrintable(QCoreApplication::translate("runo-bridge", "Try 'runo-bridge --help'.")));
    return runo::exitCode(status);
}

// The line's failures, once each, not once per request.
void logLineFailures(runo::PanelLink& link)
{
    auto lastFailure = std::make_shared<QString>();
    QObject::connect(&link, &runo::PanelLink::lineFailed, [lastFailure](const QString& reason) {
        if (reason != *lastFailure)
            runo::logLine(QStringLiteral("line: %1").arg(reason));
        *lastFailure = reason;
    });
    QObject::connect(&link, &runo::PanelLink::finished, [lastFailure](const runo::Exchange& e) {
        if (e.replied())
            lastFailure->clear();
    });
}

// Serves until a signal ends it; the exit status.
int serve(const runo::BridgeOptions& o)
{
    runo::SerialComm port;
    if (!o.device.isEmpty())
        port.setDevice(o.device);
    else
        port.setCommPort(o.com);
    runo::PanelLink link(port, o.baud);
    QString error;
    if (!link.open(&error))
        return failure(ExitStatus::PortError, error);
    runo::TrafficLog log(o.logPath);
    log.watch(link.exchanges());
    logLineFailures(link);

    runo::LineQueue queue(&link);
    runo::PjlinkProjector projector(&queue, {o.name, o.model});
    runo::PjlinkServer server(&projector, {o.password, o.idleMs});
    if (!server.listen(o.pjlink.address, o.pjlink.port))
        return failure(ExitStatus::PortError,
            QCoreApplication::translate("runo-bridge", "PJLink port %1: %2").arg(o.pjlink.port).arg(server.errorString()));
    if (!server.listenForSearch(o.pjlink.address, server.serverPort()))
        runo::logLine(QCoreApplication::translate("runo-bridge", "the PJLink search on UDP port %1 is off: %2")
                          .arg(server.serverPort())
                          .arg(server.searchError()));
    runo::ShareServer share(&queue);
    if (o.share && !share.listen(o.share->address, o.share->port))
        return failure(ExitStatus::PortError,
            QCoreApplication::translate("runo-bridge", "share port %1: %2").arg(o.share->port).arg(share.errorString()));
    runo::logLine(QStringLiteral("PJLink on %1:%2%3")
                      .arg(o.pjlink.address.toString())
                      .arg(server.serverPort())
                      .arg(o.share ? QStringLiteral(", share on %1:%2").arg(o.share->address.toString()).arg(share.serverPort())
                                   : QString()));
    // A service manager's stop (SIGTERM), Ctrl+C or a logout end it as END
    // ends the panel: the line closed and its lock released, exit status 0.
    runo::endOnSignals(QCoreApplication::instance(), [&link] {
        link.end();
        QCoreApplication::exit(runo::exitCode(ExitStatus::Success));
    });
#ifdef RUNO_HAVE_SYSTEMD
    sd_notify(0, "READY=1");
#endif
    return QCoreApplication::exec();
}

} // namespace

int main(int argc, char* argv[])
{
    runo::watchEndSignals();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("runo-bridge"));
    QCoreApplication::setApplicationVersion(QStringLiteral(RUNO_VERSION));
    runo::installTranslations();
    std::signal(SIGPIPE, SIG_IGN);

    const runo::BridgeOptions options = runo::parseBridgeOptions(QCoreApplication::arguments());
    switch (options.action) {
    case runo::BridgeOptions::Action::Help: std::fputs(qPrintable(options.helpText), stdout); break;
    case runo::BridgeOptions::Action::Version: std::printf("runo-bridge %s\n", RUNO_VERSION); break;
    case runo::BridgeOptions::Action::Run:
        if (!options.error.isEmpty())
            return failure(ExitStatus::Usage, options.error);
        for (const QString& warning : options.warnings)
            runo::logLine(warning);
        return serve(options);
    }
    return runo::exitCode(runo::outputWritten("runo-bridge") ? ExitStatus::Success : ExitStatus::OutputError);
}
