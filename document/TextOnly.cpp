#include "document/TextOnly.h"

#include <algorithm>

namespace TextOnly {

bool IsArt(QChar ch)
{
    return (ch.unicode() >= 0x2500 && ch.unicode() <= 0x25A0);
}

QStringList Filter(const QStringList &lines)
{
    QStringList kept;
    for (QString line : lines) {
        // Art and blanks at both ends become blanks.
        qsizetype left = 0, right = line.size();
        while (left < right && (IsArt(line[left]) || line[left].isSpace()))
            ++left;
        while (right > left && (IsArt(line[right - 1]) || line[right - 1].isSpace()))
            --right;
        for (qsizetype i = 0; i < left; ++i)
            line[i] = u' ';
        line.truncate(right);
        const qsizetype art = std::count_if(line.cbegin(), line.cend(), IsArt);
        const qsizetype visible = std::count_if(line.cbegin(), line.cend(), [](QChar c) { return !c.isSpace(); });
        if (2 * art > visible)
            continue;
        if (visible == 0 && (kept.isEmpty() || kept.constLast().isEmpty()))
            continue; // one empty line at a time, none at the start
        kept << (visible == 0 ? QString() : line);
    }
    while (!kept.isEmpty() && kept.constLast().isEmpty())
        kept.removeLast();
    // The indent every line shares.
    qsizetype indent = -1;
    for (const QString &line : std::as_const(kept)) {
        if (line.isEmpty())
            continue;
        qsizetype blanks = 0;
        while (blanks < line.size() && line[blanks] == u' ')
            ++blanks;
        indent = indent < 0 ? blanks : std::min(indent, blanks);
    }
    for (QString &line : kept)
        line.remove(0, std::max<qsizetype>(0, indent));
    return kept;
}

} // namespace TextOnly
