#include "document/TextBuffer.h"

#include "platform/Cp437.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace {

constexpr qsizetype kMinGap = 4096;

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
    m_data = std::move(fileBytes);
    m_lines.Clear();
    m_pendingCr = false;
    m_gapStart = 0;
    // The bytes are taken in where they are: a large file is not copied.
    TakeIn(m_data.data(), m_data.size(), true, nullptr);
    m_data.resize(m_gapStart + kMinGap);
    m_gapEnd = m_data.size();
    m_steps.clear();
    m_clean = 0;
}

void TTextBuffer::Expect(qsizetype expected)
{
    MoveGap(Length());
    const qsizetype size = qsizetype(Length()) + expected + kMinGap;
    if (size > m_data.size()) {
        m_data.resize(size);
        m_gapEnd = qsizetype(size);
        AdviseLargePages();
    }
}

void TTextBuffer::AdviseLargePages()
{
#if defined(__linux__)
    // Filling gigabytes page by page costs a fault every 4 KB; the kernel
    // can give large pages where it is asked to.
    constexpr quintptr kLarge = quintptr(2) << 20;
    const quintptr begin = (reinterpret_cast<quintptr>(m_data.data()) + kLarge - 1) & ~(kLarge - 1);
    const quintptr end = (reinterpret_cast<quintptr>(m_data.data()) + quintptr(m_data.size())) & ~(kLarge - 1);
    if (end > begin)
        ::madvise(reinterpret_cast<void *>(begin), end - begin, MADV_HUGEPAGE);
#endif
}

TTextBuffer::TChange TTextBuffer::Append(QByteArrayView fileBytes, bool last, qsizetype *longestLine)
{
    MoveGap(Length());
    TChange change;
    change.FirstLine = LineCount() - 1;
    change.From = Length();
    const qsizetype lines = LineCount();
    Reserve(qsizetype(fileBytes.size()) + 1);
    TakeIn(fileBytes.data(), fileBytes.size(), last, longestLine);
    change.InsertedLines = LineCount() - lines;
    change.InsertedChars = Length() - change.From;
    return change;
}

void TTextBuffer::TakeIn(const char *in, qsizetype n, bool last, qsizetype *longestLine)
{
    // Each break becomes one '\n' at the gap, which has room. in may be the
    // gap itself (a load in place): the bytes then only move down, over the
    // LFs of joined CR LFs, and are not moved where they already stand.
    char *out = m_data.data() + m_gapStart;
    qsizetype len = 0, i = 0;
    // The longest line touched, measured as the breaks are found.
    qsizetype line = LineCount() - 1, lineStart = longestLine ? LineStart(line) - m_gapStart : 0;
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
        m_lines.Push(m_gapStart + len);
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
    m_gapStart += len;
    endLine();
    if (longestLine)
        *longestLine = longest;
}

QByteArray TTextBuffer::FileBytes(QByteArrayView lineBreak) const
{
    QByteArray out;
    out.reserve(Length() + LineCount() * (lineBreak.size() - 1));
    auto put = [&out, lineBreak](const char *p, size_t n) {
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
    };
    put(m_data.constData(), size_t(m_gapStart));
    put(m_data.constData() + m_gapEnd, size_t(m_data.size() - m_gapEnd));
    return out;
}

QByteArray TTextBuffer::Slice(qsizetype from, qsizetype to) const
{
    from = std::clamp<qsizetype>(from, 0, Length());
    to = std::clamp(to, from, Length());
    QByteArray out(to - from, Qt::Uninitialized);
    const qsizetype before = std::clamp<qsizetype>(m_gapStart - from, 0, to - from);
    std::memcpy(out.data(), m_data.constData() + from, size_t(before));
    std::memcpy(out.data() + before, m_data.constData() + GapSize() + from + before, size_t(to - from - before));
    return out;
}

QByteArrayView TTextBuffer::Contiguous()
{
    MoveGap(Length());
    return QByteArrayView(m_data.constData(), m_gapStart);
}

qsizetype TTextBuffer::LineEnd(qsizetype line) const
{
    return line + 1 < LineCount() ? m_lines.NextStart(line, Runs()) - 1 : Length();
}

qsizetype TTextBuffer::LineOf(qsizetype pos) const
{
    return m_lines.LineOf(std::clamp<qsizetype>(pos, 0, Length()), Runs());
}

void TTextBuffer::MoveGap(qsizetype pos)
{
    if (pos < m_gapStart) {
        const qsizetype n = m_gapStart - pos;
        std::memmove(m_data.data() + m_gapEnd - n, m_data.data() + pos, size_t(n));
        m_gapStart -= n;
        m_gapEnd -= n;
    } else if (pos > m_gapStart) {
        const qsizetype n = pos - m_gapStart;
        std::memmove(m_data.data() + m_gapStart, m_data.data() + m_gapEnd, size_t(n));
        m_gapStart += n;
        m_gapEnd += n;
    }
}

void TTextBuffer::Reserve(qsizetype bytes)
{
    if (GapSize() >= bytes)
        return;
    // The block grows in place where the allocator can; the text after the
    // gap moves to the new end.
    const qsizetype tail = m_data.size() - m_gapEnd;
    const qsizetype size = qsizetype(Length()) + bytes + kMinGap + Length() / 16;
    m_data.resize(size);
    std::memmove(m_data.data() + size - tail, m_data.constData() + m_gapEnd, size_t(tail));
    m_gapEnd = qsizetype(size - tail);
}

bool TTextBuffer::Contains(char c, qsizetype from, qsizetype to) const
{
    const TTextRuns runs = Runs();
    const qsizetype split = runs.Before.size();
    if (from < split && std::memchr(runs.Before.data() + from, c, size_t(std::min(to, split) - from)))
        return true;
    from = std::max(from, split);
    return from < to && std::memchr(runs.After.data() + (from - split), c, size_t(to - from));
}

TTextRuns TTextBuffer::Runs() const
{
    return {QByteArrayView(m_data.constData(), m_gapStart),
            QByteArrayView(m_data.constData() + m_gapEnd, m_data.size() - m_gapEnd)};
}

TTextBuffer::TChange TTextBuffer::Apply(qsizetype from, qsizetype to, QByteArrayView bytes)
{
    TChange change;
    change.FirstLine = LineOf(from);
    change.From = from;
    change.RemovedChars = to - from;
    change.InsertedChars = qsizetype(bytes.size());
    MoveGap(from);
    m_gapEnd += to - from;
    Reserve(qsizetype(bytes.size()));
    if (!bytes.isEmpty()) // an empty view may have no data at all
        std::memcpy(m_data.data() + m_gapStart, bytes.data(), size_t(bytes.size()));
    m_gapStart += qsizetype(bytes.size());

    const auto [removed, inserted] = m_lines.Replace(from, to, bytes, Runs());
    change.RemovedLines = removed;
    change.InsertedLines = inserted;
    return change;
}

bool TTextBuffer::Merge(qsizetype from, qsizetype to, QByteArrayView bytes, TEditKind kind)
{
    if (m_steps.empty() || m_clean == qsizetype(m_steps.size()))
        return false;
    TStep &last = m_steps.back();
    if (kind != last.Kind)
        return false;
    if (kind == TEditKind::Typing) {
        if (from != to || last.Pos + last.Inserted.size() != from || bytes.contains('\n'))
            return false;
        last.Inserted.append(bytes.data(), bytes.size());
        return true;
    }
    if (kind == TEditKind::Deleting && bytes.isEmpty() && last.Inserted.isEmpty()) {
        if (to == last.Pos) { // Backspace
            last.Removed.prepend(Slice(from, to));
            last.Pos = from;
            return true;
        }
        if (from == last.Pos) { // Delete
            last.Removed.append(Slice(from, to));
            return true;
        }
    }
    return false;
}

TTextBuffer::TChange TTextBuffer::Replace(qsizetype from, qsizetype to, QByteArrayView bytes, TEditKind kind)
{
    from = std::clamp<qsizetype>(from, 0, Length());
    to = std::clamp(to, from, Length());
    if (kind == TEditKind::Untracked) {
        // The positions of earlier steps no longer hold after an edit the
        // history does not know.
        m_steps.clear();
        m_clean = -1;
    } else if (!Merge(from, to, bytes, kind)) {
        if (m_clean > qsizetype(m_steps.size()))
            m_clean = -1;
        m_steps.push_back({from, Slice(from, to), bytes.toByteArray(), kind});
    }
    return Apply(from, to, bytes);
}

qsizetype TTextBuffer::Undo(TChange *change, QByteArray *removed)
{
    if (m_steps.empty())
        return -1;
    const TStep step = std::move(m_steps.back());
    m_steps.pop_back();
    const TChange c = Apply(step.Pos, step.Pos + qsizetype(step.Inserted.size()), step.Removed);
    if (change)
        *change = c;
    if (removed)
        *removed = step.Inserted;
    return step.Pos + qsizetype(step.Removed.size());
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
