#pragma once
// Private-profile (INI) files with the Windows semantics the program relies on:
// section and key names match without regard to case, blanks around names and
// values are trimmed, the file is created by the first write, and every line a
// write does not change is kept byte for byte.
//
// A bare file name (no directory part) refers to a file in the per-user
// configuration directory ($XDG_CONFIG_HOME/glimra/), where Windows would use
// its own directory; a name with a directory part is used as it is.

#include <QString>

// The longest value a read returns; longer ones are cut, as the program's
// read buffers hold 2047 characters and a NUL.
inline constexpr qsizetype kProfileValueLimit = 2047;

// The value of key in section, without surrounding blanks or double quotes;
// defaultValue less its trailing blanks when the file, section or key is
// missing. The file is read afresh on every call.
QString GetPrivateProfileString(const QString &section, const QString &key,
                                const QString &defaultValue, const QString &fileName);

// Sets key in section to value. A missing file is created as "[section]" CR LF
// "key=value" CR LF, a missing section is added at the end of the file, a
// missing key at the end of its section. Written lines end in CR LF. The
// change is written atomically under a lock file ("<file>.lock"). Returns
// false when the file cannot be written (read-only file or directory, missing
// directory) or when a name or the value holds a line break, or the key an "="
// or a leading "[" or ";", which would break the file's lines.
bool WritePrivateProfileString(const QString &section, const QString &key,
                               const QString &value, const QString &fileName);

// The file that fileName refers to (see above).
QString PrivateProfilePath(const QString &fileName);
