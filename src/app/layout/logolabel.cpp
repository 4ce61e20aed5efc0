// SPDX-License-Identifier: MIT
#include "app/layout/logolabel.h"

#include <QFont>
#include <QMouseEvent>
#include <QPainter>

namespace runo::layout {

LogoLabel::LogoLabel(QWidget* parent)
    : QLabel(parent)
{
    setPixmap(logo());
    setAlignment(Qt::AlignLeft | Qt::AlignTop); // natural size, never stretched
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::NoFocus);
}

QPixmap LogoLabel::logo()
{
    QImage image(80, 26, QImage::Format_RGB32);
    image.fill(QColor(0xB4, 0xB4, 0xB4));

    QPainter painter(&image);
    painter.setRenderHint(QPainter::TextAntialiasing);
    QFont font;
    font.setFamilies({QStringLiteral("IPAPGothic")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(20);
    font.setWeight(QFont::Black);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 2);
    painter.setFont(font);
    painter.setPen(QColor(0xD0, 0x00, 0x00));
    painter.drawText(image.rect(), Qt::AlignCenter, QStringLiteral("RUNO"));
    painter.end();
    return QPixmap::fromImage(image);
}

void LogoLabel::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        event->accept();
        emit doubleClicked();
        return;
    }
    QLabel::mouseDoubleClickEvent(event);
}

} // namespace runo::layout
