#include "document/PieceTable.h"

#include <algorithm>
#include <cstring>

namespace {

bool Continues(const TPieceTable::TPiece &a, const TPieceTable::TPiece &b)
{
    return a.Added == b.Added && a.Start + a.Length == b.Start;
}

} // namespace

TPieceTable::TPieceTable()
{
    Reset(QByteArray());
}

void TPieceTable::Reset(QByteArray original)
{
    m_memory = std::move(original);
    m_source.reset();
    m_added = QByteArray();
    m_pieces.clear();
    if (!m_memory.isEmpty())
        m_pieces.push_back({0, m_memory.size(), false});
    Restart(0);
    Forget();
}

void TPieceTable::Reset(std::shared_ptr<TDecodedSource> source)
{
    Reset(QByteArray());
    m_source = std::move(source);
}

void TPieceTable::Restart(size_t from)
{
    m_starts.resize(m_pieces.size());
    qint64 pos = from > 0 ? m_starts[from - 1] + m_pieces[from - 1].Length : 0;
    for (size_t k = from; k < m_pieces.size(); ++k) {
        m_starts[k] = pos;
        pos += m_pieces[k].Length;
    }
    if (from <= m_pieces.size())
        m_length = m_pieces.empty() ? 0 : m_starts.back() + m_pieces.back().Length;
}

size_t TPieceTable::PieceOf(qint64 pos) const
{
    return size_t(std::upper_bound(m_starts.begin(), m_starts.end(), pos) - m_starts.begin()) - 1;
}

void TPieceTable::FindRun(qint64 pos) const
{
    static const char nothing[1] = {0};
    if (pos < 0 || pos >= m_length) {
        m_runFrom = pos;
        m_runTo = pos + 1;
        m_run = nothing;
        m_runBlock.clear();
        return;
    }
    const size_t k = PieceOf(pos);
    const TPiece &p = m_pieces[k];
    const qint64 s = m_starts[k];
    if (p.Added || !m_source) {
        m_runFrom = s;
        m_runTo = s + p.Length;
        m_run = (p.Added ? m_added.constData() : m_memory.constData()) + p.Start;
        m_runBlock.clear();
        return;
    }
    qint64 blockStart = 0;
    m_runBlock = m_source->BlockAt(p.Start + (pos - s), &blockStart);
    // The doc position of the block's first byte.
    const qint64 blockAt = s + (blockStart - p.Start);
    m_runFrom = std::max(s, blockAt);
    m_runTo = std::min(s + p.Length, blockAt + m_runBlock.size());
    m_run = m_runBlock.constData() + (m_runFrom - blockAt);
}

void TPieceTable::Read(qint64 from, qint64 to, TRunVisitor run, bool sequential) const
{
    from = std::max<qint64>(from, 0);
    to = std::min(to, m_length);
    if (from >= to)
        return;
    if (from >= m_runFrom && to <= m_runTo) {
        run(m_run + (from - m_runFrom), qsizetype(to - from), qsizetype(from));
        return;
    }
    for (size_t k = PieceOf(from); from < to; ++k) {
        const TPiece &p = m_pieces[k];
        const qint64 s = m_starts[k];
        const qint64 end = std::min(to, s + p.Length);
        if (p.Added || !m_source) {
            const char *base = (p.Added ? m_added.constData() : m_memory.constData()) + p.Start;
            if (!run(base + (from - s), qsizetype(end - from), qsizetype(from)))
                return;
        } else {
            bool goOn = true;
            m_source->Read(p.Start + (from - s), p.Start + (end - s),
                           [&](const char *data, qsizetype length, qsizetype at) {
                               goOn = run(data, length, qsizetype(s + (at - p.Start)));
                               return goOn;
                           },
                           sequential);
            if (!goOn)
                return;
        }
        from = end;
    }
}

QByteArray TPieceTable::Slice(qint64 from, qint64 to) const
{
    from = std::clamp<qint64>(from, 0, m_length);
    to = std::clamp<qint64>(to, from, m_length);
    QByteArray out(qsizetype(to - from), Qt::Uninitialized);
    Read(from, to, [&out, from](const char *data, qsizetype length, qsizetype pos) {
        std::memcpy(out.data() + (pos - from), data, size_t(length));
        return true;
    });
    return out;
}

QByteArray TPieceTable::Bytes(const TPieceTable &table, const TPieces &pieces)
{
    QByteArray out;
    out.reserve(qsizetype(Size(pieces)));
    for (const TPiece &p : pieces) {
        if (p.Added || !table.m_source) {
            out.append((p.Added ? table.m_added.constData() : table.m_memory.constData()) + p.Start, qsizetype(p.Length));
            continue;
        }
        table.m_source->Read(p.Start, p.Start + p.Length, [&out](const char *data, qsizetype length, qsizetype) {
            out.append(data, length);
            return true;
        });
    }
    return out;
}

TPieceTable::TPieces TPieceTable::Pieces(qint64 from, qint64 to) const
{
    TPieces pieces;
    if (from >= to)
        return pieces;
    for (size_t k = PieceOf(from); k < m_pieces.size() && m_starts[k] < to; ++k) {
        const qint64 s = m_starts[k];
        const qint64 a = std::max(from, s), b = std::min(to, s + m_pieces[k].Length);
        pieces.push_back({m_pieces[k].Start + (a - s), b - a, m_pieces[k].Added});
    }
    return pieces;
}

size_t TPieceTable::Split(qint64 pos)
{
    if (pos >= m_length)
        return m_pieces.size();
    const size_t k = PieceOf(pos);
    const qint64 s = m_starts[k];
    if (s == pos)
        return k;
    TPiece right = m_pieces[k];
    right.Start += pos - s;
    right.Length -= pos - s;
    m_pieces[k].Length = pos - s;
    m_pieces.insert(m_pieces.begin() + qsizetype(k) + 1, right);
    m_starts.insert(m_starts.begin() + qsizetype(k) + 1, pos);
    return k + 1;
}

void TPieceTable::Replace(qint64 from, qint64 to, const TPieces &pieces)
{
    Forget();
    const size_t i = Split(from);
    const size_t j = Split(to);
    m_pieces.erase(m_pieces.begin() + qsizetype(i), m_pieces.begin() + qsizetype(j));
    size_t hi = i;
    for (const TPiece &p : pieces) {
        if (p.Length > 0)
            m_pieces.insert(m_pieces.begin() + qsizetype(hi++), p);
    }
    // Neighbours that continue each other become one piece again: typing
    // grows one piece, and an undone deletion joins what it split.
    size_t k = i > 0 ? i - 1 : 0;
    hi = std::min(hi, m_pieces.size() - (m_pieces.empty() ? 0 : 1));
    while (k < hi) {
        if (Continues(m_pieces[k], m_pieces[k + 1])) {
            m_pieces[k].Length += m_pieces[k + 1].Length;
            m_pieces.erase(m_pieces.begin() + qsizetype(k) + 1);
            --hi;
        } else {
            ++k;
        }
    }
    Restart(i > 0 ? i - 1 : 0);
}

TPieceTable::TPiece TPieceTable::Add(QByteArrayView bytes)
{
    Forget();
    const TPiece piece{m_added.size(), bytes.size(), true};
    m_added.append(bytes.data(), bytes.size());
    return piece;
}

void TPieceTable::AppendOriginal(qint64 start, qint64 length)
{
    Forget();
    if (length <= 0)
        return;
    if (!m_pieces.empty() && Continues(m_pieces.back(), {start, length, false})) {
        m_pieces.back().Length += length;
    } else {
        m_pieces.push_back({start, length, false});
        m_starts.push_back(m_length);
    }
    m_length += length;
}

qint64 TPieceTable::Size(const TPieces &pieces)
{
    qint64 size = 0;
    for (const TPiece &p : pieces)
        size += p.Length;
    return size;
}

void TPieceTable::Append(TPieces &pieces, const TPiece &piece)
{
    if (piece.Length <= 0)
        return;
    if (!pieces.empty() && Continues(pieces.back(), piece))
        pieces.back().Length += piece.Length;
    else
        pieces.push_back(piece);
}

void TPieceTable::Prepend(TPieces &pieces, const TPiece &piece)
{
    if (piece.Length <= 0)
        return;
    if (!pieces.empty() && Continues(piece, pieces.front())) {
        pieces.front().Start = piece.Start;
        pieces.front().Length += piece.Length;
    } else {
        pieces.insert(pieces.begin(), piece);
    }
}
