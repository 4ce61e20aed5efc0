// SPDX-License-Identifier: MIT
// runo-bridge's command line, read into what to serve:
//   runo-bridge --port /dev/ttyUSB0 --password-file /etc/runo-bridge/hall.password
//       line /dev/ttyUSB0 at 19200 baud, PJLink on every address at 4352
//   runo-bridge --port COM2 --no-password --share 4353 --name "Hall 2"
//       COM2 as the panel maps it, the share on 127.0.0.1:4353
//   runo-bridge --no-password --http 8080 --tls-cert fullchain.pem --tls-key privkey.pem
//       the web page over HTTPS on every address at 8080
//   runo-bridge --speed 4800        error "--speed takes 19200 or 9600"
#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QSslCertificate>
#include <QSslKey>
#include <QString>
#include <QStringList>

#include <optional>

namespace runo {

inline constexpr quint16 kPjlinkPort = 4352;

struct Listen {
    QHostAddress address;
    quint16 port = 0; // 0: a free port, the one taken is logged
};

// "[ADDR:]PORT", "[::1]:4352" for IPv6; a bare port listens on `fallback`.
std::optional<Listen> listenAddress(const QString& text, const QHostAddress& fallback);

struct BridgeOptions {
    enum class Action { Run, Help, Version };
    Action action = Action::Run;
    QString device; // empty: COM port `com` as the panel maps it
    int com = 1;
    int baud = 0;
    Listen pjlink;
    std::optional<Listen> share;
    std::optional<Listen> http; // the web page and its API
    QList<QSslCertificate> tlsCertificates; // the server's first, then its chain; empty: plain HTTP
    QSslKey tlsKey;
    QByteArray name;
    QByteArray model;
    int idleMs = 0;
    QByteArray password; // empty with --no-password
    QString logPath;
    QList<Listen> notify; // where status notifications go
    int watchMs = 0; // 0: the bridge reads nothing of its own accord
    QStringList warnings; // for the log at start: a password file others can read
    QString helpText;
    QString error; // a usage error: what was wrong
};

// The longest start of text whose UTF-8 takes at most maxBytes, cut
// between characters, never inside one.
//   utf8Prefix("Hall Ü2", 6) -> "Hall " (the Ü would need two more bytes)
QByteArray utf8Prefix(const QString& text, qsizetype maxBytes);

// Reads the arguments (the program's name first) and the password file.
BridgeOptions parseBridgeOptions(const QStringList& arguments);

} // namespace runo
