// Pieces of band output: row conversion into printer dots, the copy file's
// blocks, and the status window's bars.
#include "raster_band.h"
#include "raster_copies.h"
#include "raster_status.h"

#include "plat_status.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>
#include <vector>

namespace {

using namespace raster_device;
using raster_render::Palette_Rgb_Table;

std::vector<std::uint8_t> dots_of(int system, const std::vector<std::uint8_t>& row, int first,
                                  int count, bool grey = false) {
    Palette_Rgb_Table table{};
    table[0] = {255, 255, 255};
    table[7] = {10, 20, 30};
    table[8] = {300, -5, 128}; // a row substitution wrote from a bad value
    std::vector<std::uint8_t> dots(static_cast<std::size_t>(count) * 4, 0xAA);
    convert_row(system, row.data(), first, count, table, grey, dots.data());
    return dots;
}

} // namespace

TEST(Band_Rows, IndexedRowsPrintTheirTableRows) {
    EXPECT_EQ(dots_of(0, {0, 7, 8, 0}, 1, 2),
              (std::vector<std::uint8_t>{10, 20, 30, 0, 255, 0, 128, 0}));
}

TEST(Band_Rows, TrueColourRowsDropTheFourthByteAndTurnGreyWhenAsked) {
    const std::vector<std::uint8_t> row{1, 2, 3, 4, 255, 0, 0, 9, 50, 50, 50, 9};
    EXPECT_EQ(dots_of(1, row, 0, 3),
              (std::vector<std::uint8_t>{1, 2, 3, 0, 255, 0, 0, 0, 50, 50, 50, 0}));
    EXPECT_EQ(dots_of(1, row, 1, 2, true),
              (std::vector<std::uint8_t>{76, 76, 76, 0, 50, 50, 50, 0}));
}

TEST(Band_Rows, BitonalBitsAreBlackInkFromTheHighestBit) {
    // Pixels 0 and 9 set.
    EXPECT_EQ(dots_of(2, {0x80, 0x40}, 8, 3),
              (std::vector<std::uint8_t>{255, 255, 255, 0, 0, 0, 0, 0, 255, 255, 255, 0}));
}

TEST(Copy_File, BlocksAreReadBackAsRecorded) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("vorna-copies-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    Copy_Recorder copies;
    std::string why;
    ASSERT_TRUE(copies.create(folder.string(), why)) << why;
    copies.append("abc", 3);
    copies.append("de", 2);
    copies.next_block();
    copies.next_block();
    copies.append("fghijkl", 7);
    EXPECT_EQ(copies.last_block(), 2u);
    EXPECT_EQ(copies.block_size(0), 5u);
    EXPECT_EQ(copies.block_size(1), 0u);
    EXPECT_EQ(copies.largest_block(), 7u);

    std::vector<std::uint8_t> block;
    ASSERT_TRUE(copies.read_block(0, block));
    EXPECT_EQ(std::string(block.begin(), block.end()), "abcde");
    ASSERT_TRUE(copies.read_block(1, block));
    EXPECT_TRUE(block.empty());
    ASSERT_TRUE(copies.read_block(2, block));
    EXPECT_EQ(std::string(block.begin(), block.end()), "fghijkl");
    EXPECT_FALSE(copies.read_block(3, block));

    // Nobody else can reach the file: it has no name in the folder.
    EXPECT_TRUE(std::filesystem::is_empty(folder));
    copies.close();
    std::filesystem::remove_all(folder);
}

TEST(Copy_File, AFolderThatCannotHoldItSaysWhy) {
    Copy_Recorder copies;
    std::string why;
    EXPECT_FALSE(copies.create("/nonexistent/vorna", why));
    EXPECT_NE(why.find("/nonexistent/vorna"), std::string::npos);
    EXPECT_FALSE(copies.is_open());
    std::vector<std::uint8_t> block;
    EXPECT_FALSE(copies.read_block(0, block));
}

TEST(Status_Window, TheCopiesBarStepsEveryHundredthOfAllRows) {
    plat::status_recorder().clear();
    Spool_Status status;
    status.show(status_template_file, 2, 100); // a step every 2 rows
    for (int i = 0; i < 100; ++i)
        status.advance();
    const plat::Status_Window_State w = plat::status_recorder().last_window();
    EXPECT_EQ(w.title, "Print Spool Status (2 Copies)");
    EXPECT_EQ(w.label(status_label_copies), "Number of Copies");
    ASSERT_EQ(w.bars.size(), 2u);
    EXPECT_EQ(w.bars[0].high, 100);
    EXPECT_EQ(w.bars[0].steps, 1 + 50);
    EXPECT_EQ(w.bars[1].y, 75);
    EXPECT_EQ(w.bars[1].steps, 100);
    status.restart_page(7);
    const plat::Status_Bar_State page = plat::status_recorder().last_window().bars[1];
    EXPECT_EQ(page.high, 7);
    EXPECT_EQ(page.position, 0);
}
