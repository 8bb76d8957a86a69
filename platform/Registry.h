#pragma once
// The registry: keys and typed values below the predefined roots, with the
// calls the program makes (create/open key, query value, set value, close key)
// and Win32-like result codes.
//
// Each root is kept in one REGEDIT4 text file in the per-user configuration
// directory ($XDG_CONFIG_HOME/glimra/, default ~/.config/glimra/), named after
// the root: "HKEY_CURRENT_USER.reg", "HKEY_LOCAL_MACHINE.reg", and so on. There
// is no system-wide store, so the machine roots are per user as well.
//
// Nothing is cached: every call reads the file again, so changes made by
// another process (or by hand) are seen by the next call. Every change is a
// read-modify-write under a lock file ("<file>.lock"), written to a temporary
// file and renamed, and is on disk when the call returns. A file that does not
// parse is renamed aside ("<file>.damaged-<time>", reported on standard error)
// and the root starts empty.
//
// String data is UTF-8. The file is written with LF line ends and read with LF
// or CR LF; comments and layout of a hand-edited file are not kept across a
// write, its keys and values are.

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// A key handle: one of the predefined roots, or a handle returned by
// RegCreateKeyEx/RegOpenKeyEx (valid until RegCloseKey). 0 is never valid.
using HKEY = quint32;

inline constexpr HKEY HKEY_CLASSES_ROOT = 0x80000000u;
inline constexpr HKEY HKEY_CURRENT_USER = 0x80000001u;
inline constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002u;
inline constexpr HKEY HKEY_USERS = 0x80000003u;
inline constexpr HKEY HKEY_CURRENT_CONFIG = 0x80000005u;
inline constexpr HKEY HKEY_DYN_DATA = 0x80000006u;

// Value types. Other type numbers are stored and written back as hex(n).
inline constexpr quint32 REG_NONE = 0;
inline constexpr quint32 REG_SZ = 1;
inline constexpr quint32 REG_EXPAND_SZ = 2;
inline constexpr quint32 REG_BINARY = 3;
inline constexpr quint32 REG_DWORD = 4;

// Dispositions reported by RegCreateKeyEx.
inline constexpr quint32 REG_CREATED_NEW_KEY = 1;
inline constexpr quint32 REG_OPENED_EXISTING_KEY = 2;

// Result codes, with the Win32 numbers.
inline constexpr long ERROR_SUCCESS = 0;
inline constexpr long ERROR_FILE_NOT_FOUND = 2;
inline constexpr long ERROR_ACCESS_DENIED = 5;
inline constexpr long ERROR_INVALID_HANDLE = 6;
inline constexpr long ERROR_INVALID_PARAMETER = 87;
inline constexpr long ERROR_BAD_PATHNAME = 161;
inline constexpr long ERROR_MORE_DATA = 234;
inline constexpr long ERROR_BADDB = 1009;
inline constexpr long ERROR_CANTREAD = 1012;
inline constexpr long ERROR_CANTWRITE = 1013;
inline constexpr long ERROR_KEY_DELETED = 1018;

// Opens subKey below key, creating it and any missing keys on the way. An
// existing key is opened. subKey may name nested keys ("a\b\c"); names match
// without regard to letter case; empty path components are skipped, so a
// leading or trailing backslash does no harm.
long RegCreateKeyEx(HKEY key, const QString &subKey, HKEY *result, quint32 *disposition = nullptr);

// Opens an existing key; a missing one fails with ERROR_FILE_NOT_FOUND and
// nothing is created.
long RegOpenKeyEx(HKEY key, const QString &subKey, HKEY *result);

// Queries a value of key; an empty name is the key's default value ("@").
// With data null, only *type and *size are filled in. Otherwise *size is the
// capacity of data in bytes; when the value is larger the call fails with
// ERROR_MORE_DATA and *size is the size needed. On success *size is the
// value's size (a string's size counts its terminating NUL). A missing value
// fails with ERROR_FILE_NOT_FOUND. REG_EXPAND_SZ is never expanded.
long RegQueryValueEx(HKEY key, const QString &valueName, quint32 *type, void *data, quint32 *size);

// The same, giving the whole value.
long RegQueryValueEx(HKEY key, const QString &valueName, quint32 *type, QByteArray *data);

// Stores a value of key, replacing one of the same name (of any type).
long RegSetValueEx(HKEY key, const QString &valueName, quint32 type, const QByteArray &data);

// Releases a handle returned by RegCreateKeyEx/RegOpenKeyEx; closing a
// predefined root does nothing.
long RegCloseKey(HKEY key);

// The data of a REG_SZ or REG_EXPAND_SZ value: UTF-8 with a terminating NUL.
QByteArray RegStringData(const QString &text);
// The data of a REG_DWORD value: four bytes, little-endian.
QByteArray RegDwordData(quint32 value);

// "HKEY_CURRENT_USER" and so on; empty for anything but a predefined root.
QString RegRootName(HKEY root);
// The file that holds a predefined root; empty for anything else.
QString RegRootFileName(HKEY root);
