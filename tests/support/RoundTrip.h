#pragma once
// What must hold for any file taken in, edited and written back: the file
// Glimra writes is read back in the same set, with the same mark, break and
// record, holding the text the document held; written again unedited, it
// comes back byte for byte. Shared by the randomized test and the fuzzer.

#include "document/TextBuffer.h"
#include "formats/FileFormat.h"
#include "formats/Sauce.h"

#include <QByteArray>
#include <QString>

#include <functional>

namespace RoundTrip {

struct TDocument
{
    TFileFormat Format;
    TTextBuffer Text;
};

inline void Read(const QByteArray &file, TDocument &doc)
{
    doc.Format = FileFormat::Detect(file);
    doc.Text.SetCharset(doc.Format.Charset);
    doc.Text.Load(FileFormat::ToDocument(file, doc.Format));
}

// Checks the written file of a document read from file and then changed by
// edit; the first thing that does not hold, or an empty string. With
// sameSet, the written file must also be taken for the set it was written
// in; else it is read back in that set, as a user who chose it would.
inline QString Check(const QByteArray &file, const std::function<void(TTextBuffer &)> &edit, bool sameSet = true)
{
    TDocument first;
    Read(file, first);
    edit(first.Text);
    const QByteArray written = FileFormat::ToFile(first.Text, first.Format);

    TDocument again;
    if (sameSet) {
        Read(written, again);
    } else {
        again.Format = FileFormat::ForCharset(first.Format.Charset, written);
        again.Text.SetCharset(again.Format.Charset);
        again.Text.Load(FileFormat::ToDocument(written, again.Format));
    }
    const TFileFormat &was = first.Format, &is = again.Format;
    // Text that begins with the mark's own character reads as a mark, and
    // text can end in bytes that make a record once its breaks are CR LF: no
    // reader can tell them apart from the real ones.
    if ((!was.Bom && is.Bom && is.Charset == was.Charset) || (was.Tail.isEmpty() && !is.Tail.isEmpty()))
        return {};
    if (is.Charset != was.Charset || is.Bom != was.Bom || is.BigEndian != was.BigEndian)
        return QStringLiteral("read back as %1, written as %2: %3")
            .arg(FileFormat::Name(is), FileFormat::Name(was), QString::fromLatin1(written.left(64).toHex()));
    // A break is known only where the text has one.
    if (is.Break != was.Break && again.Text.LineCount() > 1)
        return QStringLiteral("the break changed from %1 to %2")
            .arg(QString::fromLatin1(was.Break.toHex()), QString::fromLatin1(is.Break.toHex()));
    if (is.Tail.isEmpty() && !was.Tail.isEmpty())
        return QStringLiteral("the record was lost");
    if (!was.Tail.isEmpty()) {
        const qsizetype before = written.size() - is.Tail.size();
        if (Sauce::Parse(is.Tail)->FileSize != quint32(before))
            return QStringLiteral("the record's size %1 is not the %2 bytes before it")
                .arg(Sauce::Parse(is.Tail)->FileSize).arg(before);
        if (is.Tail != Sauce::WithFileSize(was.Tail, before))
            return QStringLiteral("the record changed beyond its size");
    }
    if (again.Text.Slice(0, again.Text.Length()) != first.Text.Slice(0, first.Text.Length()))
        return QStringLiteral("the text read back differs");
    if (FileFormat::ToFile(again.Text, again.Format) != written)
        return QStringLiteral("an unedited save changed the file");
    return {};
}

} // namespace RoundTrip
