#include "document/TextBuffer.h"

#include "platform/Cp437.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// The index of the first CR or LF in [from, n), or n. Art lines are short
// but files are large, so sixteen bytes are tested at a time.
qsizetype NextBreak(const char *p, qsizetype from, qsizetype n)
{
    qsizetype i = from;
#if defined(__SSE2__)
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    for (; i + 16 <= n; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + i));
        const qsizetype mask = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, lf)));
        if (mask != 0)
            return i + __builtin_ctz(unsigned(mask));
    }
#endif
    for (; i < n; ++i) {
        if (p[i] == '\r' || p[i] == '\n')
            return i;
    }
    return n;
}

// The index of the first LF in [from, n), or n.
qsizetype LineFeed(const char *p, qsizetype from, qsizetype n)
{
    const void *lf = std::memchr(p + from, '\n', size_t(n - from));
    return lf ? static_cast<const char *>(lf) - p : n;
}

} // namespace

TTextBuffer::TTextBuffer()
{
    Load({});
}

void TTextBuffer::Load(QByteArray fileBytes)
{
    m_lines.Clear();
    m_pendingCr = false;
    m_steps.clear();
    m_redo.clear();
    m_clean = 0;
    // The bytes are taken in where they are: they are not copied.
    m_table.Reset(QByteArray());
    char *data = fileBytes.data();
    fileBytes.truncate(TakeIn(data, fileBytes.size(), data, 0, true, nullptr));
    m_table.Reset(std::move(fileBytes));
}

TTextBuffer::TChange TTextBuffer::Append(QByteArrayView fileBytes, bool last, qsizetype *longestLine)
{
    Q_ASSERT(!Source()); // a file's source grows through AppendSource
    TChange change;
    change.FirstLine = LineCount() - 1;
    change.From = Length();
    const qsizetype lines = LineCount();
    QByteArray &memory = m_table.Memory();
    const qsizetype old = memory.size();
    memory.resize(old + fileBytes.size() + 1); // a waiting CR's break comes first
    const qsizetype n = TakeIn(fileBytes.data(), fileBytes.size(), memory.data() + old, Length(), last, longestLine);
    memory.truncate(old + n);
    m_table.AppendOriginal(old, n);
    change.InsertedLines = LineCount() - lines;
    change.InsertedChars = Length() - change.From;
    return change;
}

qsizetype TTextBuffer::TakeIn(const char *in, qsizetype n, char *out, qsizetype base, bool last, qsizetype *longestLine)
{
    // Each break becomes one '\n'. in may be out (a load in place): the bytes
    // then only move down, over the LFs of joined CR LFs, and are not moved
    // where they already stand.
    qsizetype len = 0, i = 0;
    // The longest line touched, measured as the breaks are found.
    qsizetype line = LineCount() - 1, lineStart = longestLine ? LineStart(line) - base : 0;
    qsizetype longest = line, longestBytes = -1;
    auto endLine = [&] {
        if (len - lineStart > longestBytes) {
            longest = line;
            longestBytes = len - lineStart;
        }
    };
    auto lineBreak = [&] {
        endLine();
        out[len++] = '\n';
        m_lines.Push(base + len);
        ++line;
        lineStart = len;
    };
    if (m_pendingCr && (n > 0 || last)) {
        i = n > 0 && in[0] == '\n' ? 1 : 0;
        lineBreak();
        m_pendingCr = false;
    }
    const bool lfOnly = m_breaks == TBreaks::LfOnly;
    while (i < n) {
        const qsizetype b = lfOnly ? LineFeed(in, i, n) : NextBreak(in, i, n);
        if (out + len != in + i)
            std::memmove(out + len, in + i, size_t(b - i));
        len += b - i;
        if (b == n)
            break;
        if (in[b] == '\r' && b + 1 == n && !last) {
            m_pendingCr = true;
            break;
        }
        // Read before the break is written: in place, it lands on in[b].
        i = (in[b] == '\r' && b + 1 < n && in[b + 1] == '\n') ? b + 2 : b + 1;
        lineBreak();
    }
    endLine();
    if (longestLine)
        *longestLine = longest;
    return len;
}

void TTextBuffer::Open(std::shared_ptr<TDecodedSource> source)
{
    Load({});
    m_table.Reset(std::move(source));
}

TTextBuffer::TChange TTextBuffer::AppendSource(const TScanBatch &batch, qsizetype *longestLine)
{
    TDecodedSource &source = *m_table.Source();
    TChange change;
    change.FirstLine = LineCount() - 1;
    change.From = Length();
    const qsizetype lines = LineCount();
    // What the scan finds follows the text as it is now, edits and all: a
    // position of the source is one of the text moved by what the edits
    // added or took away.
    const qint64 from = source.Length();
    const qint64 shift = Length() - from;
    source.AddBlocks(batch);
    for (const qint64 start : batch.LineStarts)
        m_lines.Push(qsizetype(start + shift));
    m_table.AppendOriginal(from, source.Length() - from);
    if (longestLine)
        *longestLine = batch.LongestLine < 0 ? lines - 1 : lines + batch.LongestLine;
    change.InsertedLines = LineCount() - lines;
    change.InsertedChars = Length() - change.From;
    return change;
}

QByteArray TTextBuffer::FileBytes(QByteArrayView lineBreak) const
{
    QByteArray out;
    out.reserve(Length() + (LineCount() - 1) * (lineBreak.size() - 1));
    Read(0, Length(), [&out, lineBreak](const char *p, qsizetype n, qsizetype) {
        const char *end = p + n;
        while (p < end) {
            const char *nl = static_cast<const char *>(std::memchr(p, '\n', size_t(end - p)));
            if (!nl) {
                out.append(p, end - p);
                break;
            }
            out.append(p, nl - p);
            out.append(lineBreak);
            p = nl + 1;
        }
        return true;
    });
    return out;
}

qsizetype TTextBuffer::LineEnd(qsizetype line) const
{
    return line + 1 < LineCount() ? m_lines.NextStart(line, Runs()) - 1 : Length();
}

qsizetype TTextBuffer::LineOf(qsizetype pos) const
{
    return m_lines.LineOf(std::clamp<qsizetype>(pos, 0, Length()), Runs());
}

bool TTextBuffer::Contains(char c, qsizetype from, qsizetype to) const
{
    bool found = false;
    Read(from, to, [c, &found](const char *p, qsizetype n, qsizetype) {
        found = std::memchr(p, c, size_t(n)) != nullptr;
        return !found;
    });
    return found;
}

TTextRuns TTextBuffer::Runs() const
{
    return TTextRuns(Length(), this, [](const void *owner, qsizetype from, qsizetype to, TRunVisitor run) {
        static_cast<const TTextBuffer *>(owner)->Read(from, to, run);
    });
}

TTextBuffer::TChange TTextBuffer::Apply(qsizetype from, qsizetype to, const TPieceTable::TPieces &pieces)
{
    TChange change;
    change.FirstLine = LineOf(from);
    change.From = from;
    change.RemovedChars = to - from;
    change.InsertedChars = qsizetype(TPieceTable::Size(pieces));
    m_table.Replace(from, to, pieces);
    const auto [removed, inserted] = m_lines.Replace(from, to, change.InsertedChars, Runs());
    change.RemovedLines = removed;
    change.InsertedLines = inserted;
    return change;
}

bool TTextBuffer::Merge(qsizetype from, qsizetype to, const TPieceTable::TPieces &inserted, QByteArrayView bytes,
                        TEditKind kind)
{
    if (m_steps.empty() || m_clean == qsizetype(m_steps.size()))
        return false;
    TStep &last = m_steps.back();
    if (kind != last.Kind)
        return false;
    if (kind == TEditKind::Typing) {
        if (from != to || last.Pos + TPieceTable::Size(last.Inserted) != from || bytes.contains('\n'))
            return false;
        for (const TPieceTable::TPiece &piece : inserted)
            TPieceTable::Append(last.Inserted, piece);
        return true;
    }
    if (kind == TEditKind::Deleting && bytes.isEmpty() && last.Inserted.empty()) {
        const TPieceTable::TPieces removed = m_table.Pieces(from, to);
        if (to == last.Pos) { // Backspace
            for (auto it = removed.rbegin(); it != removed.rend(); ++it)
                TPieceTable::Prepend(last.Removed, *it);
            last.Pos = from;
            return true;
        }
        if (from == last.Pos) { // Delete
            for (const TPieceTable::TPiece &piece : removed)
                TPieceTable::Append(last.Removed, piece);
            return true;
        }
    }
    return false;
}

TTextBuffer::TChange TTextBuffer::Replace(qsizetype from, qsizetype to, QByteArrayView bytes, TEditKind kind)
{
    from = std::clamp<qsizetype>(from, 0, Length());
    to = std::clamp(to, from, Length());
    // The file must not change under the text from the first edit on.
    if (Source())
        Source()->Protect();
    TPieceTable::TPieces inserted;
    if (!bytes.isEmpty())
        inserted.push_back(m_table.Add(bytes));
    // A step taken back and not made again is out of reach from here.
    if (m_clean > qsizetype(m_steps.size()))
        m_clean = -1;
    m_redo.clear();
    if (kind == TEditKind::Untracked) {
        // The positions of earlier steps no longer hold after an edit the
        // history does not know.
        m_steps.clear();
        m_clean = -1;
    } else if (!Merge(from, to, inserted, bytes, kind)) {
        m_steps.push_back({from, m_table.Pieces(from, to), inserted, kind});
    }
    return Apply(from, to, inserted);
}

qsizetype TTextBuffer::Swap(std::vector<TStep> &from, std::vector<TStep> &to, bool undo, TChange *change,
                            QByteArray *removed)
{
    if (from.empty())
        return -1;
    TStep step = std::move(from.back());
    from.pop_back();
    const TPieceTable::TPieces &out = undo ? step.Inserted : step.Removed;
    const TPieceTable::TPieces &in = undo ? step.Removed : step.Inserted;
    if (removed)
        *removed = TPieceTable::Bytes(m_table, out);
    const TChange c = Apply(step.Pos, step.Pos + qsizetype(TPieceTable::Size(out)), in);
    if (change)
        *change = c;
    const qsizetype caret = step.Pos + qsizetype(TPieceTable::Size(in));
    to.push_back(std::move(step));
    return caret;
}

qsizetype TTextBuffer::Undo(TChange *change, QByteArray *removed)
{
    return Swap(m_steps, m_redo, true, change, removed);
}

qsizetype TTextBuffer::Redo(TChange *change, QByteArray *removed)
{
    return Swap(m_redo, m_steps, false, change, removed);
}

qsizetype TTextBuffer::NextChar(qsizetype pos) const
{
    if (SingleByte() || pos >= Length())
        return pos + 1;
    qsizetype length = 1;
    ShownAt(pos, &length);
    return pos + length;
}

qsizetype TTextBuffer::PrevChar(qsizetype pos) const
{
    if (SingleByte() || pos <= 1)
        return pos - 1;
    // Back over continuation bytes to a start whose sequence ends at pos.
    for (qsizetype k = 1; k <= 4 && pos - k >= 0; ++k) {
        if (!Charset::IsContinuation(static_cast<unsigned char>(At(pos - k)))) {
            qsizetype length = 1;
            ShownAt(pos - k, &length);
            return length == k ? pos - k : pos - 1;
        }
    }
    return pos - 1;
}

qsizetype TTextBuffer::CharStart(qsizetype pos) const
{
    if (SingleByte() || pos <= 0 || pos >= Length())
        return pos;
    for (qsizetype k = 1; k <= 4 && pos - k >= 0; ++k) {
        if (!Charset::IsContinuation(static_cast<unsigned char>(At(pos - k)))) {
            qsizetype length = 1;
            ShownAt(pos - k, &length);
            return pos - k + length > pos ? pos - k : pos;
        }
    }
    return pos;
}

char32_t TTextBuffer::ShownAt(qsizetype pos, qsizetype *length) const
{
    unsigned char bytes[4];
    qsizetype n = 0;
    const qsizetype available = std::min<qsizetype>(4, Length() - pos);
    bytes[n++] = static_cast<unsigned char>(At(pos));
    // Only a sequence's start asks for the bytes after it.
    if (!SingleByte() && bytes[0] >= 0xC0) {
        while (n < available)
            bytes[n] = static_cast<unsigned char>(At(pos + n)), ++n;
    }
    char32_t shown = 0;
    *length = Charset::Decode(m_charset, bytes, n, &shown);
    return shown;
}

qsizetype TTextBuffer::CharCount(qsizetype from, qsizetype to) const
{
    if (SingleByte())
        return to - from;
    qsizetype count = 0;
    for (qsizetype p = from; p < to; p = NextChar(p))
        ++count;
    return count;
}
