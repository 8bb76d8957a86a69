#pragma once
// A bitmap face as a TrueType font whose glyphs are the face's square pixels,
// for a web page to embed: at a font size of the face's height in CSS pixels,
// a cell is exactly its pixels, so that blocks and frames join in any
// browser on any system, whatever fonts it has.

#include <QByteArray>
#include <QList>
#include <QString>

#include <vector>

class TTextModeFace;

namespace WebFont {

// A character's glyph: Rows of Width bits each, the leftmost pixel the
// lowest bit, the top row first.
struct TGlyph
{
    char32_t Code = 0;
    std::vector<quint64> Rows;
};

// The font file: cells width by height pixels (width up to 64, height up to
// 64), each glyph's inked pixels as outlines of 64 units a pixel, the line
// exactly the cell's height (ascent and descent fill it). Characters given
// twice take their first glyph.
QByteArray Make(const QString &family, int width, int height, const QList<TGlyph> &glyphs);

// The glyphs of characters as the cell painter draws them in a text-mode
// face at 1x (its own bitmaps, or the exact shapes of frames and blocks),
// nine pixels wide where ninthColumn asks it.
QList<TGlyph> GlyphsOf(const TTextModeFace &face, const QList<char32_t> &characters, bool ninthColumn);

// The characters a page of code page 437 or Windows-1252 text can hold.
QList<char32_t> PageCharacters();

} // namespace WebFont
