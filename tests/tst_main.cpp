// The document's life in the main window: loading, saving, prompts, caption
// and the failures the user sees.

#include "app/ChosenCharsets.h"
#include "app/DocumentLoader.h"
#include "app/MainCommands.h"
#include "document/DecodedSource.h"
#include "formats/Sauce.h"
#include "platform/Memory.h"
#include "app/PropertiesDialog.h"
#include "app/RecentFiles.h"
#include "controls/ProUrl.h"
#include "platform/Errors.h"
#include "platform/FindDialog.h"
#include "platform/SafeFile.h"
#include "platform/StatusBar.h"
#include "support/MainFixture.h"
#include "support/TestData.h"
#include "textview/RichEdit.h"

#include <QAction>
#include <QClipboard>
#include <QFile>
#include <QSaveFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>
#include <QTimer>

#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/resource.h>
#include <unistd.h>

class TestMain : public QObject
{
    Q_OBJECT

private slots:
    void errorBoxText_data();
    void errorBoxText();
    void startsUntitled();
    void roundTrip_data();
    void roundTrip();
    void captionShowsFileNameOnly();
    void promptBeforeReplacing_data();
    void promptBeforeReplacing();
    void yesOnUntitledThenAbandonedSaveAsKeepsTheText_data();
    void yesOnUntitledThenAbandonedSaveAsKeepsTheText();
    void sessionEndAsksLikeAClose();
    void fileOpenedAtStart_data();
    void fileOpenedAtStart();
    void saveAsOverwrite_data();
    void saveAsOverwrite();
    void saveOnUntitledAsksForName();
    void saveWritesWithoutDialogWhenNamed();
    void missingFileChangesNothing_data();
    void missingFileChangesNothing();
    void readStopsAtTheLimit();
    void failedSaveKeepsOldFile();
    void saveIntoMissingDirectoryFails();
    void saveKeepsPermissions();
    void closeAsksAndMayStayOpen_data();
    void closeAsksAndMayStayOpen();
    void dropOpensFirstFileOnly_data();
    void dropOpensFirstFileOnly();
    void ctrlClickOpensALink();
    void colourArtDrawnAndItsCodesEdited();
    void propertiesWriteTheRecord_data();
    void propertiesWriteTheRecord();
    void artPicturesAndTheWrapChosen();
    void largeFileShowsAtOnceAndLoadsInSlices();
    void largeFileWrittenBackAsRead_data();
    void largeFileWrittenBackAsRead();
    void fileChangedOnDisk_data();
    void fileChangedOnDisk();
    void findStopsAtEsc();
    void aFileCutShortIsToldOnceBySave();
    void filesBeyondTwoGigabytesOpen();

private:
    static void Modify(MainFixture &f) { QTest::keyClicks(f.Window->richedit, QStringLiteral("x")); }
    // As the drop target calls it: a failure stops at the handler's edge.
    static void Drop(MainFixture &f, const QStringList &paths)
    {
        try {
            f.Window->DropFile1DropFiles(nullptr, paths, QPoint(1, 1), true);
        } catch (...) {
            HandleCurrentException();
        }
    }
    static QString Panel(MainFixture &f, int i) { return f.Window->StatusBar1->PanelText(i); }
    static QByteArray NumberedLines(int count)
    {
        QByteArray lines;
        for (int i = 0; i < count; ++i)
            lines += "line " + QByteArray::number(i) + "\r\n";
        return lines;
    }
};

void TestMain::errorBoxText_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("shown");
    QTest::newRow("letter") << "Cannot open file a.nfo" << "Cannot open file a.nfo.";
    QTest::newRow("digit") << "Error 5" << "Error 5.";
    QTest::newRow("path separator") << "Unable to write to /tmp/" << "Unable to write to /tmp/.";
    QTest::newRow("full stop kept single") << "Done." << "Done.";
    QTest::newRow("closing parenthesis") << "Failed (disk)" << "Failed (disk)";
    QTest::newRow("empty") << "" << "";
}

void TestMain::errorBoxText()
{
    QFETCH(QString, message);
    QFETCH(QString, shown);
    QCOMPARE(ErrorBoxText(message), shown);
}

void TestMain::startsUntitled()
{
    MainFixture f;
    f.Window->show();
    QCOMPARE(f.Window->windowTitle(), QStringLiteral("Glimra - Untitled"));
    QCOMPARE(f.Window->DocumentName(), QStringLiteral("Untitled"));
    QCOMPARE(Panel(f, 0), QStringLiteral("Line:   1   Col:   1"));
    QCOMPARE(Panel(f, 1), QString());
    Modify(f);
    QCOMPARE(Panel(f, 1), QStringLiteral("Modified"));
}

void TestMain::roundTrip_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("saved");

    QByteArray all;
    for (int a = 0; a < 256; ++a) {
        for (int b = 0; b < 256; ++b) {
            if (a == '\r' || a == '\n' || b == '\r' || b == '\n')
                continue;
            all.append(char(a));
            all.append(char(b));
        }
        all.append("\r\n");
    }
    QTest::newRow("all byte values in every order") << all << all;
    QTest::newRow("LF only") << QByteArray("one\ntwo\n\xDB\xDB\n") << QByteArray("one\r\ntwo\r\n\xDB\xDB\r\n");
    QTest::newRow("NUL bytes") << QByteArray("a\0b\0\0\r\n\0", 8) << QByteArray("a\0b\0\0\r\n\0", 8);
    QTest::newRow("empty file") << QByteArray() << QByteArray();
}

void TestMain::roundTrip()
{
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, saved);
    MainFixture f;
    const QString path = f.WriteFile(QStringLiteral("art.nfo"), file);
    f.Window->LoadDocument(path);
    QVERIFY(!f.Window->richedit->Modified());
    f.Window->Save();
    QCOMPARE(MainFixture::ReadFile(path), saved);
    QVERIFY(f.Dialogs.Log.isEmpty());
}

void TestMain::captionShowsFileNameOnly()
{
    MainFixture f;
    const QString path = f.WriteFile(QStringLiteral("read me.nfo"), "x");
    f.Window->LoadDocument(path);
    QCOMPARE(f.Window->windowTitle(), QStringLiteral("Glimra - read me.nfo"));
    // Only "/" separates; a backslash or a colon belongs to the name.
    for (const QString name : {QStringLiteral("x:y.nfo"), QStringLiteral("a\\b.nfo")}) {
        f.Window->LoadDocument(f.WriteFile(name, "x"));
        QCOMPARE(f.Window->windowTitle(), QStringLiteral("Glimra - ") + name);
    }
    f.Window->LoadDocument(path);
    QCOMPARE(f.Window->DocumentName(), path);
    Modify(f);
    f.Dialogs.ConfirmAnswers << TModalResult::mrCancel;
    f.Window->Item("New1")->trigger();
    QCOMPARE(f.Dialogs.Texts(QStringLiteral("Confirm")), QStringList{QStringLiteral("Save changes to %1?").arg(path)});
}

void TestMain::promptBeforeReplacing_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<TModalResult>("answer");
    for (const char *command : {"New", "Open", "Drop", "Charset"}) {
        QTest::addRow("%s, Cancel", command) << QString::fromLatin1(command) << TModalResult::mrCancel;
        QTest::addRow("%s, No", command) << QString::fromLatin1(command) << TModalResult::mrNo;
        QTest::addRow("%s, Yes", command) << QString::fromLatin1(command) << TModalResult::mrYes;
    }
}

void TestMain::promptBeforeReplacing()
{
    QFETCH(QString, command);
    QFETCH(TModalResult, answer);
    MainFixture f;
    const QString current = f.WriteFile(QStringLiteral("current.nfo"), "old");
    const QString other = f.WriteFile(QStringLiteral("other.nfo"), "other");
    f.Window->LoadDocument(current);
    Modify(f); // "xold"

    f.Dialogs.ConfirmAnswers << answer;
    f.Dialogs.FileAnswers << other;
    if (command == QLatin1String("New"))
        f.Window->Item("New1")->trigger();
    else if (command == QLatin1String("Open"))
        f.Window->Item("Open1")->trigger();
    else if (command == QLatin1String("Charset"))
        f.Window->Item("Utf81")->trigger();
    else
        Drop(f, {other});

    QCOMPARE(f.Dialogs.Texts(QStringLiteral("Confirm")), QStringList{QStringLiteral("Save changes to %1?").arg(current)});
    QVERIFY(f.Dialogs.Texts(QStringLiteral("Error")).isEmpty());
    if (answer == TModalResult::mrCancel) {
        QCOMPARE(f.Window->DocumentName(), current);
        QVERIFY(f.Window->richedit->Modified());
        QCOMPARE(f.Window->richedit->Bytes(), QByteArray("xold"));
        QCOMPARE(MainFixture::ReadFile(current), QByteArray("old"));
        QVERIFY(f.Window->Item("Cp4371")->isChecked());
        return;
    }
    QCOMPARE(MainFixture::ReadFile(current), answer == TModalResult::mrYes ? QByteArray("xold") : QByteArray("old"));
    QVERIFY(!f.Window->richedit->Modified());
    if (command == QLatin1String("Charset")) {
        // The file read again in the chosen set.
        QCOMPARE(f.Window->DocumentName(), current);
        QCOMPARE(f.Window->richedit->Bytes(), MainFixture::ReadFile(current));
        QCOMPARE(Panel(f, 4), QStringLiteral("UTF-8"));
        QVERIFY(f.Window->Item("Utf81")->isChecked() && !f.Window->Item("Cp4371")->isChecked());
        // The set chosen for the file is remembered when it is opened again.
        f.Window->LoadDocument(other);
        QCOMPARE(Panel(f, 4), QStringLiteral("CP437"));
        f.Window->LoadDocument(current);
        QCOMPARE(Panel(f, 4), QStringLiteral("UTF-8"));
        // Thirty files chosen for since: its choice is the one forgotten.
        for (int n = 1; n <= 30; ++n)
            ChosenCharsets::Remember(*f.Window->Reg, f.Dir.filePath(QString::number(n)), TCharset::csUtf16);
        QCOMPARE(ChosenCharsets::Recall(*f.Window->Reg, current), std::nullopt);
        QCOMPARE(ChosenCharsets::Recall(*f.Window->Reg, f.Dir.filePath(QStringLiteral("1"))), TCharset::csUtf16);
        QCOMPARE(ChosenCharsets::Choose(ChosenCharsets::Read(*f.Window->Reg), other, TCharset::csUtf8).size(), 30);
    } else if (command == QLatin1String("New")) {
        QCOMPARE(f.Window->DocumentName(), QStringLiteral("Untitled"));
        QCOMPARE(f.Window->richedit->Bytes(), QByteArray());
    } else {
        QCOMPARE(f.Window->DocumentName(), other);
        QCOMPARE(f.Window->richedit->Bytes(), QByteArray("other"));
    }
}

void TestMain::yesOnUntitledThenAbandonedSaveAsKeepsTheText_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("overwriteDeclined");
    for (const char *command : {"New", "Close"}) {
        QTest::addRow("%s, dialog cancelled", command) << QString::fromLatin1(command) << false;
        QTest::addRow("%s, overwrite declined", command) << QString::fromLatin1(command) << true;
    }
}

// Yes to "Save changes", then no file chosen: the command that asked is
// abandoned as after Cancel, so the typed text is not lost.
void TestMain::yesOnUntitledThenAbandonedSaveAsKeepsTheText()
{
    QFETCH(QString, command);
    QFETCH(bool, overwriteDeclined);
    MainFixture f;
    f.Window->show();
    Modify(f);
    f.Dialogs.ConfirmAnswers << TModalResult::mrYes << TModalResult::mrNo;
    if (overwriteDeclined)
        f.Dialogs.FileAnswers << f.WriteFile(QStringLiteral("taken.nfo"), "keep");
    else
        f.Dialogs.FileAnswers << std::nullopt;
    if (command == QLatin1String("New"))
        f.Window->Item("New1")->trigger();
    else
        QVERIFY(!f.Window->close());
    QCOMPARE(f.Dialogs.Texts(QStringLiteral("Save")).size(), 1);
    QVERIFY(f.Dialogs.Texts(QStringLiteral("Error")).isEmpty());
    QCOMPARE(f.Window->richedit->Bytes(), QByteArray("x"));
    QVERIFY(f.Window->richedit->Modified());
    QVERIFY(f.Window->isVisible());
}

void TestMain::sessionEndAsksLikeAClose()
{
    MainFixture f;
    f.Window->show();
    QVERIFY(f.Window->QueryEndSession()); // nothing to ask about
    Modify(f);
    f.Dialogs.ConfirmAnswers << TModalResult::mrCancel << TModalResult::mrNo;
    QVERIFY(!f.Window->QueryEndSession());
    QVERIFY(f.Window->richedit->Modified());
    QVERIFY(f.Window->QueryEndSession());
    QCOMPARE(f.Dialogs.Texts(QStringLiteral("Confirm")).size(), 2);
}

void TestMain::fileOpenedAtStart_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("opens");
    QTest::newRow("no argument") << QStringList{"glimra"} << false;
    QTest::newRow("a file") << QStringList{"glimra", "a.nfo"} << true;
    QTest::newRow("the second argument is not looked at") << QStringList{"glimra", "missing", "a.nfo"} << false;
    QTest::newRow("a directory") << QStringList{"glimra", "adir"} << false;
    QTest::newRow("a name that names nothing") << QStringList{"glimra", "missing"} << false;
}

void TestMain::fileOpenedAtStart()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, opens);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("adir")));
    QFile(dir.filePath(QStringLiteral("a.nfo"))).open(QIODevice::WriteOnly);
    for (qsizetype i = 1; i < arguments.size(); ++i)
        arguments[i] = dir.filePath(arguments[i]);
    QCOMPARE(TMain::FileToOpenAtStart(arguments), opens ? arguments.at(1) : QString());
}

void TestMain::saveAsOverwrite_data()
{
    QTest::addColumn<TModalResult>("answer");
    QTest::newRow("Yes") << TModalResult::mrYes;
    QTest::newRow("No") << TModalResult::mrNo;
    QTest::newRow("Cancel") << TModalResult::mrCancel;
}

void TestMain::saveAsOverwrite()
{
    QFETCH(TModalResult, answer);
    MainFixture f;
    const QString target = f.WriteFile(QStringLiteral("target.nfo"), "keep");
    Modify(f);
    f.Dialogs.FileAnswers << target;
    f.Dialogs.ConfirmAnswers << answer;
    f.Window->Item("SaveAs1")->trigger();
    QCOMPARE(f.Dialogs.Texts(QStringLiteral("Confirm")), QStringList{QStringLiteral("OK to overwrite %1").arg(target)});
    QCOMPARE(f.Dialogs.Texts(QStringLiteral("Save")).size(), 1); // the dialog is not reopened
    if (answer == TModalResult::mrYes) {
        QCOMPARE(MainFixture::ReadFile(target), QByteArray("x"));
        QCOMPARE(f.Window->DocumentName(), target);
        QVERIFY(!f.Window->richedit->Modified());
    } else {
        QCOMPARE(MainFixture::ReadFile(target), QByteArray("keep"));
        QCOMPARE(f.Window->DocumentName(), QStringLiteral("Untitled"));
        QVERIFY(f.Window->richedit->Modified());
    }
}

void TestMain::saveOnUntitledAsksForName()
{
    MainFixture f;
    Modify(f);
    const QString target = f.Dir.filePath(QStringLiteral("new.nfo"));
    f.Dialogs.FileAnswers << target;
    f.Window->Item("Save1")->trigger();
    QCOMPARE(f.Dialogs.Texts(QStringLiteral("Save")).size(), 1);
    QVERIFY(f.Dialogs.Texts(QStringLiteral("Confirm")).isEmpty()); // nothing to overwrite
    QCOMPARE(MainFixture::ReadFile(target), QByteArray("x"));
    QCOMPARE(f.Window->windowTitle(), QStringLiteral("Glimra - new.nfo"));
}

void TestMain::saveWritesWithoutDialogWhenNamed()
{
    MainFixture f;
    const QString path = f.WriteFile(QStringLiteral("gone.nfo"), "a");
    f.Window->LoadDocument(path);
    QFile::remove(path); // deleted meanwhile: Save writes it again
    Modify(f);
    f.Window->Item("Save1")->trigger();
    QVERIFY(f.Dialogs.Log.isEmpty());
    QCOMPARE(MainFixture::ReadFile(path), QByteArray("xa"));
    QCOMPARE(Panel(f, 1), QString());
}

void TestMain::missingFileChangesNothing_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("reason"); // the system's, told after the name
    QTest::newRow("missing") << QStringLiteral("missing.nfo") << "No such file or directory";
    QTest::newRow("directory") << QStringLiteral("adir") << "Is a directory";
    QTest::newRow("FIFO, which would block the read") << QStringLiteral("fifo") << "Not a regular file";
    QTest::newRow("endless device") << QStringLiteral("/dev/zero") << "Not a regular file";
}

void TestMain::missingFileChangesNothing()
{
    QFETCH(QString, name);
    QFETCH(QString, reason);
    MainFixture f;
    QDir(f.Dir.path()).mkdir(QStringLiteral("adir"));
    QCOMPARE(mkfifo(QFile::encodeName(f.Dir.filePath(QStringLiteral("fifo"))).constData(), 0600), 0);
    const QString path = name.startsWith(u'/') ? name : f.Dir.filePath(name);
    Modify(f);
    f.Dialogs.ConfirmAnswers << TModalResult::mrNo;
    f.Dialogs.FileAnswers << path;
    f.Window->Item("Open1")->trigger();
    const QList<ScriptedDialogs::Shown> errors = [&] {
        QList<ScriptedDialogs::Shown> e;
        for (const auto &shown : f.Dialogs.Log)
            if (shown.Kind == QLatin1String("Error"))
                e << shown;
        return e;
    }();
    QCOMPARE(errors.size(), 1);
    QCOMPARE(errors[0].Caption, QStringLiteral("Glimra"));
    QCOMPARE(errors[0].Text, QStringLiteral("Cannot open file %1: %2.").arg(path, reason));
    QCOMPARE(f.Window->DocumentName(), QStringLiteral("Untitled"));
    QCOMPARE(f.Window->richedit->Bytes(), QByteArray("x"));
    QVERIFY(f.Window->richedit->Modified());
}

void TestMain::readStopsAtTheLimit()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("f"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("0123456789");
    file.close();
    QByteArray bytes;
    QCOMPARE(ReadRegularFile(path, 10, &bytes), TReadResult::trOk);
    QCOMPARE(bytes, QByteArray("0123456789"));
    QCOMPARE(ReadRegularFile(path, 9, &bytes), TReadResult::trTooLarge);
    QVERIFY(bytes.isEmpty());
}

void TestMain::failedSaveKeepsOldFile()
{
    // A file size limit makes the write fail part way, as a full disk would.
    MainFixture f;
    const QByteArray old(10, 'o');
    const QString path = f.WriteFile(QStringLiteral("big.nfo"), old);
    f.Window->LoadDocument(path);
    f.Window->richedit->ReplaceSel(QString(200000, u'x'));
    QVERIFY(f.Window->richedit->Modified());

    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 4096;
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    f.Window->Item("Save1")->trigger();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);

    QCOMPARE(f.Dialogs.Texts(QStringLiteral("Error")), QStringList{QStringLiteral("Cannot create file %1: the data could not be written.").arg(path)});
    QCOMPARE(MainFixture::ReadFile(path), old);
    QCOMPARE(QDir(f.Dir.path()).entryList({QStringLiteral("big*")}, QDir::Files | QDir::Hidden), QStringList{QStringLiteral("big.nfo")}); // no temporary left
    QVERIFY(f.Window->richedit->Modified());
    QCOMPARE(f.Window->DocumentName(), path);
}

void TestMain::saveIntoMissingDirectoryFails()
{
    MainFixture f;
    Modify(f);
    const QString target = f.Dir.filePath(QStringLiteral("no/such/dir/a.nfo"));
    f.Dialogs.FileAnswers << target;
    f.Window->Item("SaveAs1")->trigger();
    QCOMPARE(f.Dialogs.Texts(QStringLiteral("Error")), QStringList{QStringLiteral("Cannot create file %1: No such file or directory.").arg(target)});
    QCOMPARE(f.Window->DocumentName(), QStringLiteral("Untitled"));
    QVERIFY(f.Window->richedit->Modified());
}

void TestMain::saveKeepsPermissions()
{
    MainFixture f;
    const QString path = f.WriteFile(QStringLiteral("perm.nfo"), "a");
    const auto perms = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
    QVERIFY(QFile::setPermissions(path, perms));
    f.Window->LoadDocument(path);
    Modify(f);
    f.Window->Save();
    QCOMPARE(QFile::permissions(path) & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser), perms);
}

void TestMain::closeAsksAndMayStayOpen_data()
{
    QTest::addColumn<TModalResult>("answer");
    QTest::addColumn<bool>("saveFails");
    QTest::addColumn<bool>("closes");
    QTest::newRow("Cancel stays open") << TModalResult::mrCancel << false << false;
    QTest::newRow("No closes") << TModalResult::mrNo << false << true;
    QTest::newRow("Yes saves and closes") << TModalResult::mrYes << false << true;
    QTest::newRow("failed save stays open quietly") << TModalResult::mrYes << true << false;
}

void TestMain::closeAsksAndMayStayOpen()
{
    QFETCH(TModalResult, answer);
    QFETCH(bool, saveFails);
    QFETCH(bool, closes);
    MainFixture f;
    f.Window->show();
    f.Window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.Window));
    Modify(f);
    f.Dialogs.ConfirmAnswers << answer;
    f.Dialogs.FileAnswers << (saveFails ? f.Dir.filePath(QStringLiteral("missing/x.nfo")) : f.Dir.filePath(QStringLiteral("x.nfo")));
    QTest::keyClick(f.Window->richedit, Qt::Key_Escape);
    QCOMPARE(f.Dialogs.Texts(QStringLiteral("Confirm")), QStringList{QStringLiteral("Save changes to Untitled?")});
    QCOMPARE(f.Window->isVisible(), !closes);
    QVERIFY(f.Dialogs.Texts(QStringLiteral("Error")).isEmpty());
}

void TestMain::dropOpensFirstFileOnly_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QString>("opened");
    QTest::newRow("three files") << QStringList{"a.nfo", "b.nfo", "c.nfo"} << QStringLiteral("a.nfo");
    QTest::newRow("folder first") << QStringList{"folder", "a.nfo"} << QString();
    QTest::newRow("missing first") << QStringList{"gone.nfo", "a.nfo"} << QString();
}

void TestMain::dropOpensFirstFileOnly()
{
    QFETCH(QStringList, names);
    QFETCH(QString, opened);
    MainFixture f;
    for (const char *n : {"a.nfo", "b.nfo", "c.nfo"})
        f.WriteFile(QString::fromLatin1(n), n);
    QDir(f.Dir.path()).mkdir(QStringLiteral("folder"));
    Modify(f);
    f.Dialogs.ConfirmAnswers << TModalResult::mrNo;
    QStringList paths;
    for (const QString &n : names)
        paths << f.Dir.filePath(n);
    Drop(f, paths);
    if (opened.isEmpty()) {
        QVERIFY(f.Dialogs.Log.isEmpty()); // no prompt, no message
        QCOMPARE(f.Window->DocumentName(), QStringLiteral("Untitled"));
    } else {
        QCOMPARE(f.Window->DocumentName(), f.Dir.filePath(opened));
        QCOMPARE(f.Window->richedit->Bytes(), opened.toLatin1());
    }
}

QTEST_MAIN(TestMain)
void TestMain::ctrlClickOpensALink()
{
    MainFixture f;
    f.Window->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.Window));
    f.Window->LoadDocument(f.WriteFile(QStringLiteral("links.nfo"), "\xBA see http://a.test/x. \xBA"));
    QStringList opened;
    bool opens = true;
    const TShellOpen previous = SetShellOpen([&](QWidget *, const QString &, const QString &file) {
        opened << file;
        return opens;
    });
    TRichEdit *edit = f.Window->richedit;
    const QPoint at = edit->CharRect(8).center();
    QTest::mouseClick(edit->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    QVERIFY(opened.isEmpty());
    QVERIFY(edit->SelStart() > 0); // a plain click places the caret
    QTest::mouseClick(edit->viewport(), Qt::LeftButton, Qt::ControlModifier, at);
    QTest::mouseClick(edit->viewport(), Qt::LeftButton, Qt::ControlModifier, edit->CharRect(2).center());
    QCOMPARE(opened, QStringList{QStringLiteral("http://a.test/x")});
    QVERIFY(f.Dialogs.Texts(QStringLiteral("Error")).isEmpty());
    // An address the desktop cannot open is told.
    opens = false;
    QTest::mouseClick(edit->viewport(), Qt::LeftButton, Qt::ControlModifier, at);
    SetShellOpen(previous);
    QCOMPARE(f.Dialogs.Texts(QStringLiteral("Error")).size(), 1);
    QVERIFY(f.Dialogs.Texts(QStringLiteral("Error")).constFirst().contains(QStringLiteral("http://a.test/x")));
}

void TestMain::propertiesWriteTheRecord_data()
{
    // The file, what is done in the dialog (keys typed where the focus
    // starts, then Enter, unless the Remove button is pressed), and the
    // title, width and height in the saved record (none when removed).
    QByteArray art;
    for (int line = 1; line <= 44; ++line)
        art += line == 43 ? QByteArray("\t\t\t\t\t\t\t\xDB\xDB\r\n") // the widest line, not the longest
                          : "line " + QByteArray::number(line).rightJustified(2, '0') + " of the art\r\n";
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QByteArray>("title");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::newRow("removed") << TestData::Read(QStringLiteral("record.nfo")) << QString() << QByteArray() << 0 << 0;
    QTest::newRow("added with Enter") << art << QStringLiteral("Harbour") << QByteArray("Harbour") << 58 << 44;
    QTest::newRow("edited in place") << TestData::Read(QStringLiteral("record.nfo")) << QStringLiteral("!") << QByteArray("Glimra!")
                                     << 0 << 0;
}

void TestMain::propertiesWriteTheRecord()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, typed);
    QFETCH(QByteArray, title);
    QFETCH(int, width);
    QFETCH(int, height);
    MainFixture f;
    const QString path = f.WriteFile(QStringLiteral("art.nfo"), file);
    f.Window->LoadDocument(path);
    QTimer::singleShot(0, [typed] {
        auto *dialog = qobject_cast<TPropertiesDialog *>(QApplication::activeModalWidget());
        if (typed.isEmpty()) {
            dialog->RemoveButton->click();
            dialog->accept();
            return;
        }
        QWidget *focus = dialog->focusWidget(); // where the focus starts
        QTest::keyClick(focus, Qt::Key_End);
        QTest::keyClicks(focus, typed);
        QTest::keyClick(focus, Qt::Key_Return);
    });
    f.Window->Item("Properties1")->trigger();
    QVERIFY(f.Window->richedit->Modified());
    f.Window->Save();
    const QByteArray saved = MainFixture::ReadFile(path);
    const qsizetype text = saved.indexOf("\x1A");
    if (title.isEmpty()) {
        QCOMPARE(saved, QByteArray("Glimra <3\r\n"));
        return;
    }
    // The record's fields at their offsets in the last 128 bytes.
    const QByteArray record = saved.right(128);
    QVERIFY(record.startsWith("SAUCE00"));
    QCOMPARE(record.mid(7, 35), title.leftJustified(35, ' '));
    QCOMPARE(qFromLittleEndian<quint32>(record.constData() + 90), quint32(text));
    if (width > 0) {
        QCOMPARE(qFromLittleEndian<quint16>(record.constData() + 96), quint16(width));
        QCOMPARE(qFromLittleEndian<quint16>(record.constData() + 98), quint16(height));
    } else {
        QVERIFY(saved.mid(text).contains("COMNTA record made for the tests")); // the comments stay
    }
}

void TestMain::colourArtDrawnAndItsCodesEdited()
{
    MainFixture f;
    TRichEdit *edit = f.Window->richedit;
    // Red "Hi", a lone LF (to the next row's start), a lone CR, then the record.
    const QByteArray art("\x1B[31mHi\n  !\r\x1B[0mok\r\n");
    TSauce record = Sauce::New(QStringLiteral("t"), {}, {}, 80, 2, quint32(art.size()), QDate(2026, 1, 1));
    record.FileType = 1; // ANSi
    const QByteArray file = art + Sauce::Make(record);
    const QString path = f.WriteFile(QStringLiteral("art.txt"), file);
    f.Window->LoadDocument(path);
    QVERIFY(edit->ShownDerived());
    QCOMPARE(Panel(f, 4), QStringLiteral("ANSI art"));
    QCOMPARE(f.Window->Item("ShowCodes1")->shortcut(), QKeySequence(Qt::Key_F4));
    QVERIFY(!f.Window->Item("ShowCodes1")->isChecked());
    // Find, Select All and Copy work on the characters drawn.
    QCOMPARE(edit->FindText(QStringLiteral("OK!"), 0), 3);
    f.Window->Item("SelectAll1")->trigger();
    f.Window->Item("Copy1")->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("Hi\nok!"));
    TextRenderer::TCellLook look;
    QVERIFY(edit->ShownDerived()->LookAt(0, &look));
    QCOMPARE(look.Ink, 0xAA0000u);
    // A key refused says where editing is.
    edit->SetSel(0, 0);
    QTest::keyClicks(edit, QStringLiteral("x"));
    QVERIFY(!edit->Modified());
    QCOMPARE(Panel(f, 5), QStringLiteral("Press F4 to edit the codes"));
    // The codes are edited as text: red becomes green; the art is drawn again from them.
    f.Window->Item("ShowCodes1")->trigger();
    QVERIFY(!edit->ShownDerived());
    QVERIFY(f.Window->Item("ShowCodes1")->isChecked());
    edit->SetSel(3, 1);
    QTest::keyClicks(edit, QStringLiteral("2"));
    f.Window->Item("ShowCodes1")->trigger();
    QVERIFY(edit->ShownDerived()->LookAt(0, &look));
    QCOMPARE(look.Ink, 0x00AA00u);
    f.Window->Item("ShowCodes1")->trigger(); // the codes again, where they were left
    QCOMPARE(edit->CaretPosition(), 4);
    // Saved byte for byte: only the byte edited differs.
    f.Window->Item("Save1")->trigger();
    QByteArray expected = file;
    expected[3] = '2';
    QCOMPARE(MainFixture::ReadFile(path), expected);
}

void TestMain::artPicturesAndTheWrapChosen()
{
    MainFixture f;
    TRichEdit *edit = f.Window->richedit;
    // An XBin is a picture: drawn, found in, but without codes to show.
    const QString xbin = f.WriteFile(QStringLiteral("art.xb"), QByteArray("XBIN\x1A\x02\0\x01\0\x10\0" "A\x1F" "B\x07", 15));
    f.Window->LoadDocument(xbin);
    QCOMPARE(Panel(f, 4), QStringLiteral("XBin"));
    QCOMPARE(edit->FindText(QStringLiteral("ab"), 0), 0);
    f.Window->Item("ShowCodes1")->trigger();
    QVERIFY(edit->ShownDerived());
    QVERIFY(!f.Window->Item("ShowCodes1")->isChecked());
    QCOMPARE(Panel(f, 5), QStringLiteral("XBin art is a picture: it has no codes to show"));
    // Full rows each broken by CR LF: a terminal's one row each, unless DOS
    // is chosen, which is remembered for the file.
    const QString art = f.WriteFile(QStringLiteral("term.ans"), (QByteArray(80, 'x') + "\r\n").repeated(2));
    f.Window->LoadDocument(art);
    QCOMPARE(edit->ShownText().LineCount(), 2);
    QVERIFY(f.Window->Item("WrapAutomatic1")->isChecked());
    f.Window->Item("WrapDos1")->trigger();
    QCOMPARE(edit->ShownText().LineCount(), 3);
    QVERIFY(f.Window->Item("WrapDos1")->isChecked() && !f.Window->Item("WrapAutomatic1")->isChecked());
    f.Window->LoadDocument(xbin);
    QVERIFY(f.Window->Item("WrapAutomatic1")->isChecked());
    f.Window->LoadDocument(art);
    QVERIFY(f.Window->Item("WrapDos1")->isChecked());
    QCOMPARE(edit->ShownText().LineCount(), 3);
}

void TestMain::largeFileShowsAtOnceAndLoadsInSlices()
{
    MainFixture f;
    DocumentFile::SetPieceSizes(1000, 300);
    TDocumentLoader::SetSliceBytes(500);
    QByteArray art;
    for (int i = 0; i < 200; ++i)
        art += "line " + QByteArray::number(i) + " \xDB\xB1\r\n";
    const QString path = f.WriteFile(QStringLiteral("big.nfo"), art);
    TRichEdit *edit = f.Window->richedit;

    // The first screen at once; an edit applies at once, while the scan goes
    // on; the file counts as opened when it is all scanned.
    f.Window->LoadDocument(path);
    QVERIFY(edit->Loading() && edit->TextLength() < art.size());
    QTest::keyClicks(edit, QStringLiteral("x"));
    QVERIFY(edit->Modified());
    QVERIFY(TRecentFiles().Slot(1).isEmpty());
    QTRY_VERIFY(!edit->Loading());
    QCOMPARE(edit->Bytes(), "x" + art);
    QTRY_COMPARE(TRecentFiles().Slot(1), path); // told by a queued call after the scan

    // A save during the scan writes the whole file, and undo still works.
    f.Window->LoadDocument(path);
    QTest::keyClicks(edit, QStringLiteral("y"));
    QVERIFY(edit->Loading());
    f.Window->Save();
    QCOMPARE(MainFixture::ReadFile(path), "y" + art);
    f.Window->EditUndo();
    QCOMPARE(edit->Bytes(), art);

    // Another file opened during a scan stops it.
    f.Window->LoadDocument(path);
    f.Window->LoadDocument(f.WriteFile(QStringLiteral("small.nfo"), "small"));
    QTest::qWait(50);
    QCOMPARE(edit->Bytes(), QByteArray("small"));

    // Closing the window stops it at once: nothing more is read.
    f.Window->LoadDocument(path);
    const qsizetype shown = edit->TextLength();
    QVERIFY(f.Window->close());
    QTest::qWait(50);
    QVERIFY(edit->Loading());
    QCOMPARE(edit->TextLength(), shown);
    DocumentFile::SetPieceSizes(8 << 20, 1 << 20);
    TDocumentLoader::SetSliceBytes(1 << 20);
}

void TestMain::largeFileWrittenBackAsRead_data()
{
    // Files read on demand, saved unedited: byte for byte as they were. The
    // set is found from the first 300 bytes.
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("text"); // as the document holds it
    const QByteArray words = QByteArray("caf\xC3\xA9 ").repeated(100);
    QTest::newRow("UTF-8, the first break past the start") << words + "\nnext\n" + words << words + "\nnext\n" + words;
    // The first 500 bytes are scanned at once, the rest in the background.
    QTest::newRow("UTF-8, a CR LF across the first stretch's end")
        << words.left(499) + "\r\n" + words + words << words.left(499) + "\n" + words + words;
    QByteArray art;
    for (int i = 0; i < 100; ++i)
        art += "\xDB\xB2 line " + QByteArray::number(i) + "\r\n";
    TSauce record;
    record.Title = "Harbour";
    record.FileSize = quint32(art.size());
    QTest::newRow("a record at the end") << art + Sauce::Make(record) << QByteArray(art).replace("\r\n", "\n");
    const QString text = QStringLiteral("\u2588\u2591 \U0001F600 line\r\n").repeated(100);
    QByteArray utf16("\xFF\xFE");
    for (const QChar c : text)
        utf16 += char(c.unicode() & 0xFF), utf16 += char(c.unicode() >> 8);
    QTest::newRow("UTF-16") << utf16 << QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")).toUtf8();
}

void TestMain::largeFileWrittenBackAsRead()
{
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, text);
    MainFixture f;
    DocumentFile::SetPieceSizes(1000, 300);
    TDocumentLoader::SetSliceBytes(500);
    const QString path = f.WriteFile(QStringLiteral("large.txt"), file);
    f.Window->LoadDocument(path);
    // Shown at once, UTF-16 too: the rest comes as the scan finds it.
    const TTextBuffer &doc = f.Window->richedit->Document();
    QVERIFY(f.Window->richedit->Loading());
    QVERIFY(doc.Length() > 0 && text.startsWith(doc.Slice(0, doc.Length())));
    QTRY_VERIFY(!f.Window->richedit->Loading());
    QCOMPARE(doc.Slice(0, doc.Length()), text); // the record is no text
    f.Window->Save();
    QCOMPARE(MainFixture::ReadFile(path), file);
    DocumentFile::SetPieceSizes(8 << 20, 1 << 20);
    TDocumentLoader::SetSliceBytes(1 << 20);
}

void TestMain::fileChangedOnDisk_data()
{
    // A file read on demand changes on disk, once the scan is done; the
    // document notices at its next read of the file. Unedited, it is read
    // again; edited, it reads from its private copy; with no copy (the copy
    // failed) the user is told and the edits are kept.
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("edit"); // none, copied, uncopied
    QTest::addColumn<QString>("result"); // reread, kept, failed
    QTest::newRow("grown, unedited") << "grow" << "none" << "reread";
    QTest::newRow("truncated, unedited") << "truncate" << "none" << "reread";
    QTest::newRow("replaced, unedited") << "replace" << "none" << "reread";
    QTest::newRow("removed, unedited") << "remove" << "none" << "kept";
    QTest::newRow("read fails, unedited") << "fail" << "none" << "failed";
    QTest::newRow("grown, edited") << "grow" << "copied" << "kept";
    QTest::newRow("truncated, edited") << "truncate" << "copied" << "kept";
    QTest::newRow("replaced, edited") << "replace" << "copied" << "kept";
    QTest::newRow("truncated, edited, no copy") << "truncate" << "uncopied" << "failed";
}

void TestMain::fileChangedOnDisk()
{
    QFETCH(QString, change);
    QFETCH(QString, edit);
    QFETCH(QString, result);
    MainFixture f;
    DocumentFile::SetPieceSizes(1000, 300);
    const QByteArray art = NumberedLines(300);
    const QString path = f.WriteFile(QStringLiteral("changing.nfo"), art);
    TRichEdit *richedit = f.Window->richedit;
    if (edit == QLatin1String("uncopied"))
        TDecodedSource::SetCopyFolder(QStringLiteral("/proc/no-such-folder"));
    f.Window->LoadDocument(path);
    QTRY_VERIFY(!richedit->Loading());
    QByteArray expected = art;
    if (edit != QLatin1String("none")) {
        QTest::keyClicks(richedit, QStringLiteral("x"));
        expected.prepend('x');
        const std::shared_ptr<TDecodedSource> source = richedit->Document().Source();
        QTRY_VERIFY(!source->Copying());
        QCOMPARE(source->Protected(), edit == QLatin1String("copied"));
        QCOMPARE(f.Dialogs.Texts(QStringLiteral("Warning")).size(), edit == QLatin1String("copied") ? 0 : 1);
    }
    const QByteArray now = change == QLatin1String("grow") ? art + "more\r\n" : art.left(500);
    if (change == QLatin1String("grow") || change == QLatin1String("truncate")) {
        QTest::qWait(20); // a later time than the file had
        f.WriteFile(QStringLiteral("changing.nfo"), now);
    } else if (change == QLatin1String("replace")) {
        const QString other = f.WriteFile(QStringLiteral("new.nfo"), now);
        QVERIFY(::rename(QFile::encodeName(other).constData(), QFile::encodeName(path).constData()) == 0);
    } else if (change == QLatin1String("remove")) {
        QVERIFY(QFile::remove(path));
    } else {
        const int writeOnly = ::open(QFile::encodeName(path).constData(), O_WRONLY);
        QVERIFY(::dup2(writeOnly, richedit->Document().Source()->File()->Handle()) >= 0);
        ::close(writeOnly);
    }
    richedit->Document().Source()->Check(); // as a read of the file does
    if (result != QLatin1String("kept"))
        QTest::qWait(50);

    if (result == QLatin1String("reread")) {
        // Read again once the change is dealt with (a queued call after the wait).
        QTRY_COMPARE(richedit->Bytes(), now);
        QTRY_COMPARE(Panel(f, 5), QStringLiteral("Reloaded: changed on disk"));
    } else if (result == QLatin1String("kept")) {
        // Saved before the change is told: what is told then is the file
        // just saved, and nothing is read again (the undo steps stay).
        f.Window->Save();
        QTest::qWait(50);
        QCOMPARE(richedit->Bytes(), expected);
        QCOMPARE(MainFixture::ReadFile(path), expected);
        QCOMPARE(richedit->CanUndo(), edit != QLatin1String("none"));
    } else if (edit == QLatin1String("none")) {
        // Nothing could be read any more: as a file that cannot be opened.
        QTRY_COMPARE(f.Window->DocumentName(), QStringLiteral("Untitled"));
        QTRY_COMPARE(f.Dialogs.Texts(QStringLiteral("Error")).size(), 1);
        QVERIFY(f.Dialogs.Texts(QStringLiteral("Error")).constFirst().startsWith(QStringLiteral("Cannot open file %1").arg(path)));
    } else {
        // The edits stay, the file is not written over.
        QTRY_COMPARE(f.Dialogs.Texts(QStringLiteral("Error")).size(), 1);
        QCOMPARE(richedit->Bytes().left(6), QByteArray("xline "));
        QVERIFY(richedit->Modified());
        try {
            f.Window->Save();
            QFAIL("saved what could not be read");
        } catch (const EGlimraError &error) {
            QVERIFY2(error.Message().startsWith(QStringLiteral("Cannot save")), qPrintable(error.Message()));
        }
        QCOMPARE(MainFixture::ReadFile(path), now);
    }
    TDecodedSource::SetCopyFolder(f.Dir.filePath(QStringLiteral("cache")));
    DocumentFile::SetPieceSizes(8 << 20, 1 << 20);
}

void TestMain::findStopsAtEsc()
{
    MainFixture f;
    f.Window->show();
    DocumentFile::SetPieceSizes(1000, 300);
    TDocumentLoader::SetSliceBytes(500);
    const QString path = f.WriteFile(QStringLiteral("find.nfo"), QByteArray("some words\r\n").repeated(300) + "the needle\r\n");
    f.Window->FindDialog->SetFindText(QStringLiteral("NEEDLE"));
    // A search that reaches the end of what is scanned waits for the rest;
    // Esc meanwhile stops it, and does not close the window.
    for (const bool esc : {true, false}) {
        f.Window->LoadDocument(path);
        if (esc)
            QTimer::singleShot(0, f.Window->richedit, [&f] { QTest::keyClick(f.Window->richedit, Qt::Key_Escape); });
        f.Window->FindDialogFind();
        QVERIFY(f.Window->isVisible());
        QCOMPARE(f.Window->richedit->SelText(), esc ? QString() : QStringLiteral("needle"));
    }
    DocumentFile::SetPieceSizes(8 << 20, 1 << 20);
    TDocumentLoader::SetSliceBytes(1 << 20);
}

void TestMain::aFileCutShortIsToldOnceBySave()
{
    // Cut short before the first edit and saved at once: the private copy
    // fails while the save waits for it, the save fails, and one message
    // says so, naming the file and why.
    MainFixture f;
    DocumentFile::SetPieceSizes(1000, 300);
    const QByteArray art = NumberedLines(300);
    const QString path = f.WriteFile(QStringLiteral("cut.nfo"), art);
    f.Window->LoadDocument(path);
    TRichEdit *richedit = f.Window->richedit;
    QTRY_VERIFY(!richedit->Loading());
    f.WriteFile(QStringLiteral("cut.nfo"), art.left(500));
    QTest::keyClicks(richedit, QStringLiteral("x"));
    f.Window->Item("Save1")->trigger();
    QTest::qWait(200); // what waited for the save to end is told now
    QStringList told = f.Dialogs.Texts(QStringLiteral("Error")) + f.Dialogs.Texts(QStringLiteral("Warning"));
    QVERIFY2(told.size() == 1, qPrintable(told.join(u"\n")));
    QVERIFY2(told[0].contains(path) && told[0].contains(QStringLiteral("changed on disk")), qPrintable(told[0]));
    QCOMPARE(MainFixture::ReadFile(path), art.left(500));
    DocumentFile::SetPieceSizes(8 << 20, 1 << 20);
}

void TestMain::filesBeyondTwoGigabytesOpen()
{
    MainFixture f;
    // Sparse files: the zeros between take no disk, and no memory either.
    const auto sparse = [&f](const QString &name, qint64 size, const QByteArray &head, const QByteArray &end) {
        const QString path = f.WriteFile(name, head);
        QFile file(path);
        if (!file.open(QIODevice::ReadWrite) || !file.resize(size) || !file.seek(size - end.size()) || file.write(end) != end.size())
            return QString();
        return path;
    };
    // More than the machine holds opens, its first screen at once.
    const qint64 available = AvailableMemory();
    const QString huge = sparse(QStringLiteral("huge.log"), std::max<qint64>(available, 1) * 2, "a\r\n", "b");
    if (huge.isEmpty())
        QSKIP("the file system here makes no sparse files");
    f.Window->LoadDocument(huge);
    QCOMPARE(f.Window->DocumentName(), huge);
    QCOMPARE(f.Window->richedit->Document().Slice(0, 2), QByteArray("a\n"));
    f.Window->New(); // the scan stops
    QFile::remove(huge);

    const qint64 size = (qint64(9) << 28) + 3; // 2.25 GiB
    const QString big = sparse(QStringLiteral("big.log"), size, "first\r\nsecond\r\n", "\r\nlast line");
    if (big.isEmpty())
        QSKIP("the file system here makes no sparse files");
    f.Window->LoadDocument(big);
    QTRY_VERIFY_WITH_TIMEOUT(!f.Window->richedit->Loading(), 120000);
    const TTextBuffer &doc = f.Window->richedit->Document();
    QCOMPARE(doc.LineCount(), 4);
    QCOMPARE(doc.Length(), size - 3); // each CR LF held as one byte
    QCOMPARE(doc.Slice(doc.LineStart(3), doc.LineEnd(3)), QByteArray("last line"));
    QCOMPARE(doc.LineOf(doc.Length()), 3);
    QTest::keyClick(f.Window->richedit, Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(f.Window->StatusBar1->PanelText(0), CaretPanelText(3, 9));
    QFile::remove(big);
}

#include "tst_main.moc"
