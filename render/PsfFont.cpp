#include "render/PsfFont.h"

#include <QFile>

#include <algorithm>

#include <zlib.h>

namespace {

// Console fonts are a few kilobytes; more is not a font.
constexpr qsizetype kMaxFontBytes = 4 << 20;

quint32 Le32(const QByteArray &d, qsizetype at)
{
    const auto *p = reinterpret_cast<const unsigned char *>(d.constData() + at);
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}

// The whole file, inflated when it is gzip-compressed (gzread passes plain
// files through as they are).
QByteArray ReadMaybeGzipped(const QString &fileName)
{
    gzFile file = gzopen(QFile::encodeName(fileName).constData(), "rb");
    if (!file)
        return {};
    QByteArray data;
    char buffer[16384];
    int n = 0;
    while ((n = gzread(file, buffer, sizeof buffer)) > 0 && data.size() <= kMaxFontBytes)
        data.append(buffer, n);
    gzclose(file);
    return n < 0 || data.size() > kMaxFontBytes ? QByteArray() : data;
}

} // namespace

bool TPsfFont::Load(const QString &fileName)
{
    return LoadData(ReadMaybeGzipped(fileName));
}

bool TPsfFont::LoadData(const QByteArray &data)
{
    *this = TPsfFont();
    qsizetype header = 0, glyphBytes = 0;
    bool utf8 = false;
    if (data.size() >= 4 && uchar(data[0]) == 0x36 && uchar(data[1]) == 0x04) {
        const int mode = uchar(data[2]);
        if (!(mode & 0x06)) // no Unicode table
            return false;
        header = 4;
        m_width = 8;
        m_height = uchar(data[3]);
        m_count = (mode & 0x01) ? 512 : 256;
        glyphBytes = m_height;
    } else if (data.size() >= 32 && Le32(data, 0) == 0x864AB572u) {
        if (!(Le32(data, 12) & 1)) // no Unicode table
            return false;
        header = Le32(data, 8);
        m_count = int(std::min<quint32>(Le32(data, 16), 65536));
        glyphBytes = Le32(data, 20);
        m_height = int(std::min<quint32>(Le32(data, 24), 256));
        m_width = int(std::min<quint32>(Le32(data, 28), 256));
        utf8 = true;
    } else {
        return false;
    }
    m_rowBytes = (m_width + 7) / 8;
    if (m_width <= 0 || m_height <= 0 || glyphBytes != qsizetype(m_rowBytes) * m_height
        || header + glyphBytes * m_count > data.size()) {
        *this = TPsfFont();
        return false;
    }
    const auto *begin = reinterpret_cast<const unsigned char *>(data.constData() + header);
    m_glyphs.assign(begin, begin + glyphBytes * m_count);
    if (!ReadUnicodeTable(data, header + glyphBytes * m_count, utf8)) {
        *this = TPsfFont();
        return false;
    }
    return true;
}

// Each glyph's entry lists the single code points it shows, then, after a
// start mark, sequences (a letter with its accents), which are not used here.
bool TPsfFont::ReadUnicodeTable(const QByteArray &data, qsizetype at, bool utf8)
{
    int glyph = 0;
    bool inSequences = false;
    while (glyph < m_count && at < data.size()) {
        char32_t ch = 0;
        if (utf8) {
            const uchar lead = uchar(data[at]);
            if (lead == 0xFF || lead == 0xFE) {
                ++at;
                inSequences = lead == 0xFE;
                if (lead == 0xFF)
                    ++glyph;
                continue;
            }
            const int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
            if (at + extra >= data.size())
                return false;
            ch = extra == 0 ? lead : lead & (0x3F >> extra);
            for (int i = 1; i <= extra; ++i)
                ch = ch << 6 | (uchar(data[at + i]) & 0x3F);
            at += extra + 1;
        } else {
            if (at + 1 >= data.size())
                return false;
            ch = uchar(data[at]) | uchar(data[at + 1]) << 8;
            at += 2;
            if (ch == 0xFFFF || ch == 0xFFFE) {
                inSequences = ch == 0xFFFE;
                if (ch == 0xFFFF)
                    ++glyph;
                continue;
            }
        }
        if (!inSequences && !m_index.contains(ch))
            m_index.insert(ch, glyph);
    }
    return !m_index.isEmpty();
}

bool TPsfFont::Pixel(char32_t ch, int x, int y) const
{
    const auto it = m_index.constFind(ch);
    if (it == m_index.cend() || x < 0 || y < 0 || x >= m_width || y >= m_height)
        return false;
    const unsigned char row = m_glyphs[size_t(*it) * m_rowBytes * m_height + size_t(y) * m_rowBytes + size_t(x / 8)];
    return row & (0x80 >> (x % 8));
}

QImage TPsfFont::Glyph(char32_t ch, QRgb color) const
{
    if (!Has(ch))
        return {};
    QImage image(m_width, m_height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    const QRgb ink = qPremultiply(color);
    for (int y = 0; y < m_height; ++y)
        for (int x = 0; x < m_width; ++x)
            if (Pixel(ch, x, y))
                image.setPixel(x, y, ink);
    return image;
}
