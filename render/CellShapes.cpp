#include "render/CellShapes.h"

#include <QBrush>
#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>
#include <QPaintDevice>
#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>

namespace CellShapes {
namespace {

// The arms of a box-drawing character: 0 none, 1 single line, 2 double line.
struct TArms
{
    unsigned char Up, Right, Down, Left;
};

// U+2500 to U+256C, only the characters the code page has; others are zero.
constexpr std::array<TArms, 0x6D> MakeArms()
{
    std::array<TArms, 0x6D> a{};
    a[0x00] = {0, 1, 0, 1}; // light horizontal
    a[0x02] = {1, 0, 1, 0}; // light vertical
    a[0x0C] = {0, 1, 1, 0};
    a[0x10] = {0, 0, 1, 1};
    a[0x14] = {1, 1, 0, 0};
    a[0x18] = {1, 0, 0, 1};
    a[0x1C] = {1, 1, 1, 0};
    a[0x24] = {1, 0, 1, 1};
    a[0x2C] = {0, 1, 1, 1};
    a[0x34] = {1, 1, 0, 1};
    a[0x3C] = {1, 1, 1, 1};
    a[0x50] = {0, 2, 0, 2};
    a[0x51] = {2, 0, 2, 0};
    a[0x52] = {0, 2, 1, 0};
    a[0x53] = {0, 1, 2, 0};
    a[0x54] = {0, 2, 2, 0};
    a[0x55] = {0, 0, 1, 2};
    a[0x56] = {0, 0, 2, 1};
    a[0x57] = {0, 0, 2, 2};
    a[0x58] = {1, 2, 0, 0};
    a[0x59] = {2, 1, 0, 0};
    a[0x5A] = {2, 2, 0, 0};
    a[0x5B] = {1, 0, 0, 2};
    a[0x5C] = {2, 0, 0, 1};
    a[0x5D] = {2, 0, 0, 2};
    a[0x5E] = {1, 2, 1, 0};
    a[0x5F] = {2, 1, 2, 0};
    a[0x60] = {2, 2, 2, 0};
    a[0x61] = {1, 0, 1, 2};
    a[0x62] = {2, 0, 2, 1};
    a[0x63] = {2, 0, 2, 2};
    a[0x64] = {0, 2, 1, 2};
    a[0x65] = {0, 1, 2, 1};
    a[0x66] = {0, 2, 2, 2};
    a[0x67] = {1, 2, 0, 2};
    a[0x68] = {2, 1, 0, 1};
    a[0x69] = {2, 2, 0, 2};
    a[0x6A] = {1, 2, 1, 2};
    a[0x6B] = {2, 1, 2, 1};
    a[0x6C] = {2, 2, 2, 2};
    return a;
}

constexpr auto kArms = MakeArms();

const TArms *ArmsOf(char32_t ch)
{
    if (ch < 0x2500 || ch >= 0x2500 + kArms.size())
        return nullptr;
    const TArms &a = kArms[ch - 0x2500];
    return (a.Up | a.Right | a.Down | a.Left) ? &a : nullptr;
}

// One axis of the cell: where its single line and its two double lines lie.
struct TAxis
{
    int Single; // start of the single line
    int Double; // start of the first double line; the second starts 2 t later
    int T;
    int First(int kind) const { return kind == 2 ? Double : Single; }         // first line's start
    int Last(int kind) const { return kind == 2 ? Double + 2 * T : Single; } // last line's start
};

void BoxRects(QList<QRect> &rects, const QRect &cell, const TArms &a, int weight)
{
    const int w = cell.width(), h = cell.height();
    int t = weight > 0 ? weight : std::max(1, (std::min(w, h) + 6) / 12);
    // A double line's two lines and its gap must fit the cell.
    t = std::max(1, std::min(t, std::min(w, h) / 3));
    const TAxis x{cell.left() + (w - t) / 2, cell.left() + (w - 3 * t) / 2, t};
    const TAxis y{cell.top() + (h - t) / 2, cell.top() + (h - 3 * t) / 2, t};
    const int right = cell.left() + w, bottom = cell.top() + h;
    auto hline = [&](int x1, int x2, int top) {
        if (x2 > x1)
            rects << QRect(x1, top, x2 - x1, t);
    };
    auto vline = [&](int left, int y1, int y2) {
        if (y2 > y1)
            rects << QRect(left, y1, t, y2 - y1);
    };
    const int vert = std::max(a.Up, a.Down), horz = std::max(a.Left, a.Right);

    // A single arm that runs through crosses whatever it meets; one that
    // ends meets the near line of a double line running across it, and the
    // far line where the double line turns a corner.
    if (a.Right == 1)
        hline(!vert || a.Left ? x.Single : (a.Up && a.Down ? x.Last(vert) : x.First(vert)), right, y.Single);
    if (a.Left == 1)
        hline(cell.left(), t + (!vert || a.Right ? x.Single : (a.Up && a.Down ? x.First(vert) : x.Last(vert))), y.Single);
    if (a.Down == 1)
        vline(x.Single, !horz || a.Up ? y.Single : (a.Left && a.Right ? y.Last(horz) : y.First(horz)), bottom);
    if (a.Up == 1)
        vline(x.Single, cell.top(), t + (!horz || a.Down ? y.Single : (a.Left && a.Right ? y.First(horz) : y.Last(horz))));

    // Each line of a double arm stops at the line of the arm on its side, or
    // turns the corner into the arm on the other side.
    if (a.Right == 2) {
        hline(a.Up ? x.Last(a.Up) : (a.Down ? x.First(a.Down) : x.Single), right, y.Double);
        hline(a.Down ? x.Last(a.Down) : (a.Up ? x.First(a.Up) : x.Single), right, y.Double + 2 * t);
    }
    if (a.Left == 2) {
        hline(cell.left(), t + (a.Up ? x.First(a.Up) : (a.Down ? x.Last(a.Down) : x.Single)), y.Double);
        hline(cell.left(), t + (a.Down ? x.First(a.Down) : (a.Up ? x.Last(a.Up) : x.Single)), y.Double + 2 * t);
    }
    if (a.Down == 2) {
        vline(x.Double, a.Left ? y.Last(a.Left) : (a.Right ? y.First(a.Right) : y.Single), bottom);
        vline(x.Double + 2 * t, a.Right ? y.Last(a.Right) : (a.Left ? y.First(a.Left) : y.Single), bottom);
    }
    if (a.Up == 2) {
        vline(x.Double, cell.top(), t + (a.Left ? y.First(a.Left) : (a.Right ? y.Last(a.Right) : y.Single)));
        vline(x.Double + 2 * t, cell.top(), t + (a.Right ? y.First(a.Right) : (a.Left ? y.Last(a.Left) : y.Single)));
    }
}

// A tile of 4 x 4 dots of the shade in colour, the rest transparent; a dot
// is dot x dot pixels.
QImage ShadeTile(int percent, const QColor &color, int dot)
{
    QImage tile(4 * dot, 4 * dot, QImage::Format_ARGB32_Premultiplied);
    tile.fill(Qt::transparent);
    QPainter painter(&tile);
    for (int yy = 0; yy < 4; ++yy) {
        for (int xx = 0; xx < 4; ++xx) {
            const bool on = percent == 25   ? (xx % 2 == 0 && yy % 2 == 0)
                            : percent == 50 ? ((xx + yy) % 2 == 0)
                                            : !(xx % 2 == 1 && yy % 2 == 1);
            if (on)
                painter.fillRect(xx * dot, yy * dot, dot, dot, color);
        }
    }
    return tile;
}

} // namespace

bool IsShape(char16_t ch)
{
    switch (ch) {
    case 0x2580: case 0x2584: case 0x2588: case 0x258C: case 0x2590:
    case 0x2591: case 0x2592: case 0x2593:
        return true;
    default:
        return ArmsOf(ch) != nullptr;
    }
}

std::array<int, 4> Arms(char32_t ch)
{
    const TArms *a = ArmsOf(ch);
    return a ? std::array<int, 4>{a->Up, a->Right, a->Down, a->Left} : std::array<int, 4>{};
}

namespace {

// The part of the cell a block character fills; empty for another character.
QRect BlockRect(const QRect &cell, char16_t ch)
{
    const int w = cell.width(), h = cell.height();
    switch (ch) {
    case 0x2588: return cell;
    case 0x2580: return QRect(cell.left(), cell.top(), w, h / 2);
    case 0x2584: return QRect(cell.left(), cell.top() + h / 2, w, h - h / 2);
    case 0x258C: return QRect(cell.left(), cell.top(), w / 2, h);
    case 0x2590: return QRect(cell.left() + w / 2, cell.top(), w - w / 2, h);
    default: return {};
    }
}

} // namespace

QList<QRect> SolidRects(const QRect &cell, char16_t ch, int weight)
{
    if (const QRect block = BlockRect(cell, ch); !block.isEmpty())
        return {block};
    QList<QRect> rects;
    if (const TArms *arms = ArmsOf(ch))
        BoxRects(rects, cell, *arms, weight);
    return rects;
}

void Draw(QPainter &painter, const QRect &cell, char16_t ch, const QColor &color, int weight, QPoint patternOrigin)
{
    switch (ch) {
    case 0x2591:
    case 0x2592:
    case 0x2593: {
        // The pattern is laid from the device's origin, not the cell's.
        const int percent = ch == 0x2591 ? 25 : ch == 0x2592 ? 50 : 75;
        painter.save();
        painter.setBrushOrigin(patternOrigin);
        // One set a thread: thumbnails are drawn in the background.
        thread_local QImage tiles[3];
        thread_local QRgb tileColors[3] = {};
        const int k = percent / 25 - 1;
        const int dot = std::max(1, weight);
        if (tiles[k].isNull() || tileColors[k] != color.rgba() || tiles[k].width() != 4 * dot) {
            tiles[k] = ShadeTile(percent, color, dot);
            tileColors[k] = color.rgba();
        }
        painter.fillRect(cell, QBrush(tiles[k]));
        painter.restore();
        return;
    }
    default:
        if (const QRect block = BlockRect(cell, ch); !block.isEmpty()) {
            painter.fillRect(block, color); // the common case, without a list
            return;
        }
        for (const QRect &rect : SolidRects(cell, ch, weight))
            painter.fillRect(rect, color);
    }
}

int LineWeight(const QFont &font, const QPaintDevice *device)
{
    // The bar is drawn at the font's pixel size on the device and its ink
    // summed across the middle of its height.
    const int pixels = device ? int(std::lround(font.pointSizeF() * device->logicalDpiY() / 72.0))
                              : QFontInfo(font).pixelSize();
    QFont sized = font;
    sized.setPixelSize(std::max(1, pixels));
    const QFontMetrics metrics(sized);
    QImage image(metrics.height() * 2, metrics.height() * 2, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setFont(sized);
    painter.setPen(Qt::black);
    painter.drawText(QPoint(metrics.height() / 2, metrics.height() + metrics.ascent() / 2), QStringLiteral("|"));
    painter.end();
    int top = -1, bottom = -1;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(image.pixel(x, y)) > 0) {
                top = top < 0 ? y : top;
                bottom = y;
                break;
            }
        }
    }
    if (top < 0)
        return std::max(1, metrics.lineWidth());
    double ink = 0;
    for (int x = 0; x < image.width(); ++x)
        ink += qAlpha(image.pixel(x, (top + bottom) / 2)) / 255.0;
    return std::max(1, int(std::lround(ink)));
}

} // namespace CellShapes
