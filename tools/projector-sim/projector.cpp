// SPDX-License-Identifier: MIT
#include "projector.h"

#include <QList>

#include <algorithm>
#include <cstdio>
#include <iterator>

namespace {

constexpr qint64 MsPerHour = 3600LL * 1000;

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1; // lower-case hex is not accepted, as on the device
}

bool isWord(const QByteArray& w)
{
    if (w.isEmpty())
        return false;
    return std::all_of(w.begin(), w.end(), [](char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); });
}

QByteArray withCr(QByteArray data)
{
    data.append('\r');
    return data;
}

// Formats tenths of a degree as "ddd.d" (width 5) or "dd.d" (width 4),
// zero-padded and clamped so the text never outgrows its column.
QByteArray reading(int tenths, int width)
{
    const int maxTenths = width == 5 ? 9999 : 999;
    const int minTenths = width == 5 ? -999 : -99;
    tenths = std::clamp(tenths, minTenths, maxTenths);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%0*.1f", width, tenths / 10.0);
    return QByteArray(buf);
}

} // namespace

Projector::Projector(const Config& config)
    : m_config(config)
{
    m_config.powerOnMs = std::max<qint64>(0, m_config.powerOnMs);
    m_config.coolDownMs = std::max<qint64>(0, m_config.coolDownMs);
    m_config.lampHours = std::clamp(m_config.lampHours, 0, 99999);
}

void Projector::enter(Power next, qint64 atMs)
{
    const bool wasLit = lampLit();
    m_power = next;
    m_phaseStart = atMs;
    if (!wasLit && lampLit())
        m_litSince = atMs;
    else if (wasLit && !lampLit())
        m_litMs += atMs - m_litSince;
}

void Projector::advance(qint64 nowMs)
{
    // A clock that steps back is treated as standing still.
    m_lastNow = std::max(m_lastNow, nowMs);
    if (m_power == Power::CountDown && m_lastNow - m_phaseStart >= m_config.powerOnMs)
        enter(Power::On, m_phaseStart + m_config.powerOnMs);
    if (m_power == Power::CoolingDown && m_lastNow - m_phaseStart >= m_config.coolDownMs)
        enter(Power::Standby, m_phaseStart + m_config.coolDownMs);
}

Projector::Power Projector::power(qint64 nowMs)
{
    advance(nowMs);
    return m_power;
}

int Projector::lampHours(qint64 nowMs)
{
    advance(nowMs);
    const qint64 lit = m_litMs + (lampLit() ? m_lastNow - m_litSince : 0);
    return int(std::min<qint64>(99999, m_config.lampHours + lit / MsPerHour));
}

QByteArray Projector::temperatureReply(const int tenths[4])
{
    QByteArray out;
    out += reading(tenths[0], 5); // columns 1-5
    out += "  ";
    out += reading(tenths[1], 4); // columns 8-11
    out += "  ";
    out += reading(tenths[2], 4); // columns 14-17
    out += "   ";
    out += reading(tenths[3], 4); // columns 21-24
    return out;
}

QByteArray Projector::handleLine(const QByteArray& line, qint64 nowMs)
{
    advance(nowMs);

    if (line.size() == 3 && line[0] == 'C') {
        const int hi = hexDigit(line[1]);
        const int lo = hexDigit(line[2]);
        if (hi >= 0 && lo >= 0)
            return operation(hi * 16 + lo, m_lastNow);
        if (line[1] != 'R')
            return {};
    }
    if (line.startsWith("CR"))
        return read(line.mid(2), m_lastNow);
    if (line.startsWith("CF ")) {
        const QList<QByteArray> words = line.mid(3).split(' ');
        if (words.size() == 2 && isWord(words[0]) && isWord(words[1]))
            return functional(words[0], words[1]);
    }
    return {};
}

// What an operation code does to the state.
struct Projector::Operation {
    enum class Effect { PowerOn, PowerOff, Input, AudioMute, VideoMute, Freeze };
    int code;
    Effect effect;
    int value; // the input chosen; 1 sets a mute or the freeze, 0 clears it
};

QByteArray Projector::operation(int code, qint64 nowMs)
{
    using E = Operation::Effect;
    // A code not listed changes nothing; every code is acknowledged.
    static constexpr Operation kOperations[] = {
        {0x00, E::PowerOn, 0},
        {0x01, E::PowerOff, 0},
        {0x05, E::Input, 1},
        {0x06, E::Input, 2},
        {0x07, E::Input, 3},
        {0x08, E::Input, 4},
        // The signal buttons of an input choose that input.
        {0x50, E::Input, 1},
        {0x51, E::Input, 1},
        {0x52, E::Input, 1},
        {0x53, E::Input, 1},
        {0x23, E::Input, 2},
        {0x24, E::Input, 2},
        {0x25, E::Input, 2},
        {0x32, E::Input, 3},
        {0x33, E::Input, 3},
        {0x34, E::Input, 3},
        {0x0B, E::AudioMute, 1},
        {0x0C, E::AudioMute, 0},
        {0x0D, E::VideoMute, 1},
        {0x0E, E::VideoMute, 0},
        {0x43, E::Freeze, 1},
        {0x44, E::Freeze, 0},
    };
    const auto* op
        = std::find_if(std::begin(kOperations), std::end(kOperations), [code](const Operation& o) { return o.code == code; });
    if (op != std::end(kOperations))
        apply(*op, nowMs);
    return QByteArray(1, Ack);
}

void Projector::apply(const Operation& op, qint64 nowMs)
{
    // Picture and sound controls only act while the projector is on.
    const bool on = m_power == Power::On;
    switch (op.effect) {
    case Operation::Effect::PowerOn:
        if (m_power == Power::Standby)
            enter(Power::CountDown, nowMs);
        break;
    case Operation::Effect::PowerOff:
        if (lampLit()) {
            enter(Power::CoolingDown, nowMs);
            m_audioMute = m_videoMute = m_frozen = false;
        }
        break;
    case Operation::Effect::Input: m_input = op.value; break;
    case Operation::Effect::AudioMute:
        if (on)
            m_audioMute = op.value != 0;
        break;
    case Operation::Effect::VideoMute:
        if (on)
            m_videoMute = op.value != 0;
        break;
    case Operation::Effect::Freeze:
        if (on)
            m_frozen = op.value != 0;
        break;
    }
}

QByteArray Projector::functional(const QByteArray& function, const QByteArray& value)
{
    if (function == "IMAGE")
        m_imageMode = value;
    else if (function == "FANSPEED")
        m_fanSpeed = value;
    return QByteArray(1, Ack);
}

QByteArray Projector::read(const QByteArray& what, qint64 nowMs)
{
    if (what == " PRESSURE")
        return withCr("512");
    if (what == " ALLPFAIL")
        return withCr("00");
    if (what.size() != 1)
        return {};

    switch (what[0]) {
    case '0':
        switch (m_power) {
        case Power::Standby: return withCr("80");
        case Power::CountDown: return withCr("40");
        case Power::On: return withCr("00");
        case Power::CoolingDown: return withCr("20");
        }
        return {};
    case '1': return withCr(QByteArray::number(m_input));
    case '3': return withCr(QByteArray::number(lampHours(nowMs)).rightJustified(5, '0'));
    case '4': return withCr("11"); // no reversal
    case '6': {
        static const int ambient[4] = {AmbientTenths, AmbientTenths, AmbientTenths, AmbientTenths};
        static const int running[4] = {265, 385, 310, 455};
        static const int cooling[4] = {255, 330, 290, 380};
        const int* t = m_power == Power::Standby ? ambient : m_power == Power::CoolingDown ? cooling : running;
        return withCr(temperatureReply(t));
    }
    case '7': return withCr(lampLit() ? "01" : "00");
    case '9': return withCr("VM70 SIM 1.00");
    case 'A': {
        if (m_power != Power::On)
            return withCr("FF");
        const int bits = (m_videoMute ? 1 : 0) | (m_audioMute ? 2 : 0);
        return withCr(QByteArray::number(bits).rightJustified(2, '0'));
    }
    default: return {};
    }
}
