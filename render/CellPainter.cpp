#include "render/CellPainter.h"

#include "platform/Cp437.h"
#include "render/CellShapes.h"
#include "render/TextModeFace.h"
#include "render/WebFont.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGlyphRun>
#include <QPaintEngine>
#include <QPainter>
#include <QRawFont>
#include <QRegion>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTextLayout>

#include <algorithm>
#include <array>
#include <mutex>
#include <tuple>

namespace {

// Whether a character is one of the code page's 0xC0 to 0xDF, the frames and
// blocks whose eighth column the hardware repeated in the ninth.
bool RunsOn(char32_t ch)
{
    static const std::array<bool, 0x100> table = [] {
        std::array<bool, 0x100> t{};
        for (int b = 0xC0; b <= 0xDF; ++b)
            t[Cp437::ToUnicode(static_cast<unsigned char>(b)) - 0x2500] = true;
        return t;
    }();
    // An art file's own glyphs go by their byte.
    if (ch >= TTextModeFace::kOwnGlyphs + 0xC0 && ch <= TTextModeFace::kOwnGlyphs + 0xDF)
        return true;
    return ch >= 0x2500 && ch < 0x2600 && table[ch - 0x2500];
}

// Rectangles that meet edge to edge along a row, then down a column, as one:
// the lines of a frame become a few long ones.
QList<QRect> Merged(QList<QRect> rects)
{
    const auto join = [&rects](auto key, auto meets, auto grow) {
        std::sort(rects.begin(), rects.end(), key);
        QList<QRect> out;
        for (const QRect &r : std::as_const(rects)) {
            if (!out.isEmpty() && meets(out.back(), r))
                grow(out.back(), r);
            else
                out << r;
        }
        rects = std::move(out);
    };
    join([](const QRect &a, const QRect &b) { return std::tuple(a.top(), a.height(), a.left()) < std::tuple(b.top(), b.height(), b.left()); },
         [](const QRect &a, const QRect &b) { return a.top() == b.top() && a.height() == b.height() && b.left() <= a.right() + 1; },
         [](QRect &a, const QRect &b) { a.setRight(std::max(a.right(), b.right())); });
    join([](const QRect &a, const QRect &b) { return std::tuple(a.left(), a.width(), a.top()) < std::tuple(b.left(), b.width(), b.top()); },
         [](const QRect &a, const QRect &b) { return a.left() == b.left() && a.width() == b.width() && b.top() <= a.bottom() + 1; },
         [](QRect &a, const QRect &b) { a.setBottom(std::max(a.bottom(), b.bottom())); });
    return rects;
}

} // namespace

void TCellPainter::SetFont(const QFont &requested, const QPaintDevice *device)
{
    QFont font = requested;
    m_face = TTextModeFace::Find(requested.family());
    m_faceGlyphs.clear();
    if (m_face) {
        // The outline face stands in for characters the bitmap face lacks,
        // sized to its cells.
        m_scale = m_face->Scale(requested, device);
        font.setPixelSize(m_face->Height() * m_scale * 3 / 4);
    }
    const QFontMetrics metrics = device ? QFontMetrics(font, device) : QFontMetrics(font);
    m_cellWidth = std::max(1, metrics.horizontalAdvance(QLatin1Char('M')));
    m_cellHeight = std::max(1, metrics.height());
    m_ascent = metrics.ascent();
    // Lines as heavy as the letters: the font's stroke, or the bitmap's pixel.
    m_weight = m_face ? m_scale : CellShapes::LineWeight(font, device);
    if (m_face) {
        m_ascent += (m_face->Height() * m_scale - m_cellHeight) / 2;
        m_cellWidth = m_face->Width() * m_scale;
        m_cellHeight = m_face->Height() * m_scale;
    }
    m_glyphWidth = m_cellWidth;
    m_glyphHeight = m_cellHeight;
    UpdateCellWidth();
    SetStretch(m_stretch);
    m_batches.clear();

    m_font = font;
    m_device = device;
    m_rawFonts.clear();
    m_glyphs.clear();
    m_shapes.clear();
    m_faceFont = -1;
    m_faceFontGlyphs.clear();
    QPaintEngine *engine = device ? device->paintEngine() : nullptr;
    m_page = engine && engine->type() == QPaintEngine::Pdf;
    if (m_page && m_face)
        UseFaceFont();
}

// On a page the face is drawn from a font of its pixels: a glyph a
// character, embedded once, and the text stays text.
namespace {

// The font's file in the cache folder, written once a run (the name says
// whose it is and which of its bytes); empty where it cannot be written.
QString FaceFontFile(const QString &key, const QByteArray &data)
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + QStringLiteral("/fonts");
    const QString path = QStringLiteral("%1/%2.ttf").arg(folder, QString::fromLatin1(QCryptographicHash::hash(key.toUtf8() + data, QCryptographicHash::Sha1).toHex()));
    if (QFileInfo(path).size() == data.size())
        return path;
    QSaveFile file(path);
    if (!QDir().mkpath(folder) || !file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit())
        return {};
    return path;
}

} // namespace

void TCellPainter::UseFaceFont()
{
    static std::mutex lock;
    static QHash<QString, QString> made; // a face, with or without its ninth column: its family loaded
    QList<char32_t> characters = WebFont::PageCharacters();
    if (m_face->IsOwn())
        for (char32_t n = 0; n < 512; ++n)
            characters << TTextModeFace::kOwnGlyphs + n;
    const QString key = m_face->Family() + (m_ninth ? QStringLiteral(" 9") : QString());
    // A family of its own: the face's sizes and spacings are fonts apart.
    const QString family = QStringLiteral("Glimra Cells %1").arg(qHash(key), 8, 16, QLatin1Char('0'));
    QString loaded;
    {
        const std::lock_guard<std::mutex> hold(lock);
        auto it = made.find(key);
        if (it == made.end()) {
            // From a file: a page embeds a font the system loaded from a
            // file, and draws one from memory as outlines, each glyph again.
            const QByteArray data = WebFont::Make(family, m_face->Width() + (m_ninth ? 1 : 0), m_face->Height(),
                                                  WebFont::GlyphsOf(*m_face, characters, m_ninth));
            const QString path = FaceFontFile(key, data);
            const int id = path.isEmpty() ? -1 : QFontDatabase::addApplicationFont(path);
            it = made.insert(key, id < 0 ? QString() : QFontDatabase::applicationFontFamilies(id).value(0));
        }
        loaded = *it;
    }
    if (loaded.isEmpty())
        return;
    QFont font(loaded);
    font.setPixelSize(m_face->Height() * m_scale);
    font.setStyleStrategy(QFont::NoFontMerging);
    const QRawFont raw = QRawFont::fromFont(font);
    if (!raw.isValid() || raw.familyName() != loaded)
        return;
    m_faceFont = int(m_rawFonts.size());
    m_rawFonts.push_back(raw);
    for (const char32_t ch : std::as_const(characters)) {
        const QList<quint32> index = raw.glyphIndexesForString(QString::fromUcs4(&ch, 1));
        if (!index.isEmpty() && index[0] != 0)
            m_faceFontGlyphs.insert(ch, index[0]);
    }
}

// Which font has the character's glyph and its index there, found once by
// laying the character out (so that fallback faces are asked too).
const TCellPainter::TGlyph &TCellPainter::Glyph(char32_t ch)
{
    auto it = m_glyphs.find(ch);
    if (it != m_glyphs.end())
        return *it;
    TGlyph glyph;
    {
        const QString text = QString::fromUcs4(&ch, 1);
        QTextLayout layout(text, m_font, const_cast<QPaintDevice *>(m_device));
        layout.beginLayout();
        layout.createLine();
        layout.endLayout();
        const QList<QGlyphRun> runs = layout.glyphRuns();
        if (!runs.isEmpty() && !runs.front().glyphIndexes().isEmpty()) {
            const QRawFont raw = runs.front().rawFont();
            auto font = std::find(m_rawFonts.begin(), m_rawFonts.end(), raw);
            if (font == m_rawFonts.end())
                font = m_rawFonts.insert(m_rawFonts.end(), raw);
            glyph = {int(font - m_rawFonts.begin()), runs.front().glyphIndexes().front()};
        }
    }
    return *m_glyphs.insert(ch, glyph);
}

void TCellPainter::SetStretch(int percent)
{
    m_stretch = std::clamp(percent, 100, 200);
    m_cellHeight = std::max(1, (m_glyphHeight * m_stretch + 50) / 100);
}

void TCellPainter::SetNinthColumn(bool on)
{
    const bool changed = m_ninth != on;
    m_ninth = on;
    UpdateCellWidth();
    if (changed && m_page && m_face) {
        m_rawFonts.clear();
        m_glyphs.clear();
        m_faceFontGlyphs.clear();
        m_faceFont = -1;
        UseFaceFont();
    }
}

void TCellPainter::UpdateCellWidth()
{
    // A pixel of the face, or an eighth of an outline face's cell.
    const int ninth = m_face ? m_scale : std::max(1, (m_glyphWidth + 4) / 8);
    m_cellWidth = m_glyphWidth + (m_ninth ? ninth : 0);
}

void TCellPainter::Draw(QPainter &painter, const QRect &cell, char32_t ch, const QColor &ink, const QColor &paper)
{
    painter.fillRect(cell, paper);
    Draw(painter, cell, ch, ink);
}

void TCellPainter::Draw(QPainter &painter, const QRect &cell, char32_t ch, const QColor &color)
{
    if (m_page && DrawOnPage(cell, ch, color, true))
        return;
    const int ninth = m_cellWidth - m_glyphWidth;
    if (ninth == 0 || cell.width() != m_cellWidth) {
        DrawGlyph(painter, cell, ch, color);
        return;
    }
    const QRect glyph(cell.topLeft(), QSize(m_glyphWidth, cell.height()));
    DrawGlyph(painter, glyph, ch, color);
    if (!RunsOn(ch))
        return;
    // The glyph once more a column to the right, seen only in the ninth column.
    painter.save();
    const QRect column(glyph.right() + 1, cell.top(), ninth, cell.height());
    painter.setClipRect(column, painter.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
    DrawGlyph(painter, glyph.translated(ninth, 0), ch, color);
    painter.restore();
}

void TCellPainter::DrawGlyph(QPainter &painter, const QRect &cell, char32_t ch, const QColor &color)
{
    if (m_page && DrawOnPage(cell, ch, color, false))
        return;
    if (m_face && ch != 0 && DrawFaceGlyph(painter, cell, ch, color))
        return;
    if (ch <= 0xFFFF && CellShapes::IsShape(char16_t(ch))) {
        CellShapes::Draw(painter, cell, char16_t(ch), color, m_weight, m_patternOrigin);
        return;
    }
    if (ch == 0 || ch == U' ' || ch == U'\t' || ch == U'\n' || ch == U'\r')
        return;
    const TGlyph &glyph = Glyph(ch);
    if (glyph.Font < 0)
        return;
    Batch(glyph.Font, glyph.Index, color.rgba(), QPointF(cell.left(), cell.top() + m_ascent + (m_cellHeight - m_glyphHeight) / 2));
}

void TCellPainter::Batch(int font, quint32 index, QRgb rgb, QPointF position)
{
    auto batch = std::find_if(m_batches.begin(), m_batches.end(), [&](const TBatch &b) { return b.Font == font && b.Color == rgb; });
    if (batch == m_batches.end())
        batch = m_batches.insert(m_batches.end(), TBatch{font, rgb, {}, {}});
    batch->Glyphs << index;
    batch->Positions << position;
}

bool TCellPainter::DrawOnPage(const QRect &cell, char32_t ch, const QColor &color, bool wholeCell)
{
    // The face's font draws the whole cell, its ninth column too.
    if (m_faceFont >= 0 && wholeCell && m_stretch == 100) {
        const auto glyph = m_faceFontGlyphs.constFind(ch);
        if (glyph != m_faceFontGlyphs.cend()) {
            Batch(m_faceFont, *glyph, color.rgba(), QPointF(cell.left(), cell.top() + m_face->Height() * 3 / 4 * m_scale));
            return true;
        }
        if (ch == 0 || ch == U' ')
            return true;
    }
    if (wholeCell || ch > 0xFFFF || !CellShapes::IsShape(char16_t(ch)) || (m_face && m_face->Has(ch) && m_face->Joins(ch)))
        return false;
    const bool shade = ch >= 0x2591 && ch <= 0x2593;
    const QRgb rgb = color.rgba();
    auto shapes = std::find_if(m_shapes.begin(), m_shapes.end(),
                               [&](const TShapes &s) { return s.Color == rgb && s.Shade == (shade ? ch : 0); });
    if (shapes == m_shapes.end())
        shapes = m_shapes.insert(m_shapes.end(), TShapes{rgb, char16_t(shade ? ch : 0), {}});
    if (shade)
        shapes->Rects << cell;
    else
        shapes->Rects << CellShapes::SolidRects(cell, char16_t(ch), m_weight);
    return true;
}

// The face's own glyph, where it has one and, for a shape, where it joins.
bool TCellPainter::DrawFaceGlyph(QPainter &painter, const QRect &cell, char32_t ch, const QColor &color)
{
    if (ch <= u' ' || !m_face->Has(ch) || (CellShapes::IsShape(char16_t(ch)) && !m_face->Joins(ch)))
        return false;
    const quint64 key = quint64(ch) << 32 | color.rgba();
    auto it = m_faceGlyphs.constFind(key);
    if (it == m_faceGlyphs.cend())
        it = m_faceGlyphs.insert(key, m_face->Glyph(ch, color.rgba()));
    // Scaled by whole pixels without smoothing: each font pixel a square.
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(QRect(cell.topLeft(), QSize(it->width() * m_scale, m_stretch == 100 ? it->height() * m_scale : cell.height())), *it);
    painter.restore();
    return true;
}

void TCellPainter::Flush(QPainter &painter)
{
    painter.save();
    // A page's shapes, a region a colour: neighbouring lines and blocks
    // merge, and a shade is one pattern over all its cells.
    for (const TShapes &shapes : m_shapes) {
        const QColor color = QColor::fromRgba(shapes.Color);
        const QList<QRect> rects = Merged(shapes.Rects);
        painter.save();
        if (shapes.Shade == 0) {
            // One path of all the colour's rectangles, filled once.
            painter.setPen(Qt::NoPen);
            painter.setBrush(color);
            painter.drawRects(rects.constData(), int(rects.size()));
        } else {
            QRegion region;
            region.setRects(rects.constData(), int(rects.size()));
            painter.setClipRegion(region, painter.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
            CellShapes::Draw(painter, region.boundingRect(), shapes.Shade, color, m_weight, m_patternOrigin);
        }
        painter.restore();
    }
    m_shapes.clear();
    for (const TBatch &batch : m_batches) {
        QGlyphRun run;
        run.setRawFont(m_rawFonts[size_t(batch.Font)]);
        run.setGlyphIndexes(batch.Glyphs);
        run.setPositions(batch.Positions);
        painter.setPen(QColor::fromRgba(batch.Color));
        painter.drawGlyphRun(QPointF(0, 0), run);
    }
    painter.restore();
    m_batches.clear();
}
