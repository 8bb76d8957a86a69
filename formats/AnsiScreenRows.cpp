// The screen's rows: where the art's cells go, grown within the screen's
// bounds, and erased, inserted, deleted and moved as codes ask.

#include "formats/AnsiScreen.h"

#include <algorithm>

namespace {

// Rows moved by one insertion or deletion of rows.
constexpr qsizetype kMaxShiftRows = 1024;

} // namespace

bool TAnsiScreen::Work(qint64 cells)
{
    m_work += cells;
    if (m_work <= kMaxWork)
        return true;
    m_cut = m_ended = true;
    return false;
}

std::vector<TAnsiCell> *TAnsiScreen::Row(qsizetype row, qsizetype length)
{
    // Most characters go where the row has room, or right after its end.
    if (row < qsizetype(m_cells.size())) {
        std::vector<TAnsiCell> &cells = m_cells[size_t(row)];
        const qsizetype size = qsizetype(cells.size());
        if (length <= size || (length == size + 1 && size > 0 && m_cellCount < kMaxCells)) {
            if (length > size) {
                cells.emplace_back();
                ++m_cellCount;
            }
            m_rows = std::max(m_rows, row + 1);
            return &cells;
        }
    }
    return GrowRow(row, length);
}

std::vector<TAnsiCell> *TAnsiScreen::GrowRow(qsizetype row, qsizetype length)
{
    if (row >= kMaxRows) {
        m_cut = m_ended = true;
        return nullptr;
    }
    if (row >= qsizetype(m_cells.size())) {
        m_cells.resize(size_t(row + 1));
        m_isDirty.resize(size_t(row + 1));
    }
    std::vector<TAnsiCell> &cells = m_cells[size_t(row)];
    const qsizetype more = length - qsizetype(cells.size());
    if (more > 0) {
        if (m_cellCount + more > kMaxCells) {
            m_cut = m_ended = true;
            return nullptr;
        }
        if (cells.empty()) {
            MarkWritten(row);
            cells.reserve(size_t(std::max(length, qsizetype(std::min(m_width, 256)))));
        }
        m_cellCount += more;
        cells.resize(size_t(length));
    }
    m_rows = std::max(m_rows, row + 1);
    return &cells;
}

void TAnsiScreen::MarkWritten(qsizetype row)
{
    if (!m_isDirty[size_t(row)]) {
        m_isDirty[size_t(row)] = true;
        m_dirty.push_back(row);
    }
}

void TAnsiScreen::Erase(qsizetype row, qsizetype from, qsizetype to)
{
    from = std::clamp<qsizetype>(from, 0, m_width);
    to = std::clamp<qsizetype>(to, from, m_width);
    const TAnsiCell blank = Pen();
    if (blank == TAnsiCell()) {
        // Blanks on black to the end of a row are no cells at all.
        if (row >= qsizetype(m_cells.size())) {
            Work(1);
            return;
        }
        std::vector<TAnsiCell> &cells = m_cells[size_t(row)];
        to = std::min(to, qsizetype(cells.size()));
        if (!Work(1 + std::max<qsizetype>(0, to - from)))
            return;
        if (to >= qsizetype(cells.size()) && from < qsizetype(cells.size())) {
            m_cellCount -= qsizetype(cells.size()) - from;
            cells.resize(size_t(from));
        }
        to = std::min(to, qsizetype(cells.size()));
        std::fill(cells.begin() + std::min(from, to), cells.begin() + to, blank);
        return;
    }
    if (from == to || !Work(1 + to - from))
        return;
    if (std::vector<TAnsiCell> *cells = Row(row, to))
        std::fill(cells->begin() + from, cells->begin() + to, blank);
}

void TAnsiScreen::EraseRows(qsizetype from, qsizetype to)
{
    for (qsizetype row = std::max<qsizetype>(0, from); row < to && !m_ended; ++row)
        Erase(row, 0, m_width);
}

void TAnsiScreen::TrimRows()
{
    while (m_rows > 0 && (m_rows > qsizetype(m_cells.size()) || m_cells[size_t(m_rows - 1)].empty()))
        --m_rows;
}

void TAnsiScreen::InsertCells(qsizetype n)
{
    // The cells from the cursor on move right; those pushed past the edge go.
    if (m_row >= qsizetype(m_cells.size()) || m_column >= qsizetype(m_cells[size_t(m_row)].size())
        || !Work(m_width)) {
        Erase(m_row, m_column, m_column + n);
        return;
    }
    std::vector<TAnsiCell> &cells = m_cells[size_t(m_row)];
    n = std::min<qsizetype>(n, m_width - m_column);
    const qsizetype keep = std::min<qsizetype>(qsizetype(cells.size()), m_width - n);
    m_cellCount -= qsizetype(cells.size()) - keep;
    cells.resize(size_t(keep));
    if (m_cellCount + n > kMaxCells) {
        m_cut = m_ended = true;
        return;
    }
    cells.insert(cells.begin() + m_column, size_t(n), Pen());
    m_cellCount += n;
}

void TAnsiScreen::DeleteCells(qsizetype n)
{
    // The cells after them move left; the edge fills with blanks.
    if (m_row >= qsizetype(m_cells.size()) || !Work(m_width))
        return;
    std::vector<TAnsiCell> &cells = m_cells[size_t(m_row)];
    const qsizetype size = qsizetype(cells.size());
    if (m_column >= size)
        return;
    n = std::min(n, size - m_column);
    cells.erase(cells.begin() + m_column, cells.begin() + m_column + n);
    m_cellCount -= n;
    if (Pen() != TAnsiCell())
        Erase(m_row, m_width - n, m_width);
}

void TAnsiScreen::ShiftRows(qsizetype n, bool insert)
{
    // The rows from the cursor's down move by n, within a window of rows.
    const qsizetype top = m_row;
    qsizetype bottom = insert ? std::max(m_rows, top + 1) + n : m_rows;
    bottom = std::min({bottom, top + kMaxShiftRows, kMaxRows});
    if (bottom <= top || !Work(bottom - top))
        return;
    n = std::min(n, bottom - top);
    if (bottom > qsizetype(m_cells.size())) {
        m_cells.resize(size_t(bottom));
        m_isDirty.resize(size_t(bottom));
    }
    // The rows that fall out are emptied and come back in as the new blank ones.
    const qsizetype outFrom = insert ? bottom - n : top;
    for (qsizetype row = outFrom; row < outFrom + n; ++row) {
        m_cellCount -= qsizetype(m_cells[size_t(row)].size());
        std::vector<TAnsiCell>().swap(m_cells[size_t(row)]);
    }
    const auto first = m_cells.begin() + top, last = m_cells.begin() + bottom;
    if (insert)
        std::rotate(first, last - n, last);
    else
        std::rotate(first, first + n, last);
    for (qsizetype row = top; row < bottom; ++row) {
        if (!m_cells[size_t(row)].empty()) {
            MarkWritten(row);
            m_rows = std::max(m_rows, row + 1);
        }
    }
    TrimRows();
    m_column = 0;
    m_pendingWrap = false;
}

void TAnsiScreen::ClearScreen()
{
    // Only the rows written since the last erase: an animation that clears
    // the screen thousands of times costs what it writes.
    for (const qsizetype row : m_dirty) {
        m_cellCount -= qsizetype(m_cells[size_t(row)].size());
        std::vector<TAnsiCell>().swap(m_cells[size_t(row)]);
        m_isDirty[size_t(row)] = false;
    }
    m_dirty.clear();
    m_rows = 0;
    m_row = m_column = 0;
    m_pendingWrap = m_atEdge = false;
}

qsizetype TAnsiScreen::RowLength(qsizetype row) const
{
    if (row < 0 || row >= qsizetype(m_cells.size()))
        return 0;
    const std::vector<TAnsiCell> &cells = m_cells[size_t(row)];
    qsizetype length = qsizetype(cells.size());
    while (length > 0 && cells[size_t(length - 1)].Char == ' ' && cells[size_t(length - 1)].Paper == 0
           && cells[size_t(length - 1)].Link == 0)
        --length;
    return length;
}

const TAnsiCell *TAnsiScreen::RowCells(qsizetype row) const
{
    return row >= 0 && row < qsizetype(m_cells.size()) ? m_cells[size_t(row)].data() : nullptr;
}

TAnsiCell TAnsiScreen::Cell(qsizetype row, qsizetype column) const
{
    if (row < 0 || row >= qsizetype(m_cells.size()) || column < 0 || column >= qsizetype(m_cells[size_t(row)].size()))
        return {};
    return m_cells[size_t(row)][size_t(column)];
}
