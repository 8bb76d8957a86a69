#include "controls/ProUrl.h"

#include "platform/Errors.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QMouseEvent>
#include <QUrl>

namespace {

TShellOpen &ShellOpen()
{
    static TShellOpen open = ShellOpenDefault;
    return open;
}

} // namespace

TShellOpen SetShellOpen(TShellOpen open)
{
    TShellOpen previous = std::move(ShellOpen());
    ShellOpen() = std::move(open);
    return previous;
}

bool ShellOpenDefault(QWidget *, const QString &, const QString &file)
{
    // A local file by its path, anything else as an address (http:, mailto:).
    const QUrl url = QFileInfo::exists(file) ? QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath())
                                             : QUrl(file, QUrl::TolerantMode);
    return url.isValid() && !url.isEmpty() && QDesktopServices::openUrl(url);
}

bool ShellOpenFile(QWidget *window, const QString &file)
{
    return ShellOpen()(window, QStringLiteral("open"), file);
}

TProUrlLabel::TProUrlLabel(QWidget *owner) : TProLabel(owner)
{
    SetFontColor(clUrlBlue);
    QFont underlined = font();
    underlined.setUnderline(true);
    setFont(underlined);
    m_unvisitedColor = clUrlBlue;
    m_activatedColor = clUrlRed;
    m_visitedColor = clUrlNavy;
    setCursor(ScreenCursor(crProHandPoint));
}

void TProUrlLabel::SetUnvisitedColor(quint32 color)
{
    if (color == m_unvisitedColor)
        return;
    if (m_visited)
        m_unvisitedColor = color;
    else
        SetFontColor(color); // the font-change rule stores it
}

void TProUrlLabel::SetVisitedColor(quint32 color)
{
    if (color == m_visitedColor)
        return;
    if (m_visited)
        SetFontColor(color);
    else
        m_visitedColor = color;
}

// The font's colour is the colour of the state the link is in.
void TProUrlLabel::FontChanged()
{
    TProLabel::FontChanged();
    if (m_pressed)
        return;
    if (m_visited)
        m_visitedColor = FontColor();
    else
        m_unvisitedColor = FontColor();
}

void TProUrlLabel::MouseDown()
{
    m_pressed = true;
    SetFontColor(m_activatedColor);
}

void TProUrlLabel::MouseUp(QPoint pos)
{
    // The right and bottom edge lines count as inside.
    if (pos.x() < 0 || pos.y() < 0 || pos.y() > height() || pos.x() > width()) {
        SetFontColor(IdleColor());
    } else if (m_pressed) {
        QWidget *form = parentWidget() ? window() : nullptr;
        if (!form) {
            m_pressed = false;
            SetFontColor(IdleColor());
            throw EGlimraError(QStringLiteral("Control '%1' has no parent window").arg(objectName()));
        }
        m_visited = true;
        SetFontColor(m_visitedColor);
        if (ShellOpen())
            ShellOpen()(form, QStringLiteral("open"), m_url.isEmpty() ? Caption() : m_url);
    }
    m_pressed = false;
}

void TProUrlLabel::MouseEnter()
{
    TProLabel::MouseEnter();
    if (m_pressed)
        SetFontColor(m_activatedColor);
}

void TProUrlLabel::MouseLeave()
{
    TProLabel::MouseLeave();
    if (m_pressed)
        SetFontColor(IdleColor());
}

void TProUrlLabel::mousePressEvent(QMouseEvent *event)
{
    TProLabel::mousePressEvent(event);
    event->accept(); // the release must come back here
    MouseDown();
}

void TProUrlLabel::mouseReleaseEvent(QMouseEvent *event)
{
    TProLabel::mouseReleaseEvent(event);
    event->accept();
    // The missing-window error stops here and reaches the error box rather
    // than unwinding through the toolkit's event dispatch.
    Guarded(this, &TProUrlLabel::MouseUp)(event->position().toPoint());
}
