#pragma once
// TundraDraw (.tnd): 0x18 and "TUNDRA24", then characters on 80 columns and
// commands: 1 and two 32-bit numbers (row, column) moves the cursor; 2, 4 and
// 6 set the ink, the paper or both from 32-bit 0x00RRGGBB values, and the
// byte after them is always a character.

#include "formats/ArtPicture.h"

namespace TundraDraw {

bool HasHeader(QByteArrayView head);
TArtPicture Read(QByteArrayView bytes);

} // namespace TundraDraw
