// SPDX-License-Identifier: MIT
#include "bridge/bridge.h"

#include "bridge/journal.h"

#include <QCoreApplication>

namespace runo {

Bridge::Bridge(MSComm& port, const BridgeOptions& options, QObject* parent)
    : QObject(parent)
    , m_options(options)
    , m_link(port, options.baud)
    , m_log(options.logPath)
    , m_queue(&m_link)
    , m_projector(&m_queue, {options.name, options.model})
    , m_pjlink(&m_projector, &m_queue, {options.password, options.idleMs})
    , m_share(&m_queue, options.idleMs)
    , m_poll(&m_queue)
    , m_notifier(m_link.exchanges(), &m_projector, m_pjlink.searchSocket(), options.notify)
{
    m_log.watch(m_link.exchanges());
    logLineFailures();
    if (options.http)
        m_web = std::make_unique<HttpFace>(&m_queue, &m_link, options.password);
}

bool Bridge::start(QString* error)
{
    if (!m_link.open(error))
        return false;
    const Listen& at = m_options.pjlink;
    if (!m_pjlink.listen(at.address, at.port)) {
        *error = QCoreApplication::translate("runo-bridge", "PJLink port %1: %2").arg(at.port).arg(m_pjlink.errorString());
        return false;
    }
    if (!m_pjlink.listenForSearch(at.address, m_pjlink.serverPort()))
        logLine(QCoreApplication::translate("runo-bridge", "the PJLink search on UDP port %1 is off: %2")
                    .arg(m_pjlink.serverPort())
                    .arg(m_pjlink.searchError()));
    if (m_options.share && !m_share.listen(m_options.share->address, m_options.share->port)) {
        *error = QCoreApplication::translate("runo-bridge", "share port %1: %2")
                     .arg(m_options.share->port)
                     .arg(m_share.errorString());
        return false;
    }
    if (m_web && !m_web->start(*m_options.http, m_options.tlsCertificates, m_options.tlsKey, error)) {
        *error = QCoreApplication::translate("runo-bridge", "web port %1: %2").arg(m_options.http->port).arg(*error);
        return false;
    }
    m_notifier.start();
    if (m_options.watchMs > 0)
        m_poll.start(m_options.watchMs);
    return true;
}

QString Bridge::listening() const
{
    QString text = QStringLiteral("PJLink on %1").arg(peerName(m_options.pjlink.address, m_pjlink.serverPort()));
    if (m_options.share)
        text += QStringLiteral(", share on %1").arg(peerName(m_options.share->address, m_share.serverPort()));
    if (m_web)
        text += QStringLiteral(", web on %1://%2")
                    .arg(m_web->isTls() ? QStringLiteral("https") : QStringLiteral("http"),
                        peerName(m_options.http->address, m_web->serverPort()));
    return text;
}

// The line's failures, once each, not once per request.
void Bridge::logLineFailures()
{
    connect(&m_link, &PanelLink::lineFailed, this, [this](const QString& reason) {
        if (reason != m_lastFailure)
            logLine(QStringLiteral("line: %1").arg(reason));
        m_lastFailure = reason;
    });
    connect(&m_link, &PanelLink::finished, this, [this](const Exchange& e) {
        if (e.replied())
            m_lastFailure.clear();
    });
}

} // namespace runo
