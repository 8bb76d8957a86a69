// The words of art without the art, lines in and lines out.

#include "document/TextOnly.h"

#include <QTest>

class TestTextOnly : public QObject
{
    Q_OBJECT

private slots:
    void filter_data();
    void filter();
};

void TestTextOnly::filter_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QStringList>("words");
    QTest::newRow("a framed note") << QStringList{"\u2554\u2550\u2550\u2550\u2550\u2550\u2550\u2557",
                                                "\u2551 Hello \u2551",
                                                "\u255A\u2550\u2550\u2550\u2550\u2550\u2550\u255D"}
                                   << QStringList{"Hello"};
    QTest::newRow("a table keeps its columns") << QStringList{"\u2502 Name   \u2502 Size \u2502", "\u2502 a.zip  \u2502 12   \u2502"}
                                               << QStringList{"Name   \u2502 Size", "a.zip  \u2502 12"};
    QTest::newRow("indent kept between lines") << QStringList{"\u2551   Release", "\u2551     Harbour"}
                                               << QStringList{"Release", "  Harbour"};
    QTest::newRow("a heading in a rule stays") << QStringList{"\u2550\u2550\u2550 INFO \u2550\u2550\u2550"} << QStringList{"INFO"};
    QTest::newRow("mostly shades is dropped") << QStringList{"\u2591\u2592\u2593 x \u2593\u2592\u2591 \u2588\u2588\u2588\u2588 y"}
                                              << QStringList{};
    QTest::newRow("empty lines fold") << QStringList{"", "a", "", "\u2588\u2588", "", "b", "", ""}
                                      << QStringList{"a", "", "b"};
    QTest::newRow("the small square is art") << QStringList{"\u25A0\u25A0 Hi \u25A0"} << QStringList{"Hi"};
    QTest::newRow("plain text as it is") << QStringList{"  one  two", "  three"} << QStringList{"one  two", "three"};
}

void TestTextOnly::filter()
{
    QFETCH(QStringList, lines);
    QFETCH(QStringList, words);
    QCOMPARE(TextOnly::Filter(lines), words);
}

QTEST_APPLESS_MAIN(TestTextOnly)
#include "tst_textonly.moc"
