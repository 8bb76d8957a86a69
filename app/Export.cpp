#include "app/Export.h"

#include "app/DocumentFile.h"

#include "platform/Cp437.h"
#include "platform/Errors.h"
#include "platform/Printing.h"
#include "platform/SafeFile.h"
#include "render/CellPainter.h"
#include "render/PngBands.h"
#include "render/TextModeFace.h"
#include "render/WebFont.h"
#include "formats/FileFormat.h"
#include "formats/Sauce.h"
#include "formats/HtmlPage.h"
#include "textview/AnsiView.h"
#include "textview/RichEdit.h"
#include "textview/TextRenderer.h"

#include <QBuffer>
#include <QFile>
#include <QHash>
#include <QFontInfo>
#include <QFileInfo>
#include <QImageWriter>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

#include <algorithm>

namespace Export {
namespace {

static_assert(kRecordReach == 1 + 5 + 255 * Sauce::kCommentSize + Sauce::kRecordSize);

// Lines drawn between two looks at the progress.
constexpr int kLinesPerStep = 512;
// A thumbnail is drawn from at most this many columns of its first lines.
constexpr int kThumbnailColumns = 132;

// Draws lines [first, last) into a new image of columns cells, at scale.
QImage Draw(const TTextBuffer &doc, TCellPainter &cells, const TLook &look, qsizetype first, qsizetype last, int columns,
            int scale, const TProgress &progress)
{
    const int rows = int(std::max<qsizetype>(1, last - first)); // checked to fit
    QImage image(columns * cells.CellWidth() * scale, rows * cells.CellHeight() * scale, QImage::Format_RGB32);
    if (image.isNull())
        throw EGlimraError(QStringLiteral("Not enough memory for an image of %1 × %2 pixels")
                               .arg(columns * cells.CellWidth() * scale).arg(rows * cells.CellHeight() * scale));
    image.setDevicePixelRatio(scale);
    image.fill(look.Background);
    QPainter painter(&image);
    for (qsizetype line = first; line < last; line += kLinesPerStep) {
        if (progress && !progress(line - first, last - first))
            throw EAbort();
        TextRenderer::DrawLines(painter, cells, doc, line, std::min(last, line + kLinesPerStep),
                                QPoint(0, int(line - first) * cells.CellHeight()), look.Text, look.Background,
                                look.Looks, columns);
    }
    return image;
}

// The cells of a look.
void SetCells(TCellPainter &cells, const TLook &look)
{
    cells.SetFont(look.Font);
    cells.SetNinthColumn(look.NinthColumn);
    cells.SetStretch(look.Stretch);
}

// The look of a control's font and colours with the art's over them.
TLook ArtLook(TLook look, const TDerivedText *art)
{
    if (!art)
        return look;
    look.Font = art->FontFor(look.Font);
    if (art->Hints().Paper.isValid())
        look.Background = art->Hints().Paper;
    look.Looks = art;
    look.NinthColumn = art->Hints().NinthColumn;
    look.Columns = art->Hints().Columns;
    look.Stretch = art->Hints().Stretch;
    return look;
}

} // namespace

TLook LookOf(const TRichEdit &edit)
{
    return ArtLook({edit.font(), edit.TextColor(), edit.BackgroundColor()}, edit.ShownDerived());
}

QImage Picture(const TTextBuffer &doc, const TLook &look, qsizetype first, qsizetype last, int scale, const TProgress &progress,
               qint64 maxBytes)
{
    first = std::clamp<qsizetype>(first, 0, doc.LineCount());
    last = std::clamp<qsizetype>(last, first, doc.LineCount());
    TCellPainter cells;
    SetCells(cells, look);
    const qint64 columns = std::max({qsizetype(1), look.Columns, TextRenderer::Columns(doc, first, last)});
    const qint64 width = qint64(columns) * cells.CellWidth() * scale;
    const qint64 lineHeight = qint64(cells.CellHeight()) * scale;
    const qint64 rows = std::max<qsizetype>(1, last - first);
    const qint64 fit = width > kMaxImageSide ? 0 : std::min(kMaxImageSide / lineHeight, maxBytes / (width * 4 * lineHeight));
    if (rows > fit)
        throw EGlimraError(QStringLiteral("The image would be %1 × %2 pixels, more than a picture in memory holds "
                                          "(%3 pixels a side, %4 MB): at most %5 lines fit")
                               .arg(width).arg(rows * lineHeight).arg(kMaxImageSide).arg(maxBytes >> 20).arg(fit));
    return Draw(doc, cells, look, first, last, int(columns), scale, progress);
}

void WritePicture(const TTextBuffer &doc, const TLook &look, qsizetype first, qsizetype last, int scale,
                  const QString &name, const TProgress &progress, int bandPixels)
{
    first = std::clamp<qsizetype>(first, 0, doc.LineCount());
    last = std::clamp<qsizetype>(last, first, doc.LineCount());
    TCellPainter cells;
    SetCells(cells, look);
    const qint64 columns = std::max({qsizetype(1), look.Columns, TextRenderer::Columns(doc, first, last)});
    const qint64 width = columns * cells.CellWidth() * scale;
    const qint64 lineHeight = qint64(cells.CellHeight()) * scale;
    const qint64 rows = std::max<qsizetype>(1, last - first);
    if (width > kMaxBandWidth || rows * lineHeight > TPngBands::kMaxSide)
        throw EGlimraError(QStringLiteral("The image would be %1 × %2 pixels, more than a PNG image holds "
                                          "(%3 pixels a side): at most %4 lines fit")
                               .arg(width).arg(rows * lineHeight).arg(TPngBands::kMaxSide).arg(TPngBands::kMaxSide / lineHeight));
    const qint64 height = rows * lineHeight;
    // Bands of a few megabytes, a whole number of the scale's pixels high.
    qint64 band = bandPixels > 0 ? bandPixels : std::max<qint64>(1, (8 << 20) / (width * 4));
    band = std::max<qint64>(scale, band / scale * scale);
    // A palette where the colours are few; met the 257th, it starts again in 24 bits.
    for (const TPngBands::TKind kind : {TPngBands::TKind::Palette, TPngBands::TKind::Rgb}) {
        QSaveFile file(name);
        if (!file.open(QIODevice::WriteOnly))
            throw DocumentFile::CannotCreate(name, file);
        TPngBands png(file, int(width), height, kind);
        TWriteBehind behind(file);
        bool full = false;
        for (qint64 top = 0; top < height && !full; top += band) {
            behind.Step();
            if (progress && !progress(top, height))
                throw EAbort();
            QImage image(int(width), int(std::min(band, height - top)), QImage::Format_RGB32);
            if (image.isNull())
                throw EGlimraError(QStringLiteral("Not enough memory for a band of %1 × %2 pixels").arg(width).arg(band));
            image.setDevicePixelRatio(scale);
            image.fill(look.Background);
            {
                // The lines that reach into the band, the first drawn from above it.
                const qsizetype from = first + qsizetype(top / lineHeight);
                const qsizetype to = std::min<qsizetype>(last, first + qsizetype((top + image.height() + lineHeight - 1) / lineHeight));
                QPainter painter(&image);
                cells.SetPatternOrigin(QPoint(0, -int(top / scale)));
                if (to > from)
                    TextRenderer::DrawLines(painter, cells, doc, from, to,
                                            QPoint(0, int((from - first) * lineHeight - top) / scale), look.Text,
                                            look.Background, look.Looks, columns);
            }
            if (!png.Add(image)) {
                full = png.PaletteFull();
                if (!full)
                    throw DocumentFile::CannotCreate(name, png.Error());
            }
        }
        if (full)
            continue; // not written: the file stays as it was
        if (!png.Finish() || !CommitToDisk(file))
            throw DocumentFile::CannotCreate(name, png.Error().isEmpty() ? file.errorString() : png.Error());
        return;
    }
}

void WritePng(const QImage &image, const QString &name)
{
    QSaveFile file(name);
    bool written = file.open(QIODevice::WriteOnly);
    if (written) {
        QImageWriter writer(&file, "png");
        written = writer.write(image);
    }
    if (!written || !CommitToDisk(file))
        throw DocumentFile::CannotCreate(name, file);
}

int PaintPages(TRichEdit &edit, QPainter &painter, QPagedPaintDevice &device, const TProgress &progress)
{
    struct TClearCache // also when printing fails
    {
        TRichEdit &Edit;
        ~TClearCache() { Edit.ClearFormatCache(); }
    } clear{edit};
    edit.ClearFormatCache();
    const qsizetype length = edit.TextLength();
    qsizetype first = 0;
    int pages = 1;
    for (;;) {
        const qsizetype next = edit.FormatRange(painter, device, first);
        if (next == -1 || next >= length || next <= first)
            return pages;
        if (progress && !progress(next, length))
            throw EAbort();
        device.newPage();
        ++pages;
        first = next;
    }
}

void WritePdf(TRichEdit &edit, const QString &title, const QString &name, const TProgress &progress)
{
    // The default printer's paper and resolution, so that the pages are
    // Print's; without a printer, Qt's PDF defaults.
    QPageLayout layout;
    int resolution = 0;
    try {
        const std::unique_ptr<QPrinter> printer = Printing::DefaultPrinter();
        layout = printer->pageLayout();
        resolution = printer->resolution();
    } catch (const EGlimraError &) {
        QPrinter pdf(QPrinter::HighResolution);
        pdf.setOutputFormat(QPrinter::PdfFormat);
        layout = pdf.pageLayout();
        resolution = pdf.resolution();
    }
    QSaveFile file(name);
    if (!file.open(QIODevice::WriteOnly))
        throw DocumentFile::CannotCreate(name, file);
    QPdfWriter writer(&file);
    writer.setTitle(title);
    writer.setCreator(QStringLiteral("Glimra"));
    writer.setResolution(resolution);
    writer.setPageLayout(layout);
    QPainter painter;
    if (!painter.begin(&writer))
        throw DocumentFile::CannotCreate(name, file);
    PaintPages(edit, painter, writer, progress);
    if (!painter.end() || !CommitToDisk(file))
        throw DocumentFile::CannotCreate(name, file);
}


namespace {

// The text-mode face drawn (else the PC's 8 x 16 one) as a font of its pixels
// in the page.
void EmbedFace(THtmlLook &html, const QString &family, bool ninthColumn)
{
    const TTextModeFace *face = TTextModeFace::Find(family);
    if (!face)
        face = TTextModeFace::Find(QStringLiteral("Text Mode 8x16"));
    if (!face)
        return; // the console fonts are not installed: the page names fonts
    html.CellWidth = face->Width() + (ninthColumn ? 1 : 0);
    html.CellHeight = face->Height();
    // Made once a face and spacing for the run.
    static QHash<QString, QByteArray> made;
    const QString key = face->Family() + (ninthColumn ? QStringLiteral(" 9") : QString());
    auto it = made.find(key);
    if (it == made.end()) {
        QList<char32_t> characters = WebFont::PageCharacters();
        QList<WebFont::TGlyph> glyphs;
        if (face->IsOwn()) {
            // An art file's own font draws each byte's glyph (of its first
            // half) for the character the page holds.
            QList<char32_t> own;
            characters.removeIf([](char32_t ch) { return !Cp437::FromUnicode(ch); });
            for (const char32_t ch : characters)
                own << TTextModeFace::kOwnGlyphs + *Cp437::FromUnicode(ch);
            glyphs = WebFont::GlyphsOf(*face, own, ninthColumn);
            for (qsizetype k = 0; k < glyphs.size(); ++k)
                glyphs[k].Code = characters[k];
        } else {
            glyphs = WebFont::GlyphsOf(*face, characters, ninthColumn);
        }
        it = made.insert(key, WebFont::Make(QStringLiteral("Glimra Cells"), html.CellWidth, html.CellHeight, glyphs));
    }
    html.Font = *it;
}

} // namespace

namespace {

// The page of the document into out; false when a write failed or progress stopped it.
bool WritePage(const TTextBuffer &bytes, const TFileFormat &format, const QString &name, const TLook &look, QIODevice &out,
               const TProgress &progress)
{
    THtmlLook html;
    html.Text = look.Text.rgb() & 0xFFFFFF;
    html.Background = look.Background.rgb() & 0xFFFFFF;
    html.Family = QFontInfo(look.Font).family();
    const std::optional<TSauce> record = Sauce::Parse(format.Tail);
    std::unique_ptr<TAnsiView> art = TAnsiView::For(format);
    if (!art) {
        EmbedFace(html, look.Font.family(), false);
        return HtmlPage::Write(bytes, record, name, html, out, {}, progress);
    }
    // The characters the art draws, each run of cells in its colours.
    art->Build(bytes);
    EmbedFace(html, art->FamilyFor(look.Font.family()), art->Hints().NinthColumn);
    const TTextBuffer &drawn = art->Text();
    html.Text = 0xAAAAAA;
    html.Background = 0x000000;
    const auto colours = [&art, &drawn](qsizetype line) {
        QList<THtmlRun> runs;
        for (qsizetype pos = drawn.LineStart(line); pos < drawn.LineEnd(line); pos = drawn.NextChar(pos)) {
            TextRenderer::TCellLook cell;
            if (!art->LookAt(pos, &cell))
                cell = {0xAAAAAA, 0x000000, 0};
            const quint32 ink = cell.Ink & 0xFFFFFF, paper = cell.Paper & 0xFFFFFF;
            const QString link = art->LinkAt(pos);
            if (!runs.isEmpty() && runs.back().Ink == ink && runs.back().Paper == paper && runs.back().Link == link)
                ++runs.back().Length;
            else
                runs.append({1, ink, paper, link});
        }
        return runs;
    };
    return HtmlPage::Write(drawn, record, name, html, out, colours, progress);
}

} // namespace

QByteArray Html(const TTextBuffer &bytes, const TFileFormat &format, const QString &name, const TLook &look)
{
    QByteArray page;
    QBuffer out(&page);
    out.open(QIODevice::WriteOnly);
    WritePage(bytes, format, name, look, out, {});
    return page;
}

void WriteHtml(const TTextBuffer &bytes, const TFileFormat &format, const QString &title, const TLook &look,
               const QString &name, const TProgress &progress)
{
    QSaveFile file(name);
    if (!file.open(QIODevice::WriteOnly))
        throw DocumentFile::CannotCreate(name, file);
    TWriteBehind behind(file);
    bool stopped = false;
    const bool written = WritePage(bytes, format, title, look, file, [&](qint64 done, qint64 total) {
        behind.Step();
        stopped = progress && !progress(done, total);
        return !stopped;
    });
    if (stopped)
        throw EAbort(); // nothing written: the file stays as it was
    if (!written || !CommitToDisk(file))
        throw DocumentFile::CannotCreate(name, file);
}


QImage Thumbnail(const QString &fileName, const TLook &fileLook, int size)
{
    // Only a regular file is opened: a FIFO would wait for a writer.
    QFile file(fileName);
    if (!QFileInfo(fileName).isFile() || !file.open(QIODevice::ReadOnly))
        throw EGlimraError(QStringLiteral("Cannot open file %1").arg(fileName), ReadFailureReason(fileName));
    QByteArray head = file.read(kThumbnailBytes);
    const bool cut = !file.atEnd();
    QByteArray end;
    if (cut) {
        // Art's record, which says how to draw it, is at the file's end.
        const qint64 reach = std::min<qint64>(file.size(), kRecordReach);
        end = file.seek(file.size() - reach) ? file.read(reach) : QByteArray();
    }
    return Thumbnail(std::move(head), cut, end, fileName, fileLook, size);
}

QImage Thumbnail(QByteArray head, bool cut, const QByteArray &end, const QString &fileName, const TLook &fileLook, int size)
{
    TFileFormat format = FileFormat::IsPicture(fileName, head) ? FileFormat::ForCharset(TCharset::csCp437, head)
                                                               : FileFormat::Detect(head);
    head = FileFormat::ToDocument(std::move(head), format);
    if (cut)
        format.Tail = end.last(Sauce::TailLength(end));
    FileFormat::DetectArt(format, fileName, head, false);
    TTextBuffer bytes;
    bytes.SetCharset(format.Charset);
    bytes.SetBreaks(format.Art == TArtKind::akText ? TTextBuffer::TBreaks::Any : TTextBuffer::TBreaks::LfOnly);
    bytes.Load(std::move(head));
    const std::unique_ptr<TAnsiView> art = TAnsiView::For(format);
    if (art)
        art->Build(bytes);
    const TTextBuffer &doc = art ? art->Text() : bytes;
    const TLook look = ArtLook(fileLook, art.get());

    TCellPainter cells;
    SetCells(cells, look);
    // The top of the art, about as high as it is wide; a line cut off by the
    // end of what was read is left out.
    const int lines = int(std::min<qsizetype>(kThumbnailColumns, std::max<qsizetype>(1, doc.LineCount() - (cut && doc.LineCount() > 1 ? 1 : 0))));
    const int columns = int(std::clamp<qsizetype>(std::max(look.Columns, TextRenderer::Columns(doc, 0, lines)), 1, kThumbnailColumns));
    const int rows = std::clamp((columns * cells.CellWidth() + cells.CellHeight() - 1) / cells.CellHeight(), 1, lines);
    const QImage top = Draw(doc, cells, look, 0, rows, columns, 1, {});
    if (top.width() <= size && top.height() <= size)
        return top;
    return top.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

} // namespace Export
