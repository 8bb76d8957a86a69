#include "textview/TextBuffer.h"

#include "platform/Cp437.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr int kMinGap = 4096;

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
        const int mask = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, lf)));
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

} // namespace

TTextBuffer::TTextBuffer()
{
    Load({});
}

void TTextBuffer::Load(QByteArray fileBytes)
{
    const qsizetype n = fileBytes.size();
    m_data = std::move(fileBytes);
    m_lineStarts.clear();
    m_lineStarts.reserve(size_t(n / 64 + 1));
    m_lineStarts.push_back(0);
    // Each break becomes one '\n'; the bytes move down over dropped LFs.
    const char *in = m_data.constData();
    char *out = nullptr;
    qsizetype len = 0;
    qsizetype i = 0;
    while (i < n) {
        const qsizetype b = NextBreak(in, i, n);
        if (len != i)
            std::memmove(out + len, in + i, size_t(b - i)); // out is set: a CR LF was joined
        len += b - i;
        if (b == n)
            break;
        const qsizetype next = (in[b] == '\r' && b + 1 < n && in[b + 1] == '\n') ? b + 2 : b + 1;
        if (in[b] != '\n' || len != b) {
            if (!out) {
                out = m_data.data(); // detaches only when the bytes are shared
                in = out;
            }
            out[len] = '\n';
        }
        ++len;
        i = next;
        m_lineStarts.push_back(int(len));
    }
    m_data.resize(len + kMinGap);
    m_gapStart = int(len);
    m_gapEnd = int(m_data.size());
    m_steps.clear();
    m_clean = 0;
    m_pendingCr = false;
}

void TTextBuffer::Expect(qsizetype expected)
{
    MoveGap(Length());
    const qsizetype size = qsizetype(Length()) + expected + kMinGap;
    if (size > m_data.size()) {
        m_data.resize(size);
        m_gapEnd = int(size);
    }
}

TTextBuffer::TChange TTextBuffer::Append(QByteArrayView fileBytes, bool last)
{
    MoveGap(Length());
    TChange change;
    change.FirstLine = LineCount() - 1;
    change.From = Length();
    const int lines = LineCount();
    Reserve(int(fileBytes.size()) + 1);
    char *out = m_data.data();
    const char *in = fileBytes.data();
    const qsizetype n = fileBytes.size();
    qsizetype len = m_gapStart, i = 0;
    auto lineBreak = [&] {
        out[len++] = '\n';
        m_lineStarts.push_back(int(len));
    };
    if (m_pendingCr && (n > 0 || last)) {
        lineBreak();
        i = n > 0 && in[0] == '\n' ? 1 : 0;
        m_pendingCr = false;
    }
    while (i < n) {
        const qsizetype b = NextBreak(in, i, n);
        std::memcpy(out + len, in + i, size_t(b - i));
        len += b - i;
        if (b == n)
            break;
        if (in[b] == '\r' && b + 1 == n && !last) {
            m_pendingCr = true;
            break;
        }
        lineBreak();
        i = (in[b] == '\r' && b + 1 < n && in[b + 1] == '\n') ? b + 2 : b + 1;
    }
    m_gapStart = int(len);
    change.InsertedLines = LineCount() - lines;
    change.InsertedChars = Length() - change.From;
    return change;
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

QByteArray TTextBuffer::Slice(int from, int to) const
{
    from = std::clamp(from, 0, Length());
    to = std::clamp(to, from, Length());
    QByteArray out(to - from, Qt::Uninitialized);
    const int before = std::clamp(m_gapStart - from, 0, to - from);
    std::memcpy(out.data(), m_data.constData() + from, size_t(before));
    std::memcpy(out.data() + before, m_data.constData() + GapSize() + from + before, size_t(to - from - before));
    return out;
}

QByteArrayView TTextBuffer::Contiguous()
{
    MoveGap(Length());
    return QByteArrayView(m_data.constData(), m_gapStart);
}

int TTextBuffer::LineEnd(int line) const
{
    return line + 1 < LineCount() ? m_lineStarts[size_t(line) + 1] - 1 : Length();
}

int TTextBuffer::LineOf(int pos) const
{
    const auto it = std::upper_bound(m_lineStarts.begin(), m_lineStarts.end(), pos);
    return int(it - m_lineStarts.begin()) - 1;
}

void TTextBuffer::MoveGap(int pos)
{
    if (pos < m_gapStart) {
        const int n = m_gapStart - pos;
        std::memmove(m_data.data() + m_gapEnd - n, m_data.data() + pos, size_t(n));
        m_gapStart -= n;
        m_gapEnd -= n;
    } else if (pos > m_gapStart) {
        const int n = pos - m_gapStart;
        std::memmove(m_data.data() + m_gapStart, m_data.data() + m_gapEnd, size_t(n));
        m_gapStart += n;
        m_gapEnd += n;
    }
}

void TTextBuffer::Reserve(int bytes)
{
    if (GapSize() >= bytes)
        return;
    // The block grows in place where the allocator can; the text after the
    // gap moves to the new end.
    const qsizetype tail = m_data.size() - m_gapEnd;
    const qsizetype size = qsizetype(Length()) + bytes + kMinGap + Length() / 16;
    m_data.resize(size);
    std::memmove(m_data.data() + size - tail, m_data.constData() + m_gapEnd, size_t(tail));
    m_gapEnd = int(size - tail);
}

TTextBuffer::TChange TTextBuffer::Apply(int from, int to, QByteArrayView bytes)
{
    TChange change;
    change.FirstLine = LineOf(from);
    change.From = from;
    change.RemovedChars = to - from;
    change.InsertedChars = int(bytes.size());
    MoveGap(from);
    m_gapEnd += to - from;
    Reserve(int(bytes.size()));
    if (!bytes.isEmpty()) // an empty view may have no data at all
        std::memcpy(m_data.data() + m_gapStart, bytes.data(), size_t(bytes.size()));
    m_gapStart += int(bytes.size());

    // The starts of lines after the removed breaks go, those after the edit
    // move by its size, and each inserted break starts a line.
    const auto first = std::upper_bound(m_lineStarts.begin(), m_lineStarts.end(), from);
    const auto last = std::upper_bound(first, m_lineStarts.end(), to);
    change.RemovedLines = int(last - first);
    const int delta = int(bytes.size()) - (to - from);
    for (auto it = last; it != m_lineStarts.end(); ++it)
        *it += delta;
    std::vector<int> added;
    for (qsizetype k = 0; k < bytes.size(); ++k) {
        if (bytes[k] == '\n')
            added.push_back(from + int(k) + 1);
    }
    change.InsertedLines = int(added.size());
    const auto at = m_lineStarts.erase(first, last);
    m_lineStarts.insert(at, added.begin(), added.end());
    return change;
}

bool TTextBuffer::Merge(int from, int to, QByteArrayView bytes, TEditKind kind)
{
    if (m_steps.empty() || m_clean == int(m_steps.size()))
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

TTextBuffer::TChange TTextBuffer::Replace(int from, int to, QByteArrayView bytes, TEditKind kind)
{
    from = std::clamp(from, 0, Length());
    to = std::clamp(to, from, Length());
    if (kind == TEditKind::Untracked) {
        // The positions of earlier steps no longer hold after an edit the
        // history does not know.
        m_steps.clear();
        m_clean = -1;
    } else if (!Merge(from, to, bytes, kind)) {
        if (m_clean > int(m_steps.size()))
            m_clean = -1;
        m_steps.push_back({from, Slice(from, to), bytes.toByteArray(), kind});
    }
    return Apply(from, to, bytes);
}

int TTextBuffer::Undo(TChange *change, QByteArray *removed)
{
    if (m_steps.empty())
        return -1;
    const TStep step = std::move(m_steps.back());
    m_steps.pop_back();
    const TChange c = Apply(step.Pos, step.Pos + int(step.Inserted.size()), step.Removed);
    if (change)
        *change = c;
    if (removed)
        *removed = step.Inserted;
    return step.Pos + int(step.Removed.size());
}

int TTextBuffer::NextChar(int pos) const
{
    if (SingleByte() || pos >= Length())
        return pos + 1;
    int length = 1;
    ShownAt(pos, &length);
    return pos + length;
}

int TTextBuffer::PrevChar(int pos) const
{
    if (SingleByte() || pos <= 1)
        return pos - 1;
    // Back over continuation bytes to a start whose sequence ends at pos.
    for (int k = 1; k <= 3 && pos - k >= 0; ++k) {
        if (!Charset::IsContinuation(static_cast<unsigned char>(At(pos - k)))) {
            int length = 1;
            ShownAt(pos - k, &length);
            return length == k ? pos - k : pos - 1;
        }
    }
    return pos - 1;
}

int TTextBuffer::CharStart(int pos) const
{
    if (SingleByte() || pos <= 0 || pos >= Length())
        return pos;
    for (int k = 1; k <= 3 && pos - k >= 0; ++k) {
        if (!Charset::IsContinuation(static_cast<unsigned char>(At(pos - k)))) {
            int length = 1;
            ShownAt(pos - k, &length);
            return pos - k + length > pos ? pos - k : pos;
        }
    }
    return pos;
}

char32_t TTextBuffer::ShownAt(int pos, int *length) const
{
    unsigned char bytes[4];
    int n = 0;
    const int available = std::min(4, Length() - pos);
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

int TTextBuffer::CharCount(int from, int to) const
{
    if (SingleByte())
        return to - from;
    int count = 0;
    for (int p = from; p < to; p = NextChar(p))
        ++count;
    return count;
}
