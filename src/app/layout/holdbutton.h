// SPDX-License-Identifier: MIT
// A press-and-hold button: it acts on the press and on the release of any
// mouse button (left, right or middle; modifier keys do not matter) and has
// no click of its own.
#pragma once

#include "app/layout/panelbutton.h"

namespace runo::layout {

class HoldButton : public PanelButton {
    Q_OBJECT
public:
    using PanelButton::PanelButton;

    bool isHeld() const { return m_heldWith != Qt::NoButton; }

signals:
    // A mouse button went down on the button.
    void held();
    // The mouse button that started the hold came up again, wherever the
    // pointer is; also sent when the hold is lost because the button is
    // hidden or its window stops being the active one.
    void letGo();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool event(QEvent* event) override;

private:
    void endHold();

    Qt::MouseButton m_heldWith = Qt::NoButton;
};

} // namespace runo::layout
