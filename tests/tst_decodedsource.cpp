// A document read on demand from its file, against a plain byte model: its
// text as the scan finds it, edits, undo and redo at both ends and across
// blocks, saves and reloads; and the file changing, failing or filling the
// disk under it, the outcome checked byte for byte. Blocks, cache and scan
// stretches are made tiny, so that every edit crosses their edges.

#include "document/SourceScan.h"
#include "document/TextBuffer.h"
#include "document/TextSearch.h"
#include "formats/FileFormat.h"
#include "formats/Sauce.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QThread>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

class TestDecodedSource : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void randomEditsMatchModel_data();
    void randomEditsMatchModel();
    void searchFindsMatchesAcrossRuns();
    void readComesWholeOrFails_data();
    void readComesWholeOrFails();
    void fileChangesUnderTheDocument_data();
    void fileChangesUnderTheDocument();
    void fullDisk_data();
    void fullDisk();

private:
    QTemporaryDir m_dir;
};

namespace {

// A file of text in a character set; how the test makes one.
enum class TKind { Cp437, Utf8, LfOnly, Utf16Le, Utf16Be };

QByteArray Utf16Bytes(const QString &text, bool bigEndian)
{
    QByteArray out;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        out += char(bigEndian ? u >> 8 : u & 0xFF);
        out += char(bigEndian ? u & 0xFF : u >> 8);
    }
    return out;
}

// Random file bytes of a kind: every break shape, and characters of one to
// four bytes where the set has them.
QByteArray RandomFile(QRandomGenerator &random, TKind kind, qsizetype size)
{
    static const QStringList unicode = {"a", "b", " ", "\r", "\n", "\r\n", "\u00E9", "\u07FF",
                                        "\u0800", "\u2588", "\U0001F600", "\t"};
    QByteArray bytes;
    QString text;
    while (bytes.size() + text.size() * 2 < size) {
        if (kind == TKind::Cp437 || kind == TKind::LfOnly) {
            static const QByteArray alphabet("ab \r\n\t\x00\xDB\xC9\xFF\x1A", 11);
            bytes += random.bounded(4) ? alphabet[random.bounded(alphabet.size())] : char(random.bounded(256));
        } else {
            text += unicode[random.bounded(unicode.size())];
        }
    }
    switch (kind) {
    case TKind::Cp437:
    case TKind::LfOnly:
        return bytes;
    case TKind::Utf8:
        return "\xEF\xBB\xBF" + text.toUtf8();
    case TKind::Utf16Le:
        return "\xFF\xFE" + Utf16Bytes(text, false) + (random.bounded(2) ? QByteArray("\x7F") : QByteArray());
    case TKind::Utf16Be:
        return Utf16Bytes(text, true);
    }
    return {};
}

TFileFormat FormatOf(TKind kind, const QByteArray &file)
{
    switch (kind) {
    case TKind::Cp437:
    case TKind::LfOnly:
        return FileFormat::ForCharset(TCharset::csCp437, file);
    case TKind::Utf8:
        return FileFormat::ForCharset(TCharset::csUtf8, file);
    default:
        return FileFormat::ForCharset(TCharset::csUtf16, file);
    }
}

// The file's bytes for a text, worked out without the writer: each '\n' as
// the break, in the file's units, with its mark, odd byte and record.
QByteArray Expected(const QByteArray &text, const TFileFormat &format)
{
    const QByteArray lineBreak = Charset::IsSingleByte(format.Charset) ? QByteArray("\r\n") : format.Break;
    QByteArray out;
    if (format.Charset == TCharset::csUtf16) {
        out = format.Bom ? (format.BigEndian ? "\xFE\xFF" : "\xFF\xFE") : "";
        out += Utf16Bytes(QString::fromUtf8(text).replace(u'\n', QString::fromUtf8(lineBreak)), format.BigEndian);
        out += format.OddByte;
    } else {
        out = format.Bom ? "\xEF\xBB\xBF" : "";
        out += QByteArray(text).replace("\n", lineBreak);
    }
    // The record counts the bytes before it.
    return format.Tail.isEmpty() ? out : out + Sauce::WithFileSize(format.Tail, out.size());
}

// A document opened on a file as the window opens it, with tiny blocks.
struct TOpened
{
    TOpened(const QString &path, TFileFormat format, bool lfOnly, QRandomGenerator &random) : Format(std::move(format))
    {
        std::shared_ptr<TSourceFile> file = TSourceFile::Open(path);
        QFile whole(path);
        whole.open(QIODevice::ReadOnly);
        TDecodedSource::TShape shape = FileFormat::Shape(Format, file->Size(), whole.readAll(), lfOnly);
        shape.BlockBytes = 1 + random.bounded(40);
        shape.ReadBytes = shape.BlockBytes * random.bounded(1, 5);
        Source = std::make_shared<TDecodedSource>(file, shape, 3 * shape.BlockBytes);
        Scan = std::make_unique<TSourceScan>(file, shape, 2 + random.bounded(200));
        Doc.SetCharset(Format.Charset);
        Doc.SetBreaks(lfOnly ? TTextBuffer::TBreaks::LfOnly : TTextBuffer::TBreaks::Any);
        Doc.Open(Source);
    }
    // One batch of the scan; false once it is all in.
    bool Step()
    {
        if (Scan->Done())
            return false;
        const TScanBatch batch = Scan->Next();
        if (!batch.FirstBreak.isEmpty() && !Charset::IsSingleByte(Format.Charset))
            Format.Break = batch.FirstBreak;
        Doc.AppendSource(batch);
        return true;
    }
    void ScanAll()
    {
        while (Step()) {
        }
    }

    TFileFormat Format;
    std::shared_ptr<TDecodedSource> Source;
    std::unique_ptr<TSourceScan> Scan;
    TTextBuffer Doc;
};

// The text as the whole file read into memory gives it: the oracle.
QByteArray WholeText(const QByteArray &file, TFileFormat &format, bool lfOnly)
{
    TTextBuffer doc;
    doc.SetBreaks(lfOnly ? TTextBuffer::TBreaks::LfOnly : TTextBuffer::TBreaks::Any);
    doc.Load(FileFormat::ToDocument(file, format));
    return doc.Slice(0, doc.Length());
}

void CompareWithModel(const TTextBuffer &doc, const QByteArray &model, QRandomGenerator &random)
{
    QCOMPARE(doc.Length(), model.size());
    QCOMPARE(doc.Slice(0, doc.Length()), model);
    QByteArray inOrder;
    doc.Read(0, doc.Length(), [&inOrder](const char *p, qsizetype n, qsizetype) {
        inOrder.append(p, n);
        return true;
    }, true);
    QCOMPARE(inOrder, model);
    for (int i = 0; i < 20 && !model.isEmpty(); ++i) {
        const qsizetype p = random.bounded(model.size());
        QCOMPARE(doc.At(p), model[p]);
    }
    QCOMPARE(doc.LineCount(), model.count('\n') + 1);
    qsizetype line = 0;
    for (qsizetype p = 0; p <= model.size(); ++p) {
        if (p == 0 || model[p - 1] == '\n')
            QCOMPARE(doc.LineStart(line++), p);
    }
}

// A position on a character's start in a Unicode text.
qsizetype CharStartNear(const QByteArray &model, qsizetype p, bool unicode)
{
    while (unicode && p > 0 && p < model.size() && Charset::IsContinuation(uchar(model[p])))
        --p;
    return p;
}

QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(cannot read)");
}

void WriteAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

struct TEdit
{
    qsizetype Pos;
    QByteArray Removed, Inserted;
};

} // namespace

void TestDecodedSource::initTestCase()
{
    QVERIFY(m_dir.isValid());
    TDecodedSource::SetCopyFolder(m_dir.filePath(QStringLiteral("copies")));
}

void TestDecodedSource::randomEditsMatchModel_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("record");
    QTest::newRow("CP437, any break") << int(TKind::Cp437) << false;
    QTest::newRow("CP437 with a record") << int(TKind::Cp437) << true;
    QTest::newRow("LF only, CR kept") << int(TKind::LfOnly) << false;
    QTest::newRow("UTF-8 with a mark") << int(TKind::Utf8) << false;
    QTest::newRow("UTF-16 LE, mark, odd byte") << int(TKind::Utf16Le) << false;
    QTest::newRow("UTF-16 BE") << int(TKind::Utf16Be) << false;
}

void TestDecodedSource::randomEditsMatchModel()
{
    QFETCH(int, kind);
    QFETCH(bool, record);
    const TKind k = TKind(kind);
    const bool lfOnly = k == TKind::LfOnly, unicode = k != TKind::Cp437 && k != TKind::LfOnly;
    QRandomGenerator random(quint32(28 + kind + 10 * record));
    const QString path = m_dir.filePath(QStringLiteral("random.txt")), saved = m_dir.filePath(QStringLiteral("saved.txt"));
    for (int round = 0; round < 12; ++round) {
        QByteArray file = RandomFile(random, k, random.bounded(2000));
        if (record) {
            TSauce sauce;
            sauce.Title = "random";
            file += Sauce::Make(sauce);
        }
        WriteAll(path, file);
        TFileFormat oracleFormat = FormatOf(k, file);
        QByteArray whole = WholeText(file, oracleFormat, lfOnly);
        auto opened = std::make_unique<TOpened>(path, FormatOf(k, file), lfOnly, random);
        QByteArray model;  // the document's text as it should be
        qsizetype scanned = 0; // how much of whole the scan has brought in
        QList<TEdit> undo, redo;
        for (int op = 0; op < 150; ++op) {
            const int action = random.bounded(12);
            if (action < 3 && opened->Step()) {
                const qsizetype now = opened->Source->Length();
                model += whole.mid(scanned, now - scanned);
                scanned = now;
            } else if (action == 3 && !undo.isEmpty()) {
                const TEdit e = undo.takeLast();
                QVERIFY(opened->Doc.Undo() >= 0);
                model.replace(e.Pos, e.Inserted.size(), e.Removed);
                redo << e;
            } else if (action == 4 && !redo.isEmpty()) {
                const TEdit e = redo.takeLast();
                QCOMPARE(opened->Doc.Redo(), e.Pos + e.Inserted.size());
                model.replace(e.Pos, e.Removed.size(), e.Inserted);
                undo << e;
            } else if (action == 5 && !lfOnly) { // code page 437 is written with CR LF
                // Saved whole, then opened again from what was written.
                opened->ScanAll();
                model += whole.mid(scanned);
                QCOMPARE(opened->Format.Break, oracleFormat.Break); // the file's first break
                QSaveFile out(saved);
                QVERIFY(out.open(QIODevice::WriteOnly));
                QVERIFY(FileFormat::Write(opened->Doc, opened->Format, out));
                QVERIFY(out.commit());
                const QByteArray written = ReadAll(saved);
                QCOMPARE(written, Expected(model, opened->Format));
                QFile::remove(path);
                QVERIFY(QFile::rename(saved, path));
                opened = std::make_unique<TOpened>(path, FormatOf(k, written), lfOnly, random);
                oracleFormat = FormatOf(k, written);
                QCOMPARE(WholeText(written, oracleFormat, lfOnly), model);
                model.clear();
                scanned = 0;
                undo.clear();
                redo.clear();
                whole = WholeText(written, oracleFormat, lfOnly);
            } else if (action >= 6) {
                // Anywhere, at both ends most of all.
                const int where = random.bounded(4);
                qsizetype from = where == 0 ? 0 : where == 1 ? model.size() : random.bounded(model.size() + 1);
                from = CharStartNear(model, from, unicode);
                qsizetype to = CharStartNear(model, std::min(model.size(), from + random.bounded(60)), unicode);
                if (action < 9)
                    to = from;
                QByteArray bytes = action < 11 ? RandomFile(random, unicode ? TKind::Cp437 : k, random.bounded(8)) : QByteArray();
                if (unicode)
                    bytes = QString::fromLatin1(bytes).toUtf8(); // whole characters
                bytes.replace('\r', lfOnly ? '\r' : '\n');       // the document's breaks
                opened->Doc.Replace(from, to, bytes, TTextBuffer::TEditKind::Step);
                undo << TEdit{from, model.mid(from, to - from), bytes};
                redo.clear();
                model.replace(from, to - from, bytes);
            }
            if (op % 10 == 0)
                QCoreApplication::processEvents(); // a private copy may take over
            CompareWithModel(opened->Doc, model, random);
            if (QTest::currentTestFailed())
                return;
        }
    }
}

void TestDecodedSource::searchFindsMatchesAcrossRuns()
{
    // Matches lying in one run, across two, and across many short ones; the
    // first one found is the first in the text.
    QRandomGenerator random(5);
    const QString path = m_dir.filePath(QStringLiteral("search.txt"));
    QByteArray file;
    for (int i = 0; i < 300; ++i)
        file += "line " + QByteArray::number(i) + " of words\r\n";
    WriteAll(path, file);
    TOpened opened(path, FileFormat::ForCharset(TCharset::csCp437, file), false, random);
    opened.ScanAll();
    // Bytes put back where they were, here and there, so that runs are short.
    for (int i = 0; i < 200; ++i) {
        const qsizetype p = random.bounded(opened.Doc.Length() - 3);
        opened.Doc.Replace(p, p + 3, opened.Doc.Slice(p, p + 3), TTextBuffer::TEditKind::Step);
    }
    const QByteArray text = opened.Doc.Slice(0, opened.Doc.Length());
    for (const char *what : {"LINE 17 OF", "words\nline 2", "s\nl", "299 of words", "of words\nline 0"}) {
        for (const qsizetype from : {qsizetype(0), qsizetype(1000), text.size() - 5}) {
            qsizetype length = 0;
            const qsizetype at = TextSearch::FindInBuffer(opened.Doc, QString::fromLatin1(what), from, &length);
            const qsizetype expected = text.toLower().indexOf(QByteArray(what).toLower(), from);
            QCOMPARE(at, expected);
            QCOMPARE(length, at < 0 ? 0 : qsizetype(qstrlen(what)));
        }
    }
    // Stopped part way, the search gives up.
    int calls = 0;
    qsizetype length = 0;
    QCOMPARE(TextSearch::FindInBuffer(opened.Doc, QStringLiteral("absent"), 0, &length, [&calls](qsizetype) {
                 ++calls;
                 return false;
             }),
             qsizetype(-1));
    QCOMPARE(calls, 1);
}

void TestDecodedSource::readComesWholeOrFails_data()
{
    // A read of 4 KB of an 8 KB file; into a shared mapping of the file's
    // second half, the read itself writes the file while it reads.
    QTest::addColumn<qint64>("offset");
    QTest::addColumn<bool>("intoItself");
    QTest::newRow("past the end") << qint64(8190) << false;
    QTest::newRow("written during the read") << qint64(0) << true;
}

void TestDecodedSource::readComesWholeOrFails()
{
    QFETCH(qint64, offset);
    QFETCH(bool, intoItself);
    const QString path = m_dir.filePath(QStringLiteral("read.bin"));
    WriteAll(path, QByteArray(8192, 'a'));
    QFile same(path);
    QVERIFY(same.open(QIODevice::ReadWrite));
    // An old time, which any write moves.
    QVERIFY(same.setFileTime(QDateTime::fromSecsSinceEpoch(1000000000), QFileDevice::FileModificationTime));
    const std::shared_ptr<TSourceFile> file = TSourceFile::Open(path);
    QByteArray buffer(4096, '\0');
    char *to = intoItself ? reinterpret_cast<char *>(same.map(4096, 4096)) : buffer.data();
    QVERIFY(to);
    QCOMPARE(file->Read(offset, to, 4096), TSourceFile::TState::Changed);
}

void TestDecodedSource::fileChangesUnderTheDocument_data()
{
    // What happens to the file, and whether the text was edited (a private
    // copy taken) before: the text read on, the state and the save.
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("edited");
    QTest::addColumn<bool>("intact");      // the text still reads as it was
    QTest::addColumn<bool>("nameChanged"); // the name no longer names the file as read
    for (const bool edited : {false, true}) {
        const char *e = edited ? "edited" : "unedited";
        QTest::addRow("truncated, %s", e) << "truncate" << edited << edited << true;
        QTest::addRow("written in place, %s", e) << "overwrite" << edited << edited << true;
        QTest::addRow("replaced, %s", e) << "replace" << edited << true << true;
        QTest::addRow("removed, %s", e) << "remove" << edited << true << true;
        QTest::addRow("read fails, %s", e) << "fail" << edited << edited << false;
    }
    QTest::newRow("written as its copy ends, edited") << "copied" << true << false << true;
}

void TestDecodedSource::fileChangesUnderTheDocument()
{
    QFETCH(QString, change);
    QFETCH(bool, edited);
    QFETCH(bool, intact);
    QFETCH(bool, nameChanged);
    QRandomGenerator random(7);
    const QString path = m_dir.filePath(QStringLiteral("changing.txt"));
    const QString target = m_dir.filePath(QStringLiteral("target.txt"));
    QByteArray file;
    for (int i = 0; i < 2000; ++i)
        file += "line " + QByteArray::number(i) + "\r\n";
    WriteAll(path, file);
    file += QByteArray(16384, '\0'); // ends in a hole, which a copy keeps
    QVERIFY(QFile::resize(path, file.size()));
    WriteAll(target, "old target");
    TOpened opened(path, FileFormat::ForCharset(TCharset::csCp437, file), false, random);
    opened.ScanAll();
    QByteArray model = QByteArray(file).replace("\r\n", "\n");
    const int originalFd = opened.Source->File()->Handle(); // the scan keeps it open
    const auto overwrite = [&path] {
        QThread::msleep(20); // a later time than the file had
        QFile same(path);
        QVERIFY(same.open(QIODevice::ReadWrite));
        same.seek(3000);
        same.write("XXXX");
    };
    if (edited) {
        opened.Doc.Replace(5, 5, "edited ", TTextBuffer::TEditKind::Step);
        model.insert(5, "edited ");
        if (change == QLatin1String("copied")) { // written once copied, before the copy is taken
            QVERIFY(opened.Source->findChild<TPrivateCopy *>()->wait());
            overwrite();
        }
        QTRY_VERIFY(!opened.Source->Copying());
        QCOMPARE(opened.Source->Protected(), change != QLatin1String("copied")); // the private copy is in use
    }
    QSignalSpy failed(opened.Source.get(), &TDecodedSource::ReadFailed);
    QSignalSpy renamed(opened.Source.get(), &TDecodedSource::NameChanged);

    if (change == QLatin1String("truncate")) {
        QVERIFY(QFile::resize(path, 100));
    } else if (change == QLatin1String("overwrite") || change == QLatin1String("copied")) {
        overwrite();
    } else if (change == QLatin1String("replace")) {
        WriteAll(path + ".new", "another file");
        QVERIFY(::rename(QFile::encodeName(path + ".new").constData(), QFile::encodeName(path).constData()) == 0);
    } else if (change == QLatin1String("remove")) {
        QVERIFY(QFile::remove(path));
    } else {
        // A descriptor the same file is open on, but not for reading: every
        // read fails as on a medium that is gone.
        const int writeOnly = ::open(QFile::encodeName(path).constData(), O_WRONLY);
        QVERIFY(::dup2(writeOnly, originalFd) >= 0);
        ::close(writeOnly);
    }

    // Read anew through a cache that holds only a few blocks, and saved.
    QByteArray read = opened.Doc.Slice(0, opened.Doc.Length());
    if (intact) {
        QCOMPARE(read, model);
    } else {
        // Never a mix: a block comes whole or as NULs. Lines are still
        // found where they were indexed, in the text's range.
        QVERIFY(read != model);
        for (qsizetype p = 0; p < read.size(); ++p)
            QVERIFY(read[p] == model[p] || read[p] == '\0');
        for (qsizetype line = 0; line < opened.Doc.LineCount(); line += 7) {
            QVERIFY(opened.Doc.LineEnd(line) <= opened.Doc.Length());
            QVERIFY(opened.Doc.LineOf(opened.Doc.LineStart(line)) < opened.Doc.LineCount());
        }
    }
    QSaveFile out(target);
    QVERIFY(out.open(QIODevice::WriteOnly));
    const bool written = FileFormat::Write(opened.Doc, opened.Format, out);
    QCOMPARE(written, intact);
    if (written)
        QVERIFY(out.commit());
    else
        out.cancelWriting();
    QCOMPARE(ReadAll(target), intact ? Expected(model, opened.Format) : QByteArray("old target"));
    QCoreApplication::processEvents();
    QCOMPARE(failed.count(), intact ? 0 : 1);
    QCOMPARE(renamed.count(), nameChanged ? 1 : 0);
    QCOMPARE(opened.Source->State(), !intact && change == QLatin1String("fail") ? TSourceFile::TState::ReadError
                                     : intact                                   ? TSourceFile::TState::Intact
                                                                                : TSourceFile::TState::Changed);
}

void TestDecodedSource::fullDisk_data()
{
    // A limit on the size of files written stands for a disk that fills up.
    QTest::addColumn<bool>("duringCopy");
    QTest::addColumn<bool>("named"); // the copy made as where there are no unnamed files
    QTest::newRow("during the private copy") << true << false;
    QTest::newRow("during the save") << false << false;
    QTest::newRow("during the save, a named copy") << false << true;
}

void TestDecodedSource::fullDisk()
{
    QFETCH(bool, duringCopy);
    QFETCH(bool, named);
    QRandomGenerator random(9);
    const QString path = m_dir.filePath(QStringLiteral("big.txt"));
    const QByteArray file = QByteArray("0123456789abcdef\n").repeated(4000);
    WriteAll(path, file);
    TOpened opened(path, FileFormat::ForCharset(TCharset::csCp437, file), false, random);
    opened.ScanAll();
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    rlimit limited = old;
    limited.rlim_cur = 10000;
    if (duringCopy)
        QVERIFY(::setrlimit(RLIMIT_FSIZE, &limited) == 0);
    QSignalSpy copied(opened.Source.get(), &TDecodedSource::CopyFinished);
    TPrivateCopy::SetNamedFiles(named);
    opened.Doc.Replace(0, 0, "x", TTextBuffer::TEditKind::Step);
    QVERIFY(copied.wait());
    TPrivateCopy::SetNamedFiles(false);
    ::setrlimit(RLIMIT_FSIZE, &old);
    QVERIFY(QDir(TDecodedSource::CopyFolder()).isEmpty()); // no name left to a copy
    // A copy that failed is told; the edit is kept, read from the file.
    QCOMPARE(copied.first().first().toString().isEmpty(), !duringCopy);
    QCOMPARE(opened.Source->Protected(), !duringCopy);
    QVERIFY(::setrlimit(RLIMIT_FSIZE, &limited) == 0);
    QSaveFile out(path);
    const bool written = out.open(QIODevice::WriteOnly) && FileFormat::Write(opened.Doc, opened.Format, out) && out.commit();
    ::setrlimit(RLIMIT_FSIZE, &old);
    QVERIFY(!written);
    QCOMPARE(ReadAll(path), file); // the original untouched
    QCOMPARE(opened.Doc.Slice(0, 5), QByteArray("x0123"));
    QVERIFY(FileFormat::ToFile(opened.Doc, opened.Format) == "x" + QByteArray(file).replace("\n", "\r\n"));
}

QTEST_GUILESS_MAIN(TestDecodedSource)
#include "tst_decodedsource.moc"
