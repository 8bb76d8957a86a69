#include "app/Unit2.h"
#include "app/Unit3.h"
#include "controls/Abcversn.h"
#include "controls/ProUrl.h"
#include "support/MainFixture.h"

#include <QScreen>
#include <QTest>
#include <QToolButton>

class TestAbout : public QObject
{
    Q_OBJECT
private slots:
    void formHasItsComponentsInCreationOrder();
    void enterClosesEscDoesNothing();
    void centredOnTheScreen();
    void windowSystemCloseGivesTheMainWindowBack();
    void sameBoxComesBackWithVisitedLinks();
    void freewareCoversTheTitleWhereTheyOverlap();
};

void TestAbout::formHasItsComponentsInCreationOrder()
{
    MainFixture f;
    QCOMPARE(About->windowTitle(), QStringLiteral("About Glimra"));
    QCOMPARE(About->size(), QSize(298, 158));
    QStringList names;
    for (QObject *child : About->children())
        if (child->isWidgetType())
            names << child->objectName();
    QCOMPARE(names, QStringList({"Bevel1", "ProLabel1", "Label1", "ProLabel2", "ProUrlLabel1", "ProUrlLabel4",
                                 "abcVersionLabel1", "Image1", "ProButton1"}));
    auto *title = About->findChild<TProLabel *>(QStringLiteral("ProLabel1"));
    QCOMPARE(title->Caption(), QStringLiteral("Glimra 5.0 RC1"));
    QCOMPARE(title->ShadowStyle(), TProCustomLabel::ssRaised);
    auto *freeware = About->findChild<TProLabel *>(QStringLiteral("ProLabel2"));
    QCOMPARE(freeware->ShadowStyle(), TProCustomLabel::ssRecessed);
    auto *mail = About->findChild<TProUrlLabel *>(QStringLiteral("ProUrlLabel1"));
    QCOMPARE(mail->URL(), QStringLiteral("mailto:") + mail->Caption());
    auto *home = About->findChild<TProUrlLabel *>(QStringLiteral("ProUrlLabel4"));
    QVERIFY(home->URL().startsWith(QStringLiteral("http://www.example.org/")));
    auto *close = About->findChild<TProButton *>(QStringLiteral("ProButton1"));
    QCOMPARE(close->text(), QStringLiteral("&Close"));
    QVERIFY(close->isDefault() && !close->Cancel());
    // The test program carries no version block: the caption with an empty value.
    auto *build = About->findChild<TabcVersionLabel *>(QStringLiteral("abcVersionLabel1"));
    QCOMPARE(build->text(), QStringLiteral("Build :\t\r\n"));
}

void TestAbout::enterClosesEscDoesNothing()
{
    MainFixture f;
    f.Window->show();
    f.Window->Button("AboutButon")->click();
    QVERIFY(About->isVisible());
    QVERIFY(!f.Window->isEnabled());
    auto *close = About->findChild<TProButton *>(QStringLiteral("ProButton1"));
    QCOMPARE(About->focusWidget(), close);
    QTest::keyClick(About, Qt::Key_Escape);
    QVERIFY(About->isVisible());
    QVERIFY(!f.Window->isEnabled());
    QTest::keyClick(About, Qt::Key_Return);
    QVERIFY(!About->isVisible());
    QVERIFY(f.Window->isEnabled());
}

void TestAbout::centredOnTheScreen()
{
    MainFixture f;
    f.Window->show();
    f.Window->Button("AboutButon")->click();
    QCOMPARE(About->frameGeometry().center(), About->screen()->availableGeometry().center());
}

void TestAbout::windowSystemCloseGivesTheMainWindowBack()
{
    MainFixture f;
    f.Window->show();
    Map->show();
    f.Window->Button("AboutButon")->click();
    QVERIFY(About->windowFlags() & Qt::WindowStaysOnTopHint); // not behind the stay-on-top map
    About->close(); // what the window manager's close button and Alt+F4 ask for
    QVERIFY(!About->isVisible());
    QVERIFY(f.Window->isEnabled());
}

void TestAbout::sameBoxComesBackWithVisitedLinks()
{
    MainFixture f;
    QStringList opened;
    SetShellOpen([&opened](QWidget *, const QString &, const QString &file) {
        opened << file;
        return true;
    });
    TAbout *first = About;
    f.Window->show();
    f.Window->Button("AboutButon")->click();
    auto *home = About->findChild<TProUrlLabel *>(QStringLiteral("ProUrlLabel4"));
    QTest::mouseClick(home, Qt::LeftButton, {}, QPoint(2, 2));
    QCOMPARE(opened.size(), 1);
    QTest::keyClick(About, Qt::Key_Return);
    f.Window->Button("AboutButon")->click();
    QCOMPARE(About, first);
    QVERIFY(About->isVisible());
    QVERIFY(home->Visited());
    QCOMPARE(home->FontColor(), home->VisitedColor());
    SetShellOpen(ShellOpenDefault);
}

void TestAbout::freewareCoversTheTitleWhereTheyOverlap()
{
    MainFixture f;
    const QImage image = About->grab().toImage().convertToFormat(QImage::Format_RGB32);
    auto *freeware = About->findChild<TProLabel *>(QStringLiteral("ProLabel2"));
    const QRgb face = ControlColor(freeware->Color()).rgb();
    // The top row of the overlap lies above the word itself.
    for (int x = 210; x <= 285; ++x)
        QCOMPARE(image.pixel(x, 24), face);
    // Just above the overlap the title's own letters show.
    bool titleInk = false;
    for (int x = 210; x <= 285; ++x)
        titleInk = titleInk || image.pixel(x, 23) != face;
    QVERIFY(titleInk);
}

QTEST_MAIN(TestAbout)
#include "tst_about.moc"
