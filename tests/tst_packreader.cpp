// Packs read in place: what is listed, what an entry reads as, names that
// climb out, damaged and cut-off packs, encrypted entries, and the bounds
// that keep a bomb from filling memory or the disk. The packs are made here.

#include "document/DecodedSource.h"
#include "packs/PackReader.h"
#include "support/PackMaker.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

class TestPackReader : public QObject
{
    Q_OBJECT

private slots:
    void init() { TPackReader::SetBounds({}); }
    void listsAndReadsInPlace_data();
    void listsAndReadsInPlace();
    void damagedPacksListWhatCanBeRead_data();
    void damagedPacksListWhatCanBeRead();
    void boundsAreKept();
    void encryptedEntriesSaySo();
    void namesAreOnlyShown_data();
    void namesAreOnlyShown();
    void headsForThumbnails();

private:
    // Bytes that hardly compress, so that a cut pack is cut inside them.
    static QByteArray Noise(int seed)
    {
        QByteArray noise(64 << 10, Qt::Uninitialized);
        quint32 state = 2166136261u + quint32(seed);
        for (char &byte : noise) {
            state = state * 1664525u + 1013904223u;
            byte = char(state >> 24);
        }
        return noise;
    }
    static QStringList Names(const TPackListing &listing)
    {
        QStringList names;
        for (const TPackEntry &entry : listing.Entries)
            names << entry.Name;
        return names;
    }
};

void TestPackReader::listsAndReadsInPlace_data()
{
    QTest::addColumn<QString>("format");
    for (const char *format : {"zip", "tar.gz", "tar.xz", "7z"})
        QTest::newRow(format) << format;
}

void TestPackReader::listsAndReadsInPlace()
{
    QFETCH(QString, format);
    QTemporaryDir dir;
    const QString outside = dir.filePath(QStringLiteral("x.nfo"));
    const QList<PackMaker::TItem> items = {
        {"FILE_ID.DIZ", "about\r\n"},
        {"art", {}, 0, {}, true},
        {"art/02-logo.ans", "\x1b[1;31mRED"},
        {"link.nfo", {}, 0, "/etc/passwd"},
        {"../../x.nfo", "climbs"},
        {QFile::encodeName(outside), "absolute"},
    };
    const auto source = TPackSource::FromBytes(PackMaker::Make(format, items));
    TPackReader reader(source);
    const TPackListing listing = reader.List();
    QVERIFY2(listing.Damage.isEmpty(), qPrintable(listing.Damage));
    // Folders and links are no entries; names that climb out are names.
    QCOMPARE(Names(listing), (QStringList{"FILE_ID.DIZ", "art/02-logo.ans", "../../x.nfo", outside}));
    QCOMPARE(listing.Entries[1].Size, 10);
    // Backwards too, each from its own header.
    for (qsizetype k = listing.Entries.size() - 1; k >= 0; --k) {
        const TEntryData data = reader.Read(listing.Entries[k]);
        QVERIFY2(data.Error.isEmpty(), qPrintable(data.Error));
        QCOMPARE(data.Bytes, items.value(k < 2 ? k * 2 : k + 2).Bytes);
    }
    QVERIFY(!QFile::exists(outside));
    QVERIFY(!QFile::exists(QDir(dir.path()).filePath(QStringLiteral("../../x.nfo"))));
}

void TestPackReader::damagedPacksListWhatCanBeRead_data()
{
    QTest::addColumn<QByteArray>("pack");
    QTest::addColumn<QStringList>("listed");
    QTest::addColumn<bool>("told"); // the damage is told
    QList<PackMaker::TItem> items;
    for (int k = 1; k <= 4; ++k)
        items.append({QByteArray::number(k) + ".nfo", Noise(k)});
    const QByteArray zip = PackMaker::Make(QStringLiteral("zip"), items);
    const QByteArray tgz = PackMaker::Make(QStringLiteral("tar.gz"), items);
    QByteArray directory = zip; // the directory at the end made nonsense
    directory.replace(directory.indexOf("PK\x01\x02"), 4, "XXXX");
    QTest::newRow("zip cut off") << zip.left(zip.size() * 6 / 10) << QStringList{"1.nfo", "2.nfo"} << true;
    // Every entry is still found from its own header.
    QTest::newRow("zip, directory damaged") << directory << QStringList{"1.nfo", "2.nfo", "3.nfo", "4.nfo"} << false;
    QTest::newRow("tar.gz cut off") << tgz.left(tgz.size() * 6 / 10) << QStringList{"1.nfo", "2.nfo"} << true;
    QTest::newRow("not a pack") << QByteArray("just some text\r\n") << QStringList{} << true;
}

void TestPackReader::damagedPacksListWhatCanBeRead()
{
    QFETCH(QByteArray, pack);
    QFETCH(QStringList, listed);
    QFETCH(bool, told);
    TPackReader reader(TPackSource::FromBytes(pack));
    const TPackListing listing = reader.List();
    QCOMPARE(listing.Damage.startsWith(QLatin1String("Damaged: ")), told);
    QCOMPARE(Names(listing).mid(0, listed.size()), listed);
    if (listed.isEmpty())
        return;
    // What is listed reads, from a reader of its own, as it was listed.
    TPackReader again(TPackSource::FromBytes(pack), listing.Streamed);
    QCOMPARE(again.Read(listing.Entries.first()).Bytes, Noise(1));
}

void TestPackReader::boundsAreKept()
{
    QTemporaryDir cache;
    TDecodedSource::SetCopyFolder(cache.path());
    TPackBounds bounds;
    bounds.InMemory = 64 << 10;
    bounds.Largest = 2 << 20;
    bounds.Entries = 20;
    bounds.Expansion = 6 << 20;
    TPackReader::SetBounds(bounds);
    QList<PackMaker::TItem> items = {{"large.nfo", "start", 1 << 20}, {"bomb.nfo", {}, 64 << 20}};
    TPackReader reader(TPackSource::FromBytes(PackMaker::Make(QStringLiteral("zip"), items)));
    const TPackListing listing = reader.List();
    // Past what memory takes: in our own file, that no name reaches.
    const TEntryData large = reader.Read(listing.Entries[0]);
    QVERIFY2(large.Error.isEmpty(), qPrintable(large.Error));
    QVERIFY(large.Bytes.isEmpty() && large.File);
    QCOMPARE(large.File->Size(), (1 << 20) + 5);
    char start[5];
    QCOMPARE(large.File->Read(0, start, 5), TSourceFile::TState::Intact);
    QCOMPARE(QByteArray(start, 5), QByteArray("start"));
    QVERIFY(QDir(cache.path()).isEmpty());
    // Past the bound: refused, however small the pack says it is.
    QCOMPARE(reader.Read(listing.Entries[1]).Error, QStringLiteral("Too large: it expands past 2 MB"));
    TPackEntry lying = listing.Entries[1];
    lying.Size = 10;
    QCOMPARE(reader.Read(lying).Error, QStringLiteral("Too large: it expands past 2 MB"));

    // A compressed stream is listed only as far as it may expand.
    items = {{"1.nfo", {}, 4 << 20}, {"2.nfo", {}, 4 << 20}, {"3.nfo", "x"}};
    TPackReader stream(TPackSource::FromBytes(PackMaker::Make(QStringLiteral("tar.gz"), items)));
    const TPackListing cut = stream.List();
    QCOMPARE(Names(cut), (QStringList{"1.nfo", "2.nfo"}));
    QCOMPARE(cut.Damage, QStringLiteral("Too large: it expands past 6 MB"));
    // And countless entries are listed up to the bound.
    items.clear();
    for (int k = 0; k < 50; ++k)
        items.append({QByteArray::number(k) + ".nfo", "x"});
    TPackReader many(TPackSource::FromBytes(PackMaker::Make(QStringLiteral("zip"), items)));
    const TPackListing some = many.List();
    QVERIFY(some.Cut);
    QCOMPARE(some.Entries.size(), 20);
    TDecodedSource::SetCopyFolder(QString());
}

void TestPackReader::encryptedEntriesSaySo()
{
    const QByteArray pack = PackMaker::Make(QStringLiteral("zip"), PackMaker::Files({{"secret.nfo", "hidden"}}), "pass");
    TPackReader reader(TPackSource::FromBytes(pack));
    const TPackListing listing = reader.List();
    QCOMPARE(Names(listing), QStringList{"secret.nfo"});
    QVERIFY(listing.Entries[0].Encrypted);
    QCOMPARE(reader.Read(listing.Entries[0]).Error, QStringLiteral("Encrypted: cannot be read"));
    QCOMPARE(reader.Head(listing.Entries[0], 100, 100, 100).Error, QStringLiteral("Encrypted: cannot be read"));
}

void TestPackReader::namesAreOnlyShown_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QString>("shown");
    QTest::newRow("UTF-8") << QByteArray("caf\xC3\xA9.nfo") << QStringLiteral("caf\u00E9.nfo");
    QTest::newRow("DOS") << QByteArray("\x8E\xC4\xC4.NFO") << QStringLiteral("\u00C4\u2500\u2500.NFO");
    QTest::newRow("backslashes") << QByteArray("ART\\LOGO.ANS") << QStringLiteral("ART/LOGO.ANS");
    QTest::newRow("control characters") << QByteArray("a\nb\x1b.nfo") << QStringLiteral("a\uFFFDb\uFFFD.nfo");
    QTest::newRow("dot slash") << QByteArray("./././a.nfo") << QStringLiteral("a.nfo");
    QTest::newRow("long") << QByteArray(5000, 'a') << QString(1024, u'a');
}

void TestPackReader::namesAreOnlyShown()
{
    QFETCH(QByteArray, stored);
    QFETCH(QString, shown);
    QCOMPARE(TPackReader::DecodeName(stored), shown);
}

void TestPackReader::headsForThumbnails()
{
    const QByteArray art = QByteArray(100000, 'a') + "SAUCE00";
    const QList<PackMaker::TItem> items = {{"big.ans", art}, {"small.ans", "tiny"}};
    TPackReader reader(TPackSource::FromBytes(PackMaker::Make(QStringLiteral("tar.gz"), items)));
    const TPackListing listing = reader.List();
    TEntryHead head = reader.Head(listing.Entries[0], 1000, 7, 1 << 20);
    QCOMPARE(head.Head, art.left(1000));
    QCOMPARE(head.Tail, QByteArray("SAUCE00"));
    QVERIFY(head.Cut);
    head = reader.Head(listing.Entries[0], 1000, 7, 1000); // too large to read to its end
    QVERIFY(head.Tail.isEmpty() && head.Cut);
    head = reader.Head(listing.Entries[1], 1000, 7, 1 << 20);
    QCOMPARE(head.Head, QByteArray("tiny"));
    QVERIFY(!head.Cut && head.Tail.isEmpty());
}

QTEST_GUILESS_MAIN(TestPackReader)
#include "tst_packreader.moc"
