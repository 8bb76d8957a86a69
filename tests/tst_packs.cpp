// Packs in the window: opened like a folder (FILE_ID.DIZ first, natural
// order, a pack inside a pack, pictures), entries read-only, copies and
// exports, the recent files, bad packs, a pack stepped into from its folder,
// and the gallery. The packs are made here.

#include "app/PackBrowser.h"
#include "app/RecentFiles.h"
#include "document/DecodedSource.h"
#include "formats/Sauce.h"
#include "platform/Errors.h"
#include "platform/StatusBar.h"
#include "support/MainFixture.h"
#include "support/PackMaker.h"
#include "textview/GalleryView.h"
#include "textview/ImageView.h"
#include "textview/RichEdit.h"

#include <QAction>
#include <QBuffer>
#include <QDirIterator>
#include <QImage>
#include <QTest>
#include <QTimer>

class TestPacks : public QObject
{
    Q_OBJECT

private slots:
    void init() { TPackReader::SetBounds({}); }
    void stepsThroughAPack_data();
    void stepsThroughAPack();
    void entriesAreReadOnly();
    void recentFilesRememberTheEntry();
    void badEntriesArePassedOver_data();
    void badEntriesArePassedOver();
    void aLargeEntryIsReadOnDemand();
    void aPackSteppedIntoIsLeftAtItsEnds();
    void galleryOfAFolder();
    void galleryKeepsAFewHundredThumbnails();
    void aHundredThousandEntriesListWithoutStalling();

private:
    static QString Caption(const MainFixture &f) { return f.Window->windowTitle(); }
    static QString Notice(const MainFixture &f) { return f.Window->StatusBar1->PanelText(5); }
    static QByteArray Png()
    {
        QImage image(12, 8, QImage::Format_RGB32);
        image.fill(Qt::red);
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        return buffer.data();
    }
    // Every file under a folder, but the recent-files list.
    static QStringList Files(const QString &folder)
    {
        QStringList files;
        for (QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories); it.hasNext();) {
            const QString file = it.next();
            if (!file.endsWith(QLatin1String("Recent.lst")))
                files << file;
        }
        files.sort();
        return files;
    }
};

void TestPacks::stepsThroughAPack_data()
{
    QTest::addColumn<QString>("format");
    QTest::newRow("zip") << "zip";
    QTest::newRow("tar.gz") << "tar.gz";
}

void TestPacks::stepsThroughAPack()
{
    QFETCH(QString, format);
    MainFixture f;
    const QString outside = QDir::temp().filePath(QStringLiteral("glimra-%1.nfo").arg(QCoreApplication::applicationPid()));
    const QByteArray inner = PackMaker::Make(QStringLiteral("zip"), PackMaker::Files({{"b.nfo", "B"}, {"a.nfo", "A"}}));
    const QString pack = f.WriteFile(QStringLiteral("pack.") + format, PackMaker::Make(format, {
        {"02-logo.ans", "\x1b[31mlogo"}, {"10-end.nfo", "end"}, {"FILE_ID.DIZ", "diz"}, {"setup.exe", "MZ"},
        {"01-intro.nfo", "intro"}, {"art", {}, 0, {}, true}, {"art/03-x.nfo", "x"}, {"inner.zip", inner},
        {"pic.png", Png()}, {"../../climb.nfo", "climb"}, {QFile::encodeName(outside), "outside"},
        {"link.nfo", {}, 0, "/etc/passwd"}}));
    const QStringList before = Files(f.Dir.path());
    f.Window->LoadDocument(pack);
    // Natural order over the whole pack, a folder's own files first; FILE_ID.DIZ shown first.
    QCOMPARE(f.Window->richedit->Bytes(), QByteArray("diz"));
    QCOMPARE(Caption(f), QStringLiteral("Glimra - FILE_ID.DIZ (pack.%1)").arg(format));
    QCOMPARE(Notice(f), QStringLiteral("File 4 of 9"));
    QCOMPARE(f.Window->DocumentName(), f.Dir.filePath(QStringLiteral("FILE_ID.DIZ")));
    struct TStep
    {
        int Step;
        QString Caption, Notice;
        QByteArray Shown; // empty: a picture
    };
    const QList<TStep> steps = {
        {+1, "a.nfo (inner.zip in pack.%1)", "File 1 of 2", "A"},
        {+1, "b.nfo (inner.zip in pack.%1)", "File 2 of 2", "B"},
        {+1, "pic.png (pack.%1)", "File 6 of 9", ""},
        {+1, QFileInfo(outside).fileName() + " (pack.%1)", "File 7 of 9", "outside"},
        {+1, "climb.nfo (pack.%1)", "File 8 of 9", "climb"},
        {+1, "03-x.nfo (pack.%1)", "File 9 of 9", "x"},
        {+1, "01-intro.nfo (pack.%1)", "File 1 of 9", "intro"}, // round again
        {-1, "03-x.nfo (pack.%1)", "File 9 of 9", "x"},
        {-1, "climb.nfo (pack.%1)", "File 8 of 9", "climb"},
    };
    for (const TStep &step : steps) {
        f.Window->Item(step.Step > 0 ? "NextFile1" : "PreviousFile1")->trigger();
        QCOMPARE(Caption(f), QStringLiteral("Glimra - ") + step.Caption.arg(format));
        QCOMPARE(Notice(f), step.Notice);
        QCOMPARE(f.Window->ShowsImage(), step.Shown.isEmpty());
        if (!step.Shown.isEmpty())
            QCOMPARE(f.Window->richedit->Bytes(), step.Shown);
        else
            QCOMPARE(f.Window->ImageView()->Image().size(), QSize(12, 8));
    }
    QCOMPARE(f.Dialogs.Texts(QStringLiteral("Error")), QStringList());
    // Names that climb out are names: nothing was written anywhere.
    QCOMPARE(Files(f.Dir.path()), before);
    QVERIFY(!QFile::exists(outside));
    QVERIFY(!QFile::exists(f.Dir.filePath(QStringLiteral("../../climb.nfo"))));
}

void TestPacks::entriesAreReadOnly()
{
    MainFixture f;
    const QString pack = f.WriteFile(QStringLiteral("pack.zip"), PackMaker::Make(QStringLiteral("zip"),
        PackMaker::Files({{"art.nfo", "\xDB\xDB art"}})));
    f.Window->LoadDocument(pack);
    TRichEdit *edit = f.Window->richedit;
    QTest::keyClicks(edit, QStringLiteral("x"));
    QCOMPARE(edit->Bytes(), QByteArray("\xDB\xDB art"));
    QVERIFY(!edit->Modified());
    QCOMPARE(Notice(f), QStringLiteral("Read only: an entry of a pack; Save As writes a copy"));
    QVERIFY(!f.Window->Item("ReadOnly1")->isChecked()); // the user's setting is the user's
    // Save writes a copy where the user says; the entry stays shown.
    const QString copy = f.Dir.filePath(QStringLiteral("copy.nfo"));
    f.Dialogs.FileAnswers << copy << f.Dir.filePath(QStringLiteral("art.html"));
    f.Window->Item("Save1")->trigger();
    QCOMPARE(f.Dialogs.Texts(QStringLiteral("Save")).constFirst(), f.Dir.filePath(QStringLiteral("art.nfo")));
    QCOMPARE(MainFixture::ReadFile(copy), QByteArray("\xDB\xDB art"));
    QCOMPARE(Caption(f), QStringLiteral("Glimra - art.nfo (pack.zip)"));
    QCOMPARE(Notice(f), QStringLiteral("Saved a copy as ") + copy);
    f.Window->Item("ExportHtml1")->trigger();
    QVERIFY(MainFixture::ReadFile(f.Dir.filePath(QStringLiteral("art.html"))).contains("\xE2\x96\x88\xE2\x96\x88 art"));
    // Another file of its own is edited as before.
    f.Window->LoadDocument(copy);
    QTest::keyClicks(edit, QStringLiteral("x"));
    QVERIFY(edit->Modified());
}

void TestPacks::recentFilesRememberTheEntry()
{
    MainFixture f;
    const QString pack = f.WriteFile(QStringLiteral("pack.zip"), PackMaker::Make(QStringLiteral("zip"),
        PackMaker::Files({{"1.nfo", "one"}, {"2.nfo", "two"}, {"3 \n.nfo", "three"}})));
    f.Window->LoadDocument(pack);
    f.Window->Item("NextFile1")->trigger();
    f.Window->Item("NextFile1")->trigger();
    f.Restart();
    QCOMPARE(TRecentFiles().Slot(1), pack); // read by older versions as before
    f.Window->mru(1);
    QCOMPARE(f.Window->richedit->Bytes(), QByteArray("three"));
    f.Dialogs.FileAnswers << pack; // opened afresh: its first
    f.Window->Item("Open1")->trigger();
    QCOMPARE(f.Window->richedit->Bytes(), QByteArray("one"));
}

void TestPacks::badEntriesArePassedOver_data()
{
    QTest::addColumn<QByteArray>("pack");
    QTest::addColumn<QByteArray>("shown");
    QTest::addColumn<QString>("told"); // the notice, or the error
    QTest::newRow("encrypted") << PackMaker::Make(QStringLiteral("zip"), PackMaker::Files({{"a.nfo", "A"}, {"b.nfo", "B"}}), "secret")
                               << QByteArray() << "Nothing in pack.zip opens; passed over b.nfo (Encrypted: cannot be read)";
    QTest::newRow("too large") << PackMaker::Make(QStringLiteral("zip"), {{"a.nfo", {}, 4 << 20}, {"b.nfo", "B"}})
                               << QByteArray("B") << "File 2 of 2; passed over a.nfo (Too large: it expands past 2 MB)";
    QByteArray noise(200 << 10, Qt::Uninitialized);
    for (qsizetype k = 0; k < noise.size(); ++k)
        noise[k] = char((k * 7919) % 251 ^ (k >> 9));
    const QByteArray cut = PackMaker::Make(QStringLiteral("tar.gz"), {{"a.nfo", "A"}, {"b.nfo", noise}});
    QTest::newRow("cut off") << cut.left(cut.size() / 2) << QByteArray("A")
                             << "File 1 of 2; the rest of pack.zip cannot be read (Damaged: truncated gzip input)";
    QTest::newRow("not a pack") << QByteArray("text") << QByteArray()
                                << "Cannot read pack.zip: Damaged: Unrecognized archive format";
}

void TestPacks::badEntriesArePassedOver()
{
    QFETCH(QByteArray, pack);
    QFETCH(QByteArray, shown);
    QFETCH(QString, told);
    TPackBounds bounds;
    bounds.Largest = 2 << 20;
    TPackReader::SetBounds(bounds);
    MainFixture f;
    try {
        f.Window->OpenPack(f.WriteFile(QStringLiteral("pack.zip"), pack));
        QCOMPARE(f.Window->richedit->Bytes(), shown);
        QCOMPARE(Notice(f), told);
    } catch (const EGlimraError &error) {
        QVERIFY(shown.isEmpty());
        QCOMPARE(error.Text(), told);
        QCOMPARE(Caption(f), QStringLiteral("Glimra - Untitled")); // nothing changed
    }
}

void TestPacks::aLargeEntryIsReadOnDemand()
{
    TPackBounds bounds;
    bounds.InMemory = 64 << 10;
    TPackReader::SetBounds(bounds);
    MainFixture f;
    const QByteArray text = QByteArray("a line of text\r\n").repeated(20000);
    f.Window->OpenPack(f.WriteFile(QStringLiteral("pack.tar.gz"), PackMaker::Make(QStringLiteral("tar.gz"),
        PackMaker::Files({{"big.txt", text}}))));
    // A file of the entry's name beside the pack is another file.
    f.WriteFile(QStringLiteral("big.txt"), "another file");
    QVERIFY(f.Window->richedit->Document().Source()); // from our own file, read on demand
    QTRY_VERIFY_WITH_TIMEOUT(!f.Window->richedit->Loading(), 30000);
    QCOMPARE(f.Window->richedit->Bytes(), text);
    QCoreApplication::processEvents(); // what the reads noticed is told
    QCOMPARE(f.Window->richedit->Bytes(), text);
    QVERIFY(!f.Window->richedit->Modified());
    QCOMPARE(Files(TDecodedSource::CopyFolder()), QStringList()); // a file no name reaches
    QCOMPARE(Caption(f), QStringLiteral("Glimra - big.txt (pack.tar.gz)"));
}

void TestPacks::aPackSteppedIntoIsLeftAtItsEnds()
{
    MainFixture f;
    f.WriteFile(QStringLiteral("b.zip"), PackMaker::Make(QStringLiteral("zip"), PackMaker::Files({{"x.nfo", "x"}, {"y.nfo", "y"}})));
    f.WriteFile(QStringLiteral("c.nfo"), "c");
    f.Window->LoadDocument(f.WriteFile(QStringLiteral("a.nfo"), "a"));
    const QList<QPair<int, QString>> steps = {{+1, "x.nfo (b.zip)"}, {+1, "y.nfo (b.zip)"}, {+1, "c.nfo"},
                                              {-1, "x.nfo (b.zip)"}, {-1, "a.nfo"}, {-1, "c.nfo"}};
    for (const auto &[step, caption] : steps) {
        f.Window->Item(step > 0 ? "NextFile1" : "PreviousFile1")->trigger();
        QCOMPARE(Caption(f), QStringLiteral("Glimra - ") + caption);
    }
    QCOMPARE(Notice(f), QStringLiteral("File 3 of 3"));
}

void TestPacks::galleryOfAFolder()
{
    MainFixture f;
    for (int k = 1; k <= 12; ++k)
        f.WriteFile(QStringLiteral("%1.ans").arg(k, 2, 10, QLatin1Char('0')), "\x1b[1;3" + QByteArray::number(k % 8) + "m\xDB\xDB\xDB\xDB");
    TSauce record;
    record.Title = "Logo";
    record.Author = "Someone";
    f.WriteFile(QStringLiteral("13.ans"), "\x1b[34m\xDB" + Sauce::Make(record));
    f.WriteFile(QStringLiteral("pic.png"), Png());
    f.Window->resize(900, 700);
    f.Window->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.Window));
    f.Window->LoadDocument(f.Dir.filePath(QStringLiteral("03.ans")));
    QTest::keyClick(f.Window->richedit, Qt::Key_F9);
    TGalleryView *gallery = f.Window->Gallery();
    QVERIFY(gallery->isVisible() && !f.Window->richedit->isVisible());
    QCOMPARE(gallery->model()->rowCount(), 14);
    QCOMPARE(gallery->Current(), 2);
    QTRY_VERIFY_WITH_TIMEOUT(gallery->HasTile(2) && gallery->HasTile(12) && gallery->HasTile(13), 30000);
    QVERIFY(gallery->model()->index(12, 0).data(Qt::ToolTipRole).toString().endsWith(QLatin1String("Logo\nby Someone")));
    QTest::keyClick(gallery, Qt::Key_End);
    QCOMPARE(gallery->Current(), 13);
    QTest::keyClick(gallery, Qt::Key_Home);
    QTest::keyClick(gallery, Qt::Key_Right);
    QTest::keyClick(gallery, Qt::Key_Return);
    QCOMPARE(f.Window->DocumentName(), f.Dir.filePath(QStringLiteral("02.ans")));
    QVERIFY(f.Window->richedit->isVisible() && !gallery->isVisible());
    // Esc goes back to what was shown, and is no Exit here.
    QTest::keyClick(f.Window->richedit, Qt::Key_F9);
    QTest::keyClick(gallery, Qt::Key_Escape);
    QVERIFY(f.Window->isVisible() && f.Window->richedit->isVisible());
    QCOMPARE(f.Window->DocumentName(), f.Dir.filePath(QStringLiteral("02.ans")));
}

void TestPacks::galleryKeepsAFewHundredThumbnails()
{
    TGalleryView gallery;
    gallery.resize(800, 600);
    gallery.show();
    QVERIFY(QTest::qWaitForWindowExposed(&gallery));
    QStringList names;
    for (int k = 0; k < 2000; ++k)
        names << QString::number(k);
    gallery.Show(names, names, 1000, [](qsizetype) { return TGalleryTile{QImage(100, 100, QImage::Format_RGB32), {}}; });
    // What is on the screen first: the rest is never drawn unless seen.
    QTRY_VERIFY(gallery.HasTile(1000));
    QVERIFY(gallery.Made() < 100);
    for (qsizetype k = 0; k < names.size(); k += 40) {
        gallery.setCurrentIndex(gallery.model()->index(int(k), 0));
        QTRY_VERIFY(gallery.HasTile(k));
    }
    QVERIFY(gallery.Cached() <= TGalleryView::kCached);
    QVERIFY(gallery.Made() > TGalleryView::kCached);
}

void TestPacks::aHundredThousandEntriesListWithoutStalling()
{
    QList<PackMaker::TItem> items;
    for (int k = 0; k < 100000; ++k)
        items.append({QByteArray::number(k) + ".nfo", "x"});
    MainFixture f;
    const QString pack = f.WriteFile(QStringLiteral("many.zip"), PackMaker::Make(QStringLiteral("zip"), items));
    int ticks = 0;
    QTimer clock;
    connect(&clock, &QTimer::timeout, [&ticks] { ++ticks; });
    clock.start(10);
    f.Window->LoadDocument(pack);
    QVERIFY(ticks > 0); // the window went on while the pack was listed
    QCOMPARE(Notice(f), QStringLiteral("File 1 of 100000"));
    f.Window->Item("Gallery1")->trigger();
    QCOMPARE(f.Window->Gallery()->model()->rowCount(), 100000);
}

QTEST_MAIN(TestPacks)
#include "tst_packs.moc"
