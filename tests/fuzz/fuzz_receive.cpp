// SPDX-License-Identifier: MIT
// Fuzz target for the receive path: after one of the read commands (or a
// command without a decoder), bytes arrive in arbitrary chunks and go through
// the receive handler, the traffic text and the chosen decoder, mixed with
// the ticks that close the reply window and clear the display.
//
// Input: byte 0 picks the command; then a sequence of operations. An
// operation byte below 0xF0 is the length of a chunk that follows (cut short
// at the end of the input); 0xF0 ticks the reply timer, 0xF1 the display-clear
// timer, 0xF2 sends the command picked by the next byte; other values are
// skipped.
//
// Besides crashes and sanitizer reports, the target checks what must hold
// whatever arrives: nothing is written but the commands sent, the receive
// buffer holds exactly what arrived since the reply window last closed (up to
// its bound), the lines show printable text only, and a pressure stays in
// the range of its conversion.
#include "fakecomm.h"
#include "fuzzcheck.h"
#include "panel/panel.h"

#include <QCoreApplication>

#include <cstdint>

using namespace runo;

namespace {

constexpr const char* kCommands[]
    = {"CR0", "CR1", "CR4", "CR3", "CR6", "CRA", "CR9", "CR PRESSURE", "CR7", "CR ALLPFAIL", "C00", "cra", "CR0 "};
constexpr std::uint8_t kReplyTick = 0xF0;
constexpr std::uint8_t kClearTick = 0xF1;
constexpr std::uint8_t kSendAgain = 0xF2;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    static int argc = 1;
    static char name[] = "fuzz_receive";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = new QCoreApplication(argc, argv); // lives to the end
    (void)app;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    FakeComm port;
    Panel panel(&port);
    panel.load();
    QByteArray sent, buffer;
    const char* command = nullptr;
    auto send = [&](std::uint8_t pick) {
        command = kCommands[pick % std::size(kCommands)];
        panel.sendFreeCommand(QString::fromLatin1(command));
        sent += QByteArray(command) + '\r';
    };
    send(data[0]);

    for (std::size_t i = 1; i < size;) {
        const std::uint8_t op = data[i++];
        if (op == kReplyTick) {
            const bool marker = panel.awaitingReply() == 1;
            panel.closeReplyWindow();
            buffer.clear();
            FUZZ_CHECK(!marker || panel.receiveLine() == QLatin1String(" X X X X"));
        } else if (op == kClearTick) {
            panel.clearTrafficDisplay();
            FUZZ_CHECK(panel.transmitLine().isEmpty() && panel.receiveLine().isEmpty() && panel.statusLine().isEmpty());
        } else if (op == kSendAgain && i < size) {
            send(data[i++]);
        } else if (op < kReplyTick) {
            const std::size_t n = std::min<std::size_t>(op, size - i);
            const QByteArray chunk(reinterpret_cast<const char*>(data + i), qsizetype(n));
            i += n;
            port.deliver(chunk);
            buffer = (buffer + chunk).left(Panel::kReceiveBufferLimit);
            FUZZ_CHECK(panel.receiveBuffer() == buffer && panel.awaitingReply() == 0);
            const QString status = panel.statusLine();
            if (QByteArray(command) == "CR PRESSURE" && status.endsWith(QLatin1String(" hPa"))) {
                const int hpa = status.chopped(4).toInt();
                FUZZ_CHECK(hpa >= -6866 && hpa <= 7077); // readings -6553 to 6553
            }
        }
        FUZZ_CHECK(port.written == sent);
        for (const QChar c : panel.receiveLine() + panel.statusLine())
            FUZZ_CHECK(c >= QLatin1Char(' ') && c <= QLatin1Char('~'));
    }
    return 0;
}
