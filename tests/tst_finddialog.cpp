#include "platform/FindDialog.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

class TestFindDialog : public QObject
{
    Q_OBJECT

private slots:
    void opensWithDownAndNoCaseOrWordBoxes();
    void textIsLimitedTo255();
    void findNextOnlyWithText();
    void enterIsFindNext();
    void cancelHidesAndKeepsChoices();
    void executeBringsOpenDialogToFront();
};

void TestFindDialog::opensWithDownAndNoCaseOrWordBoxes()
{
    TFindDialog dialog;
    QCOMPARE(dialog.objectName(), QStringLiteral("FindDialog"));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Find"));
    QVERIFY(!dialog.isModal());
    QCOMPARE(dialog.Direction(), TFindDialog::fdDown);
    QVERIFY(dialog.findChild<QRadioButton *>(QStringLiteral("Down"))->isChecked());
    QVERIFY(dialog.findChildren<QCheckBox *>().isEmpty());
    QVERIFY(dialog.FindText().isEmpty());
}

void TestFindDialog::textIsLimitedTo255()
{
    TFindDialog dialog;
    dialog.Execute();
    auto *edit = dialog.findChild<QLineEdit *>(QStringLiteral("FindWhat"));
    QTest::keyClicks(edit, QString(300, u'x'));
    QCOMPARE(dialog.FindText().size(), 255);

    dialog.SetFindText(QString(256, u'y'));
    QCOMPARE(dialog.FindText(), QString(255, u'y'));
}

void TestFindDialog::findNextOnlyWithText()
{
    TFindDialog dialog;
    dialog.Execute();
    auto *findNext = dialog.findChild<QPushButton *>(QStringLiteral("FindNext"));
    auto *edit = dialog.findChild<QLineEdit *>(QStringLiteral("FindWhat"));
    QVERIFY(!findNext->isEnabled());
    QTest::keyClicks(edit, QStringLiteral("a"));
    QVERIFY(findNext->isEnabled());
    QTest::keyClick(edit, Qt::Key_Backspace);
    QVERIFY(!findNext->isEnabled());
}

void TestFindDialog::enterIsFindNext()
{
    TFindDialog dialog;
    QSignalSpy find(&dialog, &TFindDialog::Find);
    dialog.Execute();
    auto *edit = dialog.findChild<QLineEdit *>(QStringLiteral("FindWhat"));

    QTest::keyClick(edit, Qt::Key_Return); // no text: nothing to find
    QCOMPARE(find.count(), 0);

    QTest::keyClicks(edit, QStringLiteral("ABC"));
    QTest::keyClick(edit, Qt::Key_Return);
    QTest::keyClick(edit, Qt::Key_Enter);
    QCOMPARE(find.count(), 2);
    QVERIFY(dialog.isVisible()); // stays open for the next press

    QTest::mouseClick(dialog.findChild<QPushButton *>(QStringLiteral("FindNext")), Qt::LeftButton);
    QCOMPARE(find.count(), 3);
    QCOMPARE(dialog.FindText(), QStringLiteral("ABC"));
}

void TestFindDialog::cancelHidesAndKeepsChoices()
{
    TFindDialog dialog;
    QSignalSpy find(&dialog, &TFindDialog::Find);
    dialog.Execute();
    QTest::keyClicks(dialog.findChild<QLineEdit *>(QStringLiteral("FindWhat")), QStringLiteral("greetings"));
    QTest::mouseClick(dialog.findChild<QRadioButton *>(QStringLiteral("Up")), Qt::LeftButton);
    QCOMPARE(dialog.Direction(), TFindDialog::fdUp);

    QTest::mouseClick(dialog.findChild<QPushButton *>(QStringLiteral("Cancel")), Qt::LeftButton);
    QVERIFY(!dialog.isVisible());
    dialog.Execute();
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.FindText(), QStringLiteral("greetings"));
    QCOMPARE(dialog.Direction(), TFindDialog::fdUp);

    QTest::keyClick(&dialog, Qt::Key_Escape);
    QVERIFY(!dialog.isVisible());
    dialog.Execute();
    QCOMPARE(dialog.FindText(), QStringLiteral("greetings"));
    QCOMPARE(find.count(), 0);
}

void TestFindDialog::executeBringsOpenDialogToFront()
{
    QWidget main;
    main.resize(400, 300);
    main.show();
    TFindDialog dialog(&main);
    dialog.Execute();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));

    QWidget other; // another window comes to the front
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    QCOMPARE(QApplication::activeWindow(), &other);

    dialog.Execute();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QCOMPARE(QApplication::activeWindow(), &dialog);
    // The text to find has the focus, selected, ready to be typed over.
    auto *edit = dialog.findChild<QLineEdit *>(QStringLiteral("FindWhat"));
    QCOMPARE(QApplication::focusWidget(), edit);
}

QTEST_MAIN(TestFindDialog)
#include "tst_finddialog.moc"
