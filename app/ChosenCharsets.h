#pragma once
// The character sets the user chose for files, so that a file opened again is
// read in the set chosen for it: the most recent first, at most kCount,
// kept with the preferences as the values "Charset1" to "Charset30" of the
// "Misc" key, each "set|path".

#include "document/Charset.h"

#include <QStringList>

#include <optional>

class TMyRegistry;

namespace ChosenCharsets {

inline constexpr int kCount = 30; // TChosenPerFile::kCount

// The list with the file's set first; the file's older entry goes, and the
// oldest falls off beyond kCount.
QStringList Choose(QStringList entries, const QString &path, TCharset charset);
// The set chosen for the file, if any.
std::optional<TCharset> Find(const QStringList &entries, const QString &path);

// Open and close the store around their work.
QStringList Read(TMyRegistry &reg);
void Write(TMyRegistry &reg, const QStringList &entries);

// The set chosen for a file (by any name of it), kept in and read from the
// store.
void Remember(TMyRegistry &reg, const QString &fileName, TCharset charset);
std::optional<TCharset> Recall(TMyRegistry &reg, const QString &fileName);

} // namespace ChosenCharsets
