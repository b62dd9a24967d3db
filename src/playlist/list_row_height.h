#pragma once

class QFont;

// Height of a list row that shows one line of text in `font`, never below `minimum`: the font's
// line spacing, and more where marks reach past the font's ascent or descent (the accents over
// Ł, Ś, Ź, Ó in many fonts stand above the ascent). Rows centre their text, so the room such a
// mark needs is taken on both sides.
int listRowHeight(const QFont &font, int minimum = 0);
