#include "packs/PackReader.h"

#include "document/DecodedSource.h"
#include "document/PrivateCopy.h"
#include "platform/Cp437.h"
#include "platform/Memory.h"

#include <QDir>
#include <QLocale>
#include <QMutex>
#include <QStringDecoder>

#include <archive.h>
#include <archive_entry.h>

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {

constexpr qint64 kReadBytes = 256 << 10;   // read from the source at once
constexpr qint64 kChunk = 64 << 10;        // expanded at once
constexpr qint64 kMemoryCheck = 4 << 20;   // anonymous memory looked at after this many bytes
constexpr qsizetype kNameLength = 1024;

QMutex gBoundsLock;
TPackBounds gBounds;

QString Size(qint64 bytes)
{
    return QLocale::c().formattedDataSize(bytes, 0, QLocale::DataSizeTraditionalFormat);
}

QString Encrypted()
{
    return QStringLiteral("Encrypted: cannot be read");
}

// What the library says went wrong, as a reason.
QString Damaged(struct archive *a)
{
    const char *text = a ? archive_error_string(a) : nullptr;
    return QStringLiteral("Damaged: %1").arg(text ? QString::fromLocal8Bit(text) : QStringLiteral("cannot be read"));
}

bool EncryptedEntry(struct archive_entry *entry)
{
    return archive_entry_is_data_encrypted(entry) > 0 || archive_entry_is_metadata_encrypted(entry) > 0;
}

QString NameOf(struct archive_entry *entry)
{
    // The stored bytes where the library has them, so that a DOS pack's
    // names are read as code page 437 whatever the locale.
    if (const char *raw = archive_entry_pathname(entry))
        return TPackReader::DecodeName(raw);
    if (const char *utf8 = archive_entry_pathname_utf8(entry))
        return TPackReader::DecodeName(utf8);
    if (const wchar_t *wide = archive_entry_pathname_w(entry))
        return TPackReader::DecodeName(QString::fromWCharArray(wide).toUtf8());
    return QString();
}

bool WriteAll(int fd, const char *data, qint64 n)
{
    while (n > 0) {
        const ssize_t done = ::write(fd, data, size_t(n));
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0)
            return false;
        data += done;
        n -= done;
    }
    return true;
}

} // namespace

// ---- Sources ----

std::shared_ptr<const TPackSource> TPackSource::Open(const QString &path)
{
    std::shared_ptr<TSourceFile> file = TSourceFile::Open(path);
    return file ? FromFile(std::move(file)) : nullptr;
}

std::shared_ptr<const TPackSource> TPackSource::FromBytes(QByteArray bytes)
{
    auto source = std::make_shared<TPackSource>();
    source->m_bytes = std::move(bytes);
    return source;
}

std::shared_ptr<const TPackSource> TPackSource::FromFile(std::shared_ptr<TSourceFile> file)
{
    auto source = std::make_shared<TPackSource>();
    source->m_file = std::move(file);
    return source;
}

qint64 TPackSource::Size() const
{
    return m_file ? m_file->Size() : m_bytes.size();
}

qint64 TPackSource::ReadAt(qint64 offset, char *to, qint64 n) const
{
    n = std::clamp<qint64>(Size() - offset, 0, n);
    if (n == 0)
        return 0;
    if (!m_file) {
        std::memcpy(to, m_bytes.constData() + offset, size_t(n));
        return n;
    }
    return m_file->Read(offset, to, n) == TSourceFile::TState::Intact ? n : -1;
}

// ---- Bounds and names ----

void TPackReader::SetBounds(const TPackBounds &bounds)
{
    QMutexLocker lock(&gBoundsLock);
    gBounds = bounds;
}

TPackBounds TPackReader::Bounds()
{
    QMutexLocker lock(&gBoundsLock);
    return gBounds;
}

QString TPackReader::DecodeName(QByteArrayView stored)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString name = utf8.decode(stored);
    if (utf8.hasError()) {
        name.clear();
        for (const char byte : stored)
            name += QChar(Cp437::ToUnicode(quint8(byte)));
    }
    if (name.size() > kNameLength)
        name.truncate(kNameLength);
    for (QChar &ch : name) {
        if (ch == u'\\')
            ch = u'/';
        else if (ch.category() == QChar::Other_Control)
            ch = QChar(0xFFFD);
    }
    while (name.startsWith(QLatin1String("./")))
        name.remove(0, 2);
    return name;
}

// ---- Reading ----

TPackReader::TPackReader(std::shared_ptr<const TPackSource> source, bool streamed)
    : m_source(std::move(source)), m_streamed(streamed)
{
}

TPackReader::~TPackReader()
{
    End();
}

bool TPackReader::Begin(bool streamedOnly)
{
    End();
    m_archive = archive_read_new();
    // The decoders of the library itself; none that runs another program.
    archive_read_support_filter_gzip(m_archive);
    archive_read_support_filter_bzip2(m_archive);
    archive_read_support_filter_xz(m_archive);
    archive_read_support_filter_lzma(m_archive);
    archive_read_support_filter_lzip(m_archive);
    archive_read_support_filter_zstd(m_archive);
    archive_read_support_filter_compress(m_archive);
    if (streamedOnly) {
        archive_read_support_format_zip_streamable(m_archive);
    } else {
        // Not mtree, whose entries name files on this machine to read.
        archive_read_support_format_zip(m_archive);
        archive_read_support_format_7zip(m_archive);
        archive_read_support_format_rar(m_archive);
        archive_read_support_format_rar5(m_archive);
        archive_read_support_format_tar(m_archive);
        archive_read_support_format_lha(m_archive);
        archive_read_support_format_cab(m_archive);
        archive_read_support_format_iso9660(m_archive);
        archive_read_support_format_cpio(m_archive);
    }
    m_offset = 0;
    m_next = 0;
    m_expanded = 0;
    m_failed = false;
    m_memoryAtStart = AnonymousMemory();
    archive_read_set_callback_data(m_archive, this);
    archive_read_set_read_callback(m_archive, [](struct archive *a, void *data, const void **buffer) -> la_ssize_t {
        auto *self = static_cast<TPackReader *>(data);
        self->m_buffer.resize(kReadBytes);
        const qint64 n = self->m_source->ReadAt(self->m_offset, self->m_buffer.data(), kReadBytes);
        if (n < 0) {
            self->m_failed = true;
            archive_set_error(a, EIO, "the pack changed on disk or could not be read");
            return ARCHIVE_FATAL;
        }
        self->m_offset += n;
        *buffer = self->m_buffer.constData();
        return la_ssize_t(n);
    });
    archive_read_set_seek_callback(m_archive, [](struct archive *, void *data, la_int64_t offset, int whence) -> la_int64_t {
        auto *self = static_cast<TPackReader *>(data);
        const qint64 base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? self->m_offset : self->m_source->Size();
        const qint64 to = base + offset;
        if (to < 0)
            return ARCHIVE_FATAL;
        self->m_offset = std::min(to, self->m_source->Size());
        return self->m_offset;
    });
    archive_read_set_skip_callback(m_archive, [](struct archive *, void *data, la_int64_t request) -> la_int64_t {
        auto *self = static_cast<TPackReader *>(data);
        const qint64 skipped = std::clamp<qint64>(self->m_source->Size() - self->m_offset, 0, request);
        self->m_offset += skipped;
        return skipped;
    });
    return archive_read_open1(m_archive) == ARCHIVE_OK;
}

void TPackReader::End()
{
    if (m_archive)
        archive_read_free(m_archive);
    m_archive = nullptr;
}

bool TPackReader::Expands(bool seeking) const
{
    // A 7z is listed from its directory without expanding anything; only
    // reaching an entry of a solid one expands those before it.
    const int format = archive_format(m_archive) & ARCHIVE_FORMAT_BASE_MASK;
    return archive_filter_count(m_archive) > 1 || m_streamed || format == ARCHIVE_FORMAT_RAR
        || format == ARCHIVE_FORMAT_RAR_V5 || (seeking && format == ARCHIVE_FORMAT_7ZIP);
}

QString TPackReader::CheckBounds()
{
    const TPackBounds bounds = Bounds();
    if (m_expanded > bounds.Expansion)
        return QStringLiteral("Too large: it expands past %1").arg(Size(bounds.Expansion));
    const qint64 memory = AnonymousMemory();
    if (m_memoryAtStart >= 0 && memory - m_memoryAtStart > bounds.Growth)
        return QStringLiteral("Too large: expanding it takes more than %1 of memory").arg(Size(bounds.Growth));
    return QString();
}

QString TPackReader::Pass(TPackProgress *progress)
{
    QByteArray scratch(kChunk, Qt::Uninitialized);
    qint64 sinceCheck = 0;
    for (;;) {
        const la_ssize_t n = archive_read_data(m_archive, scratch.data(), size_t(scratch.size()));
        if (n == 0)
            return QString();
        if (n < 0)
            return Damaged(m_archive);
        m_expanded += n;
        sinceCheck += n;
        if (progress && progress->Stop)
            return QStringLiteral("Stopped");
        if (sinceCheck >= kMemoryCheck) {
            sinceCheck = 0;
            if (const QString bound = CheckBounds(); !bound.isEmpty())
                return bound;
        }
    }
}

TPackListing TPackReader::List(TPackProgress *progress)
{
    TPackListing listing;
    listing.Streamed = m_streamed;
    const TPackBounds bounds = Bounds();
    if (progress)
        progress->Total = m_source->Size();
    if (!Begin(m_streamed)) {
        listing.Damage = Damaged(m_archive);
    } else {
        for (;;) {
            struct archive_entry *entry = nullptr;
            const int result = archive_read_next_header(m_archive, &entry);
            if (result == ARCHIVE_EOF)
                break;
            if (result == ARCHIVE_FATAL) {
                listing.Damage = archive_read_has_encrypted_entries(m_archive) > 0 ? Encrypted() : Damaged(m_archive);
                break;
            }
            ++m_next;
            if (progress) {
                progress->Done = m_offset;
                if (progress->Stop) {
                    listing.Stopped = true;
                    break;
                }
            }
            const bool whole = result == ARCHIVE_OK || result == ARCHIVE_WARN;
            if (whole && archive_entry_filetype(entry) == AE_IFREG && !archive_entry_hardlink(entry)) {
                TPackEntry found;
                found.Name = NameOf(entry);
                found.Size = archive_entry_size_is_set(entry) ? archive_entry_size(entry) : -1;
                found.Ordinal = m_next - 1;
                found.Encrypted = EncryptedEntry(entry);
                if (!found.Name.isEmpty() && !found.Name.endsWith(u'/'))
                    listing.Entries.append(found);
            }
            // Headers that are no files count too: a pack of countless folders.
            if (listing.Entries.size() >= bounds.Entries || m_next >= 2 * bounds.Entries) {
                listing.Cut = true;
                break;
            }
            if (whole && Expands(false) && !EncryptedEntry(entry)) {
                const QString failure = Pass(progress);
                if (failure == QLatin1String("Stopped")) {
                    listing.Stopped = true;
                    break;
                }
                if (!failure.isEmpty()) {
                    listing.Damage = failure;
                    break;
                }
            }
        }
    }
    End();
    // A zip whose directory at its end is damaged or cut off: its entries
    // read from its start, as far as they go.
    if (!m_streamed && listing.Entries.isEmpty() && !listing.Damage.isEmpty() && !listing.Stopped) {
        char magic[2] = {};
        if (m_source->ReadAt(0, magic, 2) == 2 && magic[0] == 'P' && magic[1] == 'K') {
            m_streamed = true;
            TPackListing streamed = List(progress);
            if (!streamed.Entries.isEmpty())
                return streamed;
            m_streamed = false;
        }
    }
    return listing;
}

QString TPackReader::Seek(const TPackEntry &entry, TPackProgress *progress)
{
    if (!m_archive || entry.Ordinal < m_next) {
        if (!Begin(m_streamed)) {
            const QString failure = Damaged(m_archive);
            End();
            return failure;
        }
    }
    m_expanded = 0;
    m_memoryAtStart = AnonymousMemory();
    for (;;) {
        struct archive_entry *header = nullptr;
        const int result = archive_read_next_header(m_archive, &header);
        if (result == ARCHIVE_EOF || result == ARCHIVE_FATAL) {
            const QString failure = result == ARCHIVE_EOF ? QStringLiteral("Damaged: the pack changed since it was listed")
                                                          : Damaged(m_archive);
            End();
            return failure;
        }
        const qsizetype ordinal = m_next++;
        const bool whole = result == ARCHIVE_OK || result == ARCHIVE_WARN;
        if (ordinal == entry.Ordinal) {
            if (!whole)
                return Damaged(m_archive);
            if (NameOf(header) != entry.Name)
                return QStringLiteral("Damaged: the pack changed since it was listed");
            return EncryptedEntry(header) ? Encrypted() : QString();
        }
        if (whole && Expands(true) && !EncryptedEntry(header)) {
            const QString failure = Pass(progress);
            if (!failure.isEmpty()) {
                End();
                return failure;
            }
        }
    }
}

TEntryData TPackReader::Read(const TPackEntry &entry, TPackProgress *progress)
{
    TEntryData data;
    const TPackBounds bounds = Bounds();
    const auto tooLarge = [&bounds] { return QStringLiteral("Too large: it expands past %1").arg(Size(bounds.Largest)); };
    if (entry.Encrypted) {
        data.Error = Encrypted();
        return data;
    }
    if (entry.Size > bounds.Largest) {
        data.Error = tooLarge();
        return data;
    }
    data.Error = Seek(entry, progress);
    if (!data.Error.isEmpty())
        return data;
    if (progress)
        progress->Total = std::max<qint64>(entry.Size, 0);
    int fd = -1;
    qint64 total = 0, sinceCheck = 0;
    QByteArray chunk(kChunk, Qt::Uninitialized);
    const auto fail = [&](const QString &error) {
        if (fd >= 0)
            ::close(fd);
        End(); // what comes next is read from the start
        TEntryData failed;
        failed.Error = error;
        failed.Stopped = error == QLatin1String("Stopped");
        return failed;
    };
    for (;;) {
        const la_ssize_t n = archive_read_data(m_archive, chunk.data(), size_t(chunk.size()));
        if (n == 0)
            break;
        if (n < 0)
            return fail(m_failed ? QStringLiteral("Damaged: the pack changed on disk or could not be read") : Damaged(m_archive));
        total += n;
        sinceCheck += n;
        if (total > bounds.Largest)
            return fail(tooLarge());
        if (progress) {
            progress->Done = total;
            if (progress->Stop)
                return fail(QStringLiteral("Stopped"));
        }
        if (sinceCheck >= kMemoryCheck) {
            sinceCheck = 0;
            if (const QString bound = CheckBounds(); !bound.isEmpty())
                return fail(bound);
        }
        if (fd < 0 && total <= bounds.InMemory) {
            data.Bytes.append(chunk.constData(), n);
            continue;
        }
        if (fd < 0) {
            // Large: into a file of ours that no name reaches, never one the pack names.
            const QString folder = TDecodedSource::CopyFolder();
            QDir().mkpath(folder);
            fd = TPrivateCopy::UnnamedFile(folder);
            if (fd < 0 || !WriteAll(fd, data.Bytes.constData(), data.Bytes.size()))
                return fail(QStringLiteral("Cannot unpack into %1: %2").arg(folder, QString::fromLocal8Bit(std::strerror(errno))));
            data.Bytes = QByteArray();
        }
        if (!WriteAll(fd, chunk.constData(), n))
            return fail(QStringLiteral("Cannot unpack into %1: %2")
                            .arg(TDecodedSource::CopyFolder(), QString::fromLocal8Bit(std::strerror(errno))));
    }
    if (fd >= 0) {
        data.File = TSourceFile::Adopt(fd, entry.Name);
        if (!data.File)
            data.Error = QStringLiteral("Cannot unpack into %1").arg(TDecodedSource::CopyFolder());
    }
    return data;
}

TEntryHead TPackReader::Head(const TPackEntry &entry, qsizetype head, qsizetype tail, qint64 scan)
{
    TEntryHead result;
    if (entry.Encrypted) {
        result.Error = Encrypted();
        return result;
    }
    result.Error = Seek(entry, nullptr);
    if (!result.Error.isEmpty())
        return result;
    const bool toEnd = entry.Size >= 0 && entry.Size <= scan;
    QByteArray chunk(kChunk, Qt::Uninitialized);
    qint64 total = 0;
    for (;;) {
        const la_ssize_t n = archive_read_data(m_archive, chunk.data(), size_t(chunk.size()));
        if (n < 0) {
            result.Error = Damaged(m_archive);
            End();
            return result;
        }
        if (n == 0)
            break;
        total += n;
        if (result.Head.size() < head)
            result.Head.append(chunk.constData(), std::min<qsizetype>(n, head - result.Head.size()));
        if (!toEnd && result.Head.size() >= head) {
            result.Cut = true;
            return result; // the rest is passed by the next header
        }
        if (toEnd) {
            result.Tail.append(chunk.constData(), n);
            if (result.Tail.size() > tail)
                result.Tail.remove(0, result.Tail.size() - tail);
            if (total > scan) { // the pack said less than it holds
                result.Tail.clear();
                result.Cut = true;
                return result;
            }
        }
    }
    result.Cut = total > result.Head.size();
    if (!result.Cut)
        result.Tail.clear(); // the head holds it all
    return result;
}
