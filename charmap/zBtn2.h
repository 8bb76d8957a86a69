#pragma once
// A drop-down list of the installed font names, each drawn after a small glyph
// of its technology, optionally filtered by character set, family, pitch and
// technology.

#include <QComboBox>
#include <QImage>
#include <QString>
#include <QStringList>
#include <functional>
#include <initializer_list>
#include <optional>

// A set of enumeration values, bit n standing for the value of ordinal n.
template <typename Enum, typename Storage>
class TSet
{
public:
    constexpr TSet() = default;
    constexpr TSet(std::initializer_list<Enum> values)
    {
        for (Enum v : values)
            m_bits = Storage(m_bits | Bit(v));
    }
    static constexpr TSet FromBits(Storage bits) { TSet s; s.m_bits = bits; return s; }
    constexpr Storage Bits() const { return m_bits; }
    constexpr bool Contains(Enum v) const { return (m_bits & Bit(v)) != 0; }
    constexpr bool Empty() const { return m_bits == 0; }
    constexpr bool operator==(const TSet &) const = default;

private:
    static constexpr Storage Bit(Enum v) { return Storage(Storage(1) << unsigned(v)); }
    Storage m_bits = 0;
};

enum TzcFontDev { zcfdScreen, zcfdPrinter };
using TzcFontDevice = TSet<TzcFontDev, quint8>;

enum TzcFontType {
    zcftWindowsOnly,
    zcftSymbolOnly,
    zcftDecorativeOnly,
    zcftModernOnly,
    zcftRomanOnly,
    zcftScriptOnly,
    zcftSwissOnly,
    zcftTrueTypeOnly,
    zcftFixedOnly,
    zcftOEMOnly,
    zcftNoOEM,
    zcftScaleableOnly,
};
using TzcFontTypes = TSet<TzcFontType, quint16>;

// Font-type bits of an item, as enumeration reports them.
constexpr quint32 RASTER_FONTTYPE = 1;
constexpr quint32 DEVICE_FONTTYPE = 2;
constexpr quint32 TRUETYPE_FONTTYPE = 4;

// Character sets, families and pitches a font is described by.
constexpr int ANSI_CHARSET = 0;
constexpr int SYMBOL_CHARSET = 2;
constexpr int OEM_CHARSET = 255;
constexpr int FF_DONTCARE = 0x00;
constexpr int FF_ROMAN = 0x10;
constexpr int FF_SWISS = 0x20;
constexpr int FF_MODERN = 0x30;
constexpr int FF_SCRIPT = 0x40;
constexpr int FF_DECORATIVE = 0x50;
constexpr int FIXED_PITCH = 1;
constexpr int VARIABLE_PITCH = 2;

// What enumeration learns of one installed face. The character-set options
// are tested as separate facts of the face, because a face here covers
// several code pages at once rather than reporting one character set.
struct TzcFontInfo
{
    QString FaceName;
    quint32 FontType = 0;    // TRUETYPE_FONTTYPE or RASTER_FONTTYPE
    bool Ansi = false;       // covers the Latin writing system
    bool Symbol = false;     // a symbol font
    bool Oem = false;        // has every box-drawing, block and shade glyph of code page 437
    int Family = FF_DONTCARE; // FF_* from the face's own classification, FF_DONTCARE when it has none
    int Pitch = VARIABLE_PITCH;
};

// Every option in the set holds for the font; the empty set accepts all.
bool FontMatchesOptions(const TzcFontInfo &font, TzcFontTypes options);

// The FF_* family from a face's PANOSE bytes (first four: family kind, serif
// style, weight, proportion), or nothing when PANOSE does not classify it.
std::optional<int> FamilyFromPanose(const unsigned char panose[4]);
// The FF_* family from the OS/2 table's family class (high byte of
// sFamilyClass) and pitch; FF_DONTCARE when the class says nothing.
int FamilyFromClass(int familyClass, bool fixedPitch);

// Describes an installed face from the font database and its OS/2 table;
// details fills the costly facts (coverage, family), needed only by filters.
TzcFontInfo DescribeFont(const QString &face, bool details);

// The typeface of a font-database family: "C059 [urw]" names the face C059 of
// one foundry; the list shows each face once, by its own name.
QString TypefaceName(const QString &family);

// The three 12 x 12 glyphs, painted once and shared.
enum TzcGlyph { zcgTrueType, zcgDevice, zcgRaster };
const QImage &zcGlyphImage(TzcGlyph glyph);
// The glyph of an item's font type, or nothing.
std::optional<TzcGlyph> GlyphForFontType(quint32 fontType);

using TzcNotifyEvent = std::function<void(QObject *Sender)>;

class TzcFontComboBox : public QComboBox
{
    Q_OBJECT
    Q_PROPERTY(TzcFontDevice Device READ Device WRITE SetDevice)
    Q_PROPERTY(QString FontName READ FontName WRITE SetFontName STORED false)
    Q_PROPERTY(TzcFontTypes FontOptions READ FontOptions WRITE SetFontOptions)
    Q_PROPERTY(int DropDownCount READ maxVisibleItems WRITE setMaxVisibleItems)

public:
    explicit TzcFontComboBox(QWidget *owner = nullptr);

    TzcFontDevice Device() const { return m_device; }
    void SetDevice(TzcFontDevice device);
    TzcFontTypes FontOptions() const { return m_fontOptions; }
    void SetFontOptions(TzcFontTypes options);
    QString FontName() const;
    void SetFontName(const QString &name);

    const TzcNotifyEvent &OnChange() const { return m_onChange; }
    void SetOnChange(TzcNotifyEvent handler) { m_onChange = std::move(handler); }

    bool HandleAllocated() const { return m_created; }
    quint32 ItemFontType(int index) const;

    virtual int CalcItemHeight() const;
    virtual void RefreshFonts();

    // Draws one item: glyph at the left, the name 18 pixels in.
    static void DrawItem(QPainter &painter, const QRect &rect, const QString &text, quint32 fontType,
                         const QColor &background, const QColor &textColor);

signals:
    void Click(); // the user picked an item (OnClick)

protected:
    virtual void DoChange();
    virtual void BuildFontList();
    void CreateWnd();
    void HandleNeeded();

    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    // Adds an enumerated face unless listed already or refused by the filter.
    void EnumFontsCallback(const TzcFontInfo &font);
    void Activated();

    TzcFontDevice m_device{zcfdScreen};
    bool m_updating = false;
    TzcNotifyEvent m_onChange;
    TzcFontTypes m_fontOptions;
    bool m_created = false;
    int m_itemHeight = 16;

    friend class TzcFontItemDelegate;
};
