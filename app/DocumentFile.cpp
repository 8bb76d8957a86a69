#include "app/DocumentFile.h"

#include "platform/Errors.h"
#include "platform/Memory.h"
#include "platform/SafeFile.h"
#include "formats/Sauce.h"
#include "document/TextBuffer.h"

#include <QFileInfo>
#include <QLocale>

#include <limits>

#include <QSaveFile>

namespace DocumentFile {
namespace {

// A file that cannot be held is refused before anything is read, so the
// document on screen stays as it was.
void CheckRoom(const QString &name, qint64 size)
{
    const qint64 available = AvailableMemory();
    if (available >= 0 && DocumentMemory(size) > available)
        throw EGlimraError(QStringLiteral("File %1 is too large to open (%2; %3 of memory is free)")
                               .arg(name, QLocale().formattedDataSize(size), QLocale().formattedDataSize(available)));
}

// What a file that is read at once (one not regular, or a small one) may
// grow to while it is read.
qint64 ReadLimit()
{
    const qint64 available = AvailableMemory();
    return available < 0 ? std::numeric_limits<qsizetype>::max() / 2 : available / 9 * 8;
}

TDocumentFile Decode(QByteArray bytes, std::optional<TCharset> charset, const QString &name)
{
    TDocumentFile file;
    file.Format = charset ? FileFormat::ForCharset(*charset, bytes) : FileFormat::Detect(bytes);
    file.Text = FileFormat::ToDocument(std::move(bytes), file.Format);
    FileFormat::DetectArt(file.Format, name, file.Text, charset.has_value());
    return file;
}

} // namespace

EGlimraError CannotOpen(const QString &name)
{
    return EGlimraError(QStringLiteral("Cannot open file %1").arg(name), ReadFailureReason(name));
}

TDocumentFile Read(const QString &name, std::optional<TCharset> charset)
{
    QByteArray bytes;
    CheckRoom(name, QFileInfo(name).size());
    const qint64 limit = ReadLimit();
    switch (ReadRegularFile(name, limit, &bytes)) {
    case TReadResult::trOk:
        break;
    case TReadResult::trTooLarge:
        CheckRoom(name, std::max(limit + 1, QFileInfo(name).size()));
        throw CannotOpen(name);
    case TReadResult::trCannotOpen:
        throw CannotOpen(name);
    }
    return Decode(std::move(bytes), charset, name);
}

namespace {

qint64 gAtOnce = 8 << 20;
qint64 gHead = 1 << 20;

} // namespace

void SetPieceSizes(qint64 atOnce, qint64 head)
{
    gAtOnce = atOnce;
    gHead = head;
}

TDocumentFile ReadStart(const QString &name, std::optional<TCharset> charset, TDocumentRest &rest)
{
    rest = {};
    const QFileInfo info(name);
    // FIFOs and devices, and files small enough, are read whole as before.
    if (!info.isFile() || info.size() <= gAtOnce)
        return Read(name, charset);
    CheckRoom(name, info.size());
    auto file = std::make_unique<QFile>(name);
    if (!file->open(QIODevice::ReadOnly))
        throw CannotOpen(name);
    const qint64 size = file->size();
    QByteArray head = file->read(std::min(size, gHead));
    const qint64 reach = std::min<qint64>(size, 1 + 5 + 255 * Sauce::kCommentSize + Sauce::kRecordSize);
    QByteArray end;
    if (head.size() == std::min(size, gHead) && file->seek(size - reach))
        end = file->read(reach);
    if (end.size() != reach || !file->seek(head.size()))
        throw CannotOpen(name);
    TDocumentFile start;
    start.Format = charset ? FileFormat::ForCharset(*charset, head) : FileFormat::Detect(head);
    if (start.Format.Charset == TCharset::csUtf16)
        return Read(name, charset); // converted as a whole
    const qsizetype tail = Sauce::TailLength(end);
    start.Format.Tail = end.last(tail);
    FileFormat::DetectArt(start.Format, name, head, charset.has_value());
    if (start.Format.Art != TArtKind::akText)
        return Read(name, charset); // art is drawn from all of its bytes
    rest.End = size - tail;
    head.truncate(qsizetype(std::min<qint64>(head.size(), rest.End)));
    start.Text = FileFormat::StartOfDocument(std::move(head), start.Format);
    rest.File = std::move(file);
    return start;
}

TDocumentFile Reinterpret(const TTextBuffer &doc, const TFileFormat &format, TCharset charset)
{
    return Decode(FileFormat::ToFile(doc, format), charset, QString());
}

void Write(const QString &name, const TTextBuffer &doc, const TFileFormat &format)
{
    const QByteArray bytes = FileFormat::ToFile(doc, format);
    QSaveFile file(name);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !CommitToDisk(file))
        throw EGlimraError(QStringLiteral("Cannot create file %1").arg(name), file.errorString());
}

} // namespace DocumentFile
