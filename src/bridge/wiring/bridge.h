// SPDX-License-Identifier: MIT
// The whole bridge on one line: the panel link, its queue, the PJLink
// projector and server, the share and the traffic log, wired as the options
// say. runo-bridge runs one on a SerialComm; the tests run one on any port.
//   Bridge bridge(port, parseBridgeOptions({"runo-bridge", "--no-password", "--pjlink", "127.0.0.1:0"}));
//   bridge.start(&error);   // the line opened, PJLink listening on bridge.pjlinkPort()
// With --http, the web face too (bridge.web()).
#pragma once

#include "bridge/linequeue.h"
#include "bridge/notifier.h"
#include "bridge/options.h"
#include "bridge/panellink.h"
#include "bridge/pjlink.h"
#include "bridge/pjlinkserver.h"
#include "bridge/share.h"
#include "bridge/statuspoll.h"
#include "bridge/web/httpface.h"
#include "panel/trafficlog.h"

#include <QObject>

#include <memory>

namespace runo {

class MSComm;

class Bridge : public QObject {
    Q_OBJECT
public:
    Bridge(MSComm& port, const BridgeOptions& options, QObject* parent = nullptr);

    // Opens the line and listens; false with the reason when it cannot.
    bool start(QString* error);
    // The line closed and its lock released, as END leaves them.
    void end() { m_link.end(); }

    quint16 pjlinkPort() const { return m_pjlink.serverPort(); }
    quint16 sharePort() const { return m_share.serverPort(); }
    // "PJLink on 127.0.0.1:4352, share on 127.0.0.1:4353"
    QString listening() const;
    const BridgeOptions& options() const { return m_options; }
    PanelLink& link() { return m_link; }
    const PjlinkServer& pjlink() const { return m_pjlink; }
    const ShareServer& share() const { return m_share; }
    // The web face (--http), or nothing.
    HttpFace* web() { return m_web.get(); }
    quint16 webPort() const { return m_web ? m_web->serverPort() : 0; }
    LineQueue& queue() { return m_queue; }

private:
    void logLineFailures();

    BridgeOptions m_options;
    PanelLink m_link;
    TrafficLog m_log;
    LineQueue m_queue;
    PjlinkProjector m_projector;
    PjlinkServer m_pjlink;
    ShareServer m_share;
    StatusPoll m_poll;
    Notifier m_notifier;
    std::unique_ptr<HttpFace> m_web;
    QString m_lastFailure;
};

} // namespace runo
