// The main window's document: its name and caption, opening (a large file
// shown at once and read on demand as a scan finds its lines), the character
// set, saving, what happens when the file changes on disk, and the questions
// before it is replaced.

#include "app/Unit1.h"

#include "app/BusyScope.h"
#include "app/ChosenCharsets.h"
#include "app/ChosenWraps.h"
#include "app/DiskWatch.h"
#include "app/DocumentFile.h"
#include "app/DocumentLoader.h"
#include "app/MainCommands.h"
#include "app/PackBrowser.h"
#include "app/PropertiesDialog.h"
#include "app/RecentFiles.h"
#include "platform/Dialogs.h"
#include "platform/Errors.h"
#include "platform/StatusBar.h"
#include "textview/AnsiView.h"
#include "textview/RichEdit.h"
#include "textview/TextRenderer.h"
#include "formats/Sauce.h"

#include <QActionGroup>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSessionManager>
#include <QTimer>
#include <QToolButton>

namespace {

// The last component of a name: the part after the last path separator. Only
// "/" separates here; "\\" and ":" are ordinary characters of a file name.
QString FileNamePart(const QString &name)
{
    return name.mid(name.lastIndexOf(u'/') + 1);
}

} // namespace

// ---- Document ----

void TMain::SetDocumentName(const QString &name)
{
    m_documentName = name;
    // An entry of a pack is named with its pack: "02-logo.ans (pack.zip)".
    setWindowTitle(QStringLiteral("%1 - %2").arg(ApplicationTitle(), InPack() ? m_pack->Caption() : FileNamePart(name)));
}

void TMain::ShowModifiedState(bool modified)
{
    StatusBar1->SetPanelText(1, modified ? QStringLiteral("Modified") : QString());
}

void TMain::richeditChange()
{
    ShowModifiedState(richedit->Modified());
    Button("UndoButon")->setEnabled(richedit->CanUndo());
    Item("Undo1")->setEnabled(Button("UndoButon")->isEnabled());
}

void TMain::QuerySaveChanges()
{
    if (!richedit->Modified())
        return;
    const QString text = QStringLiteral("Save changes to %1?").arg(m_documentName);
    switch (TDialogs::Instance().Confirm(this, text)) {
    case TModalResult::mrCancel:
        throw EAbort();
    case TModalResult::mrYes:
        // A Save As cancelled here abandons the command that asked, as Cancel
        // would: going on would throw the changes away.
        if (!SaveDocument())
            throw EAbort();
        break;
    case TModalResult::mrNo:
        break;
    }
}

// A file is read in the set the user last chose for it, else in the set its
// bytes tell.
void TMain::LoadDocument(const QString &name)
{
    if (OpenPackOrImage(name))
        return;
    m_wrap = ChosenWraps::Recall(*Reg, name);
    LoadDocumentAs(name, ChosenCharsets::Recall(*Reg, name));
}

void TMain::LoadDocumentAs(const QString &name, std::optional<TCharset> charset)
{
    TDocumentFile file = DocumentFile::Open(name, charset);
    LeavePack(); // a file of its own now
    ShowFile(std::move(file), name, name);
}

// The file read shown as the document name; watched is the file on disk
// whose changes are told (none for an entry of a pack).
void TMain::ShowFile(TDocumentFile file, const QString &name, const QString &watched)
{
    ShowView(richedit);
    m_isImage = false;
    m_imageBytes.clear();
    m_diskNotice.clear();
    m_lossTold = false;
    StopLoading();
    if (file.Source) {
        // The first screen now, the rest as the scan finds it: see LoadFinished.
        m_format = file.Format;
        richedit->OpenSource(file.Source, m_format.Charset);
        ShowFormat();
        WatchSource(file.Source.get());
        m_loader = new TDocumentLoader(richedit, file.Source, this);
        connect(m_loader, &TDocumentLoader::Progress, this, &TMain::ShowLoadProgress);
        connect(m_loader, &TDocumentLoader::FirstBreak, this, [this](const QByteArray &lineBreak) {
            if (!Charset::IsSingleByte(m_format.Charset))
                m_format.Break = lineBreak; // written back as the file has it
        });
        // Queued: the first stretch may end the scan before this returns. A
        // call still queued when another file is opened is not for that one.
        const int load = ++m_loads;
        connect(m_loader, &TDocumentLoader::Finished, this, Guarded([this, name, load] {
            if (load == m_loads)
                LoadFinished(name);
        }), Qt::QueuedConnection);
        const QPointer<TDecodedSource> source = file.Source.get();
        connect(m_loader, &TDocumentLoader::Failed, this, [this, source, load](TSourceFile::TState state) {
            if (load == m_loads)
                WhenIdle([this, source, state] { SourceChanged(source, state); });
        }, Qt::QueuedConnection);
        m_loader->Start();
        ShowLoadProgress();
    } else {
        SetDocument(std::move(file));
    }
    SetDocumentName(name);
    m_diskWatch->Watch(watched);
    richedit->setFocus();
    richedit->SetModified(false);
    ShowModifiedState(false);
    if (!m_loader)
        AddRecent(name);
}

// The whole file is scanned: it counts as opened now.
void TMain::LoadFinished(const QString &name)
{
    StopLoading();
    AddRecent(name);
}

// The file failed part way: nothing half read stays to be saved over it.
void TMain::LoadFailed(const QString &name)
{
    New(); // unmodified: nothing is asked
    throw DocumentFile::CannotOpen(name);
}

void TMain::WatchSource(TDecodedSource *watched)
{
    const QPointer<TDecodedSource> source = watched;
    connect(watched, &TDecodedSource::ReadFailed, this, [this, source] {
        WhenIdle([this, source] { SourceChanged(source, source ? source->State() : TSourceFile::TState::Intact); });
    });
    connect(watched, &TDecodedSource::NameChanged, this,
            [this, source] { WhenIdle([this, source] { SourceChanged(source, TSourceFile::TState::Intact); }); });
    connect(watched, &TDecodedSource::CopyProgress, this, &TMain::ShowLoadProgress);
    connect(watched, &TDecodedSource::CopyFinished, this, [this, source](const QString &error) {
        ShowLoadProgress();
        // A copy that failed because the file changed is no news of its own:
        // the change is told (once) by what meets it, a read or a save.
        if (error.isEmpty() || !source || source->Check() != TSourceFile::TState::Intact)
            return;
        const QString text = QStringLiteral("Cannot copy %1 to %2 (%3). Your changes are kept; the text you did not "
                                            "change is read from the file itself, so a change to it on disk can "
                                            "spoil the document.")
                                 .arg(source ? source->File()->Path() : m_documentName, TDecodedSource::CopyFolder(), error);
        WhenIdle([this, text] { TDialogs::Instance().Warning(this, ApplicationTitle(), text); });
    });
}

// What the file's changes call for waits while a save or a search runs: it
// may read the file again, or ask the user.
void TMain::WhenIdle(const std::function<void()> &task)
{
    if (TBusyScope::Active())
        QTimer::singleShot(50, this, [this, task] { WhenIdle(task); });
    else
        Guarded(task)();
}

// The file the document reads from changed on disk (state Intact: its name
// now names another file, or none, and what is read stays whole), or a read
// of it met the file changed in place or failing: what it had is lost.
void TMain::SourceChanged(TDecodedSource *source, TSourceFile::TState state)
{
    if (!source || richedit->Document().Source().get() != source)
        return; // another document's by now
    if (state == TSourceFile::TState::Intact) {
        DiskChanged(); // its name names another file now, or none: as any change on disk
        return;
    }
    const QString name = m_documentName;
    if (!richedit->Modified()) {
        // Nothing to keep: the file is read again as it is now.
        const bool there = QFileInfo(name).isFile();
        if (state == TSourceFile::TState::ReadError || !there)
            LoadFailed(name);
        ReloadKeepingPlace();
        return;
    }
    if (!m_lossTold) {
        m_lossTold = true;
        m_diskNotice = QStringLiteral("Changed on disk");
        ShowLoadProgress();
        throw EGlimraError(QStringLiteral("%1 changed on disk or could not be read while it was open. Your changes "
                                          "are kept, but the text read from the file may be incomplete, and the "
                                          "document cannot be saved")
                               .arg(name));
    }
}

// Another program wrote, truncated, replaced or removed the file. Nothing
// edited: it is read again, the caret and the view kept where they can be.
// Edited: the user is asked, and the text stays unless Yes. Removed: the
// text stays, to be saved again.
void TMain::DiskChanged()
{
    // An entry of a pack has no file of its name: the name only proposes one.
    if (m_documentName == QLatin1String(UntitledName) || m_askingDisk || InPack())
        return;
    if (TBusyScope::Active()) {
        WhenIdle([this] { DiskChanged(); });
        return;
    }
    const QString name = m_documentName;
    const std::optional<TSourceFile::TIdentity> now = TSourceFile::IdentityOf(name);
    if (now == m_diskWatch->Known())
        return;
    m_diskWatch->Accept(); // this change is dealt with here, once
    if (!now) {
        richedit->SetModified(true);
        ShowModifiedState(true);
        m_diskNotice = QStringLiteral("Removed from disk: Save writes it again");
        ShowLoadProgress();
        return;
    }
    if (richedit->Modified()) {
        // Enter and Esc keep the edits: only a deliberate Yes throws them away.
        m_askingDisk = true;
        const int answer = TDialogs::Instance().Ask(
            this, QStringLiteral("%1 has changed on disk. Reload it and lose your changes?").arg(name),
            {QStringLiteral("&Yes"), QStringLiteral("&No")}, 1);
        m_askingDisk = false;
        if (answer != 0) {
            m_diskNotice = QStringLiteral("Changed on disk: Save writes your text");
            ShowLoadProgress();
            return;
        }
    }
    ReloadKeepingPlace();
    ShowNotice(QStringLiteral("Reloaded: changed on disk"));
}

void TMain::ReloadKeepingPlace()
{
    const TTextBuffer &doc = richedit->Document();
    const qsizetype line = doc.LineOf(richedit->CaretPosition());
    const qsizetype top = richedit->FirstVisibleLine();
    LoadDocument(m_documentName);
    const TTextBuffer &again = richedit->Document();
    richedit->SetSel(again.LineStart(std::min(line, again.LineCount() - 1)), 0);
    richedit->ScrollToLine(top);
}

// What runs in the background, in the last panel: the scan, the private
// copy, or what was last noticed.
void TMain::ShowLoadProgress()
{
    QString text = m_diskNotice;
    if (!m_noticeText.isEmpty())
        text = m_noticeText;
    else if (text.isEmpty() && richedit->ShownDerived())
        text = richedit->ShownDerived()->Note();
    const std::shared_ptr<TDecodedSource> &source = richedit->Document().Source();
    if (m_loader && !m_loader->Done())
        text = QStringLiteral("Loading %1%").arg(m_loader->Percent());
    else if (source && source->Copying())
        text = QStringLiteral("Copying %1%").arg(source->CopyPercent());
    StatusBar1->SetPanelText(5, text);
}

void TMain::StopLoading()
{
    if (m_loader) {
        m_loader->disconnect(this);
        m_loader->Stop();
        m_loader->deleteLater(); // it may be the one telling us
        m_loader = nullptr;
    }
    ShowLoadProgress();
}

// Saving, printing and exporting need the whole file: the scan is waited
// for, the window painting meanwhile.
void TMain::WaitForLoad()
{
    if (!m_loader || m_loader->Done()) {
        if (m_loader && m_loader->HasFailed())
            throw EAbort(); // the user was told
        return;
    }
    TBusyScope busy(false);
    while (m_loader && !m_loader->Done())
        busy.Pump(true);
    if (m_loader && m_loader->HasFailed())
        throw EAbort();
}

// A save reads the text not edited from the private copy: it is waited for.
void TMain::WaitForCopy()
{
    const std::shared_ptr<TDecodedSource> source = richedit->Document().Source();
    if (!source || !source->Copying())
        return;
    TBusyScope busy(false);
    while (source->Copying())
        busy.Pump(true);
}

void TMain::SetDocument(TDocumentFile file)
{
    m_format = file.Format;
    // Art with only LF breaking its lines, so that it is written back byte for byte.
    std::unique_ptr<TAnsiView> art = ArtView();
    const TTextBuffer::TBreaks breaks = art ? TTextBuffer::TBreaks::LfOnly : TTextBuffer::TBreaks::Any;
    richedit->SetBytes(std::move(file.Text), m_format.Charset, breaks, std::move(art)); // taken over, not copied
    if (Item("TextOnly1")->isChecked())
        ShowTextOnly();
    ShowFormat();
    ShowArtView();
    UpdateFontPanel();
    if (Item("FitOnOpen1")->isChecked() && m_documentName != QLatin1String(UntitledName))
        QMetaObject::invokeMethod(this, Guarded(this, &TMain::FitWindowToText), Qt::QueuedConnection);
}

void TMain::ShowArtView()
{
    // Codes are shown of colour art that is text only (the words alone are
    // shown of any text); a picture says so when F4 is pressed.
    const bool art = m_format.Art != TArtKind::akText && richedit->HasDerivedText();
    const bool codes = art && TAnsiView::HasCodes(m_format.Art);
    Item("ShowCodes1")->setEnabled(art);
    Item("ShowCodes1")->setChecked(codes && !richedit->ShownDerived());
    for (QAction *item : m_wraps->actions())
        item->setChecked(item->objectName() == QLatin1String(m_wrap == TAnsiWrap::awDos        ? "WrapDos1"
                                                             : m_wrap == TAnsiWrap::awTerminal ? "WrapTerminal1"
                                                                                               : "WrapAutomatic1"));
    m_refusalShown = false;
    ShowLoadProgress(); // the art's note, unless something else is told
}

void TMain::ShowFormat()
{
    StatusBar1->SetPanelText(4, FileFormat::Name(m_format));
    for (QAction *item : m_charsets->actions())
        item->setChecked(item->objectName() == QLatin1String(CharsetItemName(m_format.Charset)));
}

// The document's bytes read again in another set; unsaved changes are asked
// about first, as for Open. A document without a file is read from its
// bytes as they would be saved.
void TMain::CharacterSetClick(TCharset charset)
{
    try {
        QuerySaveChanges();
        if (InPack()) { // read again from the pack, the choice not kept
            ShowPiece(m_pack->Reread(), charset);
            return;
        }
        if (m_documentName == QLatin1String(UntitledName)) {
            const bool modified = richedit->Modified();
            SetDocument(DocumentFile::Reinterpret(richedit->Document(), m_format, charset));
            richedit->SetModified(modified);
            ShowModifiedState(modified);
            return;
        }
        LoadDocumentAs(m_documentName, charset);
        ChosenCharsets::Remember(*Reg, m_documentName, charset);
    } catch (...) {
        ShowFormat(); // the check mark stays on the set in use
        throw;
    }
}

void TMain::Properties1Click()
{
    WaitForLoad();
    TDocumentProperties properties;
    properties.FileName = m_documentName;
    if (InPack()) {
        properties.FileName = m_pack->Path() + u':' + m_pack->Chain().join(u':');
        properties.FileSize = m_pack->EntrySize();
    } else if (m_documentName != QLatin1String(UntitledName) && QFileInfo(m_documentName).isFile()) {
        properties.FileSize = QFileInfo(m_documentName).size();
    }
    // Every line is measured, painted or not: tabs make a line wider than
    // its bytes.
    const TTextBuffer &doc = richedit->Document();
    properties.Lines = doc.LineCount() - (doc.LineStart(doc.LineCount() - 1) == doc.Length() ? 1 : 0);
    properties.Width = TextRenderer::Columns(doc, 0, doc.LineCount());
    properties.Charset = FileFormat::Name(m_format);
    properties.Record = Sauce::Parse(m_format.Tail);
    TPropertiesDialog dialog(properties, this);
    if (dialog.exec() != QDialog::Accepted || dialog.Change() == TPropertiesDialog::TChange::pcNone)
        return;
    if (InPack()) { // an entry's record is as read-only as its text
        richeditEditRefused();
        return;
    }
    if (dialog.Change() == TPropertiesDialog::TChange::pcRemove) {
        m_format.Tail.clear();
    } else {
        m_format.Tail = Sauce::Make(dialog.NewRecord()); // its size is written with the file
    }
    // The record is written with the next save, after the usual question.
    richedit->SetModified(true);
    ShowModifiedState(true);
}

void TMain::New()
{
    QuerySaveChanges();
    LeavePack();
    ShowView(richedit);
    m_isImage = false;
    m_imageBytes.clear();
    m_diskNotice.clear();
    m_lossTold = false;
    StopLoading();
    SetDocumentName(QString::fromLatin1(UntitledName));
    m_diskWatch->Watch(QString());
    SetDocument({});
    richedit->SetModified(false);
    ShowModifiedState(false);
}

void TMain::Open()
{
    QuerySaveChanges();
    const std::optional<QString> name = TDialogs::Instance().OpenFileName(this, OpenDialog);
    if (!name)
        return;
    LoadDocument(*name);
}

void TMain::WriteDocument(const QString &fileName)
{
    WaitForCopy();
    TBusyScope busy(false);
    QElapsedTimer time;
    time.start();
    try {
        DocumentFile::Write(fileName, richedit->Document(), m_format, [this, &busy, &time](qint64 done, qint64 total) {
            // A long save shows how far it is; a short one does not flash.
            if (time.elapsed() > 200 && done < total) {
                StatusBar1->SetPanelText(5, QStringLiteral("Saving %1%").arg(100 * done / std::max<qint64>(total, 1)));
                busy.Pump();
            }
        });
    } catch (const EGlimraError &) {
        // A file that changed under the document is told by this failure;
        // what its reads met is not told again after it.
        const std::shared_ptr<TDecodedSource> &source = richedit->Document().Source();
        if (source && source->Check() != TSourceFile::TState::Intact) {
            m_lossTold = true;
            m_diskNotice = QStringLiteral("Changed on disk");
        }
        ShowLoadProgress();
        throw;
    }
    ShowLoadProgress();
}

void TMain::Save()
{
    SaveDocument();
}

void TMain::FileSaveAs()
{
    SaveDocumentAs();
}

bool TMain::SaveDocument()
{
    WaitForLoad();
    // An entry of a pack is written as a copy, where the user chooses.
    if (m_documentName == QLatin1String(UntitledName) || InPack())
        return SaveDocumentAs();
    WriteDocument(m_documentName);
    m_diskWatch->Accept(); // our own save
    m_diskNotice.clear();
    richedit->SetModified(false);
    ShowModifiedState(false);
    ShowLoadProgress();
    AddRecent(m_documentName);
    return true;
}

bool TMain::SaveDocumentAs()
{
    WaitForLoad();
    // The character set to write in, the document's own first chosen.
    const QList<TSaveSet> sets = SaveSets(m_format);
    TDialogOption charset{QStringLiteral("&Character set:"), {}};
    for (const TSaveSet &set : sets) {
        if (SameForm(set.Format, m_format))
            charset.Chosen = int(charset.Choices.size());
        charset.Choices << set.Caption;
    }
    SaveDialog.Options = {charset};
    if (m_documentName != QLatin1String(UntitledName))
        SaveDialog.LastFileName = QFileInfo(m_documentName).absoluteFilePath(); // proposed
    const std::optional<QString> name = TDialogs::Instance().SaveFileName(this, SaveDialog);
    if (!name)
        return false;
    if (QFileInfo::exists(*name)
        && TDialogs::Instance().Confirm(this, QStringLiteral("OK to overwrite %1").arg(*name)) != TModalResult::mrYes)
        return false;
    const TFileFormat &target = sets.value(SaveDialog.Options.value(0).Chosen, sets.constFirst()).Format;
    if (!SameForm(target, m_format))
        return SaveConverted(*name, target);
    WriteDocument(*name);
    if (InPack()) { // a copy: the entry stays shown
        ShowNotice(QStringLiteral("Saved a copy as %1").arg(*name));
        return true;
    }
    SetDocumentName(*name);
    m_diskWatch->Watch(*name); // the file written is the document's now
    m_diskNotice.clear();
    richedit->SetModified(false);
    ShowModifiedState(false);
    ShowLoadProgress();
    AddRecent(*name);
    return true;
}

// Save As in another character set: what that set lacks is told first, and
// the document then is the file written, read in its new set.
bool TMain::SaveConverted(const QString &name, const TFileFormat &target)
{
    // Read in order twice, never whole: once for what the set lacks, once to
    // write; a long pass shows how far it is, and Esc stops it with nothing
    // written.
    const auto pass = [this](const QString &doing) {
        return [this, doing, time = std::make_shared<QElapsedTimer>(), busy = std::make_shared<TBusyScope>(true)](qint64 done,
                                                                                                         qint64 total) {
            if (!time->isValid())
                time->start();
            if (time->elapsed() > 300)
                StatusBar1->SetPanelText(5, QStringLiteral("%1 %2% (Esc stops)").arg(doing).arg(100 * done / std::max<qint64>(total, 1)));
            return busy->Pump();
        };
    };
    WaitForCopy();
    const std::optional<FileFormat::TConversion> checked =
        FileFormat::Check(richedit->Document(), m_format, target, pass(QStringLiteral("Checking")));
    ShowLoadProgress();
    if (!checked)
        return false;
    const FileFormat::TConversion &conversion = *checked;
    if (conversion.Lacking > 0) {
        const QString question = QStringLiteral("%1 would have %2 characters that %3 lacks, the first on line %4; they "
                                                "are written as \"?\". Save anyway?")
                                     .arg(name)
                                     .arg(conversion.Lacking)
                                     .arg(FileFormat::Name(target))
                                     .arg(conversion.FirstLacking + 1);
        if (TDialogs::Instance().Ask(this, question, {QStringLiteral("&Write ? for them"), QStringLiteral("Cancel")}, 0) != 0)
            return false;
    }
    if (!DocumentFile::WriteConverted(name, richedit->Document(), conversion, pass(QStringLiteral("Converting")))) {
        ShowLoadProgress();
        return false; // stopped: the target is as it was
    }
    ShowLoadProgress();
    if (InPack()) // a copy: the entry stays shown
        ShowNotice(QStringLiteral("Saved a copy as %1").arg(name));
    else
        LoadDocumentAs(name, target.Charset);
    // Plain text written in UTF-8 reads as code page 437 by its bytes alone.
    ChosenCharsets::Remember(*Reg, name, target.Charset);
    return true;
}

void TMain::DropFile1DropFiles(QObject *, const QStringList &fileList, const QPoint &, bool)
{
    if (fileList.isEmpty())
        return;
    const QString &first = fileList.constFirst();
    if (!QFileInfo(first).isFile())
        return;
    QuerySaveChanges();
    LoadDocument(first);
}

