// The document behind the text control: edits, undo steps, the line index
// and the bytes written back, against a plain byte model.

#include "platform/Cp437.h"
#include "document/TextBuffer.h"

#include <QRandomGenerator>
#include <QTest>

using TKind = TTextBuffer::TEditKind;

class TestTextBuffer : public QObject
{
    Q_OBJECT

private slots:
    void randomEditsMatchModel();
    void undoGrouping_data();
    void undoGrouping();
    void untrackedEditEndsTheHistory();
    void breaksAsRead_data();
    void breaksAsRead();
};

namespace {

// The file bytes of model text: every break as CR LF.
QByteArray FileOf(QByteArray text)
{
    return text.replace("\n", "\r\n");
}

void CompareWithModel(const TTextBuffer &doc, const QByteArray &model)
{
    QCOMPARE(doc.Slice(0, doc.Length()), model);
    QCOMPARE(doc.FileBytes(), FileOf(model));
    QCOMPARE(doc.LineCount(), int(model.count('\n')) + 1);
    int line = 0;
    for (int p = 0; p <= model.size(); ++p) {
        if (p == 0 || model[p - 1] == '\n') {
            QCOMPARE(doc.LineStart(line), p);
            ++line;
        }
        QCOMPARE(doc.LineOf(p), line - 1);
    }
}

} // namespace

void TestTextBuffer::randomEditsMatchModel()
{
    QRandomGenerator random(12);
    const QByteArray alphabet("ab \n\t\r\x00\xDB\xC9\xFF", 10);
    for (int round = 0; round < 20; ++round) {
        // Raw file bytes with every kind of break and every byte value.
        QByteArray raw;
        for (int i = 0, n = random.bounded(300); i < n; ++i)
            raw += char(random.bounded(3) ? alphabet[random.bounded(alphabet.size())] : random.bounded(256));
        TTextBuffer doc;
        doc.Load(raw);
        QCOMPARE(doc.FileBytes(), Cp437::NormalizeLineBreaks(raw));
        QByteArray model = doc.Slice(0, doc.Length());
        QList<QByteArray> history;
        int saved = 0; // history size at the last save, -1 once out of reach
        for (int op = 0; op < 200; ++op) {
            const int action = random.bounded(10);
            if (action < 2 && !history.isEmpty()) {
                QVERIFY(doc.CanUndo());
                doc.Undo();
                model = history.takeLast();
            } else if (action == 2) {
                doc.SetModified(false);
                saved = int(history.size());
            } else if (action == 3) {
                // Saved and opened again: the same text, no history.
                doc.Load(doc.FileBytes());
                history.clear();
                saved = 0;
            } else {
                const int from = random.bounded(model.size() + 1);
                const int to = action < 6 ? std::min<int>(int(model.size()), from + random.bounded(8)) : from;
                QByteArray bytes;
                for (int i = 0, n = action < 6 ? random.bounded(3) : 1 + random.bounded(6); i < n; ++i)
                    bytes += alphabet[random.bounded(alphabet.size())];
                bytes.replace('\r', '\n'); // document bytes hold breaks as '\n' only
                if (saved > int(history.size()))
                    saved = -1;
                history << model;
                doc.Replace(from, to, bytes, TKind::Step);
                model.replace(from, to - from, bytes);
            }
            QCOMPARE(doc.Modified(), saved != int(history.size()));
            CompareWithModel(doc, model);
        }
    }
}

void TestTextBuffer::undoGrouping_data()
{
    // Edits as "kind position removed-count text"; after one undo the text is
    // expected back as it was before the edits that form the last step.
    QTest::addColumn<QByteArray>("start");
    QTest::addColumn<QStringList>("edits");
    QTest::addColumn<QByteArray>("afterUndo");
    QTest::newRow("typing run") << QByteArray("x") << QStringList{"t 1 0 a", "t 2 0 b", "t 3 0 c"} << QByteArray("x");
    QTest::newRow("typing elsewhere") << QByteArray("xy") << QStringList{"t 1 0 a", "t 0 0 b"} << QByteArray("xay");
    QTest::newRow("a break ends the run") << QByteArray() << QStringList{"t 0 0 a", "s 1 0 \n", "t 2 0 b"}
                                          << QByteArray("a\n");
    QTest::newRow("backspace run") << QByteArray("abcd") << QStringList{"d 3 1", "d 2 1", "d 1 1"}
                                   << QByteArray("abcd");
    QTest::newRow("delete run") << QByteArray("abcd") << QStringList{"d 1 1", "d 1 1"} << QByteArray("abcd");
    QTest::newRow("backspace over what a step took") << QByteArray("abcdef") << QStringList{"s 2 1", "d 2 1", "d 1 1"}
                                                     << QByteArray("abdef");
    QTest::newRow("paste is one step") << QByteArray("ab") << QStringList{"t 2 0 c", "s 3 0 pasted"}
                                       << QByteArray("abc");
    QTest::newRow("typing after a paste") << QByteArray() << QStringList{"s 0 0 p", "t 1 0 q"} << QByteArray("p");
    QTest::newRow("save ends the run") << QByteArray() << QStringList{"t 0 0 a", "save", "t 1 0 b"}
                                       << QByteArray("a");
}

void TestTextBuffer::undoGrouping()
{
    QFETCH(QByteArray, start);
    QFETCH(QStringList, edits);
    QFETCH(QByteArray, afterUndo);
    TTextBuffer doc;
    doc.Load(start);
    for (const QString &edit : edits) {
        if (edit == QLatin1String("save")) {
            doc.SetModified(false);
            continue;
        }
        const QStringList f = edit.split(u' ');
        const int pos = f[1].toInt();
        const TKind kind = f[0] == u't' ? TKind::Typing : f[0] == u'd' ? TKind::Deleting : TKind::Step;
        doc.Replace(pos, pos + f[2].toInt(), f.value(3).toLatin1(), kind);
    }
    doc.Undo();
    QCOMPARE(doc.Slice(0, doc.Length()), afterUndo);
}

void TestTextBuffer::untrackedEditEndsTheHistory()
{
    TTextBuffer doc;
    doc.Load("abc");
    doc.Replace(0, 0, "x", TKind::Step);
    doc.Replace(1, 2, "y", TKind::Untracked);
    // Undoing the earlier step at its old position would corrupt the text.
    QVERIFY(!doc.CanUndo());
    QVERIFY(doc.Modified());
    QCOMPARE(doc.FileBytes(), QByteArray("xybc"));
}

void TestTextBuffer::breaksAsRead_data()
{
    // A file read in two pieces, split after the first CR: the lines it makes
    // and the bytes written back with LF breaks.
    QTest::addColumn<bool>("lfOnly");
    QTest::addColumn<qsizetype>("lines");
    QTest::addColumn<QByteArray>("written");
    const QByteArray file("a\rb\r\nc\nd\r");
    QTest::newRow("any break") << false << qsizetype(5) << QByteArray("a\nb\nc\nd\n");
    QTest::newRow("LF only") << true << qsizetype(3) << file;
}

void TestTextBuffer::breaksAsRead()
{
    QFETCH(bool, lfOnly);
    QFETCH(qsizetype, lines);
    QFETCH(QByteArray, written);
    TTextBuffer doc;
    doc.SetBreaks(lfOnly ? TTextBuffer::TBreaks::LfOnly : TTextBuffer::TBreaks::Any);
    doc.Load("a\r");
    doc.Append("b\r\nc\nd\r", true);
    QCOMPARE(doc.LineCount(), lines);
    QCOMPARE(doc.FileBytes("\n"), written);
}

QTEST_GUILESS_MAIN(TestTextBuffer)
#include "tst_textbuffer.moc"
