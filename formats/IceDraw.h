#pragma once
// iCEDraw (.idf): a 12-byte header (0x04, "1.4" and the window x1, y1, x2,
// y2), then character and attribute pairs, a pair 01 00 starting a run (a
// 16-bit count, then the pair repeated), and at the end a font of 256
// characters 16 pixels high and a palette of 16 colours. Blink is a bright
// paper.

#include "formats/ArtPicture.h"

namespace IceDraw {

bool HasHeader(QByteArrayView head);
TArtPicture Read(QByteArrayView bytes);

} // namespace IceDraw
