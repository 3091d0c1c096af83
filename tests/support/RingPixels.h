#pragma once
// Every pixel of a ring as the painter draws it, for tests that check where
// a map drew its circles.

#include <QImage>
#include <QPainter>
#include <QPoint>
#include <vector>

// The pixels of a ring centred on `centre` (radius r, pen width `width`)
// drawn without antialiasing on an empty picture of the given size.
inline std::vector<QPoint> ringPixels(QSize size, QPointF centre, double r, int width) {
    QImage ref(size, QImage::Format_RGB32);
    ref.fill(Qt::white);
    {
        QPainter p(&ref);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(Qt::black, width));
        p.drawEllipse(centre, r, r);
    }
    std::vector<QPoint> out;
    for (int y = 0; y < ref.height(); ++y)
        for (int x = 0; x < ref.width(); ++x)
            if (ref.pixel(x, y) != QColor(Qt::white).rgb()) out.emplace_back(x, y);
    return out;
}
