#pragma once

// Typing into a widget key by key, Polish letters included.

#include <QTest>
#include <QWidget>

namespace zv::test {

// Types `text` into `widget` one key press at a time, as a keyboard would. Letters outside
// ASCII (ó, ś) come as presses of their key carrying the letter, which QTest::keyClicks
// cannot send.
inline void typeText(QWidget *widget, const QString &text)
{
    for (const QChar c : text) {
        if (c.unicode() < 0x80)
            QTest::keyClick(widget, c.toLatin1());
        else
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key(c.toUpper().unicode()), QString(c), Qt::NoModifier);
    }
}

} // namespace zv::test
