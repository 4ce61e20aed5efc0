// SPDX-License-Identifier: MIT
// The logo picture at the window's top right; a double-click on it is one of
// the panel's gestures.
#pragma once

#include <QLabel>
#include <QPixmap>

namespace runo::layout {

class LogoLabel : public QLabel {
    Q_OBJECT
public:
    explicit LogoLabel(QWidget* parent = nullptr);

    // The logo: 80 x 26 pixels, red lettering on grey.
    static QPixmap logo();

signals:
    void doubleClicked();

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};

} // namespace runo::layout
