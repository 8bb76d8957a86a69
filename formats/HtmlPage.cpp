#include "formats/HtmlPage.h"

#include "document/Charset.h"
#include "document/Links.h"
#include "document/TextBuffer.h"
#include "platform/Cp437.h"

#include <QBuffer>
#include <QStringView>

#include <algorithm>
#include <array>
#include <cstring>

namespace HtmlPage {
namespace {

QString Colour(quint32 rgb)
{
    return QStringLiteral("#%1").arg(rgb & 0xFFFFFF, 6, 16, QLatin1Char('0'));
}

// Only these schemes are made links: a page must not carry the document's
// javascript: or file: text as something to click.
bool Linkable(const QString &url)
{
    for (const char *scheme : {"http://", "https://", "ftp://", "mailto:"}) {
        if (url.startsWith(QLatin1String(scheme), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

// The record's texts are code page 437 bytes.
QString RecordText(const QByteArray &bytes)
{
    return Cp437::Decode(bytes).trimmed();
}

// One line's bytes: its characters as the screen shows them, addresses as
// links, and, for colour art, each run of cells in its colours.
QByteArray LineOf(TCharset charset, const QByteArray &bytes, const QList<THtmlRun> &runs)
{
    // The characters as the screen shows them: pictures of control bytes,
    // NUL an empty cell.
    const auto *data = reinterpret_cast<const unsigned char *>(bytes.constData());
    QString text;
    for (qsizetype i = 0; i < bytes.size();) {
        char32_t ch = 0;
        i += Charset::Decode(charset, data + i, bytes.size() - i, &ch);
        text += QString::fromUcs4(&ch, 1);
    }
    QList<TLink> links = Links::Find(text);
    // The art's own hyperlinks win over the addresses found in the text.
    QList<TLink> own;
    qsizetype at = 0;
    for (const THtmlRun &r : runs) {
        if (!r.Link.isEmpty() && !own.isEmpty() && own.back().End == at && own.back().Url == r.Link)
            own.back().End += r.Length;
        else if (!r.Link.isEmpty())
            own.append({at, at + r.Length, r.Link});
        at += r.Length;
    }
    if (!own.isEmpty()) {
        links.removeIf([&own](const TLink &found) {
            return std::any_of(own.begin(), own.end(), [&found](const TLink &o) { return found.Start < o.End && o.Start < found.End; });
        });
        links += own;
        std::sort(links.begin(), links.end(), [](const TLink &a, const TLink &b) { return a.Start < b.Start; });
    }
    // A link lies inside a colour run: one that crosses runs is closed at the
    // end of each and opened again in the next, so that the tags nest.
    QString out;
    auto link = links.begin();
    auto run = runs.begin();
    qsizetype runLeft = run != runs.end() ? run->Length : -1;
    bool inRun = false, inLink = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (run != runs.end() && !inRun) {
            out += QStringLiteral("<span style=\"color:%1;background:%2\">").arg(Colour(run->Ink), Colour(run->Paper));
            inRun = true;
        }
        if (!inLink && link != links.end() && link->Start <= i && Linkable(link->Url)) {
            out += QStringLiteral("<a href=\"%1\">").arg(Escaped(link->Url));
            inLink = true;
        }
        const qsizetype length = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        out += Escaped(QStringView(text).sliced(i, length));
        i += length - 1;
        const bool linkEnds = link != links.end() && link->End <= i + 1;
        const bool runEnds = inRun && --runLeft == 0;
        if (inLink && (linkEnds || runEnds)) {
            out += QStringLiteral("</a>");
            inLink = false;
        }
        if (linkEnds)
            ++link;
        if (runEnds) {
            out += QStringLiteral("</span>");
            inRun = false;
            if (++run != runs.end())
                runLeft = run->Length;
        }
    }
    if (inLink)
        out += QStringLiteral("</a>");
    if (inRun)
        out += QStringLiteral("</span>");
    return out.toUtf8();
}

} // namespace

QString Escaped(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'<': out += QStringLiteral("&lt;"); break;
        case u'>': out += QStringLiteral("&gt;"); break;
        case u'&': out += QStringLiteral("&amp;"); break;
        case u'"': out += QStringLiteral("&quot;"); break;
        case u'\'': out += QStringLiteral("&#39;"); break;
        case 0: out += QChar(u' '); break; // NUL is an empty cell
        default: out += c;
        }
    }
    return out;
}

namespace {

// Output gathered into large writes.
class TPageOut
{
public:
    explicit TPageOut(QIODevice &out) : m_out(out) { m_buffer.reserve(kFlush + 4096); }
    void Put(const char *p, qsizetype n)
    {
        m_buffer.append(p, n);
        if (m_buffer.size() >= kFlush)
            Flush();
    }
    void Put(QByteArrayView bytes) { Put(bytes.data(), bytes.size()); }
    void PutText(const QString &text) { Put(QByteArrayView(text.toUtf8())); }
    bool Flush()
    {
        if (!m_failed && !m_buffer.isEmpty())
            m_failed = m_out.write(m_buffer) != m_buffer.size();
        m_buffer.resize(0);
        return !m_failed;
    }
    bool Failed() const { return m_failed; }

private:
    static constexpr qsizetype kFlush = 1 << 20;
    QIODevice &m_out;
    QByteArray m_buffer;
    bool m_failed = false;
};

// A byte of a single-byte set, or of ASCII in any set, as the page holds it:
// its character in UTF-8, escaped.
struct TByteText
{
    char Bytes[8] = {};
    int Length = 0;
};

std::array<TByteText, 256> ByteTexts(TCharset charset)
{
    std::array<TByteText, 256> table{};
    for (int b = 0; b < 256; ++b) {
        const auto byte = static_cast<unsigned char>(b);
        char32_t ch = 0;
        Charset::Decode(charset, &byte, 1, &ch);
        const QByteArray text = Escaped(QString::fromUcs4(&ch, 1)).toUtf8();
        TByteText &entry = table[size_t(b)];
        entry.Length = int(std::min<qsizetype>(text.size(), sizeof entry.Bytes));
        std::memcpy(entry.Bytes, text.constData(), size_t(entry.Length));
    }
    return table;
}

// Whether a line of the document's bytes may hold an address: every kind
// has "://", "@" or "www." in it, all ASCII.
bool MayHoldLink(const char *p, qsizetype n)
{
    if (std::memchr(p, '@', size_t(n)))
        return true;
    const char *end = p + n;
    for (const char *at = p; (at = static_cast<const char *>(std::memchr(at, ':', size_t(end - at)))); ++at) {
        if (end - at >= 3 && at[1] == '/' && at[2] == '/')
            return true;
    }
    for (const char *at = p; (at = static_cast<const char *>(std::memchr(at, '.', size_t(end - at)))); ++at) {
        if (at - p >= 3 && (at[-1] | 0x20) == 'w' && (at[-2] | 0x20) == 'w' && (at[-3] | 0x20) == 'w')
            return true;
    }
    return false;
}

// A line of text without colours, from its bytes: a line that may hold an
// address goes the way of every line of art; the others byte by byte.
class TTextLines
{
public:
    TTextLines(TCharset charset, TPageOut &out) : m_charset(charset), m_out(out), m_table(ByteTexts(charset)) {}

    void Line(const char *p, qsizetype n)
    {
        if (MayHoldLink(p, n)) {
            m_out.Put(QByteArrayView(LineOf(m_charset, QByteArray::fromRawData(p, n), {})));
            return;
        }
        const bool single = Charset::IsSingleByte(m_charset);
        const auto *data = reinterpret_cast<const unsigned char *>(p);
        char chunk[4096];
        qsizetype used = 0;
        for (qsizetype i = 0; i < n;) {
            if (used > qsizetype(sizeof chunk) - 16) {
                m_out.Put(chunk, used);
                used = 0;
            }
            if (single || data[i] < 0x80) {
                const TByteText &text = m_table[data[i++]];
                std::memcpy(chunk + used, text.Bytes, sizeof text.Bytes);
                used += text.Length;
                continue;
            }
            char32_t ch = 0;
            i += Charset::Decode(m_charset, data + i, n - i, &ch);
            used += Utf8(ch, chunk + used);
        }
        m_out.Put(chunk, used);
    }

private:
    // A character beyond ASCII in UTF-8, as QString's conversion writes it.
    static int Utf8(char32_t ch, char *out)
    {
        if (ch >= 0xD800 && ch <= 0xDFFF)
            ch = 0xFFFD;
        if (ch < 0x80) {
            out[0] = char(ch);
            return 1;
        }
        if (ch < 0x800) {
            out[0] = char(0xC0 | ch >> 6);
            out[1] = char(0x80 | (ch & 0x3F));
            return 2;
        }
        if (ch < 0x10000) {
            out[0] = char(0xE0 | ch >> 12);
            out[1] = char(0x80 | (ch >> 6 & 0x3F));
            out[2] = char(0x80 | (ch & 0x3F));
            return 3;
        }
        out[0] = char(0xF0 | ch >> 18);
        out[1] = char(0x80 | (ch >> 12 & 0x3F));
        out[2] = char(0x80 | (ch >> 6 & 0x3F));
        out[3] = char(0x80 | (ch & 0x3F));
        return 4;
    }

    TCharset m_charset;
    TPageOut &m_out;
    std::array<TByteText, 256> m_table;
};

QString Head(const std::optional<TSauce> &record, const QString &name, const THtmlLook &look)
{
    const QString title = record && !record->Title.isEmpty() ? RecordText(record->Title) : name;
    QString page = QStringLiteral("<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>%1</title>\n")
                       .arg(Escaped(title));
    if (record && !record->Author.isEmpty())
        page += QStringLiteral("<meta name=\"author\" content=\"%1\">\n").arg(Escaped(RecordText(record->Author)));
    if (record && !record->Group.isEmpty())
        page += QStringLiteral("<meta name=\"publisher\" content=\"%1\">\n").arg(Escaped(RecordText(record->Group)));
    page += QStringLiteral("<meta name=\"generator\" content=\"Glimra\">\n");
    // A line exactly one character cell high and no room between letters,
    // so that blocks and frames meet; the page shows the text's own colours.
    // With the cells' own font in the page, a cell is its pixels in any
    // browser, whatever fonts the system has.
    QString family = look.Family.isEmpty() || look.Family == QLatin1String("DejaVu Sans Mono")
                         ? QString()
                         : QStringLiteral("\"%1\", ").arg(Escaped(look.Family));
    QString size = QStringLiteral("font-size: 16px; line-height: 1;");
    page += QStringLiteral("<style>\n");
    if (!look.Font.isEmpty()) {
        page += QStringLiteral("@font-face { font-family: \"Glimra Cells\"; src: url(data:font/ttf;base64,%1) format(\"truetype\"); }\n")
                    .arg(QString::fromLatin1(look.Font.toBase64()));
        family = QStringLiteral("\"Glimra Cells\", ");
        size = QStringLiteral("font-size: %1px; line-height: %1px; font-synthesis: none;").arg(look.CellHeight);
    }
    page += QStringLiteral("body { margin: 0; background: %1; }\n"
                           "pre { margin: 0; padding: 8px; color: %2; background: %1; font-family: %3\"DejaVu Sans Mono\", "
                           "monospace; %4 letter-spacing: 0; font-variant-ligatures: none; }\n"
                           "a { color: inherit; }\n</style>\n</head>\n<body>\n<pre>")
                .arg(Colour(look.Background), Colour(look.Text), family, size);
    return page;
}

} // namespace

bool Write(const TTextBuffer &doc, const std::optional<TSauce> &record, const QString &name, const THtmlLook &look,
           QIODevice &out, const THtmlColours &colours, const THtmlProgress &progress, qsizetype window)
{
    TPageOut page(out);
    page.PutText(Head(record, name, look));
    const qsizetype length = doc.Length();
    if (colours) {
        // Colour art: the lines of its drawn text, which is held whole.
        for (qsizetype line = 0; line < doc.LineCount() && !page.Failed(); ++line) {
            if (line + 1 == doc.LineCount() && doc.LineStart(line) == length)
                break; // a break at the end starts no line of its own
            if (line % 1024 == 0 && progress && !progress(doc.LineStart(line), length))
                return false;
            page.Put(QByteArrayView(LineOf(doc.Charset(), doc.Slice(doc.LineStart(line), doc.LineEnd(line)), colours(line))));
            page.Put("\n", 1);
        }
    } else {
        // Text: read in order a window at a time, each line written as it
        // ends. A line longer than kLongest is written in pieces of it, at a
        // character's start.
        constexpr qsizetype kLongest = 1 << 20;
        TTextLines lines(doc.Charset(), page);
        QByteArray line;
        const bool single = Charset::IsSingleByte(doc.Charset());
        if (window <= 0)
            window = 16 << 20;
        for (qsizetype pos = 0; pos < length && !page.Failed(); pos += window) {
            if (progress && !progress(pos, length))
                return false;
            doc.Read(pos, std::min(length, pos + window), [&](const char *p, qsizetype n, qsizetype) {
                const char *end = p + n;
                while (p < end) {
                    const char *nl = static_cast<const char *>(std::memchr(p, '\n', size_t(end - p)));
                    const char *stop = nl ? nl : end;
                    if (line.isEmpty() && nl && stop - p <= kLongest) {
                        lines.Line(p, stop - p); // whole in the run: no copy
                    } else {
                        line.append(p, stop - p);
                        while (line.size() > kLongest) {
                            qsizetype cut = kLongest;
                            while (!single && cut > kLongest - 4 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80)
                                --cut;
                            lines.Line(line.constData(), cut);
                            line.remove(0, cut);
                        }
                        if (nl) {
                            lines.Line(line.constData(), line.size());
                            line.resize(0);
                        }
                    }
                    if (nl)
                        page.Put("\n", 1);
                    p = stop + (nl ? 1 : 0);
                }
                return !page.Failed();
            }, true);
        }
        if (!line.isEmpty()) {
            lines.Line(line.constData(), line.size());
            page.Put("\n", 1);
        }
    }
    page.Put(QByteArrayView("</pre>\n</body>\n</html>\n"));
    return page.Flush();
}

QByteArray Make(const TTextBuffer &doc, const std::optional<TSauce> &record, const QString &name, const THtmlLook &look,
                const THtmlColours &colours)
{
    QByteArray bytes;
    QBuffer out(&bytes);
    out.open(QIODevice::WriteOnly);
    Write(doc, record, name, look, out, colours);
    return bytes;
}

} // namespace HtmlPage
