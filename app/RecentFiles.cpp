#include "app/RecentFiles.h"

#include "platform/Errors.h"
#include "platform/PrivateProfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace {

const QString kListName = QStringLiteral("Recent.lst");
const QString kSection = QStringLiteral("Oldies");

QString &ListDirectoryOverride()
{
    static QString directory;
    return directory;
}

} // namespace

TRecentFiles::TRecentFiles(const QString &directory)
    : m_fileName(QDir(directory.isEmpty() ? ListDirectory() : directory).absoluteFilePath(kListName))
{
}

QString TRecentFiles::ProgramDirectory()
{
    const QFileInfo program(QCoreApplication::applicationFilePath());
    const QString real = program.canonicalPath();
    return real.isEmpty() ? program.absolutePath() : real;
}

QString TRecentFiles::ListDirectory()
{
    const QString &redirected = ListDirectoryOverride();
    return redirected.isEmpty() ? ListDirectoryFor(ProgramDirectory()) : redirected;
}

QString TRecentFiles::ListDirectoryFor(const QString &programDirectory)
{
    // A portable copy keeps its list beside itself; an installed one keeps it
    // with the user's settings. A folder of the system's own prefixes is an
    // install even for root, who could write there.
    const QString clean = QDir::cleanPath(programDirectory);
    const QString parent = QDir::cleanPath(clean + QStringLiteral("/.."));
    const bool system = parent == QStringLiteral("/usr") || parent == QStringLiteral("/usr/local")
                        || clean == QStringLiteral("/bin") || clean == QStringLiteral("/sbin");
    const QFileInfo list(QDir(programDirectory).filePath(kListName));
    const QFileInfo directory(programDirectory);
    if (!system && (list.exists() ? list.isWritable() : directory.isDir() && directory.isWritable()))
        return programDirectory;
    return QFileInfo(PrivateProfilePath(kListName)).path();
}

void TRecentFiles::SetListDirectory(const QString &directory)
{
    ListDirectoryOverride() = directory;
}

QString TRecentFiles::FileName() const
{
    return m_fileName;
}

QString TRecentFiles::Slot(int n) const
{
    if (n < 1 || n > SlotCount)
        return QString();
    return GetPrivateProfileString(kSection, QString::number(n), QString(), m_fileName);
}

QStringList TRecentFiles::Slots() const
{
    QStringList entries;
    entries.reserve(SlotCount);
    for (int n = 1; n <= SlotCount; ++n)
        entries.append(Slot(n));
    return entries;
}

void TRecentFiles::AddRecent(const QString &fileName) const
{
    if (fileName.isEmpty())
        return;
    const QString fullPath = QDir::cleanPath(QFileInfo(fileName).absoluteFilePath());
    // A line break cannot be stored in an INI value; such a name is not listed
    // rather than failing every load and save of that file.
    if (fullPath.contains(u'\n') || fullPath.contains(u'\r'))
        return;

    const QStringList old = Slots();
    QStringList entries{fullPath};
    for (const QString &entry : old) {
        if (entries.size() == SlotCount)
            break;
        // Skipping empty entries closes gaps left by older versions of the list.
        if (!entry.isEmpty() && !entries.contains(entry, Qt::CaseSensitive))
            entries.append(entry);
    }
    while (entries.size() < SlotCount)
        entries.append(QString());
    const QString settings = QFileInfo(PrivateProfilePath(kListName)).path();
    if (QFileInfo(m_fileName).path() == settings)
        QDir().mkpath(settings); // not made yet on a first run

    for (int n = 1; n <= SlotCount; ++n) {
        QString value = entries.at(n - 1);
        if (value == old.at(n - 1))
            continue;
        // Values are trimmed when read; quotes keep a path's trailing blanks.
        if (!value.isEmpty() && value.back().isSpace())
            value = u'"' + value + u'"';
        if (!WritePrivateProfileString(kSection, QString::number(n), value, m_fileName))
            throw EGlimraError(QStringLiteral("Unable to write to %1").arg(m_fileName));
    }
}

QString RecentCaption(int slot, const QString &path)
{
    QString shown = path;
    shown.replace(u'&', QStringLiteral("&&"));
    if (slot <= 9)
        return QStringLiteral("  &%1 %2").arg(slot).arg(shown);
    return QStringLiteral("%1 %2").arg(slot).arg(shown);
}

QList<TRecentMenuItem> RecentMenuItems(const QStringList &entries)
{
    QList<TRecentMenuItem> items;
    for (int n = 1; n <= std::min<int>(entries.size(), TRecentFiles::SlotCount); ++n) {
        const QString &path = entries.at(n - 1);
        if (path.isEmpty())
            break;
        items.append({RecentCaption(n, path), n, true});
    }
    if (items.isEmpty())
        items.append({QStringLiteral("Empty"), 0, false});
    return items;
}
