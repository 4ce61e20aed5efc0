// SPDX-License-Identifier: MIT
// Builds the main window's controls from the layout table (controltable.h)
// on the window's client area, and hands out the ones the window wires as
// typed handles. Every widget's object name is its stored name, kept for
// assistive tools and tests.
#pragma once

#include "app/layout/controltable.h"

#include <QFont>
#include <QHash>
#include <QSize>
#include <QString>
#include <QWidget>

#include <span>
#include <string_view>
#include <vector>

class QButtonGroup;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace runo::layout {

class LogoLabel;
class PanelButton;

// The controls the window wires, by what they do. Each is bound to its
// stored name once, in formbuilder.cpp, where the build checks the control
// table for it and its kind.
struct Controls {
    QPushButton* powerOn = nullptr; // "POWER ON", focused at start
    QPushButton* end = nullptr; // "END"
    QPushButton* com = nullptr; // "COM", shows the settings panel
    QPushButton* send = nullptr; // "SEND", the free command
    QPushButton* cls = nullptr; // "CLS", empties the entry box
    QPushButton* dataButton = nullptr; // shows and hides the traffic display
    QRadioButton* com1 = nullptr;
    QRadioButton* com2 = nullptr;
    QRadioButton* speed19200 = nullptr;
    QRadioButton* speed9600 = nullptr;
    QFrame* settingsPanel = nullptr;
    QLabel* transmitLine = nullptr; // beside "TXD"
    QLabel* receiveLine = nullptr; // beside "RXD"
    QLabel* statusLine = nullptr; // beside "STATUS"
    QLineEdit* entry = nullptr; // the free command's text box
    LogoLabel* logo = nullptr;
};

struct Form {
    Controls controls;
    QWidget* client = nullptr;
    QWidget* lines = nullptr; // paints the cursor-pad outline, beneath everything else
    QHash<QString, QWidget*> widgets; // by stored name
    // The exclusive option groups, by the name of the group box holding them
    // ("Frame8": the ports, "Frame13": the speeds).
    QHash<QString, QButtonGroup*> optionGroups;

    QWidget* widget(const QString& name) const { return widgets.value(name); }
    template <class T> T* find(const QString& name) const { return qobject_cast<T*>(widgets.value(name)); }

    // Buttons are PanelButton, or HoldButton for the press-and-hold ones.
    QPushButton* button(const QString& name) const;
    QLabel* label(const QString& name) const;
    QFrame* frame(const QString& name) const;
    QRadioButton* option(const QString& name) const;
    QLineEdit* textBox() const; // Text1
    LogoLabel* image() const; // Image1
};

// The client area's design size, in which every control is in view.
QSize clientSize();

// The Qt font for a table font: the named face first, then its IPA Gothic
// stand-in for machines that lack it.
QFont toQFont(const Font& font);

// A command button as the caller knows it: its accessible name, and whether
// it is worked by press and release (a HoldButton) rather than by a click.
struct ButtonRole {
    std::string_view control;
    std::string_view name; // UTF-8
    bool holds = false;
};

// Creates every control of the table on `client`, which gets the design size as
// its fixed size, the window's back colour and the window font. The buttons in
// `roles` take their names from there; the holding ones are created as
// HoldButton, all others as PanelButton.
Form buildForm(QWidget* client, std::span<const ButtonRole> roles = {});

} // namespace runo::layout
