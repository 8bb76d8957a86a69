#pragma once
// How many display lines each line of a wrapped document takes, and from
// that the first display line of every line: a byte a line, with sums kept
// per block of lines, so that a document of billions of short lines costs
// about a byte a line and an edit does not touch every line after it.

#include <QtGlobal>

#include <map>
#include <vector>

class TDisplayCounts
{
public:
    // lines lines of one display line each.
    void Reset(qsizetype lines);

    qsizetype Lines() const { return qsizetype(m_counts.size()); }
    qsizetype Count(qsizetype line) const;
    void Set(qsizetype line, qsizetype count);

    // The display line a line starts on; Lines() gives the total.
    qsizetype First(qsizetype line) const;
    qsizetype Total() const { return First(Lines()); }
    // The line whose display lines hold displayLine (0 <= displayLine < Total()).
    qsizetype LineAt(qsizetype displayLine) const;

    // The lines [first, first + removed) were replaced by inserted lines of
    // one display line each.
    void Replace(qsizetype first, qsizetype removed, qsizetype inserted);

private:
    static constexpr qsizetype kBlock = 256;
    static constexpr unsigned char kMany = 255; // the count is in m_many

    qsizetype BlockSum(qsizetype block) const;
    void Prefix() const; // brings m_prefix up to date

    std::vector<unsigned char> m_counts;
    std::map<qsizetype, qsizetype> m_many; // lines of kMany display lines or more
    std::vector<qsizetype> m_sums;         // display lines of each block
    mutable std::vector<qsizetype> m_prefix; // display lines before each block, and the total
    mutable qsizetype m_valid = 0;           // m_prefix holds from block 0 to here
};
