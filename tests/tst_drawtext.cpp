// The DT_* text-drawing helper: measuring (lines, breaks, prefixes, tabs) and placement.
#include "platform/DrawText.h"
#include "support/Pixels.h"

#include <QPainter>
#include <QtTest>

namespace {

QFont TestFont()
{
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setPixelSize(12);
    return font;
}

QRect Ink(const QImage &image)
{
    return PixelBounds(image, [](QRgb pixel) { return pixel != qRgb(255, 255, 255); });
}

QImage Drawn(const QString &text, unsigned format, int *result = nullptr)
{
    QImage image(120, 60, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(TestFont());
    painter.setPen(Qt::black);
    QRect rect = image.rect();
    const int height = DrawTextA(painter, text, rect, format);
    if (result)
        *result = height;
    return image;
}

} // namespace

class TestDrawText : public QObject
{
    Q_OBJECT

private slots:
    void measure_data();
    void measure();
    void placement_data();
    void placement();
    void calcRectAndPrefix();
};

void TestDrawText::measure_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<unsigned>("format");
    QTest::addColumn<int>("width");     // in pixels of the rectangle to wrap in
    QTest::addColumn<QString>("widest"); // the widest line as drawn
    QTest::addColumn<int>("lines");

    const unsigned none = 0;
    QTest::newRow("CR LF, LF and CR") << "a\r\nbbb\nc\rdd" << none << 500 << "bbb" << 4;
    QTest::newRow("final break opens no line") << "ab\r\n" << none << 500 << "ab" << 1;
    QTest::newRow("empty lines count") << "ab\r\n\r\n" << none << 500 << "ab" << 2;
    QTest::newRow("empty text") << "" << none << 500 << "" << 0;
    QTest::newRow("single line keeps breaks as blanks") << "a\r\nb" << unsigned(DT_SINGLELINE) << 500 << "a  b" << 1;
    QTest::newRow("word break") << "aaa bbb ccc" << unsigned(DT_WORDBREAK) << QFontMetrics(TestFont()).horizontalAdvance("aaa bbb c") << "aaa bbb" << 2;
    QTest::newRow("many words a line") << "a b c d e f g h i j k" << unsigned(DT_WORDBREAK)
                                       << QFontMetrics(TestFont()).horizontalAdvance("a b c d e f g") << "a b c d e f g" << 2;
    QTest::newRow("long word stays whole") << "aaaaaaaa b" << unsigned(DT_WORDBREAK) << 10 << "aaaaaaaa" << 2;
    QTest::newRow("no wrap without word break") << "aaa bbb ccc" << none << 10 << "aaa bbb ccc" << 1;
    QTest::newRow("prefix removed") << "&File" << none << 500 << "File" << 1;
    QTest::newRow("double ampersand") << "a&&b" << none << 500 << "a&b" << 1;
    QTest::newRow("no prefix") << "&File" << unsigned(DT_NOPREFIX) << 500 << "&File" << 1;
}

void TestDrawText::measure()
{
    QFETCH(QString, text);
    QFETCH(unsigned, format);
    QFETCH(int, width);
    QFETCH(QString, widest);
    QFETCH(int, lines);
    const QFontMetrics fm(TestFont());
    const QRect measured = MeasureTextA(fm, text, QRect(5, 7, width, 10), format);
    QCOMPARE(measured, QRect(5, 7, fm.horizontalAdvance(widest), lines * fm.height()));
}

void TestDrawText::placement_data()
{
    QTest::addColumn<unsigned>("format");
    QTest::addColumn<int>("xPart"); // 0 left, 1 centre, 2 right
    QTest::addColumn<int>("yPart"); // 0 top, 1 centre, 2 bottom

    QTest::newRow("left top") << unsigned(DT_SINGLELINE) << 0 << 0;
    QTest::newRow("centre vcentre") << unsigned(DT_SINGLELINE | DT_CENTER | DT_VCENTER) << 1 << 1;
    QTest::newRow("right bottom") << unsigned(DT_SINGLELINE | DT_RIGHT | DT_BOTTOM) << 2 << 2;
    QTest::newRow("vertical only on a single line") << unsigned(DT_RIGHT | DT_BOTTOM) << 2 << 0;
}

void TestDrawText::placement()
{
    QFETCH(unsigned, format);
    QFETCH(int, xPart);
    QFETCH(int, yPart);
    const QFontMetrics fm(TestFont());
    const QRect origin = Ink(Drawn("Xy", DT_SINGLELINE));
    int height = 0;
    const QRect ink = Ink(Drawn("Xy", format, &height));
    const int dx = (120 - fm.horizontalAdvance("Xy")) * xPart / 2;
    const int dy = (60 - fm.height()) * yPart / 2;
    QCOMPARE(ink.topLeft() - origin.topLeft(), QPoint(dx, dy));
    QCOMPARE(height, dy + fm.height());
}

void TestDrawText::calcRectAndPrefix()
{
    int height = 0;
    const QImage untouched = Drawn("Wide text", DT_CALCRECT, &height);
    QVERIFY(Ink(untouched).isEmpty()); // measuring draws nothing
    QCOMPARE(height, QFontMetrics(TestFont()).height());

    // "&F" underlines F: ink reaches below the same text drawn without the prefix.
    const QRect plain = Ink(Drawn("F", 0));
    const QRect prefixed = Ink(Drawn("&F", 0));
    QVERIFY(prefixed.bottom() > plain.bottom());
    QVERIFY(Ink(Drawn("&F", DT_NOPREFIX)).width() > plain.width());

    // Tabs stop every 8 average widths, or every n with DT_TABSTOP.
    const QFontMetrics fm(TestFont());
    const int avg = fm.averageCharWidth();
    QCOMPARE(MeasureTextA(fm, "a\tb", QRect(0, 0, 500, 9), DT_EXPANDTABS).width(), 8 * avg + fm.horizontalAdvance("b"));
    QCOMPARE(MeasureTextA(fm, "a\tb", QRect(0, 0, 500, 9), DT_EXPANDTABS | DT_TABSTOP).width(),
             8 * avg + fm.horizontalAdvance("b")); // a count of 0 means the usual 8
    // A tab where the line must break goes down with the word after it (this looped before).
    QCOMPARE(MeasureTextA(fm, "ab\tc", QRect(0, 0, fm.horizontalAdvance("ab"), 9), DT_WORDBREAK | DT_EXPANDTABS),
             QRect(0, 0, 8 * avg + fm.horizontalAdvance("c"), 2 * fm.height()));
    QCOMPARE(MeasureTextA(fm, "\tc", QRect(0, 0, -1, 9), DT_WORDBREAK).height(), fm.height()); // even with no room
}

QTEST_MAIN(TestDrawText)
#include "tst_drawtext.moc"
