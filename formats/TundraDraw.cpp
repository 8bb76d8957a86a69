#include "formats/TundraDraw.h"

namespace TundraDraw {
namespace {

constexpr qsizetype kHeader = 9;

} // namespace

bool HasHeader(QByteArrayView head)
{
    return head.startsWith("\x18TUNDRA24");
}

TArtPicture Read(QByteArrayView bytes)
{
    TArtPicture picture;
    TAnsiScreen &screen = picture.Screen = TAnsiScreen(80);
    if (!HasHeader(bytes)) {
        picture.Problem = QStringLiteral("The TundraDraw header is cut short");
        return picture;
    }
    const auto *p = reinterpret_cast<const quint8 *>(bytes.data());
    const qsizetype end = bytes.size();
    for (qsizetype at = kHeader; at < end && !screen.Ended();) {
        const quint8 command = p[at];
        const qsizetype need = command == 1 || command == 6 ? 8 : command == 2 || command == 4 ? 4 : 0;
        if (need == 0) {
            screen.PutChar(command);
            ++at;
            continue;
        }
        if (at + 1 + need > end) {
            picture.Problem = QStringLiteral("The TundraDraw file is cut short in a command");
            break;
        }
        if (command == 1) {
            screen.SetCursor(qsizetype(std::min<quint32>(ArtPicture::Be32(bytes, at + 1), TAnsiScreen::kMaxRows)),
                             qsizetype(std::min<quint32>(ArtPicture::Be32(bytes, at + 5), TAnsiScreen::kMaxWidth)));
            at += 1 + need;
            continue;
        }
        if (command == 2 || command == 6)
            screen.SetRgb(true, ArtPicture::Be32(bytes, at + 1));
        if (command == 4 || command == 6)
            screen.SetRgb(false, ArtPicture::Be32(bytes, at + 1 + (command == 6 ? 4 : 0)));
        at += 1 + need;
        if (at < end) // whatever its value, a character
            screen.PutChar(p[at++]);
    }
    return picture;
}

} // namespace TundraDraw
