#include "app/DocumentFile.h"

#include "platform/Errors.h"
#include "platform/SafeFile.h"
#include "textview/TextBuffer.h"

#include <QSaveFile>

namespace DocumentFile {
namespace {

// Larger files would not fit the text control's character index.
constexpr qint64 kMaxDocumentBytes = qint64(1) << 30;

TDocumentFile Decode(QByteArray bytes, std::optional<TCharset> charset)
{
    TDocumentFile file;
    file.Format = charset ? FileFormat::ForCharset(*charset, bytes) : FileFormat::Detect(bytes);
    file.Text = FileFormat::ToDocument(std::move(bytes), file.Format);
    return file;
}

} // namespace

TDocumentFile Read(const QString &name, std::optional<TCharset> charset)
{
    QByteArray bytes;
    switch (ReadRegularFile(name, kMaxDocumentBytes, &bytes)) {
    case TReadResult::trOk:
        break;
    case TReadResult::trTooLarge:
        throw EGlimraError(QStringLiteral("Cannot open file %1: it is larger than 1 GB").arg(name));
    case TReadResult::trCannotOpen:
        throw EGlimraError(QStringLiteral("Cannot open file %1").arg(name));
    }
    return Decode(std::move(bytes), charset);
}

TDocumentFile Reinterpret(const TTextBuffer &doc, const TFileFormat &format, TCharset charset)
{
    return Decode(FileFormat::ToFile(doc, format), charset);
}

void Write(const QString &name, const TTextBuffer &doc, const TFileFormat &format)
{
    const QByteArray bytes = FileFormat::ToFile(doc, format);
    QSaveFile file(name);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !CommitToDisk(file))
        throw EGlimraError(QStringLiteral("Cannot create file %1").arg(name));
}

} // namespace DocumentFile
