// SPDX-License-Identifier: MIT
#include "link/comporttelnet.h"

namespace runo {

namespace {

QByteArray bigEndian32(quint32 value)
{
    const char bytes[] = {char(value >> 24), char(value >> 16), char(value >> 8), char(value)};
    return QByteArray(bytes, sizeof bytes);
}

std::uint8_t parityCode(LineSettings::Parity parity)
{
    switch (parity) {
    case LineSettings::Parity::None: return 1;
    case LineSettings::Parity::Odd: return 2;
    case LineSettings::Parity::Even: return 3;
    case LineSettings::Parity::Mark: return 4;
    case LineSettings::Parity::Space: return 5;
    }
    return 1;
}

std::uint8_t stopSizeCode(LineSettings::StopBits stopBits)
{
    switch (stopBits) {
    case LineSettings::StopBits::One: return 1;
    case LineSettings::StopBits::Two: return 2;
    case LineSettings::StopBits::OneAndHalf: return 3;
    }
    return 1;
}

} // namespace

QByteArray ComPortTelnet::start()
{
    m_us.fill(Side::No);
    m_them.fill(Side::No);
    m_comPort = ComPort::Asked;
    m_state = State::Data;
    m_afterCr = false;
    QByteArray out;
    for (const std::uint8_t option : {kComPortOption, kBinary, kSuppressGoAhead}) {
        m_us[option] = Side::WantYes;
        out.append(char(kIac)).append(char(kWill)).append(char(option));
    }
    for (const std::uint8_t option : {kBinary, kSuppressGoAhead}) {
        m_them[option] = Side::WantYes;
        out.append(char(kIac)).append(char(kDo)).append(char(option));
    }
    return out;
}

QByteArray ComPortTelnet::escape(const QByteArray& data)
{
    QByteArray out;
    out.reserve(data.size() + 2);
    for (const char c : data) {
        out.append(c);
        if (std::uint8_t(c) == kIac)
            out.append(c);
    }
    return out;
}

// Under binary transmission a CR is a byte like any other; without it
// (refused, RFC 856), a bare CR must travel as CR NUL (RFC 854).
QByteArray ComPortTelnet::encode(const QByteArray& data) const
{
    QByteArray out = escape(data);
    if (m_us[kBinary] == Side::No)
        out.replace("\r", QByteArray("\r\0", 2));
    return out;
}

QByteArray ComPortTelnet::setLine(const LineSettings& settings)
{
    QByteArray out;
    const auto command = [&out](std::uint8_t code, const QByteArray& value) {
        out.append(char(kIac)).append(char(kSb)).append(char(kComPortOption)).append(char(code));
        out.append(escape(value)).append(char(kIac)).append(char(kSe));
    };
    command(kSetBaudRate, bigEndian32(quint32(settings.baud)));
    command(kSetDataSize, QByteArray(1, char(settings.dataBits)));
    command(kSetParity, QByteArray(1, char(parityCode(settings.parity))));
    command(kSetStopSize, QByteArray(1, char(stopSizeCode(settings.stopBits))));
    command(kSetControl, QByteArray(1, char(kNoFlowControl)));
    return out;
}

QByteArray ComPortTelnet::receive(const QByteArray& bytes, QByteArray& reply)
{
    QByteArray data;
    for (const char c : bytes) {
        const auto b = std::uint8_t(c);
        switch (m_state) {
        case State::Data:
            if (b == kIac)
                m_state = State::Iac;
            else if (m_comPort == ComPort::Accepted && (b != 0 || !m_afterCr || m_them[kBinary] != Side::No))
                data.append(c);
            // Before COM port control is agreed, what comes is the server's
            // own text. The NUL after a CR is the NVT's padding, not data,
            // when the server sends without binary transmission.
            m_afterCr = b == '\r';
            break;
        case State::Iac:
            m_state = State::Data;
            if (b == kIac && m_comPort == ComPort::Accepted)
                data.append(c); // a doubled 255 is one data byte
            else if (b >= kWill && b <= kDont) {
                m_verb = b;
                m_state = State::Verb;
            } else if (b == kSb)
                m_state = State::Sub;
            break; // NOP, go-ahead and the other commands carry nothing for us
        case State::Verb:
            negotiate(m_verb, b, reply);
            m_state = State::Data;
            break;
        case State::Sub:
            if (b == kIac)
                m_state = State::SubIac;
            break;
        case State::SubIac: m_state = b == kSe ? State::Data : State::Sub; break;
        }
    }
    return data;
}

void ComPortTelnet::negotiate(std::uint8_t verb, std::uint8_t option, QByteArray& reply)
{
    const bool theirs = verb == kWill || verb == kWont;
    const bool enable = verb == kWill || verb == kDo;
    Side& side = theirs ? m_them[option] : m_us[option];
    const auto answer = [&](std::uint8_t v) { reply.append(char(kIac)).append(char(v)).append(char(option)); };
    if (enable && side == Side::No) {
        const bool agreed = theirs ? weAccept(option) : weOffer(option);
        answer(theirs ? (agreed ? kDo : kDont) : (agreed ? kWill : kWont));
        side = agreed ? Side::Yes : Side::No;
    } else if (enable) {
        side = Side::Yes; // our own request granted, or nothing new
    } else {
        if (side == Side::Yes)
            answer(theirs ? kDont : kWont);
        side = Side::No; // a refusal of our request needs no answer
    }
    if (!theirs && option == kComPortOption)
        m_comPort = side == Side::Yes ? ComPort::Accepted : ComPort::Refused;
}

bool ComPortTelnet::weOffer(std::uint8_t option)
{
    return option == kComPortOption || option == kBinary || option == kSuppressGoAhead;
}

// Not ECHO: the server repeating our own command lines would show as replies.
bool ComPortTelnet::weAccept(std::uint8_t option) { return option == kBinary || option == kSuppressGoAhead; }

} // namespace runo
