#include "platform/DrawText.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <vector>

namespace {

struct Layout
{
    bool singleLine = false;
    bool wordBreak = false;
    bool expandTabs = false;
    bool prefix = true;
    bool clip = true;
    bool calcRect = false;
    bool externalLeading = false;
    int tabWidth = 0;
    unsigned hAlign = DT_LEFT;
    unsigned vAlign = DT_TOP;
};

Layout LayoutOf(const QFontMetrics &fm, unsigned format)
{
    Layout layout;
    int tabChars = 8;
    if (format & DT_TABSTOP) {
        // The high byte is the tab length; its flag bits mean nothing then.
        tabChars = (format >> 8) & 0xFF;
        if (tabChars == 0)
            tabChars = 8;
        format &= ~0xFF00u;
        layout.prefix = false;
    } else {
        layout.prefix = !(format & DT_NOPREFIX);
        layout.clip = !(format & DT_NOCLIP);
        layout.calcRect = format & DT_CALCRECT;
        layout.externalLeading = format & DT_EXTERNALLEADING;
    }
    layout.singleLine = format & DT_SINGLELINE;
    layout.wordBreak = (format & DT_WORDBREAK) && !layout.singleLine;
    layout.expandTabs = format & DT_EXPANDTABS;
    layout.tabWidth = std::max(1, tabChars * std::max(1, fm.averageCharWidth()));
    layout.hAlign = (format & DT_RIGHT) ? DT_RIGHT : (format & DT_CENTER) ? DT_CENTER : DT_LEFT;
    if (layout.singleLine)
        layout.vAlign = (format & DT_BOTTOM) ? DT_BOTTOM : (format & DT_VCENTER) ? DT_VCENTER : DT_TOP;
    return layout;
}

// The text without its prefix ampersands, and the index of the underlined character.
QString StripPrefix(const QString &text, int *underline)
{
    QString out;
    out.reserve(text.size());
    *underline = -1;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'&' && i + 1 < text.size()) {
            ++i;
            if (text[i] != u'&')
                *underline = int(out.size());
        } else if (text[i] == u'&') {
            continue; // a lone trailing ampersand shows nothing
        }
        out += text[i];
    }
    return out;
}

// The tab stop after x.
int NextTabStop(int x, const Layout &layout)
{
    return (x / layout.tabWidth + 1) * layout.tabWidth;
}

// Width of a line with its tabs expanded, measured from the line's start.
int LineWidth(const QFontMetrics &fm, QStringView line, const Layout &layout)
{
    if (!layout.expandTabs)
        return fm.horizontalAdvance(line.toString());
    int x = 0;
    qsizetype start = 0;
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line[i] == u'\t') {
            x = NextTabStop(x + fm.horizontalAdvance(line.mid(start, i - start).toString()), layout);
            start = i + 1;
        }
    }
    return x + fm.horizontalAdvance(line.mid(start).toString());
}

struct Span
{
    qsizetype start;
    qsizetype length;
};

bool IsBlank(QChar c) { return c == u' ' || c == u'\t'; }

void WrapInto(std::vector<Span> &spans, const QString &text, Span line, const QFontMetrics &fm,
              const Layout &layout, int width)
{
    const qsizetype end = line.start + line.length;
    // Where a line may end: at a blank or at the end.
    std::vector<qsizetype> breaks;
    for (qsizetype i = line.start; i <= end; ++i)
        if (i == end || IsBlank(text[i]))
            breaks.push_back(i);
    qsizetype start = line.start;
    size_t first = 0;
    do {
        while (breaks[first] < start)
            ++first;
        const auto fitsTo = [&](size_t at) {
            return LineWidth(fm, QStringView(text).mid(start, breaks[at] - start), layout) <= width;
        };
        // The last break that still fits. Widths grow with the break, so
        // doubling steps and then halving find it in a few measurements
        // rather than one per word, which made long lines cost their square.
        qsizetype fits = -1;
        if (fitsTo(first)) {
            size_t lo = first, step = 1;
            while (lo + step < breaks.size() && fitsTo(lo + step)) {
                lo += step;
                step *= 2;
            }
            size_t hi = std::min(lo + step, breaks.size()); // does not fit, or past the last
            while (hi - lo > 1) {
                const size_t mid = lo + (hi - lo) / 2;
                (fitsTo(mid) ? lo : hi) = mid;
            }
            fits = breaks[lo];
        }
        if (fits < 0) { // one word wider than the rectangle keeps its line
            fits = start;
            while (fits < end && !IsBlank(text[fits]))
                ++fits;
        }
        if (fits == start && text[start] == u'\t') {
            // A tab at a break is not skipped like a blank: it goes with the
            // word after it, or the line would never move on.
            fits = start + 1;
            while (fits < end && !IsBlank(text[fits]))
                ++fits;
        }
        spans.push_back({start, fits - start});
        start = fits;
        while (start < end && text[start] == u' ')
            ++start; // the blank at a break is not drawn
    } while (start < end);
}

std::vector<Span> SplitLines(const QString &text, const QFontMetrics &fm, const Layout &layout,
                             int width)
{
    std::vector<Span> lines;
    if (text.isEmpty())
        return lines;
    if (layout.singleLine) {
        lines.push_back({0, text.size()});
        return lines;
    }
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        const bool atEnd = i == text.size();
        if (!atEnd && text[i] != u'\r' && text[i] != u'\n')
            continue;
        if (atEnd && start == text.size() && !lines.empty())
            break; // a final line break opens no empty line
        const Span line{start, i - start};
        if (layout.wordBreak && line.length > 0)
            WrapInto(lines, text, line, fm, layout, width);
        else
            lines.push_back(line);
        if (!atEnd && text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    return lines;
}

QString Displayed(const QString &text, const Layout &layout)
{
    if (!layout.singleLine)
        return text;
    QString copy = text;
    copy.replace(u'\r', u' ').replace(u'\n', u' ');
    return copy;
}

int LineHeight(const QFontMetrics &fm, const Layout &layout)
{
    return fm.height() + (layout.externalLeading ? fm.leading() : 0);
}

QRect Measure(const QFontMetrics &fm, const QString &text, const QRect &rect, const Layout &layout)
{
    const std::vector<Span> lines = SplitLines(text, fm, layout, rect.width());
    int width = 0;
    for (const Span &line : lines)
        width = std::max(width, LineWidth(fm, QStringView(text).mid(line.start, line.length), layout));
    return QRect(rect.left(), rect.top(), width, int(lines.size()) * LineHeight(fm, layout));
}

} // namespace

QRect MeasureTextA(const QFontMetrics &metrics, const QString &text, const QRect &rect,
                   unsigned format)
{
    const Layout layout = LayoutOf(metrics, format);
    int underline = -1;
    const QString shown = Displayed(layout.prefix ? StripPrefix(text, &underline) : text, layout);
    return Measure(metrics, shown, rect, layout);
}

int DrawTextA(QPainter &painter, const QString &text, QRect &rect, unsigned format)
{
    const QFontMetrics fm(painter.font());
    const Layout layout = LayoutOf(fm, format);
    int underline = -1;
    const QString shown = Displayed(layout.prefix ? StripPrefix(text, &underline) : text, layout);
    if (layout.calcRect) {
        rect = Measure(fm, shown, rect, layout);
        return rect.height();
    }

    const std::vector<Span> lines = SplitLines(shown, fm, layout, rect.width());
    const int lineHeight = LineHeight(fm, layout);
    const int textHeight = int(lines.size()) * lineHeight;
    int top = rect.top();
    if (layout.vAlign == DT_VCENTER)
        top += (rect.height() - textHeight) / 2;
    else if (layout.vAlign == DT_BOTTOM)
        top += rect.height() - textHeight;

    painter.save();
    if (layout.clip)
        painter.setClipRect(rect, Qt::IntersectClip);
    int y = top;
    for (const Span &span : lines) {
        const QStringView line = QStringView(shown).mid(span.start, span.length);
        const int width = LineWidth(fm, line, layout);
        int x = rect.left();
        if (layout.hAlign == DT_CENTER)
            x += (rect.width() - width) / 2;
        else if (layout.hAlign == DT_RIGHT)
            x += rect.width() - width;
        const int baseline = y + fm.ascent();
        // Segments between tabs, each placed at its expanded position.
        qsizetype start = 0;
        int pen = 0;
        for (qsizetype i = 0; i <= line.size(); ++i) {
            if (i < line.size() && !(layout.expandTabs && line[i] == u'\t'))
                continue;
            const QString segment = line.mid(start, i - start).toString();
            if (!segment.isEmpty())
                painter.drawText(QPoint(x + pen, baseline), segment);
            if (i < line.size())
                pen = NextTabStop(pen + fm.horizontalAdvance(segment), layout);
            start = i + 1;
        }
        if (underline >= span.start && underline < span.start + span.length) {
            const qsizetype at = underline - span.start;
            const int x0 = x + LineWidth(fm, line.left(at), layout);
            const int x1 = x + LineWidth(fm, line.left(at + 1), layout);
            const int uy = baseline + fm.underlinePos();
            painter.drawLine(x0, uy, x1 - 1, uy);
        }
        y += lineHeight;
    }
    painter.restore();
    return (layout.vAlign == DT_TOP) ? textHeight : top - rect.top() + textHeight;
}

void TextOutA(QPainter &painter, int x, int y, const QString &text)
{
    painter.drawText(QPoint(x, y + QFontMetrics(painter.font()).ascent()), text);
}
