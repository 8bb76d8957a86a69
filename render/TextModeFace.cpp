#include "render/TextModeFace.h"

#include "render/CellShapes.h"

#include <QDir>
#include <QFontInfo>
#include <QPaintDevice>
#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <memory>

namespace {

struct TFaceDef
{
    const char *Family;
    int Height;
};

constexpr TFaceDef kFaces[] = {{"Text Mode 8x16", 16}, {"Text Mode 8x14", 14}, {"Text Mode 8x8", 8}};

// Debian's console-setup-linux fonts, taken from the VGA ROM's glyphs: the
// first covers the code page but for the block halves of the 16-line size,
// which the second has.
constexpr const char *kFileStems[] = {"Uni2-VGA", "FullGreek-VGA"};
constexpr const char *kFontDirs[] = {"/usr/share/consolefonts", "/usr/share/kbd/consolefonts",
                                     "/lib/kbd/consolefonts"};

} // namespace

QStringList TTextModeFace::Families()
{
    QStringList families;
    for (const TFaceDef &def : kFaces)
        if (Find(QString::fromLatin1(def.Family)))
            families << QString::fromLatin1(def.Family);
    return families;
}

namespace {

// The faces loaded, kept for the run: a face whose files are missing is
// remembered as missing, and an art file's own face stays while a picture
// may still be drawn in it.
std::map<QString, std::unique_ptr<TTextModeFace>> &Loaded()
{
    static std::map<QString, std::unique_ptr<TTextModeFace>> faces;
    return faces;
}

// Faces are looked for and added from several threads (the gallery's
// thumbnails); a face, once made, is never changed or removed.
QMutex gLoadedLock;

} // namespace

const TTextModeFace *TTextModeFace::Find(const QString &family)
{
    QMutexLocker locker(&gLoadedLock);
    auto &loaded = Loaded();
    auto it = loaded.find(family);
    if (it != loaded.end())
        return it->second.get();
    const auto def = std::find_if(std::begin(kFaces), std::end(kFaces),
                                  [&family](const TFaceDef &d) { return family == QLatin1String(d.Family); });
    if (def == std::end(kFaces))
        return nullptr;
    auto face = std::make_unique<TTextModeFace>();
    if (!face->Load(family, def->Height))
        face.reset();
    return loaded.emplace(family, std::move(face)).first->second.get();
}

QString TTextModeFace::AddOwnFace(int height, int count, const QByteArray &bits)
{
    height = std::clamp(height, 1, 32);
    count = std::clamp(count, 1, 512);
    const QByteArray glyphs = bits.left(qsizetype(height) * count).leftJustified(qsizetype(height) * count, '\0');
    const QString family = QStringLiteral("Art Font 8x%1 %2").arg(height).arg(qHash(glyphs), 8, 16, QLatin1Char('0'));
    QMutexLocker locker(&gLoadedLock);
    auto &face = Loaded()[family];
    if (!face) {
        face = std::make_unique<TTextModeFace>();
        face->m_family = family;
        face->m_width = 8;
        face->m_height = height;
        face->m_ownBits = glyphs;
        face->m_ownCount = count;
    }
    return family;
}

bool TTextModeFace::OwnInk(char32_t ch, int x, int y) const
{
    const qint64 glyph = qint64(ch) - kOwnGlyphs;
    if (glyph < 0 || glyph >= m_ownCount || x < 0 || x >= 8 || y < 0 || y >= m_height)
        return false;
    return quint8(m_ownBits[qsizetype(glyph) * m_height + y]) & (0x80 >> x);
}

QString TTextModeFace::DrawnFamily(const QFont &font)
{
    if (const TTextModeFace *face = Find(font.family()))
        return face->Family();
    return QFontInfo(font).family();
}

bool TTextModeFace::Load(const QString &family, int height)
{
    m_family = family;
    m_height = height;
    for (const char *stem : kFileStems) {
        for (const char *dir : kFontDirs) {
            const QString name = QDir(QString::fromLatin1(dir)).filePath(QStringLiteral("%1%2.psf.gz").arg(QLatin1String(stem)).arg(height));
            TPsfFont font;
            if (font.Load(name) && font.Height() == height) {
                m_width = font.Width();
                m_fonts.push_back(std::move(font));
                break;
            }
        }
    }
    // Only files of one cell size make up a face.
    std::erase_if(m_fonts, [this](const TPsfFont &f) { return f.Width() != m_width; });
    return !m_fonts.empty();
}

int TTextModeFace::Scale(const QFont &font, const QPaintDevice *device) const
{
    const double pixels = font.pixelSize() > 0 ? font.pixelSize()
                          : device              ? font.pointSizeF() * device->logicalDpiY() / 72.0
                                                : QFontInfo(font).pixelSize();
    const int scale = std::max(1, int(std::lround(pixels / m_height)));
    // The screen follows zoom from 1x to 4x; a printer's page needs more.
    return device ? scale : std::min(scale, 4);
}

namespace {

// The separate runs of ink along one edge of a glyph: as many as the lines
// that leave the cell there.
int EdgeRuns(const TPsfFont &font, char32_t ch, int edge)
{
    const int w = font.Width(), h = font.Height(), length = edge % 2 ? h : w;
    int runs = 0;
    bool inked = false;
    for (int k = 0; k < length; ++k) {
        const bool on = edge == 0 ? font.Pixel(ch, k, 0) : edge == 1 ? font.Pixel(ch, w - 1, k)
                      : edge == 2 ? font.Pixel(ch, k, h - 1) : font.Pixel(ch, 0, k);
        runs += on && !inked;
        inked = on;
    }
    return runs;
}

// Whether a font draws a frame character with its own lines: some fonts
// stand single lines in for the double ones they lack.
bool DrawsItsLines(const TPsfFont &font, char32_t ch)
{
    const std::array<int, 4> arms = CellShapes::Arms(ch); // up, right, down, left
    for (int edge = 0; edge < 4; ++edge)
        if (EdgeRuns(font, ch, edge) != arms[size_t(edge)])
            return false;
    return true;
}

} // namespace

const TPsfFont *TTextModeFace::FontOf(char32_t ch) const
{
    // The first font that has the character, or for a frame character the
    // first that draws its lines (double ones double).
    {
        QMutexLocker locker(&m_learnt);
        if (const auto it = m_fontOf.constFind(ch); it != m_fontOf.cend())
            return *it < 0 ? nullptr : &m_fonts[size_t(*it)];
    }
    const bool frame = CellShapes::Arms(ch) != std::array<int, 4>{};
    int found = -1;
    for (int k = 0; k < int(m_fonts.size()); ++k) {
        if (!m_fonts[size_t(k)].Has(ch))
            continue;
        if (found < 0)
            found = k;
        if (!frame || DrawsItsLines(m_fonts[size_t(k)], ch)) {
            found = k;
            break;
        }
    }
    QMutexLocker locker(&m_learnt);
    m_fontOf.insert(ch, found);
    return found < 0 ? nullptr : &m_fonts[size_t(found)];
}

bool TTextModeFace::Has(char32_t ch) const
{
    if (IsOwn())
        return ch >= kOwnGlyphs && ch < kOwnGlyphs + char32_t(m_ownCount);
    return FontOf(ch) != nullptr;
}

QImage TTextModeFace::Glyph(char32_t ch, QRgb color) const
{
    if (IsOwn()) {
        if (!Has(ch))
            return {};
        QImage image(m_width, m_height, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        for (int y = 0; y < m_height; ++y)
            for (int x = 0; x < m_width; ++x)
                if (OwnInk(ch, x, y))
                    image.setPixel(x, y, qPremultiply(color));
        return image;
    }
    const TPsfFont *font = FontOf(ch);
    return font ? font->Glyph(ch, color) : QImage();
}

bool TTextModeFace::Ink(char32_t ch, int x, int y) const
{
    if (IsOwn())
        return OwnInk(ch, x, y);
    const TPsfFont *font = FontOf(ch);
    return font && font->Pixel(ch, x, y);
}

bool TTextModeFace::Joins(char32_t ch) const
{
    if (IsOwn()) // the art's own lines are what it shows
        return Has(ch);
    {
        QMutexLocker locker(&m_learnt);
        if (const auto it = m_joins.constFind(ch); it != m_joins.cend())
            return *it;
    }
    const bool joins = Has(ch) && TestJoins(ch); // not under the lock: it looks up glyphs
    QMutexLocker locker(&m_learnt);
    m_joins.insert(ch, joins);
    return joins;
}

bool TTextModeFace::TestJoins(char32_t ch) const
{
    const int w = m_width, h = m_height;
    const std::array<int, 4> arms = CellShapes::Arms(ch); // up, right, down, left
    if (std::any_of(arms.begin(), arms.end(), [](int a) { return a != 0; })) {
        if (!DrawsItsLines(*FontOf(ch), ch))
            return false;
        // Each edge shows what the straight line of its arm's kind shows on
        // the facing edge, and an edge without an arm stays blank.
        const char32_t horizontal[3] = {0, 0x2500, 0x2550}, vertical[3] = {0, 0x2502, 0x2551};
        for (int x = 0; x < w; ++x) {
            if (Ink(ch, x, 0) != Ink(vertical[arms[0]], x, h - 1) || Ink(ch, x, h - 1) != Ink(vertical[arms[2]], x, 0))
                return false;
        }
        for (int y = 0; y < h; ++y) {
            if (Ink(ch, w - 1, y) != Ink(horizontal[arms[1]], 0, y) || Ink(ch, 0, y) != Ink(horizontal[arms[3]], w - 1, y))
                return false;
        }
        return true;
    }
    const int percent = ch == 0x2591 ? 25 : ch == 0x2592 ? 50 : ch == 0x2593 ? 75 : 0;
    if (percent) {
        // A shade tiles without a seam when half a cell's shift leaves it as
        // it is, and it must be about as dark as its name.
        int ink = 0;
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                ink += Ink(ch, x, y);
                if (Ink(ch, x, y) != Ink(ch, (x + w / 2) % w, y) || Ink(ch, x, y) != Ink(ch, x, (y + h / 2) % h))
                    return false;
            }
        }
        return std::abs(ink * 100 - percent * w * h) * 8 <= 100 * w * h;
    }
    // Blocks: exactly the exact shape.
    QImage exact(w, h, QImage::Format_RGB32);
    exact.fill(Qt::black);
    QPainter painter(&exact);
    CellShapes::Draw(painter, exact.rect(), char16_t(ch), Qt::white, 1);
    painter.end();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (Ink(ch, x, y) != (exact.pixel(x, y) == qRgb(255, 255, 255)))
                return false;
    return true;
}
