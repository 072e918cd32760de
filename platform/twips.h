#pragma once

#include <QRect>
#include <QSize>

namespace platform {

// Window geometry is laid out in twips; 15 twips make one device-independent pixel (96 dpi).
inline constexpr int kTwipsPerPixel = 15;

constexpr int twipsToPixels(int twips) noexcept {
    // Rounded to the nearest pixel, halves away from zero.
    return twips >= 0 ? (twips + kTwipsPerPixel / 2) / kTwipsPerPixel
                      : -((-twips + kTwipsPerPixel / 2) / kTwipsPerPixel);
}

constexpr QRect twipsRect(int left, int top, int width, int height) noexcept {
    return QRect(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width),
                 twipsToPixels(height));
}

constexpr QSize twipsSize(int width, int height) noexcept {
    return QSize(twipsToPixels(width), twipsToPixels(height));
}

} // namespace platform
