// SPDX-License-Identifier: MIT
// The main window as the operator works it, on a pseudo-terminal: what each
// button puts on the wire and the reply timing it leaves, the traffic lines,
// the free command, the four views and the key chord, the settings panel.
#include "app/layout/logolabel.h"
#include "windowrig.h"

#include <QElapsedTimer>
#include <QFrame>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>
#include <QSignalSpy>

#include <cstdlib>

using runo::Panel;

namespace {

const QString kShowData = QString::fromUtf8("データを表示する");
const QString kHideData = QString::fromUtf8("データを表示しない");

// Counts the presses of one key (with its modifiers) that reach a widget.
class KeyCounter : public QObject {
public:
    KeyCounter(QObject* target, int key, Qt::KeyboardModifiers modifiers)
        : m_key(key)
        , m_modifiers(modifiers)
    {
        target->installEventFilter(this);
    }
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == m_key && key->modifiers() == m_modifiers)
                ++count;
        }
        return false;
    }

private:
    int m_key;
    Qt::KeyboardModifiers m_modifiers;
};

// The window's outer height is whole pixels of 15 twips, so a height in
// twips shows to within half a pixel; the height asked for is exact.
bool hasHeight(runo::MainWindow& w, int twips)
{
    const int shown = w.outerHeightTwips();
    if (std::abs(shown - twips) <= 7 && w.panel().windowHeight() == twips)
        return true;
    qWarning("window height %d twips (%d asked for), expected %d", shown, w.panel().windowHeight(), twips);
    return false;
}

// Types text the way a keyboard would, one key press per character, also
// for characters outside ASCII.
void typeInto(QWidget* w, const QString& text)
{
    for (const QChar c : text) {
        const Qt::Key key = c.unicode() < 0x80 ? Qt::Key(c.toUpper().unicode()) : Qt::Key_unknown;
        QTest::sendKeyEvent(QTest::Click, w, key, QString(c), Qt::NoModifier);
    }
}

} // namespace

class TstWindow : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void singlePressButtons_data();
    void singlePressButtons();
    void intervalsCarryOver_data();
    void intervalsCarryOver();

    void captionAndStartingFocus();
    void views();
    void keyChord_data();
    void keyChord();
    void chordStillReachesTheEntryBox();

    void answeredStatusRead();
    void unansweredStatusRead();

    void freeCommand_data();
    void freeCommand();
    void clsEmptiesTheBoxOnly();

    void speedChangesWhileOpen();
    void missingPortIsReportedOnce();

private:
    std::unique_ptr<WindowRig> rig;
};

void TstWindow::init()
{
    rig = std::make_unique<WindowRig>();
    QVERIFY(rig->show());
    QVERIFY(rig->comm->portOpen());
}

void TstWindow::cleanup()
{
    const QStringList boxes = rig->boxes.texts;
    rig.reset();
    qunsetenv("RUNO_COM2");
    QCOMPARE(boxes, QStringList()); // none but those a test answers for
}

void TstWindow::singlePressButtons_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<int>("reply"); // Timer2 afterwards
    QTest::addColumn<int>("clear"); // Timer4 afterwards
    QTest::addColumn<bool>("armsCursor");

    const auto row
        = [](const char* name, const char* control, const char* line, int reply = 500, int clear = 1000,
              bool armsCursor = false) { QTest::newRow(name) << control << QByteArray(line) << reply << clear << armsCursor; };
    row("POWER ON", "Command17", "C00\r");
    row("POWER OFF", "Command18", "C01\r");
    row("INPUT 1", "Command27", "C05\r");
    row("INPUT 2", "Command28", "C06\r");
    row("INPUT 3", "Command29", "C07\r");
    row("NETWORK", "Command53", "C08\r");
    row("MENU ON", "Command23", "C1C\r", 500, 1000, true);
    row("MENU OFF", "Command24", "C1D\r");
    row("SOUND MUTE ON", "Command19", "C0B\r");
    row("SOUND MUTE OFF", "Command20", "C0C\r");
    row("NO SHOW ON", "Command21", "C0D\r");
    row("NO SHOW OFF", "Command22", "C0E\r");
    row("FREEZE ON", "Command25", "C43\r");
    row("FREEZE OFF", "Command26", "C44\r");
    row("AV Size Normal", "Command31", "C0F\r");
    row("AV Size Full", "Command32", "C10\r");
    row("A-PC Adj", "Command13", "C89\r", 500, 1000, true);
    row("IMAGE", "Command30", "C27\r");
    row("P-TIMER", "Command14", "C8A\r");
    row("P-FAIL", "Command52", "CR ALLPFAIL\r", 2000, 2500);
    row("STAND", "Command4", "CF IMAGE STAND\r", 2000, 2500);
    row("REAL", "Command10", "CF IMAGE REAL\r", 2000, 2500);
    row("CINEMA", "Command11", "CF IMAGE CINEMA\r", 2000, 2500);
    row("DYNAMIC", "Command39", "CF IMAGE DYNAMIC\r", 2000, 2500);
    row("CUSTOM 1", "Command40", "CF IMAGE CUSTOM1\r", 2000, 2500);
    row("CUSTOM 2", "Command41", "CF IMAGE CUSTOM2\r", 2000, 2500);
    row("CUSTOM 3", "Command42", "CF IMAGE CUSTOM3\r", 2000, 2500);
    row("STATUS", "Command44", "CR0\r");
    row("MODE", "Command45", "CR1\r");
    row("L-TIME", "Command46", "CR3\r");
    row("SETTING", "Command47", "CR4\r");
    row("TEMP", "Command54", "CR6\r");
    row("L-MODE", "Command55", "CR7\r");
    row("DVI(AV HDCP)", "Command63", "C53\r", 5000, 5500);
    row("DVI(PC)", "Command64", "C52\r", 5000, 5500);
    row("SCART", "Command65", "C51\r", 5000, 5500);
    row("RGB (row 1)", "Command66", "C50\r", 5000, 5500);
    row("RGB (row 2)", "Command72", "C25\r", 5000, 5500);
    row("Y,Pb/Cb,Pr/Cr", "Command74", "C24\r", 5000, 5500);
    row("VIDEO (row 2)", "Command73", "C23\r", 5000, 5500);
    row("S-VIDEO", "Command84", "C34\r", 5000, 5500);
    row("VIDEO (row 3)", "Command81", "C33\r", 5000, 5500);
    row("AUTO", "Command80", "C32\r", 5000, 5500);
    row("FAN SPEED MAX", "Command97", "CF FANSPEED MAX\r");
    row("FAN SPEED NOR", "Command98", "CF FANSPEED NOR\r");
    row("DISPLAY CLEAR", "Command3", "C1E\r");
}

// Each click puts exactly its line on the wire and starts the reply and
// display-clear timers. A tap of VOL + comes first and leaves the repeat
// interval at 250 ms, so MENU ON and A-PC Adj are seen to set 200 ms and no
// other button is seen to touch it.
void TstWindow::singlePressButtons()
{
    QFETCH(QString, control);
    QFETCH(QByteArray, line);
    QFETCH(int, reply);
    QFETCH(int, clear);
    QFETCH(bool, armsCursor);

    rig->tap("Command1");
    QCOMPARE(rig->wire(1000, 4), QByteArray("C09\r"));
    Panel& panel = rig->panel();
    QCOMPARE(panel.timer(1).interval(), 250);

    QVERIFY(rig->button(control));
    rig->click(control);
    QCOMPARE(rig->wire(1000, line.size()), line);
    QCOMPARE(rig->wire(50), QByteArray()); // one line per click, nothing else
    QCOMPARE(panel.lastCommand(), line);
    QCOMPARE(panel.timer(2).interval(), reply);
    QCOMPARE(panel.timer(4).interval(), clear);
    QVERIFY(panel.timer(2).isActive());
    QVERIFY(panel.timer(4).isActive());
    QVERIFY(!panel.timer(1).isActive());
    QCOMPARE(panel.timer(1).interval(), armsCursor ? 200 : 250);
    QCOMPARE(int(panel.cursorMode()), armsCursor ? 1 : 0);
    QVERIFY(!rig->text("Label11").isEmpty());
}

void TstWindow::intervalsCarryOver_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<QByteArray>("line"); // the second button's line
    QTest::addColumn<int>("reply");
    QTest::addColumn<int>("clear");
    QTest::addColumn<int>("cursorMode");

    QTest::newRow("REAL, POWER ON") << "Command10"
                                    << "Command17" << QByteArray("C00\r") << 2000 << 2500 << 0;
    QTest::newRow("S-VIDEO, STATUS") << "Command84"
                                     << "Command44" << QByteArray("CR0\r") << 5000 << 5500 << 0;
    QTest::newRow("P-FAIL, DISPLAY CLEAR") << "Command52"
                                           << "Command3" << QByteArray("C1E\r") << 2000 << 2500 << 0;
    QTest::newRow("SCART, CUSTOM 2") << "Command65"
                                     << "Command41" << QByteArray("CF IMAGE CUSTOM2\r") << 2000 << 2500 << 0;
    QTest::newRow("MENU ON, MENU OFF") << "Command23"
                                       << "Command24" << QByteArray("C1D\r") << 500 << 1000 << 1;
    QTest::newRow("A-PC Adj, FREEZE OFF") << "Command13"
                                          << "Command26" << QByteArray("C44\r") << 500 << 1000 << 1;
}

// An interval a button sets stays in force for the buttons after it.
void TstWindow::intervalsCarryOver()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(QByteArray, line);
    QFETCH(int, reply);
    QFETCH(int, clear);
    QFETCH(int, cursorMode);

    rig->click(first);
    QVERIFY(!rig->wire(1000, 4).isEmpty());
    rig->wire(50);
    rig->click(second);
    QCOMPARE(rig->wire(1000, line.size()), line);
    Panel& panel = rig->panel();
    QCOMPARE(panel.timer(2).interval(), reply);
    QCOMPARE(panel.timer(4).interval(), clear);
    QCOMPARE(int(panel.cursorMode()), cursorMode);
    QCOMPARE(panel.timer(1).interval(), 200);
}

void TstWindow::captionAndStartingFocus()
{
    QCOMPARE(rig->window->windowTitle(), QString("RUNO  VM90 VM70 & VM50   CONTROL   Ver.1.40"));
    QCOMPARE(QApplication::focusWidget(), rig->button("Command17"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), rig->button("Command1"));
    QCOMPARE(rig->wire(100), QByteArray()); // focus moves, nothing is sent
}

// Compact, extended, full and data view, and the way between them.
void TstWindow::views()
{
    runo::MainWindow& w = *rig->window;
    QPushButton* data = rig->button("Command34");
    auto* logo = rig->form().image();
    const auto chord = [] { QTest::keyClick(QApplication::focusWidget(), Qt::Key_K, Qt::ControlModifier); };
    const auto doubleClickLogo = [logo] { QTest::mouseDClick(logo, Qt::LeftButton); };

    QVERIFY(hasHeight(w, 5350));
    QVERIFY(!data->isVisible());

    doubleClickLogo(); // not armed yet
    QVERIFY(hasHeight(w, 5350));
    QVERIFY(!data->isVisible());

    chord();
    QVERIFY(hasHeight(w, 7200));
    QVERIFY(data->isVisible());
    QCOMPARE(data->text(), QString("CLOSE"));

    doubleClickLogo();
    QVERIFY(hasHeight(w, 9100));
    QCOMPARE(data->text(), QString("CLOSE"));

    QTest::mouseClick(data, Qt::LeftButton);
    QVERIFY(hasHeight(w, 5350));
    QCOMPARE(data->text(), kShowData);
    QVERIFY(data->isVisible()); // once shown, it stays
    QVERIFY(rig->panel().timer(3).isActive()); // closes the settings panel in 5 s

    doubleClickLogo(); // disarmed by the click
    QVERIFY(hasHeight(w, 5350));

    QTest::mouseClick(data, Qt::LeftButton);
    QVERIFY(hasHeight(w, 6645));
    QCOMPARE(data->text(), kHideData);
    QTest::mouseClick(data, Qt::LeftButton);
    QVERIFY(hasHeight(w, 5350));
    QCOMPARE(data->text(), kShowData);

    chord();
    QVERIFY(hasHeight(w, 7200));
    QTest::mouseClick(data, Qt::LeftButton);
    QVERIFY(hasHeight(w, 5350));
    QCOMPARE(rig->wire(100), QByteArray());
}

void TstWindow::keyChord_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<int>("height");

    QTest::newRow("Ctrl+K") << int(Qt::Key_K) << Qt::KeyboardModifiers(Qt::ControlModifier) << 7200;
    QTest::newRow("Ctrl+Shift+K") << int(Qt::Key_K) << (Qt::ControlModifier | Qt::ShiftModifier) << 5350;
    QTest::newRow("Ctrl+Alt+K") << int(Qt::Key_K) << (Qt::ControlModifier | Qt::AltModifier) << 5350;
    QTest::newRow("Alt+K") << int(Qt::Key_K) << Qt::KeyboardModifiers(Qt::AltModifier) << 5350;
    QTest::newRow("Shift+K") << int(Qt::Key_K) << Qt::KeyboardModifiers(Qt::ShiftModifier) << 5350;
    QTest::newRow("K") << int(Qt::Key_K) << Qt::KeyboardModifiers() << 5350;
    QTest::newRow("Ctrl+L") << int(Qt::Key_L) << Qt::KeyboardModifiers(Qt::ControlModifier) << 5350;
}

// Only Ctrl+K opens the extended view and shows the data-display button; it
// also arms the logo.
void TstWindow::keyChord()
{
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(int, height);

    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), modifiers);
    QVERIFY(hasHeight(*rig->window, height));
    QCOMPARE(rig->button("Command34")->isVisible(), height == 7200);
    QTest::mouseDClick(rig->form().image(), Qt::LeftButton);
    QVERIFY(hasHeight(*rig->window, height == 7200 ? 9100 : 5350));
}

// The window sees the chord first, but the focused entry box still gets it,
// and ordinary typing is unaffected.
void TstWindow::chordStillReachesTheEntryBox()
{
    QLineEdit* entry = rig->form().textBox();
    QTest::mouseClick(entry, Qt::LeftButton);
    QCOMPARE(QApplication::focusWidget(), entry);
    KeyCounter chords(entry, Qt::Key_K, Qt::ControlModifier);

    QTest::keyClick(entry, Qt::Key_A);
    QTest::keyClick(entry, Qt::Key_K, Qt::ControlModifier);
    QTest::keyClick(entry, Qt::Key_B);

    QCOMPARE(chords.count, 1);
    QVERIFY(hasHeight(*rig->window, 7200));
    QCOMPARE(entry->text(), QString("ab"));
    QCOMPARE(QApplication::focusWidget(), entry);
    QCOMPARE(rig->wire(100), QByteArray()); // typing sends nothing
}

void TstWindow::answeredStatusRead()
{
    QSignalSpy receiveLines(&rig->panel(), &Panel::receiveLineChanged);
    rig->click("Command44");
    QCOMPARE(rig->wire(1000, 4), QByteArray("CR0\r"));
    QCOMPARE(rig->text("Label11"), QString(" C R 0 CR "));
    rig->pty->write("00\r");
    QTRY_COMPARE_WITH_TIMEOUT(rig->text("Label12"), QString(" 0 0 CR "), 2000);
    QCOMPARE(rig->text("Label22"), QString(" Power ON"));

    // The reply window closes without the marker; the display-clear timer
    // blanks all three lines.
    QTRY_COMPARE_WITH_TIMEOUT(rig->text("Label22"), QString(), 4000);
    QCOMPARE(rig->text("Label11"), QString());
    QCOMPARE(rig->text("Label12"), QString());
    for (const auto& args : receiveLines)
        QVERIFY(args.at(0).toString() != " X X X X");
}

void TstWindow::unansweredStatusRead()
{
    QElapsedTimer clock;
    clock.start();
    rig->click("Command44");
    QCOMPARE(rig->wire(1000, 4), QByteArray("CR0\r"));
    QCOMPARE(rig->text("Label12"), QString());

    QTRY_COMPARE_WITH_TIMEOUT(rig->text("Label12"), QString(" X X X X"), 4000);
    QVERIFY2(clock.elapsed() >= 450, "the no-reply marker came before the reply window closed");
    QCOMPARE(rig->text("Label11"), QString(" C R 0 CR "));

    QTRY_COMPARE_WITH_TIMEOUT(rig->text("Label12"), QString(), 4000);
    QVERIFY2(clock.elapsed() >= 950, "the display cleared before its time");
    QCOMPARE(rig->text("Label11"), QString());
    QCOMPARE(rig->text("Label22"), QString());
}

void TstWindow::freeCommand_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("transmitLine");
    QTest::addColumn<QString>("status"); // after the projector answers "00" CR

    QTest::newRow("SEND CR0") << "CR0" << QByteArray("CR0\r") << " C R 0 CR "
                              << " Power ON";
    QTest::newRow("SEND cr0") << "cr0" << QByteArray("cr0\r") << " c r 0 CR "
                              << "";
    QTest::newRow("SEND empty") << "" << QByteArray("\r") << " CR "
                                << "";
    QTest::newRow("SEND \u00e9") << QString::fromUtf8("é") << QByteArray("\xE9\r") << " ? CR "
                                 << "";
    QTest::newRow("SEND with blanks") << " C00 " << QByteArray(" C00 \r") << "   C 0 0   CR "
                                      << "";
}

void TstWindow::freeCommand()
{
    QFETCH(QString, typed);
    QFETCH(QByteArray, line);
    QFETCH(QString, transmitLine);
    QFETCH(QString, status);

    QLineEdit* entry = rig->form().textBox();
    QTest::mouseClick(entry, Qt::LeftButton);
    typeInto(entry, typed);
    QCOMPARE(entry->text(), typed);
    QTest::keyClick(entry, Qt::Key_Return); // Enter sends nothing
    QCOMPARE(rig->wire(100), QByteArray());

    rig->click("Command95");
    QCOMPARE(rig->wire(1000, line.size()), line);
    QCOMPARE(rig->wire(50), QByteArray());
    QCOMPARE(entry->text(), typed);
    QCOMPARE(rig->text("Label11"), transmitLine);
    QCOMPARE(rig->panel().timer(2).interval(), 2000);
    QCOMPARE(rig->panel().timer(4).interval(), 2500);

    rig->pty->write("00\r");
    QTRY_COMPARE_WITH_TIMEOUT(rig->text("Label12"), QString(" 0 0 CR "), 2000);
    QCOMPARE(rig->text("Label22"), status);
}

void TstWindow::clsEmptiesTheBoxOnly()
{
    QLineEdit* entry = rig->form().textBox();
    QTest::mouseClick(entry, Qt::LeftButton);
    QTest::keyClicks(entry, "CR0");
    rig->click("Command96");
    QCOMPARE(entry->text(), QString());
    QCOMPARE(rig->wire(200), QByteArray());
    QCOMPARE(rig->text("Label11"), QString());
}

void TstWindow::speedChangesWhileOpen()
{
    QFrame* panelFrame = rig->form().frame("Frame8");
    QCOMPARE(rig->pty->speed(), speed_t(B19200));
    QVERIFY(!panelFrame->isVisible());

    rig->click("Command33");
    QVERIFY(panelFrame->isVisible());
    QTest::mouseClick(rig->form().option("Option10"), Qt::LeftButton);
    QVERIFY(!panelFrame->isVisible());
    QVERIFY(rig->form().option("Option10")->isChecked());
    QVERIFY(rig->comm->portOpen());
    QCOMPARE(rig->pty->speed(), speed_t(B9600));
    QCOMPARE(rig->panel().portSettings(), QString("9600,N,8,1"));

    rig->click("Command44"); // still the same open port
    QCOMPARE(rig->wire(1000, 4), QByteArray("CR0\r"));

    rig->click("Command33");
    QTest::mouseClick(rig->form().option("Option9"), Qt::LeftButton);
    QVERIFY(!panelFrame->isVisible());
    QCOMPARE(rig->pty->speed(), speed_t(B19200));
}

void TstWindow::missingPortIsReportedOnce()
{
    qputenv("RUNO_COM2", "/nonexistent/ttyX9");
    QFrame* panelFrame = rig->form().frame("Frame8");
    QRadioButton* com2 = rig->form().option("Option2");

    rig->click("Command33");
    QVERIFY(panelFrame->isVisible());
    QTest::mouseClick(com2, Qt::LeftButton); // returns once the box is answered
    QTest::qWait(300); // room for a second box, should one follow

    const QStringList boxes = std::exchange(rig->boxes.texts, {});
    QCOMPARE(boxes.size(), 1);
    QVERIFY2(boxes.first().contains("/nonexistent/ttyX9"), qPrintable(boxes.first()));
    QCOMPARE(rig->boxes.icons.first(), QMessageBox::Warning);
    QVERIFY(panelFrame->isVisible());
    QVERIFY(com2->isChecked());
    QVERIFY(!rig->form().option("Option1")->isChecked());
    QVERIFY(!rig->comm->portOpen());
    QCOMPARE(rig->comm->commPort(), 1);
}

QTEST_MAIN(TstWindow)
#include "tst_window.moc"
