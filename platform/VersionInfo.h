#pragma once
// The program's version resource: a VS_VERSIONINFO block kept in a section of
// its own in the executable, written at build time from a definition and read
// back through stand-ins of the version-information functions.
// Only QtCore is used here, so the build-time generator can share the writer.

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QPair>
#include <QString>

// The executable's section that holds the block.
inline constexpr char kVersionSection[] = ".glimra.version";

// What the block says, as the definition under resources/ gives it.
struct TVersionDefinition
{
    quint16 fileVersion[4] = {0, 0, 0, 0};
    quint16 productVersion[4] = {0, 0, 0, 0};
    quint32 fileFlagsMask = 0x3F;
    quint32 fileFlags = 0;
    quint32 fileOS = 0x00040004; // VOS_NT_WINDOWS32
    quint32 fileType = 1;        // VFT_APP
    quint32 fileSubtype = 0;
    bool hasTranslation = true;  // false leaves out VarFileInfo
    quint16 language = 0x0409;
    quint16 codePage = 0x04E4;
    QList<QPair<QString, QString>> strings; // in the table named by language and code page
};

// Reads the definition: "[FixedFileInfo]" with FileVersion, ProductVersion (a.b.c.d),
// FileFlagsMask, FileFlags, FileOS, FileType, FileSubtype; "[VarFileInfo]" with
// "Translation=LLLL CCCC" in hexadecimal; "[StringFileInfo]" with name=value lines.
// Blank lines and lines starting with '#' are skipped. False with a message on error.
bool ParseVersionDefinition(const QString &text, TVersionDefinition *definition, QString *error);

// The VS_VERSIONINFO block in the standard layout. Empty, with a message naming
// the value, when a string has a character the ANSI code page lacks (it could
// not be read back as written) or the block would pass the 65,535 bytes its
// length field can say.
QByteArray BuildVersionInfoBlock(const TVersionDefinition &definition, QString *error = nullptr);

// Text in the ANSI code page, Windows-1252, in which the A functions speak;
// a character it lacks becomes '?'.
QByteArray ToAnsiCodePage(QStringView text);
QString FromAnsiCodePage(QByteArrayView text);

// Size of the version information in the ELF file, 0 when it has none (or is
// no ELF file). handle, when given, is set to 0.
quint32 GetFileVersionInfoSizeA(const QString &fileName, quint32 *handle = nullptr);

// Copies at most len bytes of the version information into data.
bool GetFileVersionInfoA(const QString &fileName, quint32 handle, quint32 len, void *data);

// Looks up subBlock ("\", "\VarFileInfo\Translation", "\StringFileInfo\040904E4\FileVersion")
// in a block of block.size() bytes; names match regardless of letter case. A binary
// value comes back as its bytes and len its size in bytes; a text value in the
// ANSI code page with its terminating null and len its length counting the null.
// A damaged or truncated block is never read beyond its size: the lookup fails.
bool VerQueryValueA(QByteArrayView block, const QString &subBlock, QByteArray *value, quint32 *len);
