#include "textview/ImageView.h"

#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>

TImageView::TImageView(QWidget *parent) : QAbstractScrollArea(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAutoFillBackground(true);
}

void TImageView::SetImage(const QImage &image)
{
    m_image = image;
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
    UpdateBars();
    viewport()->update();
}

void TImageView::SetBackground(const QColor &color)
{
    QPalette palette = viewport()->palette();
    palette.setColor(QPalette::Base, color);
    viewport()->setPalette(palette);
}

void TImageView::UpdateBars()
{
    const QSize size = m_image.deviceIndependentSize().toSize(), view = viewport()->size();
    horizontalScrollBar()->setRange(0, std::max(0, size.width() - view.width()));
    horizontalScrollBar()->setPageStep(view.width());
    horizontalScrollBar()->setSingleStep(16);
    verticalScrollBar()->setRange(0, std::max(0, size.height() - view.height()));
    verticalScrollBar()->setPageStep(view.height());
    verticalScrollBar()->setSingleStep(16);
}

void TImageView::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    UpdateBars();
}

void TImageView::paintEvent(QPaintEvent *)
{
    QPainter painter(viewport());
    const QSize size = m_image.deviceIndependentSize().toSize(), view = viewport()->size();
    // Smaller than the view: in its middle; larger: from where it is scrolled to.
    const int x = size.width() < view.width() ? (view.width() - size.width()) / 2 : -horizontalScrollBar()->value();
    const int y = size.height() < view.height() ? (view.height() - size.height()) / 2 : -verticalScrollBar()->value();
    painter.drawImage(QPoint(x, y), m_image);
}

void TImageView::keyPressEvent(QKeyEvent *event)
{
    QScrollBar *down = verticalScrollBar(), *across = horizontalScrollBar();
    switch (event->key()) {
    case Qt::Key_Up: down->triggerAction(QAbstractSlider::SliderSingleStepSub); return;
    case Qt::Key_Down: down->triggerAction(QAbstractSlider::SliderSingleStepAdd); return;
    case Qt::Key_PageUp: down->triggerAction(QAbstractSlider::SliderPageStepSub); return;
    case Qt::Key_PageDown: down->triggerAction(QAbstractSlider::SliderPageStepAdd); return;
    case Qt::Key_Left: across->triggerAction(QAbstractSlider::SliderSingleStepSub); return;
    case Qt::Key_Right: across->triggerAction(QAbstractSlider::SliderSingleStepAdd); return;
    case Qt::Key_Home: down->setValue(0); across->setValue(0); return;
    case Qt::Key_End: down->setValue(down->maximum()); return;
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        emit EditRefused();
        return;
    default:
        break;
    }
    const bool typing = !event->text().isEmpty() && event->text().at(0).isPrint()
                        && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    if (typing)
        emit EditRefused();
    else
        QAbstractScrollArea::keyPressEvent(event);
}
