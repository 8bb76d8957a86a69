#include "app/MainCommands.h"

#include <algorithm>
#include <cmath>

namespace {

using enum TMenuPlace;
using enum TCommand;

constexpr TMenuDef kMenus[] = {
    {mpFile, "File1", "&File"},
    {mpEdit, "Edit1", "&Edit"},
    {mpView, "View1", "&View"},
    {mpTools, "Tools1", "&Tools"},
    {mpHelp, "Help1", "&Help"},
};

constexpr TMenuItemDef kItems[] = {
    {mpFile, "New1", "&New", "Ctrl+N", "Create new file...", 0, cmNew, false},
    {mpFile, "Open1", "&Open", "Ctrl+O", "Open an existing file", 1, cmOpen, false},
    {mpFile, "NextFile1", "Nex&t File in Folder", "Alt+Right", "Open the next file of the folder", -1, cmNextFile, false},
    {mpFile, "PreviousFile1", "Pre&vious File in Folder", "Alt+Left", "Open the previous file of the folder", -1,
     cmPreviousFile, false},
    {mpFile, "Save1", "&Save", "Ctrl+S", "Save existing file", 2, cmSave, false},
    {mpFile, "SaveAs1", "Save &As", "Ctrl+Alt+S", "Save existing file with other name", -1, cmSaveAs, false},
    {mpFile, "Properties1", "Propert&ies...", "", "Properties of the file and its record", -1, cmProperties, false},
    {mpFile, "N1", "-", "", "", -1, cmNone, false},
    {mpFile, "Print1", "&Print", "Ctrl+P", "Print existing file", 3, cmPrint, false},
    {mpFile, "ExportImage1", "&Export Image...", "", "Save the text as a PNG image", -1, cmExportImage, false},
    {mpFile, "ExportPdf1", "Export P&DF...", "", "Save the printed pages as a PDF file", -1, cmExportPdf, false},
    {mpFile, "ExportHtml1", "Export &HTML...", "", "Save the text as a web page", -1, cmExportHtml, false},
    {mpFile, "N2", "-", "", "", -1, cmNone, false},
    {mpFile, "RecentFiles1", "&Recent Files", "", "List of recent files", -1, cmNone, false},
    {mpFile, "N3", "-", "", "", -1, cmNone, false},
    {mpFile, "Exit1", "E&xit", "Esc", "Exit Glimra  <Esc>", 18, cmExit, false},

    {mpEdit, "Undo1", "&Undo", "Ctrl+Z", "Undo the last action", 8, cmUndo, false},
    {mpEdit, "N4", "-", "", "", -1, cmNone, false},
    {mpEdit, "Cut1", "&Cut", "Ctrl+X; Shift+Del", "Cut selected text to Clipboard", 6, cmCut, false},
    {mpEdit, "Copy1", "C&opy", "Ctrl+C; Ctrl+Ins", "Copy selected text to Clipboard", 4, cmCopy, false},
    {mpEdit, "CopyAsImage1", "Copy as &Image", "", "Copy the selected lines to Clipboard as a picture", -1, cmCopyImage, false},
    {mpEdit, "Paste1", "&Paste", "Ctrl+V; Shift+Ins", "Paste from Clipboard", 5, cmPaste, false},
    {mpEdit, "N11", "-", "", "", -1, cmNone, false},
    {mpEdit, "Delete2", "&Delete", "", "Delete selected text  <Del>", 7, cmDelete, false},
    {mpEdit, "SelectAll1", "&Select All", "", "Select All", -1, cmSelectAll, false},

    {mpView, "Toolbar1", "&Toolbar", "", "Toggle Toolbar", -1, cmToolbar, true},
    {mpView, "StatusBar3", "&Status Bar", "", "Toggle Status Bar", -1, cmStatusBar, true},
    {mpView, "Map1", "Character &Map", "", "Toggle Character Map", 15, cmMap, true},
    {mpView, "N7", "-", "", "", -1, cmNone, false},
    {mpView, "Colors1", "&Colors", "", "Customize Colors...", -1, cmNone, false},
    {mpColors, "BackgroundColor1", "&Background Color", "", "Choose Background color", 13, cmBackgroundColor, false},
    {mpColors, "FontColor1", "&Font Color", "", "Choose Font color", 12, cmFontColor, false},
    {mpView, "N12", "-", "", "", -1, cmNone, false},
    {mpView, "WordWrap1", "&Word Wrap", "", "Toggle Word Wrap", -1, cmWordWrap, true},
    {mpView, "ShowCodes1", "Show Co&des", "F4", "Show the codes of color art to edit them, or the art drawn", -1, cmShowCodes, true},
    {mpView, "TextOnly1", "Text &Only", "", "Show the words without the art", -1, cmTextOnly, true},
    {mpView, "ReadOnly1", "&Read Only", "", "Refuse every edit, so that the file cannot be changed by mistake", -1,
     cmReadOnly, true},
    {mpView, "Gallery1", "&Gallery", "F9", "Show every piece of the folder or pack side by side", -1, cmGallery, true},
    {mpView, "AnsiWrap1", "ANSI Wr&ap", "", "How ANSI art wraps at its right edge", -1, cmNone, false},
    {mpWrap, "WrapAutomatic1", "&Automatic", "", "Wrap as the art shows it was made to", -1, cmWrapAutomatic, true},
    {mpWrap, "WrapDos1", "&DOS", "", "Wrap at once, as a DOS driver did", -1, cmWrapDos, true},
    {mpWrap, "WrapTerminal1", "&Terminal", "", "Wait at the last column, as a terminal does", -1, cmWrapTerminal, true},
    {mpView, "AspectRatio1", "As&pect Ratio", "", "Stretch the rows of art whose record asks for it, as a CRT did", -1,
     cmStretchRows, true},
    {mpView, "N20", "-", "", "", -1, cmNone, false},
    {mpView, "FitWindow1", "&Fit Window to Text", "Ctrl+Shift+F", "Make the window fit the text", -1,
     cmFitWindow, false},
    {mpView, "FitOnOpen1", "Fit on Op&en", "", "Fit the window to each file opened", -1, cmFitOnOpen, true},
    {mpView, "Centre1", "Ce&nter Narrow Text", "", "Draw text narrower than the window in its middle", -1, cmCentre, true},
    {mpView, "N18", "-", "", "", -1, cmNone, false},
    {mpView, "CharacterSet1", "C&haracter Set", "", "Character set of the document", -1, cmNone, false},
    {mpCharset, "Cp4371", "&Code Page 437 (DOS)", "", "Read the document as code page 437", -1, cmCharsetCp437, true},
    {mpCharset, "Utf81", "UTF-&8", "", "Read the document as UTF-8", -1, cmCharsetUtf8, true},
    {mpCharset, "Utf161", "UTF-1&6", "", "Read the document as UTF-16", -1, cmCharsetUtf16, true},
    {mpCharset, "Windows12521", "&Windows-1252", "", "Read the document as Windows-1252", -1, cmCharsetWindows1252, true},

    {mpTools, "Find1", "&Find", "Ctrl+F", "Find and Replace...", 14, cmFind, false},
    {mpTools, "Autocopy1", "Auto Copy", "", "Toggle Auto Copy", -1, cmAutocopy, true},
    {mpTools, "N17", "-", "", "", -1, cmNone, false},
    {mpTools, "ZoomIn1", "Zoom &In", "Ctrl+U; Ctrl++; Ctrl+=", "", 9, cmZoomIn, false},
    {mpTools, "ZoomOut1", "Zoom Out", "Ctrl+D; Ctrl+-", "", 10, cmZoomOut, false},
    {mpTools, "ZoomNormal1", "&Normal Size", "Ctrl+0", "Back to the normal size", -1, cmZoomNormal, false},
    {mpTools, "N16", "-", "", "", -1, cmNone, false},
    {mpTools, "Font1", "Font...", "", "", 11, cmFont, false},

    {mpHelp, "GlimraHelp1", "Glimra Help", "F1", "Help", 17, cmHelp, false},
    {mpHelp, "N8", "-", "", "", -1, cmNone, false},
    {mpHelp, "About1", "&About...", "", "About...", 16, cmAbout, false},

    {mpPopup, "OpenLink3", "Open &Link", "", "Open the address", -1, cmOpenLink, false},
    {mpPopup, "CopyLink3", "Copy Link &Address", "", "Copy the address to the Clipboard", -1, cmCopyLink, false},
    {mpPopup, "N19", "-", "", "", -1, cmNone, false},
    {mpPopup, "Undo3", "&Undo", "", "Undo the last action", 8, cmUndo, false},
    {mpPopup, "N13", "-", "", "", -1, cmNone, false},
    {mpPopup, "Cut3", "&Cut", "", "Cut selected text to Clipboard", 6, cmCut, false},
    {mpPopup, "Copy3", "C&opy", "", "Copy selected text to Clipboard", 4, cmCopy, false},
    {mpPopup, "Paste3", "&Paste", "", "Paste from Clipboard", 5, cmPaste, false},
    {mpPopup, "N10", "-", "", "", -1, cmNone, false},
    {mpPopup, "Delete1", "&Delete", "", "", 7, cmDelete, false},
    {mpPopup, "N14", "-", "", "", -1, cmNone, false},
    {mpPopup, "SelectAll2", "&Select All", "", "Select All", -1, cmSelectAll, false},
    {mpPopup, "N15", "-", "", "", -1, cmNone, false},
    {mpPopup, "WordWrap3", "&Word Wrap", "", "Toggle Word Wrap", -1, cmWordWrap, true},
};

constexpr TToolButtonDef kButtons[] = {
    {"NewButon", "New", 0, cmNew},
    {"OpenButon", "Open", 1, cmOpen},
    {"SaveButon", "Save", 2, cmSave},
    {"PrintButon", "Print", 3, cmPrint},
    {nullptr, nullptr, -1, cmNone},
    {"CopyButon", "Copy", 4, cmCopy},
    {"PasteButon", "Paste", 5, cmPaste},
    {"CutButon", "Cut", 6, cmCut},
    {"DeleteButon", "Delete", 7, cmDelete},
    {"UndoButon", "Undo", 8, cmUndo},
    {nullptr, nullptr, -1, cmNone},
    {"ZoomInButon", "Zoom In", 9, cmZoomIn},
    {"ZoomOutButon", "Zoom Out", 10, cmZoomOut},
    {nullptr, nullptr, -1, cmNone},
    {"FontButon", "Font...", 11, cmFont},
    {"FontColorButon", "Font Color", 12, cmFontColor},
    {"BackColorButon", "Background Color", 13, cmBackgroundColor},
    {nullptr, nullptr, -1, cmNone},
    {"FindButon", "Find...", 14, cmFind},
    {"CharMapButon", "Character Map", 15, cmMap},
    {"AboutButon", "About...", 16, cmAbout},
    {"HelpButon", "Help", 17, cmHelp},
    {nullptr, nullptr, -1, cmNone},
    {"ExitButon", "Exit", 18, cmExit},
};

constexpr TColourScheme kSchemes[] = {
    {"SchemeNavy1", "&Silver on Navy", 0xC0C0C0, 0x000080},
    {"SchemeDos1", "&DOS Grey on Black", 0xAAAAAA, 0x000000},
    {"SchemePaper1", "&Black on Paper", 0x000000, 0xFAF6E8},
    {"SchemeAmber1", "&Amber Phosphor", 0xFFB000, 0x000000},
    {"SchemeGreen1", "&Green Phosphor", 0x33FF33, 0x000000},
};

} // namespace

std::span<const TColourScheme> ColourSchemes()
{
    return kSchemes;
}

int SchemeOf(quint32 text, quint32 background)
{
    for (size_t k = 0; k < std::size(kSchemes); ++k) {
        if (kSchemes[k].Text == (text & 0xFFFFFF) && kSchemes[k].Background == (background & 0xFFFFFF))
            return int(k);
    }
    return -1;
}

bool SameForm(const TFileFormat &a, const TFileFormat &b)
{
    return a.Charset == b.Charset && a.Bom == b.Bom && (a.Charset != TCharset::csUtf16 || a.BigEndian == b.BigEndian);
}

QList<TSaveSet> SaveSets(const TFileFormat &current)
{
    const auto form = [](TCharset charset, bool bom) {
        TFileFormat format;
        format.Charset = charset;
        format.Bom = bom;
        return format;
    };
    QList<TSaveSet> sets;
    if (current.Art == TArtKind::akText) {
        sets = {{QStringLiteral("Code page 437"), form(TCharset::csCp437, false)},
                {QStringLiteral("UTF-8"), form(TCharset::csUtf8, false)},
                {QStringLiteral("UTF-8 with mark"), form(TCharset::csUtf8, true)},
                {QStringLiteral("UTF-16 LE"), form(TCharset::csUtf16, true)},
                {QStringLiteral("Windows-1252"), form(TCharset::csWindows1252, false)}};
    }
    const bool listed = std::any_of(sets.begin(), sets.end(), [&](const TSaveSet &set) { return SameForm(set.Format, current); });
    if (!listed)
        sets.prepend({FileFormat::Name(current) + QStringLiteral(" (as read)"), current});
    return sets;
}

std::span<const TMenuDef> MenuBarMenus()
{
    return kMenus;
}

std::span<const TMenuItemDef> MenuItems()
{
    return kItems;
}

std::span<const TToolButtonDef> ToolButtons()
{
    return kButtons;
}

QString CaretPanelText(qint64 line, qint64 column)
{
    return QString::asprintf("Line: %3lld   Col: %3lld", line + 1, column + 1);
}

QString FontPanelText(const QString &family, int pointSize, int scale)
{
    return scale > 0 ? QStringLiteral("%1 %2x").arg(family).arg(scale) : QStringLiteral("%1 %2").arg(family).arg(pointSize);
}

QStringList WithAccessKeys(const QStringList &captions)
{
    QStringList escaped = captions;
    for (QString &caption : escaped)
        caption.replace(u'&', QStringLiteral("&&"));
    // The part after what all the captions begin with tells them apart.
    qsizetype common = escaped.size() > 1 ? escaped.constFirst().size() : 0;
    for (const QString &caption : std::as_const(escaped)) {
        qsizetype k = 0;
        while (k < common && k < caption.size() && caption[k] == escaped.constFirst()[k])
            ++k;
        common = k;
    }
    QString taken;
    QStringList result;
    for (QString caption : std::as_const(escaped)) {
        const QString plain = QString(caption).replace(QStringLiteral("&&"), QStringLiteral("\x01\x01"));
        qsizetype chosen = -1;
        for (int pass = 0; pass < 2 && chosen < 0; ++pass) {
            for (qsizetype k = pass == 0 ? std::min(common, plain.size()) : 0; k < plain.size(); ++k) {
                const QChar key = plain[k].toLower();
                if (key.isLetterOrNumber() && !taken.contains(key)) {
                    chosen = k;
                    break;
                }
            }
        }
        if (chosen >= 0) {
            taken += caption[chosen].toLower();
            caption.insert(chosen, u'&');
        }
        result << caption;
    }
    return result;
}

namespace {

int FaceScale(int size, int faceHeight, double dpi)
{
    return std::clamp(int(std::lround(size * dpi / 72.0 / faceHeight)), 1, 4);
}

int FaceSize(int scale, int faceHeight, double dpi)
{
    return int(std::lround(scale * faceHeight * 72.0 / dpi));
}

} // namespace

int ZoomedSize(int size, int step, int faceHeight, double dpi)
{
    if (faceHeight <= 0) {
        const int zoomed = size + step;
        return zoomed < 5 || zoomed > 73 ? size : zoomed;
    }
    const int scale = FaceScale(size, faceHeight, dpi) + step;
    return scale < 1 || scale > 4 ? size : FaceSize(scale, faceHeight, dpi);
}

int NormalSize(int faceHeight, double dpi)
{
    return faceHeight > 0 ? FaceSize(1, faceHeight, dpi) : 9;
}

const char *CharsetItemName(TCharset charset)
{
    switch (charset) {
    case TCharset::csCp437: return "Cp4371";
    case TCharset::csUtf8: return "Utf81";
    case TCharset::csUtf16: return "Utf161";
    case TCharset::csWindows1252: return "Windows12521";
    }
    return "";
}

QString PrintJobName(const QString &caption)
{
    return caption.left(31);
}
