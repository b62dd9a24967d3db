#include "playlist/list_row_height.h"

#include <QFontMetrics>
#include <QString>

#include <algorithm>

int listRowHeight(const QFont &font, int minimum)
{
    const QFontMetrics fm(font);
    // Accented capitals for the top, descenders (and a cedilla) for the bottom.
    const QRect ink = fm.tightBoundingRect(QStringLiteral(u"ŁÓŚŹŻĆŃĘÅÉÂ gjpqyŞ"));
    const int over = -ink.top() - fm.ascent();
    const int under = ink.bottom() + 1 - fm.descent();
    const int overshoot = std::max({0, over, under});
    return std::max({minimum, fm.lineSpacing(), fm.height() + 2 * overshoot});
}
