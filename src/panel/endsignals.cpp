// SPDX-License-Identifier: MIT
#include "panel/endsignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace runo {

namespace {

int s_pipe[2] = {-1, -1};

void onSignal(int)
{
    const int interrupted = errno; // of the code the signal interrupted
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(s_pipe[1], &byte, 1);
    errno = interrupted;
}

} // namespace

bool watchEndSignals()
{
    if (s_pipe[0] >= 0)
        return true;
    if (::pipe2(s_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    struct sigaction action { };
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
    return true;
}

bool endOnSignals(QObject* context, std::function<void()> end)
{
    if (!watchEndSignals())
        return false;
    auto* notifier = new QSocketNotifier(s_pipe[0], QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context, [end = std::move(end)] {
        char drained[16];
        while (::read(s_pipe[0], drained, sizeof drained) > 0) { }
        end();
    });
    return true;
}

} // namespace runo
