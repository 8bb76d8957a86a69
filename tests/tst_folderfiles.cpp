// The files of a folder in natural order, and the neighbours of one of them.

#include "app/FolderFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

class TestFolderFiles : public QObject
{
    Q_OBJECT

private slots:
    void naturalOrder_data();
    void naturalOrder();
    void listsWhatOpensAndStepsAround();
    void kinds_data();
    void kinds();
};

void TestFolderFiles::naturalOrder_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<int>("order");
    QTest::newRow("2 before 10") << "notes2.nfo" << "notes10.nfo" << -1;
    QTest::newRow("leading zeros") << "part007.nfo" << "part7b.nfo" << -1;
    QTest::newRow("numbers of many digits") << "r99999999999999999999.nfo" << "r100000000000000000000.nfo" << -1;
    QTest::newRow("letter case aside") << "Beta.nfo" << "alpha.nfo" << 1;
    QTest::newRow("same but for case") << "A.nfo" << "a.nfo" << -1;
    QTest::newRow("prefix first") << "file.nfo" << "file1.nfo" << 1; // '.' after '1' in ASCII
    QTest::newRow("equal") << "x1.diz" << "x1.diz" << 0;
    // Paths, folder by folder: a folder's own files first.
    QTest::newRow("paths: 2 before 10") << "art2/z.ans" << "art10/a.ans" << -1;
    QTest::newRow("paths: files before folders") << "zz.nfo" << "art/a.nfo" << -1;
    QTest::newRow("paths: a folder kept together") << "a/b/c.nfo" << "a-b.nfo" << 1;
}

void TestFolderFiles::naturalOrder()
{
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(int, order);
    const auto compare = QTest::currentDataTag() && QByteArray(QTest::currentDataTag()).startsWith("paths")
                             ? FolderFiles::ComparePaths : FolderFiles::Compare;
    QCOMPARE(compare(a, b), order);
    QCOMPARE(compare(b, a), -order);
}

void TestFolderFiles::listsWhatOpensAndStepsAround()
{
    QTemporaryDir dir;
    for (const char *name : {"10.nfo", "2.NFO", "1.diz", "readme.md", "9.ANS", "3.log.txt", "noextension"}) {
        QFile file(dir.filePath(QString::fromLatin1(name)));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("5.nfo")));                      // a folder
    QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath(QStringLiteral("6.nfo"))).constData(), 0600), 0); // a pipe
    const QStringList files = FolderFiles::List(dir.path());
    QStringList names;
    for (const QString &file : files)
        names << file.section(u'/', -1);
    QCOMPARE(names, (QStringList{"1.diz", "2.NFO", "3.log.txt", "9.ANS", "10.nfo"}));

    const auto step = [&](const char *from, int by) {
        const qsizetype at = FolderFiles::Neighbour(files, dir.filePath(QString::fromLatin1(from)), by);
        return at < 0 ? QString() : files[at].section(u'/', -1);
    };
    QCOMPARE(step("2.NFO", +1), QStringLiteral("3.log.txt"));
    QCOMPARE(step("2.NFO", -1), QStringLiteral("1.diz"));
    QCOMPARE(step("10.nfo", +1), QStringLiteral("1.diz")); // wraps
    QCOMPARE(step("1.diz", -1), QStringLiteral("10.nfo"));
    QCOMPARE(step("4.nfo", +1), QStringLiteral("9.ANS")); // removed: its place in the order
    QCOMPARE(step("4.nfo", -1), QStringLiteral("3.log.txt"));
    QCOMPARE(FolderFiles::Neighbour({}, dir.filePath(QStringLiteral("1.diz")), 1), -1);
}

void TestFolderFiles::kinds_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("kind");
    const auto row = [](const char *name, FolderFiles::TKind kind) { QTest::newRow(name) << name << int(kind); };
    row("a.NFO", FolderFiles::TKind::Text);
    row("pack.ZIP", FolderFiles::TKind::Pack);
    row("b.Tar.Gz", FolderFiles::TKind::Pack);
    row("c.tar.zst", FolderFiles::TKind::Pack);
    row("d.lzh", FolderFiles::TKind::Pack);
    row("e.png", FolderFiles::TKind::Image);
    row("f.GIF", FolderFiles::TKind::Image);
    row("g.gz", FolderFiles::TKind::None); // one file compressed is no pack
    row(".zip", FolderFiles::TKind::None);
    row("h.exe", FolderFiles::TKind::None);
}

void TestFolderFiles::kinds()
{
    QFETCH(QString, name);
    QFETCH(int, kind);
    QCOMPARE(int(FolderFiles::KindOf(name)), kind);
    QCOMPARE(FolderFiles::Opens(name), kind != int(FolderFiles::TKind::None));
}

QTEST_GUILESS_MAIN(TestFolderFiles)
#include "tst_folderfiles.moc"
