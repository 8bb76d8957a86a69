// The version label: reading fields of an executable's version resource into
// its caption, item and collection rules, drawing.
#include "controls/Abcversn.h"
#include "platform/DrawText.h"
#include "platform/Errors.h"
#include "platform/VersionInfo.h"
#include "support/Pixels.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct TItemRow
{
    QString key, caption;
    bool visible = true;
};

void AddItems(TabcVersionInfoCollection *collection, const QList<TItemRow> &items)
{
    for (const TItemRow &row : items) {
        TabcVersionInfoItem *item = collection->Add();
        item->SetKey(row.key);
        item->SetCaption(row.caption);
        item->SetVisible(row.visible);
    }
}

int Objcopy(const QStringList &arguments) { return QProcess::execute(QStringLiteral(GLIMRA_OBJCOPY), arguments); }

} // namespace

Q_DECLARE_METATYPE(QList<TItemRow>)

class TestAbcversn : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void caption_data();
    void caption();
    void builtExecutable();
    void itemAssignment();
    void changeNotices();
    void designMode();
    void tabStops();
    void disabledIsEmbossed();

private:
    // An ELF file (a copy of this test program) carrying block in the version section.
    QString FileWith(const QString &name, const QByteArray &block);

    QTemporaryDir m_dir;
    QMap<QString, QString> m_files;
};

QString TestAbcversn::FileWith(const QString &name, const QByteArray &block)
{
    QFile bin(m_dir.filePath(name + ".bin"));
    if (!bin.open(QIODevice::WriteOnly) || bin.write(block) != block.size())
        return {};
    bin.close();
    const QString target = m_dir.filePath(name);
    const int rc = Objcopy({QStringLiteral("--add-section"), QStringLiteral("%1=%2").arg(kVersionSection, bin.fileName()),
                            QCoreApplication::applicationFilePath(), target});
    return rc == 0 ? target : QString();
}

void TestAbcversn::initTestCase()
{
    QVERIFY(m_dir.isValid());
    TVersionDefinition d;
    d.fileFlags = 0x3F;
    d.strings = {{"FileVersion", "5.0.0.1"}, {"CompanyName", "Torvane"}, {"buildflags", "lower"}, {"LegalCopyright", "© €"}};
    const QByteArray good = BuildVersionInfoBlock(d);
    m_files["good"] = FileWith("good", good);
    m_files["truncated"] = FileWith("truncated", good.left(good.size() - 10));
    d.fileFlags = 0;
    m_files["flags 0"] = FileWith("flags0", BuildVersionInfoBlock(d));
    d.fileFlags = 0x3F;
    d.hasTranslation = false;
    m_files["no translation"] = FileWith("notranslation", BuildVersionInfoBlock(d));
    m_files["none"] = QCoreApplication::applicationFilePath();
    for (const QString &file : std::as_const(m_files))
        QVERIFY(!file.isEmpty());
}

void TestAbcversn::caption_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QList<TItemRow>>("items");
    QTest::addColumn<bool>("doubleSpaced");
    QTest::addColumn<QString>("caption");

    const QList<TItemRow> build = {{"FileVersion", "Build :"}};
    const QList<TItemRow> flags = {{"BuildFlags", "Flags"}};
    QTest::newRow("single spaced") << "good" << build << false << "Build :\t5.0.0.1\r\n";
    QTest::newRow("double spaced") << "good" << build << true << "Build :\t5.0.0.1\r\n\r\n";
    QTest::newRow("hidden item takes no line")
        << "good" << QList<TItemRow>{{"FileVersion", "Build :", false}, {"CompanyName", "By"}} << false
        << "By\tTorvane\r\n";
    QTest::newRow("empty collection") << "good" << QList<TItemRow>{} << true << "";
    QTest::newRow("missing key") << "good" << QList<TItemRow>{{"Nothing", "X"}} << false << "X\t\r\n";
    QTest::newRow("ANSI code page") << "good" << QList<TItemRow>{{"LegalCopyright", "C"}} << false << "C\t© €\r\n";
    QTest::newRow("flags 0x3F") << "good" << flags << false
                                << "Flags\tDebug, InfoInferred, Patched, Pre-Release, Private, Special\r\n";
    QTest::newRow("flags 0") << "flags 0" << flags << false << "Flags\t\r\n";
    QTest::newRow("other letter case is a string key")
        << "good" << QList<TItemRow>{{"buildflags", "F"}} << false << "F\tlower\r\n";
    QTest::newRow("no translation: strings empty, flags read")
        << "no translation" << (build + flags) << false
        << "Build :\t\r\nFlags\tDebug, InfoInferred, Patched, Pre-Release, Private, Special\r\n";
    QTest::newRow("truncated block") << "truncated" << (build + flags) << false << "Build :\t\r\nFlags\t\r\n";
    QTest::newRow("no version resource") << "none" << build << false << "Build :\t\r\n";
}

void TestAbcversn::caption()
{
    QFETCH(QString, file);
    QFETCH(QList<TItemRow>, items);
    QFETCH(bool, doubleSpaced);
    QFETCH(QString, caption);
    TabcVersionLabel label;
    label.SetDoubleSpaced(doubleSpaced);
    label.VersionInfo()->SetFileName(m_files.value(file));
    AddItems(label.VersionInfo(), items);
    label.Loaded();
    QCOMPARE(label.text(), caption);
}

void TestAbcversn::builtExecutable()
{
    TabcVersionLabel label;
    label.VersionInfo()->SetFileName(QStringLiteral(GLIMRA_EXECUTABLE));
    label.SetDoubleSpaced(false);
    AddItems(label.VersionInfo(), {{"FileVersion", "Build :"}, {"CompanyName", "By"}, {"ProductVersion", "P"},
                                   {"LegalCopyright", "C"}});
    label.Loaded();
    QCOMPARE(label.text(), QStringLiteral("Build :\t5.0.0.1\r\nBy\tTorvane\r\nP\t5.0.0.1\r\n"
                                          "C\tCopyright © 2026 Torvane. Freeware.\r\n"));

    const QString stripped = m_dir.filePath("glimra-stripped");
    QCOMPARE(Objcopy({QStringLiteral("--remove-section"), QLatin1String(kVersionSection),
                      QStringLiteral(GLIMRA_EXECUTABLE), stripped}),
             0);
    TabcVersionLabel bare;
    bare.VersionInfo()->SetFileName(stripped);
    AddItems(bare.VersionInfo(), {{"FileVersion", "Build :"}});
    bare.Loaded();
    QCOMPARE(bare.text(), QStringLiteral("Build :\t\r\n\r\n"));
}

void TestAbcversn::itemAssignment()
{
    TabcVersionInfoCollection source;
    AddItems(&source, {{"FileVersion", "Build :"}});
    TabcVersionInfoItem *from = source.Items(0);
    from->SetValue("5.0.0.1");

    TabcVersionLabel label;
    int notices = 0;
    label.SetOnUpdateVersionInfo([&](QObject *sender) {
        QCOMPARE(sender, label.VersionInfo());
        ++notices;
    });
    TabcVersionInfoItem *to = label.VersionInfo()->Add();
    to->SetVisible(false);
    to->SetValue("old");
    notices = 0;
    to->Assign(from);
    QCOMPARE(std::tuple(to->Key(), to->Caption(), to->Value()),
             std::tuple(QString("FileVersion"), QString("Build :"), QString()));
    QVERIFY(!to->Visible());
    QCOMPARE(notices, 0);
    QCOMPARE(to->DisplayName(), QStringLiteral("FileVersion"));
    QVERIFY_THROWS_EXCEPTION(EGlimraError, to->Assign(&label));
}

void TestAbcversn::changeNotices()
{
    TabcVersionLabel label;
    int notices = 0;
    label.SetOnUpdateVersionInfo([&](QObject *) { ++notices; });
    TabcVersionInfoItem *item = label.VersionInfo()->Add();
    QCOMPARE(notices, 1);
    item->SetCaption("Build :");
    item->SetCaption("Build :"); // unchanged: no notice
    item->SetDisplayName("FileVersion");
    QCOMPARE(notices, 3);

    TabcVersionInfoCollection other;
    AddItems(&other, {{"A", "a"}, {"B", "b", false}, {"C", "c"}});
    label.SetVersionInfo(&other);
    QCOMPARE(notices, 4);
    QCOMPARE(label.VersionInfo()->Count(), 3);
    QVERIFY(label.VersionInfo()->Items(1)->Visible()); // Visible is not copied

    label.SetDoubleSpaced(false); // rebuilds the caption without reading
    QCOMPARE(notices, 4);
    QCOMPARE(label.text(), QStringLiteral("a\t\r\nb\t\r\nc\t\r\n"));
    label.Loaded();
    QCOMPARE(notices, 5);
    label.VersionInfo()->Delete(0);
    QCOMPARE(notices, 6);
    QCOMPARE(label.text(), QStringLiteral("b\t\r\nc\t\r\n"));
}

void TestAbcversn::designMode()
{
    TabcVersionLabel label;
    label.SetDesigning(true);
    label.VersionInfo()->SetFileName(m_files["good"]);
    label.RefreshCaption();
    QCOMPARE(label.text(), QStringLiteral("<VersionInfo needed>"));
    AddItems(label.VersionInfo(), {{"FileVersion", "Build :"}});
    QCOMPARE(label.text(), QStringLiteral("Build :\t<not available at designtime>\r\n\r\n"));
    QCOMPARE(label.VersionInfo()->Items(0)->Value(), QString()); // nothing read
}

void TestAbcversn::tabStops()
{
    TabcVersionLabel label;
    label.SetTabStop(4);
    // The count fills bits 8 to 15 whatever the no-prefix bit there says.
    QCOMPARE(label.DrawFormat() >> 8 & 0xFF, 0x0Cu);
    label.SetTabStop(10);

    // With the defaults a value starts 10 average character widths from the left.
    const QFontMetrics fm(label.font());
    QCOMPARE(MeasureTextA(fm, "Build :\tX", QRect(0, 0, 1000, 100), label.DrawFormat()).width(),
             10 * fm.averageCharWidth() + fm.horizontalAdvance("X"));
}

void TestAbcversn::disabledIsEmbossed()
{
    QPalette palette = QGuiApplication::palette();
    palette.setColor(QPalette::Light, Qt::red);  // 3-D highlight
    palette.setColor(QPalette::Dark, Qt::blue);  // button shadow
    QGuiApplication::setPalette(palette);
    TabcVersionLabel label;
    label.SetColor(Qt::white);
    label.resize(200, 60);
    label.VersionInfo()->SetFileName(m_files["good"]);
    AddItems(label.VersionInfo(), {{"FileVersion", "Build :"}});
    label.setEnabled(false);
    label.Loaded();
    const QImage image = label.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QRect red = ColorBounds(image, qRgb(255, 0, 0)), blue = ColorBounds(image, qRgb(0, 0, 255));
    QVERIFY(!blue.isEmpty());
    QCOMPARE(red.bottomRight(), blue.bottomRight() + QPoint(1, 1));
}

QTEST_MAIN(TestAbcversn)
#include "tst_abcversn.moc"
