// SPDX-License-Identifier: MIT
#include "app/layout/formbuilder.h"

#include "app/layout/accessibility.h"
#include "app/layout/entrybox.h"
#include "app/layout/holdbutton.h"
#include "app/layout/logolabel.h"
#include "app/layout/panelbutton.h"
#include "app/layout/twips.h"

#include <QButtonGroup>
#include <QColor>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QRadioButton>

#include <algorithm>
#include <limits>
#include <utility>
#include <vector>

namespace runo::layout {
namespace {

QString cssColour(std::uint32_t rgb) { return QColor::fromRgb(rgb).name(); }

QRect pixelRect(const Control& c) { return {toPixels(c.left), toPixels(c.top), toPixels(c.width), toPixels(c.height)}; }

// The text colour of a control: its own; or, where the table gives the
// theme's text colour, black on a fixed back colour (the classic theme's text,
// readable on the table's pastels under a dark desktop palette too) and the
// theme's own on a theme colour.
constexpr std::uint32_t kClassicText = 0x000000;

std::uint32_t foreOf(const Control& c)
{
    const bool themedBack = c.back == kSystemButtonFace || c.back == kSystemWindow;
    return c.fore == kSystemText && !themedBack ? kClassicText : c.fore;
}

void setColour(QWidget* w, QPalette::ColorRole role, std::uint32_t rgb)
{
    QPalette palette = w->palette();
    palette.setColor(role, QColor::fromRgb(rgb));
    w->setPalette(palette);
}

// The cursor-pad outline. It covers the whole client area, takes no input and
// is kept at the bottom of the stack so that every control lies above it.
class LinesWidget : public QWidget {
public:
    explicit LinesWidget(QWidget* parent)
        : QWidget(parent)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setPen(QPen(QColor::fromRgb(kLineColour), kLineWidthPixels, Qt::SolidLine, Qt::SquareCap));
        for (const Line& line : layout::lines())
            painter.drawLine(toPixels(line.x1), toPixels(line.y1), toPixels(line.x2), toPixels(line.y2));
    }
};

// Marks a new widget for the panel's own accessibility interface, if it has
// one. This must come before the widget gets its text: with an assistive tool
// listening, Qt makes a widget's interface at the first change it reports, and
// keeps it.
void markForAccessibility(QWidget* w, const Control& c)
{
    if (c.kind == Kind::Option)
        w->setProperty(kClickOnActionProperty, true);
    if (const AccessibleName* a = findAccessibleName(c.name); a && a->showsContent)
        w->setProperty(kShowsContentProperty, true);
}

QWidget* makeButton(const Control& c, bool holds, QWidget* parent)
{
    const QString caption = QUtf8StringView(c.caption).toString();
    PanelButton* button = holds ? new HoldButton(caption, parent) : new PanelButton(caption, parent);
    // The back colour fills the whole face, inside a one-pixel raised edge
    // that turns sunken while the button is down.
    const QString face = c.back == kSystemButtonFace ? QStringLiteral("palette(button)") : cssColour(c.back);
    QString sheet = QStringLiteral("QPushButton{background-color:%1;border:1px solid;"
                                   "border-color:#FFFFFF #404040 #404040 #FFFFFF;padding:0px;}"
                                   "QPushButton:pressed{border-color:#404040 #FFFFFF #FFFFFF #404040;}")
                        .arg(face);
    if (foreOf(c) != kSystemText)
        sheet += QStringLiteral("QPushButton{color:%1;}").arg(cssColour(foreOf(c)));
    button->setStyleSheet(sheet);
    button->setAutoDefault(false);
    return button;
}

QWidget* makeLabel(const Control& c, QWidget* parent)
{
    auto* label = new QLabel(parent);
    markForAccessibility(label, c);
    label->setText(QUtf8StringView(c.caption).toString());
    Qt::Alignment horizontal = Qt::AlignLeft;
    if (c.flags & Centred)
        horizontal = Qt::AlignHCenter;
    else if (c.flags & RightAligned)
        horizontal = Qt::AlignRight;
    label->setAlignment(horizontal | Qt::AlignTop);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText); // traffic text is shown as it is, never as markup
    QString sheet = QStringLiteral("QLabel{background-color:%1;").arg(cssColour(c.back));
    if (foreOf(c) != kSystemText)
        sheet += QStringLiteral("color:%1;").arg(cssColour(foreOf(c)));
    sheet += (c.flags & SingleBorder) ? QStringLiteral("border:1px solid black;") : QStringLiteral("border:none;");
    sheet += QStringLiteral("padding:0px;}");
    label->setStyleSheet(sheet);
    return label;
}

QWidget* makeFrame(const Control& c, QWidget* parent)
{
    auto* frame = new QFrame(parent);
    frame->setFrameShape(QFrame::Box); // etched outline, no title
    frame->setFrameShadow(QFrame::Sunken);
    frame->setLineWidth(1);
    frame->setAutoFillBackground(true);
    setColour(frame, QPalette::Window, c.back);
    return frame;
}

QWidget* makeOption(const Control& c, QWidget* parent)
{
    auto* option = new QRadioButton(parent);
    markForAccessibility(option, c);
    option->setText(QUtf8StringView(c.caption).toString());
    option->setChecked(c.flags & Selected);
    option->setBackgroundRole(QPalette::Window);
    option->setAutoFillBackground(true);
    setColour(option, QPalette::Window, c.back);
    if (foreOf(c) != kSystemText)
        setColour(option, QPalette::WindowText, foreOf(c));
    return option;
}

QWidget* makeTextBox(const Control& c, QWidget* parent)
{
    auto* box = new EntryBox(QUtf8StringView(c.caption).toString(), parent);
    box->setMaxLength(std::numeric_limits<int>::max()); // single line, no length limit
    if (c.back != kSystemWindow)
        setColour(box, QPalette::Base, c.back);
    return box;
}

QWidget* makeWidget(const Control& c, bool holds, QWidget* parent)
{
    switch (c.kind) {
    case Kind::Button: return makeButton(c, holds, parent);
    case Kind::Label: return makeLabel(c, parent);
    case Kind::Frame: return makeFrame(c, parent);
    case Kind::Option: return makeOption(c, parent);
    case Kind::TextBox: return makeTextBox(c, parent);
    case Kind::Image: return new LogoLabel(parent);
    }
    return nullptr;
}

bool takesFocus(Kind kind) { return kind == Kind::Button || kind == Kind::Option || kind == Kind::TextBox; }

// Labels and the picture are drawn on their container, beneath its other
// controls where they overlap (a heading label's edge under a button, the
// "CMD" label under the entry box).
bool drawnOnContainer(Kind kind) { return kind == Kind::Label || kind == Kind::Image; }

} // namespace

QPushButton* Form::button(const QString& name) const { return find<QPushButton>(name); }
QLabel* Form::label(const QString& name) const
{
    QWidget* w = widget(name);
    return w && !qobject_cast<LogoLabel*>(w) ? qobject_cast<QLabel*>(w) : nullptr;
}
QFrame* Form::frame(const QString& name) const
{
    QWidget* w = widget(name);
    return w && w->metaObject() == &QFrame::staticMetaObject ? static_cast<QFrame*>(w) : nullptr;
}
QRadioButton* Form::option(const QString& name) const { return find<QRadioButton>(name); }
QLineEdit* Form::textBox() const { return controls.entry; }
LogoLabel* Form::image() const { return controls.logo; }

namespace {

// A typed handle and the stored name of its control.
template <class Widget> struct Binding {
    std::string_view control;
    Widget* Controls::*handle;
};

constexpr Binding<QPushButton> kButtonBindings[] = {
    {"Command17", &Controls::powerOn},
    {"Command16", &Controls::end},
    {"Command33", &Controls::com},
    {"Command95", &Controls::send},
    {"Command96", &Controls::cls},
    {"Command34", &Controls::dataButton},
};
constexpr Binding<QRadioButton> kOptionBindings[] = {
    {"Option1", &Controls::com1},
    {"Option2", &Controls::com2},
    {"Option9", &Controls::speed19200},
    {"Option10", &Controls::speed9600},
};
constexpr Binding<QFrame> kFrameBindings[] = {{"Frame8", &Controls::settingsPanel}};
constexpr Binding<QLabel> kLabelBindings[] = {
    {"Label11", &Controls::transmitLine},
    {"Label12", &Controls::receiveLine},
    {"Label22", &Controls::statusLine},
};
constexpr Binding<QLineEdit> kTextBoxBindings[] = {{"Text1", &Controls::entry}};
constexpr Binding<LogoLabel> kImageBindings[] = {{"Image1", &Controls::logo}};

// Every bound name is a control of the table, of the kind its handle takes.
template <class Widget, std::size_t N> constexpr bool inTable(const Binding<Widget> (&bindings)[N], Kind kind)
{
    for (const auto& b : bindings) {
        if (!hasControl(b.control, kind))
            return false;
    }
    return true;
}
static_assert(inTable(kButtonBindings, Kind::Button), "a wired button is missing from the control table");
static_assert(inTable(kOptionBindings, Kind::Option), "a wired option is missing from the control table");
static_assert(inTable(kFrameBindings, Kind::Frame), "a wired group box is missing from the control table");
static_assert(inTable(kLabelBindings, Kind::Label), "a wired label is missing from the control table");
static_assert(inTable(kTextBoxBindings, Kind::TextBox), "the entry box is missing from the control table");
static_assert(inTable(kImageBindings, Kind::Image), "the logo is missing from the control table");

template <class Widget, std::size_t N> void bind(Form& form, const Binding<Widget> (&bindings)[N])
{
    for (const auto& b : bindings) {
        form.controls.*b.handle = form.find<Widget>(QUtf8StringView(b.control).toString());
        Q_ASSERT(form.controls.*b.handle);
    }
}

void bindControls(Form& form)
{
    bind(form, kButtonBindings);
    bind(form, kOptionBindings);
    bind(form, kFrameBindings);
    bind(form, kLabelBindings);
    bind(form, kTextBoxBindings);
    bind(form, kImageBindings);
}

} // namespace

QSize clientSize() { return {toPixels(kClientWidthTwips), toPixels(kClientHeightTwips)}; }

QFont toQFont(const Font& font)
{
    QFont q;
    if (font.face == Face::PGothic) {
        q.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic")});
        q.setStyleHint(QFont::SansSerif);
    } else {
        q.setFamilies({QStringLiteral("ＭＳ ゴシック"), QStringLiteral("IPAGothic")});
        q.setStyleHint(QFont::TypeWriter);
    }
    q.setPointSizeF(font.points);
    q.setWeight(font.bold ? QFont::Bold : QFont::Normal);
    q.setItalic(false);
    q.setUnderline(false);
    q.setStrikeOut(false);
    return q;
}

namespace {

// The role the window gives a control of the table, or nullptr.
const ButtonRole* roleOf(const Control& c, std::span<const ButtonRole> roles)
{
    const auto role = std::find_if(roles.begin(), roles.end(), [&c](const ButtonRole& r) { return r.control == c.name; });
    return role != roles.end() ? &*role : nullptr;
}

// The widget made for a control of the table.
QWidget* widgetOf(const Form& form, const Control& c) { return form.widget(QUtf8StringView(c.name).toString()); }

// The client area, and the outline on it beneath every control.
void prepareClient(Form& form, QWidget* client)
{
    form.client = client;
    client->setFixedSize(clientSize());
    client->setAutoFillBackground(true);
    setColour(client, QPalette::Window, kWindowBack);
    client->setFont(toQFont(kWindowFont));

    form.lines = new LinesWidget(client);
    form.lines->setObjectName(QStringLiteral("Lines"));
    form.lines->setGeometry(QRect(QPoint(0, 0), clientSize()));
    form.lines->show();
}

// Every control of the table, in table order, in its container: its kind of
// widget, place, font, focus policy and visibility; the options of a group box
// in one exclusive group.
void createControls(Form& form, std::span<const ButtonRole> roles)
{
    for (const Control& c : controls()) {
        const ButtonRole* role = roleOf(c, roles);
        const bool holds = role && role->holds;
        QWidget* container = c.container.empty() ? form.client : form.widgets.value(QUtf8StringView(c.container).toString());
        Q_ASSERT(container); // the table lists every group box before its contents
        QWidget* w = makeWidget(c, c.kind == Kind::Button && holds, container);
        w->setObjectName(QUtf8StringView(c.name).toString());
        w->setGeometry(pixelRect(c));
        if (c.kind != Kind::Image)
            w->setFont(toQFont(c.font));
        w->setFocusPolicy(takesFocus(c.kind) ? Qt::StrongFocus : Qt::NoFocus);
        w->setVisible(!(c.flags & Hidden));
        if (c.kind == Kind::Option) {
            // Options sharing a group box form one exclusive group; Qt's own
            // auto-exclusivity would also join the options of nested boxes.
            QButtonGroup*& group = form.optionGroups[container->objectName()];
            if (!group)
                group = new QButtonGroup(container);
            group->addButton(static_cast<QRadioButton*>(w));
        }
        form.widgets.insert(w->objectName(), w);
    }
}

// Graphical controls under the others in table order, the outline under all,
// and raised group boxes on top.
void stackControls(const Form& form)
{
    const std::span<const Control> table = controls();
    // Lowered from the last, so that the first ends up lowest.
    std::for_each(table.rbegin(), table.rend(), [&form](const Control& c) {
        if (drawnOnContainer(c.kind))
            widgetOf(form, c)->lower();
    });
    form.lines->lower();
    for (const Control& c : table) {
        if (c.flags & Raised)
            widgetOf(form, c)->raise();
    }
}

// What assistive tools call each control: the name its role gives a command
// button, or the one the panel's table of names has; and a caption label
// beside a named control labels it.
void labelControls(const Form& form, std::span<const ButtonRole> roles)
{
    for (const Control& c : controls()) {
        QWidget* w = widgetOf(form, c);
        if (const ButtonRole* role = roleOf(c, roles))
            w->setAccessibleName(QUtf8StringView(role->name).toString());
        else if (const AccessibleName* a = findAccessibleName(c.name))
            w->setAccessibleName(QUtf8StringView(a->name).toString());
    }
    for (const AccessibleName& a : accessibleNames()) {
        if (a.captionLabel.empty())
            continue;
        auto* label = qobject_cast<QLabel*>(form.widgets.value(QUtf8StringView(a.captionLabel).toString()));
        QWidget* target = form.widgets.value(QUtf8StringView(a.control).toString());
        Q_ASSERT(label && target);
        if (label && target)
            label->setBuddy(target);
    }
}

// Tab and Shift+Tab go through the controls that take focus in the order of
// their tab indexes; those with the same index in table order.
void setTabOrder(const Form& form)
{
    std::vector<std::pair<int, QWidget*>> focusOrder;
    for (const Control& c : controls()) {
        if (takesFocus(c.kind))
            focusOrder.emplace_back(c.tab, widgetOf(form, c));
    }
    std::stable_sort(focusOrder.begin(), focusOrder.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 1; i < focusOrder.size(); ++i)
        QWidget::setTabOrder(focusOrder[i - 1].second, focusOrder[i].second);
}

} // namespace

Form buildForm(QWidget* client, std::span<const ButtonRole> roles)
{
    Form form;
    prepareClient(form, client);
    installAccessibleInterfaces();
    createControls(form, roles);
    stackControls(form);
    labelControls(form, roles);
    bindControls(form);
    setTabOrder(form);
    return form;
}

} // namespace runo::layout
