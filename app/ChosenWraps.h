#pragma once
// The ANSI wrap the user chose for files (View > ANSI Wrap), so that a file
// opened again wraps as chosen for it: the most recent first, at most kCount,
// kept with the preferences as the values "Wrap1" to "Wrap30" of the "Misc"
// key, each "wrap|path" ("Automatic", "DOS" or "Terminal").

#include "textview/AnsiView.h"

#include <QStringList>

#include <optional>

class TMyRegistry;

namespace ChosenWraps {

inline constexpr int kCount = 30; // TChosenPerFile::kCount

// The list with the file's wrap first; the file's older entry goes, and the
// oldest falls off beyond kCount.
QStringList Choose(QStringList entries, const QString &path, TAnsiWrap wrap);
std::optional<TAnsiWrap> Find(const QStringList &entries, const QString &path);

// The wrap chosen for a file (by any name of it), kept in and read from the store.
void Remember(TMyRegistry &reg, const QString &fileName, TAnsiWrap wrap);
TAnsiWrap Recall(TMyRegistry &reg, const QString &fileName);

} // namespace ChosenWraps
