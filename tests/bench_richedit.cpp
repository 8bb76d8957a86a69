// Times the text control against a QPlainTextEdit holding the same text, on
// documents of 72-column art lines. Build with --target bench_richedit and run
// it without arguments: each control and size is measured in a child process
// of its own so that memory peaks do not mix. Also --shot FILE POINTS PNG
// saves a picture of the control showing FILE at a size in points.

#include "platform/Cp437.h"
#include "support/BenchSupport.h"
#include "formats/FileFormat.h"
#include "textview/RichEdit.h"
#include "document/TextSearch.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QProcess>
#include <QScrollBar>
#include <QTextBlock>

#include <cstdio>
#include <functional>

namespace {

using namespace Bench;

// One control and one size; prints one line of figures.
int Child(const QString &control, int megabytes)
{
    // "utf8": ours, on the same text saved as UTF-8 (breaks LF), as a file
    // is opened: its set found, then loaded.
    const bool utf8 = control == QLatin1String("utf8");
    const bool ours = control == QLatin1String("ours") || utf8;
    QAbstractScrollArea *area = nullptr;
    TRichEdit *edit = nullptr;
    QPlainTextEdit *plain = nullptr;
    if (ours) {
        area = edit = new TRichEdit;
    } else {
        area = plain = NewPlainEdit();
    }
    area->resize(800, 600);
    area->show();
    QApplication::processEvents();
    auto repaint = [area] { area->viewport()->repaint(); };
    repaint();

    QByteArray bytes = MakeDocument(megabytes);
    if (utf8) {
        // The same lines saved as UTF-8, cut to the same size.
        bytes = Cp437::Decode(bytes).toUtf8();
        bytes.truncate(bytes.lastIndexOf('\n', megabytes * 1000 * 1000) + 1);
    }
    const qsizetype fileSize = bytes.size();
    // The file's bytes count as the program's from here: the peak restarts.
    ResetPeak();
    const long base = Status("VmRSS:") - long(fileSize / 1024);
    TPaintWatch watch;
    area->viewport()->installEventFilter(&watch);
    QElapsedTimer t;
    t.start();
    if (ours) {
        // As the window hands over the file.
        TFileFormat format = FileFormat::Detect(bytes);
        edit->SetBytes(FileFormat::ToDocument(std::move(bytes), format), format.Charset);
    }
    else
        plain->setPlainText(Cp437::Decode(bytes));
    while (!watch.Painted)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    const double firstPaint = Ms(t);
    bytes = QByteArray(); // the window lets go of the file's bytes after loading
    const long memory = Status("VmRSS:") - base;
    const long peak = Status("VmHWM:") - base;

    QWidget *keys = ours ? static_cast<QWidget *>(edit) : plain;
    t.restart();
    Key(keys, Qt::Key_End, Qt::ControlModifier);
    repaint();
    const double ctrlEnd = Ms(t);

    t.restart();
    Key(keys, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
    repaint();
    const double typed = Ms(t);

    // What the window does for its caret panel.
    t.restart();
    int line = 0, column = 0;
    if (ours) {
        line = edit->LineFromChar(edit->SelStart());
        column = edit->CharCount(edit->LineIndex(line), edit->SelStart());
    } else {
        const int p = plain->textCursor().selectionStart();
        line = plain->document()->findBlock(p).blockNumber();
        column = p - plain->document()->findBlockByNumber(line).position();
    }
    const double panel = Ms(t);

    t.restart();
    const int found = ours ? edit->FindText(QStringLiteral("absent word"), 0)
                           : int(TextSearch::FindText(plain->document()->toRawText(), QStringLiteral("absent word"), 0));
    const double find = Ms(t);

    t.restart();
    if (ours)
        edit->SetWordWrap(true);
    else
        plain->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    repaint();
    const double wrapOn = Ms(t);
    t.restart();
    if (ours)
        edit->SetWordWrap(false);
    else
        plain->setLineWrapMode(QPlainTextEdit::NoWrap);
    repaint();
    const double wrapOff = Ms(t);

    // Once more in a window narrower than the lines: every line is laid out.
    area->resize(400, 600);
    QApplication::processEvents();
    t.restart();
    if (ours)
        edit->SetWordWrap(true);
    else
        plain->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    repaint();
    const double wrapNarrow = Ms(t);

    std::printf("%-6s %4d MB  file %7.1f MB  paint %8.1f ms  mem %7.1f MB  peak %7.1f MB  type %7.1f  ctrl+end %7.1f"
                "  panel %6.2f  find %7.1f  wrap on %8.1f  off %8.1f  narrow on %8.1f  (line %d col %d found %d)\n",
                qPrintable(control), megabytes, fileSize / 1e6, firstPaint, memory / 1024.0, peak / 1024.0, typed,
                ctrlEnd, panel, find, wrapOn, wrapOff, wrapNarrow, line + 1, column + 1, found);
    std::fflush(stdout);
    delete area;
    return 0;
}

int Shot(const QString &path, int points, const QString &png)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 1;
    TRichEdit edit;
    QFont font(QStringLiteral("Lucida Console ANSI"));
    font.setPointSize(points);
    edit.SetTextFont(font);
    edit.SetBytes(file.readAll());
    edit.resize(1000, 700);
    edit.show();
    QApplication::processEvents();
    return edit.grab().save(png) ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 4 && args[1] == QLatin1String("--child"))
        return Child(args[2], args[3].toInt());
    if (args.size() == 5 && args[1] == QLatin1String("--shot"))
        return Shot(args[2], args[3].toInt(), args[4]);
    const QList<int> sizes = {0, 1, 10, 100};
    for (int size : sizes) {
        for (const char *control : {"ours", "utf8", "plain"}) {
            QProcess child;
            child.setProcessChannelMode(QProcess::ForwardedChannels);
            child.start(app.applicationFilePath(),
                        {QStringLiteral("--child"), QString::fromLatin1(control), QString::number(size)});
            if (!child.waitForFinished(600000)) {
                child.kill();
                std::printf("%-6s %4d MB  did not finish in 10 minutes\n", control, size);
            }
        }
    }
    return 0;
}
