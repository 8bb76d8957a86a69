#include "render/CellPainter.h"

#include "platform/Cp437.h"
#include "render/CellShapes.h"
#include "render/TextModeFace.h"

#include <QFontMetrics>
#include <QGlyphRun>
#include <QPainter>
#include <QTextLayout>

#include <algorithm>
#include <array>

namespace {

// Whether a character is one of the code page's 0xC0 to 0xDF, the frames and
// blocks whose eighth column the hardware repeated in the ninth.
bool RunsOn(char32_t ch)
{
    static const std::array<bool, 0x100> table = [] {
        std::array<bool, 0x100> t{};
        for (int b = 0xC0; b <= 0xDF; ++b)
            t[Cp437::ToUnicode(static_cast<unsigned char>(b)) - 0x2500] = true;
        return t;
    }();
    // An art file's own glyphs go by their byte.
    if (ch >= TTextModeFace::kOwnGlyphs + 0xC0 && ch <= TTextModeFace::kOwnGlyphs + 0xDF)
        return true;
    return ch >= 0x2500 && ch < 0x2600 && table[ch - 0x2500];
}

} // namespace

void TCellPainter::SetFont(const QFont &requested, const QPaintDevice *device)
{
    QFont font = requested;
    m_face = TTextModeFace::Find(requested.family());
    m_faceGlyphs.clear();
    if (m_face) {
        // The outline face stands in for characters the bitmap face lacks,
        // sized to its cells.
        m_scale = m_face->Scale(requested, device);
        font.setPixelSize(m_face->Height() * m_scale * 3 / 4);
    }
    const QFontMetrics metrics = device ? QFontMetrics(font, device) : QFontMetrics(font);
    m_cellWidth = std::max(1, metrics.horizontalAdvance(QLatin1Char('M')));
    m_cellHeight = std::max(1, metrics.height());
    m_ascent = metrics.ascent();
    // Lines as heavy as the letters: the font's stroke, or the bitmap's pixel.
    m_weight = m_face ? m_scale : CellShapes::LineWeight(font, device);
    if (m_face) {
        m_ascent += (m_face->Height() * m_scale - m_cellHeight) / 2;
        m_cellWidth = m_face->Width() * m_scale;
        m_cellHeight = m_face->Height() * m_scale;
    }
    m_glyphWidth = m_cellWidth;
    m_glyphHeight = m_cellHeight;
    UpdateCellWidth();
    SetStretch(m_stretch);
    m_batches.clear();

    m_font = font;
    m_device = device;
    m_rawFonts.clear();
    m_glyphs.clear();
}

// Which font has the character's glyph and its index there, found once by
// laying the character out (so that fallback faces are asked too).
const TCellPainter::TGlyph &TCellPainter::Glyph(char32_t ch)
{
    auto it = m_glyphs.find(ch);
    if (it != m_glyphs.end())
        return *it;
    TGlyph glyph;
    {
        const QString text = QString::fromUcs4(&ch, 1);
        QTextLayout layout(text, m_font, const_cast<QPaintDevice *>(m_device));
        layout.beginLayout();
        layout.createLine();
        layout.endLayout();
        const QList<QGlyphRun> runs = layout.glyphRuns();
        if (!runs.isEmpty() && !runs.front().glyphIndexes().isEmpty()) {
            const QRawFont raw = runs.front().rawFont();
            auto font = std::find(m_rawFonts.begin(), m_rawFonts.end(), raw);
            if (font == m_rawFonts.end())
                font = m_rawFonts.insert(m_rawFonts.end(), raw);
            glyph = {int(font - m_rawFonts.begin()), runs.front().glyphIndexes().front()};
        }
    }
    return *m_glyphs.insert(ch, glyph);
}

void TCellPainter::SetStretch(int percent)
{
    m_stretch = std::clamp(percent, 100, 200);
    m_cellHeight = std::max(1, (m_glyphHeight * m_stretch + 50) / 100);
}

void TCellPainter::SetNinthColumn(bool on)
{
    m_ninth = on;
    UpdateCellWidth();
}

void TCellPainter::UpdateCellWidth()
{
    // A pixel of the face, or an eighth of an outline face's cell.
    const int ninth = m_face ? m_scale : std::max(1, (m_glyphWidth + 4) / 8);
    m_cellWidth = m_glyphWidth + (m_ninth ? ninth : 0);
}

void TCellPainter::Draw(QPainter &painter, const QRect &cell, char32_t ch, const QColor &ink, const QColor &paper)
{
    painter.fillRect(cell, paper);
    Draw(painter, cell, ch, ink);
}

void TCellPainter::Draw(QPainter &painter, const QRect &cell, char32_t ch, const QColor &color)
{
    const int ninth = m_cellWidth - m_glyphWidth;
    if (ninth == 0 || cell.width() != m_cellWidth) {
        DrawGlyph(painter, cell, ch, color);
        return;
    }
    const QRect glyph(cell.topLeft(), QSize(m_glyphWidth, cell.height()));
    DrawGlyph(painter, glyph, ch, color);
    if (!RunsOn(ch))
        return;
    // The glyph once more a column to the right, seen only in the ninth column.
    painter.save();
    const QRect column(glyph.right() + 1, cell.top(), ninth, cell.height());
    painter.setClipRect(column, painter.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
    DrawGlyph(painter, glyph.translated(ninth, 0), ch, color);
    painter.restore();
}

void TCellPainter::DrawGlyph(QPainter &painter, const QRect &cell, char32_t ch, const QColor &color)
{
    if (m_face && ch != 0 && DrawFaceGlyph(painter, cell, ch, color))
        return;
    if (ch <= 0xFFFF && CellShapes::IsShape(char16_t(ch))) {
        CellShapes::Draw(painter, cell, char16_t(ch), color, m_weight, m_patternOrigin);
        return;
    }
    if (ch == 0 || ch == U' ' || ch == U'\t' || ch == U'\n' || ch == U'\r')
        return;
    const TGlyph &glyph = Glyph(ch);
    if (glyph.Font < 0)
        return;
    const QRgb rgb = color.rgba();
    auto batch = std::find_if(m_batches.begin(), m_batches.end(),
                              [&](const TBatch &b) { return b.Font == glyph.Font && b.Color == rgb; });
    if (batch == m_batches.end())
        batch = m_batches.insert(m_batches.end(), TBatch{glyph.Font, rgb, {}, {}});
    batch->Glyphs << glyph.Index;
    batch->Positions << QPointF(cell.left(), cell.top() + m_ascent + (m_cellHeight - m_glyphHeight) / 2);
}

// The face's own glyph, where it has one and, for a shape, where it joins.
bool TCellPainter::DrawFaceGlyph(QPainter &painter, const QRect &cell, char32_t ch, const QColor &color)
{
    if (ch <= u' ' || !m_face->Has(ch) || (CellShapes::IsShape(char16_t(ch)) && !m_face->Joins(ch)))
        return false;
    const quint64 key = quint64(ch) << 32 | color.rgba();
    auto it = m_faceGlyphs.constFind(key);
    if (it == m_faceGlyphs.cend())
        it = m_faceGlyphs.insert(key, m_face->Glyph(ch, color.rgba()));
    // Scaled by whole pixels without smoothing: each font pixel a square.
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(QRect(cell.topLeft(), QSize(it->width() * m_scale, m_stretch == 100 ? it->height() * m_scale : cell.height())), *it);
    painter.restore();
    return true;
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
