#include "support/MainFixture.h"

#include "app/Application.h"
#include "app/RecentFiles.h"
#include "app/Unit2.h"
#include "app/Unit3.h"
#include "document/DecodedSource.h"
#include "platform/Errors.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QStandardPaths>

void UseTemporarySettings(QTemporaryDir &dir)
{
    const QString config = dir.filePath(QStringLiteral("config"));
    QDir().mkpath(config);
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config));
    // Private copies of the files edited too.
    TDecodedSource::SetCopyFolder(dir.filePath(QStringLiteral("cache")));
}

MainFixture::MainFixture()
{
    SetApplicationTitle(QString::fromLatin1(TApplication::Title));
    qApp->setProperty("HelpFile", QString::fromLatin1(TApplication::HelpFile));
    UseTemporarySettings(Dir);
    TRecentFiles::SetListDirectory(Dir.path());
    CreateWindows();
}

MainFixture::~MainFixture()
{
    DestroyWindows();
    TRecentFiles::SetListDirectory(QString());
}

// Main first: the character map reads its settings through Main's store.
void MainFixture::CreateWindows()
{
    Window = new TMain();
    Main = Window;
    Map = new TMap(Window);
    About = new TAbout(Window);
}

void MainFixture::DestroyWindows()
{
    delete About;
    delete Map;
    delete Window;
    About = nullptr;
    Map = nullptr;
    Main = nullptr;
    Window = nullptr;
}

void MainFixture::Restart(bool close)
{
    if (close)
        Window->close();
    DestroyWindows();
    CreateWindows();
}

QString MainFixture::WriteFile(const QString &name, const QByteArray &bytes) const
{
    const QString path = Dir.filePath(name);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
    return path;
}

QByteArray MainFixture::ReadFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
