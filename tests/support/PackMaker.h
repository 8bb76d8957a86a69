#pragma once
// Packs made in code for the tests, the benchmark and the fuzzer's seeds:
// libarchive writes them into memory.

#include <QByteArray>
#include <QList>
#include <QString>

#include <archive.h>
#include <archive_entry.h>

namespace PackMaker {

struct TItem
{
    QByteArray Name;
    QByteArray Bytes;
    qint64 Zeros = 0;     // that many zero bytes after Bytes (a bomb, without holding it)
    QByteArray LinkTo;    // a symbolic link to this, instead of a file
    bool Folder = false;
};

// format: "zip", "tar.gz", "tar.xz", "7z"; with a passphrase, a zip's entries
// are encrypted.
inline QByteArray Make(const QString &format, const QList<TItem> &items, const char *passphrase = nullptr)
{
    QByteArray out;
    struct archive *a = archive_write_new();
    if (format == QLatin1String("zip")) {
        archive_write_set_format_zip(a);
        if (passphrase) {
            archive_write_set_options(a, "zip:encryption=zipcrypt");
            archive_write_set_passphrase(a, passphrase);
        }
    } else if (format == QLatin1String("7z")) {
        archive_write_set_format_7zip(a);
    } else {
        archive_write_set_format_pax_restricted(a);
        if (format.endsWith(QLatin1String(".gz")))
            archive_write_add_filter_gzip(a);
        else if (format.endsWith(QLatin1String(".xz")))
            archive_write_add_filter_xz(a);
    }
    archive_write_set_bytes_in_last_block(a, 1);
    archive_write_open2(
        a, &out, nullptr,
        [](struct archive *, void *data, const void *buffer, size_t n) -> la_ssize_t {
            static_cast<QByteArray *>(data)->append(static_cast<const char *>(buffer), qsizetype(n));
            return la_ssize_t(n);
        },
        nullptr, nullptr);
    const QByteArray zeros(1 << 20, '\0');
    for (const TItem &item : items) {
        struct archive_entry *entry = archive_entry_new();
        archive_entry_set_pathname(entry, item.Name.constData());
        archive_entry_set_mtime(entry, 1000000000, 0);
        if (item.Folder) {
            archive_entry_set_filetype(entry, AE_IFDIR);
            archive_entry_set_perm(entry, 0755);
        } else if (!item.LinkTo.isEmpty()) {
            archive_entry_set_filetype(entry, AE_IFLNK);
            archive_entry_set_symlink(entry, item.LinkTo.constData());
            archive_entry_set_perm(entry, 0777);
        } else {
            archive_entry_set_filetype(entry, AE_IFREG);
            archive_entry_set_perm(entry, 0644);
            archive_entry_set_size(entry, item.Bytes.size() + item.Zeros);
        }
        archive_write_header(a, entry);
        if (!item.Folder && item.LinkTo.isEmpty()) {
            archive_write_data(a, item.Bytes.constData(), size_t(item.Bytes.size()));
            for (qint64 left = item.Zeros; left > 0; left -= zeros.size())
                archive_write_data(a, zeros.constData(), size_t(std::min<qint64>(left, zeros.size())));
        }
        archive_entry_free(entry);
    }
    archive_write_close(a);
    archive_write_free(a);
    return out;
}

// Named files of the given bytes.
inline QList<TItem> Files(const QList<QPair<QByteArray, QByteArray>> &files)
{
    QList<TItem> items;
    for (const auto &[name, bytes] : files)
        items.append({name, bytes});
    return items;
}

} // namespace PackMaker
