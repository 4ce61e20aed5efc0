// SPDX-License-Identifier: MIT
#include "traffic/decoders.h"

#include "commands/commandtable.h"

#include <QRegularExpression>

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

// A row of a table decoder: the start of the receive line, the value it
// reads as, and the status line's text for that value.
template <class Value> struct Row {
    std::string_view key;
    Value value;
    std::string_view status;
};

constexpr Row<OperatingState> kOperatingState[] = {
    {" 0 0", OperatingState::On, " Power ON"},
    {" 8 0", OperatingState::Standby, " Stand by"},
    {" 4 0", OperatingState::CountDown, " Count down"},
    {" 2 0", OperatingState::CoolingDown, " Cooling down"},
    {" 1 0", OperatingState::PowerFail, " Power Fail"},
    {" 0 8", OperatingState::TemperatureWarning, " Temperature Warning(Power ON)"},
    {" 0 2", OperatingState::NoKeyInput, " NO Key input "},
    {" 0 4", OperatingState::LampOffByPowerManagement, " Lamp OFF by PWR Management"},
    {" 2 8", OperatingState::TemperatureWarningCoolingDown, " Temperature Warning & cooling down"},
    {" 2 4", OperatingState::LampOffTemperatureWarning, " Lamp OFF & Tempereture Warning by PWR Management"},
    {" 8 8", OperatingState::TemperatureWarningRecovered, " Temperature Warning and recoverd"},
    {" 2 1", OperatingState::CoolingDownLampFail, " Cooling down (All Lamp FAIL)"},
    {" 8 1", OperatingState::StandbyLampFail, " Cooling down & sutandby (All Lamp FAIL)"},
};

constexpr Row<InputMode> kInputMode[] = {
    {" 1", {1}, " Input mode 1"},
    {" 2", {2}, " Input mode 2"},
    {" 3", {3}, " Input mode 3"},
    {" 4", {4}, " Input mode 4"},
    {" 5", {5}, " Input mode 5"},
};

constexpr Row<ImageReversal> kSetting[] = {
    {" 1 1", ImageReversal::None, " Normally"},
    {" 1 0", ImageReversal::TopBottom, " Top/Bottom reversal"},
    {" 0 1", ImageReversal::LeftRight, " Left/Right reversal"},
    {" 0 0", ImageReversal::Both, " Top/Bottom , Left/Right reversal"},
};

constexpr Row<MuteSignal> kMuteAndSignal[] = {
    {" 0 0", MuteSignal::Off, " Video & Audio mute OFF"},
    {" 0 1", MuteSignal::Video, " Video mute ON"},
    {" 0 2", MuteSignal::Audio, " Audio mute ON"},
    {" 0 3", MuteSignal::VideoAndAudio, " Video & Audio mute ON"},
    {" 8 0", MuteSignal::NoSignal, " No signal"},
    {" F F", MuteSignal::Standby, " Stand by"},
};

constexpr Row<LampMode> kLampMode[] = {
    {" 0 0", LampMode::Off, " OFF"},
    {" 0 1", LampMode::On, " ON"},
    {" 0 2", LampMode::TwoLampsNo2On, " No2 ON  : 2 Lamp mode"},
    {" 0 3", LampMode::TwoLampsBothOn, " No1,2 ON  : 2 Lamp mode"},
    {" 1 0", LampMode::OneLampNo1Off, " All OFF : 1 Lamp mode(No1 USE)"},
    {" 1 1", LampMode::OneLampNo1On, " No1 ON  : 1 Lamp mode(No1 USE)"},
    {" 2 0", LampMode::OneLampNo2Off, " All OFF : 1 Lamp mode(No2 USE)"},
    {" 2 2", LampMode::OneLampNo2On, " No2 ON  : 1 Lamp mode(No2 USE)"},
};

constexpr std::string_view kEndOfLine = " CR ";

QLatin1StringView latin1(std::string_view s) { return QLatin1StringView(s.data(), qsizetype(s.size())); }

// The keys are ASCII: compared as Latin-1, they cost no conversion.
template <class Value> std::optional<Reading> lookUp(std::span<const Row<Value>> table, const QString& line)
{
    for (const Row<Value>& row : table) {
        const QLatin1StringView key = latin1(row.key);
        if (line.startsWith(key)) {
            const bool whole = line.size() == key.size() + qsizetype(kEndOfLine.size())
                && QStringView(line).sliced(key.size()) == latin1(kEndOfLine);
            return Reading {row.value, whole};
        }
    }
    return std::nullopt;
}

template <class Value> QString textOf(std::span<const Row<Value>> table, Value value)
{
    for (const Row<Value>& row : table)
        if (row.value == value)
            return QUtf8StringView(row.status).toString();
    return {};
}

bool isAsciiDigit(char c) { return c >= '0' && c <= '9'; }

// Lamp time: the status line quotes the receive line's first 38 characters.
constexpr qsizetype kLampTimeQuoted = 38;
constexpr qsizetype kMaxLampDigits = 9; // an int's worth

std::optional<Reading> lampTime(const QString& line)
{
    LampTime t {line.left(kLampTimeQuoted), std::nullopt};
    const std::optional<QByteArray> bytes = wholeLine(line);
    const bool digits = bytes && !bytes->isEmpty() && bytes->size() <= kMaxLampDigits
        && std::all_of(bytes->begin(), bytes->end(), isAsciiDigit);
    if (digits)
        t.hours = bytes->toInt();
    return Reading {std::move(t), digits};
}

// Temperatures: the receive line's positions 1-10, 15-22, 28-35 and 41-48,
// the traffic text of the reply's columns 1-5, 8-11, 14-17 and 21-24.
struct Column {
    qsizetype quotedFrom, quotedLength; // in the receive line
    qsizetype byteFrom, byteLength; // in the reply
};
constexpr Column kTemperatureColumns[kTemperatureSensors] = {{0, 10, 0, 5}, {14, 8, 7, 4}, {27, 8, 13, 4}, {40, 8, 20, 4}};

// "25.0", " -3.5", "  38": a number; blanks, dashes or letters: nothing.
std::optional<double> celsius(QByteArrayView column)
{
    const QByteArray text = column.trimmed().toByteArray();
    static const QRegularExpression number(QStringLiteral("^[+-]?[0-9]+(\\.[0-9]+)?$"));
    if (!number.match(QLatin1StringView(text)).hasMatch())
        return std::nullopt;
    return text.toDouble();
}

std::optional<Reading> temperatures(const QString& line)
{
    Temperatures t;
    const std::optional<QByteArray> bytes = wholeLine(line);
    for (int i = 0; i < kTemperatureSensors; ++i) {
        const Column& c = kTemperatureColumns[i];
        t.quoted[size_t(i)] = line.mid(c.quotedFrom, c.quotedLength);
        if (bytes)
            t.celsius[size_t(i)] = celsius(bytes->mid(c.byteFrom, c.byteLength));
    }
    const bool any = std::any_of(t.celsius.begin(), t.celsius.end(), [](const auto& c) { return c.has_value(); });
    return Reading {std::move(t), bytes && any};
}

constexpr qsizetype kMaxDeviceText = 64;

std::optional<Reading> deviceText(const QString& line)
{
    DeviceText d {line, std::nullopt};
    const std::optional<QByteArray> bytes = wholeLine(line);
    if (bytes && !bytes->trimmed().isEmpty())
        d.text = bytes->trimmed().left(kMaxDeviceText);
    const bool whole = d.text.has_value();
    return Reading {std::move(d), whole};
}

std::optional<Reading> pressure(const QString& line)
{
    const auto hpa = pressureHpa(line);
    if (!hpa)
        return std::nullopt;
    return Reading {Pressure {*hpa}, wholeLine(line).has_value()};
}

// The decoders by ReplyDecoder, in its order; the command tables say which
// command is read by which.
using Decode = std::optional<Reading> (*)(const QString&);
constexpr struct {
    ReplyDecoder decoder;
    Decode decode;
} kDecoders[] = {
    {ReplyDecoder::None, [](const QString&) { return std::optional<Reading>(); }},
    {ReplyDecoder::OperatingState, [](const QString& l) { return lookUp<OperatingState>(kOperatingState, l); }},
    {ReplyDecoder::InputMode, [](const QString& l) { return lookUp<InputMode>(kInputMode, l); }},
    {ReplyDecoder::LampTime, lampTime},
    {ReplyDecoder::Setting, [](const QString& l) { return lookUp<ImageReversal>(kSetting, l); }},
    {ReplyDecoder::Temperatures, temperatures},
    {ReplyDecoder::MuteAndSignal, [](const QString& l) { return lookUp<MuteSignal>(kMuteAndSignal, l); }},
    {ReplyDecoder::Text, deviceText},
    {ReplyDecoder::Pressure, pressure},
    {ReplyDecoder::LampMode, [](const QString& l) { return lookUp<LampMode>(kLampMode, l); }},
};

constexpr bool everyDecoderInPlace()
{
    for (int i = 0; i < int(std::size(kDecoders)); ++i)
        if (int(kDecoders[i].decoder) != i)
            return false;
    return std::size(kDecoders) == kReplyDecoderCount && std::variant_size_v<ReadingValue> == kReplyDecoderCount - 1;
}
static_assert(everyDecoderInPlace(), "one decoder for each ReplyDecoder, in its order, and a value for each");

// The status line's text of each kind of value.
struct StatusText {
    QString operator()(OperatingState v) const { return textOf<OperatingState>(kOperatingState, v); }
    QString operator()(InputMode v) const { return textOf<InputMode>(kInputMode, v); }
    QString operator()(const LampTime& v) const { return v.quoted + QLatin1String(" Hour Use"); }
    QString operator()(ImageReversal v) const { return textOf<ImageReversal>(kSetting, v); }
    QString operator()(const Temperatures& v) const
    {
        return QLatin1String("  S1=") + v.quoted[0] + QLatin1String(" C  ,   S2= ") + v.quoted[1] + QLatin1String(" C  ,   S3= ")
            + v.quoted[2] + QLatin1String(" C  ,   S4= ") + v.quoted[3] + QLatin1String(" C ");
    }
    QString operator()(MuteSignal v) const { return textOf<MuteSignal>(kMuteAndSignal, v); }
    QString operator()(const DeviceText& v) const { return v.line; }
    QString operator()(Pressure v) const { return QString::number(v.hpa) + QLatin1String(" hPa"); }
    QString operator()(LampMode v) const { return textOf<LampMode>(kLampMode, v); }
};

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

std::optional<Reading> readReply(ReplyDecoder decoder, const QString& receiveLine)
{
    return kDecoders[int(decoder)].decode(receiveLine);
}

QString statusText(const ReadingValue& value) { return std::visit(StatusText {}, value); }

std::optional<QByteArray> wholeLine(QStringView line)
{
    // Each byte is its character and a space; CR is "CR " and ends it.
    QByteArray bytes;
    if (!line.startsWith(u' '))
        return std::nullopt;
    for (qsizetype pos = 1; pos < line.size(); pos += 2) {
        const QStringView rest = line.sliced(pos);
        if (rest == latin1(kEndOfLine.substr(1)))
            return bytes;
        const char16_t c = rest[0].unicode();
        if (rest.size() < 2 || rest[1] != u' ' || c < 32 || c > 122)
            return std::nullopt;
        bytes += char(c);
    }
    return std::nullopt;
}

std::optional<QString> decodeReply(QByteArrayView lastCommand, QByteArrayView commandPrefix, const QString& receiveLine)
{
    const std::optional<Reading> reading = readReply(decoderFor(lastCommand, commandPrefix), receiveLine);
    if (!reading)
        return std::nullopt;
    return statusText(reading->value);
}

ReplyDecoder decoderFor(QByteArrayView line, QByteArrayView commandPrefix)
{
    const qsizetype prefixSize = commandPrefix.size();
    if (line.size() < prefixSize + 1 || !line.startsWith(commandPrefix) || !line.endsWith('\r'))
        return ReplyDecoder::None;
    const QByteArrayView selector = line.sliced(prefixSize, line.size() - prefixSize - 1);
    return replyDecoder(std::string_view(selector.data(), std::size_t(selector.size())));
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
