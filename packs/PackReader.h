#pragma once
// Packs read in place: a zip, 7z, rar, tar (with any compression), lha, cab
// or iso file is listed, and an entry is read into memory or, when large,
// into an unnamed file of our own in the cache folder (gone when closed).
// Nothing is ever written under a name from a pack: entry names are only
// shown and compared. Every read is bounded (see TPackBounds), so that a
// pack that expands without end, or holds countless entries, is cut short
// or refused with a reason instead of filling memory or the disk.

#include "document/SourceFile.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <atomic>
#include <memory>

struct archive;

struct TPackBounds
{
    qint64 InMemory = 8 << 20;            // an entry up to this is read into memory
    qint64 Largest = qint64(512) << 20;   // larger, into our cache file up to this; beyond, refused
    qsizetype Entries = 250000;           // entries listed at most
    qint64 Expansion = qint64(4) << 30;   // bytes a compressed stream is read through in one pass
    // Anonymous memory one pass may add: a decoder whose window the pack
    // sets (xz, 7z) fills it as it expands.
    qint64 Growth = qint64(192) << 20;
};

struct TPackEntry
{
    QString Name;           // its path in the pack, "/" between folders, as shown
    qint64 Size = -1;       // as the pack says; -1 when it does not say
    qsizetype Ordinal = 0;  // its place among the pack's headers
    bool Encrypted = false;
};

struct TPackListing
{
    QList<TPackEntry> Entries; // the regular files, in the pack's order
    QString Damage;            // why the rest cannot be read; empty when the pack was read to its end
    bool Cut = false;          // more entries than the bound: the rest is not listed
    bool Streamed = false;     // read from its start as a stream (a zip whose directory is damaged)
    bool Stopped = false;      // the reader was asked to stop
};

// Shared with the thread that reads: how far it is, and a request to stop.
struct TPackProgress
{
    std::atomic<qint64> Done{0};
    std::atomic<qint64> Total{0};
    std::atomic<bool> Stop{false};

    int Percent() const
    {
        const qint64 total = Total;
        return total > 0 ? int(std::min<qint64>(100, Done * 100 / total)) : 0;
    }
};

// An entry's bytes: in memory, or in our cache file when large; or why it
// cannot be read.
struct TEntryData
{
    QByteArray Bytes;
    std::shared_ptr<TSourceFile> File;
    QString Error;
    bool Stopped = false;
};

// The start of an entry and the end of a small one (where art keeps its
// record), for a thumbnail.
struct TEntryHead
{
    QByteArray Head;
    QByteArray Tail; // empty when the entry is larger than the scan allowed
    bool Cut = false; // Head is not the whole entry
    QString Error;
};

// The bytes of a pack: a file on disk, or an entry of another pack (its
// bytes, or our cache file). Safe to read from any thread.
class TPackSource
{
public:
    static std::shared_ptr<const TPackSource> Open(const QString &path); // null when it cannot be opened
    static std::shared_ptr<const TPackSource> FromBytes(QByteArray bytes);
    static std::shared_ptr<const TPackSource> FromFile(std::shared_ptr<TSourceFile> file);

    qint64 Size() const;
    // Up to n bytes at offset; -1 when the file changed or failed.
    qint64 ReadAt(qint64 offset, char *to, qint64 n) const;

private:
    QByteArray m_bytes;
    std::shared_ptr<TSourceFile> m_file;
};

// One pass over a pack, its place kept between reads so that entries read
// in the pack's order cost one pass; not to be shared between threads.
class TPackReader
{
public:
    // streamed: read as the listing was (see TPackListing::Streamed).
    explicit TPackReader(std::shared_ptr<const TPackSource> source, bool streamed = false);
    ~TPackReader();
    TPackReader(const TPackReader &) = delete;
    TPackReader &operator=(const TPackReader &) = delete;

    // The pack's regular files; folders, links and devices are left out.
    TPackListing List(TPackProgress *progress = nullptr);
    // The entry's bytes (within the bounds).
    TEntryData Read(const TPackEntry &entry, TPackProgress *progress = nullptr);
    // Its first head bytes, and its last tail bytes when it is at most scan bytes.
    TEntryHead Head(const TPackEntry &entry, qsizetype head, qsizetype tail, qint64 scan);

    static void SetBounds(const TPackBounds &bounds); // for tests
    static TPackBounds Bounds();

    // A stored name as shown: UTF-8 where it is valid, else code page 437
    // (the DOS packs'); "\\" separates folders as "/" does; control
    // characters become U+FFFD; at most 1,024 characters.
    static QString DecodeName(QByteArrayView stored);

private:
    bool Begin(bool streamedOnly);
    void End();
    // Moves to the entry's header; an error when it is not there as listed.
    QString Seek(const TPackEntry &entry, TPackProgress *progress);
    // The rest of the current entry's data read and dropped, within the
    // bounds of the pass; an error when they are passed.
    QString Pass(TPackProgress *progress);
    // An error when the pass went past its bounds.
    QString CheckBounds();
    // Whether passing an entry on the way to another means expanding it (a
    // compressed stream, a solid pack), so that it is read through here,
    // within the bounds, rather than by the library without any.
    bool Expands(bool seeking) const;

    std::shared_ptr<const TPackSource> m_source;
    bool m_streamed;
    struct archive *m_archive = nullptr;
    qsizetype m_next = 0;     // the ordinal of the next header
    qint64 m_offset = 0;      // the next byte read from the source
    QByteArray m_buffer;
    bool m_failed = false;    // a read of the source failed
    qint64 m_expanded = 0;    // bytes read through in this pass
    qint64 m_memoryAtStart = -1;
};
