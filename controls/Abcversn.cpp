#include "controls/Abcversn.h"

#include "platform/Colors.h"
#include "platform/DrawText.h"
#include "platform/Errors.h"
#include "platform/VersionInfo.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace {

const QString kBuildFlags = QStringLiteral("BuildFlags");
constexpr quint32 kColorBtnHighlight = 0x80000014;
constexpr quint32 kColorBtnShadow = 0x80000010;
// dwFileFlags is the eighth DWORD of the fixed file information.
constexpr qsizetype kFileFlagsOffset = 28;

QString Hex4(quint16 value) { return QStringLiteral("%1").arg(value, 4, 16, QLatin1Char('0')).toUpper(); }

} // namespace

// ---- TabcVersionInfoItem ----

TabcVersionInfoItem::TabcVersionInfoItem(TabcVersionInfoCollection *collection) : QObject(collection) {}

TabcVersionInfoCollection *TabcVersionInfoItem::Collection() const
{
    return static_cast<TabcVersionInfoCollection *>(parent());
}

int TabcVersionInfoItem::Index() const { return Collection() ? Collection()->IndexOf(this) : -1; }

void TabcVersionInfoItem::SetKey(const QString &key)
{
    if (key == m_key)
        return;
    m_key = key;
    Changed();
}

void TabcVersionInfoItem::SetCaption(const QString &caption)
{
    if (caption == m_caption)
        return;
    m_caption = caption;
    Changed();
}

void TabcVersionInfoItem::SetVisible(bool visible)
{
    if (visible == m_visible)
        return;
    m_visible = visible;
    Changed();
}

void TabcVersionInfoItem::Assign(const QObject *source)
{
    const auto *item = qobject_cast<const TabcVersionInfoItem *>(source);
    if (!item)
        throw EGlimraError(QStringLiteral("Cannot assign a %1 to a %2")
                               .arg(source ? QString::fromLatin1(source->metaObject()->className())
                                           : QStringLiteral("nil"),
                                    QString::fromLatin1(metaObject()->className())));
    m_caption = item->m_caption;
    m_key = item->m_key;
    m_value.clear();
}

void TabcVersionInfoItem::Changed()
{
    if (Collection())
        Collection()->Changed(this);
}

// ---- TabcVersionInfoCollection ----

TabcVersionInfoCollection::TabcVersionInfoCollection(TabcCustomVersionLabel *owner)
    : QObject(owner), m_owner(owner)
{
}

TabcVersionInfoItem *TabcVersionInfoCollection::Add()
{
    auto *item = new TabcVersionInfoItem(this);
    m_items.append(item);
    Changed(nullptr);
    return item;
}

void TabcVersionInfoCollection::Delete(int index)
{
    delete m_items.takeAt(index);
    Changed(nullptr);
}

void TabcVersionInfoCollection::Clear()
{
    if (m_items.isEmpty())
        return;
    BeginUpdate();
    qDeleteAll(m_items);
    m_items.clear();
    EndUpdate();
}

void TabcVersionInfoCollection::Assign(const TabcVersionInfoCollection &source)
{
    if (&source == this)
        return;
    BeginUpdate();
    Clear();
    for (const TabcVersionInfoItem *item : source.m_items)
        Add()->Assign(item);
    EndUpdate();
}

void TabcVersionInfoCollection::EndUpdate()
{
    if (m_updateCount > 0 && --m_updateCount == 0)
        Changed(nullptr);
}

void TabcVersionInfoCollection::Changed(TabcVersionInfoItem *item)
{
    if (m_updateCount == 0)
        Update(item);
}

void TabcVersionInfoCollection::Update(TabcVersionInfoItem *)
{
    if (!m_owner || !m_owner->Designing())
        ReadVersionValues();
    if (m_onUpdateVersionInfo)
        m_onUpdateVersionInfo(this);
    if (m_owner)
        m_owner->RefreshCaption();
}

void TabcVersionInfoCollection::ReadVersionValues()
{
    const QString path = m_fileName.isEmpty() ? QCoreApplication::applicationFilePath() : m_fileName;
    quint32 handle = 0;
    const quint32 size = GetFileVersionInfoSizeA(path, &handle);
    if (size == 0)
        return; // no version resource: the values stay as they were
    // One spare byte, zeroed, as the reader of the original did.
    QByteArray buffer(qsizetype(size) + 1, '\0');
    GetFileVersionInfoA(path, 0, size, buffer.data());

    QByteArray value;
    quint32 length = 0;
    QString translation = QStringLiteral("0409");
    if (VerQueryValueA(buffer, QStringLiteral("\\VarFileInfo\\Translation"), &value, &length) && length >= 4
        && value.size() >= 4) {
        const auto *raw = reinterpret_cast<const uchar *>(value.constData());
        translation = Hex4(quint16(raw[0] | raw[1] << 8)) + Hex4(quint16(raw[2] | raw[3] << 8));
    }
    const QString prefix = QStringLiteral("\\StringFileInfo\\") + translation + u'\\';

    for (TabcVersionInfoItem *item : std::as_const(m_items)) {
        if (item->Key() == kBuildFlags) {
            item->SetValue(BuildFlagsText(buffer));
        } else if (VerQueryValueA(buffer, prefix + item->Key(), &value, &length)) {
            const qsizetype limit = std::min<qsizetype>(length, value.size());
            item->SetValue(FromAnsiCodePage(QByteArrayView(value.constData(), qstrnlen(value.constData(), size_t(limit)))));
        } else {
            item->SetValue(QString());
        }
    }
}

QString TabcVersionInfoCollection::BuildFlagsText(QByteArrayView block)
{
    QByteArray fixed;
    quint32 length = 0;
    // A fixed information too short to hold the flags word reads as no flags.
    if (!VerQueryValueA(block, QStringLiteral("\\"), &fixed, &length) || length <= 1
        || fixed.size() < kFileFlagsOffset + 4)
        return QString();
    const auto *raw = reinterpret_cast<const uchar *>(fixed.constData() + kFileFlagsOffset);
    return FileFlagsText(quint32(raw[0]) | quint32(raw[1]) << 8 | quint32(raw[2]) << 16 | quint32(raw[3]) << 24);
}

QString TabcVersionInfoCollection::FileFlagsText(quint32 flags)
{
    static constexpr struct
    {
        quint32 bit;
        const char *text;
    } kFlags[] = {{0x01, ", Debug"},   {0x10, ", InfoInferred"}, {0x04, ", Patched"},
                  {0x02, ", Pre-Release"}, {0x08, ", Private"}, {0x20, ", Special"}};
    QString text;
    for (const auto &flag : kFlags)
        if (flags & flag.bit)
            text += QLatin1String(flag.text);
    return text.mid(2);
}

// ---- TabcCustomVersionLabel ----

TabcCustomVersionLabel::TabcCustomVersionLabel(QWidget *parent)
    : QLabel(parent), m_versionInfo(new TabcVersionInfoCollection(this))
{
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
}

TabcCustomVersionLabel::~TabcCustomVersionLabel()
{
    delete m_versionInfo;
}

void TabcCustomVersionLabel::Loaded()
{
    if (!m_designing)
        m_versionInfo->Update(nullptr);
}

void TabcCustomVersionLabel::RefreshCaption()
{
    QString text;
    if (m_versionInfo->Count() == 0) {
        if (m_designing)
            text = QStringLiteral("<VersionInfo needed>");
    } else {
        for (int i = 0; i < m_versionInfo->Count(); ++i) {
            const TabcVersionInfoItem *item = m_versionInfo->Items(i);
            if (!item->Visible())
                continue;
            text += item->Caption() + u'\t'
                  + (m_designing ? QStringLiteral("<not available at designtime>") : item->Value())
                  + QStringLiteral("\r\n");
            if (m_doubleSpaced)
                text += QStringLiteral("\r\n");
        }
    }
    setText(text);
}

void TabcCustomVersionLabel::SetVersionInfo(TabcVersionInfoCollection *value)
{
    if (value)
        m_versionInfo->Assign(*value);
}

void TabcCustomVersionLabel::SetDoubleSpaced(bool value)
{
    if (value == m_doubleSpaced)
        return;
    m_doubleSpaced = value;
    RefreshCaption();
}

void TabcCustomVersionLabel::SetTabStop(quint8 value)
{
    if (value == m_tabStop)
        return;
    m_tabStop = value;
    update();
}

void TabcCustomVersionLabel::SetColor(const QColor &value)
{
    if (value == m_color)
        return;
    m_color = value;
    update();
}

void TabcCustomVersionLabel::SetTransparent(bool value)
{
    if (value == m_transparent)
        return;
    m_transparent = value;
    update();
}

unsigned TabcCustomVersionLabel::DrawFormat() const
{
    return (DT_WORDBREAK | DT_EXPANDTABS | DT_TABSTOP | DT_NOPREFIX) | unsigned(m_tabStop) << 8;
}

void TabcCustomVersionLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (!m_transparent)
        painter.fillRect(rect(), m_color.isValid() ? m_color : palette().color(backgroundRole()));
    painter.setBrush(Qt::NoBrush);
    QRect area = rect();
    DoDrawText(painter, area, DrawFormat());
}

void TabcCustomVersionLabel::DoDrawText(QPainter &painter, QRect &rect, unsigned format)
{
    QString caption = text();
    // The tab-stop count takes the byte where the measuring flag would be.
    if ((format & DT_CALCRECT) && !(format & DT_TABSTOP) && caption.isEmpty())
        caption = QStringLiteral(" ");
    painter.setFont(font());
    if (isEnabled()) {
        painter.setPen(palette().color(QPalette::WindowText));
        DrawTextA(painter, caption, rect, format);
        return;
    }
    rect.translate(1, 1);
    painter.setPen(ColorFromValue(kColorBtnHighlight));
    DrawTextA(painter, caption, rect, format);
    rect.translate(-1, -1);
    painter.setPen(ColorFromValue(kColorBtnShadow));
    DrawTextA(painter, caption, rect, format);
}

void TabcCustomVersionLabel::mouseReleaseEvent(QMouseEvent *event)
{
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit Click();
}

void TabcCustomVersionLabel::mouseDoubleClickEvent(QMouseEvent *event)
{
    QLabel::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton)
        emit DblClick();
}
