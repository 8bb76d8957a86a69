// ANSI art and binary text written to a screen of cells: bytes in, the
// rows' characters and chosen cells' ink and paper out.

#include "formats/AnsiScreen.h"

#include "support/ScreenRows.h"

#include <QTest>

class TestAnsiScreen : public QObject
{
    Q_OBJECT

private slots:
    void cells_data();
    void cells();
    void boundsCutTheArt_data();
    void boundsCutTheArt();
    void animationKeepsItsLastFrame();
    void hyperlinks();
    void unendedStringHidesTheRest();
    void evidence_data();
    void evidence();
};

namespace {

QStringList Rows(const TAnsiScreen &screen)
{
    return ScreenRows(screen);
}

QByteArray Esc(const char *codes)
{
    return QByteArray(codes).replace('~', '\x1B');
}

} // namespace

void TestAnsiScreen::cells_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("width");  // 0: the usual
    QTest::addColumn<int>("record"); // 1: iCE colours, 2: binary text, 4: a terminal's wrap
    QTest::addColumn<QStringList>("rows");
    // "row,column=ink/paper" as 0xRRGGBB, and "+blink" where the cell blinks.
    QTest::addColumn<QString>("cell");

    const auto row = [](const char *name, const QByteArray &bytes, const QStringList &rows, const char *cell = "",
                        int width = 0, int record = 0) {
        QTest::newRow(name) << bytes << width << record << rows << QString::fromLatin1(cell);
    };
    // Moving about.
    row("CR LF", "AB\r\nCD", {"AB", "CD"}, "1,1=AAAAAA/000000");
    row("LF to the next row's start", "AB\nCD", {"AB", "CD"});
    row("CR alone", "ABCD\rX", {"XBCD"});
    row("wraps at the right edge", "ABCDE", {"ABCD", "E"}, "", 4);
    row("a full row and CR LF leave a row", "ABCD\r\nE", {"ABCD", "", "E"}, "", 4);
    row("TAB to the next multiple of 8", "A\tB\tC", {"A.......B", "C"}, "", 10);
    row("SUB ends the art", "AB\x1A" "CD", {"AB"});
    row("BS back a cell, BEL silent", "AB\bC\aD", {"ACD"});
    row("BS stops at the edge", "\b\bA", {"A"});
    row("terminal: a full row and CR LF make one row", "ABCD\r\nE", {"ABCD", "E"}, "", 4, 4);
    row("terminal: a full row runs on", "ABCDE", {"ABCD", "E"}, "", 4, 4);
    row("terminal: a move after a full row", Esc("ABCD~[DX"), {"ABXD"}, "", 4, 4);
    row("cursor up, down, forward, back", Esc("~[2BX~[1AY~[3CZ~[2DW"), {"", ".Y..WZ", "X"});
    row("position H and f", Esc("~[3;5HX~[HY~[2;2fZ"), {"Y", ".Z", "....X"});
    row("save and restore", Esc("AB~[s\r\nCD~[uE"), {"ABE", "CD"});
    row("a move of 0 moves 1", Esc("~[0CX"), {".X"});
    row("CHA and HPA to a column", Esc("ABCDE~[2GX~[4`Y"), {"AXCYE"});
    row("CNL and CPL to a line's start", Esc("AB~[2EX~[1FY"), {"AB", "Y", "X"});
    row("VPA to a row", Esc("A~[3dX"), {"A", "", ".X"});
    row("ECH erases in place", Esc("ABCD~[2G~[2X"), {"A..D"});
    row("ICH inserts blanks", Esc("ABCD~[2G~[2@"), {"A..BCD"});
    row("ICH pushes cells off the edge", Esc("ABCD~[2G~[3@"), {"A...B"}, "", 5);
    row("DCH deletes cells", Esc("ABCD~[2G~[2P"), {"AD"});
    row("IL inserts rows", Esc("A\r\nB~[1;1H~[L"), {"", "A", "B"});
    row("DL deletes rows", Esc("A\r\nB\r\nC~[1;1H~[2M"), {"C"});
    row("ED 0 to the end of the screen", Esc("AAAA\r\nBBBB\r\nCC~[1;3H~[J"), {"AA"});
    row("ED 1 to the cursor", Esc("AAAA\r\nBBBB~[2;2H~[1J"), {"", "..BB"});
    row("ESC 7 and ESC 8 keep the place and colours", Esc("~[31mAB~7~[2;5H~[32mX~8C"), {"ABC", "....X"}, "0,2=AA0000/000000");
    row("ESC c resets", Esc("~[31mAB~cC"), {"C"}, "0,0=AAAAAA/000000");
    row("ESC ( B skipped", Esc("A~(BB"), {"AB"});
    row("OSC ended by BEL", Esc("A~]0;title\aB"), {"AB"});
    row("OSC ended by ST", Esc("A~]0;title~\\B"), {"AB"});
    row("DCS, APC, PM and SOS skipped", Esc("A~Pq#0~\\B~_x~\\C~^x~\\D~Xx~\\E"), {"ABCDE"});
    row("ESC in a string ends it", Esc("A~]0;t~[31mB"), {"AB"}, "0,1=AA0000/000000");
    row("OSC 4 sets a colour", Esc("~]4;1;rgb:ff/80/00\a~[31mA"), {"A"}, "0,0=FF8000/000000");
    row("OSC 4 in #RRGGBB and pairs", Esc("~]4;2;#102030;3;rgb:f/f/f~\\~[32mA"), {"A"}, "0,0=102030/000000");
    row("OSC 4 spec not read", Esc("~]4;1;bogus\a~[31mA"), {"A"}, "0,0=AA0000/000000");
    row("erase display", Esc("AAAA\r\nBBBB~[2JC"), {"C"});
    row("erase to the end of the line", Esc("ABCD~[2D~[K"), {"AB"});
    row("erase to the start of the line", Esc("ABCD~[2D~[1K"), {"...D"});
    row("erase the line", Esc("ABCD~[2K"), {""});
    row("erase on a paper", Esc("~[44mAB~[D~[K"), {"A   "}, "0,3=AAAAAA/0000AA", 4);
    // Colours.
    row("nothing set: grey on black", "A", {"A"}, "0,0=AAAAAA/000000");
    row("30-37 ink, 40-47 paper", Esc("~[31;42mA"), {"A"}, "0,0=AA0000/00AA00");
    row("1 bright ink", Esc("~[1;33mA"), {"A"}, "0,0=FFFF55/000000");
    row("1 after the colour", Esc("~[34;1mA"), {"A"}, "0,0=5555FF/000000");
    row("22 normal ink", Esc("~[1;31;22mA"), {"A"}, "0,0=AA0000/000000");
    row("2 normal ink", Esc("~[1;2;31mA"), {"A"}, "0,0=AA0000/000000");
    row("0 resets", Esc("~[1;31;44m~[0mA"), {"A"}, "0,0=AAAAAA/000000");
    row("no parameter resets", Esc("~[1;31;44m~[mA"), {"A"}, "0,0=AAAAAA/000000");
    row("38:2 with the colour space empty", Esc("~[38:2::255:0:0;48:2::0:0:255mA"), {"A"}, "0,0=FF0000/0000FF");
    row("38:2 without the colour space", Esc("~[38:2:1:2:3mA"), {"A"}, "0,0=010203/000000");
    row("38:5 and what follows", Esc("~[38:5:21;41mA"), {"A"}, "0,0=0000FF/AA0000");
    row("sub-parameters of others skipped", Esc("~[4:3;31mA"), {"A"}, "0,0=AA0000/000000");
    row("empty parameter is 0", Esc("~[1;31;mA"), {"A"}, "0,0=AAAAAA/000000");
    row("5 blinks without iCE", Esc("~[5;41mA"), {"A"}, "0,0=AAAAAA/AA0000+blink");
    row("5 bright paper with iCE", Esc("~[5;41mA"), {"A"}, "0,0=AAAAAA/FF5555", 0, 1);
    row("7 reverse", Esc("~[7;31;42mA"), {"A"}, "0,0=00AA00/AA0000");
    row("7 with bold brightens the ink", Esc("~[1;7;31;42mA"), {"A"}, "0,0=55FF55/AA0000");
    row("27 reverse off", Esc("~[7;27;31mA"), {"A"}, "0,0=AA0000/000000");
    row("8 concealed", Esc("~[8;31;42mA"), {"A"}, "0,0=00AA00/00AA00");
    row("39 and 49 defaults", Esc("~[31;42;39;49mA"), {"A"}, "0,0=AAAAAA/000000");
    row("90-97 and 100-107 bright", Esc("~[93;104mA"), {"A"}, "0,0=FFFF55/5555FF");
    row("38;5 and 48;5", Esc("~[38;5;196;48;5;21mA"), {"A"}, "0,0=FF0000/0000FF");
    row("38;5 grey ramp", Esc("~[38;5;232mA"), {"A"}, "0,0=080808/000000");
    row("38;2 and 48;2", Esc("~[38;2;1;2;3;48;2;250;251;252mA"), {"A"}, "0,0=010203/FAFBFC");
    row("24-bit ink and paper (t)", Esc("~[1;10;20;30t~[0;40;50;60tA"), {"A"}, "0,0=0A141E/28323C");
    row("24-bit over 255 clamped", Esc("~[1;999;0;0tA"), {"A"}, "0,0=FF0000/000000");
    // Bad input.
    row("unknown sequences skipped", Esc("A~[5nB~[?7hC~[2;3 qD"), {"ABCD"});
    row("two-byte escape skipped", Esc("A~BC"), {"AC"});
    row("unterminated at the end", Esc("AB~[1;3"), {"AB"});
    row("a control byte ends a sequence", Esc("A~[31\r\nB"), {"A", "B"}, "1,0=AAAAAA/000000");
    row("huge forward stops at the edge", Esc("~[99999999CX"), {QString(79, u'.') + u'X'});
    row("huge back stops at the edge", Esc("AB~[99999999DX"), {"XB"});
    row("negative parameter ignored", Esc("\r\n~[-5AX"), {"", "X"});
    row("huge up stops at the top", Esc("\r\n\r\n~[999999AX"), {"X"});
    row("huge position", Esc("~[1;99999999HX"), {QString(79, u'.') + u'X'});
    row("only escape codes", Esc("~[31m~[2J~[H~[0m"), {});
    row("40 parameters", Esc("~[") + QByteArray("1;").repeated(40) + Esc("31mA"), {"A"}, "0,0=FF5555/000000");
    row("more parameters than kept", Esc("~[") + QByteArray("1;").repeated(70) + Esc("31mA"), {"A"}, "0,0=FFFFFF/000000");
    row("width 0 is 80", QByteArray(81, 'x'), {QString(80, u'x'), "x"}, "", 0);
    row("width 65535 kept to the widest", Esc("~[99999CX"), {QString(4095, u'.') + u'X'}, "", 65535);
    // Binary text: character and attribute pairs, the attribute's bits blue, green, red.
    row("binary text", QByteArray("A\x1F" "B\x4E" "C\x07", 6), {"AB", "C"}, "0,1=FFFF55/AA0000", 2, 2);
    row("binary text blink", QByteArray("A\xC7", 2), {"A"}, "0,0=AAAAAA/AA0000+blink", 0, 2);
    row("binary text iCE", QByteArray("A\xC7", 2), {"A"}, "0,0=AAAAAA/FF5555", 0, 3);
    row("binary text 160 columns", QByteArray("A\x07").repeated(161), {QString(160, u'A'), "A"}, "", 0, 2);
    row("binary text line break bytes are characters", QByteArray("\n\x07\r\x07\x1A\x07", 6), {"\n\r\x1A"}, "", 0, 2);
}

void TestAnsiScreen::cells()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, width);
    QFETCH(int, record);
    QFETCH(QStringList, rows);
    QFETCH(QString, cell);
    TAnsiScreen screen(width, record & 1, record & 2 ? TAnsiScreen::TInput::inBinary : TAnsiScreen::TInput::inAnsi,
                       record & 4 ? TAnsiScreen::TWrap::wrTerminal : TAnsiScreen::TWrap::wrDos);
    // Byte by byte: a sequence split anywhere reads as a whole.
    for (const char byte : bytes)
        screen.Write(QByteArrayView(&byte, 1));
    QCOMPARE(Rows(screen), rows);
    QVERIFY(!screen.Cut());
    if (cell.isEmpty())
        return;
    const QStringList at = cell.section(u'=', 0, 0).split(u',');
    const TAnsiCell got = screen.Cell(at[0].toInt(), at[1].toInt());
    const QString colours = cell.section(u'=', 1).section(u'+', 0, 0);
    const auto rgb = [&screen](quint16 index) { return QStringLiteral("%1").arg(screen.Color(index), 6, 16, QLatin1Char('0')).toUpper(); };
    QCOMPARE(rgb(got.Ink) + u'/' + rgb(got.Paper), colours);
    QCOMPARE(bool(got.Attributes & TAnsiScreen::atBlink), cell.endsWith(QLatin1String("+blink")));
}

void TestAnsiScreen::boundsCutTheArt_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("width");
    QTest::addColumn<bool>("cut");
    QTest::addColumn<qsizetype>("rows");
    QTest::newRow("the last row") << Esc("~[100000;1HX") << 0 << false << qsizetype(100000);
    QTest::newRow("past the last row") << Esc("~[100001;1HX") << 0 << true << qsizetype(0);
    QTest::newRow("moved past, nothing written") << Esc("~[999999B") << 0 << false << qsizetype(0);
    QTest::newRow("LF past the last row") << "X" + QByteArray(100000, '\n') + "Y" << 0 << true << qsizetype(1);
    // Each erase fills a row of 4096 blue cells: the cells run out first.
    const int rows = int(TAnsiScreen::kMaxCells / 4096);
    QTest::newRow("cells") << Esc("~[44m") + Esc("~[2K\n").repeated(rows + 10) << 4096 << true << qsizetype(rows);
}

void TestAnsiScreen::boundsCutTheArt()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, width);
    QFETCH(bool, cut);
    QFETCH(qsizetype, rows);
    TAnsiScreen screen(width);
    screen.Write(bytes);
    QCOMPARE(screen.Cut(), cut);
    QCOMPARE(screen.Ended(), cut);
    QCOMPARE(screen.Rows(), rows);
    if (cut) { // nothing more is read
        screen.Write("\r\nZ");
        QCOMPARE(screen.Rows(), rows);
    }
}

void TestAnsiScreen::animationKeepsItsLastFrame()
{
    // Thousands of frames, each clearing the screen: the last one is what stays.
    QByteArray bytes;
    for (int frame = 0; frame < 20000; ++frame)
        bytes += Esc("~[2J~[H") + QByteArray::number(frame) + Esc("\r\n~[79C*");
    TAnsiScreen screen;
    screen.Write(bytes);
    QCOMPARE(Rows(screen), QStringList({"19999", QString(79, u'.') + u'*'}));
}

void TestAnsiScreen::hyperlinks()
{
    // Only the schemes a click may open; an empty target ends the link.
    TAnsiScreen screen;
    screen.Write(Esc("A~]8;id=1;http://x.org/~\\BC~]8;;~\\D~]8;;javascript:alert(1)~\\E~]8;;~\\"));
    QCOMPARE(screen.Links(), std::vector<QString>({QStringLiteral("http://x.org/")}));
    QString links;
    for (int column = 0; column < 5; ++column)
        links += QString::number(screen.Cell(0, column).Link);
    QCOMPARE(links, QStringLiteral("01100"));
}

void TestAnsiScreen::unendedStringHidesTheRest()
{
    TAnsiScreen screen;
    screen.Write(Esc("AB~]8;;http://x.org/\r\nCD") + QByteArray(100000, 'x'));
    QCOMPARE(Rows(screen), QStringList({"AB"}));
    QVERIFY(screen.InString());
}

void TestAnsiScreen::evidence_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("breaks");
    QTest::addColumn<int>("runs");
    QTest::addColumn<bool>("terminal");
    QTest::newRow("short rows") << QByteArray("AB\r\nCD\r\n") << 0 << 0 << false;
    QTest::newRow("full rows broken") << QByteArray("ABCD\r\nABCD\nAB") << 2 << 0 << false;
    QTest::newRow("full rows run on") << QByteArray("ABCDABCDAB") << 0 << 2 << false;
    QTest::newRow("colour before the break") << Esc("ABCD~[0m\r\n") << 1 << 0 << false;
    QTest::newRow("a move is no break") << Esc("ABCD~[H") << 0 << 0 << false;
    QTest::newRow("OSC") << Esc("~]0;t\aA") << 0 << 0 << true;
    QTest::newRow("private mode") << Esc("~[?25lA") << 0 << 0 << true;
    QTest::newRow("colon colour") << Esc("~[38:5:1mA") << 0 << 0 << true;
}

void TestAnsiScreen::evidence()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, breaks);
    QFETCH(int, runs);
    QFETCH(bool, terminal);
    TAnsiScreen screen(4);
    screen.Write(bytes);
    QCOMPARE(screen.Evidence().EdgeBreaks, breaks);
    QCOMPARE(screen.Evidence().EdgeRuns, runs);
    QCOMPARE(screen.Evidence().TerminalCodes, terminal);
}

QTEST_APPLESS_MAIN(TestAnsiScreen)
#include "tst_ansiscreen.moc"
