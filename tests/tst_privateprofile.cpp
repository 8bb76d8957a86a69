#include "platform/PrivateProfile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestPrivateProfile : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void reads_data();
    void reads();
    void writes_data();
    void writes();
    void writeFailures_data();
    void writeFailures();
    void bareNameIsInTheConfigDirectory();
    void changesOfAnotherProgramAreSeen();

private:
    QString Path(const QString &name) const { return m_dir.filePath(name); }
    QByteArray Contents(const QString &path) const;
    void Put(const QString &path, const QByteArray &bytes) const;

    QTemporaryDir m_config;
    QTemporaryDir m_dir;
};

QByteArray TestPrivateProfile::Contents(const QString &path) const
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void TestPrivateProfile::Put(const QString &path, const QByteArray &bytes) const
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

void TestPrivateProfile::initTestCase()
{
    QVERIFY(m_config.isValid());
    QVERIFY(m_dir.isValid());
    qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
}

void TestPrivateProfile::reads_data()
{
    QTest::addColumn<QByteArray>("file"); // null: no file
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("defaultValue");
    QTest::addColumn<QString>("expected");

    const QByteArray oldies = "[Oldies]\r\n1=/home/a/one.nfo\r\n2=/home/a/two.diz\r\n";
    QTest::newRow("found") << oldies << "Oldies" << "2" << "" << "/home/a/two.diz";
    QTest::newRow("missing file") << QByteArray() << "Oldies" << "1" << "dflt" << "dflt";
    QTest::newRow("default loses trailing blanks only") << QByteArray() << "Oldies" << "1" << "  d f  " << "  d f";
    QTest::newRow("missing section") << oldies << "Other" << "1" << "x" << "x";
    QTest::newRow("missing key") << oldies << "Oldies" << "3" << "x" << "x";
    QTest::newRow("names without case") << oldies << "OLDIES" << "1" << "" << "/home/a/one.nfo";
    QTest::newRow("blanks around names and value")
        << QByteArray("  [ Main Window ]  \n\t Left  =  12 \t\n") << " main window " << " LEFT " << "" << "12";
    QTest::newRow("quotes stripped") << QByteArray("[s]\nk=\" a b \"\n") << "s" << "k" << "" << " a b ";
    QTest::newRow("one quote kept") << QByteArray("[s]\nk=\"ab\n") << "s" << "k" << "" << "\"ab";
    QTest::newRow("empty value is a value") << QByteArray("[s]\nk=\n") << "s" << "k" << "x" << "";
    QTest::newRow("line without = is no key") << QByteArray("[s]\nk\n") << "s" << "k" << "x" << "x";
    QTest::newRow("comment is no key") << QByteArray("[s]\n ;k=1\n") << "s" << ";k" << "x" << "x";
    QTest::newRow("first duplicate key wins") << QByteArray("[s]\nk=1\nK=2\n") << "s" << "k" << "" << "1";
    QTest::newRow("first duplicate section wins")
        << QByteArray("[s]\na=1\n[S]\nk=2\n") << "s" << "k" << "x" << "x";
    QTest::newRow("key of another section") << QByteArray("[s]\na=1\n[t]\nk=2\n") << "s" << "k" << "x" << "x";
    QTest::newRow("key before any section") << QByteArray("k=0\n[s]\n") << "s" << "k" << "x" << "x";
    QTest::newRow("= inside the value") << QByteArray("[s]\nk=a=b\n") << "s" << "k" << "" << "a=b";
    QTest::newRow("long value cut to 2047")
        << QByteArray("[s]\nk=" + QByteArray(3000, 'v') + "\n") << "s" << "k" << "" << QString(2047, u'v');
    QTest::newRow("long default cut to 2047") << QByteArray() << "s" << "k" << QString(2100, u'd') << QString(2047, u'd');
}

void TestPrivateProfile::reads()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, defaultValue);
    QFETCH(QString, expected);

    const QString path = Path(QStringLiteral("read.ini"));
    QFile::remove(path);
    if (!file.isNull())
        Put(path, file);
    QCOMPARE(GetPrivateProfileString(section, key, defaultValue, path), expected);
    QCOMPARE(Contents(path), file.isNull() ? QByteArray() : file);
}

void TestPrivateProfile::writes_data()
{
    QTest::addColumn<QByteArray>("before"); // null: no file
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("after");

    QTest::newRow("first write creates the file")
        << QByteArray() << "Oldies" << "1" << "/home/a/one.nfo" << QByteArray("[Oldies]\r\n1=/home/a/one.nfo\r\n");
    QTest::newRow("names and value trimmed") << QByteArray() << " B " << " y " << " v w " << QByteArray("[B]\r\ny=v w\r\n");
    QTest::newRow("new key at the end of its section")
        << QByteArray("[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n") << "a" << "z" << "3"
        << QByteArray("[A]\r\nx=1\r\nz=3\r\n\r\n[B]\r\ny=2\r\n");
    QTest::newRow("new key before comments leading to the next section")
        << QByteArray("[A]\r\n; about A\r\n[B]\r\n") << "A" << "x" << "1"
        << QByteArray("[A]\r\nx=1\r\n; about A\r\n[B]\r\n");
    QTest::newRow("key replaced, other lines kept byte for byte")
        << QByteArray("; mine \n[a]\n  K = old\nodd line\n[b]\nK=b\n") << "A" << "k" << "new"
        << QByteArray("; mine \n[a]\nK=new\r\nodd line\n[b]\nK=b\n");
    QTest::newRow("new section at the end, last line finished")
        << QByteArray("[A]\nx=1") << "B" << "y" << "2" << QByteArray("[A]\nx=1\r\n[B]\r\ny=2\r\n");
    QTest::newRow("first of duplicate sections written")
        << QByteArray("[A]\r\n[a]\r\nx=1\r\n") << "A" << "x" << "2" << QByteArray("[A]\r\nx=2\r\n[a]\r\nx=1\r\n");
    QTest::newRow("same value leaves the file alone")
        << QByteArray("[A]\n x = 1 \n") << "a" << "X" << "1" << QByteArray("[A]\n x = 1 \n");
    QTest::newRow("empty value") << QByteArray("[A]\r\nx=1\r\n") << "A" << "x" << "" << QByteArray("[A]\r\nx=\r\n");
}

void TestPrivateProfile::writes()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QByteArray, after);

    const QString path = Path(QStringLiteral("write.ini"));
    QFile::remove(path);
    if (!before.isNull())
        Put(path, before);
    QVERIFY(WritePrivateProfileString(section, key, value, path));
    QCOMPARE(Contents(path), after);
    QCOMPARE(GetPrivateProfileString(section, key, QStringLiteral("missing"), path), value.trimmed());
    QVERIFY(!QFile::exists(path + QStringLiteral(".lock")));
}

void TestPrivateProfile::writeFailures_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");

    // A plain file where a directory should be fails whatever the user's rights.
    QTest::newRow("directory is a file") << "blocker/x.ini" << "s" << "k" << "v";
    QTest::newRow("missing directory") << "nowhere/x.ini" << "s" << "k" << "v";
    QTest::newRow("line break in the value") << "x.ini" << "s" << "k" << "a\nb";
    QTest::newRow("line break in the key") << "x.ini" << "s" << "a\rb" << "v";
    QTest::newRow("= in the key") << "x.ini" << "s" << "a=b" << "v";
    QTest::newRow("] in the section") << "x.ini" << "s]t" << "k" << "v";
    QTest::newRow("key read back as a section") << "x.ini" << "s" << " [t]" << "v";
    QTest::newRow("key read back as a comment") << "x.ini" << "s" << ";k" << "v";
}

void TestPrivateProfile::writeFailures()
{
    QFETCH(QString, fileName);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);

    Put(Path(QStringLiteral("blocker")), "a file");
    const QByteArray before = "[s]\r\nk=old\r\n";
    Put(Path(QStringLiteral("x.ini")), before);
    QVERIFY(!WritePrivateProfileString(section, key, value, Path(fileName)));
    QCOMPARE(Contents(Path(QStringLiteral("x.ini"))), before);
}

void TestPrivateProfile::bareNameIsInTheConfigDirectory()
{
    const QString expected = m_config.filePath(QStringLiteral("glimra/Bare.ini"));
    QCOMPARE(PrivateProfilePath(QStringLiteral("Bare.ini")), expected);
    QCOMPARE(PrivateProfilePath(QStringLiteral("./Bare.ini")), QStringLiteral("./Bare.ini"));
    QVERIFY(WritePrivateProfileString(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("v"),
                                      QStringLiteral("Bare.ini")));
    QCOMPARE(Contents(expected), QByteArray("[S]\r\nk=v\r\n"));
    QCOMPARE(GetPrivateProfileString(QStringLiteral("s"), QStringLiteral("K"), QString(), QStringLiteral("Bare.ini")),
             QStringLiteral("v"));
}

void TestPrivateProfile::changesOfAnotherProgramAreSeen()
{
    const QString path = Path(QStringLiteral("shared.ini"));
    QVERIFY(WritePrivateProfileString(QStringLiteral("S"), QStringLiteral("a"), QStringLiteral("1"), path));
    QCOMPARE(GetPrivateProfileString(QStringLiteral("S"), QStringLiteral("a"), QString(), path), QStringLiteral("1"));
    Put(path, "[S]\r\na=2\r\nb=3\r\n");
    QCOMPARE(GetPrivateProfileString(QStringLiteral("S"), QStringLiteral("a"), QString(), path), QStringLiteral("2"));
    // The next write starts from the other program's file, not from a memory of it.
    QVERIFY(WritePrivateProfileString(QStringLiteral("S"), QStringLiteral("c"), QStringLiteral("4"), path));
    QCOMPARE(Contents(path), QByteArray("[S]\r\na=2\r\nb=3\r\nc=4\r\n"));
}

QTEST_GUILESS_MAIN(TestPrivateProfile)
#include "tst_privateprofile.moc"
