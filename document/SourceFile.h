#pragma once
// A file the document reads from on demand: kept open, read with pread at
// any offset (from any thread), never mapped, since a mapped page of a file
// that another program truncates kills the process. Before each read the
// file is checked to be the one that was opened, unchanged, so that a read
// never mixes two versions of it.

#include <QString>

#include <memory>
#include <optional>

class TSourceFile
{
public:
    // What tells one version of a file from another.
    struct TIdentity
    {
        quint64 Device = 0;
        quint64 Inode = 0;
        qint64 Size = 0;
        qint64 ModifiedNs = 0; // modification time in nanoseconds
        bool operator==(const TIdentity &) const = default;
    };

    enum class TState {
        Intact,    // as it was opened
        Changed,   // written, truncated or grown in place: its old bytes are gone
        ReadError, // the medium failed
    };

    ~TSourceFile();
    TSourceFile(const TSourceFile &) = delete;
    TSourceFile &operator=(const TSourceFile &) = delete;

    // Opens a regular file for reading; empty when it cannot be.
    static std::shared_ptr<TSourceFile> Open(const QString &path);
    // Takes over an open descriptor (a private copy); name says what it is.
    static std::shared_ptr<TSourceFile> Adopt(int fd, const QString &name);
    // What a path names now; empty when it names nothing.
    static std::optional<TIdentity> IdentityOf(const QString &path);

    const QString &Path() const { return m_path; }
    int Handle() const { return m_fd; }
    qint64 Size() const { return m_identity.Size; }
    const TIdentity &Identity() const { return m_identity; }

    // Reads exactly n bytes at offset. Fails, and says why, when the file is
    // no longer as it was opened or the read fails or comes up short.
    TState Read(qint64 offset, char *to, qint64 n) const;
    TState Check() const;
    // No name reaches the file any more (it was replaced or removed), so no
    // other program can change it.
    bool Unreachable() const;

private:
    TSourceFile(int fd, QString path, TIdentity identity);

    int m_fd;
    QString m_path;
    TIdentity m_identity;
};
