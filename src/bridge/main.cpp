// SPDX-License-Identifier: MIT
// runo-bridge: the projector as a PJLink projector on the network, and its
// line shared with the panel and runoctl.
//   runo-bridge --port /dev/ttyUSB0 --password-file /etc/runo-bridge/hall.password
//   runo-bridge --port socket://10.0.0.7:4001 --no-password --share 4353
#include "bridge/bridge.h"
#include "bridge/journal.h"
#include "bridge/metrics/metrics.h"
#include "bridge/options.h"
#include "l10n/exitstatus.h"
#include "l10n/translations.h"
#include "link/serialcomm.h"
#include "panel/endsignals.h"

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

// Serves until a signal ends it; the exit status.
int serve(const runo::BridgeOptions& o)
{
    runo::SerialComm port;
    if (!o.device.isEmpty())
        port.setDevice(o.device);
    else
        port.setCommPort(o.com);
    runo::Bridge bridge(port, o);
    const runo::Metrics metrics(bridge); // GET /metrics on the web face
    QString error;
    if (!bridge.start(&error))
        return failure(ExitStatus::PortError, error);
    runo::logLine(bridge.listening());
    // A service manager's stop (SIGTERM), Ctrl+C or a logout end it as END
    // ends the panel: the line closed and its lock released, exit status 0.
    runo::endOnSignals(QCoreApplication::instance(), [&bridge] {
        bridge.end();
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
