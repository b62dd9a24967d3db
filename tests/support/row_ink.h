#pragma once

// Whether a list row shows the whole of its text: the ink of the row as the list draws it,
// against the ink of the same text drawn with room to spare. Marks cut off at the row's edge
// (the accents over Ł, Ś, Ź, Ó) make the row's ink lower than the free text's.

#include <QAbstractItemView>
#include <QFont>
#include <QHash>
#include <QImage>
#include <QPainter>

#include <algorithm>

namespace zv::test {

// The rows (top to bottom, inclusive) holding ink; none: top = -1.
struct InkRows {
    int top = -1;
    int bottom = -1;
    int height() const { return top < 0 ? 0 : bottom - top + 1; }
};

// Rows of `area` holding a pixel of another colour than the area's most common one (the
// background; smoothed letter edges count as ink).
inline InkRows inkRows(const QImage &image, QRect area)
{
    area &= image.rect();
    QHash<QRgb, int> counts;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            ++counts[image.pixel(x, y)];
    if (counts.isEmpty())
        return {};
    const QRgb background = std::max_element(counts.cbegin(), counts.cend()).key();
    InkRows ink;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.pixel(x, y) != background) {
                if (ink.top < 0)
                    ink.top = y;
                ink.bottom = y;
                break;
            }
    return ink;
}

// `family` at a size in pixels; the accent tests use fonts whose marks over capitals stand one
// to three pixels above their ascent ("DejaVu Serif" 12, "DejaVu Math TeX Gyre" 13).
inline QFont pixelFont(const char *family, int pixels)
{
    QFont f(QString::fromLatin1(family));
    f.setPixelSize(pixels);
    return f;
}

// The ink of `text` in `font`, drawn black on white with room all around.
inline InkRows freeTextInk(const QString &text, const QFont &font)
{
    const QFontMetrics fm(font);
    QImage img(fm.horizontalAdvance(text) + 40, 4 * fm.lineSpacing() + 40, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setFont(font);
    p.setPen(Qt::black);
    p.drawText(20, 20 + 2 * fm.lineSpacing(), text);
    p.end();
    return inkRows(img, img.rect());
}

// The ink of `index`'s cell as `view` shows it, in the cell's coordinates; `inset` pixels are
// left out at the right and bottom (a table's grid line).
inline InkRows cellInk(QAbstractItemView *view, const QModelIndex &index, int inset = 0)
{
    view->scrollTo(index);
    const QImage shot = view->viewport()->grab().toImage();
    const QRect cell = view->visualRect(index).adjusted(0, 0, -inset, -inset);
    InkRows ink = inkRows(shot, cell);
    if (ink.top >= 0) {
        ink.top -= cell.top();
        ink.bottom -= cell.top();
    }
    return ink;
}

} // namespace zv::test
