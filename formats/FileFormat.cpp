#include "formats/FileFormat.h"

#include "formats/Sauce.h"
#include "document/TextBuffer.h"

#include <cstring>

namespace FileFormat {
namespace {

bool StartsWith(QByteArrayView bytes, const char *mark, qsizetype n)
{
    return bytes.size() >= n && std::memcmp(bytes.data(), mark, size_t(n)) == 0;
}

// UTF-16 without a mark only where nothing else fits: over the first bytes,
// the high byte of every unit is 0 (Latin) or 0x25 (frames, blocks and
// shades), mostly 0, and no unit is 0.
bool LooksUtf16(QByteArrayView head, bool bigEndian)
{
    const qsizetype n = std::min<qsizetype>(head.size(), 1024) & ~qsizetype(1);
    if (n < 16)
        return false;
    const int high = bigEndian ? 0 : 1;
    qsizetype latin = 0;
    for (qsizetype i = 0; i < n; i += 2) {
        const char h = head[i + high], l = head[i + 1 - high];
        if ((h != 0 && h != 0x25) || (h == 0 && l == 0))
            return false;
        latin += h == 0;
    }
    return 2 * latin * 2 >= n;
}

// Text in UTF-16 chosen by the user, without a mark: big-endian when the
// first byte of the units is 0 more often than the second.
bool MoreZerosFirst(QByteArrayView head)
{
    qsizetype first = 0, second = 0;
    for (qsizetype i = 0; i + 1 < std::min<qsizetype>(head.size(), 4096); i += 2) {
        first += head[i] == 0;
        second += head[i + 1] == 0;
    }
    return first > second;
}

// A byte of code page 437's frames, blocks and shades.
bool IsArtByte(unsigned char b)
{
    return b >= 0xB0 && b <= 0xDF;
}

// Valid UTF-8 with at least one sequence of more than one byte that code
// page 437 would not read as art. Art bytes can pair into valid sequences
// (C3 B7 is a frame piece and a corner there, a division sign in UTF-8), and
// C1 controls are what frames and letters make (C2 80), never text.
bool LooksUtf8(QByteArrayView head)
{
    const auto *p = reinterpret_cast<const unsigned char *>(head.data());
    const qsizetype n = head.size();
    bool multiByte = false;
    qsizetype i = 0;
    while (i < n) {
        // Eight ASCII bytes at a time.
        if (i + 8 <= n) {
            quint64 word;
            std::memcpy(&word, p + i, 8);
            if ((word & 0x8080808080808080ULL) == 0) {
                i += 8;
                continue;
            }
        }
        if (p[i] < 0x80) {
            ++i;
            continue;
        }
        char32_t shown = 0;
        const int length = Charset::Decode(TCharset::csUtf8, p + i, n - i, &shown);
        if (length == 1) {
            // A sequence cut off by the end of the bytes (a file cut short,
            // or the end of what is looked at) is no fault.
            const int needed = p[i] >= 0xF0 ? 4 : p[i] >= 0xE0 ? 3 : 2;
            bool cut = p[i] >= 0xC2 && p[i] <= 0xF4 && n - i < needed;
            for (qsizetype k = i + 1; cut && k < n; ++k)
                cut = Charset::IsContinuation(p[k]);
            return cut && multiByte;
        }
        if (shown >= 0x80 && shown < 0xA0)
            return false;
        // Frame and shade bytes side by side read as art, not as evidence.
        for (int k = 0; k < length && !multiByte; ++k)
            multiByte = !IsArtByte(p[i + k]);
        i += length;
    }
    return multiByte;
}

// An escape sequence that sets colours or moves the cursor: ESC [, digits
// and semicolons, and a final byte of the ones an ANSI driver knew.
bool HasCursorCodes(QByteArrayView bytes)
{
    for (qsizetype at = bytes.indexOf('\x1B'); at >= 0; at = bytes.indexOf('\x1B', at + 1)) {
        qsizetype k = at + 1;
        if (k >= bytes.size() || bytes[k] != '[')
            continue;
        while (++k < bytes.size() && ((bytes[k] >= '0' && bytes[k] <= '9') || bytes[k] == ';')) {
        }
        if (k < bytes.size() && bytes[k] != 0 && std::strchr("mABCDEFGHfJKsu", bytes[k]))
            return true;
    }
    return false;
}

QByteArray FirstBreak(QByteArrayView bytes)
{
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n')
            return "\n";
        if (bytes[i] == '\r')
            return i + 1 < bytes.size() && bytes[i + 1] == '\n' ? "\r\n" : "\r";
    }
    return "\r\n";
}

// UTF-16 units to UTF-8; a lone surrogate is kept as its three-byte form.
QByteArray Utf16ToUtf8(QByteArrayView bytes, bool bigEndian)
{
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    const qsizetype units = bytes.size() / 2;
    auto unit = [&](qsizetype k) {
        return bigEndian ? char16_t(p[2 * k] << 8 | p[2 * k + 1]) : char16_t(p[2 * k + 1] << 8 | p[2 * k]);
    };
    QByteArray out;
    out.reserve(units + units / 2);
    for (qsizetype k = 0; k < units; ++k) {
        char32_t ch = unit(k);
        if (QChar::isHighSurrogate(ch) && k + 1 < units && QChar::isLowSurrogate(unit(k + 1)))
            ch = QChar::surrogateToUcs4(char16_t(ch), unit(++k));
        Charset::AppendUtf8(out, ch);
    }
    return out;
}

QByteArray Utf8ToUtf16(QByteArrayView bytes, bool bigEndian)
{
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    const qsizetype n = bytes.size();
    QByteArray out;
    out.reserve(2 * n);
    auto put = [&](char16_t u) {
        out += char(bigEndian ? u >> 8 : u & 0xFF);
        out += char(bigEndian ? u & 0xFF : u >> 8);
    };
    for (qsizetype i = 0; i < n;) {
        int length = 1;
        const char32_t ch = Charset::TextChar(TCharset::csUtf16, p + i, n - i, &length);
        char32_t raw = ch;
        if (ch == 0xFFFD && length == 3 && p[i] == 0xED)
            raw = char32_t((p[i + 1] & 0x3F) << 6 | (p[i + 2] & 0x3F)) | 0xD000; // a lone surrogate
        if (raw >= 0x10000) {
            put(QChar::highSurrogate(raw));
            put(QChar::lowSurrogate(raw));
        } else {
            put(char16_t(raw));
        }
        i += length;
    }
    return out;
}

} // namespace

TFileFormat Detect(QByteArrayView head)
{
    TFileFormat format;
    if (StartsWith(head, "\xEF\xBB\xBF", 3)) {
        format.Charset = TCharset::csUtf8;
        format.Bom = true;
    } else if (StartsWith(head, "\xFF\xFE", 2) || StartsWith(head, "\xFE\xFF", 2)) {
        format.Charset = TCharset::csUtf16;
        format.Bom = true;
        format.BigEndian = head[0] == '\xFE';
    } else if (LooksUtf16(head, false) || LooksUtf16(head, true)) {
        format.Charset = TCharset::csUtf16;
        format.BigEndian = LooksUtf16(head, true);
    } else if (LooksUtf8(head.first(std::min(head.size(), kDetectBytes)))) {
        format.Charset = TCharset::csUtf8;
    }
    return format;
}

TFileFormat ForCharset(TCharset charset, QByteArrayView head)
{
    TFileFormat format;
    format.Charset = charset;
    if (charset == TCharset::csUtf8) {
        format.Bom = StartsWith(head, "\xEF\xBB\xBF", 3);
    } else if (charset == TCharset::csUtf16) {
        format.Bom = StartsWith(head, "\xFF\xFE", 2) || StartsWith(head, "\xFE\xFF", 2);
        format.BigEndian = format.Bom ? head[0] == '\xFE' : MoreZerosFirst(head);
    }
    return format;
}

void DetectArt(TFileFormat &format, QStringView fileName, QByteArrayView head, bool charsetChosen)
{
    format.Art = TArtKind::akText;
    const std::optional<TSauce> record = Sauce::Parse(format.Tail);
    const bool characterRecord = record && record->DataType == 1 && (record->FileType == 1 || record->FileType == 2);
    if (fileName.endsWith(u".bin", Qt::CaseInsensitive) || (record && record->DataType == 5))
        format.Art = TArtKind::akBinary;
    else if (fileName.endsWith(u".ans", Qt::CaseInsensitive) || characterRecord)
        format.Art = TArtKind::akAnsi;
    if (format.Art != TArtKind::akText && !charsetChosen && !format.Bom && format.Charset != TCharset::csUtf16)
        format.Charset = TCharset::csCp437;
    if (format.Art == TArtKind::akText && Charset::IsSingleByte(format.Charset) && HasCursorCodes(head.first(std::min(head.size(), kDetectBytes))))
        format.Art = TArtKind::akAnsi;
    if (!Charset::IsSingleByte(format.Charset))
        format.Art = TArtKind::akText;
}

QString Name(const TFileFormat &format)
{
    if (format.Art == TArtKind::akAnsi)
        return QStringLiteral("ANSI");
    if (format.Art == TArtKind::akBinary)
        return QStringLiteral("Binary text");
    switch (format.Charset) {
    case TCharset::csCp437:
        return QStringLiteral("CP437");
    case TCharset::csWindows1252:
        return QStringLiteral("Windows-1252");
    case TCharset::csUtf8:
        return format.Bom ? QStringLiteral("UTF-8 BOM") : QStringLiteral("UTF-8");
    case TCharset::csUtf16:
        return QStringLiteral("UTF-16 %1%2").arg(format.BigEndian ? QStringLiteral("BE") : QStringLiteral("LE"),
                                                 format.Bom ? QStringLiteral(" BOM") : QString());
    }
    return {};
}

QByteArray StartOfDocument(QByteArray head, TFileFormat &format)
{
    format.OddByte.clear();
    format.Break = "\r\n";
    if (format.Charset == TCharset::csUtf8) {
        if (format.Bom)
            head.remove(0, 3);
        format.Break = FirstBreak(head);
    }
    return head;
}

QByteArray ToDocument(QByteArray fileBytes, TFileFormat &format)
{
    const qsizetype tail = Sauce::TailLength(fileBytes);
    format.Tail = fileBytes.last(tail);
    fileBytes.chop(tail);
    if (format.Charset != TCharset::csUtf16)
        return StartOfDocument(std::move(fileBytes), format);
    format.OddByte.clear();
    QByteArrayView units(fileBytes);
    if (format.Bom)
        units = units.sliced(2);
    if (units.size() % 2) {
        format.OddByte = units.last(1).toByteArray();
        units.chop(1);
    }
    QByteArray text = Utf16ToUtf8(units, format.BigEndian);
    format.Break = FirstBreak(text);
    return text;
}

QByteArray ToFile(const TTextBuffer &doc, const TFileFormat &format)
{
    QByteArray out;
    switch (format.Charset) {
    case TCharset::csCp437:
    case TCharset::csWindows1252:
        out = doc.FileBytes(format.Art == TArtKind::akText ? "\r\n" : "\n");
        break;
    case TCharset::csUtf8:
        out = format.Bom ? "\xEF\xBB\xBF" + doc.FileBytes(format.Break) : doc.FileBytes(format.Break);
        break;
    case TCharset::csUtf16:
        if (format.Bom)
            out = format.BigEndian ? "\xFE\xFF" : "\xFF\xFE";
        out += Utf8ToUtf16(doc.FileBytes(format.Break), format.BigEndian);
        out += format.OddByte;
        break;
    }
    return out + format.Tail;
}

} // namespace FileFormat
