#include "platform/PrivateProfile.h"

#include "platform/SafeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QLockFile>
#include <QStandardPaths>

namespace {

constexpr int kLockTimeoutMs = 10000;
const QByteArray kCrLf = QByteArrayLiteral("\r\n");

enum class TLineKind { Blank, Comment, Section, Key, Other };

// One line of the file, with its line end kept apart so it can be written
// back exactly as it was read.
struct TLine
{
    QByteArray Text;
    QByteArray Ending;
    TLineKind Kind = TLineKind::Other;
    QString Name;  // section or key name, trimmed
    QString Value; // key value, trimmed
};

QList<TLine> SplitLines(const QByteArray &bytes)
{
    QList<TLine> lines;
    qsizetype start = 0;
    while (start < bytes.size()) {
        const qsizetype end = bytes.indexOf('\n', start);
        TLine line;
        line.Text = bytes.mid(start, end < 0 ? -1 : end - start);
        if (end >= 0) {
            line.Ending = QByteArrayLiteral("\n");
            if (line.Text.endsWith('\r')) {
                line.Text.chop(1);
                line.Ending.prepend('\r');
            }
        }
        const QString text = QString::fromUtf8(line.Text).trimmed();
        if (text.isEmpty()) {
            line.Kind = TLineKind::Blank;
        } else if (text.startsWith(u';')) {
            line.Kind = TLineKind::Comment;
        } else if (text.startsWith(u'[') && text.contains(u']')) {
            line.Kind = TLineKind::Section;
            line.Name = text.mid(1, text.indexOf(u']') - 1).trimmed();
        } else if (text.contains(u'=')) {
            const qsizetype equals = text.indexOf(u'=');
            line.Kind = TLineKind::Key;
            line.Name = text.left(equals).trimmed();
            line.Value = text.mid(equals + 1).trimmed();
        }
        lines.append(line);
        if (end < 0)
            break;
        start = end + 1;
    }
    return lines;
}

bool SameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Index of the first section called name, or -1.
qsizetype FindSection(const QList<TLine> &lines, const QString &name)
{
    for (qsizetype i = 0; i < lines.size(); ++i)
        if (lines[i].Kind == TLineKind::Section && SameName(lines[i].Name, name))
            return i;
    return -1;
}

// Index of the line after the section that starts at header.
qsizetype SectionEnd(const QList<TLine> &lines, qsizetype header)
{
    qsizetype i = header + 1;
    while (i < lines.size() && lines[i].Kind != TLineKind::Section)
        ++i;
    return i;
}

qsizetype FindKey(const QList<TLine> &lines, qsizetype header, const QString &key)
{
    const qsizetype end = SectionEnd(lines, header);
    for (qsizetype i = header + 1; i < end; ++i)
        if (lines[i].Kind == TLineKind::Key && SameName(lines[i].Name, key))
            return i;
    return -1;
}

bool HasLineBreak(const QString &text)
{
    return text.contains(u'\n') || text.contains(u'\r');
}

QString WithoutTrailingBlanks(QString text)
{
    while (!text.isEmpty() && text.back().isSpace())
        text.chop(1);
    return text;
}

TLine NewLine(const QString &text)
{
    return {text.toUtf8(), kCrLf, TLineKind::Other, {}, {}};
}

} // namespace

QString PrivateProfilePath(const QString &fileName)
{
    if (fileName.contains(u'/'))
        return fileName;
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
           + QStringLiteral("/glimra/") + fileName;
}

QString GetPrivateProfileString(const QString &section, const QString &key,
                                const QString &defaultValue, const QString &fileName)
{
    const QString fallback = WithoutTrailingBlanks(defaultValue).left(kProfileValueLimit);
    QFile file(PrivateProfilePath(fileName));
    if (!file.open(QIODevice::ReadOnly))
        return fallback;
    const QList<TLine> lines = SplitLines(file.readAll());
    const qsizetype header = FindSection(lines, section.trimmed());
    if (header < 0)
        return fallback;
    const qsizetype at = FindKey(lines, header, key.trimmed());
    if (at < 0)
        return fallback;
    QString value = lines[at].Value;
    if (value.size() >= 2 && value.startsWith(u'"') && value.endsWith(u'"'))
        value = value.mid(1, value.size() - 2);
    return value.left(kProfileValueLimit);
}

bool WritePrivateProfileString(const QString &section, const QString &key,
                               const QString &value, const QString &fileName)
{
    const QString sectionName = section.trimmed();
    const QString keyName = key.trimmed();
    const QString text = value.trimmed();
    // A key line that began with "[" or ";" would read back as a section
    // header or a comment.
    if (HasLineBreak(sectionName) || sectionName.contains(u']') || HasLineBreak(keyName)
        || keyName.contains(u'=') || keyName.startsWith(u'[') || keyName.startsWith(u';') || HasLineBreak(text))
        return false;

    const QString path = PrivateProfilePath(fileName);
    if (!fileName.contains(u'/'))
        QDir().mkpath(QFileInfo(path).path());
    QLockFile lock(path + QStringLiteral(".lock"));
    if (!lock.tryLock(kLockTimeoutMs))
        return false;

    // Read again under the lock, so that another writer's change is kept.
    QFile current(path);
    QList<TLine> lines;
    if (current.exists()) {
        if (!current.open(QIODevice::ReadOnly) || !QFileInfo(path).isWritable())
            return false;
        lines = SplitLines(current.readAll());
        current.close();
    }

    const QString keyLine = QStringLiteral("%1=%2");
    const qsizetype header = FindSection(lines, sectionName);
    if (header < 0) {
        if (!lines.isEmpty() && lines.constLast().Ending.isEmpty())
            lines.last().Ending = kCrLf;
        lines.append(NewLine(QStringLiteral("[%1]").arg(sectionName)));
        lines.append(NewLine(keyLine.arg(keyName, text)));
    } else if (const qsizetype at = FindKey(lines, header, keyName); at >= 0) {
        if (lines[at].Value == text)
            return true;
        lines[at] = NewLine(keyLine.arg(lines[at].Name, text));
    } else {
        // After the section's last line of content, so that blank lines and
        // comments that lead into the next section stay where they are.
        qsizetype after = header;
        const qsizetype end = SectionEnd(lines, header);
        for (qsizetype i = header + 1; i < end; ++i)
            if (lines[i].Kind == TLineKind::Key || lines[i].Kind == TLineKind::Other)
                after = i;
        if (lines[after].Ending.isEmpty())
            lines[after].Ending = kCrLf;
        lines.insert(after + 1, NewLine(keyLine.arg(keyName, text)));
    }

    QByteArray bytes;
    for (const TLine &line : std::as_const(lines))
        bytes += line.Text + line.Ending;
    return WriteFileAtomically(path, bytes);
}
