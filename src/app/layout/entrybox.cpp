// SPDX-License-Identifier: MIT
#include "app/layout/entrybox.h"

#include <QKeyEvent>

namespace runo::layout {

void EntryBox::keyPressEvent(QKeyEvent* event)
{
    const Qt::KeyboardModifiers held = event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    if (event->key() == Qt::Key_K && held == Qt::ControlModifier) {
        event->ignore();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

} // namespace runo::layout
