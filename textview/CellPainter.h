#pragma once
// Draws one character cell of the code page: box-drawing, block and shade
// characters as cell shapes, the others from a cache of glyphs looked up once
// per font (the face itself or a fallback that has the character). A
// text-mode face draws its own bitmap glyphs, scaled by whole pixels. Byte 0,
// blanks and line breaks draw nothing.

#include <QColor>
#include <QFont>
#include <QHash>
#include <QImage>
#include <QList>
#include <QPointF>
#include <QRawFont>
#include <QRect>

#include <array>
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

    // Draws the byte in its cell. Glyphs are gathered and drawn by Flush in a
    // few runs, after the cells' backgrounds.
    void Draw(QPainter &painter, const QRect &cell, unsigned char byte, const QColor &color);
    void Flush(QPainter &painter);

private:
    struct TGlyph
    {
        int Font = -1; // index into m_rawFonts, -1 for none
        quint32 Index = 0;
    };
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
    int m_weight = 0; // of lines and shade dots, CellShapes::Draw's
    const TTextModeFace *m_face = nullptr; // a text-mode face, or null for an outline face
    int m_scale = 1;
    QHash<quint64, QImage> m_faceGlyphs; // by code point and colour
    std::vector<QRawFont> m_rawFonts;
    std::array<TGlyph, 256> m_glyphs{};
    std::vector<TBatch> m_batches;
};
