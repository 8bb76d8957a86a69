#pragma once
// Pictures of the document: images drawn as the screen draws the text, PDF
// pages laid out as Print lays them out, and thumbnails of a file's top.
// Failures are raised with the messages the user sees; a cancelled export
// raises the silent abort and leaves no file behind.

#include <QColor>
#include <QFont>
#include <QImage>
#include <QString>

#include <functional>

class QPagedPaintDevice;
class QPainter;
class TRichEdit;
class TTextBuffer;
struct TFileFormat;
namespace TextRenderer {
class TCellLooks;
}

// The font and colours a picture is drawn in; colour art adds the looks of
// its characters, its letter spacing and its width.
struct TLook
{
    QFont Font;
    QColor Text;
    QColor Background;
    const TextRenderer::TCellLooks *Looks = nullptr;
    bool NinthColumn = false;
    qsizetype Columns = 0; // the fewest columns of a picture
    int Stretch = 100;     // row height in percent (see TCellPainter::SetStretch)
};

// Tells how much of the work is done; false asks to stop.
using TProgress = std::function<bool(qint64 done, qint64 total)>;

namespace Export {

// The look of what the control shows: its font and colours, or colour art's.
TLook LookOf(const TRichEdit &edit);

// libpng refuses a larger side on write as on read (its default user limit).
inline constexpr qint64 kMaxImageSide = 1000000;
// The QImage is kept below 2 GiB, within reach of Qt's int-indexed image code.
inline constexpr qint64 kMaxImageBytes = (qint64(1) << 31) - 1;

// The picture of the lines [first, last): columns of the widest line times
// the cell width by lines times the cell height, times scale. Raises a
// message with the largest number of lines that fits when the image would
// be larger than the limits above, before anything is drawn.
QImage Picture(const TTextBuffer &doc, const TLook &look, qsizetype first, qsizetype last, int scale,
               const TProgress &progress = {}, qint64 maxBytes = kMaxImageBytes);
// The largest picture put on the clipboard, which holds it whole (and the
// program receiving it another copy).
inline constexpr qint64 kMaxCopyBytes = qint64(256) << 20;

// Writes the image as PNG through a temporary file renamed over name.
void WritePng(const QImage &image, const QString &name);

// The widest picture written in bands (a band's row takes 4 bytes a pixel).
inline constexpr qint64 kMaxBandWidth = 1 << 24;

// The picture of the lines [first, last), as Picture draws it, written as PNG
// band by band (bandPixels high, a few megabytes when 0) through a temporary
// file renamed over name: any height up to the format's limit, in the memory
// of a band. With at most 256 colours it is written with a palette.
void WritePicture(const TTextBuffer &doc, const TLook &look, qsizetype first, qsizetype last, int scale,
                  const QString &name, const TProgress &progress = {}, int bandPixels = 0);

// Print's page loop: formats and draws the whole text on device, one page
// after another; returns the number of pages.
int PaintPages(TRichEdit &edit, QPainter &painter, QPagedPaintDevice &device, const TProgress &progress = {});

// The pages Print would make, written as a PDF file.
void WritePdf(TRichEdit &edit, const QString &title, const QString &name, const TProgress &progress = {});

// The document (its bytes, read in format) as one standalone web page;
// colour art as it is drawn, in its colours. name stands for the title
// where the art's record gives none.
QByteArray Html(const TTextBuffer &bytes, const TFileFormat &format, const QString &name, const TLook &look);
// The same written through a temporary file renamed over name as the
// document is read, never held whole; progress may stop it (the silent abort,
// the file as it was).
void WriteHtml(const TTextBuffer &bytes, const TFileFormat &format, const QString &title, const TLook &look,
               const QString &name, const TProgress &progress = {});

// The top of a file's art no larger than size by size, scaled down smoothly;
// only the file's first bytes are read.
QImage Thumbnail(const QString &fileName, const TLook &look, int size);
// The same from bytes held: head, the file's first bytes (cut: not all of
// it), and end, its last ones where art keeps its record; name tells the
// kind of art by its extension. Safe in any thread.
QImage Thumbnail(QByteArray head, bool cut, const QByteArray &end, const QString &name, const TLook &look, int size);
// The first bytes a thumbnail is drawn from, and the last where art keeps
// its record (its comments, up to 255 lines, and the record itself).
inline constexpr qint64 kThumbnailBytes = 64 * 1024;
inline constexpr qint64 kRecordReach = 1 + 5 + 255 * 64 + 128;

} // namespace Export
