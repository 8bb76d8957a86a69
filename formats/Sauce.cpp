#include "formats/Sauce.h"

#include "document/Charset.h"

#include <QtEndian>

#include <cstring>

namespace {

constexpr int kTitle = 7, kAuthor = 42, kGroup = 62, kDate = 82, kFileSize = 90, kDataType = 94, kFileType = 95,
              kTInfo = 96, kComments = 104, kFlags = 105, kTInfoS = 106;

// The file types each data type has (none, character, bitmap, vector, audio,
// binary text, XBin, archive, executable); binary text keeps its width there.
constexpr int kFileTypes[] = {1, 9, 14, 4, 24, 256, 1, 10, 1};

const char *const kDataTypes[] = {"None", "Character", "Bitmap", "Vector", "Audio",
                                  "Binary text", "XBin", "Archive", "Executable"};
const char *const kCharacterTypes[] = {"ASCII", "ANSi", "ANSiMation", "RIP script", "PCBoard",
                                       "Avatar", "HTML", "Source", "TundraDraw"};

QByteArray Field(QByteArrayView record, int at, int size)
{
    QByteArray text = record.sliced(at, size).toByteArray();
    while (!text.isEmpty() && (text.back() == ' ' || text.back() == '\0'))
        text.chop(1);
    return text;
}

void Put(QByteArray &record, int at, int size, const QByteArray &text)
{
    std::memcpy(record.data() + at, text.constData(), size_t(std::min<qsizetype>(size, text.size())));
}

bool DateChecksOut(QByteArrayView date)
{
    if (date.isEmpty())
        return true;
    if (date.size() != 8 || !std::all_of(date.begin(), date.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    const int month = date.sliced(4, 2).toInt(), day = date.sliced(6, 2).toInt();
    return month >= 1 && month <= 12 && day >= 1 && day <= 31;
}

bool HasCharacterFlags(const TSauce &s)
{
    return (s.DataType == 1 && s.FileType <= 2) || s.DataType == 5;
}

// ASCII, ANSi, ANSiMation, PCBoard, Avatar and TundraDraw give a width and a
// height in characters, and so does XBin.
bool HasSize(const TSauce &s)
{
    return (s.DataType == 1 && (s.FileType <= 2 || s.FileType == 4 || s.FileType == 5 || s.FileType == 8)) || s.DataType == 6;
}

} // namespace

QString TSauce::DataTypeName() const
{
    return DataType < std::size(kDataTypes) ? QString::fromLatin1(kDataTypes[DataType]) : QString::number(DataType);
}

QString TSauce::FileTypeName() const
{
    if (DataType == 1 && FileType < std::size(kCharacterTypes))
        return QString::fromLatin1(kCharacterTypes[FileType]);
    return QString::number(FileType);
}

int TSauce::Width() const
{
    if (DataType == 5)
        return 2 * FileType;
    return HasSize(*this) ? TInfo[0] : 0;
}

int TSauce::Height() const
{
    return HasSize(*this) ? TInfo[1] : 0;
}

QString TSauce::FlagsText() const
{
    if (!HasCharacterFlags(*this))
        return {};
    static const char *const spacing[] = {"legacy", "8 pixels", "9 pixels"};
    static const char *const aspect[] = {"legacy", "stretch", "square"};
    return QStringLiteral("ice colors %1, letter spacing %2, aspect ratio %3")
        .arg(Flags & 1 ? QStringLiteral("on") : QStringLiteral("off"), QString::fromLatin1(spacing[(Flags >> 1) & 3]),
             QString::fromLatin1(aspect[(Flags >> 3) & 3]));
}

bool TSauce::IceColors() const
{
    return HasCharacterFlags(*this) && (Flags & 1);
}

bool TSauce::NinePixels() const
{
    return HasCharacterFlags(*this) && ((Flags >> 1) & 3) == 2;
}

bool TSauce::Stretched() const
{
    return HasCharacterFlags(*this) && ((Flags >> 3) & 3) == 1;
}

namespace Sauce {

qsizetype TailLength(QByteArrayView bytes)
{
    const qsizetype n = bytes.size();
    if (n < kRecordSize)
        return 0;
    const QByteArrayView record = bytes.last(kRecordSize);
    if (!record.startsWith("SAUCE00"))
        return 0;
    const int comments = static_cast<unsigned char>(record[kComments]);
    qsizetype start = n - kRecordSize;
    if (comments > 0) {
        start -= 5 + qsizetype(comments) * kCommentSize;
        if (start < 0 || !bytes.sliced(start).startsWith("COMNT"))
            return 0;
    }
    // FileSize is not checked: files in the wild carry sizes that disagree
    // with their text, and the record is still theirs.
    if (!Parse(bytes.sliced(start)))
        return 0;
    if (start > 0 && bytes[start - 1] == '\x1A')
        --start;
    return n - start;
}

std::optional<TSauce> Parse(QByteArrayView tail)
{
    if (tail.size() < kRecordSize)
        return std::nullopt;
    const QByteArrayView record = tail.last(kRecordSize);
    if (!record.startsWith("SAUCE00"))
        return std::nullopt;
    TSauce s;
    s.Title = Field(record, kTitle, 35);
    s.Author = Field(record, kAuthor, 20);
    s.Group = Field(record, kGroup, 20);
    s.Date = Field(record, kDate, 8);
    s.FileSize = qFromLittleEndian<quint32>(record.data() + kFileSize);
    s.DataType = quint8(record[kDataType]);
    s.FileType = quint8(record[kFileType]);
    for (int k = 0; k < 4; ++k)
        s.TInfo[k] = qFromLittleEndian<quint16>(record.data() + kTInfo + 2 * k);
    s.Flags = quint8(record[kFlags]);
    s.Font = Field(record, kTInfoS, 22);
    const int comments = static_cast<unsigned char>(record[kComments]);
    if (s.DataType >= std::size(kFileTypes) || s.FileType >= kFileTypes[s.DataType] || !DateChecksOut(s.Date))
        return std::nullopt;
    // Letter spacing and aspect ratio have no fourth value.
    if (HasCharacterFlags(s) && (((s.Flags >> 1) & 3) == 3 || ((s.Flags >> 3) & 3) == 3 || (s.Flags & 0xE0)))
        return std::nullopt;
    if (comments > 0) {
        const qsizetype at = tail.size() - kRecordSize - 5 - qsizetype(comments) * kCommentSize;
        if (at < 0 || !tail.sliced(at).startsWith("COMNT"))
            return std::nullopt;
        for (int k = 0; k < comments; ++k)
            s.Comments << Field(tail, int(at + 5 + k * kCommentSize), kCommentSize);
    }
    return s;
}

QByteArray WithFileSize(QByteArray tail, qint64 size)
{
    if (tail.size() >= kRecordSize)
        qToLittleEndian<quint32>(quint32(std::clamp<qint64>(size, 0, 0xFFFFFFFF)),
                                 tail.data() + tail.size() - kRecordSize + kFileSize);
    return tail;
}

QByteArray Make(const TSauce &s)
{
    QByteArray tail("\x1A");
    if (!s.Comments.isEmpty()) {
        tail += "COMNT";
        for (const QByteArray &line : s.Comments.mid(0, 255))
            tail += line.left(kCommentSize).leftJustified(kCommentSize, ' ');
    }
    QByteArray record(kRecordSize, '\0');
    Put(record, 0, 7, "SAUCE00");
    for (const auto &[at, size, text] : {std::tuple{kTitle, 35, s.Title}, {kAuthor, 20, s.Author},
                                         {kGroup, 20, s.Group}, {kDate, 8, s.Date}})
        Put(record, at, size, text.leftJustified(size, ' ', true));
    qToLittleEndian<quint32>(s.FileSize, record.data() + kFileSize);
    record[kDataType] = char(s.DataType);
    record[kFileType] = char(s.FileType);
    for (int k = 0; k < 4; ++k)
        qToLittleEndian<quint16>(s.TInfo[k], record.data() + kTInfo + 2 * k);
    record[kComments] = char(std::min<qsizetype>(s.Comments.size(), 255));
    record[kFlags] = char(s.Flags);
    Put(record, kTInfoS, 22, s.Font);
    return tail + record;
}

TSauce New(const QString &title, const QString &author, const QString &group, qint64 width, qint64 lines,
           quint32 fileSize, const QDate &today)
{
    TSauce s;
    s.Title = Charset::Encode(TCharset::csCp437, title).left(35);
    s.Author = Charset::Encode(TCharset::csCp437, author).left(20);
    s.Group = Charset::Encode(TCharset::csCp437, group).left(20);
    s.Date = today.toString(QStringLiteral("yyyyMMdd")).toLatin1();
    s.FileSize = fileSize;
    s.TInfo[0] = quint16(std::clamp<qint64>(width, 0, 0xFFFF));
    s.TInfo[1] = quint16(std::clamp<qint64>(lines, 0, 0xFFFF));
    return s;
}

} // namespace Sauce
