#pragma once
// XBin (.xb): an 11-byte header ("XBIN", 0x1A, width, height, font height,
// flags), then as the flags say a palette of 16 colours, a font of 256 or 512
// characters 8 pixels wide and 1 to 32 high, and the cells as character and
// attribute pairs, plain or run-length compressed row by row.

#include "formats/ArtPicture.h"

namespace XBin {

bool HasHeader(QByteArrayView head);
TArtPicture Read(QByteArrayView bytes);

} // namespace XBin
