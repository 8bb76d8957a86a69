#pragma once
// Box-drawing characters, block elements and shades drawn as exact shapes
// that fill their character cell, so that frames and blocks join without a
// gap at every font size. Used on screen and on the printed page.

#include <QColor>
#include <QRect>

class QPainter;

namespace CellShapes {

// Whether the character is one this module draws.
bool IsShape(char16_t ch);

// Draws the character's shape in the cell in colour; the cell's background
// is left as it is. Shades are patterns aligned to the device's pixels, so
// that neighbouring cells continue each other's pattern.
void Draw(QPainter &painter, const QRect &cell, char16_t ch, const QColor &color);

} // namespace CellShapes
