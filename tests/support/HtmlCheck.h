#pragma once
// What a browser needs of a page we write, checked without one: the markup
// tags nest, and the text between them holds no bare "<" or "&".

#include <QRegularExpression>
#include <QString>
#include <QStringList>

namespace HtmlCheck {

// Empty when the page is sound, else what is wrong and where.
inline QString Problem(const QString &page)
{
    static const QRegularExpression tag(QStringLiteral("<(/?)([a-z]+)[^<>]*>"));
    static const QRegularExpression entity(QStringLiteral("^&(lt|gt|amp|quot|#39);"));
    static const QStringList empty{QStringLiteral("meta")}; // no closing tag
    QStringList open;
    qsizetype at = page.indexOf(QLatin1String("<html>"));
    if (at < 0)
        return QStringLiteral("no <html>");
    while (at < page.size()) {
        const QChar c = page[at];
        if (c == u'&') {
            if (!entity.match(QStringView(page).mid(at, 6)).hasMatch())
                return QStringLiteral("a bare & at %1").arg(at);
            ++at;
            continue;
        }
        if (c != u'<') {
            ++at;
            continue;
        }
        const QRegularExpressionMatch m = tag.match(page, at, QRegularExpression::NormalMatch,
                                                    QRegularExpression::AnchorAtOffsetMatchOption);
        if (!m.hasMatch())
            return QStringLiteral("a bare < at %1").arg(at);
        const QString name = m.captured(2);
        if (name == QLatin1String("style")) { // its rules are no markup
            const qsizetype end = page.indexOf(QLatin1String("</style>"), at);
            if (end < 0)
                return QStringLiteral("<style> not closed");
            at = end + 8;
            continue;
        }
        if (m.captured(1).isEmpty()) {
            if (!empty.contains(name))
                open << name;
        } else if (open.isEmpty() || open.takeLast() != name) {
            return QStringLiteral("</%1> at %2 closes what it did not open").arg(name).arg(at);
        }
        at = m.capturedEnd();
    }
    return open.isEmpty() ? QString() : QStringLiteral("not closed: ") + open.join(u' ');
}

} // namespace HtmlCheck
