#include "controls/ProConst.h"
#include "controls/ProCtrls.h"
#include "platform/FormLoading.h"
#include "support/ScriptedDialogs.h"
#include "platform/Errors.h"
#include "support/Pixels.h"

#include <QBitmap>
#include <QTest>
#include <QtMath>
#include <set>

class TestProCtrls : public QObject
{
    Q_OBJECT
private slots:
    void angleIsReducedAndCached_data();
    void angleIsReducedAndCached();
    void rotatedBoxByRange_data();
    void rotatedBoxByRange();
    void captionIsClampedThenAligned();
    void presetsSetTheFourValues_data();
    void presetsSetTheFourValues();
    void positiveOffsetOrAngleSwitchesAutoSizeOff();
    void shadowLayerLiesAtDepthInItsDirection();
    void quarterTurnRunsUpFromTheBottomLeft();

    void kindSetsCaptionResultAndFlags_data();
    void kindSetsCaptionResultAndFlags();
    void everyKindHasItsCaptionInTheTable();
    void kindTableRowByRow_data();
    void kindTableRowByRow();
    void kindStorageRulesAndTheFormsCaption();
    void helpKindShowsTheNearestContext();
    void closeKindClosesItsFormAndOrdinaryClickSetsTheResult();
    void enterPressesTheDefaultEscTheCancelButton();

    void handCursorsAreRegisteredWithTheirHotSpots();
};

void TestProCtrls::angleIsReducedAndCached_data()
{
    QTest::addColumn<int>("angle");
    QTest::addColumn<int>("stored");
    QTest::newRow("-90") << -90 << 270;
    QTest::newRow("360") << 360 << 0;
    QTest::newRow("725") << 725 << 5;
    QTest::newRow("-1") << -1 << 359;
}

void TestProCtrls::angleIsReducedAndCached()
{
    QFETCH(int, angle);
    QFETCH(int, stored);
    TProLabel label;
    label.SetAngle(angle);
    QCOMPARE(label.Angle(), stored);
    if (stored != 0) {
        QCOMPARE(label.AngleCos(), std::cos(qDegreesToRadians(double(stored))));
        QCOMPARE(label.AngleSin(), std::sin(qDegreesToRadians(double(stored))));
    }
    QCOMPARE(label.AutoSize(), stored == 0);
}

void TestProCtrls::rotatedBoxByRange_data()
{
    // A caption 100 wide and 20 high.
    QTest::addColumn<int>("angle");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<QPoint>("shift");
    QTest::newRow("0") << 0 << 100 << 20 << QPoint(0, 0);
    // sin 30 degrees is just below one half in doubles, and truncation shows it.
    QTest::newRow("30") << 30 << 95 << 66 << QPoint(0, 49);
    QTest::newRow("90 runs up from the bottom left") << 90 << 20 << 100 << QPoint(0, 100);
    QTest::newRow("135") << 135 << 84 << 84 << QPoint(70, 84);
    QTest::newRow("180 starts bottom right") << 180 << 100 << 20 << QPoint(100, 20);
    QTest::newRow("270 starts top right") << 270 << 20 << 100 << QPoint(20, 0);
}

void TestProCtrls::rotatedBoxByRange()
{
    QFETCH(int, angle);
    const double radians = qDegreesToRadians(double(angle));
    const TRotatedBox box = RotatedBox(angle, std::cos(radians), std::sin(radians), 100, 20);
    QTEST(box.Width, "width");
    QTEST(box.Height, "height");
    QTEST(RotatedShift(box, box.Width, box.Height), "shift");
}

void TestProCtrls::captionIsClampedThenAligned()
{
    // At 90 degrees the box is 20 x 100; the client 50 x 40 cuts its height.
    const TRotatedBox box = RotatedBox(90, 0.0, 1.0, 100, 20);
    QCOMPARE(RotatedTextOrigin(QRect(0, 0, 50, 40), box, Qt::AlignHCenter, TProCustomLabel::vaTop), QPoint(15, 40));
    QCOMPARE(RotatedTextOrigin(QRect(0, 0, 50, 40), box, Qt::AlignRight, TProCustomLabel::vaBottom), QPoint(30, 40));
    const TRotatedBox upsideDown = RotatedBox(180, -1.0, 0.0, 100, 20);
    QCOMPARE(RotatedTextOrigin(QRect(0, 0, 60, 40), upsideDown, Qt::AlignLeft, TProCustomLabel::vaCenter),
             QPoint(60, 30));
    // A caption taller than the client is cut evenly, or sits on the bottom.
    const QRect client(0, 0, 80, 20);
    QCOMPARE(VerticalAlignedRect(client, 51, TProCustomLabel::vaCenter), QRect(0, -15, 80, 51));
    QCOMPARE(VerticalAlignedRect(client, 51, TProCustomLabel::vaBottom), QRect(0, -31, 80, 51));
    QCOMPARE(VerticalAlignedRect(client, 11, TProCustomLabel::vaCenter), QRect(0, 4, 80, 11));
}

void TestProCtrls::presetsSetTheFourValues_data()
{
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("direction");
    QTest::addColumn<int>("depth");
    QTest::addColumn<int>("size");
    QTest::addColumn<quint32>("color");
    QTest::newRow("raised") << int(TProCustomLabel::ssRaised) << int(TProCustomLabel::drUpLeft) << 1 << 1 << 0xFFFFFFu;
    QTest::newRow("shadow") << int(TProCustomLabel::ssShadow) << int(TProCustomLabel::drDownRight) << 2 << 1
                            << 0x80000010u;
    QTest::newRow("thick") << int(TProCustomLabel::ssThickShadow) << int(TProCustomLabel::drDownRight) << 1 << 4
                           << 0x80000010u;
}

void TestProCtrls::presetsSetTheFourValues()
{
    QFETCH(int, style);
    TProLabel label;
    label.SetShadowStyle(TShadowStyle(style));
    QCOMPARE(int(label.ShadowStyle()), style);
    QTEST(int(label.ShadowDirection()), "direction");
    QTEST(label.ShadowDepth(), "depth");
    QTEST(label.ShadowSize(), "size");
    QTEST(label.ShadowColor(), "color");
    // A form stores the style, then its own values: the style stays.
    label.SetShadowSize(label.ShadowSize());
    QCOMPARE(int(label.ShadowStyle()), style);
    // Another value makes it custom and leaves the rest.
    label.SetShadowDepth(5000);
    QCOMPARE(label.ShadowStyle(), TProCustomLabel::ssCustom);
    QCOMPARE(label.ShadowDepth(), 1280);
    QTEST(int(label.ShadowDirection()), "direction");
    QTEST(label.ShadowSize(), "size");
    QTEST(label.ShadowColor(), "color");
    label.SetShadowStyle(TProCustomLabel::ssNone);
    QCOMPARE(label.ShadowDirection(), TProCustomLabel::drNone);
    QCOMPARE(label.ShadowColor(), 0x80000010u);
}

void TestProCtrls::positiveOffsetOrAngleSwitchesAutoSizeOff()
{
    TProLabel label;
    label.SetOffsetX(-3);
    QVERIFY(label.AutoSize());
    label.SetOffsetY(2);
    QVERIFY(!label.AutoSize());
    label.SetLayout(TProCustomLabel::tlBottom);
    QCOMPARE(label.VerticalAlignment(), TProCustomLabel::vaBottom);
}

namespace {

// Black un-smoothed caption on white, so that its pixels can be told apart.
void SetUpInk(TProLabel &label, const QString &caption, int pixelSize, QSize size)
{
    label.SetAutoSize(false);
    label.resize(size);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixelSize);
    font.setStyleStrategy(QFont::NoAntialias);
    label.setFont(font);
    label.SetCaption(caption);
    label.SetColor(0xFFFFFF);
    label.SetFontColor(0x000000);
}

QImage Shot(QWidget &widget) { return widget.grab().toImage().convertToFormat(QImage::Format_RGB32); }

} // namespace

void TestProCtrls::shadowLayerLiesAtDepthInItsDirection()
{
    TProLabel label;
    SetUpInk(label, QStringLiteral("HI"), 24, QSize(60, 40));
    label.SetShadowStyle(TProCustomLabel::ssShadow);
    label.SetShadowColor(0x0000FF); // red, and the style turns custom
    const QImage image = Shot(label);
    const QRect text = ColorBounds(image, qRgb(0, 0, 0));
    const QRect shadow = ColorBounds(image, qRgb(255, 0, 0));
    QVERIFY(!text.isEmpty());
    QCOMPARE(shadow.right(), text.right() + 2);
    QCOMPARE(shadow.bottom(), text.bottom() + 2);

    label.setEnabled(false); // shadow and caption both in the grey-text colour
    const QImage disabled = Shot(label);
    QVERIFY(ColorBounds(disabled, qRgb(255, 0, 0)).isEmpty());
    QVERIFY(ColorBounds(disabled, qRgb(0, 0, 0)).isEmpty());
}

void TestProCtrls::quarterTurnRunsUpFromTheBottomLeft()
{
    TProLabel label;
    SetUpInk(label, QStringLiteral("HHHH"), 20, QSize(60, 120));
    label.SetAngle(90);
    const QRect ink = ColorBounds(Shot(label), qRgb(0, 0, 0));
    const QFontMetrics fm(label.font());
    const int textWidth = fm.horizontalAdvance(label.Caption());
    QVERIFY(ink.height() > ink.width()); // upright column of letters
    QVERIFY(ink.left() >= 0 && ink.right() < fm.height());
    QVERIFY(ink.bottom() <= textWidth && ink.bottom() >= textWidth - 4); // starts at the box's bottom
}

void TestProCtrls::kindSetsCaptionResultAndFlags_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("result");
    QTest::addColumn<bool>("isDefault");
    QTest::addColumn<bool>("cancel");
    QTest::newRow("ok") << int(TProButton::pbkOk) << "OK" << 1 << true << false;
    QTest::newRow("cancel fr") << int(TProButton::pbkCancelFr) << "Annuler" << 2 << false << true;
    QTest::newRow("no rus") << int(TProButton::pbkNoRus) << "&Нет" << 7 << false << true;
    QTest::newRow("prev ukr") << int(TProButton::pbkPrevUkr) << "< &Назад" << 0 << false << false;
    QTest::newRow("finish por") << int(TProButton::pbkFinishPor) << "&Finaliza" << 10 << true << false;
}

void TestProCtrls::kindSetsCaptionResultAndFlags()
{
    QFETCH(int, kind);
    TProButton button;
    button.SetKind(TProButtonKind(kind));
    QTEST(button.text(), "caption");
    QTEST(button.ModalResult(), "result");
    QTEST(button.isDefault(), "isDefault");
    QTEST(button.Cancel(), "cancel");
    QCOMPARE(int(button.Kind()), kind);
    button.SetKind(TProButton::pbkCustom); // everything stays
    QTEST(button.text(), "caption");
    QTEST(button.ModalResult(), "result");
}

void TestProCtrls::everyKindHasItsCaptionInTheTable()
{
    // 66 kinds with a caption each, all different numbers, all in the table.
    std::set<int> used;
    for (int kind = TProButton::pbkOk; kind <= TProButton::pbkFinishPor; ++kind) {
        QVERIFY(!ProKindCaption(TProButtonKind(kind)).isEmpty());
        used.insert(ProKindInfo(TProButtonKind(kind)).CaptionId);
    }
    QCOMPARE(used.size(), size_t(66));
}

void TestProCtrls::kindTableRowByRow_data()
{
    QTest::addColumn<int>("first");
    QTest::addColumn<QList<int>>("captionIds"); // English, Russian, Ukrainian, French, Portuguese
    QTest::addColumn<int>("result");
    QTest::addColumn<bool>("isDefault");
    QTest::addColumn<bool>("cancel");
    QTest::newRow("ok") << 1 << QList<int>{30100} << 1 << true << false;
    QTest::newRow("cancel") << 2 << QList<int>{30101, 30130, 30160, 30191, 30301} << 2 << false << true;
    QTest::newRow("help") << 7 << QList<int>{30102, 30131, 30161, 30192, 30302} << 0 << false << false;
    QTest::newRow("yes") << 12 << QList<int>{30103, 30132, 30162, 30193, 30303} << 6 << true << false;
    QTest::newRow("no") << 17 << QList<int>{30104, 30133, 30163, 30194, 30304} << 7 << false << true;
    QTest::newRow("close") << 22 << QList<int>{30105, 30134, 30164, 30195, 30305} << 0 << false << false;
    QTest::newRow("abort") << 27 << QList<int>{30106, 30135, 30165, 30196, 30306} << 3 << false << false;
    QTest::newRow("retry") << 32 << QList<int>{30107, 30136, 30166, 30197, 30307} << 4 << false << false;
    QTest::newRow("ignore") << 37 << QList<int>{30108, 30137, 30167, 30198, 30308} << 5 << false << false;
    QTest::newRow("all") << 42 << QList<int>{30109, 30138, 30168, 30199, 30309} << 8 << false << false;
    QTest::newRow("done") << 47 << QList<int>{30110, 30139, 30169, 30200, 30310} << 9 << true << false;
    QTest::newRow("back") << 52 << QList<int>{30111, 30140, 30170, 30201, 30311} << 0 << false << false;
    QTest::newRow("next") << 57 << QList<int>{30112, 30141, 30171, 30202, 30312} << 0 << true << false;
    QTest::newRow("finish") << 62 << QList<int>{30113, 30142, 30172, 30203, 30313} << 10 << true << false;
}

void TestProCtrls::kindTableRowByRow()
{
    QFETCH(int, first);
    QFETCH(QList<int>, captionIds);
    QFETCH(bool, cancel);
    for (int i = 0; i < captionIds.size(); ++i) {
        const auto kind = TProButtonKind(first + i);
        TProButton button;
        button.SetKind(kind);
        QCOMPARE(ProKindInfo(kind).CaptionId, captionIds[i]);
        QCOMPARE(button.text(), LoadProString(captionIds[i]));
        QTEST(button.ModalResult(), "result");
        QTEST(button.isDefault(), "isDefault");
        QTEST(button.Cancel(), "cancel");
        QCOMPARE(button.Kind(), kind);
        button.SetCancel(!cancel); // no longer what the kind sets
        QCOMPARE(button.Kind(), TProButton::pbkCustom);
    }
}

void TestProCtrls::kindStorageRulesAndTheFormsCaption()
{
    TProButton button;
    QVERIFY(button.IsCancelStored() && button.IsDefaultStored() && !button.IsKindStored());
    button.setText(QStringLiteral("&Close"));
    QVERIFY(button.IsCaptionStored());
    button.SetKind(TProButton::pbkYes);
    QVERIFY(!button.IsCaptionStored() && button.IsKindStored() && !button.IsDefaultStored());
    button.setText(QStringLiteral("&yes"));
    QCOMPARE(button.Kind(), TProButton::pbkYes);
    QVERIFY(button.IsCaptionStored());
    button.SetModalResult(1);
    QCOMPARE(button.Kind(), TProButton::pbkCustom);
    button.SetModalResult(6); // once custom, it stays custom
    QCOMPARE(button.Kind(), TProButton::pbkCustom);

    // While a form loads, a caption read from it wins over the kind's.
    TFormLoading loading;
    TProButton stored;
    stored.setText(QStringLiteral("Go"));
    stored.SetKind(TProButton::pbkOk);
    QCOMPARE(stored.text(), QStringLiteral("Go"));
    TProButton plain;
    plain.SetKind(TProButton::pbkOk);
    QCOMPARE(plain.text(), QStringLiteral("OK"));
    plain.Loaded();
    plain.setText(QStringLiteral("Go"));
    plain.SetKind(TProButton::pbkCancel);
    QCOMPARE(plain.text(), QStringLiteral("Cancel"));
}

void TestProCtrls::helpKindShowsTheNearestContext()
{
    QList<int> shown;
    TProButton::SetHelpContextHandler([&shown](QWidget *, int context) { shown << context; });
    QWidget form;
    QWidget panel(&form);
    auto *button = new TProButton(&panel);
    int clicks = 0;
    button->SetOnClick([&clicks](QObject *) { ++clicks; });
    button->SetKind(TProButton::pbkHelpFr);
    button->click(); // no context anywhere: an ordinary click
    QCOMPARE(clicks, 1);
    panel.setProperty("HelpContext", 120);
    button->click();
    QCOMPARE(shown, QList<int>{120});
    QCOMPARE(clicks, 1);
    button->SetHelpContext(77); // the button's own comes first
    button->click();
    QCOMPARE(shown, QList<int>({120, 77}));
    TProButton::SetHelpContextHandler(nullptr);
}

void TestProCtrls::closeKindClosesItsFormAndOrdinaryClickSetsTheResult()
{
    QWidget form;
    auto *close = new TProButton(&form);
    auto *retry = new TProButton(&form);
    int clicks = 0;
    close->SetOnClick([&clicks](QObject *) { ++clicks; });
    close->SetKind(TProButton::pbkCloseUkr);
    retry->SetKind(TProButton::pbkRetry);
    form.show();
    close->click();
    QVERIFY(!form.isVisible());
    QCOMPARE(clicks, 0);
    retry->click();
    QCOMPARE(form.property("ModalResult").toInt(), 4);

    // A failing click handler ends in the error box, not in the event loop.
    ScriptedDialogs dialogs;
    retry->SetOnClick([](QObject *) { throw EGlimraError(QStringLiteral("Broken")); });
    retry->click();
    QCOMPARE(dialogs.Texts(QStringLiteral("Error")), QStringList{QStringLiteral("Broken.")});
}

void TestProCtrls::enterPressesTheDefaultEscTheCancelButton()
{
    QWidget form;
    auto *ok = new TProButton(&form);
    auto *cancel = new TProButton(&form);
    QString pressed;
    ok->SetKind(TProButton::pbkOk);
    cancel->SetKind(TProButton::pbkCancel);
    ok->SetOnClick([&pressed](QObject *) { pressed += QLatin1Char('O'); });
    cancel->SetOnClick([&pressed](QObject *) { pressed += QLatin1Char('C'); });
    form.show();
    QTest::keyClick(&form, Qt::Key_Return);
    QTest::keyClick(&form, Qt::Key_Escape);
    cancel->SetCancel(false);
    QTest::keyClick(&form, Qt::Key_Escape);
    QCOMPARE(pressed, QStringLiteral("OC"));
}

void TestProCtrls::handCursorsAreRegisteredWithTheirHotSpots()
{
    RegisterProCursors();
    for (int i = 0; i < 5; ++i) {
        QVERIFY(IsScreenCursorRegistered(15000 + i));
        const QCursor cursor = ScreenCursor(15000 + i);
        const QImage mask = cursor.mask().toImage();
        QCOMPARE(mask.size(), QSize(32, 32));
        // Hands that point or grab have their hot spot on the drawing.
        if (i < 4)
            QVERIFY(mask.pixel(cursor.hotSpot()) != mask.pixel(31, 31));
    }
    QVERIFY(!IsScreenCursorRegistered(15005));
}

QTEST_MAIN(TestProCtrls)
#include "tst_proctrls.moc"
