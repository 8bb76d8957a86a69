#include "platform/Help.h"

#include "platform/Dialogs.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QTextBrowser>
#include <QVBoxLayout>

QString FindHelpFile(const QString &name, const QString &currentDir, const QString &programDir)
{
    // An install keeps its data apart from its program, by the same relative
    // path under any prefix (../share/glimra from bin/).
    const QString dataDir = QDir::cleanPath(QDir(programDir).filePath(QStringLiteral(GLIMRA_DATA_FROM_PROGRAM)));
    for (const QString &dir : {currentDir, programDir, dataDir}) {
        const QFileInfo candidate(QDir(dir), name);
        if (candidate.isFile())
            return candidate.absoluteFilePath();
    }
    return {};
}

THelpViewer::THelpViewer(QWidget *parent) : QWidget(parent, Qt::Window), m_browser(new QTextBrowser(this))
{
    setObjectName(QStringLiteral("HelpViewer"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_browser);
    m_browser->setOpenExternalLinks(true);
    resize(640, 560);
}

void THelpViewer::ShowFile(const QString &path)
{
    m_fileName = path;
    // The file is HTML whatever its extension says.
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        m_browser->setHtml(QString::fromUtf8(file.readAll()));
    m_browser->moveCursor(QTextCursor::Start);
    setWindowTitle(m_browser->documentTitle().isEmpty() ? QFileInfo(path).fileName() : m_browser->documentTitle());
}

void THelpViewer::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier)
        close();
    else
        QWidget::keyPressEvent(event);
}

bool WinHelp(QWidget *owner, const QString &helpFile)
{
    const QString path = FindHelpFile(helpFile, QDir::currentPath(), QCoreApplication::applicationDirPath());
    if (path.isEmpty()) {
        TDialogs::Instance().Error(owner, QStringLiteral("Help"),
                                   QStringLiteral("Cannot find the help file %1.").arg(helpFile));
        return false;
    }
    auto *viewer = owner ? owner->findChild<THelpViewer *>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
    if (!viewer)
        viewer = new THelpViewer(owner);
    viewer->ShowFile(path);
    viewer->show();
    viewer->raise();
    viewer->activateWindow();
    return true;
}
