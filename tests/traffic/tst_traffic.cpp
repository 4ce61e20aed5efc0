// SPDX-License-Identifier: MIT
// The traffic text of every byte value, and every reply decoder: each row of
// the five tables, the lamp time, the temperatures, the pass-through and the
// pressure conversion with its range, and the framing that selects a decoder.
#include "traffic/decoders.h"
#include "traffic/traffictext.h"

#include <QTest>

using namespace runo;

namespace {

struct Reply {
    const char* command; // lastCommand without its CR
    const char* reply; // the bytes received
    const char* status; // the status line; nullptr: left as it was
};

// " 8 0" means " Stand by" after CR0 and " No signal" after CRA: the table is
// the last command's.
constexpr Reply kReplies[] = {
    {"CR0", "00\r", " Power ON"},
    {"CR0", "80\r", " Stand by"},
    {"CR0", "40\r", " Count down"},
    {"CR0", "20\r", " Cooling down"},
    {"CR0", "10\r", " Power Fail"},
    {"CR0", "08\r", " Temperature Warning(Power ON)"},
    {"CR0", "02\r", " NO Key input "},
    {"CR0", "04\r", " Lamp OFF by PWR Management"},
    {"CR0", "28\r", " Temperature Warning & cooling down"},
    {"CR0", "24\r", " Lamp OFF & Tempereture Warning by PWR Management"},
    {"CR0", "88\r", " Temperature Warning and recoverd"},
    {"CR0", "21\r", " Cooling down (All Lamp FAIL)"},
    {"CR0", "81\r", " Cooling down & sutandby (All Lamp FAIL)"},
    {"CR0", "0", nullptr}, // one character short of a key
    {"CR0", "99\r", nullptr},
    {"CR1", "1\r", " Input mode 1"},
    {"CR1", "2", " Input mode 2"},
    {"CR1", "3\r", " Input mode 3"},
    {"CR1", "4\r", " Input mode 4"},
    {"CR1", "59\r", " Input mode 5"},
    {"CR1", "6\r", nullptr},
    {"CR4", "11\r", " Normally"},
    {"CR4", "10\r", " Top/Bottom reversal"},
    {"CR4", "01\r", " Left/Right reversal"},
    {"CR4", "00\r", " Top/Bottom , Left/Right reversal"},
    {"CRA", "00\r", " Video & Audio mute OFF"},
    {"CRA", "01\r", " Video mute ON"},
    {"CRA", "02\r", " Audio mute ON"},
    {"CRA", "03\r", " Video & Audio mute ON"},
    {"CRA", "80\r", " No signal"},
    {"CRA", "FF\r", " Stand by"},
    {"CR7", "00\r", " OFF"},
    {"CR7", "01\r", " ON"},
    {"CR7", "02\r", " No2 ON  : 2 Lamp mode"},
    {"CR7", "03\r", " No1,2 ON  : 2 Lamp mode"},
    {"CR7", "10\r", " All OFF : 1 Lamp mode(No1 USE)"},
    {"CR7", "11\r", " No1 ON  : 1 Lamp mode(No1 USE)"},
    {"CR7", "20\r", " All OFF : 1 Lamp mode(No2 USE)"},
    {"CR7", "22\r", " No2 ON  : 1 Lamp mode(No2 USE)"},
    {"CR3", "1234\r", " 1 2 3 4 CR  Hour Use"},
    {"CR3", "12345678901234567890\r", " 1 2 3 4 5 6 7 8 9 0 1 2 3 4 5 6 7 8 9 Hour Use"},
    {"CR6", "025.0  25.0  25.0   25.0\r", "  S1= 0 2 5 . 0 C  ,   S2=  2 5 . 0 C  ,   S3= 2 5 . 0  C  ,   S4=  2 5 . 0 C "},
    {"CR6", "1", "  S1= 1  C  ,   S2=  C  ,   S3=  C  ,   S4=  C "},
    {"CR9", "VM70\r", " V M 7 0 CR "},
    {"CR PRESSURE", "0\r", "106 hPa"},
    {"CR PRESSURE", "600\r", "744 hPa"},
    {"CR PRESSURE", " 6 0 0 \r", "744 hPa"}, // blanks inside the number are skipped
    {"CR PRESSURE", "-1\r", "104 hPa"},
    {"CR PRESSURE", "12.5\r", "118 hPa"}, // halves go to the even reading
    {"CR PRESSURE", "13.5\r", "120 hPa"},
    {"CR PRESSURE", "1.2D1\r", "118 hPa"},
    {"CR PRESSURE", "6553\r", "7077 hPa"},
    {"CR PRESSURE", "-6553\r", "-6865 hPa"},
    {"CR PRESSURE", "6554\r", nullptr}, // past what the conversion takes
    {"CR PRESSURE", "-6554\r", nullptr},
    {"CR PRESSURE", "1E400\r", nullptr},
    {"CR PRESSURE", "1E-999\r", "106 hPa"},
    {"CR PRESSURE",
        "\x06"
        "600\r",
        "106 hPa"}, // no leading number: 0
    {"CR ALLPFAIL", "00\r", nullptr}, // no decoder
    {"cr0", "00\r", nullptr}, // selectors are case-sensitive
    {"CR0 ", "00\r", nullptr},
    {"CRA", "CRA\r00\r", nullptr}, // an echo in front of the data
    {"CR0",
        "\x06"
        "00\r",
        nullptr},
};

} // namespace

class TstTraffic : public QObject {
    Q_OBJECT
private slots:
    void trafficText_data();
    void trafficText();
    void decoders_data();
    void decoders();
    void pressurePastTheDoubleRange();
};

void TstTraffic::trafficText_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QByteArray() << " ";
    QTest::newRow("command line") << QByteArray("CR0\r") << " C R 0 CR ";
    QTest::newRow("spaces double") << QByteArray("CF IMAGE REAL\r") << " C F   I M A G E   R E A L CR ";
    QTest::newRow("acknowledge, LF") << QByteArray("\x06\n") << " ACK LF ";
    QTest::newRow("code 20 has no space") << QByteArray("\x14"
                                                        "00")
                                          << " &0 0 ";
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all += char(b);
    QString printable;
    for (char c = ' '; c <= 'z'; ++c)
        printable += QString(QLatin1Char(c)) + QLatin1Char(' ');
    QTest::newRow("every byte value") << all
                                      << QLatin1String(" ") + QString("? ").repeated(6) + "ACK " + QString("? ").repeated(3)
            + "LF " + QString("? ").repeated(2) + "CR " + QString("? ").repeated(6) + "&" + QString("? ").repeated(11) + printable
            + QString("? ").repeated(133);
}

void TstTraffic::trafficText()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(runo::trafficText(bytes), text);
}

void TstTraffic::decoders_data()
{
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("status");
    for (const Reply& r : kReplies)
        QTest::addRow("%s %s", r.command, qPrintable(runo::trafficText(r.reply))) << QByteArray(
            r.command) << QByteArray(r.reply) << (r.status ? QString::fromLatin1(r.status) : QString("(unchanged)"));
}

void TstTraffic::decoders()
{
    QFETCH(QByteArray, command);
    QFETCH(QByteArray, reply);
    QFETCH(QString, status);
    QCOMPARE(decodeReply(command + '\r', "", runo::trafficText(reply)).value_or("(unchanged)"), status);
}

// Sorted by the number's magnitude, not by the letters in its text.
void TstTraffic::pressurePastTheDoubleRange()
{
    QCOMPARE(pressureHpa(QLatin1String("0.") + QString(323, '0') + "1"), std::optional<int>(106));
    QCOMPARE(pressureHpa(QLatin1String("1") + QString(310, '0') + "E-1"), std::nullopt);
    QCOMPARE(pressureHpa(QLatin1String("-") + QString(400, '7')), std::nullopt);
}

QTEST_GUILESS_MAIN(TstTraffic)
#include "tst_traffic.moc"
