// Draws the About window's picture: the program's name and version over a
// stylised map of regions and points, with the credits below. Run once to
// refresh app/BitMaps/About.png:
//   ninja -C <build> korvane-make-about-picture && <build>/app/korvane-make-about-picture <repo>/app/BitMaps
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <cstdio>
#include <vector>

namespace {

constexpr int kWidth = 520;
constexpr int kHeight = 316;

// The map's class colours, blue to red (as the legend shades them).
const QColor kClassColours[] = {QColor(0, 0, 255), QColor(128, 128, 255), QColor(192, 192, 255),
                                QColor(255, 192, 192), QColor(255, 128, 128), QColor(255, 0, 0)};

QImage drawPicture() {
    QImage img(kWidth, kHeight, QImage::Format_RGB32);
    img.setDotsPerMeterX(3780);
    img.setDotsPerMeterY(3780);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);

    // A patchwork of regions on a 7 x 4 grid, each corner nudged so the
    // shapes look like counties rather than squares.
    const int cols = 7, rows = 4;
    const double left = 14, top = 14, cw = 70, ch = 50;
    auto corner = [&](int c, int r) {
        const double dx = ((c * 37 + r * 11) % 17 - 8) * 1.6;
        const double dy = ((c * 13 + r * 29) % 15 - 7) * 1.4;
        const bool edgeX = c == 0 || c == cols, edgeY = r == 0 || r == rows;
        return QPointF(left + c * cw + (edgeX ? 0 : dx), top + r * ch + (edgeY ? 0 : dy));
    };
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < cols; ++c) {
            QPolygonF region;
            region << corner(c, r) << corner(c + 1, r) << corner(c + 1, r + 1) << corner(c, r + 1);
            // A cluster of high classes around the middle right, low ones elsewhere.
            const double d = std::abs(c - 4.5) + std::abs(r - 1.5);
            const int cls = d < 1.2 ? 5 : d < 2.2 ? 4 : d < 3.2 ? 3 : (c + r) % 3;
            QColor fill = kClassColours[cls];
            fill.setAlpha(150);
            p.setBrush(fill);
            p.setPen(QPen(QColor(60, 60, 60), 1));
            p.drawPolygon(region);
        }
    }
    // Case points scattered over the map, thicker in the cluster.
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(QColor(255, 255, 0));
    for (int i = 0; i < 46; ++i) {
        const double x = left + 10 + (i * 97 % 470);
        const double y = top + 8 + (i * 53 % 186);
        p.drawEllipse(QPointF(x, y), 3, 3);
    }
    for (int i = 0; i < 18; ++i) {
        const double x = left + 4.5 * cw + ((i * 31) % 60) - 30;
        const double y = top + 2 * ch + ((i * 43) % 56) - 28;
        p.drawEllipse(QPointF(x, y), 3, 3);
    }

    // The name and version on a white band over the map.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 215));
    p.drawRoundedRect(QRectF(90, 62, 340, 86), 10, 10);
    QFont title("DejaVu Sans", 34, QFont::Bold);
    p.setFont(title);
    p.setPen(QColor(20, 40, 110));
    p.drawText(QRectF(90, 60, 340, 56), Qt::AlignCenter, "Korvane");
    QFont version("DejaVu Sans", 12);
    p.setFont(version);
    p.setPen(QColor(40, 40, 40));
    p.drawText(QRectF(90, 112, 340, 30), Qt::AlignCenter, "Version 1.1");

    // The credits box.
    const QRectF box(14, 230, kWidth - 28, 72);
    p.setBrush(QColor(245, 245, 250));
    p.setPen(QPen(QColor(20, 40, 110), 1.5));
    p.drawRect(box);
    p.setPen(QColor(30, 30, 30));
    p.setFont(QFont("DejaVu Sans", 10, QFont::Bold));
    p.drawText(box.adjusted(10, 6, -10, 0), Qt::AlignHCenter | Qt::AlignTop,
               "Spatial surveillance of disease counts");
    p.setFont(QFont("DejaVu Sans", 9));
    p.drawText(box.adjusted(10, 28, -10, 0), Qt::AlignHCenter | Qt::AlignTop,
               "Score and M statistics for retrospective cluster detection,\n"
               "cusum for prospective surveillance. Credits: The Korvane developers.");
    p.end();
    return img;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    const QString path = folder + "/About.png";
    if (!drawPicture().convertToFormat(QImage::Format_RGB888).save(path, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return 1;
    }
    std::printf("%s\n", qPrintable(path));
    return 0;
}
