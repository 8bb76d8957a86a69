#include "app/FolderFiles.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace FolderFiles {
namespace {

constexpr const char16_t *kExtensions[] = {u".nfo", u".diz", u".txt", u".asc", u".ans", u".log", u".bin"};

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

bool Opens(QStringView fileName)
{
    return std::any_of(std::begin(kExtensions), std::end(kExtensions), [fileName](const char16_t *extension) {
        return fileName.endsWith(QStringView(extension), Qt::CaseInsensitive)
               && fileName.size() > QStringView(extension).size();
    });
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
