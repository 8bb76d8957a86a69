#pragma once
// How much memory the machine can still give a document, as the system's
// memory status tells it.

#include <QtGlobal>

// Bytes that can be had without pushing other programs out (MemAvailable),
// or -1 when the system does not say.
qint64 AvailableMemory();

// Bytes of anonymous memory the process holds now (RssAnon), or -1 when the
// system does not say.
qint64 AnonymousMemory();

// What holding a document of the given size costs: the text, its room to
// grow and the index of its lines.
inline qint64 DocumentMemory(qint64 bytes)
{
    return bytes + bytes / 8 + (qint64(1) << 20);
}
