// SPDX-License-Identifier: MIT
// The main window, Form1: built from the control table and wired to the
// panel's logic. It forwards the operator's events to Panel and shows what
// Panel publishes.
#pragma once

#include "app/layout/formbuilder.h"
#include "panel/panel.h"

#include <QWidget>

namespace runo {

class MSComm;

class MainWindow : public QWidget {
    Q_OBJECT
public:
    explicit MainWindow(MSComm* port, QWidget* parent = nullptr);
    ~MainWindow() override;

    Panel& panel() { return m_panel; }
    const layout::Form& form() const { return m_form; }

    // Outer height in twips, through the one conversion of the layout.
    int outerHeightTwips() const;

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

    layout::Form m_form;
    QWidget* m_client = nullptr;
    Panel m_panel;
};

} // namespace runo
