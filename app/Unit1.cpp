#include "app/Unit1.h"

#include "platform/Cp437.h"
#include "platform/Errors.h"
#include "platform/RichEdit.h"
#include "platform/StatusBar.h"
#include "ui_Unit1.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

TMain *Main = nullptr;

namespace {

// Larger files would not fit the text control's character index.
constexpr qint64 kMaxDocumentBytes = qint64(1) << 30;

// The last component of a name: the part after the last path separator or
// drive colon.
QString FileNamePart(const QString &name)
{
    const qsizetype cut = std::max({name.lastIndexOf(u'/'), name.lastIndexOf(u'\\'), name.lastIndexOf(u':')});
    return name.mid(cut + 1);
}

} // namespace

TMain::TMain(QWidget *parent) : QMainWindow(parent), ui(std::make_unique<Ui::TMain>())
{
    ui->setupUi(this);
    richedit = ui->richedit;
    StatusBar1 = ui->StatusBar1;
    StatusBar1->SetPanelWidths({150, 80, 160, 140});
    setMinimumSize(400, 188);

    OpenDialog.Filter = QString::fromLatin1(FileFilter);
    OpenDialog.DefaultExt = QStringLiteral("nfo");
    SaveDialog = OpenDialog;

    connect(richedit, &TRichEdit::Change, this, Guarded(this, &TMain::richeditChange));

    FormCreate();
}

TMain::~TMain() = default;

void TMain::FormCreate()
{
    StatusBar1->SetPanelText(2, QStringLiteral("%1 %2").arg(richedit->font().family()).arg(richedit->font().pointSize()));
    SetDocumentName(QString::fromLatin1(UntitledName));
}

void TMain::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        try {
            FormShow();
        } catch (...) {
            HandleCurrentException();
        }
    }
}

void TMain::FormShow()
{
    richeditChange();
    richedit->setFocus();
    const QStringList args = QCoreApplication::arguments();
    if (args.size() > 1 && QFileInfo(args.at(1)).isFile())
        LoadDocument(args.at(1));
}

void TMain::SetDocumentName(const QString &name)
{
    m_documentName = name;
    setWindowTitle(QStringLiteral("%1 - %2").arg(QGuiApplication::applicationDisplayName(), FileNamePart(name)));
}

void TMain::ShowModifiedState(bool modified)
{
    StatusBar1->SetPanelText(1, modified ? QStringLiteral("Modified") : QString());
}

void TMain::richeditChange()
{
    ShowModifiedState(richedit->Modified());
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
        Save();
        break;
    case TModalResult::mrNo:
        break;
    }
}

void TMain::LoadDocument(const QString &name)
{
    QFile file(name);
    if (QFileInfo(name).isDir() || !file.open(QIODevice::ReadOnly))
        throw EGlimraError(QStringLiteral("Cannot open file %1").arg(name));
    if (file.size() > kMaxDocumentBytes)
        throw EGlimraError(QStringLiteral("Cannot open file %1: it is larger than 1 GB").arg(name));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw EGlimraError(QStringLiteral("Cannot open file %1").arg(name));
    file.close();

    richedit->SetBytes(bytes);
    SetDocumentName(name);
    richedit->setFocus();
    richedit->SetModified(false);
    ShowModifiedState(false);
}

void TMain::New()
{
    QuerySaveChanges();
    SetDocumentName(QString::fromLatin1(UntitledName));
    richedit->Clear();
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

// Writes through a temporary file renamed over the target at the end, so a
// failure part way leaves the old file whole.
void TMain::WriteDocument(const QString &fileName)
{
    const QByteArray bytes = richedit->Bytes();
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw EGlimraError(QStringLiteral("Cannot create file %1").arg(fileName));
}

void TMain::Save()
{
    if (m_documentName == QLatin1String(UntitledName)) {
        FileSaveAs();
        return;
    }
    WriteDocument(m_documentName);
    richedit->SetModified(false);
    ShowModifiedState(false);
}

void TMain::FileSaveAs()
{
    const std::optional<QString> name = TDialogs::Instance().SaveFileName(this, SaveDialog);
    if (!name)
        return;
    if (QFileInfo::exists(*name)
        && TDialogs::Instance().Confirm(this, QStringLiteral("OK to overwrite %1").arg(*name)) != TModalResult::mrYes)
        return;
    WriteDocument(*name);
    SetDocumentName(*name);
    richedit->SetModified(false);
    ShowModifiedState(false);
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
}

void TMain::closeEvent(QCloseEvent *event)
{
    if (!FormCloseQuery()) {
        event->ignore();
        return;
    }
    FormClose();
    event->accept();
}
