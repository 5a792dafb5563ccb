// ieRep: error-reporting switch and limit, memory check, failure hooks,
// checkpoint files, file types and the BMP module, indexed colour spaces.
#include "ie_rep.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/statvfs.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

class Engine : public ::testing::Test {
protected:
    void SetUp() override {
        ie_test::reset();
        char templ[] = "/tmp/ie-test-XXXXXX";
        ASSERT_NE(mkdtemp(templ), nullptr);
        m_folder = templ;
    }
    void TearDown() override {
        ie_test::reset();
        EXPECT_EQ(ie_test::live_stores(), 0);
        EXPECT_EQ(ieRep.file_bytes_in_use(), 0);
        std::error_code ec;
        fs::remove_all(m_folder, ec);
    }
    std::string m_folder;
};

long long meminfo_bytes(const std::string& key) {
    std::ifstream in("/proc/meminfo");
    std::string name;
    long long kib = 0;
    std::string unit;
    while (in >> name >> kib) {
        std::getline(in, unit);
        if (name == key + ":")
            return kib * 1024;
    }
    return 0;
}

long long rss_anon_bytes() {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("RssAnon:", 0) == 0)
            return std::atoll(line.c_str() + 8) * 1024;
    return 0;
}

bool mapped(const std::string& path) {
    std::ifstream in("/proc/self/maps");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return text.find(path) != std::string::npos;
}

long long free_bytes(const std::string& folder) {
    struct statvfs st {};
    if (statvfs(folder.c_str(), &st) != 0)
        return 0;
    return static_cast<long long>(st.f_bavail) * static_cast<long long>(st.f_frsize);
}

std::vector<unsigned char> file_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::uint32_t le32(const std::vector<unsigned char>& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

std::vector<std::string> g_reported;
void collect(const char* text) {
    g_reported.emplace_back(text);
}

} // namespace

TEST_F(Engine, StateCallSwitchesErrorReportingAndBothCallsAreRecorded) {
    g_reported.clear();
    ieRep.set_error_callback(collect);
    ieRep.set_memory_limit(0x7D000000);
    EXPECT_EQ(ieRep.memory_limit(), 0x7D000000);

    ieRep.set_error_reporting(0, 0);
    EXPECT_FALSE(ieRep.error_reporting());
    EXPECT_EQ(ieRep.create_image(0, 1, ie_pixel::rgb32, csRgb), nullptr);
    EXPECT_TRUE(g_reported.empty());
    EXPECT_FALSE(ieRep.last_error().empty());

    ieRep.set_error_reporting(0, 1);
    EXPECT_EQ(ieRep.create_image(0, 1, ie_pixel::rgb32, csRgb), nullptr);
    EXPECT_EQ(g_reported.size(), 1u);
    ieRep.set_error_reporting(3, 0); // another channel leaves reporting as it is
    EXPECT_TRUE(ieRep.error_reporting());

    const std::vector<std::pair<int, int>> calls{{0, 0}, {0, 1}, {3, 0}};
    EXPECT_EQ(ie_test::state_calls(), calls);
    EXPECT_EQ(ie_test::limit_calls(), std::vector<long long>{0x7D000000});
}

TEST_F(Engine, MemoryCheckRefusesAsManyTimesAsToldThenAnswers) {
    EXPECT_TRUE(ieRep.memory_available(ie_pixel::rgb32, 100, 100));
    ie_test::refuse_memory_checks(1);
    EXPECT_FALSE(ieRep.memory_available(ie_pixel::rgb32, 100, 100));
    EXPECT_TRUE(ieRep.memory_available(ie_pixel::rgb32, 100, 100));
    ie_test::refuse_memory_checks(2);
    EXPECT_FALSE(ieRep.memory_available(ie_pixel::index8, 100, 100));
    EXPECT_FALSE(ieRep.memory_available(ie_pixel::index8, 100, 100));
    EXPECT_TRUE(ieRep.memory_available(ie_pixel::index8, 100, 100));
    EXPECT_EQ(ie_test::memory_checks(), 6);
    EXPECT_FALSE(ieRep.memory_available(7, 100, 100));
    EXPECT_FALSE(ieRep.memory_available(ie_pixel::rgb32, 0, 100));
}

TEST_F(Engine, MemoryCheckAnswersFromAvailableMemoryAndTheLimit) {
    const long long available = meminfo_bytes("MemAvailable");
    ASSERT_GT(available, 0);
    const int width = 65536; // 256 KiB per true-colour row
    const int rows = static_cast<int>(available * 2 / (width * 4LL)) + 1;
    EXPECT_FALSE(ieRep.memory_available(ie_pixel::rgb32, width, rows));

    ieRep.set_memory_limit(1 << 20);
    EXPECT_FALSE(ieRep.memory_available(ie_pixel::rgb32, 512, 513));
    EXPECT_TRUE(ieRep.memory_available(ie_pixel::rgb32, 512, 256)); // 512 KiB
    auto first = ieRep.create_image(512, 256, ie_pixel::rgb32, csRgb);
    EXPECT_EQ(ieRep.memory_in_use(), 512 * 1024);
    EXPECT_TRUE(ieRep.memory_available(ie_pixel::rgb32, 512, 256));
    auto second = ieRep.create_image(512, 256, ie_pixel::rgb32, csRgb);
    EXPECT_FALSE(ieRep.memory_available(ie_pixel::index8, 4, 1));
    second.reset();
    EXPECT_TRUE(ieRep.memory_available(ie_pixel::index8, 4, 1));
}

TEST_F(Engine, WithCheckpointingTheMemoryCheckAsksTheFolder) {
    ASSERT_TRUE(ieRep.enable_checkpointing(0, m_folder.c_str()));
    const long long free = free_bytes(m_folder);
    ASSERT_GT(free, 0);
    const int width = 65536;
    const long long row = width * 4LL;
    EXPECT_FALSE(ieRep.memory_available(ie_pixel::rgb32, width, static_cast<int>(free / row) + 2));
    // More than the machine's memory, but within the disk: the page can be made.
    const long long beyond_memory = meminfo_bytes("MemAvailable") + (256LL << 20);
    if (free > beyond_memory + (1LL << 30)) {
        EXPECT_TRUE(
            ieRep.memory_available(ie_pixel::rgb32, width, static_cast<int>(beyond_memory / row)));
    }
    // The memory limit is for images in memory only.
    ieRep.set_memory_limit(1024);
    EXPECT_TRUE(ieRep.memory_available(ie_pixel::rgb32, 512, 512));
}

TEST_F(Engine, EachFailureHookFiresAsOftenAsToldAndNoMore) {
    ie_test::fail_creations(2);
    EXPECT_EQ(ieRep.create_image(8, 8, ie_pixel::rgb32, csRgb), nullptr);
    EXPECT_EQ(ieImgRepConstructor2({8, 8}, csRgb), nullptr);
    EXPECT_NE(ieRep.create_image(8, 8, ie_pixel::rgb32, csRgb), nullptr);

    ie_test::invalidate_images(1);
    auto invalid = ieRep.create_image(8, 8, ie_pixel::index8, csNone);
    ASSERT_TRUE(invalid);
    EXPECT_FALSE(invalid->valid());
    EXPECT_EQ(invalid->write_context(), nullptr);
    EXPECT_EQ(invalid->read_context(), nullptr);
    EXPECT_FALSE(invalid->fill(0));
    EXPECT_FALSE(invalid->make_exclusive());
    const std::uint8_t px[] = {1};
    EXPECT_EQ(invalid->store_row_segment(0, 0, 1, px), 0);
    auto valid = ieRep.create_image(8, 8, ie_pixel::index8, csNone);
    EXPECT_TRUE(valid->valid());

    ie_test::refuse_write_contexts(1);
    EXPECT_EQ(valid->write_context(), nullptr);
    EXPECT_NE(valid->write_context(), nullptr);
    ie_test::refuse_read_contexts(1);
    EXPECT_EQ(valid->read_context(), nullptr);
    EXPECT_NE(valid->read_context(), nullptr);
}

TEST_F(Engine, CheckpointFileLivesExactlyAsLongAsItsPixels) {
    ASSERT_TRUE(ieRep.enable_checkpointing(0, m_folder.c_str()));
    EXPECT_EQ(ieRep.checkpoint_folder(), m_folder);
    auto image = ieRep.create_image(64, 64, ie_pixel::rgb32, csRgb);
    ASSERT_TRUE(image);
    ASSERT_TRUE(image->file_backed());
    const std::string path = image->checkpoint_path();
    EXPECT_EQ(fs::path(path).parent_path(), fs::path(m_folder));
    EXPECT_TRUE(mapped(path));
    EXPECT_EQ(ieRep.file_bytes_in_use(), 64 * 64 * 4);
    // Unlinked at once: nothing to clean up if the process dies.
    EXPECT_TRUE(fs::is_empty(m_folder));

    ASSERT_TRUE(image->fill(0xFF102030u));
    auto ctx = image->write_context();
    ctx->rows()[63][0] = 0x7F;
    EXPECT_EQ(image->pixel(0, 63), 0xFF10207Fu);
    // A copy made for a second holder is file-backed as well.
    auto copy = image->share();
    EXPECT_TRUE(copy->file_backed());
    EXPECT_NE(copy->checkpoint_path(), path);
    EXPECT_EQ(copy->pixel(0, 63), 0xFF10207Fu);
    copy.reset();

    ctx.reset();
    image.reset();
    EXPECT_FALSE(mapped(path));
    EXPECT_EQ(ieRep.file_bytes_in_use(), 0);
}

TEST_F(Engine, CheckpointingTakesImagesFromTheThresholdUp) {
    ASSERT_TRUE(ieRep.enable_checkpointing(1024, m_folder.c_str()));
    auto small = ieRep.create_image(512, 511, ie_pixel::rgb32, csRgb); // just under 1 MiB
    auto large = ieRep.create_image(512, 512, ie_pixel::rgb32, csRgb);
    EXPECT_FALSE(small->file_backed());
    EXPECT_TRUE(large->file_backed());
    ieRep.disable_checkpointing();
    EXPECT_EQ(ieRep.checkpoint_folder(), "");
    EXPECT_FALSE(ieRep.create_image(512, 512, ie_pixel::rgb32, csRgb)->file_backed());
}

TEST_F(Engine, CheckpointingIsRefusedForAFolderThatCannotHoldFiles) {
    ASSERT_TRUE(ieRep.enable_checkpointing(0, m_folder.c_str()));
    const std::string file = m_folder + "/plain";
    std::ofstream(file) << "x";
    EXPECT_FALSE(ieRep.enable_checkpointing(0, nullptr));
    EXPECT_FALSE(ieRep.enable_checkpointing(0, ""));
    EXPECT_FALSE(ieRep.enable_checkpointing(0, (m_folder + "/missing").c_str()));
    EXPECT_FALSE(ieRep.enable_checkpointing(0, file.c_str()));
    EXPECT_FALSE(ieRep.enable_checkpointing(-1, m_folder.c_str()));
    // The earlier setting stands.
    EXPECT_EQ(ieRep.checkpoint_folder(), m_folder);
}

TEST_F(Engine, LargePageInCheckpointModeTakesLittleMemory) {
    // A2 at 720 dpi in 32-bit true colour: about 800 MB.
    const int width = 11906;
    const int height = 16838;
    const long long bytes = Ie_Rep::image_bytes(ie_pixel::rgb32, width, height);
    if (free_bytes(m_folder) < bytes + (1LL << 30))
        GTEST_SKIP() << "not enough disk space in " << m_folder;
    ASSERT_TRUE(ieRep.enable_checkpointing(2048, m_folder.c_str()));
    ASSERT_TRUE(ieRep.memory_available(ie_pixel::rgb32, width, height));

    const long long before = rss_anon_bytes();
    auto page = ieRep.create_image(width, height, ie_pixel::rgb32, csRgb);
    ASSERT_TRUE(page);
    EXPECT_TRUE(page->file_backed());
    EXPECT_EQ(ieRep.file_bytes_in_use(), bytes);
    auto ctx = page->write_context();
    for (int r : {0, 1, 8000, height - 1}) {
        std::uint8_t* row = ctx->rows()[r];
        for (int c = 0; c < width; ++c)
            row[4 * c] = static_cast<std::uint8_t>(r + c);
    }
    auto reader = page->read_context();
    std::vector<std::uint8_t> line(static_cast<std::size_t>(width) * 4);
    ASSERT_EQ(reader->read_row(height - 1, 0, width, line.data()), width);
    EXPECT_EQ(line[4 * 100], static_cast<std::uint8_t>(height - 1 + 100));
    EXPECT_LT(rss_anon_bytes() - before, 64LL << 20);
}

TEST_F(Engine, FileTypesComeFromWriterModules) {
    EXPECT_TRUE(ieRep.file_types().empty());
    EXPECT_FALSE(ieRep.file_type_registered("BMP"));
    ASSERT_FALSE(ieRep.module_folders().empty());
    EXPECT_TRUE(fs::exists(ieRep.module_folders().front() + "/iebmpwr.dll"));

    ASSERT_TRUE(ieRep.load_module("iebmpwr.dll")) << ieRep.last_error();
    EXPECT_TRUE(ieRep.file_type_registered("BMP"));
    EXPECT_FALSE(ieRep.file_type_registered("bmp")); // exact names
    EXPECT_FALSE(ieRep.file_type_registered("TIFF"));
    EXPECT_EQ(ieRep.file_types(), std::vector<std::string>{"BMP"});

    // Removed and loaded again: the module registers it again.
    ie_test::set_file_type_registered("BMP", false);
    EXPECT_FALSE(ieRep.file_type_registered("BMP"));
    ASSERT_TRUE(ieRep.load_module("iebmpwr.dll"));
    EXPECT_TRUE(ieRep.file_type_registered("BMP"));

    ie_test::set_file_type_registered("PCX", true);
    EXPECT_TRUE(ieRep.file_type_registered("PCX"));

    EXPECT_FALSE(ieRep.load_module("nosuch.dll"));
    EXPECT_FALSE(ieRep.load_module(""));
    EXPECT_FALSE(ieRep.load_module(nullptr));
    // A shared object that is not a writer module.
    const std::string platform = ieRep.module_folders().front() + "/libvorna_platform.so";
    EXPECT_FALSE(ieRep.load_module(platform.c_str()));
    const std::vector<std::string> loads{"iebmpwr.dll", "iebmpwr.dll", "nosuch.dll", "", "",
                                         platform};
    EXPECT_EQ(ie_test::module_loads(), loads);

    // Modules are also found in added folders.
    const std::string copy = m_folder + "/iebmpwr2.dll";
    fs::copy_file(ieRep.module_folders().front() + "/iebmpwr.dll", copy);
    ieRep.add_module_folder(m_folder);
    ie_test::set_file_type_registered("BMP", false);
    EXPECT_TRUE(ieRep.load_module("iebmpwr2.dll"));
    EXPECT_TRUE(ieRep.file_type_registered("BMP"));
}

TEST_F(Engine, BmpWriterWritesTrueColourAndBitonalImages) {
    ASSERT_TRUE(ieRep.load_module("iebmpwr.dll"));
    auto rgb = ieRep.create_image(3, 2, ie_pixel::rgb32, csRgb);
    rgb->fill(0xFF000000u);
    const std::uint32_t top[] = {0xFF0000FFu};    // red at (0, 0)
    const std::uint32_t bottom[] = {0xFFFF0000u}; // blue at (2, 1)
    rgb->store_row_segment(0, 0, 1, top);
    rgb->store_row_segment(2, 1, 1, bottom);
    const std::string path = m_folder + "/page.bmp";
    ASSERT_TRUE(ieRep.write_file(*rgb, "BMP", path.c_str())) << ieRep.last_error();
    std::vector<unsigned char> b = file_bytes(path);
    ASSERT_EQ(b.size(), 54u + 2 * 12);
    EXPECT_EQ(b[0], 'B');
    EXPECT_EQ(b[1], 'M');
    EXPECT_EQ(le32(b, 2), b.size());
    EXPECT_EQ(le32(b, 10), 54u);
    EXPECT_EQ(le32(b, 18), 3u);
    EXPECT_EQ(le32(b, 22), 2u);
    EXPECT_EQ(b[28], 24);
    // Rows bottom-up, pixels blue, green, red: the bottom row comes first.
    EXPECT_EQ(b[54 + 6], 0xFF);
    EXPECT_EQ(b[54 + 8], 0x00);
    EXPECT_EQ(b[54 + 12 + 2], 0xFF);
    EXPECT_EQ(b[54 + 12 + 0], 0x00);

    auto bit = ieRep.create_image(10, 1, ie_pixel::bitonal, csBitonal);
    bit->clear({0, 0}, {1, 1}, 1);
    bit->clear({9, 0}, {1, 1}, 1);
    const std::string bit_path = m_folder + "/bit.bmp";
    ASSERT_TRUE(ieRep.write_file(*bit, "BMP", bit_path.c_str()));
    b = file_bytes(bit_path);
    ASSERT_EQ(b.size(), 62u + 4);
    EXPECT_EQ(b[28], 1);
    EXPECT_EQ(le32(b, 54), 0x00FFFFFFu); // index 0 white
    EXPECT_EQ(le32(b, 58), 0x00000000u); // index 1 black: set bits are ink
    EXPECT_EQ(b[62], 0x80);
    EXPECT_EQ(b[63], 0x40);

    EXPECT_FALSE(ieRep.write_file(*rgb, "TIFF", (m_folder + "/x.tif").c_str()));
    ie_test::set_file_type_registered("PCX", true);
    EXPECT_FALSE(ieRep.write_file(*rgb, "PCX", (m_folder + "/x.pcx").c_str()));
    EXPECT_FALSE(ieRep.write_file(*rgb, "BMP", (m_folder + "/missing/x.bmp").c_str()));
    EXPECT_FALSE(fs::exists(m_folder + "/x.tif"));
}

TEST_F(Engine, IndexedColourSpacesCompareByTheirEntries) {
    std::vector<Ie_Rgba> entries;
    for (int i = 0; i < 256; ++i)
        entries.push_back(
            {static_cast<std::uint8_t>(i), 0, static_cast<std::uint8_t>(255 - i), 255});
    Ie_Space_Ref a = csSpaceRepConstructor1(csRgb, 256, 0, entries.data(), 0);
    ASSERT_TRUE(a);
    EXPECT_TRUE(a.indexed());
    EXPECT_EQ(a.base(), &csRgb);
    EXPECT_EQ(a.entry_count(), 256);
    EXPECT_EQ(a.entries()[5], (Ie_Rgba{5, 0, 250, 255}));

    Ie_Space_Ref same = csSpaceRepConstructor1(csRgb, 256, 0, entries.data(), 0);
    EXPECT_TRUE(a == same);
    entries[200].green = 1;
    Ie_Space_Ref other = csSpaceRepConstructor1(csRgb, 256, 0, entries.data(), 0);
    EXPECT_FALSE(a == other);
    EXPECT_FALSE(a == Ie_Space_Ref(csRgb));
    EXPECT_TRUE(Ie_Space_Ref(csRgb) == Ie_Space_Ref(csRgb));
    EXPECT_FALSE(Ie_Space_Ref(csRgb) == Ie_Space_Ref(csBitonal));
    EXPECT_TRUE(Ie_Space_Ref() == Ie_Space_Ref());

    // An image holds a reference for as long as its pixels live.
    EXPECT_EQ(a.use_count(), 1);
    {
        auto image = ieRep.create_image(4, 4, ie_pixel::index8, a);
        EXPECT_EQ(a.use_count(), 2);
        EXPECT_TRUE(image->color_space() == a);
    }
    EXPECT_EQ(a.use_count(), 1);

    // Entries placed from an index; the others are opaque black.
    Ie_Space_Ref part = csSpaceRepConstructor1(csRgb, 5, 10, entries.data(), 0);
    EXPECT_EQ(part.entry_count(), 15);
    EXPECT_EQ(part.entries()[0], (Ie_Rgba{0, 0, 0, 255}));
    EXPECT_EQ(part.entries()[10], entries[0]);

    EXPECT_FALSE(csSpaceRepConstructor1(a, 256, 0, entries.data(), 0));      // base must be rgb
    EXPECT_FALSE(csSpaceRepConstructor1(csRgb, 200, 57, entries.data(), 0)); // past 256
    EXPECT_FALSE(csSpaceRepConstructor1(csRgb, 256, 0, nullptr, 0));
    EXPECT_FALSE(csSpaceRepConstructor1(csRgb, 256, 0, entries.data(), 1));
}
