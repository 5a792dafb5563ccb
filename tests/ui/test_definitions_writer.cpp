// Saving the definitions file as an ordinary user meets it: a system-wide
// install with a read-only folder, a file the user made read-only or
// unreadable, a file reached through a link. Run as an unprivileged user: root
// may write anything, which would hide every one of these faults.
#include "definitions_file.h"
#include "ui_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <grp.h>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace raster_ui;

namespace {

namespace fs = std::filesystem;

constexpr uid_t nobody = 65534;

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void put(const std::string& path, const std::string& text, mode_t mode) {
    ::unlink(path.c_str());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
    ::chmod(path.c_str(), mode);
}

mode_t mode_of(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// Names in a folder besides the expected ones: a temporary file left behind.
std::string strays(const std::string& folder, std::initializer_list<std::string> expected) {
    std::string out;
    for (const auto& e : fs::directory_iterator(folder)) {
        const std::string name = e.path().filename().string();
        if (std::find(expected.begin(), expected.end(), name) == expected.end())
            out += name + " ";
    }
    return out;
}

// Runs `body` as an unprivileged user in a folder of its own; its text is
// empty when all held, else what failed. Skips when privileges cannot drop.
class As_User : public ::testing::Test {
protected:
    void run(const std::function<std::string(const std::string& folder)>& body) {
        char pattern[] = "/tmp/vorna-defs-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        const std::string folder = std::string(pattern) + "/";
        if (::geteuid() != 0) {
            const std::string failed = body(folder);
            fs::permissions(folder, fs::perms::owner_all);
            fs::remove_all(pattern);
            EXPECT_EQ(failed, "");
            return;
        }
        ASSERT_EQ(::chown(pattern, nobody, nobody), 0);
        int pipe_fds[2];
        ASSERT_EQ(::pipe(pipe_fds), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(pipe_fds[0]);
            std::string failed;
            if (::setgroups(0, nullptr) != 0 || ::setgid(nobody) != 0 || ::setuid(nobody) != 0)
                failed = "SKIP cannot drop privileges: " + std::string(std::strerror(errno));
            else
                failed = body(folder);
            const ssize_t ignored = ::write(pipe_fds[1], failed.data(), failed.size());
            (void)ignored;
            ::_exit(0);
        }
        ::close(pipe_fds[1]);
        std::string failed;
        char buffer[512];
        for (ssize_t n; (n = ::read(pipe_fds[0], buffer, sizeof buffer)) > 0;)
            failed.append(buffer, static_cast<std::size_t>(n));
        ::close(pipe_fds[0]);
        int status = 0;
        ::waitpid(child, &status, 0);
        ::chmod(pattern, 0700);
        for (const auto& e : fs::recursive_directory_iterator(pattern))
            ::chmod(e.path().c_str(), e.is_directory() ? 0700 : 0600);
        fs::remove_all(pattern);
        if (failed.rfind("SKIP ", 0) == 0)
            GTEST_SKIP() << failed.substr(5);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        EXPECT_EQ(failed, "");
    }
};

TEST_F(As_User, ReadOnlyFolderWritesTheFileInPlace) {
    run([](const std::string& folder) -> std::string {
        const std::string file = folder + definitions_file_name;
        put(file, "old", 0640);
        ::chmod(folder.c_str(), 0555);
        const bool ok = writeDefinitionsFile(file, default_definitions_text());
        ::chmod(folder.c_str(), 0755);
        if (!ok)
            return "not written";
        if (slurp(file) != default_definitions_text())
            return "contents differ";
        if (mode_of(file) != 0640)
            return "mode changed";
        // A store that writes the user's records there too.
        AdvancedDefinitions store;
        ::chmod(folder.c_str(), 0555);
        store.openOrCreateDefinitions(nullptr, folder + "vorna_tarv_en_7.hdi");
        const Paper_Settings s{0, 0, 12, 3, -4, 2, 2, 5, 1, 1};
        store.storePaper(360.0, 0, 4, s);
        const bool stored = store.write_file();
        ::chmod(folder.c_str(), 0755);
        if (!stored || slurp(file) != store.text())
            return "the store's records were not saved";
        return strays(folder, {definitions_file_name});
    });
}

TEST_F(As_User, FilesThatMayNotBeWrittenAreLeftAlone) {
    run([](const std::string& folder) -> std::string {
        const std::string file = folder + definitions_file_name;
        // Read-only: never replaced, mode kept.
        put(file, "mine", 0444);
        if (writeDefinitionsFile(file, default_definitions_text()))
            return "a read-only file was replaced";
        if (slurp(file) != "mine" || mode_of(file) != 0444)
            return "the read-only file changed";
        // Unreadable: opening the dialog works from the defaults, but the
        // user's records stay on disk.
        put(file, "records", 0000);
        AdvancedDefinitions store;
        store.openOrCreateDefinitions(nullptr, folder + "vorna_tarv_en_7.hdi");
        Paper_Settings s;
        if (!store.loadPaper(360.0, 0, 2, s) || !(s == default_papers_360[2]))
            return "the store is not usable";
        if (mode_of(file) != 0000)
            return "the unreadable file was replaced";
        ::chmod(file.c_str(), 0600);
        if (slurp(file) != "records")
            return "the unreadable file's records were lost";
        return strays(folder, {definitions_file_name});
    });
}

TEST_F(As_User, LinkIsWrittenThroughAndModeKept) {
    run([](const std::string& folder) -> std::string {
        const std::string file = folder + definitions_file_name;
        fs::create_directory(folder + "shared");
        put(folder + "shared/real.px_", "old", 0640);
        fs::create_symlink("shared/real.px_", file);
        if (!writeDefinitionsFile(file, default_definitions_text()))
            return "not written";
        if (!fs::is_symlink(file))
            return "the link was replaced by a file";
        if (slurp(folder + "shared/real.px_") != default_definitions_text())
            return "the link's target is stale";
        if (mode_of(folder + "shared/real.px_") != 0640)
            return "mode changed";
        return strays(folder, {definitions_file_name, "shared"}) +
               strays(folder + "shared", {"real.px_"});
    });
}

} // namespace
