// SPDX-License-Identifier: MIT
// runoctl: the panel's commands from the shell.
//   runoctl read status            Stand by
//   runoctl --port /dev/ttyUSB0 --port /dev/ttyUSB1 read l-time
#include "cli/report.h"
#include "cli/run.h"
#include "l10n/translations.h"
#include "panel/endsignals.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char* argv[])
{
    // A signal from here on ends the exchanges as END ends the panel.
    runo::watchEndSignals();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("runoctl"));
    QCoreApplication::setApplicationVersion(QStringLiteral(RUNO_VERSION));
    runo::installTranslations();

    const runo::Invocation invocation = runo::parseInvocation(QCoreApplication::arguments());
    if (!invocation.error.isEmpty()) {
        std::fprintf(stderr, "runoctl: %s\n%s\n", qPrintable(invocation.error),
            qPrintable(QCoreApplication::translate("runoctl", "Try 'runoctl --help'.")));
        return runo::exitCode(runo::ExitStatus::Usage);
    }
    const int status = runo::run(invocation);
    // What a script reads must not be lost unnoticed.
    return runo::outputWritten("runoctl") ? status : runo::exitCode(runo::ExitStatus::OutputError);
}
