// The recent-files submenu and Find, as the user reaches them in the main window.

#include "app/RecentFiles.h"
#include "platform/FindDialog.h"
#include "textview/RichEdit.h"
#include "support/MainFixture.h"

#include <QAction>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QTest>

class TestRecentFind : public QObject
{
    Q_OBJECT

private slots:
    void sixteenFilesKeepFifteen();
    void choosingAnEntryLoadsItAndMovesItUp();
    void choosingAnEntryAsksAboutUnsavedChanges();
    void missingEntryChangesNothing();
    void unwritableListIsReportedAfterTheLoad();
    void saveRecordsTheFile();
    void findSteps_data();
    void findSteps();
    void findByKeyboard();

private:
    // The listed entries: the slots up to the first empty one.
    static QStringList Listed()
    {
        QStringList listed;
        for (const QString &entry : TRecentFiles().Slots()) {
            if (entry.isEmpty())
                break;
            listed << entry;
        }
        return listed;
    }
    static QList<QAction *> OpenFileMenu(MainFixture &f)
    {
        emit f.Window->findChild<QMenu *>(QStringLiteral("File1"))->aboutToShow();
        return f.Window->findChild<QMenu *>(QStringLiteral("RecentFiles1"))->actions();
    }
};

void TestRecentFind::sixteenFilesKeepFifteen()
{
    MainFixture f;
    QList<QAction *> items = OpenFileMenu(f);
    QCOMPARE(items.size(), 1);
    QCOMPARE(items[0]->text(), QStringLiteral("Empty"));
    QVERIFY(!items[0]->isEnabled());

    QStringList paths;
    for (int i = 1; i <= 16; ++i) {
        paths << f.WriteFile(QStringLiteral("file%1.nfo").arg(i), "x");
        f.Window->LoadDocument(paths.last());
    }
    const QStringList list = Listed();
    QCOMPARE(list.size(), 15);
    QCOMPARE(list.first(), paths[15]);
    QCOMPARE(list.last(), paths[1]); // the first one fell off
    items = OpenFileMenu(f);
    QCOMPARE(items.size(), 15);
    QCOMPARE(items[0]->text(), QStringLiteral("  &1 %1").arg(paths[15]));
    QCOMPARE(items[8]->text(), QStringLiteral("  &9 %1").arg(paths[7]));
    QCOMPARE(items[9]->text(), QStringLiteral("10 %1").arg(paths[6]));
    QCOMPARE(items[14]->objectName(), QStringLiteral("mru15"));
}

void TestRecentFind::choosingAnEntryLoadsItAndMovesItUp()
{
    MainFixture f;
    QStringList paths;
    for (const char *name : {"D.nfo", "C.nfo", "B.nfo", "A.nfo"}) {
        paths.prepend(f.WriteFile(QString::fromLatin1(name), name));
        f.Window->LoadDocument(paths.first());
    }
    QCOMPARE(Listed(), paths); // A, B, C, D
    OpenFileMenu(f)[2]->trigger();           // C
    QCOMPARE(f.Window->DocumentName(), paths[2]);
    QCOMPARE(f.Window->richedit->Bytes(), QByteArray("C.nfo"));
    QCOMPARE(Listed(), (QStringList{paths[2], paths[0], paths[1], paths[3]}));
}

void TestRecentFind::choosingAnEntryAsksAboutUnsavedChanges()
{
    MainFixture f;
    const QString listed = f.WriteFile(QStringLiteral("listed.nfo"), "listed");
    f.Window->LoadDocument(listed);
    f.Window->New();
    QTest::keyClicks(f.Window->richedit, QStringLiteral("unsaved"));
    f.Dialogs.ConfirmAnswers << TModalResult::mrCancel;
    OpenFileMenu(f)[0]->trigger();
    QCOMPARE(f.Dialogs.Texts(QStringLiteral("Confirm")), QStringList{QStringLiteral("Save changes to Untitled?")});
    QCOMPARE(f.Window->richedit->Bytes(), QByteArray("unsaved"));
    f.Dialogs.ConfirmAnswers << TModalResult::mrNo;
    OpenFileMenu(f)[0]->trigger();
    QCOMPARE(f.Window->DocumentName(), listed);
}

void TestRecentFind::missingEntryChangesNothing()
{
    MainFixture f;
    const QString gone = f.WriteFile(QStringLiteral("gone.nfo"), "g");
    f.Window->LoadDocument(gone);
    QFile::remove(gone);
    f.Window->New();
    OpenFileMenu(f)[0]->trigger();
    QCOMPARE(f.Dialogs.Texts(QStringLiteral("Error")), QStringList{QStringLiteral("Cannot open file %1: No such file or directory.").arg(gone)});
    QCOMPARE(f.Window->DocumentName(), QStringLiteral("Untitled"));
    QCOMPARE(Listed(), QStringList{gone});
}

void TestRecentFind::unwritableListIsReportedAfterTheLoad()
{
    MainFixture f;
    const QString missingDir = f.Dir.filePath(QStringLiteral("no/such/dir"));
    TRecentFiles::SetListDirectory(missingDir);
    const QString path = f.WriteFile(QStringLiteral("a.nfo"), "a");
    f.Dialogs.FileAnswers << path;
    f.Window->Item("Open1")->trigger();
    QCOMPARE(f.Dialogs.Texts(QStringLiteral("Error")),
             QStringList{QStringLiteral("Unable to write to %1.").arg(QDir(missingDir).filePath(QStringLiteral("Recent.lst")))});
    QCOMPARE(f.Window->DocumentName(), path); // the load itself went through
    QVERIFY(!f.Window->richedit->Modified());
}

void TestRecentFind::saveRecordsTheFile()
{
    MainFixture f;
    QTest::keyClicks(f.Window->richedit, QStringLiteral("x"));
    const QString target = f.Dir.filePath(QStringLiteral("saved.nfo"));
    f.Dialogs.FileAnswers << target;
    f.Window->Item("Save1")->trigger();
    QCOMPARE(TRecentFiles().Slot(1), target);
    f.Window->New(); // New leaves the list alone
    QCOMPARE(Listed(), QStringList{target});
}

void TestRecentFind::findSteps_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("what");
    QTest::addColumn<QList<int>>("matches");
    QTest::newRow("forward until the last") << QByteArray("Art art\r\nART") << "art" << QList<int>{0, 4, 8};
    QTest::newRow("code page letters match either case") << QByteArray("\x8E\x84") << QStringLiteral("\u00E4") << QList<int>{0, 1};
    QTest::newRow("nothing found") << QByteArray("nothing here") << "absent" << QList<int>{};
}

void TestRecentFind::findSteps()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, what);
    QFETCH(QList<int>, matches);
    MainFixture f;
    f.Window->richedit->SetBytes(text);
    f.Window->richedit->SetSel(2, 0); // a caret alone does not move the start
    f.Window->FindDialog->SetFindText(what);
    for (int at : matches) {
        f.Window->FindDialogFind();
        QCOMPARE(f.Window->richedit->SelStart(), at);
        QCOMPARE(f.Window->richedit->SelLength(), int(what.size()));
    }
    // After the last match, nothing happens at all.
    const int start = f.Window->richedit->SelStart();
    const int length = f.Window->richedit->SelLength();
    f.Window->FindDialogFind();
    QCOMPARE(f.Window->richedit->SelStart(), start);
    QCOMPARE(f.Window->richedit->SelLength(), length);
    QVERIFY(f.Dialogs.Log.isEmpty());
}

void TestRecentFind::findByKeyboard()
{
    MainFixture f;
    f.Window->show();
    f.Window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.Window));
    f.Window->richedit->SetBytes("one two one");
    QTest::keyClick(f.Window->richedit, Qt::Key_F, Qt::ControlModifier);
    QTRY_VERIFY(f.Window->FindDialog->isVisible());
    auto *edit = f.Window->FindDialog->findChild<QLineEdit *>(QStringLiteral("FindWhat"));
    QTest::keyClicks(edit, QStringLiteral("one"));
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(f.Window->richedit->SelStart(), 0);
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(f.Window->richedit->SelStart(), 8);
    QVERIFY(f.Window->FindDialog->isVisible());
}

QTEST_MAIN(TestRecentFind)
#include "tst_recentfind.moc"
