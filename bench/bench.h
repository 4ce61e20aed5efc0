// SPDX-License-Identifier: MIT
// The benchmark's parts: what they are given and what they add to the table.
#pragma once

#include "report.h"

#include <QString>

namespace bench {

struct Options {
    int clicks = 1000; // samples for each click-to-wire figure
    int replies = 1000; // samples for wire to screen
    int holdMs = 2000; // length of one hold
    int holdsPerInterval = 3; // holds at each repeat interval
    int receiveCalls = 2000; // timed receive-mode calls per decoder
    int idleSeconds = 10; // idle CPU window
    int launches = 10; // start-ups timed
    int soakSeconds = 60; // length of each soak
    int scriptRuns = 30; // runoctl runs for each runoctl figure
    int roomSeconds = 10; // PJLink clients polling runo-bridge, outside the soaks
    QString app; // the runo-control executable
};

// What a process has used, summed over every thread.
struct Usage {
    double cpuSeconds = 0;
    qint64 switches = 0; // voluntary and involuntary context switches: wake-ups
    bool exact = false; // from schedstat (nanoseconds) rather than clock ticks
};
Usage usage(qint64 pid);

// In this process, with the real window on the offscreen platform and the
// real serial layer on a pseudo-terminal.
void measureWindow(const Options& options, Table& table);

// The runo-control executable as its own process: start-up, idle, memory.
void measureProcess(const Options& options, Table& table);

// The flood and the 5 ms hold, soakSeconds each: lines, latency, memory.
void measureSoak(const Options& options, Table& table);

// runoctl against runo-projector-sim: its own share of a scripted exchange, and
// many projectors at once.
void measureShell(const Options& options, Table& table);

// runo-bridge against projector-sim: a fresh POWR ? beside the exchange by
// hand and runoctl, then a room of PJLink clients polling for a few seconds.
void measureBridge(const Options& options, Table& table);
// A hundred PJLink clients polling four queries each second for seconds.
void measureBridgeRoom(int seconds, Table& table);
// runo-bridge's soaks: 10,000 connections closed with a reset, then a
// client; 1,000 requests whose clients close while the line is busy.
void measureBridgeSoak(Table& table);
// runo-bridge's web face: its share of a command from POST /api/command and
// from a WebSocket press to the line; pages open with an exchange a second.
void measureWeb(const Options& options, Table& table);

// runo-bridge as a Prometheus target: one scrape with fresh state and its
// size, then a hundred scrapes a second for roomSeconds.
void measureMetrics(const Options& options, Table& table);

} // namespace bench
