#include "document/LineIndex.h"

#include <QtGlobal>

#include <algorithm>
#include <cstring>

namespace {

// Breaks are counted eight bytes at a time, a chunk of words at once.
constexpr qsizetype kChunk = 128;
constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;

// Bit 7 of each byte is set where the byte of w is '\n'; no other bit is.
inline std::uint64_t BreakMask(std::uint64_t w)
{
    const std::uint64_t t = w ^ (kOnes * '\n');
    return ~(((t & kLow7) + kLow7) | t | kLow7);
}

// The breaks in one chunk of kChunk bytes.
inline qsizetype ChunkBreaks(const char *p)
{
    // Each byte of sum counts up to 16, so the bytes add up without carry.
    std::uint64_t sum = 0;
    for (qsizetype i = 0; i < kChunk; i += 8) {
        std::uint64_t w;
        std::memcpy(&w, p + i, 8);
        sum += BreakMask(w) >> 7;
    }
    return qsizetype((sum * kOnes) >> 56);
}

struct TCount
{
    qsizetype Count = 0;
    qsizetype Last = -1; // the position of the last break
};

// The breaks in the len bytes at p, which is position pos of the text.
void CountPiece(const char *p, qsizetype len, qsizetype pos, TCount &count)
{
    const char *lastChunk = nullptr;
    qsizetype i = 0;
    for (; i + kChunk <= len; i += kChunk) {
        if (const qsizetype n = ChunkBreaks(p + i)) {
            count.Count += n;
            lastChunk = p + i;
        }
    }
    qsizetype last = -1;
    for (; i < len; ++i) {
        if (p[i] == '\n') {
            ++count.Count;
            last = i;
        }
    }
    if (last < 0 && lastChunk) {
        last = lastChunk - p + kChunk - 1;
        while (p[last] != '\n')
            --last;
    }
    if (last >= 0)
        count.Last = pos + last;
}

// The index of the n-th break in the len bytes at p, or -1 with n lowered by
// the breaks there.
qsizetype NthPiece(const char *p, qsizetype len, qsizetype &n)
{
    if (n == 1) {
        const void *hit = len > 0 ? std::memchr(p, '\n', size_t(len)) : nullptr;
        if (hit) {
            n = 0;
            return static_cast<const char *>(hit) - p;
        }
        return -1;
    }
    qsizetype i = 0;
    for (; i + kChunk <= len; i += kChunk) {
        const qsizetype c = ChunkBreaks(p + i);
        if (c >= n)
            break;
        n -= c;
    }
    for (; i < len; ++i) {
        if (p[i] == '\n' && --n == 0)
            return i;
    }
    return -1;
}

TCount CountBreaks(const TTextRuns &text, qsizetype from, qsizetype to)
{
    TCount count;
    text.ForRuns(from, to, [&count](const char *p, qsizetype len, qsizetype pos) {
        CountPiece(p, len, pos, count);
        return true;
    });
    return count;
}

// The position of the n-th break (n >= 1) in [from, to), or -1.
qsizetype NthBreak(const TTextRuns &text, qsizetype from, qsizetype to, qsizetype n)
{
    qsizetype at = -1;
    text.ForRuns(from, to, [&at, &n](const char *p, qsizetype len, qsizetype pos) {
        const qsizetype i = NthPiece(p, len, n);
        if (i >= 0)
            at = pos + i;
        return i < 0;
    });
    return at;
}

// Lays line starts, given in order, into blocks each as full as the span
// allows.
class TBlockBuilder
{
public:
    // Carries on the block starting at base, whose last start is lastOffset
    // bytes on; its first line is firstLine, the next line nextLine.
    TBlockBuilder(qsizetype base, qsizetype firstLine, qsizetype lastOffset, qsizetype nextLine)
        : m_base(base), m_firstLine(firstLine), m_lastOffset(lastOffset), m_nextLine(nextLine)
    {
    }

    qsizetype NextLine() const { return m_nextLine; }

    void Add(qsizetype start)
    {
        if (start - m_base > TLineIndex::kSpan) {
            Close();
            m_base = start;
            m_firstLine = m_nextLine;
            m_lastOffset = 0;
        } else {
            m_lastOffset = start - m_base;
        }
        ++m_nextLine;
    }

    // A start after each break in [from, to) of the text.
    void AddBreaks(const TTextRuns &text, qsizetype from, qsizetype to)
    {
        while (from < to) {
            // The breaks before fit start lines within the open block.
            const qsizetype fit = std::min(to, m_base + TLineIndex::kSpan);
            if (from < fit) {
                const TCount count = CountBreaks(text, from, fit);
                if (count.Count > 0) {
                    m_lastOffset = count.Last + 1 - m_base;
                    m_nextLine += count.Count;
                }
                from = fit;
            }
            const qsizetype at = from < to ? NthBreak(text, from, to, 1) : -1;
            if (at < 0)
                break;
            Add(at + 1);
            from = at + 1;
        }
    }

    // Takes in a whole block that follows, when it fits.
    bool Absorb(qsizetype base, qsizetype lastOffset)
    {
        if (base + lastOffset - m_base > TLineIndex::kSpan)
            return false;
        m_lastOffset = base + lastOffset - m_base;
        return true;
    }

    void Close()
    {
        Bases.push_back(m_base);
        FirstLines.push_back(m_firstLine);
        LastOffsets.push_back(std::uint16_t(m_lastOffset));
    }

    std::vector<qsizetype> Bases;
    std::vector<qsizetype> FirstLines;
    std::vector<std::uint16_t> LastOffsets;

private:
    qsizetype m_base;
    qsizetype m_firstLine;
    qsizetype m_lastOffset;
    qsizetype m_nextLine;
};

template<typename T>
void Splice(std::vector<T> &to, size_t from, size_t end, const std::vector<T> &blocks)
{
    const size_t kept = std::min(end - from, blocks.size());
    std::copy_n(blocks.begin(), kept, to.begin() + qsizetype(from));
    if (blocks.size() > kept)
        to.insert(to.begin() + qsizetype(end), blocks.begin() + qsizetype(kept), blocks.end());
    else
        to.erase(to.begin() + qsizetype(from + kept), to.begin() + qsizetype(end));
}

template<typename T>
qsizetype Capacity(const std::vector<T> &v)
{
    return qsizetype(v.capacity() * sizeof(T));
}

} // namespace

void TTextRuns::ForRuns(qsizetype from, qsizetype to, TRunVisitor run) const
{
    if (m_reader) {
        if (from < to)
            m_reader(m_owner, from, to, run);
        return;
    }
    const qsizetype split = Before.size();
    if (from < split && !run(Before.data() + from, std::min(to, split) - from, from))
        return;
    from = std::max(from, split);
    if (from < to)
        run(After.data() + (from - split), to - from, from);
}

TLineIndex::TLineIndex()
{
    Clear();
}

void TLineIndex::Clear()
{
    m_bases = {0};
    m_firstLines = {0};
    m_lastOffsets = {0};
    m_bases.shrink_to_fit();
    m_firstLines.shrink_to_fit();
    m_lastOffsets.shrink_to_fit();
    m_lineCount = 1;
    m_stepBlock = 0;
    m_stepPos = 0;
    m_stepLine = 0;
    m_cache = {};
}

void TLineIndex::Push(qsizetype start)
{
    const size_t b = Blocks() - 1;
    const qsizetype offset = start - Base(b);
    Q_ASSERT(offset > m_lastOffsets[b]);
    if (offset <= kSpan) {
        m_lastOffsets[b] = std::uint16_t(offset);
    } else {
        // A new block comes after the pending step's first block, so it is
        // kept without the step.
        m_bases.push_back(start - m_stepPos);
        m_firstLines.push_back(m_lineCount - m_stepLine);
        m_lastOffsets.push_back(0);
    }
    ++m_lineCount;
    m_cache.Next = -1; // the last line's next start may have been the end
}

qsizetype TLineIndex::NextBase(size_t b, const TTextRuns &text) const
{
    return b + 1 < Blocks() ? Base(b + 1) : text.Size() + 1;
}

size_t TLineIndex::Find(const std::vector<qsizetype> &values, qsizetype step, qsizetype x) const
{
    auto first = values.begin();
    auto last = values.end();
    const auto stepped = values.begin() + qsizetype(m_stepBlock);
    if (stepped != last && *stepped + step <= x) {
        first = stepped;
        x -= step;
    } else {
        last = stepped;
    }
    return size_t(std::upper_bound(first, last, x) - values.begin()) - 1;
}

qsizetype TLineIndex::LineStart(qsizetype line, const TTextRuns &text) const
{
    Q_ASSERT(line >= 0 && line < m_lineCount);
    TCache &c = m_cache;
    if (line == c.Line)
        return c.Start;
    if (line == c.Line + 1 && c.Next >= 0) {
        const size_t b = c.Next == NextBase(c.Block, text) ? c.Block + 1 : c.Block;
        c = {b, line, c.Next, line + 1 == EndLine(b) ? NextBase(b, text) : -1};
        return c.Start;
    }
    size_t b = c.Block;
    if (line < FirstLine(b) || line >= EndLine(b)) {
        if (b + 1 < Blocks() && line >= FirstLine(b + 1) && line < EndLine(b + 1))
            ++b;
        else
            b = Find(m_firstLines, m_stepLine, line);
    }
    qsizetype from = Base(b);
    qsizetype fromLine = FirstLine(b);
    if (b == c.Block && c.Line < line && c.Line > fromLine) {
        from = c.Start;
        fromLine = c.Line;
    }
    qsizetype start = from;
    if (line > fromLine) {
        // No break where one was indexed: a file that failed under the text
        // reads as NULs. The block's last start stands in.
        const qsizetype at = NthBreak(text, from, LastStart(b), line - fromLine);
        start = at >= 0 ? at + 1 : LastStart(b);
    }
    c = {b, line, start, line + 1 == EndLine(b) ? NextBase(b, text) : -1};
    return start;
}

qsizetype TLineIndex::NextStart(qsizetype line, const TTextRuns &text) const
{
    // The next line's start, as the index finds it: from this line's start
    // within the block, which reads this line's bytes once; from the next
    // block's base when a long line ended the block, which reads nothing,
    // however long the line.
    return line + 1 < m_lineCount ? LineStart(line + 1, text) : text.Size() + 1;
}

qsizetype TLineIndex::LineOf(qsizetype pos, const TTextRuns &text) const
{
    Q_ASSERT(pos >= 0 && pos <= text.Size());
    TCache &c = m_cache;
    if (pos >= c.Start && pos < c.Next)
        return c.Line;
    size_t b = c.Block;
    if (pos < Base(b) || pos >= NextBase(b, text)) {
        if (b + 1 < Blocks() && pos >= Base(b + 1) && pos < NextBase(b + 1, text))
            ++b;
        else
            b = Find(m_bases, m_stepPos, pos);
    }
    const qsizetype last = LastStart(b);
    if (pos >= last) {
        c = {b, EndLine(b) - 1, last, NextBase(b, text)};
        return c.Line;
    }
    qsizetype from = Base(b);
    qsizetype fromLine = FirstLine(b);
    if (b == c.Block && c.Start <= pos && c.Start > from) {
        from = c.Start;
        fromLine = c.Line;
    }
    const TCount count = CountBreaks(text, from, pos);
    const qsizetype start = count.Count > 0 ? count.Last + 1 : from;
    // pos is before the block's last start, so a break follows within it
    // (unless the text failed, as above).
    const qsizetype next = NthBreak(text, pos, last, 1);
    c = {b, fromLine + count.Count, start, next >= 0 ? next + 1 : -1};
    return c.Line;
}

void TLineIndex::ShiftFrom(size_t first, qsizetype pos, qsizetype lines)
{
    if (m_stepPos == 0 && m_stepLine == 0) {
        m_stepBlock = first;
    } else if (first >= m_stepBlock) {
        for (size_t b = m_stepBlock; b < first; ++b) {
            m_bases[b] += m_stepPos;
            m_firstLines[b] += m_stepLine;
        }
        m_stepBlock = first;
    } else {
        // The step moves back to first rather than staying ahead, so that
        // edits going on from here pay only for the blocks they pass.
        for (size_t b = first; b < m_stepBlock; ++b) {
            m_bases[b] -= m_stepPos;
            m_firstLines[b] -= m_stepLine;
        }
        m_stepBlock = first;
    }
    m_stepPos += pos;
    m_stepLine += lines;
}

std::pair<qsizetype, qsizetype> TLineIndex::Replace(qsizetype from, qsizetype to, qsizetype inserted,
                                                    const TTextRuns &text)
{
    const qsizetype delta = inserted - (to - from);
    Q_ASSERT(from >= 0 && from <= to && to + delta <= text.Size());
    const size_t a = Find(m_bases, m_stepPos, from);
    const size_t b = Find(m_bases, m_stepPos, to);

    // The blocks from a to b are laid out again, joined to the block before
    // when they fit in it.
    size_t lo = a;
    TBlockBuilder blocks(0, 0, 0, 1); // block 0 keeps its start at 0
    if (a > 0) {
        lo = a - 1;
        blocks = TBlockBuilder(Base(lo), FirstLine(lo), m_lastOffsets[lo], FirstLine(a));
        blocks.Add(Base(a));
    }
    // Starts up to from stay; the bytes before from are as they were.
    blocks.AddBreaks(text, Base(a), std::min(from, LastStart(a)));
    const qsizetype keptBefore = blocks.NextLine() - FirstLine(a);
    blocks.AddBreaks(text, from, from + inserted);
    const qsizetype added = blocks.NextLine() - FirstLine(a) - keptBefore;
    // Block b's starts after to stay, moved by delta.
    blocks.AddBreaks(text, to + delta, LastStart(b) + delta);
    const qsizetype keptAfter = blocks.NextLine() - FirstLine(a) - keptBefore - added;
    const qsizetype removed = EndLine(b) - FirstLine(a) - keptBefore - keptAfter;
    size_t hi = b + 1;
    if (hi < Blocks() && blocks.Absorb(Base(hi) + delta, m_lastOffsets[hi]))
        ++hi;
    blocks.Close();

    ShiftFrom(hi, delta, added - removed);
    Splice(m_bases, lo, hi, blocks.Bases);
    Splice(m_firstLines, lo, hi, blocks.FirstLines);
    Splice(m_lastOffsets, lo, hi, blocks.LastOffsets);
    m_stepBlock = m_stepBlock + blocks.Bases.size() - (hi - lo);
    // A large deletion gives back the room of the blocks it took out.
    if (m_bases.capacity() > 4 * m_bases.size() + 64) {
        m_bases.shrink_to_fit();
        m_firstLines.shrink_to_fit();
        m_lastOffsets.shrink_to_fit();
    }
    m_lineCount += added - removed;
    m_cache = {};
    return {removed, added};
}

qsizetype TLineIndex::MemoryBytes() const
{
    return qsizetype(sizeof(*this)) + Capacity(m_bases) + Capacity(m_firstLines) + Capacity(m_lastOffsets);
}
