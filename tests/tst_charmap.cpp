// The character map window: its cells, keystroke text, insertion into the
// main text, focus rules and grid font.

#include "app/Unit3.h"
#include "charmap/zBtn2.h"
#include "platform/Cp437.h"
#include "textview/RichEdit.h"
#include "platform/StatusBar.h"
#include "platform/StringGrid.h"
#include "settings/MyRegistry.h"
#include "support/MainFixture.h"

#include <QLabel>
#include <QRawFont>
#include <QTest>
#include <QWindow>

class TestCharMap : public QObject
{
    Q_OBJECT

private slots:
    void cells_data();
    void cells();
    void clickInsertsAgainAndAgain();
    void dragInsertsLastCell();
    void keysMoveOrLeaveWithoutInserting();
    void releaseBeforeChoiceOrOtherButton();
    void fontChoiceAppliesAndPersists();
    void missingFontStillDrawsCodePage();
    void staysAboveMainBelowItsDialogs();

private:
    static QPoint Centre(int col, int row) { return Map->Grid->CellRect(col, row).center(); }
    static void Click(int col, int row, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mouseClick(Map->Grid, button, {}, Centre(col, row));
    }
    static QString Status() { return Map->StatusB->PanelText(0); }
};

void TestCharMap::cells_data()
{
    QTest::addColumn<int>("col");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("keystroke");
    QTest::newRow("first") << 0 << 0 << 32 << "Keystroke: Alt+032";
    QTest::newRow("end of row 0") << 31 << 0 << 63 << "Keystroke: Alt+063";
    QTest::newRow("A") << 1 << 1 << 65 << "Keystroke: Alt+065";
    QTest::newRow("first OEM") << 0 << 3 << 128 << "Keystroke: Alt+0128";
    QTest::newRow("last") << 31 << 6 << 255 << "Keystroke: Alt+0255";
}

void TestCharMap::cells()
{
    QFETCH(int, col);
    QFETCH(int, row);
    QFETCH(int, code);
    QFETCH(QString, keystroke);
    MainFixture f;
    QCOMPARE(MapCellCode(col, row), code);
    QCOMPARE(Map->Grid->Cell(col, row), QString(QChar(Cp437::ToUnicode(uchar(code)))));
    QCOMPARE(Map->Grid->CellAt(Centre(col, row)), QPoint(col, row));
    QCOMPARE(Map->Grid->geometry(), QRect(0, 0, 352, 112)); // 32 x 7 cells of 10 x 15 and their lines
    Map->show();
    Click(col, row);
    QCOMPARE(Status(), keystroke);
    QCOMPARE(Map->Stat->text(), Map->Grid->Cell(col, row));
}

void TestCharMap::clickInsertsAgainAndAgain()
{
    MainFixture f;
    f.Window->show();
    Map->show();
    Map->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(Map));
    Click(1, 1);
    QCOMPARE(f.Window->richedit->Bytes(), QByteArray("A"));
    QVERIFY(f.Window->richedit->Modified());
    QVERIFY(!f.Window->richedit->CanUndo()); // an insertion from the map is not undone
    QVERIFY(f.Window->windowTitle().startsWith(QStringLiteral("Glimra")));
    Click(1, 1);
    QCOMPARE(f.Window->richedit->Bytes(), QByteArray("AA"));
    f.Window->richedit->SetSel(0, 1); // a selection is replaced
    Click(8, 5);
    QCOMPARE(f.Window->richedit->Bytes(), QByteArray("\xC8" "A"));
    QCOMPARE(QApplication::focusWidget(), Map->Grid);
}

void TestCharMap::dragInsertsLastCell()
{
    MainFixture f;
    Map->show();
    QStringList passed;
    connect(Map->Grid, &TStringGrid::SelectCell, Map, [&](int c, int r) { passed << Map->Grid->Cell(c, r); });
    QTest::mousePress(Map->Grid, Qt::LeftButton, {}, Centre(1, 1));
    for (int col : {2, 3}) {
        QMouseEvent move(QEvent::MouseMove, Centre(col, 1), Map->Grid->mapToGlobal(Centre(col, 1)), Qt::NoButton,
                         Qt::LeftButton, {});
        QApplication::sendEvent(Map->Grid, &move);
    }
    QCOMPARE(f.Window->richedit->Bytes(), QByteArray()); // nothing before the release
    QTest::mouseRelease(Map->Grid, Qt::LeftButton, {}, Centre(3, 1));
    QCOMPARE(passed, QStringList({"A", "B", "C"}));
    QCOMPARE(f.Window->richedit->Bytes(), QByteArray("C"));
}

// Arrows and paging keys move the cell; a typed character only hands the
// focus to the main text.
void TestCharMap::keysMoveOrLeaveWithoutInserting()
{
    MainFixture f;
    f.Window->show();
    Map->show();
    Click(1, 1);
    const QByteArray before = f.Window->richedit->Bytes();
    const std::pair<Qt::Key, const char *> steps[] = {
        {Qt::Key_Right, "066"}, {Qt::Key_Down, "098"}, {Qt::Key_PageDown, "0226"}};
    for (const auto &[key, shown] : steps) {
        QTest::keyClick(Map->Grid, key);
        QCOMPARE(Status(), QStringLiteral("Keystroke: Alt+") + QLatin1String(shown));
    }
    QCOMPARE(Map->Stat->text(), QStringLiteral("Γ"));
    QTest::keyClick(Map->Grid, Qt::Key_Q, {}, 10);
    QCOMPARE(Status(), QStringLiteral("Keystroke: Alt+0226"));
    QCOMPARE(f.Window->richedit->Bytes(), before);
    QTRY_COMPARE(QApplication::focusWidget(), f.Window->richedit);
    // Esc types a character as well, and leaves the same way.
    Map->activateWindow();
    Map->Grid->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), Map->Grid);
    QTest::keyClick(Map->Grid, Qt::Key_Escape);
    QTRY_COMPARE(QApplication::focusWidget(), f.Window->richedit);
    QCOMPARE(f.Window->richedit->Bytes(), before);
}

void TestCharMap::releaseBeforeChoiceOrOtherButton()
{
    MainFixture f;
    Map->show();
    f.Window->richedit->SetBytes("text");
    f.Window->richedit->SetSel(1, 2);
    QTest::mouseRelease(Map->Grid, Qt::LeftButton, {}, Centre(1, 1));
    QCOMPARE(f.Window->richedit->Bytes(), QByteArray("text")); // a later insertion would hide a deletion
    QCOMPARE(std::pair(f.Window->richedit->SelStart(), f.Window->richedit->SelLength()), std::pair(qsizetype(1), qsizetype(2)));
    Click(1, 1, Qt::RightButton);
    QCOMPARE(Status(), QStringLiteral("Keystroke:"));
    Click(1, 1);
    QTest::mouseRelease(Map->Grid, Qt::RightButton, {}, Centre(1, 1));
    QCOMPARE(f.Window->richedit->Bytes(), QByteArray("tAt"));
}

void TestCharMap::fontChoiceAppliesAndPersists()
{
    MainFixture f;
    QCOMPARE(Map->FontC->maxVisibleItems(), 4);
    const QFont before = Map->Grid->font();
    Map->FontC->SetFontName(QStringLiteral("dejavu serif"));
    QCOMPARE(Map->Grid->font().family(), QStringLiteral("DejaVu Serif"));
    QCOMPARE(Map->Stat->font().family(), QStringLiteral("DejaVu Serif"));
    QCOMPARE(Map->Grid->font().pointSize(), before.pointSize());
    QVERIFY(Map->Stat->font().bold());
    Map->FontC->SetFontName(QStringLiteral("No Such Face")); // an empty name changes nothing
    QCOMPARE(Map->Grid->font().family(), QStringLiteral("DejaVu Serif"));
    Map->FontC->SetFontName(QStringLiteral("DejaVu Serif"));
    f.Restart();
    QCOMPARE(Map->GridFontName(), QStringLiteral("DejaVu Serif"));
    QCOMPARE(Map->FontC->FontName(), QStringLiteral("DejaVu Serif"));
}

void TestCharMap::missingFontStillDrawsCodePage()
{
    MainFixture f;
    f.Window->Reg->SetCanCreate(true);
    f.Window->Reg->Open();
    f.Window->Reg->WriteString(QStringLiteral("Misc"), QStringLiteral("MapFont"), QStringLiteral("No Such Face"));
    f.Window->Reg->Close();
    f.Restart(false);
    QCOMPARE(Map->FontC->FontName(), QString());
    QCOMPARE(Map->GridFontName(), QStringLiteral("No Such Face"));
    const QRawFont drawn = QRawFont::fromFont(Map->Grid->font());
    for (int code = 0xB0; code <= 0xDF; ++code)
        QVERIFY2(drawn.supportsCharacter(QChar(Cp437::ToUnicode(uchar(code)))), qPrintable(QString::number(code)));
    // The stand-in face's line fits below the 2-pixel gap, so the underscore's cell is not empty.
    const QFontMetrics metrics(Map->Grid->font());
    QVERIFY(2 + metrics.ascent() + metrics.descent() <= Map->Grid->DefaultRowHeight());
    QFont small(QStringLiteral("DejaVu Sans Mono"));
    small.setPixelSize(8);
    QCOMPARE(FitToCell(small, 15), small); // a face that fits keeps its size
}

// A window that stays on top of all would hide Main's message boxes and
// dialogs; as Main's transient it stays above Main only.
void TestCharMap::staysAboveMainBelowItsDialogs()
{
    MainFixture f;
    f.Window->show();
    Map->show();
    QVERIFY(Map->windowHandle());
    QCOMPARE(Map->windowHandle()->transientParent(), f.Window->windowHandle());
    QVERIFY(!(Map->windowFlags() & Qt::WindowStaysOnTopHint));
    QVERIFY(Map->windowFlags() & Qt::Tool);
    f.Window->setEnabled(false); // as while the about box is up
    QVERIFY(Map->isEnabled());
}

QTEST_MAIN(TestCharMap)
#include "tst_charmap.moc"
