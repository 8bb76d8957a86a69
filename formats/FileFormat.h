#pragma once
// How a file's bytes become the document the text control holds and back:
// the character set (found from the bytes or chosen by the user), a
// byte-order mark, the line breaks a Unicode file is written with, and the
// bytes kept aside to be written back as they were read.

#include "document/Charset.h"
#include "document/DecodedSource.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <functional>
#include <optional>

class QIODevice;
class TTextBuffer;

// Colour art is kept byte for byte and drawn in its colours: ANSI art (text
// with escape codes), PCBoard text (ANSI with @X colour codes), binary text
// (character and attribute byte pairs), and the art tools' own formats.
enum class TArtKind { akText, akAnsi, akBinary, akPcboard, akXBin, akArtworx, akIceDraw, akTundra };

struct TFileFormat
{
    TCharset Charset = TCharset::csCp437;
    TArtKind Art = TArtKind::akText;
    bool Bom = false;
    bool BigEndian = false; // UTF-16 only
    // The break a Unicode file is written with: the first one it was read
    // with (CR LF when it had none). The single-byte sets always write CR LF,
    // but for art, whose lone CRs and LFs move the cursor each its own way:
    // only LF breaks its lines and it is written with LF.
    QByteArray Break = "\r\n";
    QByteArray OddByte; // a last byte of UTF-16 text that makes no 16-bit unit
    QByteArray Tail;    // what follows the text: a record of the art, kept as it is

    bool operator==(const TFileFormat &) const = default;
};

namespace FileFormat {

// The bytes looked at to find the character set of a large file.
inline constexpr qsizetype kDetectBytes = 1 << 20;

// The character set of a file from its first bytes (the art's record at the
// end, when they hold it, aside): a UTF-8 mark, a UTF-16 mark, UTF-16 without
// a mark where half the units are plain text, valid UTF-8 with at least one
// multi-byte sequence (a sequence cut off at the end does not count against
// it), Windows-1252 where its accented letters sit in Latin words and no
// byte could be art, else code page 437.
TFileFormat Detect(QByteArrayView head);

// The format of a file read in a character set the user chose: the mark and
// byte order still come from the bytes.
TFileFormat ForCharset(TCharset charset, QByteArrayView head);

// Whether the document is colour art, set in format.Art: the art formats by
// their header (XBin, iCEDraw, TundraDraw), their name (.xb, .adf, .idf,
// .tnd, .pcb, .bin, .ans) or their record (XBin, binary text, PCBoard,
// TundraDraw, character art, ANSi or ANSiMation); ANSI art also by escape
// codes among its first bytes that set colours or move the cursor. Art found
// by name, header or record is read in code page 437 unless the user chose
// the set or the bytes begin with a mark (see IsPicture for the formats
// whose bytes are cells); escape codes make art only of a single-byte text.
// Call it once the tail is set; head is the start of the text.
void DetectArt(TFileFormat &format, QStringView fileName, QByteArrayView head, bool charsetChosen);

// Whether a file's name, header or record says it is art that is a picture
// (every kind but text, ANSI and PCBoard): its bytes are read in code page
// 437 whatever they look like. bytes: the whole file.
bool IsPicture(QStringView fileName, QByteArrayView bytes);

// The name the status bar shows: "CP437", "UTF-8 BOM", "UTF-16 LE", "ANSI art", ...
QString Name(const TFileFormat &format);

// A file's bytes as the text control loads them (breaks as they come; the
// control makes each one '\n'); sets the format's break, odd byte and tail.
QByteArray ToDocument(QByteArray fileBytes, TFileFormat &format);

// The bytes of a file of size bytes whose text is read on demand: where the
// text lies (after the mark, before the record and an odd byte) and how it
// decodes. end is the file's last bytes (as far as a record reaches); sets
// the format's tail and odd byte. The break comes from the scan.
TDecodedSource::TShape Shape(TFileFormat &format, qint64 size, QByteArrayView end, bool lfOnly = false);

// The document written as the file's bytes: into out, read run by run so
// that no copy of a large document is made. progress, when given, is told the
// bytes of the text written and all of them every few megabytes (it must not
// edit the document). False when a write failed, or when the text could not
// be read (a file read from that changed): what was written is then not the
// document.
bool Write(const TTextBuffer &doc, const TFileFormat &format, QIODevice &out,
           const std::function<void(qint64, qint64)> &progress = {});
QByteArray ToFile(const TTextBuffer &doc, const TFileFormat &format);

// The document written in another set (target gives the set, the mark and
// the byte order; the record stays). Characters the target set lacks are
// written as "?": Lacking counts them, FirstLacking is the line (from 0) of
// the first.
struct TConversion
{
    QByteArray File;
    TFileFormat Format;
    qsizetype Lacking = 0;
    qsizetype FirstLacking = -1;
};
TConversion Convert(const TTextBuffer &doc, const TFileFormat &format, const TFileFormat &target);

// The same read in order, a window at a time, never held whole: progress is
// told the positions done and all of them, and returning false stops it.
using TStep = std::function<bool(qint64, qint64)>;
// What the target set lacks (Lacking and FirstLacking), and the format the
// conversion is written in; nothing when stopped.
std::optional<TConversion> Check(const TTextBuffer &doc, const TFileFormat &format, const TFileFormat &target,
                                 const TStep &progress = {});
// The converted file into out, in conversion's format; false when a write
// failed or progress stopped it.
bool WriteConverted(const TTextBuffer &doc, const TConversion &conversion, QIODevice &out, const TStep &progress = {});

} // namespace FileFormat
