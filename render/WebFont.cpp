#include "render/WebFont.h"

#include "platform/Cp437.h"
#include "render/CellPainter.h"
#include "render/TextModeFace.h"

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <map>

namespace WebFont {
namespace {


// Big-endian writing, as every table of the format is.
class TWriter
{
public:
    void U8(int v) { m_bytes.append(char(v)); }
    void U16(int v)
    {
        U8((v >> 8) & 0xFF);
        U8(v & 0xFF);
    }
    void U32(quint32 v)
    {
        U16(int(v >> 16));
        U16(int(v & 0xFFFF));
    }
    void Zeros(int count) { m_bytes.append(count, '\0'); }
    void Bytes(const QByteArray &bytes) { m_bytes.append(bytes); }
    void Pad4()
    {
        while (m_bytes.size() % 4)
            U8(0);
    }
    qsizetype Size() const { return m_bytes.size(); }
    QByteArray &Data() { return m_bytes; }

private:
    QByteArray m_bytes;
};

quint32 CheckSum(const QByteArray &table)
{
    quint32 sum = 0;
    for (qsizetype i = 0; i < table.size(); i += 4) {
        quint32 word = 0;
        for (int k = 0; k < 4; ++k)
            word = (word << 8) | (i + k < table.size() ? quint8(table[i + k]) : 0);
        sum += word;
    }
    return sum;
}

struct TRect
{
    int X0, Y0, X1, Y1; // pixels, y down: columns [X0, X1), rows [Y0, Y1)
};

// The inked pixels as rectangles: each row's runs, a run grown down over the
// rows below that have the same run.
std::vector<TRect> Rectangles(const std::vector<quint64> &rows, int width)
{
    std::vector<TRect> done;
    std::vector<TRect> open; // runs still growing down
    for (int y = 0; y <= int(rows.size()); ++y) {
        std::vector<TRect> runs;
        const quint64 row = y < int(rows.size()) ? rows[size_t(y)] : 0;
        for (int x = 0; x < width;) {
            if (!(row >> x & 1)) {
                ++x;
                continue;
            }
            int end = x;
            while (end < width && (row >> end & 1))
                ++end;
            runs.push_back({x, y, end, y + 1});
            x = end;
        }
        std::vector<TRect> still;
        for (TRect rect : open) {
            const auto same = std::find_if(runs.begin(), runs.end(), [&rect](const TRect &r) { return r.X0 == rect.X0 && r.X1 == rect.X1; });
            if (same != runs.end()) {
                rect.Y1 = y + 1;
                still.push_back(rect);
                runs.erase(same);
            } else {
                done.push_back(rect);
            }
        }
        still.insert(still.end(), runs.begin(), runs.end());
        open = std::move(still);
    }
    return done;
}

QByteArray NameString(const QString &text)
{
    QByteArray bytes;
    for (const QChar c : text) {
        bytes.append(char(c.unicode() >> 8));
        bytes.append(char(c.unicode() & 0xFF));
    }
    return bytes;
}

} // namespace

QByteArray Make(const QString &family, int width, int height, const QList<TGlyph> &given)
{
    width = std::clamp(width, 1, 64);
    height = std::clamp(height, 1, 64);
    // Glyph 0 is the empty .notdef; the others in the order of their codes,
    // which the character map's segments need. Only the 16-bit plane maps.
    std::map<char32_t, const TGlyph *> byCode;
    for (const TGlyph &glyph : given) {
        if (glyph.Code > 0 && glyph.Code < 0xFFFF)
            byCode.emplace(glyph.Code, &glyph);
    }
    const int glyphCount = int(byCode.size()) + 1;
    // A pixel in font units: few, so that most steps of an outline take a
    // byte, but an em of at least 16 units, as the format asks.
    const int kUnits = std::max(4, (16 + height - 1) / height);
    const int advance = width * kUnits;
    const int ascent = height * 3 / 4 * kUnits; // the baseline on a pixel's edge
    const int descent = height * kUnits - ascent;

    // glyf and loca.
    TWriter glyf;
    std::vector<quint32> loca{0};
    std::vector<int> leftBearings{0}; // each glyph's xMin: renderers place a glyph by it
    int maxPoints = 0, maxContours = 0;
    int xMin = advance, yMin = ascent, xMax = 0, yMax = -descent;
    loca.push_back(0); // .notdef: no outline
    for (const auto &[code, glyph] : byCode) {
        const std::vector<TRect> rects = Rectangles(glyph->Rows, width);
        if (!rects.empty()) {
            const auto fx = [kUnits](int x) { return x * kUnits; };
            const auto fy = [ascent, kUnits](int y) { return ascent - y * kUnits; };
            int gx0 = advance, gy0 = ascent, gx1 = 0, gy1 = -descent;
            for (const TRect &r : rects) {
                gx0 = std::min(gx0, fx(r.X0));
                gx1 = std::max(gx1, fx(r.X1));
                gy0 = std::min(gy0, fy(r.Y1));
                gy1 = std::max(gy1, fy(r.Y0));
            }
            leftBearings.push_back(gx0);
            xMin = std::min(xMin, gx0), yMin = std::min(yMin, gy0), xMax = std::max(xMax, gx1), yMax = std::max(yMax, gy1);
            glyf.U16(int(rects.size()));
            glyf.U16(gx0), glyf.U16(gy0), glyf.U16(gx1), glyf.U16(gy1);
            for (size_t k = 0; k < rects.size(); ++k)
                glyf.U16(int(k * 4 + 3));
            glyf.U16(0); // no instructions
            // Clockwise with y up: up the left side, along the top, down the right.
            std::vector<std::pair<int, int>> points;
            for (const TRect &r : rects) {
                points.push_back({fx(r.X0), fy(r.Y1)});
                points.push_back({fx(r.X0), fy(r.Y0)});
                points.push_back({fx(r.X1), fy(r.Y0)});
                points.push_back({fx(r.X1), fy(r.Y1)});
            }
            // Each step on the curve: none, a byte and its sign, or 16 bits.
            std::vector<int> dx, dy;
            for (size_t k = 0; k < points.size(); ++k) {
                dx.push_back(points[k].first - (k ? points[k - 1].first : 0));
                dy.push_back(points[k].second - (k ? points[k - 1].second : 0));
            }
            const auto flag = [](int d, int shortBit, int sameBit) {
                if (d == 0)
                    return sameBit;
                return std::abs(d) <= 255 ? shortBit | (d > 0 ? sameBit : 0) : 0;
            };
            for (size_t k = 0; k < points.size(); ++k)
                glyf.U8(0x01 | flag(dx[k], 0x02, 0x10) | flag(dy[k], 0x04, 0x20));
            for (const std::vector<int> *deltas : {&dx, &dy}) {
                for (const int d : *deltas) {
                    if (d != 0 && std::abs(d) <= 255)
                        glyf.U8(std::abs(d));
                    else if (d != 0)
                        glyf.U16(d);
                }
            }
            glyf.Pad4();
            maxPoints = std::max(maxPoints, int(points.size()));
            maxContours = std::max(maxContours, int(rects.size()));
        } else {
            leftBearings.push_back(0);
        }
        loca.push_back(quint32(glyf.Size()));
    }
    if (xMin > xMax) // no ink at all
        xMin = yMin = xMax = yMax = 0;

    std::map<QByteArray, QByteArray> tables; // by tag, sorted as the directory wants them

    TWriter head;
    head.U32(0x00010000);
    head.U32(0x00010000);
    head.U32(0); // checkSumAdjustment, set below
    head.U32(0x5F0F3CF5);
    head.U16(0x000B); // baseline at 0, left side bearing at 0, whole-pixel scaling
    head.U16(height * kUnits);
    head.Zeros(16); // created, modified
    head.U16(xMin), head.U16(yMin), head.U16(xMax), head.U16(yMax);
    head.U16(0);      // macStyle
    head.U16(8);      // lowestRecPPEM
    head.U16(2);      // fontDirectionHint
    head.U16(1);      // long offsets in loca
    head.U16(0);
    tables["head"] = head.Data();

    TWriter hhea;
    hhea.U32(0x00010000);
    hhea.U16(ascent), hhea.U16(-descent), hhea.U16(0);
    hhea.U16(advance), hhea.U16(xMin), hhea.U16(advance - xMax), hhea.U16(xMax); // advance max, least bearings, extent
    hhea.U16(1), hhea.U16(0), hhea.U16(0);                          // an upright caret
    hhea.Zeros(8);
    hhea.U16(0);
    hhea.U16(glyphCount);
    tables["hhea"] = hhea.Data();

    TWriter maxp;
    maxp.U32(0x00010000);
    maxp.U16(glyphCount);
    maxp.U16(maxPoints), maxp.U16(maxContours), maxp.U16(0), maxp.U16(0);
    maxp.U16(2);
    maxp.Zeros(16);
    tables["maxp"] = maxp.Data();

    const char32_t first = byCode.empty() ? 0x20 : byCode.begin()->first;
    const char32_t lastCode = byCode.empty() ? 0x20 : byCode.rbegin()->first;
    TWriter os2;
    os2.U16(4);
    os2.U16(advance);
    os2.U16(400), os2.U16(5), os2.U16(0); // regular, normal width, installable
    for (int k = 0; k < 10; ++k) // sub- and superscripts, strike-out
        os2.U16(height * kUnits / 4);
    os2.U16(0);
    os2.U8(2), os2.U8(0), os2.U8(5), os2.U8(9); // panose: text, monospaced
    os2.Zeros(6);
    os2.U32(0x00000003), os2.U32(0), os2.U32(0), os2.U32(0); // Latin
    os2.Bytes("GLIM");
    os2.U16(0x00C0); // regular, typographic metrics are the line
    os2.U16(int(std::min<char32_t>(first, 0xFFFF))), os2.U16(int(std::min<char32_t>(lastCode, 0xFFFF)));
    os2.U16(ascent), os2.U16(-descent), os2.U16(0);
    os2.U16(ascent), os2.U16(descent);
    os2.U32(0x00000001), os2.U32(0); // Latin 1
    os2.U16(height * kUnits / 2), os2.U16(ascent);
    os2.U16(0), os2.U16(0x20), os2.U16(1);
    tables["OS/2"] = os2.Data();

    TWriter hmtx;
    for (const int bearing : leftBearings) {
        hmtx.U16(advance);
        hmtx.U16(bearing);
    }
    tables["hmtx"] = hmtx.Data();

    // One segment a character (and the closing one), each mapped by its delta.
    TWriter sub;
    const int segments = int(byCode.size()) + 1;
    int searchRange = 2, selector = 0;
    while (searchRange * 2 <= segments * 2)
        searchRange *= 2, ++selector;
    sub.U16(4);
    sub.U16(16 + segments * 8);
    sub.U16(0);
    sub.U16(segments * 2), sub.U16(searchRange), sub.U16(selector), sub.U16(segments * 2 - searchRange);
    for (const auto &entry : byCode)
        sub.U16(int(entry.first));
    sub.U16(0xFFFF);
    sub.U16(0);
    for (const auto &entry : byCode)
        sub.U16(int(entry.first));
    sub.U16(0xFFFF);
    int index = 1;
    for (const auto &entry : byCode)
        sub.U16((index++ - int(entry.first)) & 0xFFFF);
    sub.U16(1);
    sub.Zeros(segments * 2); // no range offsets
    TWriter cmap;
    cmap.U16(0), cmap.U16(2);
    cmap.U16(0), cmap.U16(3), cmap.U32(20); // Unicode, BMP
    cmap.U16(3), cmap.U16(1), cmap.U32(20); // Windows, Unicode BMP
    cmap.Bytes(sub.Data());
    tables["cmap"] = cmap.Data();

    TWriter locaTable;
    for (const quint32 offset : loca)
        locaTable.U32(offset);
    tables["loca"] = locaTable.Data();
    tables["glyf"] = glyf.Data();

    const QString names[] = {family, QStringLiteral("Regular"), family, family,
                             QStringLiteral("Version 1.0"), QString(family).remove(u' ')};
    TWriter name;
    name.U16(0), name.U16(6), name.U16(6 + 6 * 12);
    QByteArray strings;
    for (int k = 0; k < 6; ++k) {
        const QByteArray text = NameString(names[k]);
        name.U16(3), name.U16(1), name.U16(0x409), name.U16(k == 5 ? 6 : k + 1);
        name.U16(int(text.size())), name.U16(int(strings.size()));
        strings += text;
    }
    name.Bytes(strings);
    tables["name"] = name.Data();

    TWriter post;
    post.U32(0x00030000);
    post.U32(0);
    post.U16(-descent / 2), post.U16(kUnits);
    post.U32(1); // fixed pitch
    post.Zeros(16);
    tables["post"] = post.Data();

    // The directory, then the tables, each on a 4-byte boundary.
    TWriter font;
    const int count = int(tables.size());
    int range = 1, shift = 0;
    while (range * 2 <= count)
        range *= 2, ++shift;
    font.U32(0x00010000);
    font.U16(count), font.U16(range * 16), font.U16(shift), font.U16(count * 16 - range * 16);
    quint32 offset = quint32(12 + 16 * count);
    qsizetype headAt = 0;
    for (const auto &[tag, data] : tables) {
        font.Bytes(tag);
        font.U32(CheckSum(data));
        font.U32(offset);
        font.U32(quint32(data.size()));
        if (tag == "head")
            headAt = offset;
        offset += quint32((data.size() + 3) / 4 * 4);
    }
    for (const auto &entry : tables) {
        font.Bytes(entry.second);
        font.Pad4();
    }
    const quint32 adjustment = 0xB1B0AFBA - CheckSum(font.Data());
    for (int k = 0; k < 4; ++k)
        font.Data()[headAt + 8 + k] = char(adjustment >> (24 - 8 * k));
    return font.Data();
}

QList<TGlyph> GlyphsOf(const TTextModeFace &face, const QList<char32_t> &characters, bool ninthColumn)
{
    QFont font(face.Family());
    font.setPixelSize(face.Height()); // 1x
    TCellPainter cells;
    QImage image(64, 64, QImage::Format_ARGB32_Premultiplied);
    cells.SetFont(font, &image);
    cells.SetNinthColumn(ninthColumn);
    const int width = std::min(cells.CellWidth(), 64), height = std::min(cells.CellHeight(), 64);
    QList<TGlyph> glyphs;
    for (const char32_t ch : characters) {
        image.fill(Qt::transparent);
        {
            QPainter painter(&image);
            cells.Draw(painter, QRect(0, 0, cells.CellWidth(), cells.CellHeight()), ch, Qt::white);
            cells.Flush(painter);
        }
        TGlyph glyph;
        glyph.Code = ch;
        glyph.Rows.assign(size_t(height), 0);
        for (int y = 0; y < height; ++y) {
            const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
            for (int x = 0; x < width; ++x) {
                if (qAlpha(line[x]) >= 128)
                    glyph.Rows[size_t(y)] |= quint64(1) << x;
            }
        }
        glyphs << glyph;
    }
    return glyphs;
}

QList<char32_t> PageCharacters()
{
    QList<char32_t> characters;
    const auto add = [&characters](char32_t ch) {
        if (ch >= 0x20 && !characters.contains(ch))
            characters << ch;
    };
    for (int byte = 0; byte < 256; ++byte)
        add(Cp437::ToUnicode(static_cast<unsigned char>(byte)));
    for (char32_t ch = 0xA0; ch <= 0xFF; ++ch)
        add(ch);
    // Windows-1252's letters and marks at 0x80 to 0x9F.
    for (const char32_t ch : {0x20AC, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039,
                              0x0152, 0x017D, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122,
                              0x0161, 0x203A, 0x0153, 0x017E, 0x0178})
        add(ch);
    return characters;
}

} // namespace WebFont
