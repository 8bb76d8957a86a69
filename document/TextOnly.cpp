#include "document/TextOnly.h"

#include <algorithm>

namespace TextOnly {

bool IsArt(QChar ch)
{
    return (ch.unicode() >= 0x2500 && ch.unicode() <= 0x25A0);
}

bool TFilter::Keep(QString &line)
{
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
        return false;
    if (visible == 0)
        line.clear();
    return true;
}

void TFilter::Measure(QString line)
{
    if (!Keep(line) || line.isEmpty())
        return;
    qsizetype blanks = 0;
    while (blanks < line.size() && line[blanks] == u' ')
        ++blanks;
    m_indent = m_indent < 0 ? blanks : std::min(m_indent, blanks);
}

QStringList Filter(const QStringList &lines)
{
    TFilter filter;
    for (const QString &line : lines)
        filter.Measure(line);
    QStringList kept;
    for (const QString &line : lines)
        filter.Put(line, [&kept](const QString &out) { kept << out; });
    return kept;
}

} // namespace TextOnly
