// SPDX-License-Identifier: MIT
// The main window, Form1: built from the control table and wired to the
// panel's logic. It forwards the operator's events to Panel and shows what
// Panel publishes.
#pragma once

#include "app/layout/formbuilder.h"
#include "panel/panel.h"

#include <QIcon>
#include <QList>
#include <QWidget>

class QMenu;

namespace runo {

class MSComm;
struct SerialDevice;

// The panel's icon: the installed theme's, else a copy built into the program.
QIcon applicationIcon();

class MainWindow : public QWidget {
    Q_OBJECT
public:
    explicit MainWindow(MSComm* port, QWidget* parent = nullptr);
    ~MainWindow() override;

    Panel& panel() { return m_panel; }
    const layout::Form& form() const { return m_form; }

    // Outer height in twips, through the one conversion of the layout.
    int outerHeightTwips() const;

    // The devices offered for COM1 or COM2 (0: both, in submenus), the one
    // in use checked, and "Other device…" for any path or URL. A right-click
    // on "COM", "COM1" or "COM2" shows it with the system's serial ports.
    QMenu* deviceMenu(int port, const QList<SerialDevice>& devices, QWidget* parent);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void connectCommandButtons();
    void connectHoldButtons();
    void connectSettingsPanel();
    void connectOperatorEntry();
    void connectDisplay();
    void centreOnScreen();
    void applyWindowHeight(int twips);
    void showDataButton();
    void showWarning(const QString& text);
    void connectDeviceMenus();
    void showDeviceMenu(int port, QWidget* control, const QPoint& pos);
    void addDeviceActions(QMenu* menu, int port, const QList<SerialDevice>& devices);
    void askForDevice(int port);
    QString devicePath(int port) const; // as shown: control characters spelled out

    layout::Form m_form;
    QWidget* m_client = nullptr;
    Panel m_panel;
};

} // namespace runo
