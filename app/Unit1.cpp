#include "app/Unit1.h"

#include "app/BusyScope.h"
#include "app/CommandLine.h"
#include "app/DiskWatch.h"
#include "app/DocumentFile.h"
#include "app/DocumentLoader.h"
#include "app/Export.h"
#include "app/ExportCommands.h"
#include "app/FolderFiles.h"
#include "app/PackBrowser.h"
#include "app/RecentFiles.h"
#include "app/StoredLook.h"
#include "app/Unit2.h"
#include "app/Unit3.h"
#include "controls/ProUrl.h"
#include "platform/Colors.h"
#include "platform/Errors.h"
#include "platform/FindDialog.h"
#include "platform/Help.h"
#include "platform/Printing.h"
#include "textview/RichEdit.h"
#include "platform/StatusBar.h"
#include "document/TextSearch.h"
#include "settings/MyRegistry.h"
#include "settings/StateControl.h"
#include "shell/DropFile.h"
#include "ui_Unit1.h"

#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QSessionManager>
#include <QToolBar>
#include <QToolButton>

TMain *Main = nullptr;

namespace {

// The icons in index order: resources/icons/NN-name.xpm, each with its
// 32-pixel drawing icons/32/NN-name.png for a scale factor of 2.
QList<QIcon> LoadImageList()
{
    const QStringList files = QDir(QStringLiteral(":/icons")).entryList({QStringLiteral("[0-9][0-9]-*.xpm")}, QDir::Files, QDir::Name);
    QList<QIcon> icons;
    for (int i = 0; i < kIconCount; ++i) {
        const QString prefix = QStringLiteral("%1-").arg(i, 2, 10, QLatin1Char('0'));
        const auto it = std::find_if(files.begin(), files.end(), [&prefix](const QString &f) { return f.startsWith(prefix); });
        QIcon icon;
        if (it != files.end()) {
            icon.addFile(QStringLiteral(":/icons/") + *it);
            icon.addFile(QStringLiteral(":/icons/32/") + it->chopped(4) + QStringLiteral(".png"));
        }
        icons << icon;
    }
    return icons;
}

} // namespace

// The resources live in a static library, so they are registered by hand.
static void InitResources()
{
    Q_INIT_RESOURCE(glimra);
}

TMain::TMain(QWidget *parent) : QMainWindow(parent), ui(std::make_unique<Ui::TMain>())
{
    InitResources();
    ui->setupUi(this);
    richedit = ui->richedit;
    StatusBar1 = ui->StatusBar1;
    StatusBar1->SetPanelWidths({150, 80, 160, 140, 110, 200});
    StatusBar1->SetHiddenWhenEmpty(5, true); // the loading panel, while nothing loads
    setMinimumSize(400, 188);
    QFont windowFont(QStringLiteral("MS Sans Serif"));
    windowFont.setPixelSize(11);
    windowFont.setStyleHint(QFont::SansSerif);
    StatusBar1->setFont(windowFont);
    QIcon windowIcon(QStringLiteral(":/icons/glimra.xpm"));
    windowIcon.addFile(QStringLiteral(":/icons/glimra-16.xpm"));
    windowIcon.addFile(QStringLiteral(":/icons/glimra-48.xpm"));
    setWindowIcon(windowIcon);
    ImageList1 = LoadImageList();

    Reg = new TMyRegistry(this);
    Reg->setObjectName(QStringLiteral("Reg"));
    Reg->SetRegPath(QString::fromLatin1(kPreferencesPath));
    Reg->SetRootKey(TMyRegistry::kHKEY_CURRENT_USER);

    MainSaver = new TStateControl(this);
    MainSaver->setObjectName(QStringLiteral("MainSaver"));
    MainSaver->SetKeyPath(QStringLiteral("\\Software\\Torvane\\Glimra 5.0\\Main"));
    MainSaver->Controls()->Add()->SetControl(this);
    MainSaver->Controls()->Add(); // an empty entry

    DropFile1 = new TDropFile(this);
    DropFile1->setObjectName(QStringLiteral("DropFile1"));
    DropFile1->SetControl(richedit);
    DropFile1->SetOnDropFiles(this, &TMain::DropFile1DropFiles);

    FindDialog = new TFindDialog(this);
    connect(FindDialog, &TFindDialog::Find, this, Guarded(this, &TMain::FindDialogFind));

    OpenDialog.Filter = QString::fromLatin1(FileFilter);
    OpenDialog.DefaultExt = QStringLiteral("nfo");
    SaveDialog = OpenDialog;
    OpenDialog.Filter.prepend(QStringLiteral("All supported files|%1|").arg(FolderFiles::Patterns().join(u';')));
    ExportImageDialog = ExportCommands::ImageDialog();
    ExportPdfDialog = ExportCommands::PdfDialog();
    ExportHtmlDialog = ExportCommands::HtmlDialog();

    BuildCommands();
    BuildPackViews();

    connect(richedit, &TRichEdit::Change, this, Guarded(this, &TMain::richeditChange));
    connect(richedit, &TRichEdit::SelectionChange, this, Guarded(this, &TMain::richeditSelectionChange));
    connect(richedit, &TRichEdit::MouseDown, this, Guarded(this, &TMain::richeditMouseDown));
    connect(richedit, &TRichEdit::PopupRequested, EditMenu, [this](const QPoint &at) {
        // Over a link the menu begins with what can be done with it.
        m_popupLink = richedit->LinkAt(richedit->viewport()->mapFromGlobal(at));
        for (const char *name : {"OpenLink3", "CopyLink3", "N19"})
            Item(name)->setVisible(!m_popupLink.isEmpty());
        EditMenu->popup(at);
    });
    connect(richedit, &TRichEdit::EditRefused, this, Guarded(this, &TMain::richeditEditRefused));
    m_diskWatch = new TDiskWatch(this);
    connect(m_diskWatch, &TDiskWatch::Changed, this, [this] { WhenIdle([this] { DiskChanged(); }); });
    connect(richedit, &TRichEdit::ZoomRequested, this, Guarded([this](int step) { Zoom(step); }));
    connect(richedit, &TRichEdit::LinkActivated, this, Guarded([this](const QString &url) { OpenLink(url); }));
    connect(qApp, &QGuiApplication::commitDataRequest, this, &TMain::CommitData);
    qApp->installEventFilter(this); // the next key or click ends a notice

    FormCreate();
}

TMain::~TMain() = default;

void TMain::BuildCommands()
{
    QMenuBar *bar = ui->MainMenu1;
    QHash<TMenuPlace, QMenu *> places;
    for (const TMenuDef &def : MenuBarMenus()) {
        QMenu *menu = bar->addMenu(QString::fromLatin1(def.Caption));
        menu->setObjectName(QString::fromLatin1(def.Name));
        places.insert(def.Place, menu);
        m_menus.insert(menu->objectName(), menu);
    }
    EditMenu = new QMenu(this);
    EditMenu->setObjectName(QStringLiteral("EditMenu"));
    places.insert(TMenuPlace::mpPopup, EditMenu);

    QList<QKeySequence> commandKeys;
    for (const TMenuItemDef &def : MenuItems()) {
        QMenu *menu = places.value(def.Place);
        const QString name = QString::fromLatin1(def.Name);
        if (qstrcmp(def.Caption, "-") == 0) {
            QAction *separator = menu->addSeparator();
            separator->setObjectName(name);
            m_items.insert(name, separator);
            continue;
        }
        if (def.Command == TCommand::cmNone) { // a submenu
            QMenu *sub = menu->addMenu(QString::fromLatin1(def.Caption));
            sub->setObjectName(name);
            sub->menuAction()->setObjectName(name);
            sub->menuAction()->setStatusTip(QString::fromLatin1(def.Hint));
            m_menus.insert(name, sub);
            m_items.insert(name, sub->menuAction());
            if (name == QLatin1String("Colors1"))
                places.insert(TMenuPlace::mpColors, sub);
            if (name == QLatin1String("CharacterSet1"))
                places.insert(TMenuPlace::mpCharset, sub);
            if (name == QLatin1String("AnsiWrap1"))
                places.insert(TMenuPlace::mpWrap, sub);
            continue;
        }
        auto *action = new QAction(QString::fromLatin1(def.Caption), this);
        action->setObjectName(name);
        action->setStatusTip(QString::fromLatin1(def.Hint));
        action->setCheckable(def.Checkable);
        if (def.Icon >= 0)
            action->setIcon(ImageList1.value(def.Icon));
        if (*def.Shortcut) {
            action->setShortcuts(QKeySequence::listFromString(QString::fromLatin1(def.Shortcut)));
            commandKeys << action->shortcuts();
        }
        const TCommand command = def.Command;
        // Checked by the document's set or wrap.
        const bool charset = def.Place == TMenuPlace::mpCharset || def.Place == TMenuPlace::mpWrap;
        connect(action, &QAction::triggered, this, Guarded([this, action, command, charset] {
            // A check mark is flipped by the command itself, not by the menu.
            if (action->isCheckable() && !charset)
                action->setChecked(!action->isChecked());
            RunCommand(command);
        }));
        menu->addAction(action);
        m_items.insert(name, action);
        if (def.Place == TMenuPlace::mpCharset) {
            if (!m_charsets)
                m_charsets = new QActionGroup(this);
            m_charsets->addAction(action);
        }
        if (def.Place == TMenuPlace::mpWrap) {
            if (!m_wraps)
                m_wraps = new QActionGroup(this);
            m_wraps->addAction(action);
        }
    }
    richedit->SetCommandKeys(commandKeys);
    Item("Toolbar1")->setChecked(true);
    for (const char *name : {"OpenLink3", "CopyLink3", "N19"}) // shown over a link only
        Item(name)->setVisible(false);

    connect(m_menus.value(QStringLiteral("File1")), &QMenu::aboutToShow, this, Guarded(this, &TMain::File1Click));
    connect(m_menus.value(QStringLiteral("Tools1")), &QMenu::aboutToShow, this, Guarded(this, &TMain::Tools1Click));
    connect(EditMenu, &QMenu::aboutToShow, this, Guarded(this, &TMain::EditMenuPopup));

    QToolBar *toolBar = ui->ToolBar;
    toolBar->setContextMenuPolicy(Qt::PreventContextMenu);
    for (const TToolButtonDef &def : ToolButtons()) {
        if (!def.Name) {
            QWidget *gap = new QWidget(toolBar);
            gap->setFixedWidth(kToolSeparatorWidth);
            toolBar->addWidget(gap);
            continue;
        }
        auto *button = new QToolButton(toolBar);
        button->setObjectName(QString::fromLatin1(def.Name));
        button->setToolTip(QString::fromLatin1(def.Hint));
        button->setIcon(ImageList1.value(def.Icon));
        button->setAutoRaise(true);
        button->setFixedSize(kToolButtonWidth, 22);
        button->setFocusPolicy(Qt::NoFocus);
        const TCommand command = def.Command;
        connect(button, &QToolButton::clicked, this, Guarded([this, command] { RunCommand(command); }));
        toolBar->addWidget(button);
        m_buttons.insert(button->objectName(), button);
    }

    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, Guarded(this, &TMain::OnClipboardChanged));
    BuildTextModeMenu();
    BuildSchemeMenu();
}

// An address of the document handed to the desktop; one it cannot open is
// told, unlike the about box's labels.
void TMain::OpenLink(const QString &url)
{
    if (!ShellOpenFile(this, url))
        throw EGlimraError(QStringLiteral("Cannot open the address %1: no program on this system opens it").arg(url));
}

void TMain::RunCommand(TCommand command)
{
    if (m_isImage && ImageCommand(command))
        return;
    switch (command) {
    case TCommand::cmNone: break;
    case TCommand::cmNew: New(); break;
    case TCommand::cmOpen: Open(); break;
    case TCommand::cmSave: Save(); break;
    case TCommand::cmSaveAs: FileSaveAs(); break;
    case TCommand::cmPrint: Print1Click(); break;
    case TCommand::cmExportImage: ExportImage1Click(); break;
    case TCommand::cmExportPdf: ExportPdf1Click(); break;
    case TCommand::cmCopyImage: CopyAsImage1Click(); break;
    case TCommand::cmExit: Exit1Click(); break;
    case TCommand::cmUndo: EditUndo(); break;
    case TCommand::cmCut: EditCut(); break;
    case TCommand::cmCopy: EditCopy(); break;
    case TCommand::cmPaste: EditPaste(); break;
    case TCommand::cmDelete: DelButtonClick(); break;
    case TCommand::cmSelectAll: SelectAll(); break;
    case TCommand::cmToolbar: Toolbar1Click(); break;
    case TCommand::cmStatusBar: StatusBar3Click(); break;
    case TCommand::cmMap: Map1Click(); break;
    case TCommand::cmBackgroundColor: BColorButtonClick(); break;
    case TCommand::cmFontColor: FColorButtonClick(); break;
    case TCommand::cmWordWrap: WordWrap(); break;
    case TCommand::cmShowCodes: ShowCodes1Click(); break;
    case TCommand::cmNextFile: StepFile(+1); break;
    case TCommand::cmPreviousFile: StepFile(-1); break;
    case TCommand::cmExportHtml: ExportHtml1Click(); break;
    case TCommand::cmTextOnly: TextOnlyClick(); break;
    case TCommand::cmFitWindow: FitWindowToText(); break;
    case TCommand::cmFitOnOpen: FitOnOpenClick(); break;
    case TCommand::cmCentre: CentreClick(); break;
    case TCommand::cmReadOnly: ReadOnlyClick(); break;
    case TCommand::cmGallery: GalleryClick(); break;
    case TCommand::cmWrapAutomatic: WrapClick(TAnsiWrap::awAutomatic); break;
    case TCommand::cmWrapDos: WrapClick(TAnsiWrap::awDos); break;
    case TCommand::cmWrapTerminal: WrapClick(TAnsiWrap::awTerminal); break;
    case TCommand::cmStretchRows: StretchRowsClick(); break;
    case TCommand::cmFind: Find1Click(); break;
    case TCommand::cmAutocopy: Autocopy1Click(); break;
    case TCommand::cmZoomIn: ZoomIn1Click(); break;
    case TCommand::cmZoomOut: ZoomOutButonClick(); break;
    case TCommand::cmZoomNormal: Zoom(0); break;
    case TCommand::cmFont: FontButonClick(); break;
    case TCommand::cmHelp: GlimraHelp1Click(); break;
    case TCommand::cmAbout: About1Click(); break;
    case TCommand::cmCharsetCp437: CharacterSetClick(TCharset::csCp437); break;
    case TCommand::cmCharsetUtf8: CharacterSetClick(TCharset::csUtf8); break;
    case TCommand::cmCharsetUtf16: CharacterSetClick(TCharset::csUtf16); break;
    case TCommand::cmCharsetWindows1252: CharacterSetClick(TCharset::csWindows1252); break;
    case TCommand::cmProperties: Properties1Click(); break;
    case TCommand::cmOpenLink: OpenLink(m_popupLink); break;
    case TCommand::cmCopyLink: QGuiApplication::clipboard()->setText(m_popupLink); break;
    }
}

QAction *TMain::Item(const char *name) const
{
    return m_items.value(QString::fromLatin1(name));
}

QToolButton *TMain::Button(const char *name) const
{
    return m_buttons.value(QString::fromLatin1(name));
}

// ---- Start and close ----

void TMain::FormCreate()
{
    MainSaver->LoadState();
    Reg->SetCanCreate(true);
    Reg->Open();
    const TLook look = ReadStoredLook(*Reg);
    richedit->SetTextFont(look.Font);
    richedit->SetColors(look.Text, look.Background);
    Item("Map1")->setChecked(Reg->ReadBool(QStringLiteral("Misc"), QStringLiteral("MapVis"), false));
    Item("WordWrap1")->setChecked(Reg->ReadBool(QStringLiteral("Misc"), QStringLiteral("WordWrap"), false));
    Item("Autocopy1")->setChecked(Reg->ReadBool(QStringLiteral("Misc"), QStringLiteral("AutoCopy"), false));
    Item("StatusBar3")->setChecked(Reg->ReadBool(QStringLiteral("Misc"), QStringLiteral("Statusbar"), true));
    Item("FitOnOpen1")->setChecked(Reg->ReadBool(QStringLiteral("Main"), QStringLiteral("FitOnOpen"), false));
    Item("Centre1")->setChecked(Reg->ReadBool(QStringLiteral("Main"), QStringLiteral("CentreNarrow"), false));
    Item("AspectRatio1")->setChecked(Reg->ReadBool(QStringLiteral("Main"), QStringLiteral("AspectRatio"), false));
    richedit->SetCentred(Item("Centre1")->isChecked());
    Item("ReadOnly1")->setChecked(Reg->ReadBool(QStringLiteral("Misc"), QStringLiteral("ReadOnly"), false));
    richedit->SetReadOnly(Item("ReadOnly1")->isChecked());
    // The user's own colours, kept while a colour scheme is in use.
    const qint32 customText = Reg->ReadInteger(QStringLiteral("Colors"), QStringLiteral("customfont"), -1);
    const qint32 customBackground = Reg->ReadInteger(QStringLiteral("Colors"), QStringLiteral("custombackground"), -1);
    if (customText >= 0 && customBackground >= 0) {
        m_customText = ColorFromValue(quint32(customText));
        m_customBackground = ColorFromValue(quint32(customBackground));
    }

    richedit->SetWordWrap(Item("WordWrap1")->isChecked());
    ui->Panel->setVisible(Item("StatusBar3")->isChecked());
    UpdateFontPanel();
    SetDocumentName(QString::fromLatin1(UntitledName));
    ShowFormat();
    ShowArtView();
    UpdateCaretPanel();
    Reg->Close();
}

void TMain::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        Guarded(this, &TMain::FormShow)();
    }
}

void TMain::FormShow()
{
    UpdateCaretPanel();
    richeditChange();
    richedit->setFocus();
    UpdatePasteCommand();
    const QString name = FileToOpenAtStart(QCoreApplication::arguments());
    if (!name.isEmpty())
        LoadDocument(name);
}

QString TMain::FileToOpenAtStart(const QStringList &arguments)
{
    const QString name = CommandLine::Parse(arguments).File;
    return !name.isEmpty() && QFileInfo(name).isFile() ? name : QString();
}

// The session is ending (log-off, shut-down): the same question as a close,
// and a refusal vetoes the end of the session.
void TMain::CommitData(QSessionManager &manager)
{
    // Without leave to ask, unsaved changes veto the end rather than be lost.
    const bool canEnd = manager.allowsInteraction() ? QueryEndSession() : !richedit->Modified();
    manager.release();
    if (!canEnd)
        manager.cancel();
}

bool TMain::QueryEndSession()
{
    return FormCloseQuery();
}

bool TMain::FormCloseQuery()
{
    try {
        QuerySaveChanges();
        return true;
    } catch (...) {
        return false; // Cancel, or a failed save: stay open without a message
    }
}

void TMain::FormClose()
{
    Guarded(this, &TMain::WriteRecentEntry)();
    MainSaver->SaveState();
    if (Map)
        Map->MapSaver->SaveState();
    Reg->SetCanCreate(true);
    Reg->Open();
    // Only what this copy changed, so that another copy's changes survive.
    Reg->WriteIntegerIfChanged(QStringLiteral("Colors"), QStringLiteral("background"), qint32(ColorToValue(richedit->BackgroundColor())));
    Reg->WriteIntegerIfChanged(QStringLiteral("Colors"), QStringLiteral("font"), qint32(ColorToValue(richedit->TextColor())));
    Reg->WriteBoolIfChanged(QStringLiteral("Misc"), QStringLiteral("WordWrap"), Item("WordWrap1")->isChecked());
    Reg->WriteBoolIfChanged(QStringLiteral("Misc"), QStringLiteral("MapVis"), Item("Map1")->isChecked());
    Reg->WriteBoolIfChanged(QStringLiteral("Misc"), QStringLiteral("AutoCopy"), Item("Autocopy1")->isChecked());
    Reg->WriteBoolIfChanged(QStringLiteral("Misc"), QStringLiteral("Statusbar"), Item("StatusBar3")->isChecked());
    Reg->WriteBoolIfChanged(QStringLiteral("Misc"), QStringLiteral("Map"), Map && Map->isVisible());
    Reg->WriteBoolIfChanged(QStringLiteral("Main"), QStringLiteral("FitOnOpen"), Item("FitOnOpen1")->isChecked());
    Reg->WriteBoolIfChanged(QStringLiteral("Main"), QStringLiteral("CentreNarrow"), Item("Centre1")->isChecked());
    Reg->WriteBoolIfChanged(QStringLiteral("Misc"), QStringLiteral("ReadOnly"), Item("ReadOnly1")->isChecked());
    Reg->WriteBoolIfChanged(QStringLiteral("Main"), QStringLiteral("AspectRatio"), Item("AspectRatio1")->isChecked());
    if (m_customText.isValid()) {
        Reg->WriteIntegerIfChanged(QStringLiteral("Colors"), QStringLiteral("customfont"), qint32(ColorToValue(m_customText)));
        Reg->WriteIntegerIfChanged(QStringLiteral("Colors"), QStringLiteral("custombackground"),
                                   qint32(ColorToValue(m_customBackground)));
    }
    Reg->WriteStringIfChanged(QStringLiteral("Font"), QStringLiteral("Name"), richedit->font().family());
    Reg->WriteIntegerIfChanged(QStringLiteral("Font"), QStringLiteral("Size"), richedit->font().pointSize());
    Reg->WriteStringIfChanged(QStringLiteral("Misc"), QStringLiteral("MapFont"),
                     Map ? Map->GridFontName() : QStringLiteral("Lucida Console ANSI"));
    Reg->Close();
}

// A notice stays until the user's next key or click in this window, so that
// nothing that matters vanishes unread.
bool TMain::eventFilter(QObject *watched, QEvent *event)
{
    if (!m_noticeText.isEmpty() && (event->type() == QEvent::KeyPress || event->type() == QEvent::MouseButtonPress)) {
        auto *widget = qobject_cast<QWidget *>(watched);
        const int key = event->type() == QEvent::KeyPress ? static_cast<QKeyEvent *>(event)->key() : 0;
        const bool modifier = key >= Qt::Key_Shift && key <= Qt::Key_ScrollLock; // alone, not yet an action
        if (widget && widget->window() == this && !modifier) {
            m_noticeText.clear();
            ShowLoadProgress(); // what the panel says when nothing is told
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

// Back at the front, the window looks whether the file changed meanwhile.
void TMain::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && m_diskWatch)
        m_diskWatch->Check();
}

void TMain::closeEvent(QCloseEvent *event)
{
    // A save or a search in progress finishes first.
    if (TBusyScope::Active() || !FormCloseQuery()) {
        event->ignore();
        return;
    }
    StopLoading(); // at once: nothing more is read
    Guarded(this, &TMain::FormClose)(); // settings that cannot be written do not keep the program open
    event->accept();
}

// ---- Edit commands and their enabling ----

void TMain::UpdateCaretPanel()
{
    const qsizetype p = richedit->SelStart();
    const qsizetype line = richedit->LineFromChar(p);
    const qsizetype column = richedit->CharCount(richedit->LineIndex(line), p);
    StatusBar1->SetPanelText(0, CaretPanelText(line, column));
    Button("CopyButon")->setEnabled(richedit->SelLength() > 0);
    const bool canCopy = Button("CopyButon")->isEnabled();
    Item("Copy1")->setEnabled(canCopy);
    Button("CutButon")->setEnabled(canCopy);
    Item("Cut1")->setEnabled(canCopy);
}

void TMain::richeditSelectionChange()
{
    UpdateCaretPanel();
    if (m_refusalShown)
        ShowArtView(); // the hint goes once the caret moves
}

// A key that would change what cannot be edited: where it can be edited.
void TMain::richeditEditRefused()
{
    QString text = QStringLiteral("Press F4 to edit the codes"); // colour art as drawn
    if (InPack())
        text = QStringLiteral("Read only: an entry of a pack; Save As writes a copy");
    else if (richedit->ReadOnly())
        text = QStringLiteral("Read only: turn View > Read Only off to edit");
    else if (Item("TextOnly1")->isChecked())
        text = QStringLiteral("Text only: turn View > Text Only off to edit");
    StatusBar1->SetPanelText(5, text);
    m_refusalShown = true;
}

void TMain::UpdatePasteCommand()
{
    bool canPaste = false;
    if (const QMimeData *data = QGuiApplication::clipboard()->mimeData()) {
        const QStringList formats = data->formats();
        canPaste = std::any_of(formats.begin(), formats.end(),
                               [this](const QString &format) { return richedit->CanPasteFormat(format); });
    }
    Button("PasteButon")->setEnabled(canPaste);
    Item("Paste1")->setEnabled(canPaste);
}

void TMain::OnClipboardChanged()
{
    UpdatePasteCommand();
}

void TMain::EditMenuPopup()
{
    Item("Undo3")->setEnabled(Button("UndoButon")->isEnabled());
    Item("Cut3")->setEnabled(Button("CutButon")->isEnabled());
    Item("Copy3")->setEnabled(Button("CopyButon")->isEnabled());
    Item("Paste3")->setEnabled(Button("PasteButon")->isEnabled());
    Item("WordWrap3")->setChecked(Item("WordWrap1")->isChecked());
}

void TMain::EditUndo()
{
    richedit->Undo();
}

void TMain::EditCut()
{
    richedit->CutToClipboard();
}

void TMain::EditCopy()
{
    richedit->CopyToClipboard();
    richedit->CollapseSelection();
}

void TMain::EditPaste()
{
    richedit->PasteFromClipboard();
}

void TMain::DelButtonClick()
{
    richedit->ReplaceSel(QString());
}

void TMain::SelectAll()
{
    richedit->SelectAllText();
}

void TMain::richeditMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers, const QPoint &)
{
    if (!Item("Autocopy1")->isChecked() || button != Qt::LeftButton)
        return;
    if (richedit->SelText().isEmpty())
        return;
    richedit->CopyToClipboard();
    richedit->CollapseSelection();
}

// ---- View toggles ----

void TMain::WordWrap()
{
    QAction *item = Item("WordWrap1");
    item->setChecked(!item->isChecked());
    richedit->SetWordWrap(item->isChecked());
}

// Colour art drawn, or its codes as text to edit; the art is drawn again from
// the codes as they are when it comes back.
void TMain::ShowCodes1Click()
{
    if (!TAnsiView::HasCodes(m_format.Art) && m_format.Art != TArtKind::akText) {
        Item("ShowCodes1")->setChecked(false);
        ShowNotice(QStringLiteral("%1 art is a picture: it has no codes to show").arg(FileFormat::Name(m_format)));
        return;
    }
    richedit->ShowDerived(richedit->HasDerivedText() && !richedit->ShownDerived());
    ShowArtView();
    UpdateFontPanel();
}

void TMain::Toolbar1Click()
{
    QAction *item = Item("Toolbar1");
    item->setChecked(!item->isChecked());
    ui->ToolBar->setVisible(item->isChecked());
}

void TMain::StatusBar3Click()
{
    QAction *item = Item("StatusBar3");
    item->setChecked(!item->isChecked());
    ui->Panel->setVisible(item->isChecked());
}

void TMain::Map1Click()
{
    QAction *item = Item("Map1");
    item->setChecked(!item->isChecked());
    if (Map)
        Map->setVisible(item->isChecked());
}

void TMain::Tools1Click()
{
    Item("Map1")->setChecked(Map && Map->isVisible());
}

void TMain::Autocopy1Click()
{
    QAction *item = Item("Autocopy1");
    item->setChecked(!item->isChecked());
}

// ---- Recent files and Find ----

void TMain::AddRecent(const QString &fileName)
{
    if (InPack() && fileName == m_documentName)
        AddRecentEntry();
    else
        TRecentFiles().AddRecent(fileName);
}

// The File menu opens: the Recent Files submenu is built afresh from the list.
void TMain::File1Click()
{
    QMenu *submenu = m_menus.value(QStringLiteral("RecentFiles1"));
    const QList<QAction *> old = submenu->actions();
    for (auto it = old.rbegin(); it != old.rend(); ++it) {
        submenu->removeAction(*it);
        delete *it;
    }
    for (const TRecentMenuItem &entry : RecentMenuItems(TRecentFiles().Slots())) {
        QAction *action = submenu->addAction(entry.Caption);
        action->setEnabled(entry.Enabled);
        if (entry.Slot <= 0)
            continue;
        action->setObjectName(QStringLiteral("mru%1").arg(entry.Slot));
        const int slot = entry.Slot;
        connect(action, &QAction::triggered, this, Guarded([this, slot] { mru(slot); }));
    }
}

// The slot is read when the entry is chosen, so a list changed meanwhile by
// another copy of the program is honoured. Unsaved changes are asked about
// first, as for every other command that replaces the document.
void TMain::mru(int slot)
{
    const QString name = TRecentFiles().Slot(slot);
    if (name.isEmpty())
        return;
    QuerySaveChanges();
    if (FolderFiles::KindOf(name) == FolderFiles::TKind::Pack)
        OpenPack(name, TRecentFiles().Shown(name)); // at the entry last shown
    else
        LoadDocument(name);
}

void TMain::Find1Click()
{
    FindDialog->Execute();
}

// Find Next: forward from just after the selection, without regard to case;
// a match gets the focus and the selection, nothing found does nothing.
void TMain::FindDialogFind()
{
    const QString what = FindDialog->FindText();
    qsizetype length = 0;
    // A long search shows how far it is and stops at Esc; at the end of a
    // file still being scanned it waits for more.
    TBusyScope busy(true);
    QElapsedTimer time;
    time.start();
    const auto progress = [this, &busy, &time](qsizetype reached) {
        while (m_loader && !m_loader->Done() && reached >= richedit->TextLength() && busy.Pump(true)) {
        }
        if (time.elapsed() > 300) {
            const qsizetype total = std::max<qsizetype>(1, richedit->TextLength());
            StatusBar1->SetPanelText(5, QStringLiteral("Find %1% (Esc stops)").arg(100 * reached / total));
        }
        return busy.Pump();
    };
    const qsizetype at = richedit->FindText(what, TextSearch::FindStart(richedit->SelStart(), richedit->SelLength()),
                                            &length, progress);
    ShowLoadProgress();
    if (at < 0)
        return;
    richedit->setFocus();
    richedit->SetSel(at, length);
    // The dialog stays open for the next search, clear of what it found.
    const QRect found = richedit->CharRect(at).united(richedit->CharRect(at + std::max<qsizetype>(length, 1) - 1));
    FindDialog->MoveClearOf(QRect(richedit->viewport()->mapToGlobal(found.topLeft()), found.size()));
}

// ---- Printing, help, about, exit ----

void TMain::Print1Click()
{
    WaitForLoad();
    const QString caption = windowTitle();
    std::unique_ptr<QPrinter> printer = Printing::DefaultPrinter();
    printer->setDocName(PrintJobName(caption));
    QPainter painter;
    if (!painter.begin(printer.get()))
        throw EGlimraError(QStringLiteral("Printer selected is not valid"));
    Export::PaintPages(*richedit, painter, *printer);
    painter.end();
}

void TMain::ExportImage1Click()
{
    WaitForLoad();
    ExportCommands::ExportImage(this, *richedit, m_documentName, ExportImageDialog);
}

void TMain::ExportPdf1Click()
{
    WaitForLoad();
    ExportCommands::ExportPdf(this, *richedit, m_documentName, PrintJobName(windowTitle()), ExportPdfDialog);
}

void TMain::CopyAsImage1Click()
{
    WaitForLoad();
    ExportCommands::CopyAsImage(*richedit);
}

void TMain::GlimraHelp1Click()
{
    WinHelp(this, qApp->property("HelpFile").toString());
}

void TMain::About1Click()
{
    setEnabled(false);
    if (About)
        About->show();
}

void TMain::Exit1Click()
{
    close();
}
