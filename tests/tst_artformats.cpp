// The art tools' formats read onto a screen of cells: files of each built
// here, their header fields, fonts, palettes, compression and codes, and bad
// input, checked by the cells (characters, colours) and the reader's note.

#include "formats/Artworx.h"
#include "formats/IceDraw.h"
#include "formats/Pcboard.h"
#include "formats/TundraDraw.h"
#include "formats/XBin.h"

#include "support/ScreenRows.h"

#include <QTest>
#include <QtEndian>

class TestArtFormats : public QObject
{
    Q_OBJECT

private slots:
    void read_data();
    void read();
    void pcboard_data();
    void pcboard();
};

namespace {

enum TFormat { fmXBin, fmArtworx, fmIceDraw, fmTundra };

QByteArray Le16(int n)
{
    return QByteArray(1, char(n & 0xFF)) + char(n >> 8 & 0xFF);
}

QByteArray Be32(quint32 n)
{
    QByteArray bytes(4, '\0');
    qToBigEndian(n, bytes.data());
    return bytes;
}

QByteArray XBinHeader(int width, int height, int fontHeight, int flags)
{
    return QByteArray("XBIN\x1A") + Le16(width) + Le16(height) + char(fontHeight) + char(flags);
}

// A palette of 16 colours whose colour k is (k, 2k, 3k) in VGA levels.
QByteArray Palette()
{
    QByteArray palette;
    for (int k = 0; k < 16; ++k)
        palette += QByteArray(1, char(k)) + char(2 * k) + char(3 * k);
    return palette;
}

QByteArray Font(int count, int height, char fill = '\x81')
{
    return QByteArray(count * height, fill);
}

QByteArray IdfHeader(int x2)
{
    return QByteArray("\x04" "1.4", 4) + Le16(0) + Le16(0) + Le16(x2) + Le16(0);
}

QStringList Rows(const TAnsiScreen &screen)
{
    return ScreenRows(screen);
}

// "row,column=ink/paper" in 0xRRGGBB, "+2" where the cell is of the font's second half.
QString Look(const TAnsiScreen &screen, const QString &where)
{
    const QStringList at = where.split(u',');
    const TAnsiCell cell = screen.Cell(at[0].toInt(), at[1].toInt());
    const auto rgb = [&screen](quint16 index) { return QStringLiteral("%1").arg(screen.Color(index), 6, 16, QLatin1Char('0')).toUpper(); };
    return where + u'=' + rgb(cell.Ink) + u'/' + rgb(cell.Paper) + (cell.Attributes & TAnsiScreen::atSecondHalf ? "+2" : "");
}

} // namespace

void TestArtFormats::read_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QString>("cell");    // as Look gives it, or empty
    QTest::addColumn<QString>("font");    // "heightxcount", or empty for none
    QTest::addColumn<QString>("problem"); // a part of the reader's note, or empty for none
    const auto row = [](const char *name, int format, const QByteArray &bytes, const QStringList &rows, const char *cell = "",
                        const char *font = "", const char *problem = "") {
        QTest::newRow(name) << format << bytes << rows << QString::fromLatin1(cell) << QString::fromLatin1(font)
                            << QString::fromLatin1(problem);
    };
    const QByteArray ab("A\x1F" "B\x4E" "C\x07" "D\x07", 8);
    row("XBin plain", fmXBin, XBinHeader(2, 2, 16, 0) + ab, {"AB", "CD"}, "0,1=FFFF55/AA0000");
    row("XBin palette", fmXBin, XBinHeader(1, 1, 16, 1) + Palette() + "A\x1F", {"A"}, "0,0=3C79B6/04080C");
    row("XBin palette past 63", fmXBin, XBinHeader(1, 1, 16, 1) + QByteArray(48, '\xFF') + "A\x07", {"A"}, "0,0=FFFFFF/FFFFFF");
    row("XBin font", fmXBin, XBinHeader(1, 1, 8, 2) + Font(256, 8) + "A\x07", {"A"}, "", "8x256");
    row("XBin 512 characters: bright ink picks the second half", fmXBin,
        XBinHeader(2, 1, 1, 2 | 16) + Font(512, 1) + QByteArray("A\x0F" "B\x07", 4), {"AB"}, "0,0=AAAAAA/000000+2", "1x512");
    row("XBin 512 characters without a font", fmXBin, XBinHeader(1, 1, 16, 16) + "A\x0F", {"A"}, "0,0=FFFFFF/000000");
    row("XBin font 32 high", fmXBin, XBinHeader(1, 1, 32, 2) + Font(256, 32) + "A\x07", {"A"}, "", "32x256");
    row("XBin font 0 high", fmXBin, XBinHeader(1, 1, 0, 2) + "A\x07", {"A"}, "", "", "0 pixels high");
    row("XBin font 255 high", fmXBin, XBinHeader(1, 1, 255, 2) + Font(256, 255) + "A\x07", {"A"}, "", "", "255 pixels high");
    row("XBin non-blink", fmXBin, XBinHeader(1, 1, 16, 8) + "A\xC7", {"A"}, "0,0=AAAAAA/FF5555");
    row("XBin runs of each kind", fmXBin,
        XBinHeader(8, 1, 16, 4) + QByteArray("\x01" "A\x07" "B\x07" "\x41" "C\x07\x1F" "\x81\x4E" "DE" "\xC1" "F\x07", 16),
        {"ABCCDEFF"}, "0,3=FFFFFF/0000AA");
    row("XBin run past the end", fmXBin, XBinHeader(4, 2, 16, 4) + QByteArray("\x03" "A\x07", 3), {}, "", "", "cut short");
    row("XBin rows cut short", fmXBin, XBinHeader(2, 3, 16, 0) + ab, {"AB", "CD"}, "", "", "2 of 3 rows");
    row("XBin header cut short", fmXBin, QByteArray("XBIN\x1A\x50"), {}, "", "", "header is cut short");
    row("XBin font cut short", fmXBin, XBinHeader(1, 1, 16, 2) + Font(10, 16), {}, "", "", "font is cut short");
    row("XBin 65535 x 65535 claimed", fmXBin, XBinHeader(65535, 65535, 16, 0) + QByteArray("A\x07").repeated(5000),
        {QString(4096, u'A')}, "", "", "cut at 4096");
    const QByteArray adfPalette = [] {
        QByteArray palette(192, '\0');
        palette[3 * 20] = 42; // the EGA entry of colour 6
        palette[3 * 63] = 63; // of colour 15
        return palette;
    }();
    row("Artworx", fmArtworx, "\x01" + adfPalette + Font(256, 16) + "A\x06" "B\xF0", {"AB"}, "0,0=AA0000/000000", "16x256");
    row("Artworx bright paper", fmArtworx, "\x01" + adfPalette + Font(256, 16) + "A\x06" "B\xF0", {"AB"}, "0,1=000000/FF0000", "16x256");
    row("Artworx header cut short", fmArtworx, "\x01" + adfPalette, {}, "", "", "header is cut short");
    const QByteArray tail = Font(256, 16) + Palette();
    row("iCEDraw window width", fmIceDraw, IdfHeader(2) + QByteArray("A\x07" "B\x07" "C\x07" "D\x07", 8) + tail, {"ABC", "D"}, "", "16x256");
    row("iCEDraw run", fmIceDraw, IdfHeader(79) + QByteArray("\x01\x00\x03\x00" "Z\x1F" "Y\x07", 8) + tail, {"ZZZY"},
        "0,0=3C79B6/04080C", "16x256");
    row("iCEDraw run cut short", fmIceDraw, IdfHeader(79) + QByteArray("A\x07\x01\x00\x03", 5) + tail, {"A"}, "", "16x256", "in a run");
    row("iCEDraw without font and palette", fmIceDraw, IdfHeader(79) + "A\x07", {}, "", "", "no room");
    const QByteArray tnd("\x18TUNDRA24", 9);
    row("TundraDraw characters on 80 columns", fmTundra, tnd + QByteArray(81, 'x'), {QString(80, u'x'), "x"});
    row("TundraDraw position", fmTundra, tnd + '\x01' + Be32(1) + Be32(3) + "A", {"", "...A"});
    row("TundraDraw colours, then always a character", fmTundra, tnd + '\x06' + Be32(0x123456) + Be32(0x654321) + '\x01' + "B",
        {"\x01" "B"}, "0,0=123456/654321");
    row("TundraDraw ink alone", fmTundra, tnd + '\x02' + Be32(0xFF0000) + "A", {"A"}, "0,0=FF0000/000000");
    row("TundraDraw cut in a command", fmTundra, tnd + "A" + '\x01' + Be32(1), {"A"}, "", "", "cut short");
    row("TundraDraw far position cuts the art", fmTundra, tnd + '\x01' + Be32(0xFFFFFFFF) + Be32(0) + "A", {});
}

void TestArtFormats::read()
{
    QFETCH(int, format);
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, rows);
    QFETCH(QString, cell);
    QFETCH(QString, font);
    QFETCH(QString, problem);
    const TArtPicture picture = format == fmXBin      ? XBin::Read(bytes)
                                : format == fmArtworx ? Artworx::Read(bytes)
                                : format == fmIceDraw ? IceDraw::Read(bytes)
                                                      : TundraDraw::Read(bytes);
    QCOMPARE(Rows(picture.Screen), rows);
    if (!cell.isEmpty())
        QCOMPARE(Look(picture.Screen, cell.section(u'=', 0, 0)), cell);
    QCOMPARE(picture.Font.IsNull() ? QString() : QStringLiteral("%1x%2").arg(picture.Font.Height).arg(picture.Font.Count), font);
    if (!font.isEmpty())
        QCOMPARE(picture.Font.Bits.size(), picture.Font.Height * picture.Font.Count);
    QVERIFY2(problem.isEmpty() ? picture.Problem.isEmpty() : picture.Problem.contains(problem), qPrintable(picture.Problem));
}

void TestArtFormats::pcboard_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QString>("cell");
    QTest::newRow("@X paper then ink") << QByteArray("@X1FA") << QStringList{"A"} << "0,0=FFFFFF/0000AA";
    QTest::newRow("@X lower case, blink bit") << QByteArray("@x8cA") << QStringList{"A"} << "0,0=FF5555/000000";
    QTest::newRow("@X with one digit drawn") << QByteArray("@X1 A") << QStringList{"@X1.A"} << "0,4=AAAAAA/000000";
    QTest::newRow("@X at the end drawn") << QByteArray("A@X") << QStringList{"A@X"} << "";
    QTest::newRow("@CLS@") << QByteArray("AB\r\nC@CLS@D") << QStringList{"D"} << "";
    QTest::newRow("@POS:n@") << QByteArray("A@POS:5@B") << QStringList{"A...B"} << "";
    QTest::newRow("other @ codes drawn") << QByteArray("@USER@ @POS:x@") << QStringList{"@USER@.@POS:x@"} << "";
    QTest::newRow("codes after the end of the art") << QByteArray("A\x1A@CLS@") << QStringList{"A"} << "";
    QTest::newRow("ANSI codes mixed in") << QByteArray("@X1F\x1B[31mA") << QStringList{"A"} << "0,0=FF5555/0000AA";
}

void TestArtFormats::pcboard()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, rows);
    QFETCH(QString, cell);
    // Byte by byte: a code split anywhere reads as a whole.
    TAnsiScreen screen;
    TPcboardReader reader(screen);
    for (const char byte : bytes)
        reader.Write(QByteArrayView(&byte, 1));
    reader.Finish();
    QCOMPARE(Rows(screen), rows);
    if (!cell.isEmpty())
        QCOMPARE(Look(screen, cell.section(u'=', 0, 0)), cell);
}

QTEST_APPLESS_MAIN(TestArtFormats)
#include "tst_artformats.moc"
