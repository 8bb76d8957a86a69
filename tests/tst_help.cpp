// The help layer: where the help file is looked for, and what the viewer shows.

#include "app/MainCommands.h"
#include "platform/Help.h"
#include "support/ScriptedDialogs.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>

class TestHelp : public QObject
{
    Q_OBJECT

private slots:
    void lookup_data();
    void lookup();
    void viewerShowsTheShippedFileFromItsBeginning();
    void missingFileIsReportedByTheViewer();
};

void TestHelp::lookup_data()
{
    QTest::addColumn<bool>("inCurrent");
    QTest::addColumn<bool>("inProgram");
    QTest::addColumn<bool>("inData");
    QTest::addColumn<QString>("found"); // "current", "program", "data" or empty
    QTest::newRow("current directory first") << true << true << true << "current";
    QTest::newRow("then the program's directory") << false << true << true << "program";
    QTest::newRow("then the installed data folder") << false << false << true << "data";
    QTest::newRow("nowhere") << false << false << false << "";
}

void TestHelp::lookup()
{
    QFETCH(bool, inCurrent);
    QFETCH(bool, inProgram);
    QFETCH(bool, inData);
    QFETCH(QString, found);
    // An install's layout: the program in prefix/bin, its data where the
    // build puts it relative to that.
    QTemporaryDir dir;
    const QString program = dir.filePath(QStringLiteral("prefix/bin"));
    const QHash<QString, QString> dirs{
        {QStringLiteral("current"), dir.filePath(QStringLiteral("current"))},
        {QStringLiteral("program"), program},
        {QStringLiteral("data"), QDir::cleanPath(program + u'/' + QStringLiteral(GLIMRA_DATA_FROM_PROGRAM))}};
    for (const QString &path : dirs)
        QVERIFY(QDir().mkpath(path));
    auto touch = [&](const QString &key) {
        QFile f(dirs[key] + QStringLiteral("/Glimra.hlp"));
        QVERIFY(f.open(QIODevice::WriteOnly));
    };
    if (inCurrent)
        touch(QStringLiteral("current"));
    if (inProgram)
        touch(QStringLiteral("program"));
    if (inData)
        touch(QStringLiteral("data"));
    const QString result = FindHelpFile(QStringLiteral("Glimra.hlp"), dirs[QStringLiteral("current")], program);
    if (found.isEmpty())
        QVERIFY(result.isEmpty());
    else
        QCOMPARE(result, dirs[found] + QStringLiteral("/Glimra.hlp"));
}

void TestHelp::viewerShowsTheShippedFileFromItsBeginning()
{
    QWidget owner;
    const QString shipped = QStringLiteral(GLIMRA_HELP_FILE);
    QDir::setCurrent(QFileInfo(shipped).path());
    ScriptedDialogs dialogs;
    QVERIFY(WinHelp(&owner, QStringLiteral("Glimra.hlp")));
    auto *viewer = owner.findChild<THelpViewer *>();
    QVERIFY(viewer && viewer->isVisible());
    QCOMPARE(viewer->FileName(), QFileInfo(shipped).absoluteFilePath());
    const QTextBrowser *browser = viewer->findChild<QTextBrowser *>();
    const QString text = browser->toPlainText();
    // Every menu item and command-line option is told of.
    QStringList topics{"--export-png", "--export-pdf", "--export-html", "--thumbnail", "--scale", "--font", "--size"};
    for (const TMenuItemDef &item : MenuItems()) {
        if (qstrcmp(item.Caption, "-") != 0)
            topics << QString::fromLatin1(item.Caption).remove(u'&').remove(QStringLiteral("..."));
    }
    for (const QString &topic : std::as_const(topics))
        QVERIFY2(text.contains(topic, Qt::CaseInsensitive), qPrintable(topic));
    QCOMPARE(browser->textCursor().position(), 0);
    // A second call reuses the one viewer.
    QVERIFY(WinHelp(&owner, QStringLiteral("Glimra.hlp")));
    QCOMPARE(owner.findChildren<THelpViewer *>().size(), 1);
    QVERIFY(dialogs.Log.isEmpty());
    QTest::keyClick(browser->viewport(), Qt::Key_Escape);
    QVERIFY(!viewer->isVisible());
}

void TestHelp::missingFileIsReportedByTheViewer()
{
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    ScriptedDialogs dialogs;
    QWidget owner;
    QVERIFY(!WinHelp(&owner, QStringLiteral("NoSuchHelp.hlp")));
    QCOMPARE(dialogs.Texts(QStringLiteral("Error")).size(), 1);
    QVERIFY(dialogs.Texts(QStringLiteral("Error")).first().contains(QLatin1String("NoSuchHelp.hlp")));
}

QTEST_MAIN(TestHelp)
#include "tst_help.moc"
