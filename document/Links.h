#pragma once
// Addresses in a line of text that a click can open: web, ftp and telnet
// addresses (http://, https://, ftp://, telnet://, and names that begin
// "www.") and e-mail addresses. Only these schemes are ever produced, so no
// other text (file:, javascript:) can be opened from the document.

#include <QList>
#include <QString>
#include <QStringView>

class TTextBuffer;

struct TLink
{
    qsizetype Start = 0; // characters of the line, [Start, End)
    qsizetype End = 0;
    QString Url;         // what opens: www. names get http://, e-mail mailto:

    bool operator==(const TLink &) const = default;
};

namespace Links {

// The addresses in one line. A ".", "," or other mark that ends a sentence
// is not part of an address, nor is a closing ")", "]", "}" or ">" unless
// the address opened it.
QList<TLink> Find(QStringView line);

// The addresses of the document line that holds [from, to), as document
// positions. Only a window of a long line around [from, to) is read, so
// finding them costs what painting the line costs.
QList<TLink> Near(const TTextBuffer &doc, qsizetype from, qsizetype to);

} // namespace Links
