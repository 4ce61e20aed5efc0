// SPDX-License-Identifier: MIT
// Draws the application icon as pixel-exact PNGs at 16 x 16 and 32 x 32: the
// same picture as runo-control.svg (a window with a title bar, panel buttons
// and a display strip), simplified at the small size.
//
// Not part of the default build. To redraw the committed PNGs:
//   cmake --build BUILD --target runo-icons
#include <QColor>
#include <QImage>
#include <QPainter>
#include <QString>

#include <cstdio>
#include <vector>

namespace {

struct Box {
    int x, y, w, h; // pixels, outline included
    QRgb fill;
    bool outline;
};

constexpr QRgb kFace = 0xC0C0C0, kEdge = 0x404040, kTitle = 0x1E3C96;

std::vector<Box> picture(int size)
{
    if (size == 16)
        return {
            {0, 1, 16, 14, kFace, true},
            {1, 2, 14, 3, kTitle, false},
            {12, 3, 2, 1, kFace, false},
            {2, 6, 5, 3, 0xC0FFC0, true},
            {9, 6, 5, 3, 0xFFC0C0, true},
            {2, 10, 12, 3, 0xFFFFFF, true},
        };
    return {
        {1, 3, 30, 26, kFace, true},
        {2, 4, 28, 5, kTitle, false},
        {25, 5, 4, 3, kFace, false},
        {4, 11, 7, 5, 0xC0FFC0, true},
        {12, 11, 7, 5, 0xFFC0C0, true},
        {20, 11, 8, 5, 0xC0FFFF, true},
        {4, 17, 7, 5, 0xFFC080, true},
        {12, 17, 7, 5, 0xC0C0FF, true},
        {20, 17, 8, 5, 0xFFE0C0, true},
        {4, 23, 24, 4, 0xFFFFFF, true},
    };
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s 16|32 OUTPUT.png\n", argv[0]);
        return 2;
    }
    const int size = QString::fromLocal8Bit(argv[1]).toInt();
    if (size != 16 && size != 32) {
        std::fprintf(stderr, "size must be 16 or 32\n");
        return 2;
    }
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        for (const Box& b : picture(size)) {
            if (b.outline) {
                painter.fillRect(b.x, b.y, b.w, b.h, QColor::fromRgb(kEdge));
                painter.fillRect(b.x + 1, b.y + 1, b.w - 2, b.h - 2, QColor::fromRgb(b.fill));
            } else {
                painter.fillRect(b.x, b.y, b.w, b.h, QColor::fromRgb(b.fill));
            }
        }
    }
    if (!image.save(QString::fromLocal8Bit(argv[2]), "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
