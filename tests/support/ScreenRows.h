#pragma once
// The rows of a screen of cells as text, for the tests of what art draws:
// each cell's character, '.' for a blank on black.

#include "formats/AnsiScreen.h"

#include <QStringList>

inline QStringList ScreenRows(const TAnsiScreen &screen)
{
    QStringList rows;
    for (qsizetype row = 0; row < screen.Rows(); ++row) {
        QString text;
        for (qsizetype column = 0; column < screen.RowLength(row); ++column) {
            const TAnsiCell cell = screen.Cell(row, column);
            text += cell.Char == ' ' && screen.Color(cell.Paper) == 0 ? QChar(u'.') : QChar(cell.Char);
        }
        rows << text;
    }
    return rows;
}
