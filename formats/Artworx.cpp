#include "formats/Artworx.h"

namespace Artworx {
namespace {

constexpr qsizetype kPalette = 1, kFont = kPalette + 64 * 3, kData = kFont + 256 * 16;
// The EGA palette entries the 16 text colours use.
constexpr int kEntries[16] = {0, 1, 2, 3, 4, 5, 20, 7, 56, 57, 58, 59, 60, 61, 62, 63};

} // namespace

TArtPicture Read(QByteArrayView bytes)
{
    TArtPicture picture;
    picture.Screen = TAnsiScreen(80, true, TAnsiScreen::TInput::inBinary);
    if (bytes.size() < kData) {
        picture.Problem = QStringLiteral("The Artworx header is cut short");
        return picture;
    }
    ArtPicture::SetPalette(picture.Screen, bytes.sliced(kPalette, 64 * 3), kEntries);
    picture.Font = {16, 256, bytes.sliced(kFont, 256 * 16).toByteArray()};
    picture.Screen.Write(bytes.sliced(kData));
    return picture;
}

} // namespace Artworx
