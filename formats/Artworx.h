#pragma once
// Artworx (.adf): a version byte, a palette of 64 EGA colours (of which 16
// are used), a font of 256 characters 16 pixels high, then binary text of 80
// columns, drawn with a bright paper for blink.

#include "formats/ArtPicture.h"

namespace Artworx {

TArtPicture Read(QByteArrayView bytes);

} // namespace Artworx
