// SPDX-License-Identifier: MIT
// The main window as the operator works it, on a pseudo-terminal: what each
// button puts on the wire and the timing it leaves, the exchange on the
// traffic lines, the free command, the views and keys, the settings panel and
// the device menu; and the window as built from its control table.
#include "app/layout/controltable.h"
#include "app/layout/logolabel.h"
#include "app/layout/twips.h"
#include "link/devices.h"
#include "traffic/traffictext.h"
#include "windowrig.h"

#include <QElapsedTimer>
#include <QFrame>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QScopeGuard>
#include <QScreen>
#include <QSettings>

#include <map>
#include <set>

using runo::Panel;

namespace {

struct Click {
    const char* control;
    const char* line;
    int reply; // Timer2 afterwards; 0: the one in force is kept
    int clear;
    bool armsCursor;
};

constexpr Click kClicks[] = {
    {"Command17", "C00", 0, 0, false},
    {"Command18", "C01", 0, 0, false},
    {"Command27", "C05", 0, 0, false},
    {"Command28", "C06", 0, 0, false},
    {"Command29", "C07", 0, 0, false},
    {"Command53", "C08", 0, 0, false},
    {"Command23", "C1C", 0, 0, true},
    {"Command24", "C1D", 0, 0, false},
    {"Command19", "C0B", 0, 0, false},
    {"Command20", "C0C", 0, 0, false},
    {"Command21", "C0D", 0, 0, false},
    {"Command22", "C0E", 0, 0, false},
    {"Command25", "C43", 0, 0, false},
    {"Command26", "C44", 0, 0, false},
    {"Command31", "C0F", 0, 0, false},
    {"Command32", "C10", 0, 0, false},
    {"Command13", "C89", 0, 0, true},
    {"Command30", "C27", 0, 0, false},
    {"Command14", "C8A", 0, 0, false},
    {"Command3", "C1E", 0, 0, false},
    {"Command52", "CR ALLPFAIL", 2000, 2500, false},
    {"Command4", "CF IMAGE STAND", 2000, 2500, false},
    {"Command10", "CF IMAGE REAL", 2000, 2500, false},
    {"Command11", "CF IMAGE CINEMA", 2000, 2500, false},
    {"Command39", "CF IMAGE DYNAMIC", 2000, 2500, false},
    {"Command40", "CF IMAGE CUSTOM1", 2000, 2500, false},
    {"Command41", "CF IMAGE CUSTOM2", 2000, 2500, false},
    {"Command42", "CF IMAGE CUSTOM3", 2000, 2500, false},
    {"Command44", "CR0", 0, 0, false},
    {"Command45", "CR1", 0, 0, false},
    {"Command46", "CR3", 0, 0, false},
    {"Command47", "CR4", 0, 0, false},
    {"Command54", "CR6", 0, 0, false},
    {"Command55", "CR7", 0, 0, false},
    {"Command63", "C53", 5000, 5500, false},
    {"Command64", "C52", 5000, 5500, false},
    {"Command65", "C51", 5000, 5500, false},
    {"Command66", "C50", 5000, 5500, false},
    {"Command72", "C25", 5000, 5500, false},
    {"Command74", "C24", 5000, 5500, false},
    {"Command73", "C23", 5000, 5500, false},
    {"Command84", "C34", 5000, 5500, false},
    {"Command81", "C33", 5000, 5500, false},
    {"Command80", "C32", 5000, 5500, false},
    {"Command97", "CF FANSPEED MAX", 0, 0, false},
    {"Command98", "CF FANSPEED NOR", 0, 0, false},
};

// Whether the window shows `twips` of outer height (to within half a pixel)
// and the panel asked for exactly that.
bool hasHeight(WindowRig& rig, int twips)
{
    return std::abs(rig.window->outerHeightTwips() - twips) <= 7 && rig.panel().windowHeight() == twips;
}

QString qs(std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

} // namespace

class TstWindow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void buttons_data();
    void buttons();
    void exchange();
    void freeCommand_data();
    void freeCommand();
    void views();
    void keys_data();
    void keys();
    void settingsPanel();
    void deviceMenu();
    void builtFromTheTable();
    void darkPalette();

private:
    QTemporaryDir m_config;
    std::unique_ptr<WindowRig> rig;
};

void TstWindow::initTestCase() { qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path())); }

void TstWindow::init()
{
    rig = std::make_unique<WindowRig>();
    QVERIFY(rig->show());
}

void TstWindow::cleanup()
{
    const QStringList boxes = rig->boxes.texts;
    rig.reset();
    QCOMPARE(boxes, QStringList()); // none but those a test takes for itself
}

void TstWindow::buttons_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<int>("reply");
    QTest::addColumn<int>("clear");
    QTest::addColumn<bool>("armsCursor");
    for (const Click& c : kClicks)
        QTest::newRow(c.control) << c.control << QByteArray(c.line) + '\r' << c.reply << c.clear << c.armsCursor;
}

// One line per click. A tap of VOL + leaves the repeat interval at 250 ms,
// and a button with other timing leaves the reply window in force, so a
// button that sets what it should not, or not what it should, shows.
void TstWindow::buttons()
{
    QFETCH(QString, control);
    QFETCH(QByteArray, line);
    QFETCH(int, reply);
    QFETCH(int, clear);
    QFETCH(bool, armsCursor);
    rig->tap("Command1");
    const char* before = reply == 2000 ? "Command84" : "Command10"; // S-VIDEO 5000 ms, REAL 2000 ms
    rig->click(before);
    const QByteArray preamble = "C09\r" + QByteArray(reply == 2000 ? "C34\r" : "CF IMAGE REAL\r");
    QCOMPARE(rig->wire(2000, preamble.size()), preamble);

    rig->click(control);
    QCOMPARE(rig->wire(2000, line.size()), line);
    QCOMPARE(rig->wire(50), QByteArray());
    QCOMPARE(rig->timer(2).interval(), reply ? reply : 2000); // REAL's, kept
    QCOMPARE(rig->timer(4).interval(), clear ? clear : 2500);
    QVERIFY(rig->timer(2).isActive() && rig->timer(4).isActive());
    QCOMPARE(rig->timer(1).interval(), armsCursor ? 200 : 250);
    QCOMPARE(int(rig->panel().cursorMode()), armsCursor ? 1 : 0);
    QCOMPARE(rig->text("Label11"), runo::trafficText(line));
}

void TstWindow::exchange()
{
    QElapsedTimer clock;
    rig->click("Command44");
    clock.start();
    QCOMPARE(rig->wire(1000, 4), QByteArray("CR0\r"));
    rig->pty->write("00\r");
    QTRY_COMPARE_WITH_TIMEOUT(rig->text("Label22"), QString(" Power ON"), 2000);
    QCOMPARE(rig->text("Label12"), QString(" 0 0 CR "));
    QTRY_COMPARE_WITH_TIMEOUT(rig->text("Label22"), QString(), 3000);
    QVERIFY(clock.elapsed() >= 950);

    rig->click("Command44"); // unanswered
    clock.restart();
    QTRY_COMPARE_WITH_TIMEOUT(rig->text("Label12"), QString(" X X X X"), 3000);
    QVERIFY2(clock.elapsed() >= 450, "the no-reply marker came before the reply window closed");
    QCOMPARE(rig->text("Label11"), QString(" C R 0 CR "));
    QTRY_COMPARE_WITH_TIMEOUT(rig->text("Label12"), QString(), 3000);
    QVERIFY2(clock.elapsed() >= 950, "the display cleared before its time");
    QCOMPARE(rig->text("Label11"), QString());

    QByteArray all; // every byte value reaches the panel as sent: the line translates none
    for (int b = 0; b < 256; ++b)
        all += char(b);
    rig->pty->write(all);
    QTRY_COMPARE_WITH_TIMEOUT(rig->panel().receiveBuffer(), all, 2000);
}

void TstWindow::freeCommand_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("status"); // after the projector answers "00" CR
    QTest::newRow("CR0") << "CR0" << QByteArray("CR0\r") << " Power ON";
    QTest::newRow("cr0") << "cr0" << QByteArray("cr0\r") << "";
    QTest::newRow("empty") << "" << QByteArray("\r") << "";
    QTest::newRow("blanks kept") << " C00 " << QByteArray(" C00 \r") << "";
    QTest::newRow("Latin-1") << QString::fromUtf8("é") << QByteArray("\xE9\r") << "";
    QTest::newRow("beyond Latin-1") << QString::fromUtf8("デ😀") << QByteArray("??\r") << "";
}

void TstWindow::freeCommand()
{
    QFETCH(QString, typed);
    QFETCH(QByteArray, line);
    QFETCH(QString, status);
    QLineEdit* entry = rig->form().textBox();
    entry->setFocus();
    entry->setText(typed);
    QTest::keyClick(entry, Qt::Key_Return); // Enter in the box sends nothing
    QCOMPARE(rig->wire(100), QByteArray());
    rig->click("Command95");
    QCOMPARE(rig->wire(1000, line.size()), line);
    QCOMPARE(entry->text(), typed);
    QCOMPARE(rig->timer(2).interval(), 2000);
    QCOMPARE(rig->timer(4).interval(), 2500);
    rig->pty->write("00\r");
    QTRY_COMPARE_WITH_TIMEOUT(rig->text("Label12"), QString(" 0 0 CR "), 2000);
    QCOMPARE(rig->text("Label22"), status);
    rig->click("Command96"); // CLS empties the box and sends nothing
    QCOMPARE(entry->text(), QString());
    QCOMPARE(rig->wire(100), QByteArray());
}

// Compact, extended, full and data view, and the ways between them.
void TstWindow::views()
{
    QPushButton* data = rig->button("Command34");
    const auto chord = [] { QTest::keyClick(QApplication::focusWidget(), Qt::Key_K, Qt::ControlModifier); };
    const auto logo = [this] { QTest::mouseDClick(rig->form().image(), Qt::LeftButton); };
    QVERIFY(hasHeight(*rig, 5350) && !data->isVisible());
    logo(); // not armed yet
    QVERIFY(hasHeight(*rig, 5350));
    chord();
    QVERIFY(hasHeight(*rig, 7200) && data->isVisible());
    QCOMPARE(data->text(), QString("CLOSE"));
    logo();
    QVERIFY(hasHeight(*rig, 9100));
    data->click();
    QVERIFY(hasHeight(*rig, 5350) && data->isVisible());
    QCOMPARE(data->text(), QString("データを表示する"));
    QVERIFY(rig->timer(3).isActive() && rig->timer(3).interval() == 5000); // closes the settings panel in 5 s
    logo(); // disarmed by the click
    QVERIFY(hasHeight(*rig, 5350));
    data->click();
    QVERIFY(hasHeight(*rig, 6645));
    QCOMPARE(data->text(), QString("データを表示しない"));
    data->click();
    QVERIFY(hasHeight(*rig, 5350));
    QCOMPARE(rig->wire(100), QByteArray());
}

void TstWindow::keys_data()
{
    QTest::addColumn<QString>("focus");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("height");
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("Ctrl+K") << "Command17" << int(Qt::Key_K) << int(Qt::ControlModifier) << 7200 << QByteArray();
    QTest::newRow("Ctrl+K in the entry") << "Text1" << int(Qt::Key_K) << int(Qt::ControlModifier) << 7200 << QByteArray();
    QTest::newRow("Ctrl+Shift+K") << "Command17" << int(Qt::Key_K) << int(Qt::ControlModifier | Qt::ShiftModifier) << 5350
                                  << QByteArray();
    QTest::newRow("Ctrl+Alt+K") << "Command17" << int(Qt::Key_K) << int(Qt::ControlModifier | Qt::AltModifier) << 5350
                                << QByteArray();
    QTest::newRow("Alt+K") << "Command17" << int(Qt::Key_K) << int(Qt::AltModifier) << 5350 << QByteArray();
    QTest::newRow("K") << "Command17" << int(Qt::Key_K) << 0 << 5350 << QByteArray();
    QTest::newRow("Ctrl+L") << "Command17" << int(Qt::Key_L) << int(Qt::ControlModifier) << 5350 << QByteArray();
    QTest::newRow("Enter on POWER ON") << "Command17" << int(Qt::Key_Return) << 0 << 5350 << QByteArray("C00\r");
    QTest::newRow("Enter on STATUS") << "Command44" << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << 5350
                                     << QByteArray("CR0\r");
    QTest::newRow("Space on STATUS") << "Command44" << int(Qt::Key_Space) << 0 << 5350 << QByteArray("CR0\r");
    QTest::newRow("Enter on VOL +") << "Command1" << int(Qt::Key_Return) << 0 << 5350 << QByteArray();
    QTest::newRow("Space on VOL +") << "Command1" << int(Qt::Key_Space) << 0 << 5350 << QByteArray();
}

// Only Ctrl+K opens the extended view; it reaches the focused control but
// never edits the entry box. Enter and Space press a single-press button,
// never a hold button.
void TstWindow::keys()
{
    QFETCH(QString, focus);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(int, height);
    QFETCH(QByteArray, line);
    QWidget* target = rig->form().widget(focus);
    target->setFocus();
    auto* entry = rig->form().textBox();
    entry->setText("CR0 C00");
    entry->setCursorPosition(3);
    QTest::keyClick(target, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QVERIFY(hasHeight(*rig, height));
    QCOMPARE(entry->text(), QString("CR0 C00"));
    QCOMPARE(entry->cursorPosition(), 3);
    QCOMPARE(QApplication::focusWidget(), target);
    QCOMPARE(rig->wire(200), line);
}

void TstWindow::settingsPanel()
{
    QFrame* frame = rig->form().frame("Frame8");
    QCOMPARE(rig->pty->speed(), speed_t(B19200));
    rig->click("Command33");
    QVERIFY(frame->isVisible());
    QCOMPARE(rig->timer(3).interval(), 5000);
    QTest::mouseClick(rig->form().option("Option10"), Qt::LeftButton);
    QVERIFY(!frame->isVisible() && rig->comm->portOpen());
    QCOMPARE(rig->pty->speed(), speed_t(B9600));

    // COM2 cannot be opened: one box naming it, COM2 stays ticked, and no
    // command goes out on COM1 behind the operator's back.
    rig->ports.choose(2, "/nonexistent/ttyX9");
    rig->click("Command33");
    QTest::mouseClick(rig->form().option("Option2"), Qt::LeftButton);
    QTest::qWait(200); // room for a second box, should one follow
    const QStringList boxes = std::exchange(rig->boxes.texts, {});
    QCOMPARE(boxes.size(), 1);
    QVERIFY2(boxes.first().contains("COM2 (/nonexistent/ttyX9)"), qPrintable(boxes.first()));
    QVERIFY(frame->isVisible() && rig->form().option("Option2")->isChecked());
    QCOMPARE(rig->comm->commPort(), 1);
    rig->click("Command17");
    QTRY_COMPARE_WITH_TIMEOUT(rig->text("Label12"), QString(" X X X X"), 2000);
    QCOMPARE(rig->wire(50), QByteArray());

    // Choosing COM1 while its port is closed opens it.
    QTest::mouseClick(rig->form().option("Option1"), Qt::LeftButton);
    QVERIFY(rig->comm->portOpen() && !frame->isVisible());
    rig->click("Command17");
    QCOMPARE(rig->wire(1000, 4), QByteArray("C00\r"));
}

// The menu lists the devices it is given; choosing one for the port in use
// reopens the port on it at once and remembers it.
void TstWindow::deviceMenu()
{
    Pty adapter, other;
    QMenu* menu = rig->window->deviceMenu(0, {{adapter.path(), adapter.path(), "FT232R USB UART"}}, rig->window.get());
    QCOMPARE(menu->actions().size(), 2); // COM1 and COM2
    const QList<QAction*> com1 = menu->actions().first()->menu()->actions();
    QVERIFY(com1.first()->text().contains("FT232R USB UART"));
    QCOMPARE(com1.last()->text(), QString("Other device…"));
    com1.first()->trigger();
    rig->click("Command44");
    QCOMPARE(adapter.readFor(1000, 4), QByteArray("CR0\r"));

    rig->boxes.answer = other.path();
    rig->window->deviceMenu(1, {}, rig->window.get())->actions().last()->trigger();
    rig->click("Command17");
    QCOMPARE(other.readFor(1000, 4), QByteArray("C00\r"));
    QCOMPARE(QSettings("runo-control", "runo-control").value("ports/COM1").toString(), other.path());
    QCOMPARE(rig->wire(50), QByteArray());
}

// Every control of the table under its stored name, inside its container,
// where the table puts it; none on top of another but the overlaps of one
// pixel between neighbours; every control the operator uses named uniquely;
// and the drawing details of the window as a whole.
void TstWindow::builtFromTheTable()
{
    using namespace runo::layout;
    std::set<QString> names;
    for (const Control& c : controls()) {
        QWidget* w = rig->form().widget(qs(c.name));
        QVERIFY2(w, c.name.data());
        QCOMPARE(w->parentWidget()->objectName(), c.container.empty() ? QString() : qs(c.container));
        QCOMPARE(w->geometry(), QRect(toPixels(c.left), toPixels(c.top), toPixels(c.width), toPixels(c.height)));
        for (const Control& d : controls())
            if (&c != &d && c.container == d.container && c.kind == Kind::Button && d.kind == Kind::Button) {
                const QRect overlap = w->geometry() & rig->form().widget(qs(d.name))->geometry();
                QVERIFY2(overlap.isEmpty() || std::min(overlap.width(), overlap.height()) <= 1, c.name.data());
            }
        if (c.kind != Kind::Frame && (c.kind != Kind::Label || (c.flags & SingleBorder))) {
            QVERIFY2(!w->accessibleName().isEmpty() && names.insert(w->accessibleName()).second, c.name.data());
        }
    }
    QCOMPARE(names.size(), size_t(70 + 4 + 1 + 1 + 3)); // buttons, options, text box, logo, traffic lines

    QCOMPARE(rig->window->windowTitle(), QString("RUNO  VM90 VM70 & VM50   CONTROL   Ver.1.40"));
    QVERIFY(!rig->window->windowIcon().isNull());
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QCOMPARE(rig->window->x(), (screen.width() - 641) / 2); // 633 pixels and the frame's 8
    QCOMPARE(rig->window->y(), (screen.height() - 611) / 2);
    QCOMPARE(QApplication::focusWidget(), rig->button("Command17"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), rig->button("Command1"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    const QImage face = rig->button("Command17")->grab().toImage();
    QCOMPARE(face.pixelColor(4, face.height() / 2), QColor(0xC0FFC0)); // focused, its own colour
}

// The text on the panel's own colours, as the window built under a dark
// desktop palette shows it: what it is under the default palette.
void TstWindow::darkPalette()
{
    using namespace runo::layout;
    const auto textColours = [this] {
        std::map<QString, QRgb> colours;
        for (const Control& c : controls())
            if (c.back != kSystemButtonFace && c.back != kSystemWindow && c.kind != Kind::Frame && c.kind != Kind::Image) {
                QWidget* w = rig->form().widget(qs(c.name));
                w->ensurePolished();
                colours[qs(c.name)] = w->palette().color(w->foregroundRole()).rgb();
            }
        return colours;
    };
    const std::map<QString, QRgb> usual = textColours();
    QCOMPARE(usual.at("Command17"), qRgb(0, 0, 0));
    QCOMPARE(usual.size(), size_t(97)); // the buttons but COM, the options, the labels
    const QPalette original = QApplication::palette();
    const auto restore = qScopeGuard([&] { QApplication::setPalette(original); });
    QPalette dark(QColor(0x35, 0x35, 0x35), QColor(0x2A, 0x2A, 0x2A));
    for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text})
        dark.setColor(role, QColor(0xEE, 0xEE, 0xEE));
    QApplication::setPalette(dark);
    rig = std::make_unique<WindowRig>();
    QVERIFY(rig->show());
    QCOMPARE(textColours(), usual);
}

QTEST_MAIN(TstWindow)
#include "tst_window.moc"
