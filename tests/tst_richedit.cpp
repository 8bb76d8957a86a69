// The text control on its own: bytes in and out, editing keys, keys it
// leaves to the window, drawing of byte 0, printing and the accessible text.

#include "platform/Cp437.h"
#include "support/TestData.h"
#include "textview/RichEdit.h"

#include <QAccessible>
#include <QSignalSpy>
#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QPainter>
#include <QPdfWriter>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

class TestRichEdit : public QObject
{
    Q_OBJECT

private slots:
    void filesRoundTrip_data();
    void filesRoundTrip();
    void editingKeys_data();
    void editingKeys();
    void altKeypadTypesTheCode_data();
    void altKeypadTypesTheCode();
    void clipboardAndUndoKeysAreLeftToTheWindow_data();
    void clipboardAndUndoKeysAreLeftToTheWindow();
    void wordWrapFollowsTheWindow();
    void nulIsAnEmptyCell();
    void derivedTextIsShownReadOnly();
    void unicodeArtDrawsAsTheCodePage();
    void printingCoversTheDocumentOnce();
    void accessibleText();
    void horizontalRangeShrinks();
};

void TestRichEdit::filesRoundTrip_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all += char(b);
    QTest::newRow("every byte value") << all;
    QByteArray backwards = all;
    std::reverse(backwards.begin(), backwards.end());
    QTest::newRow("every byte value backwards") << backwards;
    for (const auto &[name, bytes] : TestData::ArtFiles())
        QTest::newRow(qPrintable(name)) << bytes;
}

void TestRichEdit::filesRoundTrip()
{
    QFETCH(QByteArray, bytes);
    TRichEdit edit;
    edit.SetBytes(bytes);
    QCOMPARE(edit.Bytes(), Cp437::NormalizeLineBreaks(bytes));
    QVERIFY(!edit.Modified());
    QCOMPARE(edit.TextLength(), int(Cp437::Decode(bytes).size()));
}

void TestRichEdit::editingKeys_data()
{
    // Keys as "[Shift+][Ctrl+]Name" or text to type; '|' marks the caret in
    // the start text, "[...]" the selection expected at the end.
    QTest::addColumn<QByteArray>("start");
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<bool>("utf8");
    QTest::newRow("typing and breaks") << QByteArray("ab|") << QStringList{"c", "Return", "d"} << QByteArray("abc\r\nd|") << false;
    QTest::newRow("not in the code page") << QByteArray("|") << QStringList{QStringLiteral("\u20AC")} << QByteArray("?|") << false;
    QTest::newRow("backspace joins lines") << QByteArray("a\r\n|b") << QStringList{"Backspace"} << QByteArray("a|b") << false;
    QTest::newRow("delete") << QByteArray("|ab") << QStringList{"Delete"} << QByteArray("|b") << false;
    QTest::newRow("end and home") << QByteArray("x\r\na|bc\r\ny") << QStringList{"End", "z", "Home"}
                                  << QByteArray("x\r\n|abcz\r\ny") << false;
    QTest::newRow("shift selects") << QByteArray("a|bcd") << QStringList{"Shift+Right", "Shift+Right"}
                                   << QByteArray("a[bc]d") << false;
    QTest::newRow("shift+left shrinks a selection") << QByteArray("a|bcd") << QStringList{"Shift+Right", "Shift+Right", "Shift+Left"}
                                                    << QByteArray("a[b]cd") << false;
    QTest::newRow("typing over a selection") << QByteArray("a|bcd") << QStringList{"Shift+End", "x"}
                                             << QByteArray("ax|") << false;
    QTest::newRow("words") << QByteArray("|one two three") << QStringList{"Ctrl+Right", "Shift+Ctrl+Right"}
                           << QByteArray("one [two ]three") << false;
    QTest::newRow("down keeps the column") << QByteArray("abc|d\r\nx\r\nabcdef") << QStringList{"Down", "Down"}
                                           << QByteArray("abcd\r\nx\r\nabc|def") << false;
    QTest::newRow("document ends") << QByteArray("ab|c\r\nd") << QStringList{"Shift+Ctrl+End"}
                                   << QByteArray("ab[c\r\nd]") << false;
    QTest::newRow("UTF-8 keeps what the code page lacks") << QByteArray("|") << QStringList{QStringLiteral("\u20AC")}
                                                         << QByteArray("\xE2\x82\xAC|") << true;
    QTest::newRow("UTF-8 steps over whole characters") << QByteArray("\xC3\xA9|\xE6\x97\xA5x")
                                                       << QStringList{"Right", "Backspace", "Left"}
                                                       << QByteArray("|\xC3\xA9x") << true;
    QTest::newRow("a four-byte character is one") << QByteArray("x\xF0\x9F\x98\x80|\xF0\x9F\x98\x81")
                                               << QStringList{"Left", "y", "Shift+Right", "Right", "Delete"}
                                               << QByteArray("xy\xF0\x9F\x98\x80|") << true;
    QTest::newRow("an invalid byte is one character") << QByteArray("a|\xFF\xC3\xA9") << QStringList{"Delete", "Shift+Right"}
                                                      << QByteArray("a[\xC3\xA9]") << true;
    QTest::newRow("tab is typed") << QByteArray("|") << QStringList{"Tab"} << QByteArray("\t|") << false;
}

void TestRichEdit::editingKeys()
{
    QFETCH(QByteArray, start);
    QFETCH(QStringList, keys);
    QFETCH(QByteArray, expected);
    QFETCH(bool, utf8);
    TRichEdit edit;
    const int caret = int(start.indexOf('|'));
    edit.SetBytes(QByteArray(start).remove(caret, 1), utf8 ? TCharset::csUtf8 : TCharset::csCp437);
    edit.SetSel(Cp437::Decode(start.left(caret)).size(), 0);
    for (const QString &key : keys) {
        const QKeySequence seq(key);
        if (key.size() > 1) {
            QTest::keyClick(&edit, seq[0].key(), seq[0].keyboardModifiers());
        } else {
            QKeyEvent typed(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, key);
            QCoreApplication::sendEvent(&edit, &typed);
        }
    }
    QByteArray shown = edit.Bytes();
    const auto offset = [&shown](int pos) { return int(Cp437::Encode(Cp437::Decode(shown).left(pos)).size()); };
    const int from = offset(edit.SelStart()), to = offset(edit.SelStart() + edit.SelLength());
    if (from == to)
        shown.insert(from, '|');
    else
        shown.insert(to, ']').insert(from, '[');
    QCOMPARE(shown, expected);
}

void TestRichEdit::altKeypadTypesTheCode_data()
{
    // Keys pressed while Alt is held, on the keypad or not, and what letting
    // go of Alt types.
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<bool>("keypad");
    QTest::addColumn<QByteArray>("typed");
    QTest::newRow("frame corner") << QList<int>{Qt::Key_2, Qt::Key_0, Qt::Key_0} << true << QByteArray("\xC8");
    QTest::newRow("letter") << QList<int>{Qt::Key_6, Qt::Key_5} << true << QByteArray("A");
    QTest::newRow("leading zero") << QList<int>{Qt::Key_0, Qt::Key_2, Qt::Key_0, Qt::Key_0} << true << QByteArray("\xC8");
    QTest::newRow("above 255 wraps") << QList<int>{Qt::Key_4, Qt::Key_5, Qt::Key_6} << true << QByteArray("\xC8");
    QTest::newRow("num lock off") << QList<int>{Qt::Key_Down, Qt::Key_Insert, Qt::Key_Insert} << true << QByteArray("\xC8");
    QTest::newRow("num lock off, the middle key") << QList<int>{Qt::Key_Right, Qt::Key_Clear} << true << QByteArray("A");
    QTest::newRow("zero types nothing") << QList<int>{Qt::Key_0} << true << QByteArray();
    QTest::newRow("num lock between") << QList<int>{Qt::Key_2, Qt::Key_NumLock, Qt::Key_0, Qt::Key_0} << true << QByteArray("\xC8");
    QTest::newRow("digits above the letters") << QList<int>{Qt::Key_6, Qt::Key_5} << false << QByteArray();
    QTest::newRow("a letter between") << QList<int>{Qt::Key_6, Qt::Key_F, Qt::Key_5} << true << QByteArray();
}

void TestRichEdit::altKeypadTypesTheCode()
{
    QFETCH(QList<int>, keys);
    QFETCH(bool, keypad);
    QFETCH(QByteArray, typed);
    TRichEdit edit;
    edit.SetBytes("xy");
    edit.SetSel(1, 0);
    const auto send = [&edit](QEvent::Type type, int key, Qt::KeyboardModifiers modifiers) {
        QKeyEvent event(type, key, modifiers);
        QCoreApplication::sendEvent(&edit, &event);
    };
    const Qt::KeyboardModifiers held = Qt::AltModifier | (keypad ? Qt::KeypadModifier : Qt::NoModifier);
    send(QEvent::KeyPress, Qt::Key_Alt, Qt::AltModifier);
    for (const int key : keys) {
        send(QEvent::KeyPress, key, key == Qt::Key_F ? Qt::AltModifier : held);
        send(QEvent::KeyRelease, key, key == Qt::Key_F ? Qt::AltModifier : held);
    }
    send(QEvent::KeyRelease, Qt::Key_Alt, Qt::NoModifier);
    QCOMPARE(edit.Bytes(), "x" + typed + "y");
    QCOMPARE(edit.Modified(), !typed.isEmpty());
    if (typed.isEmpty())
        return;
    QCOMPARE(edit.SelStart(), 2);
    edit.Undo();
    QCOMPARE(edit.Bytes(), QByteArray("xy"));
    QVERIFY(!edit.CanUndo());
}

void TestRichEdit::clipboardAndUndoKeysAreLeftToTheWindow_data()
{
    QTest::addColumn<QKeyCombination>("key");
    for (const QKeyCombination key :
         {Qt::CTRL | Qt::Key_C, Qt::CTRL | Qt::Key_X, Qt::CTRL | Qt::Key_V, Qt::CTRL | Qt::Key_Insert,
          Qt::SHIFT | Qt::Key_Insert, Qt::SHIFT | Qt::Key_Delete, Qt::CTRL | Qt::Key_Z, Qt::CTRL | Qt::Key_Y,
          Qt::CTRL | Qt::SHIFT | Qt::Key_Z})
        QTest::newRow(qPrintable(QKeySequence(key).toString())) << key;
}

void TestRichEdit::clipboardAndUndoKeysAreLeftToTheWindow()
{
    QFETCH(QKeyCombination, key);
    TRichEdit edit;
    edit.SetBytes("abc");
    QTest::keyClicks(&edit, QStringLiteral("x")); // something to undo
    edit.SetSel(1, 2);
    QGuiApplication::clipboard()->setText(QStringLiteral("clip"));
    QKeyEvent press(QEvent::KeyPress, key.key(), key.keyboardModifiers());
    QCoreApplication::sendEvent(&edit, &press);
    QVERIFY(!press.isAccepted());
    QCOMPARE(edit.Bytes(), QByteArray("xabc"));
    QCOMPARE(edit.SelLength(), 2);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("clip"));
}

void TestRichEdit::wordWrapFollowsTheWindow()
{
    TRichEdit edit;
    edit.resize(400, 300);
    edit.show();
    QVERIFY(QTest::qWaitForWindowExposed(&edit));
    const QByteArray line = QByteArray("word ").repeated(20);
    edit.SetBytes((line + "\r\n").repeated(50));
    // Switched on while the horizontal scroll bar shows: the viewport grows.
    edit.SetWordWrap(true);
    const int parts = edit.LineFromChar(int(line.size())) + 1;
    QVERIFY(parts > 1);
    QTest::keyClick(&edit, Qt::Key_End); // stays on the first part
    QCOMPARE(edit.LineFromChar(edit.CaretPosition()), 0);
    QVERIFY(edit.CaretPosition() > 0);
    QTest::keyClick(&edit, Qt::Key_Down);
    QTest::keyClick(&edit, Qt::Key_Home); // the start of the second part, not of the line
    QCOMPARE(edit.CaretPosition(), edit.LineIndex(1));
    QVERIFY(edit.CaretPosition() > 0);
    QCOMPARE(edit.LineFromChar(edit.TextLength()), 50 * parts);
    edit.resize(800, 300); // wider: fewer display lines
    QTRY_VERIFY(edit.LineFromChar(edit.TextLength()) < 50 * parts);
    edit.SetWordWrap(false);
    QCOMPARE(edit.LineFromChar(edit.TextLength()), 50);
}

void TestRichEdit::nulIsAnEmptyCell()
{
    TRichEdit edit;
    edit.resize(200, 100);
    edit.show();
    QVERIFY(QTest::qWaitForWindowExposed(&edit));
    const auto shot = [&edit](const QByteArray &bytes) {
        edit.SetBytes(bytes);
        return edit.viewport()->grab().toImage().copy(edit.CharRect(1));
    };
    QCOMPARE(shot(QByteArray("x\0x", 3)), shot("x x"));
    QVERIFY(shot("x\x01x") != shot("x x")); // other control bytes keep their pictures
}

void TestRichEdit::unicodeArtDrawsAsTheCodePage()
{
    // Every byte value, and an example, converted as a converter does:
    // control bytes stay, the rest become the characters the code page shows.
    QFile example(QStringLiteral(GLIMRA_EXAMPLES "/glimra.nfo"));
    QVERIFY(example.open(QIODevice::ReadOnly));
    QByteArray cp437 = example.readAll();
    for (int b = 1; b < 256; ++b)
        cp437 += b == '\r' || b == '\n' ? ' ' : char(b);
    QString text;
    for (const char c : cp437) {
        const auto b = static_cast<unsigned char>(c);
        text += b < 0x20 || b == 0x7F ? QChar(b) : QChar(Cp437::ToUnicode(b));
    }
    TRichEdit edit;
    edit.resize(700, 500);
    edit.show();
    QVERIFY(QTest::qWaitForWindowExposed(&edit));
    const auto shot = [&edit](const QByteArray &bytes, TCharset charset) {
        edit.SetBytes(bytes, charset);
        edit.SetSel(edit.TextLength(), 0);
        edit.SetSel(0, 0);
        return edit.viewport()->grab().toImage();
    };
    const QImage original = shot(cp437, TCharset::csCp437);
    QCOMPARE(shot(text.toUtf8(), TCharset::csUtf8), original);
    edit.SetSel(1, 1); // inside the first frame character: its start
    QCOMPARE(std::pair(edit.SelStart(), edit.SelLength()), std::pair(qsizetype(0), qsizetype(0)));
    edit.SetSel(edit.TextLength(), 0); // the last line, all byte values
    const QImage end = edit.viewport()->grab().toImage();
    edit.SetBytes(cp437);
    edit.SetSel(edit.TextLength(), 0);
    QCOMPARE(edit.viewport()->grab().toImage(), end);
}

void TestRichEdit::printingCoversTheDocumentOnce()
{
    QTemporaryDir dir;
    QPdfWriter pdf(dir.filePath(QStringLiteral("out.pdf")));
    QPainter painter(&pdf);
    TRichEdit edit;
    edit.SetTextFont(QFont(QStringLiteral("Lucida Console ANSI"), 10));
    QByteArray text;
    for (int i = 0; i < 300; ++i)
        text += QByteArray::number(i) + QByteArray(150, '\xDB') + " word\r\n";
    edit.SetBytes(text);
    int first = 0, pages = 0;
    while (first < edit.TextLength()) {
        if (pages++)
            pdf.newPage();
        const int next = edit.FormatRange(painter, pdf, first);
        QVERIFY(next > first);
        first = next;
    }
    QCOMPARE(first, edit.TextLength());
    QVERIFY(pages > 1);
}

void TestRichEdit::accessibleText()
{
    TRichEdit edit;
    edit.SetBytes("ab\r\n\xC9\xCD\tx");
    edit.SetSel(1, 3);
    QAccessibleInterface *a = QAccessible::queryAccessibleInterface(&edit);
    QVERIFY(a && a->textInterface());
    QAccessibleTextInterface *text = a->textInterface();
    QCOMPARE(text->characterCount(), 7);
    QCOMPARE(text->text(0, 5), QStringLiteral("ab\n\u2554\u2550"));
    QCOMPARE(text->cursorPosition(), 4);
    int start = 0, end = 0;
    text->selection(0, &start, &end);
    QCOMPARE(std::pair(start, end), std::pair(1, 4));
    edit.resize(200, 100);
    const auto at = [&edit](int index) { return edit.viewport()->mapToGlobal(edit.CharRect(index).center()); };
    QCOMPARE(text->offsetAtPoint(at(4)), 4);
    QCOMPARE(text->offsetAtPoint(at(5) + QPoint(3 * edit.CharRect(0).width(), 0)), 5); // within the tab
    QCOMPARE(text->offsetAtPoint(at(2) + QPoint(40, 0)), -1); // beyond the end of the line
    // Words and lines, also at the end of the text, where a search must stop.
    QCOMPARE(text->textAtOffset(-1, QAccessible::WordBoundary, &start, &end), QStringLiteral("x"));
    QCOMPARE(std::pair(start, end), std::pair(6, 7));
    QCOMPARE(text->textAtOffset(7, QAccessible::LineBoundary, &start, &end), QStringLiteral("\u2554\u2550\tx"));
    QCOMPARE(text->textBeforeOffset(3, QAccessible::CharBoundary, &start, &end), QStringLiteral("\n"));
    QCOMPARE(text->textAfterOffset(0, QAccessible::WordBoundary, &start, &end), QStringLiteral("\n"));
    QCOMPARE(text->textAfterOffset(6, QAccessible::WordBoundary, &start, &end), QString());
    QCOMPARE(start, -1);
}

void TestRichEdit::horizontalRangeShrinks()
{
    TRichEdit edit;
    edit.resize(200, 100);
    edit.show();
    QVERIFY(QTest::qWaitForWindowExposed(&edit));
    edit.SetBytes("short\r\n" + QByteArray(200, 'x') + "\r\nend");
    QVERIFY(edit.horizontalScrollBar()->maximum() > 0);
    edit.SetSel(206, 0); // the end of the widest line can be scrolled into view
    QVERIFY(edit.viewport()->rect().contains(edit.CharRect(206)));
    edit.SetSel(6, 201);
    edit.ReplaceSel({});
    QCOMPARE(edit.horizontalScrollBar()->maximum(), 0);
    QTRY_VERIFY(!edit.horizontalScrollBar()->isVisible());

    // A line of 40 MB of tabs has more pixels than an int holds: its end
    // can still be reached and shown.
    edit.SetBytes(QByteArray(40'000'000, '\t') + "end\r\nx");
    QVERIFY(edit.horizontalScrollBar()->maximum() > 0);
    QTest::keyClick(&edit, Qt::Key_End);
    QCOMPARE(edit.CaretPosition(), 40'000'003);
    QVERIFY(edit.viewport()->rect().contains(edit.CharRect(edit.CaretPosition())));
    QCOMPARE(edit.CharAt(edit.CharRect(40'000'002).center()), 40'000'002);
    QTest::keyClick(&edit, Qt::Key_Home);
    QCOMPARE(edit.horizontalScrollBar()->value(), 0);
}

namespace {

// A text made from the bytes: their letters upper-cased, a line for each word.
class TShouted : public TDerivedText
{
public:
    void Build(const TTextBuffer &bytes) override { m_text.Load(bytes.Slice(0, bytes.Length()).toUpper().replace(' ', '\n')); }
};

} // namespace

void TestRichEdit::derivedTextIsShownReadOnly()
{
    TRichEdit edit;
    edit.SetBytes("one two");
    QSignalSpy refused(&edit, &TRichEdit::EditRefused);
    edit.SetDerivedText(std::make_unique<TShouted>());
    QCOMPARE(edit.ShownText().LineCount(), 2);
    edit.SelectAllText();
    QCOMPARE(edit.SelText(), QStringLiteral("ONE\nTWO"));
    QCOMPARE(edit.FindText(QStringLiteral("two"), 0), 4);
    QTest::keyClicks(&edit, QStringLiteral("x"));
    QTest::keyClick(&edit, Qt::Key_Backspace);
    edit.ReplaceSel(QStringLiteral("y"));
    QCOMPARE(refused.count(), 3);
    QVERIFY(!edit.Modified());
    // The bytes are edited as always, and the derived text is made from them again.
    edit.ShowDerived(false);
    edit.SetSel(0, 0);
    QTest::keyClicks(&edit, QStringLiteral("x"));
    QCOMPARE(edit.ShownText().Slice(0, edit.TextLength()), QByteArray("xone two"));
    edit.ShowDerived(true);
    QCOMPARE(std::pair(edit.SelStart(), edit.SelLength()), std::pair(qsizetype(0), qsizetype(7))); // where it was left
    QCOMPARE(edit.ShownText().Slice(0, edit.TextLength()), QByteArray("XONE\nTWO"));
    // New bytes drop it.
    edit.SetBytes("new");
    QVERIFY(!edit.HasDerivedText());
    QCOMPARE(edit.TextLength(), 3);
}

QTEST_MAIN(TestRichEdit)
#include "tst_richedit.moc"
