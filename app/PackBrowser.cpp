#include "app/PackBrowser.h"

#include "platform/Errors.h"
#include "platform/SafeFile.h"

#include <QFileInfo>
#include <QLocale>

#include <algorithm>

namespace {

QString BaseName(const QString &entryName)
{
    return entryName.mid(entryName.lastIndexOf(u'/') + 1);
}

} // namespace

TPackBrowser::TPackBrowser(TRunner run) : m_run(std::move(run))
{
    if (!m_run)
        m_run = [](const QString &, TPackProgress &, const std::function<void()> &work) { work(); };
}

// ---- What is shown ----

QStringList TPackBrowser::Chain() const
{
    QStringList chain;
    for (const TLevel &level : m_levels)
        chain << level.Entry().Name;
    return chain;
}

QString TPackBrowser::Caption() const
{
    if (m_levels.empty())
        return QString();
    QStringList packs;
    for (auto level = m_levels.rbegin(); level != m_levels.rend(); ++level)
        packs << level->Label;
    return QStringLiteral("%1 (%2)").arg(BaseName(m_levels.back().Entry().Name), packs.join(QLatin1String(" in ")));
}

QString TPackBrowser::FileName() const
{
    return m_levels.empty() ? QString() : SafeFileName(m_levels.back().Entry().Name);
}

qint64 TPackBrowser::EntrySize() const
{
    return m_levels.empty() ? -1 : m_levels.back().Entry().Size;
}

QList<TPackEntry> TPackBrowser::Pieces() const
{
    QList<TPackEntry> pieces;
    if (!m_levels.empty()) {
        for (const qsizetype index : m_levels.back().Pieces)
            pieces << m_levels.back().Listing->Entries[index];
    }
    return pieces;
}

qsizetype TPackBrowser::At() const
{
    return m_levels.empty() ? -1 : m_levels.back().At;
}

std::shared_ptr<const TPackSource> TPackBrowser::Source() const
{
    return m_levels.empty() ? nullptr : m_levels.back().Source;
}

bool TPackBrowser::Streamed() const
{
    return !m_levels.empty() && m_levels.back().Listing->Streamed;
}

// ---- Order ----

QList<qsizetype> TPackBrowser::Openable(const QList<TPackEntry> &entries)
{
    QList<qsizetype> openable;
    for (qsizetype k = 0; k < entries.size(); ++k) {
        if (FolderFiles::Opens(BaseName(entries[k].Name)))
            openable << k;
    }
    std::stable_sort(openable.begin(), openable.end(), [&entries](qsizetype a, qsizetype b) {
        return FolderFiles::ComparePaths(entries[a].Name, entries[b].Name) < 0;
    });
    return openable;
}

qsizetype TPackBrowser::First(const QList<TPackEntry> &entries, const QList<qsizetype> &openable)
{
    qsizetype first = 0, depth = -1;
    for (qsizetype k = 0; k < openable.size(); ++k) {
        const QString &name = entries[openable[k]].Name;
        if (BaseName(name).compare(QLatin1String("file_id.diz"), Qt::CaseInsensitive) != 0)
            continue;
        if (depth < 0 || name.count(u'/') < depth) {
            first = k;
            depth = name.count(u'/');
        }
    }
    return first;
}

QString TPackBrowser::SafeFileName(const QString &entryName)
{
    QString name = BaseName(entryName);
    while (name.startsWith(u'.'))
        name.remove(0, 1);
    return name.isEmpty() ? QStringLiteral("entry") : name;
}

// ---- Reading ----

TPackBrowser::TLevel TPackBrowser::List(std::shared_ptr<const TPackSource> source, const QString &label, const QString &want)
{
    TLevel level;
    level.Source = source;
    level.Label = label;
    level.Reader = std::make_shared<TPackReader>(source);
    TPackProgress progress;
    auto listing = std::make_shared<TPackListing>();
    m_run(QStringLiteral("Listing %1").arg(label), progress, [&] { *listing = level.Reader->List(&progress); });
    if (listing->Stopped)
        throw EAbort();
    level.Listing = listing;
    level.Pieces = Openable(listing->Entries);
    if (level.Pieces.isEmpty()) {
        if (listing->Entries.isEmpty() && !listing->Damage.isEmpty())
            throw EGlimraError(QStringLiteral("Cannot read %1").arg(label), listing->Damage);
        throw EGlimraError(QStringLiteral("Nothing in %1 opens (%2 entries)").arg(label).arg(listing->Entries.size()));
    }
    level.At = First(listing->Entries, level.Pieces);
    for (qsizetype k = 0; k < level.Pieces.size() && !want.isEmpty(); ++k) {
        if (listing->Entries[level.Pieces[k]].Name == want)
            level.At = k;
    }
    return level;
}

TEntryData TPackBrowser::Read(const TLevel &level)
{
    TPackProgress progress;
    TEntryData data;
    m_run(QStringLiteral("Reading %1").arg(BaseName(level.Entry().Name)), progress,
          [&] { data = level.Reader->Read(level.Entry(), &progress); });
    if (data.Stopped)
        throw EAbort();
    return data;
}

QString TPackBrowser::Told(const TLevel &level)
{
    if (!level.Listing->Damage.isEmpty())
        return QStringLiteral("; the rest of %1 cannot be read (%2)").arg(level.Label, level.Listing->Damage);
    if (level.Listing->Cut)
        return QStringLiteral("; %1 has more entries: only the first %2 are listed")
            .arg(level.Label, QLocale().toString(level.Listing->Entries.size()));
    return QString();
}

bool TPackBrowser::Advance(TLevels &work, int step, bool leave)
{
    for (;;) {
        TLevel &level = work.back();
        const qsizetype next = level.At + step, n = level.Pieces.size();
        if (next >= 0 && next < n) {
            level.At = next;
            return true;
        }
        if (work.size() > 1) { // a pack inside a pack: on to the entries around it
            work.pop_back();
            continue;
        }
        if (leave)
            return false;
        level.At = (next % n + n) % n;
        return true;
    }
}

std::optional<TPackPiece> TPackBrowser::Settle(TLevels &work, int step, bool leave, QStringList want, QString told)
{
    qsizetype budget = 0; // each piece is tried at most once
    for (const TLevel &level : work)
        budget += level.Pieces.size();
    QString passed; // the last piece passed over, and why
    for (;;) {
        const FolderFiles::TKind kind = FolderFiles::KindOf(BaseName(work.back().Entry().Name));
        TEntryData data = Read(work.back());
        QString failure = data.Error;
        if (failure.isEmpty() && kind == FolderFiles::TKind::Pack) {
            if (work.size() >= kDeepest) {
                failure = QStringLiteral("packs inside packs deeper than %1").arg(kDeepest);
            } else {
                auto source = data.File ? TPackSource::FromFile(data.File) : TPackSource::FromBytes(std::move(data.Bytes));
                try {
                    TLevel inner = List(std::move(source), BaseName(work.back().Entry().Name), want.value(0));
                    if (!want.isEmpty())
                        want.removeFirst();
                    told += Told(inner);
                    budget += inner.Pieces.size();
                    work.push_back(std::move(inner));
                    continue;
                } catch (const EGlimraError &error) {
                    failure = error.Reason().isEmpty() ? error.Message() : error.Reason();
                }
            }
        }
        if (failure.isEmpty()) {
            const TLevel &level = work.back();
            TPackPiece piece{kind, level.Entry().Name, std::move(data), {}};
            piece.Notice = QStringLiteral("File %1 of %2").arg(level.At + 1).arg(level.Pieces.size());
            if (!passed.isEmpty())
                piece.Notice += QStringLiteral("; passed over ") + passed;
            piece.Notice += told;
            return piece;
        }
        passed = QStringLiteral("%1 (%2)").arg(BaseName(work.back().Entry().Name), failure);
        want.clear();
        if (--budget <= 0)
            throw EGlimraError(QStringLiteral("Nothing in %1 opens; passed over %2").arg(work.front().Label, passed));
        if (!Advance(work, step, leave))
            return std::nullopt;
    }
}

TPackPiece TPackBrowser::Open(const QString &path, const QStringList &chain)
{
    std::shared_ptr<const TPackSource> source = TPackSource::Open(path);
    if (!source)
        throw EGlimraError(QStringLiteral("Cannot open file %1").arg(path), ReadFailureReason(path));
    TLevels work{List(source, QFileInfo(path).fileName(), chain.value(0))};
    std::optional<TPackPiece> piece = Settle(work, +1, false, chain.mid(1), Told(work.front()));
    m_path = QFileInfo(path).absoluteFilePath();
    m_levels = std::move(work);
    return std::move(*piece); // never left: the outermost pack wraps
}

std::optional<TPackPiece> TPackBrowser::Step(int step, bool leave)
{
    TLevels work = m_levels;
    if (work.empty() || !Advance(work, step, leave))
        return std::nullopt;
    std::optional<TPackPiece> piece = Settle(work, step, leave, {}, {});
    if (piece)
        m_levels = std::move(work);
    return piece;
}

TPackPiece TPackBrowser::Show(qsizetype index)
{
    TLevels work = m_levels;
    work.back().At = std::clamp<qsizetype>(index, 0, work.back().Pieces.size() - 1);
    std::optional<TPackPiece> piece = Settle(work, +1, false, {}, {});
    m_levels = std::move(work);
    return std::move(*piece);
}

TPackPiece TPackBrowser::Reread()
{
    return Show(At());
}
