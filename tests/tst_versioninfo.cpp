// The VS_VERSIONINFO writer and the reader of the version-information stand-ins.
#include "platform/VersionInfo.h"

#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <sys/mman.h>
#include <unistd.h>

namespace {

TVersionDefinition Definition()
{
    TVersionDefinition d;
    const quint16 version[4] = {5, 0, 0, 1};
    std::copy(version, version + 4, d.fileVersion);
    d.fileFlags = 0x21;
    d.strings = {{"CompanyName", "Torvane"}, {"FileVersion", "5.0.0.1"}, {"Comments", QString()},
                 {"LegalCopyright", "© €"}};
    return d;
}

// Holds a copy of bytes that ends exactly where an inaccessible page begins,
// so that any read beyond its end crashes the test.
class GuardedBuffer
{
public:
    explicit GuardedBuffer(const QByteArray &bytes)
    {
        m_page = size_t(sysconf(_SC_PAGESIZE));
        m_pages = (size_t(bytes.size()) + m_page - 1) / m_page + 1;
        m_base = static_cast<char *>(mmap(nullptr, m_pages * m_page, PROT_READ | PROT_WRITE,
                                          MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
        mprotect(m_base + (m_pages - 1) * m_page, m_page, PROT_NONE);
        m_data = m_base + (m_pages - 1) * m_page - bytes.size();
        memcpy(m_data, bytes.constData(), size_t(bytes.size()));
        m_size = bytes.size();
    }
    ~GuardedBuffer() { munmap(m_base, m_pages * m_page); }
    QByteArrayView View() const { return QByteArrayView(m_data, m_size); }

private:
    size_t m_page = 0, m_pages = 0;
    char *m_base = nullptr;
    char *m_data = nullptr;
    qsizetype m_size = 0;
};

const QStringList kQueries = {"\\", "\\VarFileInfo\\Translation", "\\StringFileInfo\\040904E4\\FileVersion",
                              "\\StringFileInfo\\040904E4\\Comments", "\\StringFileInfo"};

} // namespace

class TestVersionInfo : public QObject
{
    Q_OBJECT

private slots:
    void blockLayout();
    void query_data();
    void query();
    void damagedBlock_data();
    void damagedBlock();
    void filesWithoutVersion();
    void refusesWhatTheBlockCannotSay_data();
    void refusesWhatTheBlockCannotSay();
};

void TestVersionInfo::blockLayout()
{
    const QByteArray block = BuildVersionInfoBlock(Definition());
    const auto word = [&](int at) { return qFromLittleEndian<quint16>(block.constData() + at); };
    QCOMPARE(word(0), quint16(block.size()));
    QCOMPARE(word(2), quint16(52));
    QCOMPARE(word(4), quint16(0));
    QCOMPARE(QString::fromUtf16(reinterpret_cast<const char16_t *>(block.constData() + 6), 15),
             QStringLiteral("VS_VERSION_INFO"));
    QCOMPARE(word(36), quint16(0)); // key's null, then padding to offset 40
    QCOMPARE(qFromLittleEndian<quint32>(block.constData() + 40), 0xFEEF04BDu);
    QCOMPARE(qFromLittleEndian<quint32>(block.constData() + 48), 0x00050000u); // file version MS
    QCOMPARE(qFromLittleEndian<quint32>(block.constData() + 52), 0x00000001u); // file version LS
    QCOMPARE(qFromLittleEndian<quint32>(block.constData() + 68), 0x21u);       // dwFileFlags
    QCOMPARE(QString::fromUtf16(reinterpret_cast<const char16_t *>(block.constData() + 92 + 6), 14),
             QStringLiteral("StringFileInfo"));
    QVERIFY(block.endsWith(QByteArray("\x09\x04\xE4\x04", 4)));
}

void TestVersionInfo::query_data()
{
    QTest::addColumn<QString>("subBlock");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QByteArray>("value");

    QTest::newRow("translation") << "\\VarFileInfo\\Translation" << true << QByteArray("\x09\x04\xE4\x04", 4);
    QTest::newRow("string") << "\\StringFileInfo\\040904E4\\FileVersion" << true << QByteArray("5.0.0.1", 8);
    QTest::newRow("any letter case") << "\\stringfileinfo\\040904e4\\COMPANYNAME" << true
                                     << QByteArray("Torvane", 8);
    QTest::newRow("empty string") << "\\StringFileInfo\\040904E4\\Comments" << true << QByteArray("", 1);
    QTest::newRow("ANSI code page") << "\\StringFileInfo\\040904E4\\LegalCopyright" << true
                                    << QByteArray("\xA9 \x80", 4);
    QTest::newRow("name cut short") << "\\StringFileInfo\\040904E4\\FileVer" << false << QByteArray();
    QTest::newRow("missing key") << "\\StringFileInfo\\040904E4\\ProductName" << false << QByteArray();
    QTest::newRow("other table") << "\\StringFileInfo\\0409\\FileVersion" << false << QByteArray();
}

void TestVersionInfo::query()
{
    QFETCH(QString, subBlock);
    QFETCH(bool, found);
    QFETCH(QByteArray, value);
    const QByteArray block = BuildVersionInfoBlock(Definition());
    QByteArray result;
    quint32 len = 0;
    QCOMPARE(VerQueryValueA(block, subBlock, &result, &len), found);
    if (found) {
        QCOMPARE(result, value);
        QCOMPARE(len, quint32(value.size()));
    }
    QVERIFY(VerQueryValueA(block, QStringLiteral("\\"), &result, &len));
    QCOMPARE(len, 52u);
}

void TestVersionInfo::damagedBlock_data()
{
    QTest::addColumn<QByteArray>("block");
    QTest::addColumn<bool>("rootReadable");

    const QByteArray good = BuildVersionInfoBlock(Definition());
    for (qsizetype cut : {qsizetype(0), qsizetype(5), qsizetype(40), good.size() / 2, good.size() - 1})
        QTest::addRow("cut to %lld", qlonglong(cut)) << good.left(cut) << false;
    // Every length field claiming too much, too little or nothing.
    for (quint16 length : {quint16(0xFFFF), quint16(6), quint16(0)}) {
        for (qsizetype at = 0; at + 2 <= good.size(); at += 2) {
            QByteArray bad = good;
            qToLittleEndian(length, bad.data() + at);
            QTest::addRow("word %lld = %u", qlonglong(at), length) << bad << (at != 0);
        }
    }
}

void TestVersionInfo::damagedBlock()
{
    QFETCH(QByteArray, block);
    QFETCH(bool, rootReadable);
    const GuardedBuffer buffer(block);
    QByteArray value;
    quint32 len = 0;
    for (const QString &query : kQueries) {
        if (VerQueryValueA(buffer.View(), query, &value, &len))
            QVERIFY(len <= quint32(block.size()));
    }
    if (!rootReadable) {
        const bool found = VerQueryValueA(buffer.View(), kQueries[2], &value, &len);
        QVERIFY(!found);
    }
}

void TestVersionInfo::refusesWhatTheBlockCannotSay_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("refused");
    // Each value character takes two bytes; a block's length is 16 bits.
    QTest::newRow("fills the block") << QString(32000, u'x') << false;
    QTest::newRow("passes 64 KiB") << QString(33000, u'x') << true;
    QTest::newRow("outside the ANSI code page") << QStringLiteral("\u2192") << true;
}

void TestVersionInfo::refusesWhatTheBlockCannotSay()
{
    QFETCH(QString, value);
    QFETCH(bool, refused);
    TVersionDefinition d = Definition();
    d.strings.append({QStringLiteral("Notes"), value});
    d.strings.append({QStringLiteral("ProductName"), QStringLiteral("Glimra")});
    QString error;
    const QByteArray block = BuildVersionInfoBlock(d, &error);
    QCOMPARE(block.isEmpty(), refused);
    QCOMPARE(error.startsWith(QStringLiteral("Notes:")), refused);
    QByteArray name;
    if (!refused)
        QVERIFY(VerQueryValueA(block, QStringLiteral("\\StringFileInfo\\040904E4\\ProductName"), &name, nullptr));
}

void TestVersionInfo::filesWithoutVersion()
{
    QTemporaryDir dir;
    QFile text(dir.filePath("notes.txt"));
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.write("\x7f" "ELF but not really");
    text.close();
    quint32 handle = 7;
    QCOMPARE(GetFileVersionInfoSizeA(text.fileName(), &handle), 0u);
    QCOMPARE(handle, 0u);
    QCOMPARE(GetFileVersionInfoSizeA(dir.filePath("missing")), 0u);
    QCOMPARE(GetFileVersionInfoSizeA(QCoreApplication::applicationFilePath()), 0u); // an ELF file without it
    char byte = 0;
    QVERIFY(!GetFileVersionInfoA(QCoreApplication::applicationFilePath(), 0, 1, &byte));
}

QTEST_MAIN(TestVersionInfo)
#include "tst_versioninfo.moc"
