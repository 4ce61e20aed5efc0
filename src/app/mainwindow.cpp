// SPDX-License-Identifier: MIT
#include "app/mainwindow.h"

#include "app/layout/holdbutton.h"
#include "app/layout/logolabel.h"
#include "app/layout/twips.h"
#include "commands/commandtable.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

#include <vector>

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
    const QSize client = layout::clientSize();
    const int storedHeight = layout::toPixels(layout::kClientHeightTwips + layout::kFrameAllowanceTwips);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.x() + (area.width() - client.width()) / 2, area.y() + (area.height() - storedHeight) / 2);
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

} // namespace runo
