// SPDX-License-Identifier: MIT
#include "traffic/decoders.h"

#include "commands/commandtable.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <string_view>

namespace runo {

namespace {

struct Row {
    std::string_view key; // the start of the receive line
    std::string_view status;
};

constexpr Row kOperatingState[] = {
    {" 0 0", " Power ON"},
    {" 8 0", " Stand by"},
    {" 4 0", " Count down"},
    {" 2 0", " Cooling down"},
    {" 1 0", " Power Fail"},
    {" 0 8", " Temperature Warning(Power ON)"},
    {" 0 2", " NO Key input "},
    {" 0 4", " Lamp OFF by PWR Management"},
    {" 2 8", " Temperature Warning & cooling down"},
    {" 2 4", " Lamp OFF & Tempereture Warning by PWR Management"},
    {" 8 8", " Temperature Warning and recoverd"},
    {" 2 1", " Cooling down (All Lamp FAIL)"},
    {" 8 1", " Cooling down & sutandby (All Lamp FAIL)"},
};

constexpr Row kInputMode[] = {
    {" 1", " Input mode 1"},
    {" 2", " Input mode 2"},
    {" 3", " Input mode 3"},
    {" 4", " Input mode 4"},
    {" 5", " Input mode 5"},
};

constexpr Row kSetting[] = {
    {" 1 1", " Normally"},
    {" 1 0", " Top/Bottom reversal"},
    {" 0 1", " Left/Right reversal"},
    {" 0 0", " Top/Bottom , Left/Right reversal"},
};

constexpr Row kMuteAndSignal[] = {
    {" 0 0", " Video & Audio mute OFF"},
    {" 0 1", " Video mute ON"},
    {" 0 2", " Audio mute ON"},
    {" 0 3", " Video & Audio mute ON"},
    {" 8 0", " No signal"},
    {" F F", " Stand by"},
};

constexpr Row kLampMode[] = {
    {" 0 0", " OFF"},
    {" 0 1", " ON"},
    {" 0 2", " No2 ON  : 2 Lamp mode"},
    {" 0 3", " No1,2 ON  : 2 Lamp mode"},
    {" 1 0", " All OFF : 1 Lamp mode(No1 USE)"},
    {" 1 1", " No1 ON  : 1 Lamp mode(No1 USE)"},
    {" 2 0", " All OFF : 1 Lamp mode(No2 USE)"},
    {" 2 2", " No2 ON  : 1 Lamp mode(No2 USE)"},
};

// The keys are ASCII: compared as Latin-1, they cost no conversion.
std::optional<QString> lookUp(std::span<const Row> table, const QString& line)
{
    for (const Row& row : table) {
        if (line.startsWith(QLatin1String(row.key.data(), qsizetype(row.key.size()))))
            return QUtf8StringView(row.status).toString();
    }
    return std::nullopt;
}

std::optional<QString> lampTime(const QString& line) { return line.left(38) + QLatin1String(" Hour Use"); }

std::optional<QString> temperatures(const QString& line)
{
    // Positions 1-10, 15-22, 28-35 and 41-48 of the receive line.
    return QLatin1String("  S1=") + line.mid(0, 10) + QLatin1String(" C  ,   S2= ") + line.mid(14, 8)
        + QLatin1String(" C  ,   S3= ") + line.mid(27, 8) + QLatin1String(" C  ,   S4= ") + line.mid(40, 8)
        + QLatin1String(" C ");
}

std::optional<QString> passThrough(const QString& line) { return line; }

std::optional<QString> pressure(const QString& line)
{
    const auto hpa = pressureHpa(line);
    if (!hpa)
        return std::nullopt;
    return QString::number(*hpa) + QLatin1String(" hPa");
}

// The decoders by ReplyDecoder, in its order; the command tables say which
// command is read by which.
using Decode = std::optional<QString> (*)(const QString&);
constexpr struct {
    ReplyDecoder decoder;
    Decode decode;
} kDecoders[] = {
    {ReplyDecoder::None, [](const QString&) { return std::optional<QString>(); }},
    {ReplyDecoder::OperatingState, [](const QString& l) { return lookUp(kOperatingState, l); }},
    {ReplyDecoder::InputMode, [](const QString& l) { return lookUp(kInputMode, l); }},
    {ReplyDecoder::LampTime, lampTime},
    {ReplyDecoder::Setting, [](const QString& l) { return lookUp(kSetting, l); }},
    {ReplyDecoder::Temperatures, temperatures},
    {ReplyDecoder::MuteAndSignal, [](const QString& l) { return lookUp(kMuteAndSignal, l); }},
    {ReplyDecoder::Text, passThrough},
    {ReplyDecoder::Pressure, pressure},
    {ReplyDecoder::LampMode, [](const QString& l) { return lookUp(kLampMode, l); }},
};

constexpr bool everyDecoderInPlace()
{
    for (int i = 0; i < int(std::size(kDecoders)); ++i)
        if (int(kDecoders[i].decoder) != i)
            return false;
    return std::size(kDecoders) == kReplyDecoderCount;
}
static_assert(everyDecoderInPlace(), "one decoder for each ReplyDecoder, in its order");

bool isBlank(QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n'); }

bool isDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

bool isSign(QChar c) { return c == QLatin1Char('+') || c == QLatin1Char('-'); }

// Reads characters off a text with blanks skipped wherever they stand.
struct NumberReader {
    QStringView text;
    qsizetype pos = 0;

    QChar peek()
    {
        while (pos < text.size() && isBlank(text[pos]))
            ++pos;
        return pos < text.size() ? text[pos] : QChar();
    }
    // Appends the next character to out when it fits.
    template <class Fits> bool take(Fits fits, std::string& out)
    {
        const QChar c = peek();
        if (c.isNull() || !fits(c))
            return false;
        out += char(c.unicode());
        ++pos;
        return true;
    }
    qsizetype takeDigits(std::string& out)
    {
        qsizetype count = 0;
        while (take(isDigit, out))
            ++count;
        return count;
    }
};

// The power of ten of a number's leading digit, from its digits and its
// exponent ("e-5" or empty): "123.4" 2, "0.05" -2, "12", "e-5" -4. Zero
// counts as negative.
long long decimalMagnitude(std::string_view mantissa, std::string_view exponent)
{
    const std::size_t first = mantissa.find_first_of("123456789");
    if (first == std::string_view::npos)
        return -1;
    const std::size_t point = std::min(mantissa.find('.'), mantissa.size());
    long long magnitude = first < point ? static_cast<long long>(point - first) - 1 : -static_cast<long long>(first - point);
    constexpr long long kFarEnough = 1'000'000; // far past any double, far short of overflowing
    long long power = 0;
    for (const char c : exponent.substr(std::min<std::size_t>(exponent.size(), 1)))
        if (c >= '0' && c <= '9')
            power = std::min(kFarEnough, power * 10 + (c - '0'));
    return magnitude + (exponent.find('-') != std::string_view::npos ? -power : power);
}

// Bounds of the 16-bit conversion: the reading times five must fit.
constexpr int kMaxReading = 6553;

} // namespace

std::optional<QString> decodeReply(QByteArrayView lastCommand, QByteArrayView commandPrefix, const QString& receiveLine)
{
    const qsizetype prefixSize = commandPrefix.size();
    if (lastCommand.size() < prefixSize + 1 || !lastCommand.startsWith(commandPrefix) || !lastCommand.endsWith('\r'))
        return std::nullopt;
    const QByteArrayView selector = lastCommand.sliced(prefixSize, lastCommand.size() - prefixSize - 1);
    const ReplyDecoder decoder = replyDecoder(std::string_view(selector.data(), std::size_t(selector.size())));
    return kDecoders[int(decoder)].decode(receiveLine);
}

double leadingNumber(QStringView text)
{
    // Gather the characters of the number, blanks left out, then convert.
    NumberReader reader {text};
    std::string number;
    reader.take(isSign, number);
    const std::size_t mantissaStart = number.size();
    qsizetype digits = reader.takeDigits(number);
    if (reader.take([](QChar c) { return c == QLatin1Char('.'); }, number))
        digits += reader.takeDigits(number);
    if (digits == 0)
        return 0.0;
    const std::string mantissa = number.substr(mantissaStart);
    std::string exponent;
    if (reader.take([](QChar c) { return c == QLatin1Char('E') || c == QLatin1Char('D'); }, exponent)) {
        exponent = "e";
        reader.take(isSign, exponent);
        if (reader.takeDigits(exponent) > 0)
            number += exponent;
        else
            exponent.clear();
    }
    // from_chars reads the C locale's form whatever the process locale is.
    const char* first = number.data();
    const char* last = first + number.size();
    if (*first == '+')
        ++first;
    double value = 0.0;
    const auto [end, error] = std::from_chars(first, last, value);
    (void)end;
    if (error == std::errc::result_out_of_range) {
        // Too large or too small for a double: the number's decimal magnitude
        // tells which, whatever its letters.
        if (decimalMagnitude(mantissa, exponent) < 0)
            return 0.0;
        return number[0] == '-' ? -HUGE_VAL : HUGE_VAL;
    }
    return value;
}

std::optional<int> pressureHpa(QStringView receiveLine)
{
    const double reading = std::nearbyint(leadingNumber(receiveLine)); // halves to even
    if (!(reading >= -kMaxReading && reading <= kMaxReading))
        return std::nullopt;
    const auto product = static_cast<std::int16_t>(static_cast<int>(reading) * 5);
    const double hpa = (product / 1024.0 - 0.204) / 0.00459 + 150.0;
    return static_cast<int>(std::nearbyint(hpa));
}

} // namespace runo
