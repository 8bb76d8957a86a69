#include "platform/RichEdit.h"

#include "platform/Cp437.h"
#include "platform/TextSearch.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMimeData>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

TRichEdit::TRichEdit(QWidget *parent) : QPlainTextEdit(parent)
{
    setObjectName(QStringLiteral("richedit"));
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setTabChangesFocus(false);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setContextMenuPolicy(Qt::CustomContextMenu);
    document()->setUndoRedoEnabled(true);

    QFont font(QStringLiteral("Terminal"));
    font.setPixelSize(12);
    SetTextFont(font);
    SetColors(QColor(192, 192, 192), QColor(0, 0, 128));

    connect(this, &QPlainTextEdit::textChanged, this, &TRichEdit::Change);
    connect(this, &QPlainTextEdit::cursorPositionChanged, this, &TRichEdit::SelectionChange);
    connect(this, &QPlainTextEdit::selectionChanged, this, &TRichEdit::SelectionChange);
    connect(this, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { emit PopupRequested(viewport()->mapToGlobal(pos)); });
}

QByteArray TRichEdit::Bytes() const
{
    // The raw text: toPlainText() would turn no-break spaces (byte 0xFF) into blanks.
    return Cp437::Encode(document()->toRawText());
}

void TRichEdit::SetBytes(QByteArrayView bytes)
{
    setPlainText(Cp437::Decode(bytes));
    document()->setModified(false);
}

void TRichEdit::Clear()
{
    clear();
}

int TRichEdit::TextLength() const
{
    return document()->characterCount() - 1;
}

bool TRichEdit::Modified() const
{
    return document()->isModified();
}

void TRichEdit::SetModified(bool modified)
{
    document()->setModified(modified);
}

int TRichEdit::SelStart() const
{
    return textCursor().selectionStart();
}

int TRichEdit::SelLength() const
{
    const QTextCursor c = textCursor();
    return c.selectionEnd() - c.selectionStart();
}

QString TRichEdit::SelText() const
{
    QString text = textCursor().selectedText();
    text.replace(QChar::ParagraphSeparator, u'\n');
    return text;
}

void TRichEdit::SetSel(int start, int length)
{
    const int size = TextLength();
    start = std::clamp(start, 0, size);
    QTextCursor c(document());
    c.setPosition(start);
    c.setPosition(std::clamp(start + length, 0, size), QTextCursor::KeepAnchor);
    setTextCursor(c);
}

void TRichEdit::CollapseSelection()
{
    QTextCursor c = textCursor();
    c.setPosition(c.selectionStart());
    setTextCursor(c);
    ensureCursorVisible();
}

void TRichEdit::ReplaceSel(const QString &text, bool canUndo)
{
    const QString filtered = Cp437::Filter(text);
    QTextCursor c = textCursor();
    if (canUndo) {
        c.insertText(filtered);
    } else {
        document()->setUndoRedoEnabled(false);
        c.insertText(filtered);
        document()->setUndoRedoEnabled(true);
    }
    setTextCursor(c);
}

// With word wrap on, display lines are known only for laid-out blocks: the
// text layout works lazily, so the blocks before the one asked for are laid
// out first.
static void LayOut(const QTextDocument *document, const QTextBlock &block)
{
    if (block.layout() && block.layout()->lineCount() == 0)
        document->documentLayout()->blockBoundingRect(block);
}

int TRichEdit::LineFromChar(int index) const
{
    index = std::clamp(index, 0, TextLength());
    const QTextBlock block = document()->findBlock(index);
    if (!block.isValid())
        return 0;
    if (lineWrapMode() == QPlainTextEdit::NoWrap)
        return block.blockNumber();
    for (QTextBlock b = document()->firstBlock(); b.isValid() && b != block.next(); b = b.next())
        LayOut(document(), b);
    const QTextLayout *layout = block.layout();
    int lineInBlock = 0;
    if (layout && layout->lineCount() > 0) {
        const QTextLine line = layout->lineForTextPosition(index - block.position());
        lineInBlock = line.isValid() ? line.lineNumber() : layout->lineCount() - 1;
    }
    return block.firstLineNumber() + lineInBlock;
}

int TRichEdit::LineIndex(int line) const
{
    if (lineWrapMode() == QPlainTextEdit::NoWrap) {
        const QTextBlock block = document()->findBlockByNumber(line);
        return block.isValid() ? block.position() : -1;
    }
    for (QTextBlock b = document()->firstBlock(); b.isValid(); b = b.next()) {
        LayOut(document(), b);
        const QTextLayout *layout = b.layout();
        const int count = std::max(1, layout ? layout->lineCount() : 1);
        if (line < b.firstLineNumber() + count) {
            const int lineInBlock = line - b.firstLineNumber();
            if (!layout || lineInBlock <= 0 || lineInBlock >= layout->lineCount())
                return b.position();
            return b.position() + layout->lineAt(lineInBlock).textStart();
        }
    }
    return -1;
}

int TRichEdit::FindText(const QString &what, int from) const
{
    // The raw text keeps one character per byte, no-break spaces included.
    return int(TextSearch::FindText(document()->toRawText(), what, from));
}

bool TRichEdit::CanUndo() const
{
    return document()->isUndoAvailable();
}

void TRichEdit::Undo()
{
    undo();
}

bool TRichEdit::CanPasteFormat(const QString &mimeType) const
{
    return mimeType == QLatin1String("text/plain") || mimeType.startsWith(QLatin1String("text/plain;"));
}

void TRichEdit::CutToClipboard()
{
    cut();
}

void TRichEdit::CopyToClipboard()
{
    copy();
}

void TRichEdit::PasteFromClipboard()
{
    paste();
}

void TRichEdit::SelectAllText()
{
    selectAll();
}

bool TRichEdit::WordWrap() const
{
    return lineWrapMode() != QPlainTextEdit::NoWrap;
}

void TRichEdit::SetWordWrap(bool wrap)
{
    if (wrap == WordWrap())
        return;
    const bool modified = Modified();
    setLineWrapMode(wrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
    SetModified(modified);
    ensureCursorVisible();
}

void TRichEdit::SetColors(const QColor &text, const QColor &background)
{
    QPalette p = palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        p.setColor(group, QPalette::Text, text);
        p.setColor(group, QPalette::Base, background);
    }
    // The selection stays visible while the control has no focus.
    p.setColor(QPalette::Inactive, QPalette::Highlight, p.color(QPalette::Active, QPalette::Highlight));
    p.setColor(QPalette::Inactive, QPalette::HighlightedText, p.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(p);
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
    // Where the named face is missing, a monospace face whose box-drawing and
    // block glyphs fill the whole line height stands in, so that frames join
    // between lines; the font keeps the asked-for name.
    font.setFamilies({requested.family(), QStringLiteral("DejaVu Sans Mono")});
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setKerning(false);
    setFont(font);
    document()->setDefaultFont(font);
    setTabStopDistance(QFontMetricsF(font).horizontalAdvance(u' ') * 8);
}

int TRichEdit::FormatRange(QPainter &painter, QPagedPaintDevice &device, int first)
{
    const QRectF page(QPointF(0, 0), device.pageLayout().paintRectPixels(device.logicalDpiX()).size());
    if (!m_printDocument) {
        m_printDocument.reset(document()->clone());
        m_printDocument->documentLayout()->setPaintDevice(&device);
        QFont font = document()->defaultFont();
        m_printDocument->setDefaultFont(font);
        m_printDocument->setDocumentMargin(0);
        QTextOption option = m_printDocument->defaultTextOption();
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        m_printDocument->setDefaultTextOption(option);
        m_printDocument->setPageSize(page.size());
    }
    QTextDocument &doc = *m_printDocument;
    const int length = doc.characterCount() - 1;
    first = std::clamp(first, 0, length);
    QAbstractTextDocumentLayout *layout = doc.documentLayout();

    // The page that holds the first character.
    const QTextBlock block = doc.findBlock(first);
    const QRectF blockRect = layout->blockBoundingRect(block);
    qreal y = blockRect.top();
    if (const QTextLayout *tl = block.layout(); tl && tl->lineCount() > 0) {
        const QTextLine line = tl->lineForTextPosition(first - block.position());
        if (line.isValid())
            y += line.y();
    }
    const int pageIndex = int(y / page.height());
    const qreal top = pageIndex * page.height();

    painter.save();
    painter.translate(0, -top);
    QAbstractTextDocumentLayout::PaintContext context;
    context.clip = QRectF(0, top, page.width(), page.height());
    context.palette.setColor(QPalette::Text, Qt::black);
    painter.setClipRect(context.clip);
    layout->draw(&painter, context);
    painter.restore();

    if (pageIndex + 1 >= doc.pageCount())
        return length;
    const int next = layout->hitTest(QPointF(0, top + page.height()), Qt::FuzzyHit);
    return next > first ? next : length;
}

void TRichEdit::ClearFormatCache()
{
    m_printDocument.reset();
}

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
    return QPlainTextEdit::event(event);
}

void TRichEdit::keyPressEvent(QKeyEvent *event)
{
    if (IsCommandKey(event)) {
        event->ignore(); // its command is disabled: the key does nothing
        return;
    }
    const QString text = event->text();
    const bool typed = !text.isEmpty() && text.front().isPrint()
        && !(event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier));
    if (typed) {
        const QString filtered = Cp437::Filter(text);
        if (filtered != text) {
            // A character the code page lacks is stored as '?'.
            textCursor().insertText(filtered);
            ensureCursorVisible();
            return;
        }
    }
    QPlainTextEdit::keyPressEvent(event);
}

void TRichEdit::mousePressEvent(QMouseEvent *event)
{
    QPlainTextEdit::mousePressEvent(event);
    emit MouseDown(event->button(), event->modifiers(), event->position().toPoint());
}

QMimeData *TRichEdit::createMimeDataFromSelection() const
{
    // Plain text with every character as shown, no-break spaces included.
    auto *data = new QMimeData;
    data->setText(SelText());
    return data;
}

bool TRichEdit::canInsertFromMimeData(const QMimeData *source) const
{
    return source->hasText();
}

void TRichEdit::insertFromMimeData(const QMimeData *source)
{
    if (!source->hasText())
        return;
    textCursor().insertText(Cp437::Filter(source->text()));
    ensureCursorVisible();
}
