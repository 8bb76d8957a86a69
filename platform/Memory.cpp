#include "platform/Memory.h"

#include <QFile>

namespace {

// A line "Key:   12345678 kB" of a file of /proc, in bytes.
qint64 KilobytesOf(const QString &file, const QByteArray &key)
{
    QFile status(file);
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(key)) {
            bool ok = false;
            const qint64 kb = line.mid(key.size()).trimmed().split(' ').value(0).toLongLong(&ok);
            return ok ? kb * 1024 : -1;
        }
    }
    return -1;
}

} // namespace

qint64 AvailableMemory()
{
    return KilobytesOf(QStringLiteral("/proc/meminfo"), "MemAvailable:");
}

qint64 AnonymousMemory()
{
    return KilobytesOf(QStringLiteral("/proc/self/status"), "RssAnon:");
}
