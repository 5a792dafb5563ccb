#include "ie_colorspace.h"
#include "ie_enter.h"
#include "ie_module.h"

#include <gtest/gtest.h>

namespace {

// What each of a library's source units does when it is loaded and unloaded.
void unit_attach() {
    if (!csInitialized())
        csInit();
    csAddRef();
    ieEnter(0x800000, 0, 1);
}

void unit_detach() {
    if (!ie_module::still_mapped())
        return;
    if (csRelease() == 0)
        csExit();
    ieLeave();
}

class Engine_Load : public ::testing::Test {
protected:
    void TearDown() override {
        ie_test::pretend_unloaded(false);
        while (csRelease() > 0) {
        }
        csExit();
        while (ieLeave()) {
        }
    }
};

} // namespace

TEST_F(Engine_Load, SevenUnitsEnterAndTheLastToLeaveTearsDown) {
    ASSERT_FALSE(csInitialized());
    for (int unit = 0; unit < 7; ++unit)
        unit_attach();
    EXPECT_TRUE(csInitialized());
    EXPECT_EQ(csUsageCount(), 7);
    EXPECT_EQ(ieEnterCount(), 7);
    Ie_Enter_Args args = ieLastEnter();
    EXPECT_EQ(args.memory, 0x800000);
    EXPECT_EQ(args.flags, 0);
    EXPECT_EQ(args.mode, 1);
    EXPECT_EQ(csFind("rgb"), &csRgb);

    for (int unit = 0; unit < 6; ++unit)
        unit_detach();
    EXPECT_TRUE(csInitialized());
    EXPECT_EQ(csUsageCount(), 1);
    unit_detach();
    EXPECT_FALSE(csInitialized());
    EXPECT_EQ(csUsageCount(), 0);
    EXPECT_EQ(ieEnterCount(), 0);
    EXPECT_EQ(csFind("rgb"), nullptr);
}

TEST_F(Engine_Load, UnloadAfterTheEngineIsGoneReleasesNothing) {
    unit_attach();
    unit_attach();
    EXPECT_TRUE(ie_module::still_mapped());
    ie_test::pretend_unloaded(true);
    EXPECT_FALSE(ie_module::still_mapped());
    unit_detach();
    unit_detach();
    EXPECT_EQ(csUsageCount(), 2);
    EXPECT_EQ(ieEnterCount(), 2);
    ie_test::pretend_unloaded(false);
    EXPECT_TRUE(ie_module::still_mapped());
}

TEST_F(Engine_Load, CountsNeverGoBelowZeroNorTearDownInUse) {
    EXPECT_EQ(csAddRef(), 0); // not set up: no reference taken
    EXPECT_EQ(csUsageCount(), 0);
    EXPECT_EQ(csRelease(), -1);
    EXPECT_FALSE(ieLeave());
    EXPECT_FALSE(ieEnter(0, 0, 1));
    EXPECT_EQ(ieEnterCount(), 0);

    csInit();
    EXPECT_EQ(csAddRef(), 1);
    csInit(); // again: keeps the reference
    EXPECT_EQ(csUsageCount(), 1);
    EXPECT_FALSE(csExit());
    EXPECT_TRUE(csInitialized());
    EXPECT_EQ(csRelease(), 0);
    EXPECT_TRUE(csExit());
    EXPECT_EQ(csFind(nullptr), nullptr);
}
