#include "controls/ProCtrls.h"

#include "controls/ProConst.h"
#include "platform/Colors.h"
#include "platform/DrawText.h"
#include "platform/Errors.h"
#include "platform/FormLoading.h"
#include "platform/Help.h"

#include <QApplication>
#include <QBitmap>
#include <QDialog>
#include <QHash>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QtMath>
#include <algorithm>

QColor ControlColor(quint32 value)
{
    if (value == clGrayText)
        return QApplication::palette().color(QPalette::Disabled, QPalette::WindowText);
    return ColorFromValue(value);
}

// ---- Cursors ----

// clang-format off
const std::array<TProCursorImage, 5> ProCursorImages = {{
    {crProHandPoint, "PRO_HANDPOINT", QPoint(6, 0), {
        "     .##.",
        "     #..#",
        "     #..#",
        "     #..#",
        "     #..#",
        "     #..###.",
        "     #..#..###.",
        "     #..#..#..##.",
        " .## #..#..#..#.#",
        " #..##........#.#",
        " #...#..........#",
        "  #..#..........#",
        "  #.............#",
        "   #............#",
        "   #...........#",
        "    #..........#",
        "    #.........#",
        "     #........#",
        "     #........#",
        "     ##########",
    }},
    {crProSmallHandPoint, "PRO_SMALLHANDPOINT", QPoint(13, 9), {
        "", "", "", "", "", "", "", "", "",
        "            .#.",
        "            #.#",
        "            #.#",
        "            #.###",
        "         .# #.#.##",
        "         #.##....#",
        "          #......#",
        "          #.....#",
        "           #....#",
        "           ######",
    }},
    {crProGrabHand, "PRO_GRABHAND", QPoint(4, 2), {
        "       ##",
        "    ## #.# ##",
        "   #..##.##..#",
        "   #..##.##..#",
        "    #..#..#..# ##",
        "    #..#..#..##..#",
        " ##  #........#..#",
        " #..##...........#",
        " #...#..........#",
        "  #.............#",
        "   #............#",
        "    #..........#",
        "     #.........#",
        "      #.......#",
        "      #.......#",
        "      #########",
    }},
    {crProGrabHandArrow, "PRO_GRABHANDARROW", QPoint(0, 0), {
        "#",
        "##",
        "#.#",
        "#..#",
        "#...#",
        "#....#",
        "#.....#",
        "#......#",
        "#.......#",
        "#....#####",
        "#.#..#",
        "##.#..#     ## ##",
        "#  #..#   ##.##.##",
        "    #..#  #..#..#.#",
        "    #..#  #..#..#.##",
        "     ##  ##........#",
        "        #..#.......#",
        "        #..........#",
        "         #........#",
        "          #.......#",
        "          #########",
    }},
    {crProDragHand, "PRO_DRAGHAND", QPoint(0, 0), {
        "",
        "",
        "",
        "",
        "      ## ## ##",
        "     #..#..#..##",
        "     #........#.#",
        "    ##..........#",
        "   #.#..........#",
        "   #............#",
        "    #...........#",
        "     #.........#",
        "      #........#",
        "      #........#",
        "      ##########",
    }},
}};
// clang-format on

namespace {

QHash<int, QCursor> &CursorTable()
{
    static QHash<int, QCursor> table;
    return table;
}

} // namespace

QCursor ScreenCursor(int number)
{
    return CursorTable().value(number, QCursor(Qt::ArrowCursor));
}

void SetScreenCursor(int number, const QCursor &cursor)
{
    CursorTable().insert(number, cursor);
}

bool IsScreenCursorRegistered(int number)
{
    return CursorTable().contains(number);
}

QCursor MakeProCursor(const TProCursorImage &image)
{
    // Bitmap: black is 1; mask: 1 where the cursor is drawn at all.
    QImage bits(32, 32, QImage::Format_RGB32);
    QImage mask(32, 32, QImage::Format_RGB32);
    bits.fill(Qt::white);
    mask.fill(Qt::white);
    for (int y = 0; y < 32; ++y) {
        const std::string_view row = image.Rows[size_t(y)];
        for (int x = 0; x < 32 && x < int(row.size()); ++x) {
            if (row[size_t(x)] == '#')
                bits.setPixel(x, y, qRgb(0, 0, 0));
            if (row[size_t(x)] == '#' || row[size_t(x)] == '.')
                mask.setPixel(x, y, qRgb(0, 0, 0));
        }
    }
    return QCursor(QBitmap::fromImage(bits, Qt::ThresholdDither), QBitmap::fromImage(mask, Qt::ThresholdDither),
                   image.HotSpot.x(), image.HotSpot.y());
}

void RegisterProCursors()
{
    for (const TProCursorImage &image : ProCursorImages)
        SetScreenCursor(image.Number, MakeProCursor(image));
}

// ---- Geometry ----

int NormalizeAngle(int angle)
{
    int reduced = angle % 360; // the sign of the dividend
    if (reduced < 0)
        reduced += 360;
    return reduced;
}

QPoint DirectionStep(TDirection direction)
{
    static constexpr int steps[9][2] = {{0, 0},  {0, -1}, {0, 1},  {-1, 0}, {1, 0},
                                        {-1, -1}, {1, -1}, {-1, 1}, {1, 1}};
    const int index = direction <= TProCustomLabel::drDownRight ? int(direction) : 0;
    return QPoint(steps[index][0], steps[index][1]);
}

TShadowPreset ShadowPreset(TShadowStyle style)
{
    switch (style) {
    case TProCustomLabel::ssCustom: return {false, TProCustomLabel::drNone, 0, 0, 0};
    case TProCustomLabel::ssRaised: return {true, TProCustomLabel::drUpLeft, 1, 1, clWhite};
    case TProCustomLabel::ssRecessed: return {true, TProCustomLabel::drDownRight, 1, 1, clWhite};
    case TProCustomLabel::ssShadow: return {true, TProCustomLabel::drDownRight, 2, 1, clBtnShadow};
    case TProCustomLabel::ssThickShadow: return {true, TProCustomLabel::drDownRight, 1, 4, clBtnShadow};
    case TProCustomLabel::ssNone:
    default: return {true, TProCustomLabel::drNone, 0, 0, clBtnShadow};
    }
}

unsigned LabelFormat(Qt::Alignment alignment, bool wordWrap, bool showAccelChar)
{
    unsigned format = DT_EXPANDTABS;
    if (alignment & Qt::AlignHCenter)
        format |= DT_CENTER;
    else if (alignment & Qt::AlignRight)
        format |= DT_RIGHT;
    if (wordWrap)
        format |= DT_WORDBREAK;
    if (!showAccelChar)
        format |= DT_NOPREFIX;
    return format;
}

TRotatedBox RotatedBox(int angle, double cosine, double sine, int textWidth, int textHeight)
{
    TRotatedBox box;
    box.A = int(textWidth * cosine); // truncated toward zero
    box.B = int(textWidth * sine);
    box.C = int(textHeight * cosine);
    box.D = int(textHeight * sine);
    box.Quadrant = std::clamp(angle, 0, 359) / 90;
    switch (box.Quadrant) {
    case 0: box.Width = box.A + box.D; box.Height = box.B + box.C; break;
    case 1: box.Width = box.D - box.A; box.Height = box.B - box.C; break;
    case 2: box.Width = -box.A - box.D; box.Height = -box.B - box.C; break;
    default: box.Width = box.A - box.D; box.Height = box.C - box.B; break;
    }
    return box;
}

QPoint RotatedShift(const TRotatedBox &box, int boxWidth, int boxHeight)
{
    switch (box.Quadrant) {
    case 0: return QPoint(0, box.B);
    case 1: return QPoint(-box.A, boxHeight);
    case 2: return QPoint(boxWidth, -box.C);
    default: return QPoint(-box.D, 0);
    }
}

QPoint RotatedTextOrigin(const QRect &client, const TRotatedBox &box, Qt::Alignment alignment,
                         TVerticalAlignment vertical)
{
    // Window rectangles: right and bottom are the width and height.
    const int right = client.left() + client.width();
    const int bottom = client.top() + client.height();
    const int bw = std::min(box.Width, right);
    const int bh = std::min(box.Height, bottom);
    QPoint origin = client.topLeft();
    if (alignment & Qt::AlignHCenter)
        origin.rx() += (right - bw) >> 1; // rounded down, as a shift does
    else if (alignment & Qt::AlignRight)
        origin.rx() += right - bw;
    if (vertical == TProCustomLabel::vaCenter)
        origin.ry() += (bottom - bh) >> 1;
    else if (vertical == TProCustomLabel::vaBottom)
        origin.ry() += bottom - bh;
    return origin + RotatedShift(box, bw, bh); // the clamped size, as the shift names it
}

QRect VerticalAlignedRect(const QRect &client, int textHeight, TVerticalAlignment vertical)
{
    QRect rect = client;
    const int diff = client.height() - textHeight;
    rect.setHeight(textHeight);
    if (vertical == TProCustomLabel::vaCenter)
        rect.translate(0, diff / 2); // toward zero: a tall caption moves up by half the excess
    else if (vertical == TProCustomLabel::vaBottom)
        rect.translate(0, diff);
    return rect;
}

// ---- Effects label ----

TProCustomLabel::TProCustomLabel(QWidget *owner) : QWidget(owner)
{
    m_shadowColor = clBtnShadow;
}

void TProCustomLabel::SetCaption(const QString &caption)
{
    if (caption == m_caption)
        return;
    m_caption = caption;
    AdjustBounds();
    update();
}

void TProCustomLabel::SetAlignment(Qt::Alignment alignment)
{
    alignment &= Qt::AlignHorizontal_Mask;
    if (alignment == m_alignment)
        return;
    m_alignment = alignment;
    update();
}

void TProCustomLabel::SetAutoSize(bool autoSize)
{
    if (autoSize == m_autoSize)
        return;
    m_autoSize = autoSize;
    AdjustBounds();
}

void TProCustomLabel::SetColor(quint32 color)
{
    if (color == m_color)
        return;
    m_color = color;
    update();
}

void TProCustomLabel::SetFontColor(quint32 color)
{
    if (color == m_fontColor)
        return;
    m_fontColor = color;
    FontChanged();
    update();
}

void TProCustomLabel::SetShowAccelChar(bool show)
{
    if (show == m_showAccelChar)
        return;
    m_showAccelChar = show;
    AdjustBounds();
    update();
}

void TProCustomLabel::SetTransparent(bool transparent)
{
    if (transparent == m_transparent)
        return;
    m_transparent = transparent;
    update();
}

void TProCustomLabel::SetWordWrap(bool wordWrap)
{
    if (wordWrap == m_wordWrap)
        return;
    m_wordWrap = wordWrap;
    AdjustBounds();
    update();
}

void TProCustomLabel::SetAngle(int angle)
{
    angle = NormalizeAngle(angle);
    if (angle == m_angle)
        return;
    m_angle = angle;
    m_cos = std::cos(angle * M_PI / 180.0);
    m_sin = std::sin(angle * M_PI / 180.0);
    if (angle > 0 && m_autoSize)
        SetAutoSize(false);
    update();
}

void TProCustomLabel::SetOffsetX(int offset)
{
    if (offset == m_offsetX)
        return;
    m_offsetX = offset;
    if (offset > 0 && m_autoSize)
        SetAutoSize(false);
    update();
}

void TProCustomLabel::SetOffsetY(int offset)
{
    if (offset == m_offsetY)
        return;
    m_offsetY = offset;
    if (offset > 0 && m_autoSize)
        SetAutoSize(false);
    update();
}

void TProCustomLabel::SetShadowStyle(TShadowStyle style)
{
    if (style == m_shadowStyle)
        return;
    m_shadowStyle = style;
    const TShadowPreset preset = ShadowPreset(style);
    if (!preset.Applies)
        return;
    m_applyingPreset = true;
    SetShadowDirection(preset.Direction);
    SetShadowDepth(preset.Depth);
    SetShadowSize(preset.Size);
    SetShadowColor(preset.Color);
    m_applyingPreset = false;
}

void TProCustomLabel::SetShadowDirection(TDirection direction)
{
    if (direction == m_shadowDirection)
        return;
    m_shadowDirection = direction;
    if (!m_applyingPreset)
        m_shadowStyle = ssCustom;
    update();
}

void TProCustomLabel::SetShadowDepth(int depth)
{
    depth = std::clamp(depth, 0, MaxShadowValue);
    if (depth == m_shadowDepth)
        return;
    m_shadowDepth = quint16(depth);
    if (!m_applyingPreset)
        m_shadowStyle = ssCustom;
    update();
}

void TProCustomLabel::SetShadowSize(int size)
{
    size = std::clamp(size, 0, MaxShadowValue);
    if (size == m_shadowSize)
        return;
    m_shadowSize = quint16(size);
    if (!m_applyingPreset)
        m_shadowStyle = ssCustom;
    update();
}

void TProCustomLabel::SetShadowColor(quint32 color)
{
    if (color == m_shadowColor)
        return;
    m_shadowColor = color;
    if (!m_applyingPreset)
        m_shadowStyle = ssCustom;
    update();
}

void TProCustomLabel::SetVerticalAlignment(TVerticalAlignment alignment)
{
    if (alignment == m_verticalAlignment)
        return;
    m_verticalAlignment = alignment;
    update();
}

QSize TProCustomLabel::sizeHint() const
{
    const unsigned format = LabelFormat(m_alignment, m_wordWrap, m_showAccelChar) | DT_CALCRECT;
    const QRect bounds(0, 0, m_wordWrap ? width() : 0, 0);
    return MeasureTextA(fontMetrics(), m_caption, bounds, format).size();
}

// The toolkit label's auto-size: the plain caption's extent, nothing else.
void TProCustomLabel::AdjustBounds()
{
    if (m_autoSize)
        resize(sizeHint());
}

void TProCustomLabel::MouseEnter()
{
    if (m_onMouseEnter)
        m_onMouseEnter(this);
}

void TProCustomLabel::MouseLeave()
{
    if (m_onMouseLeave)
        m_onMouseLeave(this);
}

void TProCustomLabel::FontChanged()
{
    AdjustBounds();
}

void TProCustomLabel::SetMouseInside(bool inside)
{
    if (inside == m_mouseInside)
        return;
    m_mouseInside = inside;
    if (inside)
        MouseEnter();
    else
        MouseLeave();
}

void TProCustomLabel::enterEvent(QEnterEvent *event)
{
    QWidget::enterEvent(event);
    SetMouseInside(true);
}

void TProCustomLabel::leaveEvent(QEvent *event)
{
    QWidget::leaveEvent(event);
    SetMouseInside(false);
}

// A press is always over the label, whether or not an enter came first.
void TProCustomLabel::mousePressEvent(QMouseEvent *event)
{
    QWidget::mousePressEvent(event);
    SetMouseInside(true);
}

// While a button is held the label keeps the mouse, and the window system may
// hold back enter and leave; the moves tell where the pointer is.
void TProCustomLabel::mouseMoveEvent(QMouseEvent *event)
{
    QWidget::mouseMoveEvent(event);
    if (event->buttons() != Qt::NoButton)
        SetMouseInside(rect().contains(event->position().toPoint()));
}

void TProCustomLabel::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        FontChanged();
    if (event->type() == QEvent::FontChange || event->type() == QEvent::EnabledChange)
        update();
}

void TProCustomLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    PaintLabel(painter);
}

// Step D: a rotated caption is one line from its top-left corner; an upright
// one goes through DrawTextA with the label's format.
void TProCustomLabel::DrawCaption(QPainter &painter, const QRect &rect, unsigned format)
{
    if (m_angle != 0) {
        painter.save();
        painter.translate(rect.topLeft());
        painter.rotate(-m_angle); // counter-clockwise on the screen
        TextOutA(painter, 0, 0, m_caption);
        painter.restore();
        return;
    }
    QRect r = rect;
    DrawTextA(painter, m_caption, r, format);
}

void TProCustomLabel::PaintLabel(QPainter &painter)
{
    const unsigned format = LabelFormat(m_alignment, m_wordWrap, m_showAccelChar);
    const QRect client(0, 0, width(), height());
    QRect r = client;
    painter.setFont(font());
    if (!m_transparent)
        painter.fillRect(client, ControlColor(m_color));
    painter.setBrush(Qt::NoBrush);

    if (m_angle != 0) {
        // Qt's fonts turn with the painter; the metrics are the upright ones.
        const QFontMetrics metrics(font());
        const TRotatedBox box = RotatedBox(m_angle, m_cos, m_sin, metrics.horizontalAdvance(m_caption),
                                           metrics.height());
        r.moveTopLeft(RotatedTextOrigin(client, box, m_alignment, m_verticalAlignment));
    } else if (m_verticalAlignment != vaTop) {
        QRect measured = r;
        const int h = DrawTextA(painter, m_caption, measured, format | DT_CALCRECT);
        r = VerticalAlignedRect(client, h, m_verticalAlignment);
    }
    r.translate(m_offsetX, m_offsetY);

    if (m_shadowStyle != ssNone) {
        const QPoint step = DirectionStep(m_shadowDirection);
        QRect layer = r.translated(step * m_shadowDepth);
        painter.setPen(ControlColor(isEnabled() ? m_shadowColor : clGrayText));
        for (int i = 0; i < m_shadowSize; ++i) {
            DrawCaption(painter, layer, format);
            layer.translate(step);
        }
    }
    painter.setPen(ControlColor(isEnabled() ? m_fontColor : clGrayText));
    DrawCaption(painter, r, format);
}

// ---- Kind button ----

namespace {

struct TKindGroup
{
    int ModalResult;
    int CaptionIds[5]; // English, Russian, Ukrainian, French, Portuguese
};

// The thirteen groups of five, from pbkCancel on.
constexpr TKindGroup kKindGroups[13] = {
    {2, {30101, 30130, 30160, 30191, 30301}},  // Cancel
    {0, {30102, 30131, 30161, 30192, 30302}},  // Help
    {6, {30103, 30132, 30162, 30193, 30303}},  // Yes
    {7, {30104, 30133, 30163, 30194, 30304}},  // No
    {0, {30105, 30134, 30164, 30195, 30305}},  // Close
    {3, {30106, 30135, 30165, 30196, 30306}},  // Abort
    {4, {30107, 30136, 30166, 30197, 30307}},  // Retry
    {5, {30108, 30137, 30167, 30198, 30308}},  // Ignore
    {8, {30109, 30138, 30168, 30199, 30309}},  // All
    {9, {30110, 30139, 30169, 30200, 30310}},  // Done
    {0, {30111, 30140, 30170, 30201, 30311}},  // Prev
    {0, {30112, 30141, 30171, 30202, 30312}},  // Next
    {10, {30113, 30142, 30172, 30203, 30313}}, // Finish
};

constexpr bool InRange(int value, int low, int high)
{
    return value >= low && value <= high;
}

// The help layer opens its file at the beginning; it has no topics.
void ShowHelpFile(QWidget *sender, int)
{
    WinHelp(sender ? sender->window() : nullptr, qApp->property("HelpFile").toString());
}

TProButton::THelpContextHandler &HelpContextHandler()
{
    static TProButton::THelpContextHandler handler = ShowHelpFile;
    return handler;
}

} // namespace

TProKindInfo ProKindInfo(TProButtonKind kind)
{
    const int k = int(kind);
    if (k <= 0 || k > TProButton::pbkFinishPor)
        return {0, 0, false, false};
    const bool isDefault = k == 1 || InRange(k, 12, 16) || InRange(k, 47, 51) || InRange(k, 57, 66);
    const bool isCancel = InRange(k, 2, 6) || InRange(k, 17, 21);
    if (k == TProButton::pbkOk)
        return {30100, 1, isDefault, isCancel};
    const TKindGroup &group = kKindGroups[(k - 2) / 5];
    return {group.CaptionIds[(k - 2) % 5], group.ModalResult, isDefault, isCancel};
}

QString ProKindCaption(TProButtonKind kind)
{
    const int id = ProKindInfo(kind).CaptionId;
    return id ? LoadProString(id) : QString();
}

TProButton::TProButton(QWidget *owner) : QPushButton(owner), m_loading(FormIsLoading())
{
    // A failing OnClick or help call stops at the click, not in the event loop.
    connect(this, &QAbstractButton::clicked, this, Guarded(this, &TProButton::Click));
}

TProButton::~TProButton()
{
    if (m_watchedWindow)
        m_watchedWindow->removeEventFilter(this);
}

TProButtonKind TProButton::Kind()
{
    if (m_kind != pbkCustom) {
        const TProKindInfo info = ProKindInfo(m_kind);
        if (isDefault() != info.Default || m_cancel != info.Cancel || m_modalResult != info.ModalResult)
            m_kind = pbkCustom;
    }
    return m_kind;
}

void TProButton::SetKind(TProButtonKind kind)
{
    if (kind == m_kind)
        return;
    m_kind = kind;
    if (kind == pbkCustom)
        return;
    const TProKindInfo info = ProKindInfo(kind);
    setDefault(info.Default);
    m_cancel = info.Cancel;
    if (!(m_loading && !text().isEmpty())) // a caption read from the form wins
        setText(ProKindCaption(kind));
    m_modalResult = info.ModalResult;
}

bool TProButton::IsCaptionStored()
{
    return text() != ProKindCaption(Kind());
}

void TProButton::SetHelpContextHandler(THelpContextHandler handler)
{
    HelpContextHandler() = handler ? std::move(handler) : ShowHelpFile;
}

void TProButton::Click()
{
    const int kind = Kind();
    if (InRange(kind, pbkHelp, pbkHelpPor)) {
        for (QWidget *widget = this; widget; widget = widget->parentWidget()) {
            const int context = widget->property("HelpContext").toInt();
            if (context != 0) {
                HelpContextHandler()(this, context);
                return;
            }
        }
    } else if (InRange(kind, pbkClose, pbkClosePor) && parentWidget()) {
        window()->close();
        return;
    }
    if (QWidget *form = window(); form != this) {
        form->setProperty("ModalResult", m_modalResult);
        if (auto *dialog = qobject_cast<QDialog *>(form); dialog && m_modalResult != 0)
            dialog->done(m_modalResult);
    }
    if (m_onClick)
        m_onClick(this);
}

// Enter and Esc that no control of the window took reach the window itself;
// the default and the cancel button answer them there.
void TProButton::WatchWindow()
{
    QWidget *form = window();
    if (form == this)
        form = nullptr;
    if (form == m_watchedWindow)
        return;
    if (m_watchedWindow)
        m_watchedWindow->removeEventFilter(this);
    m_watchedWindow = form;
    if (form) {
        form->installEventFilter(this);
        connect(form, &QObject::destroyed, this, [this, form] {
            if (m_watchedWindow == form)
                m_watchedWindow = nullptr;
        });
    }
}

bool TProButton::event(QEvent *event)
{
    if (event->type() == QEvent::ParentChange || event->type() == QEvent::Show)
        WatchWindow();
    return QPushButton::event(event);
}

bool TProButton::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_watchedWindow && event->type() == QEvent::KeyPress && isVisible() && isEnabled()) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
        const bool enter = (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && mods == Qt::NoModifier;
        const bool escape = key->key() == Qt::Key_Escape && mods == Qt::NoModifier;
        if ((enter && isDefault()) || (escape && m_cancel)) {
            click();
            return true;
        }
    }
    return QPushButton::eventFilter(watched, event);
}
