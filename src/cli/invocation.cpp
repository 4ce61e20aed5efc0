// SPDX-License-Identifier: MIT
#include "cli/invocation.h"

#include "commands/commandtable.h"
#include "link/portmap.h"
#include "link/quoted.h"
#include "panel/linespeed.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <algorithm>
#include <limits>

namespace runo {

namespace {

const char* const kDescription
    = QT_TRANSLATE_NOOP("runoctl", R"(Sends one of the panel's commands to a projector on a serial port and prints
the reply, decoded as the panel decodes it.

Commands (names as on the panel, any case; 'runoctl list' shows them all):
  NAME...           a button: power on, input 2 rgb, read status, vol +
  hold NAME... MS   a hold button held for MS milliseconds: hold vol + 1500
  send TEXT...      a free command, as the panel's SEND: send CR PRESSURE
  list              every command with its group, text and reply window
  ports             the serial ports, as the panel's device menu lists them

An arrow in a name may be typed as itself or as up, down, left, right:
'runoctl lens shift up' is LENS SHIFT ↑.

A reply ends at its first CR, or, for a command that reads nothing, at its
ACK. Of what a port sends, the first %1 bytes are kept and printed; the
rest are counted ("dropped" in --json), so a flood cannot fill the memory.

Exit status: 0 a reply came, 1 no reply in the reply window, 2 usage error,
3 a port could not be opened, refused the line or went away (what came before
is printed), 4 the output could not be written, 5 ended by SIGINT, SIGTERM or
SIGHUP before a port was done (its port closed and unlocked, what came so far
printed). With several ports, the worst of these.)");

// The speeds offered, as "19200 or 9600"; the one at start marked "(default)".
QString speedChoices(bool markDefault)
{
    QStringList speeds;
    for (const LineSpeedRow& row : kLineSpeeds)
        speeds.append(QString::number(row.baud)
            + (markDefault && row.speed == kStartLineSpeed ? QCoreApplication::translate("runoctl", " (default)") : QString()));
    const QString last = speeds.takeLast();
    return speeds.isEmpty() ? last : speeds.join(QStringLiteral(", ")) + QCoreApplication::translate("runoctl", " or ") + last;
}

struct Options {
    QCommandLineOption port {QStringLiteral("port"),
        QCoreApplication::translate("runoctl",
            "The serial device; give it again for more projectors, all served at once. Default: COM1 as the "
            "panel maps it ($RUNO_COM1, the remembered choice, /dev/ttyS0)."),
        QStringLiteral("device")};
    QCommandLineOption com {QStringLiteral("com"), QCoreApplication::translate("runoctl", "COM1 or COM2 as the panel maps it."),
        QStringLiteral("1|2")};
    QCommandLineOption speed {QStringLiteral("speed"),
        QCoreApplication::translate("runoctl", "Line speed: %1.").arg(speedChoices(true)), QStringLiteral("baud")};
    QCommandLineOption timeout {QStringLiteral("timeout"),
        QCoreApplication::translate("runoctl", "Wait up to MS for the reply instead of the panel's reply window."),
        QStringLiteral("ms")};
    QCommandLineOption verbose {QStringLiteral("verbose"),
        QCoreApplication::translate("runoctl", "Print the TXD, RXD and STATUS lines as the panel shows them.")};
    QCommandLineOption json {QStringLiteral("json"),
        QCoreApplication::translate(
            "runoctl", "Print one JSON object a line: per port; for list, per command; for ports, per port found.")};
    QCommandLineOption log {QStringLiteral("log"),
        QCoreApplication::translate(
            "runoctl", "Append one line per exchange to <file>, tab-separated: time, port, result, sent, received, status."),
        QStringLiteral("file")};
    QCommandLineOption help {
        {QStringLiteral("h"), QStringLiteral("help")}, QCoreApplication::translate("runoctl", "Show this help and exit.")};
    QCommandLineOption version {
        {QStringLiteral("v"), QStringLiteral("version")}, QCoreApplication::translate("runoctl", "Show the version and exit.")};

    void addTo(QCommandLineParser& parser) const
    {
        parser.addOptions({port, com, speed, timeout, verbose, json, log, help, version});
    }
};

void setUp(QCommandLineParser& parser, const Options& options)
{
    parser.setApplicationDescription(QCoreApplication::translate("runoctl", kDescription).arg(kKeptBytes));
    options.addTo(parser);
    parser.addPositionalArgument(QStringLiteral("command"), QCoreApplication::translate("runoctl", "What to send (see above)."),
        QStringLiteral("COMMAND..."));
}

// A whole number in [min, max] in plain digits ("0", "1500"; not " 5",
// "+5" or "05"), or nothing.
std::optional<int> number(const QString& text, int min, int max)
{
    constexpr qsizetype kMaxDigits = 9; // fits an int
    const bool plain = !text.isEmpty() && text.size() <= kMaxDigits && (text == QLatin1String("0") || text[0] != u'0')
        && std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    if (!plain)
        return std::nullopt;
    const int n = text.toInt();
    return n >= min && n <= max ? std::optional<int>(n) : std::nullopt;
}

QString holdMsError(const QString& ms)
{
    return QCoreApplication::translate("runoctl", "hold needs milliseconds from 0 to %1, not \"%2\"")
        .arg(kMaxWaitMs)
        .arg(quotedControls(ms));
}

Invocation failed(const QString& message)
{
    Invocation inv;
    inv.error = message;
    return inv;
}

QString unknownCommand(const QString& words)
{
    QString message = QCoreApplication::translate("runoctl", "unknown command \"%1\"").arg(quotedControls(words.simplified()));
    const QStringList like = namesLike(words);
    if (!like.isEmpty() && like.size() <= 8)
        message += QCoreApplication::translate("runoctl", "; did you mean: %1?").arg(like.join(QStringLiteral(", ")));
    return message + QCoreApplication::translate("runoctl", "\n'runoctl list' shows every command");
}

// The command words into the request: a name, "hold NAME MS" or "send TEXT".
QString readCommand(QStringList words, Invocation& inv)
{
    if (words.isEmpty())
        return QCoreApplication::translate("runoctl", "no command given");
    const QString first = words.takeFirst();
    const QString verb = first.toLower();
    if (verb == QLatin1String("list") && words.isEmpty()) {
        inv.action = Invocation::Action::List;
        return {};
    }
    if (verb == QLatin1String("ports") && words.isEmpty()) {
        inv.action = Invocation::Action::Ports;
        return {};
    }
    if (verb == QLatin1String("send")) {
        if (words.isEmpty())
            return QCoreApplication::translate("runoctl", "send needs the command text, e.g. send CR0");
        inv.request.freeText = words.join(QLatin1Char(' '));
        inv.commandName = QStringLiteral("SEND");
        return {};
    }
    const bool hold = verb == QLatin1String("hold");
    if (!hold)
        words.prepend(first);
    else if (words.size() < 2)
        return QCoreApplication::translate("runoctl", "hold needs a hold button and milliseconds, e.g. hold \"VOL +\" 1500");
    const QString ms = hold ? words.takeLast() : QString();
    const QString name = words.join(QLatin1Char(' '));
    inv.request.command = findCommand(name);
    if (!inv.request.command)
        return unknownCommand(name);
    inv.commandName = inv.request.command->name();
    if (!hold)
        return {};
    if (!inv.request.command->hold)
        return QCoreApplication::translate("runoctl", "%1 is not held; only +/-, arrows and SELECT are").arg(inv.commandName);
    const std::optional<int> holdMs = number(ms, 0, kMaxWaitMs);
    if (!holdMs)
        return holdMsError(ms);
    inv.request.holdMs = *holdMs;
    return {};
}

QString readTargets(const QCommandLineParser& parser, const Options& o, Invocation& inv)
{
    const QStringList devices = parser.values(o.port);
    const QStringList coms = parser.values(o.com);
    if (!devices.isEmpty() && !coms.isEmpty())
        return QCoreApplication::translate("runoctl", "give --port or --com, not both");
    for (const QString& device : devices) {
        if (device.isEmpty())
            return QCoreApplication::translate("runoctl", "--port needs a device");
        if (const QString error = deviceNameError(device); !error.isEmpty())
            return QStringLiteral("--port %1: \"%2\"").arg(error, quotedControls(device));
        inv.targets.append({device, device, 1});
    }
    for (const QString& com : coms) {
        const std::optional<int> n = number(com, 1, 2);
        if (!n)
            return QCoreApplication::translate("runoctl", "--com is 1 or 2, not \"%1\"").arg(quotedControls(com));
        inv.targets.append({QStringLiteral("COM%1").arg(*n), QString(), *n});
    }
    if (inv.targets.isEmpty())
        inv.targets.append({QStringLiteral("COM1"), QString(), 1});
    return {};
}

QString readSettings(const QCommandLineParser& parser, const Options& o, Invocation& inv)
{
    if (parser.isSet(o.speed)) {
        const std::optional<int> baud = number(parser.value(o.speed), 1, 4'000'000);
        const LineSpeedRow* speed = baud ? findLineSpeed(*baud) : nullptr;
        if (!speed)
            return QCoreApplication::translate("runoctl", "--speed is %1, not \"%2\"")
                .arg(speedChoices(false), quotedControls(parser.value(o.speed)));
        inv.request.baud = speed->baud;
    }
    if (parser.isSet(o.timeout)) {
        const std::optional<int> ms = number(parser.value(o.timeout), 1, kMaxWaitMs);
        if (!ms)
            return QCoreApplication::translate("runoctl", "--timeout needs milliseconds from 1 to %1").arg(kMaxWaitMs);
        inv.request.timeoutMs = *ms;
    }
    if (parser.isSet(o.json) && parser.isSet(o.verbose))
        return QCoreApplication::translate("runoctl", "give --json or --verbose, not both");
    inv.logPath = parser.value(o.log);
    inv.format = parser.isSet(o.json) ? Format::Json : parser.isSet(o.verbose) ? Format::Verbose : Format::Plain;
    return {};
}

} // namespace

Invocation parseInvocation(const QStringList& arguments)
{
    QCommandLineParser parser;
    const Options o;
    setUp(parser, o);
    if (!parser.parse(arguments)) {
        // "hold VOL + -1": a negative duration, not an option "-1".
        const QStringList words = parser.positionalArguments();
        const QStringList unknown = parser.unknownOptionNames();
        if (!words.isEmpty() && words.first().toLower() == QLatin1String("hold") && unknown.size() == 1
            && number(unknown.first(), 0, std::numeric_limits<int>::max()) && arguments.contains(u'-' + unknown.first()))
            return failed(holdMsError(u'-' + unknown.first()));
        return failed(quotedControls(parser.errorText()));
    }

    Invocation inv;
    if (parser.isSet(o.help)) {
        inv.action = Invocation::Action::Help;
        return inv;
    }
    if (parser.isSet(o.version)) {
        inv.action = Invocation::Action::Version;
        return inv;
    }
    inv.request.baud = lineSpeed(kStartLineSpeed).baud;
    for (const QString& error :
        {readCommand(parser.positionalArguments(), inv), readTargets(parser, o, inv), readSettings(parser, o, inv)}) {
        if (!error.isEmpty())
            return failed(error);
    }
    return inv;
}

QString helpText()
{
    QCommandLineParser parser;
    const Options o;
    setUp(parser, o);
    // Named as installed, whatever path it was started by.
    QString text = parser.helpText();
    const qsizetype usageEnd = text.indexOf(QLatin1String(" [options]"));
    return usageEnd < 0 ? text : QCoreApplication::translate("runoctl", "Usage: runoctl") + text.mid(usageEnd);
}

} // namespace runo
