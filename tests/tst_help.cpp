// The help layer: where the help file is looked for, and what the viewer shows.

#include "app/MainCommands.h"
#include "platform/Help.h"
#include "support/ScriptedDialogs.h"

#include <QDir>
#include <QFile>
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
    QTest::addColumn<QString>("found"); // "current", "program" or empty
    QTest::newRow("current directory first") << true << true << "current";
    QTest::newRow("then the program's directory") << false << true << "program";
    QTest::newRow("nowhere") << false << false << "";
}

void TestHelp::lookup()
{
    QFETCH(bool, inCurrent);
    QFETCH(bool, inProgram);
    QFETCH(QString, found);
    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("current"));
    QDir(dir.path()).mkpath(QStringLiteral("program"));
    auto touch = [&](const char *sub) {
        QFile f(dir.filePath(QStringLiteral("%1/Glimra.hlp").arg(QLatin1String(sub))));
        QVERIFY(f.open(QIODevice::WriteOnly));
    };
    if (inCurrent)
        touch("current");
    if (inProgram)
        touch("program");
    const QString result = FindHelpFile(QStringLiteral("Glimra.hlp"), dir.filePath(QStringLiteral("current")),
                                        dir.filePath(QStringLiteral("program")));
    if (found.isEmpty())
        QVERIFY(result.isEmpty());
    else
        QCOMPARE(result, dir.filePath(found + QStringLiteral("/Glimra.hlp")));
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
