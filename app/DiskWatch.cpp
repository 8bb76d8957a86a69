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
    if (!m_path.isEmpty() && !m_watcher->files().contains(m_path) && QFileInfo::exists(m_path))
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
