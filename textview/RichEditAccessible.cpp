#include "textview/RichEditAccessible.h"

#include "textview/RichEdit.h"

#include <QAccessible>
#include <QAccessibleWidget>

namespace {

// What screen readers see of the control: its text, caret and selection.
class TRichEditAccessible : public QAccessibleWidget, public QAccessibleTextInterface
{
public:
    explicit TRichEditAccessible(TRichEdit *edit) : QAccessibleWidget(edit, QAccessible::EditableText) {}

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.editable = true;
        s.multiLine = true;
        s.selectableText = true;
        return s;
    }

    void selection(int index, int *start, int *end) const override
    {
        *start = *end = 0;
        if (index == 0 && Edit()->SelLength() > 0) {
            *start = AccessibleOffset(Edit()->SelStart());
            *end = AccessibleOffset(Edit()->SelStart() + Edit()->SelLength());
        }
    }
    int selectionCount() const override { return Edit()->SelLength() > 0 ? 1 : 0; }
    void addSelection(int start, int end) override { setSelection(0, start, end); }
    void removeSelection(int) override { Edit()->SetSel(Edit()->CaretPosition(), 0); }
    void setSelection(int, int start, int end) override { Edit()->SetSel(start, end - start); }
    int cursorPosition() const override { return AccessibleOffset(Edit()->CaretPosition()); }
    void setCursorPosition(int position) override { Edit()->SetSel(position, 0); }
    using QAccessibleWidget::text; // the name and description stay the widget's
    QString text(int start, int end) const override { return Edit()->TextRange(start, end); }
    int characterCount() const override { return AccessibleOffset(Edit()->TextLength()); }
    QRect characterRect(int offset) const override
    {
        const QRect r = Edit()->CharRect(offset);
        return QRect(Edit()->viewport()->mapToGlobal(r.topLeft()), r.size());
    }
    int offsetAtPoint(const QPoint &point) const override
    {
        return AccessibleOffset(Edit()->CharAt(Edit()->viewport()->mapFromGlobal(point)));
    }
    void scrollToSubstring(int start, int end) override { Edit()->SetSel(start, end - start); }
    // Qt's own versions of these three never return for some boundaries at
    // the end of the text: they are answered here from the document.
    QString textAtOffset(int offset, QAccessible::TextBoundaryType type, int *start, int *end) const override
    {
        const int length = AccessibleOffset(Edit()->TextLength());
        if (offset == -1)
            offset = length;
        if (offset < 0 || offset > length)
            return Invalid(start, end);
        if (offset == length && offset > 0 && type != QAccessible::NoBoundary)
            offset = AccessibleOffset(Edit()->ShownText().PrevChar(offset)); // the unit that ends the text
        Unit(offset, type, start, end);
        return Edit()->TextRange(*start, *end);
    }
    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType type, int *start, int *end) const override
    {
        textAtOffset(offset, type, start, end);
        if (*start <= 0 || type == QAccessible::NoBoundary)
            return Invalid(start, end);
        Unit(AccessibleOffset(Edit()->ShownText().PrevChar(*start)), type, start, end);
        return Edit()->TextRange(*start, *end);
    }
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType type, int *start, int *end) const override
    {
        textAtOffset(offset, type, start, end);
        if (*end < 0 || *end >= Edit()->TextLength() || type == QAccessible::NoBoundary)
            return Invalid(start, end);
        Unit(*end, type, start, end);
        return Edit()->TextRange(*start, *end);
    }
    QString attributes(int offset, int *start, int *end) const override
    {
        *start = *end = offset;
        return {};
    }

private:
    TRichEdit *Edit() const { return static_cast<TRichEdit *>(widget()); }

    static QString Invalid(int *start, int *end)
    {
        *start = *end = -1;
        return {};
    }

    // The character, word, display line or line (for sentences and
    // paragraphs) that holds offset, which is within the text.
    void Unit(int offset, QAccessible::TextBoundaryType type, int *start, int *end) const
    {
        const TTextBuffer &doc = Edit()->ShownText();
        const int length = AccessibleOffset(Edit()->TextLength());
        switch (type) {
        case QAccessible::CharBoundary:
            *start = offset;
            *end = AccessibleOffset(std::min<qsizetype>(length, doc.NextChar(offset)));
            return;
        case QAccessible::WordBoundary: {
            qsizetype first = 0, last = 0;
            Edit()->WordRange(offset, &first, &last);
            *start = AccessibleOffset(first);
            *end = AccessibleOffset(last);
            return;
        }
        case QAccessible::LineBoundary: {
            const qsizetype line = Edit()->LineFromChar(offset);
            *start = AccessibleOffset(Edit()->LineIndex(line));
            const qsizetype next = Edit()->LineIndex(line + 1);
            *end = next < 0 ? length : AccessibleOffset(next);
            return;
        }
        case QAccessible::SentenceBoundary:
        case QAccessible::ParagraphBoundary: {
            const qsizetype line = doc.LineOf(offset);
            *start = AccessibleOffset(doc.LineStart(line));
            *end = AccessibleOffset(std::min<qsizetype>(length, doc.LineEnd(line) + 1));
            return;
        }
        case QAccessible::NoBoundary:
            break;
        }
        *start = 0;
        *end = length;
    }
};

QAccessibleInterface *RichEditFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String("TRichEdit") && object && object->isWidgetType())
        return new TRichEditAccessible(static_cast<TRichEdit *>(object));
    return nullptr;
}

} // namespace

void InstallRichEditAccessible()
{
    static const bool installed = (QAccessible::installFactory(RichEditFactory), true);
    Q_UNUSED(installed);
}
