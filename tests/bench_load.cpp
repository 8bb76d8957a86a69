// Times opening large files of 72-column art lines the way the window opens
// them ("ours": the file stays on disk, read on demand, its lines found by a
// background scan) beside the way it held them before ("whole": the file read
// whole into memory and loaded into the same control), and optionally a
// QPlainTextEdit given the whole decoded text. Each control and size is
// measured in a child process of its own so that memory figures do not mix;
// the figures come out as one table, side by side, with the time grep -c
// takes to look for the same absent word in the same file.
//
// Build with --target bench_load and run, on any platform (offscreen too):
//   bench_load [--sizes 100,1000,3000] [--dir DIR] [--whole-up-to MB]
//              [--plain-up-to MB] [--timeout SECONDS] [--remove-files]
// With GLIMRA_BENCH_WRAP set in the environment our control wraps words.
// Sizes are in millions of bytes. The files are written once to DIR
// (/tmp/glimra-bench) and reused; --remove-files deletes them afterwards.

#include "app/DocumentFile.h"
#include "app/DocumentLoader.h"
#include "document/TextBuffer.h"
#include "platform/Cp437.h"
#include "platform/Errors.h"
#include "support/BenchSupport.h"
#include "formats/FileFormat.h"
#include "textview/RichEdit.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QProcess>
#include <QStorageInfo>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <cstdio>
#include <map>
#include <vector>

namespace {

using namespace Bench;

// A failure raised on the event loop, in a slice of the load, is kept for the
// report instead of ending the process.
class TBenchApplication : public QApplication
{
public:
    using QApplication::QApplication;
    QString Failure;

    bool notify(QObject *receiver, QEvent *event) override
    {
        try {
            return QApplication::notify(receiver, event);
        } catch (const EGlimraError &error) {
            Fail(error.Message());
        } catch (const std::exception &error) {
            Fail(QString::fromLocal8Bit(error.what()));
        }
        return true;
    }

    void Fail(const QString &message)
    {
        if (Failure.isEmpty())
            Failure = message;
    }
};

TBenchApplication *App()
{
    return static_cast<TBenchApplication *>(QCoreApplication::instance());
}

QString Figure(double ms)
{
    return QString::number(ms, 'f', ms < 10 ? 2 : 1);
}

QString Megabytes(double kilobytes)
{
    return QString::number(kilobytes / 1024.0, 'f', 1);
}

// What a child found, in the order of the table's rows.
class TRow
{
public:
    void Set(QByteArrayView key, const QString &value) { m_cells.emplace_back(QString::fromLatin1(key), value); }
    void Print() const
    {
        QString line = QStringLiteral("row");
        for (const auto &[key, value] : m_cells)
            line += u'\t' + key + u'=' + value;
        std::printf("%s\n", qPrintable(line));
        std::fflush(stdout);
    }

private:
    std::vector<std::pair<QString, QString>> m_cells;
};

// Ctrl+End, a Find of what is not there and a typed key, each timed with
// the repaint it causes, as the row's keys prefix + "end", "find" and
// "type"; the Find comes first, before an edit starts the private copy. held
// tells whether the key was refused; find runs the control's own search and
// answers whether it found anything.
template <typename Held, typename Find>
void TimeKeys(TRow &row, QAbstractScrollArea *area, const char *prefix, Held held, Find find, bool type = true)
{
    const auto key = [prefix](const char *name) { return QByteArray(prefix) + name; };
    QElapsedTimer p;
    p.start();
    Key(area, Qt::Key_End, Qt::ControlModifier);
    area->viewport()->repaint();
    row.Set(key("end"), Figure(Ms(p)));
    p.restart();
    const bool found = find();
    row.Set(key("find"), found ? QStringLiteral("found?") : Figure(Ms(p)));
    if (!type)
        return;
    p.restart();
    Key(area, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
    area->viewport()->repaint();
    row.Set(key("type"), held() ? QStringLiteral("held") : Figure(Ms(p)));
}

int Refused(const QString &message)
{
    std::printf("refused: %s\n", qPrintable(message));
    std::fflush(stdout);
    return 0;
}

// Paints the control now; on a platform that paints only what is exposed,
// waits for the paint.
void PaintNow(QAbstractScrollArea *area, TPaintWatch &watch)
{
    watch.Painted = false;
    area->viewport()->repaint();
    while (!watch.Painted)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
}

const QString kAbsent = QStringLiteral("absent word");

// The text control, the file opened as the window opens it (whole: read
// whole into memory, as it was before files stayed on disk).
int ChildOurs(const QString &path, bool whole)
{
    auto *edit = new TRichEdit;
    edit->resize(800, 600);
    edit->SetWordWrap(qEnvironmentVariableIsSet("GLIMRA_BENCH_WRAP"));
    edit->show();
    QApplication::processEvents();
    edit->viewport()->repaint();
    TPaintWatch watch;
    edit->viewport()->installEventFilter(&watch);
    const auto findOurs = [edit] { return edit->FindText(kAbsent, 0) >= 0; };
    const auto typed = [edit] { return !edit->Modified(); };
    TRow row;
    const qint64 fileSize = QFileInfo(path).size();
    row.Set("file", QString::number(fileSize / 1e6, 'f', 1));

    ResetPeak();
    const long base = Status("VmRSS:");
    const long anon = Status("RssAnon:");
    QElapsedTimer t;
    t.start();
    TDocumentLoader *loader = nullptr;
    bool failed = false;
    try {
        TDocumentFile file = whole ? DocumentFile::Read(path) : DocumentFile::Open(path);
        row.Set("charset", FileFormat::Name(file.Format));
        if (file.Source) {
            edit->OpenSource(file.Source, file.Format.Charset);
            loader = new TDocumentLoader(edit, file.Source, edit);
            QObject::connect(loader, &TDocumentLoader::Failed, edit, [&failed] { failed = true; });
            loader->Start();
        } else {
            edit->SetBytes(std::move(file.Text), file.Format.Charset);
        }
    } catch (const EGlimraError &error) {
        return Refused(error.Message());
    } catch (const std::exception &error) {
        return Refused(QString::fromLocal8Bit(error.what()));
    }
    row.Set("open", Figure(Ms(t)));
    PaintNow(edit, watch);
    row.Set("paint", Figure(Ms(t)));

    // Right after the first screen: what the user can do while the rest comes.
    QElapsedTimer probes;
    probes.start();
    if (edit->Loading()) {
        row.Set("shown", QString::number(edit->Document().Length() / 1e6, 'f', 1));
        TimeKeys(row, edit, "l", typed, findOurs, false);
    }
    // The probes wait for nothing of the scan: their time is not the scan's.
    const double probed = Ms(probes);

    // The rest on the event loop, as the window runs it. A turn of the loop
    // is as long as input may wait meanwhile.
    std::vector<double> turns;
    QElapsedTimer turn;
    turn.start();
    if (loader) {
        QObject::connect(loader, &TDocumentLoader::Progress, edit, [&] {
            turns.push_back(Ms(turn));
            turn.restart();
        });
    }
    while (edit->Loading() && !failed && App()->Failure.isEmpty())
        QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    if (!App()->Failure.isEmpty())
        return Refused(App()->Failure);
    if (failed)
        return Refused(QStringLiteral("Cannot open file %1 (the scan failed)").arg(path));
    row.Set("loaded", Figure(Ms(t) - probed));
    if (loader && !turns.empty()) {
        turns.push_back(Ms(turn));
        std::sort(turns.begin(), turns.end());
        row.Set("turns", QString::number(turns.size()));
        row.Set("median", Figure(turns[turns.size() / 2]));
        row.Set("longest", Figure(turns.back()));
    }
    row.Set("anon", Megabytes(Status("RssAnon:") - anon));
    row.Set("ratio", fileSize > 0 ? QString::number((Status("RssAnon:") - anon) * 1024.0 / double(fileSize), 'f', 3)
                                  : QStringLiteral("-"));
    row.Set("peak", Megabytes(Status("VmHWM:") - base));
    row.Set("lines", QString::number(edit->Document().LineCount()));

    // Once the whole file is in. The key typed starts the private copy.
    TimeKeys(row, edit, "", typed, findOurs);
    if (const std::shared_ptr<TDecodedSource> source = edit->Document().Source()) {
        QElapsedTimer copy;
        copy.start();
        while (source->Copying())
            QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        row.Set("copy", source->Protected() ? Figure(Ms(copy)) : QStringLiteral("failed"));
    }
    row.Print();
    delete edit;
    return 0;
}

// The baseline: the whole file decoded and handed to a QPlainTextEdit.
int ChildPlain(const QString &path)
{
    auto *plain = NewPlainEdit();
    plain->resize(800, 600);
    plain->show();
    QApplication::processEvents();
    plain->viewport()->repaint();
    TPaintWatch watch;
    plain->viewport()->installEventFilter(&watch);
    TRow row;
    const qint64 fileSize = QFileInfo(path).size();
    row.Set("file", QString::number(fileSize / 1e6, 'f', 1));
    row.Set("charset", QStringLiteral("CP437"));

    ResetPeak();
    const long base = Status("VmRSS:");
    const long anon = Status("RssAnon:");
    QElapsedTimer t;
    t.start();
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return Refused(QStringLiteral("Cannot open file %1").arg(path));
        plain->setPlainText(Cp437::Decode(file.readAll()));
    }
    row.Set("open", Figure(Ms(t)));
    PaintNow(plain, watch);
    row.Set("paint", Figure(Ms(t)));
    QApplication::processEvents(); // whatever the text left for the loop
    row.Set("loaded", Figure(Ms(t)));
    row.Set("anon", Megabytes(Status("RssAnon:") - anon));
    row.Set("peak", Megabytes(Status("VmHWM:") - base));
    row.Set("lines", QString::number(plain->document()->blockCount()));

    TimeKeys(row, plain, "", [] { return false; },
             [plain] { return !plain->document()->find(kAbsent).isNull(); });
    row.Print();
    delete plain;
    return 0;
}

struct TRun
{
    QString Control; // "ours", "whole", "plain" or "grep"
    QString Label;   // the size, as the column shows it
    QString Path;
    std::map<QString, QString> Cells;
    QString Note; // refused, skipped, crashed
};

// grep -c of the absent word in the file, the second of two runs (the file
// in the page cache, as for the controls).
void MeasureGrep(TRun &run)
{
    for (int i = 0; i < 2; ++i) {
        QProcess grep;
        QElapsedTimer t;
        t.start();
        grep.start(QStringLiteral("grep"), {QStringLiteral("-c"), kAbsent, run.Path});
        if (!grep.waitForFinished(-1) || grep.exitStatus() != QProcess::NormalExit) {
            run.Note = QStringLiteral("grep did not run");
            return;
        }
        run.Cells[QStringLiteral("find")] = Figure(Ms(t));
    }
}

void Measure(TRun &run, int timeoutSeconds)
{
    if (!run.Note.isEmpty())
        return;
    if (run.Control == QLatin1String("grep")) {
        MeasureGrep(run);
        return;
    }
    std::fprintf(stderr, "measuring %s %s ...\n", qPrintable(run.Control), qPrintable(run.Label));
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child"), run.Control, run.Path});
    if (!child.waitForFinished(timeoutSeconds * 1000)) {
        child.kill();
        child.waitForFinished();
        run.Note = QStringLiteral("did not finish in %1 s").arg(timeoutSeconds);
        return;
    }
    for (const QByteArray &line : child.readAllStandardOutput().split('\n')) {
        const QString text = QString::fromLocal8Bit(line);
        if (text.startsWith(QLatin1String("refused: ")))
            run.Note = text;
        if (!text.startsWith(QLatin1String("row\t")))
            continue;
        for (const QString &cell : text.split(u'\t').mid(1)) {
            const qsizetype eq = cell.indexOf(u'=');
            run.Cells[cell.left(eq)] = cell.mid(eq + 1);
        }
    }
    if (run.Note.isEmpty() && run.Cells.empty()) {
        run.Note = child.exitStatus() == QProcess::CrashExit
                       ? QStringLiteral("crashed")
                       : QStringLiteral("ended with code %1 and no figures").arg(child.exitCode());
    }
}

void PrintTable(const std::vector<TRun> &runs)
{
    static const std::pair<const char *, const char *> rows[] = {
        {"file", "file (MB)"},
        {"charset", "read as"},
        {"open", "open, control filled (ms)"},
        {"paint", "first paint done (ms)"},
        {"loaded", "scan/load complete (ms)"},
        {"turns", "scan batches taken"},
        {"median", "  median turn (ms)"},
        {"longest", "  longest turn (ms)"},
        {"anon", "RssAnon after, above empty (MB)"},
        {"ratio", "  RssAnon / file size"},
        {"peak", "peak RSS above empty (MB)"},
        {"lines", "lines"},
        {"shown", "while loading: MB in"},
        {"lend", "  Ctrl+End + paint (ms)"},
        {"lfind", "  find absent word (ms)"},
        {"end", "after load: Ctrl+End (ms)"},
        {"find", "  find absent word (ms)"},
        {"type", "  type a key + paint (ms)"},
        {"copy", "  then private copy done (ms)"},
    };
    const int labelWidth = 33, width = 12;
    std::printf("%-*s", labelWidth, "");
    for (const TRun &run : runs)
        std::printf("%*s", width, qPrintable(run.Control));
    std::printf("\n%-*s", labelWidth, "");
    for (const TRun &run : runs)
        std::printf("%*s", width, qPrintable(run.Label));
    std::printf("\n");
    for (const auto &[key, label] : rows) {
        std::printf("%-*s", labelWidth, label);
        for (const TRun &run : runs) {
            QString cell = QStringLiteral("-");
            const auto it = run.Cells.find(QString::fromLatin1(key));
            if (it != run.Cells.end())
                cell = it->second;
            else if (!run.Note.isEmpty())
                cell = qstrcmp(key, "file") == 0 ? QStringLiteral("(see below)") : QString();
            std::printf("%*s", width, qPrintable(cell));
        }
        std::printf("\n");
    }
    for (const TRun &run : runs) {
        if (!run.Note.isEmpty())
            std::printf("%s %s: %s\n", qPrintable(run.Control), qPrintable(run.Label), qPrintable(run.Note));
    }
    std::fflush(stdout);
}

// The file of a size, written unless it is there already; empty on failure,
// with the reason in note.
QString PrepareFile(const QString &dir, int megabytes, QString *note)
{
    const QString path = QStringLiteral("%1/art-%2MB.nfo").arg(dir).arg(megabytes);
    const qint64 size = DocumentSize(megabytes);
    if (QFileInfo(path).size() == size)
        return path;
    QFile::remove(path);
    // Room for the file and a margin, so that the disk is never filled.
    const qint64 margin = qint64(2) << 30;
    const qint64 available = QStorageInfo(dir).bytesAvailable();
    if (available < size + margin) {
        *note = QStringLiteral("skipped: %1 MB free, the file needs %2 MB and a margin")
                    .arg(available / 1000000)
                    .arg(size / 1000000);
        return {};
    }
    std::fprintf(stderr, "writing %s ...\n", qPrintable(path));
    if (!WriteDocument(path, megabytes)) {
        QFile::remove(path);
        *note = QStringLiteral("skipped: cannot write %1").arg(path);
        return {};
    }
    return path;
}

} // namespace

int main(int argc, char **argv)
{
    TBenchApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 4 && args[1] == QLatin1String("--child"))
        return args[2] == QLatin1String("plain") ? ChildPlain(args[3])
                                                 : ChildOurs(args[3], args[2] == QLatin1String("whole"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Times opening large art files."));
    parser.addHelpOption();
    const QCommandLineOption sizesOption(QStringLiteral("sizes"), QStringLiteral("File sizes in MB, comma separated."),
                                         QStringLiteral("list"), QStringLiteral("100,1000"));
    const QCommandLineOption dirOption(QStringLiteral("dir"), QStringLiteral("Where the files are kept."),
                                       QStringLiteral("dir"), QStringLiteral("/tmp/glimra-bench"));
    const QCommandLineOption wholeOption(QStringLiteral("whole-up-to"),
                                         QStringLiteral("Largest size the file is also read whole for."),
                                         QStringLiteral("MB"), QStringLiteral("100000"));
    const QCommandLineOption plainOption(QStringLiteral("plain-up-to"),
                                         QStringLiteral("Largest size the QPlainTextEdit baseline is run for."),
                                         QStringLiteral("MB"), QStringLiteral("0"));
    const QCommandLineOption timeoutOption(QStringLiteral("timeout"), QStringLiteral("Seconds a run may take."),
                                           QStringLiteral("seconds"), QStringLiteral("600"));
    const QCommandLineOption removeOption(QStringLiteral("remove-files"),
                                          QStringLiteral("Delete the files written, after the run."));
    parser.addOptions({sizesOption, dirOption, wholeOption, plainOption, timeoutOption, removeOption});
    parser.process(app);

    QList<int> sizes;
    for (const QString &size : parser.value(sizesOption).split(u',', Qt::SkipEmptyParts)) {
        bool ok = false;
        const int megabytes = size.trimmed().toInt(&ok);
        if (!ok || megabytes <= 0) {
            std::fprintf(stderr, "bad size: %s\n", qPrintable(size));
            return 2;
        }
        sizes.append(megabytes);
    }
    const QString dir = parser.value(dirOption);
    const int wholeUpTo = parser.value(wholeOption).toInt();
    const int plainUpTo = parser.value(plainOption).toInt();
    const int timeout = parser.value(timeoutOption).toInt();
    if (!QDir().mkpath(dir)) {
        std::fprintf(stderr, "cannot make %s\n", qPrintable(dir));
        return 2;
    }

    // The empty document gives what painting the control costs by itself.
    const QString empty = dir + QStringLiteral("/empty.nfo");
    QFile emptyFile(empty);
    if (!emptyFile.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(empty));
        return 2;
    }
    emptyFile.close();
    std::vector<TRun> runs;
    runs.push_back({QStringLiteral("ours"), QStringLiteral("empty"), empty, {}, {}});
    if (plainUpTo > 0)
        runs.push_back({QStringLiteral("plain"), QStringLiteral("empty"), empty, {}, {}});
    QStringList written;
    for (int megabytes : sizes) {
        QString note;
        const QString path = PrepareFile(dir, megabytes, &note);
        if (!path.isEmpty())
            written.append(path);
        const QString label = QStringLiteral("%1 MB").arg(megabytes);
        runs.push_back({QStringLiteral("ours"), label, path, {}, note});
        if (megabytes <= wholeUpTo)
            runs.push_back({QStringLiteral("whole"), label, path, {}, note});
        if (megabytes <= plainUpTo)
            runs.push_back({QStringLiteral("plain"), label, path, {}, note});
        runs.push_back({QStringLiteral("grep"), label, path, {}, note});
    }
    for (TRun &run : runs)
        Measure(run, timeout);

    std::printf("Opening files of 72-column CP437 art lines, CR LF; an 800x600 control on the %s platform.\n"
                "ours: the file stays on disk, read on demand, lines found by a background scan; whole: the file "
                "read whole into memory, as before; plain: QPlainTextEdit, setPlainText of the decoded text; "
                "grep: grep -c of the same absent word.\n\n",
                qPrintable(QGuiApplication::platformName()));
    PrintTable(runs);
    if (parser.isSet(removeOption)) {
        for (const QString &path : written)
            QFile::remove(path);
        QFile::remove(empty);
    }
    return 0;
}
