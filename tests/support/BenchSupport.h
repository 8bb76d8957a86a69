#pragma once
// What the benchmarks share: the art document they time, the process's memory
// figures, and keys and paints sent to a control.

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QKeyEvent>
#include <QObject>
#include <QPlainTextEdit>
#include <QWidget>

#include <algorithm>

namespace Bench {

// Kilobytes of a line of /proc/self/status.
inline long Status(const char *key)
{
    QFile file(QStringLiteral("/proc/self/status"));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(int(qstrlen(key))).trimmed().split(' ').value(0).toLong();
    }
    return 0;
}

// Starts the peak (VmHWM) over from the present size.
inline void ResetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        clear.write("5");
}

// Line i of the document: frames, blocks, shades and words, 72 columns and
// CR LF. The lines repeat every third, so a file of any size can be written
// a piece at a time with the same bytes as MakeDocument.
inline QByteArray ArtLine(qsizetype i)
{
    const QByteArray art[] = {
        "\xC9\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xBB",
        "\xBA \xDB\xDB\xDC\xDC\xDF\xDF\xB0\xB1\xB2 release notes \xB2\xB1\xB0 \xBA",
        "\xDA\xC4\xC4\xC2\xC4\xC4\xBF greetings to the group \xDB\xDB\xDB\xDB\xDD\xDE",
    };
    QByteArray line = art[i % 3];
    while (line.size() < 72)
        line += art[(i + line.size()) % 3].left(72 - line.size());
    line += "\r\n";
    return line;
}

// At least megabytes million bytes, to the end of the line that reaches them.
inline QByteArray MakeDocument(qsizetype megabytes)
{
    QByteArray out;
    const qsizetype size = megabytes * 1000 * 1000;
    out.reserve(size + 80);
    for (qsizetype i = 0; out.size() < size; ++i)
        out += ArtLine(i);
    return out;
}

// The size of MakeDocument(megabytes), without making it.
inline qint64 DocumentSize(qint64 megabytes)
{
    const qint64 size = megabytes * 1000 * 1000;
    return (size + 73) / 74 * 74;
}

// Writes MakeDocument(megabytes) to path a few megabytes at a time, so that
// files larger than memory can be made; false when the write failed.
inline bool WriteDocument(const QString &path, qint64 megabytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const QByteArray period = ArtLine(0) + ArtLine(1) + ArtLine(2);
    QByteArray chunk;
    for (int i = 0; i < 20000; ++i)
        chunk += period; // a whole number of periods: chunks follow on
    qint64 left = DocumentSize(megabytes);
    while (left > 0) {
        const qint64 n = std::min<qint64>(left, chunk.size());
        if (file.write(chunk.constData(), n) != n)
            return false;
        left -= n;
    }
    return file.flush();
}

inline double Ms(const QElapsedTimer &t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

// Notes that a widget was painted.
class TPaintWatch : public QObject
{
public:
    bool Painted = false;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            Painted = true;
        return false;
    }
};

// The baseline control, unwrapped, in the font the text control asks for.
inline QPlainTextEdit *NewPlainEdit()
{
    auto *plain = new QPlainTextEdit;
    plain->setLineWrapMode(QPlainTextEdit::NoWrap);
    QFont font(QStringLiteral("Terminal"));
    font.setPixelSize(12);
    font.setFamilies({font.family(), QStringLiteral("DejaVu Sans Mono")});
    plain->setFont(font);
    return plain;
}

inline void Key(QWidget *target, int key, Qt::KeyboardModifiers mods, const QString &text = {})
{
    QKeyEvent press(QEvent::KeyPress, key, mods, text);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, mods, text);
    QApplication::sendEvent(target, &release);
}

} // namespace Bench
