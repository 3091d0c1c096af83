#pragma once
// Small helpers shared by the geometry tests.

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "geometry/CPart.h"
#include "geometry/CPoint.h"
#include "geometry/CPolyLine.h"
#include "geometry/CPolygon.h"
#include "geometry/NotImplemented.h"
#include "platform/Error.h"

using XY = std::pair<double, double>;

inline std::shared_ptr<CPart> makePart(std::initializer_list<XY> points) {
    auto part = std::make_shared<CPart>();
    for (const auto& [x, y] : points) part->Add(std::make_shared<CPoint>(x, y));
    return part;
}

template <typename Shape>
std::shared_ptr<Shape> makeShape(std::initializer_list<std::initializer_list<XY>> parts) {
    auto shape = std::make_shared<Shape>();
    for (const auto& p : parts) shape->Add(makePart(p));
    return shape;
}

// Runs fn and expects an AppError with that number (and texts when given).
inline void expectAppError(const std::function<void()>& fn, std::int32_t number, const std::string& description = {},
                           const std::string& source = {}) {
    try {
        fn();
        ADD_FAILURE() << "no error raised, expected " << number;
    } catch (const AppError& e) {
        EXPECT_EQ(e.number(), number) << e.description() << " / " << e.source();
        if (!description.empty()) {
            EXPECT_EQ(e.description(), description);
        }
        if (!source.empty()) {
            EXPECT_EQ(e.source(), source);
        }
    }
}

// Counts the "NOT IMPLEMENTED" notices while it lives.
class NoticeCounter {
public:
    NoticeCounter() {
        previous_ = setNotImplementedHandler([this](const std::string& text) { texts.push_back(text); });
    }
    ~NoticeCounter() { setNotImplementedHandler(previous_); }
    std::vector<std::string> texts;

private:
    NotImplementedHandler previous_;
};
