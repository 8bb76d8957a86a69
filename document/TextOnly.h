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

namespace TextOnly {

// Box drawing, block and shade characters (and the code page's small square).
bool IsArt(QChar ch);

QStringList Filter(const QStringList &lines);

} // namespace TextOnly
