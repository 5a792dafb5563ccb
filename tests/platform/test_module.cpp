#include "plat_module.h"

#include <climits>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

namespace {

int local_function() {
    return 1;
}

std::string canonical(const std::string& path) {
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

class Module_Names : public ::testing::Test {
protected:
    void TearDown() override { plat_test::clear_module_file_names(); }
    plat::Module self = plat::module_from_address(reinterpret_cast<const void*>(&local_function));
};

// Grows the buffer the way the driver does until the path is known to be whole.
std::size_t buffer_needed(plat::Module module, std::string& path) {
    std::size_t size = 64;
    for (;;) {
        std::string buffer(size, 'x');
        std::size_t n = plat::module_file_name(module, buffer.data(), size);
        if (n == 0 || n + 1 < size) {
            path = buffer.c_str();
            return size;
        }
        size *= 2;
    }
}

} // namespace

TEST_F(Module_Names, CutPathsAreTerminatedAndReportTheBufferSize) {
    ASSERT_NE(self, nullptr);
    plat_test::set_module_file_name(self, "/opt/x/y.so"); // 11 characters
    char buf[16];

    EXPECT_EQ(plat::module_file_name(self, buf, 12), 11u);
    EXPECT_STREQ(buf, "/opt/x/y.so");

    EXPECT_EQ(plat::module_file_name(self, buf, 11), 11u);
    EXPECT_STREQ(buf, "/opt/x/y.s");

    EXPECT_EQ(plat::module_file_name(self, buf, 1), 1u);
    EXPECT_STREQ(buf, "");

    buf[0] = 'z';
    EXPECT_EQ(plat::module_file_name(self, buf, 0), 0u);
    EXPECT_EQ(buf[0], 'z');
    EXPECT_EQ(plat::module_file_name(self, nullptr, 16), 0u);
}

TEST_F(Module_Names, DoublingBufferNeedsOneSizeMoreForAPathOfSixtyThree) {
    std::string path;
    const std::pair<std::size_t, std::size_t> cases[] = {
        {62, 64}, {63, 128}, {64, 128}, {127, 256}, {300, 512}};
    for (auto [length, expected] : cases) {
        const std::string chosen = "/" + std::string(length - 1, 'p');
        plat_test::set_module_file_name(self, chosen);
        EXPECT_EQ(buffer_needed(self, path), expected) << length;
        EXPECT_EQ(path, chosen);
    }
}

TEST_F(Module_Names, EmptyPathAnswersZeroAndAnEmptyBuffer) {
    plat_test::set_module_file_name(self, "");
    char buf[8] = "garbage";
    EXPECT_EQ(plat::module_file_name(self, buf, sizeof buf), 0u);
    EXPECT_STREQ(buf, "");
}

TEST_F(Module_Names, RealPathsOfProgramAndLibraries) {
    const std::string exe = plat::main_executable_path();
    ASSERT_FALSE(exe.empty());
    EXPECT_EQ(exe, canonical("/proc/self/exe"));
    EXPECT_EQ(plat::module_path(self), exe);
    EXPECT_EQ(plat::module_path(nullptr), exe);

    plat::Module lib = plat::module_from_address(reinterpret_cast<const void*>(&plat::module_path));
    ASSERT_NE(lib, nullptr);
    EXPECT_NE(lib, self);
    const std::string path = plat::module_path(lib);
    EXPECT_EQ(path.front(), '/');
    EXPECT_NE(path.find("libvorna_platform.so"), std::string::npos) << path;
    EXPECT_EQ(plat::find_loaded_module("libvorna_platform.so"), lib);
    EXPECT_EQ(plat::find_loaded_module(nullptr), self);
}

TEST_F(Module_Names, AddressesThatAreNoModuleAnswerNothing) {
    int on_stack = 0;
    EXPECT_EQ(plat::module_from_address(&on_stack), nullptr);
    EXPECT_EQ(plat::module_from_address(nullptr), nullptr);

    // Inside a module but not its base: not a module handle.
    auto inside = reinterpret_cast<plat::Module>(reinterpret_cast<const char*>(self) + 64);
    char buf[32] = "garbage";
    EXPECT_EQ(plat::module_file_name(inside, buf, sizeof buf), 0u);
    EXPECT_STREQ(buf, "");
    EXPECT_EQ(plat::find_loaded_module("libnot_there_at_all.so"), nullptr);
}

TEST(Run_Time_Loading, LoadFindAndFree) {
    plat::Library lib = plat::load_library(TEST_RSRC_DRIVER);
    ASSERT_NE(lib, nullptr) << plat::library_error();
    auto* anchor = reinterpret_cast<int (*)()>(plat::find_symbol(lib, "probe_anchor"));
    ASSERT_NE(anchor, nullptr);
    EXPECT_EQ(anchor(), 42);

    plat::Module module = plat::library_module(lib);
    EXPECT_NE(module, nullptr);
    EXPECT_EQ(plat::module_from_address(reinterpret_cast<const void*>(anchor)), module);
    EXPECT_EQ(plat::find_loaded_module(TEST_RSRC_DRIVER), module);
    EXPECT_EQ(plat::module_path(module), canonical(TEST_RSRC_DRIVER));

    EXPECT_EQ(plat::find_symbol(lib, "no_such_symbol"), nullptr);
    EXPECT_NE(plat::library_error().find("no_such_symbol"), std::string::npos);
    EXPECT_TRUE(plat::free_library(lib));
    EXPECT_EQ(plat::find_loaded_module(TEST_RSRC_DRIVER), nullptr);
}

TEST(Run_Time_Loading, FailuresAreReportedNotThrown) {
    EXPECT_EQ(plat::load_library("/nonexistent/V_MOD0.DLL"), nullptr);
    EXPECT_NE(plat::library_error().find("V_MOD0.DLL"), std::string::npos);
    EXPECT_EQ(plat::load_library(""), nullptr);
    EXPECT_FALSE(plat::free_library(nullptr));
}

TEST(Hidden_Modules, HiddenNameAnswersNullUntilShownAgain) {
    ASSERT_NE(plat::find_loaded_module("libvorna_platform.so"), nullptr);
    plat_test::hide_module("libvorna_platform.so");
    EXPECT_EQ(plat::find_loaded_module("libvorna_platform.so"), nullptr);
    plat_test::hide_module("libvorna_platform.so", false);
    EXPECT_NE(plat::find_loaded_module("libvorna_platform.so"), nullptr);
    plat_test::clear_hidden_modules();
}
