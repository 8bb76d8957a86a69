// Addresses in the text: which characters make an address, and what opens.

#include "document/Links.h"

#include <QTest>

class TestLinks : public QObject
{
    Q_OBJECT

private slots:
    void addresses_data();
    void addresses();
};

void TestLinks::addresses_data()
{
    // The line, and each address found as "text=url", joined by " | ".
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("found");
    QTest::newRow("sentence end") << "See http://a.org/x. Then" << "http://a.org/x=http://a.org/x";
    QTest::newRow("comma, parenthesis, angle") << "(https://a.org), <ftp://b.net/f>"
                                               << "https://a.org=https://a.org | ftp://b.net/f=ftp://b.net/f";
    QTest::newRow("parenthesis of the address") << "http://w.org/A_(b) end"
                                                << "http://w.org/A_(b)=http://w.org/A_(b)";
    QTest::newRow("brackets around it") << "[https://x.org] {http://y.org} <www.z.org> (ftp://w.org/)"
                                        << "https://x.org=https://x.org | http://y.org=http://y.org | "
                                           "www.z.org=http://www.z.org | ftp://w.org/=ftp://w.org/";
    QTest::newRow("bracket of the address") << "http://w.org/a[1] end" << "http://w.org/a[1]=http://w.org/a[1]";
    QTest::newRow("telnet, as BBS art gives it") << "telnet://bbs.harbour.test:23." << "telnet://bbs.harbour.test:23=telnet://bbs.harbour.test:23";
    QTest::newRow("www name") << "at www.group.test!" << "www.group.test=http://www.group.test";
    QTest::newRow("scheme in capitals") << "HTTP://A.ORG" << "HTTP://A.ORG=HTTP://A.ORG";
    QTest::newRow("e-mail") << "mail nib@tea.test." << "nib@tea.test=mailto:nib@tea.test";
    QTest::newRow("art around it") << QStringLiteral("\u2551www.a.test\u2551\u2588") << "www.a.test=http://www.a.test";
    QTest::newRow("address with a user") << "ftp://me@b.net/" << "ftp://me@b.net/=ftp://me@b.net/";
    QTest::newRow("other schemes are text") << "file:///etc/passwd javascript:alert(1) mailto:x" << "";
    QTest::newRow("not a word start") << "xwww.a.test a@b nohttp://a" << "";
    QTest::newRow("nothing after the scheme") << "http:// and www." << "";
}

void TestLinks::addresses()
{
    QFETCH(QString, line);
    QFETCH(QString, found);
    QStringList shown;
    for (const TLink &link : Links::Find(line))
        shown << line.mid(link.Start, link.End - link.Start) + u'=' + link.Url;
    QCOMPARE(shown.join(QStringLiteral(" | ")), found);
}

QTEST_GUILESS_MAIN(TestLinks)
#include "tst_links.moc"
