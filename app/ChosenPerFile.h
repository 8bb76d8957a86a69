#pragma once
// Choices the user made for files (a character set, a wrap), so that a file
// opened again is shown as chosen for it: the most recent first, at most
// kCount, kept with the preferences as the values "<prefix>1" to
// "<prefix>30" of the "Misc" key, each "choice|path".

#include <QStringList>

#include <optional>

class TMyRegistry;

class TChosenPerFile
{
public:
    static constexpr int kCount = 30;

    // names: the choices as stored, the index of each its number.
    TChosenPerFile(QString prefix, QStringList names) : m_prefix(std::move(prefix)), m_names(std::move(names)) {}

    // The list with the file's choice first; the file's older entry goes, and
    // the oldest falls off beyond kCount.
    QStringList Choose(QStringList entries, const QString &path, int choice) const;
    // The choice made for the file, if any.
    std::optional<int> Find(const QStringList &entries, const QString &path) const;

    // Open and close the store around their work; a damaged entry is left out.
    QStringList Read(TMyRegistry &reg) const;
    void Write(TMyRegistry &reg, const QStringList &entries) const;

    // The choice for a file (by any name of it), kept in and read from the store.
    void Remember(TMyRegistry &reg, const QString &fileName, int choice) const;
    std::optional<int> Recall(TMyRegistry &reg, const QString &fileName) const;

private:
    std::optional<int> ChoiceOf(const QString &entry) const;
    QString ValueName(int n) const { return m_prefix + QString::number(n); }

    QString m_prefix;
    QStringList m_names;
};
