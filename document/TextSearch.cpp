#include "document/TextSearch.h"

#include "platform/Cp437.h"
#include "document/TextBuffer.h"

#include <QChar>
#include <QVarLengthArray>

#include <algorithm>
#include <array>
#include <memory>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace TextSearch {
namespace {

struct TFoldTable
{
    std::array<char16_t, 0x10000> fold;
    std::vector<char16_t> folding; // the characters that do not compare as themselves
};

const TFoldTable &Table()
{
    static const std::unique_ptr<TFoldTable> table = [] {
        auto t = std::make_unique<TFoldTable>();
        for (qsizetype c = 0; c < 0x10000; ++c)
            t->fold[c] = char16_t(c);
        for (char16_t c = u'A'; c <= u'Z'; ++c)
            t->fold[c] = char16_t(c - u'A' + u'a');
        for (qsizetype b = 0x80; b < 0x100; ++b) {
            const char16_t ch = Cp437::ToUnicode(static_cast<unsigned char>(b));
            t->fold[ch] = char16_t(QChar::toCaseFolded(char32_t(ch)));
        }
        t->fold[QChar::LineSeparator] = u'\n';
        t->fold[QChar::ParagraphSeparator] = u'\n';
        for (qsizetype c = 0; c < 0x10000; ++c) {
            if (t->fold[c] != c)
                t->folding.push_back(char16_t(c));
        }
        return t;
    }();
    return *table;
}

// Every character that compares as the folded character v, v first.
// At most three (a line break); padded to four with repeats of v.
std::array<char16_t, 4> Preimages(const TFoldTable &table, char16_t v, qsizetype &count)
{
    std::array<char16_t, 4> result;
    result.fill(v);
    count = 1;
    for (char16_t c : table.folding) {
        if (table.fold[c] == v && count < 4)
            result[count++] = c;
    }
    return result;
}

bool Verify(const TFoldTable &table, const char16_t *at, const char16_t *folded, qsizetype length)
{
    for (qsizetype k = 0; k < length; ++k) {
        if (table.fold[at[k]] != folded[k])
            return false;
    }
    return true;
}

qsizetype ScanScalar(const TFoldTable &table, const char16_t *text, qsizetype from, qsizetype lastStart,
                     const char16_t *folded, qsizetype m)
{
    const char16_t first = folded[0];
    const char16_t last = folded[m - 1];
    for (qsizetype i = from; i <= lastStart; ++i) {
        if (table.fold[text[i]] == first && table.fold[text[i + m - 1]] == last
            && Verify(table, text + i + 1, folded + 1, m - 2))
            return i;
    }
    return -1;
}

#if defined(__SSE2__)
// Compares eight characters at a time against the first and the last
// character of the text to find (each in all its letter cases), so that only
// places where both fit are verified. Spaces and frame characters are common
// in this kind of text; testing one character alone would stop too often.
template <qsizetype Cases>
qsizetype ScanSse2(const TFoldTable &table, const char16_t *text, qsizetype from, qsizetype lastStart,
                   const char16_t *folded, qsizetype m, const std::array<char16_t, 4> &firsts,
                   const std::array<char16_t, 4> &lasts)
{
    __m128i f[Cases], l[Cases];
    for (qsizetype k = 0; k < Cases; ++k) {
        f[k] = _mm_set1_epi16(static_cast<short>(firsts[k]));
        l[k] = _mm_set1_epi16(static_cast<short>(lasts[k]));
    }
    qsizetype i = from;
    for (; i + 7 <= lastStart; i += 8) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(text + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(text + i + m - 1));
        __m128i ea = _mm_cmpeq_epi16(a, f[0]);
        __m128i eb = _mm_cmpeq_epi16(b, l[0]);
        for (qsizetype k = 1; k < Cases; ++k) {
            ea = _mm_or_si128(ea, _mm_cmpeq_epi16(a, f[k]));
            eb = _mm_or_si128(eb, _mm_cmpeq_epi16(b, l[k]));
        }
        unsigned mask = unsigned(_mm_movemask_epi8(_mm_and_si128(ea, eb)));
        while (mask != 0) {
            const qsizetype bit = __builtin_ctz(mask);
            const qsizetype at = i + bit / 2;
            if (Verify(table, text + at + 1, folded + 1, m - 2))
                return at;
            mask &= ~(3u << bit);
        }
    }
    return ScanScalar(table, text, i, lastStart, folded, m);
}
#endif

} // namespace

char16_t Fold(char16_t ch)
{
    return Table().fold[ch];
}

qsizetype FindText(QStringView text, QStringView what, qsizetype from)
{
    const qsizetype m = what.size();
    from = std::max<qsizetype>(from, 0);
    if (m == 0 || m > text.size() || from > text.size() - m)
        return -1;

    const TFoldTable &table = Table();
    QVarLengthArray<char16_t, 256> folded(m);
    for (qsizetype k = 0; k < m; ++k)
        folded[k] = table.fold[what[k].unicode()];

    const char16_t *data = text.utf16();
    const qsizetype lastStart = text.size() - m;
#if defined(__SSE2__)
    qsizetype firstCount = 0, lastCount = 0;
    const auto firsts = Preimages(table, folded[0], firstCount);
    const auto lasts = Preimages(table, folded[m - 1], lastCount);
    switch (std::max(firstCount, lastCount)) {
    case 1:
        return ScanSse2<1>(table, data, from, lastStart, folded.data(), m, firsts, lasts);
    case 2:
        return ScanSse2<2>(table, data, from, lastStart, folded.data(), m, firsts, lasts);
    default:
        return ScanSse2<4>(table, data, from, lastStart, folded.data(), m, firsts, lasts);
    }
#else
    return ScanScalar(table, data, from, lastStart, folded.data(), m);
#endif
}

namespace {

// Letter case folded on bytes: each byte as the byte of its folded character
// where the code page has that character.
const std::array<unsigned char, 256> &ByteFold()
{
    static const std::array<unsigned char, 256> table = [] {
        std::array<unsigned char, 256> t{};
        for (qsizetype b = 0; b < 256; ++b) {
            const auto folded = Cp437::FromUnicode(Fold(Cp437::ToUnicode(static_cast<unsigned char>(b))));
            t[b] = (b != '\n' && folded) ? *folded : static_cast<unsigned char>(b);
        }
        return t;
    }();
    return table;
}

bool VerifyBytes(const std::array<unsigned char, 256> &fold, const unsigned char *at, const unsigned char *folded,
                 qsizetype length)
{
    for (qsizetype k = 0; k < length; ++k) {
        if (fold[at[k]] != folded[k])
            return false;
    }
    return true;
}

// ASCII letters folded, every other byte as itself: the bytes of UTF-8 text.
const std::array<unsigned char, 256> &AsciiFold()
{
    static const std::array<unsigned char, 256> table = [] {
        std::array<unsigned char, 256> t{};
        for (qsizetype b = 0; b < 256; ++b)
            t[b] = static_cast<unsigned char>(b >= 'A' && b <= 'Z' ? b - 'A' + 'a' : b);
        return t;
    }();
    return table;
}

qsizetype FindFolded(QByteArrayView text, const std::array<unsigned char, 256> &fold,
                     const QVarLengthArray<unsigned char, 256> &folded, qsizetype from);

} // namespace

qsizetype FindBytes(QByteArrayView text, QStringView what, qsizetype from)
{
    const qsizetype m = what.size();
    from = std::max<qsizetype>(from, 0);
    if (m == 0 || m > text.size() || from > text.size() - m)
        return -1;
    const auto &fold = ByteFold();
    QVarLengthArray<unsigned char, 256> folded(m);
    for (qsizetype k = 0; k < m; ++k) {
        const char16_t c = Fold(what[k].unicode());
        std::optional<unsigned char> b = c == u'\n' ? std::optional<unsigned char>('\n') : Cp437::FromUnicode(what[k].unicode());
        if (!b || *b == '\r')
            b = c == u'\n' ? std::optional<unsigned char>('\n') : Cp437::FromUnicode(c);
        if (!b)
            return -1;
        folded[k] = fold[*b];
    }
    return FindFolded(text, fold, folded, from);
}

namespace {

#if defined(__SSE2__)
// Sixteen places at a time: the first and the last byte must both fit, each
// in any of its letter cases (Cases of them at most); only those places are
// verified. Returns where the scan stopped in *next when nothing was found.
template <qsizetype Cases>
qsizetype ScanBytes(const std::array<unsigned char, 256> &fold, const unsigned char *data, qsizetype i,
                    qsizetype lastStart, const unsigned char *folded, qsizetype m,
                    const std::array<unsigned char, 4> &firsts, const std::array<unsigned char, 4> &lasts,
                    qsizetype *next)
{
    __m128i f[Cases], l[Cases];
    for (qsizetype k = 0; k < Cases; ++k) {
        f[k] = _mm_set1_epi8(static_cast<char>(firsts[k]));
        l[k] = _mm_set1_epi8(static_cast<char>(lasts[k]));
    }
    for (; i + 15 <= lastStart; i += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(data + i));
        const __m128i z = _mm_loadu_si128(reinterpret_cast<const __m128i *>(data + i + m - 1));
        __m128i ea = _mm_cmpeq_epi8(a, f[0]);
        __m128i ez = _mm_cmpeq_epi8(z, l[0]);
        for (qsizetype k = 1; k < Cases; ++k) {
            ea = _mm_or_si128(ea, _mm_cmpeq_epi8(a, f[k]));
            ez = _mm_or_si128(ez, _mm_cmpeq_epi8(z, l[k]));
        }
        unsigned mask = unsigned(_mm_movemask_epi8(_mm_and_si128(ea, ez)));
        while (mask != 0) {
            const qsizetype bit = __builtin_ctz(mask);
            if (VerifyBytes(fold, data + i + bit + 1, folded + 1, m - 2))
                return i + bit;
            mask &= mask - 1;
        }
    }
    *next = i;
    return -1;
}
#endif

qsizetype FindFolded(QByteArrayView text, const std::array<unsigned char, 256> &fold,
                     const QVarLengthArray<unsigned char, 256> &folded, qsizetype from)
{
    const qsizetype m = folded.size();
    if (m == 0 || m > text.size() || from > text.size() - m)
        return -1;
    const auto *data = reinterpret_cast<const unsigned char *>(text.data());
    const qsizetype lastStart = text.size() - m;
    qsizetype i = from;
#if defined(__SSE2__)
    std::array<unsigned char, 4> firsts, lasts;
    firsts.fill(folded[0]);
    lasts.fill(folded[m - 1]);
    qsizetype nf = 0, nl = 0;
    for (qsizetype b = 0; b < 256; ++b) {
        if (fold[b] == folded[0] && nf < 4)
            firsts[nf++] = static_cast<unsigned char>(b);
        if (fold[b] == folded[m - 1] && nl < 4)
            lasts[nl++] = static_cast<unsigned char>(b);
    }
    // Most letters have two cases, a blank or a frame one: fewer compares.
    qsizetype at;
    switch (std::max(nf, nl)) {
    case 1:
        at = ScanBytes<1>(fold, data, i, lastStart, folded.data(), m, firsts, lasts, &i);
        break;
    case 2:
        at = ScanBytes<2>(fold, data, i, lastStart, folded.data(), m, firsts, lasts, &i);
        break;
    default:
        at = ScanBytes<4>(fold, data, i, lastStart, folded.data(), m, firsts, lasts, &i);
        break;
    }
    if (at >= 0)
        return at;
#endif
    for (; i <= lastStart; ++i) {
        if (fold[data[i]] == folded[0] && VerifyBytes(fold, data + i + 1, folded.data() + 1, m - 1))
            return i;
    }
    return -1;
}

char32_t FoldChar(char32_t ch)
{
    if (ch == U'\r' || ch == QChar::LineSeparator || ch == QChar::ParagraphSeparator)
        return U'\n';
    return QChar::toCaseFolded(ch);
}

// Character by character, for the sets and texts the byte searches do not take.
qsizetype FindChars(QByteArrayView text, TCharset charset, QStringView what, qsizetype from, qsizetype *length)
{
    std::vector<char32_t> folded;
    for (qsizetype k = 0; k < what.size(); ++k) {
        char32_t ch = what[k].unicode();
        if (what[k].isHighSurrogate() && k + 1 < what.size() && what[k + 1].isLowSurrogate()) {
            ch = QChar::surrogateToUcs4(what[k].unicode(), what[k + 1].unicode());
            ++k;
        } else if (ch == U'\r' && k + 1 < what.size() && what[k + 1] == u'\n') {
            ++k;
        }
        folded.push_back(FoldChar(ch));
    }
    const auto *data = reinterpret_cast<const unsigned char *>(text.data());
    const qsizetype n = text.size();
    for (qsizetype i = from; i < n && !folded.empty();) {
        qsizetype first = 1;
        qsizetype j = i;
        size_t k = 0;
        for (; k < folded.size() && j < n; ++k) {
            int size = 1;
            const char32_t ch = data[j] == '\n' ? U'\n' : Charset::TextChar(charset, data + j, n - j, &size);
            if (k == 0)
                first = size;
            if (FoldChar(ch) != folded[k])
                break;
            j += size;
        }
        if (k == folded.size()) {
            *length = j - i;
            return i;
        }
        i += first;
    }
    return -1;
}

} // namespace

qsizetype FindInDocument(QByteArrayView text, TCharset charset, QStringView what, qsizetype from, qsizetype *length)
{
    from = std::max<qsizetype>(from, 0);
    *length = 0;
    if (charset == TCharset::csCp437) {
        *length = what.size();
        return FindBytes(text, what, from);
    }
    const bool ascii = std::all_of(what.begin(), what.end(), [](QChar c) { return c.unicode() < 0x80 && c != u'\r'; });
    if (ascii && charset != TCharset::csWindows1252) {
        const auto &fold = AsciiFold();
        QVarLengthArray<unsigned char, 256> folded(what.size());
        for (qsizetype k = 0; k < what.size(); ++k)
            folded[k] = fold[what[k].unicode()];
        *length = what.size();
        return FindFolded(text, fold, folded, from);
    }
    return FindChars(text, charset, what, from, length);
}

qsizetype FindInBuffer(const TTextBuffer &doc, QStringView what, qsizetype from, qsizetype *length,
                       const std::function<bool(qsizetype)> &progress)
{
    constexpr qsizetype kWindow = 16 << 20; // bytes between calls of progress
    *length = 0;
    if (what.isEmpty())
        return -1;
    // The most bytes a match takes: four a character in UTF-8.
    const qsizetype reach = 4 * what.size() + 4;
    QByteArray tail; // the last bytes before the run, for matches across runs
    qsizetype tailPos = 0, found = -1, foundLength = 0;
    const auto inRun = [&](const char *p, qsizetype n, qsizetype pos) {
        qsizetype matched = 0;
        if (!tail.isEmpty()) {
            QByteArray join = tail;
            join.append(p, std::min(n, reach));
            const qsizetype at = FindInDocument(join, doc.Charset(), what, 0, &matched);
            if (at >= 0 && at < tail.size()) {
                found = tailPos + at;
                foundLength = matched;
                return false;
            }
        }
        const qsizetype at = FindInDocument(QByteArrayView(p, n), doc.Charset(), what, 0, &matched);
        if (at >= 0) {
            found = pos + at;
            foundLength = matched;
            return false;
        }
        tail.append(p + std::max<qsizetype>(0, n - reach), std::min(n, reach));
        tail.remove(0, std::max<qsizetype>(0, tail.size() - reach));
        tailPos = pos + n - tail.size();
        return true;
    };
    qsizetype pos = std::clamp<qsizetype>(from, 0, doc.Length());
    for (;;) {
        const qsizetype end = std::min(doc.Length(), pos + kWindow);
        if (pos < end)
            doc.Read(pos, end, inRun, true);
        if (found >= 0) {
            *length = foundLength;
            return found;
        }
        pos = end;
        const bool atEnd = pos >= doc.Length();
        if ((progress && !progress(pos)) || (atEnd && pos >= doc.Length()))
            return -1;
    }
}

qsizetype FindStart(qsizetype selStart, qsizetype selLength)
{
    return selLength > 0 ? selStart + selLength : 0;
}

} // namespace TextSearch
