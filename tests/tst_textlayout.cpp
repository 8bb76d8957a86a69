// Display lines of the document: where lines wrap, and the background
// layout of a large document arriving at the same lines as laying it out
// at once.

#include "textview/DisplayCounts.h"
#include "textview/ScrollAxis.h"
#include "textview/TextLayout.h"

#include <QRandomGenerator>
#include <QTest>

class TestTextLayout : public QObject
{
    Q_OBJECT

private slots:
    void wrapsAtWordBoundaries_data();
    void wrapsAtWordBoundaries();
    void backgroundLayoutMatchesLayoutAtOnce();
    void widestLineCountsTabsAndShrinks();
    void displayCountsMatchAPlainList();
    void scrollPositionsBeyondTheBar_data();
    void scrollPositionsBeyondTheBar();
};

namespace {

// The display lines joined by '|'.
QByteArray Shown(TTextBuffer &doc, const TTextLayout &layout)
{
    QList<QByteArray> lines;
    for (int d = 0; d < layout.DisplayLineCount(); ++d) {
        lines << doc.Slice(layout.DisplayLineStart(d), layout.DisplayLineEnd(d));
        if (layout.DisplayLineOf(layout.DisplayLineStart(d)) != d)
            return "display line " + QByteArray::number(d) + " does not map back";
    }
    return lines.join('|');
}

} // namespace

void TestTextLayout::wrapsAtWordBoundaries_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("columns");
    QTest::addColumn<QByteArray>("shown");
    QTest::newRow("words") << QByteArray("one two three") << 8 << QByteArray("one two |three");
    QTest::newRow("blanks hang over") << QByteArray("abc    def") << 4 << QByteArray("abc    |def");
    QTest::newRow("a long word breaks anywhere") << QByteArray("abcdefghij") << 4 << QByteArray("abcd|efgh|ij");
    QTest::newRow("a tab takes its stop") << QByteArray("\tab") << 8 << QByteArray("\t|ab");
    QTest::newRow("lines stay lines") << QByteArray("ab\r\n\r\ncd") << 8 << QByteArray("ab||cd");
    QTest::newRow("wide enough") << QByteArray("one two three") << 13 << QByteArray("one two three");
}

void TestTextLayout::wrapsAtWordBoundaries()
{
    QFETCH(QByteArray, text);
    QFETCH(int, columns);
    QFETCH(QByteArray, shown);
    TTextBuffer doc;
    doc.Load(text);
    TTextLayout layout(doc);
    layout.SetWrap(true, columns);
    QVERIFY(layout.Complete());
    QCOMPARE(Shown(doc, layout), shown);
    layout.SetWrap(false, columns);
    QCOMPARE(layout.DisplayLineCount(), doc.LineCount());
}

void TestTextLayout::backgroundLayoutMatchesLayoutAtOnce()
{
    TTextBuffer doc;
    doc.Load(QByteArray("word ").repeated(20).append("\r\n").repeated(40000));
    TTextLayout layout(doc);
    layout.SetWrap(true, 33);
    QVERIFY(!layout.Complete()); // four megabytes of long lines
    // The shown lines are laid out first; an edit lands meanwhile.
    layout.LayOutLines(100, 140);
    layout.Update(doc.Replace(doc.LineStart(120), doc.LineStart(120), "a b c d e f g h\n", TTextBuffer::TEditKind::Step));
    while (!layout.Complete())
        layout.LayOutMore(5);
    const int total = layout.DisplayLineCount();
    QCOMPARE(total, 40000 * 4 + 1 + 1);
    for (int d = 0; d < total; d += 997)
        QCOMPARE(layout.DisplayLineOf(layout.DisplayLineStart(d)), d);
    TTextLayout atOnce(doc);
    atOnce.SetWrap(true, 33);
    atOnce.LayOutLines(0, doc.LineCount());
    for (int d = 0; d < total; d += 997)
        QCOMPARE(layout.DisplayLineStart(d), atOnce.DisplayLineStart(d));
}

void TestTextLayout::widestLineCountsTabsAndShrinks()
{
    TTextBuffer doc;
    doc.Load(QByteArray(100, 'x') + "\r\n" + QByteArray(20, '\t') + "\r\nab\tc");
    TTextLayout layout(doc);
    layout.SetWrap(false, 80);
    QCOMPARE(layout.WidestColumns(), 100); // the tabs are not read before they are shown
    layout.Measure(1);
    QCOMPARE(layout.WidestColumns(), 160);
    layout.Update(doc.Replace(doc.LineStart(1), doc.LineStart(2), {}, TTextBuffer::TEditKind::Step));
    QCOMPARE(layout.WidestColumns(), 100);
    layout.Update(doc.Replace(0, 90, {}, TTextBuffer::TEditKind::Step)); // the widest line narrower
    QCOMPARE(layout.WidestColumns(), 10);
    layout.Update(doc.Replace(0, 10, {}, TTextBuffer::TEditKind::Step));
    QCOMPARE(layout.WidestColumns(), 9); // "ab", a tab to column 8, "c"
}

void TestTextLayout::displayCountsMatchAPlainList()
{
    // Random counts (some beyond a byte) and edits across block edges,
    // against a list of counts summed the slow way.
    QRandomGenerator random(20);
    TDisplayCounts counts;
    std::vector<qsizetype> model(700, 1);
    counts.Reset(700);
    for (int step = 0; step < 300; ++step) {
        const qsizetype lines = qsizetype(model.size());
        if (step % 3 == 0) {
            const qsizetype first = random.bounded(lines), removed = random.bounded(std::min<qsizetype>(lines - first, 300)) + 1;
            const qsizetype inserted = random.bounded(400) + (removed == lines ? 1 : 0);
            counts.Replace(first, removed, inserted);
            model.erase(model.begin() + first, model.begin() + first + removed);
            model.insert(model.begin() + first, size_t(inserted), 1);
        } else {
            // Counts around a byte's end (255 is the marker for the side map) and beyond it.
            const qsizetype line = random.bounded(lines), count = random.bounded(10) != 0 ? 1 + random.bounded(4)
                                                                   : random.bounded(2) ? 254 + random.bounded(3)
                                                                                       : 257 + random.bounded(1000);
            counts.Set(line, count);
            model[size_t(line)] = count;
        }
        qsizetype first = 0;
        for (qsizetype line = 0; line < qsizetype(model.size()); ++line) {
            QCOMPARE(counts.Count(line), model[size_t(line)]);
            QCOMPARE(counts.First(line), first);
            QCOMPARE(counts.LineAt(first + model[size_t(line)] - 1), line);
            first += model[size_t(line)];
        }
        QCOMPARE(counts.Total(), first);
    }
}

void TestTextLayout::scrollPositionsBeyondTheBar_data()
{
    QTest::addColumn<qsizetype>("max");
    QTest::newRow("small") << qsizetype(1000);
    QTest::newRow("the bar's end") << TScrollAxis::kBarMax;
    QTest::newRow("one past") << TScrollAxis::kBarMax + 1;
    QTest::newRow("billions of lines") << qsizetype(5'000'000'007);
    QTest::newRow("billions, not a multiple of the step") << qsizetype(5'000'000'008);
}

void TestTextLayout::scrollPositionsBeyondTheBar()
{
    QFETCH(qsizetype, max);
    TScrollAxis axis;
    const int barMax = axis.SetMax(max);
    QVERIFY(barMax <= TScrollAxis::kBarMax);
    // Every position is kept exactly, and the bar echoing it back moves nothing.
    for (const qsizetype pos : {qsizetype(0), qsizetype(1), max / 2 + 1, max - 1, max}) {
        const int value = axis.Set(pos);
        axis.FromBar(value);
        QCOMPARE(axis.Pos(), pos);
    }
    // The bar's ends are the ends, reached from the other end; its middle is
    // the middle.
    axis.FromBar(0);
    QCOMPARE(axis.Pos(), 0);
    axis.FromBar(barMax);
    QCOMPARE(axis.Pos(), max);
    axis.FromBar(0);
    QCOMPARE(axis.Pos(), 0);
    axis.FromBar(barMax / 2);
    QVERIFY(qAbs(axis.Pos() - max / 2) <= max / barMax + 1);
    QCOMPARE(axis.Set(max + 10), barMax);
}

QTEST_GUILESS_MAIN(TestTextLayout)
#include "tst_textlayout.moc"
