#pragma once
// Box-drawing characters, block elements and shades drawn as exact shapes
// that fill their character cell, so that frames and blocks join without a
// gap at every font size. Used on screen and on the printed page.

#include <QColor>
#include <QList>
#include <QPoint>
#include <QRect>

#include <array>

class QFont;
class QPaintDevice;
class QPainter;

namespace CellShapes {

// Whether the character is one this module draws.
bool IsShape(char16_t ch);

// The arms of a box-drawing character (up, right, down, left): 0 none,
// 1 single line, 2 double line; all 0 for any other character.
std::array<int, 4> Arms(char32_t ch);

// Draws the character's shape in the cell in colour; the cell's background
// is left as it is. Shades are patterns aligned to the device's pixels, so
// that neighbouring cells continue each other's pattern. weight is the
// thickness of a line and the size of a shade's dot in pixels; 0 derives
// the lines from the cell and draws one-pixel dots.
// The rectangles a box, line or block character fills in its cell (none for
// a shade or another character).
QList<QRect> SolidRects(const QRect &cell, char16_t ch, int weight = 0);

// Shades lay their dots from patternOrigin (the device's origin unless told),
// so that neighbouring cells continue one pattern.
void Draw(QPainter &painter, const QRect &cell, char16_t ch, const QColor &color, int weight = 0,
          QPoint patternOrigin = {});

// The stroke of the font's letters in pixels on the device (the screen when
// null), from the width of its "|": the weight that makes lines as heavy as
// the text.
int LineWeight(const QFont &font, const QPaintDevice *device = nullptr);

} // namespace CellShapes
