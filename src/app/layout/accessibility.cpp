// The panel's accessible names, and its own accessibility interfaces.
#include "accessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QLabel>
#include <QRadioButton>
#include <QVariant>

namespace runo::layout {
namespace {

// Buttons are named by their group's heading and their caption; buttons whose
// caption is unique on the panel keep it. Groups without a heading take a plain
// word ("Cursor", "IMAGE MODE", "READ"), the input-selection rows their number.
constexpr AccessibleName kNames[] = {
    // POWER, INPUT MODE SET, MENU.
    {"Command17", "POWER ON"},
    {"Command18", "POWER OFF"},
    {"Command27", "INPUT MODE SET 1"},
    {"Command28", "INPUT MODE SET 2"},
    {"Command29", "INPUT MODE SET 3"},
    {"Command53", "INPUT MODE SET NETWORK"},
    {"Command23", "MENU ON"},
    {"Command24", "MENU OFF"},
    {"Image1", "LOGO"},

    // SOUND MUTE, NO SHOW, FREEZE, AV Size.
    {"Command19", "SOUND MUTE ON"},
    {"Command20", "SOUND MUTE OFF"},
    {"Command21", "NO SHOW ON"},
    {"Command22", "NO SHOW OFF"},
    {"Command25", "FREEZE ON"},
    {"Command26", "FREEZE OFF"},
    {"Command31", "AV Size Normal"},
    {"Command32", "AV Size Full"},

    // LENS SHIFT.
    {"Command59", "LENS SHIFT ↑"},
    {"Command60", "LENS SHIFT ←"},
    {"Command61", "LENS SHIFT →"},
    {"Command62", "LENS SHIFT ↓"},

    // The cursor pad.
    {"Command5", "Cursor ↑"},
    {"Command9", "Cursor ←"},
    {"Command6", "Cursor SELECT"},
    {"Command8", "Cursor →"},
    {"Command7", "Cursor ↓"},

    // The adjustment pairs.
    {"Command1", "VOL +"},
    {"Command2", "VOL -"},
    {"Command15", "Zoom +"},
    {"Command35", "Zoom -"},
    {"Command36", "Focus +"},
    {"Command37", "Focus -"},
    {"Command48", "D.Zoom +"},
    {"Command49", "D.Zoom -"},
    {"Command50", "Keystone +"},
    {"Command51", "Keystone -"},

    // The right-hand column.
    {"Command13", "A-PC Adj"},
    {"Command30", "IMAGE"},
    {"Command14", "P-TIMER"},
    {"Command3", "DISPLAY CLEAR"},
    {"Command16", "END"},
    {"Command52", "P-FAIL"},

    // Image modes.
    {"Command4", "IMAGE MODE STAND"},
    {"Command10", "IMAGE MODE REAL"},
    {"Command11", "IMAGE MODE CINEMA"},
    {"Command39", "IMAGE MODE DYNAMIC"},
    {"Command40", "IMAGE MODE CUSTOM 1"},
    {"Command41", "IMAGE MODE CUSTOM 2"},
    {"Command42", "IMAGE MODE CUSTOM 3"},

    // The settings panel.
    {"Command33", "COM"},
    {"Option1", "COM1"},
    {"Option2", "COM2"},
    {"Option9", "19200"},
    {"Option10", "9600"},

    // The traffic display and the buttons beside it. The data-display
    // button's caption changes with the view; its name does not.
    {"Label11", "TXD", "Label9", true},
    {"Label12", "RXD", "Label10", true},
    {"Label22", "STATUS", "Label23", true},
    {"Command34", "DATA DISPLAY"},
    {"Command44", "READ STATUS"},
    {"Command45", "READ MODE"},
    {"Command46", "READ L-TIME"},
    {"Command47", "READ SETTING"},
    {"Command54", "READ TEMP"},
    {"Command55", "READ L-MODE"},

    // Input selection, by row.
    {"Command63", "INPUT 1 DVI(AV HDCP)"},
    {"Command64", "INPUT 1 DVI(PC)"},
    {"Command65", "INPUT 1 SCART"},
    {"Command66", "INPUT 1 RGB"},
    {"Command72", "INPUT 2 RGB"},
    {"Command74", "INPUT 2 Y,Pb/Cb,Pr/Cr"},
    {"Command73", "INPUT 2 VIDEO"},
    {"Command84", "INPUT 3 S-VIDEO"},
    {"Command81", "INPUT 3 VIDEO"},
    {"Command80", "INPUT 3 AUTO"},

    // FAN SPEED and the free command.
    {"Command97", "FAN SPEED MAX"},
    {"Command98", "FAN SPEED NOR"},
    {"Text1", "CMD", "Label26"},
    {"Command95", "SEND"},
    {"Command96", "CLS"},
};

constexpr bool namesUnique()
{
    for (std::size_t i = 0; i < std::size(kNames); ++i)
        for (std::size_t j = 0; j < i; ++j)
            if (kNames[i].control == kNames[j].control || kNames[i].name == kNames[j].name)
                return false;
    return true;
}
static_assert(namesUnique());

// A label whose text is content: the name is the accessible name ("TXD"), and
// the text, which the label would otherwise give as its name, is its value and
// description (screen readers speak the description after the name).
class ContentLabelInterface : public QAccessibleWidget
{
public:
    explicit ContentLabelInterface(QLabel *label)
        : QAccessibleWidget(label, QAccessible::StaticText)
    {
    }

    QString text(QAccessible::Text t) const override
    {
        switch (t) {
        case QAccessible::Value:
        case QAccessible::Description:
            return static_cast<const QLabel *>(widget())->text();
        default:
            return QAccessibleWidget::text(t);
        }
    }
};

// An option button whose press or toggle action clicks it, so the panel sees
// the same click as from the mouse or the keyboard: choosing "COM2" through
// the interface selects the port, not just the option.
class OptionInterface : public QAccessibleWidget
{
public:
    explicit OptionInterface(QRadioButton *option)
        : QAccessibleWidget(option, QAccessible::RadioButton)
    {
    }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.checkable = true;
        s.checked = option()->isChecked();
        s.pressed = option()->isDown();
        return s;
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
            return option()->text();
        return QAccessibleWidget::text(t);
    }

    QStringList actionNames() const override
    {
        if (!widget()->isEnabled())
            return QAccessibleWidget::actionNames();
        return QStringList{toggleAction(), pressAction()} + QAccessibleWidget::actionNames();
    }

    void doAction(const QString &action) override
    {
        if (!widget()->isEnabled())
            return;
        if (action == toggleAction() || action == pressAction())
            option()->click();
        else
            QAccessibleWidget::doAction(action);
    }

private:
    QRadioButton *option() const { return static_cast<QRadioButton *>(widget()); }
};

QAccessibleInterface *panelFactory(const QString &, QObject *object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    if (object->property(kShowsContentProperty).toBool()) {
        if (auto *label = qobject_cast<QLabel *>(object))
            return new ContentLabelInterface(label);
    }
    if (object->property(kClickOnActionProperty).toBool()) {
        if (auto *option = qobject_cast<QRadioButton *>(object))
            return new OptionInterface(option);
    }
    return nullptr;
}

} // namespace

std::span<const AccessibleName> accessibleNames() { return kNames; }

const AccessibleName *findAccessibleName(std::string_view control)
{
    for (const AccessibleName &n : kNames) {
        if (n.control == control)
            return &n;
    }
    return nullptr;
}

void installAccessibleInterfaces()
{
    static const bool installed = [] {
        QAccessible::installFactory(panelFactory);
        return true;
    }();
    (void)installed;
}

} // namespace runo::layout
