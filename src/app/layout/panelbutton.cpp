// SPDX-License-Identifier: MIT
#include "app/layout/panelbutton.h"

#include <QKeyEvent>
#include <QStyleOptionButton>
#include <QStylePainter>

#include <algorithm>

namespace runo::layout {

PanelButton::PanelButton(const QString& caption, QWidget* parent)
    : QPushButton(caption, parent)
{
}

QRect PanelButton::captionRect() const
{
    QStyleOptionButton option;
    initStyleOption(&option);
    return style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
}

int PanelButton::captionFlags() const
{
    const QRect area = captionRect();
    const int wrapped = Qt::AlignCenter | Qt::TextWordWrap;
    if (fontMetrics().boundingRect(area, wrapped, text()).height() <= area.height())
        return wrapped;
    return Qt::AlignCenter | Qt::TextSingleLine;
}

QFont PanelButton::captionFont() const
{
    QFont condensed = font();
    if (captionFlags() & Qt::TextWordWrap)
        return condensed;
    const int width = captionRect().width();
    const int natural = fontMetrics().horizontalAdvance(text());
    if (natural <= width)
        return condensed;
    // Stretch is in percent; step down until the caption fits, but not past
    // the point where it stops being readable.
    for (int stretch = std::max(50, 100 * width / natural); stretch >= 50; --stretch) {
        condensed.setStretch(stretch);
        if (QFontMetrics(condensed).horizontalAdvance(text()) <= width)
            break;
    }
    return condensed;
}

// Enter presses the focused button, as Space does.
void PanelButton::keyPressEvent(QKeyEvent* event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && !event->isAutoRepeat()) {
        event->accept();
        click();
        return;
    }
    QPushButton::keyPressEvent(event);
}

void PanelButton::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString caption = option.text;
    option.text.clear();
    // The face is the back colour, focused or not: focus shows as the
    // dotted mark alone, never as the style's tint.
    option.state &= ~QStyle::State_HasFocus;
    painter.drawControl(QStyle::CE_PushButton, option); // face and edge

    QRect area = captionRect();
    if (isDown())
        area.translate(1, 1);
    painter.setFont(captionFont());
    painter.drawItemText(area, captionFlags(), option.palette, isEnabled(), caption, QPalette::ButtonText);

    if (hasFocus()) { // dotted mark just inside the edge
        painter.setPen(QPen(option.palette.color(QPalette::ButtonText), 1, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect().adjusted(2, 2, -3, -3));
    }
}

} // namespace runo::layout
