#pragma once
// The document's text control: a plain-text edit whose characters are the
// document's bytes shown through code page 437. It offers exactly the
// operations the main window's commands need; nothing else touches the Qt
// widget inside it.

#include <QByteArray>
#include <QKeySequence>
#include <QList>
#include <QPlainTextEdit>
#include <memory>

class QPagedPaintDevice;

class TRichEdit : public QPlainTextEdit
{
    Q_OBJECT
    Q_PROPERTY(bool WordWrap READ WordWrap WRITE SetWordWrap)
    Q_PROPERTY(bool Modified READ Modified WRITE SetModified)
    Q_PROPERTY(int SelStart READ SelStart)
    Q_PROPERTY(int SelLength READ SelLength)

public:
    explicit TRichEdit(QWidget *parent = nullptr);

    // The document as file bytes (CR LF breaks) and back. Loading replaces the
    // whole text, empties the undo history and lowers the modified flag.
    QByteArray Bytes() const;
    void SetBytes(QByteArrayView bytes);
    void Clear();
    int TextLength() const; // characters, a line break counting one

    bool Modified() const;
    void SetModified(bool modified);

    // Selection as character indices; the start is the lower end.
    int SelStart() const;
    int SelLength() const;
    QString SelText() const;
    void SetSel(int start, int length);
    void CollapseSelection(); // length 0 at the start, caret scrolled into view
    void ReplaceSel(const QString &text, bool canUndo = true);

    int LineFromChar(int index) const; // display line, from 0
    int LineIndex(int line) const;     // first character of a display line

    // The first match of what at or after from, without regard to letter
    // case, or -1.
    int FindText(const QString &what, int from) const;

    bool CanUndo() const;
    void Undo();
    bool CanPasteFormat(const QString &mimeType) const;
    void CutToClipboard();
    void CopyToClipboard();
    void PasteFromClipboard();
    void SelectAllText();

    bool WordWrap() const;
    void SetWordWrap(bool wrap); // keeps text, caret and modified flag

    // Colours and the OEM font; the font keeps a fixed pitch.
    void SetColors(const QColor &text, const QColor &background);
    QColor TextColor() const;
    QColor BackgroundColor() const;
    void SetTextFont(const QFont &font);

    // Lays the text out on the device's pages and draws one page, starting at
    // character first; returns the first character not drawn (the text length
    // when everything fits). The painter must be active on device.
    int FormatRange(QPainter &painter, QPagedPaintDevice &device, int first);
    void ClearFormatCache();

    // Key combinations that belong to the window's commands (Copy, Paste, ...):
    // the control leaves them to the window's shortcuts, also while the
    // command is disabled.
    void SetCommandKeys(const QList<QKeySequence> &keys);

signals:
    void Change();
    void SelectionChange();
    void MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, const QPoint &pos);
    void PopupRequested(const QPoint &globalPos); // the pop-up menu is asked for

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    QMimeData *createMimeDataFromSelection() const override;
    bool canInsertFromMimeData(const QMimeData *source) const override;
    void insertFromMimeData(const QMimeData *source) override;

private:
    bool IsCommandKey(const QKeyEvent *event) const;

    std::unique_ptr<QTextDocument> m_printDocument; // layout cache of FormatRange
    QList<QKeySequence> m_commandKeys;
};
