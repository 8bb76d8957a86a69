#include "platform/VersionInfo.h"

#include <QFile>
#include <QStringList>
#include <QtEndian>

#include <algorithm>
#include <functional>

namespace {

constexpr quint32 kFixedSignature = 0xFEEF04BD;
constexpr quint16 kFixedInfoSize = 52;
// wLength is 16 bits, so no block is larger.
constexpr quint64 kMaxBlockSize = 0xFFFF;

// ---- writing ----

class BlockWriter
{
public:
    QByteArray bytes;

    void Word(quint16 value)
    {
        char raw[2];
        qToLittleEndian(value, raw);
        bytes.append(raw, 2);
    }
    void Dword(quint32 value)
    {
        char raw[4];
        qToLittleEndian(value, raw);
        bytes.append(raw, 4);
    }
    void Text(const QString &text) // UTF-16 with its null
    {
        for (QChar c : text)
            Word(c.unicode());
        Word(0);
    }
    void Align() { bytes.append((4 - bytes.size() % 4) % 4, '\0'); }

    // One node: header, key, value, then each child at a 32-bit boundary.
    void Node(const QString &key, quint16 type, quint16 valueLength, const QByteArray &value,
              const std::function<void()> &children = {})
    {
        const qsizetype start = bytes.size();
        Word(0); // wLength, filled in below
        Word(valueLength);
        Word(type);
        Text(key);
        Align();
        bytes += value;
        if (children)
            children();
        qToLittleEndian(quint16(bytes.size() - start), bytes.data() + start);
    }
};

QByteArray Utf16(const QString &text)
{
    BlockWriter writer;
    writer.Text(text);
    return writer.bytes;
}

// Windows-1252 from 0x80 to 0x9F; the rest is Latin-1. The five bytes the code
// page leaves undefined stand for the control characters of their value.
constexpr char16_t kAnsiHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

QString TranslationKey(quint16 language, quint16 codePage)
{
    return QStringLiteral("%1%2").arg(language, 4, 16, QLatin1Char('0')).arg(codePage, 4, 16, QLatin1Char('0')).toUpper();
}

bool ParseNumbers(const QString &text, quint16 (&out)[4])
{
    const QStringList parts = text.split(u'.');
    if (parts.size() != 4)
        return false;
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        const uint value = parts[i].trimmed().toUInt(&ok);
        if (!ok || value > 0xFFFF)
            return false;
        out[i] = quint16(value);
    }
    return true;
}

// ---- reading ----

quint16 Word(QByteArrayView b, qsizetype at) { return qFromLittleEndian<quint16>(b.data() + at); }

qsizetype Aligned(qsizetype at) { return (at + 3) & ~qsizetype(3); }

struct Node
{
    qsizetype end = 0;
    quint16 valueLength = 0;
    quint16 type = 0;
    QString key;
    qsizetype valueStart = 0;
    qsizetype valueBytes = 0;
    qsizetype children = 0;
};

// Reads the node at `at`, which with all it claims must lie before `limit`.
bool ReadNode(QByteArrayView b, qsizetype at, qsizetype limit, Node *node)
{
    if (at < 0 || at + 6 > limit)
        return false;
    const quint16 length = Word(b, at);
    if (length < 6 || at + length > limit)
        return false;
    node->end = at + length;
    node->valueLength = Word(b, at + 2);
    node->type = Word(b, at + 4);
    node->key.clear();
    qsizetype pos = at + 6;
    for (;; pos += 2) {
        if (pos + 2 > node->end)
            return false; // key without its null
        const quint16 c = Word(b, pos);
        if (c == 0)
            break;
        node->key += QChar(c);
    }
    node->valueBytes = node->type == 1 ? qsizetype(node->valueLength) * 2 : node->valueLength;
    node->valueStart = std::min(Aligned(pos + 2), node->end);
    if (node->valueStart + node->valueBytes > node->end)
        return false;
    node->children = std::min(Aligned(node->valueStart + node->valueBytes), node->end);
    return true;
}

bool FindChild(QByteArrayView b, const Node &parent, const QString &key, Node *child)
{
    qsizetype at = parent.children;
    while (at < parent.end) {
        if (!ReadNode(b, at, parent.end, child))
            return false;
        if (child->key.compare(key, Qt::CaseInsensitive) == 0)
            return true;
        at = Aligned(child->end); // a node is at least 6 bytes, so this moves on
    }
    return false;
}

// ---- the ELF file ----

quint64 Field(const QByteArray &b, qsizetype at, int size)
{
    return size == 8 ? qFromLittleEndian<quint64>(b.constData() + at)
         : size == 4 ? qFromLittleEndian<quint32>(b.constData() + at)
                     : qFromLittleEndian<quint16>(b.constData() + at);
}

QByteArray ReadAt(QFile &file, quint64 offset, quint64 size)
{
    if (offset > quint64(file.size()) || size > quint64(file.size()) - offset || !file.seek(qint64(offset)))
        return {};
    QByteArray data = file.read(qint64(size));
    return quint64(data.size()) == size ? data : QByteArray();
}

// Finds the named section's place in a little-endian ELF file.
bool FindSection(QFile &file, const char *name, quint64 *offset, quint64 *size)
{
    const QByteArray header = file.read(64);
    if (header.size() < 52 || !header.startsWith("\x7f" "ELF") || header[5] != 1)
        return false;
    const bool wide = header[4] == 2;
    if (!wide && header[4] != 1)
        return false;
    if (wide && header.size() < 64)
        return false;
    const int addr = wide ? 8 : 4;
    const quint64 shoff = Field(header, wide ? 0x28 : 0x20, addr);
    const quint64 entSize = Field(header, wide ? 0x3A : 0x2E, 2);
    const quint64 count = Field(header, wide ? 0x3C : 0x30, 2);
    const quint64 namesIndex = Field(header, wide ? 0x3E : 0x32, 2);
    const quint64 needed = wide ? 0x28 : 0x18;
    if (entSize < needed || count == 0 || namesIndex >= count)
        return false;
    const QByteArray table = ReadAt(file, shoff, entSize * count);
    if (table.isEmpty())
        return false;
    // sh_name and sh_type are 4 bytes in both classes; offset and size follow the class.
    auto at = [&](quint64 i, qsizetype field) { return qsizetype(i * entSize) + field; };
    auto nameOf = [&](quint64 i) { return Field(table, at(i, 0), 4); };
    auto typeOf = [&](quint64 i) { return Field(table, at(i, 4), 4); };
    auto offsetOf = [&](quint64 i) { return Field(table, at(i, wide ? 0x18 : 0x10), addr); };
    auto sizeOf = [&](quint64 i) { return Field(table, at(i, wide ? 0x20 : 0x14), addr); };
    constexpr quint64 kNoBits = 8;
    const QByteArray names = ReadAt(file, offsetOf(namesIndex), std::min<quint64>(sizeOf(namesIndex), 1 << 20));
    const QByteArray wanted = QByteArray(name) + '\0';
    for (quint64 i = 0; i < count; ++i) {
        const quint64 nameAt = nameOf(i);
        if (nameAt >= quint64(names.size()) || names.mid(qsizetype(nameAt), wanted.size()) != wanted)
            continue;
        if (typeOf(i) == kNoBits)
            return false;
        *offset = offsetOf(i);
        *size = sizeOf(i);
        return *offset <= quint64(file.size()) && *size <= quint64(file.size()) - *offset;
    }
    return false;
}

} // namespace

bool ParseVersionDefinition(const QString &text, TVersionDefinition *definition, QString *error)
{
    TVersionDefinition result;
    QString section;
    int lineNumber = 0;
    auto fail = [&](const QString &why) {
        if (error)
            *error = QStringLiteral("line %1: %2").arg(lineNumber).arg(why);
        return false;
    };
    for (const QString &raw : text.split(u'\n')) {
        ++lineNumber;
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            section = line.mid(1, line.size() - 2);
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (eq <= 0)
            return fail(QStringLiteral("expected name=value"));
        const QString name = line.left(eq).trimmed();
        const QString value = line.mid(eq + 1).trimmed();
        bool ok = true;
        if (section == u"FixedFileInfo") {
            if (name == u"FileVersion")
                ok = ParseNumbers(value, result.fileVersion);
            else if (name == u"ProductVersion")
                ok = ParseNumbers(value, result.productVersion);
            else if (name == u"FileFlagsMask")
                result.fileFlagsMask = value.toUInt(&ok, 0);
            else if (name == u"FileFlags")
                result.fileFlags = value.toUInt(&ok, 0);
            else if (name == u"FileOS")
                result.fileOS = value.toUInt(&ok, 0);
            else if (name == u"FileType")
                result.fileType = value.toUInt(&ok, 0);
            else if (name == u"FileSubtype")
                result.fileSubtype = value.toUInt(&ok, 0);
            else
                return fail(QStringLiteral("unknown name %1").arg(name));
        } else if (section == u"VarFileInfo" && name == u"Translation") {
            const QStringList parts = value.split(u' ', Qt::SkipEmptyParts);
            bool okCode = false;
            ok = parts.size() == 2;
            if (ok) {
                result.language = quint16(parts[0].toUInt(&ok, 16));
                result.codePage = quint16(parts[1].toUInt(&okCode, 16));
                ok = ok && okCode;
            }
        } else if (section == u"StringFileInfo") {
            result.strings.append({name, value});
        } else {
            return fail(QStringLiteral("unexpected %1").arg(name));
        }
        if (!ok)
            return fail(QStringLiteral("bad value for %1").arg(name));
    }
    *definition = result;
    return true;
}

QByteArray ToAnsiCodePage(QStringView text)
{
    QByteArray out;
    out.reserve(text.size());
    for (QChar c : text) {
        const char16_t u = c.unicode();
        const char16_t *high = std::find(std::begin(kAnsiHigh), std::end(kAnsiHigh), u);
        if (high != std::end(kAnsiHigh))
            out += char(0x80 + (high - kAnsiHigh));
        else if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
            out += char(u);
        else
            out += '?';
    }
    return out;
}

QString FromAnsiCodePage(QByteArrayView text)
{
    QString out;
    out.reserve(text.size());
    for (char byte : text) {
        const uchar b = uchar(byte);
        out += QChar(b >= 0x80 && b < 0xA0 ? kAnsiHigh[b - 0x80] : char16_t(b));
    }
    return out;
}

QByteArray BuildVersionInfoBlock(const TVersionDefinition &d, QString *error)
{
    const auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return QByteArray();
    };
    for (const auto &[name, value] : d.strings) {
        const QString readBack = FromAnsiCodePage(ToAnsiCodePage(value));
        for (qsizetype i = 0; i < value.size(); ++i)
            if (readBack[i] != value[i])
                return fail(QStringLiteral("%1: the character U+%2 is not in the ANSI code page (Windows-1252)")
                                .arg(name)
                                .arg(QString::number(value[i].unicode(), 16).toUpper().rightJustified(4, u'0')));
    }

    BlockWriter fixed;
    for (quint32 value : {kFixedSignature, quint32(0x00010000),
                          quint32(d.fileVersion[0]) << 16 | d.fileVersion[1],
                          quint32(d.fileVersion[2]) << 16 | d.fileVersion[3],
                          quint32(d.productVersion[0]) << 16 | d.productVersion[1],
                          quint32(d.productVersion[2]) << 16 | d.productVersion[3],
                          d.fileFlagsMask, d.fileFlags, d.fileOS, d.fileType, d.fileSubtype,
                          quint32(0), quint32(0)})
        fixed.Dword(value);

    BlockWriter w;
    QString tooLong; // the value that took the block past its length field
    w.Node(QStringLiteral("VS_VERSION_INFO"), 0, kFixedInfoSize, fixed.bytes, [&] {
        w.Align();
        w.Node(QStringLiteral("StringFileInfo"), 1, 0, {}, [&] {
            w.Align();
            w.Node(TranslationKey(d.language, d.codePage), 1, 0, {}, [&] {
                for (const auto &[name, value] : d.strings) {
                    w.Align();
                    w.Node(name, 1, quint16(value.size() + 1), Utf16(value));
                    if (tooLong.isEmpty() && quint64(w.bytes.size()) > kMaxBlockSize)
                        tooLong = name;
                }
            });
        });
        if (d.hasTranslation) {
            BlockWriter pair;
            pair.Word(d.language);
            pair.Word(d.codePage);
            w.Align();
            w.Node(QStringLiteral("VarFileInfo"), 1, 0, {}, [&] {
                w.Align();
                w.Node(QStringLiteral("Translation"), 0, 4, pair.bytes);
            });
        }
    });
    if (quint64(w.bytes.size()) > kMaxBlockSize) {
        if (tooLong.isEmpty() && !d.strings.isEmpty())
            tooLong = d.strings.last().first;
        return fail(QStringLiteral("%1: the version block would be %2 bytes, more than the %3 its length field can say")
                        .arg(tooLong.isEmpty() ? QStringLiteral("VarFileInfo") : tooLong)
                        .arg(w.bytes.size())
                        .arg(kMaxBlockSize));
    }
    return w.bytes;
}

quint32 GetFileVersionInfoSizeA(const QString &fileName, quint32 *handle)
{
    if (handle)
        *handle = 0;
    QFile file(fileName);
    quint64 offset = 0, size = 0;
    if (!file.open(QIODevice::ReadOnly) || !FindSection(file, kVersionSection, &offset, &size))
        return 0;
    return quint32(std::min(size, kMaxBlockSize));
}

bool GetFileVersionInfoA(const QString &fileName, quint32 /*handle*/, quint32 len, void *data)
{
    QFile file(fileName);
    quint64 offset = 0, size = 0;
    if (!data || !file.open(QIODevice::ReadOnly) || !FindSection(file, kVersionSection, &offset, &size))
        return false;
    const QByteArray bytes = ReadAt(file, offset, std::min({size, kMaxBlockSize, quint64(len)}));
    if (bytes.isEmpty() && len != 0 && size != 0)
        return false;
    std::copy(bytes.begin(), bytes.end(), static_cast<char *>(data));
    return true;
}

bool VerQueryValueA(QByteArrayView block, const QString &subBlock, QByteArray *value, quint32 *len)
{
    Node node;
    if (!ReadNode(block, 0, block.size(), &node))
        return false;
    for (const QString &name : subBlock.split(u'\\', Qt::SkipEmptyParts)) {
        Node child;
        if (!FindChild(block, node, name, &child))
            return false;
        node = child;
    }
    QByteArray result;
    if (node.type == 1 && node.valueBytes > 0) {
        QString text;
        for (qsizetype at = node.valueStart; at + 2 <= node.valueStart + node.valueBytes; at += 2) {
            const quint16 c = Word(block, at);
            if (c == 0)
                break;
            text += QChar(c);
        }
        result = ToAnsiCodePage(text);
        result.append('\0');
    } else {
        result = block.sliced(node.valueStart, node.valueBytes).toByteArray();
    }
    if (len)
        *len = quint32(result.size());
    if (value)
        *value = result;
    return true;
}
