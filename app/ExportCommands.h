#pragma once
// The window's picture commands: File > Export Image..., File > Export
// PDF... and Edit > Copy as Image, with their file dialogs and a progress
// dialog that can cancel. Failures are raised to the window's handler.

#include "platform/Dialogs.h"

#include <QString>

class QWidget;
class TRichEdit;
struct TFileFormat;

namespace ExportCommands {

// The dialogs, titled for what they do; the image dialog's options are the
// scale and whether only the selection's lines are drawn.
TFileDialogState ImageDialog();
TFileDialogState PdfDialog();
TFileDialogState HtmlDialog();
enum TImageOption { ioScale, ioSelection };

// Each dialog proposes the document's name with the new extension, in the
// document's folder; documentName is empty or "Untitled" for none.
void ExportImage(QWidget *parent, TRichEdit &edit, const QString &documentName, TFileDialogState &dialog);
void ExportPdf(QWidget *parent, TRichEdit &edit, const QString &documentName, const QString &title,
               TFileDialogState &dialog);
// The document's bytes, read in format, as a web page.
void ExportHtml(QWidget *parent, TRichEdit &edit, const TFileFormat &format, const QString &documentName,
                TFileDialogState &dialog);
void CopyAsImage(TRichEdit &edit);

} // namespace ExportCommands
