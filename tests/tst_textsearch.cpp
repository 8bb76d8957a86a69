#include "platform/Cp437.h"
#include "platform/TextSearch.h"

#include <QRandomGenerator>
#include <QTest>

using TextSearch::FindStart;
using TextSearch::FindText;

namespace {

// Document text from file bytes, as the text control holds it.
QString Text(const QByteArray &bytes)
{
    return Cp437::Decode(bytes);
}

QChar Glyph(unsigned char byte)
{
    return QChar(Cp437::ToUnicode(byte));
}

} // namespace

class TestTextSearch : public QObject
{
    Q_OBJECT

private slots:
    void findText_data();
    void findText();
    void letterCase_data();
    void letterCase();
    void agreesWithPlainSearch();
    void findStart_data();
    void findStart();
    void findNextStepsThroughDocument();
};

void TestTextSearch::findText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("what");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("expected");

    QTest::newRow("upper finds lower") << "xx abc" << "ABC" << 0 << 3;
    QTest::newRow("mixed case") << "The Art Of NFO" << "aRt oF" << 0 << 4;
    QTest::newRow("cp437 upper finds lower") << Text("gr\x84" "ber") << Text("GR\x8E" "BER") << 0 << 0;
    QTest::newRow("cp437 lower finds upper") << Text("\x9A" "BER") << Text("\x81" "ber") << 0 << 0;
    QTest::newRow("accent is not case") << "cafe" << Text("caf\x82") << 0 << -1;
    QTest::newRow("shades stay apart") << Text("\xB0\xB0") << Text("\xB1") << 0 << -1;
    QTest::newRow("frame characters") << Text("\xC9\xCD\xCD\xBB\r\n\xBA x \xBA") << Text("\xCD\xBB") << 0 << 2;
    QTest::newRow("match at end") << "abcdef" << "EF" << 0 << 4;
    QTest::newRow("whole text") << "abc" << "ABC" << 0 << 0;
    QTest::newRow("no match") << "abcdef" << "xyz" << 0 << -1;
    QTest::newRow("needle longer than text") << "abc" << "abcd" << 0 << -1;
    QTest::newRow("empty needle") << "abc" << "" << 0 << -1;
    QTest::newRow("empty text") << "" << "a" << 0 << -1;
    QTest::newRow("from skips earlier match") << "ab ab" << "AB" << 1 << 3;
    QTest::newRow("from on a match") << "ab ab" << "ab" << 3 << 3;
    QTest::newRow("match ends past text") << "ab ab" << "ab" << 4 << -1;
    QTest::newRow("from at end") << "abc" << "c" << 3 << -1;
    QTest::newRow("from beyond end") << "abc" << "c" << 10 << -1;
    QTest::newRow("negative from searches all") << "abc" << "a" << -5 << 0;
    QTest::newRow("adjacent occurrences") << "abcabc" << "abc" << 3 << 3;
    QTest::newRow("line break counts one") << Text("ab\r\ncd\r\nef") << "EF" << 0 << 6;
    QTest::newRow("paragraph separator counts one")
        << QStringLiteral("ab\u2029cd") << "cd" << 0 << 3;
    QTest::newRow("needle across line break")
        << QStringLiteral("ab\u2029cd") << QStringLiteral("b\nc") << 0 << 1;
    QTest::newRow("no-break space is not a space") << Text("a\xFF" "b") << "a b" << 0 << -1;
}

void TestTextSearch::findText()
{
    QFETCH(QString, text);
    QFETCH(QString, what);
    QFETCH(int, from);
    QFETCH(int, expected);
    QCOMPARE(FindText(text, what, from), expected);
}

void TestTextSearch::letterCase_data()
{
    QTest::addColumn<int>("a");
    QTest::addColumn<int>("b");
    QTest::addColumn<bool>("same");

    QTest::newRow("A a") << 0x41 << 0x61 << true;
    QTest::newRow("Z z") << 0x5A << 0x7A << true;
    QTest::newRow("Ä ä") << 0x8E << 0x84 << true;
    QTest::newRow("Ü ü") << 0x9A << 0x81 << true;
    QTest::newRow("Ç ç") << 0x80 << 0x87 << true;
    QTest::newRow("É é") << 0x90 << 0x82 << true;
    QTest::newRow("Å å") << 0x8F << 0x86 << true;
    QTest::newRow("Æ æ") << 0x92 << 0x91 << true;
    QTest::newRow("Ö ö") << 0x99 << 0x94 << true;
    QTest::newRow("Ñ ñ") << 0xA5 << 0xA4 << true;
    QTest::newRow("Σ σ") << 0xE4 << 0xE5 << true;
    QTest::newRow("Φ φ") << 0xE8 << 0xED << true;
    QTest::newRow("a à") << 0x61 << 0x85 << false;
    QTest::newRow("A Ä") << 0x41 << 0x8E << false;
    QTest::newRow("s ß") << 0x73 << 0xE1 << false;
    QTest::newRow("@ `") << 0x40 << 0x60 << false; // differ by 0x20 but are not letters
    QTest::newRow("[ {") << 0x5B << 0x7B << false;
    QTest::newRow("smile pictures") << 0x01 << 0x02 << false;
}

void TestTextSearch::letterCase()
{
    QFETCH(int, a);
    QFETCH(int, b);
    QFETCH(bool, same);
    const QString ta(Glyph(a)), tb(Glyph(b));
    QCOMPARE(FindText(QStringLiteral("xy") + ta, tb) == 2, same);
    QCOMPARE(FindText(QStringLiteral("xy") + tb, ta) == 2, same);
}

// The fast scan works on blocks of characters; a plain search over texts of
// letters whose case folds the same everywhere must agree at every offset.
void TestTextSearch::agreesWithPlainSearch()
{
    const QString alphabet = QStringLiteral("aAbB ") + Glyph(0x84) + Glyph(0x8E) + Glyph(0xCD);
    QRandomGenerator random(5);
    auto randomText = [&](int length) {
        QString s;
        for (int i = 0; i < length; ++i)
            s += alphabet.at(random.bounded(alphabet.size()));
        return s;
    };
    for (int round = 0; round < 3000; ++round) {
        const QString text = randomText(1 + random.bounded(80));
        const QString what = randomText(1 + random.bounded(5));
        const int from = random.bounded(text.size() + 2);
        const qsizetype expected = what.size() <= text.size() && from <= text.size()
                                       ? text.indexOf(what, from, Qt::CaseInsensitive)
                                       : -1;
        if (FindText(text, what, from) != expected)
            QFAIL(qPrintable(QStringLiteral("\"%1\" in \"%2\" from %3: %4, expected %5")
                                 .arg(what, text).arg(from).arg(FindText(text, what, from)).arg(expected)));
    }
}

void TestTextSearch::findStart_data()
{
    QTest::addColumn<int>("selStart");
    QTest::addColumn<int>("selLength");
    QTest::addColumn<int>("expected");

    QTest::newRow("caret at start") << 0 << 0 << 0;
    QTest::newRow("caret in the middle is not used") << 17 << 0 << 0;
    QTest::newRow("selection") << 5 << 3 << 8;
    QTest::newRow("one character") << 5 << 1 << 6;
    QTest::newRow("selection from start") << 0 << 4 << 4;
}

void TestTextSearch::findStart()
{
    QFETCH(int, selStart);
    QFETCH(int, selLength);
    QFETCH(int, expected);
    QCOMPARE(FindStart(selStart, selLength), expected);
}

// Find Next as the main window does it: a match becomes the selection, so the
// next search starts after it; without a selection it starts at the top.
void TestTextSearch::findNextStepsThroughDocument()
{
    const QString text = QStringLiteral("abcABC x aBc");
    const QString what = QStringLiteral("abc");
    int selStart = 5, selLength = 0; // caret in the middle
    QList<int> found;
    for (;;) {
        const qsizetype at = FindText(text, what, FindStart(selStart, selLength));
        if (at < 0)
            break;
        selStart = int(at);
        selLength = int(what.size());
        found.append(selStart);
    }
    QCOMPARE(found, QList<int>({0, 3, 9}));

    // The only occurrence lies above the user's selection: nothing is found
    // until the selection is gone.
    const QString once = QStringLiteral("needle and hay");
    QCOMPARE(FindText(once, u"NEEDLE", FindStart(7, 3)), -1);
    QCOMPARE(FindText(once, u"NEEDLE", FindStart(7, 0)), 0);
}

QTEST_MAIN(TestTextSearch)
#include "tst_textsearch.moc"
