// SPDX-License-Identifier: MIT
#include "cli/run.h"

#include "cli/ports.h"
#include "link/serialcomm.h"
#include "panel/endsignals.h"
#include "panel/listing.h"
#include "panel/trafficlog.h"

#include <QCoreApplication>

#include <cstdio>
#include <memory>
#include <vector>

namespace runo {

namespace {

void write(std::FILE* stream, const QString& text)
{
    if (text.isEmpty())
        return;
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

// Waits in the event loop until every session has finished, or a signal
// has ended those still running.
void runAll(const std::vector<std::unique_ptr<Session>>& sessions)
{
    qsizetype pending = qsizetype(sessions.size());
    for (const auto& s : sessions) {
        QObject::connect(s.get(), &Session::finished, [&pending] {
            if (--pending == 0)
                QCoreApplication::exit(0);
        });
    }
    QObject watch;
    endOnSignals(&watch, [&sessions] {
        for (const auto& s : sessions)
            s->interrupt();
    });
    for (const auto& s : sessions)
        s->start();
    if (pending > 0)
        QCoreApplication::exec();
}

} // namespace

int run(const Invocation& inv)
{
    switch (inv.action) {
    case Invocation::Action::Help: write(stdout, helpText()); return exitCode(ExitStatus::Success);
    case Invocation::Action::Version:
        write(stdout, QStringLiteral("runoctl %1\n").arg(QLatin1String(RUNO_VERSION)));
        return exitCode(ExitStatus::Success);
    case Invocation::Action::List: write(stdout, commandList(inv.format == Format::Json)); return exitCode(ExitStatus::Success);
    case Invocation::Action::Ports: return listPorts(inv.format == Format::Json);
    case Invocation::Action::Run: break;
    }

    PortMap ports; // --com: the environment, the panel's remembered choice, the default
    ports.loadRemembered();
    TrafficLog log(inv.logPath); // outlives the sessions, so it hears each panel's end
    std::vector<std::unique_ptr<SerialComm>> lines; // outlive their sessions
    std::vector<std::unique_ptr<Session>> sessions;
    for (const Target& target : inv.targets) {
        lines.push_back(std::make_unique<SerialComm>(&ports));
        if (!target.device.isEmpty())
            lines.back()->setDevice(target.device);
        sessions.push_back(std::make_unique<Session>(*lines.back(), target, inv.request));
        log.watch(sessions.back()->exchanges());
    }
    runAll(sessions);

    ExitStatus status = ExitStatus::Success;
    const bool withPort = inv.targets.size() > 1;
    for (qsizetype i = 0; i < inv.targets.size(); ++i) {
        const Outcome& outcome = sessions[size_t(i)]->outcome();
        const Report report = describe(inv.targets[i], inv.commandName, outcome, inv.format, withPort);
        write(stdout, report.out);
        write(stderr, report.err);
        status = std::max(status, exitStatus(outcome)); // the worst port's
    }
    return exitCode(status);
}

} // namespace runo
