#include "formats/HtmlPage.h"

#include "document/Charset.h"
#include "document/Links.h"
#include "document/TextBuffer.h"
#include "platform/Cp437.h"

#include <QStringView>

#include <algorithm>

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

// One line: its characters as the screen shows them, addresses as links,
// and, for colour art, each run of cells in its colours.
QString Line(const TTextBuffer &doc, qsizetype line, const QList<THtmlRun> &runs)
{
    // The characters as the screen shows them: pictures of control bytes,
    // NUL an empty cell.
    const QByteArray bytes = doc.Slice(doc.LineStart(line), doc.LineEnd(line));
    const auto *data = reinterpret_cast<const unsigned char *>(bytes.constData());
    QString text;
    for (qsizetype i = 0; i < bytes.size();) {
        char32_t ch = 0;
        i += Charset::Decode(doc.Charset(), data + i, bytes.size() - i, &ch);
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
    return out;
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

QByteArray Make(const TTextBuffer &doc, const std::optional<TSauce> &record, const QString &name, const THtmlLook &look,
                const THtmlColours &colours)
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
    for (qsizetype line = 0; line < doc.LineCount(); ++line) {
        if (line + 1 == doc.LineCount() && doc.LineStart(line) == doc.Length())
            break; // a break at the end starts no line of its own
        page += Line(doc, line, colours ? colours(line) : QList<THtmlRun>());
        page += u'\n';
    }
    page += QStringLiteral("</pre>\n</body>\n</html>\n");
    return page.toUtf8();
}

} // namespace HtmlPage
