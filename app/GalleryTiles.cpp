#include "app/GalleryTiles.h"

#include "app/FolderFiles.h"
#include "formats/Sauce.h"
#include "platform/Cp437.h"
#include "platform/Errors.h"
#include "platform/SafeFile.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>

namespace GalleryTiles {
namespace {

constexpr int kSize = TGalleryView::kTileSize;
// A picture of more pixels is not decoded for its thumbnail (64 MB).
constexpr qint64 kImagePixels = 16 << 20;
// Art is read to its end for its record up to this size.
constexpr qint64 kScanned = 8 << 20;

QString BaseName(const QString &name)
{
    return name.mid(name.lastIndexOf(u'/') + 1);
}

// A tile that says why it has no picture.
TGalleryTile Failed(const QString &name, const QString &why)
{
    QImage image(kSize, kSize * 3 / 4, QImage::Format_RGB32);
    image.fill(Qt::darkGray);
    QPainter painter(&image);
    painter.setPen(Qt::white);
    painter.drawText(image.rect().adjusted(8, 8, -8, -8), Qt::AlignCenter | Qt::TextWordWrap, why);
    return {image, QStringLiteral("%1\n%2").arg(name, why)};
}

} // namespace

TGalleryTile Text(QByteArray head, bool cut, const QByteArray &end, const QString &name, const TLook &look)
{
    TGalleryTile tile;
    tile.ToolTip = name;
    const QByteArray &last = cut ? end : head;
    if (const std::optional<TSauce> record = Sauce::Parse(QByteArrayView(last).last(Sauce::TailLength(last)))) {
        const QString title = Cp437::Decode(record->Title).trimmed(), author = Cp437::Decode(record->Author).trimmed();
        if (!title.isEmpty())
            tile.ToolTip += u'\n' + title;
        if (!author.isEmpty())
            tile.ToolTip += QStringLiteral("\nby ") + author;
    }
    try {
        tile.Image = Export::Thumbnail(std::move(head), cut, end, BaseName(name), look, kSize);
    } catch (const EGlimraError &error) {
        return Failed(name, error.Message());
    }
    return tile;
}

TGalleryTile Image(const QByteArray &bytes, const QString &name)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    if (!size.isValid() || qint64(size.width()) * size.height() > kImagePixels)
        return Failed(name, size.isValid() ? QStringLiteral("Too large to draw") : QStringLiteral("Not a picture"));
    reader.setScaledSize(size.scaled(QSize(kSize, kSize).boundedTo(size), Qt::KeepAspectRatio));
    const QImage image = reader.read();
    if (image.isNull())
        return Failed(name, reader.errorString());
    return {image, QStringLiteral("%1\n%2 \u00D7 %3 pixels").arg(name).arg(size.width()).arg(size.height())};
}

TGalleryTile Pack(const QString &name, const TLook &look)
{
    QImage image(kSize, kSize * 3 / 4, QImage::Format_RGB32);
    image.fill(look.Background);
    QPainter painter(&image);
    painter.setPen(QPen(look.Text, 3));
    painter.drawRect(image.rect().adjusted(12, 12, -13, -13));
    painter.drawLine(12, 36, kSize - 13, 36);
    painter.drawText(QRect(12, 12, kSize - 25, 24), Qt::AlignCenter, QStringLiteral("PACK"));
    painter.drawText(image.rect().adjusted(16, 40, -16, -16), Qt::AlignCenter | Qt::TextWrapAnywhere, BaseName(name));
    return {image, QStringLiteral("%1\nA pack: Enter opens it").arg(name)};
}

TTileMaker ForFiles(const QStringList &paths, const TLook &look)
{
    return [paths, look](qsizetype index) -> TGalleryTile {
        const QString &path = paths.value(index);
        const QString name = QFileInfo(path).fileName();
        switch (FolderFiles::KindOf(name)) {
        case FolderFiles::TKind::Pack:
            return Pack(name, look);
        case FolderFiles::TKind::Image: {
            QByteArray bytes;
            if (ReadRegularFile(path, kScanned, &bytes) != TReadResult::trOk)
                return Failed(name, QStringLiteral("Cannot be read"));
            return Image(bytes, name);
        }
        default:
            break;
        }
        // Only a regular file is opened: a FIFO would wait for a writer.
        QFile file(path);
        if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
            return Failed(name, ReadFailureReason(path));
        QByteArray head = file.read(Export::kThumbnailBytes);
        const bool cut = !file.atEnd();
        QByteArray end;
        if (cut && file.size() <= kScanned) { // art's record, at the end
            const qint64 reach = std::min<qint64>(file.size(), Export::kRecordReach);
            end = file.seek(file.size() - reach) ? file.read(reach) : QByteArray();
        }
        return Text(std::move(head), cut, end, name, look);
    };
}

TTileMaker ForPack(std::shared_ptr<const TPackSource> source, bool streamed, const QList<TPackEntry> &pieces,
                   const TLook &look)
{
    // One reader, kept where it is: pieces asked for in the pack's order
    // cost one pass. Only the gallery's thread uses it.
    auto reader = std::make_shared<TPackReader>(std::move(source), streamed);
    return [reader, pieces, look](qsizetype index) -> TGalleryTile {
        const TPackEntry &entry = pieces[index];
        switch (FolderFiles::KindOf(BaseName(entry.Name))) {
        case FolderFiles::TKind::Pack:
            return Pack(entry.Name, look);
        case FolderFiles::TKind::Image: {
            const TEntryHead data = reader->Head(entry, kScanned, 0, 0);
            if (!data.Error.isEmpty())
                return Failed(entry.Name, data.Error);
            if (data.Cut)
                return Failed(entry.Name, QStringLiteral("Too large to draw"));
            return Image(data.Head, entry.Name);
        }
        default:
            break;
        }
        TEntryHead head = reader->Head(entry, Export::kThumbnailBytes, Export::kRecordReach, kScanned);
        if (!head.Error.isEmpty())
            return Failed(entry.Name, head.Error);
        return Text(std::move(head.Head), head.Cut, head.Tail, entry.Name, look);
    };
}

} // namespace GalleryTiles
