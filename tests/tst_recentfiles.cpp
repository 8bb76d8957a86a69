#include "app/RecentFiles.h"
#include "platform/Errors.h"
#include "platform/PrivateProfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

class TestRecentFiles : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void missingOrEmptyListFile_data();
    void missingOrEmptyListFile();
    void addRecent_data();
    void addRecent();
    void sixteenFilesKeepTheFifteenMostRecent();
    void fileHoldsOnlyListedSlots();
    void relativeNameIsExpanded();
    void unwritableListRaises();
    void listDirectory();
    void captions_data();
    void captions();
    void menuItems();

private:
    QString Path(const QString &name) const { return m_dir->filePath(name); }
    QStringList Paths(const QStringList &names) const;
    QStringList Padded(QStringList entries) const;

    std::unique_ptr<QTemporaryDir> m_dir;
};

QStringList TestRecentFiles::Paths(const QStringList &names) const
{
    QStringList paths;
    for (const QString &name : names)
        paths.append(name.isEmpty() ? QString() : Path(name));
    return paths;
}

QStringList TestRecentFiles::Padded(QStringList entries) const
{
    while (entries.size() < TRecentFiles::SlotCount)
        entries.append(QString());
    return entries;
}

void TestRecentFiles::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestRecentFiles::missingOrEmptyListFile_data()
{
    QTest::addColumn<bool>("create");
    QTest::newRow("no file") << false;
    QTest::newRow("empty file") << true;
}

void TestRecentFiles::missingOrEmptyListFile()
{
    QFETCH(bool, create);
    TRecentFiles list(m_dir->path());
    if (create) {
        QFile file(list.FileName());
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QCOMPARE(list.Slots(), Padded({}));
    QCOMPARE(RecentMenuItems(list.Slots()), QList<TRecentMenuItem>({{QStringLiteral("Empty"), 0, false}}));

    list.AddRecent(Path(QStringLiteral("a.nfo")));
    QCOMPARE(list.Slots(), Padded({Path(QStringLiteral("a.nfo"))}));
}

void TestRecentFiles::addRecent_data()
{
    QTest::addColumn<QStringList>("before"); // slots 1 to n; "" leaves a slot empty
    QTest::addColumn<QString>("added");
    QTest::addColumn<QStringList>("after");

    QStringList full;
    for (int n = 1; n <= 15; ++n)
        full.append(QStringLiteral("f%1.nfo").arg(n));

    QTest::newRow("new into empty list") << QStringList{} << "a.nfo" << QStringList{"a.nfo"};
    QTest::newRow("new pushes the rest down")
        << QStringList{"a.nfo", "b.diz", "c.txt"} << "d.log" << QStringList{"d.log", "a.nfo", "b.diz", "c.txt"};
    QTest::newRow("slot 1 again stays once")
        << QStringList{"a.nfo", "b.diz"} << "a.nfo" << QStringList{"a.nfo", "b.diz"};
    QTest::newRow("listed again moves up, the rest close up")
        << QStringList{"a", "b", "c", "d"} << "c" << QStringList{"c", "a", "b", "d"};
    QTest::newRow("slot 15 again") << full << "f15.nfo"
                                   << (QStringList{"f15.nfo"} + full.mid(0, 14));
    QTest::newRow("new into a full list drops slot 15") << full << "new.nfo"
                                                        << (QStringList{"new.nfo"} + full.mid(0, 14));
    QTest::newRow("letter case takes a second slot")
        << QStringList{"readme.nfo"} << "README.NFO" << QStringList{"README.NFO", "readme.nfo"};
    QTest::newRow("gap in an old list is closed")
        << QStringList{"a", "", "b"} << "c" << QStringList{"c", "a", "b"};
}

void TestRecentFiles::addRecent()
{
    QFETCH(QStringList, before);
    QFETCH(QString, added);
    QFETCH(QStringList, after);

    TRecentFiles list(m_dir->path());
    for (int n = 1; n <= before.size(); ++n) {
        if (!before.at(n - 1).isEmpty())
            QVERIFY(WritePrivateProfileString(QStringLiteral("Oldies"), QString::number(n),
                                              Path(before.at(n - 1)), list.FileName()));
    }
    list.AddRecent(Path(added));
    QCOMPARE(list.Slots(), Padded(Paths(after)));
}

void TestRecentFiles::sixteenFilesKeepTheFifteenMostRecent()
{
    TRecentFiles list(m_dir->path());
    QStringList expected;
    for (int n = 1; n <= 16; ++n) {
        list.AddRecent(Path(QStringLiteral("art%1.nfo").arg(n)));
        expected.prepend(Path(QStringLiteral("art%1.nfo").arg(n)));
    }
    expected.removeLast();
    QCOMPARE(list.Slots(), expected);
    QVERIFY(!list.Slots().contains(Path(QStringLiteral("art1.nfo"))));
}

// Slots that would be empty are not written, so the file looks like one the
// user could have written by hand.
void TestRecentFiles::fileHoldsOnlyListedSlots()
{
    TRecentFiles list(m_dir->path());
    for (const char *name : {"a.nfo", "b.diz", "c.nfo"})
        list.AddRecent(Path(QString::fromLatin1(name)));
    QFile file(list.FileName());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray expected = "[Oldies]\r\n1=" + Path(QStringLiteral("c.nfo")).toUtf8() + "\r\n2="
                                + Path(QStringLiteral("b.diz")).toUtf8() + "\r\n3="
                                + Path(QStringLiteral("a.nfo")).toUtf8() + "\r\n";
    QCOMPARE(file.readAll(), expected);
}

void TestRecentFiles::relativeNameIsExpanded()
{
    const QString current = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_dir->path()));
    TRecentFiles list(m_dir->path());
    list.AddRecent(QStringLiteral("sub/../b.diz"));
    list.AddRecent(QStringLiteral("./b.diz"));
    QDir::setCurrent(current);
    QCOMPARE(list.Slots(), Padded({Path(QStringLiteral("b.diz"))}));
}

void TestRecentFiles::unwritableListRaises()
{
    // A missing directory cannot be written, even by root.
    const TRecentFiles list(Path(QStringLiteral("gone")));
    try {
        list.AddRecent(Path(QStringLiteral("a.nfo")));
        QFAIL("no exception");
    } catch (const EGlimraError &e) {
        QCOMPARE(e.Message(), QStringLiteral("Unable to write to %1").arg(Path(QStringLiteral("gone/Recent.lst"))));
    }
}

void TestRecentFiles::listDirectory()
{
    const QString program = QFileInfo(QCoreApplication::applicationFilePath()).canonicalPath();
    QCOMPARE(TRecentFiles::ProgramDirectory(), program);
    QCOMPARE(TRecentFiles().FileName(), program + QStringLiteral("/Recent.lst"));

    TRecentFiles::SetListDirectory(m_dir->path());
    QCOMPARE(TRecentFiles().FileName(), Path(QStringLiteral("Recent.lst")));
    TRecentFiles::SetListDirectory(QString());
    QCOMPARE(TRecentFiles().FileName(), program + QStringLiteral("/Recent.lst"));
}

void TestRecentFiles::captions_data()
{
    QTest::addColumn<int>("slot");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("caption");

    QTest::newRow("slot 1") << 1 << "/home/u/a.nfo" << "  &1 /home/u/a.nfo";
    QTest::newRow("slot 9") << 9 << "/home/u/i.nfo" << "  &9 /home/u/i.nfo";
    QTest::newRow("slot 10 has no access key") << 10 << "/home/u/j.nfo" << "10 /home/u/j.nfo";
    QTest::newRow("slot 15") << 15 << "/o.nfo" << "15 /o.nfo";
    QTest::newRow("ampersand shown as itself") << 2 << "/rock&roll.nfo" << "  &2 /rock&&roll.nfo";
}

void TestRecentFiles::captions()
{
    QFETCH(int, slot);
    QFETCH(QString, path);
    QFETCH(QString, caption);
    QCOMPARE(RecentCaption(slot, path), caption);
}

void TestRecentFiles::menuItems()
{
    QStringList entries;
    for (int n = 1; n <= 11; ++n)
        entries.append(QStringLiteral("/f%1").arg(n));
    const auto items = RecentMenuItems(Padded(entries));
    QCOMPARE(items.size(), 11);
    for (int n = 1; n <= 11; ++n) {
        QCOMPARE(items.at(n - 1).Slot, n);
        QVERIFY(items.at(n - 1).Enabled);
    }
    QCOMPARE(items.at(0).Caption, QStringLiteral("  &1 /f1"));
    QCOMPARE(items.at(10).Caption, QStringLiteral("11 /f11"));

    // The menu ends at the first empty slot.
    QCOMPARE(RecentMenuItems(Padded({QStringLiteral("/a"), QString(), QStringLiteral("/b")})),
             QList<TRecentMenuItem>({{QStringLiteral("  &1 /a"), 1, true}}));
}

QTEST_MAIN(TestRecentFiles)
#include "tst_recentfiles.moc"
