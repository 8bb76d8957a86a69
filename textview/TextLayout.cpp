#include "textview/TextLayout.h"

#include <QElapsedTimer>

#include <algorithm>
#include <array>
#include <cstring>

namespace {

constexpr qsizetype kAtOnce = 2 * 1000 * 1000; // bytes of long lines laid out without waiting

// The cells of each byte of a single-byte set, a tab aside: a table, so that
// long lines are measured without decoding a character at a time.
const std::array<unsigned char, 256> &SingleByteCells(TCharset charset)
{
    static const auto make = [](TCharset set) {
        std::array<unsigned char, 256> cells{};
        for (int b = 0; b < 256; ++b) {
            const unsigned char byte = static_cast<unsigned char>(b);
            char32_t ch = 0;
            Charset::Decode(set, &byte, 1, &ch);
            cells[size_t(b)] = static_cast<unsigned char>(TTextLayout::Advance(ch, 0));
        }
        return cells;
    };
    static const std::array<unsigned char, 256> cp437 = make(TCharset::csCp437);
    static const std::array<unsigned char, 256> windows1252 = make(TCharset::csWindows1252);
    return charset == TCharset::csWindows1252 ? windows1252 : cp437;
}

} // namespace

qsizetype TTextLayout::Cells(const TTextBuffer &doc, qsizetype from, qsizetype to, qsizetype column)
{
    if (doc.SingleByte()) {
        const std::array<unsigned char, 256> &cells = SingleByteCells(doc.Charset());
        // Where every byte but a tab takes one cell, the tabs alone are
        // looked for: a line may be gigabytes long.
        static const bool narrow = [] {
            for (const TCharset set : {TCharset::csCp437, TCharset::csWindows1252}) {
                for (int b = 0; b < 256; ++b) {
                    if (b != '\t' && SingleByteCells(set)[size_t(b)] != 1)
                        return false;
                }
            }
            return true;
        }();
        doc.Read(from, to, [&cells, &column](const char *p, qsizetype n, qsizetype) {
            for (const char *end = p + n; p < end && narrow;) {
                const char *tab = static_cast<const char *>(std::memchr(p, '\t', size_t(end - p)));
                column += (tab ? tab : end) - p;
                if (!tab)
                    return true;
                column += kTabWidth - column % kTabWidth;
                p = tab + 1;
            }
            for (qsizetype i = 0; !narrow && i < n; ++i) {
                const unsigned char b = static_cast<unsigned char>(p[i]);
                column += b == '\t' ? kTabWidth - column % kTabWidth : cells[b];
            }
            return true;
        });
        return column;
    }
    for (qsizetype p = from; p < to;) {
        qsizetype length = 1;
        column += Advance(doc.ShownAt(p, &length), column);
        p += length;
    }
    return column;
}

qsizetype TTextLayout::SkipToColumn(const TTextBuffer &doc, qsizetype from, qsizetype to, qsizetype target,
                                     qsizetype *column)
{
    qsizetype c = *column, p = from;
    if (doc.SingleByte()) {
        // A slice at a time: a line may be many megabytes long.
        const std::array<unsigned char, 256> &cells = SingleByteCells(doc.Charset());
        constexpr qsizetype kSlice = 1 << 16;
        while (p < to) {
            const QByteArray bytes = doc.Slice(p, std::min(to, p + kSlice));
            for (const char byte : bytes) {
                const unsigned char b = static_cast<unsigned char>(byte);
                const qsizetype width = b == '\t' ? kTabWidth - c % kTabWidth : cells[b];
                if (c + width > target) {
                    *column = c;
                    return p;
                }
                c += width;
                ++p;
            }
        }
    } else {
        while (p < to) {
            qsizetype length = 1;
            const qsizetype width = Advance(doc.ShownAt(p, &length), c);
            if (c + width > target)
                break;
            c += width;
            p += length;
        }
    }
    *column = c;
    return p;
}

qsizetype TTextLayout::NextPart(const TTextBuffer &doc, qsizetype start, qsizetype end, qsizetype columns)
{
    qsizetype column = 0;
    qsizetype lastBreak = -1;
    for (qsizetype p = start; p < end;) {
        qsizetype length = 1;
        const char32_t ch = doc.ShownAt(p, &length);
        const bool blank = ch == U' ' || ch == U'\t';
        const qsizetype w = Advance(ch, column);
        if (!blank && column + w > columns && p > start)
            return lastBreak > start ? lastBreak : p;
        column += w;
        p += length;
        if (blank)
            lastBreak = p;
    }
    return end;
}

std::vector<qsizetype> TTextLayout::Parts(qsizetype line) const
{
    const qsizetype end = m_doc->LineEnd(line);
    qsizetype start = m_doc->LineStart(line);
    if (end - start <= m_columns / kTabWidth)
        return {};
    if (m_partsLine == line && m_partsRevision == m_revision)
        return m_parts;
    std::vector<qsizetype> parts;
    for (;;) {
        start = NextPart(*m_doc, start, end, m_columns);
        if (start >= end)
            break;
        parts.push_back(start);
    }
    m_partsLine = line;
    m_partsRevision = m_revision;
    m_parts = parts;
    return parts;
}

void TTextLayout::SetWrap(bool wrap, qsizetype columns)
{
    ++m_revision;
    m_widestLine = -1;
    m_wrap = wrap;
    m_columns = std::max<qsizetype>(1, columns);
    m_counts.Reset(0);
    m_exact.clear();
    m_exact.shrink_to_fit();
    m_next = 0;
    if (!m_wrap)
        return;
    const qsizetype lines = m_doc->LineCount();
    m_counts.Reset(lines);
    m_exact.resize(size_t(lines));
    qsizetype pending = 0;
    for (qsizetype line = 0; line < lines; ++line) {
        const qsizetype start = m_doc->LineStart(line), length = m_doc->LineEnd(line) - start;
        if (FitsOneLine(start, length)) {
            m_exact[size_t(line)] = true;
        } else {
            m_counts.Set(line, (length + m_columns - 1) / m_columns);
            pending += length;
        }
    }
    if (pending <= kAtOnce) {
        LayOutLines(0, lines);
        m_next = lines;
    }
}

bool TTextLayout::FitsOneLine(qsizetype start, qsizetype length) const
{
    // No longer than the columns and without a tab: no need to break it up.
    return length <= m_columns && (length <= m_columns / kTabWidth || !m_doc->Contains('\t', start, start + length));
}

qsizetype TTextLayout::PartCount(qsizetype line) const
{
    const qsizetype start = m_doc->LineStart(line);
    return FitsOneLine(start, m_doc->LineEnd(line) - start) ? 1 : 1 + qsizetype(Parts(line).size());
}

qsizetype TTextLayout::LayOutLines(qsizetype from, qsizetype to)
{
    if (!m_wrap)
        return 0;
    to = std::min(to, m_doc->LineCount());
    qsizetype delta = 0;
    for (qsizetype line = std::max<qsizetype>(0, from); line < to; ++line) {
        if (m_exact[size_t(line)])
            continue;
        const qsizetype count = PartCount(line);
        delta += count - m_counts.Count(line);
        m_counts.Set(line, count);
        m_exact[size_t(line)] = true;
    }
    return delta;
}

void TTextLayout::LayOutMore(qsizetype budgetMs)
{
    QElapsedTimer timer;
    timer.start();
    const qsizetype lines = m_doc->LineCount();
    while (m_next < lines && timer.elapsed() < budgetMs) {
        const qsizetype end = std::min(lines, m_next + 2048);
        LayOutLines(m_next, end);
        m_next = end;
    }
}

void TTextLayout::Appended(const TTextBuffer::TChange &change, qsizetype longestLine)
{
    if (m_wrap || m_widestLine < 0) {
        Update(change);
        return;
    }
    // As after a load, the longest line in bytes stands for the widest until
    // lines are painted: a file read in is not measured byte by byte.
    ++m_revision;
    const auto bytes = [this](qsizetype line) { return m_doc->LineEnd(line) - m_doc->LineStart(line); };
    // The widest line grown at its end is measured on from where it was.
    if (change.FirstLine == m_widestLine)
        m_widest = Cells(*m_doc, change.From, m_doc->LineEnd(m_widestLine), m_widest);
    if (longestLine != m_widestLine && bytes(longestLine) > bytes(m_widestLine)) {
        const qsizetype columns = LineColumns(longestLine);
        if (columns > m_widest) {
            m_widest = columns;
            m_widestLine = longestLine;
        }
    }
}

void TTextLayout::Update(const TTextBuffer::TChange &change)
{
    ++m_revision;
    UpdateWidest(change);
    if (!m_wrap)
        return;
    // The counts of the lines after the edit stay; the edited lines are laid
    // out again.
    const qsizetype first = change.FirstLine;
    m_counts.Replace(first, change.RemovedLines + 1, change.InsertedLines + 1);
    for (qsizetype line = first; line <= first + change.InsertedLines; ++line)
        m_counts.Set(line, PartCount(line));
    auto exact = m_exact.begin() + first;
    exact = m_exact.erase(exact, exact + change.RemovedLines + 1);
    m_exact.insert(exact, size_t(change.InsertedLines) + 1, true);
    if (m_next > first)
        m_next = std::max(first, m_next + change.InsertedLines - change.RemovedLines);
}

qsizetype TTextLayout::DisplayLineCount() const
{
    return m_wrap ? m_counts.Total() : m_doc->LineCount();
}

qsizetype TTextLayout::DisplayLineOf(qsizetype pos) const
{
    const qsizetype line = m_doc->LineOf(pos);
    if (!m_wrap)
        return line;
    const std::vector<qsizetype> parts = Parts(line);
    return m_counts.First(line) + qsizetype(std::upper_bound(parts.begin(), parts.end(), pos) - parts.begin());
}

qsizetype TTextLayout::DisplayLineStart(qsizetype displayLine) const
{
    displayLine = std::clamp<qsizetype>(displayLine, 0, DisplayLineCount() - 1);
    if (!m_wrap)
        return m_doc->LineStart(displayLine);
    const qsizetype line = m_counts.LineAt(displayLine);
    const qsizetype part = displayLine - m_counts.First(line);
    if (part == 0)
        return m_doc->LineStart(line);
    const std::vector<qsizetype> parts = Parts(line);
    return parts.empty() ? m_doc->LineStart(line) : parts[size_t(std::min<qsizetype>(part, qsizetype(parts.size()))) - 1];
}

qsizetype TTextLayout::DisplayLineEnd(qsizetype displayLine) const
{
    const qsizetype start = DisplayLineStart(displayLine);
    const qsizetype end = m_doc->LineEnd(m_doc->LineOf(start));
    return m_wrap ? NextPart(*m_doc, start, end, m_columns) : end;
}

qsizetype TTextLayout::ColumnOf(qsizetype pos) const
{
    return Cells(*m_doc, DisplayLineStart(DisplayLineOf(pos)), pos, 0);
}

qsizetype TTextLayout::PosAtColumn(qsizetype displayLine, qsizetype column) const
{
    displayLine = std::clamp<qsizetype>(displayLine, 0, DisplayLineCount() - 1);
    const qsizetype start = DisplayLineStart(displayLine);
    qsizetype end = DisplayLineEnd(displayLine);
    if (end > start && end < m_doc->LineEnd(m_doc->LineOf(start)))
        end = m_doc->PrevChar(end);
    // The character that reaches past the column, or the next one when it
    // begins before the column (a tab across it).
    qsizetype c = 0;
    const qsizetype p = SkipToColumn(*m_doc, start, end, column, &c);
    return p < end && c < column ? m_doc->NextChar(p) : p;
}

qsizetype TTextLayout::LineColumns(qsizetype line) const
{
    return Cells(*m_doc, m_doc->LineStart(line), m_doc->LineEnd(line), 0);
}

qsizetype TTextLayout::WidestColumns()
{
    if (m_widestLine < 0) {
        // A line is at least as wide as it is long; tabs show when measured.
        // Line after line: the index answers those without a search.
        qsizetype longest = 0, longestBytes = -1;
        for (qsizetype line = 0; line < m_doc->LineCount(); ++line) {
            const qsizetype start = m_doc->LineStart(line), bytes = m_doc->LineEnd(line) - start;
            if (bytes > longestBytes) {
                longest = line;
                longestBytes = bytes;
            }
        }
        m_widestLine = longest;
        m_widest = LineColumns(longest);
    }
    return m_widest;
}

void TTextLayout::Measure(qsizetype line)
{
    if (m_widestLine < 0 || line < 0 || line >= m_doc->LineCount() || line == m_widestLine)
        return;
    // A tab takes at most kTabWidth cells: a short line cannot be the widest.
    if (qint64(m_doc->LineEnd(line) - m_doc->LineStart(line)) * kTabWidth <= m_widest)
        return;
    const qsizetype columns = LineColumns(line);
    if (columns > m_widest) {
        m_widest = columns;
        m_widestLine = line;
    }
}

void TTextLayout::UpdateWidest(const TTextBuffer::TChange &change)
{
    if (m_widestLine < 0)
        return;
    const qsizetype first = change.FirstLine, last = first + change.InsertedLines;
    if (m_widestLine > first + change.RemovedLines)
        m_widestLine += change.InsertedLines - change.RemovedLines;
    else if (m_widestLine >= first)
        m_widestLine = -1; // edited or removed: found again unless an edited line is as wide
    qsizetype widest = -1, widestLine = first;
    for (qsizetype line = first; line <= last; ++line) {
        const qsizetype columns = LineColumns(line);
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
