// SPDX-License-Identifier: MIT
// Fuzz target for the receive path: after one of the read commands (or a
// command without a decoder), bytes arrive in arbitrary chunks and go through
// the receive handler, the traffic text and the chosen decoder, mixed with
// the ticks that close the reply window and clear the display.
//
// Input: byte 0 picks the command; then a sequence of operations. An
// operation byte below 0xF0 is the length of a chunk that follows (cut short
// at the end of the input); 0xF0 ticks the reply timer, 0xF1 the display-clear
// timer, 0xF2 sends the command picked by the next byte, 0xF3 queues the next
// chunk under another event code; other values are skipped.
//
// Besides crashes and sanitizer reports, the target checks what must hold
// whatever arrives: nothing is written to the port but the commands sent, the
// receive buffer holds exactly what arrived (up to its bound), the receive
// line is the traffic text of that buffer, and every decoder's status line
// has the shape its decoder gives it.
#include "fakecomm.h"
#include "fuzzcheck.h"
#include "panel/panel.h"
#include "traffic/decoders.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string_view>

using namespace runo;

namespace {

enum class Kind { Table2, Table4, LampTime, Temperature, PassThrough, Pressure, None };

struct Command {
    const char* text;
    Kind kind;
};

constexpr Command kCommands[] = {
    {"CR0", Kind::Table4},
    {"CR1", Kind::Table2},
    {"CR4", Kind::Table4},
    {"CR3", Kind::LampTime},
    {"CR6", Kind::Temperature},
    {"CRA", Kind::Table4},
    {"CR9", Kind::PassThrough},
    {"CR PRESSURE", Kind::Pressure},
    {"CR7", Kind::Table4},
    {"CR ALLPFAIL", Kind::None},
    {"C00", Kind::None},
    {"cra", Kind::None},
    {"CR0 ", Kind::None},
    {"CR", Kind::None},
};
constexpr std::size_t kCommandCount = sizeof kCommands / sizeof kCommands[0];

constexpr std::uint8_t kReplyTick = 0xF0;
constexpr std::uint8_t kClearTick = 0xF1;
constexpr std::uint8_t kSendAgain = 0xF2;
constexpr std::uint8_t kOtherEvent = 0xF3;
constexpr int kOtherEventCode = 3; // a line-status event, not received characters

// The traffic text written out afresh from its rules, to compare with.
QString expectedTraffic(QByteArrayView bytes)
{
    QString out(1, QLatin1Char(' '));
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == 6)
            out += QLatin1String("ACK ");
        else if (c == 20)
            out += QLatin1String("&");
        else if (c == 13)
            out += QLatin1String("CR ");
        else if (c == 10)
            out += QLatin1String("LF ");
        else if (c >= 32 && c <= 122)
            out += QLatin1Char(char(c)) + QLatin1String(" ");
        else
            out += QLatin1String("? ");
    }
    return out;
}

bool isKeyCharacter(QChar c) { return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('F'); }

// The decoded pressure for a reply that is a plain count of up to five digits.
std::optional<int> plainPressure(QByteArrayView reply)
{
    qsizetype digits = 0;
    while (digits < reply.size() && reply[digits] >= '0' && reply[digits] <= '9')
        ++digits;
    if (digits == 0 || digits > 5 || (digits < reply.size() && reply[digits] != '\r'))
        return std::nullopt;
    const int reading = reply.first(digits).toByteArray().toInt();
    if (reading > 6553)
        return -1; // past the range: nothing may be shown
    const double hpa = (std::int16_t(reading * 5) / 1024.0 - 0.204) / 0.00459 + 150.0;
    return int(std::nearbyint(hpa));
}

void checkStatus(Kind kind, const QString& line, const QByteArray& buffer, const QString& before, const QString& after)
{
    static const QRegularExpression hpaText(QStringLiteral("^-?[0-9]+ hPa$"));
    switch (kind) {
    case Kind::None: FUZZ_CHECK(after == before); break;
    case Kind::Table2:
        FUZZ_CHECK(after == before
            || (line.size() >= 2 && line[1] >= QLatin1Char('1') && line[1] <= QLatin1Char('5')
                && after == QStringLiteral(" Input mode ") + line[1]));
        break;
    case Kind::Table4:
        // A table row is only ever found under a key of two code characters.
        FUZZ_CHECK(after == before || (line.size() >= 4 && isKeyCharacter(line[1]) && isKeyCharacter(line[3])));
        break;
    case Kind::LampTime: FUZZ_CHECK(after == line.left(38) + QLatin1String(" Hour Use")); break;
    case Kind::Temperature:
        FUZZ_CHECK(after.startsWith(QLatin1String("  S1=") + line.left(10)) && after.endsWith(QLatin1String(" C ")));
        FUZZ_CHECK(after.size() <= 5 + 10 + 12 + 8 + 12 + 8 + 12 + 8 + 3);
        break;
    case Kind::PassThrough: FUZZ_CHECK(after == line); break;
    case Kind::Pressure: {
        if (after != before) {
            FUZZ_CHECK(hpaText.match(after).hasMatch());
            const int hpa = after.chopped(4).toInt();
            FUZZ_CHECK(hpa >= -6866 && hpa <= 7077); // readings -6553 to 6553
        }
        if (const auto plain = plainPressure(buffer)) {
            if (*plain < 0)
                FUZZ_CHECK(after == before);
            else
                FUZZ_CHECK(after == QString::number(*plain) + QLatin1String(" hPa"));
        }
        break;
    }
    }
}

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
    FUZZ_CHECK(port.open);

    QByteArray sent;
    const Command* command = nullptr;
    auto sendCommand = [&](std::uint8_t pick) {
        command = &kCommands[pick % kCommandCount];
        panel.sendFreeCommand(QString::fromLatin1(command->text));
        sent += command->text;
        sent += '\r';
        FUZZ_CHECK(panel.awaitingReply() == 1);
    };
    sendCommand(data[0]);

    QByteArray buffer; // what the receive buffer must hold
    QByteArray queued; // waiting in the port, not yet read by the panel
    std::size_t i = 1;
    while (i < size) {
        const std::uint8_t op = data[i++];
        if (op == kReplyTick) {
            const bool marker = panel.awaitingReply() == 1;
            panel.closeReplyWindow();
            buffer.clear();
            FUZZ_CHECK(panel.receiveBuffer().isEmpty() && panel.awaitingReply() == 0);
            if (marker)
                FUZZ_CHECK(panel.receiveLine() == QLatin1String(" X X X X"));
        } else if (op == kClearTick) {
            panel.clearTrafficDisplay();
            FUZZ_CHECK(panel.transmitLine().isEmpty() && panel.receiveLine().isEmpty() && panel.statusLine().isEmpty());
        } else if (op == kSendAgain) {
            if (i < size)
                sendCommand(data[i++]);
        } else if (op == kOtherEvent) {
            std::size_t n = 0;
            if (i < size) {
                const std::uint8_t length = data[i++];
                n = std::min<std::size_t>(length, size - i);
            }
            const QByteArray chunk(reinterpret_cast<const char*>(data + i), qsizetype(n));
            i += n;
            const QString line = panel.receiveLine();
            const QString status = panel.statusLine();
            port.deliver(chunk, kOtherEventCode); // ignored, the bytes stay queued
            queued += chunk;
            FUZZ_CHECK(panel.receiveBuffer() == buffer && panel.receiveLine() == line && panel.statusLine() == status);
        } else if (op < kReplyTick) {
            const std::size_t n = std::min<std::size_t>(op, size - i);
            const QByteArray chunk(reinterpret_cast<const char*>(data + i), qsizetype(n));
            i += n;
            const QString lineBefore = panel.receiveLine();
            const QString statusBefore = panel.statusLine();
            port.deliver(chunk);
            const QByteArray arrived = std::exchange(queued, QByteArray()) + chunk;
            const qsizetype room = Panel::kReceiveBufferLimit - buffer.size();
            const bool shown = !arrived.isEmpty() && room > 0;
            if (shown)
                buffer += arrived.left(room);
            FUZZ_CHECK(panel.awaitingReply() == 0);
            FUZZ_CHECK(panel.receiveBuffer() == buffer);
            FUZZ_CHECK(buffer.size() <= Panel::kReceiveBufferLimit);
            if (!shown) {
                FUZZ_CHECK(panel.receiveLine() == lineBefore && panel.statusLine() == statusBefore);
                continue;
            }
            const QString line = panel.receiveLine();
            FUZZ_CHECK(line == expectedTraffic(buffer));
            checkStatus(command->kind, line, buffer, statusBefore, panel.statusLine());
        }
        // Whatever arrives, nothing goes out but the commands sent.
        FUZZ_CHECK(port.written == sent);
        for (const QChar c : panel.receiveLine() + panel.statusLine())
            FUZZ_CHECK(c >= QLatin1Char(' ') && c <= QLatin1Char('~'));
    }
    return 0;
}
