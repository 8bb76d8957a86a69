#include "controls/ProUrl.h"
#include "platform/Errors.h"
#include "support/ScriptedDialogs.h"

#include <QMouseEvent>
#include <QTest>

namespace {

struct Opened
{
    QWidget *Window;
    QString Operation;
    QString File;
};

void Send(QWidget *target, QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons held)
{
    QMouseEvent event(type, QPointF(pos), target->mapToGlobal(QPointF(pos)), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &event);
}

} // namespace

class TestProUrl : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void releaseOpensOnlyInsideTheRectangle_data();
    void releaseOpensOnlyInsideTheRectangle();
    void draggingOffAndBackShowsTheState();
    void emptyUrlOpensTheCaption();
    void fontColourBelongsToTheCurrentState();
    void labelOnNoWindowRaisesAndOpensNothing();

private:
    QList<Opened> m_opened;
    std::unique_ptr<QWidget> m_form;
    TProUrlLabel *m_label = nullptr;
};

void TestProUrl::init()
{
    RegisterProCursors();
    m_opened.clear();
    SetShellOpen([this](QWidget *window, const QString &operation, const QString &file) {
        m_opened.append({window, operation, file});
        return true;
    });
    m_form = std::make_unique<QWidget>();
    m_label = new TProUrlLabel(m_form.get());
    m_label->SetCaption(QStringLiteral("Home"));
    m_label->SetAutoSize(false);
    m_label->setGeometry(10, 10, 60, 13);
    m_label->SetURL(QStringLiteral("http://www.example.org/"));
    m_form->show();
}

void TestProUrl::cleanup()
{
    SetShellOpen(ShellOpenDefault);
    m_form.reset();
}

void TestProUrl::releaseOpensOnlyInsideTheRectangle_data()
{
    QTest::addColumn<QPoint>("release");
    QTest::addColumn<int>("button");
    QTest::addColumn<bool>("opens");
    QTest::newRow("inside") << QPoint(5, 5) << int(Qt::LeftButton) << true;
    QTest::newRow("right and bottom edge lines") << QPoint(60, 13) << int(Qt::LeftButton) << true;
    QTest::newRow("right button") << QPoint(5, 5) << int(Qt::RightButton) << true;
    QTest::newRow("left of it") << QPoint(-1, 5) << int(Qt::LeftButton) << false;
    QTest::newRow("past the right edge") << QPoint(61, 5) << int(Qt::LeftButton) << false;
    QTest::newRow("below") << QPoint(5, 14) << int(Qt::LeftButton) << false;
}

void TestProUrl::releaseOpensOnlyInsideTheRectangle()
{
    QFETCH(QPoint, release);
    QFETCH(bool, opens);
    QFETCH(int, button);
    const auto mouse = Qt::MouseButton(button);
    Send(m_label, QEvent::MouseButtonPress, QPoint(5, 5), mouse, mouse);
    QVERIFY(m_label->Pressed());
    QCOMPARE(m_label->FontColor(), 0x0000FFu);
    Send(m_label, QEvent::MouseButtonRelease, release, mouse, Qt::NoButton);
    QVERIFY(!m_label->Pressed());
    QCOMPARE(m_label->Visited(), opens);
    QCOMPARE(m_label->FontColor(), opens ? 0x800000u : 0xFF0000u);
    QCOMPARE(m_opened.size(), opens ? 1 : 0);
    if (opens)
        QCOMPARE(std::tuple(m_opened[0].Window, m_opened[0].Operation, m_opened[0].File),
                 std::tuple(m_form.get(), QString("open"), QString("http://www.example.org/")));
}

void TestProUrl::draggingOffAndBackShowsTheState()
{
    Send(m_label, QEvent::MouseButtonPress, QPoint(5, 5), Qt::LeftButton, Qt::LeftButton);
    Send(m_label, QEvent::MouseMove, QPoint(80, 5), Qt::NoButton, Qt::LeftButton);
    QCOMPARE(m_label->FontColor(), 0xFF0000u);
    Send(m_label, QEvent::MouseMove, QPoint(6, 6), Qt::NoButton, Qt::LeftButton);
    QCOMPARE(m_label->FontColor(), 0x0000FFu);
    Send(m_label, QEvent::MouseButtonRelease, QPoint(6, 6), Qt::LeftButton, Qt::NoButton);
    QCOMPARE(m_opened.size(), 1);
    QVERIFY(m_label->Visited());
    // Visited now: off the label while pressed shows the visited colour.
    Send(m_label, QEvent::MouseButtonPress, QPoint(5, 5), Qt::LeftButton, Qt::LeftButton);
    Send(m_label, QEvent::MouseMove, QPoint(5, 40), Qt::NoButton, Qt::LeftButton);
    QCOMPARE(m_label->FontColor(), 0x800000u);
}

void TestProUrl::emptyUrlOpensTheCaption()
{
    m_label->SetURL(QString());
    m_label->MouseDown();
    m_label->MouseUp(QPoint(1, 1));
    QCOMPARE(m_opened.size(), 1);
    QCOMPARE(m_opened[0].File, QStringLiteral("Home"));
}

void TestProUrl::fontColourBelongsToTheCurrentState()
{
    QVERIFY(m_label->font().underline()); // a link from the start, with the pointing hand
    QCOMPARE(m_label->cursor().hotSpot(), QPoint(6, 0));
    m_label->SetVisitedColor(0x00FF00);
    QCOMPARE(m_label->FontColor(), 0xFF0000u); // not drawn before a visit
    m_label->SetFontColor(0x123456);
    QCOMPARE(m_label->UnvisitedColor(), 0x123456u);
    m_label->MouseDown();
    m_label->MouseUp(QPoint(1, 1));
    QCOMPARE(m_label->FontColor(), 0x00FF00u);
    m_label->SetFontColor(0x654321);
    QCOMPARE(m_label->VisitedColor(), 0x654321u);
    QCOMPARE(m_label->UnvisitedColor(), 0x123456u);
    m_label->SetUnvisitedColor(0x111111); // stored only, once visited
    QCOMPARE(m_label->FontColor(), 0x654321u);
}

void TestProUrl::labelOnNoWindowRaisesAndOpensNothing()
{
    TProUrlLabel lonely;
    lonely.setObjectName(QStringLiteral("Lonely"));
    lonely.MouseDown();
    try {
        lonely.MouseUp(QPoint(0, 0));
        QFAIL("no exception");
    } catch (const EGlimraError &error) {
        QCOMPARE(error.Message(), QStringLiteral("Control 'Lonely' has no parent window"));
    }
    QVERIFY(m_opened.isEmpty());
    QVERIFY(!lonely.Visited() && !lonely.Pressed());

    // Through the event the error ends in the error box, not in the event loop.
    ScriptedDialogs dialogs;
    Send(&lonely, QEvent::MouseButtonPress, QPoint(0, 0), Qt::LeftButton, Qt::LeftButton);
    Send(&lonely, QEvent::MouseButtonRelease, QPoint(0, 0), Qt::LeftButton, Qt::NoButton);
    QCOMPARE(dialogs.Texts(QStringLiteral("Error")), QStringList{QStringLiteral("Control 'Lonely' has no parent window.")});
    QVERIFY(m_opened.isEmpty());
}

QTEST_MAIN(TestProUrl)
#include "tst_prourl.moc"
