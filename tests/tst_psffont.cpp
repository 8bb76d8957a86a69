// Console fonts of both PSF versions read from bytes: sizes, the glyph of a
// code point through the Unicode table, and damaged files refused.

#include "render/PsfFont.h"

#include <QTest>

class TestPsfFont : public QObject
{
    Q_OBJECT

private slots:
    void readsGlyphsByCodePoint_data();
    void readsGlyphsByCodePoint();
};

namespace {

QByteArray Le32(quint32 v)
{
    const char bytes[4] = {char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
    return QByteArray(bytes, 4);
}

// Glyph 1's top row inks pixels 0, 1 and the last; it stands for U+00E9 and
// U+2500, and for "e" with a combining accent only as a sequence.
QByteArray Psf2(int width)
{
    const int rowBytes = (width + 7) / 8;
    QByteArray data = QByteArray("\x72\xb5\x4a\x86") + Le32(0) + Le32(32) + Le32(1) + Le32(2) + Le32(rowBytes * 3)
                      + Le32(3) + Le32(width);
    QByteArray glyph1(rowBytes * 3, 0);
    glyph1[0] = char(0xC0);
    glyph1[(width - 1) / 8] = char(glyph1[(width - 1) / 8] | (0x80 >> ((width - 1) % 8)));
    data += QByteArray(rowBytes * 3, 0) + glyph1;
    return data + "A\xff" + "\xc3\xa9\xe2\x94\x80\xfe" + "e\xcc\x81\xff";
}

QByteArray Psf1()
{
    QByteArray data("\x36\x04\x02\x03", 4);
    QByteArray glyphs(256 * 3, 0);
    glyphs[3] = char(0xC1);
    data += glyphs;
    // Glyph 2, after glyph 1's sequence, stands for "B" again.
    data += QByteArray("A\0\xff\xff", 4) + QByteArray("\xe9\0\0\x25\xfe\xff" "e\0\x01\x03\xff\xff", 12)
            + QByteArray("B\0\xff\xff", 4);
    for (int i = 3; i < 256; ++i)
        data += "\xff\xff";
    return data;
}

} // namespace

void TestPsfFont::readsGlyphsByCodePoint_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("width"); // 0: refused
    QTest::newRow("version 2, 10 wide") << Psf2(10) << 10;
    QTest::newRow("version 1") << Psf1() << 8;
    QTest::newRow("version 2 cut short") << Psf2(10).left(40) << 0;
    QTest::newRow("version 1 cut short") << Psf1().left(300) << 0;
    QTest::newRow("not a font") << QByteArray("hello, world, this is not a font at all") << 0;
}

void TestPsfFont::readsGlyphsByCodePoint()
{
    QFETCH(QByteArray, data);
    QFETCH(int, width);
    TPsfFont font;
    QCOMPARE(font.LoadData(data), width > 0);
    QCOMPARE(font.IsNull(), width == 0);
    if (!width)
        return;
    QCOMPARE(QSize(font.Width(), font.Height()), QSize(width, 3));
    QVERIFY(font.Has(U'A') && font.Has(0xE9) && font.Has(0x2500));
    QVERIFY(!font.Has(U'e'));
    QCOMPARE(font.Has(U'B'), width == 8); // only version 1 has a third glyph
    for (int x = 0; x < width; ++x)
        QCOMPARE(font.Pixel(0xE9, x, 0), x < 2 || x == width - 1);
    QVERIFY(!font.Pixel(0xE9, 0, 1) && !font.Pixel(U'A', 0, 0) && !font.Pixel(U'e', 0, 0));
    const QImage glyph = font.Glyph(0x2500, qRgb(255, 0, 0));
    QCOMPARE(glyph.size(), QSize(width, 3));
    QCOMPARE(glyph.pixel(1, 0), qRgb(255, 0, 0));
    QCOMPARE(qAlpha(glyph.pixel(2, 0)), 0);
}

QTEST_MAIN(TestPsfFont)
#include "tst_psffont.moc"
