// SPDX-License-Identifier: MIT
// runo-projector-sim: a data projector on a serial line, for trying out and
// testing the control panel without the hardware.

#include "l10n/exitstatus.h"
#include "l10n/translations.h"
#include "simserver.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <optional>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &byte, 1);
}

bool installSignalHandlers()
{
    if (::pipe(signalPipe) != 0)
        return false;
    for (int fd : signalPipe)
        fcntl(fd, F_SETFD, FD_CLOEXEC);
    fcntl(signalPipe[1], F_SETFL, O_NONBLOCK);

    struct sigaction sa { };
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
    // A reader of stdout that goes away must not kill the simulator.
    std::signal(SIGPIPE, SIG_IGN);
    return true;
}

const char* const Usage = QT_TRANSLATE_NOOP("runo-projector-sim",
    "Usage: runo-projector-sim [options]\n"
    "Try 'runo-projector-sim --help' for more information.\n");

const char* const Description = QT_TRANSLATE_NOOP("runo-projector-sim",
    "Simulates a projector on a serial line.\n"
    "\n"
    "Without --device it creates a pseudo-terminal (raw, 8N1) and serves its\n"
    "master side; with --device it serves the given terminal device.\n"
    "\n"
    "Output on stdout, one item per line, flushed at once:\n"
    "  /dev/...     the path to open (always the first line; printed again\n"
    "               after every reopen)\n"
    "  RX <line>    each command line received, without its CR; bytes\n"
    "               outside printable ASCII appear as \\xNN, a backslash as \\\\\n"
    "               (use these to count commands, e.g. held \"C09\" repeats)\n"
    "  CLOSED       the line was closed by --close-after\n"
    "\n"
    "Command lines end at CR; LF is ignored. Lines longer than 512 bytes are\n"
    "discarded. --close-after counts lines anew after each reopen; the\n"
    "projector itself (power state, input, lamp time) carries on across\n"
    "reopens. Without --reopen-after the program stays running with the line\n"
    "closed. SIGINT or SIGTERM ends the program.");

bool intValue(const QCommandLineParser& p, const QString& name, int min, int* out)
{
    if (!p.isSet(name))
        return true;
    bool ok = false;
    const int v = p.value(name).toInt(&ok);
    if (!ok || v < min) {
        std::fprintf(stderr, "runo-projector-sim: %s\n",
            qPrintable(QCoreApplication::translate("runo-projector-sim", "--%1 needs a whole number >= %2").arg(name).arg(min)));
        return false;
    }
    *out = v;
    return true;
}

void addOptions(QCommandLineParser& p)
{
    p.setApplicationDescription(QCoreApplication::translate("runo-projector-sim", Description));
    p.addOptions({
        {{"h", "help"}, QCoreApplication::translate("runo-projector-sim", "Show this help.")},
        {{"v", "version"}, QCoreApplication::translate("runo-projector-sim", "Show the version.")},
    });
    p.addOptions({
        {"device",
            QCoreApplication::translate(
                "runo-projector-sim", "Serve the terminal device <path> instead of a new pseudo-terminal."),
            "path"},
        {"baud", QCoreApplication::translate("runo-projector-sim", "Line speed (default 19200; 9600, 38400, ... also accepted)."),
            "rate"},
        {"delay", QCoreApplication::translate("runo-projector-sim", "Wait <ms> before sending each reply."), "ms"},
        {"split", QCoreApplication::translate("runo-projector-sim", "Send replies in pieces of <n> bytes."), "n"},
        {"gap", QCoreApplication::translate("runo-projector-sim", "Pause <ms> between reply pieces (with --split)."), "ms"},
        {"silent", QCoreApplication::translate("runo-projector-sim", "Never answer (echo included).")},
        {"garbage",
            QCoreApplication::translate(
                "runo-projector-sim", "Answer every command that gets a reply with 1-16 random bytes instead.")},
        {"flood", QCoreApplication::translate("runo-projector-sim", "Send <n> random bytes per second, unasked."), "n"},
        {"echo",
            QCoreApplication::translate("runo-projector-sim", "Send each command line, with its CR, back before the reply.")},
        {"close-after",
            QCoreApplication::translate(
                "runo-projector-sim", "Close the line after <n> command lines (their replies are sent first)."),
            "n"},
        {"reopen-after",
            QCoreApplication::translate("runo-projector-sim",
                "With --close-after: open the line again <ms> after closing it; a pseudo-terminal "
                "is created anew and its new path printed."),
            "ms"},
        {"power-on-ms", QCoreApplication::translate("runo-projector-sim", "Count-down after power on (default 5000)."), "ms"},
        {"cooldown-ms", QCoreApplication::translate("runo-projector-sim", "Cooling down after power off (default 5000)."), "ms"},
        {"lamp-hours", QCoreApplication::translate("runo-projector-sim", "Lamp hours at start (default 1234)."), "h"},
        {"log",
            QCoreApplication::translate(
                "runo-projector-sim", "Trace every received line (RX) and every piece sent (TX) on stderr, time-stamped.")},
        {"quiet", QCoreApplication::translate("runo-projector-sim", "Do not print RX lines on stdout.")},
    });
}

// The values of a parsed command line; false once one is wrong, said on stderr.
bool readOptions(const QCommandLineParser& p, SimOptions* opt)
{
    opt->device = p.value("device");
    opt->silent = p.isSet("silent");
    opt->garbage = p.isSet("garbage");
    opt->echo = p.isSet("echo");
    opt->log = p.isSet("log");
    opt->quiet = p.isSet("quiet");
    int powerOn = int(opt->projector.powerOnMs);
    int coolDown = int(opt->projector.coolDownMs);
    if (!intValue(p, "baud", 1, &opt->baud) || !intValue(p, "delay", 0, &opt->delayMs) || !intValue(p, "split", 1, &opt->split)
        || !intValue(p, "gap", 0, &opt->gapMs) || !intValue(p, "flood", 1, &opt->floodBytesPerSec)
        || !intValue(p, "close-after", 1, &opt->closeAfter) || !intValue(p, "reopen-after", 0, &opt->reopenAfterMs)
        || !intValue(p, "power-on-ms", 0, &powerOn) || !intValue(p, "cooldown-ms", 0, &coolDown)
        || !intValue(p, "lamp-hours", 0, &opt->projector.lampHours))
        return false;
    opt->projector.powerOnMs = powerOn;
    opt->projector.coolDownMs = coolDown;
    if (!p.positionalArguments().isEmpty()) {
        std::fprintf(stderr, "runo-projector-sim: %s\n%s",
            qPrintable(
                QCoreApplication::translate("runo-projector-sim", "unexpected argument %1").arg(p.positionalArguments().first())),
            qPrintable(QCoreApplication::translate("runo-projector-sim", Usage)));
        return false;
    }
    if (!SimServer::baudSupported(opt->baud)) {
        std::fprintf(stderr, "runo-projector-sim: %s\n",
            qPrintable(QCoreApplication::translate("runo-projector-sim", "unsupported baud rate %1").arg(opt->baud)));
        return false;
    }
    return true;
}

// The command line: the options to serve the line with, or the status to
// exit with at once, after the help, the version or what is wrong with it.
struct CommandLine {
    SimOptions options;
    std::optional<runo::ExitStatus> exitNow;
};

CommandLine parseCommandLine(const QStringList& arguments)
{
    QCommandLineParser p;
    addOptions(p);
    if (!p.parse(arguments)) {
        std::fprintf(stderr, "runo-projector-sim: %s\n%s", qPrintable(p.errorText()),
            qPrintable(QCoreApplication::translate("runo-projector-sim", Usage)));
        return {{}, runo::ExitStatus::Usage};
    }
    const auto written
        = [] { return runo::outputWritten("runo-projector-sim") ? runo::ExitStatus::Success : runo::ExitStatus::OutputError; };
    if (p.isSet("help")) {
        std::fputs(qPrintable(p.helpText().replace(arguments.first(), QLatin1String("runo-projector-sim"))), stdout);
        return {{}, written()};
    }
    if (p.isSet("version")) {
        std::printf("runo-projector-sim %s\n", RUNO_VERSION);
        return {{}, written()};
    }
    CommandLine line;
    if (!readOptions(p, &line.options))
        line.exitNow = runo::ExitStatus::Usage;
    return line;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("runo-projector-sim"));
    QCoreApplication::setApplicationVersion(QStringLiteral(RUNO_VERSION));
    runo::installTranslations();

    const CommandLine line = parseCommandLine(QCoreApplication::arguments());
    if (line.exitNow)
        return runo::exitCode(*line.exitNow);

    if (!installSignalHandlers()) {
        std::perror("runo-projector-sim: pipe");
        return EXIT_FAILURE; // out of file descriptors: no status of its own
    }
    QSocketNotifier signalNotifier(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, &app, [] {
        char buf[16];
        [[maybe_unused]] const ssize_t n = ::read(signalPipe[0], buf, sizeof buf);
        QCoreApplication::quit();
    });

    SimServer server(line.options);
    QString error;
    if (!server.start(&error)) {
        std::fprintf(stderr, "runo-projector-sim: %s\n", qPrintable(error));
        return runo::exitCode(runo::ExitStatus::PortError);
    }
    return QCoreApplication::exec();
}
