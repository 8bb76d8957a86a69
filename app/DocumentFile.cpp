#include "app/DocumentFile.h"

#include "platform/Errors.h"
#include "platform/Memory.h"
#include "platform/SafeFile.h"
#include "formats/Sauce.h"
#include "document/TextBuffer.h"

#include <QFileInfo>
#include <QLocale>

#include <QSaveFile>

#include <limits>

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
    // A picture's bytes are cells, whatever set they look like.
    if (!charset && FileFormat::IsPicture(name, bytes))
        charset = TCharset::csCp437;
    file.Format = charset ? FileFormat::ForCharset(*charset, bytes) : FileFormat::Detect(bytes);
    file.Text = FileFormat::ToDocument(std::move(bytes), file.Format);
    FileFormat::DetectArt(file.Format, name, file.Text, charset.has_value());
    return file;
}

} // namespace

EGlimraError CannotCreate(const QString &name, const QString &reason)
{
    return EGlimraError(QStringLiteral("Cannot create file %1").arg(name), reason);
}

EGlimraError CannotCreate(const QString &name, const QFileDevice &file)
{
    // A write cut short by a limit can leave the device without an error.
    return CannotCreate(name, file.error() != QFileDevice::NoError ? file.errorString()
                                                                    : QStringLiteral("the data could not be written"));
}

bool WriteConverted(const QString &name, const TTextBuffer &doc, const FileFormat::TConversion &conversion,
                    const FileFormat::TStep &progress)
{
    QSaveFile file(name);
    bool stopped = false;
    const bool written = file.open(QIODevice::WriteOnly)
                         && FileFormat::WriteConverted(doc, conversion, file, [&](qint64 done, qint64 total) {
                                stopped = progress && !progress(done, total);
                                return !stopped;
                            });
    if (stopped)
        return false;
    if (!written || !CommitToDisk(file))
        throw CannotCreate(name, file);
    return true;
}

void WriteBytes(const QString &name, const QByteArray &bytes)
{
    QSaveFile file(name);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !CommitToDisk(file))
        throw CannotCreate(name, file);
}

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

TDocumentFile FromBytes(QByteArray bytes, const QString &name, std::optional<TCharset> charset)
{
    CheckRoom(name, bytes.size());
    return Decode(std::move(bytes), charset, name);
}

TDocumentFile Open(const QString &name, std::optional<TCharset> charset)
{
    const QFileInfo info(name);
    // FIFOs and devices, and files small enough, are read whole as before.
    if (!info.isFile() || info.size() <= gAtOnce)
        return Read(name, charset);
    std::shared_ptr<TSourceFile> file = TSourceFile::Open(name);
    if (!file)
        throw CannotOpen(name);
    return OpenSource(std::move(file), name, charset);
}

TDocumentFile OpenSource(std::shared_ptr<TSourceFile> file, const QString &name, std::optional<TCharset> charset)
{
    const qint64 size = file->Size();
    // The set from the first bytes, the record from the last.
    QByteArray head(qsizetype(std::min(size, std::max(gHead, qint64(16)))), Qt::Uninitialized);
    const qint64 reach = std::min<qint64>(size, 1 + 5 + 255 * Sauce::kCommentSize + Sauce::kRecordSize);
    QByteArray end(qsizetype(reach), Qt::Uninitialized);
    if (file->Read(0, head.data(), head.size()) != TSourceFile::TState::Intact
        || file->Read(size - reach, end.data(), reach) != TSourceFile::TState::Intact)
        throw CannotOpen(name);
    TDocumentFile start;
    start.Format = charset ? FileFormat::ForCharset(*charset, head) : FileFormat::Detect(head);
    const TDecodedSource::TShape shape = FileFormat::Shape(start.Format, size, end);
    FileFormat::DetectArt(start.Format, name, head, charset.has_value());
    if (start.Format.Art != TArtKind::akText) {
        // Art is drawn from all of its bytes.
        CheckRoom(name, size);
        QByteArray bytes(qsizetype(size), Qt::Uninitialized);
        if (file->Read(0, bytes.data(), size) != TSourceFile::TState::Intact)
            throw CannotOpen(name);
        return Decode(std::move(bytes), charset, name);
    }
    start.Source = std::make_shared<TDecodedSource>(std::move(file), shape);
    return start;
}

TDocumentFile Reinterpret(const TTextBuffer &doc, const TFileFormat &format, TCharset charset)
{
    return Decode(FileFormat::ToFile(doc, format), charset, QString());
}

void Write(const QString &name, const TTextBuffer &doc, const TFileFormat &format,
           const std::function<void(qint64, qint64)> &progress)
{
    // What the text is read from must be the file as it was read: a file
    // changed in place since would give other bytes.
    const auto damaged = [&doc] {
        return doc.Source() && doc.Source()->Check() != TSourceFile::TState::Intact;
    };
    const auto cannotRead = [&doc] {
        return EGlimraError(QStringLiteral("Cannot save: %1 changed on disk or could not be read while it was open")
                                .arg(doc.Source()->File()->Path()));
    };
    if (damaged())
        throw cannotRead();
    QSaveFile file(name);
    TWriteBehind behind(file);
    const auto step = [&](qint64 done, qint64 total) {
        behind.Step();
        if (progress)
            progress(done, total);
    };
    const bool written = file.open(QIODevice::WriteOnly) && FileFormat::Write(doc, format, file, step);
    if (damaged()) {
        file.cancelWriting();
        throw cannotRead();
    }
    if (!written || !CommitToDisk(file))
        throw CannotCreate(name, file);
    // Our own save is no change on disk to tell about.
    if (doc.Source()) {
        if (const std::optional<TSourceFile::TIdentity> saved = TSourceFile::IdentityOf(name))
            doc.Source()->Watch(name, *saved);
    }
}

} // namespace DocumentFile
