#include "traffic/traffictext.h"

namespace runo {

namespace {

constexpr unsigned char kAck = 6;
constexpr unsigned char kLineFeed = 10;
constexpr unsigned char kCarriageReturn = 13;
constexpr unsigned char kCode20 = 20;

} // namespace

QString trafficText(QByteArrayView text)
{
    QString out;
    out.reserve(1 + 2 * text.size() + 8);
    out += QLatin1Char(' ');
    for (const char c : text) {
        const auto code = static_cast<unsigned char>(c);
        if (code == kAck)
            out += QLatin1String("ACK ");
        else if (code == kCode20)
            out += QLatin1Char('&');
        else if (code == kCarriageReturn)
            out += QLatin1String("CR ");
        else if (code == kLineFeed)
            out += QLatin1String("LF ");
        else if (code >= 32 && code <= 122) {
            out += QLatin1Char(c);
            out += QLatin1Char(' ');
        } else
            out += QLatin1String("? ");
    }
    return out;
}

} // namespace runo
