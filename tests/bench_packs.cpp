// Times reading packs as the window reads them, beside bsdtar -tf on the
// same pack: listing a pack of many small pieces of ANSI art (the target:
// under 100 ms for 1,000 entries) and stepping to the next entry in the
// window, read, shown and painted (under 50 ms for an entry under 1 MB); and the most anonymous
// memory the process gains while the window opens a bomb (an entry of
// zeros that expands a thousandfold): refused past the bound, read into our
// cache file below it.
//
// Build with --target bench_packs and run, on any platform (offscreen too):
//   bench_packs [--entries 1000] [--runs 9] [--bomb-mb 1024,400] [--dir DIR]
// The packs are written to DIR (/tmp/glimra-bench-packs) and reused.

#include "app/Unit1.h"
#include "packs/PackReader.h"
#include "platform/Errors.h"
#include "platform/Memory.h"
#include "support/BenchSupport.h"
#include "support/MainFixture.h"
#include "support/PackMaker.h"
#include "textview/RichEdit.h"

#include <QAction>
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>

namespace {

using namespace Bench;

double Median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values[values.size() / 2];
}

// A piece of ANSI art of about 4 KB, its own colours.
QByteArray Piece(int k)
{
    QByteArray art;
    for (int row = 0; row < 24; ++row) {
        art += "\x1b[" + QByteArray::number(30 + (k + row) % 8) + ";4" + QByteArray::number((k * 3 + row) % 8) + "m";
        for (int column = 0; column < 40; ++column)
            art += "\xDB\xB2\xB1\xB0"[(k + row + column) % 4];
        art += "\x1b[0m piece " + QByteArray::number(k) + "\r\n";
    }
    return art;
}

QString MakePack(const QString &dir, const QString &format, int entries)
{
    const QString path = QDir(dir).filePath(QStringLiteral("pack-%1.%2").arg(entries).arg(format));
    if (QFileInfo::exists(path))
        return path;
    QList<PackMaker::TItem> items{{"FILE_ID.DIZ", "A pack of ANSI art for the benchmark\r\n"}};
    for (int k = 1; k < entries; ++k)
        items.append({QStringLiteral("art/%1.ans").arg(k, 4, 10, QLatin1Char('0')).toUtf8(), Piece(k)});
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(PackMaker::Make(format, items)) < 0)
        qFatal("Cannot write %s", qPrintable(path));
    return path;
}

QString MakeBomb(const QString &dir, int megabytes)
{
    const QString path = QDir(dir).filePath(QStringLiteral("bomb-%1mb.zip").arg(megabytes));
    if (!QFileInfo::exists(path)) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly)
            || file.write(PackMaker::Make(QStringLiteral("zip"), {{"bomb.nfo", {}, qint64(megabytes) << 20}})) < 0)
            qFatal("Cannot write %s", qPrintable(path));
    }
    return path;
}

double ListMs(const QString &path, qsizetype *entries)
{
    QElapsedTimer time;
    time.start();
    TPackReader reader(TPackSource::Open(path));
    *entries = reader.List().Entries.size();
    return Ms(time);
}

// Milliseconds bsdtar takes to list the pack, or -1 without bsdtar.
double BsdtarMs(const QString &path)
{
    const QString bsdtar = QStandardPaths::findExecutable(QStringLiteral("bsdtar"));
    if (bsdtar.isEmpty())
        return -1;
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer time;
    time.start();
    process.start(bsdtar, {QStringLiteral("-tf"), path});
    process.waitForFinished(-1);
    return Ms(time);
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({QStringLiteral("entries"), QStringLiteral("Entries of the packs."), QStringLiteral("n"), QStringLiteral("1000")});
    parser.addOption({QStringLiteral("runs"), QStringLiteral("Runs of each measure."), QStringLiteral("n"), QStringLiteral("9")});
    parser.addOption({QStringLiteral("bomb-mb"), QStringLiteral("Sizes of the bombs' entries."), QStringLiteral("list"),
                      QStringLiteral("1024,400")});
    parser.addOption({QStringLiteral("dir"), QStringLiteral("Where the packs are written."), QStringLiteral("dir"),
                      QStringLiteral("/tmp/glimra-bench-packs")});
    parser.process(app);
    const int entries = parser.value(QStringLiteral("entries")).toInt();
    const int runs = std::max(1, parser.value(QStringLiteral("runs")).toInt());
    const QString dir = parser.value(QStringLiteral("dir"));
    QDir().mkpath(dir);

    std::printf("%-8s %8s %12s %12s %14s %14s\n", "pack", "entries", "list (ms)", "bsdtar -tf", "next (median)", "next (worst)");
    for (const QString format : {QStringLiteral("zip"), QStringLiteral("tar.gz")}) {
        const QString path = MakePack(dir, format, entries);
        QList<double> list, bsdtar, step;
        qsizetype listed = 0;
        for (int run = 0; run < runs; ++run) {
            list << ListMs(path, &listed);
            bsdtar << BsdtarMs(path);
        }
        {
            // Read, shown and painted.
            MainFixture f;
            f.Window->resize(900, 700);
            f.Window->show();
            f.Window->LoadDocument(path);
            TPaintWatch painted;
            f.Window->richedit->viewport()->installEventFilter(&painted);
            for (int k = 0; k < runs * 5; ++k) {
                QApplication::processEvents();
                painted.Painted = false;
                QElapsedTimer time;
                time.start();
                f.Window->Item("NextFile1")->trigger();
                while (!painted.Painted && time.elapsed() < 5000)
                    QApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
                step << Ms(time);
            }
        }
        std::printf("%-8s %8lld %12.1f %12.1f %14.1f %14.1f\n", qPrintable(format), qlonglong(listed), Median(list),
                    Median(bsdtar), Median(step), *std::max_element(step.begin(), step.end()));
    }

    std::printf("\n%-14s %10s %24s  %s\n", "bomb", "time (ms)", "anonymous memory gained", "outcome");
    for (const QString &size : parser.value(QStringLiteral("bomb-mb")).split(u',', Qt::SkipEmptyParts)) {
        const QString path = MakeBomb(dir, size.toInt());
        MainFixture f;
        const qint64 before = AnonymousMemory();
        std::atomic<qint64> peak{before};
        std::atomic<bool> stop{false};
        std::thread sampler([&] {
            while (!stop) {
                peak = std::max<qint64>(peak, AnonymousMemory());
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        });
        QElapsedTimer time;
        time.start();
        QString outcome;
        try {
            f.Window->LoadDocument(path);
            while (f.Window->richedit->Loading())
                QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
            outcome = QStringLiteral("shown, read on demand: %1").arg(f.Window->windowTitle());
        } catch (const EGlimraError &error) {
            outcome = error.Text();
        }
        const double ms = Ms(time);
        stop = true;
        sampler.join();
        std::printf("%-14s %10.0f %21lld MB  %s\n", qPrintable(QFileInfo(path).fileName()), ms,
                    qlonglong((peak - before) >> 20), qPrintable(outcome));
    }
    return 0;
}
