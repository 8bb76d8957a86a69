// libFuzzer target: any bytes read as each art tool's format (the first byte
// chooses XBin, Artworx, iCEDraw or TundraDraw; the rest is the file). No
// reader may crash, hang or pass its bounds: the screen stays within its rows
// and cells, every row within its width, every colour index within the
// colours, and a font's bits are what its size says.

#include "formats/Artworx.h"
#include "formats/IceDraw.h"
#include "formats/TundraDraw.h"
#include "formats/XBin.h"

#include <cstdio>
#include <cstdlib>

namespace {

void Check(bool ok, const char *what)
{
    if (!ok) {
        std::fprintf(stderr, "%s\n", what);
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray file(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    // Headers the readers look for, so that the fuzzer need not find them.
    const TArtPicture picture = data[0] % 4 == 0 ? XBin::Read("XBIN\x1A" + file)
                                : data[0] % 4 == 1 ? Artworx::Read(file)
                                : data[0] % 4 == 2 ? IceDraw::Read(QByteArray("\x04" "1.4", 4) + file)
                                                   : TundraDraw::Read("\x18TUNDRA24" + file);
    const TAnsiScreen &screen = picture.Screen;
    Check(screen.Rows() <= TAnsiScreen::kMaxRows, "too many rows");
    qsizetype cells = 0;
    for (qsizetype row = 0; row < screen.Rows(); ++row) {
        const qsizetype length = screen.RowLength(row);
        Check(length <= screen.Width(), "a row past the width");
        cells += length;
        for (qsizetype column = 0; column < length; ++column) {
            const TAnsiCell cell = screen.RowCells(row)[column];
            Check(cell.Ink < screen.Colors().size() && cell.Paper < screen.Colors().size(), "a colour past the colours");
        }
    }
    Check(cells <= TAnsiScreen::kMaxCells, "too many cells");
    Check(picture.Font.IsNull() || picture.Font.Bits.size() == qsizetype(picture.Font.Height) * picture.Font.Count,
          "a font of the wrong size");
    Check(picture.Font.IsNull() || (picture.Font.Height >= 1 && picture.Font.Height <= 32), "a font of a height past 32");
    return 0;
}
