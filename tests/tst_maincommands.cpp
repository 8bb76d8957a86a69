// The main window's command surface: tables, enabling rules, caret panel,
// clipboard, auto copy, toggles and printing.

#include "app/Unit2.h"
#include "app/Unit3.h"
#include "platform/Printing.h"
#include "textview/RichEdit.h"
#include "platform/StatusBar.h"
#include "render/TextModeFace.h"
#include "support/MainFixture.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFile>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QToolBar>
#include <QTimer>
#include <QToolButton>
#include <QLabel>
#include <QMap>
#include <QWheelEvent>
#include <QTest>

#include <algorithm>

class TestMainCommands : public QObject
{
    Q_OBJECT

private slots:
    void menuItemsMatchTheirTable_data();
    void menuItemsMatchTheirTable();
    void toolBarOrderAndIcons();
    void accessKeysDifferWithinAMenu();
    void accessKeysDifferWithinADialog_data();
    void accessKeysDifferWithinADialog();
    void caretPanel_data();
    void caretPanel();
    void caretPanelCountsDisplayLinesWithWordWrap();
    void panelsFitANarrowWindow();
    void copyAndCutFollowSelection();
    void copyCollapsesSelectionToItsStart();
    void standardAlternativeKeysRunTheCommands();
    void pasteFollowsTheClipboard();
    void pastedTextIsStoredInTheCodePage();
    void undoEnabledAfterFirstEdit();
    void popupCopiesStates();
    void popupFromTheKeyboardOpensAtTheCaret();
    void readOnlyRefusesEditsAndIsRemembered();
    void autoCopy_data();
    void autoCopy();
    void wordWrapKeepsTextAndModifiedFlag();
    void toolsMenuSyncsMapCheck();
    void aboutDisablesMainUntilClosed();
    void zoomLimits_data();
    void zoomLimits();
    void printing_data();
    void printing();
    void printingWithoutPrinterFails();

private:
    static QString Panel(MainFixture &f, int i) { return f.Window->StatusBar1->PanelText(i); }
};

void TestMainCommands::menuItemsMatchTheirTable_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("shortcut");
    QTest::newRow("New") << "New1" << "&New" << "Ctrl+N";
    QTest::newRow("Save As") << "SaveAs1" << "Save &As" << "Ctrl+Alt+S";
    QTest::newRow("Exit") << "Exit1" << "E&xit" << "Esc";
    QTest::newRow("Copy") << "Copy1" << "C&opy" << "Ctrl+C";
    QTest::newRow("Zoom In") << "ZoomIn1" << "Zoom &In" << "Ctrl+U";
    QTest::newRow("Zoom Out") << "ZoomOut1" << "Zoom Out" << "Ctrl+D";
    QTest::newRow("Help") << "GlimraHelp1" << "Glimra Help" << "F1";
    QTest::newRow("pop-up Copy has no shortcut") << "Copy3" << "C&opy" << "";
}

void TestMainCommands::menuItemsMatchTheirTable()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QString, shortcut);
    MainFixture f;
    const QAction *item = f.Window->Item(name.toLatin1().constData());
    QVERIFY(item);
    QCOMPARE(item->text(), caption);
    QCOMPARE(item->shortcut().toString(), shortcut);
    QCOMPARE(f.Window->findChild<QAction *>(name), item);
}

void TestMainCommands::accessKeysDifferWithinAMenu()
{
    // Two items of one menu with the same access key: neither runs from the keyboard.
    MainFixture f;
    QList<QMenu *> menus = f.Window->findChildren<QMenu *>();
    QVERIFY(menus.size() > 5);
    for (const QMenu *menu : menus) {
        QMap<QChar, QString> taken;
        for (const QAction *item : menu->actions()) {
            const QString text = item->text();
            const qsizetype amp = text.indexOf(u'&');
            if (amp < 0 || amp + 1 >= text.size() || !item->isVisible())
                continue;
            const QChar key = text[amp + 1].toLower();
            QVERIFY2(!taken.contains(key), qPrintable(QStringLiteral("%1: %2 and %3").arg(menu->objectName(), taken.value(key), text)));
            taken.insert(key, text);
        }
    }
    // The submenus made at run time give every item a key of its own.
    for (const char *name : {"TextModeFont1", "CharacterSet1", "ColourScheme1"}) {
        const QMenu *menu = f.Window->findChild<QMenu *>(QLatin1String(name));
        if (!menu)
            continue; // no text-mode faces installed
        for (const QAction *item : menu->actions())
            QVERIFY2(item->isSeparator() || item->text().contains(u'&'), qPrintable(item->text()));
    }
    QCOMPARE(WithAccessKeys({QStringLiteral("Face 8x16"), QStringLiteral("Face 8x14"), QStringLiteral("Face 8x8")}),
             (QStringList{QStringLiteral("Face 8x&16"), QStringLiteral("Face 8x1&4"), QStringLiteral("Face 8x&8")}));
    QCOMPARE(WithAccessKeys({QStringLiteral("R&D")}), QStringList{QStringLiteral("&R&&D")});
}

void TestMainCommands::accessKeysDifferWithinADialog_data()
{
    QTest::addColumn<QString>("command"); // whose dialog, the toolkit's own with our controls below
    QTest::newRow("Save As") << "SaveAs1";
    QTest::newRow("Export Image") << "ExportImage1";
}

void TestMainCommands::accessKeysDifferWithinADialog()
{
    QFETCH(QString, command);
    MainFixture f;
    f.Window->LoadDocument(f.WriteFile(QStringLiteral("a.nfo"), "art"));
    f.Window->richedit->SelectAllText();
    QStringList keys; // "key: text" of each control with one
    QTimer::singleShot(0, [&keys] {
        QWidget *dialog = QApplication::activeModalWidget();
        QVERIFY(dialog);
        const auto key = [](const QString &text) {
            const qsizetype amp = text.indexOf(QRegularExpression(QStringLiteral("&[^&]")));
            return amp < 0 ? QString() : text.mid(amp + 1, 1).toLower();
        };
        for (const QAbstractButton *button : dialog->findChildren<QAbstractButton *>())
            if (button->isVisible() && !key(button->text()).isEmpty())
                keys << key(button->text()) + u':' + button->text();
        for (const QLabel *label : dialog->findChildren<QLabel *>())
            if (label->isVisible() && label->buddy() && !key(label->text()).isEmpty())
                keys << key(label->text()) + u':' + label->text();
        dialog->close();
    });
    TDialogs::SetInstance(nullptr); // the real dialogs
    f.Window->Item(command.toLatin1().constData())->trigger();
    TDialogs::SetInstance(&f.Dialogs);
    QVERIFY(keys.size() >= 3);
    keys.sort();
    for (qsizetype k = 1; k < keys.size(); ++k)
        QVERIFY2(keys[k].left(1) != keys[k - 1].left(1), qPrintable(keys.join(u", ")));
}

void TestMainCommands::toolBarOrderAndIcons()
{
    MainFixture f;
    const QToolBar *bar = f.Window->findChild<QToolBar *>(QStringLiteral("ToolBar"));
    QStringList order;
    int groups = 1;
    for (QObject *child : bar->children()) {
        if (auto *button = qobject_cast<QToolButton *>(child); button && !button->objectName().isEmpty()
                                                                && button->objectName().endsWith(QLatin1String("Buton"))) {
            order << button->objectName();
            QVERIFY2(!button->icon().isNull(), qPrintable(button->objectName()));
        } else if (qobject_cast<QWidget *>(child) && !qobject_cast<QToolButton *>(child)
                   && static_cast<QWidget *>(child)->width() == kToolSeparatorWidth) {
            ++groups;
        }
    }
    QCOMPARE(order.mid(4, 3), (QStringList{"CopyButon", "PasteButon", "CutButon"}));
    QCOMPARE(order.size(), 19);
    QCOMPARE(f.Window->ImageList1.size(), 19);
    // Drawn at both sizes, so a scale factor of 2 takes the 32-pixel image.
    for (const QIcon &icon : f.Window->ImageList1)
        QCOMPARE(icon.availableSizes(), (QList<QSize>{QSize(16, 16), QSize(32, 32)}));
    QCOMPARE(f.Window->windowIcon().availableSizes(), (QList<QSize>{QSize(32, 32), QSize(16, 16), QSize(48, 48)}));
    QVERIFY(groups >= 6);
}

void TestMainCommands::caretPanel_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("panel");
    QByteArray many;
    for (int i = 0; i < 1233; ++i)
        many += "line\r\n";
    many += "abcdefgh";
    const QByteArray five = "one\r\ntwo\r\nthree and\r\nfour\r\nfive lines here";
    QTest::newRow("start") << QByteArray("abc") << 0 << 0 << "Line:   1   Col:   1";
    QTest::newRow("line 1234 column 5") << many << int(many.size() - 8 - 1233 + 4) << 0 << "Line: 1234   Col:   5";
    // From line 3 column 2 to line 5 column 9, whichever end the caret is at.
    QTest::newRow("selection forward") << five << 9 << 14 << "Line:   3   Col:   2";
    QTest::newRow("selection backward") << five << 23 << -14 << "Line:   3   Col:   2";
    QTest::newRow("tab counts one column") << QByteArray("\t\tx") << 2 << 0 << "Line:   1   Col:   3";
}

void TestMainCommands::caretPanel()
{
    QFETCH(QByteArray, text);
    QFETCH(int, start);
    QFETCH(int, length);
    QFETCH(QString, panel);
    MainFixture f;
    f.Window->richedit->SetBytes(text);
    f.Window->richedit->SetSel(start, length); // a negative length leaves the caret at the lower end
    QCOMPARE(Panel(f, 0), panel);
}

void TestMainCommands::caretPanelCountsDisplayLinesWithWordWrap()
{
    MainFixture f;
    f.Window->resize(500, 300);
    f.Window->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.Window));
    QByteArray longLine;
    for (int i = 0; i < 60; ++i)
        longLine += "word ";
    f.Window->richedit->SetBytes("first\r\n" + longLine);
    f.Window->Item("WordWrap1")->trigger();
    QVERIFY(f.Window->richedit->WordWrap());
    const int lineStart = 6; // "first" and its line break
    f.Window->richedit->SetSel(lineStart, 0);
    QCOMPARE(Panel(f, 0), QStringLiteral("Line:   2   Col:   1"));
    const int lastPart = f.Window->richedit->LineIndex(3);
    QVERIFY(lastPart > lineStart);
    f.Window->richedit->SetSel(lastPart + 1, 0);
    QCOMPARE(Panel(f, 0), QStringLiteral("Line:   4   Col:   2"));
}

void TestMainCommands::panelsFitANarrowWindow()
{
    // At the default width the panels side by side stay inside the bar; the
    // loading panel shows only while a file loads.
    MainFixture f;
    f.Window->resize(640, 480);
    f.Window->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.Window));
    TStatusBar *bar = f.Window->StatusBar1;
    QVERIFY(!bar->PanelVisible(5));
    bar->SetPanelText(5, QStringLiteral("Loading 5%"));
    QVERIFY(bar->PanelVisible(5));
    QTRY_VERIFY(bar->PanelWidth(5) > 0);
    QList<QLabel *> panels = bar->findChildren<QLabel *>();
    std::sort(panels.begin(), panels.end(), [](QLabel *a, QLabel *b) { return a->x() < b->x(); });
    int right = 0;
    for (const QLabel *panel : panels) {
        QVERIFY2(panel->x() >= right, qPrintable(panel->text()));
        right = panel->geometry().right() + 1;
    }
    QVERIFY(right <= bar->width());
    bar->SetPanelText(5, QString());
    QVERIFY(!bar->PanelVisible(5));
}

void TestMainCommands::copyAndCutFollowSelection()
{
    MainFixture f;
    f.Window->richedit->SetBytes("hello");
    for (const char *name : {"CopyButon", "CutButon"})
        QVERIFY(!f.Window->Button(name)->isEnabled());
    QVERIFY(!f.Window->Item("Copy1")->isEnabled());
    f.Window->richedit->SetSel(1, 2);
    for (const char *name : {"CopyButon", "CutButon"})
        QVERIFY(f.Window->Button(name)->isEnabled());
    QVERIFY(f.Window->Item("Cut1")->isEnabled());
    f.Window->Item("Cut1")->trigger();
    QCOMPARE(f.Window->richedit->Bytes(), QByteArray("hlo"));
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("el"));
    QVERIFY(!f.Window->Item("Copy1")->isEnabled());
}

void TestMainCommands::copyCollapsesSelectionToItsStart()
{
    MainFixture f;
    f.Window->show();
    f.Window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.Window));
    f.Window->richedit->SetBytes("\xC9\xCD\xBB\r\n\xC8\xCD\xBC");
    QTest::keyClick(f.Window->richedit, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(f.Window->richedit->SelLength(), 7); // a line break counts one
    QTest::keyClick(f.Window->richedit, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(f.Window->richedit->SelLength(), 0);
    QCOMPARE(f.Window->richedit->SelStart(), 0);
    // The art goes to the clipboard as the characters the user sees.
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("\u2554\u2550\u2557\n\u255A\u2550\u255D"));
    // Nothing selected: Ctrl+C does nothing at all.
    QGuiApplication::clipboard()->setText(QStringLiteral("kept"));
    QTest::keyClick(f.Window->richedit, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("kept"));
}

void TestMainCommands::standardAlternativeKeysRunTheCommands()
{
    MainFixture f;
    f.Window->show();
    f.Window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.Window));
    f.Window->richedit->SetBytes("hello");
    f.Window->richedit->SetSel(1, 2);
    QTest::keyClick(f.Window->richedit, Qt::Key_Insert, Qt::ControlModifier); // Copy collapses the selection
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("el"));
    QCOMPARE(f.Window->richedit->SelLength(), 0);
    f.Window->richedit->SetSel(0, 1);
    QTest::keyClick(f.Window->richedit, Qt::Key_Delete, Qt::ShiftModifier);
    QCOMPARE(f.Window->richedit->Bytes(), QByteArray("ello"));
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("h"));
    QTest::keyClick(f.Window->richedit, Qt::Key_Insert, Qt::ShiftModifier);
    QCOMPARE(f.Window->richedit->Bytes(), QByteArray("hello"));
    // With Paste disabled the key does nothing at all.
    QGuiApplication::clipboard()->clear();
    QTRY_VERIFY(!f.Window->Item("Paste1")->isEnabled());
    QTest::keyClick(f.Window->richedit, Qt::Key_Insert, Qt::ShiftModifier);
    QCOMPARE(f.Window->richedit->Bytes(), QByteArray("hello"));
}

void TestMainCommands::pasteFollowsTheClipboard()
{
    MainFixture f;
    f.Window->show();
    QGuiApplication::clipboard()->clear();
    QTRY_VERIFY(!f.Window->Button("PasteButon")->isEnabled());
    QVERIFY(!f.Window->Item("Paste1")->isEnabled());
    QGuiApplication::clipboard()->setText(QStringLiteral("text"));
    QTRY_VERIFY(f.Window->Button("PasteButon")->isEnabled());
    QVERIFY(f.Window->Item("Paste1")->isEnabled());
    auto *image = new QMimeData;
    image->setImageData(QImage(4, 4, QImage::Format_RGB32));
    QGuiApplication::clipboard()->setMimeData(image);
    QTRY_VERIFY(!f.Window->Item("Paste1")->isEnabled());
}

void TestMainCommands::pastedTextIsStoredInTheCodePage()
{
    MainFixture f;
    f.Window->show();
    QGuiApplication::clipboard()->setText(QStringLiteral("\u2588\u20AC\r\nx\ny"));
    QTRY_VERIFY(f.Window->Item("Paste1")->isEnabled());
    f.Window->Item("Paste1")->trigger();
    QCOMPARE(f.Window->richedit->Bytes(), QByteArray("\xDB?\r\nx\r\ny"));
    QCOMPARE(Panel(f, 1), QStringLiteral("Modified"));
}

void TestMainCommands::undoEnabledAfterFirstEdit()
{
    MainFixture f;
    f.Window->show();
    QVERIFY(!f.Window->Button("UndoButon")->isEnabled());
    QVERIFY(!f.Window->Item("Undo1")->isEnabled());
    QTest::keyClicks(f.Window->richedit, QStringLiteral("ab"));
    QVERIFY(f.Window->Item("Undo1")->isEnabled());
    f.Window->Item("Undo1")->trigger();
    QCOMPARE(f.Window->richedit->Bytes(), QByteArray());
}

void TestMainCommands::popupCopiesStates()
{
    MainFixture f;
    f.Window->richedit->SetBytes("abc");
    f.Window->richedit->SetSel(0, 2);
    QTest::keyClicks(f.Window->richedit, QStringLiteral("z")); // can undo now
    f.Window->richedit->SetSel(0, 1);
    f.Window->Item("WordWrap1")->trigger();
    emit f.Window->EditMenu->aboutToShow();
    for (const auto &[item, button] : {std::pair{"Undo3", "UndoButon"}, {"Cut3", "CutButon"}, {"Copy3", "CopyButon"},
                                       {"Paste3", "PasteButon"}})
        QCOMPARE(f.Window->Item(item)->isEnabled(), f.Window->Button(button)->isEnabled());
    QVERIFY(f.Window->Item("Copy3")->isEnabled());
    QVERIFY(f.Window->Item("Delete1")->isEnabled());
    QVERIFY(f.Window->Item("SelectAll2")->isEnabled());
    QVERIFY(f.Window->Item("WordWrap3")->isChecked());
    f.Window->Item("WordWrap3")->trigger(); // flips the View menu's item
    QVERIFY(!f.Window->Item("WordWrap1")->isChecked());
    QVERIFY(!f.Window->richedit->WordWrap());
}

void TestMainCommands::popupFromTheKeyboardOpensAtTheCaret()
{
    MainFixture f;
    f.Window->show();
    TRichEdit *edit = f.Window->richedit;
    edit->SetBytes("one\r\ntwo three");
    edit->SetSel(9, 0);
    QSignalSpy asked(edit, &TRichEdit::PopupRequested);
    QTest::keyClick(edit, Qt::Key_F10, Qt::ShiftModifier);
    QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(0, 0), QPoint(0, 0));
    QCoreApplication::sendEvent(edit, &menuKey);
    const QRect caret = edit->CharRect(9);
    QCOMPARE(asked.size(), 2);
    for (const QList<QVariant> &at : asked)
        QCOMPARE(at[0].toPoint(), edit->viewport()->mapToGlobal(QPoint(caret.left(), caret.bottom() + 1)));
    f.Window->EditMenu->close();
}

void TestMainCommands::readOnlyRefusesEditsAndIsRemembered()
{
    MainFixture f;
    f.Window->richedit->SetBytes("release");
    f.Window->Item("ReadOnly1")->trigger();
    QTest::keyClicks(f.Window->richedit, QStringLiteral("x"));
    QTest::keyClick(f.Window->richedit, Qt::Key_Delete);
    QCOMPARE(f.Window->richedit->Bytes(), QByteArray("release"));
    QCOMPARE(Panel(f, 5), QStringLiteral("Read only: turn View > Read Only off to edit"));
    f.Restart();
    QVERIFY(f.Window->Item("ReadOnly1")->isChecked());
    f.Window->Item("ReadOnly1")->trigger();
    QTest::keyClicks(f.Window->richedit, QStringLiteral("x"));
    QCOMPARE(f.Window->richedit->Bytes(), QByteArray("x"));
}

void TestMainCommands::autoCopy_data()
{
    QTest::addColumn<bool>("on");
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<bool>("copies");
    QTest::newRow("on, left") << true << Qt::LeftButton << true;
    QTest::newRow("on, right") << true << Qt::RightButton << false;
    QTest::newRow("off, left") << false << Qt::LeftButton << false;
}

void TestMainCommands::autoCopy()
{
    QFETCH(bool, on);
    QFETCH(Qt::MouseButton, button);
    QFETCH(bool, copies);
    MainFixture f;
    f.Window->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.Window));
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    if (on)
        f.Window->Item("Autocopy1")->trigger();
    QCOMPARE(f.Window->Item("Autocopy1")->isChecked(), on);
    f.Window->richedit->SetBytes("select me please");
    f.Window->richedit->SetSel(0, 9);
    // A press inside the selection leaves it in place for the copy.
    const QRect r = f.Window->richedit->CharRect(9); // the caret, at the selection's end
    QTest::mousePress(f.Window->richedit->viewport(), button, {}, QPoint(r.left() - 10, r.center().y()));
    QCOMPARE(QGuiApplication::clipboard()->text(), copies ? QStringLiteral("select me") : QStringLiteral("before"));
    if (copies)
        QCOMPARE(f.Window->richedit->SelLength(), 0);
    QTest::mouseRelease(f.Window->richedit->viewport(), button, {}, QPoint(r.left() - 10, r.center().y()));
    // A double click copies the word it selects.
    QTest::mouseDClick(f.Window->richedit->viewport(), button, {}, f.Window->richedit->CharRect(12).center());
    QCOMPARE(QGuiApplication::clipboard()->text(), copies ? QStringLiteral("please") : QStringLiteral("before"));
}

void TestMainCommands::wordWrapKeepsTextAndModifiedFlag()
{
    MainFixture f;
    QTest::keyClicks(f.Window->richedit, QStringLiteral("edited"));
    f.Window->richedit->SetSel(3, 0);
    f.Window->Item("WordWrap1")->trigger();
    QVERIFY(f.Window->Item("WordWrap1")->isChecked());
    QVERIFY(f.Window->richedit->Modified());
    QCOMPARE(f.Window->richedit->Bytes(), QByteArray("edited"));
    QCOMPARE(f.Window->richedit->SelStart(), 3);
    QCOMPARE(Panel(f, 1), QStringLiteral("Modified"));
}

void TestMainCommands::toolsMenuSyncsMapCheck()
{
    MainFixture f;
    QVERIFY(!f.Window->Item("Map1")->isChecked());
    f.Window->Button("CharMapButon")->click();
    QVERIFY(Map->isVisible());
    QVERIFY(f.Window->Item("Map1")->isChecked());
    Map->hide();
    QVERIFY(f.Window->Item("Map1")->isChecked()); // stale until the Tools menu opens
    emit f.Window->findChild<QMenu *>(QStringLiteral("Tools1"))->aboutToShow();
    QVERIFY(!f.Window->Item("Map1")->isChecked());
}

void TestMainCommands::aboutDisablesMainUntilClosed()
{
    MainFixture f;
    f.Window->show();
    f.Window->Button("AboutButon")->click();
    QVERIFY(!f.Window->isEnabled());
    QVERIFY(About->isVisible());
    QPushButton *close = About->findChild<QPushButton *>(QStringLiteral("ProButton1"));
    QVERIFY(close && close->isEnabled());
    close->click();
    QVERIFY(f.Window->isEnabled());
    QVERIFY(!About->isVisible());
}

void TestMainCommands::zoomLimits_data()
{
    // The face ("" for the outline font, else a text-mode face at 96 dots an
    // inch), its size, the key (or wheel turn) and the size after it.
    QTest::addColumn<QString>("face");
    QTest::addColumn<int>("size");
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("after");
    QTest::addColumn<int>("beeps");
    QTest::addColumn<QString>("panel"); // how the panel ends
    QTest::newRow("73 in beeps") << "" << 73 << "Ctrl+U" << 73 << 1 << "";
    QTest::newRow("72 in") << "" << 72 << "Ctrl+U" << 73 << 0 << " 73";
    QTest::newRow("5 out beeps") << "" << 5 << "Ctrl+D" << 5 << 1 << "";
    QTest::newRow("6 out") << "" << 6 << "Ctrl+D" << 5 << 0 << " 5";
    QTest::newRow("Ctrl+Plus") << "" << 9 << "Ctrl++" << 10 << 0 << " 10";
    QTest::newRow("Ctrl+Minus") << "" << 9 << "Ctrl+-" << 8 << 0 << " 8";
    QTest::newRow("Ctrl+0") << "" << 30 << "Ctrl+0" << 9 << 0 << " 9";
    QTest::newRow("Ctrl+wheel away") << "" << 9 << "wheel 120" << 10 << 0 << " 10";
    QTest::newRow("Ctrl+wheel, half a notch") << "" << 9 << "wheel -60" << 9 << 0 << " 9";
    const QStringList faces = TTextModeFace::Families();
    const QString face = faces.isEmpty() ? QString() : faces.constFirst(); // 8 x 16
    if (face.isEmpty() || TTextModeFace::Find(face)->Height() != 16)
        return;
    QTest::newRow("face 1x in") << face << 12 << "Ctrl+U" << 24 << 0 << " 2x";
    QTest::newRow("face between, in") << face << 18 << "Ctrl+U" << 36 << 0 << " 3x";
    QTest::newRow("face 4x in beeps") << face << 48 << "Ctrl+U" << 48 << 1 << "";
    QTest::newRow("face 2x out") << face << 24 << "Ctrl+D" << 12 << 0 << " 1x";
    QTest::newRow("face 1x out beeps") << face << 12 << "Ctrl+D" << 12 << 1 << "";
    QTest::newRow("face normal") << face << 36 << "Ctrl+0" << 12 << 0 << " 1x";
}

void TestMainCommands::zoomLimits()
{
    QFETCH(QString, face);
    QFETCH(int, size);
    QFETCH(QString, key);
    QFETCH(int, after);
    QFETCH(int, beeps);
    QFETCH(QString, panel);
    MainFixture f;
    f.Window->show();
    f.Window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.Window));
    TRichEdit *edit = f.Window->richedit;
    if (!face.isEmpty() && edit->logicalDpiY() != 96)
        QSKIP("The text-mode steps are counted at 96 dots an inch");
    QFont font = edit->font();
    if (!face.isEmpty())
        font.setFamily(face);
    font.setPointSize(size);
    edit->SetTextFont(font);
    if (key.startsWith(QLatin1String("wheel"))) {
        const QPoint at = edit->viewport()->rect().center();
        QWheelEvent wheel(at, edit->viewport()->mapToGlobal(at), {}, {0, key.mid(6).toInt()}, Qt::NoButton,
                          Qt::ControlModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(edit->viewport(), &wheel);
    } else {
        const QKeyCombination combination = QKeySequence(key)[0];
        QTest::keyClick(edit, combination.key(), combination.keyboardModifiers());
    }
    QCOMPARE(edit->font().pointSize(), after);
    QCOMPARE(f.Dialogs.Beeps, beeps);
    if (!beeps)
        QVERIFY2(Panel(f, 2).endsWith(panel), qPrintable(Panel(f, 2)));
}

void TestMainCommands::printing_data()
{
    QTest::addColumn<int>("lines");
    QTest::addColumn<bool>("severalPages");
    QTest::newRow("empty document prints one blank page") << 0 << false;
    QTest::newRow("long document prints every page") << 400 << true;
}

void TestMainCommands::printing()
{
    QFETCH(int, lines);
    QFETCH(bool, severalPages);
    MainFixture f;
    const QString pdf = f.Dir.filePath(QStringLiteral("out.pdf"));
    QString jobName;
    Printing::SetDefaultPrinterFactory([&] {
        auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(pdf);
        return printer;
    });
    QByteArray text;
    for (int i = 0; i < lines; ++i)
        text += "line " + QByteArray::number(i + 1) + " \xB0\xB1\xB2\xDB\r\n";
    f.Window->richedit->SetBytes(text);
    f.Window->LoadDocument(f.WriteFile(QStringLiteral("a document with quite a long name.nfo"), text));
    f.Window->Item("Print1")->trigger();
    Printing::SetDefaultPrinterFactory(nullptr);
    QVERIFY(f.Dialogs.Texts(QStringLiteral("Error")).isEmpty());

    const QByteArray output = MainFixture::ReadFile(pdf);
    QVERIFY(output.startsWith("%PDF"));
    const QRegularExpression count(QStringLiteral("/Count (\\d+)"));
    const int counted = count.match(QString::fromLatin1(output)).captured(1).toInt();
    if (severalPages) {
        // 400 lines of a 9-point font need several pages of any paper size.
        QVERIFY2(counted >= 5, qPrintable(QString::number(counted)));
    } else {
        QCOMPARE(counted, 1);
    }
    // The job is named after the caption, cut to 31 characters (the PDF
    // keeps it as its title, in UTF-16 with a byte-order mark).
    const QString job = PrintJobName(f.Window->windowTitle());
    QCOMPARE(job.size(), 31);
    QByteArray title("/Title (\xFE\xFF");
    for (QChar c : job)
        title += QByteArray(1, '\0') + char(c.unicode());
    QVERIFY(output.contains(title + ')'));
}

void TestMainCommands::printingWithoutPrinterFails()
{
    MainFixture f;
    Printing::SetDefaultPrinterFactory([] { return std::unique_ptr<QPrinter>(); });
    f.Window->Item("Print1")->trigger();
    Printing::SetDefaultPrinterFactory(nullptr);
    QCOMPARE(f.Dialogs.Texts(QStringLiteral("Error")),
             QStringList{QStringLiteral("There is no default printer currently selected.")});
}

QTEST_MAIN(TestMainCommands)
#include "tst_maincommands.moc"
