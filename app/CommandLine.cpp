#include "app/CommandLine.h"

#include "app/DocumentFile.h"
#include "app/DocumentLoader.h"
#include "app/Export.h"
#include "app/StoredLook.h"
#include "platform/Errors.h"
#include "render/TextModeFace.h"
#include "settings/MyRegistry.h"
#include "textview/AnsiView.h"
#include "textview/RichEdit.h"

#include "Version.h"

#include <QApplication>
#include <QCommandLineParser>

#include <QElapsedTimer>

#include <cstdio>
#include <unistd.h>

namespace CommandLine {
namespace {

struct TQtOption
{
    const char *Name;
    bool TakesValue;
};

// The options QApplication takes out of the arguments itself.
constexpr TQtOption kQtOptions[] = {
    {"platform", true}, {"platformpluginpath", true}, {"platformtheme", true}, {"plugin", true},
    {"qwindowgeometry", true}, {"qwindowicon", true}, {"qwindowtitle", true}, {"session", true},
    {"display", true}, {"geometry", true}, {"style", true}, {"stylesheet", true}, {"title", true},
    {"visual", true}, {"name", true}, {"reverse", false}, {"widgetcount", false}, {"nograb", false},
    {"dograb", false}, {"sync", false},
};

const QString kHelp = QStringLiteral("help"), kVersion = QStringLiteral("version"), kPng = QStringLiteral("export-png"),
              kPdf = QStringLiteral("export-pdf"), kHtml = QStringLiteral("export-html"), kThumbnail = QStringLiteral("thumbnail"),
              kScale = QStringLiteral("scale"), kFont = QStringLiteral("font"), kSize = QStringLiteral("size");

// A whole number within [low, high], or nothing.
std::optional<int> Number(const QString &text, int low, int high)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok && value >= low && value <= high ? std::optional<int>(value) : std::nullopt;
}

TCommandLine Failed(QString error)
{
    TCommandLine command;
    command.Mode = TCommandLine::TMode::cmError;
    command.Error = std::move(error);
    return command;
}

// The preferences' look with the command line's font and size over it, as
// the text control makes it (with its stand-in faces).
TLook LookFor(const TCommandLine &command)
{
    TMyRegistry reg;
    reg.SetRegPath(QString::fromLatin1(kPreferencesPath));
    reg.SetRootKey(TMyRegistry::kHKEY_CURRENT_USER);
    QObject::connect(&reg, &TMyRegistry::OnError, [](TMyRegistry *, bool, const QString &) {}); // defaults then
    reg.Open();
    TLook look = ReadStoredLook(reg);
    reg.Close();
    if (!command.Font.isEmpty())
        look.Font.setFamily(command.Font);
    if (command.PointSize > 0)
        look.Font.setPointSize(command.PointSize);
    TRichEdit edit;
    edit.SetTextFont(look.Font);
    look.Font = edit.font();
    // A face that is not installed is drawn in another: said, not hidden.
    const QString drawn = TTextModeFace::DrawnFamily(look.Font);
    if (!command.Font.isEmpty() && drawn.compare(command.Font, Qt::CaseInsensitive) != 0)
        std::fprintf(stderr, "glimra: The font %s is not installed; drawing in %s.\n", qPrintable(command.Font),
                     qPrintable(drawn));
    return look;
}

// How far a long export is, on a terminal only: a pipe or a file gets
// nothing but the one line of a failure.
class TTerminalProgress
{
public:
    TTerminalProgress() : m_shown(isatty(fileno(stderr)) != 0) { m_time.start(); }
    ~TTerminalProgress()
    {
        if (m_percent >= 0)
            std::fputs("\r             \r", stderr);
    }
    void Show(qint64 done, qint64 total)
    {
        const int percent = total > 0 ? int(100 * done / total) : 100;
        if (!m_shown || percent == m_percent || m_time.elapsed() < 500)
            return;
        m_percent = percent;
        std::fprintf(stderr, "\rglimra: %d%%", percent);
        std::fflush(stderr);
    }

private:
    bool m_shown;
    int m_percent = -1;
    QElapsedTimer m_time;
};

void WritePicture(const TCommandLine &command)
{
    const TLook look = LookFor(command);
    if (command.Mode == TCommandLine::TMode::cmThumbnail) {
        Export::WritePng(Export::Thumbnail(command.File, look, command.ThumbnailSize), command.Output);
        return;
    }
    // A large file is read as the window reads it: left on disk, its lines
    // found first (the first half of what the progress counts).
    TDocumentFile file = DocumentFile::Open(command.File);
    const TFileFormat format = file.Format;
    TRichEdit edit;
    edit.SetTextFont(look.Font);
    edit.SetColors(look.Text, look.Background);
    TTerminalProgress told;
    if (file.Source) {
        edit.OpenSource(file.Source, format.Charset);
        if (!TDocumentLoader::LoadAll(edit, file.Source, [&told](qint64 done, qint64 total) { told.Show(done, 2 * total); }))
            throw DocumentFile::CannotOpen(command.File);
    } else {
        TAnsiView::Load(edit, std::move(file.Text), format, !command.Font.isEmpty());
    }
    const auto progress = [&told, scanned = file.Source != nullptr](qint64 done, qint64 total) {
        told.Show(scanned ? total + done : done, scanned ? 2 * total : total);
        return true;
    };
    if (command.Mode == TCommandLine::TMode::cmHtml)
        Export::WriteHtml(edit.Document(), format, command.File.section(u'/', -1), look, command.Output, progress);
    else if (command.Mode == TCommandLine::TMode::cmPdf)
        Export::WritePdf(edit, command.File.section(u'/', -1), command.Output, progress);
    else
        Export::WritePicture(edit.ShownText(), Export::LookOf(edit), 0, edit.ShownText().LineCount(), command.Scale,
                             command.Output, progress);
}

} // namespace

TCommandLine Parse(const QStringList &arguments)
{
    QCommandLineParser parser;
    // Qt's window options are single words after one dash.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(QStringLiteral("Views and edits DOS text art (.nfo, .diz, .txt) drawn in code page 437."));
    parser.addOption({{QStringLiteral("h"), kHelp}, QStringLiteral("Show this help and exit.")});
    parser.addOption({{QStringLiteral("v"), kVersion}, QStringLiteral("Show the version and exit.")});
    parser.addOption({kPng, QStringLiteral("Write the picture of FILE to OUT.png and exit."), QStringLiteral("OUT.png")});
    parser.addOption({kPdf, QStringLiteral("Write the printed pages of FILE to OUT.pdf and exit."), QStringLiteral("OUT.pdf")});
    parser.addOption({kHtml, QStringLiteral("Write FILE as a web page to OUT.html and exit."), QStringLiteral("OUT.html")});
    parser.addOption({kScale, QStringLiteral("Draw the picture at 1x or 2x (default 1)."), QStringLiteral("N")});
    parser.addOption({kFont, QStringLiteral("Draw in this font face instead of the stored one."), QStringLiteral("FAMILY")});
    parser.addOption({kSize, QStringLiteral("Draw at this size in points instead of the stored one."), QStringLiteral("POINTS")});
    // The value name shows the two files that follow the size.
    parser.addOption({kThumbnail, QStringLiteral("Write a thumbnail of IN, at most SIZE pixels a side, to OUT and exit."),
                      QStringLiteral("SIZE> <IN> <OUT")});
    for (const TQtOption &option : kQtOptions) {
        QCommandLineOption qt(QString::fromLatin1(option.Name));
        if (option.TakesValue)
            qt.setValueName(QStringLiteral("value"));
        qt.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(qt);
    }
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("The file to open; -- before it when its name begins with -."),
                                 QStringLiteral("[FILE]"));
    if (!parser.parse(arguments))
        return Failed(parser.errorText());

    TCommandLine command;
    // Without an application object yet, Qt cannot name the program itself.
    command.Help = parser.helpText().replace(QStringLiteral("<executable_name>"), QStringLiteral("glimra"));
    const QStringList files = parser.positionalArguments();
    command.File = files.value(0);
    const int exports = int(parser.isSet(kPng)) + int(parser.isSet(kPdf)) + int(parser.isSet(kHtml)) + int(parser.isSet(kThumbnail));
    if (parser.isSet(kHelp)) {
        command.Mode = TCommandLine::TMode::cmHelp;
        return command;
    }
    if (parser.isSet(kVersion)) {
        command.Mode = TCommandLine::TMode::cmVersion;
        return command;
    }
    if (exports > 1)
        return Failed(QStringLiteral("Give only one of --export-png, --export-pdf, --export-html and --thumbnail."));
    // What does not apply is refused rather than left unused.
    if (parser.isSet(kScale) && !parser.isSet(kPng))
        return Failed(QStringLiteral("--scale applies to --export-png only."));
    if ((parser.isSet(kFont) || parser.isSet(kSize)) && exports == 0)
        return Failed(QStringLiteral("--font and --size apply to the exports and --thumbnail only."));
    if ((parser.isSet(kPng) || parser.isSet(kPdf) || parser.isSet(kHtml)) && files.size() > 1)
        return Failed(QStringLiteral("Give one file to draw; %1 more were given.").arg(files.size() - 1));
    if (parser.isSet(kScale)) {
        const std::optional<int> scale = Number(parser.value(kScale), 1, 2);
        if (!scale)
            return Failed(QStringLiteral("The scale must be 1 or 2."));
        command.Scale = *scale;
    }
    if (parser.isSet(kSize)) {
        const std::optional<int> size = Number(parser.value(kSize), 1, 500);
        if (!size)
            return Failed(QStringLiteral("The size must be a number of points from 1 to 500."));
        command.PointSize = *size;
    }
    command.Font = parser.value(kFont);
    if (parser.isSet(kThumbnail)) {
        const std::optional<int> size = Number(parser.value(kThumbnail), 1, 4096);
        if (!size || files.size() != 2)
            return Failed(QStringLiteral("Usage: --thumbnail SIZE IN OUT, SIZE from 1 to 4096."));
        command.Mode = TCommandLine::TMode::cmThumbnail;
        command.ThumbnailSize = *size;
        command.Output = files.at(1);
        return command;
    }
    if (exports == 1) {
        const QString option = parser.isSet(kPng) ? kPng : parser.isSet(kPdf) ? kPdf : kHtml;
        command.Mode = option == kPng ? TCommandLine::TMode::cmPng
                       : option == kPdf ? TCommandLine::TMode::cmPdf : TCommandLine::TMode::cmHtml;
        command.Output = parser.value(option);
        if (command.File.isEmpty())
            return Failed(QStringLiteral("Which file? Give its name after the options."));
    }
    return command;
}

int Run(const TCommandLine &command, int &argc, char **argv)
{
    switch (command.Mode) {
    case TCommandLine::TMode::cmWindow:
        return 0;
    case TCommandLine::TMode::cmHelp:
        std::fputs(qPrintable(command.Help), stdout);
        return 0;
    case TCommandLine::TMode::cmVersion:
        std::printf("glimra %s\n", GLIMRA_VERSION_STRING);
        return 0;
    case TCommandLine::TMode::cmError:
        std::fprintf(stderr, "glimra: %s\n", qPrintable(command.Error));
        return 2;
    case TCommandLine::TMode::cmPng:
    case TCommandLine::TMode::cmPdf:
    case TCommandLine::TMode::cmHtml:
    case TCommandLine::TMode::cmThumbnail:
        break;
    }
    // Pictures need no display; Qt's own warnings would break the promise of
    // one line on standard error.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &message) {
        if (type == QtFatalMsg)
            std::fprintf(stderr, "glimra: %s\n", qPrintable(message));
    });
    QApplication app(argc, argv);
    try {
        WritePicture(command);
        return 0;
    } catch (const EGlimraError &error) {
        std::fprintf(stderr, "glimra: %s\n", qPrintable(error.Text()));
    } catch (const std::exception &error) {
        std::fprintf(stderr, "glimra: %s\n", error.what());
    }
    return 1;
}

} // namespace CommandLine
