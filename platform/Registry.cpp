#include "platform/Registry.h"

#include "platform/SafeFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QList>
#include <QLockFile>
#include <QMap>
#include <QMutex>
#include <QStandardPaths>
#include <QStringList>
#include <QtEndian>
#include <algorithm>
#include <cstring>

namespace {

constexpr qsizetype kMaxKeyNameLength = 255;
constexpr int kLockTimeoutMs = 10000;
constexpr qsizetype kHexLineWidth = 76;

struct TRegValue
{
    QString Name;
    quint32 Type = REG_NONE;
    QByteArray Data;
};

struct TRegKey
{
    QString Path; // below the root, as first spelled; "" is the root itself
    QList<TRegValue> Values;
};

// All keys of one root, by case-folded path.
using TRegTree = QHash<QString, TRegKey>;

struct THandle
{
    HKEY Root = 0;
    QString Path;
};

QMutex g_handleMutex;
QHash<HKEY, THandle> g_handles;
HKEY g_nextHandle = 1;

QString Folded(const QString &path)
{
    return path.toCaseFolded();
}

bool IsPredefinedRoot(HKEY key)
{
    return !RegRootName(key).isEmpty();
}

bool Resolve(HKEY key, THandle *handle)
{
    if (IsPredefinedRoot(key)) {
        *handle = {key, QString()};
        return true;
    }
    QMutexLocker locker(&g_handleMutex);
    const auto it = g_handles.constFind(key);
    if (it == g_handles.constEnd())
        return false;
    *handle = *it;
    return true;
}

HKEY NewHandle(HKEY root, const QString &path)
{
    QMutexLocker locker(&g_handleMutex);
    // Handles stay below the predefined range so that the two never meet.
    do {
        g_nextHandle = g_nextHandle >= 0x7FFFFFFFu ? 1 : g_nextHandle + 1;
    } while (g_handles.contains(g_nextHandle));
    g_handles.insert(g_nextHandle, {root, path});
    return g_nextHandle;
}

bool HasLineBreak(const QString &text)
{
    return text.contains(u'\n') || text.contains(u'\r');
}

// Splits a key path into its names; empty components are skipped.
bool SplitKeyPath(const QString &subKey, QStringList *names)
{
    *names = subKey.split(u'\\', Qt::SkipEmptyParts);
    return std::none_of(names->cbegin(), names->cend(), [](const QString &name) {
        return name.size() > kMaxKeyNameLength || HasLineBreak(name);
    });
}

QString JoinPath(const QString &parent, const QString &name)
{
    return parent.isEmpty() ? name : parent + u'\\' + name;
}

TRegValue *FindValue(TRegKey &key, const QString &name)
{
    const QString folded = Folded(name);
    for (TRegValue &value : key.Values)
        if (Folded(value.Name) == folded)
            return &value;
    return nullptr;
}

// Adds the key and every missing key above it; returns its tree entry.
TRegKey &EnsureKey(TRegTree &tree, const QStringList &names)
{
    QString path;
    TRegKey *key = &tree[QString()];
    for (const QString &name : names) {
        const QString candidate = JoinPath(path, name);
        key = &tree[Folded(candidate)];
        if (key->Path.isEmpty())
            key->Path = candidate;
        path = key->Path; // keep the spelling of a key that already exists
    }
    return *key;
}

void RemoveKeyTree(TRegTree &tree, const QString &path)
{
    const QString folded = Folded(path);
    const QString prefix = folded + u'\\';
    tree.removeIf([&](const TRegTree::iterator &it) {
        return it.key() == folded || it.key().startsWith(prefix);
    });
}

// --- REGEDIT4 text ---------------------------------------------------------

QString Escaped(const QString &text)
{
    QString result;
    result.reserve(text.size());
    for (const QChar c : text) {
        if (c == u'\\' || c == u'"')
            result += u'\\';
        result += c;
    }
    return result;
}

// A REG_SZ that can be written as quoted text and read back to the same bytes.
bool IsPlainString(const TRegValue &value)
{
    if (value.Type != REG_SZ || !value.Data.endsWith('\0'))
        return false;
    const QByteArray body = value.Data.chopped(1);
    if (body.contains('\0') || body.contains('\n') || body.contains('\r'))
        return false;
    return QString::fromUtf8(body).toUtf8() == body;
}

QString HexBytes(QString line, const QByteArray &data)
{
    QString result;
    for (qsizetype i = 0; i < data.size(); ++i) {
        line += QStringLiteral("%1").arg(quint8(data[i]), 2, 16, QLatin1Char('0'));
        if (i + 1 < data.size()) {
            line += u',';
            if (line.size() >= kHexLineWidth) {
                result += line + QStringLiteral("\\\n");
                line = QStringLiteral("  ");
            }
        }
    }
    return result + line;
}

QString ValueLine(const TRegValue &value)
{
    QString line = value.Name.isEmpty() ? QStringLiteral("@=")
                                        : QStringLiteral("\"") + Escaped(value.Name) + QStringLiteral("\"=");
    if (IsPlainString(value))
        return line + QStringLiteral("\"") + Escaped(QString::fromUtf8(value.Data.chopped(1))) + QStringLiteral("\"");
    if (value.Type == REG_DWORD && value.Data.size() == 4) {
        quint32 number = 0;
        std::memcpy(&number, value.Data.constData(), 4);
        return line + QStringLiteral("dword:%1").arg(qFromLittleEndian(number), 8, 16, QLatin1Char('0'));
    }
    line += value.Type == REG_BINARY ? QStringLiteral("hex:")
                                     : QStringLiteral("hex(%1):").arg(value.Type, 0, 16);
    return HexBytes(line, value.Data);
}

QByteArray Serialized(HKEY root, const TRegTree &tree)
{
    QList<const TRegKey *> keys;
    for (const TRegKey &key : tree)
        if (!key.Path.isEmpty() || !key.Values.isEmpty())
            keys.append(&key);
    // Tree order: a key before its subkeys, siblings by name.
    auto order = [](const TRegKey *key) { return Folded(key->Path).replace(u'\\', QChar(1)); };
    std::sort(keys.begin(), keys.end(),
              [&](const TRegKey *a, const TRegKey *b) { return order(a) < order(b); });

    QString text = QStringLiteral("REGEDIT4\n\n");
    const QString rootName = RegRootName(root);
    for (const TRegKey *key : keys) {
        text += QStringLiteral("[") + (key->Path.isEmpty() ? rootName : rootName + u'\\' + key->Path)
                + QStringLiteral("]\n");
        for (const TRegValue &value : key->Values)
            text += ValueLine(value) + u'\n';
        text += u'\n';
    }
    return text.toUtf8();
}

class TParser
{
public:
    TParser(HKEY root, TRegTree *tree) : m_root(root), m_tree(tree) {}

    // Fills the tree; on failure returns false with a description in Error.
    bool Parse(const QByteArray &bytes)
    {
        QString text = QString::fromUtf8(bytes);
        if (text.startsWith(QChar(0xFEFF)))
            text.remove(0, 1);
        m_lines = text.split(u'\n');
        for (QString &line : m_lines)
            if (line.endsWith(u'\r'))
                line.chop(1);

        bool header = false;
        for (m_index = 0; m_index < m_lines.size(); ++m_index) {
            const QString line = m_lines[m_index].trimmed();
            if (line.isEmpty())
                continue;
            if (!header) {
                if (line != QLatin1String("REGEDIT4"))
                    return Fail(QStringLiteral("the first line is not REGEDIT4"));
                header = true;
                continue;
            }
            if (line.startsWith(u';'))
                continue;
            if (!(line.startsWith(u'[') ? KeyLine(line) : ValueLine(line)))
                return false;
        }
        return true;
    }

    QString Error;

private:
    bool Fail(const QString &reason)
    {
        Error = QStringLiteral("line %1: %2").arg(m_index + 1).arg(reason);
        return false;
    }

    bool KeyLine(const QString &line)
    {
        if (!line.endsWith(u']'))
            return Fail(QStringLiteral("a key line must end with ]"));
        QString inner = line.mid(1, line.size() - 2);
        const bool remove = inner.startsWith(u'-');
        if (remove)
            inner.remove(0, 1);
        const qsizetype slash = inner.indexOf(u'\\');
        const QString rootName = inner.left(slash);
        if (rootName.compare(RegRootName(m_root), Qt::CaseInsensitive) != 0)
            return Fail(QStringLiteral("the key is not below %1").arg(RegRootName(m_root)));
        QStringList names;
        if (!SplitKeyPath(slash < 0 ? QString() : inner.mid(slash + 1), &names))
            return Fail(QStringLiteral("a key name is too long"));
        m_hasKey = !remove;
        if (remove) {
            if (!names.isEmpty())
                RemoveKeyTree(*m_tree, names.join(u'\\'));
            return true;
        }
        m_key = EnsureKey(*m_tree, names).Path;
        return true;
    }

    // Reads a quoted text starting at pos (on the opening quote); pos ends
    // after the closing quote.
    bool Quoted(const QString &line, qsizetype &pos, QString *text)
    {
        text->clear();
        for (++pos; pos < line.size(); ++pos) {
            const QChar c = line[pos];
            if (c == u'"') {
                ++pos;
                return true;
            }
            // Only \\ and \" are escapes; a lone backslash is kept as written.
            if (c == u'\\' && pos + 1 < line.size() && (line[pos + 1] == u'\\' || line[pos + 1] == u'"'))
                ++pos;
            *text += line[pos];
        }
        return Fail(QStringLiteral("a quoted text has no closing quote"));
    }

    bool ValueLine(const QString &line)
    {
        if (!m_hasKey)
            return Fail(QStringLiteral("a value outside a key"));
        qsizetype pos = 0;
        QString name;
        if (line.startsWith(u'@')) {
            pos = 1;
        } else if (line.startsWith(u'"')) {
            if (!Quoted(line, pos, &name))
                return false;
        } else {
            return Fail(QStringLiteral("neither a key, a value nor a comment"));
        }
        const QString rest = line.mid(pos).trimmed();
        if (!rest.startsWith(u'='))
            return Fail(QStringLiteral("\"=\" expected after the value name"));
        QString data = rest.mid(1).trimmed();

        TRegKey &key = (*m_tree)[Folded(m_key)];
        TRegValue value{name, REG_NONE, {}};
        if (data == QLatin1String("-")) {
            key.Values.removeIf([&](const TRegValue &v) { return Folded(v.Name) == Folded(name); });
            return true;
        }
        if (data.startsWith(u'"')) {
            qsizetype at = 0;
            QString text;
            if (!Quoted(data, at, &text))
                return false;
            if (!data.mid(at).trimmed().isEmpty())
                return Fail(QStringLiteral("text after the closing quote"));
            value.Type = REG_SZ;
            value.Data = RegStringData(text);
        } else if (data.startsWith(QLatin1String("dword:"), Qt::CaseInsensitive)) {
            const QString digits = data.mid(6).trimmed();
            bool ok = false;
            const quint32 number = digits.toUInt(&ok, 16);
            if (!ok || digits.isEmpty() || digits.size() > 8 || digits.startsWith(u'+') || digits.startsWith(u'-'))
                return Fail(QStringLiteral("dword: needs one to eight hex digits"));
            value.Type = REG_DWORD;
            value.Data = RegDwordData(number);
        } else if (data.startsWith(QLatin1String("hex"), Qt::CaseInsensitive)) {
            if (!Hex(data, &value))
                return false;
        } else {
            return Fail(QStringLiteral("unknown kind of value"));
        }
        if (TRegValue *existing = FindValue(key, name))
            *existing = value;
        else
            key.Values.append(value);
        return true;
    }

    bool Hex(QString data, TRegValue *value)
    {
        const qsizetype colon = data.indexOf(u':');
        if (colon < 0)
            return Fail(QStringLiteral("hex value without \":\""));
        const QString kind = data.left(colon).trimmed();
        if (kind.compare(QLatin1String("hex"), Qt::CaseInsensitive) == 0) {
            value->Type = REG_BINARY;
        } else {
            bool ok = false;
            if (!kind.endsWith(u')') || kind.mid(3, 1) != QLatin1String("("))
                return Fail(QStringLiteral("hex(n): expected"));
            value->Type = kind.mid(4, kind.size() - 5).toUInt(&ok, 16);
            if (!ok)
                return Fail(QStringLiteral("hex(n): needs a hex type number"));
        }
        QString list = data.mid(colon + 1).trimmed();
        // A line ending in a backslash goes on in the next line.
        while (list.endsWith(u'\\')) {
            list.chop(1);
            if (m_index + 1 >= m_lines.size())
                return Fail(QStringLiteral("the file ends inside a hex value"));
            list += m_lines[++m_index].trimmed();
        }
        QStringList bytes = list.split(u',');
        if (!bytes.isEmpty() && bytes.constLast().trimmed().isEmpty())
            bytes.removeLast();
        for (const QString &byte : bytes) {
            const QString digits = byte.trimmed();
            bool ok = false;
            const uint number = digits.toUInt(&ok, 16);
            if (!ok || digits.isEmpty() || digits.size() > 2 || digits.startsWith(u'+'))
                return Fail(QStringLiteral("\"%1\" is not a hex byte").arg(digits));
            value->Data.append(char(number));
        }
        return true;
    }

    HKEY m_root;
    TRegTree *m_tree;
    QStringList m_lines;
    qsizetype m_index = 0;
    bool m_hasKey = false;
    QString m_key;
};

// One root's file: load, save, lock, and keeping a damaged file aside.
class TRootFile
{
public:
    explicit TRootFile(HKEY root) : m_root(root), m_fileName(RegRootFileName(root)) {}

    // Reads the tree. A file that does not parse is moved aside under the
    // lock (unless the caller holds it already) and the tree is empty.
    long Load(TRegTree *tree, bool locked)
    {
        long result = Read(tree);
        if (result != ERROR_BADDB)
            return result;
        if (locked)
            return KeepAside(tree);
        QLockFile lock(m_fileName + QStringLiteral(".lock"));
        if (!Lock(lock))
            return ERROR_CANTREAD;
        result = Read(tree); // another process may have replaced it meanwhile
        return result == ERROR_BADDB ? KeepAside(tree) : result;
    }

    long Save(const TRegTree &tree)
    {
        return WriteFileAtomically(m_fileName, Serialized(m_root, tree)) ? ERROR_SUCCESS : ERROR_CANTWRITE;
    }

    bool Lock(QLockFile &lock)
    {
        return QDir().mkpath(QFileInfo(m_fileName).path()) && lock.tryLock(kLockTimeoutMs);
    }

    QString LockName() const { return m_fileName + QStringLiteral(".lock"); }

private:
    long Read(TRegTree *tree)
    {
        tree->clear();
        (*tree)[QString()]; // the root always exists
        QFile file(m_fileName);
        if (!file.exists())
            return ERROR_SUCCESS;
        if (!file.open(QIODevice::ReadOnly))
            return ERROR_CANTREAD;
        TParser parser(m_root, tree);
        if (parser.Parse(file.readAll()))
            return ERROR_SUCCESS;
        m_parseError = parser.Error;
        tree->clear();
        (*tree)[QString()];
        return ERROR_BADDB;
    }

    long KeepAside(TRegTree *tree)
    {
        const QString stem = m_fileName + QStringLiteral(".damaged-")
                             + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
        QString aside = stem;
        for (int n = 2; QFileInfo::exists(aside); ++n)
            aside = stem + QStringLiteral("-%1").arg(n);
        if (!QFile::rename(m_fileName, aside)) {
            qWarning("Registry file %s does not parse (%s) and cannot be moved aside",
                     qPrintable(m_fileName), qPrintable(m_parseError));
            return ERROR_BADDB;
        }
        qWarning("Registry file %s does not parse (%s); kept as %s, starting empty",
                 qPrintable(m_fileName), qPrintable(m_parseError), qPrintable(aside));
        tree->clear();
        (*tree)[QString()];
        return ERROR_SUCCESS;
    }

    HKEY m_root;
    QString m_fileName;
    QString m_parseError;
};

// Runs change on the root's tree under its lock and saves the result when
// change asks for it (returns true in *save).
template <typename Change>
long Modify(HKEY root, Change change)
{
    TRootFile file(root);
    QLockFile lock(file.LockName());
    if (!file.Lock(lock))
        return ERROR_CANTWRITE;
    TRegTree tree;
    long result = file.Load(&tree, true);
    if (result != ERROR_SUCCESS)
        return result;
    bool save = false;
    result = change(tree, &save);
    if (result == ERROR_SUCCESS && save)
        result = file.Save(tree);
    return result;
}

// The start both opening and creating a key share: the parent handle, the
// subkey's names (badPath when they do not split) and the root's tree as it
// is now, which must still hold the parent.
long BeginKeyLookup(HKEY key, const QString &subKey, HKEY *result, long badPath, THandle *parent,
                    QStringList *names, TRegTree *tree)
{
    if (!result)
        return ERROR_INVALID_PARAMETER;
    *result = 0;
    if (!Resolve(key, parent))
        return ERROR_INVALID_HANDLE;
    if (!SplitKeyPath(subKey, names))
        return badPath;
    const long code = TRootFile(parent->Root).Load(tree, false);
    if (code != ERROR_SUCCESS)
        return code;
    return tree->contains(Folded(parent->Path)) ? ERROR_SUCCESS : ERROR_KEY_DELETED;
}

} // namespace

long RegCreateKeyEx(HKEY key, const QString &subKey, HKEY *result, quint32 *disposition)
{
    THandle parent;
    QStringList names;
    TRegTree tree;
    long code = BeginKeyLookup(key, subKey, result, ERROR_INVALID_PARAMETER, &parent, &names, &tree);
    if (code != ERROR_SUCCESS)
        return code;
    names = QStringList(parent.Path.split(u'\\', Qt::SkipEmptyParts)) + names;
    const QString folded = Folded(names.join(u'\\'));

    // Opening an existing key needs no lock and no write.
    bool created = false;
    QString path;
    if (tree.contains(folded)) {
        path = tree[folded].Path;
    } else {
        code = Modify(parent.Root, [&](TRegTree &current, bool *save) {
            if (!current.contains(Folded(parent.Path)))
                return ERROR_KEY_DELETED;
            created = !current.contains(folded);
            path = EnsureKey(current, names).Path;
            *save = created;
            return ERROR_SUCCESS;
        });
        if (code != ERROR_SUCCESS)
            return code;
    }
    if (disposition)
        *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    *result = NewHandle(parent.Root, path);
    return ERROR_SUCCESS;
}

long RegOpenKeyEx(HKEY key, const QString &subKey, HKEY *result)
{
    THandle parent;
    QStringList names;
    TRegTree tree;
    const long code = BeginKeyLookup(key, subKey, result, ERROR_FILE_NOT_FOUND, &parent, &names, &tree);
    if (code != ERROR_SUCCESS)
        return code;
    const auto it = tree.constFind(Folded(JoinPath(parent.Path, names.join(u'\\'))));
    if (it == tree.constEnd())
        return ERROR_FILE_NOT_FOUND;
    *result = NewHandle(parent.Root, it->Path);
    return ERROR_SUCCESS;
}

long RegQueryValueEx(HKEY key, const QString &valueName, quint32 *type, void *data, quint32 *size)
{
    if (data && !size)
        return ERROR_INVALID_PARAMETER;
    QByteArray value;
    quint32 valueType = REG_NONE;
    const long code = RegQueryValueEx(key, valueName, &valueType, &value);
    if (code != ERROR_SUCCESS)
        return code;
    if (type)
        *type = valueType;
    const quint32 needed = quint32(value.size());
    if (data && *size < needed) {
        *size = needed;
        return ERROR_MORE_DATA;
    }
    if (data && needed > 0)
        std::memcpy(data, value.constData(), needed);
    if (size)
        *size = needed;
    return ERROR_SUCCESS;
}

long RegQueryValueEx(HKEY key, const QString &valueName, quint32 *type, QByteArray *data)
{
    THandle handle;
    if (!Resolve(key, &handle))
        return ERROR_INVALID_HANDLE;
    TRegTree tree;
    const long code = TRootFile(handle.Root).Load(&tree, false);
    if (code != ERROR_SUCCESS)
        return code;
    const auto it = tree.find(Folded(handle.Path));
    if (it == tree.end())
        return ERROR_KEY_DELETED;
    const TRegValue *value = FindValue(*it, valueName);
    if (!value)
        return ERROR_FILE_NOT_FOUND;
    if (type)
        *type = value->Type;
    if (data)
        *data = value->Data;
    return ERROR_SUCCESS;
}

long RegSetValueEx(HKEY key, const QString &valueName, quint32 type, const QByteArray &data)
{
    THandle handle;
    if (!Resolve(key, &handle))
        return ERROR_INVALID_HANDLE;
    // A line break would end the value's line in the file.
    if (HasLineBreak(valueName))
        return ERROR_INVALID_PARAMETER;
    return Modify(handle.Root, [&](TRegTree &tree, bool *save) {
        const auto it = tree.find(Folded(handle.Path));
        if (it == tree.end())
            return ERROR_KEY_DELETED;
        TRegValue *value = FindValue(*it, valueName);
        if (value && value->Type == type && value->Data == data)
            return ERROR_SUCCESS;
        if (value) {
            value->Type = type;
            value->Data = data;
        } else {
            it->Values.append({valueName, type, data});
        }
        *save = true;
        return ERROR_SUCCESS;
    });
}

long RegCloseKey(HKEY key)
{
    if (IsPredefinedRoot(key))
        return ERROR_SUCCESS;
    QMutexLocker locker(&g_handleMutex);
    return g_handles.remove(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

QByteArray RegStringData(const QString &text)
{
    QByteArray data = text.toUtf8();
    data.append('\0');
    return data;
}

QByteArray RegDwordData(quint32 value)
{
    const quint32 little = qToLittleEndian(value);
    return QByteArray(reinterpret_cast<const char *>(&little), 4);
}

QString RegRootName(HKEY root)
{
    switch (root) {
    case HKEY_CLASSES_ROOT:
        return QStringLiteral("HKEY_CLASSES_ROOT");
    case HKEY_CURRENT_USER:
        return QStringLiteral("HKEY_CURRENT_USER");
    case HKEY_LOCAL_MACHINE:
        return QStringLiteral("HKEY_LOCAL_MACHINE");
    case HKEY_USERS:
        return QStringLiteral("HKEY_USERS");
    case HKEY_CURRENT_CONFIG:
        return QStringLiteral("HKEY_CURRENT_CONFIG");
    case HKEY_DYN_DATA:
        return QStringLiteral("HKEY_DYN_DATA");
    default:
        return QString();
    }
}

QString RegRootFileName(HKEY root)
{
    const QString name = RegRootName(root);
    if (name.isEmpty())
        return QString();
    // Looked up on every call, so that a changed XDG_CONFIG_HOME takes effect.
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
           + QStringLiteral("/glimra/") + name + QStringLiteral(".reg");
}
