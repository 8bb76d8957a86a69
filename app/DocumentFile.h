#pragma once
// The document's file: reading it with its character set found (or chosen),
// and writing the text back in the form it was read in. Failures are raised
// with the messages the window shows.

#include "textview/FileFormat.h"

#include <QByteArray>
#include <QString>

#include <optional>

class TTextBuffer;

struct TDocumentFile
{
    QByteArray Text; // as the text control loads it
    TFileFormat Format;
};

namespace DocumentFile {

// Reads name; charset, when given, is the set the user chose, else the set
// is found from the bytes. Raises "Cannot open file %s" when it cannot be read.
TDocumentFile Read(const QString &name, std::optional<TCharset> charset = std::nullopt);

// The bytes of an open document read again in another set.
TDocumentFile Reinterpret(const TTextBuffer &doc, const TFileFormat &format, TCharset charset);

// Writes the document through a temporary file renamed over the target, so a
// failure part way leaves the old file whole. Raises "Cannot create file %s".
void Write(const QString &name, const TTextBuffer &doc, const TFileFormat &format);

} // namespace DocumentFile
