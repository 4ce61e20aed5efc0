// SPDX-License-Identifier: MIT
// The simulator's operation codes: what each one does to the projector's
// state, in stand-by and while on, and the ACK that every code gets.
#include "projector.h"

#include <QTest>

class TstProjector : public QObject {
    Q_OBJECT
private slots:
    void operation_data();
    void operation();
};

void TstProjector::operation_data()
{
    QTest::addColumn<QByteArrayList>("before"); // lines sent first
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<Projector::Power>("power");
    QTest::addColumn<int>("input");
    QTest::addColumn<bool>("audioMuted");
    QTest::addColumn<bool>("videoMuted");
    QTest::addColumn<bool>("frozen");
    using P = Projector::Power;
    const QByteArrayList on {"C00"}; // lit at once: no count-down
    const QByteArrayList allSet {"C00", "C0B", "C0D", "C43"};

    QTest::newRow("C00 from stand-by") << QByteArrayList() << QByteArray("C00") << P::On << 1 << false << false << false;
    QTest::newRow("C00 while cooling") << QByteArrayList {"C00", "C01"} << QByteArray("C00") << P::CoolingDown << 1 << false
                                       << false << false;
    QTest::newRow("C01 clears the mutes and the freeze")
        << allSet << QByteArray("C01") << P::CoolingDown << 1 << false << false << false;
    QTest::newRow("C01 in stand-by") << QByteArrayList() << QByteArray("C01") << P::Standby << 1 << false << false << false;

    // The input keys, and the signal keys of inputs 1 to 3, from another input.
    const struct {
        const char* line;
        int input;
    } inputs[] = {{"C05", 1}, {"C06", 2}, {"C07", 3}, {"C08", 4}, {"C50", 1}, {"C51", 1}, {"C52", 1}, {"C53", 1}, {"C23", 2},
        {"C24", 2}, {"C25", 2}, {"C32", 3}, {"C33", 3}, {"C34", 3}};
    for (const auto& i : inputs) {
        const QByteArray other = i.input == 4 ? "C05" : "C08";
        QTest::addRow("%s in stand-by", i.line)
            << QByteArrayList {other} << QByteArray(i.line) << P::Standby << i.input << false << false << false;
    }

    QTest::newRow("C0B") << on << QByteArray("C0B") << P::On << 1 << true << false << false;
    QTest::newRow("C0C") << allSet << QByteArray("C0C") << P::On << 1 << false << true << true;
    QTest::newRow("C0D") << on << QByteArray("C0D") << P::On << 1 << false << true << false;
    QTest::newRow("C0E") << allSet << QByteArray("C0E") << P::On << 1 << true << false << true;
    QTest::newRow("C43") << on << QByteArray("C43") << P::On << 1 << false << false << true;
    QTest::newRow("C44") << allSet << QByteArray("C44") << P::On << 1 << true << true << false;
    // Picture and sound keys do nothing unless the projector is on.
    for (const char* line : {"C0B", "C0D", "C43"})
        QTest::addRow("%s in stand-by", line)
            << QByteArrayList() << QByteArray(line) << P::Standby << 1 << false << false << false;
    QTest::newRow("C0B while cooling") << QByteArrayList {"C00", "C01"} << QByteArray("C0B") << P::CoolingDown << 1 << false
                                       << false << false;

    // Codes it does not know change nothing; they are acknowledged all the same.
    for (const char* line : {"C02", "C09", "C4F", "CFF"})
        QTest::addRow("%s", line) << allSet << QByteArray(line) << P::On << 1 << true << true << true;
}

void TstProjector::operation()
{
    QFETCH(QByteArrayList, before);
    QFETCH(QByteArray, line);
    Projector projector(Projector::Config {0, 5000, 1234});
    for (const QByteArray& b : before)
        QCOMPARE(projector.handleLine(b, 0), QByteArray(1, Projector::Ack));
    QCOMPARE(projector.handleLine(line, 0), QByteArray(1, Projector::Ack));
    QTEST(projector.power(0), "power");
    QTEST(projector.input(), "input");
    QTEST(projector.audioMuted(), "audioMuted");
    QTEST(projector.videoMuted(), "videoMuted");
    QTEST(projector.frozen(), "frozen");
}

QTEST_GUILESS_MAIN(TstProjector)
#include "tst_projector.moc"
