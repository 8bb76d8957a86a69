#include "app/ChosenCharsets.h"

#include "settings/MyRegistry.h"

#include <QFileInfo>

#include <algorithm>
#include <iterator>

namespace ChosenCharsets {
namespace {

// The names stored; their order is TCharset's.
const char *const kNames[] = {"CP437", "UTF-8", "UTF-16", "Windows-1252"};

QString PathOf(const QString &entry)
{
    return entry.mid(entry.indexOf(u'|') + 1);
}

std::optional<TCharset> CharsetOf(const QString &entry)
{
    const QString name = entry.left(entry.indexOf(u'|'));
    const auto it = std::find_if(std::begin(kNames), std::end(kNames),
                                 [&name](const char *known) { return name == QLatin1String(known); });
    if (it == std::end(kNames) || !entry.contains(u'|'))
        return std::nullopt;
    return TCharset(it - std::begin(kNames));
}

QString ValueName(int n)
{
    return QStringLiteral("Charset%1").arg(n);
}

} // namespace

QStringList Choose(QStringList entries, const QString &path, TCharset charset)
{
    entries.removeIf([&path](const QString &entry) { return PathOf(entry) == path; });
    entries.prepend(QLatin1String(kNames[int(charset)]) + u'|' + path);
    return entries.mid(0, kCount);
}

std::optional<TCharset> Find(const QStringList &entries, const QString &path)
{
    for (const QString &entry : entries) {
        if (PathOf(entry) == path)
            return CharsetOf(entry);
    }
    return std::nullopt;
}

QStringList Read(TMyRegistry &reg)
{
    QStringList entries;
    reg.Open();
    for (int n = 1; n <= kCount; ++n) {
        const QString entry = reg.ReadString(QStringLiteral("Misc"), ValueName(n), QString());
        if (CharsetOf(entry)) // a damaged entry is left out
            entries << entry;
    }
    reg.Close();
    return entries;
}

void Write(TMyRegistry &reg, const QStringList &entries)
{
    reg.Open();
    // The list never shrinks, so no value is left behind.
    for (int n = 1; n <= std::min<int>(kCount, int(entries.size())); ++n)
        reg.WriteStringIfChanged(QStringLiteral("Misc"), ValueName(n), entries[n - 1]);
    reg.Close();
}

void Remember(TMyRegistry &reg, const QString &fileName, TCharset charset)
{
    Write(reg, Choose(Read(reg), QFileInfo(fileName).absoluteFilePath(), charset));
}

std::optional<TCharset> Recall(TMyRegistry &reg, const QString &fileName)
{
    return Find(Read(reg), QFileInfo(fileName).absoluteFilePath());
}

} // namespace ChosenCharsets
