#include "app/ChosenWraps.h"

#include "settings/MyRegistry.h"

#include <QFileInfo>

#include <algorithm>
#include <iterator>

namespace ChosenWraps {
namespace {

// The names stored; their order is TAnsiWrap's.
const char *const kNames[] = {"Automatic", "DOS", "Terminal"};

QString PathOf(const QString &entry)
{
    return entry.mid(entry.indexOf(u'|') + 1);
}

std::optional<TAnsiWrap> WrapOf(const QString &entry)
{
    const QString name = entry.left(entry.indexOf(u'|'));
    const auto it = std::find_if(std::begin(kNames), std::end(kNames),
                                 [&name](const char *known) { return name == QLatin1String(known); });
    if (it == std::end(kNames) || !entry.contains(u'|'))
        return std::nullopt;
    return TAnsiWrap(it - std::begin(kNames));
}

QString ValueName(int n)
{
    return QStringLiteral("Wrap%1").arg(n);
}

QStringList Read(TMyRegistry &reg)
{
    QStringList entries;
    reg.Open();
    for (int n = 1; n <= kCount; ++n) {
        const QString entry = reg.ReadString(QStringLiteral("Misc"), ValueName(n), QString());
        if (WrapOf(entry)) // a damaged entry is left out
            entries << entry;
    }
    reg.Close();
    return entries;
}

} // namespace

QStringList Choose(QStringList entries, const QString &path, TAnsiWrap wrap)
{
    entries.removeIf([&path](const QString &entry) { return PathOf(entry) == path; });
    entries.prepend(QLatin1String(kNames[int(wrap)]) + u'|' + path);
    return entries.mid(0, kCount);
}

std::optional<TAnsiWrap> Find(const QStringList &entries, const QString &path)
{
    for (const QString &entry : entries) {
        if (PathOf(entry) == path)
            return WrapOf(entry);
    }
    return std::nullopt;
}

void Remember(TMyRegistry &reg, const QString &fileName, TAnsiWrap wrap)
{
    const QStringList entries = Choose(Read(reg), QFileInfo(fileName).absoluteFilePath(), wrap);
    reg.Open();
    // The list never shrinks, so no value is left behind.
    for (int n = 1; n <= std::min<int>(kCount, int(entries.size())); ++n)
        reg.WriteStringIfChanged(QStringLiteral("Misc"), ValueName(n), entries[n - 1]);
    reg.Close();
}

TAnsiWrap Recall(TMyRegistry &reg, const QString &fileName)
{
    return Find(Read(reg), QFileInfo(fileName).absoluteFilePath()).value_or(TAnsiWrap::awAutomatic);
}

} // namespace ChosenWraps
