#pragma once
// The main window's command tables: menu bar, tool bar and pop-up menu, each
// item with its name, caption, shortcut, hint, icon and command. The window
// builds its widgets from these tables.

#include "document/Charset.h"
#include "formats/FileFormat.h"

#include <QList>
#include <QString>
#include <span>

enum class TCommand {
    cmNone, cmNew, cmOpen, cmSave, cmSaveAs, cmPrint, cmExit,
    cmUndo, cmCut, cmCopy, cmPaste, cmDelete, cmSelectAll,
    cmToolbar, cmStatusBar, cmMap, cmBackgroundColor, cmFontColor, cmWordWrap,
    cmFind, cmAutocopy, cmZoomIn, cmZoomOut, cmZoomNormal, cmFont, cmHelp, cmAbout,
    cmCharsetCp437, cmCharsetUtf8, cmCharsetUtf16, cmCharsetWindows1252, cmProperties,
    cmOpenLink, cmCopyLink, cmExportImage, cmExportPdf, cmCopyImage, cmShowCodes,
    cmNextFile, cmPreviousFile, cmExportHtml, cmTextOnly, cmFitWindow, cmFitOnOpen, cmCentre, cmReadOnly,
    cmWrapAutomatic, cmWrapDos, cmWrapTerminal, cmStretchRows, cmGallery,
};

// Where a menu item sits; submenus are items whose Command is cmNone and
// whose Submenu names the menu they open.
enum class TMenuPlace { mpFile, mpEdit, mpView, mpColors, mpCharset, mpWrap, mpTools, mpHelp, mpPopup };

struct TMenuItemDef
{
    TMenuPlace Place;
    const char *Name;
    const char *Caption;  // "-" for a separator
    const char *Shortcut; // portable key sequence text (alternatives after "; "), or empty
    const char *Hint;
    int Icon;             // index into the icon list, -1 for none
    TCommand Command;
    bool Checkable;
};

struct TMenuDef
{
    TMenuPlace Place;
    const char *Name;
    const char *Caption;
};

struct TToolButtonDef
{
    const char *Name; // nullptr for a separator
    const char *Hint;
    int Icon;
    TCommand Command;
};

std::span<const TMenuDef> MenuBarMenus();
std::span<const TMenuItemDef> MenuItems(); // menu bar and pop-up, in order
std::span<const TToolButtonDef> ToolButtons();

inline constexpr int kIconCount = 19;
inline constexpr int kToolButtonWidth = 23;
inline constexpr int kToolSeparatorWidth = 8;

// "Line: %3d   Col: %3d" for a line and column counted from 0.
QString CaretPanelText(qint64 line, qint64 column);

// The font panel: the face name, one blank, the size in points; for a
// text-mode face (scale above 0) the multiple it is drawn at instead.
QString FontPanelText(const QString &family, int pointSize, int scale = 0);

// Captions of a menu made at run time, each given an access key of its own:
// a letter or digit of the part that tells it from the others where one is
// free, else any free one; "&" in a caption is doubled first.
QStringList WithAccessKeys(const QStringList &captions);

// Zoom: the point size a step (+1 in, -1 out) leads to from size, or size
// itself at a limit. An outline face changes by a point between 5 and 73; a
// text-mode face of faceHeight pixels, shown at dpi, goes to the size of its
// next whole multiple, 1x to 4x, since sizes between draw the same.
int ZoomedSize(int size, int step, int faceHeight = 0, double dpi = 96);
// The size Normal Size goes back to: the default 9 points, or a text-mode
// face at 1x.
int NormalSize(int faceHeight = 0, double dpi = 96);

// View > Colour Scheme: named pairs of text and background colours
// (0xRRGGBB), each set at once; the user's own pair is "Custom".
struct TColourScheme
{
    const char *Name;    // the menu item's object name
    const char *Caption;
    quint32 Text;
    quint32 Background;
};
std::span<const TColourScheme> ColourSchemes();
// The scheme whose pair the colours are, or -1 for the user's own.
int SchemeOf(quint32 text, quint32 background);

// The character sets Save As offers: code page 437, UTF-8, UTF-8 with mark,
// UTF-16 LE and Windows-1252, with the document's own form first where it is
// none of these; colour art only in its own form, since its codes are bytes.
struct TSaveSet
{
    QString Caption;
    TFileFormat Format;
};
QList<TSaveSet> SaveSets(const TFileFormat &current);
// Whether two forms write the same bytes for a text.
bool SameForm(const TFileFormat &a, const TFileFormat &b);

// The name of the View > Character Set item of a character set.
const char *CharsetItemName(TCharset charset);

// A print job's name: the caption cut to its first 31 characters.
QString PrintJobName(const QString &caption);
