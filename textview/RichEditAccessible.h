#pragma once
// What screen readers see of the text control: its text, caret and selection.

#include <QtGlobal>

#include <algorithm>
#include <limits>

// Registers the accessible face of every TRichEdit; safe to call often.
void InstallRichEditAccessible();

// Qt counts accessible offsets in int: past that, a document is told up to there.
inline int AccessibleOffset(qsizetype pos)
{
    return int(std::min<qsizetype>(pos, std::numeric_limits<int>::max()));
}
