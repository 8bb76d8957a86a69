#include "document/SourceFile.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

TSourceFile::TIdentity IdentityOfStat(const struct stat &info)
{
    return {quint64(info.st_dev), quint64(info.st_ino), qint64(info.st_size),
            qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
}

} // namespace

TSourceFile::TSourceFile(int fd, QString path, TIdentity identity)
    : m_fd(fd), m_path(std::move(path)), m_identity(identity)
{
}

TSourceFile::~TSourceFile()
{
    ::close(m_fd);
}

std::shared_ptr<TSourceFile> TSourceFile::Open(const QString &path)
{
    // Non-blocking, so that a FIFO does not wait for a writer; only a
    // regular file is kept.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return {};
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || ::fcntl(fd, F_SETFL, O_RDONLY) != 0) {
        ::close(fd);
        return {};
    }
    return std::shared_ptr<TSourceFile>(new TSourceFile(fd, path, IdentityOfStat(info)));
}

std::shared_ptr<TSourceFile> TSourceFile::Adopt(int fd, const QString &name)
{
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        ::close(fd);
        return {};
    }
    return std::shared_ptr<TSourceFile>(new TSourceFile(fd, name, IdentityOfStat(info)));
}

std::optional<TSourceFile::TIdentity> TSourceFile::IdentityOf(const QString &path)
{
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    return IdentityOfStat(info);
}

TSourceFile::TState TSourceFile::Check() const
{
    struct stat info {};
    if (::fstat(m_fd, &info) != 0)
        return TState::ReadError;
    const TIdentity now = IdentityOfStat(info);
    return now == m_identity ? TState::Intact : TState::Changed;
}

TSourceFile::TState TSourceFile::Read(qint64 offset, char *to, qint64 n) const
{
    if (const TState state = Check(); state != TState::Intact)
        return state;
    while (n > 0) {
        const ssize_t got = ::pread(m_fd, to, size_t(n), off_t(offset));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) // an error, or the end before the size it had
            return got < 0 ? TState::ReadError : TState::Changed;
        to += got;
        offset += got;
        n -= got;
    }
    // A write that landed during the read has moved the modification time
    // before its bytes could be read: checked again, nothing mixed is kept.
    return Check();
}

bool TSourceFile::Unreachable() const
{
    struct stat info {};
    return ::fstat(m_fd, &info) == 0 && info.st_nlink == 0;
}
