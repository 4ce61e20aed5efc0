// SPDX-License-Identifier: MIT
#include "bridge/options.h"

#include "link/quoted.h"
#include "panel/linespeed.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QHostInfo>
#include <QRegularExpression>

#include <algorithm>
#include <climits>
#include <tuple>

namespace runo {

namespace {

constexpr qint64 kMaxPasswordFileLine = 1024;
constexpr qint64 kMaxPemFileBytes = qint64(256) * 1024; // a certificate chain or a key
constexpr qsizetype kMaxPasswordBytes = 32; // PJLink Class 1, 5.1: "32 bytes or less"
constexpr qsizetype kMaxNameBytes = 64; // NAME ?: 64 bytes at most
constexpr qsizetype kMaxModelBytes = 32; // INF2 ?: 32 bytes at most
constexpr int kMaxWatchSeconds = 24 * 60 * 60;
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
        {"http",
            QCoreApplication::translate(
                "runo-bridge", "Serve the web page and its API on [ADDR:]PORT (where PJLink listens when only a port is given)."),
            "addr:port"},
        {"tls-cert",
            QCoreApplication::translate("runo-bridge", "Serve the web page over HTTPS with this certificate chain (PEM)."),
            "file"},
        {"tls-key", QCoreApplication::translate("runo-bridge", "The private key of --tls-cert (PEM)."), "file"},
        {"name", QCoreApplication::translate("runo-bridge", "The answer to NAME ? (default runo-bridge)."), "text",
            "runo-bridge"},
        {"model", QCoreApplication::translate("runo-bridge", "The answer to INF2 ? when the projector does not give its own."),
            "text", "VM90/VM70/VM50"},
        {"idle", QCoreApplication::translate("runo-bridge", "Close a PJLink connection idle for <seconds> (default 30)."),
            "seconds", "30"},
        {"notify",
            QCoreApplication::translate("runo-bridge",
                "Send PJLink status notifications to HOST[:PORT] (port 4352 by default); may be given more than once."),
            "host:port"},
        {"watch",
            QCoreApplication::translate("runo-bridge",
                "Read status, mode, mute, lamp and temperatures every <seconds>, behind every request (default: never)."),
            "seconds"},
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

// "HOST[:PORT]": an address or a name, looked up once now.
std::optional<Listen> notifyTarget(const QString& text)
{
    // "[::1]:4352", "[::1]", "10.0.0.7:4352", "hall-2", "fe80::1" (an IPv6 address alone has no port).
    QString host = text;
    QString port;
    if (text.startsWith(u'[')) {
        const qsizetype close = text.indexOf(u']');
        host = text.mid(1, close - 1);
        if (close < 0 || (close + 1 < text.size() && text[close + 1] != u':'))
            return std::nullopt;
        port = text.mid(close + 2);
    } else if (text.count(u':') == 1) {
        host = text.section(u':', 0, 0);
        port = text.section(u':', 1);
    }
    const bool withPort = !port.isEmpty();
    bool ok = true;
    const uint number = withPort ? port.toUInt(&ok) : kPjlinkPort;
    if (!ok || number == 0 || number > 65535 || host.isEmpty())
        return std::nullopt;
    QHostAddress address(host);
    if (address.isNull()) {
        const QList<QHostAddress> found = QHostInfo::fromName(host).addresses();
        if (found.isEmpty())
            return std::nullopt;
        address = found.first();
    }
    return Listen {address, quint16(number)};
}

QString readNotifyAndWatch(const QCommandLineParser& p, BridgeOptions& o)
{
    for (const QString& target : p.values("notify")) {
        const std::optional<Listen> at = notifyTarget(target);
        if (!at)
            return QCoreApplication::translate(
                "runo-bridge", "--notify takes HOST[:PORT] of a host that can be found, not \"%1\"")
                .arg(quotedControls(target));
        o.notify << *at;
    }
    if (p.isSet("watch")) {
        bool ok = false;
        const int seconds = p.value("watch").toInt(&ok);
        if (!ok || seconds < 1 || seconds > kMaxWatchSeconds)
            return QCoreApplication::translate("runo-bridge", "--watch takes a whole number of seconds, 1 to 86400");
        o.watchMs = seconds * kMsPerSecond;
    }
    return {};
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
    for (const auto& [option, text, limit] : {std::tuple {"name", &o.name, kMaxNameBytes}, {"model", &o.model, kMaxModelBytes}}) {
        const QString value = p.value(QLatin1String(option));
        if (std::any_of(value.begin(), value.end(), [](QChar c) { return c.category() == QChar::Other_Control; }))
            return QCoreApplication::translate("runo-bridge", "--%1 may not hold a control character: \"%2\"")
                .arg(QLatin1String(option), quotedControls(value));
        *text = utf8Prefix(value, limit);
        if (text->size() < value.toUtf8().size())
            o.warnings << QCoreApplication::translate("runo-bridge", "--%1 is cut to PJLink's %2 bytes: \"%3\"")
                              .arg(QLatin1String(option))
                              .arg(limit)
                              .arg(QString::fromUtf8(*text));
    }
    if (p.isSet("http")) {
        o.http = listenAddress(p.value("http"), o.pjlink.address);
        if (!o.http)
            return QCoreApplication::translate("runo-bridge", "--http takes [ADDR:]PORT, not \"%1\"").arg(p.value("http"));
    }
    o.logPath = p.value("log");
    return readNotifyAndWatch(p, o);
}

// The PEM file's bytes, at most kMaxPemFileBytes.
QString readPem(const QString& file, QByteArray* pem)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return QStringLiteral("%1: %2").arg(file, f.errorString());
    *pem = f.read(kMaxPemFileBytes);
    return {};
}

QString readTls(const QCommandLineParser& p, BridgeOptions& o)
{
    if (p.isSet("tls-cert") != p.isSet("tls-key"))
        return QCoreApplication::translate("runo-bridge", "--tls-cert and --tls-key go together");
    if (!p.isSet("tls-cert"))
        return {};
    if (!o.http)
        return QCoreApplication::translate("runo-bridge", "--tls-cert and --tls-key need --http");
    QByteArray pem;
    const QString certFile = p.value("tls-cert");
    if (QString error = readPem(certFile, &pem); !error.isEmpty())
        return error;
    o.tlsCertificates = QSslCertificate::fromData(pem, QSsl::Pem);
    if (o.tlsCertificates.isEmpty())
        return QCoreApplication::translate("runo-bridge", "%1: no PEM certificate").arg(certFile);
    const QString keyFile = p.value("tls-key");
    if (QString error = readPem(keyFile, &pem); !error.isEmpty())
        return error;
    for (const QSsl::KeyAlgorithm algorithm : {QSsl::Rsa, QSsl::Ec})
        if (o.tlsKey.isNull())
            o.tlsKey = QSslKey(pem, algorithm, QSsl::Pem);
    if (o.tlsKey.isNull())
        return QCoreApplication::translate("runo-bridge", "%1: no PEM private key (RSA or EC, without a passphrase)")
            .arg(keyFile);
    if (QFileInfo(keyFile).permissions() & (QFile::ReadGroup | QFile::ReadOther))
        o.warnings << QCoreApplication::translate(
            "runo-bridge", "warning: %1 can be read by other users; make it readable by its owner alone (chmod 600)")
                          .arg(keyFile);
    return {};
}

QString readPassword(const QCommandLineParser& p, BridgeOptions& o)
{
    if (p.isSet("password-file") == p.isSet("no-password"))
        return QCoreApplication::translate(
            "runo-bridge", "a PJLink password is needed: --password-file FILE, or --no-password to serve without one");
    if (!p.isSet("password-file")) {
        if (o.http)
            o.warnings << QCoreApplication::translate(
                "runo-bridge", "warning: --no-password: the web page lets anyone who reaches it use the projector");
        return {};
    }
    const QString file = p.value("password-file");
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return QStringLiteral("%1: %2").arg(file, f.errorString());
    o.password = f.readLine(kMaxPasswordFileLine);
    while (o.password.endsWith('\n') || o.password.endsWith('\r'))
        o.password.chop(1);
    if (o.password.isEmpty())
        return QCoreApplication::translate("runo-bridge", "%1: the first line, the password, is empty").arg(file);
    if (o.password.size() > kMaxPasswordBytes)
        return QCoreApplication::translate("runo-bridge", "%1: the password is longer than PJLink's 32 bytes").arg(file);
    if (QFileInfo(file).permissions() & (QFile::ReadGroup | QFile::ReadOther))
        o.warnings << QCoreApplication::translate(
            "runo-bridge", "warning: %1 can be read by other users; make it readable by its owner alone (chmod 600)")
                          .arg(file);
    return {};
}

} // namespace

QByteArray utf8Prefix(const QString& text, qsizetype maxBytes)
{
    QByteArray bytes;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype n = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QByteArray c = text.mid(i, n).toUtf8();
        if (bytes.size() + c.size() > maxBytes)
            break;
        bytes += c;
        i += n;
    }
    return bytes;
}

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
        o.error = readTls(p, o);
    if (o.error.isEmpty())
        o.error = readPassword(p, o);
    return o;
}

} // namespace runo
