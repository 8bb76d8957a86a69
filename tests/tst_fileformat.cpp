// Files in code page 437, UTF-8, UTF-16 and Windows-1252: which set a file is
// taken for, and that an unedited document is written back byte for byte.

#include "platform/Cp437.h"
#include "formats/FileFormat.h"
#include "formats/Sauce.h"
#include "support/RoundTrip.h"
#include "support/TestData.h"
#include "document/TextBuffer.h"

#include <QDir>
#include <QRandomGenerator>
#include <QTest>

class TestFileFormat : public QObject
{
    Q_OBJECT

private slots:
    void detection_data();
    void detection();
    void roundTrip_data();
    void roundTrip();
    void editsKeepTheForm();
    void recordKeptAfterTheText();
    void recordsChecked_data();
    void recordsChecked();
    void newRecordChecksOut();
    void colourArt_data();
    void colourArt();
    void randomFilesKeepTheirForm();
    void conversions_data();
    void conversions();
};

namespace {

// What a converter makes of code page 437 art: control bytes stay, the rest
// become the characters the code page shows.
QString Unicode(const QByteArray &cp437)
{
    QString text;
    for (const char c : cp437) {
        const auto b = static_cast<unsigned char>(c);
        text += b < 0x20 || b == 0x7F ? QChar(b) : QChar(Cp437::ToUnicode(b));
    }
    return text;
}

QByteArray Utf16(const QString &text, bool bigEndian)
{
    QByteArray out;
    for (const QChar c : text) {
        out += char(bigEndian ? c.unicode() >> 8 : c.unicode() & 0xFF);
        out += char(bigEndian ? c.unicode() & 0xFF : c.unicode() >> 8);
    }
    return out;
}

QByteArray AllBytes()
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all += char(b);
    return all;
}

QByteArray ReadAndWrite(const QByteArray &file, int charset, TFileFormat *format)
{
    TFileFormat detected = charset < 0 ? FileFormat::Detect(file) : FileFormat::ForCharset(TCharset(charset), file);
    TTextBuffer doc;
    doc.SetCharset(detected.Charset);
    doc.Load(FileFormat::ToDocument(file, detected));
    if (format)
        *format = detected;
    return FileFormat::ToFile(doc, detected);
}

} // namespace

void TestFileFormat::detection_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("name");
    const QString art = QStringLiteral("\u2554\u2550\u2557 r\u00E9sum\u00E9\r\n\u2551 \u2588\u2593\u2551\r\n");
    QTest::newRow("UTF-8 mark") << QByteArray("\xEF\xBB\xBFplain") << "UTF-8 BOM";
    QTest::newRow("UTF-16 LE mark") << QByteArray("\xFF\xFEp\0", 4) << "UTF-16 LE BOM";
    QTest::newRow("UTF-16 BE mark") << QByteArray("\xFE\xFF\0p", 4) << "UTF-16 BE BOM";
    QTest::newRow("UTF-16 LE without mark") << Utf16(art, false) << "UTF-16 LE";
    QTest::newRow("UTF-16 BE without mark") << Utf16(art, true) << "UTF-16 BE";
    QTest::newRow("UTF-8") << art.toUtf8() << "UTF-8";
    QTest::newRow("UTF-8 cut inside a sequence") << art.toUtf8().chopped(1) + "\xE2\x95" << "UTF-8";
    QTest::newRow("UTF-8 and code page bytes mixed") << art.toUtf8() + "\xDB\xDB\xB0\r\n" << "CP437";
    QTest::newRow("ASCII only") << QByteArray("plain text\r\n") << "CP437";
    QTest::newRow("NUL-padded, too short for UTF-16") << QByteArray("a\0b\0", 4) << "CP437";
    QTest::newRow("every byte value") << AllBytes() << "CP437";
    // Frame and letter bytes of the code page that happen to be valid UTF-8.
    QTest::newRow("code page bytes valid as UTF-8") << QByteArray("\xC4\x80\xC2\x9A") << "CP437";
    QTest::newRow("code page art valid as UTF-8") << QByteArray("--\xC3\xB7plur\xC3\xB7--") << "CP437";
    QTest::newRow("upper half blocks valid as UTF-8") << QByteArray("\xDF\xB0 \xDF\xB1\r\n") << "CP437";
    QTest::newRow("only a sequence cut at the end") << QByteArray("plain text \xE2\x95") << "CP437";
    QTest::newRow("Windows-1252 letters in words") << QByteArray("caf\xE9 na\xEFve \xFC" "ber-m\xE4\xDF") << "CP437";
    QTest::newRow("Windows-1252 letters in words only") << QByteArray("caf\xE9, na\xEFve\r\n") << "Windows-1252";
    QTest::newRow("code page Greek after a digit") << QByteArray("took 5\xE6s\r\n") << "CP437";
    QTest::newRow("code page letters in words") << QByteArray("cr\x8Ame br\x81l\x82" "e") << "CP437";
    QTest::newRow("code page shade beside a letter") << QByteArray("a\xE9 \xB0") << "CP437";
    QTest::newRow("UTF-16 LE box and percent") << QByteArray("\x00\x25\x25\x00", 4).repeated(8) << "UTF-16 LE";
    QTest::newRow("UTF-16 BE frames") << Utf16(QStringLiteral("\u2500\u2500ab\u2500\u2500cd"), true) << "UTF-16 BE";
    QTest::newRow("UTF-16 LE, two scripts") << Utf16(QStringLiteral("\u201Chello\u201D \u043C\u0438\u0440 world"), false)
                                            << "UTF-16 LE";
    for (const auto &[name, bytes] : TestData::ArtFiles())
        QTest::newRow(qPrintable(name)) << bytes << "CP437";
}

void TestFileFormat::detection()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, name);
    QCOMPARE(FileFormat::Name(FileFormat::Detect(bytes)), name);
}

void TestFileFormat::roundTrip_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("charset"); // the set chosen, -1 to find it
    QTest::addColumn<QString>("name");
    for (const auto &[name, bytes] : TestData::ArtFiles()) {
        const QString text = Unicode(bytes);
        if (text.toUtf8() == bytes)
            continue; // ASCII only: nothing to convert
        const int utf8 = int(TCharset::csUtf8), utf16 = int(TCharset::csUtf16);
        QTest::addRow("%s as UTF-8", qPrintable(name)) << text.toUtf8() << utf8 << "UTF-8";
        QTest::addRow("%s as UTF-8 with mark", qPrintable(name)) << "\xEF\xBB\xBF" + text.toUtf8() << -1 << "UTF-8 BOM";
        QTest::addRow("%s as UTF-16 LE", qPrintable(name)) << "\xFF\xFE" + Utf16(text, false) << -1 << "UTF-16 LE BOM";
        QTest::addRow("%s as UTF-16 BE", qPrintable(name)) << Utf16(text, true) << utf16 << "UTF-16 BE";
    }
    const QString text = QStringLiteral("\u2554\u2550\u2557 \u65E5\u672C \U0001F600\n\u2551 \u00E9 \u2551\n");
    const int utf8 = int(TCharset::csUtf8);
    QTest::newRow("LF breaks") << text.toUtf8() << -1 << "UTF-8";
    QTest::newRow("CR breaks") << QString(text).replace(u'\n', u'\r').toUtf8() << -1 << "UTF-8";
    QTest::newRow("invalid sequences read as UTF-8")
        << text.toUtf8() + "\xFF\xC3(\xED\xA0\x80\xF4\x90\x80\x80\n\xE2" << utf8 << "UTF-8";
    QTest::newRow("UTF-16 with an odd byte") << "\xFF\xFE" + Utf16(text, false) + "!" << -1 << "UTF-16 LE BOM";
    QTest::newRow("UTF-16 lone surrogates")
        << "\xFF\xFE" + Utf16(text, false) + QByteArray::fromHex("00d8410000dc") << -1 << "UTF-16 LE BOM";
    QTest::newRow("every byte value as Windows-1252") << AllBytes() << int(TCharset::csWindows1252) << "Windows-1252";
    // CR LF moves NULs to odd offsets: tabs, breaks and NULs are no UTF-16 text.
    QTest::newRow("NULs and tabs") << QByteArray::fromHex("09000a0a2d0009 0a00090a00") << -1 << "CP437";
    QTest::newRow("NULs, letters and odd bytes") << QByteArray::fromHex("000a090009 09ff0057df020049003909 00ff") << -1 << "CP437";
    QTest::newRow("Windows-1252 with NULs") << QByteArray::fromHex("080a0020002000640070 65e0002000") << -1 << "Windows-1252";
}

void TestFileFormat::roundTrip()
{
    QFETCH(QByteArray, file);
    QFETCH(int, charset);
    QFETCH(QString, name);
    TFileFormat format;
    const QByteArray written = ReadAndWrite(file, charset, &format);
    QCOMPARE(FileFormat::Name(format), name);
    QCOMPARE(written, Charset::IsSingleByte(format.Charset) ? Cp437::NormalizeLineBreaks(file) : file);
    if (charset < 0) // what was written reads back in the set it was written in
        QCOMPARE(FileFormat::Name(FileFormat::Detect(written)), name);
}

void TestFileFormat::editsKeepTheForm()
{
    // A typed break takes the file's own break; what a single-byte set lacks
    // becomes '?', the Unicode sets keep it.
    const QString typed = QStringLiteral("\u65E5\u00E9\n");
    const QString expected = QStringLiteral("a") + typed + QStringLiteral("\nb");
    for (const TCharset charset : {TCharset::csUtf8, TCharset::csUtf16, TCharset::csWindows1252}) {
        TFileFormat format = FileFormat::ForCharset(charset, "a\nb");
        TTextBuffer doc;
        doc.SetCharset(charset);
        doc.Load(FileFormat::ToDocument(charset == TCharset::csUtf16 ? Utf16(QStringLiteral("a\nb"), false) : "a\nb", format));
        doc.Replace(1, 1, doc.FromText(typed), TTextBuffer::TEditKind::Step);
        const QByteArray file = FileFormat::ToFile(doc, format);
        if (charset == TCharset::csWindows1252)
            QCOMPARE(file, QByteArray("a?\xE9\r\n\r\nb"));
        else if (charset == TCharset::csUtf8)
            QCOMPARE(file, expected.toUtf8());
        else
            QCOMPARE(file, Utf16(expected, false));
    }
}

namespace {

// A short text with a record and five comment lines.
QByteArray SauceFile()
{
    return TestData::Read(QStringLiteral("record.nfo"));
}

} // namespace

void TestFileFormat::recordKeptAfterTheText()
{
    // The text ends where the art ends; an edit keeps the record as it was.
    const QByteArray file = SauceFile();
    TFileFormat format = FileFormat::Detect(file);
    TTextBuffer doc;
    doc.Load(FileFormat::ToDocument(file, format));
    QCOMPARE(doc.Slice(0, doc.Length()), QByteArray("Glimra <3\n"));
    const std::optional<TSauce> sauce = Sauce::Parse(format.Tail);
    QVERIFY(sauce);
    QCOMPARE(sauce->Title, QByteArray("Glimra"));
    QCOMPARE(sauce->Comments.size(), 5);
    doc.Replace(0, 0, "x", TTextBuffer::TEditKind::Typing);
    // FileSize, 4 bytes at 90 in the record, counts the 12 bytes now before it.
    QByteArray expected = "xGlimra <3\r\n" + file.mid(10);
    expected.replace(expected.size() - 128 + 90, 4, QByteArray("\x0C\0\0\0", 4));
    QCOMPARE(FileFormat::ToFile(doc, format), expected);
}

void TestFileFormat::recordsChecked_data()
{
    // Offsets into the record (the file's last 128 bytes) and what is put
    // there; whether the record still counts, or is text.
    QTest::addColumn<int>("at");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("counts");
    QTest::newRow("as made") << 0 << QByteArray("S") << true;
    QTest::newRow("size beyond the text") << 90 << QByteArray("\x10\x27", 2) << true;
    QTest::newRow("size of the whole file") << 90 << QByteArray("\xD0\x01", 2) << true;
    QTest::newRow("day 31") << 86 << QByteArray("1231") << true;
    QTest::newRow("last character file type") << 94 << QByteArray("\x01\x08") << true;
    QTest::newRow("version") << 5 << QByteArray("01") << false;
    QTest::newRow("month") << 86 << QByteArray("13") << false;
    QTest::newRow("day 32") << 86 << QByteArray("1232") << false;
    QTest::newRow("date not digits") << 82 << QByteArray("2021AB16") << false;
    QTest::newRow("data type") << 94 << QByteArray("\x09") << false;
    QTest::newRow("file type of character art") << 94 << QByteArray("\x01\x09") << false;
    QTest::newRow("letter spacing") << 94 << QByteArray("\x01\x00", 2) + QByteArray(9, '\0') + "\x06" << false;
    QTest::newRow("comments beyond the file") << 104 << QByteArray("\x09") << false;
    QTest::newRow("comment block damaged") << -128 - 5 * 64 - 5 << QByteArray("COMNX") << false;
    QTest::newRow("file ends inside the record") << 127 << QByteArray() << false;
}

void TestFileFormat::recordsChecked()
{
    QFETCH(int, at);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, counts);
    QByteArray file = SauceFile();
    const qsizetype start = at < 0 ? file.size() + at : file.size() - 128 + at;
    if (bytes.isEmpty())
        file.chop(1);
    else
        file.replace(start, bytes.size(), bytes);
    // The record, its comments and the 0x1A before them: 454 of 464 bytes.
    QCOMPARE(Sauce::TailLength(file), counts ? 454 : 0);
    if (counts)
        return;
    TFileFormat format = FileFormat::Detect(file);
    TTextBuffer doc;
    doc.Load(FileFormat::ToDocument(file, format));
    QCOMPARE(FileFormat::ToFile(doc, format), Cp437::NormalizeLineBreaks(file));
}

void TestFileFormat::newRecordChecksOut()
{
    TSauce sauce = Sauce::New(QStringLiteral("Harbour \u2554"), QStringLiteral("Nib"), QStringLiteral("Teaspoon"), 78,
                              40, 1234, QDate(2026, 12, 8));
    sauce.Comments = {"first line", "second"};
    const QByteArray art = QByteArray(1234, 'x');
    const QByteArray tail = Sauce::Make(sauce);
    QCOMPARE(Sauce::TailLength(art + tail), tail.size());
    const std::optional<TSauce> read = Sauce::Parse(tail);
    QVERIFY(read);
    QCOMPARE(read->Title, QByteArray("Harbour \xC9"));
    QCOMPARE(read->Date, QByteArray("20261208"));
    QCOMPARE(read->Width(), 78);
    QCOMPARE(read->Height(), 40);
    QCOMPARE(read->FileSize, 1234u);
    QCOMPARE(read->Comments, sauce.Comments);
}

namespace {

// Words a file in each set is made of, as people write them: the sets are
// told apart by their bytes, so each keeps to what its own files hold.
QString RandomWord(QRandomGenerator &random, TCharset charset, bool markless, bool telling = false)
{
    static const QString latin = QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789");
    static const QString accents = QStringLiteral("\u00E0\u00E9\u00EF\u00F4\u00FC\u00E7\u00F1");
    static const QString unicode = QStringLiteral("\u2554\u2550\u2557\u2551\u2588\u2593\u2591\u00E9\u65E5\u672C\u00DF\u20AC");
    QString word;
    const int length = 1 + random.bounded(8);
    for (int k = 0; k < length; ++k)
        word += latin[random.bounded(latin.size())];
    switch (charset) {
    case TCharset::csCp437: {
        // Letters and accents, or a run of frames, blocks and shades.
        if (random.bounded(3) == 0) {
            QByteArray art;
            for (int k = 0; k < length; ++k)
                art += char(0xB0 + random.bounded(0x30));
            return Unicode(art);
        }
        return random.bounded(4) ? word : word + QChar(Cp437::ToUnicode(quint8(0x80 + random.bounded(0x26))));
    }
    case TCharset::csWindows1252:
        // Accents follow letters, never digits.
        return random.bounded(3) && !telling ? word : QStringLiteral("caf") + accents[random.bounded(accents.size())] + word;
    case TCharset::csUtf8:
    case TCharset::csUtf16:
        // Text of any script; markless UTF-16 stays mostly Latin, as it
        // must to be told from other bytes.
        if (random.bounded(markless ? 6 : 2) == 0 || telling)
            word.insert(random.bounded(word.size() + 1), unicode[random.bounded(unicode.size())]);
        if (!markless && random.bounded(8) == 0)
            word += QStringLiteral("\U0001F600");
        return word;
    }
    return word;
}

struct TRandomFile
{
    QByteArray Bytes;
    TCharset Charset;
    bool Markless;
};

TRandomFile RandomFile(QRandomGenerator &random)
{
    static const TCharset sets[] = {TCharset::csCp437, TCharset::csWindows1252, TCharset::csUtf8, TCharset::csUtf16};
    static const char *const breaks[] = {"\r\n", "\n", "\r"};
    TRandomFile file;
    file.Charset = sets[random.bounded(4)];
    const bool unicode = !Charset::IsSingleByte(file.Charset);
    const bool mark = unicode && random.bounded(2);
    file.Markless = !mark;
    const QString lineBreak = QString::fromLatin1(unicode ? breaks[random.bounded(3)] : "\r\n");
    QString text;
    const int lines = 1 + random.bounded(6);
    for (int line = 0; line < lines; ++line) {
        const int words = 4 + random.bounded(6);
        for (int w = 0; w < words; ++w)
            text += (w ? QStringLiteral(" ") : QString()) + RandomWord(random, file.Charset, file.Markless, line + w == 0);
        text += lineBreak;
    }
    const bool bigEndian = random.bounded(2);
    switch (file.Charset) {
    case TCharset::csCp437:
        file.Bytes = Cp437::Encode(text);
        break;
    case TCharset::csWindows1252:
        file.Bytes = text.toLatin1(); // the accents are where Latin-1 has them
        break;
    case TCharset::csUtf8:
        file.Bytes = (mark ? QByteArray("\xEF\xBB\xBF") : QByteArray()) + text.toUtf8();
        break;
    case TCharset::csUtf16:
        file.Bytes = (mark ? QByteArray(bigEndian ? "\xFE\xFF" : "\xFF\xFE") : QByteArray()) + Utf16(text, bigEndian);
        break;
    }
    if (random.bounded(3) == 0) {
        TSauce sauce = Sauce::New(QStringLiteral("Random \u2554 %1").arg(random.bounded(100)), QStringLiteral("Nib"), {}, 80,
                                  lines, quint32(file.Bytes.size()), QDate(2026, 12, 8));
        if (random.bounded(2))
            sauce.Comments = {"made for the test"};
        file.Bytes += Sauce::Make(sauce);
    }
    return file;
}

// Typing and deleting whole words, and breaking lines, between words. The
// first word, which tells the set, stays.
void EditWords(QRandomGenerator &random, TTextBuffer &doc, TCharset charset, bool markless)
{
    const int edits = random.bounded(5);
    for (int k = 0; k < edits; ++k) {
        const QByteArray text = doc.Slice(0, doc.Length());
        QList<qsizetype> gaps{text.size()};
        for (qsizetype p = 1; p < text.size(); ++p) {
            if (text[p] == ' ' || text[p] == '\n')
                gaps << p;
        }
        const qsizetype at = gaps[random.bounded(gaps.size())];
        switch (random.bounded(3)) {
        case 0:
            doc.Replace(at, at, doc.FromText(QStringLiteral(" ") + RandomWord(random, charset, markless)),
                        TTextBuffer::TEditKind::Step);
            break;
        case 1: { // a word and the blank before it
            qsizetype end = at + 1;
            while (end < text.size() && text[end] != ' ' && text[end] != '\n')
                ++end;
            if (at < text.size() && text[at] == ' ')
                doc.Replace(at, end, {}, TTextBuffer::TEditKind::Deleting);
            break;
        }
        default:
            doc.Replace(at, at, "\n", TTextBuffer::TEditKind::Typing);
            break;
        }
    }
}

} // namespace

void TestFileFormat::randomFilesKeepTheirForm()
{
    // Files written in each set, with and without a mark, a record and edits:
    // each is taken for its own set, and what is written is read back as it
    // was meant.
    QRandomGenerator random(20261208);
    for (int round = 0; round < 4000; ++round) {
        const TRandomFile file = RandomFile(random);
        QVERIFY2(FileFormat::Detect(file.Bytes).Charset == file.Charset, file.Bytes.toHex().constData());
        const QString problem = RoundTrip::Check(file.Bytes, [&](TTextBuffer &doc) {
            if (round % 4)
                EditWords(random, doc, file.Charset, file.Markless);
        });
        QVERIFY2(problem.isEmpty(), qPrintable(problem + QStringLiteral(" in ") + QString::fromLatin1(file.Bytes.toHex())));
    }
}

void TestFileFormat::colourArt_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("charset"); // the set chosen, -1 to find it
    QTest::addColumn<QString>("name");
    // Lone CRs and LFs, CR LF, LF CR and the end-of-file byte: art keeps them all.
    const QByteArray art("\x1B[1;31m\xDB\xB0\r\n\x1B[2A\r\r\n\n\rX\x1A");
    const auto record = [](int dataType, int fileType, quint32 size) {
        TSauce sauce = Sauce::New(QStringLiteral("t"), {}, {}, 80, 2, size, QDate(2026, 1, 1));
        sauce.DataType = quint8(dataType);
        sauce.FileType = quint8(fileType);
        return Sauce::Make(sauce);
    };
    QTest::newRow(".ans") << "a.ans" << art << -1 << "ANSI art";
    QTest::newRow(".ANS") << "A.ANS" << QByteArray("plain\n") << -1 << "ANSI art";
    QTest::newRow("colour codes in .nfo") << "a.nfo" << art << -1 << "ANSI art";
    QTest::newRow("cursor codes in .diz") << "a.diz" << QByteArray("x\x1B[10Cy\r\n") << -1 << "ANSI art";
    QTest::newRow("other codes stay text") << "a.nfo" << QByteArray("x\x1B[5ny\x1B[31\r\n") << -1 << "CP437";
    QTest::newRow("no codes") << "a.nfo" << QByteArray("\xDB\xB0\r\n") << -1 << "CP437";
    QTest::newRow("record ANSi") << "a.txt" << "x\r\n" + record(1, 1, 3) << -1 << "ANSI art";
    QTest::newRow("record ANSiMation") << "a" << "x\r\n" + record(1, 2, 3) << -1 << "ANSI art";
    QTest::newRow("record ASCII") << "a.txt" << "x\r\n" + record(1, 0, 3) << -1 << "CP437";
    QTest::newRow(".bin") << "a.bin" << QByteArray("A\x0A\x0D\x1F\x1A\x07", 6) << -1 << "Binary text";
    QTest::newRow("record binary text") << "a.dat" << QByteArray("A\x0A\x0D\x1F") + record(5, 2, 4) << -1 << "Binary text";
    QTest::newRow(".ans read as code page 437") << "a.ans" << QByteArray("\xE2\x95\x94\r\n") << -1 << "ANSI art";
    QTest::newRow("codes in UTF-8 text stay text") << "a.nfo" << QByteArray("\x1B[31m\xE2\x95\x94\r\n") << -1 << "UTF-8";
    QTest::newRow(".ans chosen UTF-8") << "a.ans" << art << int(TCharset::csUtf8) << "UTF-8";
    QTest::newRow(".ans chosen code page 437") << "a.ans" << art << int(TCharset::csCp437) << "ANSI art";
    // The art tools' formats by header, name and record; a picture's cells
    // are read in code page 437 even where they look like UTF-16.
    const QByteArray cells = QByteArray("A\0B\0C\0D\0E\0F\0G\0H\0", 16);
    QTest::newRow("XBin header") << "a.dat" << QByteArray("XBIN\x1A\x08\0\x01\0\x10\0", 11) + cells << -1 << "XBin";
    QTest::newRow(".xb") << "a.xb" << cells << -1 << "XBin";
    QTest::newRow("record XBin") << "a.dat" << cells + record(6, 0, 16) << -1 << "XBin";
    QTest::newRow(".pcb") << "a.pcb" << QByteArray("@X1Fx\r\n") << -1 << "PCBoard";
    QTest::newRow("record PCBoard") << "a.txt" << QByteArray("@X1Fx\r\n") + record(1, 4, 7) << -1 << "PCBoard";
    QTest::newRow(".adf") << "a.ADF" << "\x01" + cells << -1 << "Artworx";
    QTest::newRow("iCEDraw header") << "a.dat" << QByteArray("\x04" "1.4", 4) + cells << -1 << "iCEDraw";
    QTest::newRow("TundraDraw header") << "a.dat" << QByteArray("\x18TUNDRA24\x01") + cells << -1 << "TundraDraw";
    QTest::newRow("record TundraDraw") << "a.dat" << QByteArray("x") + record(1, 8, 1) << -1 << "TundraDraw";
}

void TestFileFormat::colourArt()
{
    QFETCH(QString, fileName);
    QFETCH(QByteArray, bytes);
    QFETCH(int, charset);
    QFETCH(QString, name);
    if (charset < 0 && FileFormat::IsPicture(fileName, bytes))
        charset = int(TCharset::csCp437);
    TFileFormat format = charset < 0 ? FileFormat::Detect(bytes) : FileFormat::ForCharset(TCharset(charset), bytes);
    const QByteArray text = FileFormat::ToDocument(bytes, format);
    FileFormat::DetectArt(format, fileName, text, charset >= 0);
    QCOMPARE(FileFormat::Name(format), name);
    if (format.Art == TArtKind::akText)
        return;
    // Read with only LF breaking lines and written back unchanged, byte for byte.
    QCOMPARE(format.Charset, TCharset::csCp437);
    TTextBuffer doc;
    doc.SetBreaks(TTextBuffer::TBreaks::LfOnly);
    doc.Load(text);
    QCOMPARE(FileFormat::ToFile(doc, format), bytes);
}

void TestFileFormat::conversions_data()
{
    // A file, the set it is written in anew, the bytes written and the
    // characters that set lacks (with the line of the first).
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("charset");
    QTest::addColumn<bool>("bom");
    QTest::addColumn<QByteArray>("written");
    QTest::addColumn<int>("lacking");
    QTest::addColumn<int>("firstLine");
    const int cp437 = int(TCharset::csCp437), utf8 = int(TCharset::csUtf8), utf16 = int(TCharset::csUtf16),
              w1252 = int(TCharset::csWindows1252);
    QTest::newRow("art to UTF-8") << QByteArray("\xC9\xCD\xBB\r\n\xBA\x10\xBA\r\n") << utf8 << false
                                  << QByteArray("\xE2\x95\x94\xE2\x95\x90\xE2\x95\x97\r\n\xE2\x95\x91\xE2\x96\xBA\xE2\x95\x91\r\n")
                                  << 0 << -1;
    QTest::newRow("art to UTF-16 LE with mark") << QByteArray("\xC9" "a") << utf16 << true << QByteArray("\xFF\xFE\x54\x25" "a\0", 6)
                                                << 0 << -1;
    QTest::newRow("UTF-8 to the code page") << QByteArray("a\n\xE6\x97\xA5\xE6\x9C\xAC?\nb\xE2\x82\xAC") << cp437 << false
                                            << QByteArray("a\r\n???\r\nb?") << 3 << 1;
    QTest::newRow("UTF-8 to Windows-1252") << QByteArray("caf\xC3\xA9 \xE2\x82\xAC\n") << w1252 << false
                                           << QByteArray("caf\xE9 \x80\r\n") << 0 << -1;
    QTest::newRow("frames lack in Windows-1252") << QByteArray("ok\r\n\xC9\xCD") << w1252 << false << QByteArray("ok\r\n??") << 2
                                                 << 1;
    QTest::newRow("UTF-8 with mark, breaks kept") << QByteArray("\xEF\xBB\xBF\xC3\xA9\n\xC3\xA9") << utf8 << false
                                                  << QByteArray("\xC3\xA9\n\xC3\xA9") << 0 << -1;
}

void TestFileFormat::conversions()
{
    QFETCH(QByteArray, file);
    QFETCH(int, charset);
    QFETCH(bool, bom);
    QFETCH(QByteArray, written);
    QFETCH(int, lacking);
    QFETCH(int, firstLine);
    RoundTrip::TDocument doc;
    RoundTrip::Read(file, doc);
    TFileFormat target;
    target.Charset = TCharset(charset);
    target.Bom = bom;
    const FileFormat::TConversion conversion = FileFormat::Convert(doc.Text, doc.Format, target);
    QCOMPARE(conversion.File, written);
    QCOMPARE(conversion.Lacking, lacking);
    QCOMPARE(conversion.FirstLacking, firstLine);
}

QTEST_GUILESS_MAIN(TestFileFormat)
#include "tst_fileformat.moc"
