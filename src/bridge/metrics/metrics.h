// SPDX-License-Identifier: MIT
// The bridge as a Prometheus target: /metrics in the text format 0.0.4,
// answered from what the bridge already knows (the typed state, the counts
// of the exchanges, its faces' own figures), so a scrape never puts a line
// on the wire; --watch keeps the state fresh. A value no read has given is
// absent, never 0. Every metric has its HELP and TYPE.
//   runo_line_up 1
//   runo_power_state 1
//   runo_lamp_seconds 4442400
//   runo_exchanges_total{result="reply"} 42
//   runo_info{model="VM70 SIM 1.00",name="Hall 2",version="1.40"} 1
#pragma once

#include "bridge/metrics/exchangecounts.h"
#include "bridge/metrics/metricsgate.h"
#include "bridge/web/httpface.h"

#include <QByteArray>
#include <QHostAddress>
#include <QObject>

namespace runo {

class Bridge;

class Metrics : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kContentType = "text/plain; version=0.0.4; charset=utf-8";

    // Counts bridge's exchanges from here on, and serves GET /metrics on
    // its web face when it has one; made before the bridge starts.
    explicit Metrics(Bridge& bridge, QObject* parent = nullptr);

    QByteArray exposition() const;
    // GET /metrics with this Authorization header (empty: none), from peer.
    HttpReply answer(QByteArrayView authorization, const QHostAddress& peer);

private:
    void writeState(QByteArray& out) const;
    void writeExchanges(QByteArray& out) const;
    void writeFaces(QByteArray& out) const;

    Bridge& m_bridge;
    ExchangeCounts m_counts;
    MetricsGate m_gate;
};

// A label value as the text format writes it: backslash, double quote and
// line feed escaped.
//   Hall "2"\n -> Hall \"2\"\\n
QByteArray labelValue(QByteArrayView value);

} // namespace runo
