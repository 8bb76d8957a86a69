#pragma once
// A console bitmap font in the PSF format (version 1 or 2, optionally
// gzip-compressed), its glyphs looked up by Unicode code point through the
// font's own Unicode table.

#include <QHash>
#include <QImage>
#include <QString>

#include <vector>

class TPsfFont
{
public:
    // Reads the file; false (and an empty font) when it cannot be read or is
    // not a PSF font with a Unicode table.
    bool Load(const QString &fileName);
    // The same from the file's bytes, uncompressed.
    bool LoadData(const QByteArray &data);

    bool IsNull() const { return m_glyphs.empty(); }
    int Width() const { return m_width; }
    int Height() const { return m_height; }

    bool Has(char32_t ch) const { return m_index.contains(ch); }
    // Whether pixel (x, y) of the character's glyph is inked; false for a
    // character the font lacks.
    bool Pixel(char32_t ch, int x, int y) const;
    // The glyph in color on transparent, one image pixel per font pixel; null
    // for a character the font lacks.
    QImage Glyph(char32_t ch, QRgb color) const;

private:
    bool ReadUnicodeTable(const QByteArray &data, qsizetype at, bool utf8);

    int m_width = 0;
    int m_height = 0;
    int m_rowBytes = 0;
    std::vector<unsigned char> m_glyphs; // rows of bits, high bit leftmost
    int m_count = 0;
    QHash<char32_t, int> m_index;
};
