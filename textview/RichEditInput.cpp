// The control's input: keys, the mouse and text dragged in and out. Kept
// apart from the document, layout and painting of RichEdit.cpp.

#include "textview/RichEdit.h"

#include "platform/Cp437.h"
#include "document/Links.h"

#include <QApplication>
#include <QDrag>
#include <QKeyEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QToolTip>
#include <QWheelEvent>

#include <algorithm>

// ---- Keys ----

void TRichEdit::SetCommandKeys(const QList<QKeySequence> &keys)
{
    m_commandKeys = keys;
}

bool TRichEdit::IsCommandKey(const QKeyEvent *event) const
{
    const QKeySequence pressed(event->keyCombination());
    return std::any_of(m_commandKeys.begin(), m_commandKeys.end(),
                       [&pressed](const QKeySequence &key) { return key.matches(pressed) == QKeySequence::ExactMatch; });
}

bool TRichEdit::event(QEvent *event)
{
    if (event->type() == QEvent::ShortcutOverride && IsCommandKey(static_cast<QKeyEvent *>(event))) {
        event->ignore();
        return true;
    }
    if (event->type() == QEvent::KeyPress) {
        // Tab is typed into the text, not used to move the focus.
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Tab && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            keyPressEvent(key);
            return true;
        }
    }
    return QAbstractScrollArea::event(event);
}

void TRichEdit::keyPressEvent(QKeyEvent *event)
{
    if (m_altKeypad.KeyPress(event->key(), event->modifiers()))
        return;
    if (event->key() == Qt::Key_Control)
        UpdateLinkCursor(viewport()->mapFromGlobal(QCursor::pos()), event->modifiers() | Qt::ControlModifier);
    if (IsCommandKey(event)) {
        event->ignore(); // its command is disabled: the key does nothing
        return;
    }
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    const bool shift = mods & Qt::ShiftModifier;
    const bool ctrl = mods & Qt::ControlModifier;
    const bool other = mods & (Qt::AltModifier | Qt::MetaModifier);
    const qsizetype length = TextLength();
    const int rows = std::max(1, viewport()->height() / m_cellHeight);
    const bool hasSelection = m_anchor != m_caret;
    const qsizetype selStart = SelStart(), selEnd = SelStart() + SelLength();
    auto vertical = [&](qsizetype lines) {
        if (m_goalColumn < 0)
            m_goalColumn = m_layout.ColumnOf(m_caret);
        const qsizetype line = m_layout.DisplayLineOf(m_caret) + lines;
        if (line < 0)
            MoveCaret(0, shift);
        else if (line >= m_layout.DisplayLineCount())
            MoveCaret(length, shift);
        else
            MoveCaret(m_layout.PosAtColumn(line, m_goalColumn), shift, true);
    };
    auto wordRight = [&](qsizetype pos) {
        if (pos < length && Text().At(pos) == '\n')
            return pos + 1;
        if (pos < length)
            pos = WordEnd(pos);
        while (pos < length && ClassAt(pos) == ccBlank)
            pos = Text().NextChar(pos);
        return pos;
    };
    auto wordLeft = [&](qsizetype pos) {
        if (pos > 0 && Text().At(pos - 1) == '\n')
            return pos - 1;
        while (pos > 0 && ClassAt(Text().PrevChar(pos)) == ccBlank)
            pos = Text().PrevChar(pos);
        if (pos > 0 && ClassAt(Text().PrevChar(pos)) != ccBreak)
            pos = WordStart(Text().PrevChar(pos));
        return pos;
    };

    // Shift+F10 asks for the pop-up menu, as the Menu key does.
    if (event->key() == Qt::Key_F10 && mods == Qt::ShiftModifier) {
        emit PopupRequested(CaretPopupPoint());
        return;
    }
    if (event->matches(QKeySequence::SelectAll)) {
        SelectAllText();
        return;
    }
    if (other) {
        event->ignore();
        return;
    }
    switch (event->key()) {
    case Qt::Key_Left:
        MoveCaret(ctrl ? wordLeft(m_caret) : (hasSelection && !shift ? selStart : Text().PrevChar(m_caret)), shift);
        return;
    case Qt::Key_Right:
        MoveCaret(ctrl ? wordRight(m_caret) : (hasSelection && !shift ? selEnd : Text().NextChar(m_caret)), shift);
        return;
    case Qt::Key_Up:
        if (ctrl)
            SetTopLine(TopLine() - 1);
        else
            vertical(-1);
        return;
    case Qt::Key_Down:
        if (ctrl)
            SetTopLine(TopLine() + 1);
        else
            vertical(1);
        return;
    case Qt::Key_PageUp:
        SetTopLine(TopLine() - rows);
        vertical(-rows);
        return;
    case Qt::Key_PageDown:
        SetTopLine(TopLine() + rows);
        vertical(rows);
        return;
    case Qt::Key_Home:
        MoveCaret(ctrl ? 0 : m_layout.DisplayLineStart(m_layout.DisplayLineOf(m_caret)), shift);
        return;
    case Qt::Key_End: {
        if (ctrl) {
            MoveCaret(length, shift);
            return;
        }
        const qsizetype start = m_layout.DisplayLineStart(m_layout.DisplayLineOf(m_caret));
        qsizetype end = m_layout.DisplayLineEnd(m_layout.DisplayLineOf(m_caret));
        // A wrapped part ends where the next one starts: the caret stays on
        // this display line, before the blank that ended it.
        if (end > start && end < Text().LineEnd(Text().LineOf(start)))
            end = Text().PrevChar(end);
        MoveCaret(end, shift);
        return;
    }
    case Qt::Key_Backspace:
        if (shift && ctrl)
            break;
        if (hasSelection)
            Edit(selStart, selEnd, {}, TTextBuffer::TEditKind::Step);
        else if (m_caret > 0)
            Edit(ctrl ? wordLeft(m_caret) : Text().PrevChar(m_caret), m_caret, {}, TTextBuffer::TEditKind::Deleting);
        return;
    case Qt::Key_Delete:
        if (shift)
            break; // Shift+Del is the Cut command's
        if (hasSelection)
            Edit(selStart, selEnd, {}, TTextBuffer::TEditKind::Step);
        else if (m_caret < length)
            Edit(m_caret, ctrl ? wordRight(m_caret) : Text().NextChar(m_caret), {}, TTextBuffer::TEditKind::Deleting);
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!ctrl) {
            Edit(selStart, selEnd, QByteArray("\n"), TTextBuffer::TEditKind::Step);
            return;
        }
        break;
    case Qt::Key_Tab:
        if (!ctrl) {
            Edit(selStart, selEnd, QByteArray("\t"), TTextBuffer::TEditKind::Typing);
            return;
        }
        break;
    default: {
        const QString text = event->text();
        if (!ctrl && !text.isEmpty() && text.front().isPrint()) {
            // A character the code page lacks is stored as '?'.
            Edit(selStart, selEnd, Text().FromText(text), TTextBuffer::TEditKind::Typing);
            return;
        }
    }
    }
    // Clipboard, undo and redo keys among them: the window's commands decide.
    event->ignore();
}

// A character typed by its code, Alt and keypad digits, is typed like any
// other: the code page's character, in the document's own set.
void TRichEdit::keyReleaseEvent(QKeyEvent *event)
{
    if (const std::optional<unsigned char> code = m_altKeypad.KeyRelease(event->key())) {
        const QString typed(QChar(Cp437::ToUnicode(*code)));
        Edit(SelStart(), SelStart() + SelLength(), Text().FromText(typed), TTextBuffer::TEditKind::Typing);
        return;
    }
    if (event->key() == Qt::Key_Control)
        UpdateLinkCursor(viewport()->mapFromGlobal(QCursor::pos()), event->modifiers());
    QAbstractScrollArea::keyReleaseEvent(event);
}

// ---- Mouse ----

void TRichEdit::mousePressEvent(QMouseEvent *event)
{
    // Ctrl+click opens a link; a plain click places the caret, as in any editor.
    if (event->button() == Qt::LeftButton && (event->modifiers() & Qt::ControlModifier)) {
        const QString url = LinkAt(event->position().toPoint());
        if (!url.isEmpty()) {
            emit LinkActivated(url);
            return;
        }
    }
    if (event->button() == Qt::LeftButton) {
        const qsizetype pos = HitTest(event->position().toPoint());
        const bool inSelection = SelLength() > 0 && pos >= SelStart() && pos < SelStart() + SelLength();
        if (event->modifiers() & Qt::ShiftModifier) {
            MoveCaret(pos, true);
            m_selecting = true;
        } else if (inSelection) {
            // The selection may be dragged away; a click without moving drops it.
            m_dragPending = true;
            m_pressPos = event->position().toPoint();
        } else {
            MoveCaret(pos, false);
            m_selecting = true;
        }
    }
    emit MouseDown(event->button(), event->modifiers(), event->position().toPoint());
}

void TRichEdit::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint at = event->position().toPoint();
    if (event->buttons() == Qt::NoButton) {
        UpdateLinkCursor(at, event->modifiers());
        return;
    }
    if (m_dragPending && (event->buttons() & Qt::LeftButton)
        && (at - m_pressPos).manhattanLength() >= QApplication::startDragDistance()) {
        m_dragPending = false;
        auto *drag = new QDrag(this);
        drag->setMimeData(SelectionMimeData());
        const qsizetype start = SelStart(), end = SelStart() + SelLength();
        const qsizetype before = TextLength();
        // A derived text can only be copied out.
        const Qt::DropAction action = m_derivedShown ? drag->exec(Qt::CopyAction)
                                                     : drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::MoveAction);
        // A move into this control is done by the drop itself.
        if (action == Qt::MoveAction && drag->target() != viewport() && TextLength() == before)
            Edit(start, end, {}, TTextBuffer::TEditKind::Step);
        return;
    }
    if (m_selecting && (event->buttons() & Qt::LeftButton)) {
        MoveCaret(HitTest(at), true);
        // Held beyond the edge, the selection goes on growing while the text scrolls.
        m_lastMouse = at;
        if (viewport()->rect().contains(at))
            m_autoScroll.stop();
        else if (!m_autoScroll.isActive())
            m_autoScroll.start(50, this);
    }
}

void TRichEdit::mouseReleaseEvent(QMouseEvent *event)
{
    if (m_dragPending && event->button() == Qt::LeftButton)
        MoveCaret(HitTest(event->position().toPoint()), false);
    m_dragPending = false;
    m_selecting = false;
    m_autoScroll.stop();
}

void TRichEdit::mouseDoubleClickEvent(QMouseEvent *event)
{
    const qsizetype pos = HitTest(event->position().toPoint());
    if (event->button() == Qt::LeftButton && pos < TextLength() && Text().At(pos) != '\n') {
        m_anchor = WordStart(pos);
        m_caret = WordEnd(pos);
        m_dragPending = false;
        m_selecting = false;
        viewport()->update();
        NotifyCaret();
        emit SelectionChange();
    }
    // The second press is a press too, told after the word is selected: auto
    // copy takes the word.
    emit MouseDown(event->button(), event->modifiers(), event->position().toPoint());
}

QString TRichEdit::LinkAt(const QPoint &viewportPos) const
{
    const qsizetype at = CharAt(viewportPos);
    if (at < 0)
        return {};
    for (const TLink &link : ShownLinks(at, at + 1)) {
        if (at >= link.Start && at < link.End)
            return link.Url;
    }
    return {};
}

QList<TLink> TRichEdit::ShownLinks(qsizetype from, qsizetype to) const
{
    // A derived text's own links (colour art's hyperlinks) win over the
    // addresses found in the text where they meet.
    QList<TLink> links = m_derivedShown ? m_derived->LinksNear(from, to) : QList<TLink>();
    if (links.isEmpty())
        return Links::Near(Text(), from, to);
    for (const TLink &found : Links::Near(Text(), from, to)) {
        if (std::none_of(links.begin(), links.end(), [&found](const TLink &own) {
                return found.Start < own.End && own.Start < found.End;
            }))
            links.append(found);
    }
    std::sort(links.begin(), links.end(), [](const TLink &a, const TLink &b) { return a.Start < b.Start; });
    return links;
}

void TRichEdit::UpdateLinkCursor(const QPoint &viewportPos, Qt::KeyboardModifiers modifiers)
{
    const bool hand = (modifiers & Qt::ControlModifier) && !LinkAt(viewportPos).isEmpty();
    viewport()->setCursor(hand ? Qt::PointingHandCursor : Qt::IBeamCursor);
}

bool TRichEdit::viewportEvent(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        const auto *help = static_cast<QHelpEvent *>(event);
        if (!LinkAt(help->pos()).isEmpty())
            QToolTip::showText(help->globalPos(), QStringLiteral("Ctrl+click to open"), viewport());
        else
            QToolTip::hideText();
        return true;
    }
    return QAbstractScrollArea::viewportEvent(event);
}

// From the keyboard (the Menu key, Shift+F10) the menu opens at the caret, as
// the mouse opens it where it points.
void TRichEdit::contextMenuEvent(QContextMenuEvent *event)
{
    emit PopupRequested(event->reason() == QContextMenuEvent::Keyboard ? CaretPopupPoint() : event->globalPos());
}

QPoint TRichEdit::CaretPopupPoint()
{
    EnsureCaretVisible();
    const QRect cell = CharRect(m_caret);
    const QPoint below(cell.left(), cell.bottom() + 1);
    return viewport()->mapToGlobal(viewport()->rect().contains(below) ? below : viewport()->rect().center());
}

// ---- Text drag and drop ----

void TRichEdit::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasText())
        event->acceptProposedAction();
    else
        event->ignore();
}

void TRichEdit::dragMoveEvent(QDragMoveEvent *event)
{
    if (event->mimeData()->hasText())
        event->acceptProposedAction();
    else
        event->ignore();
}

void TRichEdit::dropEvent(QDropEvent *event)
{
    if (!event->mimeData()->hasText() || RefuseEdit()) {
        event->ignore();
        return;
    }
    const qsizetype pos = HitTest(event->position().toPoint());
    const QByteArray bytes = Text().FromText(event->mimeData()->text());
    const qsizetype start = SelStart(), end = SelStart() + SelLength();
    event->acceptProposedAction();
    if (event->source() == this && event->dropAction() == Qt::MoveAction && start < end) {
        // A move within the text is one undo step over both places.
        if (pos >= start && pos <= end)
            return;
        if (pos < start)
            Edit(pos, end, bytes + Text().Slice(pos, start), TTextBuffer::TEditKind::Step);
        else
            Edit(start, pos, Text().Slice(end, pos) + bytes, TTextBuffer::TEditKind::Step);
        const qsizetype at = pos < start ? pos : pos - (end - start);
        SetSel(at, qsizetype(bytes.size()));
        return;
    }
    m_anchor = m_caret = pos;
    Edit(pos, pos, bytes, TTextBuffer::TEditKind::Step);
    SetSel(pos, qsizetype(bytes.size()));
}

// Ctrl+wheel zooms a step a notch; fine wheels add up to notches.
void TRichEdit::wheelEvent(QWheelEvent *event)
{
    if (!(event->modifiers() & Qt::ControlModifier)) {
        QAbstractScrollArea::wheelEvent(event);
        return;
    }
    m_zoomWheel += event->angleDelta().y();
    for (; m_zoomWheel >= 120; m_zoomWheel -= 120)
        emit ZoomRequested(+1);
    for (; m_zoomWheel <= -120; m_zoomWheel += 120)
        emit ZoomRequested(-1);
    event->accept();
}
