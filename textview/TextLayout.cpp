#include "textview/TextLayout.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cstring>

namespace {

constexpr qsizetype kAtOnce = 2 * 1000 * 1000; // bytes of long lines laid out without waiting

} // namespace

int TTextLayout::NextPart(const TTextBuffer &doc, int start, int end, int columns)
{
    int column = 0;
    int lastBreak = -1;
    for (int p = start; p < end;) {
        int length = 1;
        const char32_t ch = doc.ShownAt(p, &length);
        const bool blank = ch == U' ' || ch == U'\t';
        const int w = Advance(ch, column);
        if (!blank && column + w > columns && p > start)
            return lastBreak > start ? lastBreak : p;
        column += w;
        p += length;
        if (blank)
            lastBreak = p;
    }
    return end;
}

std::vector<int> TTextLayout::Parts(int line) const
{
    const int end = m_doc.LineEnd(line);
    int start = m_doc.LineStart(line);
    if (end - start <= m_columns / kTabWidth)
        return {};
    if (m_partsLine == line && m_partsRevision == m_revision)
        return m_parts;
    std::vector<int> parts;
    for (;;) {
        start = NextPart(m_doc, start, end, m_columns);
        if (start >= end)
            break;
        parts.push_back(start);
    }
    m_partsLine = line;
    m_partsRevision = m_revision;
    m_parts = parts;
    return parts;
}

void TTextLayout::SetWrap(bool wrap, int columns)
{
    ++m_revision;
    m_widestLine = -1;
    m_wrap = wrap;
    m_columns = std::max(1, columns);
    m_first.clear();
    m_exact.clear();
    m_next = 0;
    if (!m_wrap)
        return;
    const int lines = m_doc.LineCount();
    m_first.resize(size_t(lines) + 1);
    m_exact.resize(size_t(lines));
    const QByteArrayView text = m_doc.Contiguous();
    int total = 0;
    qsizetype pending = 0;
    for (int line = 0; line < lines; ++line) {
        m_first[size_t(line)] = total;
        const int start = m_doc.LineStart(line), length = m_doc.LineEnd(line) - start;
        if (length <= m_columns
            && (length <= m_columns / kTabWidth || !std::memchr(text.data() + start, '\t', size_t(length)))) {
            m_exact[size_t(line)] = true;
            ++total;
        } else {
            total += (length + m_columns - 1) / m_columns;
            pending += length;
        }
    }
    m_first[size_t(lines)] = total;
    if (pending <= kAtOnce) {
        LayOutLines(0, lines);
        m_next = lines;
    }
}

int TTextLayout::LayOutLines(int from, int to)
{
    if (!m_wrap)
        return 0;
    // Each line's first display line moves by what the lines before it gained.
    const int lines = m_doc.LineCount();
    to = std::min(to, lines);
    int delta = 0;
    for (int line = std::max(0, from); line < to; ++line) {
        m_first[size_t(line)] += delta;
        if (m_exact[size_t(line)])
            continue;
        const int old = m_first[size_t(line) + 1] + delta - m_first[size_t(line)];
        delta += 1 + int(Parts(line).size()) - old;
        m_exact[size_t(line)] = true;
    }
    if (delta != 0) {
        for (int line = std::max(0, to); line <= lines; ++line)
            m_first[size_t(line)] += delta;
    }
    return delta;
}

void TTextLayout::LayOutMore(int budgetMs)
{
    QElapsedTimer timer;
    timer.start();
    const int lines = m_doc.LineCount();
    while (m_next < lines && timer.elapsed() < budgetMs) {
        const int end = std::min(lines, m_next + 2048);
        LayOutLines(m_next, end);
        m_next = end;
    }
}

void TTextLayout::Update(const TTextBuffer::TChange &change)
{
    ++m_revision;
    UpdateWidest(change);
    if (!m_wrap)
        return;
    // The counts of the lines after the edit stay; the edited lines are laid
    // out again and the first display lines of the rest move by the difference.
    const int first = change.FirstLine;
    const int oldEnd = m_first[size_t(first + change.RemovedLines) + 1];
    std::vector<int> starts;
    int total = m_first[size_t(first)];
    for (int line = first; line <= first + change.InsertedLines; ++line) {
        starts.push_back(total);
        total += 1 + int(Parts(line).size());
    }
    const int delta = total - oldEnd;
    auto from = m_first.begin() + first;
    from = m_first.erase(from, from + change.RemovedLines + 1);
    for (auto it = from; it != m_first.end(); ++it)
        *it += delta;
    m_first.insert(from, starts.begin(), starts.end());
    auto exact = m_exact.begin() + first;
    exact = m_exact.erase(exact, exact + change.RemovedLines + 1);
    m_exact.insert(exact, size_t(change.InsertedLines) + 1, true);
    if (m_next > first)
        m_next = std::max(first, m_next + change.InsertedLines - change.RemovedLines);
}

int TTextLayout::DisplayLineCount() const
{
    return m_wrap ? m_first.back() : m_doc.LineCount();
}

int TTextLayout::DisplayLineOf(int pos) const
{
    const int line = m_doc.LineOf(pos);
    if (!m_wrap)
        return line;
    const std::vector<int> parts = Parts(line);
    return m_first[size_t(line)] + int(std::upper_bound(parts.begin(), parts.end(), pos) - parts.begin());
}

int TTextLayout::DisplayLineStart(int displayLine) const
{
    displayLine = std::clamp(displayLine, 0, DisplayLineCount() - 1);
    if (!m_wrap)
        return m_doc.LineStart(displayLine);
    const int line = int(std::upper_bound(m_first.begin(), m_first.end() - 1, displayLine) - m_first.begin()) - 1;
    const int part = displayLine - m_first[size_t(line)];
    if (part == 0)
        return m_doc.LineStart(line);
    const std::vector<int> parts = Parts(line);
    return parts.empty() ? m_doc.LineStart(line) : parts[size_t(std::min<int>(part, int(parts.size()))) - 1];
}

int TTextLayout::DisplayLineEnd(int displayLine) const
{
    const int start = DisplayLineStart(displayLine);
    const int end = m_doc.LineEnd(m_doc.LineOf(start));
    return m_wrap ? NextPart(m_doc, start, end, m_columns) : end;
}

int TTextLayout::ColumnOf(int pos) const
{
    int column = 0;
    for (int p = DisplayLineStart(DisplayLineOf(pos)); p < pos;) {
        int length = 1;
        column += Advance(m_doc.ShownAt(p, &length), column);
        p += length;
    }
    return column;
}

int TTextLayout::PosAtColumn(int displayLine, int column) const
{
    displayLine = std::clamp(displayLine, 0, DisplayLineCount() - 1);
    const int start = DisplayLineStart(displayLine);
    int end = DisplayLineEnd(displayLine);
    if (end > start && end < m_doc.LineEnd(m_doc.LineOf(start)))
        end = m_doc.PrevChar(end);
    int c = 0;
    for (int p = start; p < end;) {
        if (c >= column)
            return p;
        int length = 1;
        c += Advance(m_doc.ShownAt(p, &length), c);
        p += length;
    }
    return end;
}

int TTextLayout::LineColumns(int line) const
{
    int column = 0;
    for (int p = m_doc.LineStart(line), end = m_doc.LineEnd(line); p < end;) {
        int length = 1;
        column += Advance(m_doc.ShownAt(p, &length), column);
        p += length;
    }
    return column;
}

int TTextLayout::WidestColumns()
{
    if (m_widestLine < 0) {
        // A line is at least as wide as it is long; tabs show when measured.
        int longest = 0;
        for (int line = 1; line < m_doc.LineCount(); ++line) {
            if (m_doc.LineEnd(line) - m_doc.LineStart(line) > m_doc.LineEnd(longest) - m_doc.LineStart(longest))
                longest = line;
        }
        m_widestLine = longest;
        m_widest = LineColumns(longest);
    }
    return m_widest;
}

void TTextLayout::Measure(int line)
{
    if (m_widestLine < 0 || line < 0 || line >= m_doc.LineCount() || line == m_widestLine)
        return;
    // A tab takes at most kTabWidth cells: a short line cannot be the widest.
    if (qint64(m_doc.LineEnd(line) - m_doc.LineStart(line)) * kTabWidth <= m_widest)
        return;
    const int columns = LineColumns(line);
    if (columns > m_widest) {
        m_widest = columns;
        m_widestLine = line;
    }
}

void TTextLayout::UpdateWidest(const TTextBuffer::TChange &change)
{
    if (m_widestLine < 0)
        return;
    const int first = change.FirstLine, last = first + change.InsertedLines;
    if (m_widestLine > first + change.RemovedLines)
        m_widestLine += change.InsertedLines - change.RemovedLines;
    else if (m_widestLine >= first)
        m_widestLine = -1; // edited or removed: found again unless an edited line is as wide
    int widest = -1, widestLine = first;
    for (int line = first; line <= last; ++line) {
        const int columns = LineColumns(line);
        if (columns > widest) {
            widest = columns;
            widestLine = line;
        }
    }
    if (m_widestLine < 0 && widest < m_widest)
        WidestColumns();
    if (m_widestLine < 0 || widest > m_widest) {
        m_widest = widest;
        m_widestLine = widestLine;
    }
}
