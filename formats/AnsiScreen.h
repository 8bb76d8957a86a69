#pragma once
// The screen of character cells that ANSI art is written to: escape codes
// set the colours and move the cursor, CR, LF, BS and TAB move it, control
// strings (OSC and the like) are carried out or skipped, every other byte is
// a code page 437 character. Binary text (pairs of character and attribute
// bytes) is written to it as well, and the readers of the other art formats
// write their cells through the calls below. The screen is as wide as the art
// asks and grows downwards, within bounds: a file of any size costs time in
// proportion to its length and memory of at most kMaxCells cells; art that
// goes past kMaxRows rows or kMaxCells cells, or asks for more erasing and
// moving of rows than kMaxWork cells, is cut there.

#include <QByteArrayView>
#include <QHash>
#include <QString>

#include <vector>

// One cell: the character and the colours it is drawn in (indices into the
// screen's colours, after bright, reverse and concealed are applied).
struct TAnsiCell
{
    quint8 Char = ' ';
    quint8 Attributes = 0; // TAnsiScreen::TAttribute flags in force when written
    quint16 Ink = 7;
    quint16 Paper = 0;
    quint16 Link = 0; // 1 + the index of its hyperlink, 0 for none

    bool operator==(const TAnsiCell &) const = default;
};

class TAnsiScreen
{
public:
    static constexpr qsizetype kMaxRows = 100000;
    static constexpr qsizetype kMaxCells = 16000000;
    static constexpr qint64 kMaxWork = qint64(1) << 28;
    static constexpr int kMaxWidth = 4096;
    static constexpr int kDefaultWidth = 80;
    static constexpr int kBinaryWidth = 160;

    // atSecondHalf: the character is one of the second 256 of a 512-character font.
    enum TAttribute : quint8 { atBold = 1, atBlink = 2, atReverse = 4, atConcealed = 8, atSecondHalf = 16 };
    enum class TInput { inAnsi, inBinary };
    // Where the cursor goes after the last column: a DOS driver went to the
    // next row at once; a terminal waits there until the next character, so
    // that a full row and CR LF make one row.
    enum class TWrap { wrDos, wrTerminal };

    // What the art shows of the screen it was made for, to choose the wrap:
    // rows filled to the last column and then broken by CR or LF (which a
    // DOS driver draws with a blank row between), rows filled and then
    // written on, and codes only terminals know.
    struct TEvidence
    {
        qsizetype EdgeBreaks = 0;
        qsizetype EdgeRuns = 0;
        bool TerminalCodes = false;
    };

    // width 0 takes the input's usual width; iceColors makes blink (the
    // attribute's top bit in binary text) a bright paper.
    explicit TAnsiScreen(int width = 0, bool iceColors = false, TInput input = TInput::inAnsi,
                         TWrap wrap = TWrap::wrDos);

    // Takes the next bytes of the art; a sequence may be split between calls.
    // A sequence still open when the art ends is ignored.
    void Write(QByteArrayView bytes);
    bool Ended() const { return m_ended; } // 0x1A read, or the art was cut
    bool Cut() const { return m_cut; }
    // Whether the art ended inside a control string, which hid the rest.
    bool InString() const { return m_state == TState::stString || m_state == TState::stStringEscape; }
    const TEvidence &Evidence() const { return m_evidence; }

    // The calls other formats write through. A PC attribute byte: ink in the
    // low nibble, paper in the high one, their bits blue, green, red, bright.
    void PutPair(quint8 ch, quint8 attribute);
    void PutChar(quint8 ch); // in the colours in force
    void SetAttribute(quint8 attribute);
    void SetRgb(bool ink, quint32 rgb);
    void SetCursor(qsizetype row, qsizetype column);
    qsizetype CursorRow() const { return m_row; }
    qsizetype CursorColumn() const { return m_column; }
    void Clear(); // the screen erased, the cursor home
    // A colour of the palette (0 to 255) set; the cells that use it change with it.
    void SetPaletteColor(int index, quint32 rgb);
    // The same by the attribute's colour number (0 to 15).
    void SetAttributeColor(int attributeColor, quint32 rgb);
    // A 512-character font: the attribute's bright-ink bit picks the second half.
    void SetFontHalves(bool on) { m_halves = on; }

    int Width() const { return m_width; }
    // Rows up to the last one written since the screen was last erased.
    qsizetype Rows() const { return m_rows; }
    // The cells of a row up to the last one that is not a blank on black.
    qsizetype RowLength(qsizetype row) const;
    TAnsiCell Cell(qsizetype row, qsizetype column) const;
    const TAnsiCell *RowCells(qsizetype row) const; // RowLength(row) of them
    // A colour index as 0xRRGGBB: 0 to 15 the VGA colours, 16 to 255 the
    // 256-colour set, then the 24-bit colours the art used.
    quint32 Color(quint16 index) const { return m_colors[index]; }
    const std::vector<quint32> &Colors() const { return m_colors; }
    static quint32 VgaColor(int index);
    // The targets of the art's hyperlinks (OSC 8), by a cell's Link - 1.
    const std::vector<QString> &Links() const { return m_links; }

private:
    enum class TState { stText, stEscape, stIntermediate, stSequence, stString, stStringEscape };
    struct TColor
    {
        bool Indexed = true;
        int Index = 7; // 0 to 7 take the bold (ink) or iCE (paper) brightness
        quint32 Rgb = 0;
    };

    void Text(unsigned char byte);
    void Escape(unsigned char byte);
    void Binary(unsigned char byte);
    void Sequence(unsigned char final);
    void Graphics();
    void ExtendedColor(int &k, TColor &color);
    void ControlString();
    void Hyperlink(QByteArrayView parameters);
    void PaletteSpec(QByteArrayView spec);
    void Put(const TAnsiCell &cell);
    void NewLine();
    // A blank in the colours in force, kept until they change.
    TAnsiCell Pen();
    void Erase(qsizetype row, qsizetype from, qsizetype to);
    void EraseRows(qsizetype from, qsizetype to);
    void InsertCells(qsizetype n);
    void DeleteCells(qsizetype n);
    void ShiftRows(qsizetype n, bool insert);
    void ClearScreen();
    void MoveTo(qsizetype row, qsizetype column);
    bool Work(qint64 cells); // false once the art asked for too much
    // The row with at least length cells; null when that passes the bounds,
    // which cuts the art.
    std::vector<TAnsiCell> *Row(qsizetype row, qsizetype length);
    std::vector<TAnsiCell> *GrowRow(qsizetype row, qsizetype length);
    void MarkWritten(qsizetype row);
    void TrimRows();
    quint16 ColorIndex(const TColor &color, bool bright);
    quint16 RgbIndex(quint32 rgb);
    void PushParameter(bool nextIsSub);
    int Parameter(int k, int otherwise) const; // otherwise where it was not given

    int m_width;
    bool m_ice;
    TInput m_input;
    TWrap m_wrap;
    bool m_halves = false;
    bool m_ended = false;
    bool m_cut = false;
    qint64 m_work = 0;

    std::vector<std::vector<TAnsiCell>> m_cells; // rows, each as long as its last written cell
    std::vector<qsizetype> m_dirty;              // rows written since the last erase of the screen
    std::vector<bool> m_isDirty;                 // by row: listed in m_dirty
    qsizetype m_rows = 0;
    qsizetype m_cellCount = 0;
    qsizetype m_row = 0, m_column = 0;
    bool m_pendingWrap = false; // a terminal at the last column, waiting
    bool m_atEdge = false;      // the last character filled a row
    TEvidence m_evidence;
    struct TSaved
    {
        qsizetype Row = 0, Column = 0;
        TColor Ink, Paper{true, 0, 0};
        quint8 Attributes = 0;
    } m_saved;

    TColor m_ink, m_paper{true, 0, 0};
    quint8 m_attributes = 0;
    quint16 m_link = 0;
    TAnsiCell m_pen;
    bool m_penStale = true;
    std::vector<quint32> m_colors;
    QHash<quint32, quint16> m_rgbIndex;
    std::vector<QString> m_links;

    TState m_state = TState::stText;
    static constexpr int kMaxParameters = 64;
    int m_parameters[kMaxParameters] = {};
    bool m_sub[kMaxParameters] = {}; // joined to the one before by a colon
    int m_parameterCount = 0;
    int m_current = -1; // the parameter being read, -1 while it has no digit
    bool m_currentIsSub = false;
    bool m_odd = false;     // a private marker or an intermediate byte: not ours
    unsigned char m_stringKind = 0; // ']' for OSC, 'P', '_', '^' or 'X' for the others
    QByteArray m_string;            // the control string read so far, within bounds
    int m_pendingByte = -1; // binary text: a character waiting for its attribute
};
