#pragma once
// The art files the tests read, all inside the repository: the tests' own
// data and the examples. Missing data stops the test program with a message
// that names it, rather than leaving a test with nothing to check.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>
#include <QPair>
#include <QString>

namespace TestData {

// The file's bytes, from the tests' data folder when the name is relative.
inline QByteArray Read(const QString &name)
{
    QFile file(QDir(QStringLiteral(GLIMRA_TEST_DATA)).filePath(name));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("The test data %s cannot be read: %s", qPrintable(file.fileName()), qPrintable(file.errorString()));
    return file.readAll();
}

// Names and bytes of every art file.
inline QList<QPair<QString, QByteArray>> ArtFiles()
{
    QList<QPair<QString, QByteArray>> files;
    for (const char *folder : {GLIMRA_TEST_DATA, GLIMRA_EXAMPLES}) {
        const QDir dir(QString::fromUtf8(folder));
        const QStringList names = dir.entryList(QDir::Files, QDir::Name);
        if (names.isEmpty())
            qFatal("The test data folder %s is missing or empty", folder);
        for (const QString &name : names) {
            if (!name.endsWith(QLatin1String(".md")))
                files.append({name, Read(dir.filePath(name))});
        }
    }
    return files;
}

} // namespace TestData
