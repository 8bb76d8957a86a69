#pragma once
// The packs the document is read from, as the window steps through them. A
// pack opened shows its FILE_ID.DIZ (the one nearest its top), else its
// first entry that opens; Next and Previous go through the entries that
// open (text, pictures, packs) in natural order over the whole pack and wrap
// at its ends. A pack inside a pack opens as a pack when stepped to, and is
// left at its ends for the entries around it. An entry that cannot be read
// is passed over, and said so with the reason; each is tried at most once.
// Nothing here shows anything: the window shows the piece it is given.

#include "app/FolderFiles.h"
#include "packs/PackReader.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

// An entry to show: text or a picture, its bytes or our cache file.
struct TPackPiece
{
    FolderFiles::TKind Kind = FolderFiles::TKind::Text;
    QString Name;   // its path in its pack
    TEntryData Data;
    QString Notice; // "File 3 of 40", and what was passed over or is damaged
};

class TPackBrowser
{
public:
    // Runs the work of reading a pack (label says what is read) where the
    // window can go on painting; it may ask the work to stop through progress.
    using TRunner = std::function<void(const QString &label, TPackProgress &progress, const std::function<void()> &work)>;
    static constexpr int kDeepest = 8; // packs inside packs, at most

    explicit TPackBrowser(TRunner run = {});

    bool IsOpen() const { return !m_levels.empty(); }
    void Close() { m_levels.clear(); }
    // The outermost pack's file.
    QString Path() const { return m_path; }
    // The entries from the outermost pack's to the one shown.
    QStringList Chain() const;
    // "02-logo.ans (pack.zip)"; a pack inside a pack: "(inner.zip in pack.zip)".
    QString Caption() const;
    // The shown entry's name without its folders, made safe as a file name
    // (no folder, no leading dot): what Save As proposes.
    QString FileName() const;
    qint64 EntrySize() const;

    // The pieces of the innermost pack, in their order, and the one shown.
    QList<TPackEntry> Pieces() const;
    qsizetype At() const;
    std::shared_ptr<const TPackSource> Source() const;
    bool Streamed() const;

    // Lists the pack at path and shows the entry the chain names (from the
    // recent files), else its FILE_ID.DIZ or first entry. Raises
    // EGlimraError when nothing in it can be shown; nothing changes then.
    TPackPiece Open(const QString &path, const QStringList &chain = {});
    // The next (+1) or previous (-1) piece; with leave, nothing at the
    // outermost pack's ends instead of wrapping (it was stepped into from
    // its folder).
    std::optional<TPackPiece> Step(int step, bool leave = false);
    // The innermost pack's piece at index (the gallery's choice).
    TPackPiece Show(qsizetype index);
    // The piece shown, read again.
    TPackPiece Reread();

    // The entries that open, in natural order: indexes into entries.
    static QList<qsizetype> Openable(const QList<TPackEntry> &entries);
    // Where among them a pack starts: its FILE_ID.DIZ nearest the top, else 0.
    static qsizetype First(const QList<TPackEntry> &entries, const QList<qsizetype> &openable);
    // A name from a pack as the name of a file of ours: its last part, no
    // leading dots, never empty.
    static QString SafeFileName(const QString &entryName);

private:
    struct TLevel
    {
        std::shared_ptr<const TPackSource> Source;
        std::shared_ptr<const TPackListing> Listing;
        std::shared_ptr<TPackReader> Reader; // kept where it is, so that reading on costs one pass
        QList<qsizetype> Pieces;             // into Listing->Entries
        qsizetype At = 0;                    // into Pieces
        QString Label;                       // the pack's file name
        const TPackEntry &Entry() const { return Listing->Entries[Pieces[At]]; }
    };
    using TLevels = std::vector<TLevel>;

    TLevel List(std::shared_ptr<const TPackSource> source, const QString &label, const QString &want);
    TEntryData Read(const TLevel &level);
    // Shows the piece at the innermost level's place, or the first after it
    // (by step) that can be shown, entering packs on the way; want names the
    // entries to show in packs entered. Nothing when stepping left the
    // outermost pack (leave).
    std::optional<TPackPiece> Settle(TLevels &work, int step, bool leave, QStringList want, QString told);
    static bool Advance(TLevels &work, int step, bool leave);
    static QString Told(const TLevel &level);

    TRunner m_run;
    QString m_path;
    TLevels m_levels;
};
