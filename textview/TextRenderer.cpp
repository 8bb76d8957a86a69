#include "textview/TextRenderer.h"

#include "render/CellPainter.h"
#include "document/TextBuffer.h"
#include "textview/TextLayout.h"

#include <QPainter>

namespace TextRenderer {
namespace {

// Calls visit(position, character, column, cells) for the characters of
// [start, end) from the one that reaches past firstColumn while the column is
// at most lastColumn; returns the column after the last one visited. Only
// the bytes that can show are copied: a line may be many megabytes long.
template <typename Visit>
qsizetype ForEachCell(const TTextBuffer &doc, qsizetype start, qsizetype end, qsizetype firstColumn,
                      qsizetype lastColumn, Visit visit)
{
    qsizetype column = 0;
    const qsizetype p = TTextLayout::SkipToColumn(doc, start, end, firstColumn, &column);
    // A character takes at least one cell and at most four bytes.
    const qsizetype stop = (end - p) / 4 - 2 > lastColumn - column ? p + (lastColumn - column + 2) * 4 : end;
    const QByteArray bytes = doc.Slice(p, stop);
    const auto *data = reinterpret_cast<const unsigned char *>(bytes.constData());
    for (qsizetype i = 0, size = 1; i < bytes.size() && column <= lastColumn; i += size) {
        char32_t ch = 0;
        size = Charset::Decode(doc.Charset(), data + i, bytes.size() - i, &ch);
        const qsizetype width = TTextLayout::Advance(ch, column);
        visit(p + i, ch, column, width);
        column += width;
    }
    return column;
}

} // namespace

qsizetype DrawRow(QPainter &painter, TCellPainter &cells, const TTextBuffer &doc, qsizetype start, qsizetype end,
            QPoint origin, const TRowStyle &style, qsizetype firstColumn, qsizetype lastColumn)
{
    const int cellWidth = cells.CellWidth(), cellHeight = cells.CellHeight();
    auto link = style.Links.begin();
    return ForEachCell(doc, start, end, firstColumn, lastColumn, [&](qsizetype pos, char32_t ch, qsizetype column, qsizetype width) {
        const QRect cell(origin.x() + int(column - firstColumn) * cellWidth, origin.y(), int(width) * cellWidth, cellHeight);
        const bool selected = pos >= style.SelStart && pos < style.SelEnd;
        while (link != style.Links.end() && link->second <= pos)
            ++link;
        const bool linked = link != style.Links.end() && link->first <= pos;
        TCellLook look;
        if (style.Looks && style.Looks->LookAt(pos, &look)) {
            if (look.Glyph)
                ch = look.Glyph;
            if (!selected) {
                const QColor ink(look.Blink && style.BlinkHidden ? look.Paper : look.Ink);
                cells.Draw(painter, cell, ch, ink, QColor(look.Paper));
                if (linked) // in the art's own ink
                    painter.fillRect(QRect(cell.left(), cell.top() + style.UnderlineY, cell.width(), style.UnderlineHeight), ink);
                return;
            }
        }
        if (selected)
            painter.fillRect(cell, style.SelectedBack);
        const QColor &color = selected ? style.SelectedText : linked ? style.Link : style.Text;
        cells.Draw(painter, cell, ch, color);
        if (linked) // inside the cell: the art does not move
            painter.fillRect(QRect(cell.left(), cell.top() + style.UnderlineY, cell.width(), style.UnderlineHeight), color);
    });
}

void DrawLines(QPainter &painter, TCellPainter &cells, const TTextBuffer &doc, qsizetype first, qsizetype last,
               QPoint origin, const QColor &text, const QColor &background, const TCellLooks *looks, qsizetype columns)
{
    const qsizetype rows = std::max<qsizetype>(0, last - first);
    columns = std::max(columns, Columns(doc, first, last));
    painter.fillRect(QRect(origin, QSize(int(columns) * cells.CellWidth(), int(rows) * cells.CellHeight())), background);
    TRowStyle style;
    style.Text = text;
    style.Looks = looks;
    for (qsizetype row = 0; row < rows; ++row) {
        const qsizetype line = first + row;
        DrawRow(painter, cells, doc, doc.LineStart(line), doc.LineEnd(line),
                origin + QPoint(0, int(row) * cells.CellHeight()), style);
    }
    cells.Flush(painter);
}

qsizetype Columns(const TTextBuffer &doc, qsizetype first, qsizetype last)
{
    qsizetype widest = 0;
    for (qsizetype line = std::max<qsizetype>(0, first); line < std::min<qsizetype>(last, doc.LineCount()); ++line) {
        // A tab takes at most a tab stop of cells: a short line cannot be the widest.
        if (qint64(doc.LineEnd(line) - doc.LineStart(line)) * TTextLayout::kTabWidth <= widest)
            continue;
        widest = std::max(widest, ForEachCell(doc, doc.LineStart(line), doc.LineEnd(line), 0, std::numeric_limits<qsizetype>::max(),
                                              [](qsizetype, char32_t, qsizetype, qsizetype) {}));
    }
    return widest;
}

} // namespace TextRenderer
