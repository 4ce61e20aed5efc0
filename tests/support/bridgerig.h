// SPDX-License-Identifier: MIT
// A whole bridge in this process, on the simulator's projector (SimComm),
// PJLink and the share on free loopback ports.
//   BridgeRig rig({"--no-password", "--name", "Hall 2"});
//   PjlinkClient c; c.open(rig.bridge.pjlinkPort()); c.line();   // "PJLINK 0"
//   c.ask("%1POWR ?");  rig.line.wire() == "CR0"
//   BridgeRig slow({"--no-password"}, SimComm::quickProjector(), 250);   // every reply 250 ms late, from the start
#pragma once

#include "bridge/bridge.h"
#include "simcomm.h"

#include <QTest>

struct BridgeRig {
    explicit BridgeRig(
        const QStringList& args, const Projector::Config& projector = SimComm::quickProjector(), int lineDelayMs = 0)
        : line(projector)
        , options(runo::parseBridgeOptions(QStringList {"runo-bridge", "--pjlink", "127.0.0.1:0", "--share", "0"} + args))
        , bridge(line, options)
    {
        line.delayMs = lineDelayMs;
        QString error;
        started = options.error.isEmpty() && bridge.start(&error);
        if (!started)
            qWarning("bridge did not start: %s%s", qPrintable(options.error), qPrintable(error));
    }
    SimComm line;
    runo::BridgeOptions options;
    runo::Bridge bridge;
    bool started = false;
};
