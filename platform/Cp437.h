#pragma once
// The DOS code page 437: one display character for each of the 256 byte values,
// and the line-break rules by which file bytes become document text.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <optional>

namespace Cp437 {

// The character shown for a byte. TAB stays a tab; LF and CR stand for a line
// break and are never shown on their own.
char16_t ToUnicode(unsigned char byte);

// The byte that stands for a character, or nothing when code page 437 lacks it.
std::optional<unsigned char> FromUnicode(char32_t ch);

// Line breaks made CR LF: CR LF stays one break, a lone CR or LF becomes CR LF,
// so LF CR is two breaks. Every other byte passes unchanged.
QByteArray NormalizeLineBreaks(QByteArrayView bytes);

// File bytes to the text the text control holds (breaks as '\n').
QString Decode(QByteArrayView bytes);

// Text from the control (breaks as '\n', U+2029 or U+2028) to file bytes with
// CR LF breaks. A character the code page lacks becomes '?'.
QByteArray Encode(QStringView text);

// Text from elsewhere (typed, pasted, dropped) as the document will hold it:
// each character replaced by the display character of its byte.
QString Filter(QStringView text);

} // namespace Cp437
