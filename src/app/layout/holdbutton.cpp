// SPDX-License-Identifier: MIT
#include "app/layout/holdbutton.h"

#include <QKeyEvent>
#include <QMouseEvent>

namespace runo::layout {

namespace {

bool isKeyboardPress(int key)
{
    return key == Qt::Key_Space || key == Qt::Key_Select || key == Qt::Key_Return || key == Qt::Key_Enter;
}

} // namespace

void HoldButton::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    if (isHeld()) // a second mouse button during a hold changes nothing
        return;
    m_heldWith = event->button();
    setDown(true);
    emit held();
}

void HoldButton::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    if (event->button() == m_heldWith)
        endHold();
}

void HoldButton::mouseMoveEvent(QMouseEvent* event)
{
    event->accept();
    if (isHeld()) // the face shows pressed only while the pointer is over it
        setDown(rect().contains(event->position().toPoint()));
}

// The keyboard does not work a hold button: Space or Enter would otherwise
// click it.
void HoldButton::keyPressEvent(QKeyEvent* event)
{
    if (isKeyboardPress(event->key())) {
        event->accept();
        return;
    }
    PanelButton::keyPressEvent(event);
}

void HoldButton::keyReleaseEvent(QKeyEvent* event)
{
    if (isKeyboardPress(event->key())) {
        event->accept();
        return;
    }
    PanelButton::keyReleaseEvent(event);
}

// A release can go missing when the button disappears or the window loses
// activation while the mouse is down; end the hold then rather than leaving
// it running until some later release.
void HoldButton::hideEvent(QHideEvent* event)
{
    endHold();
    PanelButton::hideEvent(event);
}

// Child widgets hear of their window losing activation as WindowDeactivate.
bool HoldButton::event(QEvent* event)
{
    if (event->type() == QEvent::WindowDeactivate)
        endHold();
    return PanelButton::event(event);
}

void HoldButton::endHold()
{
    if (!isHeld())
        return;
    m_heldWith = Qt::NoButton;
    setDown(false);
    emit letGo();
}

} // namespace runo::layout
