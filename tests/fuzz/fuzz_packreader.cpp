// libFuzzer target: any bytes read as a pack, as the window and the gallery
// read one: listed, then each entry read whole and by its head, within small
// bounds. Names must come out clean and the bounds must hold.

#include "document/DecodedSource.h"
#include "packs/PackReader.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>
#include <cstdlib>

namespace {

TPackBounds Small()
{
    TPackBounds bounds;
    bounds.InMemory = 64 << 10;
    bounds.Largest = 1 << 20;
    bounds.Entries = 2000;
    bounds.Expansion = 32 << 20;
    bounds.Growth = 96 << 20;
    return bounds;
}

void Fail(const char *what, const QString &name)
{
    std::fprintf(stderr, "%s: %s\n", what, qPrintable(name));
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication app(*argc, *argv);
    TPackReader::SetBounds(Small());
    // Large entries go to unnamed files here.
    TDecodedSource::SetCopyFolder(QDir::temp().filePath(QStringLiteral("glimra-fuzz")));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, size_t size)
{
    const auto source = TPackSource::FromBytes(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    TPackReader reader(source);
    const TPackListing listing = reader.List();
    if (listing.Entries.size() > Small().Entries)
        Fail("more entries than the bound", QString::number(listing.Entries.size()));
    TPackReader again(source, listing.Streamed);
    for (qsizetype k = 0; k < std::min<qsizetype>(listing.Entries.size(), 64); ++k) {
        const TPackEntry &entry = listing.Entries[k];
        if (entry.Name.isEmpty() || entry.Name.size() > 1024)
            Fail("a name empty or too long", entry.Name);
        for (const QChar ch : entry.Name) {
            if (ch.category() == QChar::Other_Control || ch == u'\\')
                Fail("a control character or backslash in a name", entry.Name);
        }
        const TEntryData whole = again.Read(entry);
        const qint64 read = whole.File ? whole.File->Size() : whole.Bytes.size();
        if (read > Small().Largest || whole.Bytes.size() > Small().InMemory)
            Fail("an entry read past the bounds", entry.Name);
        const TEntryHead head = again.Head(entry, 4096, 256, 1 << 16);
        if (head.Head.size() > 4096 || head.Tail.size() > 256)
            Fail("a head or tail longer than asked", entry.Name);
    }
    return 0;
}
