#pragma once
// A grid of text cells with one current cell, painted like the classic string
// grid: fixed cell sizes, 1-pixel grid lines at the right and bottom of each
// cell, no scroll bars, the text 2 pixels in from the cell's corner.

#include <QStringList>
#include <QWidget>

class TStringGrid : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(int ColCount READ ColCount)
    Q_PROPERTY(int RowCount READ RowCount)
    Q_PROPERTY(int Col READ Col)
    Q_PROPERTY(int Row READ Row)

public:
    explicit TStringGrid(QWidget *parent = nullptr);

    void SetDimensions(int colCount, int rowCount, int colWidth, int rowHeight);
    int ColCount() const { return m_cols; }
    int RowCount() const { return m_rows; }
    int DefaultColWidth() const { return m_colWidth; }
    int DefaultRowHeight() const { return m_rowHeight; }
    static constexpr int GridLineWidth = 1;

    QString Cell(int col, int row) const;
    void SetCell(int col, int row, const QString &text);

    int Col() const { return m_col; }
    int Row() const { return m_row; }
    // Makes a cell current; SelectCell is emitted even when it already was.
    void MoveCurrent(int col, int row);

    // The cell under a point of the grid, or (-1, -1).
    QPoint CellAt(const QPoint &pos) const;
    QRect CellRect(int col, int row) const; // without its grid lines

    QSize sizeHint() const override;

signals:
    void SelectCell(int col, int row);
    void MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, const QPoint &pos);
    void KeyPress(QChar key); // a key that produced a character

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    int m_cols = 0, m_rows = 0, m_colWidth = 64, m_rowHeight = 24;
    int m_col = 0, m_row = 0;
    bool m_selecting = false; // the left button is held after a press on a cell
    QStringList m_cells;
};
