// The main window's commands for reading many files: stepping through the
// folder, fitting the window to the text and centring narrow text, the text
// without its art, and the document as a web page.

#include "app/Unit1.h"

#include "app/DocumentLoader.h"
#include "app/ExportCommands.h"
#include "app/FolderFiles.h"
#include "platform/Dialogs.h"
#include "platform/StatusBar.h"
#include "app/ChosenWraps.h"
#include "textview/AnsiView.h"
#include "textview/RichEdit.h"
#include "textview/TextOnlyView.h"

#include <QFileInfo>
#include <QScreen>

// ---- Notices ----

// A short notice in the status bar's last panel, gone after a few seconds
// unless a load's progress or another notice takes the panel meanwhile.
void TMain::ShowNotice(const QString &text)
{
    m_noticeText = text;
    m_notice.start(4000, this);
    ShowLoadProgress();
}

// ---- Next and previous file ----

// The neighbour of the open file in its folder; files that cannot be opened
// are passed over, and every file is tried at most once.
void TMain::StepFile(int step)
{
    if (m_documentName == QLatin1String(UntitledName)) {
        TDialogs::Instance().Beep();
        return;
    }
    QuerySaveChanges();
    const QString current = QFileInfo(m_documentName).absoluteFilePath();
    const QStringList files = FolderFiles::List(QFileInfo(current).absolutePath());
    qsizetype at = FolderFiles::Neighbour(files, current, step);
    for (qsizetype tried = 0; at >= 0 && tried < files.size(); ++tried) {
        const QString &candidate = files[at];
        if (candidate != current && QFileInfo(candidate).isReadable()) {
            try {
                LoadDocument(candidate);
                ShowNotice(QStringLiteral("File %1 of %2").arg(at + 1).arg(files.size()));
                return;
            } catch (const EGlimraError &) {
                // unreadable after all: the next one
            }
        }
        at = (at + (step > 0 ? 1 : -1) + files.size()) % files.size();
    }
    TDialogs::Instance().Beep(); // no other file of the folder opens
}

// ---- Fit and centre ----

// The window as wide as the widest line of the text shown (and its scroll
// bar), within the screen's room; with word wrap the lines then need not wrap.
void TMain::FitWindowToText()
{
    const qsizetype columns = std::max<qsizetype>(1, richedit->MeasureWidestLine() + 1); // the caret after it
    const int text = int(std::min<qsizetype>(columns * richedit->CellSize().width(), 1 << 20));
    // What the window has besides the text (frames, a scroll bar shown) stays.
    int wanted = width() - richedit->viewport()->width() + text;
    const QRect room = screen() ? screen()->availableGeometry() : QRect();
    const int frame = frameGeometry().width() - geometry().width();
    if (room.isValid())
        wanted = std::min(wanted, room.width() - frame);
    resize(std::max(wanted, minimumSizeHint().width()), height());
    if (room.isValid() && frameGeometry().right() > room.right())
        move(std::max(room.left(), room.right() - frameGeometry().width()), y());
}

// A check mark is flipped by its command, not by the menu.
void TMain::FitOnOpenClick()
{
    Item("FitOnOpen1")->setChecked(!Item("FitOnOpen1")->isChecked());
    if (Item("FitOnOpen1")->isChecked())
        FitWindowToText();
}

void TMain::CentreClick()
{
    Item("Centre1")->setChecked(!Item("Centre1")->isChecked());
    richedit->SetCentred(Item("Centre1")->isChecked());
}

// ---- Text only ----

// The words without the art in place of the text, read-only; turned off,
// colour art is drawn again (or its codes shown, as before).
void TMain::TextOnlyClick()
{
    Item("TextOnly1")->setChecked(!Item("TextOnly1")->isChecked());
    ShowTextOnly();
    ShowArtView();
    UpdateFontPanel();
}

void TMain::ShowTextOnly()
{
    if (Item("TextOnly1")->isChecked()) {
        richedit->SetDerivedText(std::make_unique<TTextOnlyView>(ArtView()));
    } else {
        richedit->SetDerivedText(ArtView());
    }
}

std::unique_ptr<TAnsiView> TMain::ArtView() const
{
    std::unique_ptr<TAnsiView> view = TAnsiView::For(m_format, m_wrap);
    if (view)
        view->SetStretch(Item("StretchRows1")->isChecked());
    return view;
}

// ---- How art is drawn ----

// The wrap is kept for the file, as its character set is; the art is drawn
// again from its bytes as they are.
void TMain::WrapClick(TAnsiWrap wrap)
{
    m_wrap = wrap;
    if (m_documentName != QLatin1String(UntitledName))
        ChosenWraps::Remember(*Reg, m_documentName, wrap);
    if (m_format.Art != TArtKind::akText)
        ShowTextOnly();
    ShowArtView();
    UpdateFontPanel();
}

void TMain::StretchRowsClick()
{
    Item("StretchRows1")->setChecked(!Item("StretchRows1")->isChecked());
    if (m_format.Art != TArtKind::akText)
        ShowTextOnly();
    ShowArtView();
    UpdateFontPanel();
}

// ---- The web page ----

void TMain::ExportHtml1Click()
{
    WaitForLoad();
    ExportCommands::ExportHtml(this, *richedit, m_format, m_documentName, ExportHtmlDialog);
}
