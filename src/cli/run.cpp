// SPDX-License-Identifier: MIT
#include "cli/run.h"

#include "cli/listing.h"
#include "cli/ports.h"

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

// Waits in the event loop until every exchange has finished.
void exchangeAll(const std::vector<std::unique_ptr<Exchange>>& exchanges)
{
    qsizetype pending = qsizetype(exchanges.size());
    for (const auto& e : exchanges) {
        QObject::connect(e.get(), &Exchange::finished, [&pending] {
            if (--pending == 0)
                QCoreApplication::exit(0);
        });
    }
    for (const auto& e : exchanges)
        e->start();
    if (pending > 0)
        QCoreApplication::exec();
}

} // namespace

int run(const Invocation& inv)
{
    switch (inv.action) {
    case Invocation::Action::Help: write(stdout, helpText()); return kExitReply;
    case Invocation::Action::Version:
        write(stdout, QStringLiteral("runoctl %1\n").arg(QLatin1String(RUNO_VERSION)));
        return kExitReply;
    case Invocation::Action::List: write(stdout, commandList(inv.format == Format::Json)); return kExitReply;
    case Invocation::Action::Ports: return listPorts(inv.format == Format::Json);
    case Invocation::Action::Run: break;
    }

    std::vector<std::unique_ptr<Exchange>> exchanges;
    for (const Target& target : inv.targets)
        exchanges.push_back(std::make_unique<Exchange>(target, inv.request));
    exchangeAll(exchanges);

    int status = kExitReply;
    const bool withPort = inv.targets.size() > 1;
    for (qsizetype i = 0; i < inv.targets.size(); ++i) {
        const Outcome& outcome = exchanges[size_t(i)]->outcome();
        const Report report = describe(inv.targets[i], inv.commandName, outcome, inv.format, withPort);
        write(stdout, report.out);
        write(stderr, report.err);
        status = std::max(status, exitStatus(outcome));
    }
    return status;
}

} // namespace runo
