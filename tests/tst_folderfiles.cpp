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
}

void TestFolderFiles::naturalOrder()
{
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(int, order);
    QCOMPARE(FolderFiles::Compare(a, b), order);
    QCOMPARE(FolderFiles::Compare(b, a), -order);
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

QTEST_GUILESS_MAIN(TestFolderFiles)
#include "tst_folderfiles.moc"
