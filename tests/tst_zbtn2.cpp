// The font-name combo box: its filter, family mapping, glyphs, name matching,
// change notifications and item height.

#include "charmap/zBtn2.h"

#include <QAbstractItemView>
#include <QFontDatabase>
#include <QTest>

Q_DECLARE_METATYPE(TzcFontInfo)
Q_DECLARE_METATYPE(TzcFontTypes)
Q_DECLARE_METATYPE(TzcGlyph)

namespace {

TzcFontInfo Font(quint32 type, int family, int pitch, bool ansi = true, bool oem = false, bool symbol = false)
{
    TzcFontInfo f;
    f.FaceName = QStringLiteral("Face");
    f.FontType = type;
    f.Family = family;
    f.Pitch = pitch;
    f.Ansi = ansi;
    f.Oem = oem;
    f.Symbol = symbol;
    return f;
}

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
    void panose_data();
    void panose();
    void familyClass_data();
    void familyClass();
    void describesInstalledFaces();
    void glyphPixels_data();
    void glyphPixels();
    void glyphOfFontType_data();
    void glyphOfFontType();
    void listSortedOnceEach();
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

    const TzcFontInfo mono = Font(TRUETYPE_FONTTYPE, FF_MODERN, FIXED_PITCH, true, true);
    const TzcFontInfo serif = Font(TRUETYPE_FONTTYPE, FF_ROMAN, VARIABLE_PITCH);
    const TzcFontInfo bitmap = Font(RASTER_FONTTYPE, FF_DONTCARE, FIXED_PITCH);
    const TzcFontInfo symbol = Font(TRUETYPE_FONTTYPE, FF_DECORATIVE, VARIABLE_PITCH, false, false, true);
    QTest::newRow("no options accept all") << bitmap << TzcFontTypes{} << true;
    QTest::newRow("fixed TrueType: mono") << mono << TzcFontTypes{zcftTrueTypeOnly, zcftFixedOnly} << true;
    QTest::newRow("fixed TrueType: proportional") << serif << TzcFontTypes{zcftTrueTypeOnly, zcftFixedOnly} << false;
    QTest::newRow("fixed TrueType: bitmap") << bitmap << TzcFontTypes{zcftTrueTypeOnly, zcftFixedOnly} << false;
    QTest::newRow("scalable: bitmap") << bitmap << TzcFontTypes{zcftScaleableOnly} << false;
    QTest::newRow("scalable: outline") << serif << TzcFontTypes{zcftScaleableOnly} << true;
    QTest::newRow("OEM: has the frames") << mono << TzcFontTypes{zcftOEMOnly} << true;
    QTest::newRow("no OEM: has the frames") << mono << TzcFontTypes{zcftNoOEM} << false;
    QTest::newRow("OEM and no OEM: with") << mono << TzcFontTypes{zcftOEMOnly, zcftNoOEM} << false;
    QTest::newRow("OEM and no OEM: without") << serif << TzcFontTypes{zcftOEMOnly, zcftNoOEM} << false;
    QTest::newRow("windows: Latin") << serif << TzcFontTypes{zcftWindowsOnly} << true;
    QTest::newRow("windows: symbol") << symbol << TzcFontTypes{zcftWindowsOnly} << false;
    QTest::newRow("symbol: symbol") << symbol << TzcFontTypes{zcftSymbolOnly} << true;
    QTest::newRow("roman: roman") << serif << TzcFontTypes{zcftRomanOnly} << true;
    QTest::newRow("swiss: roman") << serif << TzcFontTypes{zcftSwissOnly} << false;
    QTest::newRow("modern: mono") << mono << TzcFontTypes{zcftModernOnly} << true;
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

void TestZBtn2::panose_data()
{
    QTest::addColumn<QByteArray>("panose");
    QTest::addColumn<int>("family"); // -1: not classified
    QTest::newRow("mono sans") << QByteArray("\x02\x0B\x06\x09") << FF_MODERN;
    QTest::newRow("sans") << QByteArray("\x02\x0B\x06\x03") << FF_SWISS;
    QTest::newRow("cove serif") << QByteArray("\x02\x02\x06\x03") << FF_ROMAN;
    QTest::newRow("hand-written") << QByteArray("\x03\x02\x06\x03") << FF_SCRIPT;
    QTest::newRow("decorative") << QByteArray("\x04\x02\x06\x03") << FF_DECORATIVE;
    QTest::newRow("symbol") << QByteArray("\x05\x00\x00\x00", 4) << FF_DECORATIVE;
    QTest::newRow("any") << QByteArray("\x00\x0B\x06\x03", 4) << -1;
    QTest::newRow("text, serif no fit") << QByteArray("\x02\x01\x06\x03") << -1;
}

void TestZBtn2::panose()
{
    QFETCH(QByteArray, panose);
    QFETCH(int, family);
    const std::optional<int> got = FamilyFromPanose(reinterpret_cast<const unsigned char *>(panose.constData()));
    QCOMPARE(got.value_or(-1), family);
}

void TestZBtn2::familyClass_data()
{
    QTest::addColumn<int>("familyClass");
    QTest::addColumn<bool>("fixed");
    QTest::addColumn<int>("family");
    QTest::newRow("none") << 0 << false << FF_DONTCARE;
    QTest::newRow("oldstyle serif") << 1 << false << FF_ROMAN;
    QTest::newRow("freeform serif") << 7 << false << FF_ROMAN;
    QTest::newRow("reserved 6") << 6 << false << FF_DONTCARE;
    QTest::newRow("sans") << 8 << false << FF_SWISS;
    QTest::newRow("fixed sans") << 8 << true << FF_MODERN;
    QTest::newRow("ornamental") << 9 << false << FF_DECORATIVE;
    QTest::newRow("script") << 10 << false << FF_SCRIPT;
    QTest::newRow("symbolic") << 12 << false << FF_DECORATIVE;
}

void TestZBtn2::familyClass()
{
    QFETCH(int, familyClass);
    QFETCH(bool, fixed);
    QFETCH(int, family);
    QCOMPARE(FamilyFromClass(familyClass, fixed), family);
}

// The build installs the DejaVu faces, whose own tables classify them.
void TestZBtn2::describesInstalledFaces()
{
    const TzcFontInfo mono = DescribeFont(QStringLiteral("DejaVu Sans Mono"), true);
    QCOMPARE(mono.FontType, TRUETYPE_FONTTYPE);
    QCOMPARE(mono.Pitch, FIXED_PITCH);
    QCOMPARE(mono.Family, FF_MODERN);
    QVERIFY(mono.Oem);
    QVERIFY(mono.Ansi);
    QVERIFY(!mono.Symbol);
    QCOMPARE(DescribeFont(QStringLiteral("DejaVu Serif"), true).Family, FF_ROMAN);
    const TzcFontInfo sans = DescribeFont(QStringLiteral("DejaVu Sans"), true);
    QCOMPARE(sans.Family, FF_SWISS);
    QCOMPARE(sans.Pitch, VARIABLE_PITCH);
}

void TestZBtn2::glyphPixels_data()
{
    QTest::addColumn<TzcGlyph>("glyph");
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::addColumn<QColor>("colour");
    const QColor teal(0, 128, 128), purple(128, 0, 128), green(0, 128, 0), white(255, 255, 255),
        grey(128, 128, 128), black(0, 0, 0), silver(192, 192, 192), red(255, 0, 0);
    QTest::newRow("TrueType top-left") << zcgTrueType << 0 << 0 << teal;
    QTest::newRow("TrueType top-right") << zcgTrueType << 11 << 0 << green;
    QTest::newRow("TrueType purple T") << zcgTrueType << 4 << 3 << purple;
    QTest::newRow("TrueType bottom-left") << zcgTrueType << 0 << 11 << green;
    QTest::newRow("TrueType bottom-right") << zcgTrueType << 11 << 11 << green;
    QTest::newRow("device black frame") << zcgDevice << 2 << 0 << black;
    QTest::newRow("device white paper") << zcgDevice << 4 << 1 << white;
    QTest::newRow("device silver") << zcgDevice << 1 << 9 << silver;
    QTest::newRow("device red lamp") << zcgDevice << 8 << 10 << red;
    QTest::newRow("device grey") << zcgDevice << 3 << 1 << grey;
    QTest::newRow("device bottom-left") << zcgDevice << 0 << 11 << green;
    QTest::newRow("raster dot") << zcgRaster << 1 << 0 << grey;
    QTest::newRow("raster gap") << zcgRaster << 0 << 0 << white;
    QTest::newRow("raster empty row") << zcgRaster << 1 << 1 << white;
    QTest::newRow("raster last dot") << zcgRaster << 11 << 10 << grey;
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

void TestZBtn2::listSortedOnceEach()
{
    TzcFontComboBox box;
    QVERIFY(!box.isEditable());
    QCOMPARE(box.count(), 0); // no list before the window exists
    box.SetFontName(QString());
    const QStringList items = Items(box);
    QVERIFY(items.contains(QStringLiteral("DejaVu Sans Mono")));
    QStringList sorted = items;
    sorted.sort(Qt::CaseInsensitive);
    QCOMPARE(items, sorted);
    sorted.removeDuplicates();
    QCOMPARE(items.size(), sorted.size());
    QCOMPARE(box.ItemFontType(box.findText(QStringLiteral("DejaVu Sans Mono"))), TRUETYPE_FONTTYPE);
}

void TestZBtn2::nameMatching_data()
{
    QTest::addColumn<QString>("written");
    QTest::addColumn<QString>("read");
    QTest::newRow("exact") << "DejaVu Serif" << "DejaVu Serif";
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
    box.SetFontName(QString());
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
    c.box.SetFontName(QStringLiteral("DejaVu Sans"));
    c.box.SetDevice({zcfdPrinter}); // a printer has no fonts of its own
    QCOMPARE(c.box.count(), 0);
    QCOMPARE(c.box.FontName(), QString());
    c.box.SetDevice({});
    QCOMPARE(c.box.Device(), TzcFontDevice{zcfdScreen});
    QVERIFY(c.box.count() > 0);
    c.box.SetDevice({zcfdScreen, zcfdPrinter});
    QCOMPARE(c.box.findText(QStringLiteral("DejaVu Sans"), Qt::MatchFixedString) >= 0, true);
}

void TestZBtn2::itemHeightFollowsFont()
{
    CountedBox c;
    c.box.SetFontName(QStringLiteral("DejaVu Serif"));
    QCOMPARE(c.box.CalcItemHeight(), std::max(QFontMetrics(c.box.font()).height() + 3, 12));
    QFont tiny = c.box.font();
    tiny.setPixelSize(4);
    const int before = c.changes;
    c.box.setFont(tiny);
    QCOMPARE(c.box.CalcItemHeight(), 12); // never below the glyph
    QFont big = tiny;
    big.setPixelSize(30);
    c.box.setFont(big);
    QCOMPARE(c.box.CalcItemHeight(), QFontMetrics(big).height() + 3);
    QCOMPARE(c.box.view()->sizeHintForRow(0), c.box.CalcItemHeight());
    QCOMPARE(c.changes, before + 2); // each font change re-creates the window
    QCOMPARE(c.box.FontName(), QStringLiteral("DejaVu Serif"));
}

QTEST_MAIN(TestZBtn2)
#include "tst_zbtn2.moc"
