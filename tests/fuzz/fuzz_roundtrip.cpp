// libFuzzer target: any bytes, taken in as a file, edited and written back,
// must keep their form (see support/RoundTrip.h). The first byte of the
// input chooses the edit; the rest is the file. An unedited file must also be
// taken for the same set again; an edited one may not be (typed bytes can
// make a mark, or end the only sequence that told UTF-8), so it is read
// back in its set.

#include "support/RoundTrip.h"

#include <cstdio>
#include <cstdlib>

namespace {

// A lone surrogate is held in its three-byte form (ED A0..BF xx).
bool LoneSurrogate(const QByteArray &ch, bool high)
{
    return ch.size() == 3 && quint8(ch[0]) == 0xED && (quint8(ch[1]) >= 0xB0) != high && quint8(ch[1]) >= 0xA0;
}

// Deleting the one character between a lone high and a lone low surrogate
// of UTF-16 makes them a pair in the file written: malformed input that no
// writer can keep apart, so the round trip cannot hold for it.
bool JoinsLoneSurrogates(const TTextBuffer &doc, qsizetype at)
{
    if (doc.Charset() != TCharset::csUtf16 || at == 0)
        return false;
    const qsizetype before = doc.PrevChar(at), after = doc.NextChar(at);
    return after < doc.Length() && LoneSurrogate(doc.Slice(before, at), true)
        && LoneSurrogate(doc.Slice(after, doc.NextChar(after)), false);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, size_t size)
{
    if (size == 0)
        return 0;
    const unsigned char choice = data[0];
    const QByteArray file(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    const QString problem = RoundTrip::Check(file, [choice](TTextBuffer &doc) {
        if (choice < 64)
            return; // unedited
        // Typing a word or a break at a character's start, or deleting one.
        const qsizetype at = doc.CharStart(doc.Length() * (choice & 63) / 63);
        if (choice < 128)
            doc.Replace(at, at, doc.FromText(QStringLiteral("x\u00E9")), TTextBuffer::TEditKind::Typing);
        else if (choice < 192)
            doc.Replace(at, at, "\n", TTextBuffer::TEditKind::Typing);
        else if (at < doc.Length() && !JoinsLoneSurrogates(doc, at))
            doc.Replace(at, doc.NextChar(at), {}, TTextBuffer::TEditKind::Deleting);
    }, choice < 64);
    if (!problem.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(problem));
        std::abort();
    }
    return 0;
}
