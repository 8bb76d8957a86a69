#include "formats/AnsiScreen.h"

#include <algorithm>

namespace {

// Larger than any screen: a parameter of more digits is taken as this.
constexpr int kHuge = 1000000;
// 24-bit colours kept as they are; past these, the nearest of the 256-colour set.
constexpr qsizetype kMaxColors = 65536;

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

} // namespace

quint32 TAnsiScreen::VgaColor(int index)
{
    return kVga[index & 15];
}

TAnsiScreen::TAnsiScreen(int width, bool iceColors, TInput input)
    : m_width(std::clamp(width > 0 ? width : input == TInput::inBinary ? kBinaryWidth : kDefaultWidth, 1, kMaxWidth)),
      m_ice(iceColors), m_input(input)
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
            m_state = TState::stText;
            if (byte == '[') {
                m_state = TState::stSequence;
                m_parameterCount = 0;
                m_current = -1;
                m_odd = false;
            } else {
                Text(byte); // a lone ESC is dropped
            }
            break;
        case TState::stSequence:
            if (byte >= '0' && byte <= '9') {
                m_current = std::min(kHuge, std::max(m_current, 0) * 10 + (byte - '0'));
            } else if (byte == ';') {
                PushParameter();
            } else if (byte >= 0x3A && byte <= 0x3F) {
                m_odd = true; // sub-parameters, private markers: not a driver's
            } else if (byte >= 0x20 && byte <= 0x2F) {
                m_odd = true; // intermediate bytes (a minus sign among them)
            } else if (byte >= 0x40 && byte <= 0x7E) {
                m_state = TState::stText;
                if (m_current >= 0 || m_parameterCount > 0)
                    PushParameter();
                if (!m_odd)
                    Sequence(byte);
            } else {
                // Not part of a sequence: the sequence is dropped, the byte is text.
                m_state = TState::stText;
                Text(byte);
            }
            break;
        }
    }
}

void TAnsiScreen::PushParameter()
{
    if (m_parameterCount < kMaxParameters)
        m_parameters[m_parameterCount++] = m_current;
    m_current = -1;
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
        m_column = 0;
        break;
    case '\n': // down a row: only CR goes back to the first column
        MoveTo(m_row + 1, m_column);
        break;
    case '\t':
        if ((m_column / 8 + 1) * 8 < m_width)
            m_column = (m_column / 8 + 1) * 8;
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
    TAnsiCell cell;
    cell.Char = quint8(m_pendingByte);
    m_pendingByte = -1;
    cell.Ink = quint16(kFromAttribute[byte & 7] + (byte & 8));
    const bool blink = byte & 0x80;
    cell.Paper = quint16(kFromAttribute[(byte >> 4) & 7] + (blink && m_ice ? 8 : 0));
    cell.Attributes = blink && !m_ice ? atBlink : 0;
    Put(cell);
}

void TAnsiScreen::Put(const TAnsiCell &cell)
{
    std::vector<TAnsiCell> *row = Row(m_row, m_column + 1);
    if (!row)
        return;
    (*row)[size_t(m_column)] = cell;
    // The cursor wraps at once, as the driver's did: a full row and then
    // CR LF leave an empty row between.
    if (++m_column >= m_width)
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
    m_row = std::clamp<qsizetype>(row, 0, kMaxRows);
    m_column = std::clamp<qsizetype>(column, 0, m_width - 1);
}

std::vector<TAnsiCell> *TAnsiScreen::Row(qsizetype row, qsizetype length)
{
    // Most characters go where the row has room, or right after its end.
    if (row < qsizetype(m_cells.size())) {
        std::vector<TAnsiCell> &cells = m_cells[size_t(row)];
        const qsizetype size = qsizetype(cells.size());
        if (length <= size || (length == size + 1 && size > 0 && m_cellCount < kMaxCells)) {
            if (length > size) {
                cells.emplace_back();
                ++m_cellCount;
            }
            m_rows = std::max(m_rows, row + 1);
            return &cells;
        }
    }
    return GrowRow(row, length);
}

std::vector<TAnsiCell> *TAnsiScreen::GrowRow(qsizetype row, qsizetype length)
{
    if (row >= kMaxRows) {
        m_cut = m_ended = true;
        return nullptr;
    }
    if (row >= qsizetype(m_cells.size()))
        m_cells.resize(size_t(row + 1));
    std::vector<TAnsiCell> &cells = m_cells[size_t(row)];
    const qsizetype more = length - qsizetype(cells.size());
    if (more > 0) {
        if (m_cellCount + more > kMaxCells) {
            m_cut = m_ended = true;
            return nullptr;
        }
        if (cells.empty()) {
            m_dirty.push_back(row);
            cells.reserve(size_t(std::max(length, qsizetype(std::min(m_width, 256)))));
        }
        m_cellCount += more;
        cells.resize(size_t(length));
    }
    m_rows = std::max(m_rows, row + 1);
    return &cells;
}

void TAnsiScreen::Erase(qsizetype row, qsizetype from, qsizetype to)
{
    const TAnsiCell blank = Pen();
    if (blank == TAnsiCell() && row < qsizetype(m_cells.size())) {
        // Blanks on black to the end of a row are no cells at all.
        std::vector<TAnsiCell> &cells = m_cells[size_t(row)];
        if (to >= qsizetype(cells.size()) && from < qsizetype(cells.size())) {
            m_cellCount -= qsizetype(cells.size()) - from;
            cells.resize(size_t(from));
        }
        to = std::min(to, qsizetype(cells.size()));
        std::fill(cells.begin() + std::min(from, to), cells.begin() + to, blank);
        return;
    }
    if (blank == TAnsiCell())
        return;
    if (std::vector<TAnsiCell> *cells = Row(row, to))
        std::fill(cells->begin() + from, cells->begin() + to, blank);
}

void TAnsiScreen::ClearScreen()
{
    // Only the rows written since the last erase: an animation that clears
    // the screen thousands of times costs what it writes.
    for (const qsizetype row : m_dirty) {
        m_cellCount -= qsizetype(m_cells[size_t(row)].size());
        std::vector<TAnsiCell>().swap(m_cells[size_t(row)]);
    }
    m_dirty.clear();
    m_rows = 0;
    m_row = m_column = 0;
}

void TAnsiScreen::Sequence(unsigned char final)
{
    const int n = std::max(1, Parameter(0, 1));
    switch (final) {
    case 'A':
        MoveTo(m_row - n, m_column);
        break;
    case 'B':
        MoveTo(m_row + n, m_column);
        break;
    case 'C':
        MoveTo(m_row, m_column + n);
        break;
    case 'D':
        MoveTo(m_row, m_column - n);
        break;
    case 'H':
    case 'f':
        MoveTo(Parameter(0, 1) - 1, Parameter(1, 1) - 1);
        break;
    case 'J':
        if (Parameter(0, 0) == 2)
            ClearScreen();
        break;
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
    case 'm':
        Graphics();
        break;
    case 's':
        m_savedRow = m_row;
        m_savedColumn = m_column;
        break;
    case 'u':
        MoveTo(m_savedRow, m_savedColumn);
        break;
    case 't':
        // 24-bit colour as art editors write it: 0 for the paper, 1 for the ink.
        if (m_parameterCount == 4 && (Parameter(0, 0) == 0 || Parameter(0, 0) == 1)) {
            const quint32 rgb = quint32(std::min(255, Parameter(1, 0)) << 16 | std::min(255, Parameter(2, 0)) << 8
                                        | std::min(255, Parameter(3, 0)));
            (Parameter(0, 0) == 1 ? m_ink : m_paper) = {false, 0, rgb};
            m_penStale = true;
        }
        break;
    default:
        break; // not a driver's: skipped
    }
}

void TAnsiScreen::Graphics()
{
    m_penStale = true;
    const int count = std::max(1, m_parameterCount);
    for (int k = 0; k < count; ++k) {
        const int p = Parameter(k, 0);
        if (p >= 30 && p <= 37) {
            m_ink = {true, p - 30, 0};
        } else if (p >= 40 && p <= 47) {
            m_paper = {true, p - 40, 0};
        } else if (p >= 90 && p <= 97) {
            m_ink = {true, p - 90 + 8, 0};
        } else if (p >= 100 && p <= 107) {
            m_paper = {true, p - 100 + 8, 0};
        } else if (p == 38 || p == 48) {
            TColor &color = p == 38 ? m_ink : m_paper;
            if (Parameter(k + 1, -1) == 5 && k + 2 < m_parameterCount) {
                color = {true, std::min(255, Parameter(k + 2, 0)), 0};
                k += 2;
            } else if (Parameter(k + 1, -1) == 2 && k + 4 < m_parameterCount) {
                color = {false, 0, quint32(std::min(255, Parameter(k + 2, 0)) << 16 | std::min(255, Parameter(k + 3, 0)) << 8
                                           | std::min(255, Parameter(k + 4, 0)))};
                k += 4;
            } else {
                return; // the rest cannot be read
            }
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

qsizetype TAnsiScreen::RowLength(qsizetype row) const
{
    if (row < 0 || row >= qsizetype(m_cells.size()))
        return 0;
    const std::vector<TAnsiCell> &cells = m_cells[size_t(row)];
    qsizetype length = qsizetype(cells.size());
    while (length > 0 && cells[size_t(length - 1)].Char == ' ' && cells[size_t(length - 1)].Paper == 0)
        --length;
    return length;
}

const TAnsiCell *TAnsiScreen::RowCells(qsizetype row) const
{
    return row >= 0 && row < qsizetype(m_cells.size()) ? m_cells[size_t(row)].data() : nullptr;
}

TAnsiCell TAnsiScreen::Cell(qsizetype row, qsizetype column) const
{
    if (row < 0 || row >= qsizetype(m_cells.size()) || column < 0 || column >= qsizetype(m_cells[size_t(row)].size()))
        return {};
    return m_cells[size_t(row)][size_t(column)];
}
