#pragma once
// The main window: the one document, its commands, and the program's start
// and close sequences.

#include "platform/Dialogs.h"

#include <QMainWindow>
#include <QHash>
#include <QPoint>
#include <QStringList>
#include <memory>

namespace Ui {
class TMain;
}
class QAction;
class QMenu;
class QToolButton;
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

    QString DocumentName() const { return m_documentName; }

    void LoadDocument(const QString &name);
    void QuerySaveChanges();
    void SetDocumentName(const QString &name);
    void ShowModifiedState(bool modified);

    // Document commands; failures are raised to the caller.
    void New();
    void Open();
    void Save();
    void FileSaveAs();
    void DropFile1DropFiles(QObject *sender, const QStringList &fileList, const QPoint &location,
                            bool isClientArea);

    // The file dialogs' settings and the memory of their last use.
    TFileDialogState OpenDialog;
    TFileDialogState SaveDialog;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void FormCreate();
    void FormShow();
    bool FormCloseQuery();
    void FormClose();
    void richeditChange();
    void WriteDocument(const QString &fileName);

    std::unique_ptr<Ui::TMain> ui;
    QString m_documentName;
    bool m_shown = false;
};

extern TMain *Main;
