// SPDX-License-Identifier: MIT
// The client side of a Telnet COM-port-control session (RFC 2217), as spoken
// to a serial device server or ser2net: option negotiation, the escaping of
// byte 255 in both directions, CR under the NVT rules when the server refuses
// binary transmission, and the set-line commands.
//
//   ComPortTelnet t;
//   socket.write(t.start());                  // IAC WILL COM-PORT-OPTION, binary, no go-aheads
//   data = t.receive(fromServer, reply);      // "\xff\xfd\x2c" -> comPort() == Accepted, data ""
//   socket.write(ComPortTelnet::setLine(s));  // 19200,N,8,1 -> SET-BAUDRATE 0x00004B00, ..., SET-CONTROL 1
//   socket.write(t.encode("\xff1\r"));       // -> "\xff\xff" "1\r" (binary), "\xff\xff" "1\r\0" (refused)
//
// Pure bytes in, bytes out: no socket and no timers. Whatever the server
// sends is taken apart in constant memory: the server's own subnegotiations
// (its answers to the set-line commands, line and modem states) are skipped.
// The data taken out and the answers do not depend on how the bytes are cut
// into pieces; each answer is one whole three-byte command, given for one
// three-byte request of the server, so the answers are never longer than
// what asked for them.
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
    static constexpr std::uint8_t kSetBaudRate = 1, kSetDataSize = 2, kSetParity = 3, kSetStopSize = 4, kSetControl = 5;
    // SET-CONTROL value: no flow control (outbound and inbound).
    static constexpr std::uint8_t kNoFlowControl = 1;

    enum class ComPort { Asked, Accepted, Refused };

    // What the client says as soon as the connection is made.
    QByteArray start();
    // Every 255 doubled, as data must travel on a Telnet stream.
    static QByteArray escape(const QByteArray& data);
    // Data as it goes to the server: escaped, and each CR followed by NUL
    // once the server has refused our binary transmission (RFC 854).
    QByteArray encode(const QByteArray& data) const;
    // SET-BAUDRATE, SET-DATASIZE, SET-PARITY and SET-STOPSIZE for `settings`,
    // and SET-CONTROL "no flow control", so that a far port left on RTS/CTS
    // does not hold the line back.
    static QByteArray setLine(const LineSettings& settings);

    // Takes the next bytes from the server, in any pieces; returns the data
    // among them that came once COM port control was agreed, and appends to
    // `reply` what must be answered.
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
    bool m_afterCr = false; // the last data byte was CR
};

} // namespace runo
