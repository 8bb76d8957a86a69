#pragma once
// The recent-files list: fifteen slots of the INI file "Recent.lst" beside the
// program file (with the settings when that place is not writable or is a
// system install), most recent first. The file is read afresh on every use; no copy is kept in
// memory.

#include <QList>
#include <QString>
#include <QStringList>

class TRecentFiles
{
public:
    static constexpr int SlotCount = 15;

    // The list in directory; an empty name means ListDirectory().
    explicit TRecentFiles(const QString &directory = QString());

    // The directory of the program's own executable file, links resolved.
    static QString ProgramDirectory();
    // Where the list lives: ListDirectoryFor(ProgramDirectory()), unless
    // redirected for the whole process (tests); an empty name ends the
    // redirection.
    static QString ListDirectory();
    // The program's directory when the list there can be written (or created)
    // and it is no folder of /usr, /usr/local, nor /bin or /sbin, else the per-user
    // configuration directory beside the settings.
    static QString ListDirectoryFor(const QString &programDirectory);
    static void SetListDirectory(const QString &directory);

    QString FileName() const; // full name of "Recent.lst"

    QString Slot(int n) const;  // n from 1 to SlotCount; empty when unset
    QStringList Slots() const;  // all SlotCount slots in order

    // Puts the file's full path in slot 1. A path already listed (compared
    // with letter case) moves up and the entries between close up; a new one
    // pushes the rest down and the last falls off. The list stays filled from
    // slot 1 without gaps. Throws EGlimraError when the list cannot be written.
    void AddRecent(const QString &fileName) const;

private:
    QString m_fileName;
};

// One item of the "&Recent Files" submenu; Slot is 0 for the "Empty" item.
struct TRecentMenuItem
{
    QString Caption;
    int Slot = 0;
    bool Enabled = true;

    bool operator==(const TRecentMenuItem &) const = default;
};

// "  &1 path" for slots 1 to 9 (the digit is the access key), "10 path" from
// slot 10 on; an "&" in the path is shown as itself.
QString RecentCaption(int slot, const QString &path);

// The submenu for the slots' entries: slot 1 up to the first empty slot, or
// a single disabled "Empty" item when slot 1 is empty.
QList<TRecentMenuItem> RecentMenuItems(const QStringList &entries);
