#pragma once
// The settings store: typed values by section and name, kept in the registry
// below RootKey and RegPath, or in the INI file INIFile. Registry errors never
// escape: they go to OnError, or to an "Error" box (open and write failures),
// and a failed read returns the caller's default.

#include <QHash>
#include <QObject>
#include <QString>

#include "platform/Registry.h"

class TMyRegistry : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool SaveToINI READ SaveToINI WRITE SetSaveToINI)
    // A bare name (no directory part) means a file in the per-user config
    // directory, $XDG_CONFIG_HOME/glimra/, where Windows would use its own
    // directory; see PrivateProfilePath().
    Q_PROPERTY(QString INIFile READ INIFile WRITE SetINIFile)
    Q_PROPERTY(QString RegPath READ RegPath WRITE SetRegPath)
    Q_PROPERTY(HKeys RootKey READ RootKey WRITE SetRootKey)
    Q_PROPERTY(bool CanCreate READ CanCreate WRITE SetCanCreate)
    // Informational; assignments are accepted and ignored.
    Q_PROPERTY(QString Version READ Version WRITE SetVersion)
    Q_PROPERTY(QString eMail READ eMail WRITE SeteMail)
    Q_PROPERTY(QString Homepage READ Homepage WRITE SetHomepage)

public:
    enum HKeys : quint8 {
        kHKEY_CLASSES_ROOT,
        kHKEY_CURRENT_USER,
        kHKEY_LOCAL_MACHINE,
        kHKEY_USERS,
        kHKEY_CURRENT_CONFIG,
        kHKEY_DYN_DATA,
    };
    Q_ENUM(HKeys)

    explicit TMyRegistry(QObject *owner = nullptr);
    ~TMyRegistry() override;

    bool SaveToINI() const { return m_saveToINI; }
    void SetSaveToINI(bool value) { m_saveToINI = value; }
    QString INIFile() const { return m_iniFile; }
    void SetINIFile(const QString &value) { m_iniFile = value; }
    QString RegPath() const { return m_regPath; }
    void SetRegPath(const QString &value) { m_regPath = value; }
    HKeys RootKey() const { return m_rootKey; }
    void SetRootKey(HKeys value) { m_rootKey = value; }
    bool CanCreate() const { return m_canCreate; }
    void SetCanCreate(bool value) { m_canCreate = value; }
    QString Version() const;
    void SetVersion(const QString &) {}
    QString eMail() const;
    void SeteMail(const QString &) {}
    QString Homepage() const;
    void SetHomepage(const QString &) {}

    // Creates the backend chosen by SaveToINI and latches that mode until the
    // next Open. A backend still open is released first.
    void Open();
    // Releases the backend; does nothing when there is none.
    void Close();

    // In INI mode a failed write throws EGlimraError "Unable to write to %s".
    void WriteString(const QString &Section, const QString &Ident, const QString &Value);
    void WriteInteger(const QString &Section, const QString &Ident, qint32 Value);
    void WriteBool(const QString &Section, const QString &Ident, bool Value);
    QString ReadString(const QString &Section, const QString &Ident, const QString &Default);
    qint32 ReadInteger(const QString &Section, const QString &Ident, qint32 Default);
    bool ReadBool(const QString &Section, const QString &Ident, bool Default);

    // Write only when the value differs from what this store last read or
    // wrote under that name, or when the read found nothing stored. Another
    // running copy's changes to the other values then survive.
    void WriteStringIfChanged(const QString &Section, const QString &Ident, const QString &Value);
    void WriteIntegerIfChanged(const QString &Section, const QString &Ident, qint32 Value);
    void WriteBoolIfChanged(const QString &Section, const QString &Ident, bool Value);

    // The predefined root for RootKey; any value outside the enumeration
    // stands for HKEY_LOCAL_MACHINE.
    HKEY RootKeyHandle() const;

signals:
    // Every error the store reports itself. While anything is connected no
    // box is shown: the receiver decides.
    void OnError(TMyRegistry *Sender, bool IsBox, const QString &EMessage);

protected:
    void ReportError(bool IsBox, const QString &Message);

private:
    enum class TBackend { None, Ini, Registry };

    // The section's key, opened or created as CanCreate says; 0 on failure.
    HKEY OpenSectionKey(const QString &Section) const;
    void WriteRegistryValue(const QString &Section, const QString &Ident, quint32 type, const QByteArray &data);
    // Reads Ident as a REG_DWORD; false (with the error reported) on failure.
    bool ReadRegistryInteger(const QString &Section, const QString &Ident, qint32 *value);
    void WriteIni(const QString &Section, const QString &Ident, const QString &Value);
    QString ReadStringValue(const QString &Section, const QString &Ident, const QString &Default, bool *stored);
    qint32 ReadIniInteger(const QString &Section, const QString &Ident, qint32 Default, bool *stored);

    // What this store last read or wrote under a name, as text; Stored is
    // false when a read fell back to the caller's default.
    struct TKnownValue
    {
        QString Text;
        bool Stored = false;
    };
    void Remember(const QString &Section, const QString &Ident, const QString &Text, bool Stored);
    bool IsKnown(const QString &Section, const QString &Ident, const QString &Text) const;

    bool m_saveToINI = false;
    QString m_iniFile;
    QString m_regPath;
    HKeys m_rootKey = kHKEY_LOCAL_MACHINE;
    bool m_canCreate = false;

    bool m_latchedIni = false;        // the mode of the last Open
    TBackend m_backend = TBackend::None;
    QString m_backendFile;            // the INI backend's file, bound at Open
    HKEY m_backendRoot = 0;           // the registry backend's root, bound at Open
    QHash<QString, TKnownValue> m_known; // by lower-case "section\nname"
};
