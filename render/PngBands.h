#pragma once
// A PNG image written band by band as it is drawn: the rows of a band are
// written and dropped, so that an image of any height costs the memory of a
// band. An image of at most 256 colours is written with a palette (a byte a
// pixel, and a smaller file), a larger number of colours in 24 bits a pixel.

#include <QString>

#include <memory>

class QIODevice;
class QImage;

class TPngBands
{
public:
    enum class TKind { Palette, Rgb };

    // out is open for writing and can seek back (the palette is written
    // last, over the room kept for it).
    TPngBands(QIODevice &out, int width, qint64 height, TKind kind);
    ~TPngBands();
    TPngBands(const TPngBands &) = delete;
    TPngBands &operator=(const TPngBands &) = delete;

    // The next rows of the image: the band's rows, as wide as the image (any
    // format; drawn without alpha). False when a write failed, or when a
    // palette image meets its 257th colour: then it must be written again
    // in 24 bits.
    bool Add(const QImage &band);
    // The image ends (all its rows given); false when a write failed.
    bool Finish();

    bool PaletteFull() const { return m_paletteFull; }
    QString Error() const { return m_error; }

    // Rows a side at most, the format's own limit.
    static constexpr qint64 kMaxSide = 0x7FFFFFFF;

    struct TState; // libpng's and ours, shared with its callbacks

private:
    std::unique_ptr<TState> m_state;
    bool m_paletteFull = false;
    QString m_error;
};
