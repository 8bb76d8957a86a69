#include "settings/MyRegistry.h"

#include "platform/Dialogs.h"
#include "platform/Errors.h"
#include "platform/PrivateProfile.h"

#include <QMetaMethod>
#include <QtEndian>
#include <cstring>

namespace {

const QString kFailedToSet = QStringLiteral("Failed to set data for '%1'");
const QString kFailedToGet = QStringLiteral("Failed to get data for '%1'");
const QString kInvalidType = QStringLiteral("Invalid data type for '%1'");
const QString kValueNotFound = QStringLiteral("Value not found !!");

// Closes a registry key when it goes out of scope.
class TKeyCloser
{
public:
    explicit TKeyCloser(HKEY key) : m_key(key) {}
    ~TKeyCloser()
    {
        if (m_key)
            RegCloseKey(m_key);
    }
    TKeyCloser(const TKeyCloser &) = delete;
    TKeyCloser &operator=(const TKeyCloser &) = delete;

private:
    HKEY m_key;
};

} // namespace

TMyRegistry::TMyRegistry(QObject *owner) : QObject(owner) {}

// The store holds no key between operations, so releasing the backend here
// only forgets it; done anyway so a store freed while open leaves nothing.
TMyRegistry::~TMyRegistry()
{
    Close();
}

QString TMyRegistry::Version() const
{
    return QStringLiteral("v1.01");
}

QString TMyRegistry::eMail() const
{
    return QStringLiteral("settings@glimra.example.org");
}

QString TMyRegistry::Homepage() const
{
    return QStringLiteral("https://glimra.example.org/");
}

HKEY TMyRegistry::RootKeyHandle() const
{
    switch (m_rootKey) {
    case kHKEY_CLASSES_ROOT:
        return HKEY_CLASSES_ROOT;
    case kHKEY_CURRENT_USER:
        return HKEY_CURRENT_USER;
    case kHKEY_USERS:
        return HKEY_USERS;
    case kHKEY_CURRENT_CONFIG:
        return HKEY_CURRENT_CONFIG;
    case kHKEY_DYN_DATA:
        return HKEY_DYN_DATA;
    case kHKEY_LOCAL_MACHINE:
    default:
        return HKEY_LOCAL_MACHINE;
    }
}

void TMyRegistry::Open()
{
    Close();
    m_latchedIni = m_saveToINI;
    if (m_latchedIni) {
        if (m_iniFile.trimmed().isEmpty()) {
            ReportError(true, QStringLiteral("INI file does not exist !!"));
            return;
        }
        // Bound exactly as stored; the file appears with the first write.
        m_backendFile = m_iniFile;
        m_backend = TBackend::Ini;
        return;
    }
    if (m_regPath.trimmed().isEmpty()) {
        ReportError(true, QStringLiteral("You must insert a registry string !!"));
        return;
    }
    m_backendRoot = RootKeyHandle();
    if (!m_regPath.endsWith(u'\\'))
        m_regPath += u'\\';
    m_backend = TBackend::Registry;
}

void TMyRegistry::Close()
{
    m_backend = TBackend::None;
    m_backendFile.clear();
    m_backendRoot = 0;
}

void TMyRegistry::ReportError(bool IsBox, const QString &Message)
{
    if (isSignalConnected(QMetaMethod::fromSignal(&TMyRegistry::OnError))) {
        emit OnError(this, IsBox, Message);
        return;
    }
    if (IsBox)
        TDialogs::Instance().Warning(nullptr, QStringLiteral("Error"), Message);
}

HKEY TMyRegistry::OpenSectionKey(const QString &Section) const
{
    QString path = m_regPath + Section;
    if (path.startsWith(u'\\'))
        path.remove(0, 1);
    HKEY key = 0;
    const long result = m_canCreate ? RegCreateKeyEx(m_backendRoot, path, &key)
                                    : RegOpenKeyEx(m_backendRoot, path, &key);
    return result == ERROR_SUCCESS ? key : 0;
}

void TMyRegistry::WriteRegistryValue(const QString &Section, const QString &Ident, quint32 type,
                                     const QByteArray &data)
{
    if (m_backend != TBackend::Registry) {
        ReportError(true, kFailedToSet.arg(Ident));
        return;
    }
    const HKEY key = OpenSectionKey(Section);
    const TKeyCloser closer(key);
    // A key that failed to open is a handle the store call rejects.
    if (RegSetValueEx(key, Ident, type, data) != ERROR_SUCCESS)
        ReportError(true, kFailedToSet.arg(Ident));
}

void TMyRegistry::WriteIni(const QString &Section, const QString &Ident, const QString &Value)
{
    if (m_backend != TBackend::Ini) {
        ReportError(true, kFailedToSet.arg(Ident));
        return;
    }
    if (!WritePrivateProfileString(Section, Ident, Value, m_backendFile))
        throw EGlimraError(QStringLiteral("Unable to write to %1").arg(m_backendFile));
}

namespace {

QString KnownKey(const QString &Section, const QString &Ident)
{
    return Section.toLower() + u'\n' + Ident.toLower();
}

QString BoolText(bool value)
{
    return value ? QStringLiteral("1") : QStringLiteral("0");
}

} // namespace

void TMyRegistry::Remember(const QString &Section, const QString &Ident, const QString &Text, bool Stored)
{
    m_known.insert(KnownKey(Section, Ident), {Text, Stored});
}

bool TMyRegistry::IsKnown(const QString &Section, const QString &Ident, const QString &Text) const
{
    const auto it = m_known.constFind(KnownKey(Section, Ident));
    return it != m_known.cend() && it->Stored && it->Text == Text;
}

void TMyRegistry::WriteStringIfChanged(const QString &Section, const QString &Ident, const QString &Value)
{
    if (!IsKnown(Section, Ident, Value))
        WriteString(Section, Ident, Value);
}

void TMyRegistry::WriteIntegerIfChanged(const QString &Section, const QString &Ident, qint32 Value)
{
    if (!IsKnown(Section, Ident, QString::number(Value)))
        WriteInteger(Section, Ident, Value);
}

void TMyRegistry::WriteBoolIfChanged(const QString &Section, const QString &Ident, bool Value)
{
    if (!IsKnown(Section, Ident, BoolText(Value)))
        WriteBool(Section, Ident, Value);
}

void TMyRegistry::WriteString(const QString &Section, const QString &Ident, const QString &Value)
{
    if (m_latchedIni)
        WriteIni(Section, Ident, Value);
    else
        WriteRegistryValue(Section, Ident, REG_SZ, RegStringData(Value));
    Remember(Section, Ident, Value, true);
}

void TMyRegistry::WriteInteger(const QString &Section, const QString &Ident, qint32 Value)
{
    if (m_latchedIni)
        WriteIni(Section, Ident, QString::number(Value));
    else
        WriteRegistryValue(Section, Ident, REG_DWORD, RegDwordData(quint32(Value)));
    Remember(Section, Ident, QString::number(Value), true);
}

void TMyRegistry::WriteBool(const QString &Section, const QString &Ident, bool Value)
{
    if (m_latchedIni)
        WriteIni(Section, Ident, Value ? QStringLiteral("1") : QStringLiteral("0"));
    else
        WriteRegistryValue(Section, Ident, REG_DWORD, RegDwordData(Value ? 1 : 0));
    Remember(Section, Ident, BoolText(Value), true);
}

QString TMyRegistry::ReadString(const QString &Section, const QString &Ident, const QString &Default)
{
    bool stored = false;
    const QString value = ReadStringValue(Section, Ident, Default, &stored);
    Remember(Section, Ident, value, stored);
    return value;
}

QString TMyRegistry::ReadStringValue(const QString &Section, const QString &Ident, const QString &Default, bool *stored)
{
    if (m_backend == TBackend::Ini) {
        const QString value = GetPrivateProfileString(Section, Ident, QString(), m_backendFile);
        *stored = !value.isEmpty();
        return *stored ? value : GetPrivateProfileString(Section, Ident, Default, m_backendFile);
    }
    if (m_backend != TBackend::Registry) {
        ReportError(false, kFailedToGet.arg(Ident));
        return Default;
    }

    const HKEY key = OpenSectionKey(Section);
    const TKeyCloser closer(key);
    quint32 type = REG_NONE;
    quint32 size = 0;
    QString text;
    if (RegQueryValueEx(key, Ident, &type, nullptr, &size) == ERROR_SUCCESS && size > 0) {
        QByteArray data;
        if (RegQueryValueEx(key, Ident, &type, &data) != ERROR_SUCCESS) {
            ReportError(false, kFailedToGet.arg(Ident));
            return Default;
        }
        if (type != REG_SZ && type != REG_EXPAND_SZ) {
            ReportError(false, kInvalidType.arg(Ident));
            return Default;
        }
        const qsizetype nul = data.indexOf('\0');
        text = QString::fromUtf8(nul < 0 ? data : data.left(nul));
    }
    if (text.isEmpty()) {
        ReportError(false, kValueNotFound);
        return Default;
    }
    *stored = true;
    return text;
}

bool TMyRegistry::ReadRegistryInteger(const QString &Section, const QString &Ident, qint32 *value)
{
    if (m_backend != TBackend::Registry) {
        ReportError(false, kFailedToGet.arg(Ident));
        return false;
    }
    const HKEY key = OpenSectionKey(Section);
    const TKeyCloser closer(key);
    quint32 type = REG_NONE;
    char buffer[4] = {};
    quint32 size = sizeof buffer;
    if (RegQueryValueEx(key, Ident, &type, buffer, &size) != ERROR_SUCCESS) {
        ReportError(false, kFailedToGet.arg(Ident));
        return false;
    }
    if (type != REG_DWORD) {
        ReportError(false, kInvalidType.arg(Ident));
        return false;
    }
    quint32 number = 0;
    std::memcpy(&number, buffer, sizeof number);
    *value = qint32(qFromLittleEndian(number));
    return true;
}

qint32 TMyRegistry::ReadIniInteger(const QString &Section, const QString &Ident, qint32 Default, bool *stored)
{
    const QString text = GetPrivateProfileString(Section, Ident, QString(), m_backendFile);
    bool ok = false;
    qint32 value = 0;
    if (text.size() > 2 && (text.startsWith(QLatin1String("0x")) || text.startsWith(QLatin1String("0X")))) {
        // Hex covers the full 32 bits, so colours such as 0x80000010 read back.
        const QString digits = text.mid(2);
        const quint32 number = digits.toUInt(&ok, 16);
        ok = ok && digits.size() <= 8 && !digits.startsWith(u'+') && !digits.startsWith(u'-');
        value = qint32(number);
    } else {
        value = text.toInt(&ok, 10);
    }
    *stored = ok;
    return ok ? value : Default;
}

qint32 TMyRegistry::ReadInteger(const QString &Section, const QString &Ident, qint32 Default)
{
    bool stored = false;
    qint32 value = 0;
    if (m_backend == TBackend::Ini)
        value = ReadIniInteger(Section, Ident, Default, &stored);
    else
        value = (stored = ReadRegistryInteger(Section, Ident, &value)) ? value : Default;
    Remember(Section, Ident, QString::number(value), stored);
    return value;
}

bool TMyRegistry::ReadBool(const QString &Section, const QString &Ident, bool Default)
{
    bool stored = false;
    bool value = Default;
    qint32 number = 0;
    if (m_backend == TBackend::Ini)
        value = ReadIniInteger(Section, Ident, Default ? 1 : 0, &stored) != 0;
    else if ((stored = ReadRegistryInteger(Section, Ident, &number)))
        value = number != 0;
    Remember(Section, Ident, BoolText(value), stored);
    return value;
}
