// Colour art as the text control shows it: the drawn text (a line a row),
// each position's look, the wrap chosen, the art's own font, its links.

#include "render/TextModeFace.h"
#include "textview/AnsiView.h"

#include <QTest>

class TestAnsiView : public QObject
{
    Q_OBJECT

private slots:
    void binaryLineBreakCellsStayOffTheText();
    void noByteLostAtASliceBoundary_data();
    void noByteLostAtASliceBoundary();
    void wrapChosen_data();
    void wrapChosen();
    void ownFontDrawsTheCells();
    void hyperlinksAreLinks();
    void blinkAndStretchHints();
};

namespace {

TTextBuffer Bytes(const QByteArray &bytes)
{
    TTextBuffer doc;
    doc.SetBreaks(TTextBuffer::TBreaks::LfOnly);
    doc.Load(bytes);
    return doc;
}

TSauce Record(int height, quint8 flags = 0)
{
    TSauce record;
    record.FileType = 1; // ANSi
    record.TInfo[0] = 80;
    record.TInfo[1] = quint16(height);
    record.Flags = flags;
    return record;
}

} // namespace

void TestAnsiView::binaryLineBreakCellsStayOffTheText()
{
    // Their pictures are drawn, but Copy and Find must not see line breaks.
    TAnsiView view(TArtKind::akBinary, std::nullopt);
    view.Build(Bytes(QByteArray("\n\x07\r\x07\t\x07" "A\x07", 8)));
    QCOMPARE(view.Text().LineCount(), 1);
    QCOMPARE(view.Text().Slice(0, view.Text().Length()), QByteArray("   A"));
    TextRenderer::TCellLook look;
    QVERIFY(view.LookAt(0, &look));
    QCOMPARE(look.Glyph, U'\u25D9');
}

void TestAnsiView::noByteLostAtASliceBoundary_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("last"); // the drawn text's last characters
    QTest::addColumn<quint32>("ink");     // of the last one
    // The document is read a megabyte at a time: a code or a pair across the
    // boundary reads as a whole.
    const qsizetype slice = 1 << 20;
    QByteArray ansi(slice - 3, 'x');
    ansi.replace(0, 2, "\r\n");
    QTest::newRow("an escape code") << int(TArtKind::akAnsi) << ansi + "\x1B[31mR" << QByteArray("xR") << 0xAA0000u;
    QTest::newRow("a pair") << int(TArtKind::akBinary) << QByteArray(slice - 1, '\x1F') + "AB\x0C" << QByteArray("\x1F" "B")
                           << 0xFF5555u;
}

void TestAnsiView::noByteLostAtASliceBoundary()
{
    QFETCH(int, kind);
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, last);
    QFETCH(quint32, ink);
    TAnsiView view(TArtKind(kind), std::nullopt);
    view.Build(Bytes(bytes));
    const TTextBuffer &text = view.Text();
    QCOMPARE(text.Slice(text.Length() - last.size(), text.Length()), last);
    TextRenderer::TCellLook look;
    QVERIFY(view.LookAt(text.Length() - 1, &look));
    QCOMPARE(look.Ink, ink);
}

void TestAnsiView::wrapChosen_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("height"); // the record's, 0 for no record
    QTest::addColumn<int>("wrap");
    QTest::addColumn<qsizetype>("lines");
    QTest::addColumn<bool>("terminal");
    const QByteArray full(80, 'x'), broken = (full + "\r\n").repeated(3);
    const int automatic = int(TAnsiWrap::awAutomatic), dos = int(TAnsiWrap::awDos), terminal = int(TAnsiWrap::awTerminal);
    QTest::newRow("full rows broken: a terminal's") << broken << 0 << automatic << qsizetype(3) << true;
    QTest::newRow("DOS forced") << broken << 0 << dos << qsizetype(5) << false;
    QTest::newRow("rows running on: DOS") << full.repeated(3) + "\r\ny" << 0 << automatic << qsizetype(5) << false;
    QTest::newRow("Terminal forced") << full.repeated(3) + "\r\ny" << 0 << terminal << qsizetype(4) << true;
    QTest::newRow("short rows: no choice to make") << QByteArray("ab\r\ncd\r\n") << 0 << automatic << qsizetype(2) << false;
    QTest::newRow("record height of DOS rows") << broken << 5 << automatic << qsizetype(5) << false;
    QTest::newRow("record height of a terminal's rows") << full.repeated(3) + "\r\ny" << 4 << automatic << qsizetype(4) << true;
    QTest::newRow("codes only terminals know") << "\x1B[?7h" + full.repeated(3) + "\r\ny" << 0 << automatic << qsizetype(4)
                                               << true;
    QTest::newRow("PCBoard wraps too") << broken << 0 << automatic << qsizetype(3) << true;
}

void TestAnsiView::wrapChosen()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, height);
    QFETCH(int, wrap);
    QFETCH(qsizetype, lines);
    QFETCH(bool, terminal);
    const TArtKind kind = QByteArrayView(QTest::currentDataTag()).startsWith("PCBoard") ? TArtKind::akPcboard : TArtKind::akAnsi;
    TAnsiView view(kind, height ? std::optional<TSauce>(Record(height)) : std::nullopt, TAnsiWrap(wrap));
    view.Build(Bytes(bytes));
    QCOMPARE(view.Text().LineCount(), lines);
    QCOMPARE(view.DrawnForTerminal(), terminal);
}

void TestAnsiView::ownFontDrawsTheCells()
{
    // A 512-character font 8 x 16: the bright ink draws from the second half;
    // the text keeps the characters for Find and Copy.
    const QByteArray font = QByteArray(256 * 16, '\x18') + QByteArray(256 * 16, '\x81');
    TAnsiView view(TArtKind::akXBin, std::nullopt);
    view.Build(Bytes(QByteArray("XBIN\x1A\x02\0\x01\0\x10\x12", 11) + font + QByteArray("A\x07" "B\x0F", 4)));
    QCOMPARE(view.Text().Slice(0, view.Text().Length()), QByteArray("AB"));
    const QString family = view.FamilyFor(QStringLiteral("Text Mode 8x16"));
    const TTextModeFace *face = TTextModeFace::Find(family);
    QVERIFY2(face && face->IsOwn() && face->Height() == 16, qPrintable(family));
    TextRenderer::TCellLook look;
    QVERIFY(view.LookAt(0, &look));
    QCOMPARE(look.Glyph, TTextModeFace::kOwnGlyphs + 'A');
    QVERIFY(view.LookAt(1, &look));
    QCOMPARE(look.Glyph, TTextModeFace::kOwnGlyphs + 256 + 'B');
    const QImage second = face->Glyph(look.Glyph, qRgb(255, 255, 255));
    QCOMPARE(second.pixelColor(0, 0), QColor(Qt::white));
    QCOMPARE(second.pixelColor(3, 0).alpha(), 0);
}

void TestAnsiView::hyperlinksAreLinks()
{
    TAnsiView view(TArtKind::akAnsi, std::nullopt);
    view.Build(Bytes("ab\r\nc\x1B]8;;https://example.org/\x1B\\link\x1B]8;;\x1B\\d"));
    const QList<TLink> links = view.LinksNear(4, 5);
    QCOMPARE(links.size(), 1);
    QCOMPARE(links[0], (TLink{4, 8, QStringLiteral("https://example.org/")}));
    QVERIFY(view.LinksNear(0, 2).isEmpty());
}

void TestAnsiView::blinkAndStretchHints()
{
    TAnsiView blink(TArtKind::akAnsi, std::nullopt);
    blink.Build(Bytes("\x1B[5mA"));
    TextRenderer::TCellLook look;
    QVERIFY(blink.LookAt(0, &look) && look.Blink);
    QVERIFY(blink.Hints().Blinks);
    TAnsiView ice(TArtKind::akAnsi, Record(1, 0x01 | 0x08)); // iCE colours, stretched rows
    ice.Build(Bytes("\x1B[5mA"));
    QVERIFY(!ice.Hints().Blinks);
    QCOMPARE(ice.Hints().Stretch, 100);
    ice.SetStretch(true);
    QCOMPARE(ice.Hints().Stretch, 120);
    TAnsiView square(TArtKind::akAnsi, Record(1));
    square.SetStretch(true);
    QCOMPARE(square.Hints().Stretch, 100);
}

QTEST_MAIN(TestAnsiView)
#include "tst_ansiview.moc"
