#include "platform/SafeFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Closes a descriptor when it goes out of scope.
struct TFd
{
    int Fd;
    ~TFd()
    {
        if (Fd >= 0)
            ::close(Fd);
    }
};

bool SyncDirectory(const QString &fileName)
{
    const QByteArray dir = QFile::encodeName(QFileInfo(fileName).absolutePath());
    const TFd fd{::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    return fd.Fd >= 0 && ::fsync(fd.Fd) == 0;
}

} // namespace

QString ReadFailureReason(const QString &name)
{
    const QFileInfo info(name);
    if (info.isDir())
        return QString::fromLocal8Bit(std::strerror(EISDIR));
    if (info.exists() && !info.isFile())
        return QStringLiteral("Not a regular file");
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly))
        return file.errorString();
    return QString::fromLocal8Bit(std::strerror(EIO)); // it opens now, but a read failed
}

TReadResult ReadRegularFile(const QString &name, qint64 limit, QByteArray *bytes)
{
    bytes->clear();
    if (name.isEmpty())
        return TReadResult::trCannotOpen;
    const QByteArray path = QFile::encodeName(name);
    // Non-blocking, so that opening a FIFO does not wait for a writer.
    const TFd fd{::open(path.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC)};
    if (fd.Fd < 0)
        return TReadResult::trCannotOpen;
    struct stat info {};
    if (::fstat(fd.Fd, &info) != 0 || !S_ISREG(info.st_mode))
        return TReadResult::trCannotOpen;
    if (info.st_size > limit)
        return TReadResult::trTooLarge;
    const int flags = ::fcntl(fd.Fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd.Fd, F_SETFL, flags & ~O_NONBLOCK) != 0)
        return TReadResult::trCannotOpen;

    QByteArray data;
    data.resize(qsizetype(info.st_size) + 1); // one more byte shows growth
    qint64 total = 0;
    for (;;) {
        if (total == data.size()) {
            if (total > limit)
                return TReadResult::trTooLarge;
            data.resize(qsizetype(std::min<qint64>(limit + 1, std::max<qint64>(total * 2, 65536))));
        }
        const ssize_t got = ::read(fd.Fd, data.data() + total, size_t(data.size() - total));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return TReadResult::trCannotOpen;
        }
        if (got == 0)
            break;
        total += got;
    }
    if (total > limit)
        return TReadResult::trTooLarge;
    data.truncate(qsizetype(total)); // no squeeze: that would copy a large file once more
    *bytes = std::move(data);
    return TReadResult::trOk;
}

bool CommitToDisk(QSaveFile &file)
{
    // The data reaches the disk before the rename, and the rename itself
    // after it, so that a power cut leaves either the old or the new file.
    if (!file.flush() || ::fsync(file.handle()) != 0) {
        file.cancelWriting();
        file.commit();
        return false;
    }
    return file.commit() && SyncDirectory(file.fileName());
}

void TWriteBehind::Step()
{
    if (m_file.flush() && m_file.pos() - m_started >= (32 << 20)) {
        ::sync_file_range(m_file.handle(), m_started, m_file.pos() - m_started, SYNC_FILE_RANGE_WRITE);
        m_started = m_file.pos();
    }
}

bool WriteFileAtomically(const QString &name, const QByteArray &bytes)
{
    QSaveFile file(name);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && CommitToDisk(file);
}
