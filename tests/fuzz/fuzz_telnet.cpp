// SPDX-License-Identifier: MIT
// Fuzz target for the Telnet parser of RFC 2217 ports: whatever a server
// sends, cut into any pieces.
//
// Input: byte 0 picks how the rest is cut (a seed for the piece lengths); the
// rest is what the server sends.
//
// Besides crashes and sanitizer reports, the target checks what must hold
// whatever arrives: the data and the answers are the same whether the bytes
// come at once, one by one or in pieces; every answer is one whole command
// (IAC, WILL/WONT/DO/DONT, option); and the answers are never longer than
// what asked for them.
#include "fuzzcheck.h"
#include "link/comporttelnet.h"

#include <cstdint>

using namespace runo;

namespace {

using T = ComPortTelnet;

// The data and answers for `input`, fed in pieces: one byte at a time when
// seed is 0, else of 1 to 64 bytes as the seed's sequence says.
void feed(const QByteArray& input, unsigned seed, QByteArray& data, QByteArray& answers, T& telnet)
{
    telnet.start();
    for (qsizetype fed = 0; fed < input.size();) {
        qsizetype n = 1;
        if (seed != 0) {
            seed = seed * 1103515245u + 12345u;
            n = 1 + qsizetype((seed >> 16) % 64);
        }
        n = std::min(n, input.size() - fed);
        QByteArray piece;
        data += telnet.receive(input.mid(fed, n), piece);
        fed += n;
        FUZZ_CHECK(piece.size() % 3 == 0);
        for (qsizetype i = 0; i < piece.size(); i += 3)
            FUZZ_CHECK(std::uint8_t(piece[i]) == T::kIac && std::uint8_t(piece[i + 1]) >= T::kWill
                && std::uint8_t(piece[i + 1]) <= T::kDont);
        answers += piece;
        FUZZ_CHECK(answers.size() <= fed);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) { return 0; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::uint8_t head = bytes[0];
    const QByteArray input(reinterpret_cast<const char*>(bytes + 1), qsizetype(size - 1));

    T whole;
    whole.start();
    QByteArray wholeAnswers;
    const QByteArray wholeData = whole.receive(input, wholeAnswers);
    FUZZ_CHECK(wholeData.size() <= input.size());
    for (const unsigned seed : {0u, head + 1u}) {
        T telnet;
        QByteArray data, answers;
        feed(input, seed, data, answers, telnet);
        FUZZ_CHECK(data == wholeData && answers == wholeAnswers && telnet.comPort() == whole.comPort());
    }
    return 0;
}
