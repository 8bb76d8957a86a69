#pragma once
// The command line: a file to open in the window, or a picture of a file to
// write without one (on Qt's offscreen platform), help and the version.

#include <QString>
#include <QStringList>

struct TCommandLine
{
    enum class TMode { cmWindow, cmHelp, cmVersion, cmPng, cmPdf, cmHtml, cmThumbnail, cmError };
    TMode Mode = TMode::cmWindow;
    QString File;   // the document; in the window, empty for none
    QString Output; // the picture to write
    int Scale = 1;
    int ThumbnailSize = 0;
    QString Font;   // empty: the stored preference
    int PointSize = 0; // 0: the stored preference
    QString Error;  // what was wrong with the arguments
    QString Help;
};

namespace CommandLine {

// Reads the arguments, the program's name first. Qt's own window options
// (-style, -session, ...) are let through for the application to take.
TCommandLine Parse(const QStringList &arguments);

// Runs a command line whose mode is not the window; returns the exit status.
// Failures are one line on standard error.
int Run(const TCommandLine &command, int &argc, char **argv);

} // namespace CommandLine
