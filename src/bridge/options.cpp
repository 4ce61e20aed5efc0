// SPDX-License-Identifier: MIT
#include "bridge/options.h"

#include "panel/linespeed.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <climits>

namespace runo {

namespace {

constexpr qint64 kMaxPasswordBytes = 1024; // PJLink's own limit is 32
constexpr qsizetype kMaxNameBytes = 64;
constexpr qsizetype kMaxModelBytes = 32;
constexpr int kMsPerSecond = 1000;

const char* const kDescription = QT_TRANSLATE_NOOP("runo-bridge",
    "Makes the projector on the line a PJLink projector on the network (TCP port\n"
    "4352) and shares the line with the panel and runoctl. Every request becomes\n"
    "one exchange on the line, one at a time, in arrival order.\n"
    "\n"
    "Exit status: 2 for a wrong invocation or a missing password, 3 when the\n"
    "line cannot be opened or a port cannot be listened on.");

void addOptions(QCommandLineParser& p)
{
    p.setApplicationDescription(QCoreApplication::translate("runo-bridge", kDescription));
    p.addOptions({
        {{"h", "help"}, QCoreApplication::translate("runo-bridge", "Show this help.")},
        {{"v", "version"}, QCoreApplication::translate("runo-bridge", "Show the version.")},
        {"port",
            QCoreApplication::translate("runo-bridge",
                "The projector's line: COM1, COM2, a device path, socket://HOST:PORT or rfc2217://HOST:PORT (default COM1)."),
            "device", "COM1"},
        {"speed", QCoreApplication::translate("runo-bridge", "Line speed, 19200 or 9600 (default 19200)."), "baud",
            QString::number(lineSpeed(kStartLineSpeed).baud)},
        {"pjlink", QCoreApplication::translate("runo-bridge", "Serve PJLink on [ADDR:]PORT (default: all addresses, 4352)."),
            "addr:port"},
        {"password-file", QCoreApplication::translate("runo-bridge", "The PJLink password, the first line of <file>."), "file"},
        {"no-password", QCoreApplication::translate("runo-bridge", "Serve PJLink without authentication.")},
        {"share",
            QCoreApplication::translate(
                "runo-bridge", "Share the raw line on [ADDR:]PORT (127.0.0.1 when only a port is given)."),
            "addr:port"},
        {"name", QCoreApplication::translate("runo-bridge", "The answer to NAME ? (default runo-bridge)."), "text",
            "runo-bridge"},
        {"model", QCoreApplication::translate("runo-bridge", "The answer to INF2 ? when the projector does not give its own."),
            "text", "VM90/VM70/VM50"},
        {"idle", QCoreApplication::translate("runo-bridge", "Close a PJLink connection idle for <seconds> (default 30)."),
            "seconds", "30"},
        {"log",
            QCoreApplication::translate("runo-bridge",
                "Append one line per exchange on the line to <file>, tab-separated: time, port, result, sent, received, "
                "status."),
            "file"},
    });
}

// The line: COM1 or COM2 by the panel's map, else a device or URL.
void readLine(const QCommandLineParser& p, BridgeOptions& o)
{
    o.device = p.value("port");
    static const QRegularExpression comName(QStringLiteral("^COM([12])$"), QRegularExpression::CaseInsensitiveOption);
    if (const auto m = comName.match(o.device); m.hasMatch()) {
        o.com = m.captured(1).toInt();
        o.device.clear();
    }
}

QString readValues(const QCommandLineParser& p, BridgeOptions& o)
{
    const LineSpeedRow* speed = findLineSpeed(p.value("speed").toInt());
    if (!speed)
        return QCoreApplication::translate("runo-bridge", "--speed takes 19200 or 9600");
    o.baud = speed->baud;
    bool idleOk = false;
    const int idleSeconds = p.value("idle").toInt(&idleOk);
    if (!idleOk || idleSeconds < 1 || idleSeconds > INT_MAX / kMsPerSecond)
        return QCoreApplication::translate("runo-bridge", "--idle takes a whole number of seconds, 1 or more");
    o.idleMs = idleSeconds * kMsPerSecond;
    const auto pjlinkAt
        = p.isSet("pjlink") ? listenAddress(p.value("pjlink"), QHostAddress::Any) : Listen {QHostAddress::Any, kPjlinkPort};
    if (!pjlinkAt)
        return QCoreApplication::translate("runo-bridge", "--pjlink takes [ADDR:]PORT, not \"%1\"").arg(p.value("pjlink"));
    o.pjlink = *pjlinkAt;
    if (p.isSet("share")) {
        o.share = listenAddress(p.value("share"), QHostAddress::LocalHost);
        if (!o.share)
            return QCoreApplication::translate("runo-bridge", "--share takes [ADDR:]PORT, not \"%1\"").arg(p.value("share"));
    }
    o.name = p.value("name").toUtf8();
    if (o.name.size() > kMaxNameBytes || o.name.contains('\r'))
        return QCoreApplication::translate("runo-bridge", "--name takes at most 64 bytes");
    o.model = p.value("model").toUtf8().left(kMaxModelBytes);
    o.logPath = p.value("log");
    return {};
}

QString readPassword(const QCommandLineParser& p, BridgeOptions& o)
{
    if (p.isSet("password-file") == p.isSet("no-password"))
        return QCoreApplication::translate(
            "runo-bridge", "a PJLink password is needed: --password-file FILE, or --no-password to serve without one");
    if (!p.isSet("password-file"))
        return {};
    const QString file = p.value("password-file");
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return QStringLiteral("%1: %2").arg(file, f.errorString());
    o.password = f.readLine(kMaxPasswordBytes);
    while (o.password.endsWith('\n') || o.password.endsWith('\r'))
        o.password.chop(1);
    if (o.password.isEmpty())
        return QCoreApplication::translate("runo-bridge", "%1: the first line, the password, is empty").arg(file);
    if (QFileInfo(file).permissions() & (QFile::ReadGroup | QFile::ReadOther))
        o.warnings << QCoreApplication::translate(
            "runo-bridge", "warning: %1 can be read by other users; make it readable by its owner alone (chmod 600)")
                          .arg(file);
    return {};
}

} // namespace

std::optional<Listen> listenAddress(const QString& text, const QHostAddress& fallback)
{
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    Listen l {fallback};
    if (colon >= 0) {
        QString host = text.left(colon);
        if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
            host = host.mid(1, host.size() - 2);
        if (!l.address.setAddress(host))
            return std::nullopt;
    }
    bool ok = false;
    const uint port = text.mid(colon + 1).toUInt(&ok);
    if (!ok || port > 65535)
        return std::nullopt;
    l.port = quint16(port);
    return l;
}

BridgeOptions parseBridgeOptions(const QStringList& arguments)
{
    BridgeOptions o;
    QCommandLineParser p;
    addOptions(p);
    if (!p.parse(arguments)) {
        o.error = p.errorText();
        return o;
    }
    if (p.isSet("help") || p.isSet("version")) {
        o.action = p.isSet("help") ? BridgeOptions::Action::Help : BridgeOptions::Action::Version;
        o.helpText = p.helpText().replace(arguments.value(0), QLatin1String("runo-bridge"));
        return o;
    }
    if (!p.positionalArguments().isEmpty()) {
        o.error = QCoreApplication::translate("runo-bridge", "unexpected argument %1").arg(p.positionalArguments().first());
        return o;
    }
    readLine(p, o);
    o.error = readValues(p, o);
    if (o.error.isEmpty())
        o.error = readPassword(p, o);
    return o;
}

} // namespace runo
