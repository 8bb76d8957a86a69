#pragma once
// The files of a folder that Glimra opens, in the order people number them:
// for stepping from one release's notes to the next.

#include <QString>
#include <QStringList>
#include <QStringView>

namespace FolderFiles {

// What a file is taken for by its extension (in any letter case): text or
// art (.nfo, .diz, .txt, .asc, .ans, .log, .bin, .xb, .pcb, .adf, .idf,
// .tnd), a picture (what Qt's image
// readers read: .png, .gif, .jpg, .bmp, ...), or a pack (.zip, .7z, .rar,
// .lzh, .lha, .tar with any compression, .cab, .iso).
enum class TKind { None, Text, Image, Pack };
TKind KindOf(QStringView fileName);

// Whether a file name has one of the extensions Glimra opens: text, a
// picture or a pack.
bool Opens(QStringView fileName);

// Natural order: runs of digits compare by their value ("2" before "10"),
// the rest without regard to letter case, then with it; < 0, 0 or > 0.
int Compare(QStringView a, QStringView b);
// The same for paths, folder by folder ("/" between): a folder's files stay
// together, in their order.
int ComparePaths(QStringView a, QStringView b);

// The patterns of every file Glimra opens ("*.nfo *.NFO ..."), for the Open
// dialog.
QStringList Patterns();

// The regular files of the folder that Glimra opens, in natural order, as
// full paths. Folders, devices and pipes, whatever their names, are left out.
QStringList List(const QString &folder);

// The file step places after (+1) or before (-1) current in files, wrapping
// at the ends; current need not be listed (a file removed meanwhile): the
// one that would follow or precede it then. -1 for an empty list.
qsizetype Neighbour(const QStringList &files, const QString &current, int step);

} // namespace FolderFiles
