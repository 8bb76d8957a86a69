#include "document/PrivateCopy.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

constexpr qint64 kSlice = 8 << 20;

std::atomic<bool> gNamedFiles{false};

QString SystemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// An unnamed file in folder; a named one taken off its name at once where
// the file system has no unnamed files.
int UnnamedFile(const QString &folder)
{
    const QByteArray dir = QFile::encodeName(folder);
    if (!gNamedFiles) {
        const int fd = ::open(dir.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
        if (fd >= 0 || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL))
            return fd;
    }
    QByteArray name = dir + "/glimra-copy-XXXXXX";
    const int named = ::mkostemp(name.data(), O_CLOEXEC);
    if (named >= 0)
        ::unlink(name.constData());
    return named;
}

} // namespace

TPrivateCopy::TPrivateCopy(std::shared_ptr<TSourceFile> from, QString folder, QObject *parent)
    : QThread(parent), m_from(std::move(from)), m_folder(std::move(folder))
{
}

void TPrivateCopy::SetNamedFiles(bool named)
{
    gNamedFiles = named;
}

TPrivateCopy::~TPrivateCopy()
{
    m_stop = true;
    wait();
}

void TPrivateCopy::SetPercent(qint64 done)
{
    const qint64 size = m_from->Size();
    const int percent = size > 0 ? int(100 * done / size) : 100;
    if (percent != m_percent.exchange(percent))
        emit Progress(percent);
}

void TPrivateCopy::run()
{
    if (!QDir().mkpath(m_folder)) {
        m_error = QStringLiteral("cannot make the folder %1").arg(m_folder);
        return;
    }
    const int to = UnnamedFile(m_folder);
    if (to < 0) {
        m_error = SystemError(errno);
        return;
    }
    // A clone shares the blocks: nothing is read or written.
    if (::ioctl(to, FICLONE, m_from->Handle()) == 0 || Copy(to)) {
        if (m_from->Check() == TSourceFile::TState::Intact) {
            m_result = TSourceFile::Adopt(to, m_from->Path());
            SetPercent(m_from->Size());
            return;
        }
        m_error = QStringLiteral("the file changed while it was copied");
    }
    ::close(to);
}

bool TPrivateCopy::Copy(int to)
{
    const int from = m_from->Handle();
    const qint64 size = m_from->Size();
    // Only the data: the holes of a sparse file stay holes.
    qint64 at = 0;
    while (at < size) {
        qint64 data = ::lseek(from, off_t(at), SEEK_DATA);
        if (data < 0)
            data = errno == ENXIO ? size : at; // no more data; or no SEEK_DATA at all
        qint64 hole = data < size ? ::lseek(from, off_t(data), SEEK_HOLE) : size;
        if (hole < 0)
            hole = size;
        if (!CopyRange(to, data, std::min(hole, size)))
            return false;
        at = std::max(hole, data + 1);
    }
    if (::ftruncate(to, off_t(size)) != 0) {
        m_error = SystemError(errno);
        return false;
    }
    return true;
}

bool TPrivateCopy::CopyRange(int to, qint64 from, qint64 end)
{
    QByteArray buffer;
    while (from < end) {
        if (m_stop) {
            m_error = QStringLiteral("stopped");
            return false;
        }
        if (m_from->Check() != TSourceFile::TState::Intact) {
            m_error = QStringLiteral("the file changed while it was copied");
            return false;
        }
        const qint64 n = std::min(kSlice, end - from);
        loff_t in = from, out = from;
        ssize_t done = ::copy_file_range(m_from->Handle(), &in, to, &out, size_t(n), 0);
        if (done < 0 && errno == EINTR)
            continue;
        if (done < 0 && (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP)) {
            // Across file systems on older kernels: read and write.
            buffer.resize(qsizetype(n));
            if (m_from->Read(from, buffer.data(), n) != TSourceFile::TState::Intact) {
                m_error = QStringLiteral("the file could not be read");
                return false;
            }
            done = ::pwrite(to, buffer.constData(), size_t(n), off_t(from));
        }
        if (done <= 0) {
            m_error = done < 0 ? SystemError(errno) : QStringLiteral("the file ended early");
            return false;
        }
        from += done;
        SetPercent(from);
    }
    return true;
}
