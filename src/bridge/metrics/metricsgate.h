// SPDX-License-Identifier: MIT
// Who may read /metrics: with a password, HTTP basic authentication with
// the bridge's password under any user name (what Prometheus's basic_auth
// sends); without one, anyone. The password is compared in constant time.
// Wrong ones are limited per address as the page's login limits them
// (LoginGuard): after 5 in a row, that address is refused for 60 s, the
// right password included.
//   gate.check("Basic " + base64("prometheus:secret"), peer)  Access::Granted
//   gate.check("", peer)                                      Access::Challenged (401, nothing counted)
//   gate.check("Basic " + base64("x:guess"), peer)            Access::Refused (401, one failure)
//   the same five times                                       Access::LockedOut (429) for 60 s
#pragma once

#include "bridge/web/sessions.h"

#include <QByteArray>
#include <QHostAddress>

namespace runo {

class MetricsGate {
public:
    // The realm named in the challenge.
    static constexpr const char* kRealm = "runo-bridge";

    enum class Access { Granted, Challenged, Refused, LockedOut };

    // An empty password: open to anyone.
    explicit MetricsGate(const QByteArray& password);

    // The request's Authorization header (empty when it has none), from peer.
    Access check(QByteArrayView authorization, const QHostAddress& peer);
    // Wrong passwords so far.
    quint64 failures() const { return m_failures; }

private:
    bool rightPassword(QByteArrayView authorization) const;
    Access refuse(const QHostAddress& address);

    QByteArray m_password;
    LoginGuard m_guard;
    quint64 m_failures = 0;
};

} // namespace runo
