#pragma once
// The document's text control: a view of the document's bytes shown through
// code page 437 in a fixed-pitch cell grid. Box-drawing characters, blocks
// and shades are drawn as cell shapes so that art joins at every size. It
// offers exactly the operations the main window's commands need; keys that
// use the clipboard or undo are left to the window's commands.

#include "textview/AltKeypad.h"
#include "textview/DerivedText.h"
#include "textview/ScrollAxis.h"
#include "render/CellPainter.h"
#include "document/TextBuffer.h"
#include "textview/TextLayout.h"

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QByteArray>
#include <QKeySequence>
#include <QList>

#include <functional>
#include <memory>
#include <vector>

class QPagedPaintDevice;
class QMimeData;

class TRichEdit : public QAbstractScrollArea
{
    Q_OBJECT
    Q_PROPERTY(bool WordWrap READ WordWrap WRITE SetWordWrap)
    Q_PROPERTY(bool Modified READ Modified WRITE SetModified)
    Q_PROPERTY(bool ReadOnly READ ReadOnly WRITE SetReadOnly)
    Q_PROPERTY(qsizetype SelStart READ SelStart)
    Q_PROPERTY(qsizetype SelLength READ SelLength)

public:
    explicit TRichEdit(QWidget *parent = nullptr);

    // The document as file bytes (CR LF breaks) and back. Loading replaces the
    // whole text, empties the undo history and lowers the modified flag; the
    // bytes are taken over, so a moved-in file is not copied.
    // The document's bytes are read in a character set (code page 437 unless
    // told), breaking lines as told, and shown or, given a derived text (see
    // SetDerivedText), shown as that; Bytes writes them with CR LF breaks.
    QByteArray Bytes() const;
    void SetBytes(QByteArray bytes, TCharset charset = TCharset::csCp437,
                  TTextBuffer::TBreaks breaks = TTextBuffer::TBreaks::Any, std::unique_ptr<TDerivedText> derived = nullptr);
    TCharset Charset() const;
    // A file read on demand: the text grows at its end as the scan finds it
    // (the first screen shows with the first batch), and edits apply at once
    // meanwhile. Loading until the last batch.
    void OpenSource(std::shared_ptr<TDecodedSource> source, TCharset charset);
    void AppendScanned(const TScanBatch &batch);
    bool Loading() const { return m_loading; }
    const TTextBuffer &Document() const { return m_doc; }
    void Clear();

    // A read-only text made from the bytes (colour art drawn, a text without
    // frames) shown in place of them: set with SetDerivedText (null for none;
    // new bytes drop it) and shown at once, hidden and shown again with
    // ShowDerived, which makes it from the bytes as they are then. Selection,
    // Find and Copy work on the text shown; editing is off while a derived
    // text is shown, and EditRefused tells of an edit refused.
    void SetDerivedText(std::unique_ptr<TDerivedText> text);
    bool HasDerivedText() const { return m_derived != nullptr; }
    void ShowDerived(bool show);
    const TDerivedText *ShownDerived() const; // null while the bytes are shown
    const TTextBuffer &ShownText() const;
    QFont ShownFont() const; // the font, in the face the derived text asks for

    // The text shown: positions, lines and lengths below are of it.
    qsizetype TextLength() const; // characters, a line break counting one

    bool Modified() const;
    void SetModified(bool modified);

    // Selection as character indices; the start is the lower end.
    qsizetype SelStart() const;
    qsizetype SelLength() const;
    QString SelText() const;
    void SetSel(qsizetype start, qsizetype length);
    void CollapseSelection(); // length 0 at the start, caret scrolled into view
    void ReplaceSel(const QString &text, bool canUndo = true);

    qsizetype LineFromChar(qsizetype index) const; // display line, from 0
    qsizetype WidestLine() const;            // in cells
    // The characters in [from, to): positions count bytes, and a character
    // of a Unicode document may take several.
    qsizetype CharCount(qsizetype from, qsizetype to) const;
    qsizetype LineIndex(qsizetype line) const;     // first character of a display line

    // The first match of what at or after from, without regard to letter
    // case, or -1; length receives the match's length in positions. progress
    // is told the position reached during a long search and may stop it (see
    // TextSearch::FindInBuffer).
    qsizetype FindText(const QString &what, qsizetype from, qsizetype *length = nullptr,
                       const std::function<bool(qsizetype)> &progress = {}) const;

    bool CanUndo() const;
    void Undo();
    bool CanPasteFormat(const QString &mimeType) const;
    void CutToClipboard();
    void CopyToClipboard();
    void PasteFromClipboard();
    void SelectAllText();

    // Edits refused (EditRefused tells), as while a derived text is shown.
    bool ReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool readOnly) { m_readOnly = readOnly; }

    bool WordWrap() const;
    void SetWordWrap(bool wrap); // keeps text, caret and modified flag
    // The first display line shown, and scrolling to show one first.
    qsizetype FirstVisibleLine() const { return TopLine(); }
    void ScrollToLine(qsizetype displayLine) { SetTopLine(displayLine); }
    // Text narrower than the view drawn in its middle instead of at the left.
    bool Centred() const { return m_centred; }
    void SetCentred(bool centred);
    QSize CellSize() const { return {m_cellWidth, m_cellHeight}; }
    // The widest line shown, in cells, every line measured where the text
    // is small enough to measure at once (else as WidestLine).
    qsizetype MeasureWidestLine();

    // Colours and the OEM font; the font keeps a fixed pitch.
    void SetColors(const QColor &text, const QColor &background);
    QColor TextColor() const;
    QColor BackgroundColor() const;
    void SetTextFont(const QFont &font);

    // Lays the text out on the device's pages and draws one page, starting at
    // character first; returns the first character not drawn (the text length
    // when everything fits). The painter must be active on device.
    qsizetype FormatRange(QPainter &painter, QPagedPaintDevice &device, qsizetype first);
    void ClearFormatCache();

    // Key combinations that belong to the window's commands (Copy, Paste, ...):
    // the control leaves them to the window's shortcuts, also while the
    // command is disabled.
    void SetCommandKeys(const QList<QKeySequence> &keys);

    // The cell of the character at index in viewport coordinates.
    QRect CharRect(qsizetype index) const;
    // The character whose cell holds a viewport point, or -1 off the text.
    qsizetype CharAt(const QPoint &viewportPos) const;
    // The text of [from, to) as shown, breaks as '\n'.
    QString TextRange(qsizetype from, qsizetype to) const;
    qsizetype CaretPosition() const { return m_caret; }
    // The run of word, blank or other characters that holds pos, as a double
    // click selects it.
    void WordRange(qsizetype pos, qsizetype *start, qsizetype *end) const;
    // The address of the link whose cell holds a viewport point, or empty.
    QString LinkAt(const QPoint &viewportPos) const;

    // What a double click or Ctrl+arrow treats as one run.
    enum TCharClass { ccBlank, ccWord, ccOther, ccBreak };

signals:
    void Change();
    void SelectionChange();
    void MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, const QPoint &pos);
    void PopupRequested(const QPoint &globalPos); // the pop-up menu is asked for
    void LinkActivated(const QString &url);       // Ctrl+click on a link
    void EditRefused();                           // an edit of a derived text
    void ZoomRequested(int step);                 // Ctrl+wheel: +1 in, -1 out

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void timerEvent(QTimerEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool viewportEvent(QEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    bool IsCommandKey(const QKeyEvent *event) const;
    TTextBuffer &Text() const; // the text shown
    void BindView();           // the layout and face of the text shown
    void ApplyFont();
    bool RefuseEdit();         // true, and told, while a derived text is shown
    void Edit(qsizetype from, qsizetype to, const QByteArray &bytes, TTextBuffer::TEditKind kind);
    void AfterEdit(const TTextBuffer::TChange &change, qsizetype caret);
    void Reset(); // after the whole text changed
    void MoveCaret(qsizetype pos, bool extend, bool keepColumn = false);
    void NotifyCaret(); // tells assistive tools where the caret went
    void SelectionMoved();
    void NotifyText(const TTextBuffer::TChange &change, const QString &removed);
    void EnsureCaretVisible();
    QPoint CaretPopupPoint(); // where a pop-up asked for by a key opens (global)
    void UpdateScrollBars();
    void RestartBlink();
    qsizetype HitTest(const QPoint &viewportPos) const;
    TCharClass ClassAt(qsizetype pos) const;
    void UpdateLinkCursor(const QPoint &viewportPos, Qt::KeyboardModifiers modifiers);
    QList<TLink> ShownLinks(qsizetype from, qsizetype to) const; // in the line that holds [from, to)
    qsizetype WordStart(qsizetype pos) const;
    qsizetype WordEnd(qsizetype pos) const;
    QMimeData *SelectionMimeData() const;
    void InsertFromMimeData(const QMimeData *source, TTextBuffer::TEditKind kind);

    qsizetype WrapColumns() const;
    // The first display line and cell column shown.
    qsizetype TopLine() const;
    void SetTopLine(qsizetype line);
    qsizetype LeftColumn() const;
    void SetLeftColumn(qsizetype column);
    static int ClampedPixels(qsizetype cells, int cellSize);
    int Indent() const; // pixels before column 0: the centring
    void RebuildWrap();
    void LayOutShownLines(); // the lines on the screen and the caret's
    void LayOutMore();       // a slice of the background pass

    mutable TTextBuffer m_doc;
    std::unique_ptr<TDerivedText> m_derived;
    bool m_derivedShown = false;
    bool m_readOnly = false;
    struct TPlace
    {
        qsizetype Anchor = 0, Caret = 0, Top = 0, Left = 0;
    };
    TPlace m_places[2]; // where the bytes [0] and the derived text [1] were left
    bool m_wrap = false; // asked for; a derived text may keep its lines whole
    qsizetype m_anchor = 0;
    qsizetype m_caret = 0;
    qsizetype m_goalColumn = -1; // kept over Up and Down
    bool m_toldSelection = false; // assistive tools last heard of a selection
    mutable TTextLayout m_layout{m_doc};
    QBasicTimer m_wrapTimer;

    QFont m_font;
    int m_cellWidth = 8;
    int m_cellHeight = 16;
    int m_underlineY = 14; // in the cell
    int m_underlineHeight = 1;
    TCellPainter m_cells;
    TScrollAxis m_rows;    // the first display line shown
    TScrollAxis m_columns; // the first cell column shown

    bool m_loading = false;
    bool m_caretVisible = true;
    QBasicTimer m_blink;
    QBasicTimer m_artBlink; // blinking characters of colour art
    bool m_blinkHidden = false;
    bool m_selecting = false;
    bool m_dragPending = false;
    QPoint m_pressPos;
    QPoint m_lastMouse;
    QBasicTimer m_autoScroll;

    QList<QKeySequence> m_commandKeys;
    bool m_centred = false;
    int m_zoomWheel = 0; // Ctrl+wheel turned, not yet a whole step
    TAltKeypad m_altKeypad;
};
