#include "platform/Cp437.h"
#include "document/TextSearch.h"
#include "document/TextBuffer.h"

#include <QRandomGenerator>
#include <QTest>

using TextSearch::FindStart;
using TextSearch::FindText;

// The same search over the bytes as the text control holds them.
static qsizetype FindInBytes(const QString &text, const QString &what, qsizetype from = 0)
{
    return TextSearch::FindBytes(Charset::Encode(TCharset::csCp437, text), what, from);
}

namespace {
QString Text(const QByteArray &bytes) { return Cp437::Decode(bytes); } // as the text control holds it
QString Glyph(int byte) { return QString(QChar(Cp437::ToUnicode(static_cast<unsigned char>(byte)))); }
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
    void findNextStepsThroughDocument();
    void unicodeDocumentsMatchCharacters();
};

void TestTextSearch::findText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("what");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("expected");

    QTest::newRow("upper finds lower") << "xx abc" << "ABC" << 0 << 3;
    QTest::newRow("cp437 letters") << Text("gr\x84" "ber") << Text("GR\x8E" "BER") << 0 << 0;
    QTest::newRow("accent is not case") << "cafe" << Text("caf\x82") << 0 << -1;
    QTest::newRow("frame characters") << Text("\xC9\xCD\xCD\xBB\r\n\xBA") << Text("\xCD\xBB") << 0 << 2;
    QTest::newRow("match at end") << "abcdef" << "EF" << 0 << 4;
    QTest::newRow("no match") << "abcdef" << "xyz" << 0 << -1;
    QTest::newRow("needle longer than text") << "abc" << "abcd" << 0 << -1;
    QTest::newRow("empty needle") << "abc" << "" << 0 << -1;
    QTest::newRow("from skips earlier match") << "ab ab" << "AB" << 1 << 3;
    QTest::newRow("match would end past text") << "ab ab" << "ab" << 4 << -1;
    QTest::newRow("from beyond end") << "abc" << "c" << 10 << -1;
    QTest::newRow("line break counts one") << Text("ab\r\ncd\r\nef") << "EF" << 0 << 6;
    QTest::newRow("paragraph separator") << QStringLiteral("ab\u2029cd") << QStringLiteral("b\nc") << 0 << 1;
    QTest::newRow("no-break space is no blank") << Text("a\xFF" "b") << "a b" << 0 << -1;
}

void TestTextSearch::findText()
{
    QFETCH(QString, text);
    QFETCH(QString, what);
    QFETCH(int, from);
    QFETCH(int, expected);
    QCOMPARE(FindText(text, what, from), expected);
    QCOMPARE(FindInBytes(text, what, from), expected);
}

void TestTextSearch::letterCase_data()
{
    QTest::addColumn<int>("a");
    QTest::addColumn<int>("b");
    QTest::addColumn<bool>("same");

    QTest::newRow("A a") << 0x41 << 0x61 << true;
    QTest::newRow("Ä ä") << 0x8E << 0x84 << true;
    QTest::newRow("Ü ü") << 0x9A << 0x81 << true;
    QTest::newRow("Ñ ñ") << 0xA5 << 0xA4 << true;
    QTest::newRow("Σ σ") << 0xE4 << 0xE5 << true;
    QTest::newRow("A Ä") << 0x41 << 0x8E << false;
    QTest::newRow("s ß") << 0x73 << 0xE1 << false;
    QTest::newRow("@ `, not letters") << 0x40 << 0x60 << false;
}

void TestTextSearch::letterCase()
{
    QFETCH(int, a);
    QFETCH(int, b);
    QFETCH(bool, same);
    QCOMPARE(FindText(QStringLiteral("xy") + Glyph(a), Glyph(b)) == 2, same);
    QCOMPARE(FindText(QStringLiteral("xy") + Glyph(b), Glyph(a)) == 2, same);
    QCOMPARE(FindInBytes(QStringLiteral("xy") + Glyph(b), Glyph(a)) == 2, same);
}

// The fast scan works on blocks of characters: it must agree with a plain
// search at every offset, on letters both fold alike.
void TestTextSearch::agreesWithPlainSearch()
{
    const QString alphabet = QStringLiteral("aAbB ") + Glyph(0x84) + Glyph(0x8E) + Glyph(0xCD);
    QRandomGenerator random(5);
    auto make = [&](int length) {
        QString s;
        for (int i = 0; i < length; ++i)
            s += alphabet.at(random.bounded(alphabet.size()));
        return s;
    };
    for (int round = 0; round < 3000; ++round) {
        const QString text = make(1 + random.bounded(80));
        const QString what = make(1 + random.bounded(5));
        const int from = random.bounded(text.size() + 1);
        const qsizetype expected = text.indexOf(what, from, Qt::CaseInsensitive);
        QVERIFY2(FindText(text, what, from) == expected, qPrintable(what + QStringLiteral(" in ") + text));
        QVERIFY2(FindInBytes(text, what, from) == expected, qPrintable(what + QStringLiteral(" in bytes ") + text));
    }
}

// Find Next as the main window runs it: a match becomes the selection, so the
// next search starts after it; the caret alone does not count.
void TestTextSearch::findNextStepsThroughDocument()
{
    const QString text = QStringLiteral("abcABC x aBc");
    int selStart = 5, selLength = 0;
    QList<qsizetype> found;
    for (qsizetype at; (at = FindText(text, u"abc", FindStart(selStart, selLength))) >= 0;) {
        found.append(at);
        selStart = int(at);
        selLength = 3;
    }
    QCOMPARE(found, QList<qsizetype>({0, 3, 9}));

    // The only occurrence lies before the user's selection: found only after
    // the selection is gone.
    QCOMPARE(FindText(u"needle and hay", u"NEEDLE", FindStart(7, 3)), -1);
    QCOMPARE(FindText(u"needle and hay", u"NEEDLE", FindStart(7, 0)), 0);
}

void TestTextSearch::unicodeDocumentsMatchCharacters()
{
    // Matches are characters, their lengths bytes; letter case folds beyond ASCII.
    const QByteArray utf8 = QStringLiteral("x \u00C9t\u00E9 \U0001F600b \u2554").toUtf8();
    qsizetype length = 0;
    QCOMPARE(TextSearch::FindInDocument(utf8, TCharset::csUtf8, u"\u00E9T\u00C9", 0, &length), 2);
    QCOMPARE(length, 5);
    QCOMPARE(TextSearch::FindInDocument(utf8, TCharset::csUtf8, QStringLiteral("\U0001F600B"), 0, &length), 8);
    QCOMPARE(length, 5);
    QCOMPARE(TextSearch::FindInDocument(utf8, TCharset::csUtf8, u"B \u2554", 0, &length), 12);
    QCOMPARE(TextSearch::FindInDocument("caf\xE9", TCharset::csWindows1252, u"\u00C9", 0, &length), 3);
}

QTEST_MAIN(TestTextSearch)
#include "tst_textsearch.moc"
