#include "formats/AnsiScreen.h"

#include <algorithm>

namespace {

// Larger than any screen: a parameter of more digits is taken as this.
constexpr int kHuge = 1000000;
// 24-bit colours kept as they are; past these, the nearest of the 256-colour set.
constexpr qsizetype kMaxColors = 65536;
// A control string is read this far; the rest of it is skipped.
constexpr qsizetype kMaxString = 4096;
// Hyperlinks kept; later ones are drawn as plain cells.
constexpr qsizetype kMaxLinks = 65535;
// The rows of a terminal's screen that erasing above the cursor reaches.
constexpr qsizetype kScreenRows = 25;

constexpr quint32 kVga[16] = {0x000000, 0xAA0000, 0x00AA00, 0xAA5500, 0x0000AA, 0xAA00AA, 0x00AAAA, 0xAAAAAA,
                              0x555555, 0xFF5555, 0x55FF55, 0xFFFF55, 0x5555FF, 0xFF55FF, 0x55FFFF, 0xFFFFFF};
// The 256-colour set's six levels of each primary.
constexpr int kLevels[6] = {0, 95, 135, 175, 215, 255};
// The attribute byte counts blue, green, red; escape codes red, green, blue.
constexpr int kFromAttribute[8] = {0, 4, 2, 6, 1, 5, 3, 7};

int NearestLevel(int value)
{
    int best = 0;
    for (int k = 1; k < 6; ++k)
        if (std::abs(kLevels[k] - value) < std::abs(kLevels[best] - value))
            best = k;
    return best;
}

int HexDigit(char c)
{
    return c >= '0' && c <= '9' ? c - '0' : (c | 0x20) >= 'a' && (c | 0x20) <= 'f' ? (c | 0x20) - 'a' + 10 : -1;
}

// One colour component of 1 to 4 hex digits, as 0 to 255; -1 when it is not one.
int HexComponent(QByteArrayView digits)
{
    if (digits.isEmpty() || digits.size() > 4)
        return -1;
    int value = 0;
    for (const char c : digits) {
        if (HexDigit(c) < 0)
            return -1;
        value = value * 16 + HexDigit(c);
    }
    const int max = (1 << (4 * digits.size())) - 1;
    return (value * 255 + max / 2) / max;
}

// "rgb:R/G/B" or "#RRGGBB" as 0xRRGGBB, or -1.
qint64 ParseColorSpec(QByteArrayView spec)
{
    if (spec.startsWith("rgb:")) {
        const QByteArrayView rest = spec.sliced(4);
        const qsizetype a = rest.indexOf('/'), b = a < 0 ? -1 : rest.sliced(a + 1).indexOf('/');
        if (a < 0 || b < 0)
            return -1;
        const int r = HexComponent(rest.first(a)), g = HexComponent(rest.sliced(a + 1, b)),
                  bl = HexComponent(rest.sliced(a + 2 + b));
        return r < 0 || g < 0 || bl < 0 ? -1 : qint64(r) << 16 | g << 8 | bl;
    }
    if (spec.size() == 7 && spec[0] == '#') {
        qint64 rgb = 0;
        for (const char c : spec.sliced(1)) {
            if (HexDigit(c) < 0)
                return -1;
            rgb = rgb << 4 | HexDigit(c);
        }
        return rgb;
    }
    return -1;
}

// Only addresses a click may open become links.
bool OpenableScheme(const QString &url)
{
    for (const char *scheme : {"http://", "https://", "ftp://", "telnet://", "mailto:"})
        if (url.startsWith(QLatin1String(scheme), Qt::CaseInsensitive))
            return true;
    return false;
}

} // namespace

quint32 TAnsiScreen::VgaColor(int index)
{
    return kVga[index & 15];
}

TAnsiScreen::TAnsiScreen(int width, bool iceColors, TInput input, TWrap wrap)
    : m_width(std::clamp(width > 0 ? width : input == TInput::inBinary ? kBinaryWidth : kDefaultWidth, 1, kMaxWidth)),
      m_ice(iceColors), m_input(input), m_wrap(wrap)
{
    m_colors.reserve(256);
    for (const quint32 rgb : kVga)
        m_colors.push_back(rgb);
    for (int k = 0; k < 216; ++k)
        m_colors.push_back(quint32(kLevels[k / 36] << 16 | kLevels[k / 6 % 6] << 8 | kLevels[k % 6]));
    for (int k = 0; k < 24; ++k)
        m_colors.push_back(quint32(0x010101 * (8 + 10 * k)));
}

void TAnsiScreen::Write(QByteArrayView bytes)
{
    for (const char c : bytes) {
        if (m_ended)
            return;
        const auto byte = static_cast<unsigned char>(c);
        if (m_input == TInput::inBinary) {
            Binary(byte);
            continue;
        }
        switch (m_state) {
        case TState::stText:
            Text(byte);
            break;
        case TState::stEscape:
            Escape(byte);
            break;
        case TState::stIntermediate:
            // ESC ( B and its kin: a character set chosen, which art has no use for.
            if (byte >= 0x30 && byte <= 0x7E) {
                m_state = TState::stText;
            } else if (byte < 0x20 || byte > 0x7E) {
                m_state = TState::stText;
                Text(byte);
            }
            break;
        case TState::stSequence:
            if (byte >= '0' && byte <= '9') {
                m_current = std::min(kHuge, std::max(m_current, 0) * 10 + (byte - '0'));
            } else if (byte == ';' || byte == ':') {
                PushParameter(byte == ':');
            } else if (byte >= 0x3C && byte <= 0x3F) {
                // A private marker: the terminal's own modes, not drawing.
                m_evidence.TerminalCodes = true;
                m_odd = true;
            } else if (byte >= 0x20 && byte <= 0x2F) {
                m_odd = true; // intermediate bytes (a minus sign among them)
            } else if (byte >= 0x40 && byte <= 0x7E) {
                m_state = TState::stText;
                if (m_current >= 0 || m_parameterCount > 0)
                    PushParameter(false);
                if (!m_odd)
                    Sequence(byte);
            } else {
                // Not part of a sequence: the sequence is dropped, the byte is text.
                m_state = TState::stText;
                Text(byte);
            }
            break;
        case TState::stString:
            if (byte == 0x07) {
                ControlString();
            } else if (byte == 0x1B) {
                m_state = TState::stStringEscape;
            } else if (byte == 0x18 || byte == 0x1A) {
                // CAN and SUB cancel the string; SUB also ends the art.
                m_state = TState::stText;
                Text(byte);
            } else if (m_string.size() < kMaxString) {
                m_string += char(byte);
            }
            break;
        case TState::stStringEscape:
            // ESC \ ends the string; an ESC with anything else ends it too
            // and begins a sequence of its own.
            ControlString();
            if (byte != '\\')
                Escape(byte);
            break;
        }
    }
}

void TAnsiScreen::Escape(unsigned char byte)
{
    m_state = TState::stText;
    switch (byte) {
    case '[':
        m_state = TState::stSequence;
        m_parameterCount = 0;
        m_current = -1;
        m_currentIsSub = false;
        m_odd = false;
        return;
    case ']':
    case 'P':
    case '_':
    case '^':
    case 'X':
        m_state = TState::stString;
        m_stringKind = byte;
        m_string.clear();
        m_evidence.TerminalCodes = true;
        return;
    case '7':
        m_saved = {m_row, m_column, m_ink, m_paper, m_attributes};
        m_evidence.TerminalCodes = true;
        return;
    case '8':
        MoveTo(m_saved.Row, m_saved.Column);
        m_ink = m_saved.Ink;
        m_paper = m_saved.Paper;
        m_attributes = m_saved.Attributes;
        m_penStale = true;
        m_evidence.TerminalCodes = true;
        return;
    case 'c':
        ClearScreen();
        m_ink = {true, 7, 0};
        m_paper = {true, 0, 0};
        m_attributes = 0;
        m_link = 0;
        m_penStale = true;
        m_evidence.TerminalCodes = true;
        return;
    case 'D': // index: down a row
        MoveTo(m_row + 1, m_column);
        return;
    case 'E': // next line
        MoveTo(m_row + 1, 0);
        return;
    case 'M': // reverse index: up a row
        MoveTo(m_row - 1, m_column);
        return;
    case 0x1B:
        m_state = TState::stEscape;
        return;
    default:
        break;
    }
    if (byte >= 0x20 && byte <= 0x2F)
        m_state = TState::stIntermediate;
    else if (byte < 0x20 || byte > 0x7E)
        Text(byte); // a lone ESC is dropped
    // Any other final byte: a two-byte escape without a use here.
}

void TAnsiScreen::ControlString()
{
    m_state = TState::stText;
    if (m_stringKind != ']')
        return; // DCS, APC, PM and SOS: nothing to draw
    const QByteArrayView string(m_string);
    const qsizetype semicolon = string.indexOf(';');
    const QByteArrayView command = semicolon < 0 ? string : string.first(semicolon);
    const QByteArrayView rest = semicolon < 0 ? QByteArrayView() : string.sliced(semicolon + 1);
    if (command == "8")
        Hyperlink(rest);
    else if (command == "4")
        PaletteSpec(rest);
}

void TAnsiScreen::Hyperlink(QByteArrayView parameters)
{
    // OSC 8 ; parameters ; URI: an empty URI ends the link.
    const qsizetype semicolon = parameters.indexOf(';');
    const QString url = semicolon < 0 ? QString() : QString::fromUtf8(parameters.sliced(semicolon + 1)).trimmed();
    m_link = 0;
    m_penStale = true;
    if (url.isEmpty() || !OpenableScheme(url))
        return;
    if (!m_links.empty() && m_links.back() == url) {
        m_link = quint16(m_links.size());
    } else if (qsizetype(m_links.size()) < kMaxLinks) {
        m_links.push_back(url);
        m_link = quint16(m_links.size());
    }
}

void TAnsiScreen::PaletteSpec(QByteArrayView pairs)
{
    // OSC 4 ; index ; spec [; index ; spec ...]
    while (!pairs.isEmpty()) {
        const qsizetype a = pairs.indexOf(';');
        if (a < 0)
            return;
        const qsizetype b = pairs.sliced(a + 1).indexOf(';');
        const QByteArrayView index = pairs.first(a);
        const QByteArrayView spec = b < 0 ? pairs.sliced(a + 1) : pairs.sliced(a + 1, b);
        bool ok = false;
        const int n = QByteArray(index.data(), index.size()).toInt(&ok);
        const qint64 rgb = ParseColorSpec(spec);
        if (ok && rgb >= 0)
            SetPaletteColor(n, quint32(rgb));
        if (b < 0)
            return;
        pairs = pairs.sliced(a + 2 + b);
    }
}

void TAnsiScreen::PushParameter(bool nextIsSub)
{
    if (m_parameterCount < kMaxParameters) {
        m_sub[m_parameterCount] = m_currentIsSub;
        m_parameters[m_parameterCount++] = m_current;
    }
    m_current = -1;
    m_currentIsSub = nextIsSub;
}

int TAnsiScreen::Parameter(int k, int otherwise) const
{
    return k < m_parameterCount && m_parameters[k] >= 0 ? m_parameters[k] : otherwise;
}

void TAnsiScreen::Text(unsigned char byte)
{
    switch (byte) {
    case 0x1A:
        m_ended = true; // the end of the art; a record follows
        break;
    case 0x1B:
        m_state = TState::stEscape;
        break;
    case '\r':
        if (m_atEdge)
            ++m_evidence.EdgeBreaks;
        m_atEdge = false;
        m_pendingWrap = false;
        m_column = 0;
        break;
    case '\n': // to the start of the next row, as CR LF goes
        NewLine();
        break;
    case '\b':
        m_atEdge = false;
        MoveTo(m_row, m_column - 1);
        break;
    case '\a':
        break; // the bell is not heard here
    case '\t':
        m_atEdge = false;
        if ((m_column / 8 + 1) * 8 < m_width)
            MoveTo(m_row, (m_column / 8 + 1) * 8);
        else
            MoveTo(m_row + 1, 0);
        break;
    default: {
        TAnsiCell cell = Pen();
        cell.Char = byte;
        Put(cell);
        break;
    }
    }
}

void TAnsiScreen::NewLine()
{
    if (m_atEdge)
        ++m_evidence.EdgeBreaks;
    m_atEdge = false;
    MoveTo(m_row + 1, 0);
}

TAnsiCell TAnsiScreen::Pen()
{
    if (!m_penStale)
        return m_pen;
    m_penStale = false;
    // Reverse swaps the colours but not the brightness: bold still brightens the ink.
    const bool reverse = m_attributes & atReverse;
    m_pen = TAnsiCell();
    m_pen.Attributes = m_attributes;
    m_pen.Ink = ColorIndex(reverse ? m_paper : m_ink, m_attributes & atBold);
    m_pen.Paper = ColorIndex(reverse ? m_ink : m_paper, m_ice && (m_attributes & atBlink));
    m_pen.Link = m_link;
    if (m_attributes & atConcealed)
        m_pen.Ink = m_pen.Paper;
    if (m_ice)
        m_pen.Attributes &= ~atBlink; // shown as the bright paper
    return m_pen;
}

void TAnsiScreen::Binary(unsigned char byte)
{
    if (m_pendingByte < 0) {
        m_pendingByte = byte;
        return;
    }
    const auto ch = quint8(m_pendingByte);
    m_pendingByte = -1;
    PutPair(ch, byte);
}

void TAnsiScreen::PutPair(quint8 ch, quint8 attribute)
{
    TAnsiCell cell;
    cell.Char = ch;
    const bool second = m_halves && (attribute & 8);
    cell.Ink = quint16(kFromAttribute[attribute & 7] + (m_halves ? 0 : attribute & 8));
    const bool blink = attribute & 0x80;
    cell.Paper = quint16(kFromAttribute[(attribute >> 4) & 7] + (blink && m_ice ? 8 : 0));
    cell.Attributes = quint8((blink && !m_ice ? atBlink : 0) | (second ? atSecondHalf : 0));
    Put(cell);
}

void TAnsiScreen::PutChar(quint8 ch)
{
    TAnsiCell cell = Pen();
    cell.Char = ch;
    Put(cell);
}

void TAnsiScreen::SetAttribute(quint8 attribute)
{
    m_ink = {true, kFromAttribute[attribute & 7], 0};
    m_paper = {true, kFromAttribute[(attribute >> 4) & 7], 0};
    m_attributes = quint8((attribute & 8 ? atBold : 0) | (attribute & 0x80 ? atBlink : 0));
    m_penStale = true;
}

void TAnsiScreen::SetRgb(bool ink, quint32 rgb)
{
    (ink ? m_ink : m_paper) = {false, 0, rgb & 0xFFFFFF};
    m_penStale = true;
}

void TAnsiScreen::SetCursor(qsizetype row, qsizetype column)
{
    m_atEdge = false;
    MoveTo(row, column);
}

void TAnsiScreen::Clear()
{
    ClearScreen();
}

void TAnsiScreen::SetPaletteColor(int index, quint32 rgb)
{
    if (index >= 0 && index < 256)
        m_colors[size_t(index)] = rgb & 0xFFFFFF;
}

void TAnsiScreen::SetAttributeColor(int attributeColor, quint32 rgb)
{
    SetPaletteColor(kFromAttribute[attributeColor & 7] + (attributeColor & 8), rgb);
}

void TAnsiScreen::Put(const TAnsiCell &cell)
{
    if (m_atEdge)
        ++m_evidence.EdgeRuns;
    m_atEdge = false;
    if (m_pendingWrap)
        MoveTo(m_row + 1, 0);
    std::vector<TAnsiCell> *row = Row(m_row, m_column + 1);
    if (!row)
        return;
    (*row)[size_t(m_column)] = cell;
    if (m_column + 1 < m_width) {
        ++m_column;
        return;
    }
    m_atEdge = true;
    // A DOS driver wrapped at once, so that a full row and then CR LF left
    // an empty row between; a terminal waits for the next character.
    if (m_wrap == TWrap::wrTerminal)
        m_pendingWrap = true;
    else
        MoveTo(m_row + 1, 0);
}

quint16 TAnsiScreen::ColorIndex(const TColor &color, bool bright)
{
    if (!color.Indexed)
        return RgbIndex(color.Rgb);
    return quint16(color.Index < 8 && bright ? color.Index + 8 : color.Index);
}

quint16 TAnsiScreen::RgbIndex(quint32 rgb)
{
    const auto it = m_rgbIndex.constFind(rgb);
    if (it != m_rgbIndex.cend())
        return *it;
    if (qsizetype(m_colors.size()) >= kMaxColors)
        return quint16(16 + 36 * NearestLevel(int(rgb >> 16)) + 6 * NearestLevel(int(rgb >> 8 & 0xFF)) + NearestLevel(int(rgb & 0xFF)));
    m_colors.push_back(rgb);
    return *m_rgbIndex.insert(rgb, quint16(m_colors.size() - 1));
}

void TAnsiScreen::MoveTo(qsizetype row, qsizetype column)
{
    // One row past the last may be reached; writing there cuts the art.
    m_pendingWrap = false;
    m_row = std::clamp<qsizetype>(row, 0, kMaxRows);
    m_column = std::clamp<qsizetype>(column, 0, m_width - 1);
}

void TAnsiScreen::Sequence(unsigned char final)
{
    if (final == 'm') {
        Graphics();
        return;
    }
    m_atEdge = false;
    if (std::any_of(m_sub, m_sub + m_parameterCount, [](bool sub) { return sub; }))
        return; // sub-parameters belong to colours only
    const int n = std::max(1, Parameter(0, 1));
    switch (final) {
    case 'A':
        MoveTo(m_row - n, m_column);
        break;
    case 'B':
    case 'e': // VPR
        MoveTo(m_row + n, m_column);
        break;
    case 'C':
    case 'a': // HPR
        MoveTo(m_row, m_column + n);
        break;
    case 'D':
        MoveTo(m_row, m_column - n);
        break;
    case 'E': // CNL
        MoveTo(m_row + n, 0);
        break;
    case 'F': // CPL
        MoveTo(m_row - n, 0);
        break;
    case 'G': // CHA
    case '`': // HPA
        MoveTo(m_row, n - 1);
        break;
    case 'd': // VPA
        MoveTo(n - 1, m_column);
        break;
    case 'H':
    case 'f':
        MoveTo(Parameter(0, 1) - 1, Parameter(1, 1) - 1);
        break;
    case 'J': {
        const int mode = Parameter(0, 0);
        if (mode == 0) {
            Erase(m_row, m_column, m_width);
            EraseRows(m_row + 1, m_rows);
            TrimRows();
        } else if (mode == 1) {
            EraseRows(std::max<qsizetype>(0, m_rows - kScreenRows), m_row);
            Erase(m_row, 0, m_column + 1);
        } else if (mode == 2) {
            ClearScreen();
        }
        break;
    }
    case 'K': {
        const int mode = Parameter(0, 0);
        if (mode == 0)
            Erase(m_row, m_column, m_width);
        else if (mode == 1)
            Erase(m_row, 0, m_column + 1);
        else if (mode == 2)
            Erase(m_row, 0, m_width);
        break;
    }
    case 'X': // ECH
        Erase(m_row, m_column, m_column + n);
        break;
    case '@': // ICH
        InsertCells(n);
        break;
    case 'P': // DCH
        DeleteCells(n);
        break;
    case 'L': // IL
        ShiftRows(n, true);
        break;
    case 'M': // DL
        ShiftRows(n, false);
        break;
    case 's':
        m_saved.Row = m_row;
        m_saved.Column = m_column;
        break;
    case 'u':
        MoveTo(m_saved.Row, m_saved.Column);
        break;
    case 't':
        // 24-bit colour as art editors write it: 0 for the paper, 1 for the ink.
        if (m_parameterCount == 4 && (Parameter(0, 0) == 0 || Parameter(0, 0) == 1)) {
            const quint32 rgb = quint32(std::min(255, Parameter(1, 0)) << 16 | std::min(255, Parameter(2, 0)) << 8
                                        | std::min(255, Parameter(3, 0)));
            SetRgb(Parameter(0, 0) == 1, rgb);
        }
        break;
    default:
        break; // not a driver's: skipped
    }
}

// 38 and 48 with what follows: 5;n or 2;r;g;b, or the same joined by colons
// (38:5:n, 38:2::r:g:b with the colour space left empty, or 38:2:r:g:b).
void TAnsiScreen::ExtendedColor(int &k, TColor &color)
{
    if (k + 1 < m_parameterCount && m_sub[k + 1]) {
        m_evidence.TerminalCodes = true;
        int end = k + 1;
        while (end + 1 < m_parameterCount && m_sub[end + 1])
            ++end;
        const int count = end - k; // after the 38
        const int kind = Parameter(k + 1, -1);
        if (kind == 5 && count >= 2) {
            color = {true, std::min(255, Parameter(k + 2, 0)), 0};
        } else if (kind == 2 && count >= 4) {
            const int at = count >= 5 ? k + 3 : k + 2;
            color = {false, 0, quint32(std::min(255, Parameter(at, 0)) << 16 | std::min(255, Parameter(at + 1, 0)) << 8
                                       | std::min(255, Parameter(at + 2, 0)))};
        }
        k = end;
        return;
    }
    if (Parameter(k + 1, -1) == 5 && k + 2 < m_parameterCount) {
        color = {true, std::min(255, Parameter(k + 2, 0)), 0};
        k += 2;
    } else if (Parameter(k + 1, -1) == 2 && k + 4 < m_parameterCount) {
        color = {false, 0, quint32(std::min(255, Parameter(k + 2, 0)) << 16 | std::min(255, Parameter(k + 3, 0)) << 8
                                   | std::min(255, Parameter(k + 4, 0)))};
        k += 4;
    } else {
        k = m_parameterCount; // the rest cannot be read
    }
}

void TAnsiScreen::Graphics()
{
    m_penStale = true;
    const int count = std::max(1, m_parameterCount);
    for (int k = 0; k < count; ++k) {
        const int p = Parameter(k, 0);
        if (p == 38 || p == 48) {
            ExtendedColor(k, p == 38 ? m_ink : m_paper);
            continue;
        }
        // Sub-parameters of anything else (4:3, a curly underline) are skipped.
        while (k + 1 < m_parameterCount && m_sub[k + 1])
            ++k;
        if (p >= 30 && p <= 37) {
            m_ink = {true, p - 30, 0};
        } else if (p >= 40 && p <= 47) {
            m_paper = {true, p - 40, 0};
        } else if (p >= 90 && p <= 97) {
            m_ink = {true, p - 90 + 8, 0};
        } else if (p >= 100 && p <= 107) {
            m_paper = {true, p - 100 + 8, 0};
        } else {
            switch (p) {
            case 0:
                m_ink = {true, 7, 0};
                m_paper = {true, 0, 0};
                m_attributes = 0;
                break;
            case 1: m_attributes |= atBold; break;
            case 2: // faint: in sixteen colours, the normal ink
            case 22: m_attributes &= ~atBold; break;
            case 5: m_attributes |= atBlink; break;
            case 25: m_attributes &= ~atBlink; break;
            case 7: m_attributes |= atReverse; break;
            case 27: m_attributes &= ~atReverse; break;
            case 8: m_attributes |= atConcealed; break;
            case 28: m_attributes &= ~atConcealed; break;
            case 39: m_ink = {true, 7, 0}; break;
            case 49: m_paper = {true, 0, 0}; break;
            default: break;
            }
        }
    }
}

