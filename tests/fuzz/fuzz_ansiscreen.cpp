// libFuzzer target: any bytes written to the screen as ANSI art, as PCBoard
// text or as binary text, with either wrap, split at a point the first byte
// chooses (a sequence split between writes must read as a whole). Nothing
// may crash, hang or pass the bounds, and the split must not change a cell.

#include "formats/AnsiScreen.h"
#include "formats/Pcboard.h"

#include <cstdio>
#include <cstdlib>

namespace {

TAnsiScreen Draw(const QByteArray &bytes, unsigned char choice, qsizetype split)
{
    TAnsiScreen screen(choice & 8 ? 40 : 0, choice & 16, choice % 3 == 2 ? TAnsiScreen::TInput::inBinary : TAnsiScreen::TInput::inAnsi,
                       choice & 4 ? TAnsiScreen::TWrap::wrTerminal : TAnsiScreen::TWrap::wrDos);
    if (choice % 3 == 1) {
        TPcboardReader reader(screen);
        reader.Write(QByteArrayView(bytes).first(split));
        reader.Write(QByteArrayView(bytes).sliced(split));
        reader.Finish();
    } else {
        screen.Write(QByteArrayView(bytes).first(split));
        screen.Write(QByteArrayView(bytes).sliced(split));
    }
    return screen;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, size_t size)
{
    if (size < 2)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char *>(data + 2), qsizetype(size - 2));
    const TAnsiScreen whole = Draw(bytes, data[0], bytes.size());
    const TAnsiScreen split = Draw(bytes, data[0], bytes.size() * data[1] / 255);
    bool same = whole.Rows() == split.Rows() && whole.Rows() <= TAnsiScreen::kMaxRows;
    for (qsizetype row = 0; same && row < whole.Rows(); ++row) {
        same = whole.RowLength(row) == split.RowLength(row) && whole.RowLength(row) <= whole.Width();
        for (qsizetype column = 0; same && column < whole.RowLength(row); ++column) {
            const TAnsiCell a = whole.RowCells(row)[column], b = split.RowCells(row)[column];
            same = a.Char == b.Char && whole.Color(a.Ink) == split.Color(b.Ink) && whole.Color(a.Paper) == split.Color(b.Paper)
                   && a.Ink < whole.Colors().size() && a.Paper < whole.Colors().size();
        }
    }
    if (!same) {
        std::fprintf(stderr, "the screen differs when the bytes are split, or passes its bounds\n");
        std::abort();
    }
    return 0;
}
