// The 1-based ordered collection.
#include <gtest/gtest.h>

#include <string>

#include "platform/Collection.h"

namespace {
struct Named {
    std::string name;
};
}  // namespace

TEST(CollectionTest, OrderIndexAndRemove) {
    Collection<Named> c;
    EXPECT_EQ(c.Count(), 0);
    for (const char* n : {"a", "b", "c", "d"}) c.Add(std::make_shared<Named>(Named{n}));
    ASSERT_EQ(c.Count(), 4);
    EXPECT_EQ(c.Item(1)->name, "a");
    EXPECT_EQ(c.Item(4)->name, "d");
    c.Remove(2);
    ASSERT_EQ(c.Count(), 3);
    EXPECT_EQ(c.Item(2)->name, "c");  // later items move up one place
    std::string order;
    for (const auto& item : c) order += item->name;
    EXPECT_EQ(order, "acd");
}

TEST(CollectionTest, IndexOutsideOneToCountRaises9) {
    Collection<Named> c;
    c.Add(std::make_shared<Named>(Named{"only"}));
    const std::int32_t bad[] = {0, -1, 2, 1000};
    for (std::int32_t index : bad) {
        SCOPED_TRACE(index);
        try {
            c.Item(index);
            ADD_FAILURE() << "Item";
        } catch (const AppError& e) {
            EXPECT_EQ(e.number(), 9);
        }
        try {
            c.Remove(index);
            ADD_FAILURE() << "Remove";
        } catch (const AppError& e) {
            EXPECT_EQ(e.number(), 9);
        }
    }
    EXPECT_EQ(c.Count(), 1);
    Collection<Named> empty;
    EXPECT_THROW(empty.Item(1), AppError);
}

TEST(CollectionTest, SharesItsMembers) {
    auto shared = std::make_shared<Named>(Named{"x"});
    Collection<Named> a, b;
    a.Add(shared);
    b.Add(shared);
    a.Item(1)->name = "y";
    EXPECT_EQ(b.Item(1)->name, "y");
    a.Clear();
    EXPECT_EQ(a.Count(), 0);
    EXPECT_EQ(b.Item(1)->name, "y");  // still held by b
}
