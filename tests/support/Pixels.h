#pragma once

#include <QImage>
#include <QRect>

// Bounding box of the pixels for which match(colour) holds; empty if none.
template <typename Match>
QRect PixelBounds(const QImage &image, Match match)
{
    QRect bounds;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (match(image.pixel(x, y)))
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

inline QRect ColorBounds(const QImage &image, QRgb colour)
{
    return PixelBounds(image, [colour](QRgb pixel) { return pixel == colour; });
}
