// SPDX-License-Identifier: MIT
#include "bridge/metrics/metricsgate.h"

#include "bridge/journal.h"

namespace runo {

namespace {

// An Authorization header longer than this holds no password of ours.
constexpr qsizetype kMaxAuthorizationBytes = 1024;

} // namespace

MetricsGate::MetricsGate(const QByteArray& password)
    : m_password(password)
{
}

MetricsGate::Access MetricsGate::check(QByteArrayView authorization, const QHostAddress& peer)
{
    if (m_password.isEmpty())
        return Access::Granted;
    const QHostAddress address = plainAddress(peer);
    if (m_guard.isLocked(address)) {
        noteAddress(addressName(address), QStringLiteral("metrics refused: too many wrong passwords"));
        return Access::LockedOut;
    }
    if (authorization.isEmpty())
        return Access::Challenged;
    if (!rightPassword(authorization))
        return refuse(address);
    m_guard.pass(address);
    return Access::Granted;
}

// "Basic <base64 of user:password>", the scheme in any case.
bool MetricsGate::rightPassword(QByteArrayView authorization) const
{
    constexpr QByteArrayView scheme = "basic ";
    if (authorization.size() > kMaxAuthorizationBytes || authorization.size() < scheme.size()
        || authorization.first(scheme.size()).toByteArray().toLower() != scheme)
        return false;
    const auto decoded = QByteArray::fromBase64Encoding(
        authorization.sliced(scheme.size()).trimmed().toByteArray(), QByteArray::AbortOnBase64DecodingErrors);
    const qsizetype colon = decoded.decoded.indexOf(':');
    if (!decoded || colon < 0)
        return false;
    return equalInConstantTime(QByteArrayView(decoded.decoded).sliced(colon + 1), m_password);
}

MetricsGate::Access MetricsGate::refuse(const QHostAddress& address)
{
    ++m_failures;
    noteAddress(addressName(address), QStringLiteral("metrics: wrong password"));
    if (m_guard.fail(address))
        logLine(QStringLiteral("%1: %2 wrong passwords in a row for /metrics: refused for %3 s")
                    .arg(addressName(address))
                    .arg(LoginGuard::kMaxWrong)
                    .arg(LoginGuard::kLockoutMs / 1000));
    return Access::Refused;
}

} // namespace runo
