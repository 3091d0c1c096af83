// Rectangles, points and the containers: bounds rules, null flags, the type
// checks of Add and the index errors.
#include <gtest/gtest.h>

#include <cmath>

#include "geometry/CMultiPoint.h"
#include "geometry/CNullShape.h"
#include "geometry/CRect.h"
#include "geometry/CShape.h"
#include "tests/geometry/GeometryTestUtil.h"

namespace {

struct Bounds {
    double left, right, bottom, top;
};

void expectBounds(const IShape& s, Bounds b) {
    EXPECT_EQ(s.Left(), b.left);
    EXPECT_EQ(s.Right(), b.right);
    EXPECT_EQ(s.Bottom(), b.bottom);
    EXPECT_EQ(s.Top(), b.top);
}

}  // namespace

TEST(CRectTest, NewRectangleIsZeroAndNotNull) {
    CRect r;
    expectBounds(r, {0, 0, 0, 0});
    EXPECT_FALSE(r.IsNull());
    CShape shape;
    EXPECT_EQ(shape.Top(), 0.0);
    EXPECT_EQ(shape.Left(), 0.0);
    [[maybe_unused]] CNullShape nothing;
}

TEST(CRectTest, MakeCopiesCornersAndKeepsInversion) {
    struct Case {
        const char* name;
        CPoint origin, size;
        Bounds expected;
    };
    const Case cases[] = {
        {"ordered", CPoint(1, 5), CPoint(4, 2), {1, 4, 2, 5}},
        {"inverted stays inverted", CPoint(4, 2), CPoint(1, 5), {4, 1, 5, 2}},
        {"same point twice", CPoint(3, 3), CPoint(3, 3), {3, 3, 3, 3}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CRect r;
        CPoint origin = c.origin, size = c.size;
        r.Make(origin, size);
        expectBounds(r, c.expected);
        origin.X(100);  // no reference is kept
        expectBounds(r, c.expected);
    }
}

TEST(CRectTest, MakeXYSettersAndMakeEmpty) {
    CRect r;
    r.MakeXY(1, 2, 3, 4);
    expectBounds(r, {1, 3, 4, 2});
    r.Top(-7);
    r.Right(-8);
    EXPECT_EQ(r.Top(), -7);
    EXPECT_EQ(r.Right(), -8);
    r.MakeNull(true);
    EXPECT_TRUE(r.IsNull());
    expectBounds(r, {1, -8, 4, -7});  // the null flag changes nothing else
    r.MakeEmpty();
    expectBounds(r, {0, 0, 0, 0});
    EXPECT_TRUE(r.IsNull());  // MakeEmpty keeps the flag
    r.MakeNull(false);
    EXPECT_FALSE(r.IsNull());
    r.SetIsNull(true);
    EXPECT_TRUE(r.IsNull());
}

TEST(NotImplementedTest, EveryShapeButThePointNotifiesAndGivesZero) {
    NoticeCounter notices;
    auto point = std::make_shared<CPoint>(1, 1);
    std::vector<std::pair<const char*, std::shared_ptr<IShape>>> shapes = {
        {"CRect", std::make_shared<CRect>()},
        {"CPolygon", makeShape<CPolygon>({{{0, 0}, {1, 0}, {0, 0}}})},
        {"CPolyLine", makeShape<CPolyLine>({{{0, 0}, {1, 0}}})},
        {"CMultiPoint", std::make_shared<CMultiPoint>()},
    };
    std::size_t expected = 0;
    for (auto& [name, shape] : shapes) {
        SCOPED_TRACE(name);
        EXPECT_EQ(shape->Distance(point), 0.0);
        EXPECT_EQ(shape->Distance(nullptr), 0.0);  // a missing shape too
        expected += 2;
        ASSERT_EQ(notices.texts.size(), expected);
        EXPECT_EQ(notices.texts.back(), "NOT IMPLEMENTED");
    }
}

TEST(NotImplementedTest, WithoutHandlerNothingHappens) {
    const auto previous = setNotImplementedHandler({});
    CRect r;
    EXPECT_EQ(r.Distance(nullptr), 0.0);
    setNotImplementedHandler(previous);
}

TEST(CPointTest, CoordinatesAndBounds) {
    CPoint p;
    EXPECT_EQ(p.X(), 0.0);
    EXPECT_EQ(p.Y(), 0.0);
    EXPECT_FALSE(p.IsNull());
    p.X(-2.5);
    p.Y(1e300);
    expectBounds(p, {-2.5, -2.5, 1e300, 1e300});
    p.MakeNull(true);
    EXPECT_TRUE(p.IsNull());
    EXPECT_EQ(p.X(), -2.5);
    p.SetIsNull(false);
    EXPECT_FALSE(p.IsNull());
}

TEST(CPointTest, DistanceToPoint) {
    struct Case {
        const char* name;
        XY a, b;
        double expected;
    };
    const Case cases[] = {
        {"same place", {2, 3}, {2, 3}, 0.0},
        {"3-4-5", {0, 0}, {3, 4}, 5.0},
        {"negative", {-1, -1}, {2, 3}, 5.0},
        {"huge but same place", {1e300, 1e300}, {1e300, 1e300}, 0.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto a = std::make_shared<CPoint>(c.a.first, c.a.second);
        auto b = std::make_shared<CPoint>(c.b.first, c.b.second);
        EXPECT_EQ(a->Distance(b), c.expected);
        EXPECT_EQ(b->Distance(a), c.expected);
    }
}

TEST(CPointTest, DistanceOverflowRaisesInsteadOfInfinity) {
    auto a = std::make_shared<CPoint>(-1e300, 0);
    auto b = std::make_shared<CPoint>(1e300, 0);
    expectAppError([&] { a->Distance(b); }, RuntimeErrors::Overflow, {}, "CPoint::DistanceToPoint");
}

TEST(CPointTest, NullShapesAreRefused) {
    const std::string text = "Cannot compute distance to a null shape";
    const std::string source = "CPoint::IShape_Distance";
    auto nullRect = std::make_shared<CRect>();
    nullRect->MakeNull(true);
    auto nullMulti = std::make_shared<CMultiPoint>();
    nullMulti->MakeNull(true);
    auto nullPoint = std::make_shared<CPoint>();
    nullPoint->MakeNull(true);
    auto point = std::make_shared<CPoint>(1, 2);

    expectAppError([&] { point->Distance(nullPoint); }, vbObjectError + 530, text, source);
    expectAppError([&] { point->Distance(nullRect); }, vbObjectError + 530, text, source);
    expectAppError([&] { point->Distance(nullMulti); }, vbObjectError + 530, text, source);
    expectAppError([&] { nullPoint->Distance(point); }, vbObjectError + 530, text, source);
    expectAppError([&] { nullPoint->Distance(std::make_shared<CRect>()); }, vbObjectError + 530, text, source);
    expectAppError([&] { point->Distance(nullptr); }, 91, {}, source);
    EXPECT_EQ(vbObjectError + 530, static_cast<std::int32_t>(0x80040212u));
}

TEST(CPointTest, OtherShapesGiveZeroWithoutNotice) {
    NoticeCounter notices;
    auto point = std::make_shared<CPoint>(1, 2);
    auto multi = std::make_shared<CMultiPoint>();
    multi->Add(std::make_shared<CPoint>(5, 5));
    EXPECT_EQ(point->Distance(multi), 0.0);
    EXPECT_EQ(point->Distance(std::make_shared<CRect>()), 0.0);
    EXPECT_TRUE(notices.texts.empty());
}

TEST(CPointTest, DistanceToPolyLinesAndPolygons) {
    struct Case {
        const char* name;
        std::shared_ptr<IShape> shape;
        XY p;
        double expected;
    };
    const Case cases[] = {
        {"foot on segment 1-2", makeShape<CPolyLine>({{{0, 0}, {10, 0}, {10, 10}}}), {5, 1}, 1.0},
        {"segment toward vertex 4", makeShape<CPolyLine>({{{0, 0}, {10, 0}, {10, 10}, {0, 10}}}), {5, 9}, 1.0},
        {"ring, foot on the closing edge", makeShape<CPolygon>({{{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}}}), {-1, 5}, 1.0},
        {"foot at t = 0 gives the vertex", makeShape<CPolyLine>({{{0, 0}, {10, 0}}}), {0, 3}, 3.0},
        {"foot beyond S gives the vertex", makeShape<CPolyLine>({{{0, 0}, {10, 0}}}), {13, 4}, 5.0},
        {"on a vertex", makeShape<CPolyLine>({{{0, 0}, {10, 0}}}), {10, 0}, 0.0},
        // Far from the nearest vertex's own segments: a long edge elsewhere is nearer.
        {"nearest segment away from the nearest vertex",
         makeShape<CPolyLine>({{{0, 0}, {5, 0}, {5, -10}, {-20, -10}, {-20, 3}, {20, 3}}}), {0, 1.8}, 1.2},
        {"second part nearer along a segment",
         makeShape<CPolyLine>({{{0, 0}, {1, 0}}, {{-50, 5}, {-40, 5}, {50, 5}}}), {0, 4}, 1.0},
        {"unclosed ring measures the closing edge", makeShape<CPolygon>({{{0, 0}, {10, 0}, {10, 10}, {0, 10}}}), {-1, 5}, 1.0},
        {"inside a ring", makeShape<CPolygon>({{{0, 0}, {0, 10}, {10, 10}, {10, 0}, {0, 0}}}), {5, 2}, 2.0},
        {"one-point part", makeShape<CPolyLine>({{{3, 4}}}), {0, 0}, 5.0},
        {"repeated vertex", makeShape<CPolyLine>({{{0, 0}, {0, 0}, {10, 0}}}), {5, 2}, 2.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto p = std::make_shared<CPoint>(c.p.first, c.p.second);
        EXPECT_NEAR(p->Distance(c.shape), c.expected, 1e-12);
    }
}

TEST(CPointTest, WorkedDistancesAreExact) {
    auto p = std::make_shared<CPoint>(5, 1);
    EXPECT_EQ(p->Distance(makeShape<CPolyLine>({{{0, 0}, {10, 0}, {10, 10}}})), 1.0);
    auto q = std::make_shared<CPoint>(-1, 5);
    EXPECT_EQ(q->Distance(makeShape<CPolygon>({{{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}}})), 1.0);
}

TEST(CPointTest, ShapeWithoutVerticesHasNoDistance) {
    auto p = std::make_shared<CPoint>(1, 1);
    expectAppError([&] { p->Distance(std::make_shared<CPolygon>()); }, RuntimeErrors::SubscriptOutOfRange);
    auto emptyPart = std::make_shared<CPolyLine>();
    emptyPart->Add(std::make_shared<CPart>());
    expectAppError([&] { p->Distance(emptyPart); }, RuntimeErrors::SubscriptOutOfRange);
}

// ------------------------------------------------------------ containers

TEST(ContainerTest, NewShapesAreEmpty) {
    CPolygon polygon;
    CPolyLine line;
    CMultiPoint multi;
    for (const IShape* s : std::initializer_list<const IShape*>{&polygon, &line, &multi}) {
        expectBounds(*s, {0, 0, 0, 0});
        EXPECT_FALSE(s->IsNull());
    }
    EXPECT_EQ(polygon.Count(), 0);
    EXPECT_EQ(polygon.begin(), polygon.end());
    CPart part;
    EXPECT_EQ(part.Count(), 0);
    EXPECT_EQ(part.Left(), 0.0);
}

TEST(ContainerTest, PolygonAddWidensBounds) {
    auto a = std::make_shared<CPart>();
    a->Left(1);
    a->Right(3);
    a->Bottom(2);
    a->Top(4);
    auto b = std::make_shared<CPart>();
    b->Left(0);
    b->Right(2);
    b->Bottom(3);
    b->Top(5);
    for (int kind = 0; kind < 2; ++kind) {
        SCOPED_TRACE(kind == 0 ? "CPolygon" : "CPolyLine");
        std::shared_ptr<ShapeContainer<CPart>> shape;
        if (kind == 0) shape = std::make_shared<CPolygon>();
        else shape = std::make_shared<CPolyLine>();
        shape->SetLeft(-5);  // replaced by the first Add
        shape->Add(a);
        expectBounds(*shape, {1, 3, 2, 4});
        shape->Add(b);
        expectBounds(*shape, {0, 3, 2, 5});
        EXPECT_EQ(shape->Count(), 2);
        EXPECT_EQ(shape->Item(1), a);
        EXPECT_EQ(shape->Item(2), b);
        // Remove closes the gap and keeps the bounds.
        shape->Remove(1);
        EXPECT_EQ(shape->Count(), 1);
        EXPECT_EQ(shape->Item(1), b);
        expectBounds(*shape, {0, 3, 2, 5});
    }
}

TEST(ContainerTest, EmptyPartAsFirstMemberGivesZeroBounds) {
    CPolygon polygon;
    polygon.SetTop(9);
    polygon.Add(std::make_shared<CPart>());
    expectBounds(polygon, {0, 0, 0, 0});
    // Points added to a part later do not reach the shape.
    polygon.Item(1)->Add(std::make_shared<CPoint>(7, 7));
    expectBounds(polygon, {0, 0, 0, 0});
}

TEST(ContainerTest, MultiPointBounds) {
    CMultiPoint multi;
    multi.Add(std::make_shared<CPoint>(2, 3));
    expectBounds(multi, {2, 2, 3, 3});
    multi.Add(std::make_shared<CPoint>(-1, 8));
    expectBounds(multi, {-1, 2, 3, 8});
}

TEST(ContainerTest, InvertedBoundsPartFromMultiPoint) {
    // Four independent tests in a multipoint, two choices in a part.
    CMultiPoint multi;
    multi.Add(std::make_shared<CPoint>(0, 0));
    multi.SetLeft(10);
    multi.SetRight(0);
    multi.Add(std::make_shared<CPoint>(5, 0));
    EXPECT_EQ(multi.Left(), 5.0);
    EXPECT_EQ(multi.Right(), 5.0);

    CPart part;
    part.Add(std::make_shared<CPoint>(0, 0));
    part.Left(10);
    part.Right(0);
    part.Add(std::make_shared<CPoint>(5, 0));
    EXPECT_EQ(part.Left(), 5.0);
    EXPECT_EQ(part.Right(), 0.0);
}

TEST(ContainerTest, PartBoundsAndRemove) {
    auto part = makePart({{0, 0}, {5, 5}, {2, 1}});
    EXPECT_EQ(part->Left(), 0.0);
    EXPECT_EQ(part->Right(), 5.0);
    EXPECT_EQ(part->Top(), 5.0);
    part->Remove(2);
    ASSERT_EQ(part->Count(), 2);
    EXPECT_EQ(part->Item(2)->X(), 2.0);
    EXPECT_EQ(part->Left(), 0.0);
    EXPECT_EQ(part->Right(), 2.0);
    EXPECT_EQ(part->Bottom(), 0.0);
    EXPECT_EQ(part->Top(), 1.0);
    part->Remove(1);
    part->Remove(1);
    EXPECT_EQ(part->Count(), 0);
    EXPECT_EQ(part->Right(), 2.0);  // the bounds of before
    EXPECT_EQ(part->Top(), 1.0);
}

TEST(ContainerTest, IndexErrors) {
    auto polygon = makeShape<CPolygon>({{{0, 0}, {1, 1}}});
    auto line = makeShape<CPolyLine>({{{0, 0}, {1, 1}}});
    auto multi = std::make_shared<CMultiPoint>();
    multi->Add(std::make_shared<CPoint>(1, 1));
    auto part = makePart({{0, 0}});
    struct Case {
        const char* name;
        std::function<void()> call;
        const char* source;  // empty: the collection's own
    };
    const Case cases[] = {
        {"polygon Item 0", [&] { polygon->Item(0); }, ""},
        {"polygon Item Count+1", [&] { polygon->Item(2); }, ""},
        {"polygon Remove 0", [&] { polygon->Remove(0); }, "C_Polygon::Remove"},
        {"polyline Remove 2", [&] { line->Remove(2); }, "CPolyLine::Remove"},
        {"multipoint Remove 0", [&] { multi->Remove(0); }, "CMultiPoint::Remove"},
        {"multipoint Item 2", [&] { multi->Item(2); }, ""},
        {"part Remove 0", [&] { part->Remove(0); }, "CPart::Remove"},
        {"part Item 2", [&] { part->Item(2); }, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        expectAppError(c.call, RuntimeErrors::SubscriptOutOfRange, {}, c.source);
    }
    EXPECT_EQ(polygon->Count(), 1);
    EXPECT_EQ(part->Count(), 1);
    EXPECT_EQ(part->Left(), 0.0);
}

TEST(ContainerTest, AddTypeChecks) {
    CPolygon polygon;
    CPolyLine line;
    CMultiPoint multi;
    CPart part;
    struct Case {
        const char* name;
        std::function<void()> call;
        const char* description;
        const char* source;
    };
    const Case cases[] = {
        {"polygon, missing part", [&] { polygon.Add(std::shared_ptr<CPart>()); },
         "CPolygon Add can only accept objects of type CPart", "CPolygon::Add"},
        {"polyline, missing part", [&] { line.Add(std::shared_ptr<CPart>()); },
         "CPolyLine Add can only accept objects of type CPart", "CPolyLine::Add"},
        {"multipoint, missing point", [&] { multi.Add(std::shared_ptr<CPoint>()); },
         "CMultiPoint Add can only accept objects of type CPoints", "CMultiPoint::Add"},
        {"multipoint, a rectangle", [&] { multi.Add(std::shared_ptr<IShape>(std::make_shared<CRect>())); },
         "CMultiPoint Add can only accept objects of type CPoints", "CMultiPoint::Add"},
        {"part, missing point", [&] { part.Add(std::shared_ptr<CPoint>()); },
         "CPart can only accept objects of type CPoint", "CPart::Add"},
        {"part, a polygon", [&] { part.Add(std::shared_ptr<IShape>(std::make_shared<CPolygon>())); },
         "CPart can only accept objects of type CPoint", "CPart::Add"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        expectAppError(c.call, vbObjectError + 527, c.description, c.source);
    }
    EXPECT_EQ(polygon.Count(), 0);
    EXPECT_EQ(line.Count(), 0);
    EXPECT_EQ(multi.Count(), 0);
    EXPECT_EQ(part.Count(), 0);
    EXPECT_EQ(vbObjectError + 527, static_cast<std::int32_t>(0x8004020Fu));
    // A point handed over as a shape is accepted.
    part.Add(std::shared_ptr<IShape>(std::make_shared<CPoint>(4, 4)));
    EXPECT_EQ(part.Count(), 1);
}

TEST(ContainerTest, NullPolygonKeepsPartsAndAcceptsMore) {
    auto polygon = makeShape<CPolygon>({{{0, 0}, {2, 2}}});
    polygon->MakeNull(true);
    EXPECT_TRUE(polygon->IsNull());
    EXPECT_EQ(polygon->Count(), 1);
    polygon->Add(makePart({{5, 5}}));
    EXPECT_EQ(polygon->Count(), 2);
    expectBounds(*polygon, {0, 5, 0, 5});
}

TEST(ContainerTest, MembersAreSharedNotCopied) {
    auto point = std::make_shared<CPoint>(1, 1);
    CPart a, b;
    a.Add(point);
    b.Add(point);
    a.Item(1)->X(9);
    EXPECT_EQ(b.Item(1)->X(), 9.0);
    EXPECT_EQ(a.Left(), 1.0);  // bounds do not follow a moved member
    int n = 0;
    for (const auto& p : a.NewEnum()) n += p == point;
    EXPECT_EQ(n, 1);
}
