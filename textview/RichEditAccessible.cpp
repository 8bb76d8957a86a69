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
            *start = Edit()->SelStart();
            *end = *start + Edit()->SelLength();
        }
    }
    int selectionCount() const override { return Edit()->SelLength() > 0 ? 1 : 0; }
    void addSelection(int start, int end) override { setSelection(0, start, end); }
    void removeSelection(int) override { Edit()->SetSel(Edit()->CaretPosition(), 0); }
    void setSelection(int, int start, int end) override { Edit()->SetSel(start, end - start); }
    int cursorPosition() const override { return Edit()->CaretPosition(); }
    void setCursorPosition(int position) override { Edit()->SetSel(position, 0); }
    QString text(int start, int end) const override { return Edit()->TextRange(start, end); }
    int characterCount() const override { return Edit()->TextLength(); }
    QRect characterRect(int offset) const override
    {
        const QRect r = Edit()->CharRect(offset);
        return QRect(Edit()->viewport()->mapToGlobal(r.topLeft()), r.size());
    }
    int offsetAtPoint(const QPoint &point) const override
    {
        return Edit()->CharAt(Edit()->viewport()->mapFromGlobal(point));
    }
    void scrollToSubstring(int start, int end) override { Edit()->SetSel(start, end - start); }
    QString attributes(int offset, int *start, int *end) const override
    {
        *start = *end = offset;
        return {};
    }

private:
    TRichEdit *Edit() const { return static_cast<TRichEdit *>(widget()); }
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
