#include "settings/MyRegistry.h"

#include "platform/Errors.h"
#include "platform/Registry.h"
#include "support/ScriptedDialogs.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kPath = QStringLiteral("\\Software\\Torvane\\Glimra 5.0");
const QString kKey = QStringLiteral("Software\\Torvane\\Glimra 5.0\\Misc");
const QString kMisc = QStringLiteral("Misc");

// Puts a value below HKEY_CURRENT_USER directly, bypassing the store.
void Store(const QString &path, const QString &name, quint32 type, const QByteArray &data)
{
    HKEY key = 0;
    QCOMPARE(RegCreateKeyEx(HKEY_CURRENT_USER, path, &key), ERROR_SUCCESS);
    QCOMPARE(RegSetValueEx(key, name, type, data), ERROR_SUCCESS);
    RegCloseKey(key);
}

bool KeyExists(HKEY root, const QString &path)
{
    HKEY key = 0;
    if (RegOpenKeyEx(root, path, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

QString FileText(const QString &fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

class TestMyRegistry : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void openFailures_data();
    void openFailures();
    void registryRoundTrip();
    void registryReadFailures_data();
    void registryReadFailures();
    void canCreate();
    void iniMode();
    void iniIntegers_data();
    void iniIntegers();
    void iniWriteFailureGoesToTheCaller();
    void modeIsLatchedAtOpen();
    void rootKeys_data();
    void rootKeys();
    void withoutBackend();

private:
    // A store set up as the program's "Reg" is, opened on the registry.
    TMyRegistry *ProgramStore();

    QTemporaryDir m_config;
    QObject m_owner;
};

void TestMyRegistry::initTestCase()
{
    QVERIFY(m_config.isValid());
    qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
}

void TestMyRegistry::init()
{
    QDir(m_config.path()).removeRecursively();
    QDir().mkpath(m_config.path());
    qDeleteAll(m_owner.children());
}

TMyRegistry *TestMyRegistry::ProgramStore()
{
    auto *store = new TMyRegistry(&m_owner);
    store->setObjectName(QStringLiteral("Reg"));
    store->SetRegPath(kPath);
    store->SetRootKey(TMyRegistry::kHKEY_CURRENT_USER);
    store->SetCanCreate(true);
    return store;
}

void TestMyRegistry::openFailures_data()
{
    QTest::addColumn<bool>("ini");
    QTest::addColumn<QString>("name"); // INIFile or RegPath
    QTest::addColumn<QString>("message");

    QTest::newRow("blank INIFile") << true << "   " << "INI file does not exist !!";
    QTest::newRow("empty INIFile") << true << "" << "INI file does not exist !!";
    QTest::newRow("blank RegPath") << false << " \t " << "You must insert a registry string !!";
    QTest::newRow("empty RegPath") << false << "" << "You must insert a registry string !!";
}

void TestMyRegistry::openFailures()
{
    QFETCH(bool, ini);
    QFETCH(QString, name);
    QFETCH(QString, message);

    for (const bool handled : {false, true}) {
        ScriptedDialogs dialogs;
        TMyRegistry store(&m_owner);
        store.SetSaveToINI(ini);
        ini ? store.SetINIFile(name) : store.SetRegPath(name);
        std::unique_ptr<QSignalSpy> spy;
        if (handled)
            spy = std::make_unique<QSignalSpy>(&store, &TMyRegistry::OnError);

        store.Open();
        if (handled) {
            QCOMPARE(spy->count(), 1);
            QCOMPARE(spy->at(0).at(0).value<TMyRegistry *>(), &store);
            QCOMPARE(spy->at(0).at(1).toBool(), true);
            QCOMPARE(spy->at(0).at(2).toString(), message);
            QVERIFY(dialogs.Log.isEmpty());
        } else {
            QCOMPARE(dialogs.Log.size(), 1);
            QCOMPARE(dialogs.Log[0].Kind, QStringLiteral("Warning"));
            QCOMPARE(dialogs.Log[0].Caption, QStringLiteral("Error"));
            QCOMPARE(dialogs.Log[0].Text, message);
        }
        QCOMPARE(store.RegPath(), ini ? QString() : name); // no backslash added
        // No backend: reads give their defaults.
        QCOMPARE(store.ReadString(kMisc, QStringLiteral("a"), QStringLiteral("d")), QStringLiteral("d"));
        QCOMPARE(store.ReadInteger(kMisc, QStringLiteral("a"), 7), 7);
    }
}

void TestMyRegistry::registryRoundTrip()
{
    ScriptedDialogs dialogs;
    TMyRegistry *store = ProgramStore();
    store->Open();
    QCOMPARE(store->RegPath(), kPath + u'\\'); // one backslash added
    store->WriteString(QStringLiteral("Font"), QStringLiteral("Name"), QStringLiteral("Lucida Console ANSI"));
    store->WriteInteger(QStringLiteral("Colors"), QStringLiteral("Back"), qint32(0x80000010u));
    store->WriteInteger(QStringLiteral("Font"), QStringLiteral("Size"), -9);
    store->WriteBool(kMisc, QStringLiteral("StatusBar"), true);
    store->WriteBool(kMisc, QStringLiteral("ToolBar"), false);
    store->WriteString(QStringLiteral("Deep\\Er"), QStringLiteral("x"), QStringLiteral("nested"));
    store->Close();

    const QString text = FileText(RegRootFileName(HKEY_CURRENT_USER));
    QVERIFY(text.contains(QStringLiteral("[HKEY_CURRENT_USER\\Software\\Torvane\\Glimra 5.0\\Colors]\n"
                                         "\"Back\"=dword:80000010\n")));
    QVERIFY(text.contains(QStringLiteral("\"Name\"=\"Lucida Console ANSI\"\n")));
    QVERIFY(text.contains(QStringLiteral("\"StatusBar\"=dword:00000001\n\"ToolBar\"=dword:00000000\n")));
    QVERIFY(text.contains(QStringLiteral("[HKEY_CURRENT_USER\\Software\\Torvane\\Glimra 5.0\\Deep\\Er]\n")));

    store->Open();
    QCOMPARE(store->RegPath(), kPath + u'\\'); // and no second one
    QCOMPARE(store->ReadString(QStringLiteral("Font"), QStringLiteral("Name"), QString()),
             QStringLiteral("Lucida Console ANSI"));
    QCOMPARE(store->ReadInteger(QStringLiteral("Colors"), QStringLiteral("Back"), 0), qint32(0x80000010u));
    QCOMPARE(store->ReadInteger(QStringLiteral("Font"), QStringLiteral("Size"), 0), -9);
    QCOMPARE(store->ReadBool(kMisc, QStringLiteral("StatusBar"), false), true);
    QCOMPARE(store->ReadBool(kMisc, QStringLiteral("ToolBar"), true), false);
    QCOMPARE(store->ReadString(QStringLiteral("deep\\er"), QStringLiteral("X"), QString()), QStringLiteral("nested"));
    store->Close();

    // Without the leading backslash the path is below the root key all the same.
    store->SetRegPath(QStringLiteral("Software\\Torvane\\Glimra 5.0\\"));
    store->Open();
    QCOMPARE(store->ReadInteger(QStringLiteral("font"), QStringLiteral("SIZE"), 0), -9);
    store->Close();
    QVERIFY(dialogs.Log.isEmpty());
}

void TestMyRegistry::registryReadFailures_data()
{
    QTest::addColumn<quint32>("type"); // REG_NONE: nothing stored
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("read"); // "String", "Integer" or "Bool"
    QTest::addColumn<QString>("result");
    QTest::addColumn<QString>("message"); // empty: no error

    const QByteArray none;
    QTest::newRow("first use, string") << REG_NONE << none << "String" << "dflt" << "Value not found !!";
    QTest::newRow("first use, integer") << REG_NONE << none << "Integer" << "42" << "Failed to get data for 'V'";
    QTest::newRow("first use, bool") << REG_NONE << none << "Bool" << "true" << "Failed to get data for 'V'";
    QTest::newRow("empty string") << REG_SZ << RegStringData(QString()) << "String" << "dflt" << "Value not found !!";
    QTest::newRow("zero-size string") << REG_SZ << QByteArray("") << "String" << "dflt" << "Value not found !!";
    QTest::newRow("string of a NUL first") << REG_SZ << QByteArray("\0ab\0", 4) << "String" << "dflt"
                                           << "Value not found !!";
    QTest::newRow("text ends at its NUL") << REG_SZ << QByteArray("ab\0cd\0", 6) << "String" << "ab" << "";
    QTest::newRow("expand string not expanded")
        << REG_EXPAND_SZ << RegStringData(QStringLiteral("%HOME%")) << "String" << "%HOME%" << "";
    QTest::newRow("dword read as string") << REG_DWORD << RegDwordData(5) << "String" << "dflt"
                                          << "Invalid data type for 'V'";
    QTest::newRow("short string read as integer") << REG_SZ << RegStringData(QStringLiteral("12")) << "Integer" << "42"
                                                  << "Invalid data type for 'V'";
    QTest::newRow("long string read as integer") << REG_SZ << RegStringData(QStringLiteral("12345")) << "Integer"
                                                 << "42" << "Failed to get data for 'V'";
    QTest::newRow("binary read as integer") << REG_BINARY << QByteArray(4, '\1') << "Integer" << "42"
                                            << "Invalid data type for 'V'";
    QTest::newRow("dword 2 is true") << REG_DWORD << RegDwordData(2) << "Bool" << "true" << "";
    QTest::newRow("dword 0 is false") << REG_DWORD << RegDwordData(0) << "Bool" << "false" << "";
    QTest::newRow("string read as bool") << REG_SZ << RegStringData(QStringLiteral("1")) << "Bool" << "true"
                                         << "Invalid data type for 'V'";
}

void TestMyRegistry::registryReadFailures()
{
    QFETCH(quint32, type);
    QFETCH(QByteArray, data);
    QFETCH(QString, read);
    QFETCH(QString, result);
    QFETCH(QString, message);

    if (type != REG_NONE)
        Store(kKey, QStringLiteral("V"), type, data);
    // The defaults differ from any stored value, so a default is told apart.
    auto readOnce = [&](TMyRegistry *store) {
        if (read == QLatin1String("String"))
            return store->ReadString(kMisc, QStringLiteral("V"), QStringLiteral("dflt"));
        if (read == QLatin1String("Integer"))
            return QString::number(store->ReadInteger(kMisc, QStringLiteral("V"), 42));
        // A read that works must not give its default by chance.
        const bool expected = result == QLatin1String("true");
        const bool fallback = message.isEmpty() ? !expected : expected;
        return QVariant(store->ReadBool(kMisc, QStringLiteral("V"), fallback)).toString();
    };

    ScriptedDialogs dialogs;
    TMyRegistry *store = ProgramStore();
    store->Open();
    QCOMPARE(readOnce(store), result);
    QVERIFY(dialogs.Log.isEmpty()); // read failures are silent without a handler

    QSignalSpy spy(store, &TMyRegistry::OnError);
    QCOMPARE(readOnce(store), result);
    store->Close();
    QCOMPARE(spy.count(), message.isEmpty() ? 0 : 1);
    if (!message.isEmpty()) {
        QCOMPARE(spy[0][1].toBool(), false);
        QCOMPARE(spy[0][2].toString(), message);
    }
}

void TestMyRegistry::canCreate()
{
    ScriptedDialogs dialogs;
    TMyRegistry *store = ProgramStore();
    store->SetCanCreate(false);
    store->Open();
    store->WriteString(kMisc, QStringLiteral("Name"), QStringLiteral("x"));
    store->WriteInteger(kMisc, QStringLiteral("Size"), 1);
    store->WriteBool(kMisc, QStringLiteral("Flag"), true);
    QCOMPARE(store->ReadInteger(kMisc, QStringLiteral("Size"), 3), 3);
    QCOMPARE(dialogs.Texts(QStringLiteral("Warning")),
             QStringList({"Failed to set data for 'Name'", "Failed to set data for 'Size'",
                          "Failed to set data for 'Flag'"}));
    QCOMPARE(dialogs.Log[0].Caption, QStringLiteral("Error"));
    QVERIFY(!KeyExists(HKEY_CURRENT_USER, kKey));

    // With a handler the write failure arrives there as a box message.
    {
        QSignalSpy spy(store, &TMyRegistry::OnError);
        store->WriteInteger(kMisc, QStringLiteral("Size"), 1);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy[0][1].toBool(), true);
        QCOMPARE(spy[0][2].toString(), QStringLiteral("Failed to set data for 'Size'"));
        QCOMPARE(dialogs.Log.size(), 3);
    }

    // Creating: a read alone brings the key into being.
    store->SetCanCreate(true);
    QCOMPARE(store->ReadInteger(kMisc, QStringLiteral("Size"), 3), 3);
    QVERIFY(KeyExists(HKEY_CURRENT_USER, kKey));
    store->SetCanCreate(false);
    store->WriteInteger(kMisc, QStringLiteral("Size"), 4);
    QCOMPARE(store->ReadInteger(kMisc, QStringLiteral("Size"), 3), 4);
    store->Close();
    QCOMPARE(dialogs.Log.size(), 3);
}

void TestMyRegistry::iniMode()
{
    ScriptedDialogs dialogs;
    const QString file = m_config.filePath(QStringLiteral("store.ini"));
    TMyRegistry *store = ProgramStore();
    store->SetSaveToINI(true);
    store->SetINIFile(file);
    QSignalSpy spy(store, &TMyRegistry::OnError);
    store->Open();
    QCOMPARE(store->ReadString(kMisc, QStringLiteral("Name"), QStringLiteral("d")), QStringLiteral("d"));
    QVERIFY(!QFile::exists(file));
    store->WriteString(kMisc, QStringLiteral("Name"), QStringLiteral("Lucida"));
    store->WriteInteger(kMisc, QStringLiteral("Size"), -9);
    store->WriteBool(kMisc, QStringLiteral("Bar"), true);
    store->WriteBool(kMisc, QStringLiteral("Tool"), false);
    QCOMPARE(FileText(file), QStringLiteral("[Misc]\r\nName=Lucida\r\nSize=-9\r\nBar=1\r\nTool=0\r\n"));
    QCOMPARE(store->ReadString(QStringLiteral("misc"), QStringLiteral("name"), QString()), QStringLiteral("Lucida"));
    QCOMPARE(store->ReadInteger(kMisc, QStringLiteral("Size"), 0), -9);
    QCOMPARE(store->ReadBool(kMisc, QStringLiteral("Bar"), false), true);
    QCOMPARE(store->ReadBool(kMisc, QStringLiteral("Tool"), true), false);
    QCOMPARE(store->ReadBool(kMisc, QStringLiteral("Absent"), true), true);
    store->Close();
    QCOMPARE(spy.count(), 0); // INI mode has no error routing
    QVERIFY(dialogs.Log.isEmpty());
    QVERIFY(!QFile::exists(RegRootFileName(HKEY_CURRENT_USER)));
}

void TestMyRegistry::iniIntegers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("result"); // read with Default 77

    QTest::newRow("decimal") << "123" << 123;
    QTest::newRow("hex") << "0x1F" << 31;
    QTest::newRow("hex upper X") << "0X1f" << 31;
    QTest::newRow("hex, top bit") << "0x80000010" << qint32(0x80000010u);
    QTest::newRow("0x alone") << "0x" << 77;
    QTest::newRow("hex too long") << "0x100000000" << 77;
    QTest::newRow("trailing junk") << "12abc" << 77;
    QTest::newRow("empty") << "" << 77;
    QTest::newRow("out of range") << "2147483648" << 77;
    QTest::newRow("quoted") << "\"8\"" << 8;
}

void TestMyRegistry::iniIntegers()
{
    QFETCH(QString, text);
    QFETCH(int, result);

    const QString file = m_config.filePath(QStringLiteral("int.ini"));
    QFile out(file);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write("[S]\r\nk=" + text.toUtf8() + "\r\n");
    out.close();

    TMyRegistry store(&m_owner);
    store.SetSaveToINI(true);
    store.SetINIFile(file);
    store.Open();
    QCOMPARE(store.ReadInteger(QStringLiteral("S"), QStringLiteral("k"), 77), result);
    QCOMPARE(store.ReadBool(QStringLiteral("S"), QStringLiteral("k"), false), result != 0 && result != 77);
    store.Close();
}

void TestMyRegistry::iniWriteFailureGoesToTheCaller()
{
    ScriptedDialogs dialogs;
    const QString file = m_config.filePath(QStringLiteral("missing-dir/store.ini"));
    TMyRegistry store(&m_owner);
    store.SetSaveToINI(true);
    store.SetINIFile(file);
    QSignalSpy spy(&store, &TMyRegistry::OnError);
    store.Open();
    try {
        store.WriteInteger(QStringLiteral("S"), QStringLiteral("k"), 1);
        QFAIL("the failed write did not raise");
    } catch (const EGlimraError &error) {
        QCOMPARE(error.Message(), QStringLiteral("Unable to write to ") + file);
    }
    store.Close();
    QCOMPARE(spy.count(), 0);
    QVERIFY(dialogs.Log.isEmpty());
}

void TestMyRegistry::modeIsLatchedAtOpen()
{
    ScriptedDialogs dialogs;
    const QString file = m_config.filePath(QStringLiteral("latch.ini"));
    TMyRegistry *store = ProgramStore();
    store->SetINIFile(file);
    store->Open();
    store->SetSaveToINI(true);
    store->WriteInteger(kMisc, QStringLiteral("a"), 1);
    QCOMPARE(store->ReadInteger(kMisc, QStringLiteral("a"), 0), 1);
    store->Close();
    QVERIFY(!QFile::exists(file));
    QVERIFY(KeyExists(HKEY_CURRENT_USER, kKey));

    store->Open(); // now INI
    store->SetSaveToINI(false);
    QCOMPARE(store->ReadInteger(kMisc, QStringLiteral("a"), 0), 0);
    store->WriteInteger(kMisc, QStringLiteral("a"), 2);
    store->Close();
    QCOMPARE(FileText(file), QStringLiteral("[Misc]\r\na=2\r\n"));

    // A failed Open latches its mode too: INI with no file, so nothing reaches the registry.
    store->SetSaveToINI(true);
    store->SetINIFile(QStringLiteral(" "));
    store->Open();
    store->SetSaveToINI(false);
    QCOMPARE(store->ReadInteger(kMisc, QStringLiteral("a"), 0), 0);
    store->Close();
    QCOMPARE(dialogs.Texts(QStringLiteral("Warning")), QStringList({"INI file does not exist !!"}));
}

void TestMyRegistry::rootKeys_data()
{
    QTest::addColumn<int>("rootKey");
    QTest::addColumn<HKEY>("handle");

    QTest::newRow("classes root") << 0 << HKEY_CLASSES_ROOT;
    QTest::newRow("current user") << 1 << HKEY_CURRENT_USER;
    QTest::newRow("local machine") << 2 << HKEY_LOCAL_MACHINE;
    QTest::newRow("users") << 3 << HKEY_USERS;
    QTest::newRow("current config") << 4 << HKEY_CURRENT_CONFIG;
    QTest::newRow("dyn data") << 5 << HKEY_DYN_DATA;
    QTest::newRow("6 is local machine") << 6 << HKEY_LOCAL_MACHINE;
}

void TestMyRegistry::rootKeys()
{
    QFETCH(int, rootKey);
    QFETCH(HKEY, handle);

    ScriptedDialogs dialogs;
    TMyRegistry *store = ProgramStore();
    store->SetRootKey(TMyRegistry::HKeys(rootKey));
    QCOMPARE(store->RootKeyHandle(), handle);
    store->Open();
    store->WriteInteger(kMisc, QStringLiteral("a"), 1);
    store->Close();
    QVERIFY(KeyExists(handle, kKey));
    QVERIFY(dialogs.Log.isEmpty());
}

void TestMyRegistry::withoutBackend()
{
    ScriptedDialogs dialogs;
    TMyRegistry *store = ProgramStore();
    QSignalSpy spy(store, &TMyRegistry::OnError);
    for (int round = 0; round < 2; ++round) { // before the first Open, then after Close
        QCOMPARE(store->ReadString(kMisc, QStringLiteral("s"), QStringLiteral("d")), QStringLiteral("d"));
        QCOMPARE(store->ReadInteger(kMisc, QStringLiteral("i"), 5), 5);
        QCOMPARE(store->ReadBool(kMisc, QStringLiteral("b"), true), true);
        store->WriteInteger(kMisc, QStringLiteral("i"), 1);
        store->Close();
        store->Open();
        store->WriteInteger(kMisc, QStringLiteral("i"), 9);
        store->Open(); // again, without Close: still usable
        QCOMPARE(store->ReadInteger(kMisc, QStringLiteral("i"), 5), 9);
        store->Close();
        store->Close();
    }
    QCOMPARE(spy.count(), 8);
    QCOMPARE(spy[3][1].toBool(), true);
    QCOMPARE(spy[3][2].toString(), QStringLiteral("Failed to set data for 'i'"));
    QVERIFY(dialogs.Log.isEmpty());
}

QTEST_GUILESS_MAIN(TestMyRegistry)
#include "tst_myregistry.moc"
