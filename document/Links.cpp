#include "document/Links.h"

#include "document/TextBuffer.h"

#include <vector>

namespace Links {
namespace {

bool IsAlnum(QChar c)
{
    return c.unicode() < 0x80 && c.isLetterOrNumber();
}

// Characters an address is made of; art (frames, blocks) and blanks end it.
bool IsUrlChar(QChar c)
{
    if (c.unicode() >= 0x80 || c.unicode() <= 0x20)
        return false;
    return IsAlnum(c) || QStringView(u"-._~:/?#[]@!$&'()*+,;=%").contains(c);
}

bool IsMailLocal(QChar c)
{
    return IsAlnum(c) || QStringView(u"._%+-").contains(c);
}

bool IsHostChar(QChar c)
{
    return IsAlnum(c) || c == u'.' || c == u'-';
}

// The end of an address without what ends the sentence around it: marks,
// and brackets that close what the address did not open, as in
// "[https://x.org]" or "(see www.x.org)".
qsizetype TrimEnd(QStringView line, qsizetype start, qsizetype end)
{
    static constexpr char16_t kOpen[] = u"([{<", kClose[] = u")]}>";
    while (end > start) {
        const QChar last = line[end - 1];
        const qsizetype pair = QStringView(kClose).indexOf(last);
        if (pair >= 0) {
            const QStringView body = line.sliced(start, end - start);
            if (body.count(QChar(kOpen[pair])) >= body.count(last))
                break;
        } else if (!QStringView(u".,;:!?'\"").contains(last)) {
            break;
        }
        --end;
    }
    return end;
}

bool StartsWord(QStringView line, qsizetype at)
{
    return at == 0 || !IsAlnum(line[at - 1]);
}

} // namespace

QList<TLink> Find(QStringView line)
{
    QList<TLink> links;
    static const QString prefixes[] = {QStringLiteral("http://"), QStringLiteral("https://"), QStringLiteral("ftp://"),
                                       QStringLiteral("telnet://"), QStringLiteral("www.")};
    const qsizetype n = line.size();
    qsizetype i = 0;
    while (i < n) {
        qsizetype taken = -1;
        for (const QString &prefix : prefixes) {
            if (!StartsWord(line, i) || !line.sliced(i).startsWith(prefix, Qt::CaseInsensitive))
                continue;
            qsizetype end = i + prefix.size();
            while (end < n && IsUrlChar(line[end]))
                ++end;
            end = TrimEnd(line, i, end);
            if (end <= i + prefix.size() || !IsAlnum(line[i + prefix.size()]))
                continue;
            const QString text = line.sliced(i, end - i).toString();
            const bool www = prefix.startsWith(u'w');
            links.append({i, end, www ? QStringLiteral("http://") + text : text});
            taken = end;
            break;
        }
        if (taken >= 0) {
            i = taken;
            continue;
        }
        if (line[i] == u'@' && i > 0 && IsMailLocal(line[i - 1])) {
            qsizetype start = i;
            while (start > 0 && IsMailLocal(line[start - 1]))
                --start;
            while (start < i && !IsAlnum(line[start]))
                ++start;
            qsizetype end = i + 1;
            while (end < n && IsHostChar(line[end]))
                ++end;
            end = TrimEnd(line, i, end);
            const QStringView host = line.sliced(i + 1, end - i - 1);
            const qsizetype dot = host.lastIndexOf(u'.');
            // Links found before on this line keep their characters.
            const bool free = links.isEmpty() || links.back().End <= start;
            if (start < i && dot > 0 && dot + 1 < host.size() && free) {
                links.append({start, end, QStringLiteral("mailto:") + line.sliced(start, end - start).toString()});
                i = end;
                continue;
            }
        }
        ++i;
    }
    return links;
}

QList<TLink> Near(const TTextBuffer &doc, qsizetype from, qsizetype to)
{
    constexpr int kReach = 2048; // no address is longer
    const qsizetype line = doc.LineOf(from);
    const qsizetype lineStart = doc.LineStart(line), lineEnd = doc.LineEnd(line);
    qsizetype begin = std::max(lineStart, from - kReach);
    const qsizetype end = std::min(lineEnd, to + kReach);
    while (begin > lineStart && !doc.SingleByte() && Charset::IsContinuation(uchar(doc.At(begin))))
        --begin;
    // Every address has a dot: most lines of art have none and are done.
    const QByteArray bytes = doc.Slice(begin, end);
    if (!bytes.contains('.'))
        return {};
    // The characters as text, each with the position it came from.
    const auto *data = reinterpret_cast<const unsigned char *>(bytes.constData());
    QString text;
    text.reserve(bytes.size());
    std::vector<qsizetype> at;
    at.reserve(size_t(bytes.size()) + 1);
    int size = 1;
    for (qsizetype i = 0; i < bytes.size(); i += size) {
        char32_t ch = Charset::TextChar(doc.Charset(), data + i, bytes.size() - i, &size);
        if (ch >= 0x10000) {
            text += QChar(QChar::highSurrogate(ch));
            at.push_back(begin + i);
            ch = QChar::lowSurrogate(ch);
        }
        text += QChar(char16_t(ch));
        at.push_back(begin + i);
    }
    at.push_back(end);
    QList<TLink> links = Find(text);
    for (TLink &link : links) {
        link.Start = at[size_t(link.Start)];
        link.End = at[size_t(link.End)];
    }
    return links;
}

} // namespace Links
