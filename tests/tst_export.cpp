// Pictures of the document: the image against the screen, the limits, the
// PDF against Print, the window's commands and the command line.

#include "app/Export.h"
#include "app/ExportCommands.h"
#include "platform/Errors.h"
#include "platform/Printing.h"
#include "support/MainFixture.h"
#include "formats/Sauce.h"
#include "render/CellPainter.h"
#include "render/TextModeFace.h"
#include "textview/AnsiView.h"
#include "textview/RichEdit.h"

#include "Version.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QImageReader>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

class TestExport : public QObject
{
    Q_OBJECT

private slots:
    void pictureMatchesTheScreen_data();
    void pictureMatchesTheScreen();
    void tooLargeIsRefusedWithTheLinesThatFit_data();
    void tooLargeIsRefusedWithTheLinesThatFit();
    void pngSideLimitIsTheWritersOwn();
    void pictureInBandsIsThePictureWhole_data();
    void pictureInBandsIsThePictureWhole();
    void cancelledExportLeavesNoFile();
    void pdfHasPrintsPages();
    void pagesEndWithTheText_data();
    void pagesEndWithTheText();
    void thumbnailKeepsTheShapeAndReadsTheTop();
    void windowExportsTheSelectedLines();
    void commandLine_data();
    void commandLine();
    void artPictureIsCellExact_data();
    void artPictureIsCellExact();

private:
    static QByteArray Example()
    {
        return MainFixture::ReadFile(QStringLiteral(GLIMRA_EXAMPLES "/glimra.nfo"));
    }
    static TLook LookOf(const TRichEdit &edit) { return {edit.font(), edit.TextColor(), edit.BackgroundColor()}; }
    // The program run on arguments in dir, on its own settings there, without a display.
    static bool Run(QProcess &glimra, const QTemporaryDir &dir, const QStringList &arguments)
    {
        glimra.setWorkingDirectory(dir.path());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("QT_QPA_PLATFORM")); // it must choose offscreen itself
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.path());
        glimra.setProcessEnvironment(environment);
        glimra.start(QStringLiteral(GLIMRA_EXECUTABLE), arguments);
        return glimra.waitForFinished(60000);
    }
    static int PdfPages(const QString &path)
    {
        static const QRegularExpression count(QStringLiteral("/Count (\\d+)"));
        return count.match(QString::fromLatin1(MainFixture::ReadFile(path))).captured(1).toInt();
    }
};

void TestExport::pictureMatchesTheScreen_data()
{
    QTest::addColumn<char>("byte");
    QTest::newRow("full block") << '\xDB';
    QTest::newRow("shade") << '\xB1';
    QTest::newRow("frame corner") << '\xC9';
}

void TestExport::pictureMatchesTheScreen()
{
    QFETCH(char, byte);
    TRichEdit edit;
    edit.resize(1000, 900);
    edit.show();
    QVERIFY(QTest::qWaitForWindowExposed(&edit));
    const QByteArray example = Example();
    edit.SetBytes(example);
    edit.clearFocus(); // no caret over the cells
    const TTextBuffer &doc = edit.Document();
    const int at = int(example.indexOf(byte));
    QVERIFY(at >= 0);
    const QRect cell = edit.CharRect(at);
    const QImage screen = edit.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QVERIFY(screen.rect().contains(cell));

    const QImage one = Export::Picture(doc, LookOf(edit), 0, doc.LineCount(), 1);
    const QImage two = Export::Picture(doc, LookOf(edit), 0, doc.LineCount(), 2);
    // The example's widest line is 78 cells, without tabs.
    QCOMPARE(one.size(), QSize(78 * cell.width(), doc.LineCount() * cell.height()));
    QCOMPARE(two.size(), one.size() * 2);
    QCOMPARE(one.copy(cell), screen.copy(cell));
    if (byte == '\xDB')
        QCOMPARE(two.copy(QRect(cell.topLeft() * 2, cell.size() * 2)).pixel(cell.width() - 1, cell.height() - 1),
                 edit.TextColor().rgb());
}

void TestExport::tooLargeIsRefusedWithTheLinesThatFit_data()
{
    QTest::addColumn<int>("scale");
    QTest::newRow("1x") << 1;
    QTest::newRow("2x") << 2;
}

void TestExport::tooLargeIsRefusedWithTheLinesThatFit()
{
    QFETCH(int, scale);
    TRichEdit edit;
    edit.SetBytes(QByteArray(300000, '\n'));
    TCellPainter cells;
    cells.SetFont(edit.font());
    const int fit = int(Export::kMaxImageSide / (cells.CellHeight() * scale));
    QString message;
    try {
        Export::Picture(edit.Document(), LookOf(edit), 0, edit.Document().LineCount(), scale);
    } catch (const EGlimraError &error) {
        message = error.Message();
    }
    QVERIFY2(message.endsWith(QStringLiteral("at most %1 lines fit").arg(fit)), qPrintable(message));
    // As many lines as fit make an image of at most the limit.
    const QImage largest = Export::Picture(edit.Document(), LookOf(edit), 0, fit, scale);
    QVERIFY(largest.height() <= Export::kMaxImageSide && largest.height() > Export::kMaxImageSide - cells.CellHeight() * scale);
}

void TestExport::pngSideLimitIsTheWritersOwn()
{
    QTemporaryDir dir;
    const QString png = dir.filePath(QStringLiteral("tall.png"));
    QImage tall(1, int(Export::kMaxImageSide) + 1, QImage::Format_RGB32);
    tall.fill(Qt::white);
    QVERIFY_THROWS_EXCEPTION(EGlimraError, Export::WritePng(tall, png));
    QVERIFY(!QFile::exists(png)); // nothing half written is left
    Export::WritePng(tall.copy(0, 0, 1, int(Export::kMaxImageSide)), png);
    QCOMPARE(QImageReader(png).size(), QSize(1, int(Export::kMaxImageSide)));
}

void TestExport::pictureInBandsIsThePictureWhole_data()
{
    // What is drawn, at what scale, in bands how high (in pixels), and
    // whether it takes a palette.
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("art");
    QTest::addColumn<int>("scale");
    QTest::addColumn<int>("band");
    QTest::addColumn<bool>("palette");
    QByteArray manyColours; // 300 colours of 24 bits: no palette holds them
    for (int k = 0; k < 300; ++k)
        manyColours += "\x1B[48;2;" + QByteArray::number(k % 256) + ';' + QByteArray::number(k / 256) + ";9m ";
    QTest::newRow("text, a band inside a row") << Example() << false << 1 << 7 << true;
    QTest::newRow("text at 2x, bands of three rows") << Example() << false << 2 << 96 << true;
    QTest::newRow("art, a band inside a row") << QByteArray("\x1B[1;33;44m\xDB\xB2 art \x1B[0;31m\xB0\r\n\x1B[42mX") << true << 1 << 5 << true;
    QTest::newRow("art of 300 colours") << manyColours << true << 1 << 16 << false;
}

void TestExport::pictureInBandsIsThePictureWhole()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, art);
    QFETCH(int, scale);
    QFETCH(int, band);
    QFETCH(bool, palette);
    QTemporaryDir dir;
    TFileFormat format;
    format.Art = art ? TArtKind::akAnsi : TArtKind::akText;
    TRichEdit edit;
    TAnsiView::Load(edit, bytes, format);
    const TTextBuffer &shown = edit.ShownText();
    const QImage whole = Export::Picture(shown, Export::LookOf(edit), 0, shown.LineCount(), scale);
    const QString png = dir.filePath(QStringLiteral("bands.png"));
    Export::WritePicture(shown, Export::LookOf(edit), 0, shown.LineCount(), scale, png, {}, band);
    QImageReader reader(png);
    const QImage read = reader.read();
    QCOMPARE(read.size(), whole.size());
    QCOMPARE(read.colorCount() > 0, palette);
    QImage expected = whole.convertToFormat(QImage::Format_RGB32);
    expected.setDevicePixelRatio(1);
    const QImage got = read.convertToFormat(QImage::Format_RGB32);
    QCOMPARE(got, expected);
}

void TestExport::cancelledExportLeavesNoFile()
{
    QTemporaryDir dir;
    TRichEdit edit;
    QByteArray text;
    for (int i = 0; i < 2000; ++i)
        text += "line\r\n";
    edit.SetBytes(text);
    const QString pdf = dir.filePath(QStringLiteral("out.pdf"));
    QVERIFY_THROWS_EXCEPTION(EAbort, Export::WritePdf(edit, QString(), pdf, [](qint64, qint64) { return false; }));
    QVERIFY_THROWS_EXCEPTION(EAbort, Export::Picture(edit.Document(), LookOf(edit), 0, 2000, 1, [](qint64, qint64) { return false; }));
    // Cancelled part way, a picture written in bands leaves the file it would replace as it was.
    const QString png = dir.filePath(QStringLiteral("out.png"));
    QFile old(png);
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
    old.close();
    QVERIFY_THROWS_EXCEPTION(EAbort, Export::WritePicture(edit.Document(), LookOf(edit), 0, 2000, 1, png,
                                                          [](qint64 done, qint64) { return done == 0; }, 64));
    QCOMPARE(MainFixture::ReadFile(png), QByteArray("old"));
    QVERIFY_THROWS_EXCEPTION(EAbort, Export::WriteHtml(edit.Document(), TFileFormat(), QString(), LookOf(edit), png,
                                                       [](qint64, qint64) { return false; }));
    QCOMPARE(MainFixture::ReadFile(png), QByteArray("old"));
    QFile::remove(png);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
}

void TestExport::pdfHasPrintsPages()
{
    MainFixture f;
    const QString printed = f.Dir.filePath(QStringLiteral("printed.pdf"));
    Printing::SetDefaultPrinterFactory([&] {
        auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(printed);
        return printer;
    });
    QByteArray text = Example();
    for (int i = 0; i < 300; ++i)
        text += "line " + QByteArray::number(i) + QByteArray(i % 150, '\xB1') + "\r\n"; // some wrap
    f.Window->LoadDocument(f.WriteFile(QStringLiteral("long.nfo"), text));
    f.Window->Item("Print1")->trigger();
    const QString exported = f.Dir.filePath(QStringLiteral("exported.pdf"));
    f.Dialogs.FileAnswers << exported;
    f.Window->Item("ExportPdf1")->trigger();
    Printing::SetDefaultPrinterFactory(nullptr);
    QVERIFY(f.Dialogs.Texts(QStringLiteral("Error")).isEmpty());
    QVERIFY2(PdfPages(printed) > 3, qPrintable(QString::number(PdfPages(printed))));
    QCOMPARE(PdfPages(exported), PdfPages(printed));
    // Compact: the shades of a page one pattern each, not one a cell, and in
    // a text-mode face its font embedded once, not its glyphs as pictures.
    for (const bool face : {false, true}) {
        if (face && !TTextModeFace::Find(QStringLiteral("Text Mode 8x16")))
            continue;
        if (face)
            f.Window->TextModeFontClick(QStringLiteral("Text Mode 8x16"));
        f.Dialogs.FileAnswers << exported;
        f.Dialogs.ConfirmAnswers << TModalResult::mrYes;
        f.Window->Item("ExportPdf1")->trigger();
        const QByteArray pdf = MainFixture::ReadFile(exported);
        const int pages = PdfPages(exported);
        QVERIFY2(pdf.size() / pages < 16000, qPrintable(QString::number(pdf.size() / pages)));
        QVERIFY(pdf.count("/PatternType") <= 2 * pages);
        QVERIFY(pdf.count("/Subtype /Image") <= 8);
        if (face)
            QCOMPARE(pdf.count("/FontFile2"), 1);
    }
}

void TestExport::pagesEndWithTheText_data()
{
    // Lines of text, in pages' worth of rows (plus or minus a line), and the
    // pages they fill.
    QTest::addColumn<int>("pagesOfRows");
    QTest::addColumn<int>("extra");
    QTest::addColumn<int>("pages");
    QTest::newRow("one page exactly") << 1 << 0 << 1;
    QTest::newRow("a line over") << 1 << 1 << 2;
    QTest::newRow("two pages exactly") << 2 << 0 << 2;
    QTest::newRow("a line short of two") << 2 << -1 << 2;
}

void TestExport::pagesEndWithTheText()
{
    QFETCH(int, pagesOfRows);
    QFETCH(int, extra);
    QFETCH(int, pages);
    QTemporaryDir dir;
    QPdfWriter writer(dir.filePath(QStringLiteral("rows.pdf")));
    TRichEdit edit;
    // The rows a page holds: its printable height in cells of the font as
    // the device measures it.
    TCellPainter cells;
    cells.SetFont(edit.font(), &writer);
    const int rows = int(writer.pageLayout().paintRectPixels(writer.logicalDpiX()).height()) / cells.CellHeight();
    QVERIFY(rows > 10);
    QByteArrayList lines(rows * pagesOfRows + extra, "short line");
    edit.SetBytes(lines.join("\r\n")); // no break after the last
    QPainter painter(&writer);
    QCOMPARE(Export::PaintPages(edit, painter, writer), pages);
}

void TestExport::thumbnailKeepsTheShapeAndReadsTheTop()
{
    // Three lines of sixty blocks, then a hole of 64 GB: only the top is
    // read, and the picture keeps its width to height.
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("wide.nfo")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(60, '\xDB') + "\r\n" + QByteArray(60, '\xDB') + "\r\n" + QByteArray(60, '\xDB') + "\r\n");
    const bool sparse = file.resize(qint64(64) << 30);
    file.close();
    if (!sparse)
        QSKIP("the file system holds no sparse file of 64 GB");
    TRichEdit edit;
    const TLook look = LookOf(edit);
    TCellPainter cells;
    cells.SetFont(look.Font);
    const QImage thumbnail = Export::Thumbnail(file.fileName(), look, 64);
    QCOMPARE(thumbnail.width(), 64);
    // The top read: its three lines, then the first row of NULs (blank).
    const double height = 64.0 * 3 * cells.CellHeight() / (60 * cells.CellWidth());
    QVERIFY2(qAbs(thumbnail.height() - height) <= 4 * 64.0 * cells.CellHeight() / (60 * cells.CellWidth()) + 1,
             qPrintable(QStringLiteral("%1 high, %2 expected").arg(thumbnail.height()).arg(height)));
}

void TestExport::windowExportsTheSelectedLines()
{
    MainFixture f;
    f.Window->LoadDocument(f.WriteFile(QStringLiteral("a.nfo"), "one\r\nsecond line\r\n\tthird\r\nfourth\r\n"));
    TRichEdit *edit = f.Window->richedit;
    edit->SetSel(6, 12); // from "cond" into "\tt"
    const QString png = f.Dir.filePath(QStringLiteral("out.png"));
    f.Dialogs.FileAnswers << png;
    f.Window->ExportImageDialog.Options[ExportCommands::ioScale].Chosen = 1; // 2x
    f.Window->ExportImageDialog.Options[ExportCommands::ioSelection].Chosen = 1;
    f.Window->Item("ExportImage1")->trigger();
    // The dialog is titled for what it does and proposes the document's
    // name as a picture, in its folder.
    QCOMPARE(f.Dialogs.Log.constLast().Caption, QStringLiteral("Export Image"));
    QCOMPARE(f.Dialogs.Log.constLast().Text, f.Dir.filePath(QStringLiteral("a.png")));
    const QImage image(png);
    // Two lines, as wide as the tab makes the third: 8 + 5 cells; drawn as a
    // document of those two lines alone would be.
    const QSize cell = edit->CharRect(1).size();
    QCOMPARE(image.size(), QSize(13 * cell.width() * 2, 2 * cell.height() * 2));
    TTextBuffer alone;
    alone.Load("second line\n\tthird");
    QImage expected = Export::Picture(alone, LookOf(*edit), 0, 2, 2).convertToFormat(QImage::Format_RGB32);
    expected.setDevicePixelRatio(1); // as read back from the file
    QCOMPARE(image.convertToFormat(QImage::Format_RGB32), expected);

    f.Window->Item("CopyAsImage1")->trigger();
    QCOMPARE(QGuiApplication::clipboard()->image().size(), image.size() / 2);
    edit->SetSel(0, 0);
    f.Window->Item("CopyAsImage1")->trigger(); // no selection: the whole document
    QCOMPARE(QGuiApplication::clipboard()->image().height(), 5 * cell.height());

    // The picture is replaced only when the user says so.
    const QByteArray before = MainFixture::ReadFile(png);
    f.Dialogs.FileAnswers << png;
    f.Dialogs.ConfirmAnswers << TModalResult::mrNo;
    f.Window->Item("ExportImage1")->trigger();
    QCOMPARE(f.Dialogs.Texts(QStringLiteral("Confirm")), QStringList{QStringLiteral("OK to overwrite %1").arg(png)});
    QCOMPARE(MainFixture::ReadFile(png), before);
}

void TestExport::commandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("error");   // the whole of standard error
    QTest::addColumn<QSize>("thumbnail"); // the largest a written PNG may be
    QTest::addColumn<QString>("output");  // the whole of standard output
    const QString example = QStringLiteral(GLIMRA_EXAMPLES "/glimra.nfo");
    QTest::newRow("png") << QStringList{"--export-png", "out.png", "--scale", "2", example} << 0 << "" << QSize() << "";
    QTest::newRow("a name that begins with a dash") << QStringList{"--export-png", "out.png", "--", "-art.nfo"} << 0 << ""
                                                    << QSize() << "";
    QTest::newRow("thumbnail") << QStringList{"--thumbnail", "64", "blank.nfo", "out.png"} << 0 << "" << QSize(64, 64) << "";
    QTest::newRow("missing input") << QStringList{"--export-png", "out.png", "missing.nfo"} << 1
                                   << "glimra: Cannot open file missing.nfo: No such file or directory\n" << QSize() << "";
    QTest::newRow("unwritable output") << QStringList{"--export-pdf", "no/such/dir/out.pdf", example} << 1
                                       << "glimra: Cannot create file no/such/dir/out.pdf: " << QSize() << "";
    QTest::newRow("a folder as input") << QStringList{"--export-png", "out.png", "."} << 1
                                       << "glimra: Cannot open file .: Is a directory\n" << QSize() << "";
    QTest::newRow("a second file") << QStringList{"--export-png", "out.png", example, example} << 2
                                   << "glimra: Give one file to draw; 1 more were given.\n" << QSize() << "";
    QTest::newRow("scale of a PDF") << QStringList{"--export-pdf", "out.pdf", "--scale", "2", example} << 2
                                    << "glimra: --scale applies to --export-png only.\n" << QSize() << "";
    QTest::newRow("font not installed") << QStringList{"--export-png", "out.png", "--font", "No Such Face", example} << 0
                                        << "glimra: The font No Such Face is not installed; drawing in " << QSize() << "";
    QTest::newRow("taller than a picture in memory") << QStringList{"--export-png", "out.png", "long.txt"} << 0 << ""
                                                     << QSize() << "";
    QTest::newRow("wider than a PNG image") << QStringList{"--export-png", "out.png", "wide.txt"} << 1
                                            << "glimra: The image would be" << QSize() << "";
    QTest::newRow("web page") << QStringList{"--export-html", "page.html", example} << 0 << "" << QSize() << "";
    QTest::newRow("version") << QStringList{"--version"} << 0 << "" << QSize() << "glimra " GLIMRA_VERSION_STRING "\n";
    QTest::newRow("the window without a display") << QStringList{example} << 1 << "glimra: cannot open the display (" << QSize() << "";
    QTest::newRow("unknown option") << QStringList{"--bogus", example} << 2 << "glimra: Unknown option 'bogus'.\n" << QSize() << "";
}

void TestExport::commandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, error);
    QFETCH(QSize, thumbnail);
    QFETCH(QString, output);
    QTemporaryDir dir;
    QFile::copy(QStringLiteral(GLIMRA_EXAMPLES "/glimra.nfo"), dir.filePath(QStringLiteral("-art.nfo")));
    QFile longFile(dir.filePath(QStringLiteral("long.txt")));
    QVERIFY(longFile.open(QIODevice::WriteOnly));
    longFile.write(QByteArray(300000, '\n'));
    longFile.close();
    QFile wideFile(dir.filePath(QStringLiteral("wide.txt")));
    QVERIFY(wideFile.open(QIODevice::WriteOnly));
    wideFile.write(QByteArray(3000000, 'w'));
    wideFile.close();
    // Blank but for a block at the end of each line: the corners show the background.
    QFile blank(dir.filePath(QStringLiteral("blank.nfo")));
    QVERIFY(blank.open(QIODevice::WriteOnly));
    for (int i = 0; i < 100; ++i)
        blank.write(QByteArray(60, ' ') + "\xDB\r\n");
    blank.close();

    QProcess glimra;
    QVERIFY(Run(glimra, dir, arguments));
    const QString stderrText = QString::fromLocal8Bit(glimra.readAllStandardError());
    QVERIFY2(error.isEmpty() ? stderrText.isEmpty() : stderrText.startsWith(error), qPrintable(stderrText));
    QCOMPARE(stderrText.count(u'\n'), error.isEmpty() ? 0 : 1);
    QCOMPARE(glimra.exitCode(), status);
    QCOMPARE(QString::fromLocal8Bit(glimra.readAllStandardOutput()), output);
    const QString out = dir.filePath(arguments.constFirst() == QLatin1String("--export-html") ? QStringLiteral("page.html")
                                                                                           : QStringLiteral("out.png"));
    QCOMPARE(QFile::exists(out), status == 0 && output.isEmpty());
    if (thumbnail.isValid()) {
        const QImage image(out);
        QVERIFY(image.width() <= thumbnail.width() && image.height() <= thumbnail.height());
        QVERIFY(image.width() == thumbnail.width() || image.height() == thumbnail.height());
        QCOMPARE(image.pixel(0, image.height() - 1), qRgb(0, 0, 128)); // the stored background
    }
}

void TestExport::artPictureIsCellExact_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("arguments"); // before the file's name
    QTest::addColumn<QSize>("size");
    // Three rows, the first cell on a blue paper; nothing else set.
    const QByteArray art("\x1B[44mA\x1B[0m\r\n\r\nB");
    const auto record = [](int width, int flags) {
        TSauce sauce = Sauce::New(QStringLiteral("t"), {}, {}, width, 3, 0, QDate(2026, 1, 1));
        sauce.FileType = 1; // ANSi
        sauce.Flags = quint8(flags);
        return Sauce::Make(sauce);
    };
    const QStringList png{"--export-png", "out.png"};
    QTest::newRow("80 columns") << "a.ans" << art << png << QSize(640, 48);
    QTest::newRow("9 pixels a letter") << "a.ans" << art + record(80, 4) << png << QSize(720, 48);
    QTest::newRow("40 columns") << "a.txt" << art + record(40, 0) << png << QSize(320, 48);
    QTest::newRow("width 0") << "a.txt" << art + record(0, 0) << png << QSize(640, 48);
    QTest::newRow("scale 2") << "a.ans" << art << QStringList{"--export-png", "out.png", "--scale", "2"} << QSize(1280, 96);
    QTest::newRow("binary text") << "a.bin" << QByteArray("A\x17" "B\x07", 4) << png << QSize(1280, 16);
    // The art's own font, 8 pixels high, makes the cells (at 2x, the multiple
    // nearest the 16-pixel font asked for); PCBoard's codes colour them.
    const QByteArray font8(256 * 8, '\0');
    QTest::newRow("XBin in its own font") << "a.xb" << QByteArray("XBIN\x1A\x02\0\x01\0\x08\x02", 11) + font8 + QByteArray(" \x10 \x07", 4)
                                          << png << QSize(32, 16);
    QTest::newRow("PCBoard") << "a.pcb" << QByteArray("@X10A@X07\r\n\r\nB") << png << QSize(640, 48);
    // Three rows of blue, scaled down.
    QTest::newRow("thumbnail") << "a.ans" << "\x1B[44m" + QByteArray(240, ' ') << QStringList{"--thumbnail", "64"} << QSize(64, 4);
}

void TestExport::artPictureIsCellExact()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, arguments);
    QFETCH(QSize, size);
    if (!TTextModeFace::Find(QStringLiteral("Text Mode 8x16")))
        QSKIP("the console fonts are not installed (package console-setup-linux)");
    QTemporaryDir dir;
    QFile file(dir.filePath(name));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    file.close();
    QProcess glimra;
    const bool thumbnail = arguments.first() == QLatin1String("--thumbnail");
    QVERIFY(Run(glimra, dir, arguments << name << (thumbnail ? QStringList{"out.png"} : QStringList())));
    QCOMPARE(glimra.exitCode(), 0);
    const QImage image(dir.filePath(QStringLiteral("out.png")));
    QCOMPARE(image.size(), size);
    // The art's colours, not the stored silver on navy: its paper, black where it sets none.
    QCOMPARE(image.pixel(0, 0), qRgb(0, 0, 0xAA));
    QCOMPARE(image.pixel(image.width() - 1, 0), thumbnail ? qRgb(0, 0, 0xAA) : qRgb(0, 0, 0));
}

QTEST_MAIN(TestExport)
#include "tst_export.moc"
