// libFuzzer target: any bytes, opened as text, ANSI art or binary text (the
// first byte chooses), written as a web page: the page must parse, its tags
// nesting and its text escaped (see support/HtmlCheck.h).

#include "app/DocumentFile.h"
#include "app/Export.h"
#include "support/HtmlCheck.h"
#include "textview/AnsiView.h"
#include "textview/RichEdit.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, size_t size)
{
    if (size == 0)
        return 0;
    static const char *const names[] = {"fuzz.nfo", "fuzz.ans", "fuzz.bin"};
    const QString name = QString::fromLatin1(names[data[0] % 3]);
    QByteArray bytes(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    TDocumentFile file;
    file.Format = FileFormat::Detect(bytes);
    file.Text = FileFormat::ToDocument(bytes, file.Format);
    FileFormat::DetectArt(file.Format, name, file.Text, false);
    TRichEdit edit;
    TAnsiView::Load(edit, std::move(file.Text), file.Format);
    const QString page = QString::fromUtf8(Export::Html(edit.Document(), file.Format, name, Export::LookOf(edit)));
    const QString problem = HtmlCheck::Problem(page);
    if (!problem.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(problem));
        std::abort();
    }
    return 0;
}
