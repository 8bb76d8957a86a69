#pragma once
// Watches the document's file for changes by other programs: written,
// truncated, replaced (a new file renamed over it) or removed. Changed is
// sent at most once a second, however often the file changes; what was
// last read or saved is known, so a save of our own sends nothing.

#include "document/SourceFile.h"

#include <QBasicTimer>
#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <optional>

class QFileSystemWatcher;

class TDiskWatch : public QObject
{
    Q_OBJECT

public:
    explicit TDiskWatch(QObject *parent = nullptr);

    // The file to watch and what it was when last read or written; an empty
    // path watches nothing.
    void Watch(const QString &path);
    // The file as it is now is what the document has (after a save, or a
    // change the user was asked about).
    void Accept();
    // What the file was when last known; empty when it was not there.
    const std::optional<TSourceFile::TIdentity> &Known() const { return m_known; }
    const QString &Path() const { return m_path; }
    // Looks at the file now (when the window comes back to the front, say).
    void Check();

signals:
    void Changed();

protected:
    void timerEvent(QTimerEvent *event) override;

private:
    void Rewatch(); // after a rename over the file, its name is watched anew

    QFileSystemWatcher *m_watcher;
    QString m_path;
    std::optional<TSourceFile::TIdentity> m_known;
    std::optional<TSourceFile::TIdentity> m_watched; // the file the file's watch is on
    QElapsedTimer m_lastTold;
    QBasicTimer m_later; // a change within a second of the last waits here
};
