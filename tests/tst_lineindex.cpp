// The index of line starts against a plain list of starts, over random texts
// and edits, and what it costs in memory.

#include "document/LineIndex.h"

#include <QRandomGenerator>
#include <QTest>

#include <vector>

class TestLineIndex : public QObject
{
    Q_OBJECT

private slots:
    void randomEditsMatchModel_data();
    void randomEditsMatchModel();
    void memory_data();
    void memory();
};

namespace {

// Lines of 0 to 2 * meanLine - 1 bytes of any value but '\n' (bytes that
// differ from it in one bit included), each ended by a break.
QByteArray RandomText(QRandomGenerator &random, qsizetype size, int meanLine)
{
    QByteArray text;
    text.reserve(size + 2 * meanLine);
    while (text.size() < size) {
        for (int i = random.bounded(2 * meanLine); i > 0; --i) {
            const char ch = char(random.bounded(256));
            text += ch == '\n' ? char(0x8A) : ch;
        }
        text += '\n';
    }
    text.truncate(size);
    return text;
}

std::vector<qsizetype> ModelStarts(const QByteArray &text)
{
    std::vector<qsizetype> starts{0};
    for (qsizetype p = 0; p < text.size(); ++p) {
        if (text[p] == '\n')
            starts.push_back(p + 1);
    }
    return starts;
}

// The text as a gap buffer holds it: two runs in separate blocks of memory.
struct TSplitText
{
    TSplitText(const QByteArray &text, qsizetype gap) : Before(text.left(gap)), After(text.mid(gap)) {}
    TTextRuns Runs() const { return {Before, After}; }
    QByteArray Before, After;
};

void CompareWithModel(const TLineIndex &index, const QByteArray &text, QRandomGenerator &random)
{
    const std::vector<qsizetype> starts = ModelStarts(text);
    const qsizetype lines = qsizetype(starts.size());
    const TSplitText split(text, random.bounded(text.size() + 1));
    const TTextRuns runs = split.Runs();
    QCOMPARE(index.LineCount(), lines);
    // In order, as painting asks.
    for (qsizetype line = 0; line < lines; ++line)
        QCOMPARE(index.LineStart(line, runs), starts[size_t(line)]);
    for (qsizetype p = 0, line = 0; p <= text.size(); ++p) {
        if (line + 1 < lines && starts[size_t(line) + 1] == p)
            ++line;
        QCOMPARE(index.LineOf(p, runs), line);
    }
    // Anywhere, and near the last answer in either direction.
    qsizetype line = 0;
    qsizetype pos = 0;
    for (int i = 0; i < 300; ++i) {
        const bool near = random.bounded(2);
        line = near ? std::clamp<qsizetype>(line + random.bounded(-3, 4), 0, lines - 1) : random.bounded(lines);
        pos = near ? std::clamp<qsizetype>(pos + random.bounded(-200, 200), 0, text.size())
                   : random.bounded(text.size() + 1);
        QCOMPARE(index.LineStart(line, runs), starts[size_t(line)]);
        const auto after = std::upper_bound(starts.begin(), starts.end(), pos);
        QCOMPARE(index.LineOf(pos, runs), qsizetype(after - starts.begin()) - 1);
    }
}

} // namespace

void TestLineIndex::randomEditsMatchModel_data()
{
    // Texts of lines around meanLine bytes (0: a new mean for every piece of
    // text), up to about maxSize bytes.
    QTest::addColumn<int>("meanLine");
    QTest::addColumn<int>("maxSize");
    QTest::newRow("mostly breaks") << 1 << 60'000;
    QTest::newRow("short lines") << 30 << 100'000;
    QTest::newRow("lines about the span") << 2'000 << 200'000;
    QTest::newRow("long lines") << 20'000 << 400'000;
    QTest::newRow("lines over 64 KB") << 100'000 << 800'000;
    QTest::newRow("mixed") << 0 << 300'000;
}

void TestLineIndex::randomEditsMatchModel()
{
    QFETCH(int, meanLine);
    QFETCH(int, maxSize);
    QRandomGenerator random(uint(meanLine * 7 + maxSize));
    const auto text = [&](qsizetype size) {
        static constexpr int kMeans[] = {1, 3, 40, 3'000, 70'000};
        return RandomText(random, size, meanLine ? meanLine : kMeans[random.bounded(5)]);
    };
    for (int round = 0; round < 6; ++round) {
        // Read in, as a file is.
        QByteArray model = round == 0 ? QByteArray() : text(random.bounded(maxSize));
        TLineIndex index;
        index.Push(1); // left over from an earlier file
        index.Clear();
        for (qsizetype start : ModelStarts(model)) {
            if (start > 0)
                index.Push(start);
        }
        CompareWithModel(index, model, random);
        for (int op = 0; op < 25; ++op) {
            // Small edits as typed, larger ones as pasted, some that take out
            // most of the text or go in at either end, and lines read on.
            const int kind = random.bounded(9);
            if (kind == 8) {
                model += QByteArray(random.bounded(2 * TLineIndex::kSpan), 'y') + '\n';
                index.Push(model.size());
                CompareWithModel(index, model, random);
                continue;
            }
            const qsizetype size = model.size();
            qsizetype from = kind == 0 ? 0 : kind == 1 ? size : random.bounded(size + 1);
            qsizetype to = from + (kind < 4 ? random.bounded(4) : random.bounded(size / 2 + 1));
            if (kind == 7) {
                from = random.bounded(size / 8 + 1);
                to = size - random.bounded(size / 8 + 1);
            }
            to = std::clamp(to, from, size);
            const QByteArray inserted = text(kind < 5 ? random.bounded(4) : random.bounded(maxSize / 4));
            const qsizetype removedLines = model.mid(from, to - from).count('\n');
            model.replace(from, to - from, inserted);
            const TSplitText split(model, random.bounded(model.size() + 1));
            const auto [removed, added] = index.Replace(from, to, inserted, split.Runs());
            QCOMPARE(removed, removedLines);
            QCOMPARE(added, inserted.count('\n'));
            // Edits leave no trail of small blocks behind.
            QVERIFY2(index.MemoryBytes() < 2048 + model.size() / 16, QByteArray::number(index.MemoryBytes()));
            CompareWithModel(index, model, random);
        }
    }
}

void TestLineIndex::memory_data()
{
    // A text of lines of lineBytes bytes each, given line by line or as one
    // insertion, then cut down to its last kept bytes (-1: not cut); the
    // index may take at most share of the text's size.
    QTest::addColumn<qsizetype>("lines");
    QTest::addColumn<qsizetype>("lineBytes");
    QTest::addColumn<bool>("inserted");
    QTest::addColumn<qsizetype>("kept");
    QTest::addColumn<double>("share");
    QTest::newRow("breaks read in") << qsizetype(10'000'000) << qsizetype(1) << false << qsizetype(-1) << 0.3;
    QTest::newRow("breaks pasted") << qsizetype(10'000'000) << qsizetype(1) << true << qsizetype(-1) << 0.3;
    QTest::newRow("breaks pasted, most cut") << qsizetype(10'000'000) << qsizetype(1) << true << qsizetype(2'000)
                                             << 0.3;
    QTest::newRow("100 KB lines read in") << qsizetype(1'000) << qsizetype(100'000) << false << qsizetype(-1)
                                          << 0.08;
}

void TestLineIndex::memory()
{
    QFETCH(qsizetype, lines);
    QFETCH(qsizetype, lineBytes);
    QFETCH(bool, inserted);
    QFETCH(qsizetype, kept);
    QFETCH(double, share);
    qsizetype size = lines * lineBytes;
    TLineIndex index;
    QByteArray text;
    if (inserted) {
        text = QByteArray(size, '\n');
        index.Replace(0, 0, text, {text, {}});
    } else {
        for (qsizetype start = lineBytes; start <= size; start += lineBytes)
            index.Push(start);
    }
    if (kept >= 0) {
        text.remove(0, size - kept);
        index.Replace(0, size - kept, {}, {text, {}});
        lines = size = kept;
    }
    QCOMPARE(index.LineCount(), lines + 1);
    QVERIFY2(index.MemoryBytes() < share * double(size), QByteArray::number(index.MemoryBytes()));
    if (!text.isEmpty()) {
        QCOMPARE(index.LineStart(lines / 2, {text, {}}), lines / 2);
        QCOMPARE(index.LineOf(size - 1, {text, {}}), lines - 1);
    }
}

QTEST_APPLESS_MAIN(TestLineIndex)
#include "tst_lineindex.moc"
