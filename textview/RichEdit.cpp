// The text control: its document and the text shown (bytes or a derived
// text), selection and editing, display lines and scrolling. Keys and mouse
// are in RichEditInput.cpp, drawing in RichEditPaint.cpp.

#include "textview/RichEdit.h"

#include "textview/RichEditAccessible.h"
#include "document/TextSearch.h"

#include <QAccessible>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QScrollBar>

#include <algorithm>

namespace {

TRichEdit::TCharClass ClassOf(char32_t ch)
{
    if (ch == U'\n')
        return TRichEdit::ccBreak;
    if (ch == U' ' || ch == U'\t' || ch == 0)
        return TRichEdit::ccBlank;
    return (QChar::isLetterOrNumber(ch) || ch == U'_') ? TRichEdit::ccWord : TRichEdit::ccOther;
}

} // namespace

TRichEdit::TRichEdit(QWidget *parent) : QAbstractScrollArea(parent)
{
    InstallRichEditAccessible();
    setObjectName(QStringLiteral("richedit"));
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    viewport()->setAttribute(Qt::WA_InputMethodEnabled, false);
    viewport()->setAutoFillBackground(false);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setMouseTracking(true); // the hand over a link while Ctrl is held
    setAcceptDrops(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) { m_rows.FromBar(value); });
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) { m_columns.FromBar(value); });

    QFont font(QStringLiteral("Terminal"));
    font.setPixelSize(12);
    SetTextFont(font);
    SetColors(QColor(192, 192, 192), QColor(0, 0, 128));
}

// ---- Document ----

QByteArray TRichEdit::Bytes() const
{
    return m_doc.FileBytes();
}

TCharset TRichEdit::Charset() const
{
    return m_doc.Charset();
}

qsizetype TRichEdit::CharCount(qsizetype from, qsizetype to) const
{
    from = std::clamp<qsizetype>(from, 0, TextLength());
    return Text().CharCount(from, std::clamp(to, from, TextLength()));
}

void TRichEdit::SetBytes(QByteArray bytes, TCharset charset, TTextBuffer::TBreaks breaks, std::unique_ptr<TDerivedText> derived)
{
    m_loading = false;
    const qsizetype before = TextLength();
    m_doc.SetCharset(charset);
    m_doc.SetBreaks(breaks);
    m_doc.Load(std::move(bytes));
    // The old one was made from the old bytes; the bytes are laid out only when shown.
    m_derived = std::move(derived);
    if (m_derived)
        m_derived->Build(m_doc);
    m_derivedShown = m_derived != nullptr;
    m_places[0] = m_places[1] = {};
    BindView();
    if (QAccessible::isActive()) {
        // The old text is gone: its length is told, as blanks.
        TTextBuffer::TChange change;
        change.InsertedChars = TextLength();
        NotifyText(change, QString(before, u' '));
    }
    Reset();
}

void TRichEdit::OpenSource(std::shared_ptr<TDecodedSource> source, TCharset charset)
{
    SetBytes(QByteArray(), charset);
    m_doc.Open(std::move(source));
    m_loading = true;
    m_layout.WidestColumns(); // known from here on, line by line as they come
}

void TRichEdit::AppendScanned(const TScanBatch &batch)
{
    const qsizetype top = TopLine();
    const bool shown = top + viewport()->height() / m_cellHeight + 1 >= m_layout.DisplayLineCount();
    qsizetype longest = 0;
    const TTextBuffer::TChange change = m_doc.AppendSource(batch, &longest);
    m_layout.Appended(change, longest);
    m_loading = !batch.Last;
    UpdateScrollBars();
    if (shown) // the screen shows the end of what was scanned
        viewport()->update();
    if (batch.Last)
        emit Change();
}

void TRichEdit::Clear()
{
    SetBytes(QByteArray());
}

void TRichEdit::Reset()
{
    m_anchor = m_caret = 0;
    m_goalColumn = -1;
    RebuildWrap();
    UpdateScrollBars();
    SetTopLine(0);
    SetLeftColumn(0);
    viewport()->update();
    emit Change();
    NotifyCaret();
    emit SelectionChange();
}

qsizetype TRichEdit::TextLength() const
{
    return Text().Length();
}

bool TRichEdit::Modified() const
{
    return m_doc.Modified();
}

void TRichEdit::SetModified(bool modified)
{
    m_doc.SetModified(modified);
}

// ---- A derived text shown in place of the bytes ----

TTextBuffer &TRichEdit::Text() const
{
    return m_derivedShown ? m_derived->Text() : m_doc;
}

const TTextBuffer &TRichEdit::ShownText() const
{
    return Text();
}

const TDerivedText *TRichEdit::ShownDerived() const
{
    return m_derivedShown ? m_derived.get() : nullptr;
}

void TRichEdit::SetDerivedText(std::unique_ptr<TDerivedText> text)
{
    m_derived = std::move(text);
    m_derivedShown = false;
    ShowDerived(m_derived != nullptr);
}

void TRichEdit::ShowDerived(bool show)
{
    // Each text comes back where it was left: the selection and the first line shown.
    TPlace &left = m_places[m_derivedShown];
    left = {m_anchor, m_caret, TopLine(), LeftColumn()};
    if (show && m_derived)
        m_derived->Build(m_doc); // from the bytes as they are now
    m_derivedShown = show && m_derived;
    BindView();
    Reset();
    const TPlace &back = m_places[m_derivedShown];
    SetSel(back.Anchor, back.Caret - back.Anchor);
    SetTopLine(back.Top);
    SetLeftColumn(back.Left);
}

// The layout, cells and face of the text shown.
void TRichEdit::BindView()
{
    m_layout.SetDocument(Text());
    ApplyFont();
    // Blinking art blinks at the VGA's rate, about twice a second.
    m_blinkHidden = false;
    if (m_derivedShown && m_derived->Hints().Blinks)
        m_artBlink.start(267, this);
    else
        m_artBlink.stop();
    RestartBlink();
}

QFont TRichEdit::ShownFont() const
{
    return m_derivedShown ? m_derived->FontFor(m_font) : m_font;
}

QString TRichEdit::TextRange(qsizetype from, qsizetype to) const
{
    return Text().ToText(Text().Slice(from, to));
}

// ---- Selection and editing ----

qsizetype TRichEdit::SelStart() const
{
    return std::min(m_anchor, m_caret);
}

qsizetype TRichEdit::SelLength() const
{
    return std::abs(m_caret - m_anchor);
}

QString TRichEdit::SelText() const
{
    return TextRange(SelStart(), SelStart() + SelLength());
}

void TRichEdit::SetSel(qsizetype start, qsizetype length)
{
    // Positions from outside (screen readers, the window) never land inside a character.
    const qsizetype size = TextLength();
    start = Text().CharStart(std::clamp<qsizetype>(start, 0, size));
    m_anchor = start;
    m_caret = Text().CharStart(std::clamp<qsizetype>(start + length, 0, size));
    m_goalColumn = -1;
    SelectionMoved();
}

void TRichEdit::CollapseSelection()
{
    SetSel(SelStart(), 0);
}

void TRichEdit::MoveCaret(qsizetype pos, bool extend, bool keepColumn)
{
    pos = std::clamp<qsizetype>(pos, 0, TextLength());
    if (pos == m_caret && (extend || m_anchor == m_caret))
        return;
    m_caret = pos;
    if (!extend)
        m_anchor = pos;
    if (!keepColumn)
        m_goalColumn = -1;
    SelectionMoved();
}

// The caret or the selection changed: show it, restart the blink and tell
// the window and assistive tools.
void TRichEdit::SelectionMoved()
{
    EnsureCaretVisible();
    RestartBlink();
    viewport()->update();
    NotifyCaret();
    emit SelectionChange();
}

void TRichEdit::NotifyCaret()
{
    if (!QAccessible::isActive())
        return;
    QAccessibleTextCursorEvent event(this, AccessibleOffset(m_caret));
    QAccessible::updateAccessibility(&event);
    // A selection is told as it grows and once more when it is gone.
    const bool selected = m_anchor != m_caret;
    if (selected || m_toldSelection) {
        QAccessibleTextSelectionEvent selection(this, AccessibleOffset(SelStart()), AccessibleOffset(SelStart() + SelLength()));
        selection.setCursorPosition(AccessibleOffset(m_caret));
        QAccessible::updateAccessibility(&selection);
    }
    m_toldSelection = selected;
}

void TRichEdit::NotifyText(const TTextBuffer::TChange &change, const QString &removed)
{
    const QString inserted = TextRange(change.From, change.From + change.InsertedChars);
    if (removed.isEmpty() && inserted.isEmpty())
        return;
    if (removed.isEmpty()) {
        QAccessibleTextInsertEvent event(this, AccessibleOffset(change.From), inserted);
        QAccessible::updateAccessibility(&event);
    } else if (inserted.isEmpty()) {
        QAccessibleTextRemoveEvent event(this, AccessibleOffset(change.From), removed);
        QAccessible::updateAccessibility(&event);
    } else {
        QAccessibleTextUpdateEvent event(this, AccessibleOffset(change.From), removed, inserted);
        QAccessible::updateAccessibility(&event);
    }
}

bool TRichEdit::RefuseEdit()
{
    if (!m_derivedShown && !m_readOnly)
        return false;
    emit EditRefused();
    return true;
}

void TRichEdit::Edit(qsizetype from, qsizetype to, const QByteArray &bytes, TTextBuffer::TEditKind kind)
{
    if (RefuseEdit())
        return;
    // The removed text is copied only while an assistive tool listens.
    const bool tell = QAccessible::isActive();
    const QString removed = tell ? TextRange(from, to) : QString();
    const TTextBuffer::TChange change = m_doc.Replace(from, to, bytes, kind);
    if (tell)
        NotifyText(change, removed);
    AfterEdit(change, from + qsizetype(bytes.size()));
}

void TRichEdit::AfterEdit(const TTextBuffer::TChange &change, qsizetype caret)
{
    m_anchor = m_caret = std::clamp<qsizetype>(caret, 0, TextLength());
    m_goalColumn = -1;
    m_layout.Update(change);
    UpdateScrollBars();
    EnsureCaretVisible();
    RestartBlink();
    viewport()->update();
    emit Change();
    NotifyCaret();
    emit SelectionChange();
}

void TRichEdit::ReplaceSel(const QString &text, bool canUndo)
{
    Edit(SelStart(), SelStart() + SelLength(), Text().FromText(text),
         canUndo ? TTextBuffer::TEditKind::Step : TTextBuffer::TEditKind::Untracked);
}

qsizetype TRichEdit::FindText(const QString &what, qsizetype from, qsizetype *length,
                              const std::function<bool(qsizetype)> &progress) const
{
    // The bytes are searched where they lie, never copied whole.
    qsizetype found = 0;
    const qsizetype at = TextSearch::FindInBuffer(Text(), what, from, &found, progress);
    if (length)
        *length = found;
    return at;
}

bool TRichEdit::CanUndo() const
{
    return !m_derivedShown && !m_readOnly && m_doc.CanUndo();
}

void TRichEdit::Undo()
{
    if (RefuseEdit())
        return;
    TTextBuffer::TChange change;
    QByteArray removed;
    // The bytes taken out are copied only while an assistive tool listens.
    const bool tell = QAccessible::isActive();
    const qsizetype caret = m_doc.Undo(&change, tell ? &removed : nullptr);
    if (caret < 0)
        return;
    if (tell)
        NotifyText(change, Text().ToText(removed));
    AfterEdit(change, caret);
}

bool TRichEdit::CanPasteFormat(const QString &mimeType) const
{
    return mimeType == QLatin1String("text/plain") || mimeType.startsWith(QLatin1String("text/plain;"));
}

QMimeData *TRichEdit::SelectionMimeData() const
{
    // Plain text with every character as shown, no-break spaces included.
    auto *data = new QMimeData;
    data->setText(SelText());
    return data;
}

void TRichEdit::CutToClipboard()
{
    if (SelLength() == 0 || RefuseEdit())
        return;
    CopyToClipboard();
    Edit(SelStart(), SelStart() + SelLength(), {}, TTextBuffer::TEditKind::Step);
}

void TRichEdit::CopyToClipboard()
{
    if (SelLength() > 0)
        QGuiApplication::clipboard()->setMimeData(SelectionMimeData());
}

void TRichEdit::PasteFromClipboard()
{
    InsertFromMimeData(QGuiApplication::clipboard()->mimeData(), TTextBuffer::TEditKind::Step);
}

void TRichEdit::InsertFromMimeData(const QMimeData *source, TTextBuffer::TEditKind kind)
{
    if (!source || !source->hasText())
        return;
    Edit(SelStart(), SelStart() + SelLength(), Text().FromText(source->text()), kind);
}

void TRichEdit::SelectAllText()
{
    m_anchor = 0;
    m_caret = TextLength();
    viewport()->update();
    NotifyCaret();
    emit SelectionChange();
}

// ---- Display lines ----

qsizetype TRichEdit::WrapColumns() const
{
    return std::max(1, viewport()->width() / m_cellWidth);
}

void TRichEdit::RebuildWrap()
{
    m_wrapTimer.stop();
    // A derived text may keep its lines whole (the rows of colour art).
    const bool wrap = m_wrap && (!m_derivedShown || m_derived->Hints().Wrap);
    m_layout.SetWrap(wrap, WrapColumns());
    if (!m_layout.Complete())
        m_wrapTimer.start(0, this);
    // Hiding the scroll bar resizes the viewport: the lines are ready for it.
    const Qt::ScrollBarPolicy policy = wrap ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded;
    if (horizontalScrollBarPolicy() != policy)
        setHorizontalScrollBarPolicy(policy);
}

void TRichEdit::LayOutShownLines()
{
    // Laying lines out moves the display lines after them: the screen keeps
    // its first line and the part of it shown.
    const int rows = viewport()->height() / m_cellHeight + 1;
    for (qsizetype pass = 0; pass < 4; ++pass) {
        const qsizetype top = std::clamp<qsizetype>(TopLine(), 0, m_layout.DisplayLineCount() - 1);
        const qsizetype first = Text().LineOf(m_layout.DisplayLineStart(top));
        const qsizetype last = Text().LineOf(m_layout.DisplayLineStart(top + rows));
        const qsizetype caretLine = Text().LineOf(m_caret);
        qsizetype missing = -1;
        for (qsizetype line = first; line <= last && missing < 0; ++line) {
            if (!m_layout.LaidOut(line))
                missing = line;
        }
        if (missing < 0 && m_layout.LaidOut(caretLine))
            return;
        const qsizetype part = top - m_layout.FirstDisplayLine(first);
        if (missing >= 0)
            m_layout.LayOutLines(missing, last + 1);
        m_layout.LayOutLines(caretLine, caretLine + 1);
        UpdateScrollBars();
        const qsizetype count = m_layout.FirstDisplayLine(first + 1) - m_layout.FirstDisplayLine(first);
        SetTopLine(m_layout.FirstDisplayLine(first) + std::min(part, count - 1));
    }
}

void TRichEdit::LayOutMore()
{
    // One slice of the background pass, short enough to keep the window responsive.
    const qsizetype top = std::clamp<qsizetype>(TopLine(), 0, m_layout.DisplayLineCount() - 1);
    const qsizetype first = Text().LineOf(m_layout.DisplayLineStart(top));
    const qsizetype part = top - m_layout.FirstDisplayLine(first);
    m_layout.LayOutMore(8);
    if (m_layout.Complete())
        m_wrapTimer.stop();
    UpdateScrollBars();
    SetTopLine(m_layout.FirstDisplayLine(first) + part);
}

qsizetype TRichEdit::LineFromChar(qsizetype index) const
{
    return m_layout.DisplayLineOf(std::clamp<qsizetype>(index, 0, TextLength()));
}

qsizetype TRichEdit::WidestLine() const
{
    return m_layout.WidestColumns();
}

qsizetype TRichEdit::LineIndex(qsizetype line) const
{
    return line >= 0 && line < m_layout.DisplayLineCount() ? m_layout.DisplayLineStart(line) : -1;
}

QRect TRichEdit::CharRect(qsizetype index) const
{
    index = std::clamp<qsizetype>(index, 0, TextLength());
    const qsizetype row = m_layout.DisplayLineOf(index) - TopLine();
    const qsizetype column = m_layout.ColumnOf(index) - LeftColumn();
    return QRect(Indent() + ClampedPixels(column, m_cellWidth), ClampedPixels(row, m_cellHeight), m_cellWidth, m_cellHeight);
}

int TRichEdit::Indent() const
{
    if (!m_centred)
        return 0;
    const qsizetype width = m_layout.WidestColumns() * m_cellWidth;
    return width < viewport()->width() ? int(viewport()->width() - width) / 2 : 0;
}

void TRichEdit::SetCentred(bool centred)
{
    m_centred = centred;
    viewport()->update();
}

qsizetype TRichEdit::MeasureWidestLine()
{
    constexpr qsizetype kMeasuredAtOnce = 16 << 20;
    if (Text().Length() <= kMeasuredAtOnce) {
        for (qsizetype line = 0; line < Text().LineCount(); ++line)
            m_layout.Measure(line);
    }
    return m_layout.WidestColumns();
}

qsizetype TRichEdit::CharAt(const QPoint &pos) const
{
    const qsizetype line = TopLine() + pos.y() / m_cellHeight;
    if (!viewport()->rect().contains(pos) || line >= m_layout.DisplayLineCount())
        return -1;
    if (pos.x() < Indent())
        return -1;
    const qsizetype column = LeftColumn() + (pos.x() - Indent()) / m_cellWidth;
    qsizetype at = m_layout.PosAtColumn(line, column);
    // A tab's or a wide character's cells are its own; past the end of a
    // line is no character.
    if (at > m_layout.DisplayLineStart(line) && m_layout.ColumnOf(at) > column)
        at = Text().PrevChar(at);
    if (at >= TextLength() || Text().At(at) == '\n')
        return -1;
    const qsizetype first = m_layout.ColumnOf(at);
    qsizetype size = 1;
    const qsizetype cells = TTextLayout::Advance(Text().ShownAt(at, &size), first);
    return column >= first && column < first + cells ? at : -1;
}

qsizetype TRichEdit::HitTest(const QPoint &pos) const
{
    const qsizetype line = TopLine() + (pos.y() < 0 ? -1 : pos.y() / m_cellHeight);
    if (line < 0)
        return 0;
    if (line >= m_layout.DisplayLineCount())
        return TextLength();
    // The nearer edge of a cell; left of the viewport counts cells back.
    const int x = pos.x() - Indent() + m_cellWidth / 2;
    const qsizetype cells = x >= 0 ? x / m_cellWidth : -((m_cellWidth - 1 - x) / m_cellWidth);
    return m_layout.PosAtColumn(line, std::max<qsizetype>(0, LeftColumn() + cells));
}

TRichEdit::TCharClass TRichEdit::ClassAt(qsizetype pos) const
{
    qsizetype length = 1;
    return ClassOf(Text().ShownAt(pos, &length));
}

void TRichEdit::WordRange(qsizetype pos, qsizetype *start, qsizetype *end) const
{
    pos = std::clamp<qsizetype>(pos, 0, TextLength());
    *start = pos < TextLength() ? WordStart(pos) : pos;
    *end = pos < TextLength() ? WordEnd(pos) : pos;
}

qsizetype TRichEdit::WordStart(qsizetype pos) const
{
    const TCharClass cls = ClassAt(pos);
    while (pos > 0 && ClassAt(Text().PrevChar(pos)) == cls)
        pos = Text().PrevChar(pos);
    return pos;
}

qsizetype TRichEdit::WordEnd(qsizetype pos) const
{
    const qsizetype length = TextLength();
    const TCharClass cls = ClassAt(pos);
    while (pos < length && ClassAt(pos) == cls)
        pos = Text().NextChar(pos);
    return pos;
}

// ---- Scrolling ----

void TRichEdit::UpdateScrollBars()
{
    // Both bars count cells, not pixels: a line of millions of cells has
    // more pixels than an int holds.
    const int rows = std::max(1, viewport()->height() / m_cellHeight);
    const int columns = std::max(1, viewport()->width() / m_cellWidth);
    // One cell more than the widest line: the caret after its end shows.
    const qsizetype width = m_layout.Wrap() ? 0 : m_layout.WidestColumns() + 1;
    // Text that fits the whole area needs no bar, also where bars shown for
    // the size before take room from it now.
    const int across = horizontalScrollBar()->isVisible() ? horizontalScrollBar()->height() : 0;
    const int down = verticalScrollBar()->isVisible() ? verticalScrollBar()->width() : 0;
    const bool fits = m_layout.DisplayLineCount() <= (viewport()->height() + across) / m_cellHeight
                      && width <= (viewport()->width() + down) / m_cellWidth;
    verticalScrollBar()->setRange(0, m_rows.SetMax(fits ? 0 : m_layout.DisplayLineCount() - rows));
    verticalScrollBar()->setValue(m_rows.BarValue());
    verticalScrollBar()->setPageStep(rows);
    verticalScrollBar()->setSingleStep(1);
    horizontalScrollBar()->setRange(0, m_columns.SetMax(fits ? 0 : width - columns));
    horizontalScrollBar()->setValue(m_columns.BarValue());
    horizontalScrollBar()->setPageStep(columns);
    horizontalScrollBar()->setSingleStep(1);
}

void TRichEdit::EnsureCaretVisible()
{
    if (m_layout.Wrap()) {
        const qsizetype line = Text().LineOf(m_caret);
        m_layout.LayOutLines(line, line + 1);
    }
    const int rows = std::max(1, viewport()->height() / m_cellHeight);
    const qsizetype line = m_layout.DisplayLineOf(m_caret);
    if (line < TopLine())
        SetTopLine(line);
    else if (line >= TopLine() + rows)
        SetTopLine(line - rows + 1);
    if (m_layout.Wrap())
        return;
    const int columns = std::max(1, viewport()->width() / m_cellWidth);
    const qsizetype column = m_layout.ColumnOf(m_caret);
    if (column < LeftColumn())
        SetLeftColumn(column);
    else if (column >= LeftColumn() + columns)
        SetLeftColumn(column - columns + 1);
}

qsizetype TRichEdit::TopLine() const
{
    return m_rows.Pos();
}

void TRichEdit::SetTopLine(qsizetype line)
{
    verticalScrollBar()->setValue(m_rows.Set(line));
}

qsizetype TRichEdit::LeftColumn() const
{
    return m_layout.Wrap() ? 0 : m_columns.Pos();
}

void TRichEdit::SetLeftColumn(qsizetype column)
{
    horizontalScrollBar()->setValue(m_columns.Set(column));
}

int TRichEdit::ClampedPixels(qsizetype cells, int cellSize)
{
    // Far off screen stays far off screen without overflowing.
    constexpr qsizetype kFar = 1 << 24;
    return int(std::clamp<qsizetype>(cells, -kFar, kFar) * cellSize);
}

void TRichEdit::scrollContentsBy(int, int)
{
    viewport()->update();
}

void TRichEdit::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    if (m_layout.Wrap() && WrapColumns() != m_layout.Columns()) {
        const qsizetype top = m_layout.DisplayLineStart(TopLine());
        RebuildWrap();
        UpdateScrollBars();
        SetTopLine(m_layout.DisplayLineOf(top));
    } else {
        UpdateScrollBars();
    }
}

bool TRichEdit::WordWrap() const
{
    return m_wrap;
}

void TRichEdit::SetWordWrap(bool wrap)
{
    if (wrap == m_wrap)
        return;
    m_wrap = wrap;
    const qsizetype top = m_layout.DisplayLineStart(TopLine());
    RebuildWrap();
    UpdateScrollBars();
    SetTopLine(m_layout.DisplayLineOf(top));
    EnsureCaretVisible();
    viewport()->update();
}

void TRichEdit::timerEvent(QTimerEvent *event)
{
    if (event->timerId() == m_wrapTimer.timerId()) {
        LayOutMore();
        return;
    }
    if (event->timerId() == m_autoScroll.timerId()) {
        if (m_selecting)
            MoveCaret(HitTest(m_lastMouse), true);
        else
            m_autoScroll.stop();
        return;
    }
    if (event->timerId() == m_artBlink.timerId()) {
        m_blinkHidden = !m_blinkHidden;
        viewport()->update();
        return;
    }
    if (event->timerId() != m_blink.timerId()) {
        QAbstractScrollArea::timerEvent(event);
        return;
    }
    m_caretVisible = !m_caretVisible;
    viewport()->update(CharRect(m_caret).adjusted(-1, 0, m_cellWidth, 0));
}
