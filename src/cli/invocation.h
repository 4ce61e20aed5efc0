// SPDX-License-Identifier: MIT
// runoctl's command line, read into what to do:
//   runoctl read status                        READ STATUS on COM1
//   runoctl --port /dev/ttyUSB0 power off      POWER OFF there
//   runoctl --com 2 --json send CR PRESSURE    "CR PRESSURE" on COM2, as JSON
//   runoctl hold "VOL +" 1500                  VOL + held for 1.5 s
//   runoctl list                               every command
#pragma once

#include "cli/report.h"
#include "cli/session.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace runo {

inline constexpr int kMaxWaitMs = 600000; // --timeout and a hold: ten minutes at most

struct Invocation {
    enum class Action { Run, List, Ports, Help, Version };
    Action action = Action::Run;
    QList<Target> targets;
    Request request;
    QString commandName; // "READ STATUS", "VOL +", "SEND"
    Format format = Format::Plain;
    QString logPath; // --log: the traffic log, or empty
    QString error; // a usage error: what was wrong, with a hint
};

Invocation parseInvocation(const QStringList& arguments);

QString helpText();

} // namespace runo
