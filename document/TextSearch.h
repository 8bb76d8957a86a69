#pragma once
// Searching the document text as the text control's find operation does:
// forward, without regard to letter case, not limited to whole words.

#include "document/Charset.h"

#include <QByteArrayView>
#include <QStringView>

#include <functional>

class TTextBuffer;

namespace TextSearch {

// The character a character compares as. Letter case is folded on the
// characters the user sees: ASCII and the display characters of code page 437
// (so 0x84 'ä' and 0x8E 'Ä' match). Every line-break character compares as
// '\n', so the text may come with '\n', U+2028 or U+2029 breaks. Any other
// character compares as itself.
char16_t Fold(char16_t ch);

// The index of the first occurrence of what in text at or after from, or -1.
// An empty what is never found.
qsizetype FindText(QStringView text, QStringView what, qsizetype from = 0);

// The same search over document bytes (code page 437, breaks as '\n'), in
// place. A character of what that the code page lacks is never found.
qsizetype FindBytes(QByteArrayView text, QStringView what, qsizetype from = 0);

// The search over a document's bytes in its character set, by characters:
// the match's length in bytes goes to length. Code page 437 takes FindBytes;
// the Unicode sets take a byte search when what is ASCII, since ASCII bytes
// never occur inside a longer sequence.
qsizetype FindInDocument(QByteArrayView text, TCharset charset, QStringView what, qsizetype from,
                         qsizetype *length);

// The same search over a whole document, with no copy of it: run by run as
// the document holds its bytes, a match across two runs found in a short join
// of their ends. progress, when given, is called with the position reached
// after every few megabytes and once at the end, where it may wait for the
// document to grow (a file still being scanned); it returns false to stop the
// search (-1). It may let the document grow at its end, never edit it.
qsizetype FindInBuffer(const TTextBuffer &doc, QStringView what, qsizetype from, qsizetype *length,
                       const std::function<bool(qsizetype)> &progress = {});

// Where Find Next starts: just after a selection of one or more characters,
// else at the beginning; the caret alone does not count.
qsizetype FindStart(qsizetype selStart, qsizetype selLength);

} // namespace TextSearch
