// SPDX-License-Identifier: MIT
// The panel's accessible names, and its own accessibility interfaces.
#include "app/layout/accessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QLabel>
#include <QRadioButton>
#include <QVariant>

namespace runo::layout {
namespace {

// The controls that are not commands; the command and hold buttons take their
// names from the command tables, through buildForm.
constexpr AccessibleName kNames[] = {
    {"Image1", "LOGO"},
    {"Command16", "END"},

    // The settings panel.
    {"Command33", "COM"},
    {"Option1", "COM1"},
    {"Option2", "COM2"},
    {"Option9", "19200"},
    {"Option10", "9600"},

    // The traffic display and the data-display button beside it, whose
    // caption changes with the view while its name does not.
    {"Label11", "TXD", "Label9", true},
    {"Label12", "RXD", "Label10", true},
    {"Label22", "STATUS", "Label23", true},
    {"Command34", "DATA DISPLAY"},

    // The free command.
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
class ContentLabelInterface : public QAccessibleWidget {
public:
    explicit ContentLabelInterface(QLabel* label)
        : QAccessibleWidget(label, QAccessible::StaticText)
    {
    }

    QString text(QAccessible::Text t) const override
    {
        switch (t) {
        case QAccessible::Value:
        case QAccessible::Description: return static_cast<const QLabel*>(widget())->text();
        default: return QAccessibleWidget::text(t);
        }
    }
};

// An option button whose press or toggle action clicks it, so the panel sees
// the same click as from the mouse or the keyboard: choosing "COM2" through
// the interface selects the port, not just the option.
class OptionInterface : public QAccessibleWidget {
public:
    explicit OptionInterface(QRadioButton* option)
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
        return QStringList {toggleAction(), pressAction()} + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& action) override
    {
        if (!widget()->isEnabled())
            return;
        if (action == toggleAction() || action == pressAction())
            option()->click();
        else
            QAccessibleWidget::doAction(action);
    }

private:
    QRadioButton* option() const { return static_cast<QRadioButton*>(widget()); }
};

QAccessibleInterface* panelFactory(const QString&, QObject* object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    if (object->property(kShowsContentProperty).toBool()) {
        if (auto* label = qobject_cast<QLabel*>(object))
            return new ContentLabelInterface(label);
    }
    if (object->property(kClickOnActionProperty).toBool()) {
        if (auto* option = qobject_cast<QRadioButton*>(object))
            return new OptionInterface(option);
    }
    return nullptr;
}

} // namespace

std::span<const AccessibleName> accessibleNames() { return kNames; }

const AccessibleName* findAccessibleName(std::string_view control)
{
    for (const AccessibleName& n : kNames) {
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
