#pragma once
// The gallery's thumbnails: text and art drawn by our own renderer from
// their first bytes (with their record's title and author in the tool tip),
// pictures scaled down, packs drawn as a labelled box. The makers are called
// on the gallery's thread; everything they touch is theirs or thread-safe.

#include "app/Export.h"
#include "packs/PackReader.h"
#include "textview/GalleryView.h"

#include <QStringList>

#include <memory>

namespace GalleryTiles {

// The tile of text or art from its first bytes (cut: not all of it) and, of
// a file larger than those, its last ones.
TGalleryTile Text(QByteArray head, bool cut, const QByteArray &end, const QString &name, const TLook &look);
// The tile of a picture from its bytes; pictures too large to hold are
// said so instead.
TGalleryTile Image(const QByteArray &bytes, const QString &name);
// The tile of a pack: a box with its name.
TGalleryTile Pack(const QString &name, const TLook &look);

// Tiles of the files of a folder.
TTileMaker ForFiles(const QStringList &paths, const TLook &look);
// Tiles of a pack's pieces, read with a reader of their own.
TTileMaker ForPack(std::shared_ptr<const TPackSource> source, bool streamed, const QList<TPackEntry> &pieces,
                   const TLook &look);

} // namespace GalleryTiles
