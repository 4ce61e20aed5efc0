// SPDX-License-Identifier: MIT
// The main window's controls as built from the layout table: every control in
// its place, kind, caption, colour, font and focus order; the stacking; the
// window heights against the three bands; the hold button and the logo.
#include "app/layout/controltable.h"
#include "app/layout/formbuilder.h"
#include "app/layout/holdbutton.h"
#include "app/layout/logolabel.h"
#include "app/layout/panelbutton.h"
#include "app/layout/twips.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <array>
#include <map>
#include <memory>

using namespace runo::layout;

namespace {

constexpr std::array<std::string_view, 19> kHoldButtons = {"Command1", "Command2", "Command15", "Command35", "Command36",
    "Command37", "Command48", "Command49", "Command50", "Command51", "Command59", "Command60", "Command61", "Command62",
    "Command5", "Command6", "Command7", "Command8", "Command9"};

QString qs(std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

bool isHoldButton(std::string_view name)
{
    return std::find(kHoldButtons.begin(), kHoldButtons.end(), name) != kHoldButtons.end();
}

QRect pixelRect(const Control& c) { return {toPixels(c.left), toPixels(c.top), toPixels(c.width), toPixels(c.height)}; }

// The widget alone, without its children.
QImage renderAlone(QWidget* w)
{
    QImage image(w->size(), QImage::Format_RGB32);
    image.fill(Qt::magenta);
    w->render(&image, QPoint(), QRegion(), QWidget::DrawWindowBackground);
    return image;
}

QRgb dominantColour(const QImage& image)
{
    std::map<QRgb, int> counts;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ++counts[image.pixel(x, y) & 0xFFFFFF];
    return std::max_element(counts.begin(), counts.end(), [](const auto& a, const auto& b) {
        return a.second < b.second;
    })->first;
}

bool containsColour(const QImage& image, QRgb rgb)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) == rgb)
                return true;
    return false;
}

QString captionOf(QWidget* w)
{
    if (auto* b = qobject_cast<QAbstractButton*>(w))
        return b->text();
    if (auto* e = qobject_cast<QLineEdit*>(w))
        return e->text();
    if (auto* l = qobject_cast<QLabel*>(w))
        return l->text();
    return {};
}

bool focusable(const QWidget* w) { return w->focusPolicy() & Qt::TabFocus; }

// Window-level controls by band of the client area (twips).
enum Band { Upper, Middle, Lower, NoBand };
Band bandOf(const Control& c)
{
    const int top = c.top, bottom = c.top + c.height;
    if (top >= 120 && bottom <= 4815)
        return Upper;
    if (top >= 4920 && bottom <= 6210)
        return Middle;
    if (top >= 6735 && bottom <= 8610)
        return Lower;
    return NoBand;
}

} // namespace

class TestLayout : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void control_data();
    void control();
    void textColour_data();
    void textColour();
    void countsPerKind_data();
    void countsPerKind();
    void line_data();
    void line();
    void stacking();
    void focusOrder();
    void optionGroups();
    void viewHeights_data();
    void viewHeights();
    void holdButton_data();
    void holdButton();
    void holdButtonLostRelease();
    void holdButtonIgnoresKeyboard();
    void logo();

private:
    std::unique_ptr<QWidget> m_client;
    Form m_form;
};

void TestLayout::init()
{
    m_client = std::make_unique<QWidget>();
    std::vector<runo::layout::ButtonRole> roles;
    for (auto n : kHoldButtons)
        roles.push_back({n, n, true});
    m_form = buildForm(m_client.get(), roles);
}

void TestLayout::cleanup()
{
    m_form = {};
    m_client.reset();
}

void TestLayout::control_data()
{
    QTest::addColumn<QString>("name");
    for (const Control& c : controls())
        QTest::newRow(c.name.data()) << qs(c.name);
}

void TestLayout::control()
{
    QFETCH(QString, name);
    const Control* c = findControl(name.toStdString());
    QVERIFY(c);
    QWidget* w = m_form.widget(name);
    QVERIFY(w);
    QCOMPARE(w->objectName(), name);
    QCOMPARE(m_client->findChild<QWidget*>(name), w);

    const char* expectedClass = nullptr;
    switch (c->kind) {
    case Kind::Button: expectedClass = isHoldButton(c->name) ? "runo::layout::HoldButton" : "runo::layout::PanelButton"; break;
    case Kind::Label: expectedClass = "QLabel"; break;
    case Kind::Frame: expectedClass = "QFrame"; break;
    case Kind::Option: expectedClass = "QRadioButton"; break;
    case Kind::TextBox: expectedClass = "QLineEdit"; break;
    case Kind::Image: expectedClass = "runo::layout::LogoLabel"; break;
    }
    QCOMPARE(w->metaObject()->className(), expectedClass);

    QWidget* container = c->container.empty() ? m_client.get() : m_form.widget(qs(c->container));
    QVERIFY(container);
    QCOMPARE(w->parentWidget(), container);
    QCOMPARE(w->geometry(), pixelRect(*c));

    QCOMPARE(captionOf(w), qs(c->caption));
    QCOMPARE(w->isHidden(), bool(c->flags & Hidden));
    QCOMPARE(focusable(w), c->kind == Kind::Button || c->kind == Kind::Option || c->kind == Kind::TextBox);
    if (auto* option = qobject_cast<QRadioButton*>(w))
        QCOMPARE(option->isChecked(), bool(c->flags & Selected));

    // Back colour as it shows on screen.
    QRgb back = c->back & 0xFFFFFF;
    if (c->back == kSystemButtonFace)
        back = w->palette().color(QPalette::Button).rgb() & 0xFFFFFF;
    else if (c->back == kSystemWindow)
        back = w->palette().color(QPalette::Base).rgb() & 0xFFFFFF;
    else if (c->back == kNoColour)
        back = 0xB4B4B4; // the logo's ground
    QCOMPARE(QString::number(dominantColour(renderAlone(w)), 16), QString::number(back, 16));

    if (c->kind == Kind::Image)
        return;
    // Font: the face resolves to an installed Japanese Gothic and carries
    // every character of the caption; the caption fits its control.
    const QFont font = w->font();
    const QString family = c->font.face == Face::PGothic ? QStringLiteral("IPAPGothic") : QStringLiteral("IPAGothic");
    QCOMPARE(QFontInfo(font).family(), family);
    QCOMPARE(font.pointSizeF(), c->font.points);
    QCOMPARE(font.bold(), c->font.bold);
    const QFontMetrics metrics(font);
    const QString caption = qs(c->caption);
    for (char32_t ch : caption.toUcs4())
        QVERIFY2(metrics.inFontUcs4(ch), qPrintable(QStringLiteral("U+%1").arg(uint(ch), 4, 16, QLatin1Char('0'))));

    QRect area;
    QFont shown = font;
    int flags = Qt::AlignCenter | Qt::TextWordWrap;
    if (auto* b = qobject_cast<PanelButton*>(w)) {
        area = b->captionRect();
        shown = b->captionFont();
        flags = b->captionFlags();
    } else if (qobject_cast<QLabel*>(w)) {
        area = w->contentsRect();
    }
    if (area.isValid() && !caption.isEmpty()) {
        const QRect needed = QFontMetrics(shown).boundingRect(area, flags, caption);
        QVERIFY2(area.contains(needed),
            qPrintable(QStringLiteral("caption needs %1x%2, has %3x%4")
                           .arg(needed.width())
                           .arg(needed.height())
                           .arg(area.width())
                           .arg(area.height())));
    }
}

void TestLayout::textColour_data()
{
    QTest::addColumn<QString>("name");
    for (const Control& c : controls())
        if (c.fore != kSystemText)
            QTest::newRow(c.name.data()) << qs(c.name);
}

void TestLayout::textColour()
{
    QFETCH(QString, name);
    const Control* c = findControl(name.toStdString());
    auto* label = m_form.label(name);
    QVERIFY(label);
    if (label->text().isEmpty())
        label->setText(QStringLiteral("WWWW"));
    QVERIFY(containsColour(renderAlone(label), c->fore & 0xFFFFFF));
}

void TestLayout::countsPerKind_data()
{
    QTest::addColumn<QString>("className");
    QTest::addColumn<int>("expected");
    QTest::newRow("buttons") << "QPushButton" << 70;
    QTest::newRow("hold buttons") << "runo::layout::HoldButton" << 19;
    QTest::newRow("labels") << "QLabel" << 24;
    QTest::newRow("group boxes") << "QFrame" << 14;
    QTest::newRow("option buttons") << "QRadioButton" << 4;
    QTest::newRow("text boxes") << "QLineEdit" << 1;
    QTest::newRow("pictures") << "runo::layout::LogoLabel" << 1;
}

// Widgets on the client area: buttons of any kind, everything else by its
// exact class.
void TestLayout::countsPerKind()
{
    QFETCH(QString, className);
    QFETCH(int, expected);
    const QByteArray name = className.toLatin1();
    int n = 0;
    for (QWidget* w : m_client->findChildren<QWidget*>()) {
        const bool match = name == "QPushButton" ? w->inherits(name) : name == w->metaObject()->className();
        n += match ? 1 : 0;
    }
    QCOMPARE(n, expected);
    QCOMPARE(m_form.widgets.size(), 70 + 24 + 14 + 4 + 1 + 1);
}

void TestLayout::line_data()
{
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    for (const Line& l : lines())
        QTest::newRow(l.name.data()) << toPixels((l.x1 + l.x2) / 2) << toPixels((l.y1 + l.y2) / 2);
}

void TestLayout::line()
{
    QFETCH(int, x);
    QFETCH(int, y);
    const QImage image = m_client->grab().toImage();
    QCOMPARE(QString::number(image.pixel(x, y) & 0xFFFFFF, 16), QString::number(kLineColour, 16));
}

void TestLayout::stacking()
{
    // The outline lies beneath every control on the window.
    QWidget* client = m_client.get();
    const QObjectList& children = client->children();
    const auto lowestWidget = std::find_if(children.begin(), children.end(), [](QObject* o) { return o->isWidgetType(); });
    QCOMPARE(*lowestWidget, m_form.lines);
    QVERIFY(m_form.lines->testAttribute(Qt::WA_TransparentForMouseEvents));

    // The settings panel, once shown, covers "COM" completely.
    QWidget* panel = m_form.widget(QStringLiteral("Frame8"));
    QWidget* com = m_form.widget(QStringLiteral("Command33"));
    QVERIFY(children.indexOf(panel) > children.indexOf(com));
    QVERIFY(panel->geometry().contains(com->geometry()));
    QCOMPARE(client->childAt(com->geometry().center()), com);
    panel->show();
    QWidget* hit = client->childAt(com->geometry().center());
    QVERIFY(hit == panel || panel->isAncestorOf(hit));

    // A heading label lies under the buttons it touches.
    QVERIFY(client->childAt(m_form.widget("Command19")->mapTo(client, QPoint(5, 0))) == m_form.widget("Command19"));
}

// The focus chain is the tab-index order; at start the focus goes to
// "ON" of POWER and the first Tab moves it to "+" of VOL.
void TestLayout::focusOrder()
{
    std::vector<std::pair<int, QString>> byTab;
    for (const Control& c : controls())
        if (c.kind == Kind::Button || c.kind == Kind::Option || c.kind == Kind::TextBox)
            byTab.emplace_back(c.tab, qs(c.name));
    std::sort(byTab.begin(), byTab.end());
    QStringList expected;
    for (const auto& entry : byTab)
        expected << entry.second;
    QStringList chain;
    for (QWidget* w = m_client->nextInFocusChain(); w != m_client.get(); w = w->nextInFocusChain())
        if (focusable(w))
            chain << w->objectName();
    QCOMPARE(chain, expected);

    m_client->show();
    m_client->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_client.get()));
    QTRY_VERIFY(QApplication::focusWidget());
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("Command17"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("Command1"));
}

void TestLayout::optionGroups()
{
    QRadioButton *com1 = m_form.option("Option1"), *com2 = m_form.option("Option2");
    QRadioButton *fast = m_form.option("Option9"), *slow = m_form.option("Option10");
    m_form.widget("Frame8")->show();
    m_client->show();
    QVERIFY(!com1->isChecked() && !com2->isChecked() && fast->isChecked() && !slow->isChecked());

    com1->click();
    QVERIFY(com1->isChecked() && fast->isChecked());
    com2->click();
    QVERIFY(!com1->isChecked() && com2->isChecked() && fast->isChecked());
    slow->click();
    QVERIFY(com2->isChecked() && !fast->isChecked() && slow->isChecked());
}

void TestLayout::viewHeights_data()
{
    QTest::addColumn<int>("outerTwips");
    QTest::addColumn<int>("bandsInView"); // bands shown in full
    QTest::addColumn<int>("bandsOutOfView"); // bands of which nothing shows, counted from the bottom
    QTest::newRow("compact") << 5350 << 1 << 2;
    QTest::newRow("data view") << 6645 << 2 << 1;
    QTest::newRow("extended view") << 7200 << 2 << 0;
    QTest::newRow("full view") << 9100 << 3 << 0;
}

void TestLayout::viewHeights()
{
    QFETCH(int, outerTwips);
    QFETCH(int, bandsInView);
    QFETCH(int, bandsOutOfView);

    const int client = clientPixelsForOuterHeight(outerTwips);
    QVERIFY(client <= clientSize().height());
    // Back to twips: within half a pixel, and on the same side of the 6000
    // twips on which the data-display button decides.
    const int back = outerHeightForClientPixels(client);
    QVERIFY2(std::abs(back - outerTwips) <= kTwipsPerPixel / 2, qPrintable(QString::number(back)));
    QCOMPARE(back >= 6000, outerTwips >= 6000);

    int seen[3] = {0, 0, 0};
    for (const Control& c : controls()) {
        if (!c.container.empty())
            continue;
        const Band band = bandOf(c);
        QVERIFY2(band != NoBand, c.name.data());
        ++seen[band];
        const QRect r = m_form.widget(qs(c.name))->geometry();
        if (band < bandsInView)
            QVERIFY2(r.bottom() < client, c.name.data());
        if (band >= 3 - bandsOutOfView)
            QVERIFY2(r.top() >= client, c.name.data());
    }
    QVERIFY(seen[Upper] > 0 && seen[Middle] > 0 && seen[Lower] > 0);
    for (const Line& l : lines())
        QVERIFY(std::max(toPixels(l.y1), toPixels(l.y2)) + kLineWidthPixels / 2 < client);
}

void TestLayout::holdButton_data()
{
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::newRow("left") << Qt::LeftButton << Qt::KeyboardModifiers();
    QTest::newRow("right") << Qt::RightButton << Qt::KeyboardModifiers();
    QTest::newRow("middle") << Qt::MiddleButton << Qt::KeyboardModifiers();
    QTest::newRow("shift+right") << Qt::RightButton << Qt::KeyboardModifiers(Qt::ShiftModifier);
    QTest::newRow("ctrl+alt+left") << Qt::LeftButton << (Qt::ControlModifier | Qt::AltModifier);
}

void TestLayout::holdButton()
{
    QFETCH(Qt::MouseButton, button);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    m_client->show();
    auto* hold = m_form.find<HoldButton>("Command5");
    QVERIFY(hold);
    QSignalSpy held(hold, &HoldButton::held), letGo(hold, &HoldButton::letGo), clicked(hold, &QPushButton::clicked);

    QTest::mousePress(hold, button, modifiers);
    QCOMPARE(held.count(), 1);
    QCOMPARE(letGo.count(), 0);
    QVERIFY(hold->isDown());

    // Another mouse button meanwhile changes nothing.
    const Qt::MouseButton other = button == Qt::LeftButton ? Qt::RightButton : Qt::LeftButton;
    QTest::mousePress(hold, other, modifiers);
    QTest::mouseRelease(hold, other, modifiers);
    QCOMPARE(held.count(), 1);
    QCOMPARE(letGo.count(), 0);

    // The release counts wherever the pointer has gone.
    QTest::mouseRelease(hold, button, modifiers, QPoint(-40, hold->height() + 40));
    QCOMPARE(held.count(), 1);
    QCOMPARE(letGo.count(), 1);
    QVERIFY(!hold->isDown());

    // A double-click arrives as press, release, press, double-click, release.
    QTest::mouseClick(hold, button, modifiers);
    QTest::mousePress(hold, button, modifiers);
    QTest::mouseDClick(hold, button, modifiers);
    QTest::mouseRelease(hold, button, modifiers);
    QCOMPARE(held.count(), 3);
    QCOMPARE(letGo.count(), 3);
    QCOMPARE(clicked.count(), 0);
}

void TestLayout::holdButtonLostRelease()
{
    m_client->show();
    auto* hold = m_form.find<HoldButton>("Command59");
    QSignalSpy letGo(hold, &HoldButton::letGo);
    QTest::mousePress(hold, Qt::LeftButton);
    hold->parentWidget()->hide();
    QCOMPARE(letGo.count(), 1);
    QVERIFY(!hold->isHeld());
    hold->parentWidget()->show();
    QTest::mouseRelease(hold, Qt::LeftButton);
    QCOMPARE(letGo.count(), 1); // the late release is not a second one
}

void TestLayout::holdButtonIgnoresKeyboard()
{
    m_client->show();
    auto* hold = m_form.find<HoldButton>("Command1");
    QSignalSpy held(hold, &HoldButton::held), clicked(hold, &QPushButton::clicked);
    hold->setFocus();
    QTest::keyClick(hold, Qt::Key_Space);
    QCOMPARE(held.count(), 0);
    QCOMPARE(clicked.count(), 0);
}

void TestLayout::logo()
{
    LogoLabel* logo = m_form.image();
    QVERIFY(logo);
    QCOMPARE(logo->pixmap().size(), QSize(80, 26));
    QCOMPARE(logo->size(), QSize(80, 26));

    m_client->show();
    QSignalSpy doubleClicked(logo, &LogoLabel::doubleClicked);
    QTest::mouseClick(logo, Qt::LeftButton);
    QCOMPARE(doubleClicked.count(), 0);
    QTest::mouseDClick(logo, Qt::LeftButton);
    QCOMPARE(doubleClicked.count(), 1);
}

QTEST_MAIN(TestLayout)
#include "tst_layout.moc"
