#include "app/Application.h"
#include "app/CommandLine.h"

#include <cstdio>
#include <cstdlib>

namespace {

QStringList &StartMessages()
{
    static QStringList messages;
    return messages;
}

// While the window system is reached: its messages are held, and a failure
// is said in one line with status 1, rather than the toolkit's abort and a
// core dump.
void RefuseWithoutDisplay(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type != QtFatalMsg) {
        StartMessages() << message.trimmed();
        return;
    }
    const QString reason = StartMessages().value(0, message.section(u'\n', 0, 0));
    std::fprintf(stderr, "glimra: cannot open the display (%s)\n", qPrintable(reason));
    std::_Exit(1);
}

} // namespace

int main(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const TCommandLine command = CommandLine::Parse(arguments);
    if (command.Mode != TCommandLine::TMode::cmWindow)
        return CommandLine::Run(command, argc, argv);
    const QtMessageHandler previous = qInstallMessageHandler(RefuseWithoutDisplay);
    TApplication app(argc, argv);
    qInstallMessageHandler(previous);
    for (const QString &message : std::as_const(StartMessages()))
        std::fprintf(stderr, "%s\n", qPrintable(message));
    return app.Run();
}
