#pragma once
// How many colours a picture holds, for tests that tell a plain map from a
// shaded one: one for an empty picture, two for marks or outlines on their
// background, more for classes.

#include <QImage>
#include <cstddef>
#include <set>

inline std::size_t colourCount(const QImage& image) {
    std::set<QRgb> colours;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) colours.insert(image.pixel(x, y) & 0xFFFFFF);
    return colours.size();
}
