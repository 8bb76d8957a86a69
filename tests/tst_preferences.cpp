// View preferences: first-run defaults, what a close writes, what a start
// reads back, and the font and colour commands.

#include "app/Unit3.h"
#include "platform/Registry.h"
#include "textview/RichEdit.h"
#include "render/TextModeFace.h"
#include "platform/StatusBar.h"
#include "settings/MyRegistry.h"
#include "support/MainFixture.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QApplication>
#include <QFontInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <QToolButton>

namespace {

QString UserFile(const MainFixture &f)
{
    return QDir(f.Dir.filePath(QStringLiteral("config/glimra"))).filePath(RegRootFileName(HKEY_CURRENT_USER));
}

} // namespace

class TestPreferences : public QObject
{
    Q_OBJECT

private slots:
    void firstRunDefaults();
    void closeWritesTypedValues();
    void handEditedValuesApplyAtNextStart();
    void storedFlagsApplyAtStart_data();
    void storedFlagsApplyAtStart();
    void closeKeepsAnotherCopysChanges();
    void damagedFileIsKeptAsideAndDefaultsUsed();
    void zoomOutPersists();
    void fontDialog_data();
    void fontDialog();
    void textModeFaceIsChosenAndStored();
    void colourDialogOpensOnLastChoice();
    void placementPersists();
    void droppedFileOpensThroughTheTextArea();
};

void TestPreferences::firstRunDefaults()
{
    MainFixture f;
    QCOMPARE(f.Window->richedit->font().family(), QStringLiteral("Lucida Console ANSI"));
    QCOMPARE(f.Window->richedit->font().pointSize(), 9);
    QCOMPARE(f.Window->richedit->TextColor(), QColor(192, 192, 192));
    QCOMPARE(f.Window->richedit->BackgroundColor(), QColor(0, 0, 128));
    // The panel and the Font dialog show the face drawn; the stored name
    // stays the one asked for.
    const QString drawn = QFontInfo(f.Window->richedit->font()).family();
    QCOMPARE(f.Window->StatusBar1->PanelText(2), drawn + QStringLiteral(" 9"));
    f.Window->Button("FontButon")->click();
    QCOMPARE(f.Dialogs.Texts(QStringLiteral("Font")), QStringList{drawn});
    QVERIFY(!f.Window->richedit->WordWrap());
    QVERIFY(!f.Window->Item("Autocopy1")->isChecked());
    QVERIFY(!f.Window->Item("Map1")->isChecked());
    QVERIFY(f.Window->Item("StatusBar3")->isChecked());
    QVERIFY(!Map->isVisible());
    // Any monospace face stands in for a missing one.
    QVERIFY(QFontInfo(f.Window->richedit->font()).fixedPitch());
}

void TestPreferences::closeWritesTypedValues()
{
    MainFixture f;
    f.Window->show();
    QVERIFY(f.Window->close());
    QFile file(UserFile(f));
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
    const QString text = QString::fromUtf8(file.readAll());
    QVERIFY(text.startsWith(QLatin1String("REGEDIT4")));
    for (const char *line : {"\"background\"=dword:00800000", "\"font\"=dword:00c0c0c0", "\"Size\"=dword:00000009",
                             "\"Name\"=\"Lucida Console ANSI\"", "\"Statusbar\"=dword:00000001",
                             "\"WordWrap\"=dword:00000000", "\"Map\"=dword:00000000",
                             "\"MapFont\"=\"Lucida Console ANSI\""})
        QVERIFY2(text.contains(QLatin1String(line)), line);
    QVERIFY(text.contains(QLatin1String("[HKEY_CURRENT_USER\\Software\\Torvane\\Glimra 5.0\\Font]")));
}

void TestPreferences::handEditedValuesApplyAtNextStart()
{
    MainFixture f;
    f.Window->close();
    QFile file(UserFile(f));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QString text = QString::fromUtf8(file.readAll());
    file.close();
    text.replace(QLatin1String("\"Size\"=dword:00000009"), QLatin1String("\"Size\"=dword:e"));
    text.replace(QLatin1String("\"Statusbar\"=dword:00000001"), QLatin1String("\"Statusbar\"=dword:0"));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text.toUtf8());
    file.close();

    f.Restart(false);
    QCOMPARE(f.Window->richedit->font().pointSize(), 14);
    QVERIFY(!f.Window->Item("StatusBar3")->isChecked());
    f.Window->show();
    QVERIFY(!f.Window->findChild<QWidget *>(QStringLiteral("Panel"))->isVisible());
}

void TestPreferences::storedFlagsApplyAtStart_data()
{
    QTest::addColumn<bool>("mapVis");
    QTest::addColumn<bool>("map");
    QTest::addColumn<bool>("wordWrap");
    QTest::newRow("check mark without the window") << true << false << true;
    QTest::newRow("window without the check mark") << false << true << false;
}

// "MapVis" is the menu's check mark, "Map" the window's visibility: each is
// read and written on its own.
void TestPreferences::storedFlagsApplyAtStart()
{
    QFETCH(bool, mapVis);
    QFETCH(bool, map);
    QFETCH(bool, wordWrap);
    MainFixture f;
    f.Window->close();
    TMyRegistry other;
    other.SetRegPath(QStringLiteral("\\Software\\Torvane\\Glimra 5.0"));
    other.SetRootKey(TMyRegistry::kHKEY_CURRENT_USER);
    other.Open();
    other.WriteBool(QStringLiteral("Misc"), QStringLiteral("MapVis"), mapVis);
    other.WriteBool(QStringLiteral("Misc"), QStringLiteral("Map"), map);
    other.WriteBool(QStringLiteral("Misc"), QStringLiteral("WordWrap"), wordWrap);

    f.Restart(false);
    f.Window->show();
    QCoreApplication::processEvents(); // the map shows itself once created
    QCOMPARE(f.Window->Item("Map1")->isChecked(), mapVis);
    QCOMPARE(Map->isVisible(), map);
    QCOMPARE(f.Window->richedit->WordWrap(), wordWrap);

    QVERIFY(f.Window->close());
    QCOMPARE(other.ReadBool(QStringLiteral("Misc"), QStringLiteral("MapVis"), !mapVis), mapVis);
    QCOMPARE(other.ReadBool(QStringLiteral("Misc"), QStringLiteral("Map"), !map), map);
}

// Two copies run at once; each close writes only what that copy changed.
void TestPreferences::closeKeepsAnotherCopysChanges()
{
    MainFixture f;
    f.Window->close(); // every value stored
    f.Restart(false);
    f.Window->Item("WordWrap1")->trigger(); // this copy: word wrap on

    TMyRegistry other; // the other copy hides its status bar and closes first
    other.SetRegPath(QStringLiteral("\\Software\\Torvane\\Glimra 5.0"));
    other.SetRootKey(TMyRegistry::kHKEY_CURRENT_USER);
    other.Open();
    other.WriteBool(QStringLiteral("Misc"), QStringLiteral("Statusbar"), false);

    QVERIFY(f.Window->close());
    QVERIFY(other.ReadBool(QStringLiteral("Misc"), QStringLiteral("WordWrap"), false));
    QVERIFY(!other.ReadBool(QStringLiteral("Misc"), QStringLiteral("Statusbar"), true));
}

void TestPreferences::damagedFileIsKeptAsideAndDefaultsUsed()
{
    MainFixture f;
    f.Window->close();
    QFile file(UserFile(f));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("this is not a registry file\n[[[\n");
    file.close();
    f.Restart(false);
    QCOMPARE(f.Window->richedit->font().pointSize(), 9);
    QCOMPARE(f.Window->richedit->BackgroundColor(), QColor(0, 0, 128));
    const QStringList aside = QDir(QFileInfo(UserFile(f)).path()).entryList({QStringLiteral("*damaged*")});
    QCOMPARE(aside.size(), 1);
}

void TestPreferences::zoomOutPersists()
{
    MainFixture f;
    f.Window->Item("ZoomOut1")->trigger();
    const QString drawn = QFontInfo(f.Window->richedit->font()).family();
    QCOMPARE(f.Window->StatusBar1->PanelText(2), drawn + QStringLiteral(" 8"));
    f.Restart();
    QCOMPARE(f.Window->richedit->font().pointSize(), 8);
    QCOMPARE(f.Window->StatusBar1->PanelText(2), drawn + QStringLiteral(" 8"));
}

void TestPreferences::fontDialog_data()
{
    QTest::addColumn<bool>("confirm");
    QTest::newRow("OK takes face and size") << true;
    QTest::newRow("Cancel changes nothing") << false;
}

void TestPreferences::fontDialog()
{
    QFETCH(bool, confirm);
    MainFixture f;
    QFont chosen(QStringLiteral("DejaVu Sans Mono"));
    chosen.setPointSize(12);
    chosen.setBold(true);
    f.Dialogs.FontAnswers << (confirm ? std::optional<QFont>(chosen) : std::nullopt);
    f.Window->StatusBar1->SetPanelText(2, QString()); // the panel is refreshed either way
    f.Window->Button("FontButon")->click();
    const QString expected = confirm ? QStringLiteral("DejaVu Sans Mono 12")
                                     : QFontInfo(f.Window->richedit->font()).family() + QStringLiteral(" 9");
    QCOMPARE(f.Window->StatusBar1->PanelText(2), expected);
    QCOMPARE(f.Window->richedit->TextColor(), QColor(192, 192, 192));
    if (confirm) {
        // Face and size come back at the next start, bold does not.
        f.Restart();
        QCOMPARE(f.Window->richedit->font().family(), QStringLiteral("DejaVu Sans Mono"));
        QCOMPARE(f.Window->richedit->font().pointSize(), 12);
        QVERIFY(!f.Window->richedit->font().bold());
    }
    // The menu item runs the same command as the button.
    f.Window->Item("Font1")->trigger();
    QCOMPARE(f.Dialogs.Texts(QStringLiteral("Font")).size(), 2);
    // The real dialog shows its sample of the face.
    QSize sample;
    QTimer::singleShot(0, [&sample] {
        QWidget *dialog = QApplication::activeModalWidget();
        QVERIFY(dialog);
        for (const QLineEdit *edit : dialog->findChildren<QLineEdit *>())
            if (edit->objectName().contains(QLatin1String("sample"), Qt::CaseInsensitive) && !edit->text().isEmpty())
                sample = edit->size();
        dialog->close();
    });
    TQtDialogs().Font(f.Window, {});
    QVERIFY2(sample.height() >= 2 * QFontMetrics(f.Window->font()).height(), qPrintable(QString::number(sample.height())));
}

void TestPreferences::textModeFaceIsChosenAndStored()
{
    MainFixture f;
    QMenu *menu = f.Window->findChild<QMenu *>(QStringLiteral("TextModeFont1"));
    if (!TTextModeFace::Find(QStringLiteral("Text Mode 8x16"))) {
        QVERIFY(!menu);
        QSKIP("the console fonts are not installed (package console-setup-linux)");
    }
    QVERIFY(menu);
    QAction *face = menu->actions().constFirst();
    QCOMPARE(face->text(), QStringLiteral("Text Mode 8x&16")); // its access key where the faces differ
    face->trigger();
    QCOMPARE(f.Window->StatusBar1->PanelText(2), QStringLiteral("Text Mode 8x16 1x")); // the multiple drawn
    f.Restart();
    menu = f.Window->findChild<QMenu *>(QStringLiteral("TextModeFont1"));
    emit menu->aboutToShow();
    QVERIFY(menu->actions().constFirst()->isChecked());
    // Chosen again, it gives way to the outline face used before.
    menu->actions().constFirst()->trigger();
    QCOMPARE(f.Window->richedit->font().family(), QStringLiteral("Lucida Console ANSI"));
}

void TestPreferences::colourDialogOpensOnLastChoice()
{
    MainFixture f;
    f.Dialogs.ColorAnswers << QColor(10, 20, 30) << std::nullopt;
    f.Window->Item("BackgroundColor1")->trigger();
    QCOMPARE(f.Window->richedit->BackgroundColor(), QColor(10, 20, 30));
    f.Window->Button("FontColorButon")->click();
    QCOMPARE(f.Dialogs.Texts(QStringLiteral("Color")), (QStringList{QStringLiteral("#000000"), QStringLiteral("#0a141e")}));
    QCOMPARE(f.Window->richedit->TextColor(), QColor(192, 192, 192)); // cancelled
}

void TestPreferences::placementPersists()
{
    MainFixture f;
    QCOMPARE(f.Window->size(), QSize(640, 400)); // first run
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QCOMPARE(f.Window->geometry().center(), screen.center());
    f.Window->show();
    f.Window->move(37, 42);
    f.Window->resize(700, 450);
    f.Restart();
    QCOMPARE(f.Window->pos(), QPoint(37, 42));
    QCOMPARE(f.Window->size(), QSize(700, 450));
    f.Window->showMaximized();
    f.Restart();
    QVERIFY(f.Window->windowState() & Qt::WindowMaximized);
}

void TestPreferences::droppedFileOpensThroughTheTextArea()
{
    MainFixture f;
    f.Window->show();
    QTest::keyClicks(f.Window->richedit, QStringLiteral("x"));
    const QString path = f.WriteFile(QStringLiteral("dropped.nfo"), "dropped");
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(path), QUrl::fromLocalFile(f.WriteFile(QStringLiteral("b.nfo"), "b"))});
    QWidget *target = f.Window->richedit->viewport();
    f.Window->richedit->SetWordWrap(true); // drops still arrive after a wrap switch
    const QPoint at(10, 10);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    f.Dialogs.ConfirmAnswers << TModalResult::mrNo;
    QCoreApplication::sendEvent(target, &drop);
    QTRY_COMPARE(f.Window->DocumentName(), path);
    QCOMPARE(f.Dialogs.Texts(QStringLiteral("Confirm")), QStringList{QStringLiteral("Save changes to Untitled?")});
    QCOMPARE(f.Window->richedit->Bytes(), QByteArray("dropped"));
}

QTEST_MAIN(TestPreferences)
#include "tst_preferences.moc"
