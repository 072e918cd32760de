#pragma once

#include <QImage>

// How many bands of rows hold anything but the background: the lines of a text.
inline int inkBands(const QImage& image, QRgb background) {
    int bands = 0;
    bool inBand = false;
    for (int y = 0; y < image.height(); ++y) {
        bool ink = false;
        for (int x = 0; x < image.width() && !ink; ++x)
            ink = (image.pixel(x, y) | 0xff000000) != (background | 0xff000000);
        bands += ink && !inBand;
        inBand = ink;
    }
    return bands;
}
