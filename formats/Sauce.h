#pragma once
// The record art files carry at their end: an end-of-file byte 0x1A, an
// optional comment block ("COMNT" and lines of 64 bytes) and a 128-byte
// record that begins "SAUCE00" (title, author, group, date, size, data and
// file type, width and height, flags, font). Only a record whose every field
// checks out counts; anything else is text.

#include <QByteArray>
#include <QByteArrayView>
#include <QDate>
#include <QList>
#include <QString>

#include <optional>

struct TSauce
{
    QByteArray Title, Author, Group; // as stored, blanks at the end removed
    QByteArray Date;                 // "CCYYMMDD", or empty when not set
    quint32 FileSize = 0;
    quint8 DataType = 1; // character
    quint8 FileType = 0; // ASCII
    quint16 TInfo[4] = {};
    quint8 Flags = 0;
    QByteArray Font; // TInfoS: a font name for character art
    QList<QByteArray> Comments;

    QString DataTypeName() const;
    QString FileTypeName() const;
    // Width and height in characters where the types say so, else 0.
    int Width() const;
    int Height() const;
    QString FlagsText() const; // ice colours, letter spacing, aspect ratio
    bool IceColors() const;    // blink asks for a bright paper
    bool NinePixels() const;   // letters 9 pixels apart
    bool Stretched() const;    // rows stretched as on a CRT (the "stretch" aspect ratio)
};

namespace Sauce {

inline constexpr int kRecordSize = 128;
inline constexpr int kCommentSize = 64;

// The length of what follows the text at the end of bytes (a whole file or
// only its end): the 0x1A (when there is one), the comment block and the
// record; 0 when the file ends in no record that checks out. A record's
// FileSize need not match the text.
qsizetype TailLength(QByteArrayView bytes);

// The record of a tail that TailLength found.
std::optional<TSauce> Parse(QByteArrayView tail);

// The tail with its record's FileSize set to size, the bytes of what comes
// before the tail; nothing else changes.
QByteArray WithFileSize(QByteArray tail, qint64 size);

// A tail for a record: 0x1A, the comments (when there are any) and the record.
QByteArray Make(const TSauce &sauce);

// A record for art without one: character art in ASCII, the date of today,
// the width of its widest line and its number of lines.
TSauce New(const QString &title, const QString &author, const QString &group, qint64 width, qint64 lines,
           quint32 fileSize, const QDate &today = QDate::currentDate());

} // namespace Sauce
