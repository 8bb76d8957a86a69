#pragma once
// Text output the way the controls were written against it: DrawTextA with its
// DT_* format flags, and TextOutA at a top-left reference point, both on a QPainter
// with the painter's font and pen.

#include <QRect>
#include <QString>

class QFontMetrics;
class QPainter;

enum : unsigned {
    DT_TOP = 0x0000,
    DT_LEFT = 0x0000,
    DT_CENTER = 0x0001,
    DT_RIGHT = 0x0002,
    DT_VCENTER = 0x0004, // only with DT_SINGLELINE
    DT_BOTTOM = 0x0008,  // only with DT_SINGLELINE
    DT_WORDBREAK = 0x0010,
    DT_SINGLELINE = 0x0020,
    DT_EXPANDTABS = 0x0040,
    DT_TABSTOP = 0x0080, // bits 8 to 15 are then the tab length in average character widths
    DT_NOCLIP = 0x0100,
    DT_EXTERNALLEADING = 0x0200,
    DT_CALCRECT = 0x0400,
    DT_NOPREFIX = 0x0800,
};

// Draws text into rect as the format says, or with DT_CALCRECT only measures it
// and sets rect's width and height to the text's extent (left and top kept).
// Lines end at CR LF, CR or LF (unless DT_SINGLELINE); DT_WORDBREAK wraps at
// blanks, a word wider than the rectangle stays whole on its own line. Without
// DT_NOPREFIX "&x" underlines x and "&&" is one ampersand. Tab stops are every
// 8 average character widths from the rectangle's left, or the DT_TABSTOP count;
// since that count takes bits 8 to 15, the flags of that byte (DT_NOCLIP,
// DT_CALCRECT, DT_NOPREFIX, ...) are not read then: such text is clipped and
// drawn without prefix processing.
// Returns the height of the text; with DT_VCENTER or DT_BOTTOM the distance from
// rect's top to the bottom of the text.
int DrawTextA(QPainter &painter, const QString &text, QRect &rect, unsigned format);

// The same measurement without a painter, for geometry code and tests.
QRect MeasureTextA(const QFontMetrics &metrics, const QString &text, const QRect &rect,
                   unsigned format);

// Draws one line of text with its cell's top-left corner at (x, y).
void TextOutA(QPainter &painter, int x, int y, const QString &text);
