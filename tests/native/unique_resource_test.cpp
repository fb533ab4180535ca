#include "base/unique_resource.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace tevpng {
namespace {

// Resources are numbers; 0 is none. Every close is written down.
std::vector<int> g_closed;

struct NumberTraits {
    using Value = int;
    static bool IsValid(int value) { return value != 0; }
    static void Close(int value) { g_closed.push_back(value); }
};
using Number = UniqueResource<NumberTraits>;

class UniqueResourceTest : public ::testing::Test {
protected:
    void SetUp() override { g_closed.clear(); }
};

TEST_F(UniqueResourceTest, EachResourceIsClosedOnceByItsLastOwner) {
    {
        Number a(1);
        Number b(std::move(a));
        EXPECT_FALSE(a);
        EXPECT_EQ(b.Get(), 1);
        Number c(2);
        c = std::move(b);  // 2 goes, 1 moves on
        EXPECT_EQ(g_closed, std::vector<int>{2});
        Number& alias = c;
        c = std::move(alias);  // moving onto itself keeps it
        EXPECT_EQ(c.Get(), 1);
    }
    EXPECT_EQ(g_closed, (std::vector<int>{2, 1}));
}

TEST_F(UniqueResourceTest, ReleaseGivesUpAndResetCloses) {
    Number a(3);
    EXPECT_EQ(a.Release(), 3);
    EXPECT_FALSE(a);
    a.Reset(4);
    a.Reset(5);
    a.Reset();
    EXPECT_EQ(g_closed, (std::vector<int>{4, 5}));
}

}  // namespace
}  // namespace tevpng
