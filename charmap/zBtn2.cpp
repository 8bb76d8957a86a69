#include "charmap/zBtn2.h"

#include "platform/Cp437.h"
#include "platform/Printing.h"

#include <QAbstractItemView>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QLocale>
#include <QPainter>
#include <QProxyStyle>
#include <QRawFont>
#include <QStyledItemDelegate>
#include <QStylePainter>
#include <array>

// Where each filter option's fact comes from on this platform:
//
// | Option              | Holds when                                                    | Source                                 |
// |---------------------|---------------------------------------------------------------|----------------------------------------|
// | zcftWindowsOnly     | the face covers the Latin writing system                     | QFontDatabase::writingSystems          |
// | zcftSymbolOnly      | the face is a symbol font                                     | QFontDatabase::Symbol writing system   |
// | zcftOEMOnly         | the face has every glyph of code page 437's bytes B0-DF       | QRawFont::supportsCharacter            |
// | zcftNoOEM           | not zcftOEMOnly                                               | as above                               |
// | zcftDecorativeOnly  | family FF_DECORATIVE                                          | PANOSE, else OS/2 sFamilyClass (below) |
// | zcftModernOnly      | family FF_MODERN                                              | as above                               |
// | zcftRomanOnly       | family FF_ROMAN                                               | as above                               |
// | zcftScriptOnly      | family FF_SCRIPT                                              | as above                               |
// | zcftSwissOnly       | family FF_SWISS                                               | as above                               |
// | zcftFixedOnly       | fixed pitch                                                   | QFontDatabase::isFixedPitch            |
// | zcftTrueTypeOnly    | TRUETYPE_FONTTYPE: a smoothly scalable outline font           | QFontDatabase::isSmoothlyScalable      |
// | zcftScaleableOnly   | not RASTER_FONTTYPE (a bitmap font)                          | as above                               |
//
// A face without PANOSE or family class (bitmap fonts, fonts that leave both
// unset) has no family and is refused by every family option.

bool FontMatchesOptions(const TzcFontInfo &font, TzcFontTypes options)
{
    struct Rule
    {
        TzcFontType option;
        bool (*holds)(const TzcFontInfo &);
    };
    static constexpr Rule rules[] = {
        {zcftWindowsOnly, [](const TzcFontInfo &f) { return f.Ansi; }},
        {zcftSymbolOnly, [](const TzcFontInfo &f) { return f.Symbol; }},
        {zcftDecorativeOnly, [](const TzcFontInfo &f) { return f.Family == FF_DECORATIVE; }},
        {zcftModernOnly, [](const TzcFontInfo &f) { return f.Family == FF_MODERN; }},
        {zcftRomanOnly, [](const TzcFontInfo &f) { return f.Family == FF_ROMAN; }},
        {zcftScriptOnly, [](const TzcFontInfo &f) { return f.Family == FF_SCRIPT; }},
        {zcftSwissOnly, [](const TzcFontInfo &f) { return f.Family == FF_SWISS; }},
        {zcftTrueTypeOnly, [](const TzcFontInfo &f) { return (f.FontType & TRUETYPE_FONTTYPE) != 0; }},
        {zcftFixedOnly, [](const TzcFontInfo &f) { return f.Pitch == FIXED_PITCH; }},
        {zcftOEMOnly, [](const TzcFontInfo &f) { return f.Oem; }},
        {zcftNoOEM, [](const TzcFontInfo &f) { return !f.Oem; }},
        {zcftScaleableOnly, [](const TzcFontInfo &f) { return (f.FontType & RASTER_FONTTYPE) == 0; }},
    };
    for (const Rule &rule : rules)
        if (options.Contains(rule.option) && !rule.holds(font))
            return false;
    return true;
}

// | PANOSE family kind  | further bytes                               | family        |
// |---------------------|---------------------------------------------|---------------|
// | 2 Latin text        | proportion 9 (monospaced)                   | FF_MODERN     |
// | 2 Latin text        | serif style 11-15 (sans, flared, rounded)   | FF_SWISS      |
// | 2 Latin text        | serif style 2-10 (cove to triangle)         | FF_ROMAN      |
// | 3 Latin hand-written|                                             | FF_SCRIPT     |
// | 4 Latin decorative  |                                             | FF_DECORATIVE |
// | 5 Latin symbol      |                                             | FF_DECORATIVE |
// | 0 any, 1 no fit     |                                             | not classified|
std::optional<int> FamilyFromPanose(const unsigned char panose[4])
{
    const int kind = panose[0], serif = panose[1], proportion = panose[3];
    switch (kind) {
    case 2:
        if (proportion == 9)
            return FF_MODERN;
        if (serif >= 11 && serif <= 15)
            return FF_SWISS;
        if (serif >= 2 && serif <= 10)
            return FF_ROMAN;
        return std::nullopt;
    case 3: return FF_SCRIPT;
    case 4:
    case 5: return FF_DECORATIVE;
    default: return std::nullopt;
    }
}

// | OS/2 family class                | family                            |
// |----------------------------------|-----------------------------------|
// | 1-5, 7 (the serif classes)       | FF_ROMAN, FF_MODERN if fixed pitch|
// | 8 sans serif                     | FF_SWISS, FF_MODERN if fixed pitch|
// | 9 ornamentals, 12 symbolic       | FF_DECORATIVE                     |
// | 10 scripts                       | FF_SCRIPT                         |
// | 0 none, 6, 11, 13, 14 reserved   | FF_DONTCARE                       |
int FamilyFromClass(int familyClass, bool fixedPitch)
{
    switch (familyClass) {
    case 1: case 2: case 3: case 4: case 5: case 7: return fixedPitch ? FF_MODERN : FF_ROMAN;
    case 8: return fixedPitch ? FF_MODERN : FF_SWISS;
    case 9: case 12: return FF_DECORATIVE;
    case 10: return FF_SCRIPT;
    default: return FF_DONTCARE;
    }
}

TzcFontInfo DescribeFont(const QString &face, bool details)
{
    TzcFontInfo info;
    info.FaceName = face;
    info.FontType = QFontDatabase::isSmoothlyScalable(face) ? TRUETYPE_FONTTYPE : RASTER_FONTTYPE;
    const bool fixed = QFontDatabase::isFixedPitch(face);
    info.Pitch = fixed ? FIXED_PITCH : VARIABLE_PITCH;
    if (!details)
        return info;
    const QList<QFontDatabase::WritingSystem> systems = QFontDatabase::writingSystems(face);
    info.Ansi = systems.contains(QFontDatabase::Latin);
    info.Symbol = systems.contains(QFontDatabase::Symbol);

    QFont font(face);
    font.setStyleStrategy(QFont::NoFontMerging);
    const QRawFont raw = QRawFont::fromFont(font);
    if (!raw.isValid())
        return info;
    info.Oem = true;
    for (int byte = 0xB0; byte <= 0xDF; ++byte)
        info.Oem = info.Oem && raw.supportsCharacter(QChar(Cp437::ToUnicode(uchar(byte))));

    const QByteArray os2 = raw.fontTable("OS/2");
    if (os2.size() >= 42) {
        const auto *bytes = reinterpret_cast<const unsigned char *>(os2.constData());
        if (const std::optional<int> family = FamilyFromPanose(bytes + 32))
            info.Family = *family;
        else
            info.Family = FamilyFromClass(bytes[30], fixed); // high byte of the big-endian sFamilyClass
    }
    return info;
}

QString TypefaceName(const QString &family)
{
    const qsizetype bracket = family.lastIndexOf(QLatin1String(" ["));
    return bracket > 0 && family.endsWith(u']') ? family.left(bracket) : family;
}

// ---- Glyphs ----

namespace {

using GlyphRows = std::array<const char *, 12>;

constexpr GlyphRows kTrueTypeRows = {
    "111111119999", "119119119999", "199119919999", "199122222222", "999122922922", "999129922992",
    "999129922992", "999119922999", "911111122999", "999999922999", "999999922999", "999992222229",
};
constexpr GlyphRows kDeviceRows = {
    "992222222299", "9921    1299", "992 2222 299", "9921    1299", "992 2222 299", "9921    1299",
    "992 2222 299", "9921    1299", "922222222229", "233333333312", "211111114112", "922222222229",
};
constexpr GlyphRows kRasterRows = {
    " 1 1 1 1 1 1", "            ", " 1 1 1 1 1 1", "            ", " 1 1 1 1 1 1", "            ",
    " 1 1 1 1 1 1", "            ", " 1 1 1 1 1 1", "            ", " 1 1 1 1 1 1", "            ",
};

QRgb GlyphColor(TzcGlyph glyph, char c)
{
    switch (c) {
    case ' ': return qRgb(255, 255, 255);
    case '1': return glyph == zcgTrueType ? qRgb(0, 128, 128) : qRgb(128, 128, 128);
    case '2': return glyph == zcgTrueType ? qRgb(128, 0, 128) : qRgb(0, 0, 0);
    case '3': return qRgb(192, 192, 192);
    case '4': return qRgb(255, 0, 0);
    default: return qRgb(0, 128, 0); // '9'
    }
}

QImage PaintGlyph(TzcGlyph glyph, const GlyphRows &rows)
{
    QImage image(12, 12, QImage::Format_RGB32);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x)
            image.setPixel(x, y, GlyphColor(glyph, rows[size_t(y)][x]));
    return image;
}

// The glyph with its bottom-left pixel's colour made transparent.
QImage Masked(const QImage &glyph)
{
    QImage image = glyph.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = glyph.pixel(0, 11);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x)
            if (glyph.pixel(x, y) == key)
                image.setPixel(x, y, qRgba(0, 0, 0, 0));
    return image;
}

struct Glyphs
{
    std::array<QImage, 3> painted{PaintGlyph(zcgTrueType, kTrueTypeRows), PaintGlyph(zcgDevice, kDeviceRows),
                                  PaintGlyph(zcgRaster, kRasterRows)};
    std::array<QImage, 3> masked{Masked(painted[0]), Masked(painted[1]), Masked(painted[2])};
};

const Glyphs &SharedGlyphs()
{
    static const Glyphs glyphs; // painted once, on first use, for the whole program
    return glyphs;
}

constexpr int kGlyphSize = 12;
constexpr int kTextIndent = kGlyphSize + 6;

} // namespace

const QImage &zcGlyphImage(TzcGlyph glyph)
{
    return SharedGlyphs().painted[size_t(glyph)];
}

std::optional<TzcGlyph> GlyphForFontType(quint32 fontType)
{
    if (fontType & TRUETYPE_FONTTYPE)
        return zcgTrueType;
    if (fontType & DEVICE_FONTTYPE)
        return zcgDevice;
    if (fontType & RASTER_FONTTYPE)
        return zcgRaster;
    return std::nullopt;
}

// ---- The combo box ----

// Draws the drop-down list's items the way the box draws its own field.
class TzcFontItemDelegate : public QStyledItemDelegate
{
public:
    explicit TzcFontItemDelegate(TzcFontComboBox *box) : QStyledItemDelegate(box), m_box(box) {}

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        const bool selected = option.state & QStyle::State_Selected;
        const QPalette &pal = option.palette;
        TzcFontComboBox::DrawItem(*painter, option.rect, index.data(Qt::DisplayRole).toString(),
                                  index.data(Qt::UserRole).toUInt(),
                                  pal.color(selected ? QPalette::Highlight : QPalette::Base),
                                  pal.color(selected ? QPalette::HighlightedText : QPalette::Text));
    }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        return {QStyledItemDelegate::sizeHint(option, index).width() + kTextIndent, m_box->m_itemHeight};
    }

private:
    TzcFontComboBox *m_box;
};

namespace {

// Styles whose drop-down is a menu over the box ignore the visible-item
// count; this keeps the list style in every one.
class TzcListPopupStyle : public QProxyStyle
{
public:
    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                  QStyleHintReturn *returnData) const override
    {
        if (hint == SH_ComboBox_Popup)
            return 0;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

} // namespace

TzcFontComboBox::TzcFontComboBox(QWidget *owner) : QComboBox(owner)
{
    auto *style = new TzcListPopupStyle;
    style->setParent(this);
    setStyle(style);
    setEditable(false); // a drop-down list: the user picks, never types
    setMaxVisibleItems(8);
    setItemDelegate(new TzcFontItemDelegate(this));
    m_itemHeight = CalcItemHeight();
    connect(this, &QComboBox::activated, this, &TzcFontComboBox::Activated);
    connect(qGuiApp, &QGuiApplication::fontDatabaseChanged, this, [this] {
        if (m_created)
            RefreshFonts();
    });
}

void TzcFontComboBox::SetDevice(TzcFontDevice device)
{
    if (device == m_device)
        return;
    m_device = device.Empty() ? TzcFontDevice{zcfdScreen} : device;
    RefreshFonts();
}

void TzcFontComboBox::SetFontOptions(TzcFontTypes options)
{
    if (options == m_fontOptions)
        return;
    m_fontOptions = options;
    RefreshFonts();
}

QString TzcFontComboBox::FontName() const
{
    return currentIndex() < 0 ? QString() : currentText();
}

void TzcFontComboBox::SetFontName(const QString &name)
{
    HandleNeeded();
    int found = -1;
    if (count() > 0) {
        const QLocale locale;
        const QString wanted = locale.toUpper(name);
        for (int i = 0; i < count() && found < 0; ++i)
            if (locale.toUpper(itemText(i)) == wanted)
                found = i;
    }
    setCurrentIndex(found);
    DoChange();
}

quint32 TzcFontComboBox::ItemFontType(int index) const
{
    return itemData(index).toUInt();
}

int TzcFontComboBox::CalcItemHeight() const
{
    return std::max({QFontMetrics(font()).height() + 3, 9, kGlyphSize});
}

void TzcFontComboBox::RefreshFonts()
{
    struct Updating
    {
        bool &flag;
        explicit Updating(bool &f) : flag(f) { flag = true; }
        ~Updating() { flag = false; }
    };
    QString remembered;
    {
        Updating scope(m_updating);
        remembered = FontName();
        BuildFontList();
        SetFontName(remembered);
    }
    if (FontName() != remembered)
        DoChange();
}

void TzcFontComboBox::DoChange()
{
    if (!m_updating && m_onChange)
        m_onChange(this);
}

void TzcFontComboBox::BuildFontList()
{
    if (!m_created)
        return;
    clear();
    // A printer has no fonts of its own here: its pages are drawn with the
    // installed fonts, so a default printer lists the screen's, and only once.
    bool enumerate = m_device.Contains(zcfdScreen);
    if (!enumerate && m_device.Contains(zcfdPrinter)) {
        try {
            enumerate = Printing::DefaultPrinter() != nullptr;
        } catch (...) {
            // no printer, or none that can be drawn on: no fonts
        }
    }
    if (enumerate) {
        // Coverage and classification cost a font load each: only when a filter asks.
        const bool details = (m_fontOptions.Bits() & ~TzcFontTypes{zcftTrueTypeOnly, zcftFixedOnly, zcftScaleableOnly}.Bits()) != 0;
        try {
            for (const QString &face : QFontDatabase::families())
                if (!QFontDatabase::isPrivateFamily(face))
                    EnumFontsCallback(DescribeFont(TypefaceName(face), details));
        } catch (...) {
            // what was listed before the failure stays
        }
    }
    setCurrentIndex(-1); // the first item added to an empty list would otherwise be selected
}

void TzcFontComboBox::EnumFontsCallback(const TzcFontInfo &font)
{
    if (findText(font.FaceName, Qt::MatchFixedString) >= 0 || !FontMatchesOptions(font, m_fontOptions))
        return;
    // The list is kept sorted without regard to case.
    int at = 0;
    while (at < count() && QString::compare(itemText(at), font.FaceName, Qt::CaseInsensitive) < 0)
        ++at;
    insertItem(at, font.FaceName, font.FontType);
}

void TzcFontComboBox::CreateWnd()
{
    const QString remembered = FontName();
    m_created = true;
    BuildFontList();
    SetFontName(remembered);
}

void TzcFontComboBox::HandleNeeded()
{
    if (!m_created)
        CreateWnd();
}

void TzcFontComboBox::Activated()
{
    emit Click();
    DoChange();
}

void TzcFontComboBox::showEvent(QShowEvent *event)
{
    HandleNeeded();
    QComboBox::showEvent(event);
}

void TzcFontComboBox::changeEvent(QEvent *event)
{
    QComboBox::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        m_itemHeight = CalcItemHeight();
        if (m_created)
            CreateWnd(); // the list is built again for the new item height
    }
}

void TzcFontComboBox::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    option.currentText.clear();
    option.currentIcon = QIcon();
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    if (currentIndex() < 0)
        return;
    const QRect field = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    const bool focused = hasFocus() && !view()->isVisible();
    DrawItem(painter, field, currentText(), ItemFontType(currentIndex()),
             focused ? palette().color(QPalette::Highlight) : QColor(),
             palette().color(focused ? QPalette::HighlightedText : QPalette::ButtonText));
}

void TzcFontComboBox::DrawItem(QPainter &painter, const QRect &rect, const QString &text, quint32 fontType,
                               const QColor &background, const QColor &textColor)
{
    if (background.isValid())
        painter.fillRect(rect, background);
    if (const std::optional<TzcGlyph> glyph = GlyphForFontType(fontType)) {
        const int top = (rect.top() + rect.top() + rect.height() - kGlyphSize) / 2;
        painter.drawImage(QPoint(rect.left() + 2, top), SharedGlyphs().masked[size_t(*glyph)]);
    }
    painter.save();
    painter.setPen(textColor);
    painter.drawText(rect.adjusted(kTextIndent, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
    painter.restore();
}
