#pragma once
// The document's file: reading it with its character set found (or chosen),
// and writing the text back in the form it was read in. Failures are raised
// with the messages the window shows.

#include "platform/Errors.h"
#include "formats/FileFormat.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QFileDevice;
class TTextBuffer;

struct TDocumentFile
{
    QByteArray Text; // as the text control loads it
    TFileFormat Format;
    // A large file is not read in: its text is read on demand from here,
    // once a scan has found its blocks and lines.
    std::shared_ptr<TDecodedSource> Source;
};

namespace DocumentFile {

// "Cannot open file %s", for every way a file fails to be read.
EGlimraError CannotOpen(const QString &name);
// "Cannot create file %s", for every way a file fails to be written, with
// the system's reason (the file's own error where it has one).
EGlimraError CannotCreate(const QString &name, const QString &reason);
EGlimraError CannotCreate(const QString &name, const QFileDevice &file);
// The document converted to another set through a temporary file renamed
// over name; false when progress stopped it (nothing written), and raises
// CannotCreate when a write failed.
bool WriteConverted(const QString &name, const TTextBuffer &doc, const FileFormat::TConversion &conversion,
                    const FileFormat::TStep &progress);
// Writes bytes through a temporary file renamed over name; raises
// CannotCreate with the reason when that fails, the old file left whole.
void WriteBytes(const QString &name, const QByteArray &bytes);

// Reads name whole; charset, when given, is the set the user chose, else the
// set is found from the bytes. Raises "Cannot open file %s" when it cannot be
// read, and "File %s is too large to open" when memory cannot hold it.
TDocumentFile Read(const QString &name, std::optional<TCharset> charset = std::nullopt);

// Opens name as the window does: a small file, or one that is not a regular
// file, is read whole (simpler, and it never changes under the document); a
// larger one is left on disk, Source set, only its start and its record read.
TDocumentFile Open(const QString &name, std::optional<TCharset> charset = std::nullopt);

// A file's bytes held already (an entry of a pack), read as Read reads a
// file; name gives the kind of art its extension tells.
TDocumentFile FromBytes(QByteArray bytes, const QString &name, std::optional<TCharset> charset = std::nullopt);
// A large file open already (an entry of a pack unpacked into our cache),
// shown as Open shows a large file: read on demand, art read whole.
TDocumentFile OpenSource(std::shared_ptr<TSourceFile> file, const QString &name,
                         std::optional<TCharset> charset = std::nullopt);

// Files up to atOnce bytes are read whole; the set of a larger one is found
// from its first head bytes.
void SetPieceSizes(qint64 atOnce, qint64 head);

// The bytes of an open document read again in another set.
TDocumentFile Reinterpret(const TTextBuffer &doc, const TFileFormat &format, TCharset charset);

// Writes the document through a temporary file renamed over the target, so a
// failure part way leaves the old file whole; the text is read run by run,
// never copied whole. progress is told the bytes of the text written and all
// of them. Raises "Cannot create file %s", or a message of its own when the
// file the text is read from changed or failed.
void Write(const QString &name, const TTextBuffer &doc, const TFileFormat &format,
           const std::function<void(qint64, qint64)> &progress = {});

} // namespace DocumentFile
