#pragma once
// Draws one character cell: box-drawing, block and shade characters as cell
// shapes, the others from a cache of glyphs looked up once per font and
// character (the face itself or a fallback that has the character). A
// text-mode face draws its own bitmap glyphs, scaled by whole pixels. Blanks
// and line breaks draw nothing; a wide character is given two cells.

#include <QColor>
#include <QFont>
#include <QHash>
#include <QImage>
#include <QList>
#include <QPointF>
#include <QRawFont>
#include <QRect>

#include <vector>

class QPainter;
class QPaintDevice;
class TTextModeFace;

class TCellPainter
{
public:
    // The font as it is on device (the screen when null): cell size, glyphs.
    void SetFont(const QFont &font, const QPaintDevice *device = nullptr);
    int CellWidth() const { return m_cellWidth; }
    int CellHeight() const { return m_cellHeight; }

    // Draws the character in its cell. Glyphs are gathered and drawn by Flush
    // in a few runs, after the cells' backgrounds.
    void Draw(QPainter &painter, const QRect &cell, char32_t ch, const QColor &color);
    void Flush(QPainter &painter);

private:
    struct TGlyph
    {
        int Font = -1; // index into m_rawFonts, -1 for none
        quint32 Index = 0;
    };
    const TGlyph &Glyph(char32_t ch);
    struct TBatch
    {
        int Font;
        QRgb Color;
        QList<quint32> Glyphs;
        QList<QPointF> Positions;
    };

    bool DrawFaceGlyph(QPainter &painter, const QRect &cell, char32_t ch, const QColor &color);

    int m_cellWidth = 8;
    int m_cellHeight = 16;
    int m_ascent = 12;
    QFont m_font;
    const QPaintDevice *m_device = nullptr;
    int m_weight = 0; // of lines and shade dots, CellShapes::Draw's
    const TTextModeFace *m_face = nullptr; // a text-mode face, or null for an outline face
    int m_scale = 1;
    QHash<quint64, QImage> m_faceGlyphs; // by code point and colour
    std::vector<QRawFont> m_rawFonts;
    QHash<char32_t, TGlyph> m_glyphs;
    std::vector<TBatch> m_batches;
};
