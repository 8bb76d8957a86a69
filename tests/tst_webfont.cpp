// The font of a face's pixels that web pages embed: read back by the
// system's own font engine, each glyph is its pixels at the face's height,
// the cell exactly as wide and the line exactly as high as the face's.

#include "render/WebFont.h"

#include <QGlyphRun>
#include <QPainter>
#include <QRawFont>
#include <QTest>

class TestWebFont : public QObject
{
    Q_OBJECT

private slots:
    void glyphsAreTheirPixels_data();
    void glyphsAreTheirPixels();
};

void TestWebFont::glyphsAreTheirPixels_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::newRow("8 x 16") << 8 << 16;
    QTest::newRow("9 x 16, letters nine apart") << 9 << 16;
    QTest::newRow("8 x 8") << 8 << 8;
    QTest::newRow("1 x 1") << 1 << 1;
    QTest::newRow("widest and tallest") << 64 << 32;
}

void TestWebFont::glyphsAreTheirPixels()
{
    QFETCH(int, width);
    QFETCH(int, height);
    const quint64 full = width == 64 ? ~quint64(0) : (quint64(1) << width) - 1;
    // A full block, a checkerboard, one pixel off the corner, and a blank.
    QList<WebFont::TGlyph> glyphs(4);
    glyphs[0] = {0x2588, std::vector<quint64>(size_t(height), full)};
    glyphs[1].Code = 0x2592;
    glyphs[2].Code = u'x';
    glyphs[3] = {u' ', std::vector<quint64>(size_t(height), 0)};
    for (int y = 0; y < height; ++y) {
        glyphs[1].Rows.push_back((y % 2 ? 0xAAAAAAAAAAAAAAAAull : 0x5555555555555555ull) & full);
        glyphs[2].Rows.push_back(y == height - 1 ? quint64(1) << (width - 1) : 0);
    }
    glyphs << WebFont::TGlyph{0x2588, std::vector<quint64>(size_t(height), 0)}; // a second one is passed over

    const QRawFont font(WebFont::Make(QStringLiteral("Test Cells"), width, height, glyphs), height);
    QVERIFY(font.isValid());
    QCOMPARE(font.familyName(), QStringLiteral("Test Cells"));
    QCOMPARE(qRound(font.ascent() + font.descent()), height); // the line is the cell
    for (qsizetype k = 0; k < 4; ++k) {
        const QList<quint32> index = font.glyphIndexesForString(QString::fromUcs4(&glyphs[k].Code, 1));
        QVERIFY(!index.isEmpty() && index[0] != 0);
        QCOMPARE(font.advancesForGlyphIndexes(index).value(0).x(), qreal(width));
        // Drawn at the cell's top left, on whole pixels.
        QImage cell(width, height, QImage::Format_ARGB32_Premultiplied);
        cell.fill(Qt::transparent);
        QPainter painter(&cell);
        QGlyphRun run;
        run.setRawFont(font);
        run.setGlyphIndexes(index);
        run.setPositions({QPointF(0, font.ascent())});
        painter.setPen(Qt::white);
        painter.drawGlyphRun(QPointF(0, 0), run);
        painter.end();
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const bool ink = glyphs[k].Rows[size_t(y)] >> x & 1;
                QVERIFY2((qAlpha(cell.pixel(x, y)) >= 128) == ink,
                         qPrintable(QStringLiteral("U+%1 at %2, %3").arg(quint32(glyphs[k].Code), 4, 16).arg(x).arg(y)));
            }
        }
    }
}

QTEST_MAIN(TestWebFont)
#include "tst_webfont.moc"
