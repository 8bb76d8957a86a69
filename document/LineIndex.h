#pragma once
// Where each line of the document starts, for texts of billions of bytes and
// lines in little memory.
//
// Lines are grouped in blocks: a block holds its first line's start, that
// line's number and the offset of its last line's start, and every start of
// a block lies within kSpan bytes of the first. The starts between are found
// by scanning the text, so no block keeps per-line data, and a line longer
// than the span simply ends its block: long lines cost a block each and
// never a long scan. No two neighbouring blocks would fit in one, so there
// is at most one block (18 bytes) per line or per half span of text: under
// 0.01 bytes a line for a text of nothing but breaks, under 1% of the size
// of any text, spare room in the vectors aside.
//
// An edit rebuilds only the blocks it touches. The blocks after it move by
// its size; that shift is held as one pending step for all blocks from some
// index on and carried to the blocks in between only when the next edit is
// elsewhere, so edits going through the text in order cost the blocks they
// pass, not all blocks.
//
// The last line answered is remembered, so a caller asking line after line,
// or for positions on the same or next line, pays for the bytes between, not
// for a search; a line's end is found from the next line's start, so a line
// of gigabytes costs no search either. That memory makes the const calls unsafe to share between
// threads.

#include "document/RunVisitor.h"

#include <QByteArrayView>

#include <cstdint>
#include <utility>
#include <vector>

// The text the index stands for, read run by run: two runs in memory (a gap
// buffer's, a test's), or whatever a reader gives (a piece table's).
class TTextRuns
{
public:
    using TReader = void (*)(const void *owner, qsizetype from, qsizetype to, TRunVisitor run);

    TTextRuns(QByteArrayView before, QByteArrayView after) : Before(before), After(after), m_size(before.size() + after.size()) {}
    TTextRuns(qsizetype size, const void *owner, TReader reader) : m_size(size), m_owner(owner), m_reader(reader) {}

    qsizetype Size() const { return m_size; }
    // Calls run(data, length, position) for the runs of [from, to) in order
    // until it returns false.
    void ForRuns(qsizetype from, qsizetype to, TRunVisitor run) const;

    // Position p is Before[p] below Before.size(), else After[p - Before.size()].
    QByteArrayView Before;
    QByteArrayView After;

private:
    qsizetype m_size;
    const void *m_owner = nullptr;
    TReader m_reader = nullptr;
};

class TLineIndex
{
public:
    // The most bytes from a block's first start to its last, and so the
    // most a lookup scans.
    static constexpr qsizetype kSpan = 4096;

    TLineIndex(); // one line starting at 0
    void Clear(); // one line starting at 0, the memory given back

    // A line starting at start, after every line known: start is beyond the
    // last line's start. For building the index as a file is read.
    void Push(qsizetype start);

    qsizetype LineCount() const { return m_lineCount; }
    qsizetype LineStart(qsizetype line, const TTextRuns &text) const;
    // The start of the line after line: one past its break, or one past
    // the text's end for the last line.
    qsizetype NextStart(qsizetype line, const TTextRuns &text) const;
    // The line holding pos; the text's length gives the last line.
    qsizetype LineOf(qsizetype pos, const TTextRuns &text) const;

    // The bytes [from, to) were replaced by inserted bytes; text already holds
    // the new bytes. Returns the number of lines removed (the starts that were
    // in (from, to]) and the number inserted (the breaks in what came in).
    std::pair<qsizetype, qsizetype> Replace(qsizetype from, qsizetype to, qsizetype inserted, const TTextRuns &text);
    std::pair<qsizetype, qsizetype> Replace(qsizetype from, qsizetype to, QByteArrayView inserted, const TTextRuns &text)
    {
        return Replace(from, to, inserted.size(), text);
    }

    // The bytes the index holds, the object itself included.
    qsizetype MemoryBytes() const;

private:
    // The line answered last, and the start of the line after it (-1 when
    // not known).
    struct TCache
    {
        size_t Block = 0;
        qsizetype Line = 0;
        qsizetype Start = 0;
        qsizetype Next = -1;
    };

    size_t Blocks() const { return m_bases.size(); }
    qsizetype Base(size_t b) const { return m_bases[b] + (b >= m_stepBlock ? m_stepPos : 0); }
    qsizetype FirstLine(size_t b) const { return m_firstLines[b] + (b >= m_stepBlock ? m_stepLine : 0); }
    qsizetype LastStart(size_t b) const { return Base(b) + m_lastOffsets[b]; }
    qsizetype EndLine(size_t b) const { return b + 1 < Blocks() ? FirstLine(b + 1) : m_lineCount; }
    qsizetype NextBase(size_t b, const TTextRuns &text) const;
    // The last block whose entry in values, pending step included, is at most x.
    size_t Find(const std::vector<qsizetype> &values, qsizetype step, qsizetype x) const;
    // Moves every block from first on by pos bytes and lines lines.
    void ShiftFrom(size_t first, qsizetype pos, qsizetype lines);

    std::vector<qsizetype> m_bases;           // each block's first start
    std::vector<qsizetype> m_firstLines;      // the number of each block's first line
    std::vector<std::uint16_t> m_lastOffsets; // each block's last start less its first
    qsizetype m_lineCount = 1;
    // Blocks from m_stepBlock on lack m_stepPos in their base and m_stepLine
    // in their first line.
    size_t m_stepBlock = 0;
    qsizetype m_stepPos = 0;
    qsizetype m_stepLine = 0;
    mutable TCache m_cache;
};
