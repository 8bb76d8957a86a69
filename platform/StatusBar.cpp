#include "platform/StatusBar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>

namespace {

// A panel's label: its text elided to the width it is given.
class TPanelLabel : public QLabel
{
public:
    TPanelLabel(int width, QWidget *parent) : QLabel(parent), m_width(width)
    {
        setFrameStyle(QFrame::Panel | QFrame::Sunken);
        setIndent(2);
        setMinimumWidth(std::min(width, 24));
        setMaximumWidth(width);
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    }

    QSize sizeHint() const override { return {m_width, QLabel::sizeHint().height()}; }
    QSize minimumSizeHint() const override { return {minimumWidth(), QLabel::minimumSizeHint().height()}; }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        drawFrame(&painter);
        const QRect area = contentsRect().adjusted(indent(), 0, -indent(), 0);
        const QString shown = fontMetrics().elidedText(text(), Qt::ElideRight, area.width());
        painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
        setToolTip(shown == text() ? QString() : text());
    }

private:
    int m_width;
};

} // namespace

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
    while (box->count() > 0)
        delete box->takeAt(0);
    for (int width : widths) {
        auto *panel = new TPanelLabel(width, this);
        box->addWidget(panel, width); // a panel gives way in proportion to its width
        m_panels << panel;
    }
    m_hiddenWhenEmpty = QList<bool>(widths.size(), false);
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
    QLabel *panel = m_panels.value(index);
    if (!panel)
        return;
    panel->setText(text);
    if (m_hiddenWhenEmpty[index])
        panel->setVisible(!text.isEmpty());
}

int TStatusBar::PanelWidth(int index) const
{
    return m_panels.value(index) ? m_panels[index]->width() : 0;
}

void TStatusBar::SetHiddenWhenEmpty(int index, bool hidden)
{
    if (QLabel *panel = m_panels.value(index)) {
        m_hiddenWhenEmpty[index] = hidden;
        panel->setVisible(!hidden || !panel->text().isEmpty());
    }
}

bool TStatusBar::PanelVisible(int index) const
{
    return m_panels.value(index) && !m_panels[index]->isHidden();
}
