// SPDX-License-Identifier: MIT
#include "app/mainwindow.h"

#include "app/layout/holdbutton.h"
#include "app/layout/logolabel.h"
#include "app/layout/twips.h"
#include "commands/commandtable.h"
#include "link/devices.h"
#include "link/mscomm.h"
#include "link/portmap.h"
#include "link/quoted.h"
#include "panel/linespeed.h"

#include <QApplication>
#include <QIcon>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

#include <vector>

// The built-in icons live in this static library; the macro must stand
// outside any namespace.
static void initAppResources() { Q_INIT_RESOURCE(app); }

namespace runo {

namespace {

// Every command row's control is a button of the layout, so each gets its
// handle from buildForm.
constexpr bool commandsInLayout()
{
    const auto isButton = [](std::string_view name) { return layout::hasControl(name, layout::Kind::Button); };
    for (const CommandButton& b : kCommandButtons)
        if (!isButton(b.control))
            return false;
    for (const HoldButton& b : kHoldButtons)
        if (!isButton(b.control))
            return false;
    return true;
}
static_assert(commandsInLayout(), "a command button is missing from the control table");

// The options of the settings panel: a port or a speed each.
struct PortOption {
    QRadioButton* layout::Controls::*option;
    int port;
};
constexpr PortOption kPortOptions[] = {{&layout::Controls::com1, 1}, {&layout::Controls::com2, 2}};
struct SpeedOption {
    QRadioButton* layout::Controls::*option;
    LineSpeed speed;
};
constexpr SpeedOption kSpeedOptions[] = {
    {&layout::Controls::speed19200, LineSpeed::Baud19200},
    {&layout::Controls::speed9600, LineSpeed::Baud9600},
};
static_assert(std::size(kSpeedOptions) == kLineSpeedCount, "an option for every line speed");

// Every command button with its name from the command tables.
std::vector<layout::ButtonRole> buttonRoles()
{
    std::vector<layout::ButtonRole> roles;
    for (const CommandButton& b : commandButtons())
        roles.push_back({b.control, b.name, false});
    for (const HoldButton& b : holdButtons())
        roles.push_back({b.control, b.name, true});
    return roles;
}

} // namespace

QIcon applicationIcon()
{
    // The installed theme's icon, else the copy built into the program (run
    // from the build tree, or installed where the theme does not look).
    initAppResources();
    QIcon builtIn;
    for (const char* file : {":/icons/runo-control-16.png", ":/icons/runo-control-32.png"})
        builtIn.addFile(QLatin1String(file));
    return QIcon::fromTheme(QStringLiteral("runo-control"), builtIn);
}

MainWindow::MainWindow(MSComm* port, QWidget* parent)
    : QWidget(parent)
    , m_client(new QWidget(this))
    , m_panel(port)
{
    setObjectName(QUtf8StringView(layout::kWindowName).toString());
    setWindowTitle(QUtf8StringView(layout::kWindowCaption).toString());
    const auto roles = buttonRoles();
    m_form = layout::buildForm(m_client, roles);
    m_client->move(0, 0);

    connectCommandButtons();
    connectHoldButtons();
    connectSettingsPanel();
    connectOperatorEntry();
    connectDisplay();
    connectDeviceMenus();
    setWindowIcon(applicationIcon());
    // Key preview: the window sees every key before the focused control.
    qApp->installEventFilter(this);

    centreOnScreen();
    m_panel.load();
    m_form.controls.powerOn->setFocus();
}

MainWindow::~MainWindow() { qApp->removeEventFilter(this); }

void MainWindow::connectCommandButtons()
{
    for (const CommandButton& b : commandButtons())
        connect(m_form.find<layout::PanelButton>(QUtf8StringView(b.control).toString()), &QPushButton::clicked, &m_panel,
            [this, &b] { m_panel.clickCommand(b); });
}

void MainWindow::connectHoldButtons()
{
    for (const HoldButton& b : holdButtons()) {
        auto* hold = m_form.find<layout::HoldButton>(QUtf8StringView(b.control).toString());
        connect(hold, &layout::HoldButton::held, &m_panel, [this, &b] { m_panel.pressHold(b); });
        connect(hold, &layout::HoldButton::letGo, &m_panel, [this, &b] { m_panel.releaseHold(b); });
    }
}

void MainWindow::connectSettingsPanel()
{
    const layout::Controls& c = m_form.controls;
    for (const PortOption& o : kPortOptions)
        connect(c.*o.option, &QRadioButton::clicked, &m_panel, [this, port = o.port] { m_panel.selectPort(port); });
    for (const SpeedOption& o : kSpeedOptions)
        connect(
            c.*o.option, &QRadioButton::clicked, &m_panel, [this, baud = lineSpeed(o.speed).baud] { m_panel.selectSpeed(baud); });
    connect(c.com, &QPushButton::clicked, &m_panel, &Panel::showSettingsPanel);
    connect(c.end, &QPushButton::clicked, &m_panel, &Panel::end);
    connect(&m_panel, &Panel::ended, this, &QWidget::close);
    connect(&m_panel, &Panel::portOptionSelected, this, [this](int port) {
        for (const PortOption& o : kPortOptions)
            if (o.port == port)
                (m_form.controls.*o.option)->setChecked(true);
    });
    connect(&m_panel, &Panel::speedOptionSelected, this, [this](int baud) {
        const LineSpeedRow* row = findLineSpeed(baud);
        const LineSpeed speed = row ? row->speed : kStartLineSpeed;
        for (const SpeedOption& o : kSpeedOptions)
            if (o.speed == speed)
                (m_form.controls.*o.option)->setChecked(true);
    });
    connect(&m_panel, &Panel::settingsPanelVisibleChanged, c.settingsPanel, &QWidget::setVisible);
    connect(&m_panel, &Panel::warning, this, &MainWindow::showWarning);
}

void MainWindow::connectOperatorEntry()
{
    const layout::Controls& c = m_form.controls;
    QLineEdit* entry = c.entry;
    connect(c.send, &QPushButton::clicked, &m_panel, [this, entry] { m_panel.sendFreeCommand(entry->text()); });
    connect(c.cls, &QPushButton::clicked, entry, &QLineEdit::clear);
    connect(c.dataButton, &QPushButton::clicked, &m_panel, &Panel::toggleDataDisplay);
    connect(c.logo, &layout::LogoLabel::doubleClicked, &m_panel, &Panel::doubleClickLogo);
    connect(&m_panel, &Panel::dataButtonChanged, this, &MainWindow::showDataButton);
    connect(&m_panel, &Panel::windowHeightChanged, this, &MainWindow::applyWindowHeight);
}

void MainWindow::connectDisplay()
{
    const layout::Controls& c = m_form.controls;
    connect(&m_panel, &Panel::transmitLineChanged, c.transmitLine, &QLabel::setText);
    connect(&m_panel, &Panel::receiveLineChanged, c.receiveLine, &QLabel::setText);
    connect(&m_panel, &Panel::statusLineChanged, c.statusLine, &QLabel::setText);
}

// Centred for the stored size (client area and frame), before the panel sets
// the compact height; the top edge then stays where it is.
void MainWindow::centreOnScreen()
{
    const int storedWidth = layout::toPixels(layout::kClientWidthTwips + layout::kFrameWidthAllowanceTwips);
    const int storedHeight = layout::toPixels(layout::kClientHeightTwips + layout::kFrameAllowanceTwips);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.x() + (area.width() - storedWidth) / 2, area.y() + (area.height() - storedHeight) / 2);
    }
}

void MainWindow::applyWindowHeight(int twips)
{
    setFixedSize(layout::clientSize().width(), layout::clientPixelsForOuterHeight(twips));
}

int MainWindow::outerHeightTwips() const { return layout::outerHeightForClientPixels(height()); }

void MainWindow::showDataButton()
{
    QPushButton* button = m_form.controls.dataButton;
    button->setText(m_panel.dataButtonCaption());
    button->setVisible(m_panel.dataButtonVisible());
}

void MainWindow::showWarning(const QString& text)
{
    QMessageBox::warning(this, QApplication::applicationName(), text, QMessageBox::Ok);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        // Only the first delivery of a key counts: to the focused control,
        // or to the window itself when nothing has the focus.
        QWidget* target = QApplication::focusWidget();
        if (!target)
            target = this;
        if (watched == target && target->window() == this) {
            const auto* key = static_cast<QKeyEvent*>(event);
            m_panel.keyDown(key->key(), key->modifiers());
        }
    }
    return QWidget::eventFilter(watched, event); // the key goes on unchanged
}

void MainWindow::connectDeviceMenus()
{
    const layout::Controls& c = m_form.controls;
    const struct {
        QWidget* control;
        int port; // 0: both
    } menus[] = {{c.com, 0}, {c.com1, 1}, {c.com2, 2}};
    for (const auto& m : menus) {
        QWidget* w = m.control;
        w->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(w, &QWidget::customContextMenuRequested, this,
            [this, w, port = m.port](const QPoint& pos) { showDeviceMenu(port, w, pos); });
    }
    c.com->setToolTip(tr("Right-click to choose the devices behind COM1 and COM2"));
    connect(&m_panel, &Panel::portChoiceMade, this, &PortMap::remember);
}

QString MainWindow::devicePath(int port) const
{
    const PortMap* map = m_panel.port()->portMap();
    return map ? quotedControls(map->devicePath(port)) : QString();
}

void MainWindow::showDeviceMenu(int port, QWidget* control, const QPoint& pos)
{
    QMenu* menu = deviceMenu(port, availableDevices(), this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(control->mapToGlobal(pos));
}

QMenu* MainWindow::deviceMenu(int port, const QList<SerialDevice>& devices, QWidget* parent)
{
    auto* menu = new QMenu(parent);
    if (port != 0) {
        addDeviceActions(menu, port, devices);
        return menu;
    }
    for (const int p : {1, 2}) {
        QMenu* sub = menu->addMenu(QStringLiteral("COM%1: %2").arg(p).arg(devicePath(p)));
        addDeviceActions(sub, p, devices);
    }
    return menu;
}

void MainWindow::addDeviceActions(QMenu* menu, int port, const QList<SerialDevice>& devices)
{
    const QString current = devicePath(port);
    for (const SerialDevice& d : devices) {
        QAction* action = menu->addAction(deviceLabel(d));
        action->setCheckable(true);
        action->setChecked(current == d.path || current == d.node);
        connect(action, &QAction::triggered, this, [this, port, path = d.path] { m_panel.assignDevice(port, path); });
    }
    if (!devices.isEmpty())
        menu->addSeparator();
    connect(menu->addAction(tr("Other device…")), &QAction::triggered, this, [this, port] { askForDevice(port); });
}

void MainWindow::askForDevice(int port)
{
    bool ok = false;
    const QString device = QInputDialog::getText(this, QApplication::applicationName(),
        tr("Device for COM%1 (a path, or socket://host:port or rfc2217://host:port):").arg(port), QLineEdit::Normal,
        devicePath(port), &ok)
                               .trimmed();
    if (ok && !device.isEmpty())
        m_panel.assignDevice(port, device);
}

} // namespace runo
