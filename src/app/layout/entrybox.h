// SPDX-License-Identifier: MIT
// The free-command entry box: a single-line text box that leaves the panel's
// view chord alone. Qt's line edit deletes to the end of the line on Ctrl+K;
// here the chord reaches the box and changes neither its text nor its cursor.
#pragma once

#include <QLineEdit>

namespace runo::layout {

class EntryBox : public QLineEdit {
    Q_OBJECT
public:
    using QLineEdit::QLineEdit;

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

} // namespace runo::layout
