#include "app/DiskWatch.h"

#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QTimerEvent>

namespace {

constexpr qint64 kLeastBetween = 1000; // milliseconds between two Changed

} // namespace

TDiskWatch::TDiskWatch(QObject *parent) : QObject(parent), m_watcher(new QFileSystemWatcher(this))
{
    // The file's folder too: a file renamed over it or removed shows there.
    connect(m_watcher, &QFileSystemWatcher::fileChanged, this, &TDiskWatch::Check);
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, &TDiskWatch::Check);
}

void TDiskWatch::Watch(const QString &path)
{
    if (!m_watcher->files().isEmpty())
        m_watcher->removePaths(m_watcher->files());
    if (!m_watcher->directories().isEmpty())
        m_watcher->removePaths(m_watcher->directories());
    m_later.stop();
    m_path = path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath();
    m_known.reset();
    m_watched.reset();
    if (m_path.isEmpty())
        return;
    m_known = TSourceFile::IdentityOf(m_path);
    m_watcher->addPath(QFileInfo(m_path).absolutePath());
    Rewatch();
}

void TDiskWatch::Accept()
{
    m_known = m_path.isEmpty() ? std::nullopt : TSourceFile::IdentityOf(m_path);
    Rewatch();
}

void TDiskWatch::Rewatch()
{
    if (m_path.isEmpty())
        return;
    // A watch stays on the file it was put on, which a file renamed over it
    // does not end while something holds the old one open.
    const std::optional<TSourceFile::TIdentity> now = TSourceFile::IdentityOf(m_path);
    const bool watching = m_watcher->files().contains(m_path);
    if (watching && now && m_watched && now->Device == m_watched->Device && now->Inode == m_watched->Inode)
        return;
    if (watching)
        m_watcher->removePath(m_path);
    m_watched = now;
    if (now)
        m_watcher->addPath(m_path);
}

void TDiskWatch::Check()
{
    if (m_path.isEmpty())
        return;
    Rewatch();
    if (TSourceFile::IdentityOf(m_path) == m_known)
        return;
    // A file written again and again (a log) is told about once a second.
    if (m_lastTold.isValid() && m_lastTold.elapsed() < kLeastBetween) {
        if (!m_later.isActive())
            m_later.start(int(kLeastBetween - m_lastTold.elapsed()), this);
        return;
    }
    m_lastTold.start();
    emit Changed();
}

void TDiskWatch::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != m_later.timerId()) {
        QObject::timerEvent(event);
        return;
    }
    m_later.stop();
    m_lastTold.invalidate();
    Check();
}
