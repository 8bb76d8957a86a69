// The main window's packs, pictures and gallery: a pack opened like a
// folder (its entries read-only, read in the background while the window
// paints), pictures shown as pictures, and the gallery of the folder or
// pack shown.

#include "app/Unit1.h"

#include "app/BusyScope.h"
#include "app/DiskWatch.h"
#include "app/Export.h"
#include "app/FolderFiles.h"
#include "app/GalleryTiles.h"
#include "app/PackBrowser.h"
#include "app/RecentFiles.h"
#include "platform/Dialogs.h"
#include "platform/Errors.h"
#include "platform/SafeFile.h"
#include "platform/StatusBar.h"
#include "textview/GalleryView.h"
#include "textview/ImageView.h"
#include "textview/RichEdit.h"
#include "ui_Unit1.h"

#include <QBuffer>
#include <QClipboard>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <QThread>
#include <QTimer>

#include <atomic>

namespace {

// A picture shown takes at most this much memory (32 million pixels), and
// its file at most this much to read.
constexpr qint64 kImageMemory = 128 << 20;
constexpr qint64 kImageFile = 64 << 20;

QImage DecodeImage(const QByteArray &bytes, const QString &name)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    if (size.isValid() && qint64(size.width()) * size.height() * 4 > kImageMemory)
        throw EGlimraError(QStringLiteral("Cannot show %1").arg(name),
                           QStringLiteral("the picture is too large (%1 \u00D7 %2 pixels)").arg(size.width()).arg(size.height()));
    const QImage image = reader.read();
    if (image.isNull())
        throw EGlimraError(QStringLiteral("Cannot show %1").arg(name), reader.errorString());
    return image;
}

} // namespace

void TMain::BuildPackViews()
{
    m_pack = std::make_unique<TPackBrowser>(
        [this](const QString &label, TPackProgress &progress, const std::function<void()> &work) {
            RunReading(label, progress, work);
        });
    m_imageView = new TImageView(ui->ClientArea);
    m_imageView->setObjectName(QStringLiteral("ImageView"));
    m_gallery = new TGalleryView(ui->ClientArea);
    m_gallery->setObjectName(QStringLiteral("Gallery"));
    // In the text's place, one of the three shown at a time.
    for (QWidget *view : {static_cast<QWidget *>(m_imageView), static_cast<QWidget *>(m_gallery)}) {
        ui->ClientLayout->insertWidget(1, view);
        view->hide();
    }
    connect(m_imageView, &TImageView::EditRefused, this, [this] {
        StatusBar1->SetPanelText(5, QStringLiteral("A picture is read-only; Save As writes a copy"));
    });
    connect(m_gallery, &TGalleryView::Open, this, Guarded([this](qsizetype index) { OpenFromGallery(index); }));
    connect(m_gallery, &TGalleryView::Back, this, Guarded([this] { GalleryClick(); }));
    m_recentEntry = new QTimer(this);
    m_recentEntry->setSingleShot(true);
    m_recentEntry->setInterval(2000);
    connect(m_recentEntry, &QTimer::timeout, this, Guarded(this, &TMain::WriteRecentEntry));
}

bool TMain::InPack() const
{
    return m_pack && m_pack->IsOpen();
}

void TMain::ShowView(QWidget *view)
{
    for (QWidget *each : {static_cast<QWidget *>(richedit), static_cast<QWidget *>(m_imageView),
                          static_cast<QWidget *>(m_gallery)})
        each->setVisible(each == view);
    Item("Gallery1")->setChecked(view == m_gallery);
    view->setFocus();
}

// ---- Reading in the background ----

// The work runs on a thread of its own while the window paints and, after a
// moment, shows how far it is; Esc asks it to stop.
void TMain::RunReading(const QString &label, TPackProgress &progress, const std::function<void()> &work)
{
    std::atomic<bool> done{false};
    std::exception_ptr failure;
    std::unique_ptr<QThread> thread(QThread::create([this, &work, &failure, &done] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
        done = true;
        QMetaObject::invokeMethod(this, [] {}, Qt::QueuedConnection); // wakes the loop below
    }));
    TBusyScope busy(true);
    QElapsedTimer time;
    time.start();
    QTimer tick;
    connect(&tick, &QTimer::timeout, this, [this, &label, &progress, &time] {
        if (time.elapsed() > 300)
            StatusBar1->SetPanelText(5, QStringLiteral("%1 %2% (Esc stops)").arg(label).arg(progress.Percent()));
    });
    tick.start(100);
    thread->start();
    while (!done) {
        if (!busy.Pump(true))
            progress.Stop = true;
    }
    thread->wait();
    ShowLoadProgress();
    if (failure)
        std::rethrow_exception(failure);
}

// ---- Packs ----

bool TMain::OpenPackOrImage(const QString &name)
{
    switch (FolderFiles::KindOf(QFileInfo(name).fileName())) {
    case FolderFiles::TKind::Pack:
        OpenPack(name);
        return true;
    case FolderFiles::TKind::Image: {
        QByteArray bytes;
        switch (ReadRegularFile(name, kImageFile, &bytes)) {
        case TReadResult::trOk:
            break;
        case TReadResult::trTooLarge:
            throw EGlimraError(QStringLiteral("Cannot show %1").arg(name), QStringLiteral("the picture's file is too large"));
        case TReadResult::trCannotOpen:
            throw EGlimraError(QStringLiteral("Cannot open file %1").arg(name), ReadFailureReason(name));
        }
        const QImage image = DecodeImage(bytes, name);
        LeavePack();
        ShowImage(image, bytes, name, name);
        return true;
    }
    default:
        return false;
    }
}

void TMain::OpenPack(const QString &path, const QStringList &chain, bool stepped)
{
    WriteRecentEntry(); // the pack shown until now keeps its entry
    TPackPiece piece = m_pack->Open(path, chain); // nothing changes when it fails
    m_packStepped = stepped;
    ShowPiece(std::move(piece));
}

bool TMain::StepInPack(int step, bool leave)
{
    std::optional<TPackPiece> piece = m_pack->Step(step, leave);
    if (!piece)
        return false;
    ShowPiece(std::move(*piece));
    return true;
}

// A pack opened is listed at once; the entry shown, once stepping pauses:
// writing the list at every step would make stepping wait for the disk.
void TMain::AddRecentEntry()
{
    if (TRecentFiles().Slot(1) != m_pack->Path())
        TRecentFiles().AddRecent(m_pack->Path(), m_pack->Chain());
    else
        m_recentEntry->start();
}

void TMain::WriteRecentEntry()
{
    m_recentEntry->stop();
    if (InPack() && TRecentFiles().Shown(m_pack->Path()) != m_pack->Chain())
        TRecentFiles().AddRecent(m_pack->Path(), m_pack->Chain());
}

void TMain::LeavePack()
{
    WriteRecentEntry();
    m_pack->Close();
    m_packStepped = false;
    richedit->SetReadOnly(Item("ReadOnly1")->isChecked()); // the user's own setting again
}

// An entry is named as if it were a file of its name in the pack's folder,
// so that Save As and the exports propose that; nothing is written there
// unless the user says so.
void TMain::ShowPiece(TPackPiece piece, std::optional<TCharset> charset)
{
    const QString name = QFileInfo(m_pack->Path()).absoluteDir().filePath(m_pack->FileName());
    if (!charset) // read again in another set, the art keeps its wrap
        m_wrap = TAnsiWrap::awAutomatic;
    if (piece.Kind == FolderFiles::TKind::Image) {
        QByteArray bytes = std::move(piece.Data.Bytes);
        if (piece.Data.File) {
            const qint64 size = piece.Data.File->Size();
            if (size > kImageFile)
                throw EGlimraError(QStringLiteral("Cannot show %1").arg(m_pack->FileName()),
                                   QStringLiteral("the picture's file is too large"));
            bytes.resize(qsizetype(size));
            if (piece.Data.File->Read(0, bytes.data(), size) != TSourceFile::TState::Intact)
                throw DocumentFile::CannotOpen(m_pack->FileName());
        }
        ShowImage(DecodeImage(bytes, m_pack->FileName()), bytes, name, QString());
    } else {
        TDocumentFile file = piece.Data.File ? DocumentFile::OpenSource(piece.Data.File, m_pack->FileName(), charset)
                                             : DocumentFile::FromBytes(std::move(piece.Data.Bytes), m_pack->FileName(), charset);
        if (file.Source)
            file.Source->Watch(QString(), {}); // our own cache file: no name of it to watch
        ShowFile(std::move(file), name, QString());
    }
    richedit->SetReadOnly(true); // the entry's own state; View > Read Only stays the user's
    ShowNotice(piece.Notice);
}

// ---- Pictures ----

void TMain::ShowImage(const QImage &image, const QByteArray &bytes, const QString &name, const QString &watched)
{
    StopLoading();
    m_diskNotice.clear();
    m_lossTold = false;
    SetDocument({}); // no text: Find and Copy find nothing
    m_imageView->SetBackground(richedit->BackgroundColor());
    m_imageView->SetImage(image);
    m_imageBytes = bytes;
    m_isImage = true;
    ShowView(m_imageView);
    SetDocumentName(name);
    m_diskWatch->Watch(watched);
    richedit->SetModified(false);
    ShowModifiedState(false);
    StatusBar1->SetPanelText(4, QStringLiteral("%1 \u00D7 %2").arg(image.width()).arg(image.height()));
    AddRecent(name);
}

// What a picture can be asked: a copy of its file, its image; the rest works
// on text and is refused.
bool TMain::ImageCommand(TCommand command)
{
    switch (command) {
    case TCommand::cmSave:
    case TCommand::cmSaveAs:
        SaveImageCopy();
        return true;
    case TCommand::cmExportImage:
        ExportImageCopy();
        return true;
    case TCommand::cmCopyImage:
        QGuiApplication::clipboard()->setImage(m_imageView->Image());
        return true;
    case TCommand::cmPrint: case TCommand::cmExportPdf: case TCommand::cmExportHtml: case TCommand::cmUndo:
    case TCommand::cmCut: case TCommand::cmPaste: case TCommand::cmDelete: case TCommand::cmFind:
    case TCommand::cmShowCodes: case TCommand::cmTextOnly: case TCommand::cmProperties: case TCommand::cmFitWindow:
    case TCommand::cmCharsetCp437: case TCommand::cmCharsetUtf8: case TCommand::cmCharsetUtf16:
    case TCommand::cmCharsetWindows1252:
        TDialogs::Instance().Beep();
        ShowNotice(QStringLiteral("A picture: only Save As, Export Image and Copy as Image take it"));
        return true;
    default:
        return false;
    }
}

void TMain::SaveImageCopy()
{
    SaveDialog.Options.clear();
    SaveDialog.LastFileName = QFileInfo(m_documentName).absoluteFilePath();
    const std::optional<QString> name = TDialogs::Instance().SaveFileName(this, SaveDialog);
    if (!name || (QFileInfo::exists(*name)
                  && TDialogs::Instance().Confirm(this, QStringLiteral("OK to overwrite %1").arg(*name)) != TModalResult::mrYes))
        return;
    DocumentFile::WriteBytes(*name, m_imageBytes);
    ShowNotice(QStringLiteral("Saved a copy as %1").arg(*name));
}

void TMain::ExportImageCopy()
{
    const QFileInfo document(m_documentName);
    ExportImageDialog.LastFileName = document.absoluteDir().filePath(document.completeBaseName() + QStringLiteral(".png"));
    const std::optional<QString> name = TDialogs::Instance().SaveFileName(this, ExportImageDialog);
    if (!name || (QFileInfo::exists(*name)
                  && TDialogs::Instance().Confirm(this, QStringLiteral("OK to overwrite %1").arg(*name)) != TModalResult::mrYes))
        return;
    Export::WritePng(m_imageView->Image(), *name);
}

// ---- The gallery ----

void TMain::GalleryClick()
{
    if (!m_gallery->isHidden()) { // back to what was shown
        ShowView(m_beforeGallery);
        return;
    }
    if (m_documentName == QLatin1String(UntitledName)) {
        Item("Gallery1")->setChecked(false);
        TDialogs::Instance().Beep();
        ShowNotice(QStringLiteral("The gallery shows the folder or pack of the file open"));
        return;
    }
    const TLook look{richedit->font(), richedit->TextColor(), richedit->BackgroundColor()};
    QStringList names, keys;
    qsizetype current = 0;
    TTileMaker maker;
    if (InPack()) {
        const QList<TPackEntry> pieces = m_pack->Pieces();
        // The same entry of the same pack, as it is on disk now, is the same thumbnail.
        const QString pack = QStringLiteral("%1|%2|%3|").arg(m_pack->Path())
                                 .arg(QFileInfo(m_pack->Path()).lastModified().toMSecsSinceEpoch())
                                 .arg(m_pack->Chain().mid(0, m_pack->Chain().size() - 1).join(u'|'));
        for (const TPackEntry &entry : pieces) {
            names << entry.Name;
            keys << pack + entry.Name;
        }
        current = m_pack->At();
        maker = GalleryTiles::ForPack(m_pack->Source(), m_pack->Streamed(), pieces, look);
    } else {
        m_galleryFiles = FolderFiles::List(QFileInfo(m_documentName).absolutePath());
        for (const QString &file : std::as_const(m_galleryFiles)) {
            const QFileInfo info(file);
            names << info.fileName();
            keys << QStringLiteral("%1|%2|%3").arg(file).arg(info.size()).arg(info.lastModified().toMSecsSinceEpoch());
        }
        current = std::max<qsizetype>(0, m_galleryFiles.indexOf(QFileInfo(m_documentName).absoluteFilePath()));
        maker = GalleryTiles::ForFiles(m_galleryFiles, look);
    }
    m_gallery->SetColors(richedit->TextColor(), richedit->BackgroundColor());
    m_gallery->Show(names, keys, current, std::move(maker));
    m_beforeGallery = m_isImage ? static_cast<QWidget *>(m_imageView) : richedit;
    ShowView(m_gallery);
    ShowNotice(QStringLiteral("%1 pieces: Enter opens one, Esc goes back").arg(names.size()));
}

void TMain::OpenFromGallery(qsizetype index)
{
    if (InPack()) {
        ShowPiece(m_pack->Show(index));
        return;
    }
    const QString file = m_galleryFiles.value(index);
    if (file.isEmpty())
        return;
    QuerySaveChanges();
    if (FolderFiles::KindOf(file) == FolderFiles::TKind::Pack)
        OpenPack(file, {}, true); // left at its ends for the folder's next file, as when stepped into
    else
        LoadDocument(file);
}
