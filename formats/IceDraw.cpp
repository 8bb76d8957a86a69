#include "formats/IceDraw.h"

namespace IceDraw {
namespace {

constexpr qsizetype kHeader = 12, kFont = 256 * 16, kPalette = 48;

} // namespace

bool HasHeader(QByteArrayView head)
{
    return head.size() >= 4 && head[0] == '\x04' && head.sliced(1, 3) == "1.4";
}

TArtPicture Read(QByteArrayView bytes)
{
    TArtPicture picture;
    if (bytes.size() < kHeader + kFont + kPalette) {
        picture.Screen = TAnsiScreen(80, true, TAnsiScreen::TInput::inBinary);
        picture.Problem = QStringLiteral("The iCEDraw file is cut short: no room for its font and palette");
        return picture;
    }
    const int x1 = ArtPicture::Le16(bytes, 4), x2 = ArtPicture::Le16(bytes, 8);
    const int width = x2 >= x1 ? x2 - x1 + 1 : 80;
    TAnsiScreen &screen = picture.Screen = TAnsiScreen(width, true, TAnsiScreen::TInput::inBinary);
    const qsizetype end = bytes.size() - kFont - kPalette;
    picture.Font = {16, 256, bytes.sliced(end, kFont).toByteArray()};
    ArtPicture::SetPalette(screen, bytes.sliced(end + kFont, kPalette));
    const auto *p = reinterpret_cast<const quint8 *>(bytes.data());
    qsizetype at = kHeader;
    while (at + 1 < end && !screen.Ended()) {
        if (p[at] == 1 && p[at + 1] == 0) {
            if (at + 6 > end) {
                picture.Problem = QStringLiteral("The iCEDraw file is cut short in a run");
                break;
            }
            const int count = ArtPicture::Le16(bytes, at + 2);
            for (int k = 0; k < count && !screen.Ended(); ++k)
                screen.PutPair(p[at + 4], p[at + 5]);
            at += 6;
        } else {
            screen.PutPair(p[at], p[at + 1]);
            at += 2;
        }
    }
    if (width > TAnsiScreen::kMaxWidth)
        picture.Problem = QStringLiteral("iCEDraw %1 columns wide: drawn %2 wide").arg(width).arg(TAnsiScreen::kMaxWidth);
    return picture;
}

} // namespace IceDraw
