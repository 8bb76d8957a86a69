#include "app/ChosenPerFile.h"

#include "settings/MyRegistry.h"

#include <QFileInfo>

#include <algorithm>

namespace {

QString PathOf(const QString &entry)
{
    return entry.mid(entry.indexOf(u'|') + 1);
}

} // namespace

std::optional<int> TChosenPerFile::ChoiceOf(const QString &entry) const
{
    const qsizetype bar = entry.indexOf(u'|');
    const qsizetype k = bar < 0 ? -1 : m_names.indexOf(entry.left(bar));
    return k < 0 ? std::nullopt : std::optional<int>(int(k));
}

QStringList TChosenPerFile::Choose(QStringList entries, const QString &path, int choice) const
{
    entries.removeIf([&path](const QString &entry) { return PathOf(entry) == path; });
    entries.prepend(m_names.value(choice) + u'|' + path);
    return entries.mid(0, kCount);
}

std::optional<int> TChosenPerFile::Find(const QStringList &entries, const QString &path) const
{
    for (const QString &entry : entries) {
        if (PathOf(entry) == path)
            return ChoiceOf(entry);
    }
    return std::nullopt;
}

QStringList TChosenPerFile::Read(TMyRegistry &reg) const
{
    QStringList entries;
    reg.Open();
    for (int n = 1; n <= kCount; ++n) {
        const QString entry = reg.ReadString(QStringLiteral("Misc"), ValueName(n), QString());
        if (ChoiceOf(entry))
            entries << entry;
    }
    reg.Close();
    return entries;
}

void TChosenPerFile::Write(TMyRegistry &reg, const QStringList &entries) const
{
    reg.Open();
    // The list never shrinks, so no value is left behind.
    for (int n = 1; n <= std::min<int>(kCount, int(entries.size())); ++n)
        reg.WriteStringIfChanged(QStringLiteral("Misc"), ValueName(n), entries[n - 1]);
    reg.Close();
}

void TChosenPerFile::Remember(TMyRegistry &reg, const QString &fileName, int choice) const
{
    Write(reg, Choose(Read(reg), QFileInfo(fileName).absoluteFilePath(), choice));
}

std::optional<int> TChosenPerFile::Recall(TMyRegistry &reg, const QString &fileName) const
{
    return Find(Read(reg), QFileInfo(fileName).absoluteFilePath());
}
