#pragma once
// PCBoard text (.pcb): ANSI art whose colours may also be set by "@X" and
// two hex digits (paper, then ink, as a PC attribute: @X1F is bright white
// on blue), with "@CLS@" clearing the screen and "@POS:n@" moving to column
// n. Other @ codes, and an @X without two digits, are drawn as they are.

#include "formats/AnsiScreen.h"

class TPcboardReader
{
public:
    explicit TPcboardReader(TAnsiScreen &screen) : m_screen(screen) {}
    // The next bytes; a code may be split between calls.
    void Write(QByteArrayView bytes);
    // The end of the art: a code still open is drawn as text.
    void Finish();

private:
    void Take(QByteArrayView bytes, bool last);

    TAnsiScreen &m_screen;
    QByteArray m_pending; // the start of a code the next bytes may finish
};
