// SPDX-License-Identifier: MIT
// The client side of a Telnet COM-port-control session (RFC 2217), as spoken
// to a serial device server or ser2net: option negotiation, the escaping of
// byte 255 in both directions, and the four set-line commands.
//
//   ComPortTelnet t;
//   socket.write(t.start());                  // IAC WILL COM-PORT-OPTION, binary, no go-aheads
//   data = t.receive(fromServer, reply);      // "\xff\xfd\x2c" -> comPort() == Accepted, data ""
//   socket.write(ComPortTelnet::setLine(s));  // 19200,N,8,1 -> SET-BAUDRATE 0x00004B00, ...
//   socket.write(ComPortTelnet::escape("\xff1\r"));   // -> "\xff\xff" "1\r"
//
// Pure bytes in, bytes out: no socket and no timers. Whatever the server
// sends is taken apart in constant memory: the server's own subnegotiations
// (its answers to the set-line commands, line and modem states) are skipped.
#pragma once

#include "link/linesettings.h"

#include <QByteArray>

#include <array>
#include <cstdint>

namespace runo {

class ComPortTelnet {
public:
    // Telnet commands and options used here (RFC 854, 855, 856, 858, 2217).
    static constexpr std::uint8_t kIac = 255, kDont = 254, kDo = 253, kWont = 252, kWill = 251, kSb = 250, kSe = 240;
    static constexpr std::uint8_t kBinary = 0, kSuppressGoAhead = 3, kComPortOption = 44;
    // Client-to-server COM-PORT-OPTION commands; the server answers each with 100 more.
    static constexpr std::uint8_t kSetBaudRate = 1, kSetDataSize = 2, kSetParity = 3, kSetStopSize = 4;

    enum class ComPort { Asked, Accepted, Refused };

    // What the client says as soon as the connection is made.
    QByteArray start();
    // Every 255 doubled, as data must travel on a Telnet stream.
    static QByteArray escape(const QByteArray& data);
    // SET-BAUDRATE, SET-DATASIZE, SET-PARITY and SET-STOPSIZE for `settings`.
    static QByteArray setLine(const LineSettings& settings);

    // Takes the next bytes from the server, in any pieces; returns the data
    // among them and appends to `reply` what must be answered.
    QByteArray receive(const QByteArray& bytes, QByteArray& reply);
    ComPort comPort() const { return m_comPort; }

private:
    // One side of an option (RFC 1143, without the queue bit): a request of
    // ours is answered once, a request of the other side once, never in a loop.
    enum class Side : std::uint8_t { No, Yes, WantYes };
    enum class State { Data, Iac, Verb, Sub, SubIac };

    void negotiate(std::uint8_t verb, std::uint8_t option, QByteArray& reply);
    static bool weOffer(std::uint8_t option);
    static bool weAccept(std::uint8_t option);

    std::array<Side, 256> m_us {}; // options we perform
    std::array<Side, 256> m_them {}; // options the server performs
    ComPort m_comPort = ComPort::Asked;
    State m_state = State::Data;
    std::uint8_t m_verb = 0;
};

} // namespace runo
