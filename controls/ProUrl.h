#pragma once
// A link label: blue and underlined with a pointing hand, red while pressed,
// opens its address with the desktop's "open" when released over it.

#include "controls/ProCtrls.h"

#include <functional>

// Hands an address to the desktop; false when it could not be opened. Tests
// put a recorder here so that nothing is launched.
using TShellOpen = std::function<bool(QWidget *Window, const QString &Operation, const QString &File)>;
TShellOpen SetShellOpen(TShellOpen open); // returns the previous one
bool ShellOpenDefault(QWidget *window, const QString &operation, const QString &file);
// Opens file or address through the seam in use, as a link label does (a
// label does not report a failure); false when it could not be opened.
bool ShellOpenFile(QWidget *window, const QString &file);

constexpr quint32 clUrlBlue = 0xFF0000u;
constexpr quint32 clUrlRed = 0x0000FFu;
constexpr quint32 clUrlNavy = 0x800000u;

class TProUrlLabel : public TProLabel
{
    Q_OBJECT
    Q_PROPERTY(QString URL READ URL WRITE SetURL)
    Q_PROPERTY(quint32 UnvisitedColor READ UnvisitedColor WRITE SetUnvisitedColor)
    Q_PROPERTY(quint32 ActivatedColor READ ActivatedColor WRITE SetActivatedColor)
    Q_PROPERTY(quint32 VisitedColor READ VisitedColor WRITE SetVisitedColor)

public:
    explicit TProUrlLabel(QWidget *owner = nullptr);

    QString URL() const { return m_url; }
    void SetURL(const QString &url) { m_url = url; }
    quint32 UnvisitedColor() const { return m_unvisitedColor; }
    void SetUnvisitedColor(quint32 color);
    quint32 ActivatedColor() const { return m_activatedColor; }
    void SetActivatedColor(quint32 color) { m_activatedColor = color; }
    quint32 VisitedColor() const { return m_visitedColor; }
    void SetVisitedColor(quint32 color);

    bool Visited() const { return m_visited; }
    bool Pressed() const { return m_pressed; }

    // What a press and a release of any button do; the release throws
    // EGlimraError for a label on no window, and then opens nothing.
    void MouseDown();
    void MouseUp(QPoint pos);

protected:
    void MouseEnter() override;
    void MouseLeave() override;
    void FontChanged() override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    quint32 IdleColor() const { return m_visited ? m_visitedColor : m_unvisitedColor; }

    QString m_url;
    quint32 m_unvisitedColor = 0;
    quint32 m_activatedColor = 0;
    quint32 m_visitedColor = 0;
    bool m_visited = false;
    bool m_pressed = false;
};
