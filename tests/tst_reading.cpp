// Reading many files in the window: stepping through a folder, the text
// without its art, colour schemes, fitting and centring, saving in another
// character set and the web page.

#include "app/DiskWatch.h"
#include "platform/StatusBar.h"
#include "support/MainFixture.h"
#include "textview/RichEdit.h"
#include "textview/TextOnlyView.h"

#include <QAction>
#include <QFile>
#include <QScreen>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTimer>

#include <cstdio>
#include <QTest>

class TestReading : public QObject
{
    Q_OBJECT

private slots:
    void stepsThroughTheFolder();
    void textOnlyShowsTheWords();
    void colourSchemesKeepTheUsersOwn();
    void fitsAndCentresNarrowText();
    void saveAsConvertsAndTellsWhatIsLacking();
    void exportsAWebPage();
    void changedOnDisk_data();
    void changedOnDisk();
    void aFileWrittenOftenIsReadOnceASecond();
    void theWatchSeesTheNewFile_data();
    void theWatchSeesTheNewFile();

private:
    static QString Shown(const TRichEdit *edit)
    {
        const TTextBuffer &text = edit->ShownText();
        return Charset::ToText(text.Charset(), text.Slice(0, text.Length()));
    }
};

void TestReading::stepsThroughTheFolder()
{
    MainFixture f;
    const QString first = f.WriteFile(QStringLiteral("note2.nfo"), "two");
    f.WriteFile(QStringLiteral("note10.nfo"), "ten");
    const QString locked = f.WriteFile(QStringLiteral("note3.nfo"), "three");
    QFile::setPermissions(locked, QFileDevice::WriteOwner); // unreadable: passed over
    // A file no one can read, root neither: passed over, and said why.
    QVERIFY(QFile::link(QStringLiteral("/proc/self/mem"), f.Dir.filePath(QStringLiteral("note4.nfo"))));
    f.WriteFile(QStringLiteral("readme.md"), "not opened");
    f.Window->LoadDocument(first);
    f.Window->Item("NextFile1")->trigger();
    const bool root = QFileInfo(locked).isReadable(); // root reads what it likes
    QCOMPARE(f.Window->richedit->Bytes(), root ? QByteArray("three") : QByteArray("ten"));
    const QString passed = QStringLiteral("note4.nfo (Input/output error)");
    QCOMPARE(f.Window->StatusBar1->PanelText(5), root ? QStringLiteral("File 2 of 4")
                                                      : QStringLiteral("File 4 of 4; passed over ") + passed);
    if (root) {
        f.Window->Item("NextFile1")->trigger();
        QCOMPARE(f.Window->StatusBar1->PanelText(5), QStringLiteral("File 4 of 4; passed over ") + passed);
    }
    QTest::qWait(100); // a notice stays until the next key or click
    QVERIFY(f.Window->StatusBar1->PanelText(5).startsWith(QStringLiteral("File 4 of 4")));
    QTest::keyClick(f.Window->richedit, Qt::Key_Shift);
    QVERIFY(!f.Window->StatusBar1->PanelText(5).isEmpty());
    QTest::keyClick(f.Window->richedit, Qt::Key_Right);
    QCOMPARE(f.Window->StatusBar1->PanelText(5), QString());
    f.Window->Item("NextFile1")->trigger();
    QCOMPARE(f.Window->richedit->Bytes(), QByteArray("two")); // round again
    // An edited file asks first; Cancel stays.
    f.Window->richedit->ReplaceSel(QStringLiteral("x"));
    f.Dialogs.ConfirmAnswers << TModalResult::mrCancel;
    f.Window->Item("PreviousFile1")->trigger();
    QCOMPARE(f.Dialogs.Texts(QStringLiteral("Confirm")), QStringList{QStringLiteral("Save changes to %1?").arg(first)});
    QCOMPARE(f.Window->DocumentName(), first);
}

void TestReading::textOnlyShowsTheWords()
{
    MainFixture f;
    f.Window->LoadDocument(f.WriteFile(QStringLiteral("art.nfo"), "\xC9\xCD\xCD\xBB\r\n\xBA Hi \xBA\r\n\xC8\xCD\xCD\xBC\r\n"));
    TRichEdit *edit = f.Window->richedit;
    f.Window->Item("TextOnly1")->trigger();
    QCOMPARE(Shown(edit), QStringLiteral("Hi"));
    QTest::keyClicks(edit, QStringLiteral("x")); // refused, and told
    QCOMPARE(Shown(edit), QStringLiteral("Hi"));
    QVERIFY(!edit->Modified());
    QCOMPARE(f.Window->StatusBar1->PanelText(5), QStringLiteral("Text only: turn View > Text Only off to edit"));
    f.Window->Item("TextOnly1")->trigger();
    QCOMPARE(edit->ShownDerived(), nullptr);
    QCOMPARE(edit->Bytes(), QByteArray("\xC9\xCD\xCD\xBB\r\n\xBA Hi \xBA\r\n\xC8\xCD\xCD\xBC\r\n"));
    // A text too large to hold is filtered a line at a time into a file of
    // ours, with the same words.
    f.Window->LoadDocument(f.WriteFile(QStringLiteral("notes.nfo"), "\xC9\xCD\xBB\r\n\r\n  \xBA one\r\n\r\n\r\n   two  \xBA\r\n\r\n"));
    f.Window->Item("TextOnly1")->trigger();
    const QString held = Shown(edit);
    f.Window->Item("TextOnly1")->trigger();
    TTextOnlyView::SetHeldBytes(4);
    f.Window->Item("TextOnly1")->trigger();
    TTextOnlyView::SetHeldBytes(8 << 20);
    QVERIFY(edit->ShownText().Source());
    QCOMPARE(Shown(edit), held);
    QCOMPARE(held, QStringLiteral(" one\n\ntwo"));
}

void TestReading::colourSchemesKeepTheUsersOwn()
{
    MainFixture f;
    TRichEdit *edit = f.Window->richedit;
    f.Dialogs.ColorAnswers << QColor(10, 20, 30);
    f.Window->Item("BackgroundColor1")->trigger(); // the user's own pair
    f.Window->Item("SchemeAmber1")->trigger();
    QCOMPARE(edit->TextColor(), QColor(0xFF, 0xB0, 0x00));
    QCOMPARE(edit->BackgroundColor(), QColor(0, 0, 0));
    f.Restart();
    edit = f.Window->richedit;
    QCOMPARE(edit->TextColor(), QColor(0xFF, 0xB0, 0x00)); // stored as the colours are
    f.Window->Item("SchemeCustom1")->trigger();
    QCOMPARE(edit->TextColor(), QColor(192, 192, 192));
    QCOMPARE(edit->BackgroundColor(), QColor(10, 20, 30));
}

void TestReading::fitsAndCentresNarrowText()
{
    MainFixture f;
    f.Window->resize(900, 400);
    f.Window->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.Window));
    TRichEdit *edit = f.Window->richedit;
    f.Window->LoadDocument(f.WriteFile(QStringLiteral("narrow.nfo"), QByteArray(70, '\xDB') + "\r\n\t\t\t\t\t\t\t\t\t\xDB\r\n"));
    f.Window->Item("Centre1")->trigger();
    const int cell = edit->CellSize().width();
    // Seventy-three cells wide (the tabs make seventy-two and a block): in the middle.
    QTRY_COMPARE(edit->CharRect(0).left(), (edit->viewport()->width() - 73 * cell) / 2); // once painted, tabs measured
    // Fitted, the window shows the widest line and the caret's cell after it
    // (a width between the window's least and the screen's).
    const int wide = f.Window->screen()->availableGeometry().width() * 3 / 4 / cell;
    const int rows = f.Window->screen()->availableGeometry().height() / 2 / edit->CellSize().height();
    f.Window->LoadDocument(f.WriteFile(QStringLiteral("wide.nfo"), (QByteArray(wide, '\xDB') + "\r\n").repeated(rows - 1) + "\xDB"));
    f.Window->Item("FitWindow1")->trigger();
    QTRY_COMPARE(edit->viewport()->width() / cell, wide + 1);
    QTRY_COMPARE(edit->viewport()->height() / edit->CellSize().height(), rows); // and as tall as the text
}

void TestReading::saveAsConvertsAndTellsWhatIsLacking()
{
    MainFixture f;
    const QString source = f.WriteFile(QStringLiteral("u.txt"), "caf\xC3\xA9\n\xE6\x97\xA5\xE6\x9C\xAC\n");
    f.Window->LoadDocument(source);
    const QString saved = f.Dir.filePath(QStringLiteral("dos.nfo"));
    // The choice is made in the dialog: code page 437 is the first of the sets
    // offered for a UTF-8 document without a mark. Cancel writes nothing; the
    // default writes "?" for what the set lacks.
    f.Dialogs.OnSave = [](TFileDialogState &state) { state.Options[0].Chosen = 0; };
    f.Dialogs.FileAnswers << saved << saved << saved;
    f.Dialogs.AskAnswers << 1;
    f.Window->Item("SaveAs1")->trigger();
    QVERIFY(!QFile::exists(saved));
    // Esc while it is checked or written: nothing is written.
    QTimer::singleShot(0, f.Window->richedit, [&f] { QTest::keyClick(f.Window->richedit, Qt::Key_Escape); });
    f.Window->Item("SaveAs1")->trigger();
    QVERIFY(!QFile::exists(saved));
    QCOMPARE(f.Dialogs.Texts(QStringLiteral("Ask")).size(), 1);
    f.Window->Item("SaveAs1")->trigger();
    QCOMPARE(f.Dialogs.Texts(QStringLiteral("Save")).constFirst(), source); // the document's name proposed
    const QStringList asked = f.Dialogs.Texts(QStringLiteral("Ask"));
    QCOMPARE(asked.size(), 2);
    for (const QString &part : {saved, QStringLiteral("2 characters"), QStringLiteral("line 2")})
        QVERIFY2(asked.constLast().contains(part), qPrintable(asked.constLast()));
    QCOMPARE(f.Dialogs.Log.constLast().Caption, QStringLiteral("&Write ? for them|Cancel"));
    QCOMPARE(MainFixture::ReadFile(saved), QByteArray("caf\x82\r\n??\r\n"));
    QCOMPARE(f.Window->DocumentName(), saved);
    QCOMPARE(f.Window->StatusBar1->PanelText(4), QStringLiteral("CP437"));
}

void TestReading::exportsAWebPage()
{
    MainFixture f;
    f.Window->LoadDocument(f.WriteFile(QStringLiteral("page.nfo"), "<\xDB> www.a.test"));
    f.Dialogs.FileAnswers << f.Dir.filePath(QStringLiteral("page.html"));
    f.Window->Item("ExportHtml1")->trigger();
    QCOMPARE(f.Dialogs.Log.constLast().Text, f.Dir.filePath(QStringLiteral("page.html"))); // proposed
    const QString page = QString::fromUtf8(MainFixture::ReadFile(f.Dir.filePath(QStringLiteral("page.html"))));
    QVERIFY(page.contains(QStringLiteral("&lt;\u2588&gt; <a href=\"http://www.a.test\">www.a.test</a>")));
}

void TestReading::changedOnDisk_data()
{
    // How another program changes the file, whether the document was edited
    // (and the answer to the question then), and what the window shows after.
    QTest::addColumn<QString>("change");
    QTest::addColumn<int>("answer"); // the button pressed: -1 not edited, 2 Enter (the default)
    QTest::addColumn<QByteArray>("shown");
    QTest::addColumn<QString>("notice");
    const int unedited = -1, yes = 0, no = 1, enter = 2;
    QTest::newRow("written") << "write" << unedited << QByteArray("one\r\nTWO\r\nthree\r\n") << "Reloaded: changed on disk";
    QTest::newRow("replaced") << "replace" << unedited << QByteArray("one\r\nTWO\r\nthree\r\n") << "Reloaded: changed on disk";
    QTest::newRow("truncated") << "truncate" << unedited << QByteArray("one") << "Reloaded: changed on disk";
    QTest::newRow("removed") << "remove" << unedited << QByteArray("one\r\ntwo\r\nthree\r\n") << "Removed from disk: Save writes it again";
    QTest::newRow("written, edited, reloaded") << "write" << yes << QByteArray("one\r\nTWO\r\nthree\r\n") << "Reloaded: changed on disk";
    QTest::newRow("written, edited, kept") << "write" << no << QByteArray("one\r\ntwox\r\nthree\r\n") << "Changed on disk: Save writes your text";
    QTest::newRow("written, edited, Enter keeps") << "write" << enter << QByteArray("one\r\ntwox\r\nthree\r\n")
                                                  << "Changed on disk: Save writes your text";
    QTest::newRow("our own save") << "save" << unedited << QByteArray("one\r\ntwo\r\nthree\r\n") << "";
}

void TestReading::changedOnDisk()
{
    QFETCH(QString, change);
    QFETCH(int, answer);
    QFETCH(QByteArray, shown);
    QFETCH(QString, notice);
    MainFixture f;
    const QString path = f.WriteFile(QStringLiteral("note.nfo"), "one\r\ntwo\r\nthree\r\n");
    f.Window->LoadDocument(path);
    TRichEdit *edit = f.Window->richedit;
    edit->SetSel(7, 0); // on the second line, after "two"
    if (answer >= 0) {
        edit->ReplaceSel(QStringLiteral("x"));
            if (answer != 2)
            f.Dialogs.AskAnswers << answer;
    }
    QTest::qWait(20); // a later time than the file had
    if (change == QLatin1String("write")) {
        f.WriteFile(QStringLiteral("note.nfo"), "one\r\nTWO\r\nthree\r\n");
    } else if (change == QLatin1String("replace")) {
        const QString other = f.WriteFile(QStringLiteral("other.tmp"), "one\r\nTWO\r\nthree\r\n");
        QVERIFY(QFile::rename(other, path + QStringLiteral(".new")) && ::rename(QFile::encodeName(path + QStringLiteral(".new")).constData(),
                                                                                 QFile::encodeName(path).constData()) == 0);
    } else if (change == QLatin1String("truncate")) {
        f.WriteFile(QStringLiteral("note.nfo"), "one");
    } else if (change == QLatin1String("remove")) {
        QVERIFY(QFile::remove(path));
    } else {
        f.Window->Save();
    }
    // The watch tells the window; so does the window coming to the front.
    QTest::qWait(300);
    QCoreApplication::sendPostedEvents();
    // What was noticed is what tells that the change was dealt with: the
    // bytes of some rows are the same before.
    QTRY_COMPARE(f.Window->StatusBar1->PanelText(5), notice);
    QTRY_COMPARE(edit->Bytes(), shown);
    QCOMPARE(edit->Modified(), answer > 0 || change == QLatin1String("remove"));
    const QStringList asked = f.Dialogs.Texts(QStringLiteral("Ask"));
    QCOMPARE(asked, answer >= 0 ? QStringList{QStringLiteral("%1 has changed on disk. Reload it and lose your changes?").arg(path)}
                                : QStringList());
    if (notice.startsWith(QLatin1String("Reloaded")) && change != QLatin1String("truncate"))
        QCOMPARE(edit->Document().LineOf(edit->SelStart()), 1); // the caret stays on its line
}

void TestReading::aFileWrittenOftenIsReadOnceASecond()
{
    MainFixture f;
    const QString path = f.WriteFile(QStringLiteral("log.txt"), "start\r\n");
    f.Window->LoadDocument(path);
    auto *watch = f.Window->findChild<TDiskWatch *>();
    QVERIFY(watch);
    QSignalSpy told(watch, &TDiskWatch::Changed);
    QByteArray log = "start\r\n";
    QElapsedTimer writing;
    writing.start();
    for (int k = 0; k < 20; ++k) {
        log += "line " + QByteArray::number(k) + "\r\n";
        f.WriteFile(QStringLiteral("log.txt"), log);
        QTest::qWait(10);
    }
    // At most once in each second the writes took (however busy the cores
    // made that), and the last state read after them.
    const qint64 seconds = writing.elapsed() / 1000 + 1;
    QVERIFY2(told.count() <= seconds, qPrintable(QString::number(told.count())));
    QTRY_COMPARE_WITH_TIMEOUT(f.Window->richedit->Bytes(), log, 3000);
    QVERIFY(told.count() <= seconds + 2);
    QVERIFY(f.Dialogs.Log.isEmpty());
}

void TestReading::theWatchSeesTheNewFile_data()
{
    // The file gone from its name (a change accepted), then a file under the
    // name changing, told by the watch alone (the window not coming to the
    // front): one put there after a removal, which only the folder shows; or
    // one renamed over the file while the old one is held open, then written.
    QTest::addColumn<bool>("heldOpen");
    QTest::newRow("removed, then another renamed to its name") << false;
    QTest::newRow("replaced while held open, then written") << true;
}

void TestReading::theWatchSeesTheNewFile()
{
    QFETCH(bool, heldOpen);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("note.nfo")), other = dir.filePath(QStringLiteral("other.tmp"));
    for (const QString &name : {path, other})
        QVERIFY(QFile(name).open(QIODevice::WriteOnly));
    const std::shared_ptr<TSourceFile> held = heldOpen ? TSourceFile::Open(path) : nullptr;
    TDiskWatch watch;
    QSignalSpy told(&watch, &TDiskWatch::Changed);
    watch.Watch(path);
    const auto renameOther = [&] {
        QVERIFY(::rename(QFile::encodeName(other).constData(), QFile::encodeName(path).constData()) == 0);
    };
    if (heldOpen)
        renameOther();
    else
        QVERIFY(QFile::remove(path));
    watch.Accept();
    QTest::qWait(100); // what the watch saw of it, accepted
    if (heldOpen) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::Append) && file.write("more") == 4);
    } else {
        renameOther();
    }
    QTRY_VERIFY_WITH_TIMEOUT(!told.isEmpty(), 10000);
}

QTEST_MAIN(TestReading)
#include "tst_reading.moc"
