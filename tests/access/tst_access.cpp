// SPDX-License-Identifier: MIT
// The panel as assistive tools see it: every control the operator works or
// reads has a name of its own, read through Qt's accessibility interface;
// automation finds a control by that name and can use it; the traffic lines
// keep their names while their content changes.
#include "app/layout/accessibility.h"
#include "app/layout/controltable.h"
#include "app/layout/formbuilder.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QLabel>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

#include <map>
#include <memory>
#include <vector>

using namespace runo::layout;

namespace {

QString qs(std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

// Every interface below `root`, depth first, as a screen reader walks them.
void collect(QAccessibleInterface* root, std::vector<QAccessibleInterface*>& out)
{
    for (int i = 0; i < root->childCount(); ++i) {
        if (QAccessibleInterface* child = root->child(i)) {
            out.push_back(child);
            collect(child, out);
        }
    }
}

// The controls an operator works or reads: these must all be named.
bool mustBeNamed(const Control& c)
{
    if (c.kind == Kind::Label)
        return c.flags & SingleBorder; // the three traffic lines
    return c.kind != Kind::Frame;
}

bool isLabelOf(QAccessibleInterface* label, QAccessibleInterface* target)
{
    for (const auto& rel : target->relations(QAccessible::Label))
        if (rel.first && rel.first->object() == label->object())
            return true;
    return false;
}

} // namespace

class TestAccess : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void name_data();
    void name();
    void everyControlNamed();
    void namesUniqueInTree();
    void namesKeepCaption();
    void contentLine_data();
    void contentLine();
    void automation_data();
    void automation();

private:
    QAccessibleInterface* iface(const QString& control) const
    {
        QWidget* w = m_form.widget(control);
        return w ? QAccessible::queryAccessibleInterface(w) : nullptr;
    }
    std::map<QString, std::vector<QAccessibleInterface*>> byName() const
    {
        std::vector<QAccessibleInterface*> all;
        collect(QAccessible::queryAccessibleInterface(m_client.get()), all);
        std::map<QString, std::vector<QAccessibleInterface*>> out;
        for (QAccessibleInterface* i : all)
            if (const QString n = i->text(QAccessible::Name); !n.isEmpty())
                out[n].push_back(i);
        return out;
    }

    std::unique_ptr<QWidget> m_client;
    Form m_form;
};

void TestAccess::init()
{
    m_client = std::make_unique<QWidget>();
    m_form = buildForm(m_client.get());
    m_client->show();
}

void TestAccess::cleanup()
{
    m_form = {};
    m_client.reset();
}

// Controls whose captions repeat, one of each kind, with the role shown.
void TestAccess::name_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("role");
    const int button = QAccessible::Button;
    QTest::newRow("power on") << "Command17"
                              << "POWER ON" << button;
    QTest::newRow("vol +") << "Command1"
                           << "VOL +" << button;
    QTest::newRow("lens up") << "Command59"
                             << "LENS SHIFT ↑" << button;
    QTest::newRow("cursor up") << "Command5"
                               << "Cursor ↑" << button;
    QTest::newRow("input 1 rgb") << "Command66"
                                 << "INPUT 1 RGB" << button;
    QTest::newRow("input 2 rgb") << "Command72"
                                 << "INPUT 2 RGB" << button;
    QTest::newRow("hidden data button") << "Command34"
                                        << "DATA DISPLAY" << button;
    QTest::newRow("9600 (hidden panel)") << "Option10"
                                         << "9600" << int(QAccessible::RadioButton);
    QTest::newRow("status line") << "Label22"
                                 << "STATUS" << int(QAccessible::StaticText);
    QTest::newRow("entry box") << "Text1"
                               << "CMD" << int(QAccessible::EditableText);
    QTest::newRow("logo") << "Image1"
                          << "LOGO" << int(QAccessible::Graphic);
}

void TestAccess::name()
{
    QFETCH(QString, control);
    QFETCH(QString, name);
    QFETCH(int, role);
    QAccessibleInterface* i = iface(control);
    QVERIFY(i);
    QCOMPARE(i->text(QAccessible::Name), name);
    QCOMPARE(int(i->role()), role);
}

void TestAccess::everyControlNamed()
{
    for (const Control& c : controls()) {
        if (!mustBeNamed(c))
            continue;
        QVERIFY2(findAccessibleName(c.name), c.name.data());
        QVERIFY2(!iface(qs(c.name))->text(QAccessible::Name).trimmed().isEmpty(), c.name.data());
    }
    // No stale entries; a caption label sits in the same group box.
    for (const AccessibleName& a : accessibleNames()) {
        const Control* c = findControl(a.control);
        QVERIFY2(c && mustBeNamed(*c), a.control.data());
        if (!a.captionLabel.empty()) {
            const Control* label = findControl(a.captionLabel);
            QVERIFY2(label && label->kind == Kind::Label && label->container == c->container, a.captionLabel.data());
        }
    }
}

// Walking the whole tree, as a screen reader does, each name occurs once. The
// one exception is a caption label beside a control ("TXD" beside the
// transmit line): it must be that control's label, so tools read them as one.
// Hidden controls (the settings panel, the data-display button) are reached too.
void TestAccess::namesUniqueInTree()
{
    const auto names = byName();
    for (const auto& [n, found] : names) {
        if (found.size() == 1)
            continue;
        QVERIFY2(found.size() == 2, qPrintable(n));
        QVERIFY2(isLabelOf(found[0], found[1]) || isLabelOf(found[1], found[0]),
            qPrintable(n + QStringLiteral(": ") + found[0]->object()->objectName() + QStringLiteral(" and ")
                + found[1]->object()->objectName()));
    }
    for (const AccessibleName& a : accessibleNames()) {
        const auto it = names.find(qs(a.name));
        QVERIFY2(it != names.end(), a.control.data());
        bool reached = false;
        for (QAccessibleInterface* i : it->second)
            reached = reached || i->object()->objectName() == qs(a.control);
        QVERIFY2(reached, a.control.data());
    }
}

// A name ends in the control's caption, so the operator and a colleague using
// a screen reader speak of the same button; a swapped pair ("+" named "-", an
// arrow named for its opposite) shows here. The data-display button's caption
// changes with the view and its name does not.
void TestAccess::namesKeepCaption()
{
    for (const Control& c : controls()) {
        if ((c.kind != Kind::Button && c.kind != Kind::Option) || c.name == "Command34")
            continue;
        const QString n = iface(qs(c.name))->text(QAccessible::Name);
        QVERIFY2(n.endsWith(qs(c.caption)), qPrintable(n + QStringLiteral(" / ") + qs(c.caption)));
    }
}

void TestAccess::contentLine_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::newRow("transmit") << "Label11"
                              << "TXD"
                              << " C R 0 CR ";
    QTest::newRow("no reply") << "Label12"
                              << "RXD"
                              << " X X X X";
    QTest::newRow("markup as text") << "Label22"
                                    << "STATUS"
                                    << "<b>x</b>";
    QTest::newRow("cleared") << "Label11"
                             << "TXD"
                             << "";
}

// A traffic line reads as its name and its current content.
void TestAccess::contentLine()
{
    QFETCH(QString, control);
    QFETCH(QString, name);
    QFETCH(QString, text);
    QAccessibleInterface* i = iface(control);
    m_form.label(control)->setText(QStringLiteral("before"));
    QCOMPARE(i->text(QAccessible::Value), QStringLiteral("before"));
    m_form.label(control)->setText(text);
    QCOMPARE(i->text(QAccessible::Name), name);
    QCOMPARE(i->text(QAccessible::Value), text);
    QCOMPARE(i->text(QAccessible::Description), text);
}

// Automation finds a control by its name alone and works it with the action
// a tool offers first (press for a button, toggle for an option); the panel
// sees a click either way, so choosing "COM2" selects the port.
void TestAccess::automation_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("control");
    QTest::newRow("POWER ON") << "POWER ON"
                              << "Command17";
    QTest::newRow("INPUT 2 VIDEO") << "INPUT 2 VIDEO"
                                   << "Command73";
    QTest::newRow("COM2") << "COM2"
                          << "Option2";
    QTest::newRow("9600") << "9600"
                          << "Option10";
}

void TestAccess::automation()
{
    QFETCH(QString, name);
    QFETCH(QString, control);
    m_form.widget(QStringLiteral("Frame8"))->show(); // the settings panel

    const auto found = byName()[name];
    QCOMPARE(found.size(), std::size_t(1));
    QAccessibleInterface* i = found.front();
    QCOMPARE(i->object()->objectName(), control);
    QAccessibleActionInterface* actions = i->actionInterface();
    QVERIFY(actions && !actions->actionNames().isEmpty());

    auto* button = qobject_cast<QAbstractButton*>(i->object());
    QVERIFY(button);
    QSignalSpy clicked(button, &QAbstractButton::clicked);
    actions->doAction(actions->actionNames().first());
    QTRY_COMPARE(clicked.count(), 1);
    if (qobject_cast<QRadioButton*>(button)) {
        QVERIFY(button->isChecked());
        QVERIFY(i->state().checkable && i->state().checked);
    }
}

QTEST_MAIN(TestAccess)
#include "tst_access.moc"
