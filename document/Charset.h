#pragma once
// The character sets a document can be read in, and how each turns the bytes
// the text control holds into characters and back. Single-byte sets hold one
// byte per character. The Unicode sets hold UTF-8 inside (a UTF-16 file is
// converted on load and back on save); a byte that starts no valid sequence is
// a character of its own, shown as U+FFFD and kept as it is.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

enum class TCharset { csCp437, csUtf8, csUtf16, csWindows1252 };

namespace Charset {

inline bool IsSingleByte(TCharset cs)
{
    return cs == TCharset::csCp437 || cs == TCharset::csWindows1252;
}

// The character at p (n > 0 bytes available): its length in bytes (1 to 4)
// and in shown the character drawn for it. Control characters other than tab
// and line breaks show as the code page's pictures in every set, so art
// converted to Unicode draws as it did; NUL shows as 0, an empty cell.
int Decode(TCharset cs, const unsigned char *p, qsizetype n, char32_t *shown);

// The character as text (for the clipboard and screen readers): the shown
// character in the single-byte sets, the real one in the Unicode sets.
char32_t TextChar(TCharset cs, const unsigned char *p, qsizetype n, int *length);

// Text from elsewhere (typed, pasted, dropped) as document bytes: every line
// break one '\n'; a character a single-byte set lacks becomes '?'.
QByteArray Encode(TCharset cs, QStringView text);

// Appends a character in UTF-8 (a surrogate in its three-byte form).
void AppendUtf8(QByteArray &out, char32_t ch);

// Document bytes as text, breaks as '\n'.
QString ToText(TCharset cs, QByteArrayView bytes);

// The cells a character takes: two for the wide characters of East Asian
// scripts and emoji, as a terminal draws them, else one.
int Width(char32_t ch);

// A byte inside a UTF-8 sequence, never the start of a character.
inline bool IsContinuation(unsigned char b)
{
    return (b & 0xC0) == 0x80;
}

} // namespace Charset
