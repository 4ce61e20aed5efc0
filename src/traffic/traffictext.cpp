// SPDX-License-Identifier: MIT
#include "traffic/traffictext.h"

#include <string_view>

namespace runo {

namespace {

constexpr unsigned char kAck = 6;
constexpr unsigned char kLineFeed = 10;
constexpr unsigned char kCarriageReturn = 13;
constexpr unsigned char kCode20 = 20;

// The widest rendering of one character ("ACK ").
constexpr qsizetype kWidestRendering = 4;

} // namespace

QString trafficText(QByteArrayView text)
{
    // Written straight into a buffer sized for the widest case: the receive
    // line is rendered afresh on every arrival, so this is on the hot path.
    QString out(1 + kWidestRendering * text.size(), Qt::Uninitialized);
    char16_t* const start = reinterpret_cast<char16_t*>(out.data());
    char16_t* p = start;
    auto put = [&p](std::u16string_view s) {
        for (const char16_t c : s)
            *p++ = c;
    };
    *p++ = u' ';
    for (const char c : text) {
        const auto code = static_cast<unsigned char>(c);
        if (code == kAck)
            put(u"ACK ");
        else if (code == kCode20)
            *p++ = u'&';
        else if (code == kCarriageReturn)
            put(u"CR ");
        else if (code == kLineFeed)
            put(u"LF ");
        else if (code >= 32 && code <= 122) {
            *p++ = char16_t(code);
            *p++ = u' ';
        } else
            put(u"? ");
    }
    out.truncate(p - start);
    return out;
}

} // namespace runo
