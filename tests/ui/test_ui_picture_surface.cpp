// The picture surface: persistent image, BGR colours, fill rules, text
// positions and the twips scale.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>

#include "ui/PictureSurface.h"

namespace {

constexpr BgrColor kRed = 0x0000FF;
constexpr BgrColor kYellow = 0x00FFFF;
constexpr BgrColor kBlue = 0xFF0000;
constexpr BgrColor kWhite = 0xFFFFFF;
constexpr BgrColor kBlack = 0x000000;

// An outer square 10..50 and a hole 20..40, as one point list drawn with a
// single Polygon call (outer ring, then the hole, then back to the start).
std::vector<DevicePoint> ringWithHole() {
    return {{10, 10}, {50, 10}, {50, 50}, {10, 50}, {10, 10},
            {20, 20}, {20, 40}, {40, 40}, {40, 20}, {20, 20}};
}

}  // namespace

TEST(PictureSurface, BgrIntegersConvertAtThePainter) {
    struct Case {
        const char* name;
        BgrColor bgr;
        int r, g, b;
    } cases[] = {
        {"red", kRed, 255, 0, 0},
        {"yellow", kYellow, 255, 255, 0},
        {"blue", kBlue, 0, 0, 255},
        {"legend pink", 0xC0C0FF, 255, 192, 192},
        {"legend light blue", 0xFF8080, 128, 128, 255},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QColor q = bgrToQColor(c.bgr);
        EXPECT_EQ(q.red(), c.r);
        EXPECT_EQ(q.green(), c.g);
        EXPECT_EQ(q.blue(), c.b);
        EXPECT_EQ(qColorToBgr(q), c.bgr);

        PictureSurface s;
        s.resize(20, 20);
        s.Box(0, 0, 19, 19, c.bgr, true);
        EXPECT_EQ(s.Point(5, 5), c.bgr);
        const QColor onImage(s.image().pixel(5, 5));
        EXPECT_EQ(onImage.red(), c.r);
        EXPECT_EQ(onImage.blue(), c.b);
    }
}

TEST(PictureSurface, ClsFillsWithBackColorAndResetsTheTextPosition) {
    PictureSurface s;
    s.resize(30, 20);
    s.Box(0, 0, 29, 19, kRed, true);
    s.CurrentX = 12;
    s.CurrentY = 7;
    s.BackColor = kYellow;
    s.Cls();
    for (int y = 0; y < 20; y += 3)
        for (int x = 0; x < 30; x += 3) ASSERT_EQ(s.Point(x, y), kYellow) << x << "," << y;
    EXPECT_EQ(s.CurrentX, 0.0);
    EXPECT_EQ(s.CurrentY, 0.0);
}

TEST(PictureSurface, DrawingPersistsAndResizeKeepsWhatFits) {
    PictureSurface s;
    s.resize(40, 40);
    s.Cls();
    s.Box(0, 0, 9, 9, kBlue, true);
    s.resize(80, 60);
    EXPECT_EQ(s.Point(5, 5), kBlue);
    EXPECT_EQ(s.Point(70, 50), kWhite);
    EXPECT_EQ(s.widthPx(), 80);
    EXPECT_EQ(s.heightPx(), 60);
    EXPECT_EQ(s.Point(80, 10), -1);  // outside
}

TEST(PictureSurface, PolygonFillRulesOnARingWithAHole) {
    struct Case {
        const char* name;
        PolyFillMode mode;
        BgrColor inHole;
    } cases[] = {
        {"alternate leaves the hole open", PolyFillMode::Alternate, kWhite},
        {"winding fills the hole when both rings run the same way", PolyFillMode::Winding, kRed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PictureSurface s;
        s.resize(60, 60);
        s.Cls();
        s.PolyFill = c.mode;
        s.FillStyleValue = FillStyle::Solid;
        s.FillColor = kRed;
        s.ForeColor = kBlack;
        auto pts = ringWithHole();
        // For the winding case run the hole in the same direction as the outer ring.
        if (c.mode == PolyFillMode::Winding) pts = {{10, 10}, {50, 10}, {50, 50}, {10, 50}, {10, 10},
                                                    {20, 20}, {40, 20}, {40, 40}, {20, 40}, {20, 20}};
        s.Polygon(pts.data(), static_cast<int>(pts.size()));
        EXPECT_EQ(s.Point(15, 30), kRed);       // between the rings
        EXPECT_EQ(s.Point(30, 30), c.inHole);  // inside the hole
        EXPECT_EQ(s.Point(5, 5), kWhite);      // outside
        EXPECT_EQ(s.Point(10, 30), kBlack);    // the outline
    }
}

TEST(PictureSurface, TransparentPolygonDrawsOnlyTheOutline) {
    PictureSurface s;
    s.resize(40, 40);
    s.Cls();
    s.FillStyleValue = FillStyle::Transparent;
    s.FillColor = kRed;
    s.ForeColor = kBlue;
    const DevicePoint pts[] = {{5, 5}, {30, 5}, {30, 30}, {5, 30}};
    s.Polygon(pts, 4);
    EXPECT_EQ(s.Point(17, 17), kWhite);
    EXPECT_EQ(s.Point(5, 17), kBlue);
    EXPECT_EQ(s.Point(30, 17), kBlue);
    EXPECT_EQ(s.Point(17, 5), kBlue);
    EXPECT_EQ(s.Point(17, 30), kBlue);
    // No antialiasing: a pixel next to the outline is untouched.
    EXPECT_EQ(s.Point(4, 17), kWhite);
    EXPECT_EQ(s.Point(6, 17), kWhite);
}

TEST(PictureSurface, PrintMovesDownOneTextLineAndBackToTheLeft) {
    for (ScaleUnit unit : {ScaleUnit::Pixels, ScaleUnit::Twips}) {
        SCOPED_TRACE(unit == ScaleUnit::Pixels ? "pixels" : "twips");
        PictureSurface s(unit);
        s.resize(200, 100);
        s.Cls();
        s.ForeColor = kBlack;
        const double lineHeight = s.TextHeight("Ag");
        EXPECT_GT(lineHeight, 0.0);
        s.CurrentX = s.fromPx(20);
        s.CurrentY = s.fromPx(10);
        s.Print("Legend");
        EXPECT_EQ(s.CurrentX, 0.0);
        EXPECT_DOUBLE_EQ(s.CurrentY, s.fromPx(10) + lineHeight);
        s.Print("Second");
        EXPECT_DOUBLE_EQ(s.CurrentY, s.fromPx(10) + 2 * lineHeight);
        // Ink lies right of CurrentX = 20 px on the first line and starts near 0 on the second.
        bool inkLeftOfStart = false, inkOnFirstLine = false;
        const int firstTop = 10, firstBottom = 10 + static_cast<int>(s.toPx(lineHeight));
        for (int y = firstTop; y < firstBottom; ++y)
            for (int x = 0; x < 200; ++x)
                if (s.Point(x, y) != kWhite) (x < 19 ? inkLeftOfStart : inkOnFirstLine) = true;
        EXPECT_TRUE(inkOnFirstLine);
        EXPECT_FALSE(inkLeftOfStart);
        if (unit == ScaleUnit::Twips) {
            EXPECT_DOUBLE_EQ(s.ScaleWidth(), 3000.0);
            EXPECT_DOUBLE_EQ(s.ScaleHeight(), 1500.0);
            EXPECT_NEAR(s.TextWidth("Legend") / 15.0, PictureSurface().TextWidth("Legend"), 1e-9);
        }
    }
}

TEST(PictureSurface, TwipsScaleConvertsDrawingCoordinates) {
    PictureSurface s(ScaleUnit::Twips);
    s.resize(100, 100);
    s.Cls();
    s.Box(150, 150, 300, 300, kRed, true);  // pixels 10..20
    EXPECT_EQ(s.Point(15, 15), kRed);
    EXPECT_EQ(s.Point(25, 25), kWhite);
    EXPECT_EQ(s.Point(9, 15), kWhite);
}

TEST(PictureSurface, PSetWithAWidePenSetsADot) {
    PictureSurface s;
    s.resize(20, 20);
    s.Cls();
    s.PSet(5, 5, kRed);
    EXPECT_EQ(s.Point(5, 5), kRed);
    EXPECT_EQ(s.Point(6, 5), kWhite);
    s.DrawWidth = 3;
    s.PSet(12, 12, kRed);
    EXPECT_EQ(s.Point(12, 12), kRed);
    EXPECT_EQ(s.Point(13, 12), kRed);
    EXPECT_EQ(s.Point(11, 12), kRed);
    EXPECT_EQ(s.Point(15, 12), kWhite);
}

TEST(PictureSurface, LineAndCircle) {
    PictureSurface s;
    s.resize(50, 50);
    s.Cls();
    s.Line(0, 10, 49, 10, kBlue);
    EXPECT_EQ(s.Point(25, 10), kBlue);
    EXPECT_EQ(s.Point(25, 11), kWhite);
    EXPECT_EQ(s.CurrentX, 49.0);
    s.FillStyleValue = FillStyle::Solid;
    s.FillColor = kYellow;
    s.Circle(30, 30, 8, kBlack);
    EXPECT_EQ(s.Point(30, 30), kYellow);
    EXPECT_EQ(s.Point(30, 45), kWhite);
}

TEST(PictureBox, ResizesItsSurfaceAndReportsMouseInItsScale) {
    PictureBox box(ScaleUnit::Twips);
    box.setObjectName("picLegend");
    box.resize(120, 80);
    box.show();
    QApplication::processEvents();
    EXPECT_EQ(box.surface().widthPx(), 120);
    EXPECT_EQ(box.surface().heightPx(), 80);

    double gotX = -1, gotY = -1;
    int gotButton = 0, clicks = 0;
    QObject::connect(&box, &PictureBox::mouseDown, [&](int b, double x, double y) {
        gotButton = b;
        gotX = x;
        gotY = y;
    });
    QObject::connect(&box, &PictureBox::clicked, [&] { ++clicks; });
    const QPointF at(10, 20);
    QMouseEvent press(QEvent::MouseButtonPress, at, box.mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(&box, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, box.mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(&box, &release);
    EXPECT_EQ(gotButton, 1);
    EXPECT_DOUBLE_EQ(gotX, 150.0);
    EXPECT_DOUBLE_EQ(gotY, 300.0);
    EXPECT_EQ(clicks, 1);
}

TEST(PictureBox, ASurfaceFollowsTheBoxEvenWhileItsResizeEventIsHeldBack) {
    QWidget parent;
    parent.resize(400, 300);
    parent.show();
    auto* box = new PictureBox(ScaleUnit::Pixels, &parent);
    box->setGeometry(0, 0, 200, 100);
    QApplication::processEvents();
    box->surface().Line(0, 0, 10, 0, 0x000000);
    // A hidden parent holds the child's resize event back until it shows
    // again; a drawing in between must see the new size all the same.
    parent.hide();
    int resizedSignals = 0;
    QObject::connect(box, &PictureBox::resized, [&] { ++resizedSignals; });
    box->setGeometry(0, 0, 320, 240);
    EXPECT_EQ(resizedSignals, 0);
    EXPECT_EQ(box->surface().widthPx(), 320);
    EXPECT_EQ(box->surface().heightPx(), 240);
    EXPECT_DOUBLE_EQ(box->surface().ScaleWidth(), 320);
    EXPECT_EQ(box->surface().Point(5, 0), 0x000000);  // what was drawn stays
    parent.show();
    QApplication::processEvents();
    EXPECT_EQ(box->surface().widthPx(), 320);
    EXPECT_EQ(box->surface().Point(5, 0), 0x000000);
}
