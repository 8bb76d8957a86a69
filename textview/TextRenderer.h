#pragma once
// Draws document text as the screen shows it: a row of cells per line, tabs
// expanded, each character decoded in the document's set and drawn by a
// cell painter. The view, printing and the exported pictures all draw
// through it, so that they cannot differ.

#include <QColor>
#include <QList>
#include <QPair>
#include <QPoint>

#include <limits>

class QPainter;
class TCellPainter;
class TTextBuffer;

namespace TextRenderer {

// A character's own look in a text that has one (colour art): its ink and
// paper, and the glyph drawn in place of the text's character where the
// text cannot hold the one drawn (a line break drawn as a character).
struct TCellLook
{
    QRgb Ink = 0;
    QRgb Paper = 0;
    char32_t Glyph = 0; // 0: the text's own character
    bool Blink = false; // the ink comes and goes
};

class TCellLooks
{
public:
    virtual ~TCellLooks() = default;
    // The look of the character at pos; false where it has none of its own.
    virtual bool LookAt(qsizetype pos, TCellLook *look) const = 0;
};

struct TRowStyle
{
    QColor Text;
    QColor SelectedText;
    QColor SelectedBack;
    qsizetype SelStart = 0; // the selected positions [SelStart, SelEnd)
    qsizetype SelEnd = 0;
    // Links: positions [first, second), sorted, drawn in the link colour and
    // underlined inside their cells.
    QList<QPair<qsizetype, qsizetype>> Links;
    QColor Link;
    qsizetype UnderlineY = 0; // from the top of the cell
    qsizetype UnderlineHeight = 1;
    // The characters' own looks, which win over the text and link colours;
    // the selection still shows.
    const TCellLooks *Looks = nullptr;
    bool BlinkHidden = false; // blinking ink drawn as its paper
};

// Draws the characters [start, end) of doc as one row whose column firstColumn
// is at origin. Characters that end at or before firstColumn are skipped, and
// drawing stops after lastColumn. Returns the column after the last
// character looked at. Glyphs wait for the cell painter's Flush.
qsizetype DrawRow(QPainter &painter, TCellPainter &cells, const TTextBuffer &doc, qsizetype start, qsizetype end,
            QPoint origin, const TRowStyle &style, qsizetype firstColumn = 0, qsizetype lastColumn = std::numeric_limits<qsizetype>::max());

// The document lines [first, last), one row each from origin down, on the
// background at least columns wide, no wrapping; flushed.
void DrawLines(QPainter &painter, TCellPainter &cells, const TTextBuffer &doc, qsizetype first, qsizetype last,
               QPoint origin, const QColor &text, const QColor &background, const TCellLooks *looks = nullptr,
               qsizetype columns = 0);

// The cells the widest of the lines [first, last) takes.
qsizetype Columns(const TTextBuffer &doc, qsizetype first, qsizetype last);

} // namespace TextRenderer
