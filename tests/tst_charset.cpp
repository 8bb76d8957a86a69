// The characters the sets show for bytes, and the cells a character takes,
// against the code charts.

#include "document/Charset.h"

#include <QTest>

class TestCharset : public QObject
{
    Q_OBJECT

private slots:
    void shownCharacters_data();
    void shownCharacters();
    void wideCharacters_data();
    void wideCharacters();
};

void TestCharset::shownCharacters_data()
{
    QTest::addColumn<int>("charset");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<uint>("shown");
    const int cp437 = int(TCharset::csCp437), utf8 = int(TCharset::csUtf8), w1252 = int(TCharset::csWindows1252);
    QTest::newRow("1252 euro") << w1252 << QByteArray("\x80") << 0x20ACu;
    QTest::newRow("1252 hole") << w1252 << QByteArray("\x81") << 0xFFFDu;
    QTest::newRow("1252 low quote") << w1252 << QByteArray("\x82") << 0x201Au;
    QTest::newRow("1252 y diaeresis") << w1252 << QByteArray("\x9F") << 0x0178u;
    QTest::newRow("1252 e acute") << w1252 << QByteArray("\xE9") << 0x00E9u;
    QTest::newRow("code page DEL") << cp437 << QByteArray("\x7F") << 0x2302u;
    QTest::newRow("UTF-8 DEL as the code page draws it") << utf8 << QByteArray("\x7F") << 0x2302u;
    QTest::newRow("UTF-8 control as its picture") << utf8 << QByteArray("\x01") << 0x263Au;
    QTest::newRow("UTF-8 NUL is an empty cell") << utf8 << QByteArray("\0", 1) << 0u;
    QTest::newRow("1252 DEL as the code page draws it") << w1252 << QByteArray("\x7F") << 0x2302u;
}

void TestCharset::shownCharacters()
{
    QFETCH(int, charset);
    QFETCH(QByteArray, bytes);
    QFETCH(uint, shown);
    char32_t ch = 0;
    const int length = Charset::Decode(TCharset(charset), reinterpret_cast<const unsigned char *>(bytes.constData()),
                                       bytes.size(), &ch);
    QCOMPARE(length, int(bytes.size()));
    QCOMPARE(uint(ch), shown);
}

void TestCharset::wideCharacters_data()
{
    // First and last characters of wide ranges, and their narrow neighbours,
    // as the East Asian width property gives them.
    QTest::addColumn<uint>("ch");
    QTest::addColumn<int>("cells");
    const std::pair<uint, int> rows[] = {
        {0x10FF, 1}, {0x1100, 2}, {0x115F, 2}, {0x1160, 1},     // Hangul leading consonants
        {0x231A, 2}, {0x231B, 2}, {0x231C, 1},                  // watch, hourglass
        {0x2E7F, 1}, {0x2E80, 2}, {0x303E, 2}, {0x303F, 1},     // CJK radicals and symbols
        {0x4E00, 2}, {0x9FFF, 2}, {0xA4CF, 2}, {0xA4D0, 1},     // ideographs, Yi
        {0xAC00, 2}, {0xD7A3, 2}, {0xD7A4, 1},                  // Hangul syllables
        {0xFF01, 2}, {0xFF60, 2}, {0xFF61, 1},                  // full and half width forms
        {0x1F300, 2}, {0x1F64F, 2}, {0x1F650, 1},               // pictographs, emoticons
        {0x20000, 2}, {0x2FFFD, 2}, {0x2FFFE, 1}, {0x3FFFE, 1}, // supplementary ideographs
        {0x2500, 1}, {0x00E9, 1},
    };
    for (const auto &[ch, cells] : rows)
        QTest::addRow("U+%04X", ch) << ch << cells;
}

void TestCharset::wideCharacters()
{
    QFETCH(uint, ch);
    QFETCH(int, cells);
    QCOMPARE(Charset::Width(char32_t(ch)), cells);
}

QTEST_APPLESS_MAIN(TestCharset)
#include "tst_charset.moc"
