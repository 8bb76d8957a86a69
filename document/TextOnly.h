#pragma once
// The words of a piece of art without the art: for reading and copying the
// text of a release's notes.
//
// Frame, block and shade characters at either end of a line become blanks,
// so that what stays keeps its column; a line still made mostly of them is
// dropped; the indent all lines share goes, as do blanks at line ends and
// more than one empty line in a row. Runs of blanks within a line stay, so
// that tables still line up.

#include <QStringList>

#include <algorithm>

namespace TextOnly {

// Box drawing, block and shade characters (and the code page's small square).
bool IsArt(QChar ch);

QStringList Filter(const QStringList &lines);

// The same a line at a time, for a text too large to hold: the indent the
// lines share is found in a first pass (Measure each line), then each line
// is Put and what stays is told to out, in order.
class TFilter
{
public:
    void Measure(QString line);
    template <typename Out>
    void Put(QString line, Out &&out)
    {
        if (!Keep(line))
            return;
        if (line.isEmpty()) {
            m_emptyWaits = m_written; // one empty line at a time, none at the start or the end
            return;
        }
        if (m_emptyWaits)
            out(QString());
        m_emptyWaits = false;
        m_written = true;
        out(line.mid(std::max<qsizetype>(0, m_indent)));
    }

private:
    // The line as it stays (art at its ends blanks, empty where nothing is
    // seen), or false where it goes.
    static bool Keep(QString &line);

    qsizetype m_indent = -1;
    bool m_written = false;
    bool m_emptyWaits = false;
};

} // namespace TextOnly
