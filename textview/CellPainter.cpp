#include "textview/CellPainter.h"

#include "platform/Cp437.h"
#include "textview/CellShapes.h"

#include <QFontMetrics>
#include <QGlyphRun>
#include <QPainter>
#include <QTextLayout>

#include <algorithm>

void TCellPainter::SetFont(const QFont &font, const QPaintDevice *device)
{
    const QFontMetrics metrics = device ? QFontMetrics(font, device) : QFontMetrics(font);
    m_cellWidth = std::max(1, metrics.horizontalAdvance(QLatin1Char('M')));
    m_cellHeight = std::max(1, metrics.height());
    m_ascent = metrics.ascent();
    m_batches.clear();

    // One layout per byte value: which font has the glyph and its index there.
    m_rawFonts.clear();
    m_glyphs.fill(TGlyph{});
    for (int b = 0; b < 256; ++b) {
        const char16_t ch = Cp437::ToUnicode(static_cast<unsigned char>(b));
        if (b == 0 || b == ' ' || b == '\t' || b == '\n' || b == '\r' || CellShapes::IsShape(ch))
            continue;
        QTextLayout layout(QString(QChar(ch)), font, const_cast<QPaintDevice *>(device));
        layout.beginLayout();
        layout.createLine();
        layout.endLayout();
        const QList<QGlyphRun> runs = layout.glyphRuns();
        if (runs.isEmpty() || runs.front().glyphIndexes().isEmpty())
            continue;
        const QRawFont raw = runs.front().rawFont();
        auto it = std::find(m_rawFonts.begin(), m_rawFonts.end(), raw);
        if (it == m_rawFonts.end())
            it = m_rawFonts.insert(m_rawFonts.end(), raw);
        m_glyphs[size_t(b)] = {int(it - m_rawFonts.begin()), runs.front().glyphIndexes().front()};
    }
}

void TCellPainter::Draw(QPainter &painter, const QRect &cell, unsigned char byte, const QColor &color)
{
    const char16_t ch = Cp437::ToUnicode(byte);
    if (CellShapes::IsShape(ch)) {
        CellShapes::Draw(painter, cell, ch, color);
        return;
    }
    const TGlyph &glyph = m_glyphs[byte];
    if (glyph.Font < 0)
        return;
    const QRgb rgb = color.rgba();
    auto batch = std::find_if(m_batches.begin(), m_batches.end(),
                              [&](const TBatch &b) { return b.Font == glyph.Font && b.Color == rgb; });
    if (batch == m_batches.end())
        batch = m_batches.insert(m_batches.end(), TBatch{glyph.Font, rgb, {}, {}});
    batch->Glyphs << glyph.Index;
    batch->Positions << QPointF(cell.left(), cell.top() + m_ascent);
}

void TCellPainter::Flush(QPainter &painter)
{
    painter.save();
    for (const TBatch &batch : m_batches) {
        QGlyphRun run;
        run.setRawFont(m_rawFonts[size_t(batch.Font)]);
        run.setGlyphIndexes(batch.Glyphs);
        run.setPositions(batch.Positions);
        painter.setPen(QColor::fromRgba(batch.Color));
        painter.drawGlyphRun(QPointF(0, 0), run);
    }
    painter.restore();
    m_batches.clear();
}
