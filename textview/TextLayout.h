#pragma once
// Display lines and cell columns of the document: each line as it is, or
// wrapped at word boundaries at a number of columns. Tabs stop every eight
// columns; wide characters take two. Knows lines and cells, never pixels.

#include "textview/DisplayCounts.h"
#include "document/TextBuffer.h"

#include <vector>

class TTextLayout
{
public:
    static constexpr qsizetype kTabWidth = 8;

    explicit TTextLayout(TTextBuffer &doc) : m_doc(&doc) {}
    // Lays out another text from now on; SetWrap lays it out.
    void SetDocument(TTextBuffer &doc) { m_doc = &doc; }

    // The cells a character takes at a column.
    static qsizetype Advance(char32_t ch, qsizetype column)
    {
        return ch == U'\t' ? kTabWidth - column % kTabWidth : (ch < 0x1100 ? 1 : Charset::Width(ch));
    }
    // Where the display line that starts at start ends when lines wrap at
    // columns: after the last blank that fits, or where a word longer than
    // the line overflows. Blanks at the end of a part may hang over.
    // The column after the characters [from, to) when the first is at column.
    static qsizetype Cells(const TTextBuffer &doc, qsizetype from, qsizetype to, qsizetype column);
    static qsizetype NextPart(const TTextBuffer &doc, qsizetype start, qsizetype end, qsizetype columns);
    // The first character of [from, to) that reaches past the column target,
    // or to; column holds the column at from and receives the column where
    // that character starts. Single-byte text is walked by table.
    static qsizetype SkipToColumn(const TTextBuffer &doc, qsizetype from, qsizetype to, qsizetype target,
                                  qsizetype *column);

    bool Wrap() const { return m_wrap; }
    qsizetype Columns() const { return m_columns; }
    // Lays the whole text out again. Lines no wider than columns count one
    // display line at once; longer ones are estimated from their length until
    // laid out, at once for a small document, else by LayOutMore.
    void SetWrap(bool wrap, qsizetype columns);
    void Reload() { SetWrap(m_wrap, m_columns); } // after the whole text changed
    void Update(const TTextBuffer::TChange &change); // after an edit
    // After more of a file was read in; longestLine is the line of the most
    // bytes among those it touched.
    void Appended(const TTextBuffer::TChange &change, qsizetype longestLine);

    bool Complete() const { return !m_wrap || m_next >= m_doc->LineCount(); }
    // Lays out further lines for about budgetMs milliseconds.
    void LayOutMore(qsizetype budgetMs);
    bool LaidOut(qsizetype line) const { return !m_wrap || m_exact[size_t(line)]; }
    // Lays out the lines [from, to); returns how many display lines they gained.
    qsizetype LayOutLines(qsizetype from, qsizetype to);

    qsizetype DisplayLineCount() const;
    qsizetype DisplayLineOf(qsizetype pos) const;
    qsizetype DisplayLineStart(qsizetype displayLine) const;
    qsizetype DisplayLineEnd(qsizetype displayLine) const; // before the break or the next part
    qsizetype FirstDisplayLine(qsizetype line) const { return m_wrap ? m_counts.First(line) : line; }
    qsizetype ColumnOf(qsizetype pos) const; // within its display line
    // The character at or just after a column; the end of a wrapped part
    // stays on its display line.
    qsizetype PosAtColumn(qsizetype displayLine, qsizetype column) const;

    // The width in cells of the widest line known, for the horizontal scroll
    // range. Lines are measured lazily: after a load only the longest line in
    // bytes (found from the line index, no bytes read), then every edited
    // line and every line Measure is given (the painted ones), since a line
    // with tabs may be wider than it is long. Only when the widest line is
    // edited narrower or removed is the index searched again.
    qsizetype WidestColumns();
    void Measure(qsizetype line);
    qsizetype LineColumns(qsizetype line) const;

private:
    std::vector<qsizetype> Parts(qsizetype line) const; // starts of a line's parts after the first
    qsizetype PartCount(qsizetype line) const;          // its display lines
    bool FitsOneLine(qsizetype start, qsizetype length) const;

    void UpdateWidest(const TTextBuffer::TChange &change);

    TTextBuffer *m_doc;
    qsizetype m_widestLine = -1; // -1: not known since the last load
    qsizetype m_widest = 0;
    bool m_wrap = false;
    qsizetype m_columns = 80;
    TDisplayCounts m_counts;   // display lines of each line
    std::vector<bool> m_exact; // whether a line is laid out or estimated
    qsizetype m_next = 0;            // where LayOutMore goes on
    qsizetype m_revision = 0;        // counts changes, for the kept parts
    mutable qsizetype m_partsLine = -1;
    mutable qsizetype m_partsRevision = -1;
    mutable std::vector<qsizetype> m_parts; // the last line asked for: painting asks many times
};
