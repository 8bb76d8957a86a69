#include "textview/AnsiView.h"

#include "formats/Sauce.h"
#include "textview/RichEdit.h"
#include "render/TextModeFace.h"

#include <QLocale>

namespace {

// Bytes of the document read into the screen at a time.
constexpr qsizetype kSlice = 1 << 20;

// The faces a record names (a code page after the name is ours, 437), and
// the text-mode face that draws each.
struct TRecordFont
{
    const char *Name;
    const char *Family;
};
constexpr TRecordFont kRecordFonts[] = {
    {"IBM VGA", "Text Mode 8x16"}, {"IBM EGA", "Text Mode 8x14"},
    {"IBM VGA50", "Text Mode 8x8"}, {"IBM EGA43", "Text Mode 8x8"},
};
constexpr const char *kArtFamily = "Text Mode 8x16";

// The text cannot hold these as characters of a line: the cell draws their pictures.
char32_t PictureOf(quint8 ch)
{
    return ch == '\t' ? U'\u25CB' : ch == '\n' ? U'\u25D9' : ch == '\r' ? U'\u266A' : 0;
}

} // namespace

std::unique_ptr<TAnsiView> TAnsiView::For(const TFileFormat &format)
{
    if (format.Art == TArtKind::akText)
        return nullptr;
    const std::optional<TSauce> record = Sauce::Parse(format.Tail);
    return std::make_unique<TAnsiView>(format.Art, record ? record->Width() : 0, record && record->IceColors(),
                                       record && record->NinePixels(), record ? record->Font : QByteArray());
}

void TAnsiView::Load(TRichEdit &edit, QByteArray text, const TFileFormat &format, bool keepFace)
{
    std::unique_ptr<TAnsiView> view = For(format);
    if (view)
        view->m_keepFace = keepFace;
    const TTextBuffer::TBreaks breaks = view ? TTextBuffer::TBreaks::LfOnly : TTextBuffer::TBreaks::Any;
    edit.SetBytes(std::move(text), format.Charset, breaks, std::move(view));
}

TAnsiView::TAnsiView(TArtKind kind, int width, bool iceColors, bool ninthColumn, const QByteArray &recordFont)
    : m_kind(kind), m_width(width), m_ice(iceColors)
{
    for (const TRecordFont &font : kRecordFonts) {
        const QByteArray name(font.Name);
        if (recordFont == name || recordFont == name + " 437")
            m_recordFamily = QLatin1String(font.Family);
    }
    m_hints.NinthColumn = ninthColumn;
    m_hints.Paper = QColor(0, 0, 0); // where the art sets nothing
    m_hints.Wrap = false;            // the art's rows are its own
    m_text.SetCharset(TCharset::csCp437);
}

QString TAnsiView::FamilyFor(const QString &family) const
{
    if (m_keepFace)
        return family;
    if (!m_recordFamily.isEmpty() && TTextModeFace::Find(m_recordFamily))
        return m_recordFamily;
    if (TTextModeFace::Find(family))
        return family;
    return TTextModeFace::Find(QLatin1String(kArtFamily)) ? QLatin1String(kArtFamily) : family;
}

void TAnsiView::Build(const TTextBuffer &bytes)
{
    TAnsiScreen screen(m_width, m_ice, m_kind == TArtKind::akBinary ? TAnsiScreen::TInput::inBinary : TAnsiScreen::TInput::inAnsi);
    for (qsizetype at = 0; at < bytes.Length() && !screen.Ended(); at += kSlice)
        screen.Write(bytes.Slice(at, std::min(bytes.Length(), at + kSlice)));
    m_cut = screen.Cut();
    m_hints.Columns = screen.Width();
    m_colors = screen.Colors();

    // A character a cell, and a break with a cell of its own after each row but the last.
    qsizetype size = 0;
    for (qsizetype row = 0; row < screen.Rows(); ++row)
        size += screen.RowLength(row) + (row > 0);
    QByteArray text(size, '\n');
    m_cells.assign(size_t(size), TAnsiCell());
    char *out = text.data();
    TAnsiCell *cells = m_cells.data();
    for (qsizetype row = 0; row < screen.Rows(); ++row) {
        if (row > 0) {
            ++out;
            ++cells;
        }
        const qsizetype length = screen.RowLength(row);
        const TAnsiCell *in = screen.RowCells(row);
        std::copy(in, in + length, cells);
        for (qsizetype column = 0; column < length; ++column)
            out[column] = PictureOf(in[column].Char) ? ' ' : char(in[column].Char);
        out += length;
        cells += length;
    }
    m_text.Load(std::move(text));
}

QString TAnsiView::Note() const
{
    return m_cut ? QStringLiteral("Art cut at %L1 rows").arg(m_text.LineCount()) : QString();
}

bool TAnsiView::LookAt(qsizetype pos, TextRenderer::TCellLook *look) const
{
    if (pos < 0 || pos >= qsizetype(m_cells.size()))
        return false;
    const TAnsiCell &cell = m_cells[size_t(pos)];
    look->Ink = m_colors[cell.Ink];
    look->Paper = m_colors[cell.Paper];
    look->Glyph = PictureOf(cell.Char);
    return true;
}
