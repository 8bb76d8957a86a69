#include "platform/Cp437.h"

#include <algorithm>
#include <array>

namespace Cp437 {
namespace {

// Bytes 0x00 to 0x1F: the classic pictures of the control codes. 0x00 shows as
// the NUL control picture so that NUL bytes stay visible and survive a save.
constexpr std::array<char16_t, 32> kLow = {
    0x2400, 0x263A, 0x263B, 0x2665, 0x2666, 0x2663, 0x2660, 0x2022,
    0x25D8, u'\t', u'\n', 0x2642, 0x2640, u'\r', 0x266B, 0x263C,
    0x25BA, 0x25C4, 0x2195, 0x203C, 0x00B6, 0x00A7, 0x25AC, 0x21A8,
    0x2191, 0x2193, 0x2192, 0x2190, 0x221F, 0x2194, 0x25B2, 0x25BC,
};

constexpr std::array<char16_t, 128> kHigh = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9, 0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192,
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F, 0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4, 0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229,
    0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248, 0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,
};

constexpr char16_t kDelete = 0x2302; // 0x7F

constexpr std::array<char16_t, 256> MakeTable()
{
    std::array<char16_t, 256> table{};
    for (int b = 0; b < 32; ++b)
        table[b] = kLow[b];
    for (int b = 32; b < 127; ++b)
        table[b] = char16_t(b);
    table[127] = kDelete;
    for (int b = 128; b < 256; ++b)
        table[b] = kHigh[b - 128];
    return table;
}

constexpr std::array<char16_t, 256> kTable = MakeTable();

struct Reverse
{
    char16_t ch;
    unsigned char byte;
};

// The glyph characters sorted for lookup, plus a few look-alikes other
// programs use for the same glyph (Greek beta and mu for 0xE1 and 0xE6).
constexpr std::array<Reverse, 256 - 95 + 2> MakeReverse()
{
    std::array<Reverse, 256 - 95 + 2> r{};
    std::size_t n = 0;
    for (int b = 0; b < 256; ++b) {
        if (b >= 32 && b < 127)
            continue;
        r[n++] = {kTable[b], static_cast<unsigned char>(b)};
    }
    r[n++] = {0x03B2, 0xE1};
    r[n++] = {0x03BC, 0xE6};
    std::sort(r.begin(), r.end(), [](const Reverse &a, const Reverse &b) { return a.ch < b.ch; });
    return r;
}

constexpr auto kReverse = MakeReverse();

} // namespace

char16_t ToUnicode(unsigned char byte)
{
    return kTable[byte];
}

std::optional<unsigned char> FromUnicode(char32_t ch)
{
    if (ch >= 0x20 && ch < 0x7F)
        return static_cast<unsigned char>(ch);
    // Raw control characters from other programs keep their byte value.
    if (ch < 0x20 || ch == 0x7F)
        return static_cast<unsigned char>(ch);
    if (ch > 0xFFFF)
        return std::nullopt;
    const auto it = std::lower_bound(kReverse.begin(), kReverse.end(), char16_t(ch),
                                     [](const Reverse &r, char16_t c) { return r.ch < c; });
    if (it != kReverse.end() && it->ch == ch)
        return it->byte;
    return std::nullopt;
}

QByteArray NormalizeLineBreaks(QByteArrayView bytes)
{
    QByteArray out;
    out.reserve(bytes.size() + bytes.size() / 32 + 2);
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char c = bytes[i];
        if (c == '\r') {
            out.append("\r\n", 2);
            if (i + 1 < n && bytes[i + 1] == '\n')
                ++i;
        } else if (c == '\n') {
            out.append("\r\n", 2);
        } else {
            out.append(c);
        }
    }
    return out;
}

QString Decode(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    char16_t *out = reinterpret_cast<char16_t *>(text.data());
    qsizetype len = 0;
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n; ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b == '\r') {
            out[len++] = u'\n';
            if (i + 1 < n && bytes[i + 1] == '\n')
                ++i;
        } else if (b == '\n') {
            out[len++] = u'\n';
        } else {
            out[len++] = kTable[b];
        }
    }
    text.truncate(len);
    return text;
}

QByteArray Encode(QStringView text)
{
    QByteArray out;
    out.reserve(text.size() + text.size() / 32 + 2);
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (c == u'\n' || c == 0x2029 || c == 0x2028) {
            out.append("\r\n", 2);
        } else if (c == u'\r') {
            out.append("\r\n", 2);
            if (i + 1 < n && text[i + 1] == u'\n')
                ++i;
        } else if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(text[i + 1].unicode())) {
            out.append('?');
            ++i;
        } else if (const auto b = FromUnicode(c)) {
            out.append(static_cast<char>(*b));
        } else {
            out.append('?');
        }
    }
    return out;
}

QString Filter(QStringView text)
{
    return Decode(Encode(text));
}

} // namespace Cp437
