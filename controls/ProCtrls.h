#pragma once
// The about box's controls: the effects label (shadow, rotation, offset,
// vertical alignment), the kind button, and the hand cursors they point with.

#include <QCursor>
#include <QPoint>
#include <QPushButton>
#include <QRect>
#include <QString>
#include <QWidget>
#include <array>
#include <functional>
#include <string_view>

class QPainter;

// An event of the controls: the sender only. Unset events are skipped.
using TNotifyEvent = std::function<void(QObject *Sender)>;

// Colour values (0x00BBGGRR, or 0x80000000 plus a system colour index).
constexpr quint32 clWhite = 0x00FFFFFFu;
constexpr quint32 clBtnFace = 0x8000000Fu;
constexpr quint32 clBtnShadow = 0x80000010u;
constexpr quint32 clGrayText = 0x80000011u;
constexpr quint32 clWindowText = 0x80000008u;
// Qt's palette has no grey-text role of the old kind; this is its colour.
QColor ControlColor(quint32 value);

// ---- The table of screen cursors ----

constexpr int crProHandPoint = 15000;
constexpr int crProSmallHandPoint = 15001;
constexpr int crProGrabHand = 15002;
constexpr int crProGrabHandArrow = 15003;
constexpr int crProDragHand = 15004;

struct TProCursorImage
{
    int Number;
    std::string_view ResourceName;
    QPoint HotSpot;
    // 32 rows of 32 characters: '#' black, '.' white, anything else transparent.
    std::array<std::string_view, 32> Rows;
};
extern const std::array<TProCursorImage, 5> ProCursorImages;

QCursor ScreenCursor(int number); // the arrow when the number is not registered
void SetScreenCursor(int number, const QCursor &cursor);
bool IsScreenCursorRegistered(int number);
QCursor MakeProCursor(const TProCursorImage &image);
// Puts the five hand cursors in the table; run once at start, before any window.
void RegisterProCursors();

// ---- Effects label ----

class TProCustomLabel : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(Qt::Alignment Alignment READ Alignment WRITE SetAlignment)
    Q_PROPERTY(int Angle READ Angle WRITE SetAngle)
    Q_PROPERTY(bool AutoSize READ AutoSize WRITE SetAutoSize)
    Q_PROPERTY(quint32 Color READ Color WRITE SetColor)
    Q_PROPERTY(quint32 FontColor READ FontColor WRITE SetFontColor)
    Q_PROPERTY(int OffsetX READ OffsetX WRITE SetOffsetX)
    Q_PROPERTY(int OffsetY READ OffsetY WRITE SetOffsetY)
    Q_PROPERTY(TShadowStyle ShadowStyle READ ShadowStyle WRITE SetShadowStyle)
    Q_PROPERTY(TDirection ShadowDirection READ ShadowDirection WRITE SetShadowDirection)
    Q_PROPERTY(int ShadowDepth READ ShadowDepth WRITE SetShadowDepth)
    Q_PROPERTY(int ShadowSize READ ShadowSize WRITE SetShadowSize)
    Q_PROPERTY(quint32 ShadowColor READ ShadowColor WRITE SetShadowColor)
    Q_PROPERTY(bool ShowAccelChar READ ShowAccelChar WRITE SetShowAccelChar)
    Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
    Q_PROPERTY(TVerticalAlignment VerticalAlignment READ VerticalAlignment WRITE SetVerticalAlignment)
    Q_PROPERTY(TTextLayout Layout READ Layout WRITE SetLayout STORED false)
    Q_PROPERTY(bool WordWrap READ WordWrap WRITE SetWordWrap)

public:
    enum TShadowStyle : quint8 { ssNone, ssCustom, ssRaised, ssRecessed, ssShadow, ssThickShadow };
    Q_ENUM(TShadowStyle)
    enum TDirection : quint8 {
        drNone, drUp, drDown, drLeft, drRight, drUpLeft, drUpRight, drDownLeft, drDownRight
    };
    Q_ENUM(TDirection)
    enum TVerticalAlignment : quint8 { vaTop, vaCenter, vaBottom };
    Q_ENUM(TVerticalAlignment)
    enum TTextLayout : quint8 { tlTop, tlCenter, tlBottom };
    Q_ENUM(TTextLayout)

    static constexpr int MaxShadowValue = 1280; // depth and size

    explicit TProCustomLabel(QWidget *owner = nullptr);

    QString Caption() const { return m_caption; }
    void SetCaption(const QString &caption);
    Qt::Alignment Alignment() const { return m_alignment; }
    void SetAlignment(Qt::Alignment alignment);
    bool AutoSize() const { return m_autoSize; }
    void SetAutoSize(bool autoSize);
    quint32 Color() const { return m_color; }
    void SetColor(quint32 color);
    // The font's colour: the old toolkit kept it with the font, so changing it
    // is a font change.
    quint32 FontColor() const { return m_fontColor; }
    void SetFontColor(quint32 color);
    bool ShowAccelChar() const { return m_showAccelChar; }
    void SetShowAccelChar(bool show);
    bool Transparent() const { return m_transparent; }
    void SetTransparent(bool transparent);
    bool WordWrap() const { return m_wordWrap; }
    void SetWordWrap(bool wordWrap);

    int Angle() const { return m_angle; }
    void SetAngle(int angle);
    double AngleCos() const { return m_cos; }
    double AngleSin() const { return m_sin; }
    int OffsetX() const { return m_offsetX; }
    void SetOffsetX(int offset);
    int OffsetY() const { return m_offsetY; }
    void SetOffsetY(int offset);
    TShadowStyle ShadowStyle() const { return m_shadowStyle; }
    void SetShadowStyle(TShadowStyle style);
    TDirection ShadowDirection() const { return m_shadowDirection; }
    void SetShadowDirection(TDirection direction);
    int ShadowDepth() const { return m_shadowDepth; }
    void SetShadowDepth(int depth); // limited to 0 to 1280
    int ShadowSize() const { return m_shadowSize; }
    void SetShadowSize(int size); // limited to 0 to 1280
    quint32 ShadowColor() const { return m_shadowColor; }
    void SetShadowColor(quint32 color);
    TVerticalAlignment VerticalAlignment() const { return m_verticalAlignment; }
    void SetVerticalAlignment(TVerticalAlignment alignment);
    TTextLayout Layout() const { return TTextLayout(m_verticalAlignment); }
    void SetLayout(TTextLayout layout) { SetVerticalAlignment(TVerticalAlignment(layout)); }

    const TNotifyEvent &OnMouseEnter() const { return m_onMouseEnter; }
    void SetOnMouseEnter(TNotifyEvent handler) { m_onMouseEnter = std::move(handler); }
    const TNotifyEvent &OnMouseLeave() const { return m_onMouseLeave; }
    void SetOnMouseLeave(TNotifyEvent handler) { m_onMouseLeave = std::move(handler); }

    // The whole caption drawing, on a painter of the label's size.
    void PaintLabel(QPainter &painter);

    QSize sizeHint() const override;

protected:
    virtual void MouseEnter();
    virtual void MouseLeave();
    // Called whenever the font or its colour changed.
    virtual void FontChanged();

    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void SetMouseInside(bool inside);
    void AdjustBounds();
    void DrawCaption(QPainter &painter, const QRect &rect, unsigned format);

    QString m_caption;
    Qt::Alignment m_alignment = Qt::AlignLeft;
    bool m_autoSize = true;
    quint32 m_color = clBtnFace;
    quint32 m_fontColor = clWindowText;
    bool m_showAccelChar = true;
    bool m_transparent = false;
    bool m_wordWrap = false;

    int m_angle = 0;
    int m_offsetX = 0;
    int m_offsetY = 0;
    TShadowStyle m_shadowStyle = ssNone;
    TDirection m_shadowDirection = drNone;
    quint16 m_shadowDepth = 0;
    quint16 m_shadowSize = 0;
    quint32 m_shadowColor = 0;
    TVerticalAlignment m_verticalAlignment = vaTop;
    TNotifyEvent m_onMouseEnter;
    TNotifyEvent m_onMouseLeave;
    double m_cos = 0;
    double m_sin = 0;
    bool m_applyingPreset = false;
    bool m_mouseInside = false;
};

// The published effects label.
class TProLabel : public TProCustomLabel
{
    Q_OBJECT
public:
    explicit TProLabel(QWidget *owner = nullptr) : TProCustomLabel(owner) {}
};

using TShadowStyle = TProCustomLabel::TShadowStyle;
using TDirection = TProCustomLabel::TDirection;
using TVerticalAlignment = TProCustomLabel::TVerticalAlignment;

// ---- The label's geometry, without painting ----

// The angle kept in 0 to 359 (-90 gives 270, 725 gives 5).
int NormalizeAngle(int angle);
// One step of a direction: x to the right, y downwards.
QPoint DirectionStep(TDirection direction);

struct TShadowPreset
{
    bool Applies; // false for ssCustom, which keeps the values
    TDirection Direction;
    quint16 Depth;
    quint16 Size;
    quint32 Color;
};
TShadowPreset ShadowPreset(TShadowStyle style);

// The DrawTextA format of the caption.
unsigned LabelFormat(Qt::Alignment alignment, bool wordWrap, bool showAccelChar);

// The rotated caption's bounding box and where the text's own top-left corner
// lies in it, from the text's unrotated width and height.
struct TRotatedBox
{
    int A = 0, B = 0, C = 0, D = 0; // W cos, W sin, H cos, H sin, truncated
    int Quadrant = 0;               // the angle's range: 0 to 89 is 0, ...
    int Width = 0;
    int Height = 0;
};
TRotatedBox RotatedBox(int angle, double cosine, double sine, int textWidth, int textHeight);
// Where the text's top-left corner lies in a box of that (clamped) size.
QPoint RotatedShift(const TRotatedBox &box, int boxWidth, int boxHeight);

// Where a rotated caption starts in the client rectangle: the box clamped to
// the client, aligned, then shifted to the text's top-left corner.
QPoint RotatedTextOrigin(const QRect &client, const TRotatedBox &box, Qt::Alignment alignment,
                         TVerticalAlignment vertical);

// The unrotated caption's rectangle for a caption textHeight high.
QRect VerticalAlignedRect(const QRect &client, int textHeight, TVerticalAlignment vertical);

// ---- Kind button ----

class TProButton : public QPushButton
{
    Q_OBJECT
    Q_PROPERTY(bool Cancel READ Cancel WRITE SetCancel)
    Q_PROPERTY(QString Caption READ text WRITE setText)
    Q_PROPERTY(bool Default READ isDefault WRITE setDefault)
    Q_PROPERTY(TProButtonKind Kind READ Kind WRITE SetKind)
    Q_PROPERTY(int ModalResult READ ModalResult WRITE SetModalResult)
    Q_PROPERTY(int HelpContext READ HelpContext WRITE SetHelpContext)

public:
    enum TProButtonKind : quint8 {
        pbkCustom, pbkOk,
        pbkCancel, pbkCancelRus, pbkCancelUkr, pbkCancelFr, pbkCancelPor,
        pbkHelp, pbkHelpRus, pbkHelpUkr, pbkHelpFr, pbkHelpPor,
        pbkYes, pbkYesRus, pbkYesUkr, pbkYesFr, pbkYesPor,
        pbkNo, pbkNoRus, pbkNoUkr, pbkNoFr, pbkNoPor,
        pbkClose, pbkCloseRus, pbkCloseUkr, pbkCloseFr, pbkClosePor,
        pbkAbort, pbkAbortRus, pbkAbortUkr, pbkAbortFr, pbkAbortPor,
        pbkRetry, pbkRetryRus, pbkRetryUkr, pbkRetryFr, pbkRetryPor,
        pbkIgnore, pbkIgnoreRus, pbkIgnoreUkr, pbkIgnoreFr, pbkIgnorePor,
        pbkAll, pbkAllRus, pbkAllUkr, pbkAllFr, pbkAllPor,
        pbkDone, pbkDoneRus, pbkDoneUkr, pbkDoneFr, pbkDonePor,
        pbkPrev, pbkPrevRus, pbkPrevUkr, pbkPrevFr, pbkPrevPor,
        pbkNext, pbkNextRus, pbkNextUkr, pbkNextFr, pbkNextPor,
        pbkFinish, pbkFinishRus, pbkFinishUkr, pbkFinishFr, pbkFinishPor,
    };
    Q_ENUM(TProButtonKind)

    explicit TProButton(QWidget *owner = nullptr);
    ~TProButton() override;

    bool Cancel() const { return m_cancel; }
    void SetCancel(bool cancel) { m_cancel = cancel; }
    int ModalResult() const { return m_modalResult; }
    void SetModalResult(int result) { m_modalResult = result; }
    int HelpContext() const { return m_helpContext; }
    void SetHelpContext(int context) { m_helpContext = context; }

    // Falls back to pbkCustom once Default, Cancel or ModalResult no longer
    // match the stored kind.
    TProButtonKind Kind();
    void SetKind(TProButtonKind kind);

    // The form description's storage rules.
    bool IsKindStored() { return Kind() != pbkCustom; }
    bool IsCancelStored() { return Kind() == pbkCustom; }
    bool IsDefaultStored() { return Kind() == pbkCustom; }
    bool IsCaptionStored();

    // The end of reading the form description.
    void Loaded() { m_loading = false; }

    // Runs what a click of this kind does.
    virtual void Click();

    const TNotifyEvent &OnClick() const { return m_onClick; }
    void SetOnClick(TNotifyEvent handler) { m_onClick = std::move(handler); }

    // How a help context is shown; tests put a recorder here, none restores
    // the help layer.
    using THelpContextHandler = std::function<void(QWidget *Sender, int Context)>;
    static void SetHelpContextHandler(THelpContextHandler handler);

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void WatchWindow();

    TProButtonKind m_kind = pbkCustom;
    bool m_cancel = false;
    int m_modalResult = 0;
    int m_helpContext = 0;
    bool m_loading = false;
    QWidget *m_watchedWindow = nullptr;
    TNotifyEvent m_onClick;
};

using TProButtonKind = TProButton::TProButtonKind;

// The kind table.
struct TProKindInfo
{
    int CaptionId; // 0: no caption
    int ModalResult;
    bool Default;
    bool Cancel;
};
TProKindInfo ProKindInfo(TProButtonKind kind);
QString ProKindCaption(TProButtonKind kind);
