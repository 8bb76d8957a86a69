// Times the exports of growing files beside the tools that do one thing,
// from one run, with the peak memory of each: the web page beside iconv's
// conversion of the same file to UTF-8, the PNG of ANSI art beside ansilove
// (where it is installed), the PDF of a log, and the save of a large file
// with one byte typed beside dd's copy of it with conv=fsync. Every figure is
// taken from a process of its own (wait4 gives its peak resident size).
//
// Build with --target bench_export and run, on any platform (offscreen too):
//   bench_export [--html 100,300] [--png 1,5] [--pdf 10] [--save 1000]
//                [--dir DIR] [--remove-files]
// Sizes are in millions of bytes; 0 leaves a row out. The files are written
// once to DIR (/tmp/glimra-bench) and reused.

#include "app/DocumentFile.h"
#include "app/DocumentLoader.h"
#include "formats/FileFormat.h"
#include "support/BenchSupport.h"
#include "textview/RichEdit.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cstdio>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

extern char **environ;

namespace {

using namespace Bench;

struct TMeasure
{
    bool Ok = false;
    double Seconds = 0;
    long PeakMb = 0;
};

// Runs program with arguments, standard output to out (or nowhere), and
// waits: its time and its own peak resident size.
TMeasure Run(const QString &program, const QStringList &arguments, const QString &out = {})
{
    QList<QByteArray> bytes{QFile::encodeName(program)};
    for (const QString &argument : arguments)
        bytes << argument.toLocal8Bit();
    std::vector<char *> argv;
    for (QByteArray &b : bytes)
        argv.push_back(b.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const QByteArray target = out.isEmpty() ? QByteArray("/dev/null") : QFile::encodeName(out);
    posix_spawn_file_actions_addopen(&actions, 1, target.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    QElapsedTimer time;
    time.start();
    pid_t pid = 0;
    TMeasure measure;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        rusage usage{};
        if (wait4(pid, &status, 0, &usage) == pid) {
            measure.Ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
            measure.Seconds = double(time.nsecsElapsed()) / 1e9;
            measure.PeakMb = usage.ru_maxrss / 1024;
        }
    }
    posix_spawn_file_actions_destroy(&actions);
    return measure;
}

QString Cell(const TMeasure &m)
{
    return m.Ok ? QStringLiteral("%1 s, %2 MB").arg(m.Seconds, 0, 'f', 2).arg(m.PeakMb) : QStringLiteral("-");
}

void Print(const QString &what, const QString &ours, const QString &baseline, const TMeasure &a, const TMeasure &b)
{
    std::printf("%-34s %-28s %-26s %-24s\n", qPrintable(what), qPrintable(ours + u' ' + Cell(a)),
                qPrintable(baseline), qPrintable(Cell(b)));
    std::fflush(stdout);
}

// A log of numbered lines of plain text, a few megabytes written at a time.
bool WriteLog(const QString &path, qint64 megabytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const qint64 size = megabytes * 1000 * 1000;
    QByteArray chunk;
    for (qint64 line = 0, written = 0; written < size; ++line) {
        chunk += "2026-12-09 04:" + QByteArray::number(line % 60).rightJustified(2, '0') + ":00 INFO request " +
                 QByteArray::number(line) + " served in " + QByteArray::number(line % 997) + " ms\r\n";
        if (chunk.size() >= (4 << 20) || written + chunk.size() >= size) {
            if (file.write(chunk) != chunk.size())
                return false;
            written += chunk.size();
            chunk.clear();
        }
    }
    return file.flush();
}

// ANSI art: rows of 80 coloured cells, every row its own colours.
bool WriteArt(const QString &path, qint64 megabytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const qint64 size = megabytes * 1000 * 1000;
    QByteArray chunk;
    for (qint64 row = 0, written = 0; written < size; ++row) {
        for (int run = 0; run < 8; ++run)
            chunk += "\x1B[" + QByteArray::number(30 + (row + run) % 8) + ';' + QByteArray::number(40 + (row * 3 + run) % 8) +
                     "m\xDB\xB2\xB1\xB0 art \xB0\xB1\xB2";
        chunk += "\x1B[0m\r\n";
        if (chunk.size() >= (1 << 20) || written + chunk.size() >= size) {
            if (file.write(chunk) != chunk.size())
                return false;
            written += chunk.size();
            chunk.clear();
        }
    }
    return file.flush();
}

QString Prepared(const QString &dir, const QString &name, qint64 megabytes, bool (*write)(const QString &, qint64))
{
    const QString path = QDir(dir).filePath(name.arg(megabytes));
    if (!QFileInfo::exists(path) && !write(path, megabytes))
        return {};
    return path;
}

// The file opened as the window opens it and scanned.
TFileFormat OpenAsTheWindow(TRichEdit &edit, const QString &path)
{
    TDocumentFile file = DocumentFile::Open(path);
    if (!file.Source) {
        edit.SetBytes(std::move(file.Text), file.Format.Charset);
    } else {
        edit.OpenSource(file.Source, file.Format.Charset);
        auto *loader = new TDocumentLoader(&edit, file.Source, &edit);
        loader->Start();
        while (edit.Loading())
            QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return file.Format;
}

// Puts this process into a memory control group (its folder), so that it
// is held to the group's limit.
bool JoinGroup(const QString &group)
{
    QFile procs(QDir(group).filePath(QStringLiteral("cgroup.procs")));
    return procs.open(QIODevice::WriteOnly) && procs.write(QByteArray::number(qint64(getpid()))) > 0;
}

// A memory control group of limit megabytes, made where this machine allows
// it (version 2, else version 1); empty where it does not.
QString MakeGroup(qint64 limit)
{
    const QString name = QStringLiteral("glimra-bench-%1").arg(getpid());
    for (const auto &[root, file] : {std::pair{QStringLiteral("/sys/fs/cgroup"), QStringLiteral("memory.max")},
                                     std::pair{QStringLiteral("/sys/fs/cgroup/memory"), QStringLiteral("memory.limit_in_bytes")}}) {
        const QString group = QDir(root).filePath(name);
        if (!QFileInfo::exists(QDir(root).filePath(file == QLatin1String("memory.max") ? QStringLiteral("cgroup.subtree_control")
                                                                                       : file))
            || !QDir().mkdir(group))
            continue;
        QFile max(QDir(group).filePath(file));
        if (max.open(QIODevice::WriteOnly) && max.write(QByteArray::number(limit << 20)) > 0)
            return group;
        QDir().rmdir(group);
    }
    return {};
}

// The child of a conversion: the file opened as the window opens it, checked
// for what UTF-8 lacks and written in UTF-8, as Save As does; prints the
// seconds it took, within the control group when one is given.
int ChildConvert(const QString &path, const QString &out, const QString &group)
{
    if (!group.isEmpty() && !JoinGroup(group))
        return 3;
    QElapsedTimer time;
    time.start();
    TRichEdit edit;
    const TFileFormat format = OpenAsTheWindow(edit, path);
    TFileFormat target;
    target.Charset = TCharset::csUtf8;
    const std::optional<FileFormat::TConversion> conversion = FileFormat::Check(edit.Document(), format, target);
    if (!conversion || !DocumentFile::WriteConverted(out, edit.Document(), *conversion, {}))
        return 1;
    std::printf("%.3f\n", double(time.nsecsElapsed()) / 1e9);
    return 0;
}

// On a virtual machine, memory the guest has not touched lately (or gave
// back to the host) costs a fault to the host on its first use, which made
// a write of a new 1 GB file three times slower than a rewrite of an old
// one. A child that touches and frees that many bytes first puts each
// writer on the same footing (in a child, so that no peak counts it).
int ChildTouch(qint64 bytes)
{
    std::vector<char> memory(size_t(bytes), '\0');
    for (size_t at = 0; at < memory.size(); at += 4096)
        memory[at] = char(at / 4096);
    return memory[memory.size() / 2] == char(-1) ? 1 : 0; // keeps the stores
}

// The child of a save: the file opened as the window opens it, scanned, one
// byte typed at its start, and saved under another name; prints the seconds
// the save took.
int ChildSave(const QString &path, const QString &out)
{
    TRichEdit edit;
    TDocumentFile file;
    file.Format = OpenAsTheWindow(edit, path);
    edit.SetSel(0, 0);
    edit.ReplaceSel(QStringLiteral("x"));
    if (const std::shared_ptr<TDecodedSource> source = edit.Document().Source()) {
        while (source->Copying()) // the private copy is not the save's time
            QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    QElapsedTimer time;
    time.start();
    DocumentFile::Write(out, edit.Document(), file.Format);
    std::printf("%.3f\n", double(time.nsecsElapsed()) / 1e9);
    return 0;
}

QList<qint64> Sizes(const QString &text)
{
    QList<qint64> sizes;
    for (const QString &part : text.split(u',', Qt::SkipEmptyParts))
        if (part.toLongLong() > 0)
            sizes << part.toLongLong();
    return sizes;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc >= 4 && qstrcmp(argv[1], "--child-convert") == 0) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QApplication app(argc, argv);
        return ChildConvert(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]),
                            argc > 4 ? QString::fromLocal8Bit(argv[4]) : QString());
    }
    if (argc == 3 && qstrcmp(argv[1], "--child-touch") == 0)
        return ChildTouch(QByteArray(argv[2]).toLongLong());
    if (argc == 4 && qstrcmp(argv[1], "--child-save") == 0) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QApplication app(argc, argv);
        return ChildSave(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    }
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({QStringLiteral("html"), QStringLiteral("Sizes of the logs for the web page."), QStringLiteral("MB"), QStringLiteral("100,300")});
    parser.addOption({QStringLiteral("png"), QStringLiteral("Sizes of the ANSI art for the PNG."), QStringLiteral("MB"), QStringLiteral("1,5")});
    parser.addOption({QStringLiteral("pdf"), QStringLiteral("Sizes of the logs for the PDF."), QStringLiteral("MB"), QStringLiteral("10")});
    parser.addOption({QStringLiteral("save"), QStringLiteral("Sizes of the logs saved."), QStringLiteral("MB"), QStringLiteral("1000")});
    parser.addOption({QStringLiteral("convert"), QStringLiteral("Sizes of the logs saved in UTF-8."), QStringLiteral("MB"), QStringLiteral("0")});
    parser.addOption({QStringLiteral("memory"), QStringLiteral("The control group's limit for the conversion."), QStringLiteral("MB"), QStringLiteral("256")});
    parser.addOption({QStringLiteral("dir"), QStringLiteral("Where the files are made."), QStringLiteral("DIR"), QStringLiteral("/tmp/glimra-bench")});
    parser.addOption({QStringLiteral("remove-files"), QStringLiteral("Remove the files made afterwards.")});
    parser.process(app);
    const QString dir = parser.value(QStringLiteral("dir"));
    QDir().mkpath(dir);
    const QString glimra = QStringLiteral(GLIMRA_EXECUTABLE);
    const QString out = QDir(dir).filePath(QStringLiteral("out"));
    QStringList made;
    qputenv("QT_QPA_PLATFORM", "offscreen");

    std::printf("%-34s %-28s %-26s %-24s\n", "export", "ours", "baseline", "");
    for (const qint64 mb : Sizes(parser.value(QStringLiteral("html")))) {
        const QString log = Prepared(dir, QStringLiteral("log-%1.txt"), mb, WriteLog);
        made << log;
        const TMeasure ours = Run(glimra, {QStringLiteral("--export-html"), out, log});
        const TMeasure iconv = Run(QStringLiteral("iconv"), {QStringLiteral("-f"), QStringLiteral("CP437"), QStringLiteral("-t"), QStringLiteral("UTF-8"), log}, out);
        Print(QStringLiteral("web page of a %1 MB log").arg(mb), QStringLiteral("glimra"), QStringLiteral("iconv to UTF-8"), ours, iconv);
    }
    const QString ansilove = QStandardPaths::findExecutable(QStringLiteral("ansilove"));
    for (const qint64 mb : Sizes(parser.value(QStringLiteral("png")))) {
        const QString art = Prepared(dir, QStringLiteral("art-%1.ans"), mb, WriteArt);
        made << art;
        const TMeasure ours = Run(glimra, {QStringLiteral("--export-png"), out + QStringLiteral(".png"), art});
        const TMeasure theirs = ansilove.isEmpty() ? TMeasure{}
                                                   : Run(ansilove, {QStringLiteral("-o"), out + QStringLiteral(".png"), art});
        Print(QStringLiteral("PNG of %1 MB of ANSI art").arg(mb), QStringLiteral("glimra"),
              ansilove.isEmpty() ? QStringLiteral("(no ansilove installed)") : QStringLiteral("ansilove"), ours, theirs);
    }
    for (const qint64 mb : Sizes(parser.value(QStringLiteral("pdf")))) {
        const QString log = Prepared(dir, QStringLiteral("log-%1.txt"), mb, WriteLog);
        made << log;
        const TMeasure ours = Run(glimra, {QStringLiteral("--export-pdf"), out + QStringLiteral(".pdf"), log});
        const qint64 bytes = QFileInfo(out + QStringLiteral(".pdf")).size();
        Print(QStringLiteral("PDF of a %1 MB log").arg(mb), QStringLiteral("glimra"),
              QStringLiteral("file: %1 MB").arg(bytes / 1e6, 0, 'f', 1), ours, {});
    }
    for (const qint64 mb : Sizes(parser.value(QStringLiteral("save")))) {
        const QString log = Prepared(dir, QStringLiteral("log-%1.txt"), mb, WriteLog);
        made << log;
        // The disk's speed comes and goes: three turns each, one after the
        // other, all written out before each, and the middle one of each.
        QList<TMeasure> ours, dd;
        for (int turn = 0; turn < 3; ++turn) {
            ::sync();
            const QStringList touch{QStringLiteral("--child-touch"), QString::number(3 * mb * 1000000)};
            Run(QCoreApplication::applicationFilePath(), touch);
            dd << Run(QStringLiteral("dd"), {QStringLiteral("if=") + log, QStringLiteral("of=") + out, QStringLiteral("bs=1M"),
                                             QStringLiteral("conv=fsync"), QStringLiteral("status=none")});
            ::sync();
            Run(QCoreApplication::applicationFilePath(), touch);
            const QString told = out + QStringLiteral(".seconds");
            TMeasure save = Run(QCoreApplication::applicationFilePath(), {QStringLiteral("--child-save"), log, out}, told);
            QFile seconds(told);
            if (seconds.open(QIODevice::ReadOnly))
                save.Seconds = seconds.readAll().trimmed().toDouble(); // the save's, not the open's
            seconds.remove();
            ours << save;
        }
        const auto middle = [](QList<TMeasure> runs) {
            std::sort(runs.begin(), runs.end(), [](const TMeasure &a, const TMeasure &b) { return a.Seconds < b.Seconds; });
            return runs[1];
        };
        Print(QStringLiteral("save of a %1 MB log, a byte typed").arg(mb), QStringLiteral("glimra"),
              QStringLiteral("dd bs=1M conv=fsync"), middle(ours), middle(dd));
    }
    for (const qint64 mb : Sizes(parser.value(QStringLiteral("convert")))) {
        const QString log = Prepared(dir, QStringLiteral("log-%1.txt"), mb, WriteLog);
        made << log;
        const qint64 limit = parser.value(QStringLiteral("memory")).toLongLong();
        const QString group = MakeGroup(limit);
        const QString told = out + QStringLiteral(".seconds");
        QStringList arguments{QStringLiteral("--child-convert"), log, out};
        if (!group.isEmpty())
            arguments << group;
        TMeasure ours = Run(QCoreApplication::applicationFilePath(), arguments, told);
        QFile seconds(told);
        if (seconds.open(QIODevice::ReadOnly))
            ours.Seconds = seconds.readAll().trimmed().toDouble();
        seconds.remove();
        if (!group.isEmpty())
            QDir().rmdir(group);
        const TMeasure iconv = Run(QStringLiteral("iconv"), {QStringLiteral("-f"), QStringLiteral("CP437"), QStringLiteral("-t"), QStringLiteral("UTF-8"), log}, out);
        Print(QStringLiteral("UTF-8 of a %1 MB log%2").arg(mb).arg(group.isEmpty() ? QString() : QStringLiteral(", %1 MB group").arg(limit)),
              QStringLiteral("glimra"), QStringLiteral("iconv"), ours, iconv);
    }
    QFile::remove(out);
    QFile::remove(out + QStringLiteral(".png"));
    QFile::remove(out + QStringLiteral(".pdf"));
    if (parser.isSet(QStringLiteral("remove-files")))
        for (const QString &path : made)
            QFile::remove(path);
    return 0;
}
