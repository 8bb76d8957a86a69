// The font-name combo box: its filter, family mapping, glyphs, name matching,
// change notifications and item height.

#include "charmap/zBtn2.h"
#include "platform/Printing.h"
#include "support/Pixels.h"

#include <QAbstractItemView>
#include <QFontDatabase>
#include <QPainter>
#include <QTest>

Q_DECLARE_METATYPE(TzcFontInfo)
Q_DECLARE_METATYPE(TzcFontTypes)
Q_DECLARE_METATYPE(TzcGlyph)

namespace {

// A box whose change notifications are counted.
struct CountedBox
{
    TzcFontComboBox box;
    int changes = 0;
    CountedBox() { box.SetOnChange([this](QObject *sender) { QCOMPARE(sender, &box); ++changes; }); }
};

QStringList Items(const TzcFontComboBox &box)
{
    QStringList items;
    for (int i = 0; i < box.count(); ++i)
        items << box.itemText(i);
    return items;
}

} // namespace

class TestZBtn2 : public QObject
{
    Q_OBJECT

private slots:
    void filter_data();
    void filter();
    void familyMapping_data();
    void familyMapping();
    void describesInstalledFaces();
    void glyphPixels_data();
    void glyphPixels();
    void glyphOfFontType_data();
    void glyphOfFontType();
    void drawnItem();
    void nameMatching_data();
    void nameMatching();
    void changeNotifications();
    void userPickFiresClickThenChange();
    void filteredBox();
    void deviceSet();
    void itemHeightFollowsFont();
};

void TestZBtn2::filter_data()
{
    QTest::addColumn<TzcFontInfo>("font");
    QTest::addColumn<TzcFontTypes>("options");
    QTest::addColumn<bool>("accepted");

    const TzcFontInfo mono{.FontType = TRUETYPE_FONTTYPE, .Ansi = true, .Oem = true, .Family = FF_MODERN, .Pitch = FIXED_PITCH};
    const TzcFontInfo serif{.FontType = TRUETYPE_FONTTYPE, .Ansi = true, .Family = FF_ROMAN};
    const TzcFontInfo bitmap{.FontType = RASTER_FONTTYPE, .Ansi = true, .Pitch = FIXED_PITCH};
    const TzcFontInfo symbol{.FontType = TRUETYPE_FONTTYPE, .Symbol = true, .Family = FF_DECORATIVE};
    QTest::newRow("no options accept all") << bitmap << TzcFontTypes{} << true;
    QTest::newRow("fixed TrueType: mono") << mono << TzcFontTypes{zcftTrueTypeOnly, zcftFixedOnly} << true;
    QTest::newRow("fixed TrueType: proportional") << serif << TzcFontTypes{zcftTrueTypeOnly, zcftFixedOnly} << false;
    QTest::newRow("fixed TrueType: bitmap") << bitmap << TzcFontTypes{zcftTrueTypeOnly, zcftFixedOnly} << false;
    QTest::newRow("scalable: bitmap") << bitmap << TzcFontTypes{zcftScaleableOnly} << false;
    QTest::newRow("OEM: has the frames") << mono << TzcFontTypes{zcftOEMOnly} << true;
    QTest::newRow("OEM and no OEM") << mono << TzcFontTypes{zcftOEMOnly, zcftNoOEM} << false;
    QTest::newRow("windows: Latin") << serif << TzcFontTypes{zcftWindowsOnly} << true;
    QTest::newRow("symbol: symbol") << symbol << TzcFontTypes{zcftSymbolOnly} << true;
    QTest::newRow("decorative: symbol") << symbol << TzcFontTypes{zcftDecorativeOnly} << true;
    QTest::newRow("two families") << serif << TzcFontTypes{zcftRomanOnly, zcftSwissOnly} << false;
    for (TzcFontType family : {zcftDecorativeOnly, zcftModernOnly, zcftRomanOnly, zcftScriptOnly, zcftSwissOnly})
        QTest::addRow("no family refused by option %d", int(family)) << bitmap << TzcFontTypes{family} << false;
}

void TestZBtn2::filter()
{
    QFETCH(TzcFontInfo, font);
    QFETCH(TzcFontTypes, options);
    QFETCH(bool, accepted);
    QCOMPARE(FontMatchesOptions(font, options), accepted);
}

// PANOSE first (family kind, serif style, weight, proportion); where it does
// not classify, the OS/2 family class with the pitch.
void TestZBtn2::familyMapping_data()
{
    QTest::addColumn<QByteArray>("panose");
    QTest::addColumn<int>("familyClass");
    QTest::addColumn<bool>("fixed");
    QTest::addColumn<int>("family");
    QTest::newRow("mono sans") << QByteArray("\x02\x0B\x06\x09") << 0 << true << FF_MODERN;
    QTest::newRow("sans") << QByteArray("\x02\x0B\x06\x03") << 0 << false << FF_SWISS;
    QTest::newRow("symbol") << QByteArray("\x05\x00\x00\x00", 4) << 0 << false << FF_DECORATIVE;
    QTest::newRow("any: no class") << QByteArray(4, 0) << 0 << false << FF_DONTCARE;
    QTest::newRow("any: serif class") << QByteArray(4, 0) << 7 << false << FF_ROMAN;
    QTest::newRow("no fit: reserved class") << QByteArray("\x02\x01\x06\x03") << 6 << false << FF_DONTCARE;
    QTest::newRow("any: sans class") << QByteArray(4, 0) << 8 << false << FF_SWISS;
    QTest::newRow("any: fixed sans class") << QByteArray(4, 0) << 8 << true << FF_MODERN;
}

void TestZBtn2::familyMapping()
{
    QFETCH(QByteArray, panose);
    QFETCH(int, familyClass);
    QFETCH(bool, fixed);
    QFETCH(int, family);
    const auto *bytes = reinterpret_cast<const unsigned char *>(panose.constData());
    QCOMPARE(FamilyFromPanose(bytes).value_or(FamilyFromClass(familyClass, fixed)), family);
}

// The build installs the DejaVu faces, whose own tables classify them.
void TestZBtn2::describesInstalledFaces()
{
    const TzcFontInfo mono = DescribeFont(QStringLiteral("DejaVu Sans Mono"), true);
    QCOMPARE(std::tuple(mono.FontType, mono.Pitch, mono.Family), std::tuple(TRUETYPE_FONTTYPE, FIXED_PITCH, FF_MODERN));
    QVERIFY(mono.Oem && mono.Ansi && !mono.Symbol);
    QCOMPARE(DescribeFont(QStringLiteral("DejaVu Serif"), true).Family, FF_ROMAN);
    QCOMPARE(DescribeFont(QStringLiteral("DejaVu Sans"), true).Family, FF_SWISS);
}

void TestZBtn2::glyphPixels_data()
{
    QTest::addColumn<TzcGlyph>("glyph");
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::addColumn<QColor>("colour");
    // One telling pixel of each picture, and a gap the dots leave.
    QTest::newRow("TrueType top-left") << zcgTrueType << 0 << 0 << QColor(0, 128, 128);
    QTest::newRow("device red lamp") << zcgDevice << 8 << 10 << QColor(255, 0, 0);
    QTest::newRow("raster dot") << zcgRaster << 1 << 0 << QColor(128, 128, 128);
    QTest::newRow("raster gap") << zcgRaster << 0 << 0 << QColor(Qt::white);
}

void TestZBtn2::glyphPixels()
{
    QFETCH(TzcGlyph, glyph);
    QFETCH(int, x);
    QFETCH(int, y);
    QFETCH(QColor, colour);
    const QImage &image = zcGlyphImage(glyph);
    QCOMPARE(image.size(), QSize(12, 12));
    QCOMPARE(image.pixelColor(x, y), colour);
    QCOMPARE(&zcGlyphImage(glyph), &image); // painted once and shared
}

void TestZBtn2::glyphOfFontType_data()
{
    QTest::addColumn<quint32>("fontType");
    QTest::addColumn<int>("glyph"); // -1: none
    QTest::newRow("none") << quint32(0) << -1;
    QTest::newRow("raster") << RASTER_FONTTYPE << int(zcgRaster);
    QTest::newRow("device raster") << (DEVICE_FONTTYPE | RASTER_FONTTYPE) << int(zcgDevice);
    QTest::newRow("TrueType device") << (TRUETYPE_FONTTYPE | DEVICE_FONTTYPE) << int(zcgTrueType);
}

void TestZBtn2::glyphOfFontType()
{
    QFETCH(quint32, fontType);
    QFETCH(int, glyph);
    const std::optional<TzcGlyph> got = GlyphForFontType(fontType);
    QCOMPARE(got ? int(*got) : -1, glyph);
}

// A TrueType item: the glyph 2 pixels in and centred, its green corner
// colour showing the background, the name 18 pixels in.
void TestZBtn2::drawnItem()
{
    const QRgb background = qRgb(0, 0, 255);
    QImage image(120, 20, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setPixelSize(12);
    painter.setFont(font);
    TzcFontComboBox::DrawItem(painter, QRect(10, 2, 100, 16), QStringLiteral("\u2588"), TRUETYPE_FONTTYPE,
                              QColor(background), Qt::black);
    painter.end();
    QCOMPARE(ColorBounds(image, qRgb(0, 128, 128)).topLeft(), QPoint(12, 4)); // (2 + 18 - 12) / 2
    QVERIFY(ColorBounds(image, qRgb(0, 128, 0)).isNull());
    QCOMPARE(image.pixel(12 + 8, 4), background);
    QCOMPARE(ColorBounds(image, qRgb(0, 0, 0)).left(), 10 + 18);
}

void TestZBtn2::nameMatching_data()
{
    QTest::addColumn<QString>("written");
    QTest::addColumn<QString>("read");
    QTest::newRow("other case") << "dejavu sans MONO" << "DejaVu Sans Mono";
    QTest::newRow("not installed") << "Lucida Console ANSI" << "";
    QTest::newRow("prefix only") << "DejaVu" << "";
    QTest::newRow("empty") << "" << "";
}

void TestZBtn2::nameMatching()
{
    QFETCH(QString, written);
    QFETCH(QString, read);
    TzcFontComboBox box;
    box.SetFontName(QStringLiteral("DejaVu Sans"));
    box.SetFontName(written);
    QCOMPARE(box.FontName(), read);
    QCOMPARE(box.currentIndex() >= 0, !read.isEmpty());
}

void TestZBtn2::changeNotifications()
{
    CountedBox c;
    c.box.SetFontName(QStringLiteral("DejaVu Sans"));
    QCOMPARE(c.changes, 2); // the window's creation, then the write
    c.box.SetFontName(QStringLiteral("DejaVu Sans"));
    QCOMPARE(c.changes, 3); // a write that changes nothing still reports
    c.box.RefreshFonts();
    QCOMPARE(c.changes, 3); // rebuilt, name kept
    emit qGuiApp->fontDatabaseChanged();
    QCOMPARE(c.changes, 3);
    QCOMPARE(c.box.FontName(), QStringLiteral("DejaVu Sans"));
    c.box.SetFontOptions({zcftFixedOnly}); // drops the selected face
    QCOMPARE(c.changes, 4);
    QCOMPARE(c.box.FontName(), QString());
    c.box.SetFontOptions({zcftFixedOnly}); // unchanged: no rebuild
    QCOMPARE(c.changes, 4);
}

void TestZBtn2::userPickFiresClickThenChange()
{
    CountedBox c;
    c.box.SetFontName(QStringLiteral("DejaVu Sans"));
    QStringList order;
    connect(&c.box, &TzcFontComboBox::Click, &c.box, [&] { order << QStringLiteral("click"); });
    c.box.SetOnChange([&](QObject *) { order << c.box.FontName(); });
    c.box.show();
    QTest::keyClick(&c.box, Qt::Key_Down);
    QCOMPARE(order, QStringList({QStringLiteral("click"), c.box.itemText(c.box.findText(QStringLiteral("DejaVu Sans")) + 1)}));
}

void TestZBtn2::filteredBox()
{
    TzcFontComboBox box;
    QCOMPARE(box.count(), 0); // no list before the window exists
    box.SetFontName(QString());
    QStringList sorted = Items(box);
    sorted.sort(Qt::CaseInsensitive);
    sorted.removeDuplicates();
    QCOMPARE(Items(box), sorted); // sorted, each face once
    for (const QString &face : sorted) // by the face's own name, without a foundry
        QVERIFY2(!face.endsWith(u']'), qPrintable(face));
    QCOMPARE(TypefaceName(QStringLiteral("C059 [urw]")), QStringLiteral("C059"));
    box.SetFontOptions({zcftTrueTypeOnly, zcftFixedOnly});
    QVERIFY(box.count() > 0);
    for (const QString &face : Items(box)) {
        QVERIFY2(QFontDatabase::isFixedPitch(face), qPrintable(face));
        QCOMPARE(box.ItemFontType(box.findText(face)), TRUETYPE_FONTTYPE);
    }
    QVERIFY(!Items(box).contains(QStringLiteral("DejaVu Sans")));
    box.SetFontOptions({zcftOEMOnly, zcftNoOEM});
    QCOMPARE(box.count(), 0);
}

void TestZBtn2::deviceSet()
{
    CountedBox c;
    QCOMPARE(c.box.Device(), TzcFontDevice{zcfdScreen});
    QCOMPARE(c.box.maxVisibleItems(), 8);
    c.box.SetFontName(QStringLiteral("DejaVu Sans"));
    const int screenFonts = c.box.count();
    Printing::SetDefaultPrinterFactory([] { return std::unique_ptr<QPrinter>(); });
    c.box.SetDevice({zcfdPrinter}); // no printer, no fonts
    QCOMPARE(c.box.count(), 0);
    QCOMPARE(c.box.FontName(), QString());
    // A printer prints with the installed fonts.
    Printing::SetDefaultPrinterFactory([] {
        auto printer = std::make_unique<QPrinter>();
        printer->setOutputFormat(QPrinter::PdfFormat);
        return printer;
    });
    c.box.RefreshFonts();
    QCOMPARE(c.box.count(), screenFonts);
    Printing::SetDefaultPrinterFactory(nullptr);
    c.box.SetDevice({});
    QCOMPARE(c.box.Device(), TzcFontDevice{zcfdScreen});
    QVERIFY(c.box.count() > 0);
}

void TestZBtn2::itemHeightFollowsFont()
{
    CountedBox c;
    c.box.SetFontName(QStringLiteral("DejaVu Serif"));
    QCOMPARE(c.box.CalcItemHeight(), std::max(QFontMetrics(c.box.font()).height() + 3, 12));
    QFont font = c.box.font();
    font.setPixelSize(4);
    const int before = c.changes;
    c.box.setFont(font);
    QCOMPARE(c.box.CalcItemHeight(), 12); // never below the glyph
    font.setPixelSize(30);
    c.box.setFont(font);
    QCOMPARE(c.box.view()->sizeHintForRow(0), QFontMetrics(font).height() + 3);
    QCOMPARE(c.changes, before + 2); // each font change re-creates the window
    QCOMPARE(c.box.FontName(), QStringLiteral("DejaVu Serif"));
}

QTEST_MAIN(TestZBtn2)
#include "tst_zbtn2.moc"
