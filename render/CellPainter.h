#pragma once
// Draws one character cell: box-drawing, block and shade characters as cell
// shapes, the others from a cache of glyphs looked up once per font and
// character (the face itself or a fallback that has the character). A
// text-mode face draws its own bitmap glyphs, scaled by whole pixels. Blanks
// and line breaks draw nothing; a wide character is given two cells. Colour
// art gives each cell a paper and an ink, and may ask for a ninth column.

#include <QColor>
#include <QFont>
#include <QHash>
#include <QImage>
#include <QList>
#include <QPoint>
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
    // Letters nine pixels apart where the face is eight wide: each cell
    // gains a column (a pixel of the face) that stays blank, but for the
    // characters 0xC0 to 0xDF of the code page, which repeat their eighth
    // column in it so that lines and blocks run on, as the display hardware did.
    void SetNinthColumn(bool on);
    bool NinthColumn() const { return m_ninth; }
    // Rows stretched to percent of their height (100 for none), as a CRT
    // stretched text mode's: glyphs and shapes fill the taller cell.
    void SetStretch(int percent);
    int Stretch() const { return m_stretch; }
    // Where the shades' dots are laid from: a picture drawn in bands lays
    // them from the whole picture's origin.
    void SetPatternOrigin(QPoint origin) { m_patternOrigin = origin; }

    // Draws the character in its cell. Glyphs are gathered and drawn by Flush
    // in a few runs, after the cells' backgrounds.
    void Draw(QPainter &painter, const QRect &cell, char32_t ch, const QColor &color);
    // The same on the cell's own paper.
    void Draw(QPainter &painter, const QRect &cell, char32_t ch, const QColor &ink, const QColor &paper);
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

    struct TShapes // on a page: the shapes of one colour, drawn at once
    {
        QRgb Color;
        char16_t Shade; // 0 for lines and blocks
        QList<QRect> Rects;
    };

    void DrawGlyph(QPainter &painter, const QRect &cell, char32_t ch, const QColor &color);
    // A page (a PDF, a printer) takes the cells' shapes as few regions and a
    // text-mode face as a font of its pixels: false where the cell is not one.
    bool DrawOnPage(const QRect &cell, char32_t ch, const QColor &color, bool wholeCell);
    void UseFaceFont();
    void Batch(int font, quint32 index, QRgb color, QPointF position);
    bool DrawFaceGlyph(QPainter &painter, const QRect &cell, char32_t ch, const QColor &color);
    void UpdateCellWidth();

    int m_glyphWidth = 8; // the cell without its ninth column
    int m_cellWidth = 8;
    bool m_ninth = false;
    QPoint m_patternOrigin;
    int m_cellHeight = 16;
    int m_glyphHeight = 16; // the cell before stretching
    int m_stretch = 100;
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
    bool m_page = false;       // drawn on a page: a vector device
    int m_faceFont = -1;       // on a page: the face's pixels as a font, index into m_rawFonts
    QHash<char32_t, quint32> m_faceFontGlyphs;
    std::vector<TShapes> m_shapes;
};
