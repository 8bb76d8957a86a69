#include "platform/StringGrid.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

TStringGrid::TStringGrid(QWidget *parent) : QWidget(parent)
{
    setFocusPolicy(Qt::ClickFocus); // not a tab stop
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TStringGrid::SetDimensions(int colCount, int rowCount, int colWidth, int rowHeight)
{
    m_cols = std::max(colCount, 0);
    m_rows = std::max(rowCount, 0);
    m_colWidth = colWidth;
    m_rowHeight = rowHeight;
    m_cells = QStringList(qsizetype(m_cols) * m_rows);
    m_col = m_row = 0;
    updateGeometry();
    update();
}

QString TStringGrid::Cell(int col, int row) const
{
    if (col < 0 || row < 0 || col >= m_cols || row >= m_rows)
        return {};
    return m_cells.at(qsizetype(row) * m_cols + col);
}

void TStringGrid::SetCell(int col, int row, const QString &text)
{
    if (col < 0 || row < 0 || col >= m_cols || row >= m_rows)
        return;
    m_cells[qsizetype(row) * m_cols + col] = text;
    update(CellRect(col, row));
}

void TStringGrid::MoveCurrent(int col, int row)
{
    if (col < 0 || row < 0 || col >= m_cols || row >= m_rows)
        return;
    const QRect old = CellRect(m_col, m_row);
    m_col = col;
    m_row = row;
    update(old);
    update(CellRect(col, row));
    emit SelectCell(col, row);
}

QPoint TStringGrid::CellAt(const QPoint &pos) const
{
    if (pos.x() < 0 || pos.y() < 0)
        return {-1, -1};
    const int col = pos.x() / (m_colWidth + GridLineWidth);
    const int row = pos.y() / (m_rowHeight + GridLineWidth);
    if (col >= m_cols || row >= m_rows)
        return {-1, -1};
    return {col, row};
}

QRect TStringGrid::CellRect(int col, int row) const
{
    return {col * (m_colWidth + GridLineWidth), row * (m_rowHeight + GridLineWidth), m_colWidth, m_rowHeight};
}

QSize TStringGrid::sizeHint() const
{
    return {m_cols * (m_colWidth + GridLineWidth), m_rows * (m_rowHeight + GridLineWidth)};
}

void TStringGrid::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QPalette &pal = palette();
    painter.fillRect(rect(), pal.color(QPalette::Window));
    painter.setPen(pal.color(QPalette::Button));
    for (int c = 1; c <= m_cols; ++c) {
        const int x = c * (m_colWidth + GridLineWidth) - 1;
        painter.drawLine(x, 0, x, sizeHint().height() - 1);
    }
    for (int r = 1; r <= m_rows; ++r) {
        const int y = r * (m_rowHeight + GridLineWidth) - 1;
        painter.drawLine(0, y, sizeHint().width() - 1, y);
    }
    for (int r = 0; r < m_rows; ++r) {
        for (int c = 0; c < m_cols; ++c) {
            const QRect cell = CellRect(c, r);
            const bool current = c == m_col && r == m_row;
            painter.fillRect(cell, pal.color(current ? QPalette::Highlight : QPalette::Base));
            painter.setPen(pal.color(current ? QPalette::HighlightedText : QPalette::Text));
            painter.save();
            painter.setClipRect(cell);
            const QRect text = cell.adjusted(2, 2, 0, 0);
            painter.drawText(text, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine | Qt::TextDontClip,
                             Cell(c, r));
            painter.restore();
        }
    }
}

void TStringGrid::mousePressEvent(QMouseEvent *event)
{
    setFocus(Qt::MouseFocusReason);
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint cell = CellAt(event->position().toPoint());
    if (cell.x() < 0)
        return;
    m_selecting = true;
    MoveCurrent(cell.x(), cell.y());
}

void TStringGrid::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_selecting || !(event->buttons() & Qt::LeftButton))
        return;
    // Dragging selects each cell passed over; the pointer outside keeps the last one.
    const QPoint cell = CellAt(event->position().toPoint());
    if (cell.x() >= 0 && (cell.x() != m_col || cell.y() != m_row))
        MoveCurrent(cell.x(), cell.y());
}

void TStringGrid::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_selecting = false;
    emit MouseUp(event->button(), event->modifiers(), event->position().toPoint());
}

void TStringGrid::keyPressEvent(QKeyEvent *event)
{
    int col = m_col, row = m_row;
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    switch (event->key()) {
    case Qt::Key_Left: --col; break;
    case Qt::Key_Right: ++col; break;
    case Qt::Key_Up: --row; break;
    case Qt::Key_Down: ++row; break;
    case Qt::Key_PageUp: row = 0; break;              // every row is visible: a page is the whole grid
    case Qt::Key_PageDown: row = m_rows - 1; break;
    case Qt::Key_Home: col = 0; if (ctrl) row = 0; break;
    case Qt::Key_End: col = m_cols - 1; if (ctrl) row = m_rows - 1; break;
    default: {
        // Control characters count too (Enter, Esc, Backspace, Ctrl+letter);
        // Tab belongs to focus movement and Delete types nothing.
        const QChar c = event->text().isEmpty() ? QChar() : event->text().at(0);
        if (c.isPrint() || (c.unicode() > 0 && c.unicode() < 0x20 && c != u'\t'))
            emit KeyPress(c);
        else
            QWidget::keyPressEvent(event);
        return;
    }
    }
    col = std::clamp(col, 0, std::max(m_cols - 1, 0));
    row = std::clamp(row, 0, std::max(m_rows - 1, 0));
    if (col != m_col || row != m_row)
        MoveCurrent(col, row);
}
