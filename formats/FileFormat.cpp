#include "formats/FileFormat.h"

#include "formats/IceDraw.h"
#include "formats/Sauce.h"
#include "formats/TundraDraw.h"
#include "formats/XBin.h"
#include "document/TextBuffer.h"

#include <QBuffer>

#include <cstring>

namespace FileFormat {
namespace {

bool StartsWith(QByteArrayView bytes, const char *mark, qsizetype n)
{
    return bytes.size() >= n && std::memcmp(bytes.data(), mark, size_t(n)) == 0;
}

// The units of the first bytes read as UTF-16 in one byte order: plain text
// (printable ASCII, tabs and breaks: a high byte of 0), frames, blocks and
// shades (a high byte of 0x25), units of 0, and whether a surrogate is left
// unpaired. Text of any script has many plain units, since blanks and breaks
// are among them; a file in an 8-bit set almost never does, as it would need
// a NUL at every other byte.
struct TUnits
{
    qsizetype All = 0, Latin = 0, Printable = 0, Art = 0, Zero = 0;
    bool LoneSurrogate = false;
};

TUnits CountUnits(QByteArrayView head, bool bigEndian)
{
    const qsizetype n = std::min<qsizetype>(head.size(), 1024) & ~qsizetype(1);
    const int high = bigEndian ? 0 : 1;
    TUnits units;
    bool highSurrogate = false; // the unit before was one
    for (qsizetype i = 0; i < n; i += 2) {
        const char h = head[i + high], l = head[i + 1 - high];
        ++units.All;
        units.Printable += h == 0 && l >= 0x20 && l < 0x7F;
        units.Latin += h == 0 && ((l >= 0x20 && l < 0x7F) || l == '\t' || l == '\n' || l == '\r');
        units.Zero += h == 0 && l == 0;
        units.Art += h == 0x25;
        const auto u = static_cast<unsigned char>(h);
        const bool lowSurrogate = u >= 0xDC && u <= 0xDF;
        units.LoneSurrogate |= highSurrogate != lowSurrogate;
        highSurrogate = u >= 0xD8 && u <= 0xDB; // one at the end may be paired past it
    }
    return units;
}

// The byte order that reads more units as text or art; little-endian where
// both read as many (text such as "%\u2500%\u2500" reads either way), so
// that a file is always read back in the order it was taken for.
bool BigEndianUnits(QByteArrayView head)
{
    const TUnits little = CountUnits(head, false), big = CountUnits(head, true);
    return big.Latin + big.Art > little.Latin + little.Art;
}

// UTF-16 without a mark: at least half the units plain text, and half of
// them letters, digits, marks or art and not tabs and breaks, none 0, no
// surrogate unpaired, and no byte CR next to a byte LF. A single-byte file
// that has a break is written with CR LF, which UTF-16 text holds only in a
// few letters of Malayalam and Sinhala (its own breaks are CR 0 LF 0): so
// the file is read back in the set it was written in, whatever NULs and
// other bytes it has.
bool LooksUtf16(QByteArrayView head, bool bigEndian)
{
    const TUnits units = CountUnits(head, bigEndian);
    return units.All >= 8 && units.Zero == 0 && 2 * units.Latin >= units.All
           && 2 * (units.Printable + units.Art) >= units.All && !units.LoneSurrogate
           && !head.first(std::min<qsizetype>(head.size(), 1024)).contains(QByteArrayView("\r\n"));
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

bool IsAsciiLetter(unsigned char b)
{
    return (b | 0x20) >= 'a' && (b | 0x20) <= 'z';
}

// Windows-1252 only where code page 437 cannot be meant: no frame, block or
// shade byte, and every byte above ASCII a small accented letter (0xE0 to
// 0xFF, the division sign aside) that follows an ASCII letter, as in
// "caf\xE9" or "na\xEFve". In code page 437 those bytes are Greek letters
// and signs, which do not sit inside Latin words; its own accented letters
// (0x80 to 0xA5) never count, since Windows-1252 reads some of them as
// letters too.
bool LooksWindows1252(QByteArrayView head)
{
    const auto *p = reinterpret_cast<const unsigned char *>(head.data());
    bool letter = false;
    for (qsizetype i = 0; i < head.size(); ++i) {
        if (p[i] < 0x80)
            continue;
        if (p[i] < 0xE0 || p[i] == 0xF7)
            return false;
        // Back over accented letters to the start of the run.
        qsizetype k = i;
        while (k > 0 && p[k - 1] >= 0xE0 && p[k - 1] != 0xF7)
            --k;
        if (k == 0 || !IsAsciiLetter(p[k - 1]))
            return false;
        letter = true;
    }
    return letter;
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
    // The art's record at the end is in code page 437, whatever the text is.
    head.chop(Sauce::TailLength(head));
    TFileFormat format;
    if (StartsWith(head, "\xEF\xBB\xBF", 3)) {
        format.Charset = TCharset::csUtf8;
        format.Bom = true;
    } else if (StartsWith(head, "\xFF\xFE", 2) || StartsWith(head, "\xFE\xFF", 2)) {
        format.Charset = TCharset::csUtf16;
        format.Bom = true;
        format.BigEndian = head[0] == '\xFE';
    } else if (LooksUtf16(head, BigEndianUnits(head))) {
        format.Charset = TCharset::csUtf16;
        format.BigEndian = BigEndianUnits(head);
    } else if (LooksUtf8(head.first(std::min(head.size(), kDetectBytes)))) {
        format.Charset = TCharset::csUtf8;
    } else if (LooksWindows1252(head.first(std::min(head.size(), kDetectBytes)))) {
        format.Charset = TCharset::csWindows1252;
    }
    return format;
}

TFileFormat ForCharset(TCharset charset, QByteArrayView head)
{
    head.chop(Sauce::TailLength(head));
    TFileFormat format;
    format.Charset = charset;
    if (charset == TCharset::csUtf8) {
        format.Bom = StartsWith(head, "\xEF\xBB\xBF", 3);
    } else if (charset == TCharset::csUtf16) {
        format.Bom = StartsWith(head, "\xFF\xFE", 2) || StartsWith(head, "\xFE\xFF", 2);
        format.BigEndian = format.Bom ? head[0] == '\xFE' : BigEndianUnits(head);
    }
    return format;
}

namespace {

// The kind of art a file's header, name or record says it is.
TArtKind ArtOf(QStringView fileName, QByteArrayView head, const std::optional<TSauce> &record)
{
    if (XBin::HasHeader(head))
        return TArtKind::akXBin;
    if (TundraDraw::HasHeader(head))
        return TArtKind::akTundra;
    if (IceDraw::HasHeader(head))
        return TArtKind::akIceDraw;
    const auto named = [&fileName](const char16_t *extension) { return fileName.endsWith(extension, Qt::CaseInsensitive); };
    if (named(u".xb") || named(u".xbin") || (record && record->DataType == 6))
        return TArtKind::akXBin;
    if (named(u".tnd") || (record && record->DataType == 1 && record->FileType == 8))
        return TArtKind::akTundra;
    if (named(u".idf"))
        return TArtKind::akIceDraw;
    if (named(u".adf"))
        return TArtKind::akArtworx;
    if (named(u".pcb") || (record && record->DataType == 1 && record->FileType == 4))
        return TArtKind::akPcboard;
    if (named(u".bin") || (record && record->DataType == 5))
        return TArtKind::akBinary;
    if (named(u".ans") || (record && record->DataType == 1 && (record->FileType == 1 || record->FileType == 2)))
        return TArtKind::akAnsi;
    return TArtKind::akText;
}

} // namespace

bool IsPicture(QStringView fileName, QByteArrayView head)
{
    const TArtKind kind = ArtOf(fileName, head, Sauce::Parse(head.last(Sauce::TailLength(head))));
    return kind != TArtKind::akText && kind != TArtKind::akAnsi && kind != TArtKind::akPcboard;
}

void DetectArt(TFileFormat &format, QStringView fileName, QByteArrayView head, bool charsetChosen)
{
    format.Art = ArtOf(fileName, head, Sauce::Parse(format.Tail));
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
        return QStringLiteral("ANSI art");
    switch (format.Art) {
    case TArtKind::akText:
    case TArtKind::akAnsi:
        break;
    case TArtKind::akBinary: return QStringLiteral("Binary text");
    case TArtKind::akPcboard: return QStringLiteral("PCBoard");
    case TArtKind::akXBin: return QStringLiteral("XBin");
    case TArtKind::akArtworx: return QStringLiteral("Artworx");
    case TArtKind::akIceDraw: return QStringLiteral("iCEDraw");
    case TArtKind::akTundra: return QStringLiteral("TundraDraw");
    }
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

QByteArray ToDocument(QByteArray fileBytes, TFileFormat &format)
{
    const qsizetype tail = Sauce::TailLength(fileBytes);
    format.Tail = fileBytes.last(tail);
    fileBytes.chop(tail);
    format.OddByte.clear();
    format.Break = "\r\n";
    if (format.Charset != TCharset::csUtf16) {
        if (format.Charset == TCharset::csUtf8) {
            if (format.Bom)
                fileBytes.remove(0, 3);
            format.Break = FirstBreak(fileBytes);
        }
        return fileBytes;
    }
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

TDecodedSource::TShape Shape(TFileFormat &format, qint64 size, QByteArrayView end, bool lfOnly)
{
    TDecodedSource::TShape shape;
    shape.LfOnly = lfOnly;
    const qsizetype tail = Sauce::TailLength(end);
    format.Tail = end.last(tail).toByteArray();
    format.OddByte.clear();
    format.Break = "\r\n";
    shape.End = size - tail;
    if (format.Charset == TCharset::csUtf16) {
        shape.Units = format.BigEndian ? TDecodedSource::TUnits::Utf16Be : TDecodedSource::TUnits::Utf16Le;
        shape.Begin = format.Bom ? 2 : 0;
        if ((shape.End - shape.Begin) % 2 != 0) {
            --shape.End;
            format.OddByte = end.sliced(end.size() - tail - 1, 1).toByteArray();
        }
    } else if (format.Charset == TCharset::csUtf8 && format.Bom) {
        shape.Begin = 3;
    }
    shape.End = std::max(shape.End, shape.Begin);
    return shape;
}

namespace {

// Document bytes to file bytes, a run at a time.
class TEncoder
{
public:
    TEncoder(const TFileFormat &format, QIODevice &out) : m_format(format), m_out(out)
    {
        // Art moves its cursor with lone CRs and LFs: only LF broke its lines.
        m_break = !IsSingleByte(format.Charset) ? format.Break
                  : format.Art == TArtKind::akText ? QByteArray("\r\n")
                                                   : QByteArray("\n");
        if (format.Charset == TCharset::csUtf16)
            m_break = Utf8ToUtf16(m_break, format.BigEndian);
    }

    static bool IsSingleByte(TCharset charset) { return Charset::IsSingleByte(charset); }

    void Put(QByteArrayView bytes) { m_buffer.append(bytes.data(), bytes.size()); }
    qint64 Size() const { return m_flushed + m_buffer.size(); } // the bytes put so far

    void Text(const char *p, qsizetype n)
    {
        if (m_format.Charset == TCharset::csUtf16) {
            Utf16(p, n);
            return;
        }
        // Into room made once for the worst case (every byte a break): a
        // call for each of millions of short lines would cost more than the
        // bytes.
        const qsizetype old = m_buffer.size();
        m_buffer.resize(old + n * m_break.size());
        char *out = m_buffer.data() + old;
        const char *end = p + n;
        while (p < end) {
            const char *nl = static_cast<const char *>(std::memchr(p, '\n', size_t(end - p)));
            const size_t length = size_t((nl ? nl : end) - p);
            std::memcpy(out, p, length);
            out += length;
            if (!nl)
                break;
            std::memcpy(out, m_break.constData(), size_t(m_break.size()));
            out += m_break.size();
            p = nl + 1;
        }
        m_buffer.resize(out - m_buffer.constData());
        Flush(false);
    }

    // A sequence the text ends inside is written as it is.
    void EndText()
    {
        m_buffer += Utf8ToUtf16(m_carry, m_format.BigEndian);
        m_carry.clear();
    }

    bool Finish() { return Flush(true); }

    bool Failed() const { return m_failed; }

private:
    // UTF-8 to UTF-16 in pieces: a sequence cut off at the end of a run waits
    // for the rest, so the units come out as the whole text's would.
    void Utf16(const char *p, qsizetype n)
    {
        QByteArray text = m_carry;
        text.append(p, n);
        m_carry.clear();
        const auto *u = reinterpret_cast<const unsigned char *>(text.constData());
        const qsizetype size = text.size();
        for (qsizetype k = 1; k <= std::min<qsizetype>(3, size); ++k) {
            const unsigned char b = u[size - k];
            if (Charset::IsContinuation(b))
                continue;
            if (b >= 0xC0 && (b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : 2) > k) {
                m_carry = text.right(k);
                text.chop(k);
            }
            break;
        }
        qsizetype start = 0;
        for (;;) {
            const qsizetype nl = text.indexOf('\n', start);
            m_buffer += Utf8ToUtf16(QByteArrayView(text).sliced(start, (nl < 0 ? text.size() : nl) - start),
                                    m_format.BigEndian);
            if (nl < 0)
                break;
            m_buffer += m_break;
            start = nl + 1;
        }
        Flush(false);
    }

    bool Flush(bool all)
    {
        constexpr qsizetype kOut = 1 << 20;
        if (m_failed || (!all && m_buffer.size() < kOut))
            return !m_failed;
        m_failed = m_out.write(m_buffer) != m_buffer.size();
        m_flushed += m_buffer.size();
        m_buffer.resize(0); // the room stays for the next
        return !m_failed;
    }

    const TFileFormat &m_format;
    QIODevice &m_out;
    QByteArray m_break;
    QByteArray m_buffer;
    QByteArray m_carry;
    qint64 m_flushed = 0;
    bool m_failed = false;
};

} // namespace

bool Write(const TTextBuffer &doc, const TFileFormat &format, QIODevice &out,
           const std::function<void(qint64, qint64)> &progress)
{
    constexpr qsizetype kWindow = 16 << 20; // bytes of text between reports
    TEncoder encoder(format, out);
    if (format.Bom && format.Charset == TCharset::csUtf8)
        encoder.Put("\xEF\xBB\xBF");
    if (format.Bom && format.Charset == TCharset::csUtf16)
        encoder.Put(format.BigEndian ? "\xFE\xFF" : "\xFF\xFE");
    const qsizetype length = doc.Length();
    const auto readable = [&doc] { return !doc.Source() || doc.Source()->State() == TSourceFile::TState::Intact; };
    for (qsizetype pos = 0; pos < length && !encoder.Failed() && readable(); pos += kWindow) {
        doc.Read(pos, std::min(length, pos + kWindow), [&encoder](const char *p, qsizetype n, qsizetype) {
            encoder.Text(p, n);
            return !encoder.Failed();
        }, true);
        if (progress)
            progress(std::min(length, pos + kWindow), length);
    }
    encoder.EndText();
    encoder.Put(format.OddByte);
    // The record counts the bytes before it as they are now.
    encoder.Put(format.Tail.isEmpty() ? format.Tail : Sauce::WithFileSize(format.Tail, encoder.Size()));
    return encoder.Finish() && readable();
}

QByteArray ToFile(const TTextBuffer &doc, const TFileFormat &format)
{
    QByteArray bytes;
    QBuffer out(&bytes);
    out.open(QIODevice::WriteOnly);
    Write(doc, format, out);
    return bytes;
}

namespace {

constexpr qsizetype kConvertWindow = 4 << 20; // positions converted at a time

// Calls take(text) for the document's characters as shown (the code page's
// pictures of control bytes included, so that art looks the same in any
// set), a window at a time at characters' starts; false when stopped.
bool ForEachWindow(const TTextBuffer &doc, const TStep &progress, const std::function<bool(const QString &)> &take)
{
    const qsizetype length = doc.Length();
    for (qsizetype pos = 0; pos < length;) {
        if (progress && !progress(pos, length))
            return false;
        const qsizetype end = pos + kConvertWindow >= length ? length : std::max(pos + 1, doc.CharStart(pos + kConvertWindow));
        if (!take(Charset::ToText(doc.Charset(), doc.Slice(pos, end))))
            return false;
        pos = end;
    }
    return true;
}

} // namespace

std::optional<TConversion> Check(const TTextBuffer &doc, const TFileFormat &format, const TFileFormat &target,
                                 const TStep &progress)
{
    TConversion conversion;
    conversion.Format = target;
    conversion.Format.Tail = format.Tail;
    conversion.Format.OddByte.clear();
    // A Unicode file keeps its kind of break; the single-byte sets write CR LF.
    const bool unicode = !Charset::IsSingleByte(target.Charset);
    conversion.Format.Break = unicode && !Charset::IsSingleByte(format.Charset) ? format.Break : QByteArray("\r\n");
    if (unicode)
        return conversion; // Unicode holds every character
    qsizetype line = 0;
    const bool done = ForEachWindow(doc, progress, [&](const QString &text) {
        for (qsizetype i = 0; i < text.size(); ++i) {
            const QChar ch = text[i];
            line += ch == u'\n';
            const qsizetype length = ch.isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
            if (ch != u'?' && Charset::Encode(target.Charset, QStringView(text).sliced(i, length)) == "?") {
                if (conversion.Lacking++ == 0)
                    conversion.FirstLacking = line;
            }
            i += length - 1;
        }
        return true;
    });
    return done ? std::optional<TConversion>(conversion) : std::nullopt;
}

bool WriteConverted(const TTextBuffer &doc, const TConversion &conversion, QIODevice &out, const TStep &progress)
{
    const TFileFormat &format = conversion.Format;
    TEncoder encoder(format, out);
    if (format.Bom && format.Charset == TCharset::csUtf8)
        encoder.Put("\xEF\xBB\xBF");
    if (format.Bom && format.Charset == TCharset::csUtf16)
        encoder.Put(format.BigEndian ? "\xFE\xFF" : "\xFF\xFE");
    const auto readable = [&doc] { return !doc.Source() || doc.Source()->State() == TSourceFile::TState::Intact; };
    const bool done = ForEachWindow(doc, progress, [&](const QString &text) {
        const QByteArray bytes = Charset::Encode(format.Charset, text);
        encoder.Text(bytes.constData(), bytes.size());
        return !encoder.Failed() && readable();
    });
    if (!done)
        return false;
    encoder.EndText();
    encoder.Put(format.Tail.isEmpty() ? format.Tail : Sauce::WithFileSize(format.Tail, encoder.Size()));
    return encoder.Finish() && readable();
}

TConversion Convert(const TTextBuffer &doc, const TFileFormat &format, const TFileFormat &target)
{
    TConversion conversion = *Check(doc, format, target);
    QBuffer out(&conversion.File);
    out.open(QIODevice::WriteOnly);
    WriteConverted(doc, conversion, out);
    return conversion;
}

} // namespace FileFormat
