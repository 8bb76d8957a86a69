#pragma once
// The document's file: reading it with its character set found (or chosen),
// and writing the text back in the form it was read in. Failures are raised
// with the messages the window shows.

#include "platform/Errors.h"
#include "formats/FileFormat.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <memory>
#include <optional>

class TTextBuffer;

struct TDocumentFile
{
    QByteArray Text; // as the text control loads it
    TFileFormat Format;
};

// What is left of a large file read in pieces: File stands at the next byte
// of the text, which ends at End (the record of the art, if any, is in the
// format already). A file that grows meanwhile is read to the size it had.
struct TDocumentRest
{
    std::unique_ptr<QFile> File;
    qint64 End = 0;
};

namespace DocumentFile {

// "Cannot open file %s", for every way a file fails to be read.
EGlimraError CannotOpen(const QString &name);

// Reads name; charset, when given, is the set the user chose, else the set
// is found from the bytes. Raises "Cannot open file %s" when it cannot be read.
TDocumentFile Read(const QString &name, std::optional<TCharset> charset = std::nullopt);

// The same, but a large file in a set the control can take in pieces is
// read only to its first screens: Text holds them and rest the way on.
TDocumentFile ReadStart(const QString &name, std::optional<TCharset> charset, TDocumentRest &rest);

// Files up to this size are read at once; of larger ones, head bytes first.
void SetPieceSizes(qint64 atOnce, qint64 head);

// The bytes of an open document read again in another set.
TDocumentFile Reinterpret(const TTextBuffer &doc, const TFileFormat &format, TCharset charset);

// Writes the document through a temporary file renamed over the target, so a
// failure part way leaves the old file whole. Raises "Cannot create file %s".
void Write(const QString &name, const TTextBuffer &doc, const TFileFormat &format);

} // namespace DocumentFile
