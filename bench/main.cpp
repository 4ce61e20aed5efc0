// SPDX-License-Identifier: MIT
// runo-bench: how close the panel comes to the wire and to its timers.
// Prints one table; never fails on a slow machine.
//
//   runo-bench [--quick] [--markdown FILE] [--app PATH] [--only window|process|shell|bridge|web|metrics|soak]
//              [--soak-seconds N]
#include "bench.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCommandLineParser>
#include <QFile>

#include <cstdio>
#include <optional>

#ifndef RUNO_CONTROL_PATH
#define RUNO_CONTROL_PATH ""
#endif

namespace {

// Fewer samples: a quick look, not figures to keep.
void takeFewerSamples(bench::Options& options)
{
    options.clicks = 200;
    options.replies = 200;
    options.holdMs = 1000;
    options.holdsPerInterval = 1;
    options.receiveCalls = 300;
    options.idleSeconds = 3;
    options.launches = 3;
    options.soakSeconds = 10;
    options.scriptRuns = 6;
    options.roomSeconds = 5;
}

// Every part but the soaks, or only the part `only` names; the soaks only by name.
void measure(const std::optional<QString>& only, const bench::Options& options, bench::Table& table)
{
    const QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    table.note(QStringLiteral("Qt %1 at run time, platform %2, event dispatcher %3.")
                   .arg(QString::fromLatin1(qVersion()), QGuiApplication::platformName(),
                       QString::fromLatin1(dispatcher ? dispatcher->metaObject()->className() : "none")));
    std::fprintf(stderr, "Measuring:\n");
    const auto runs = [&only](const char* part) { return !only || *only == QLatin1String(part); };
    if (runs("window"))
        bench::measureWindow(options, table);
    if (runs("process"))
        bench::measureProcess(options, table);
    if (runs("shell"))
        bench::measureShell(options, table);
    if (runs("bridge"))
        bench::measureBridge(options, table);
    if (runs("web"))
        bench::measureWeb(options, table);
    if (runs("metrics"))
        bench::measureMetrics(options, table);
    if (only == QLatin1String("soak")) {
        bench::measureSoak(options, table);
        bench::measureBridgeRoom(options.soakSeconds, table);
        bench::measureBridgeSoak(table);
    }
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("runo-bench"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Measures the panel against the wire and its timers."));
    parser.addHelpOption();
    const QCommandLineOption quick(QStringLiteral("quick"), QStringLiteral("Fewer samples: a quick look, not figures to keep."));
    const QCommandLineOption markdown(
        QStringLiteral("markdown"), QStringLiteral("Also write the table to <file>."), QStringLiteral("file"));
    const QCommandLineOption appPath(QStringLiteral("app"), QStringLiteral("The runo-control executable."),
        QStringLiteral("path"), QStringLiteral(RUNO_CONTROL_PATH));
    const QCommandLineOption only(QStringLiteral("only"),
        QStringLiteral("Run one part: window, process, shell, bridge, web, metrics or soak."), QStringLiteral("part"));
    const QCommandLineOption soakSeconds(
        QStringLiteral("soak-seconds"), QStringLiteral("Length of each soak (default 60)."), QStringLiteral("s"));
    parser.addOptions({quick, markdown, appPath, only, soakSeconds});
    parser.process(app);

    bench::Options options;
    options.app = parser.value(appPath);
    if (parser.isSet(quick))
        takeFewerSamples(options);
    if (parser.isSet(soakSeconds))
        options.soakSeconds = std::max(1, parser.value(soakSeconds).toInt());

    bench::Table table;
    measure(parser.isSet(only) ? std::optional<QString>(parser.value(only)) : std::nullopt, options, table);

    const QByteArray text = table.markdown().toUtf8();
    std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
    if (parser.isSet(markdown)) {
        QFile out(parser.value(markdown));
        if (out.open(QIODevice::WriteOnly | QIODevice::Truncate))
            out.write(text);
        else
            std::fprintf(stderr, "cannot write %s\n", qPrintable(parser.value(markdown)));
    }
    return 0;
}
