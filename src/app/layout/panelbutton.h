// SPDX-License-Identifier: MIT
// A panel button: its back colour fills the whole face and a caption too wide
// for one line wraps at word breaks instead of being cut off.
#pragma once

#include <QPushButton>

namespace runo::layout {

class PanelButton : public QPushButton {
    Q_OBJECT
public:
    explicit PanelButton(const QString& caption, QWidget* parent = nullptr);

    // Where the caption is drawn, inside the border and padding.
    QRect captionRect() const;
    // The caption wraps at word breaks. One that still does not fit (a long
    // Japanese caption on a narrow button) goes on one line, condensed to the
    // width of the face.
    QFont captionFont() const;
    int captionFlags() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};

} // namespace runo::layout
