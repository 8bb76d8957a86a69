#include "platform/StatusBar.h"

#include <QHBoxLayout>
#include <QLabel>

TStatusBar::TStatusBar(QWidget *parent) : QWidget(parent)
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 2, 0, 0);
    layout->setSpacing(2);
}

void TStatusBar::SetPanelWidths(const QList<int> &widths)
{
    qDeleteAll(m_panels);
    m_panels.clear();
    auto *box = static_cast<QHBoxLayout *>(layout());
    for (int width : widths) {
        auto *panel = new QLabel(this);
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        panel->setFixedWidth(width);
        panel->setIndent(2);
        box->addWidget(panel);
        m_panels << panel;
    }
    box->addStretch(1);
}

int TStatusBar::PanelCount() const
{
    return int(m_panels.size());
}

QString TStatusBar::PanelText(int index) const
{
    return m_panels.value(index) ? m_panels[index]->text() : QString();
}

void TStatusBar::SetPanelText(int index, const QString &text)
{
    if (QLabel *panel = m_panels.value(index))
        panel->setText(text);
}

int TStatusBar::PanelWidth(int index) const
{
    return m_panels.value(index) ? m_panels[index]->width() : 0;
}
