// SPDX-License-Identifier: MIT
// runo-control: the control panel.
//   runo-control                          COM1 and COM2 as mapped (environment, remembered, default)
//   runo-control --com1 /dev/ttyUSB0      COM1 on a USB adapter for this run
#include "app/mainwindow.h"
#include "l10n/exitstatus.h"
#include "l10n/translations.h"
#include "link/portmap.h"
#include "link/serialcomm.h"
#include "panel/endsignals.h"
#include "panel/exchangewatch.h"
#include "panel/trafficlog.h"

#include <QApplication>
#include <QCommandLineParser>

#include <cstdio>
#include <optional>

namespace {

constexpr char kUsage[] = QT_TRANSLATE_NOOP("runo-control",
    "Usage: runo-control [--com1 DEVICE] [--com2 DEVICE] [--log FILE]\n"
    "Try 'runo-control --help' for more information.\n");

// Qt's own options, which QApplication takes from the command line.
constexpr const char* kQtValueOptions[] = {"platform", "platformpluginpath", "platformtheme", "plugin", "display", "style",
    "stylesheet", "geometry", "qwindowgeometry", "qwindowtitle", "qwindowicon", "session"};

// Whether a window can open: Qt would abort without a display.
bool hasDisplay(const QString& platformOption)
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
    const QString platforms = platformOption.isEmpty() ? qEnvironmentVariable("QT_QPA_PLATFORM") : platformOption;
    const bool x11 = !qEnvironmentVariable("DISPLAY").isEmpty();
    const bool wayland = !qEnvironmentVariable("WAYLAND_DISPLAY").isEmpty();
    if (platforms.isEmpty())
        return x11 || wayland;
    for (const QString& entry : platforms.split(QLatin1Char(';'))) {
        const QString platform = entry.section(QLatin1Char(':'), 0, 0);
        if ((platform == QLatin1String("xcb") && !x11) || (platform.startsWith(QLatin1String("wayland")) && !wayland))
            continue;
        return true;
    }
    return false;
#else
    Q_UNUSED(platformOption);
    return true;
#endif
}

// The panel's options, and Qt's own, which QApplication takes from the command line.
struct CommandLine {
    QCommandLineParser parser;
    const QCommandLineOption help {
        {QStringLiteral("h"), QStringLiteral("help")}, runo::translate("runo-control", "Show this help.")};
    const QCommandLineOption version {
        {QStringLiteral("v"), QStringLiteral("version")}, runo::translate("runo-control", "Show the version.")};
    const QCommandLineOption com1 {{QStringLiteral("com1")},
        runo::translate(
            "runo-control", "The device behind COM1 for this run: a path, or socket://HOST:PORT or rfc2217://HOST:PORT."),
        QStringLiteral("DEVICE")};
    const QCommandLineOption com2 {{QStringLiteral("com2")},
        runo::translate("runo-control", "The device behind COM2 for this run."), QStringLiteral("DEVICE")};
    const QCommandLineOption log {{QStringLiteral("log")},
        runo::translate(
            "runo-control", "Append one line per exchange to FILE, tab-separated: time, port, result, sent, received, status."),
        QStringLiteral("FILE")};

    CommandLine()
    {
        parser.setApplicationDescription(
            runo::translate("runo-control", "Control panel for a data projector on an RS-232C serial port."));
        parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions); // Qt's -platform, -style
        parser.addOptions({help, version});
        parser.addOptions({com1, com2, log});
        for (const char* name : kQtValueOptions) {
            QCommandLineOption qt(QLatin1String(name), QString(), QStringLiteral("value"));
            qt.setFlags(QCommandLineOption::HiddenFromHelp);
            parser.addOption(qt);
        }
    }

    // Parses the arguments. What ends the program before a window, the help,
    // the version, a wrong invocation or no display, is answered here: the
    // status to exit with.
    std::optional<runo::ExitStatus> answer(const QStringList& arguments);
};

std::optional<runo::ExitStatus> CommandLine::answer(const QStringList& arguments)
{
    if (!parser.parse(arguments)) {
        std::fprintf(
            stderr, "runo-control: %s\n%s", qPrintable(parser.errorText()), qPrintable(runo::translate("runo-control", kUsage)));
        return runo::ExitStatus::Usage;
    }
    if (!parser.positionalArguments().isEmpty()) {
        std::fprintf(stderr, "runo-control: %s\n%s",
            qPrintable(runo::translate("runo-control", "unexpected argument '%1'").arg(parser.positionalArguments().first())),
            qPrintable(runo::translate("runo-control", kUsage)));
        return runo::ExitStatus::Usage;
    }
    const auto written
        = [] { return runo::outputWritten("runo-control") ? runo::ExitStatus::Success : runo::ExitStatus::OutputError; };
    if (parser.isSet(help)) {
        // No application object yet, so the parser cannot know the program's name.
        std::fputs(
            qPrintable(parser.helpText().replace(QLatin1String("<executable_name>"), QLatin1String("runo-control"))), stdout);
        return written();
    }
    if (parser.isSet(version)) {
        std::printf("runo-control %s\n", RUNO_VERSION);
        return written();
    }
    if (!hasDisplay(parser.value(QStringLiteral("platform")))) {
        std::fprintf(stderr, "runo-control: %s\n",
            qPrintable(
                runo::translate("runo-control", "no display: set DISPLAY or WAYLAND_DISPLAY, or run it from a desktop session")));
        return runo::ExitStatus::NoDisplay;
    }
    return std::nullopt;
}

// The window on the ports the command line and the remembered choices map,
// until the panel ends.
int runPanel(int& argc, char* argv[], const CommandLine& line)
{
    QApplication app(argc, argv);
    runo::installTranslations(true);
    // Lets the desktop match the window to its menu entry and installed icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("runo-control"));
    QApplication::setWindowIcon(runo::applicationIcon());
    // A device name that cannot be opened as given is refused when its port
    // opens: the warning box names where it came from.
    runo::PortMap ports;
    ports.loadRemembered();
    ports.choose(1, line.parser.value(line.com1), QStringLiteral("--com1"));
    ports.choose(2, line.parser.value(line.com2), QStringLiteral("--com2"));

    // Watched before the port first opens. A signal during start-up waits in
    // the watch's pipe for an event loop; if that is the loop of a start-up
    // warning box, the box closes and the panel ends once it is built.
    runo::MainWindow* ending = nullptr;
    bool endedDuringStartUp = false;
    runo::endOnSignals(&app, [&ending, &endedDuringStartUp] {
        if (ending) {
            ending->panel().end();
        } else {
            endedDuringStartUp = true;
            QCoreApplication::exit(runo::exitCode(runo::ExitStatus::Success));
        }
    });
    runo::SerialComm port(&ports);
    runo::MainWindow window(&port);
    runo::TrafficLog log(line.parser.value(line.log));
    const runo::ExchangeWatch exchanges(&window.panel());
    log.watch(&exchanges);
    ending = &window;
    if (endedDuringStartUp) {
        window.panel().end();
        return runo::exitCode(runo::ExitStatus::Success);
    }
    window.show();
    return QApplication::exec();
}

} // namespace

int main(int argc, char* argv[])
{
    // From here on a signal ends the panel as END does, however early it comes.
    runo::watchEndSignals();
    QCoreApplication::setApplicationName(QStringLiteral("runo-control"));
    QCoreApplication::setApplicationVersion(QStringLiteral(RUNO_VERSION));
    runo::installTranslations(true);

    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    CommandLine line;
    if (const std::optional<runo::ExitStatus> status = line.answer(arguments))
        return runo::exitCode(*status);
    return runPanel(argc, argv, line);
}
