// SPDX-License-Identifier: MIT
// runoctl as a script runs it, against runo-projector-sim on pseudo-terminals:
// "runoctl read status" from process start to exit, beside the floor of a
// shell doing the same exchange by hand on the same line, and 1, 8 and 64
// projectors at once (one simulator process each).
//   sh -c 'exec 3<>"$1"; printf "CR0\r" >&3; head -c 3 <&3' sh /dev/pts/N
#include "bench.h"

#include "simprocess.h"

#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <spawn.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace bench {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kMostPorts = 64;
constexpr int kPortCounts[] = {1, 8, kMostPorts};
constexpr int kAckWindowMs = 500; // FREEZE OFF: an acknowledge, no CR, the whole window
constexpr double kPortsGoalRatio = 1.2;
constexpr double kOwnShareGoalUs = 15e3;

// Runs a program to its end with its output thrown away; the wall time in
// microseconds, or nothing when it could not run or did not exit 0.
std::optional<double> timeRun(const QStringList& argv)
{
    std::vector<QByteArray> args;
    for (const QString& a : argv)
        args.push_back(a.toLocal8Bit());
    std::vector<char*> raw;
    raw.reserve(args.size() + 1);
    for (QByteArray& a : args)
        raw.push_back(a.data());
    raw.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const auto start = Clock::now();
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, raw[0], &actions, nullptr, raw.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return std::nullopt;
    int status = 0;
    waitpid(pid, &status, 0);
    const double us = micros(Clock::now() - start);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? std::optional<double>(us) : std::nullopt;
}

QStringList runoctl(const QStringList& paths, int count, const QStringList& command)
{
    QStringList argv {QStringLiteral(RUNOCTL_PATH)};
    for (int i = 0; i < count; ++i)
        argv << QStringLiteral("--port") << paths[i];
    return argv + command;
}

QStringList shellFloor(const QString& path)
{
    return {QStringLiteral("/bin/sh"), QStringLiteral("-c"),
        QStringLiteral("exec 3<>\"$1\"; printf 'CR0\\r' >&3; head -c 3 <&3 >/dev/null"), QStringLiteral("sh"), path};
}

// Samples of a run; runs that failed are counted, not timed.
Samples sample(const QStringList& argv, int runs, int* failures)
{
    Samples s;
    for (int i = 0; i < runs; ++i) {
        if (const auto us = timeRun(argv))
            s.add(*us);
        else
            ++*failures;
    }
    return s;
}

} // namespace

void measureShell(const Options& o, Table& table)
{
    std::fprintf(stderr, "  runoctl against %d simulators\n", kMostPorts);
    std::vector<std::unique_ptr<SimProcess>> sims;
    QStringList paths;
    for (int i = 0; i < kMostPorts; ++i) {
        sims.push_back(std::make_unique<SimProcess>());
        paths << sims.back()->start({QStringLiteral("--quiet")});
        if (paths.back().isEmpty()) {
            table.note(QStringLiteral("runo-projector-sim did not start; no runoctl figures."));
            return;
        }
    }

    const QStringList readStatus {QStringLiteral("read"), QStringLiteral("status")};
    int failures = 0;
    Samples own, floor, qt;
    for (int i = 0; i < o.scriptRuns; ++i) { // interleaved, so all see the same load
        for (auto [argv, samples] : {std::pair {runoctl(paths, 1, readStatus), &own}, std::pair {shellFloor(paths[0]), &floor},
                 std::pair {QStringList {QStringLiteral(QT_FLOOR_PATH)}, &qt}}) {
            if (const auto us = timeRun(argv))
                samples->add(*us);
            else
                ++failures;
        }
    }
    const double share = own.median() - floor.median();
    table.add({QStringLiteral("runoctl read status, process start to exit (%1 runs): median; shell floor; runoctl's own share")
                   .arg(own.size()),
        QStringLiteral("%1; %2; %3").arg(duration(own.median()), duration(floor.median()), duration(share)),
        QStringLiteral("share < 15 ms"), own.empty() ? std::optional<bool>() : share < kOwnShareGoalUs});
    table.add({QStringLiteral("Beside it: an empty Qt Core program, start to exit (median); runoctl beyond that"),
        QStringLiteral("%1; %2").arg(duration(qt.median()), duration(own.median() - qt.median())), QString(), std::nullopt});

    QStringList figures;
    double one = NAN;
    double most = NAN;
    for (const int n : kPortCounts) {
        const Samples s = sample(runoctl(paths, n, readStatus), o.scriptRuns, &failures);
        figures << QStringLiteral("%1: %2").arg(n).arg(duration(s.median()));
        (n == 1 ? one : most) = s.median();
    }
    const double ratio = most / one;
    table.add({QStringLiteral("runoctl read status on 1, 8 and 64 ports at once: median (64 over 1)"),
        QStringLiteral("%1 (%2×)").arg(figures.join(QStringLiteral("; "))).arg(ratio, 0, 'f', 2),
        QStringLiteral("64 within 1.2× of 1"), std::isnan(ratio) ? std::optional<bool>() : ratio <= kPortsGoalRatio});

    const QStringList freezeOff {QStringLiteral("freeze"), QStringLiteral("off")};
    const int windowRuns = std::max(1, o.scriptRuns / 6);
    const Samples ackOne = sample(runoctl(paths, 1, freezeOff), windowRuns, &failures);
    const Samples ackMost = sample(runoctl(paths, kMostPorts, freezeOff), windowRuns, &failures);
    table.add({QStringLiteral("runoctl freeze off (acknowledged, no CR: the whole %1 ms window) on 1 and 64 ports: median")
                   .arg(kAckWindowMs),
        QStringLiteral("%1; %2 (%3×)")
            .arg(duration(ackOne.median()), duration(ackMost.median()))
            .arg(ackMost.median() / ackOne.median(), 0, 'f', 2),
        QStringLiteral("64 within 1.2× of 1"),
        ackOne.empty() ? std::optional<bool>() : ackMost.median() <= kPortsGoalRatio * ackOne.median()});
    if (failures > 0)
        table.note(QStringLiteral("%1 runoctl or shell runs failed and were left out.").arg(failures));
}

} // namespace bench
