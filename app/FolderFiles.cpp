#include "app/FolderFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>

#include <algorithm>

namespace FolderFiles {
namespace {

constexpr const char16_t *kExtensions[] = {u".nfo", u".diz", u".txt", u".asc", u".ans", u".log", u".bin",
                                           // the art tools' own formats
                                           u".xb", u".xbin", u".pcb", u".adf", u".idf", u".tnd"};
// What libarchive reads, tar with each compression it expands itself.
constexpr const char16_t *kPackExtensions[] = {
    u".zip", u".7z", u".rar", u".lzh", u".lha", u".cab", u".iso", u".tar", u".tgz", u".tbz", u".tbz2", u".txz",
    u".tzst", u".tlz", u".taz", u".tar.gz", u".tar.bz2", u".tar.xz", u".tar.zst", u".tar.lz", u".tar.lzma", u".tar.z"};

bool HasExtension(QStringView fileName, QStringView extension)
{
    return fileName.size() > extension.size() && fileName.endsWith(extension, Qt::CaseInsensitive);
}

// ".png", ".gif", ... as Qt's image readers here name their formats.
const QStringList &ImageExtensions()
{
    static const QStringList extensions = [] {
        QStringList list;
        for (const QByteArray &format : QImageReader::supportedImageFormats())
            list << u'.' + QString::fromLatin1(format).toLower();
        return list;
    }();
    return extensions;
}

// A run of digits or of other characters, starting at i.
QStringView Run(QStringView text, qsizetype i)
{
    const bool digits = text[i].isDigit();
    qsizetype end = i + 1;
    while (end < text.size() && text[end].isDigit() == digits)
        ++end;
    return text.sliced(i, end - i);
}

int CompareNumbers(QStringView a, QStringView b)
{
    // Leading zeros aside, the longer number is the larger; then digit by digit.
    while (a.size() > 1 && a.front() == u'0')
        a = a.sliced(1);
    while (b.size() > 1 && b.front() == u'0')
        b = b.sliced(1);
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    return a.compare(b);
}

} // namespace

TKind KindOf(QStringView fileName)
{
    const auto has = [fileName](QStringView extension) { return HasExtension(fileName, extension); };
    if (std::any_of(std::begin(kExtensions), std::end(kExtensions), has))
        return TKind::Text;
    if (std::any_of(std::begin(kPackExtensions), std::end(kPackExtensions), has))
        return TKind::Pack;
    if (std::any_of(ImageExtensions().begin(), ImageExtensions().end(), has))
        return TKind::Image;
    return TKind::None;
}

bool Opens(QStringView fileName)
{
    return KindOf(fileName) != TKind::None;
}

QStringList Patterns()
{
    QStringList patterns;
    const auto add = [&patterns](QStringView extension) {
        patterns << u'*' + extension.toString() << u'*' + extension.toString().toUpper();
    };
    std::for_each(std::begin(kExtensions), std::end(kExtensions), add);
    std::for_each(std::begin(kPackExtensions), std::end(kPackExtensions), add);
    std::for_each(ImageExtensions().begin(), ImageExtensions().end(), add);
    return patterns;
}

int Compare(QStringView a, QStringView b)
{
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const QStringView x = Run(a, i), y = Run(b, j);
        const bool numbers = x.front().isDigit() && y.front().isDigit();
        const int order = numbers ? CompareNumbers(x, y) : x.compare(y, Qt::CaseInsensitive);
        if (order != 0)
            return order < 0 ? -1 : 1;
        i += x.size();
        j += y.size();
    }
    if (i < a.size() || j < b.size())
        return i < a.size() ? 1 : -1;
    const int exact = a.compare(b); // "a.nfo" and "A.nfo" still have an order
    return exact < 0 ? -1 : exact > 0 ? 1 : 0;
}

int ComparePaths(QStringView a, QStringView b)
{
    for (;;) {
        const qsizetype x = a.indexOf(u'/'), y = b.indexOf(u'/');
        // A file before a folder of the same level, as a folder's own files come first.
        if ((x < 0) != (y < 0))
            return x < 0 ? -1 : 1;
        if (x < 0)
            return Compare(a, b);
        if (const int order = Compare(a.first(x), b.first(y)); order != 0)
            return order;
        a = a.sliced(x + 1);
        b = b.sliced(y + 1);
    }
}

QStringList List(const QString &folder)
{
    // Without QDir::System, pipes and devices are not listed.
    const QDir dir(folder);
    QStringList files;
    for (const QString &name : dir.entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Unsorted)) {
        if (Opens(name))
            files << dir.absoluteFilePath(name);
    }
    std::sort(files.begin(), files.end(), [](const QString &a, const QString &b) {
        return Compare(QStringView(a).mid(a.lastIndexOf(u'/') + 1), QStringView(b).mid(b.lastIndexOf(u'/') + 1)) < 0;
    });
    return files;
}

qsizetype Neighbour(const QStringList &files, const QString &current, int step)
{
    const qsizetype n = files.size();
    if (n == 0)
        return -1;
    const QStringView name = QStringView(current).mid(current.lastIndexOf(u'/') + 1);
    const auto after = [name](const QString &file) {
        return Compare(QStringView(file).mid(file.lastIndexOf(u'/') + 1), name) > 0;
    };
    // The first file after current's place in the order.
    const qsizetype next = std::find_if(files.begin(), files.end(), after) - files.begin();
    const bool listed = next > 0 && files[next - 1] == current;
    if (step > 0)
        return next % n;
    const qsizetype before = listed ? next - 2 : next - 1;
    return (before % n + n) % n;
}

} // namespace FolderFiles
