#pragma once
// The main window: the one document, its commands, and the program's start
// and close sequences.

#include "app/DocumentFile.h"
#include "app/MainCommands.h"
#include "platform/Dialogs.h"
#include "textview/AnsiView.h"

#include <QHash>
#include <QIcon>
#include <QList>
#include <QMainWindow>
#include <QPoint>
#include <QPointer>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

namespace Ui {
class TMain;
}
class QAction;
class QActionGroup;
class QMenu;
class QSessionManager;
class QTimer;
class QToolButton;
class TDiskWatch;
class TDocumentLoader;
class TDropFile;
class TFindDialog;
class TGalleryView;
class TImageView;
class TMyRegistry;
class TPackBrowser;
struct TPackPiece;
struct TPackProgress;
class TStateControl;
class TRichEdit;
class TStatusBar;

class TMain : public QMainWindow
{
    Q_OBJECT
    Q_PROPERTY(QString DocumentName READ DocumentName)

public:
    static constexpr const char *UntitledName = "Untitled";
    static constexpr const char *FileFilter =
        "Information File|*.nfo|Description File|*.diz|Text File|*.txt|LOG Files|*.log|All Files|*.*";

    explicit TMain(QWidget *parent = nullptr);
    ~TMain() override;

    TRichEdit *richedit = nullptr;
    TStatusBar *StatusBar1 = nullptr;
    TMyRegistry *Reg = nullptr; // the preferences, also read by the character map
    TStateControl *MainSaver = nullptr;
    TDropFile *DropFile1 = nullptr;
    TFindDialog *FindDialog = nullptr;
    QList<QIcon> ImageList1;

    QString DocumentName() const { return m_documentName; }

    // Document lifecycle; failures are raised to the caller.
    void LoadDocument(const QString &name);
    // The same in a character set the user chose.
    void LoadDocumentAs(const QString &name, std::optional<TCharset> charset);
    const TFileFormat &DocumentFormat() const { return m_format; }
    void QuerySaveChanges();
    void SetDocumentName(const QString &name);
    void ShowModifiedState(bool modified);
    void New();
    void Open();
    void Save();
    void FileSaveAs();
    void DropFile1DropFiles(QObject *sender, const QStringList &fileList, const QPoint &location,
                            bool isClientArea);

    // Commands of the menus, tool bar and pop-up.
    void EditUndo();
    void EditCut();
    void EditCopy();
    void EditPaste();
    void DelButtonClick();
    void SelectAll();
    void WordWrap();
    void ShowCodes1Click();
    void Toolbar1Click();
    void StatusBar3Click();
    void Map1Click();
    void Tools1Click();
    void Find1Click();
    void Autocopy1Click();
    void Print1Click();
    void ExportImage1Click();
    void ExportPdf1Click();
    void ExportHtml1Click();
    void StepFile(int step); // the next (+1) or previous (-1) file of the folder
    void FitWindowToText();
    void FitOnOpenClick();
    void CentreClick();
    void ReadOnlyClick();
    void SchemeClick(int scheme); // -1: the user's own colours
    void TextOnlyClick();
    void CopyAsImage1Click();
    void GlimraHelp1Click();
    void About1Click();
    void Exit1Click();
    void EditMenuPopup();
    void CharacterSetClick(TCharset charset);
    void WrapClick(TAnsiWrap wrap);
    void StretchRowsClick();
    std::unique_ptr<TAnsiView> ArtView() const; // the view of the document's art, or null
    void Properties1Click();

    // Packs, pictures and the gallery (Unit1Packs.cpp). A pack opens at the
    // entry the chain names (the recent files), else at its FILE_ID.DIZ or
    // first entry; stepped: it was stepped into from its folder, and is left
    // at its ends for the folder's next file.
    void OpenPack(const QString &path, const QStringList &chain = {}, bool stepped = false);
    bool InPack() const;
    bool ShowsImage() const { return m_isImage; }
    void GalleryClick();
    TGalleryView *Gallery() const { return m_gallery; }
    TImageView *ImageView() const { return m_imageView; }

    // View preferences.
    void FontButonClick();
    void FontDialogApply(const QFont &font);
    void ZoomIn1Click();
    void ZoomOutButonClick();
    void Zoom(int step); // in, out, or back to the normal size (0)
    void BColorButtonClick();
    void FColorButtonClick();
    void TextModeFontClick(const QString &family);

    // Recent files and Find.
    void AddRecent(const QString &fileName);
    void File1Click();
    void mru(int slot); // the click handler of the submenu entry of a slot, mru1 to mru15
    void FindDialogFind();

    void UpdateCaretPanel();
    void UpdatePasteCommand();

    // What the session manager's question before a log-off runs: false vetoes.
    bool QueryEndSession();
    // The file a start opens: the first argument when it names a file.
    static QString FileToOpenAtStart(const QStringList &arguments);

    QAction *Item(const char *name) const;        // a menu or pop-up item
    QToolButton *Button(const char *name) const;  // a tool-bar button
    QMenu *EditMenu = nullptr;

    // The file dialogs' settings and the memory of their last use.
    TFileDialogState OpenDialog;
    TFileDialogState SaveDialog;
    TFileDialogState ExportImageDialog;
    TFileDialogState ExportPdfDialog;
    TFileDialogState ExportHtmlDialog;

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void FormCreate();
    void FormShow();
    bool FormCloseQuery();
    void FormClose();
    void richeditChange();
    void richeditSelectionChange();
    void richeditMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, const QPoint &pos);
    void richeditEditRefused();
    void OnClipboardChanged();

    void BuildCommands();
    void BuildTextModeMenu();
    void BuildSchemeMenu();
    void UpdateSchemeChecks();
    void ShowTextOnly(); // the derived text the view shows: the words alone, or colour art
    void ShowNotice(const QString &text);
    void RunCommand(TCommand command);
    void BuildPackViews();
    bool OpenPackOrImage(const QString &name); // false: not a pack or picture by its name
    bool StepInPack(int step, bool leave);     // false: left the pack at its end
    void ShowPiece(TPackPiece piece, std::optional<TCharset> charset = std::nullopt);
    void ShowFile(TDocumentFile file, const QString &name, const QString &watched);
    void ShowImage(const QImage &image, const QByteArray &bytes, const QString &name, const QString &watched);
    void ShowView(QWidget *view); // the text, a picture or the gallery
    void LeavePack();
    void AddRecentEntry();   // the pack with the entry shown, soon
    void WriteRecentEntry(); // what is still to be written of it
    bool ImageCommand(TCommand command); // true: done or refused for a picture
    void SaveImageCopy();
    void ExportImageCopy();
    void OpenFromGallery(qsizetype index);
    void RunReading(const QString &label, TPackProgress &progress, const std::function<void()> &work);
    void OpenLink(const QString &url);
    void WriteDocument(const QString &fileName);
    void SetDocument(TDocumentFile file);
    void LoadFinished(const QString &name);
    void LoadFailed(const QString &name);
    void WatchSource(TDecodedSource *watched);
    void WhenIdle(const std::function<void()> &task);
    void SourceChanged(TDecodedSource *source, TSourceFile::TState state);
    // The file changed on disk (or is gone): read again, asked about, or told.
    void DiskChanged();
    void ReloadKeepingPlace();
    void StopLoading();
    void ShowLoadProgress();
    void WaitForLoad(); // raises the silent abort when the load failed
    void WaitForCopy();
    void ShowFormat(); // the character set's panel and menu check
    void ShowArtView(); // Show Codes and the note on colour art
    // Save and Save As; false when the user cancelled the dialog or declined
    // to overwrite.
    bool SaveDocument();
    bool SaveDocumentAs();
    bool SaveConverted(const QString &name, const TFileFormat &target);
    void CommitData(QSessionManager &manager);
    void ApplyDialogFont(const QFont &font);
    void SetFontSize(int pointSize);
    void UpdateFontPanel();

    std::unique_ptr<Ui::TMain> ui;
    QString m_documentName;
    TFileFormat m_format;
    QActionGroup *m_charsets = nullptr;
    QActionGroup *m_wraps = nullptr;
    TAnsiWrap m_wrap = TAnsiWrap::awAutomatic; // the document's
    QString m_popupLink; // the link the pop-up menu was opened over
    QPointer<TDocumentLoader> m_loader; // scans a large file
    int m_loads = 0;                    // counts them, so that a late call finds its own
    TDiskWatch *m_diskWatch = nullptr; // the file's changes by other programs
    bool m_askingDisk = false;          // the question about a change is open
    QString m_noticeText;               // a notice shown until the user's next key or click
    QString m_diskNotice;               // what was noticed of the file on disk
    bool m_lossTold = false;            // the user heard the file's text is lost
    bool m_refusalShown = false;        // the status bar tells how to edit colour art
    bool m_shown = false;
    QColor m_lastDialogColor = Qt::black; // the colour dialog opens on its last choice
    QString m_outlineFamily = QStringLiteral("Lucida Console ANSI"); // what leaving a text-mode face returns to
    QColor m_customText, m_customBackground; // the user's own colours, kept while a scheme is chosen
    std::unique_ptr<TPackBrowser> m_pack; // the packs the document is read from
    bool m_packStepped = false;           // stepped into from its folder
    QTimer *m_recentEntry = nullptr;      // writes the entry shown once stepping pauses
    bool m_isImage = false;               // a picture is the document
    QByteArray m_imageBytes;              // its bytes, for Save As
    TImageView *m_imageView = nullptr;
    TGalleryView *m_gallery = nullptr;
    QWidget *m_beforeGallery = nullptr;   // what Esc or F9 goes back to
    QStringList m_galleryFiles;           // the folder's files the gallery shows
    QHash<QString, QAction *> m_items;
    QHash<QString, QToolButton *> m_buttons;
    QHash<QString, QMenu *> m_menus;
};

extern TMain *Main;
