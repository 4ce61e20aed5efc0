// SPDX-License-Identifier: MIT
// Figures and the table they end up in.
#pragma once

#include <QString>
#include <QStringList>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <optional>
#include <vector>

namespace bench {

// Samples in microseconds.
struct Samples {
    std::vector<double> us;

    void add(double v) { us.push_back(v); }
    bool empty() const { return us.empty(); }
    size_t size() const { return us.size(); }

    // Nearest-rank percentile, p in [0, 100].
    double percentile(double p) const
    {
        if (us.empty())
            return NAN;
        std::vector<double> s = us;
        std::sort(s.begin(), s.end());
        const size_t rank = size_t(std::ceil(p / 100.0 * double(s.size())));
        return s[std::clamp<size_t>(rank, 1, s.size()) - 1];
    }
    double median() const { return percentile(50); }
    double max() const { return us.empty() ? NAN : *std::max_element(us.begin(), us.end()); }
    double mean() const
    {
        if (us.empty())
            return NAN;
        double sum = 0;
        for (double v : us)
            sum += v;
        return sum / double(us.size());
    }
};

template <class D> double micros(D d) { return std::chrono::duration<double, std::micro>(d).count(); }

// "412 µs", "1.84 ms", "2.10 s": three significant figures or so.
inline QString duration(double us)
{
    if (std::isnan(us))
        return QStringLiteral("n/a");
    if (us < 1.0)
        return QStringLiteral("%1 µs").arg(us, 0, 'f', 2);
    if (us < 1000.0)
        return QStringLiteral("%1 µs").arg(us, 0, 'f', us < 10 ? 1 : 0);
    if (us < 1e6)
        return QStringLiteral("%1 ms").arg(us / 1e3, 0, 'f', us < 1e4 ? 2 : 1);
    return QStringLiteral("%1 s").arg(us / 1e6, 0, 'f', 2);
}

struct Row {
    QString measure;
    QString figure;
    QString goal; // empty: no goal, figure for information
    std::optional<bool> met;
};

class Table {
public:
    void add(Row row) { m_rows.push_back(std::move(row)); }
    void note(const QString& text) { m_notes << text; }

    QString markdown() const
    {
        QString out = QStringLiteral("| Measure | Figure | Goal | Met |\n|---|---|---|---|\n");
        for (const Row& r : m_rows) {
            const QString met = !r.met ? QString() : *r.met ? QStringLiteral("yes") : QStringLiteral("**no**");
            out += QStringLiteral("| %1 | %2 | %3 | %4 |\n").arg(r.measure, r.figure, r.goal, met);
        }
        if (!m_notes.isEmpty()) {
            out += QLatin1Char('\n');
            for (const QString& n : m_notes)
                out += QStringLiteral("- %1\n").arg(n);
        }
        return out;
    }

private:
    std::vector<Row> m_rows;
    QStringList m_notes;
};

} // namespace bench
