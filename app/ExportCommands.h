#pragma once
// The window's picture commands: File > Export Image..., File > Export
// PDF... and Edit > Copy as Image, with their file dialogs and a progress
// dialog that can cancel. Failures are raised to the window's handler.

#include "platform/Dialogs.h"

#include <QString>

class QWidget;
class TRichEdit;

namespace ExportCommands {

// The image dialog's filter: its entry chooses whole document or selection,
// and the scale.
TFileDialogState ImageDialog();
TFileDialogState PdfDialog();

void ExportImage(QWidget *parent, TRichEdit &edit, TFileDialogState &dialog);
void ExportPdf(QWidget *parent, TRichEdit &edit, const QString &title, TFileDialogState &dialog);
void CopyAsImage(TRichEdit &edit);

} // namespace ExportCommands
