#include "render/PngBands.h"

#include <QImage>
#include <QIODevice>

#include <png.h>
#include <zlib.h>

#include <array>
#include <csetjmp>
#include <cstring>
#include <vector>

// What libpng needs between calls. Its failures jump back to the setjmp of
// the call that met them: nothing with a destructor lives in those frames.
struct TPngBands::TState
{
    QIODevice *Out = nullptr;
    png_structp Png = nullptr;
    png_infop Info = nullptr;
    int Width = 0;
    qint64 Rows = 0; // rows still to come
    TKind Kind = TKind::Palette;
    bool WriteFailed = false;
    bool Started = false;
    // The palette: colours in the order met, found by a small hash.
    std::array<QRgb, 256> Colours{};
    int ColourCount = 0;
    std::array<int, 1024> Slots{}; // index + 1 into Colours, 0 free
    qint64 Written = 0;             // bytes written to Out
    qint64 PaletteAt = -1;          // where the palette's bytes are in Out
    size_t RowBytes = 0; // a row of the image as written
    char Message[200] = {};

    // The palette index of a colour, added where new; -1 once the palette is full.
    int Index(QRgb rgb)
    {
        rgb &= 0xFFFFFF;
        quint32 h = (rgb * 2654435761u) >> 22; // 10 bits
        for (;;) {
            const int slot = Slots[h];
            if (slot == 0)
                break;
            if (Colours[size_t(slot - 1)] == rgb)
                return slot - 1;
            h = (h + 1) & 1023;
        }
        if (ColourCount == 256)
            return -1;
        Colours[size_t(ColourCount)] = rgb;
        Slots[h] = ++ColourCount;
        return ColourCount - 1;
    }
};

namespace {

void WriteData(png_structp png, png_bytep data, png_size_t length)
{
    auto *state = static_cast<TPngBands::TState *>(png_get_io_ptr(png));
    // The chunk that holds the palette: its bytes follow its 8-byte header.
    if (length == 8 && std::memcmp(data + 4, "PLTE", 4) == 0)
        state->PaletteAt = state->Written + 8;
    if (state->Out->write(reinterpret_cast<const char *>(data), qint64(length)) != qint64(length))
        state->WriteFailed = true;
    state->Written += qint64(length);
}

void Flush(png_structp) {}

void Fail(png_structp png, png_const_charp message)
{
    auto *state = static_cast<TPngBands::TState *>(png_get_error_ptr(png));
    std::snprintf(state->Message, sizeof state->Message, "%s", message);
    png_longjmp(png, 1);
}

void Warn(png_structp, png_const_charp) {}

} // namespace

TPngBands::TPngBands(QIODevice &out, int width, qint64 height, TKind kind) : m_state(std::make_unique<TState>())
{
    TState &s = *m_state;
    s.Out = &out;
    s.Width = width;
    s.Rows = height;
    s.Kind = kind;
    s.RowBytes = size_t(width) * (kind == TKind::Palette ? 1 : 3);
    s.Png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &s, Fail, Warn);
    if (s.Png)
        s.Info = png_create_info_struct(s.Png);
    if (!s.Png || !s.Info) {
        m_error = QStringLiteral("not enough memory");
        return;
    }
    if (setjmp(png_jmpbuf(s.Png))) {
        m_error = QString::fromLocal8Bit(s.Message);
        return;
    }
    png_set_write_fn(s.Png, &s, WriteData, Flush);
    png_set_user_limits(s.Png, kMaxSide, kMaxSide);
    // Fast rather than small: the picture is drawn as fast as it is packed.
    // Cells make runs of one colour, which run-length matching packs well.
    png_set_compression_level(s.Png, 1);
    png_set_compression_strategy(s.Png, kind == TKind::Palette ? Z_RLE : Z_DEFAULT_STRATEGY);
    png_set_filter(s.Png, 0, kind == TKind::Palette ? PNG_FILTER_NONE : PNG_FILTER_SUB);
    png_set_IHDR(s.Png, s.Info, png_uint_32(width), png_uint_32(height), 8,
                 kind == TKind::Palette ? PNG_COLOR_TYPE_PALETTE : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (kind == TKind::Palette) {
        // Room for the whole palette, filled in once every colour is known.
        std::array<png_color, 256> room{};
        png_set_PLTE(s.Png, s.Info, room.data(), int(room.size()));
    }
    png_write_info(s.Png, s.Info);
    s.Started = !s.WriteFailed;
    if (s.WriteFailed)
        m_error = out.errorString();
}

TPngBands::~TPngBands()
{
    if (m_state->Png)
        png_destroy_write_struct(&m_state->Png, m_state->Info ? &m_state->Info : nullptr);
}

namespace {

// Writes rows; libpng's failure lands here, where nothing changes after the
// jump's mark.
bool WriteRows(TPngBands::TState &s, png_bytepp rows, png_uint_32 count)
{
    if (setjmp(png_jmpbuf(s.Png)))
        return false;
    png_write_rows(s.Png, rows, count);
    return true;
}

} // namespace

bool TPngBands::Add(const QImage &given)
{
    TState &s = *m_state;
    if (!s.Started || m_paletteFull)
        return false;
    const QImage band = given.format() == QImage::Format_RGB32 ? given : given.convertToFormat(QImage::Format_RGB32);
    const int rows = int(std::min<qint64>(band.height(), s.Rows));
    const int width = std::min(band.width(), s.Width);
    const size_t rowBytes = s.RowBytes;
    std::vector<png_byte> pixels(rowBytes * size_t(rows));
    std::vector<png_bytep> starts(static_cast<size_t>(rows));
    for (int y = 0; y < rows; ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(band.constScanLine(y));
        png_byte *out = pixels.data() + rowBytes * size_t(y);
        starts[size_t(y)] = out;
        if (s.Kind == TKind::Palette) {
            QRgb last = ~0u;
            int index = 0;
            for (int x = 0; x < width; ++x) {
                if (line[x] != last) {
                    last = line[x];
                    index = s.Index(last);
                    if (index < 0) {
                        m_paletteFull = true;
                        return false;
                    }
                }
                out[x] = png_byte(index);
            }
        } else {
            for (int x = 0; x < width; ++x) {
                *out++ = png_byte(qRed(line[x]));
                *out++ = png_byte(qGreen(line[x]));
                *out++ = png_byte(qBlue(line[x]));
            }
        }
    }
    if (!WriteRows(s, starts.data(), png_uint_32(rows)) || s.WriteFailed) {
        m_error = s.WriteFailed ? s.Out->errorString() : QString::fromLocal8Bit(s.Message);
        s.Started = false;
        return false;
    }
    s.Rows -= rows;
    return true;
}

bool TPngBands::Finish()
{
    TState &s = *m_state;
    if (!s.Started || m_paletteFull || s.Rows != 0)
        return false;
    if (setjmp(png_jmpbuf(s.Png))) {
        m_error = QString::fromLocal8Bit(s.Message);
        return false;
    }
    png_write_end(s.Png, s.Info);
    if (s.WriteFailed) {
        m_error = s.Out->errorString();
        return false;
    }
    if (s.Kind == TKind::Palette) {
        // The colours met, and the chunk's check sum again.
        QByteArray palette("PLTE", 4);
        palette.resize(4 + 768);
        for (int k = 0; k < s.ColourCount; ++k) {
            palette[4 + 3 * k] = char(qRed(s.Colours[size_t(k)]));
            palette[5 + 3 * k] = char(qGreen(s.Colours[size_t(k)]));
            palette[6 + 3 * k] = char(qBlue(s.Colours[size_t(k)]));
        }
        const uLong crc = crc32(0, reinterpret_cast<const Bytef *>(palette.constData()), uInt(palette.size()));
        for (int k = 0; k < 4; ++k)
            palette.append(char(crc >> (24 - 8 * k)));
        const qint64 end = s.Out->pos();
        if (s.PaletteAt < 0 || !s.Out->seek(s.PaletteAt - 4) || s.Out->write(palette) != palette.size() || !s.Out->seek(end)) {
            m_error = s.Out->errorString();
            return false;
        }
    }
    return true;
}
