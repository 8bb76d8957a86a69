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
    void init();
    void opensWithDownAndLimitedText();
    void enterIsFindNext();
    void hidingKeepsTextAndDirection();
    void executeBringsOpenDialogToFront();
    void movesClearOfWhatItFound_data();
    void movesClearOfWhatItFound();

private:
    template <typename T> T *Child(const char *name) { return m_dialog->findChild<T *>(QLatin1String(name)); }
    std::unique_ptr<TFindDialog> m_dialog;
};

void TestFindDialog::init()
{
    m_dialog = std::make_unique<TFindDialog>();
    m_dialog->Execute();
}

void TestFindDialog::opensWithDownAndLimitedText()
{
    QVERIFY(!m_dialog->isModal());
    QCOMPARE(m_dialog->Direction(), TFindDialog::fdDown);
    QVERIFY(m_dialog->findChildren<QCheckBox *>().isEmpty()); // no match case, no whole word
    QTest::keyClicks(Child<QLineEdit>("FindWhat"), QString(300, u'x'));
    QCOMPARE(m_dialog->FindText().size(), 255);
}

void TestFindDialog::enterIsFindNext()
{
    QSignalSpy find(m_dialog.get(), &TFindDialog::Find);
    auto *edit = Child<QLineEdit>("FindWhat");
    QTest::keyClick(edit, Qt::Key_Return); // nothing to find yet
    QVERIFY(!Child<QPushButton>("FindNext")->isEnabled());

    QTest::keyClicks(edit, QStringLiteral("ABC"));
    QTest::keyClick(edit, Qt::Key_Return);
    QTest::keyClick(edit, Qt::Key_Return);
    QTest::mouseClick(Child<QPushButton>("FindNext"), Qt::LeftButton);
    QCOMPARE(find.count(), 3);
    QVERIFY(m_dialog->isVisible());
}

void TestFindDialog::hidingKeepsTextAndDirection()
{
    QTest::keyClicks(Child<QLineEdit>("FindWhat"), QStringLiteral("greetings"));
    QTest::mouseClick(Child<QRadioButton>("Up"), Qt::LeftButton);
    QTest::mouseClick(Child<QPushButton>("Cancel"), Qt::LeftButton);
    QVERIFY(!m_dialog->isVisible());
    m_dialog->Execute();
    QTest::keyClick(m_dialog.get(), Qt::Key_Escape);
    QVERIFY(!m_dialog->isVisible());

    m_dialog->Execute();
    QVERIFY(m_dialog->isVisible());
    QCOMPARE(m_dialog->FindText(), QStringLiteral("greetings"));
    QCOMPARE(m_dialog->Direction(), TFindDialog::fdUp);
}

void TestFindDialog::executeBringsOpenDialogToFront()
{
    QVERIFY(QTest::qWaitForWindowActive(m_dialog.get()));
    QWidget other;
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));

    m_dialog->Execute();
    QVERIFY(QTest::qWaitForWindowActive(m_dialog.get()));
    QCOMPARE(QApplication::focusWidget(), Child<QLineEdit>("FindWhat"));
}

void TestFindDialog::movesClearOfWhatItFound_data()
{
    // The dialog's frame, the text found, the screen's room, and where the
    // frame goes.
    QTest::addColumn<QRect>("frame");
    QTest::addColumn<QRect>("found");
    QTest::addColumn<QRect>("moved");
    QTest::newRow("covers nothing: stays") << QRect(100, 100, 300, 120) << QRect(0, 300, 50, 16) << QRect(100, 100, 300, 120);
    QTest::newRow("covers: just below") << QRect(100, 100, 300, 120) << QRect(150, 150, 50, 16) << QRect(100, 166, 300, 120);
    QTest::newRow("no room below: just above") << QRect(100, 600, 300, 120) << QRect(150, 650, 50, 16) << QRect(100, 530, 300, 120);
    QTest::newRow("room on neither side: top") << QRect(100, 300, 300, 500) << QRect(150, 350, 50, 16) << QRect(100, 0, 300, 500);
}

void TestFindDialog::movesClearOfWhatItFound()
{
    QFETCH(QRect, frame);
    QFETCH(QRect, found);
    QFETCH(QRect, moved);
    const QRect room(0, 0, 1024, 768);
    QCOMPARE(TFindDialog::ClearOf(frame, found, room), moved);
}

QTEST_MAIN(TestFindDialog)
#include "tst_finddialog.moc"
