// Reading many files in the window: stepping through a folder, the text
// without its art, colour schemes, fitting and centring, saving in another
// character set and the web page.

#include "platform/StatusBar.h"
#include "support/MainFixture.h"
#include "textview/RichEdit.h"

#include <QAction>
#include <QFile>
#include <QScreen>
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
    f.WriteFile(QStringLiteral("readme.md"), "not opened");
    f.Window->LoadDocument(first);
    f.Window->Item("NextFile1")->trigger();
    const bool root = QFileInfo(locked).isReadable(); // root reads what it likes
    QCOMPARE(f.Window->richedit->Bytes(), root ? QByteArray("three") : QByteArray("ten"));
    QCOMPARE(f.Window->StatusBar1->PanelText(5), root ? QStringLiteral("File 2 of 3") : QStringLiteral("File 3 of 3"));
    f.Window->Item("NextFile1")->trigger();
    if (root)
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
    f.Window->LoadDocument(f.WriteFile(QStringLiteral("wide.nfo"), QByteArray(wide, '\xDB')));
    f.Window->Item("FitWindow1")->trigger();
    QTRY_COMPARE(edit->viewport()->width() / cell, wide + 1);
}

void TestReading::saveAsConvertsAndTellsWhatIsLacking()
{
    MainFixture f;
    f.Window->LoadDocument(f.WriteFile(QStringLiteral("u.txt"), "caf\xC3\xA9\n\xE6\x97\xA5\xE6\x9C\xAC\n"));
    const QString saved = f.Dir.filePath(QStringLiteral("dos.nfo"));
    f.Dialogs.FileAnswers << saved;
    f.Dialogs.ConfirmAnswers << TModalResult::mrYes;
    // The choice is made in the dialog: code page 437 is the first of the sets
    // offered for a UTF-8 document without a mark.
    f.Dialogs.OnSave = [](TFileDialogState &state) { state.Options[0].Chosen = 0; };
    f.Window->Item("SaveAs1")->trigger();
    QCOMPARE(f.Dialogs.Texts(QStringLiteral("Confirm")).size(), 1);
    QVERIFY(f.Dialogs.Texts(QStringLiteral("Confirm")).constFirst().contains(QStringLiteral("2 characters")));
    QVERIFY(f.Dialogs.Texts(QStringLiteral("Confirm")).constFirst().contains(QStringLiteral("line 2")));
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

QTEST_MAIN(TestReading)
#include "tst_reading.moc"
