// The web page of a document: what is escaped, what becomes a link, what
// the record gives the head, and the colours of colour art.

#include "document/TextBuffer.h"
#include "formats/HtmlPage.h"

#include "support/HtmlCheck.h"

#include <QTest>

Q_DECLARE_METATYPE(QList<THtmlRun>)

class TestHtmlPage : public QObject
{
    Q_OBJECT

private slots:
    void page_data();
    void page();
};

void TestHtmlPage::page_data()
{
    // Code page 437 text, whether it has a record, and what the page must
    // and must not hold.
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("record");
    QTest::addColumn<QStringList>("holds");
    QTest::addColumn<QStringList>("lacks");
    QTest::addColumn<QList<THtmlRun>>("runs"); // the colours of each line, none for text
    QTest::newRow("markup is text") << QByteArray("<b>&\"'</b>") << false
                                    << QStringList{"<pre>&lt;b&gt;&amp;&quot;&#39;&lt;/b&gt;\n</pre>", "<title>art.nfo</title>"}
                                    << QStringList{"<b>"} << QList<THtmlRun>{};
    QTest::newRow("art as Unicode") << QByteArray("\xC9\xCD\xBB\x00\x01", 5) << false << QStringList{"<pre>\u2554\u2550\u2557 \u263A\n"}
                                    << QStringList{} << QList<THtmlRun>{};
    QTest::newRow("links") << QByteArray("http://a.org/?x=1&y=2 www.b.org nib@c.test") << false
                           << QStringList{"<a href=\"http://a.org/?x=1&amp;y=2\">http://a.org/?x=1&amp;y=2</a>",
                                          "<a href=\"http://www.b.org\">www.b.org</a>", "<a href=\"mailto:nib@c.test\">"}
                           << QStringList{} << QList<THtmlRun>{};
    QTest::newRow("no other schemes") << QByteArray("telnet://bbs.test javascript:alert(1) file:///etc") << false
                                      << QStringList{"telnet://bbs.test"} << QStringList{"<a "} << QList<THtmlRun>{};
    QTest::newRow("record's title and author") << QByteArray("art") << true
                                               << QStringList{"<title>Tide &lt;Clock&gt;</title>",
                                                              "<meta name=\"author\" content=\"Nib &amp; Co\">"}
                                               << QStringList{"art.nfo"} << QList<THtmlRun>{};
    QTest::newRow("blocks join") << QByteArray("\xDB\xDB\r\n\xDB\xDB") << false
                                 << QStringList{"line-height: 1;", "letter-spacing: 0;", "\u2588\u2588\n\u2588\u2588\n</pre>"}
                                 << QStringList{} << QList<THtmlRun>{};
    QTest::newRow("a last break starts no line") << QByteArray("a\r\n") << false << QStringList{"<pre>a\n</pre>"}
                                                 << QStringList{} << QList<THtmlRun>{};
    const auto span = [](const char *colour) { return QStringLiteral("<span style=\"color:%1;background:#000000\">").arg(QLatin1String(colour)); };
    QTest::newRow("colour runs") << QByteArray("abc") << false << QStringList{span("#ff0000") + "a</span>" + span("#00ff00") + "bc</span>"}
                                 << QStringList{} << QList<THtmlRun>{{1, 0xFF0000, 0}, {2, 0x00FF00, 0}};
    QTest::newRow("a link across colour runs")
        << QByteArray("see http://a.test/p now") << false
        << QStringList{"see <a href=\"http://a.test/p\">http://</a></span>" + span("#00ff00") + "<a href=\"http://a.test/p\">a.test/p</a> now"}
        << QStringList{} << QList<THtmlRun>{{11, 0xFF0000, 0}, {12, 0x00FF00, 0}};
    QTest::newRow("the art's own hyperlink wins over an address")
        << QByteArray("a www.x.test b") << false
        << QStringList{span("#ff0000") + "a </span>" + span("#ff0000") + "<a href=\"https://y.test/\">www.</a></span>" + span("#00ff00")
                       + "<a href=\"https://y.test/\">x.test</a></span>" + span("#00ff00") + " b</span>"}
        << QStringList{"http://www.x.test"}
        << QList<THtmlRun>{{2, 0xFF0000, 0, {}}, {4, 0xFF0000, 0, QStringLiteral("https://y.test/")},
                           {6, 0x00FF00, 0, QStringLiteral("https://y.test/")}, {2, 0x00FF00, 0, {}}};
}

void TestHtmlPage::page()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, record);
    QFETCH(QStringList, holds);
    QFETCH(QStringList, lacks);
    QFETCH(QList<THtmlRun>, runs);
    TTextBuffer doc;
    doc.Load(text);
    std::optional<TSauce> sauce;
    if (record)
        sauce = Sauce::New(QStringLiteral("Tide <Clock>"), QStringLiteral("Nib & Co"), {}, 3, 1, 3);
    const THtmlColours colours = [&runs](qsizetype) { return runs; };
    const QString page = QString::fromUtf8(HtmlPage::Make(doc, sauce, QStringLiteral("art.nfo"), {}, runs.isEmpty() ? THtmlColours() : colours));
    for (const QString &part : holds)
        QVERIFY2(page.contains(part), qPrintable(part + QStringLiteral(" not in ") + page));
    for (const QString &part : lacks)
        QVERIFY2(!page.contains(part), qPrintable(part));
    const QString problem = HtmlCheck::Problem(page);
    QVERIFY2(problem.isEmpty(), qPrintable(problem + u'\n' + page));
}

QTEST_APPLESS_MAIN(TestHtmlPage)
#include "tst_htmlpage.moc"
