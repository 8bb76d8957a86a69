// Times opening ANSI art the way the window opens it (read at once, its
// screen drawn, shown in colour), and an XBin and a PCBoard file of the same
// size, beside an .nfo of the same size (its first
// screen at once, the rest scanned in the background): the time to the first screen,
// the time until all is in, and the memory at its peak. Each file is opened
// in a child process of its own, so that memory peaks do not mix.
//
// Build with --target bench_ansi and run (offscreen too):
//   bench_ansi [--sizes 1,50] [--dir DIR]
// Sizes are in millions of bytes; the files are written once to DIR
// (/tmp/glimra-bench) and reused.

#include "app/DocumentFile.h"
#include "app/DocumentLoader.h"
#include "render/TextModeFace.h"
#include "support/BenchSupport.h"
#include "textview/AnsiView.h"
#include "textview/RichEdit.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include <cstdio>

namespace {

using namespace Bench;

// A row of 80 cells in the way art editors write it: a colour change every
// few cells, blocks, shades and letters, the next row reached by wrapping.
QByteArray AnsiRow(qsizetype i)
{
    static const char cells[] = "\xDB\xDB\xB2\xB1\xB0 \xDC\xDF\xDD\xDE" "art";
    QByteArray row;
    for (int column = 0; column < 80; ++column) {
        if (column % 5 == 0)
            row += "\x1B[" + QByteArray(column % 10 ? "0;" : "1;") + QByteArray::number(30 + (i + column) % 8) + ';'
                   + QByteArray::number(40 + (i * 3 + column) % 8) + 'm';
        row += cells[(i + column) % (sizeof cells - 1)];
    }
    return row + "\x1B[0m";
}

// An animation: the same 25 rows drawn again and again after clearing the screen.
QByteArray AnimationFrame(qsizetype i)
{
    QByteArray frame("\x1B[2J\x1B[H");
    for (int row = 0; row < 25; ++row)
        frame += AnsiRow(i + row);
    return frame;
}

// The same row as PCBoard writes it: @X codes in place of escape codes.
QByteArray PcboardRow(qsizetype i)
{
    static const char cells[] = "\xDB\xDB\xB2\xB1\xB0 \xDC\xDF\xDD\xDE" "art";
    QByteArray row;
    for (int column = 0; column < 80; ++column) {
        if (column % 5 == 0)
            row += "@X" + QByteArray::number((i * 3 + column) % 8, 16) + QByteArray::number((column % 10 ? 0 : 8) + (i + column) % 8, 16);
        row += cells[(i + column) % (sizeof cells - 1)];
    }
    return row;
}

// The same row as an XBin compresses it: runs of five cells of one attribute.
QByteArray XBinRow(qsizetype i)
{
    static const char cells[] = "\xDB\xDB\xB2\xB1\xB0 \xDC\xDF\xDD\xDE" "art";
    QByteArray row;
    for (int column = 0; column < 80; column += 5) {
        row += char(0x80 | 4);
        row += char(((i * 3 + column) % 8) << 4 | (column % 10 ? 0 : 8) | (i + column) % 8);
        for (int k = 0; k < 5; ++k)
            row += cells[(i + column + k) % (sizeof cells - 1)];
    }
    return row;
}

QString Extension(const QString &kind)
{
    return kind == QLatin1String("nfo") ? QStringLiteral("nfo") : kind == QLatin1String("xbin") ? QStringLiteral("xb")
           : kind == QLatin1String("pcb")                        ? QStringLiteral("pcb")
                                                                 : QStringLiteral("ans");
}

QString Prepare(const QString &dir, const QString &kind, int megabytes)
{
    const QString path = QStringLiteral("%1/%2-%3MB.%4").arg(dir, kind).arg(megabytes).arg(Extension(kind));
    if (QFileInfo::exists(path))
        return path;
    std::fprintf(stderr, "writing %s ...\n", qPrintable(path));
    if (kind == QLatin1String("nfo")) {
        WriteDocument(path, megabytes);
        return path;
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    const qint64 size = qint64(megabytes) * 1000 * 1000;
    if (kind == QLatin1String("xbin")) {
        const qint64 rows = size / XBinRow(0).size();
        file.write(QByteArray("XBIN\x1A\x50\0", 7) + char(rows & 0xFF) + char(rows >> 8 & 0xFF) + "\x10\x0C");
        for (qsizetype i = 0; i < rows; ++i)
            file.write(XBinRow(i));
        return path;
    }
    for (qsizetype i = 0; file.size() < size; ++i)
        file.write(kind == QLatin1String("anim") ? AnimationFrame(i) : kind == QLatin1String("pcb") ? PcboardRow(i) : AnsiRow(i));
    return path;
}

// One file opened as the window opens it; prints "face open paint loaded peak
// rows cut". The text-mode face is read first, once a run, as the window
// reads it for the first art it opens; its time is a column of its own.
int Child(const QString &path)
{
    QElapsedTimer f;
    f.start();
    TTextModeFace::Find(QStringLiteral("Text Mode 8x16"));
    const double face = Ms(f);
    auto *edit = new TRichEdit;
    edit->resize(800, 600);
    edit->show();
    QApplication::processEvents();
    TPaintWatch watch;
    edit->viewport()->installEventFilter(&watch);
    ResetPeak();
    const long base = Status("VmRSS:");
    QElapsedTimer t;
    t.start();
    TDocumentFile file = DocumentFile::Open(path);
    TDocumentLoader *loader = nullptr;
    if (file.Source) {
        edit->OpenSource(file.Source, file.Format.Charset);
        loader = new TDocumentLoader(edit, file.Source, edit);
        loader->Start();
    } else {
        TAnsiView::Load(*edit, std::move(file.Text), file.Format);
    }
    const double open = Ms(t);
    watch.Painted = false;
    edit->viewport()->repaint();
    while (!watch.Painted)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    const double paint = Ms(t);
    while (edit->Loading())
        QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    const double loaded = Ms(t);
    const TDerivedText *art = edit->ShownDerived();
    std::printf("row %.1f %.1f %.1f %.1f %.1f %lld %s\n", face, open, paint, loaded, (Status("VmHWM:") - base) / 1024.0,
                qlonglong(edit->ShownText().LineCount()), art && !art->Note().isEmpty() ? "cut" : "whole");
    delete loader;
    delete edit;
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOptions({{QStringLiteral("sizes"), QStringLiteral("Sizes in MB."), QStringLiteral("list"), QStringLiteral("1,50")},
                       {QStringLiteral("dir"), QStringLiteral("Where the files go."), QStringLiteral("dir"), QStringLiteral("/tmp/glimra-bench")},
                       {QStringLiteral("child"), QStringLiteral("(internal)"), QStringLiteral("file")}});
    parser.process(app);
    if (parser.isSet(QStringLiteral("child")))
        return Child(parser.value(QStringLiteral("child")));
    QDir().mkpath(parser.value(QStringLiteral("dir")));
    std::printf("%-16s %10s %10s %10s %10s %10s %10s\n", "file", "face ms", "open ms", "screen ms", "all in ms", "peak MB", "rows");
    for (const QString &size : parser.value(QStringLiteral("sizes")).split(u',')) {
        for (const char *kind : {"ansi", "xbin", "pcb", "anim", "nfo"}) {
            const QString path = Prepare(parser.value(QStringLiteral("dir")), QLatin1String(kind), size.toInt());
            QProcess child;
            child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child"), path});
            child.waitForFinished(600000);
            const QByteArray out = child.readAllStandardOutput();
            const QList<QByteArray> cells = out.mid(out.indexOf("row ") + 4).trimmed().split(' ');
            std::printf("%-16s", qPrintable(QFileInfo(path).fileName()));
            for (const QByteArray &cell : cells)
                std::printf(" %10s", cell.constData());
            std::printf("\n");
            std::fflush(stdout);
        }
    }
    return 0;
}
