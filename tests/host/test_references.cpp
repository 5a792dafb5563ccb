#include "ht_error.h"
#include "ht_object.h"

#include <gtest/gtest.h>

namespace {
struct Probe : HT_Object {
    explicit Probe(int* destroyed) : m_destroyed(destroyed) {}
    ~Probe() override { ++*m_destroyed; }
    int* m_destroyed;
};
} // namespace

TEST(References, LastReleaseDeletesAndReportsNoneRemain) {
    int destroyed = 0;
    long live = ht_test::live_objects();
    auto* p = new Probe(&destroyed);
    HT_Smart_Pointer<Probe> a(p);
    HT_Smart_Pointer<Probe> b = a;
    EXPECT_EQ(SPMP::count(p), 2);
    EXPECT_TRUE(b.release());
    EXPECT_EQ(destroyed, 0);
    EXPECT_FALSE(a.release());
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(ht_test::live_objects(), live);
}

TEST(References, RefusedAllocationGivesNullFromNothrowNew) {
    int destroyed = 0;
    ht_test::fail_allocations(1, 1);
    auto* first = new (std::nothrow) Probe(&destroyed);
    auto* second = new (std::nothrow) Probe(&destroyed);
    auto* third = new (std::nothrow) Probe(&destroyed);
    ht_test::reset_allocations();
    EXPECT_NE(first, nullptr);
    EXPECT_EQ(second, nullptr);
    EXPECT_NE(third, nullptr);
    delete first;
    delete third;
    EXPECT_EQ(destroyed, 2);
}

TEST(Errors, DetailIsCutAndTraceStopsAtThirtyTwo) {
    HT_Error e("mod", 103, "Op::op", std::string(300, 'x'), "unit", "5");
    EXPECT_EQ(e.detail().size(), 127u);
    for (int i = 0; i < 32; ++i)
        EXPECT_TRUE(e.append_trace("f" + std::to_string(i)));
    EXPECT_FALSE(e.append_trace("one too many"));
    EXPECT_EQ(e.trace().size(), 32u);
    EXPECT_EQ(e.trace().back(), "f31");
    HT_Severe_Error s("mod", 100, "Op", "d");
    EXPECT_TRUE(s.severe());
    EXPECT_FALSE(e.severe());
}
