#pragma once
// A status bar of text panels, each a sunken box of a given width. Where the
// window is narrower than the panels, they give way in proportion and their
// texts are cut short with an ellipsis (the whole text shows as a tool tip);
// a panel may hide itself while its text is empty.

#include <QList>
#include <QWidget>

class QLabel;

class TStatusBar : public QWidget
{
    Q_OBJECT
public:
    explicit TStatusBar(QWidget *parent = nullptr);

    void SetPanelWidths(const QList<int> &widths);
    int PanelCount() const;
    QString PanelText(int index) const;
    void SetPanelText(int index, const QString &text);
    int PanelWidth(int index) const; // as laid out now
    void SetHiddenWhenEmpty(int index, bool hidden);
    bool PanelVisible(int index) const;

private:
    QList<QLabel *> m_panels;
    QList<bool> m_hiddenWhenEmpty;
};
