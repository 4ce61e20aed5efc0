// SPDX-License-Identifier: MIT
#include "bridge/metrics/exchangecounts.h"

namespace runo {

ExchangeCounts::ExchangeCounts(const ExchangeWatch* watch, QObject* parent)
    : QObject(parent)
{
    connect(watch, &ExchangeWatch::started, this, &ExchangeCounts::begin);
    connect(watch, &ExchangeWatch::ended, this, &ExchangeCounts::count);
}

void ExchangeCounts::begin() { m_since.start(); }

void ExchangeCounts::count(const Exchange& exchange)
{
    ++m_results[std::size_t(exchange.result)];
    switch (exchange.result) {
    case Exchange::Result::Reply: {
        m_lineUp = true;
        const qint64 us = m_since.isValid() ? m_since.nsecsElapsed() / 1000 : 0;
        m_sumUs += us;
        for (std::size_t i = 0; i < kExchangeBuckets.size(); ++i)
            m_buckets[i] += us <= kExchangeBuckets[i].upToUs;
        break;
    }
    case Exchange::Result::NoReply:
    case Exchange::Result::Refused:
    case Exchange::Result::Lost: m_lineUp = false; break;
    case Exchange::Result::CutShort: break; // the next line went out: nothing known of the line
    }
    m_since.invalidate();
}

} // namespace runo
