#include "document/Charset.h"

#include "platform/Cp437.h"

#include <algorithm>
#include <array>
#include <iterator>

namespace Charset {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Windows-1252 bytes 0x80 to 0x9F; 0 marks the five bytes the set leaves out.
constexpr std::array<char16_t, 32> k1252 = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

// A control character shows as the picture code page 437 has for its byte.
char32_t Picture(char32_t ch)
{
    return (ch < 0x20 || ch == 0x7F) ? char32_t(Cp437::ToUnicode(static_cast<unsigned char>(ch))) : ch;
}

char32_t Shown1252(unsigned char b)
{
    if (b >= 0x80 && b < 0xA0)
        return k1252[b - 0x80] ? char32_t(k1252[b - 0x80]) : kReplacement;
    return Picture(b);
}

// The length of a valid UTF-8 sequence at p and its character, or 0. With
// lone surrogates, ED A0..BF is also taken (UTF-16 text converted to UTF-8
// keeps its lone surrogates that way).
int Utf8(const unsigned char *p, qsizetype n, bool loneSurrogates, char32_t *ch)
{
    const unsigned char b = p[0];
    if (b < 0x80) {
        *ch = b;
        return 1;
    }
    int length;
    char32_t value;
    unsigned char low = 0x80, high = 0xBF; // the range of the second byte
    if (b >= 0xC2 && b <= 0xDF) {
        length = 2;
        value = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
        length = 3;
        value = b & 0x0F;
        if (b == 0xE0)
            low = 0xA0;
        else if (b == 0xED && !loneSurrogates)
            high = 0x9F;
    } else if (b >= 0xF0 && b <= 0xF4) {
        length = 4;
        value = b & 0x07;
        if (b == 0xF0)
            low = 0x90;
        else if (b == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (n < length || p[1] < low || p[1] > high)
        return 0;
    for (int k = 1; k < length; ++k) {
        if (!IsContinuation(p[k]))
            return 0;
        value = (value << 6) | (p[k] & 0x3F);
    }
    *ch = value;
    return length;
}

char ByteOf1252(char32_t ch)
{
    if (ch < 0x80 || (ch >= 0xA0 && ch <= 0xFF))
        return char(ch);
    const auto it = std::find(k1252.begin(), k1252.end(), char16_t(ch));
    if (ch <= 0xFFFF && ch != 0 && it != k1252.end())
        return char(0x80 + (it - k1252.begin()));
    // The control pictures stand for their bytes, as they do in code page 437.
    if (const auto b = Cp437::FromUnicode(ch); b && (*b < 0x20 || *b == 0x7F))
        return char(*b);
    return '?';
}

// [first, last) of wide characters, sorted.
struct TRange
{
    char32_t First, Last;
};
constexpr TRange kWide[] = {
    {0x1100, 0x1160},   {0x231A, 0x231C},   {0x2329, 0x232B},   {0x23E9, 0x23ED},   {0x23F0, 0x23F1},
    {0x23F3, 0x23F4},   {0x25FD, 0x25FF},   {0x2614, 0x2616},   {0x2648, 0x2654},   {0x267F, 0x2680},
    {0x2693, 0x2694},   {0x26A1, 0x26A2},   {0x26AA, 0x26AC},   {0x26BD, 0x26BF},   {0x26C4, 0x26C6},
    {0x26CE, 0x26CF},   {0x26D4, 0x26D5},   {0x26EA, 0x26EB},   {0x26F2, 0x26F4},   {0x26F5, 0x26F6},
    {0x26FA, 0x26FB},   {0x26FD, 0x26FE},   {0x2705, 0x2706},   {0x270A, 0x270C},   {0x2728, 0x2729},
    {0x274C, 0x274D},   {0x274E, 0x274F},   {0x2753, 0x2756},   {0x2757, 0x2758},   {0x2795, 0x2798},
    {0x27B0, 0x27B1},   {0x27BF, 0x27C0},   {0x2B1B, 0x2B1D},   {0x2B50, 0x2B51},   {0x2B55, 0x2B56},
    {0x2E80, 0x303F},   {0x3041, 0x3400},   {0x3400, 0x4DC0},   {0x4E00, 0xA4D0},   {0xA960, 0xA980},
    {0xAC00, 0xD7A4},   {0xF900, 0xFB00},   {0xFE10, 0xFE1A},   {0xFE30, 0xFE70},   {0xFF00, 0xFF61},
    {0xFFE0, 0xFFE7},   {0x16FE0, 0x16FE5}, {0x17000, 0x18D00}, {0x1B000, 0x1B300}, {0x1F004, 0x1F005},
    {0x1F0CF, 0x1F0D0}, {0x1F18E, 0x1F18F}, {0x1F191, 0x1F19B}, {0x1F200, 0x1F266}, {0x1F300, 0x1F650},
    {0x1F680, 0x1F700}, {0x1F7E0, 0x1F7EC}, {0x1F90C, 0x1FA00}, {0x1FA70, 0x1FB00}, {0x20000, 0x2FFFE},
    {0x30000, 0x3FFFE},
};

} // namespace

int Decode(TCharset cs, const unsigned char *p, qsizetype n, char32_t *shown)
{
    switch (cs) {
    case TCharset::csCp437:
        *shown = p[0] ? Cp437::ToUnicode(p[0]) : 0; // NUL is an empty cell
        return 1;
    case TCharset::csWindows1252:
        *shown = p[0] ? Shown1252(p[0]) : 0;
        return 1;
    case TCharset::csUtf8:
    case TCharset::csUtf16:
        break;
    }
    char32_t ch = 0;
    const int length = Utf8(p, n, cs == TCharset::csUtf16, &ch);
    if (length == 0) {
        *shown = kReplacement;
        return 1;
    }
    *shown = (ch >= 0xD800 && ch <= 0xDFFF) ? kReplacement : (ch ? Picture(ch) : 0);
    return length;
}

char32_t TextChar(TCharset cs, const unsigned char *p, qsizetype n, int *length)
{
    char32_t ch = 0;
    if (IsSingleByte(cs)) {
        *length = 1;
        return cs == TCharset::csCp437 ? char32_t(Cp437::ToUnicode(p[0])) : Shown1252(p[0]);
    }
    *length = Utf8(p, n, cs == TCharset::csUtf16, &ch);
    if (*length == 0) {
        *length = 1;
        return kReplacement;
    }
    return (ch >= 0xD800 && ch <= 0xDFFF) ? kReplacement : ch;
}

QByteArray Encode(TCharset cs, QStringView text)
{
    QByteArray out;
    out.reserve(cs == TCharset::csCp437 || cs == TCharset::csWindows1252 ? text.size() : text.size() * 3);
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t ch = text[i].unicode();
        if (ch == u'\r') {
            if (i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            ch = u'\n';
        } else if (ch == QChar::LineSeparator || ch == QChar::ParagraphSeparator) {
            ch = u'\n';
        } else if (QChar::isHighSurrogate(ch) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            ch = QChar::surrogateToUcs4(char16_t(ch), text[++i].unicode());
        } else if (QChar::isSurrogate(ch)) {
            ch = kReplacement;
        }
        switch (cs) {
        case TCharset::csCp437:
            out += ch == u'\n' || ch == u'\t' ? char(ch) : char(Cp437::FromUnicode(ch).value_or('?'));
            break;
        case TCharset::csWindows1252:
            out += ch == u'\n' || ch == u'\t' ? char(ch) : ByteOf1252(ch);
            break;
        case TCharset::csUtf8:
        case TCharset::csUtf16:
            AppendUtf8(out, ch);
            break;
        }
    }
    return out;
}

QString ToText(TCharset cs, QByteArrayView bytes)
{
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    const qsizetype n = bytes.size();
    QString text;
    if (cs == TCharset::csCp437) {
        text.resize(n);
        char16_t *out = reinterpret_cast<char16_t *>(text.data());
        for (qsizetype i = 0; i < n; ++i)
            out[i] = p[i] == '\n' ? u'\n' : Cp437::ToUnicode(p[i]);
        return text;
    }
    text.reserve(n);
    for (qsizetype i = 0; i < n;) {
        int length = 1;
        const char32_t ch = p[i] == '\n' ? U'\n' : TextChar(cs, p + i, n - i, &length);
        if (ch >= 0x10000) {
            text += QChar(QChar::highSurrogate(ch));
            text += QChar(QChar::lowSurrogate(ch));
        } else {
            text += QChar(char16_t(ch));
        }
        i += length;
    }
    return text;
}

void AppendUtf8(QByteArray &out, char32_t ch)
{
    if (ch < 0x80) {
        out += char(ch);
    } else if (ch < 0x800) {
        out += char(0xC0 | (ch >> 6));
        out += char(0x80 | (ch & 0x3F));
    } else if (ch < 0x10000) {
        out += char(0xE0 | (ch >> 12));
        out += char(0x80 | ((ch >> 6) & 0x3F));
        out += char(0x80 | (ch & 0x3F));
    } else {
        out += char(0xF0 | (ch >> 18));
        out += char(0x80 | ((ch >> 12) & 0x3F));
        out += char(0x80 | ((ch >> 6) & 0x3F));
        out += char(0x80 | (ch & 0x3F));
    }
}

int Width(char32_t ch)
{
    if (ch < kWide[0].First)
        return 1;
    const auto it = std::upper_bound(std::begin(kWide), std::end(kWide), ch,
                                     [](char32_t c, const TRange &r) { return c < r.First; });
    return it != std::begin(kWide) && ch < std::prev(it)->Last ? 2 : 1;
}

} // namespace Charset
