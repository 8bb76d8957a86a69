#include "app/RecentFiles.h"
#include "platform/Errors.h"
#include "platform/PrivateProfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

class TestRecentFiles : public QObject
{
    Q_OBJECT

private slots:
    void addRecent_data();
    void addRecent();
    void relativeNameIsExpanded();
    void unwritableListRaises();
    void listDirectory();
    void listDirectoryOfAnInstall_data();
    void listDirectoryOfAnInstall();
    void captions_data();
    void captions();
    void menuItems();

private:
    // Full paths in the temporary directory, padded to the fifteen slots.
    QStringList Slots(const QStringList &names) const;
    QTemporaryDir m_dir;
};

QStringList TestRecentFiles::Slots(const QStringList &names) const
{
    QStringList slotValues;
    for (const QString &name : names)
        slotValues.append(name.isEmpty() ? QString() : m_dir.filePath(name));
    while (slotValues.size() < TRecentFiles::SlotCount)
        slotValues.append(QString());
    return slotValues;
}

void TestRecentFiles::addRecent_data()
{
    QTest::addColumn<QStringList>("before"); // slots from 1; "" leaves a slot empty
    QTest::addColumn<QString>("added");
    QTest::addColumn<QStringList>("after");

    QStringList full;
    for (int n = 1; n <= 15; ++n)
        full.append(QStringLiteral("f%1.nfo").arg(n));

    QTest::newRow("first file") << QStringList{} << "a.nfo" << QStringList{"a.nfo"};
    QTest::newRow("new pushes the rest down") << QStringList{"a", "b", "c"} << "d" << QStringList{"d", "a", "b", "c"};
    QTest::newRow("slot 1 again stays once") << QStringList{"a", "b"} << "a" << QStringList{"a", "b"};
    QTest::newRow("listed again moves up, the rest close up")
        << QStringList{"a", "b", "c", "d"} << "c" << QStringList{"c", "a", "b", "d"};
    QTest::newRow("slot 15 again") << full << "f15.nfo" << (QStringList{"f15.nfo"} + full.mid(0, 14));
    QTest::newRow("sixteenth drops slot 15") << full << "new.nfo" << (QStringList{"new.nfo"} + full.mid(0, 14));
    QTest::newRow("letter case takes a second slot")
        << QStringList{"readme.nfo"} << "README.NFO" << QStringList{"README.NFO", "readme.nfo"};
    QTest::newRow("gap in an old list is closed") << QStringList{"a", "", "b"} << "c" << QStringList{"c", "a", "b"};
}

void TestRecentFiles::addRecent()
{
    QFETCH(QStringList, before);
    QFETCH(QString, added);
    QFETCH(QStringList, after);

    const TRecentFiles list(m_dir.path());
    QFile::remove(list.FileName());
    for (int n = 1; n <= before.size(); ++n) {
        if (!before.at(n - 1).isEmpty())
            QVERIFY(WritePrivateProfileString(QStringLiteral("Oldies"), QString::number(n),
                                              m_dir.filePath(before.at(n - 1)), list.FileName()));
    }
    list.AddRecent(m_dir.filePath(added));
    QCOMPARE(list.Slots(), Slots(after));
}

void TestRecentFiles::relativeNameIsExpanded()
{
    const QString current = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_dir.path()));
    const TRecentFiles list(m_dir.path());
    QFile::remove(list.FileName());
    list.AddRecent(QStringLiteral("sub/../b.diz"));
    list.AddRecent(QStringLiteral("./b.diz"));
    QDir::setCurrent(current);
    QCOMPARE(list.Slots(), Slots({QStringLiteral("b.diz")}));
}

void TestRecentFiles::unwritableListRaises()
{
    // A missing directory cannot be written to, not even by root.
    const TRecentFiles list(m_dir.filePath(QStringLiteral("gone")));
    try {
        list.AddRecent(m_dir.filePath(QStringLiteral("a.nfo")));
        QFAIL("no exception");
    } catch (const EGlimraError &e) {
        QCOMPARE(e.Message(), QStringLiteral("Unable to write to ") + m_dir.filePath(QStringLiteral("gone/Recent.lst")));
    }
}

void TestRecentFiles::listDirectory()
{
    const QString program = QFileInfo(QCoreApplication::applicationFilePath()).canonicalPath();
    QCOMPARE(TRecentFiles().FileName(), program + QStringLiteral("/Recent.lst"));
    TRecentFiles::SetListDirectory(m_dir.path());
    QCOMPARE(TRecentFiles().FileName(), m_dir.filePath(QStringLiteral("Recent.lst")));
    TRecentFiles::SetListDirectory(QString());
    QCOMPARE(TRecentFiles().FileName(), program + QStringLiteral("/Recent.lst"));

    // An installed program's directory that cannot be written: the list goes
    // with the settings instead of failing every open and save.
    const QString settings = QFileInfo(PrivateProfilePath(QStringLiteral("Recent.lst"))).path();
    QCOMPARE(TRecentFiles::ListDirectoryFor(m_dir.filePath(QStringLiteral("not/there"))), settings);
    QCOMPARE(TRecentFiles::ListDirectoryFor(m_dir.path()), m_dir.path());
}

void TestRecentFiles::listDirectoryOfAnInstall_data()
{
    QTest::addColumn<QString>("program"); // "~" is the temporary directory
    QTest::addColumn<bool>("beside");     // the list beside the program, else with the settings
    // Root can write the system's folders: they still are no portable copy.
    QTest::newRow("/usr/bin") << "/usr/bin" << false;
    QTest::newRow("/usr/local/bin") << "/usr/local/bin" << false;
    QTest::newRow("/bin") << "/bin" << false;
    QTest::newRow("a user's own prefix") << "~/.local/bin" << true;
}

void TestRecentFiles::listDirectoryOfAnInstall()
{
    QFETCH(QString, program);
    QFETCH(bool, beside);
    program.replace(u'~', m_dir.path());
    QVERIFY(QDir().mkpath(program));
    const QString settings = QFileInfo(PrivateProfilePath(QStringLiteral("Recent.lst"))).path();
    QCOMPARE(TRecentFiles::ListDirectoryFor(program), beside ? program : settings);
}

void TestRecentFiles::captions_data()
{
    QTest::addColumn<int>("slot");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("caption");

    QTest::newRow("slot 1") << 1 << "/home/u/a.nfo" << "  &1 /home/u/a.nfo";
    QTest::newRow("slot 9") << 9 << "/i.nfo" << "  &9 /i.nfo";
    QTest::newRow("slot 10 has no access key") << 10 << "/j.nfo" << "10 /j.nfo";
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
    const TRecentFiles list(m_dir.filePath(QStringLiteral("none"))); // no list file
    QCOMPARE(RecentMenuItems(list.Slots()), QList<TRecentMenuItem>({{QStringLiteral("Empty"), 0, false}}));

    // Up to the first empty slot, each item with its slot.
    const QList<TRecentMenuItem> items = RecentMenuItems(Slots({"a", "b", "", "c"}));
    QCOMPARE(items.size(), 2);
    QCOMPARE(items.at(1), (TRecentMenuItem{RecentCaption(2, m_dir.filePath(QStringLiteral("b"))), 2, true}));
}

QTEST_MAIN(TestRecentFiles)
#include "tst_recentfiles.moc"
