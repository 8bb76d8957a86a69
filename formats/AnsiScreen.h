#pragma once
// The screen of character cells that ANSI art is written to, as a DOS ANSI
// driver wrote it: escape codes set the colours and move the cursor, CR, LF
// and TAB move it, every other byte is a code page 437 character. Binary text
// (pairs of character and attribute bytes) is written to it as well. The
// screen is as wide as the art asks and grows downwards, within bounds: a
// file of any size costs time in proportion to its length and memory of at
// most kMaxCells cells; art that goes past kMaxRows rows or kMaxCells cells
// is cut there.

#include <QByteArrayView>
#include <QHash>

#include <vector>

// One cell: the character and the colours it is drawn in (indices into the
// screen's colours, after bright, reverse and concealed are applied).
struct TAnsiCell
{
    quint8 Char = ' ';
    quint8 Attributes = 0; // TAnsiScreen::TAttribute flags in force when written
    quint16 Ink = 7;
    quint16 Paper = 0;

    bool operator==(const TAnsiCell &) const = default;
};

class TAnsiScreen
{
public:
    static constexpr qsizetype kMaxRows = 100000;
    static constexpr qsizetype kMaxCells = 16000000;
    static constexpr int kMaxWidth = 4096;
    static constexpr int kDefaultWidth = 80;
    static constexpr int kBinaryWidth = 160;

    enum TAttribute : quint8 { atBold = 1, atBlink = 2, atReverse = 4, atConcealed = 8 };
    enum class TInput { inAnsi, inBinary };

    // width 0 takes the input's usual width; iceColors makes blink (the
    // attribute's top bit in binary text) a bright paper.
    explicit TAnsiScreen(int width = 0, bool iceColors = false, TInput input = TInput::inAnsi);

    // Takes the next bytes of the art; a sequence may be split between calls.
    // A sequence still open when the art ends is ignored.
    void Write(QByteArrayView bytes);
    bool Ended() const { return m_ended; } // 0x1A read, or the art was cut
    bool Cut() const { return m_cut; }

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

private:
    enum class TState { stText, stEscape, stSequence };
    struct TColor
    {
        bool Indexed = true;
        int Index = 7; // 0 to 7 take the bold (ink) or iCE (paper) brightness
        quint32 Rgb = 0;
    };

    void Text(unsigned char byte);
    void Binary(unsigned char byte);
    void Sequence(unsigned char final);
    void Graphics();
    void Put(const TAnsiCell &cell);
    // A blank in the colours in force, kept until they change.
    TAnsiCell Pen();
    void Erase(qsizetype row, qsizetype from, qsizetype to);
    void ClearScreen();
    void MoveTo(qsizetype row, qsizetype column);
    // The row with at least length cells; null when that passes the bounds,
    // which cuts the art.
    std::vector<TAnsiCell> *Row(qsizetype row, qsizetype length);
    std::vector<TAnsiCell> *GrowRow(qsizetype row, qsizetype length);
    quint16 ColorIndex(const TColor &color, bool bright);
    quint16 RgbIndex(quint32 rgb);
    void PushParameter();
    int Parameter(int k, int otherwise) const; // otherwise where it was not given

    int m_width;
    bool m_ice;
    TInput m_input;
    bool m_ended = false;
    bool m_cut = false;

    std::vector<std::vector<TAnsiCell>> m_cells; // rows, each as long as its last written cell
    std::vector<qsizetype> m_dirty;              // rows written since the last erase of the screen
    qsizetype m_rows = 0;
    qsizetype m_cellCount = 0;
    qsizetype m_row = 0, m_column = 0;
    qsizetype m_savedRow = 0, m_savedColumn = 0;

    TColor m_ink, m_paper{true, 0, 0};
    quint8 m_attributes = 0;
    TAnsiCell m_pen;
    bool m_penStale = true;
    std::vector<quint32> m_colors;
    QHash<quint32, quint16> m_rgbIndex;

    TState m_state = TState::stText;
    static constexpr int kMaxParameters = 16;
    int m_parameters[kMaxParameters] = {};
    int m_parameterCount = 0;
    int m_current = -1; // the parameter being read, -1 while it has no digit
    bool m_odd = false;     // a private marker or an intermediate byte: not ours
    int m_pendingByte = -1; // binary text: a character waiting for its attribute
};
