#pragma once
// What a reader of an art format makes of a file's bytes: the screen of
// cells, the file's own font where it brings one (its palette is set on the
// screen), and what was wrong with the file, for the status bar.

#include "formats/AnsiScreen.h"

#include <QByteArray>
#include <QString>

#include <algorithm>

struct TArtFont
{
    int Height = 0;  // pixel rows of a glyph, 1 to 32; 0 where the file has no font
    int Count = 0;   // 256 or 512 glyphs, each 8 pixels wide
    QByteArray Bits; // Count * Height bytes, top row first, the high bit leftmost

    bool IsNull() const { return Height == 0; }
};

struct TArtPicture
{
    TAnsiScreen Screen;
    TArtFont Font;
    QString Problem;
};

namespace ArtPicture {

// A little-endian 16-bit number and a big-endian 32-bit one at a byte offset.
inline int Le16(QByteArrayView bytes, qsizetype at)
{
    return quint8(bytes[at]) | quint8(bytes[at + 1]) << 8;
}
inline quint32 Be32(QByteArrayView bytes, qsizetype at)
{
    return quint32(quint8(bytes[at])) << 24 | quint32(quint8(bytes[at + 1])) << 16 | quint32(quint8(bytes[at + 2])) << 8
           | quint8(bytes[at + 3]);
}

// A VGA palette value of 0 to 63 (more is taken as 63) as 0 to 255.
inline quint32 VgaLevel(quint8 value)
{
    value = std::min<quint8>(value, 63);
    return quint32(value << 2 | value >> 4);
}

// 16 colours of three such values each, by the attribute's colour numbers;
// map gives each colour's entry among the palette's entries.
inline void SetPalette(TAnsiScreen &screen, QByteArrayView palette, const int *map = nullptr)
{
    for (int k = 0; k < 16; ++k) {
        const qsizetype at = 3 * (map ? map[k] : k);
        screen.SetAttributeColor(k, VgaLevel(quint8(palette[at])) << 16 | VgaLevel(quint8(palette[at + 1])) << 8
                                        | VgaLevel(quint8(palette[at + 2])));
    }
}

} // namespace ArtPicture
