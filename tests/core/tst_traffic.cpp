// SPDX-License-Identifier: MIT
// The traffic text and the reply decoders, as data rows.
#include "traffic/decoders.h"
#include "traffic/traffictext.h"

#include <QTest>

#include <limits>

using namespace runo;

namespace {
constexpr int kOutOfRange = std::numeric_limits<int>::min();
}

class TstTraffic : public QObject {
    Q_OBJECT
private slots:
    void trafficText_data();
    void trafficText();
    void everyByte_data();
    void everyByte();
    void decode_data();
    void decode();
    void pressure_data();
    void pressure();
    void leadingNumber_data();
    void leadingNumber();
};

void TstTraffic::trafficText_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("shown");
    QTest::newRow("CR0") << QByteArray("CR0\r") << " C R 0 CR ";
    QTest::newRow("reply 00") << QByteArray("00\r") << " 0 0 CR ";
    QTest::newRow("lone ACK") << QByteArray("\x06") << " ACK ";
    QTest::newRow("CF IMAGE REAL") << QByteArray("CF IMAGE REAL\r") << " C F   I M A G E   R E A L CR ";
    QTest::newRow("empty") << QByteArray() << " ";
    QTest::newRow("code 20 shifts") << QByteArray("\x14"
                                                  "AB")
                                    << " &A B ";
    QTest::newRow("lower case") << QByteArray("ff") << " f f ";
    QTest::newRow("braces and tilde") << QByteArray("{|}~") << " ? ? ? ? ";
    QTest::newRow("LF and NUL") << QByteArray("\n\0", 2) << " LF ? ";
    QTest::newRow("high bytes") << QByteArray("\x80\xff") << " ? ? ";
}

void TstTraffic::trafficText()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, shown);
    QCOMPARE(runo::trafficText(text), shown);
}

void TstTraffic::everyByte_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("shown");
    for (int code = 0; code < 256; ++code) {
        QString shown;
        if (code == 6)
            shown = "ACK ";
        else if (code == 20)
            shown = "&";
        else if (code == 13)
            shown = "CR ";
        else if (code == 10)
            shown = "LF ";
        else if (code >= 32 && code <= 122)
            shown = QString(QChar(code)) + ' ';
        else
            shown = "? ";
        QTest::addRow("byte %d", code) << code << " " + shown;
    }
}

void TstTraffic::everyByte()
{
    QFETCH(int, code);
    QFETCH(QString, shown);
    QCOMPARE(runo::trafficText(QByteArray(1, char(code))), shown);
}

void TstTraffic::decode_data()
{
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("status"); // null: status line unchanged

    const struct {
        const char* command;
        const char* reply;
        const char* status;
    } rows[] = {
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
        {"CR0", "00", " Power ON"},
        {"CR0", "0", nullptr},
        {"CR0", "99\r", nullptr},
        {"CR0",
            "\x06"
            "00\r",
            nullptr},
        {"CR0", "CR0\r00\r", nullptr},
        {"CR1", "1\r", " Input mode 1"},
        {"CR1", "2\r", " Input mode 2"},
        {"CR1", "3\r", " Input mode 3"},
        {"CR1", "4\r", " Input mode 4"},
        {"CR1", "5\r", " Input mode 5"},
        {"CR1", "12\r", " Input mode 1"},
        {"CR1", "6\r", nullptr},
        {"CR4", "11\r", " Normally"},
        {"CR4", "10\r", " Top/Bottom reversal"},
        {"CR4", "01\r", " Left/Right reversal"},
        {"CR4", "00\r", " Top/Bottom , Left/Right reversal"},
        {"CR3", "1234\r", " 1 2 3 4 CR  Hour Use"},
        {"CR3", "12345678901234567890\r", " 1 2 3 4 5 6 7 8 9 0 1 2 3 4 5 6 7 8 9 Hour Use"},
        {"CR6", "ABCDEFGHIJKLMNOPQRSTUVWXYZ\r", "  S1= A B C D E C  ,   S2=  H I J K C  ,   S3= N O P Q  C  ,   S4=  U V W X C "},
        {"CR6", "25\r", "  S1= 2 5 CR  C  ,   S2=  C  ,   S3=  C  ,   S4=  C "},
        {"CRA", "00\r", " Video & Audio mute OFF"},
        {"CRA", "01\r", " Video mute ON"},
        {"CRA", "02\r", " Audio mute ON"},
        {"CRA", "03\r", " Video & Audio mute ON"},
        {"CRA", "80\r", " No signal"},
        {"CRA", "FF\r", " Stand by"},
        {"CRA", "ff\r", nullptr},
        {"CR9", "VM70\r", " V M 7 0 CR "},
        {"CR PRESSURE", "512\r", "650 hPa"},
        {"CR PRESSURE",
            "\x06"
            "512\r",
            "106 hPa"},
        {"CR PRESSURE", "6554\r", nullptr},
        {"CR7", "00\r", " OFF"},
        {"CR7", "01\r", " ON"},
        {"CR7", "02\r", " No2 ON  : 2 Lamp mode"},
        {"CR7", "03\r", " No1,2 ON  : 2 Lamp mode"},
        {"CR7", "10\r", " All OFF : 1 Lamp mode(No1 USE)"},
        {"CR7", "11\r", " No1 ON  : 1 Lamp mode(No1 USE)"},
        {"CR7", "20\r", " All OFF : 1 Lamp mode(No2 USE)"},
        {"CR7", "22\r", " No2 ON  : 1 Lamp mode(No2 USE)"},
        {"CR ALLPFAIL", "00\r", nullptr},
        {"C00", "\x06", nullptr},
        {"cra", "00\r", nullptr},
        {"CRA ", "00\r", nullptr},
    };
    for (const auto& r : rows)
        QTest::addRow("%s after %s", r.reply, r.command)
            << QByteArray(r.command) + '\r' << QByteArray(r.reply) << (r.status ? QString(r.status) : QString());
}

void TstTraffic::decode()
{
    QFETCH(QByteArray, command);
    QFETCH(QByteArray, reply);
    QFETCH(QString, status);
    const auto decoded = decodeReply(command, QByteArray(), runo::trafficText(reply));
    QCOMPARE(decoded.has_value(), !status.isNull());
    if (decoded)
        QCOMPARE(*decoded, status);
}

void TstTraffic::pressure_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("hpa"); // kOutOfRange: status line unchanged
    QTest::newRow("0") << QByteArray("0\r") << 106;
    QTest::newRow("no number") << QByteArray("ERR\r") << 106;
    QTest::newRow("205") << QByteArray("205\r") << 324;
    QTest::newRow("512") << QByteArray("512\r") << 650;
    QTest::newRow("600") << QByteArray("600\r") << 744;
    QTest::newRow("1000") << QByteArray("1000\r") << 1169;
    QTest::newRow("6553") << QByteArray("6553\r") << 7077;
    QTest::newRow("-6553") << QByteArray("-6553\r") << -6865;
    QTest::newRow("6554") << QByteArray("6554\r") << kOutOfRange;
    QTest::newRow("-6554") << QByteArray("-6554\r") << kOutOfRange;
    QTest::newRow("99999") << QByteArray("99999\r") << kOutOfRange;
    QTest::newRow("1E400") << QByteArray("1E400\r") << kOutOfRange;
    QTest::newRow("6553.4 rounds down") << QByteArray("6553.4\r") << 7077;
    QTest::newRow("6553.5 rounds to even, out") << QByteArray("6553.5\r") << kOutOfRange;
    QTest::newRow("0.5 rounds to even 0") << QByteArray("0.5\r") << 106;
    QTest::newRow("1.5 rounds to even 2") << QByteArray("1.5\r") << 108;
    QTest::newRow("exponent D") << QByteArray("5D2\r") << 637;
}

void TstTraffic::pressure()
{
    QFETCH(QByteArray, reply);
    QFETCH(int, hpa);
    const auto got = pressureHpa(runo::trafficText(reply));
    if (hpa == kOutOfRange) {
        QVERIFY(!got.has_value());
        return;
    }
    QVERIFY(got.has_value());
    QCOMPARE(*got, hpa);
}

void TstTraffic::leadingNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("blanks between digits") << " 1 2\t3\n4 CR " << 1234.0;
    QTest::newRow("sign and decimals") << " - 1 2 . 5 " << -12.5;
    QTest::newRow("plus sign") << "+7" << 7.0;
    QTest::newRow("exponent") << "1.5E3" << 1500.0;
    QTest::newRow("negative exponent") << "25D-1" << 2.5;
    QTest::newRow("exponent without digits") << "12E" << 12.0;
    QTest::newRow("lower-case e is no exponent") << "12e3" << 12.0;
    QTest::newRow("lone sign") << "-" << 0.0;
    QTest::newRow("lone point") << "." << 0.0;
    QTest::newRow("stops at letter") << "42C7" << 42.0;
    QTest::newRow("leading zeros") << QString(600, '0') + "5" << 5.0;
    QTest::newRow("huge") << "1E400" << qInf();
    QTest::newRow("tiny") << "1E-400" << 0.0;
}

void TstTraffic::leadingNumber()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(runo::leadingNumber(text), value);
}

QTEST_GUILESS_MAIN(TstTraffic)
#include "tst_traffic.moc"
