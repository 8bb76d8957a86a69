#pragma once
// The text of a file as the document holds it, read on demand and never
// whole: the bytes between a mark and a record, every break made one '\n'
// (or, for art whose lone CRs mean something, only LF a break), UTF-16 made
// UTF-8. A scan cuts the file into blocks of about 64 KB, never inside a
// CR LF pair or a surrogate pair, so that each block decodes on its own, and
// records where each starts in the file and in the text. A block is read with
// pread when asked for and kept in a cache of bounded size; long reads in
// order (Find, Save) go past the cache in large reads.
//
// Every read first checks the file is still the one opened; when it is not,
// or the read fails, the bytes come as NULs of the length they had, never as
// a mix of two versions, and ReadFailed is sent once. A changed name (the
// file replaced or removed: what is read stays whole) sends NameChanged once.
// Both signals are queued: they come after the read, never inside a paint.
//
// Before the first edit the file is copied where no other program changes it
// (Protect): a reflink clone where the file system offers one, else a copy in
// the background; the text is read from the copy from then on.

#include "document/PrivateCopy.h"
#include "document/RunVisitor.h"
#include "document/SourceFile.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>

#include <memory>
#include <vector>

// What a scan found in a stretch of the file, in order.
struct TScanBatch
{
    std::vector<qint64> BlockOffsets; // where each block found ends in the file
    std::vector<qint64> BlockEnds;    // and in the text
    std::vector<qint64> LineStarts;   // in the text: one past each break
    // The line of the most bytes among those the stretch touched: -1 the
    // line going on from before, k the line starting at LineStarts[k].
    qsizetype LongestLine = -1;
    QByteArray FirstBreak; // the file's first break as written there, when found here
    TSourceFile::TState State = TSourceFile::TState::Intact; // not Intact: the scan ended here
    bool Last = false;
};

class TDecodedSource : public QObject
{
    Q_OBJECT

public:
    enum class TUnits { Bytes, Utf16Le, Utf16Be };
    struct TShape
    {
        qint64 Begin = 0; // the text's first byte: after a mark
        qint64 End = 0;   // one past its last: before a record or an odd byte
        TUnits Units = TUnits::Bytes;
        bool LfOnly = false; // only LF breaks a line; CR stays a character
        qint64 BlockBytes = 64 << 10; // file bytes a block spans, about
        qint64 ReadBytes = 1 << 20;   // file bytes a read in order takes at once
    };

    static constexpr qint64 kCacheBytes = 16 << 20;

    // cacheBytes bounds the blocks kept.
    TDecodedSource(std::shared_ptr<TSourceFile> file, const TShape &shape, qint64 cacheBytes = kCacheBytes,
                   QObject *parent = nullptr);
    ~TDecodedSource() override;

    const TShape &Shape() const { return m_shape; }
    std::shared_ptr<TSourceFile> File() const { return m_file; }

    // The text scanned so far, and where the scan stands in the file.
    qint64 Length() const { return m_positions.back(); }
    qint64 ScannedOffset() const { return m_offsets.back(); }
    bool Complete() const { return ScannedOffset() >= m_shape.End; }
    void AddBlocks(const TScanBatch &batch);

    // Calls run(data, length, position) for the text [from, to) (within
    // Length()) in order until it returns false. sequential: a long read in
    // order, past the cache; its runs last until the next read.
    void Read(qint64 from, qint64 to, TRunVisitor run, bool sequential = false) const;
    // The cached block holding pos (below Length()), and where it starts.
    QByteArray BlockAt(qint64 pos, qint64 *start) const;

    // The worst a read met: Intact while every read found the file as opened.
    TSourceFile::TState State() const { return m_state; }
    // The name whose changes are told, and what it named when last known
    // (after a save: the file saved).
    void Watch(const QString &path, const TSourceFile::TIdentity &identity);
    // Checks the file read from and the watched name now; the state.
    TSourceFile::TState Check() const;
    // The watched name names what it named when last known, now.
    bool NameIntact() const;

    // The private copy: started before the first edit unless the file is
    // one no name reaches; Copying until it ends, successful or not.
    void Protect();
    bool Copying() const { return m_copy; }
    bool Protected() const { return m_protected; }
    int CopyPercent() const;
    // Where copies are made; the user's cache folder unless set.
    static void SetCopyFolder(const QString &folder);
    static QString CopyFolder();

    // Decoding, shared with the scan. A block of n file bytes decodes into at
    // most Room(n) bytes; out may be in when the units are bytes.
    static qsizetype Room(const TShape &shape, qint64 n);
    static qsizetype Decode(const TShape &shape, const char *in, qsizetype n, char *out);
    // Where a block meant to end at want (past its start) ends: moved on to
    // a whole unit, and past a CR LF pair or a surrogate pair it would split.
    // bytes holds the file from offset on, at least to want + 3 when want is
    // before the text's end.
    static qint64 BlockEnd(const TShape &shape, const char *bytes, qint64 offset, qint64 want);

signals:
    void ReadFailed();
    void NameChanged();
    void CopyProgress(int percent);
    void CopyFinished(const QString &error); // empty on success

private:
    struct TCached
    {
        size_t Block;
        QByteArray Bytes;
        quint64 Used;
    };

    size_t BlockOf(qint64 pos) const;
    const QByteArray &Block(size_t block) const;
    // Reads and decodes the blocks [first, last) into out; false when they
    // could not be had (out then holds NULs).
    bool ReadBlocks(size_t first, size_t last, QByteArray &out) const;
    // The file bytes of the blocks; safe in any thread.
    TSourceFile::TState ReadRaw(const TSourceFile &file, size_t first, size_t last, QByteArray &raw) const;
    // Decodes them: in raw itself for bytes, else in text; the state, Changed
    // when a block decodes to another length than the scan found. Safe in any
    // thread, as nothing else is touched.
    TSourceFile::TState DecodeRaw(size_t first, size_t last, TSourceFile::TState state, QByteArray &raw,
                                  QByteArray &text) const;
    QByteArray &TextOf(QByteArray &raw, QByteArray &text) const { return m_shape.Units == TUnits::Bytes ? raw : text; }
    // The text, told and made NULs when the state says it could not be had.
    const QByteArray &Settle(TSourceFile::TState state, QByteArray &raw, QByteArray &text) const;
    void ReadInOrder(size_t block, qint64 from, qint64 to, TRunVisitor run) const;
    void Fail(TSourceFile::TState state) const;
    void CheckName() const;
    void CopyDone();

    std::shared_ptr<TSourceFile> m_file;
    TShape m_shape;
    qint64 m_cacheLimit;
    std::vector<qint64> m_offsets{0};   // each block's start in the file, and the scan's end
    std::vector<qint64> m_positions{0}; // the same in the text
    mutable std::vector<TCached> m_cache;
    mutable qint64 m_cacheBytes = 0;
    mutable quint64 m_clock = 0;
    mutable size_t m_lastHit = 0;
    mutable QByteArray m_rawSlots[4]; // a read in order: groups read while others are used
    mutable QByteArray m_textSlots[4];
    mutable QByteArray m_failed;     // NULs for a block that could not be read
    mutable TSourceFile::TState m_state = TSourceFile::TState::Intact;
    QString m_watchedPath;
    TSourceFile::TIdentity m_watched;
    mutable bool m_nameChanged = false;
    QPointer<TPrivateCopy> m_copy;
    bool m_protected = false;
    bool m_copyTried = false;
};
