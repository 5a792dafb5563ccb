#include "plat_system.h"
#include "plat_ui.h"

#include <gtest/gtest.h>
#include <sys/utsname.h>

TEST(Os_Version, KernelReleaseTexts) {
    struct Case {
        const char* release;
        int major;
        int minor;
    };
    const Case cases[] = {
        {"6.1.0-18-amd64", 6, 1},
        {"5.15", 5, 15},
        {"4", 4, 0},
        {"3.x", 3, 0},
        {"", 0, 0},
        {"linux", 0, 0},
        {"-1.2", 0, 0},
        {"99999999999.7", 0, 7},
        {"2.99999999999", 2, 0},
        {"10.20.30", 10, 20},
    };
    for (const Case& c : cases) {
        plat::Os_Version v = plat::parse_kernel_release(c.release);
        EXPECT_EQ(v.platform_id, plat::platform_id_linux) << c.release;
        EXPECT_EQ(v.major, c.major) << c.release;
        EXPECT_EQ(v.minor, c.minor) << c.release;
    }
}

TEST(Os_Version, RunningKernel) {
    utsname names{};
    ASSERT_EQ(uname(&names), 0);
    plat::Os_Version v = plat::os_version();
    EXPECT_EQ(v.platform_id, 'L');
    EXPECT_GT(v.major, 0);
    const std::string expected = std::to_string(v.major) + "." + std::to_string(v.minor);
    EXPECT_EQ(std::string(names.release).rfind(expected, 0), 0u) << names.release;
}

namespace {

class Headless : public ::testing::Test {
protected:
    void SetUp() override {
        plat::headless_ui().clear();
        plat::headless_ui().set_echo(false);
    }
    void TearDown() override {
        plat::headless_ui().clear();
        plat::headless_ui().set_echo(true);
    }
};

struct Counting_Ui : plat::Ui_Services {
    int message_box(plat::Window, const std::string& text, const std::string&, unsigned) override {
        last = text;
        return plat::id_no;
    }
    std::string last;
};

} // namespace

TEST_F(Headless, RecordsWhatWasShownAndAnswersTheFirstButton) {
    auto* owner = reinterpret_cast<plat::Window>(0x1000);
    EXPECT_EQ(plat::message_box(nullptr, "V_MOD0.DLL has not been installed.",
                                "Serious AutoCAD error", plat::mb_ok | plat::mb_icon_error),
              plat::id_ok);
    EXPECT_EQ(plat::message_box(owner, "Replace?", "Custom Properties Error", plat::mb_yes_no),
              plat::id_yes);
    EXPECT_EQ(plat::message_box(owner, "t", "c", plat::mb_retry_cancel), plat::id_retry);
    EXPECT_EQ(plat::message_box(owner, "t", "c", plat::mb_abort_retry_ignore), plat::id_abort);

    auto shown = plat::headless_ui().messages();
    ASSERT_EQ(shown.size(), 4u);
    EXPECT_EQ(shown[0].title, "Serious AutoCAD error");
    EXPECT_EQ(shown[0].text, "V_MOD0.DLL has not been installed.");
    EXPECT_EQ(shown[0].owner, nullptr);
    EXPECT_EQ(shown[0].flags & plat::mb_icon_mask, plat::mb_icon_error);
    EXPECT_EQ(shown[1].owner, owner);

    // Queued answers come first, in order.
    plat::headless_ui().queue_answer(plat::id_cancel);
    plat::headless_ui().queue_answer(plat::id_no);
    EXPECT_EQ(plat::message_box(nullptr, "a", "t", plat::mb_ok_cancel), plat::id_cancel);
    EXPECT_EQ(plat::message_box(nullptr, "b", "t", plat::mb_yes_no), plat::id_no);
    EXPECT_EQ(plat::message_box(nullptr, "c", "t", plat::mb_yes_no), plat::id_yes);
}

TEST_F(Headless, EchoesTitleAndTextOnStderr) {
    plat::headless_ui().set_echo(true);
    testing::internal::CaptureStderr();
    plat::message_box(nullptr, "Other Error", "Print Spool Status", plat::mb_ok);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Print Spool Status: Other Error\n");
}

TEST_F(Headless, BackEndCanBeReplacedAndRestored) {
    Counting_Ui mine;
    plat::Ui_Services* previous = plat::set_ui_services(&mine);
    EXPECT_EQ(previous, &plat::headless_ui());
    EXPECT_EQ(&plat::ui_services(), &mine);
    EXPECT_EQ(plat::message_box(nullptr, "to mine", "t", plat::mb_ok), plat::id_no);
    EXPECT_EQ(mine.last, "to mine");
    EXPECT_TRUE(plat::headless_ui().messages().empty());

    EXPECT_EQ(plat::set_ui_services(nullptr), &mine);
    EXPECT_EQ(&plat::ui_services(), &plat::headless_ui());
    plat::message_box(nullptr, "to headless", "t", plat::mb_ok);
    EXPECT_EQ(plat::headless_ui().messages().size(), 1u);
}
