#include "app/Application.h"
#include "app/CommandLine.h"

int main(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const TCommandLine command = CommandLine::Parse(arguments);
    if (command.Mode != TCommandLine::TMode::cmWindow)
        return CommandLine::Run(command, argc, argv);
    TApplication app(argc, argv);
    return app.Run();
}
