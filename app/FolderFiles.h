#pragma once
// The files of a folder that Glimra opens, in the order people number them:
// for stepping from one release's notes to the next.

#include <QString>
#include <QStringList>
#include <QStringView>

namespace FolderFiles {

// Whether a file name has one of the extensions Glimra opens (.nfo, .diz,
// .txt, .asc, .ans, .log, .bin), in any letter case.
bool Opens(QStringView fileName);

// Natural order: runs of digits compare by their value ("2" before "10"),
// the rest without regard to letter case, then with it; < 0, 0 or > 0.
int Compare(QStringView a, QStringView b);

// The regular files of the folder that Glimra opens, in natural order, as
// full paths. Folders, devices and pipes, whatever their names, are left out.
QStringList List(const QString &folder);

// The file step places after (+1) or before (-1) current in files, wrapping
// at the ends; current need not be listed (a file removed meanwhile): the
// one that would follow or precede it then. -1 for an empty list.
qsizetype Neighbour(const QStringList &files, const QString &current, int step);

} // namespace FolderFiles
