#pragma once
// The PC's text-mode bitmap faces, read from the console fonts the system
// ships, offered under family names of their own. A face is drawn at whole
// multiples of its pixel size, without smoothing.

#include "render/PsfFont.h"

#include <QFont>
#include <QHash>
#include <QMutex>
#include <QStringList>

#include <vector>

class QPaintDevice;

class TTextModeFace
{
public:
    // The family names whose font files are present, largest face first.
    static QStringList Families();
    // The face of a family name, loaded once; null for any other name and
    // where the files are missing.
    static const TTextModeFace *Find(const QString &family);
    // The family a font is drawn in: a text-mode face, or the outline face
    // that the font resolves to.
    static QString DrawnFamily(const QFont &font);
    // A face of an art file's own glyphs (count of them, 8 pixels wide and
    // height high, a byte a row), offered under a family name of its own,
    // which it returns; the same glyphs give the same name. Glyph n is the
    // character kOwnGlyphs + n, so that the text keeps its own characters.
    static QString AddOwnFace(int height, int count, const QByteArray &bits);
    static constexpr char32_t kOwnGlyphs = 0xF000;
    bool IsOwn() const { return m_ownCount > 0; }

    QString Family() const { return m_family; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    // The multiple of the pixel size that matches the font's size on the
    // device (the screen when null): 1 to 4 on the screen.
    int Scale(const QFont &font, const QPaintDevice *device) const;

    bool Has(char32_t ch) const;
    QImage Glyph(char32_t ch, QRgb color) const;
    // Whether the face's own glyph of a box, block or shade character joins
    // its neighbours as the exact cell shape would; where not, the exact
    // shape is drawn instead.
    bool Joins(char32_t ch) const;

private:
    bool Load(const QString &family, int height);
    bool OwnInk(char32_t ch, int x, int y) const;
    const TPsfFont *FontOf(char32_t ch) const;
    bool Ink(char32_t ch, int x, int y) const;
    bool TestJoins(char32_t ch) const;

    QString m_family;
    int m_width = 8;
    int m_height = 16;
    QByteArray m_ownBits; // an art file's glyphs, where the face is its own
    int m_ownCount = 0;
    std::vector<TPsfFont> m_fonts; // looked up in order: the first that has a character draws it (see FontOf)
    // What is learnt of characters, kept for the run; faces are drawn from
    // several threads (the gallery's thumbnails).
    mutable QMutex m_learnt;
    mutable QHash<char32_t, bool> m_joins;
    mutable QHash<char32_t, int> m_fontOf; // the index of the font that draws a character, -1 for none
};
