// SPDX-License-Identifier: MIT
// The exchanges of one line, counted as they end: by result, and for each
// answered one the time from its line going out to the end of its reply, in
// a histogram of buckets for a 9600 or 19200 baud line (a reply of a few
// bytes takes 5 to 25 ms to arrive) and reply windows of 500 ms to a few
// seconds.
//   READ STATUS answered in 40 ms   reply 1, bucket le=0.05 and above 1, sum 0.04
//   POWER ON, silent projector      no reply 1, the line down
#pragma once

#include "panel/exchangewatch.h"

#include <QElapsedTimer>
#include <QObject>

#include <array>

namespace runo {

struct Bucket {
    qint64 upToUs; // the bucket's upper bound, in microseconds
    const char* le; // the same, in seconds, as the text format writes it
};
inline constexpr std::array kExchangeBuckets {
    Bucket {5'000, "0.005"},
    Bucket {10'000, "0.01"},
    Bucket {25'000, "0.025"},
    Bucket {50'000, "0.05"},
    Bucket {100'000, "0.1"},
    Bucket {250'000, "0.25"},
    Bucket {500'000, "0.5"},
    Bucket {1'000'000, "1"},
    Bucket {2'000'000, "2"},
    Bucket {5'000'000, "5"},
    Bucket {10'000'000, "10"},
};
inline constexpr int kExchangeResults = int(Exchange::Result::CutShort) + 1;

class ExchangeCounts : public QObject {
    Q_OBJECT
public:
    explicit ExchangeCounts(const ExchangeWatch* watch, QObject* parent = nullptr);

    quint64 ended(Exchange::Result result) const { return m_results[std::size_t(result)]; }
    // Answered exchanges up to each bucket's bound (cumulative), in all, and
    // their seconds summed.
    quint64 upTo(std::size_t bucket) const { return m_buckets[bucket]; }
    quint64 answered() const { return ended(Exchange::Result::Reply); }
    double secondsSum() const { return double(m_sumUs) / 1e6; }
    // The last exchange that ended otherwise than cut short was answered.
    bool lineUp() const { return m_lineUp; }

private:
    void begin();
    void count(const Exchange& exchange);

    QElapsedTimer m_since; // from the open exchange's line going out
    std::array<quint64, kExchangeResults> m_results {};
    std::array<quint64, kExchangeBuckets.size()> m_buckets {};
    qint64 m_sumUs = 0;
    bool m_lineUp = false;
};

} // namespace runo
