// Draws the pictures of the cluster test window: the formula of each test
// and the key of the M classes. Run once to refresh app/BitMaps:
//   ninja -C <build> korvane-make-bitmaps && <build>/retrospective/korvane-make-bitmaps <repo>/app/BitMaps
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QString>
#include <cstdio>

namespace {

// The formula picture fills the window's 5000 x 525 twip picture box.
constexpr int kWidth = 667;
constexpr int kHeight = 70;

bool save(const QImage& image, const QString& folder, const char* name) {
    const QString path = folder + "/" + name;
    if (!image.save(path, "JPG", 95)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

QImage formula(const QString& line1, const QString& line2) {
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    QFont f("DejaVu Serif");
    f.setPixelSize(22);
    f.setItalic(true);
    p.setFont(f);
    p.setPen(Qt::black);
    p.drawText(QRect(12, 4, kWidth - 24, 32), Qt::AlignLeft | Qt::AlignVCenter, line1);
    p.drawText(QRect(12, 36, kWidth - 24, 32), Qt::AlignLeft | Qt::AlignVCenter, line2);
    return image;
}

QImage mLegendKey() {
    QImage image(240, 120, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::TextAntialiasing);
    QFont f("DejaVu Sans");
    f.setPixelSize(15);
    p.setFont(f);
    p.setPen(Qt::black);
    p.drawText(QRect(8, 6, 224, 22), Qt::AlignLeft, QString::fromUtf8("M(i): local M statistic"));
    p.drawText(QRect(8, 30, 224, 22), Qt::AlignLeft, QString::fromUtf8("M*: critical value at alpha"));
    p.drawText(QRect(8, 54, 224, 22), Qt::AlignLeft, QString::fromUtf8("M(i) \u2265 M*: cluster"));
    p.drawText(QRect(8, 78, 224, 22), Qt::AlignLeft, QString::fromUtf8("M(i) < \u2212M*: low area"));
    p.setPen(QPen(Qt::gray, 1));
    p.drawRect(0, 0, 239, 119);
    return image;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const QString sum = QString::fromUtf8("\u03A3");
    bool ok = true;
    ok &= save(formula(QString::fromUtf8("U(i) = %1\u2C7C w(i,j) (O\u2C7C \u2212 E\u2C7C)").arg(sum),
                       QString::fromUtf8("U = %1\u1D62 U(i)\u00B2").arg(sum)),
               folder, "unadjusted.jpg");
    ok &= save(formula(QString::fromUtf8("U(i) = %1\u2C7C w(i,j) (O\u2C7C \u2212 E\u2C7C) / \u221AE\u2C7C").arg(sum),
                       QString::fromUtf8("U = %1\u1D62 U(i)\u00B2,   r\u2C7C = (O\u2C7C \u2212 E\u2C7C) / \u221AE\u2C7C").arg(sum)),
               folder, "adjusted.jpg");
    ok &= save(formula(QString::fromUtf8("M(i) = %1\u2C7C w(i,j) r\u2C7C").arg(sum),
                       QString::fromUtf8("r\u2C7C = \u221AO\u2C7C + \u221A(O\u2C7C + 1) \u2212 \u221A(4E\u2C7C + 1)")),
               folder, "standard.jpg");
    ok &= save(formula(QString::fromUtf8("M(i) = %1\u2C7C w(i,j) r\u2C7C").arg(sum),
                       QString::fromUtf8("r\u2C7C = (O\u2C7C \u2212 3E\u2C7C + 2\u221A(E\u2C7C O\u2C7C)) / (2\u221AE\u2C7C)")),
               folder, "rossi.jpg");
    ok &= save(mLegendKey(), folder, "M_Legend.jpg");
    return ok ? 0 : 1;
}
