#include "platform/Registry.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

namespace {

const char *const kWriterVariable = "GLIMRA_REG_WRITER";
const char *const kStartVariable = "GLIMRA_REG_WRITER_START"; // when the children begin, in ms since the epoch
constexpr int kWritesPerChild = 20;

QString HkcuFile()
{
    return RegRootFileName(HKEY_CURRENT_USER);
}

QString ReadText(const QString &fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

void WriteText(const QString &fileName, const QByteArray &text)
{
    QDir().mkpath(QFileInfo(fileName).path());
    QFile file(fileName);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
}

HKEY Create(const QString &path)
{
    HKEY key = 0;
    const long result = RegCreateKeyEx(HKEY_CURRENT_USER, path, &key);
    return result == ERROR_SUCCESS ? key : 0;
}

// Creates or opens the key, sets the value and closes the key again.
long Set(const QString &path, const QString &name, quint32 type, const QByteArray &data)
{
    const HKEY key = Create(path);
    if (!key)
        return ERROR_CANTWRITE;
    const long result = RegSetValueEx(key, name, type, data);
    RegCloseKey(key);
    return result;
}

// The whole value, or a null array when the query fails.
QByteArray Query(const QString &path, const QString &name, quint32 *type = nullptr)
{
    HKEY key = 0;
    if (RegOpenKeyEx(HKEY_CURRENT_USER, path, &key) != ERROR_SUCCESS)
        return QByteArray();
    QByteArray data;
    const long result = RegQueryValueEx(key, name, type, &data);
    RegCloseKey(key);
    return result == ERROR_SUCCESS ? (data.isNull() ? QByteArray("") : data) : QByteArray();
}

} // namespace

class TestRegistry : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void keysAreCreatedOpenedAndMatchedWithoutCase();
    void valuesAreStoredInTheirFileForm_data();
    void valuesAreStoredInTheirFileForm();
    void textRoundTrips_data();
    void textRoundTrips();
    void querySizesAndBuffers();
    void handEditedFileIsRead_data();
    void handEditedFileIsRead();
    void damagedFileIsKeptAside_data();
    void damagedFileIsKeptAside();
    void changesOfAnotherWriterAreSeen();
    void concurrentWritersLoseNothing();
    void handles();
    void unwritableDirectoryFails();

    void childWriter();

private:
    QTemporaryDir m_config;
};

void TestRegistry::initTestCase()
{
    // A child writer inherits the parent's directory.
    if (!qEnvironmentVariableIsSet(kWriterVariable)) {
        QVERIFY(m_config.isValid());
        qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
    }
    QVERIFY(HkcuFile().startsWith(qEnvironmentVariable("XDG_CONFIG_HOME") + u'/'));
}

void TestRegistry::init()
{
    if (qEnvironmentVariableIsSet(kWriterVariable))
        return;
    const QString dir = QFileInfo(HkcuFile()).path();
    QDir(dir).removeRecursively();
    QFile::remove(dir);
}

void TestRegistry::keysAreCreatedOpenedAndMatchedWithoutCase()
{
    HKEY key = 0;
    QCOMPARE(RegOpenKeyEx(HKEY_CURRENT_USER, QStringLiteral("Software\\Torvane"), &key), ERROR_FILE_NOT_FOUND);
    QCOMPARE(key, HKEY(0));
    QVERIFY(!QFile::exists(HkcuFile())); // a failed open creates nothing

    quint32 disposition = 0;
    QCOMPARE(RegCreateKeyEx(HKEY_CURRENT_USER, QStringLiteral("Software\\Torvane\\Glimra 5.0\\Colors"), &key,
                            &disposition),
             ERROR_SUCCESS);
    QCOMPARE(disposition, REG_CREATED_NEW_KEY);
    QCOMPARE(RegCloseKey(key), ERROR_SUCCESS);

    // Parents exist, any spelling finds the key, and create opens it.
    QCOMPARE(RegOpenKeyEx(HKEY_CURRENT_USER, QStringLiteral("SOFTWARE\\torvane"), &key), ERROR_SUCCESS);
    HKEY child = 0;
    QCOMPARE(RegOpenKeyEx(key, QStringLiteral("glimra 5.0\\COLORS"), &child), ERROR_SUCCESS);
    RegCloseKey(child);
    QCOMPARE(RegCreateKeyEx(key, QStringLiteral("GLIMRA 5.0"), &child, &disposition), ERROR_SUCCESS);
    QCOMPARE(disposition, REG_OPENED_EXISTING_KEY);
    RegCloseKey(child);
    RegCloseKey(key);

    // The first spelling is the one kept in the file.
    const QString text = ReadText(HkcuFile());
    QVERIFY(text.contains(QStringLiteral("[HKEY_CURRENT_USER\\Software\\Torvane\\Glimra 5.0\\Colors]\n")));
    QVERIFY(!text.contains(QStringLiteral("GLIMRA")));

    // Other roots have files of their own.
    QCOMPARE(RegOpenKeyEx(HKEY_LOCAL_MACHINE, QStringLiteral("Software\\Torvane"), &key), ERROR_FILE_NOT_FOUND);
    QCOMPARE(RegCreateKeyEx(HKEY_LOCAL_MACHINE, QStringLiteral("Software\\Torvane"), &key), ERROR_SUCCESS);
    RegCloseKey(key);
    QVERIFY(ReadText(RegRootFileName(HKEY_LOCAL_MACHINE)).contains(QStringLiteral("[HKEY_LOCAL_MACHINE\\Software]")));
}

void TestRegistry::valuesAreStoredInTheirFileForm_data()
{
    QTest::addColumn<quint32>("type");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("line");

    QTest::newRow("string") << REG_SZ << RegStringData(QStringLiteral("Lucida Console ANSI"))
                            << QStringLiteral("\"v\"=\"Lucida Console ANSI\"\n");
    QTest::newRow("dword eight lower-case digits") << REG_DWORD << RegDwordData(0x80000010u)
                                                   << QStringLiteral("\"v\"=dword:80000010\n");
    QTest::newRow("dword small") << REG_DWORD << RegDwordData(9) << QStringLiteral("\"v\"=dword:00000009\n");
    QTest::newRow("expand string as hex(2) with its NUL")
        << REG_EXPAND_SZ << RegStringData(QStringLiteral("%A%")) << QStringLiteral("\"v\"=hex(2):25,41,25,00\n");
    QTest::newRow("binary") << REG_BINARY << QByteArray("\x01\xff", 2) << QStringLiteral("\"v\"=hex:01,ff\n");
    QTest::newRow("string without NUL keeps its size")
        << REG_SZ << QByteArray("ab") << QStringLiteral("\"v\"=hex(1):61,62\n");
    QTest::newRow("line break in a string stays on one line")
        << REG_SZ << RegStringData(QStringLiteral("a\nb")) << QStringLiteral("\"v\"=hex(1):61,0a,62,00\n");
    QTest::newRow("long hex wraps")
        << REG_EXPAND_SZ << RegStringData(QString(30, u'x'))
        << QStringLiteral("\"v\"=hex(2):78,78,78,78,78,78,78,78,78,78,78,78,78,78,78,78,78,78,78,78,78,78,\\\n"
                          "  78,78,78,78,78,78,78,78,00\n");
}

void TestRegistry::valuesAreStoredInTheirFileForm()
{
    QFETCH(quint32, type);
    QFETCH(QByteArray, data);
    QFETCH(QString, line);

    QCOMPARE(Set(QStringLiteral("K"), QStringLiteral("v"), type, data), ERROR_SUCCESS);

    QCOMPARE(ReadText(HkcuFile()), QStringLiteral("REGEDIT4\n\n[HKEY_CURRENT_USER\\K]\n") + line + u'\n');
    quint32 readType = REG_NONE;
    QCOMPARE(Query(QStringLiteral("K"), QStringLiteral("v"), &readType), data);
    QCOMPARE(readType, type);
}

void TestRegistry::textRoundTrips_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");

    QTest::newRow("backslashes") << QStringLiteral("Path") << QStringLiteral("C:\\dir\\");
    QTest::newRow("quotes") << QStringLiteral("Q") << QStringLiteral("say \"hi\" \\\"");
    QTest::newRow("quote and backslash in the name") << QStringLiteral("a\"b\\c") << QStringLiteral("x");
    QTest::newRow("default value") << QString() << QStringLiteral("default");
    QTest::newRow("empty") << QStringLiteral("E") << QString();
    QTest::newRow("beyond ASCII") << QStringLiteral("Ü") << QStringLiteral("░▒▓ █ ß");
    QTest::newRow("blanks kept") << QStringLiteral(" s ") << QStringLiteral("  two  ");
    QTest::newRow("semicolon and brackets") << QStringLiteral(";x") << QStringLiteral("[y] = ;z");
}

void TestRegistry::textRoundTrips()
{
    QFETCH(QString, name);
    QFETCH(QString, text);

    QCOMPARE(Set(QStringLiteral("Software\\T"), name, REG_SZ, RegStringData(text)), ERROR_SUCCESS);
    QCOMPARE(Set(QStringLiteral("Software\\T"), QStringLiteral("after"), REG_DWORD, RegDwordData(7)), ERROR_SUCCESS);

    QCOMPARE(Query(QStringLiteral("Software\\T"), name), RegStringData(text));
    QCOMPARE(Query(QStringLiteral("Software\\T"), QStringLiteral("after")), RegDwordData(7));
    // Written as quoted text, not as bytes, so a person can read it.
    QVERIFY(!ReadText(HkcuFile()).contains(QStringLiteral("hex")));
}

void TestRegistry::querySizesAndBuffers()
{
    const HKEY key = Create(QStringLiteral("S"));
    QVERIFY(key);
    QCOMPARE(RegSetValueEx(key, QStringLiteral("str"), REG_SZ, RegStringData(QStringLiteral("data"))), ERROR_SUCCESS);
    QCOMPARE(RegSetValueEx(key, QStringLiteral("empty"), REG_SZ, QByteArray()), ERROR_SUCCESS);
    QCOMPARE(RegSetValueEx(key, QStringLiteral("num"), REG_DWORD, RegDwordData(0x12345678)), ERROR_SUCCESS);

    quint32 type = REG_NONE;
    quint32 size = 0;
    QCOMPARE(RegQueryValueEx(key, QStringLiteral("STR"), &type, nullptr, &size), ERROR_SUCCESS);
    QCOMPARE(type, REG_SZ);
    QCOMPARE(size, 5u); // the NUL counts
    QCOMPARE(RegQueryValueEx(key, QStringLiteral("empty"), &type, nullptr, &size), ERROR_SUCCESS);
    QCOMPARE(size, 0u);

    char buffer[8] = {};
    size = 4;
    QCOMPARE(RegQueryValueEx(key, QStringLiteral("str"), &type, buffer, &size), ERROR_MORE_DATA);
    QCOMPARE(size, 5u);
    size = sizeof buffer;
    QCOMPARE(RegQueryValueEx(key, QStringLiteral("str"), &type, buffer, &size), ERROR_SUCCESS);
    QCOMPARE(size, 5u);
    QCOMPARE(QByteArray(buffer), QByteArray("data"));

    size = 4;
    QCOMPARE(RegQueryValueEx(key, QStringLiteral("num"), &type, buffer, &size), ERROR_SUCCESS);
    QCOMPARE(type, REG_DWORD);
    QCOMPARE(QByteArray(buffer, 4), QByteArray("\x78\x56\x34\x12", 4));

    size = 4;
    QCOMPARE(RegQueryValueEx(key, QStringLiteral("missing"), &type, buffer, &size), ERROR_FILE_NOT_FOUND);
    QCOMPARE(RegQueryValueEx(key, QString(), &type, nullptr, &size), ERROR_FILE_NOT_FOUND);

    // A value of another type replaces the old one.
    QCOMPARE(RegSetValueEx(key, QStringLiteral("Num"), REG_SZ, RegStringData(QStringLiteral("12"))), ERROR_SUCCESS);
    QCOMPARE(RegQueryValueEx(key, QStringLiteral("num"), &type, nullptr, &size), ERROR_SUCCESS);
    QCOMPARE(type, REG_SZ);
    QCOMPARE(size, 3u);
    QCOMPARE(ReadText(HkcuFile()).count(QStringLiteral("um\"=")), 1);
    RegCloseKey(key);
}

void TestRegistry::handEditedFileIsRead_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("name");
    QTest::addColumn<quint32>("type");
    QTest::addColumn<QByteArray>("data"); // null: the value must be missing

    const QByteArray head = "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Torvane\\Glimra 5.0\\Misc]\n";
    QTest::newRow("one digit, upper case") << head + "\"Size\" = DWORD:E\n" << "size" << REG_DWORD << RegDwordData(14);
    QTest::newRow("CR LF and comments")
        << QByteArray("REGEDIT4\r\n\r\n; mine\r\n[HKEY_CURRENT_USER\\software\\torvane\\glimra 5.0\\misc]\r\n"
                      "  ; about the bar\r\n\"StatusBar\"=dword:0\r\n")
        << "StatusBar" << REG_DWORD << RegDwordData(0);
    QTest::newRow("default value") << head + "@=\"dflt\"\n" << "" << REG_SZ << RegStringData(QStringLiteral("dflt"));
    QTest::newRow("escapes, lone backslash kept")
        << head + "\"P\"=\"c:\\dir\\\\x\\\"y\"\n" << "P" << REG_SZ << RegStringData(QStringLiteral("c:\\dir\\x\"y"));
    QTest::newRow("hex continued")
        << head + "\"E\"=hex(2):41,\\\n   42,\\\n  00\n" << "E" << REG_EXPAND_SZ << QByteArray("AB\0", 3);
    QTest::newRow("last one of a name wins")
        << head + "\"A\"=\"1\"\n\"a\"=\"2\"\n" << "A" << REG_SZ << RegStringData(QStringLiteral("2"));
    QTest::newRow("value deleted") << head + "\"A\"=\"1\"\n\"A\"=-\n" << "A" << REG_NONE << QByteArray();
    QTest::newRow("key deleted with its subkeys")
        << head + "\"A\"=\"1\"\n[-HKEY_CURRENT_USER\\Software\\Torvane]\n" << "A" << REG_NONE << QByteArray();
    QTest::newRow("key deleted and made again")
        << head + "\"A\"=\"1\"\n[-HKEY_CURRENT_USER\\Software]\n[HKEY_CURRENT_USER\\Software\\Torvane\\Glimra 5.0\\Misc]\n\"B\"=\"2\"\n"
        << "A" << REG_NONE << QByteArray();
    QTest::newRow("empty file") << QByteArray() << "A" << REG_NONE << QByteArray();
}

void TestRegistry::handEditedFileIsRead()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, name);
    QFETCH(quint32, type);
    QFETCH(QByteArray, data);

    WriteText(HkcuFile(), file);
    const QString misc = QStringLiteral("Software\\Torvane\\Glimra 5.0\\Misc");
    quint32 readType = REG_NONE;
    const QByteArray value = Query(misc, name, &readType);
    QCOMPARE(value, data);
    if (!data.isNull())
        QCOMPARE(readType, type);
    QCOMPARE(ReadText(HkcuFile()).toUtf8(), file); // reading never rewrites

    // A write keeps every value of the edited file.
    QCOMPARE(Set(misc, QStringLiteral("new"), REG_DWORD, RegDwordData(1)), ERROR_SUCCESS);
    QCOMPARE(Query(misc, name), data);
}

void TestRegistry::damagedFileIsKeptAside_data()
{
    QTest::addColumn<QByteArray>("file");

    QTest::newRow("no header") << QByteArray("[HKEY_CURRENT_USER\\K]\n\"a\"=\"b\"\n");
    QTest::newRow("other format") << QByteArray("Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\K]\n");
    QTest::newRow("unterminated string") << QByteArray("REGEDIT4\n\n[HKEY_CURRENT_USER\\K]\n\"a\"=\"b\n");
    QTest::newRow("nine digit dword") << QByteArray("REGEDIT4\n\n[HKEY_CURRENT_USER\\K]\n\"a\"=dword:123456789\n");
    QTest::newRow("bad hex byte") << QByteArray("REGEDIT4\n\n[HKEY_CURRENT_USER\\K]\n\"a\"=hex:1g\n");
    QTest::newRow("value before any key") << QByteArray("REGEDIT4\n\n\"a\"=\"b\"\n");
    QTest::newRow("key of another root") << QByteArray("REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\K]\n");
    QTest::newRow("stray text") << QByteArray("REGEDIT4\n\n[HKEY_CURRENT_USER\\K]\nhello\n");
    QTest::newRow("open bracket") << QByteArray("REGEDIT4\n\n[HKEY_CURRENT_USER\\K\n");
}

void TestRegistry::damagedFileIsKeptAside()
{
    QFETCH(QByteArray, file);

    WriteText(HkcuFile(), file);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("does not parse.*kept as")));
    HKEY key = 0;
    QCOMPARE(RegOpenKeyEx(HKEY_CURRENT_USER, QStringLiteral("K"), &key), ERROR_FILE_NOT_FOUND);

    // The damaged file is kept, byte for byte, under a new name.
    const QFileInfoList aside = QDir(QFileInfo(HkcuFile()).path())
                                    .entryInfoList({QStringLiteral("HKEY_CURRENT_USER.reg.damaged-*")});
    QCOMPARE(aside.size(), 1);
    QCOMPARE(ReadText(aside.constFirst().filePath()).toUtf8(), file);
    QVERIFY(!QFile::exists(HkcuFile()));

    // The store goes on empty.
    QCOMPARE(Set(QStringLiteral("K"), QStringLiteral("a"), REG_DWORD, RegDwordData(3)), ERROR_SUCCESS);
    QCOMPARE(Query(QStringLiteral("K"), QStringLiteral("a")), RegDwordData(3));
    QCOMPARE(ReadText(aside.constFirst().filePath()).toUtf8(), file);
}

void TestRegistry::changesOfAnotherWriterAreSeen()
{
    const HKEY key = Create(QStringLiteral("K"));
    QVERIFY(key);
    QCOMPARE(RegSetValueEx(key, QStringLiteral("a"), REG_DWORD, RegDwordData(1)), ERROR_SUCCESS);
    QCOMPARE(Query(QStringLiteral("K"), QStringLiteral("a")), RegDwordData(1));

    WriteText(HkcuFile(), "REGEDIT4\n\n[HKEY_CURRENT_USER\\K]\n\"a\"=dword:2\n\"b\"=\"x\"\n");
    QCOMPARE(Query(QStringLiteral("K"), QStringLiteral("a")), RegDwordData(2));

    // A write of this process keeps the other's value.
    QCOMPARE(RegSetValueEx(key, QStringLiteral("c"), REG_DWORD, RegDwordData(3)), ERROR_SUCCESS);
    QCOMPARE(Query(QStringLiteral("K"), QStringLiteral("b")), RegStringData(QStringLiteral("x")));

    // The key removed by the other writer: the open handle can no longer write
    // nor reach subkeys.
    WriteText(HkcuFile(), "REGEDIT4\n\n");
    QCOMPARE(RegSetValueEx(key, QStringLiteral("c"), REG_DWORD, RegDwordData(3)), ERROR_KEY_DELETED);
    HKEY child = 0;
    QCOMPARE(RegOpenKeyEx(key, QStringLiteral("sub"), &child), ERROR_KEY_DELETED);
    QCOMPARE(RegCreateKeyEx(key, QStringLiteral("sub"), &child), ERROR_KEY_DELETED);
    RegCloseKey(key);
}

void TestRegistry::concurrentWritersLoseNothing()
{
    // A file long to read and write, and children that start together, so
    // that their writes overlap.
    QByteArray filler = "REGEDIT4\n\n[HKEY_CURRENT_USER\\Filler]\n";
    for (int i = 0; i < 1000; ++i)
        filler += "\"v" + QByteArray::number(i) + "\"=dword:00000000\n";
    WriteText(HkcuFile(), filler);
    const QString start = QString::number(QDateTime::currentMSecsSinceEpoch() + 500);
    QList<QProcess *> children;
    for (const QString &id : {QStringLiteral("A"), QStringLiteral("B")}) {
        auto *child = new QProcess(this);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QString::fromLatin1(kWriterVariable), id);
        environment.insert(QString::fromLatin1(kStartVariable), start);
        child->setProcessEnvironment(environment);
        child->setProcessChannelMode(QProcess::MergedChannels);
        child->start(QCoreApplication::applicationFilePath(), {QStringLiteral("childWriter")});
        children.append(child);
    }
    for (QProcess *child : children) {
        QVERIFY(child->waitForFinished(120000));
        QVERIFY2(child->exitCode() == 0, child->readAll().constData());
    }
    for (const QString &id : {QStringLiteral("A"), QStringLiteral("B")})
        for (int i = 0; i < kWritesPerChild; ++i)
            QCOMPARE(Query(QStringLiteral("Shared"), id + QString::number(i)), RegDwordData(quint32(i)));
}

void TestRegistry::childWriter()
{
    const QString id = qEnvironmentVariable(kWriterVariable);
    if (id.isEmpty())
        QSKIP("runs as a child of concurrentWritersLoseNothing");
    while (QDateTime::currentMSecsSinceEpoch() < qEnvironmentVariable(kStartVariable).toLongLong())
        QThread::msleep(1);
    for (int i = 0; i < kWritesPerChild; ++i) {
        // Each write opens its own key, as the program's settings store does.
        QCOMPARE(Set(QStringLiteral("Shared"), id + QString::number(i), REG_DWORD, RegDwordData(quint32(i))),
                 ERROR_SUCCESS);
    }
}

void TestRegistry::handles()
{
    HKEY key = Create(QStringLiteral("H"));
    QVERIFY(key);
    QCOMPARE(RegCloseKey(key), ERROR_SUCCESS);
    QCOMPARE(RegCloseKey(key), ERROR_INVALID_HANDLE);
    QCOMPARE(RegSetValueEx(key, QStringLiteral("a"), REG_DWORD, RegDwordData(1)), ERROR_INVALID_HANDLE);
    QCOMPARE(RegSetValueEx(0, QStringLiteral("a"), REG_DWORD, RegDwordData(1)), ERROR_INVALID_HANDLE);
    quint32 size = 0;
    QCOMPARE(RegQueryValueEx(0, QStringLiteral("a"), nullptr, nullptr, &size), ERROR_INVALID_HANDLE);
    QCOMPARE(RegCreateKeyEx(0, QStringLiteral("x"), &key), ERROR_INVALID_HANDLE);
    QCOMPARE(RegCloseKey(HKEY_CURRENT_USER), ERROR_SUCCESS);

    // Values may sit on a root itself.
    QCOMPARE(RegSetValueEx(HKEY_CURRENT_USER, QStringLiteral("top"), REG_DWORD, RegDwordData(5)), ERROR_SUCCESS);
    QVERIFY(ReadText(HkcuFile()).contains(QStringLiteral("[HKEY_CURRENT_USER]\n\"top\"=dword:00000005\n")));
    QCOMPARE(Query(QString(), QStringLiteral("top")), RegDwordData(5));
}

void TestRegistry::unwritableDirectoryFails()
{
    // A plain file where the directory should be: no rights let a write through.
    WriteText(QFileInfo(HkcuFile()).path(), "in the way");
    HKEY key = 0;
    QCOMPARE(RegCreateKeyEx(HKEY_CURRENT_USER, QStringLiteral("K"), &key), ERROR_CANTWRITE);
    QCOMPARE(key, HKEY(0));
    QCOMPARE(RegOpenKeyEx(HKEY_CURRENT_USER, QStringLiteral("K"), &key), ERROR_FILE_NOT_FOUND);
    QFile::remove(QFileInfo(HkcuFile()).path());
}

QTEST_GUILESS_MAIN(TestRegistry)
#include "tst_registry.moc"
