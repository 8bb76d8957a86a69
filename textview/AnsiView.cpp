#include "textview/AnsiView.h"

#include "formats/ArtPicture.h"
#include "formats/Artworx.h"
#include "formats/IceDraw.h"
#include "formats/Pcboard.h"
#include "formats/TundraDraw.h"
#include "formats/XBin.h"
#include "render/TextModeFace.h"
#include "textview/RichEdit.h"

#include <QFontDatabase>
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
// Outline faces drawn after the Amiga's, looked for in this order.
constexpr const char *kAmigaFamilies[] = {"Topaz a600a1200a400", "Topaz", "Amiga", "MicroKnight", "P0T-NOoDLE", "mO'sOul"};

// The text cannot hold these as characters of a line: the cell draws their pictures.
char32_t PictureOf(quint8 ch)
{
    return ch == '\t' ? U'\u25CB' : ch == '\n' ? U'\u25D9' : ch == '\r' ? U'\u266A' : 0;
}

// A stream of the document's bytes, a slice at a time, into a writer.
template <typename Write>
void Feed(const TTextBuffer &bytes, const TAnsiScreen &screen, Write write)
{
    for (qsizetype at = 0; at < bytes.Length() && !screen.Ended(); at += kSlice)
        write(bytes.Slice(at, std::min(bytes.Length(), at + kSlice)));
}

} // namespace

std::unique_ptr<TAnsiView> TAnsiView::For(const TFileFormat &format, TAnsiWrap wrap)
{
    if (format.Art == TArtKind::akText)
        return nullptr;
    return std::make_unique<TAnsiView>(format.Art, Sauce::Parse(format.Tail), wrap);
}

void TAnsiView::Load(TRichEdit &edit, QByteArray text, const TFileFormat &format, bool keepFace, TAnsiWrap wrap)
{
    std::unique_ptr<TAnsiView> view = For(format, wrap);
    if (view)
        view->m_keepFace = keepFace;
    const TTextBuffer::TBreaks breaks = view ? TTextBuffer::TBreaks::LfOnly : TTextBuffer::TBreaks::Any;
    edit.SetBytes(std::move(text), format.Charset, breaks, std::move(view));
}

TAnsiView::TAnsiView(TArtKind kind, const std::optional<TSauce> &record, TAnsiWrap wrap)
    : m_kind(kind), m_wrap(wrap)
{
    if (record) {
        m_width = record->Width();
        m_height = record->Height();
        m_ice = record->IceColors();
        m_aspect = record->Stretched();
        m_hints.NinthColumn = record->NinePixels();
        const QByteArray &font = record->Font;
        for (const TRecordFont &known : kRecordFonts) {
            const QByteArray name(known.Name);
            if (font == name || font == name + " 437")
                m_recordFamily = QLatin1String(known.Family);
        }
        if (font.startsWith("Amiga")) {
            const QStringList installed = QFontDatabase::families();
            for (const char *family : kAmigaFamilies) {
                if (installed.contains(QLatin1String(family), Qt::CaseInsensitive)) {
                    m_recordFamily = QLatin1String(family);
                    break;
                }
            }
            m_recordNote = m_recordFamily.isEmpty()
                               ? QStringLiteral("No Amiga face installed: the VGA face stands in for %1").arg(QLatin1String(font))
                               : QStringLiteral("%1 stands in for %2").arg(m_recordFamily, QLatin1String(font));
        }
    }
    m_hints.Paper = QColor(0, 0, 0); // where the art sets nothing
    m_hints.Wrap = false;            // the art's rows are its own
    m_text.SetCharset(TCharset::csCp437);
}

void TAnsiView::SetStretch(bool on)
{
    // Text mode's 400 lines filled the height of a 4:3 screen: a 9-pixel
    // cell's pixel was 1.35 times as high as wide, an 8-pixel one's 1.2.
    m_hints.Stretch = on && m_aspect ? (m_hints.NinthColumn ? 135 : 120) : 100;
}

QString TAnsiView::FamilyFor(const QString &family) const
{
    if (m_keepFace)
        return family;
    if (!m_ownFamily.isEmpty())
        return m_ownFamily;
    if (!m_recordFamily.isEmpty() && (TTextModeFace::Find(m_recordFamily) || !m_recordNote.isEmpty()))
        return m_recordFamily;
    if (TTextModeFace::Find(family))
        return family;
    return TTextModeFace::Find(QLatin1String(kArtFamily)) ? QLatin1String(kArtFamily) : family;
}

TArtPicture TAnsiView::Draw(const TTextBuffer &bytes, bool terminal) const
{
    const auto whole = [&bytes] { return bytes.Slice(0, bytes.Length()); };
    switch (m_kind) {
    case TArtKind::akXBin:
        return XBin::Read(whole());
    case TArtKind::akArtworx:
        return Artworx::Read(whole());
    case TArtKind::akIceDraw:
        return IceDraw::Read(whole());
    case TArtKind::akTundra:
        return TundraDraw::Read(whole());
    default:
        break;
    }
    TArtPicture picture;
    const bool binary = m_kind == TArtKind::akBinary;
    picture.Screen = TAnsiScreen(m_width, m_ice, binary ? TAnsiScreen::TInput::inBinary : TAnsiScreen::TInput::inAnsi,
                                 terminal ? TAnsiScreen::TWrap::wrTerminal : TAnsiScreen::TWrap::wrDos);
    TAnsiScreen &screen = picture.Screen;
    if (m_kind == TArtKind::akPcboard) {
        TPcboardReader reader(screen);
        Feed(bytes, screen, [&reader](QByteArrayView slice) { reader.Write(slice); });
        reader.Finish();
    } else {
        Feed(bytes, screen, [&screen](QByteArrayView slice) { screen.Write(slice); });
    }
    if (screen.InString())
        picture.Problem = QStringLiteral("A control string that never ends hides the rest of the art");
    return picture;
}

// The wraps draw differently only where a row was filled to its last column
// and then broken by CR or LF: a DOS driver leaves a blank row there, a
// terminal none. The art was made for a terminal when its record's height
// is the rows a terminal draws and not those a DOS driver draws; failing a
// height, when it uses codes only terminals know, or when its filled rows
// are broken more often than they run on into the next.
bool TAnsiView::ChooseTerminal(const TTextBuffer &bytes, const TArtPicture &dos, std::optional<TArtPicture> &terminal) const
{
    const TAnsiScreen::TEvidence &evidence = dos.Screen.Evidence();
    if (evidence.EdgeBreaks == 0)
        return false; // both draw the same
    if (m_height > 0) {
        if (dos.Screen.Rows() == m_height)
            return false;
        terminal = Draw(bytes, true);
        if (terminal->Screen.Rows() == m_height)
            return true;
    }
    return evidence.TerminalCodes || evidence.EdgeBreaks > evidence.EdgeRuns;
}

void TAnsiView::Build(const TTextBuffer &bytes)
{
    const bool wraps = m_kind == TArtKind::akAnsi || m_kind == TArtKind::akPcboard;
    m_terminal = wraps && m_wrap == TAnsiWrap::awTerminal;
    TArtPicture picture = Draw(bytes, m_terminal);
    std::optional<TArtPicture> terminal;
    if (wraps && m_wrap == TAnsiWrap::awAutomatic && ChooseTerminal(bytes, picture, terminal)) {
        m_terminal = true;
        picture = terminal ? std::move(*terminal) : Draw(bytes, true);
    }
    const TAnsiScreen &screen = picture.Screen;
    m_cut = screen.Cut();
    m_problem = picture.Problem;
    m_hints.Columns = screen.Width();
    m_colors = screen.Colors();
    m_links = screen.Links();
    m_ownFamily = picture.Font.IsNull()
                      ? QString()
                      : TTextModeFace::AddOwnFace(picture.Font.Height, picture.Font.Count, picture.Font.Bits);

    // A character a cell, and a break with a cell of its own after each row but the last.
    qsizetype size = 0;
    for (qsizetype row = 0; row < screen.Rows(); ++row)
        size += screen.RowLength(row) + (row > 0);
    QByteArray text(size, '\n');
    m_cells.assign(size_t(size), TAnsiCell());
    char *out = text.data();
    TAnsiCell *cells = m_cells.data();
    bool blinks = false;
    for (qsizetype row = 0; row < screen.Rows(); ++row) {
        if (row > 0) {
            ++out;
            ++cells;
        }
        const qsizetype length = screen.RowLength(row);
        const TAnsiCell *in = screen.RowCells(row);
        std::copy(in, in + length, cells);
        for (qsizetype column = 0; column < length; ++column) {
            out[column] = PictureOf(in[column].Char) ? ' ' : char(in[column].Char);
            blinks |= in[column].Attributes & TAnsiScreen::atBlink;
        }
        out += length;
        cells += length;
    }
    m_hints.Blinks = blinks;
    m_text.Load(std::move(text));
}

QString TAnsiView::Note() const
{
    QStringList notes;
    if (!m_problem.isEmpty())
        notes << m_problem;
    if (m_cut)
        notes << QStringLiteral("Art cut at %L1 rows").arg(m_text.LineCount());
    if (!m_recordNote.isEmpty() && m_ownFamily.isEmpty() && !m_keepFace)
        notes << m_recordNote;
    return notes.join(QStringLiteral("; "));
}

bool TAnsiView::LookAt(qsizetype pos, TextRenderer::TCellLook *look) const
{
    if (pos < 0 || pos >= qsizetype(m_cells.size()))
        return false;
    const TAnsiCell &cell = m_cells[size_t(pos)];
    look->Ink = m_colors[cell.Ink];
    look->Paper = m_colors[cell.Paper];
    look->Blink = cell.Attributes & TAnsiScreen::atBlink;
    if (!m_ownFamily.isEmpty() && m_text.At(pos) != '\n')
        look->Glyph = TTextModeFace::kOwnGlyphs + cell.Char + (cell.Attributes & TAnsiScreen::atSecondHalf ? 256 : 0);
    else
        look->Glyph = PictureOf(cell.Char);
    return true;
}

QList<TLink> TAnsiView::LinksNear(qsizetype from, qsizetype to) const
{
    QList<TLink> links;
    if (m_links.empty() || from < 0 || from >= qsizetype(m_cells.size()))
        return links;
    const qsizetype line = m_text.LineOf(from);
    const qsizetype start = m_text.LineStart(line), end = m_text.LineEnd(line);
    // The runs of one link that reach into [from, to).
    qsizetype pos = from;
    while (pos > start && m_cells[size_t(pos - 1)].Link && m_cells[size_t(pos - 1)].Link == m_cells[size_t(pos)].Link)
        --pos;
    while (pos < std::min(end, std::max(to, from + 1))) {
        const quint16 link = m_cells[size_t(pos)].Link;
        qsizetype next = pos + 1;
        while (next < end && m_cells[size_t(next)].Link == link)
            ++next;
        if (link)
            links.append({pos, next, m_links[link - 1]});
        pos = next;
    }
    return links;
}

QString TAnsiView::LinkAt(qsizetype pos) const
{
    if (pos < 0 || pos >= qsizetype(m_cells.size()) || m_cells[size_t(pos)].Link == 0)
        return {};
    return m_links[m_cells[size_t(pos)].Link - 1];
}
