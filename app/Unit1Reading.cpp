// The main window's commands for reading many files: stepping through the
// folder, fitting the window to the text and centring narrow text, the text
// without its art, and the document as a web page.

#include "app/Unit1.h"

#include "app/BusyScope.h"
#include "app/DocumentLoader.h"
#include "app/ExportCommands.h"
#include "app/FolderFiles.h"
#include "app/PackBrowser.h"
#include "platform/Dialogs.h"
#include "platform/Errors.h"
#include "platform/StatusBar.h"
#include "app/ChosenWraps.h"
#include "textview/AnsiView.h"
#include "textview/RichEdit.h"
#include "textview/TextOnlyView.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QScrollBar>
#include <QScreen>

// ---- Notices ----

// A notice in the status bar's last panel, until the user's next key or
// click (a load's progress takes the panel meanwhile).
void TMain::ShowNotice(const QString &text)
{
    m_noticeText = text;
    ShowLoadProgress();
}

// ---- Next and previous file ----

// The neighbour of the open file in its folder; files that cannot be opened
// are passed over, and said so with the reason, and every file is tried at
// most once. In a pack, the neighbour in the pack; a pack stepped into from
// its folder is left at its ends for the folder's next file.
void TMain::StepFile(int step)
{
    if (m_documentName == QLatin1String(UntitledName)) {
        TDialogs::Instance().Beep();
        return;
    }
    QuerySaveChanges();
    if (InPack() && StepInPack(step, m_packStepped))
        return;
    const QString current = InPack() ? m_pack->Path() : QFileInfo(m_documentName).absoluteFilePath();
    const QStringList files = FolderFiles::List(QFileInfo(current).absolutePath());
    qsizetype at = FolderFiles::Neighbour(files, current, step);
    QString passed; // the last file passed over, and why
    for (qsizetype tried = 0; at >= 0 && tried < files.size(); ++tried) {
        const QString &candidate = files[at];
        if (candidate != current) {
            try {
                if (FolderFiles::KindOf(candidate) == FolderFiles::TKind::Pack) {
                    OpenPack(candidate, {}, true); // tells its own place
                    return;
                }
                LoadDocument(candidate);
                QString notice = QStringLiteral("File %1 of %2").arg(at + 1).arg(files.size());
                if (!passed.isEmpty())
                    notice += QStringLiteral("; passed over ") + passed;
                ShowNotice(notice);
                return;
            } catch (const EGlimraError &error) {
                passed = QStringLiteral("%1 (%2)").arg(QFileInfo(candidate).fileName(),
                                                      error.Reason().isEmpty() ? error.Message() : error.Reason());
            }
        }
        at = (at + (step > 0 ? 1 : -1) + files.size()) % files.size();
    }
    if (InPack()) { // at the end of a pack with nothing else in its folder: round it again
        StepInPack(step, false);
        return;
    }
    TDialogs::Instance().Beep(); // no other file of the folder opens
    if (!passed.isEmpty())
        ShowNotice(QStringLiteral("No other file opens; passed over ") + passed);
}

// ---- Fit and centre ----

// The window as wide as the widest line of the text shown and as tall as its
// lines (with its scroll bars, tool bar and status bar), within the screen's
// work area; with word wrap the lines then need not wrap.
void TMain::FitWindowToText()
{
    const QSize cell = richedit->CellSize();
    const qsizetype columns = std::max<qsizetype>(1, richedit->MeasureWidestLine() + 1); // the caret after it
    const qsizetype lines = std::max<qsizetype>(1, richedit->ShownText().LineCount());
    const auto pixels = [](qsizetype cells, int size) { return int(std::min<qsizetype>(cells * size, 1 << 20)); };
    // What the window has besides the text and its bars (frames, menus, tool
    // and status bars) stays; a bar goes where the text fits.
    const QScrollBar *across = richedit->horizontalScrollBar(), *down = richedit->verticalScrollBar();
    QSize wanted(width() - richedit->viewport()->width() - (down->isVisible() ? down->width() : 0) + pixels(columns, cell.width()),
                 height() - richedit->viewport()->height() - (across->isVisible() ? across->height() : 0) + pixels(lines, cell.height()));
    const QRect room = screen() ? screen()->availableGeometry() : QRect();
    const QSize frame = frameGeometry().size() - geometry().size();
    if (room.isValid()) {
        if (wanted.height() > room.height() - frame.height()) // lines to scroll: a bar down the side
            wanted.rwidth() += down->sizeHint().width();
        if (wanted.width() > room.width() - frame.width()) // and columns: a bar across
            wanted.rheight() += across->sizeHint().height();
        wanted = wanted.boundedTo(room.size() - frame);
    }
    resize(wanted.expandedTo(minimumSize()));
    if (!room.isValid())
        return;
    QRect placed(frameGeometry().topLeft(), size() + frame);
    if (placed.right() > room.right())
        placed.moveRight(room.right());
    if (placed.bottom() > room.bottom())
        placed.moveBottom(room.bottom());
    move(std::max(room.left(), placed.left()), std::max(room.top(), placed.top()));
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

// A reader's guard: the file cannot be changed by a stray key.
void TMain::ReadOnlyClick()
{
    Item("ReadOnly1")->setChecked(!Item("ReadOnly1")->isChecked());
    richedit->SetReadOnly(Item("ReadOnly1")->isChecked() || InPack()); // an entry stays read-only
    richeditChange(); // Undo follows
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
    if (!Item("TextOnly1")->isChecked()) {
        richedit->SetDerivedText(ArtView());
        return;
    }
    // A large text is read through twice: how far is shown, Esc stops it.
    auto view = std::make_unique<TTextOnlyView>(ArtView());
    TTextOnlyView *made = view.get();
    TBusyScope busy(true);
    QElapsedTimer time;
    time.start();
    made->SetProgress([this, &busy, &time](qint64 done, qint64 total) {
        if (time.elapsed() > 300)
            StatusBar1->SetPanelText(5, QStringLiteral("Text only %1% (Esc stops)").arg(100 * done / std::max<qint64>(total, 1)));
        return busy.Pump();
    });
    richedit->SetDerivedText(std::move(view));
    made->SetProgress({}); // a build later (after F4, say) runs without it
    if (made->Stopped()) {
        Item("TextOnly1")->setChecked(false);
        richedit->SetDerivedText(ArtView());
    }
    ShowLoadProgress();
}

std::unique_ptr<TAnsiView> TMain::ArtView() const
{
    std::unique_ptr<TAnsiView> view = TAnsiView::For(m_format, m_wrap);
    if (view)
        view->SetStretch(Item("AspectRatio1")->isChecked());
    return view;
}

// ---- How art is drawn ----

// The wrap is kept for the file, as its character set is; the art is drawn
// again from its bytes as they are.
void TMain::WrapClick(TAnsiWrap wrap)
{
    m_wrap = wrap;
    if (m_documentName != QLatin1String(UntitledName) && !InPack()) // an entry's, for now only
        ChosenWraps::Remember(*Reg, m_documentName, wrap);
    if (m_format.Art != TArtKind::akText)
        ShowTextOnly();
    ShowArtView();
    UpdateFontPanel();
}

void TMain::StretchRowsClick()
{
    Item("AspectRatio1")->setChecked(!Item("AspectRatio1")->isChecked());
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
