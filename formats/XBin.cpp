#include "formats/XBin.h"

#include <QStringList>

namespace XBin {
namespace {

constexpr qsizetype kHeader = 11;
enum : quint8 { kPalette = 1, kFont = 2, kCompressed = 4, kNonBlink = 8, k512 = 16 };

// Cells in the order of the image, each row begun where the header's width says.
class TCells
{
public:
    TCells(TAnsiScreen &screen, qint64 width, qint64 total) : m_screen(screen), m_width(width), m_total(total) {}
    bool Full() const { return m_at >= m_total || m_screen.Ended(); }
    void Put(quint8 ch, quint8 attribute)
    {
        const qint64 column = m_at % m_width;
        if (column == 0)
            m_screen.SetCursor(m_at / m_width, 0);
        // Columns past the widest screen are dropped.
        if (column < m_screen.Width())
            m_screen.PutPair(ch, attribute);
        ++m_at;
    }
    qint64 Rows() const { return (m_at + m_width - 1) / m_width; }

private:
    TAnsiScreen &m_screen;
    qint64 m_width, m_total, m_at = 0;
};

} // namespace

bool HasHeader(QByteArrayView head)
{
    return head.startsWith("XBIN\x1A");
}

TArtPicture Read(QByteArrayView bytes)
{
    TArtPicture picture;
    if (!HasHeader(bytes) || bytes.size() < kHeader) {
        picture.Problem = QStringLiteral("The XBin header is cut short");
        return picture;
    }
    const int width = ArtPicture::Le16(bytes, 5), height = ArtPicture::Le16(bytes, 7);
    const int fontHeight = quint8(bytes[9]);
    const quint8 flags = quint8(bytes[10]);
    TAnsiScreen &screen = picture.Screen = TAnsiScreen(std::max(1, width), flags & kNonBlink, TAnsiScreen::TInput::inBinary);
    QStringList problems;
    if (width > TAnsiScreen::kMaxWidth)
        problems << QStringLiteral("XBin %1 columns wide: cut at %2").arg(width).arg(TAnsiScreen::kMaxWidth);
    qsizetype at = kHeader;
    if (flags & kPalette) {
        if (bytes.size() < at + 48) {
            picture.Problem = QStringLiteral("The XBin palette is cut short");
            return picture;
        }
        ArtPicture::SetPalette(screen, bytes.sliced(at, 48));
        at += 48;
    }
    if (flags & kFont) {
        const int count = flags & k512 ? 512 : 256;
        const qsizetype size = qsizetype(count) * fontHeight;
        if (bytes.size() < at + size) {
            picture.Problem = QStringLiteral("The XBin font is cut short");
            return picture;
        }
        if (fontHeight >= 1 && fontHeight <= 32) {
            picture.Font = {fontHeight, count, bytes.sliced(at, size).toByteArray()};
            screen.SetFontHalves(count == 512);
        } else {
            problems << QStringLiteral("XBin font %1 pixels high: the VGA face stands in").arg(fontHeight);
        }
        at += size;
    }
    TCells cells(screen, std::max(1, width), qint64(width) * height);
    const auto *p = reinterpret_cast<const quint8 *>(bytes.data());
    const qsizetype end = bytes.size();
    bool cutShort = false;
    if (flags & kCompressed) {
        while (!cells.Full() && !cutShort) {
            if (at >= end) {
                cutShort = true;
                break;
            }
            const int kind = p[at] >> 6, count = (p[at] & 63) + 1;
            ++at;
            // How many bytes the run takes: the shared ones, then one or two a cell.
            const qsizetype need = kind == 0 ? 2 * count : kind == 3 ? 2 : 1 + count;
            if (at + need > end) {
                cutShort = true;
                break;
            }
            for (int k = 0; k < count && !cells.Full(); ++k) {
                switch (kind) {
                case 0: cells.Put(p[at + 2 * k], p[at + 2 * k + 1]); break;
                case 1: cells.Put(p[at], p[at + 1 + k]); break;
                case 2: cells.Put(p[at + 1 + k], p[at]); break;
                default: cells.Put(p[at], p[at + 1]); break;
                }
            }
            at += need;
        }
    } else {
        for (; !cells.Full() && at + 1 < end; at += 2)
            cells.Put(p[at], p[at + 1]);
        cutShort = !cells.Full();
    }
    if (cutShort && !screen.Ended())
        problems << QStringLiteral("The XBin is cut short: %L1 of %L2 rows").arg(cells.Rows()).arg(height);
    picture.Problem = problems.join(QStringLiteral("; "));
    return picture;
}

} // namespace XBin
