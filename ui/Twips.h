#pragma once
#include <QRect>
// Window positions and sizes are kept in twips as the windows specify them;
// on this platform a pixel is always 15 twips (96 dpi), whatever the screen,
// so layouts and tests are stable.

inline constexpr int kTwipsPerPixel = 15;

constexpr int twipsToPixels(double twips) { return static_cast<int>(twips / kTwipsPerPixel + (twips >= 0 ? 0.5 : -0.5)); }
constexpr double pixelsToTwips(double pixels) { return pixels * kTwipsPerPixel; }

// A place given in twips (left, top, width, height), in pixels.
inline QRect twipsRect(double left, double top, double width, double height) {
    return QRect(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height));
}
