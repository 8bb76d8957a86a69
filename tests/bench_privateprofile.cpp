// Times adding a key to a section of 10,000 to 80,000 lines, beside reading a
// key of the same file. Adding must grow like reading: linearly. Build with
// --target bench_privateprofile.

#include "platform/PrivateProfile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    std::printf("%10s %12s %12s\n", "lines", "add key ms", "read key ms");
    for (int lines : {10000, 20000, 40000, 80000}) {
        const QString path = dir.filePath(QStringLiteral("long%1.ini").arg(lines));
        QByteArray text = "[Oldies]\r\n";
        for (int i = 0; i < lines; ++i)
            text += "key" + QByteArray::number(i) + "=value " + QByteArray::number(i) + "\r\n";
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
            return 1;
        file.close();

        QElapsedTimer timer;
        timer.start();
        WritePrivateProfileString(QStringLiteral("Oldies"), QStringLiteral("added"), QStringLiteral("1"), path);
        const double add = timer.nsecsElapsed() / 1e6;
        timer.restart();
        GetPrivateProfileString(QStringLiteral("Oldies"), QStringLiteral("absent"), QString(), path);
        const double read = timer.nsecsElapsed() / 1e6;
        std::printf("%10d %12.1f %12.1f\n", lines, add, read);
    }
    return 0;
}
