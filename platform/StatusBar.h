#pragma once
// A status bar of fixed-width text panels, each a sunken box; the last one
// takes what width is left.

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
    int PanelWidth(int index) const;

private:
    QList<QLabel *> m_panels;
};
