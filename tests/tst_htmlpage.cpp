// The web page of a document: what is escaped, what becomes a link, what
// the record gives the head, and the colours of colour art.

#include "document/SourceScan.h"
#include "document/TextBuffer.h"
#include "formats/FileFormat.h"
#include "formats/HtmlPage.h"

#include "support/HtmlCheck.h"

#include <QBuffer>
#include <QTemporaryFile>
#include <QTest>

Q_DECLARE_METATYPE(QList<THtmlRun>)

class TestHtmlPage : public QObject
{
    Q_OBJECT

private slots:
    void page_data();
    void page();
    void pageReadInPieces_data();
    void pageReadInPieces();
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

void TestHtmlPage::pageReadInPieces_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("window"); // positions read at a time
    const QByteArray art("\xC9\xCD\xBB <&\"> caf\x82 \x00\x01\r\n\xBA www.a.test \xBA\r\n\r\n\xC8\xCD\xBC");
    const QByteArray utf8 = QStringLiteral("\u2554\u2550\u2557 r\u00E9sum\u00E9 \u65E5\u672C\r\n\u2551 http://b.test/\u00E9 \U0001F600\r\n")
                                .toUtf8()
                                .repeated(3);
    QTest::newRow("code page 437, windows of 1") << art << 1;
    QTest::newRow("code page 437, windows of 3") << art << 3;
    QTest::newRow("UTF-8, windows of 2") << utf8 << 2;
    QTest::newRow("UTF-8, windows of 5") << utf8 << 5;
    QTest::newRow("UTF-16 LE with a mark") << "\xFF\xFE" + QByteArray::fromRawData(reinterpret_cast<const char *>(u"ab\u2500\r\nc\u00E9"), 14) << 3;
    // A line longer than is written at once, cut inside a sequence.
    QTest::newRow("a line of megabytes") << "x" + QStringLiteral("\u00E9").toUtf8().repeated(600000) + "\r\nend" << 4096;
}

void TestHtmlPage::pageReadInPieces()
{
    // Read from the file in small blocks, a few positions at a time, the page
    // is the page of the whole text held in memory.
    QFETCH(QByteArray, file);
    QFETCH(int, window);
    QTemporaryFile saved;
    QVERIFY(saved.open() && saved.write(file) == file.size() && saved.flush());
    TFileFormat format = FileFormat::Detect(file);
    const std::shared_ptr<TSourceFile> source = TSourceFile::Open(saved.fileName());
    TDecodedSource::TShape shape = FileFormat::Shape(format, file.size(), file);
    shape.BlockBytes = 7;
    shape.ReadBytes = 20;
    TTextBuffer onDemand;
    onDemand.SetCharset(format.Charset);
    onDemand.Open(std::make_shared<TDecodedSource>(source, shape));
    TSourceScan scan(source, shape, 5);
    for (bool last = false; !last;) {
        const TScanBatch batch = scan.Next();
        onDemand.AppendSource(batch);
        last = batch.Last;
    }
    TTextBuffer whole;
    whole.SetCharset(format.Charset);
    whole.Load(FileFormat::ToDocument(file, format));
    QByteArray pieces;
    QBuffer out(&pieces);
    out.open(QIODevice::WriteOnly);
    QVERIFY(HtmlPage::Write(onDemand, {}, QStringLiteral("a"), {}, out, {}, {}, window));
    QCOMPARE(pieces, HtmlPage::Make(whole, {}, QStringLiteral("a"), {}));
}

QTEST_APPLESS_MAIN(TestHtmlPage)
#include "tst_htmlpage.moc"
