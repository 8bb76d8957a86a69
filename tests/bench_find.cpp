// Times a Find Next over a 100 MB document for texts that are not in it (the
// whole document is scanned). Build with --target bench_find; pass --document
// to time fetching the text from a QTextDocument of the same size as well.

#include "platform/Cp437.h"
#include "document/TextSearch.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QString>
#include <QTextDocument>

#include <cstdio>

namespace {

constexpr qsizetype kDocumentSize = 100 * 1000 * 1000;

QString Chars(std::initializer_list<int> bytes)
{
    QString s;
    for (int b : bytes)
        s += QChar(Cp437::ToUnicode(static_cast<unsigned char>(b)));
    return s;
}

// Frames, shades and blocks alternating with lines of prose, as in a release's
// information file; the words never form the texts searched for.
QString MakeDocument()
{
    QRandomGenerator random(437);
    const QString art = Chars({0xB0, 0xB1, 0xB2, 0xDB, 0xDC, 0xDF, 0xDD, 0xDE, 0xC4, 0xCD, 0xB3, 0xBA,
                               0xC9, 0xBB, 0xC8, 0xBC, 0xDA, 0xBF, 0xC0, 0xD9, 0xFE, 0xF9, 0x20, 0x20});
    const QStringList words = {QStringLiteral("release"), QStringLiteral("the"), QStringLiteral("group"),
                               QStringLiteral("Supplier"), QStringLiteral("date"), QStringLiteral("and"),
                               QStringLiteral("Cracked"), QStringLiteral("of"), QStringLiteral("disks"),
                               QStringLiteral("greetings"), QStringLiteral("to"), QStringLiteral("NFO"),
                               Chars({0x8E, 0x84, 0x81, 0x9A, 0x82}), QStringLiteral("Members"),
                               QStringLiteral("install"), QStringLiteral("notes:")};
    QString text;
    text.reserve(kDocumentSize + 200);
    while (text.size() < kDocumentSize) {
        if (random.bounded(3) == 0) {
            text += QStringLiteral("   ");
            for (int i = 0; i < 8 + int(random.bounded(60)); ++i) {
                text += words.at(random.bounded(words.size()));
                text += u' ';
            }
        } else {
            const int width = 40 + int(random.bounded(40));
            for (int i = 0; i < width; ++i)
                text += art.at(random.bounded(art.size()));
        }
        text += u'\n';
    }
    text.truncate(kDocumentSize);
    return text;
}

void Time(const char *what, const auto &search)
{
    double best = 1e9, worst = 0;
    qsizetype found = 0;
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer timer;
        timer.start();
        found = search();
        const double ms = timer.nsecsElapsed() / 1e6;
        best = std::min(best, ms);
        worst = std::max(worst, ms);
    }
    std::printf("%-46s %9.1f ms best %9.1f ms worst  (result %lld)\n", what, best, worst,
                static_cast<long long>(found));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QElapsedTimer timer;
    timer.start();
    const QString text = MakeDocument();
    std::printf("document: %lld characters, made in %lld ms\n", static_cast<long long>(text.size()),
                static_cast<long long>(timer.elapsed()));

    const QString absent[] = {
        QStringLiteral("greetings from nowhere"),
        QStringLiteral(" xylophone"),
        QStringLiteral("q"),
        Chars({0xCD, 0xCD, 0xBB, 0x20, 0x41}),
        Chars({0x8E, 0x84, 0x81, 0x9A, 0x9A}),
    };
    for (const QString &what : absent) {
        if (text.contains(what, Qt::CaseInsensitive))
            std::printf("warning: \"%s\" occurs\n", qPrintable(what));
    }
    for (const QString &what : absent) {
        const QByteArray label = "FindText \"" + what.toUtf8() + '"';
        Time(label.constData(), [&] { return TextSearch::FindText(text, what, 0); });
    }
    Time("reference: QString::indexOf, case-insensitive",
         [&] { return text.indexOf(absent[0], 0, Qt::CaseInsensitive); });

    if (QCoreApplication::arguments().contains(QStringLiteral("--document"))) {
        timer.restart();
        QTextDocument document;
        document.setPlainText(text);
        std::printf("QTextDocument::setPlainText: %lld ms\n", static_cast<long long>(timer.elapsed()));
        Time("QTextDocument::toRawText", [&] { return document.toRawText().size(); });
        Time("QTextDocument::toPlainText", [&] { return document.toPlainText().size(); });
        Time("toRawText + FindText", [&] {
            return TextSearch::FindText(document.toRawText(), absent[0], 0);
        });
    }
    return 0;
}
