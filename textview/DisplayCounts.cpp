#include "textview/DisplayCounts.h"

#include <algorithm>

void TDisplayCounts::Reset(qsizetype lines)
{
    m_counts.assign(size_t(lines), 1);
    m_many.clear();
    m_sums.assign(size_t((lines + kBlock - 1) / kBlock), kBlock);
    if (lines % kBlock != 0)
        m_sums.back() = lines % kBlock;
    m_prefix.assign(m_sums.size() + 1, 0);
    m_valid = 0;
}

qsizetype TDisplayCounts::Count(qsizetype line) const
{
    const unsigned char c = m_counts[size_t(line)];
    return c == kMany ? m_many.at(line) : c;
}

void TDisplayCounts::Set(qsizetype line, qsizetype count)
{
    const qsizetype old = Count(line);
    if (count == old)
        return;
    if (count >= kMany) {
        m_counts[size_t(line)] = kMany;
        m_many[line] = count;
    } else {
        m_counts[size_t(line)] = static_cast<unsigned char>(count);
        m_many.erase(line);
    }
    const qsizetype block = line / kBlock;
    m_sums[size_t(block)] += count - old;
    m_valid = std::min(m_valid, block);
}

qsizetype TDisplayCounts::BlockSum(qsizetype block) const
{
    const qsizetype from = block * kBlock, to = std::min(Lines(), from + kBlock);
    qsizetype sum = 0;
    for (qsizetype line = from; line < to; ++line)
        sum += m_counts[size_t(line)] == kMany ? m_many.at(line) : m_counts[size_t(line)];
    return sum;
}

void TDisplayCounts::Prefix() const
{
    const qsizetype blocks = qsizetype(m_sums.size());
    for (qsizetype b = m_valid; b < blocks; ++b)
        m_prefix[size_t(b) + 1] = m_prefix[size_t(b)] + m_sums[size_t(b)];
    m_valid = blocks;
}

qsizetype TDisplayCounts::First(qsizetype line) const
{
    Prefix();
    const qsizetype block = line / kBlock;
    qsizetype first = m_prefix[size_t(block)];
    for (qsizetype l = block * kBlock; l < line; ++l)
        first += m_counts[size_t(l)] == kMany ? m_many.at(l) : m_counts[size_t(l)];
    return first;
}

qsizetype TDisplayCounts::LineAt(qsizetype displayLine) const
{
    Prefix();
    // The last block starting at or before displayLine, then line by line.
    const auto it = std::upper_bound(m_prefix.begin(), m_prefix.end() - 1, displayLine);
    const qsizetype block = std::max<qsizetype>(0, qsizetype(it - m_prefix.begin()) - 1);
    qsizetype first = m_prefix[size_t(block)];
    const qsizetype end = std::min(Lines(), (block + 1) * kBlock);
    for (qsizetype line = block * kBlock; line < end; ++line) {
        first += Count(line);
        if (first > displayLine)
            return line;
    }
    return std::max<qsizetype>(0, end - 1);
}

void TDisplayCounts::Replace(qsizetype first, qsizetype removed, qsizetype inserted)
{
    if (removed == inserted) { // typing within lines: nothing after them moves
        for (qsizetype line = first; line < first + inserted; ++line)
            Set(line, 1);
        return;
    }
    const auto at = m_counts.begin() + first;
    m_counts.insert(m_counts.erase(at, at + removed), size_t(inserted), 1);
    // The lines of many display lines after the edit move with it.
    std::map<qsizetype, qsizetype> many;
    for (const auto &[line, count] : m_many) {
        if (line < first)
            many.emplace_hint(many.end(), line, count);
        else if (line >= first + removed)
            many.emplace_hint(many.end(), line + inserted - removed, count);
    }
    m_many.swap(many);
    // Blocks from the edit on hold other lines now: their sums are taken again.
    const qsizetype block = first / kBlock;
    m_sums.resize(size_t((Lines() + kBlock - 1) / kBlock));
    m_prefix.resize(m_sums.size() + 1);
    for (qsizetype b = block; b < qsizetype(m_sums.size()); ++b)
        m_sums[size_t(b)] = BlockSum(b);
    m_valid = std::min(m_valid, block);
}
