// Byte rules of the document: every byte survives, line breaks become CR LF.

#include "platform/Cp437.h"
#include "support/TestData.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTest>

class TestCp437 : public QObject
{
    Q_OBJECT

private slots:
    void everyByteHasOneDistinctCharacter();
    void glyphs_data();
    void glyphs();
    void lineBreaks_data();
    void lineBreaks();
    void allBytesInEveryOrderRoundTrip();
    void unknownCharactersBecomeQuestionMarks_data();
    void unknownCharactersBecomeQuestionMarks();
    void artFilesRoundTrip_data();
    void artFilesRoundTrip();
};

void TestCp437::everyByteHasOneDistinctCharacter()
{
    QSet<char16_t> seen;
    for (int b = 0; b < 256; ++b) {
        if (b == '\n' || b == '\r')
            continue;
        const char16_t ch = Cp437::ToUnicode(static_cast<unsigned char>(b));
        QVERIFY2(!seen.contains(ch), qPrintable(QStringLiteral("byte %1 shares its character").arg(b)));
        seen.insert(ch);
        const auto back = Cp437::FromUnicode(ch);
        QVERIFY(back.has_value());
        QCOMPARE(int(*back), b);
    }
}

void TestCp437::glyphs_data()
{
    QTest::addColumn<int>("byte");
    QTest::addColumn<int>("unicode");
    QTest::newRow("NUL is visible") << 0x00 << 0x2400;
    QTest::newRow("smiley") << 0x01 << 0x263A;
    QTest::newRow("tab stays a tab") << 0x09 << 0x09;
    QTest::newRow("house") << 0x7F << 0x2302;
    QTest::newRow("C cedilla") << 0x80 << 0x00C7;
    QTest::newRow("light shade") << 0xB0 << 0x2591;
    QTest::newRow("double down and right") << 0xC9 << 0x2554;
    QTest::newRow("full block") << 0xDB << 0x2588;
    QTest::newRow("upper half block") << 0xDF << 0x2580;
    QTest::newRow("no-break space") << 0xFF << 0x00A0;
}

void TestCp437::glyphs()
{
    QFETCH(int, byte);
    QFETCH(int, unicode);
    QCOMPARE(int(Cp437::ToUnicode(static_cast<unsigned char>(byte))), unicode);
}

void TestCp437::lineBreaks_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("saved");
    QTest::addColumn<int>("breaks");
    QTest::newRow("CR LF stays") << QByteArray("a\r\nb") << QByteArray("a\r\nb") << 1;
    QTest::newRow("lone LF") << QByteArray("a\nb\n") << QByteArray("a\r\nb\r\n") << 2;
    QTest::newRow("lone CR") << QByteArray("a\rb") << QByteArray("a\r\nb") << 1;
    QTest::newRow("LF CR is two breaks") << QByteArray("a\n\rb") << QByteArray("a\r\n\r\nb") << 2;
    QTest::newRow("CR CR LF") << QByteArray("a\r\r\nb") << QByteArray("a\r\n\r\nb") << 2;
    QTest::newRow("trailing CR") << QByteArray("a\r") << QByteArray("a\r\n") << 1;
    QTest::newRow("empty") << QByteArray() << QByteArray() << 0;
}

void TestCp437::lineBreaks()
{
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, saved);
    QFETCH(int, breaks);
    QCOMPARE(Cp437::NormalizeLineBreaks(file), saved);
    const QString text = Cp437::Decode(file);
    QCOMPARE(int(text.count(u'\n')), breaks);
    QCOMPARE(Cp437::Encode(text), saved);
}

void TestCp437::allBytesInEveryOrderRoundTrip()
{
    // Every ordered pair of byte values appears, CR and LF only as CR LF.
    QByteArray file;
    QList<char> values;
    for (int b = 0; b < 256; ++b) {
        if (b != '\r' && b != '\n')
            values << char(b);
    }
    for (char a : values) {
        for (char b : values) {
            file.append(a);
            file.append(b);
        }
        file.append("\r\n");
    }
    QCOMPARE(Cp437::Encode(Cp437::Decode(file)), file);
}

void TestCp437::unknownCharactersBecomeQuestionMarks_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("euro sign") << QStringLiteral("1\u20AC") << QByteArray("1?");
    QTest::newRow("emoji is one character") << QString::fromUtf8("a\xF0\x9F\x98\x80" "b") << QByteArray("a?b");
    QTest::newRow("box drawing kept") << QStringLiteral("\u2554\u2550\u2557") << QByteArray("\xC9\xCD\xBB");
    QTest::newRow("paragraph separator is a break") << QStringLiteral("a\u2029b") << QByteArray("a\r\nb");
    QTest::newRow("Greek beta as sharp s") << QStringLiteral("\u03B2") << QByteArray("\xE1");
}

void TestCp437::unknownCharactersBecomeQuestionMarks()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(Cp437::Encode(text), bytes);
}

void TestCp437::artFilesRoundTrip_data()
{
    // The tests' own art files and our examples.
    QTest::addColumn<QByteArray>("bytes");
    for (const auto &[name, bytes] : TestData::ArtFiles())
        QTest::newRow(qPrintable(name)) << bytes;
}

void TestCp437::artFilesRoundTrip()
{
    QFETCH(QByteArray, bytes);
    // Whatever the file's breaks were, a save writes them as CR LF and
    // changes no other byte.
    QCOMPARE(Cp437::Encode(Cp437::Decode(bytes)), Cp437::NormalizeLineBreaks(bytes));
}

QTEST_GUILESS_MAIN(TestCp437)
#include "tst_cp437.moc"
