#include "app/ExportCommands.h"

#include "app/Export.h"
#include "platform/Errors.h"
#include "textview/RichEdit.h"

#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProgressDialog>

#include <algorithm>
#include <optional>
#include <utility>

namespace ExportCommands {
namespace {

// The lines the selection touches, or the whole document without one.
std::pair<qsizetype, qsizetype> LinesToShow(const TRichEdit &edit, bool selection)
{
    const TTextBuffer &doc = edit.ShownText();
    if (!selection || edit.SelLength() == 0)
        return {0, doc.LineCount()};
    const qsizetype start = edit.SelStart(), end = start + edit.SelLength();
    return {doc.LineOf(start), doc.LineOf(end - 1) + 1};
}

// The file to write, asked for; nothing when the user cancelled or declined
// to overwrite, as Save As asks. A document with a file proposes its name
// with the dialog's extension, in its folder.
std::optional<QString> AskFileName(QWidget *parent, const QString &documentName, TFileDialogState &dialog)
{
    const QFileInfo document(documentName);
    if (document.isAbsolute() || QFileInfo::exists(documentName))
        dialog.LastFileName = document.absoluteDir().filePath(document.completeBaseName() + u'.' + dialog.DefaultExt);
    const std::optional<QString> name = TDialogs::Instance().SaveFileName(parent, dialog);
    if (name && QFileInfo::exists(*name)
        && TDialogs::Instance().Confirm(parent, QStringLiteral("OK to overwrite %1").arg(*name)) != TModalResult::mrYes)
        return std::nullopt;
    return name;
}

// Shown only when the work takes a while; Cancel ends it.
class TProgressWindow
{
public:
    TProgressWindow(QWidget *parent, const QString &label) : m_dialog(label, QStringLiteral("Cancel"), 0, 1000, parent)
    {
        m_dialog.setWindowModality(Qt::WindowModal);
        m_dialog.setMinimumDuration(500);
        m_dialog.setAutoClose(false);
    }
    TProgress Progress()
    {
        return [this](qint64 done, qint64 total) {
            m_dialog.setValue(total > 0 ? int(done * 1000 / total) : 0);
            return !m_dialog.wasCanceled();
        };
    }

private:
    QProgressDialog m_dialog;
};

// An export's dialog: titled for what it does, one kind of file.
TFileDialogState ExportDialog(const QString &title, const QString &filter, const QString &extension)
{
    TFileDialogState dialog;
    dialog.Filter = filter;
    dialog.DefaultExt = extension;
    dialog.Title = title;
    return dialog;
}

} // namespace

TFileDialogState ImageDialog()
{
    TFileDialogState dialog = ExportDialog(QStringLiteral("Export Image"), QStringLiteral("PNG Image|*.png"), QStringLiteral("png"));
    dialog.Options = {{QStringLiteral("S&cale:"), {QStringLiteral("1x"), QStringLiteral("2x")}},
                      {QStringLiteral("Selected &lines only"), {}}};
    return dialog;
}

TFileDialogState PdfDialog()
{
    return ExportDialog(QStringLiteral("Export PDF"), QStringLiteral("PDF Document|*.pdf"), QStringLiteral("pdf"));
}

TFileDialogState HtmlDialog()
{
    return ExportDialog(QStringLiteral("Export HTML"), QStringLiteral("Web Page|*.html;*.htm"), QStringLiteral("html"));
}

void ExportHtml(QWidget *parent, TRichEdit &edit, const TFileFormat &format, const QString &documentName,
                TFileDialogState &dialog)
{
    const std::optional<QString> name = AskFileName(parent, documentName, dialog);
    if (!name)
        return;
    TProgressWindow progress(parent, QStringLiteral("Writing the web page..."));
    Export::WriteHtml(edit.Document(), format, QFileInfo(documentName).fileName(), Export::LookOf(edit), *name,
                      progress.Progress());
}

void ExportImage(QWidget *parent, TRichEdit &edit, const QString &documentName, TFileDialogState &dialog)
{
    // Selected lines only where there is a selection.
    TDialogOption &selection = dialog.Options[ioSelection];
    selection.Enabled = edit.SelLength() > 0;
    const std::optional<QString> name = AskFileName(parent, documentName, dialog);
    if (!name)
        return;
    const auto [first, last] = LinesToShow(edit, selection.Enabled && selection.Chosen);
    TProgressWindow progress(parent, QStringLiteral("Drawing the image..."));
    const int scale = dialog.Options[ioScale].Chosen + 1;
    Export::WritePicture(edit.ShownText(), Export::LookOf(edit), first, last, scale, *name, progress.Progress());
}

void ExportPdf(QWidget *parent, TRichEdit &edit, const QString &documentName, const QString &title,
               TFileDialogState &dialog)
{
    const std::optional<QString> name = AskFileName(parent, documentName, dialog);
    if (!name)
        return;
    TProgressWindow progress(parent, QStringLiteral("Writing the pages..."));
    Export::WritePdf(edit, title, *name, progress.Progress());
}

void CopyAsImage(TRichEdit &edit)
{
    const auto [first, last] = LinesToShow(edit, true);
    QGuiApplication::clipboard()->setImage(
        Export::Picture(edit.ShownText(), Export::LookOf(edit), first, last, 1, {}, Export::kMaxCopyBytes));
}

} // namespace ExportCommands
