#pragma once
// File reads and writes that cannot hang, exhaust memory or leave a damaged
// file: only regular files are read, never more than a limit, and a write
// replaces its target atomically and is on disk when it returns.

#include <QByteArray>
#include <QString>

class QSaveFile;

enum class TReadResult { trOk, trCannotOpen, trTooLarge };

// Reads the regular file name into bytes. A FIFO, a device or a directory is
// refused without blocking; a file larger than limit (also one that grows
// past it while it is read) gives trTooLarge and no more than limit + 1
// bytes are ever read.
TReadResult ReadRegularFile(const QString &name, qint64 limit, QByteArray *bytes);

// Why name cannot be read, in the system's words ("No such file or
// directory", "Permission denied", "Is a directory", ...).
QString ReadFailureReason(const QString &name);

// Commits file (temporary file, data flushed, renamed over the target) and
// then flushes the directory, so that the rename survives a power cut.
bool CommitToDisk(QSaveFile &file);

// Sends what has been written to file on to the disk every 32 MB while the
// rest is made, rather than all of it at the end, so that the sync of
// CommitToDisk has little left. Step after each piece written.
class TWriteBehind
{
public:
    explicit TWriteBehind(QSaveFile &file) : m_file(file) {}
    void Step();

private:
    QSaveFile &m_file;
    qint64 m_started = 0;
};

// Writes bytes to name through a temporary file and CommitToDisk.
bool WriteFileAtomically(const QString &name, const QByteArray &bytes);
