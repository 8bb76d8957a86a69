#pragma once
// A document as one standalone UTF-8 web page: its lines in a <pre> whose
// line height and letter spacing make blocks and frames join in a browser,
// in the document's colours, web and mail addresses as links, and the art's
// title and author from its record in the page's head. Colour art gives each
// run of cells its own colours.

#include "formats/Sauce.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

class QIODevice;
class TTextBuffer;

struct THtmlLook
{
    quint32 Text = 0xC0C0C0;       // 0xRRGGBB
    quint32 Background = 0x000080; // 0xRRGGBB
    QString Family;                // the face asked for first; monospace after it
    // A font of the cells' own pixels (TrueType) embedded in the page, drawn
    // CellWidth by CellHeight pixels a cell at 1x; empty for none.
    QByteArray Font;
    int CellWidth = 8;
    int CellHeight = 16;
};

// The colours of the cells of one line of colour art: a run of Length cells
// in Ink on Paper (0xRRGGBB each).
struct THtmlRun
{
    qsizetype Length = 0;
    quint32 Ink = 0;
    quint32 Paper = 0;
    QString Link; // the art's own hyperlink over the run, or empty
};
using THtmlColours = std::function<QList<THtmlRun>(qsizetype line)>;
// Told the positions of the document written and all of them; false stops.
using THtmlProgress = std::function<bool(qint64 done, qint64 total)>;

namespace HtmlPage {

// The page written to out as the document is read, in order and a window of
// its positions at a time (never held whole). name stands in for the title
// where the record has none. colours, when given, colours each line's
// characters run by run. False when a write failed or progress stopped it.
bool Write(const TTextBuffer &doc, const std::optional<TSauce> &record, const QString &name, const THtmlLook &look,
           QIODevice &out, const THtmlColours &colours = {}, const THtmlProgress &progress = {}, qsizetype window = 0);

// The same page in memory.
QByteArray Make(const TTextBuffer &doc, const std::optional<TSauce> &record, const QString &name, const THtmlLook &look,
                const THtmlColours &colours = {});

// Text made safe in HTML, in text and in attributes alike.
QString Escaped(QStringView text);

} // namespace HtmlPage
