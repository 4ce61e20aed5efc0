// SPDX-License-Identifier: MIT
#include "link/quoted.h"

#include <algorithm>
#include <iterator>

namespace runo {

namespace {

struct NamedEscape {
    char16_t c;
    const char* escape;
};

constexpr NamedEscape kNamedEscapes[] = {{u'\n', "\\n"}, {u'\r', "\\r"}, {u'\t', "\\t"}};

// C0, DEL, C1 and the two Unicode line breaks.
bool isControl(char16_t u) { return u < 0x20 || (u >= 0x7f && u <= 0x9f) || u == 0x2028 || u == 0x2029; }

} // namespace

bool hasControls(QStringView text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return isControl(c.unicode()); });
}

QString quotedControls(QStringView text)
{
    QString quoted;
    quoted.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (!isControl(u)) {
            quoted += c;
            continue;
        }
        const auto* named
            = std::find_if(std::begin(kNamedEscapes), std::end(kNamedEscapes), [u](const NamedEscape& n) { return n.c == u; });
        if (named != std::end(kNamedEscapes))
            quoted += QLatin1String(named->escape);
        else if (u <= 0xff)
            quoted += QStringLiteral("\\x%1").arg(uint(u), 2, 16, QLatin1Char('0'));
        else
            quoted += QStringLiteral("\\u%1").arg(uint(u), 4, 16, QLatin1Char('0'));
    }
    return quoted;
}

} // namespace runo
