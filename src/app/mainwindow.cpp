// SPDX-License-Identifier: MIT
#include "app/mainwindow.h"

#include "app/layout/holdbutton.h"
#include "app/layout/logolabel.h"
#include "app/layout/twips.h"
#include "commands/commandtable.h"
#include "link/devices.h"
#include "link/portmap.h"

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

QString name(std::string_view text) { return QString::fromLatin1(text.data(), qsizetype(text.size())); }

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
    setObjectName(name(layout::kWindowName));
    setWindowTitle(QString::fromLatin1(layout::kWindowCaption.data(), qsizetype(layout::kWindowCaption.size())));
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
    if (QPushButton* first = m_form.button(QStringLiteral("Command17")))
        first->setFocus();
}

MainWindow::~MainWindow() { qApp->removeEventFilter(this); }

void MainWindow::connectCommandButtons()
{
    for (const CommandButton& b : commandButtons()) {
        if (QPushButton* w = m_form.button(name(b.control)))
            connect(w, &QPushButton::clicked, &m_panel, [this, &b] { m_panel.clickCommand(b); });
    }
}

void MainWindow::connectHoldButtons()
{
    for (const HoldButton& b : holdButtons()) {
        auto* w = m_form.find<layout::HoldButton>(name(b.control));
        if (!w)
            continue;
        connect(w, &layout::HoldButton::held, &m_panel, [this, &b] { m_panel.pressHold(b); });
        connect(w, &layout::HoldButton::letGo, &m_panel, [this, &b] { m_panel.releaseHold(b); });
    }
}

void MainWindow::connectSettingsPanel()
{
    const struct {
        const char* option;
        int port;
        int baud;
    } options[] = {{"Option1", 1, 0}, {"Option2", 2, 0}, {"Option9", 0, 19200}, {"Option10", 0, 9600}};
    for (const auto& o : options) {
        QRadioButton* w = m_form.option(QLatin1String(o.option));
        if (!w)
            continue;
        if (o.port)
            connect(w, &QRadioButton::clicked, &m_panel, [this, port = o.port] { m_panel.selectPort(port); });
        else
            connect(w, &QRadioButton::clicked, &m_panel, [this, baud = o.baud] { m_panel.selectSpeed(baud); });
    }
    connect(m_form.button(QStringLiteral("Command33")), &QPushButton::clicked, &m_panel, &Panel::showSettingsPanel);
    connect(m_form.button(QStringLiteral("Command16")), &QPushButton::clicked, &m_panel, &Panel::end);
    connect(&m_panel, &Panel::ended, this, &QWidget::close);
    connect(&m_panel, &Panel::portOptionSelected, this, [this](int port) {
        if (QRadioButton* w = m_form.option(port == 1 ? QStringLiteral("Option1") : QStringLiteral("Option2")))
            w->setChecked(true);
    });
    connect(&m_panel, &Panel::speedOptionSelected, this, [this](int baud) {
        if (QRadioButton* w = m_form.option(baud == 9600 ? QStringLiteral("Option10") : QStringLiteral("Option9")))
            w->setChecked(true);
    });
    connect(&m_panel, &Panel::settingsPanelVisibleChanged, m_form.frame(QStringLiteral("Frame8")), &QWidget::setVisible);
    connect(&m_panel, &Panel::warning, this, &MainWindow::showWarning);
}

void MainWindow::connectOperatorEntry()
{
    QLineEdit* entry = m_form.textBox();
    connect(m_form.button(QStringLiteral("Command95")), &QPushButton::clicked, &m_panel,
        [this, entry] { m_panel.sendFreeCommand(entry->text()); });
    connect(m_form.button(QStringLiteral("Command96")), &QPushButton::clicked, entry, &QLineEdit::clear);
    connect(m_form.button(QStringLiteral("Command34")), &QPushButton::clicked, &m_panel, &Panel::toggleDataDisplay);
    connect(m_form.image(), &layout::LogoLabel::doubleClicked, &m_panel, &Panel::doubleClickLogo);
    connect(&m_panel, &Panel::dataButtonChanged, this, &MainWindow::showDataButton);
    connect(&m_panel, &Panel::windowHeightChanged, this, &MainWindow::applyWindowHeight);
}

void MainWindow::connectDisplay()
{
    connect(&m_panel, &Panel::transmitLineChanged, m_form.label(QStringLiteral("Label11")), &QLabel::setText);
    connect(&m_panel, &Panel::receiveLineChanged, m_form.label(QStringLiteral("Label12")), &QLabel::setText);
    connect(&m_panel, &Panel::statusLineChanged, m_form.label(QStringLiteral("Label22")), &QLabel::setText);
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
    QPushButton* button = m_form.button(QStringLiteral("Command34"));
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
    const struct {
        const char* control;
        int port; // 0: both
    } menus[] = {{"Command33", 0}, {"Option1", 1}, {"Option2", 2}};
    for (const auto& m : menus) {
        QWidget* w = m_form.widget(QLatin1String(m.control));
        w->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(w, &QWidget::customContextMenuRequested, this,
            [this, w, port = m.port](const QPoint& pos) { showDeviceMenu(port, w, pos); });
    }
    m_form.button(QStringLiteral("Command33"))->setToolTip(tr("Right-click to choose the devices behind COM1 and COM2"));
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
        QMenu* sub = menu->addMenu(QStringLiteral("COM%1: %2").arg(p).arg(devicePathForPort(p)));
        addDeviceActions(sub, p, devices);
    }
    return menu;
}

void MainWindow::addDeviceActions(QMenu* menu, int port, const QList<SerialDevice>& devices)
{
    const QString current = devicePathForPort(port);
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
        devicePathForPort(port), &ok)
                               .trimmed();
    if (ok && !device.isEmpty())
        m_panel.assignDevice(port, device);
}

} // namespace runo
