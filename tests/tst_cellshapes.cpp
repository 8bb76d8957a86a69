// Art drawn cell-exact: blocks join at every size, frames close, halves and
// shades cover what they should.

#include "platform/Cp437.h"
#include "render/CellPainter.h"
#include "render/CellShapes.h"
#include "textview/AnsiView.h"
#include "textview/RichEdit.h"
#include "textview/TextRenderer.h"
#include "render/TextModeFace.h"

#include <QImage>
#include <QPainter>
#include <QTest>

#include <queue>

class TestCellShapes : public QObject
{
    Q_OBJECT

private slots:
    void fullBlocksLeaveNoGapAtAnySize();
    void doubleFrameIsClosed_data();
    void doubleFrameIsClosed();
    void partialCellsCoverTheirShare_data();
    void partialCellsCoverTheirShare();
    void textModeFaceScalesByWholePixels_data();
    void textModeFaceScalesByWholePixels();
    void textModeFaceDrawsDoubleLinesDouble();
    void textModeFaceLeavesShapesThatDoNotJoin();
    void linesAreAsHeavyAsTheText_data();
    void linesAreAsHeavyAsTheText();
    void artCellsHaveTheirOwnColours_data();
    void artCellsHaveTheirOwnColours();
    void ninthColumnRepeatsTheEighth_data();
    void ninthColumnRepeatsTheEighth();
};

namespace {

const QColor kInk(255, 255, 255);

// The pixels of the background region around start, as a mask.
QImage Region(const QImage &image, QPoint start)
{
    QImage seen(image.size(), QImage::Format_Mono);
    seen.fill(0);
    std::queue<QPoint> todo;
    todo.push(start);
    while (!todo.empty()) {
        const QPoint p = todo.front();
        todo.pop();
        if (!image.rect().contains(p) || seen.pixelIndex(p) || image.pixelColor(p) == kInk)
            continue;
        seen.setPixel(p, 1);
        for (const QPoint d : {QPoint(1, 0), QPoint(-1, 0), QPoint(0, 1), QPoint(0, -1)})
            todo.push(p + d);
    }
    return seen;
}

} // namespace

void TestCellShapes::fullBlocksLeaveNoGapAtAnySize()
{
    TRichEdit edit;
    edit.SetColors(kInk, Qt::black);
    edit.SetBytes(QByteArray("\xDB\xDB\xDB\r\n").repeated(10));
    edit.show();
    QVERIFY(QTest::qWaitForWindowExposed(&edit));
    for (int points = 6; points <= 72; ++points) {
        QFont font(QStringLiteral("Lucida Console ANSI"));
        font.setPointSize(points);
        edit.SetTextFont(font);
        const QRect first = edit.CharRect(0);
        const QRect last = edit.CharRect(9 * 4 + 2);
        edit.resize(last.right() + 80, last.bottom() + 80);
        const QImage image = edit.viewport()->grab().toImage();
        const QRect art(first.topLeft(), last.bottomRight());
        for (int y = art.top(); y <= art.bottom(); ++y) {
            for (int x = art.left(); x <= art.right(); ++x) {
                if (image.pixelColor(x, y) != kInk)
                    QFAIL(qPrintable(QStringLiteral("gap at %1,%2 at %3 points").arg(x).arg(y).arg(points)));
            }
        }
    }
}

void TestCellShapes::doubleFrameIsClosed_data()
{
    QTest::addColumn<QSize>("cell");
    for (const QSize cell : {QSize(8, 16), QSize(7, 13), QSize(9, 19), QSize(12, 24), QSize(29, 58)})
        QTest::newRow(qPrintable(QStringLiteral("%1x%2").arg(cell.width()).arg(cell.height()))) << cell;
}

void TestCellShapes::doubleFrameIsClosed()
{
    // A 3 x 3 double frame on a margin of one cell: if a corner failed to
    // meet its lines, the inside, the gap between the lines and the outside
    // would run into each other.
    QFETCH(QSize, cell);
    const char16_t frame[3][3] = {{0x2554, 0x2550, 0x2557}, {0x2551, u' ', 0x2551}, {0x255A, 0x2550, 0x255D}};
    QImage image(cell.width() * 5, cell.height() * 5, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 3; ++col)
            CellShapes::Draw(painter, QRect(QPoint((col + 1) * cell.width(), (row + 1) * cell.height()), cell),
                             frame[row][col], kInk);
    }
    painter.end();
    const QPoint inside(cell.width() * 5 / 2, cell.height() * 5 / 2);
    // The gap between the two lines of the top edge, in its middle cell.
    int y = cell.height();
    while (image.pixelColor(inside.x(), y) != kInk)
        ++y;
    while (image.pixelColor(inside.x(), y) == kInk)
        ++y;
    const QPoint gap(inside.x(), y);
    QVERIFY(image.pixelColor(gap) != kInk && y < cell.height() * 2);
    const QImage outside = Region(image, QPoint(0, 0));
    QVERIFY(!outside.pixelIndex(inside));
    QVERIFY(!outside.pixelIndex(gap));
    QVERIFY(!Region(image, gap).pixelIndex(inside));
    // The gap runs all the way round: it reaches the middle of the left edge.
    int x = cell.width();
    while (image.pixelColor(x, inside.y()) != kInk)
        ++x;
    while (image.pixelColor(x, inside.y()) == kInk)
        ++x;
    QVERIFY(Region(image, gap).pixelIndex(QPoint(x, inside.y())));
}

void TestCellShapes::partialCellsCoverTheirShare_data()
{
    QTest::addColumn<int>("ch");
    QTest::addColumn<QSize>("cell");
    QTest::addColumn<QRect>("covered"); // within the cell; empty for a shade
    QTest::addColumn<int>("percent");
    QTest::newRow("upper half") << 0x2580 << QSize(8, 16) << QRect(0, 0, 8, 8) << 50;
    QTest::newRow("lower half, odd height") << 0x2584 << QSize(7, 13) << QRect(0, 6, 7, 7) << 0;
    QTest::newRow("left half") << 0x258C << QSize(10, 20) << QRect(0, 0, 5, 20) << 50;
    QTest::newRow("right half") << 0x2590 << QSize(10, 20) << QRect(5, 0, 5, 20) << 50;
    QTest::newRow("full") << 0x2588 << QSize(9, 17) << QRect(0, 0, 9, 17) << 100;
    QTest::newRow("light shade") << 0x2591 << QSize(8, 16) << QRect() << 25;
    QTest::newRow("medium shade") << 0x2592 << QSize(8, 16) << QRect() << 50;
    QTest::newRow("dark shade") << 0x2593 << QSize(8, 16) << QRect() << 75;
}

void TestCellShapes::partialCellsCoverTheirShare()
{
    QFETCH(int, ch);
    QFETCH(QSize, cell);
    QFETCH(QRect, covered);
    QFETCH(int, percent);
    QVERIFY(CellShapes::IsShape(char16_t(ch)));
    QImage image(cell, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    CellShapes::Draw(painter, image.rect(), char16_t(ch), kInk);
    painter.end();
    int ink = 0;
    for (int y = 0; y < cell.height(); ++y) {
        for (int x = 0; x < cell.width(); ++x) {
            const bool on = image.pixelColor(x, y) == kInk;
            ink += on;
            if (!covered.isEmpty())
                QCOMPARE(on, covered.contains(x, y));
        }
    }
    if (percent > 0)
        QCOMPARE(ink * 100, percent * cell.width() * cell.height());
}

void TestCellShapes::textModeFaceScalesByWholePixels_data()
{
    // The size asked for, in multiples of the face, and the multiple drawn.
    QTest::addColumn<int>("asked");
    QTest::addColumn<int>("scale");
    QTest::newRow("2x") << 2 << 2;
    QTest::newRow("3x") << 3 << 3;
    QTest::newRow("5x on the screen is 4x") << 5 << 4;
}

void TestCellShapes::textModeFaceScalesByWholePixels()
{
    QFETCH(int, asked);
    QFETCH(int, scale);
    const TTextModeFace *face = TTextModeFace::Find(QStringLiteral("Text Mode 8x16"));
    if (!face)
        QSKIP("the console fonts are not installed (package console-setup-linux)");
    QFont font(face->Family());
    font.setPixelSize(16 * asked);
    TCellPainter cells;
    cells.SetFont(font);
    QCOMPARE(QSize(cells.CellWidth(), cells.CellHeight()), QSize(8 * scale, 16 * scale));
    // A column of three full blocks, then letters beside it.
    const QByteArray text("Ag\xB0\xB3");
    QImage image(cells.CellWidth() * (1 + int(text.size())), cells.CellHeight() * 3, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    for (int row = 0; row < 3; ++row)
        cells.Draw(painter, QRect(0, row * cells.CellHeight(), cells.CellWidth(), cells.CellHeight()), 0x2588, kInk);
    for (int i = 0; i < text.size(); ++i)
        cells.Draw(painter, QRect((i + 1) * cells.CellWidth(), 0, cells.CellWidth(), cells.CellHeight()), Cp437::ToUnicode(uchar(text[i])), kInk);
    cells.Flush(painter);
    painter.end();
    for (int y = 0; y < image.height(); ++y)
        QVERIFY2(image.pixelColor(0, y) == kInk && image.pixelColor(cells.CellWidth() - 1, y) == kInk, "gap in the blocks");
    // Every pixel is ink or background, the same as the top-left pixel of
    // its scale x scale square.
    int ink = 0;
    for (int y = 0; y < cells.CellHeight(); ++y) {
        for (int x = cells.CellWidth(); x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            QVERIFY(c == kInk || c == Qt::black);
            QCOMPARE(c, image.pixelColor(x - x % scale, y - y % scale));
            ink += c == kInk;
        }
    }
    QVERIFY(ink > 0);
}

void TestCellShapes::textModeFaceDrawsDoubleLinesDouble()
{
    // Some console fonts stand single lines in for double ones: those are not taken.
    if (!TTextModeFace::Find(QStringLiteral("Text Mode 8x16")))
        QSKIP("the console fonts are not installed (package console-setup-linux)");
    QFont font(QStringLiteral("Text Mode 8x16"));
    font.setPixelSize(16);
    TCellPainter cells;
    cells.SetFont(font);
    for (const char16_t ch : {u'\u2551', u'\u2550', u'\u256C'}) {
        QImage image(8, 16, QImage::Format_RGB32);
        image.fill(Qt::black);
        QPainter painter(&image);
        cells.Draw(painter, image.rect(), ch, kInk);
        cells.Flush(painter);
        painter.end();
        // Runs of ink across the top row and down the left column.
        int across = 0, down = 0;
        for (int x = 0; x < 8; ++x)
            across += image.pixelColor(x, 0) == kInk && (x == 0 || image.pixelColor(x - 1, 0) != kInk);
        for (int y = 0; y < 16; ++y)
            down += image.pixelColor(0, y) == kInk && (y == 0 || image.pixelColor(0, y - 1) != kInk);
        QCOMPARE(std::pair(across, down), std::pair(ch == u'\u2550' ? 0 : 2, ch == u'\u2551' ? 0 : 2));
    }
}

void TestCellShapes::textModeFaceLeavesShapesThatDoNotJoin()
{
    // Where the face's own glyph of a frame, block or shade would not join
    // its neighbours, the exact shape is drawn instead.
    const TTextModeFace *face = TTextModeFace::Find(QStringLiteral("Text Mode 8x16"));
    if (!face)
        QSKIP("the console fonts are not installed (package console-setup-linux)");
    QFont font(face->Family());
    font.setPixelSize(32);
    TCellPainter cells;
    cells.SetFont(font);
    const QRect cell(0, 0, cells.CellWidth(), cells.CellHeight());
    int compared = 0;
    for (char16_t ch = 0x2500; ch < 0x25A0; ++ch) {
        if (!CellShapes::IsShape(ch) || !face->Has(ch) || face->Joins(ch))
            continue;
        QImage drawn(cell.size(), QImage::Format_RGB32), shape(cell.size(), QImage::Format_RGB32);
        drawn.fill(Qt::black);
        shape.fill(Qt::black);
        QPainter painter(&drawn);
        cells.Draw(painter, cell, ch, kInk);
        cells.Flush(painter);
        painter.end();
        painter.begin(&shape);
        CellShapes::Draw(painter, cell, ch, kInk, CellShapes::LineWeight(font));
        painter.end();
        QVERIFY2(drawn == shape, qPrintable(QString::number(ch, 16)));
        ++compared;
    }
    if (compared == 0)
        QSKIP("every shape of this face joins");
}

void TestCellShapes::linesAreAsHeavyAsTheText_data()
{
    QTest::addColumn<int>("points");
    QTest::newRow("9 points") << 9;
    QTest::newRow("24 points") << 24;
    QTest::newRow("48 points") << 48;
}

void TestCellShapes::linesAreAsHeavyAsTheText()
{
    // "|", a single and a double horizontal line and a light shade, drawn
    // in a row of cells.
    QFETCH(int, points);
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setPointSize(points);
    TCellPainter cells;
    cells.SetFont(font);
    const int w = cells.CellWidth(), h = cells.CellHeight();
    QImage image(w * 4, h, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    const char32_t chars[] = {U'|', 0x2500, 0x2550, 0x2591};
    for (int i = 0; i < 4; ++i)
        cells.Draw(painter, QRect(i * w, 0, w, h), chars[i], kInk);
    cells.Flush(painter);
    painter.end();
    // The bar's stroke: its ink summed across the row in its middle.
    double stroke = 0;
    for (int x = 0; x < w; ++x)
        stroke += qGray(image.pixel(x, h / 2)) / 255.0;
    // The runs of ink and gap down the middle of a cell.
    const auto runs = [&](int cell) {
        QList<int> found;
        bool inInk = false;
        for (int y = 0; y < h; ++y) {
            const bool on = image.pixelColor(cell * w + w / 2, y) == kInk;
            if (on != inInk || found.isEmpty())
                found << 0;
            ++found.back();
            inInk = on;
        }
        return found;
    };
    const QList<int> single = runs(1), twin = runs(2);
    QCOMPARE(single.size(), 3); // background, line, background
    QVERIFY2(std::abs(single[1] - stroke) <= 1.0, qPrintable(QStringLiteral("line %1, stroke %2").arg(single[1]).arg(stroke)));
    QCOMPARE(twin.size(), 5); // both lines and a gap between them
    QCOMPARE(twin[1], single[1]);
    QVERIFY(twin[2] >= 1);
    // The shade's dots are as wide as the line.
    int x = 3 * w;
    const int y = (h / 2) / (2 * single[1]) * (2 * single[1]); // a row of dots
    while (image.pixelColor(x, y) == kInk) // a dot cut by the cell's edge
        ++x;
    while (image.pixelColor(x, y) != kInk)
        ++x;
    int dot = 0;
    while (image.pixelColor(x + dot, y) == kInk)
        ++dot;
    QCOMPARE(dot, single[1]);
}

void TestCellShapes::artCellsHaveTheirOwnColours_data()
{
    QTest::addColumn<int>("paper");
    for (int paper = 0; paper < 16; ++paper)
        QTest::addRow("paper %d", paper) << paper;
}

void TestCellShapes::artCellsHaveTheirOwnColours()
{
    // A full block, an upper half block and a light shade in another ink,
    // from the escape codes to the pixels.
    QFETCH(int, paper);
    constexpr QRgb kVga[16] = {0x000000, 0xAA0000, 0x00AA00, 0xAA5500, 0x0000AA, 0xAA00AA, 0x00AAAA, 0xAAAAAA,
                               0x555555, 0xFF5555, 0x55FF55, 0xFFFF55, 0x5555FF, 0xFF55FF, 0x55FFFF, 0xFFFFFF};
    const int ink = 15 - paper;
    TTextBuffer bytes;
    bytes.SetBreaks(TTextBuffer::TBreaks::LfOnly);
    bytes.Load("\x1B[" + QByteArray::number(paper < 8 ? 40 + paper : 100 + paper - 8) + ';'
               + QByteArray::number(ink < 8 ? 30 + ink : 90 + ink - 8) + "m\xDB\xDF\xB0");
    TAnsiView art(TArtKind::akAnsi, std::nullopt);
    art.Build(bytes);
    TCellPainter cells;
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setPixelSize(16);
    cells.SetFont(font);
    const int w = cells.CellWidth(), h = cells.CellHeight();
    QImage image(3 * w, h, QImage::Format_RGB32);
    image.fill(Qt::magenta);
    QPainter painter(&image);
    TextRenderer::DrawLines(painter, cells, art.Text(), 0, 1, QPoint(0, 0), Qt::magenta, Qt::magenta, &art);
    painter.end();
    const QRgb inkRgb = 0xFF000000 | kVga[ink], paperRgb = 0xFF000000 | kVga[paper];
    int shade = 0;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            QCOMPARE(image.pixel(x, y), inkRgb);
            QCOMPARE(image.pixel(w + x, y), y < h / 2 ? inkRgb : paperRgb);
            const QRgb dot = image.pixel(2 * w + x, y);
            QVERIFY(dot == inkRgb || dot == paperRgb);
            shade += dot == inkRgb;
        }
    }
    // A quarter of the cell, give or take the pattern's cut at its edges.
    QVERIFY2(shade * 100 >= 20 * w * h && shade * 100 <= 30 * w * h, qPrintable(QString::number(shade)));
}

void TestCellShapes::ninthColumnRepeatsTheEighth_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("repeats");
    QTest::newRow("horizontal line C4") << 0xC4 << true;
    QTest::newRow("cross C5") << 0xC5 << true;
    QTest::newRow("full block DB") << 0xDB << true;
    QTest::newRow("right half DE") << 0xDE << true;
    QTest::newRow("light shade B0") << 0xB0 << false;
    QTest::newRow("vertical line B3") << 0xB3 << false;
    QTest::newRow("corner BF") << 0xBF << false;
    QTest::newRow("letter") << int('M') << false;
}

void TestCellShapes::ninthColumnRepeatsTheEighth()
{
    QFETCH(int, code);
    QFETCH(bool, repeats);
    for (const QString &family : {QStringLiteral("DejaVu Sans Mono"), QStringLiteral("Text Mode 8x16")}) {
        QFont font(family); // the text-mode face where its console fonts are installed
        font.setPixelSize(16);
        TCellPainter cells;
        cells.SetFont(font);
        const int glyph = cells.CellWidth();
        cells.SetNinthColumn(true);
        const int ninth = cells.CellWidth() - glyph;
        QCOMPARE(ninth, TTextModeFace::Find(family) ? 1 : std::max(1, (glyph + 4) / 8));
        QImage image(cells.CellWidth(), cells.CellHeight(), QImage::Format_RGB32);
        image.fill(Qt::black);
        QPainter painter(&image);
        cells.Draw(painter, image.rect(), Cp437::ToUnicode(uchar(code)), kInk);
        cells.Flush(painter);
        painter.end();
        int inked = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = glyph; x < glyph + ninth; ++x) {
                QCOMPARE(image.pixelColor(x, y), repeats ? image.pixelColor(x - ninth, y) : QColor(Qt::black));
                inked += image.pixelColor(x, y) == kInk;
            }
        }
        QCOMPARE(inked > 0, repeats);
    }
}

QTEST_MAIN(TestCellShapes)
#include "tst_cellshapes.moc"
