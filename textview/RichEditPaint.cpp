// The text control's look and drawing: colours and font, the visible rows
// painted through the row renderer, the caret's blink and focus, and the
// document laid out on a printer's pages.

#include "textview/RichEdit.h"

#include "document/Links.h"
#include "textview/TextRenderer.h"

#include <QApplication>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QPagedPaintDevice>
#include <QPainter>

#include <algorithm>

// ---- Appearance ----

void TRichEdit::SetColors(const QColor &text, const QColor &background)
{
    QPalette p = palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        p.setColor(group, QPalette::Text, text);
        p.setColor(group, QPalette::Base, background);
    }
    // Links in a colour that reads on the background: the DOS bright cyan on
    // dark ones, the desktop's link colour on light ones.
    const QColor link = background.lightness() < 128 ? QColor(0x55, 0xFF, 0xFF) : QPalette().color(QPalette::Link);
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        p.setColor(group, QPalette::Link, link);
    // The selection stays visible while the control has no focus.
    p.setColor(QPalette::Inactive, QPalette::Highlight, p.color(QPalette::Active, QPalette::Highlight));
    p.setColor(QPalette::Inactive, QPalette::HighlightedText, p.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(p);
    viewport()->update();
}

QColor TRichEdit::TextColor() const
{
    return palette().color(QPalette::Active, QPalette::Text);
}

QColor TRichEdit::BackgroundColor() const
{
    return palette().color(QPalette::Active, QPalette::Base);
}

void TRichEdit::SetTextFont(const QFont &requested)
{
    QFont font = requested;
    // Where the named face is missing, a monospace face with the code page's
    // characters stands in; the font keeps the asked-for name.
    font.setFamilies({requested.family(), QStringLiteral("DejaVu Sans Mono")});
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setKerning(false);
    setFont(font);
    m_font = font;
    ApplyFont();
    RebuildWrap();
    UpdateScrollBars();
    EnsureCaretVisible();
    viewport()->update();
}

// The cells of the face shown: the control's, or the one a derived text asks for.
void TRichEdit::ApplyFont()
{
    const QFont font = ShownFont();
    m_cells.SetFont(font);
    m_cells.SetNinthColumn(m_derivedShown && m_derived->Hints().NinthColumn);
    m_cells.SetStretch(m_derivedShown ? m_derived->Hints().Stretch : 100);
    m_cellWidth = m_cells.CellWidth();
    m_cellHeight = m_cells.CellHeight();
    const QFontMetrics metrics(font);
    m_underlineHeight = std::max(1, metrics.lineWidth());
    m_underlineY = std::clamp(metrics.ascent() + std::max(1, metrics.underlinePos()), 0, m_cellHeight - m_underlineHeight);
}

// ---- Painting ----

void TRichEdit::paintEvent(QPaintEvent *event)
{
    if (m_layout.Wrap())
        LayOutShownLines();
    QPainter p(viewport());
    const QRect area = event->rect();
    const TDerivedText *derived = ShownDerived();
    const QColor background = derived && derived->Hints().Paper.isValid() ? derived->Hints().Paper : BackgroundColor();
    const QColor text = TextColor();
    const QColor selBack = palette().color(QPalette::Active, QPalette::Highlight);
    p.fillRect(area, background);

    const int firstRow = area.top() / m_cellHeight;
    const int lastRow = area.bottom() / m_cellHeight;
    const qsizetype top = TopLine();
    const qsizetype left = LeftColumn();
    const qsizetype selStart = SelStart(), selEnd = SelStart() + SelLength();
    TextRenderer::TRowStyle style;
    style.Text = text;
    style.SelectedText = palette().color(QPalette::Active, QPalette::HighlightedText);
    style.SelectedBack = selBack;
    style.SelStart = selStart;
    style.SelEnd = selEnd;
    style.Link = palette().color(QPalette::Active, QPalette::Link);
    style.UnderlineY = m_underlineY;
    style.UnderlineHeight = m_underlineHeight;
    style.Looks = derived;
    style.BlinkHidden = m_blinkHidden;
    const qsizetype firstColumn = left;
    const qsizetype lastColumn = left + viewport()->width() / m_cellWidth + 1;

    const qsizetype widest = m_layout.Wrap() ? 0 : m_layout.WidestColumns();
    const int indent = Indent();
    for (qsizetype row = firstRow; row <= lastRow; ++row) {
        const qsizetype line = top + row;
        if (line >= m_layout.DisplayLineCount())
            break;
        if (!m_layout.Wrap())
            m_layout.Measure(line); // its tabs may make it the widest
        const qsizetype start = m_layout.DisplayLineStart(line);
        const qsizetype end = m_layout.DisplayLineEnd(line);
        const int y = int(row) * m_cellHeight;
        // Links of the painted cells only: a line may be megabytes long.
        style.Links.clear();
        qsizetype shownColumn = 0;
        const qsizetype shownFrom = TTextLayout::SkipToColumn(Text(), start, end, firstColumn, &shownColumn);
        const qsizetype shownTo = TTextLayout::SkipToColumn(Text(), shownFrom, end, lastColumn, &shownColumn);
        for (const TLink &link : ShownLinks(shownFrom, std::min(end, shownTo + 1)))
            style.Links.append({link.Start, link.End});
        const qsizetype column = TextRenderer::DrawRow(p, m_cells, Text(), start, end, QPoint(indent, y), style,
                                                 firstColumn, lastColumn);
        // A selected line break shows as one selected cell.
        if (end < TextLength() && end >= selStart && end < selEnd && Text().At(end) == '\n')
            p.fillRect(QRect(indent + ClampedPixels(column - left, m_cellWidth), y, m_cellWidth, m_cellHeight), selBack);
    }
    m_cells.Flush(p);
    if (!m_layout.Wrap() && m_layout.WidestColumns() != widest) {
        QMetaObject::invokeMethod(this, &TRichEdit::UpdateScrollBars, Qt::QueuedConnection);
        if (m_centred) // the middle moved
            viewport()->update();
    }

    if (hasFocus() && m_caretVisible) {
        const QRect caret = CharRect(m_caret);
        p.fillRect(QRect(caret.left(), caret.top(), std::max(2, m_cellWidth / 8), caret.height()), text);
    }
}

void TRichEdit::RestartBlink()
{
    m_caretVisible = true;
    const int flash = QApplication::cursorFlashTime();
    // Colour art is read-only: its caret stands still.
    const bool art = m_derivedShown && m_derived->Hints().Paper.isValid();
    if (flash > 0 && hasFocus() && !art)
        m_blink.start(flash / 2, this);
    else
        m_blink.stop();
}


void TRichEdit::focusInEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusInEvent(event);
    RestartBlink();
    viewport()->update();
}

void TRichEdit::focusOutEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusOutEvent(event);
    m_altKeypad.Reset();
    m_blink.stop();
    viewport()->update();
}

// ---- Printing ----

qsizetype TRichEdit::FormatRange(QPainter &painter, QPagedPaintDevice &device, qsizetype first)
{
    // The cells as the printer measures the font, drawn black; the page is
    // white. Colour art is drawn in its colours, on its paper.
    const QSizeF page = device.pageLayout().paintRectPixels(device.logicalDpiX()).size();
    const TDerivedText *derived = ShownDerived();
    TCellPainter cells;
    cells.SetFont(ShownFont(), &device);
    cells.SetNinthColumn(m_cells.NinthColumn());
    cells.SetStretch(m_cells.Stretch());
    const int cellWidth = cells.CellWidth(), cellHeight = cells.CellHeight();
    const int columns = std::max(1, int(page.width()) / cellWidth);
    const int rows = std::max(1, int(page.height()) / cellHeight);
    const qsizetype length = TextLength();
    TextRenderer::TRowStyle ink;
    ink.Text = Qt::black;
    ink.Looks = derived;
    const int paperWidth = derived ? int(std::min<qsizetype>(columns, derived->Hints().Columns)) * cellWidth : 0;
    qsizetype pos = std::clamp<qsizetype>(first, 0, length);
    for (qsizetype row = 0; row < rows && pos < length; ++row) {
        const qsizetype lineEnd = Text().LineEnd(Text().LineOf(pos));
        const qsizetype end = TTextLayout::NextPart(Text(), pos, lineEnd, columns);
        if (derived && derived->Hints().Paper.isValid())
            painter.fillRect(QRect(0, int(row) * cellHeight, paperWidth, cellHeight), derived->Hints().Paper);
        TextRenderer::DrawRow(painter, cells, Text(), pos, end, QPoint(0, int(row) * cellHeight), ink);
        pos = end == lineEnd ? std::min(length, lineEnd + 1) : end;
    }
    cells.Flush(painter);
    return pos;
}

void TRichEdit::ClearFormatCache()
{
    // Pages are laid out from the document as they are drawn; nothing is kept.
}
