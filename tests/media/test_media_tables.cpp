// The constant tables checked against the rules they follow, and the lookups
// checked for staying inside the tables whatever index they get.
#include "media_tables.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using namespace raster_media;

namespace {

std::string underscored(std::string s) {
    for (char& c : s)
        if (c == ' ')
            c = '_';
    return s;
}

} // namespace

TEST(MediaTables, ListsEndAtTheEmptyEntry) {
    EXPECT_EQ(media_type_count(Ink_Set::high_speed), 7);
    EXPECT_EQ(media_type_count(Ink_Set::photo), 11);
    EXPECT_EQ(named_list_count(Named_List::gamma), 3);
    EXPECT_EQ(named_list_count(Named_List::color_correction), 2);
    EXPECT_EQ(named_list_count(Named_List::cut_method), 4);
    EXPECT_EQ(named_list_count(Named_List::platen_gap), 5);
    EXPECT_EQ(named_list_count(Named_List::eject_roller), 4);

    // The end entries are really there, with value 0.
    EXPECT_EQ(media_type_list(Ink_Set::high_speed).size(), 8u);
    EXPECT_EQ(media_type_list(Ink_Set::photo).size(), 12u);
    for (auto list : {Named_List::gamma, Named_List::color_correction, Named_List::cut_method,
                      Named_List::platen_gap, Named_List::eject_roller}) {
        auto entries = named_list(list);
        ASSERT_EQ(static_cast<int>(entries.size()), named_list_count(list) + 1);
        EXPECT_STREQ(entries.back().name, "");
        EXPECT_EQ(entries.back().value, 0);
    }
}

TEST(MediaTables, MediaTypesOfBothInkSets) {
    EXPECT_STREQ(media_type_name(Ink_Set::high_speed, 1), "Plain Paper (line drawing)");
    EXPECT_STREQ(media_type_name(Ink_Set::high_speed, 6), "Light Matte Paper");
    EXPECT_STREQ(media_type_name(Ink_Set::photo, 7), "Photo Paper Luster (250)");
    EXPECT_STREQ(media_type_name(Ink_Set::photo, 10), "Photo Paper Semimatte (250)");
    // The photo list starts with the high-speed list.
    for (int i = 0; i < 7; ++i)
        EXPECT_STREQ(media_type_name(Ink_Set::photo, i), media_type_name(Ink_Set::high_speed, i));
    EXPECT_EQ(ink_set_from_option(0), Ink_Set::high_speed);
    EXPECT_EQ(ink_set_from_option(1), Ink_Set::photo);
    EXPECT_EQ(ink_set_from_option(-7), Ink_Set::photo);
}

TEST(MediaTables, NamedValues) {
    EXPECT_EQ(named_value(Named_List::gamma, 0), 150);
    EXPECT_EQ(named_value(Named_List::gamma, 1), 180);
    EXPECT_EQ(named_value(Named_List::gamma, 2), 220);
    EXPECT_STREQ(named_entry(Named_List::gamma, 2).name, "2.2");
    EXPECT_EQ(named_value(Named_List::color_correction, 0), 0);
    EXPECT_EQ(named_value(Named_List::color_correction, 1), 2);
    EXPECT_STREQ(named_entry(Named_List::color_correction, 1).name, "Vivid");
    EXPECT_STREQ(named_entry(Named_List::cut_method, 3).name, "Thick Paper, Slow");
    EXPECT_EQ(named_value(Named_List::cut_method, 3), 3);
    EXPECT_STREQ(named_entry(Named_List::platen_gap, 4).name, "Narrow");
    EXPECT_EQ(named_value(Named_List::platen_gap, 4), 4);
    EXPECT_STREQ(named_entry(Named_List::eject_roller, 3).name, "No Roller-Roll Normal");
    EXPECT_EQ(named_value(Named_List::eject_roller, 3), 3);
}

TEST(MediaTables, OutOfRangeIndexesStayInsideTheTables) {
    // Media types: anything unknown is Plain Paper; 7 to 10 exist only for photo.
    EXPECT_EQ(valid_media_type_index(Ink_Set::high_speed, 7), 0);
    EXPECT_EQ(valid_media_type_index(Ink_Set::high_speed, -1), 0);
    EXPECT_EQ(valid_media_type_index(Ink_Set::photo, 10), 10);
    EXPECT_EQ(valid_media_type_index(Ink_Set::photo, 11), 0);
    EXPECT_STREQ(media_type_name(Ink_Set::high_speed, 1000000), "Plain Paper");

    // Named lists: gamma falls back to 1.8, the others to their first entry.
    EXPECT_EQ(named_value(Named_List::gamma, 3), 180);
    EXPECT_EQ(named_value(Named_List::gamma, -1), 180);
    EXPECT_EQ(named_value(Named_List::color_correction, 2), 0);
    EXPECT_EQ(named_value(Named_List::cut_method, 4), 0);
    EXPECT_EQ(named_value(Named_List::platen_gap, 5), 0);
    EXPECT_EQ(named_value(Named_List::eject_roller, INT32_MIN), 0);
    EXPECT_STRNE(named_entry(Named_List::platen_gap, 99).name, "");

    // Sources: unknown means roll paper.
    EXPECT_EQ(valid_media_source(4), media_source_roll);
    EXPECT_EQ(valid_media_source(-1), media_source_roll);
    EXPECT_EQ(media_size_table(9).data(), media_size_table(0).data());

    // Sizes: unknown rows are the user-defined row of that source.
    EXPECT_EQ(valid_media_size_index(0, 13), 12);
    EXPECT_EQ(valid_media_size_index(2, 9), 8);
    EXPECT_EQ(valid_media_size_index(1, -3), 10);
    EXPECT_STREQ(media_size_record(3, 12).name, "UserDefined");
    EXPECT_STREQ(canonical_media_size_name(Media_Language::english, 2, 40), "UserDefined");
    EXPECT_STREQ(canonical_media_size_name(static_cast<Media_Language>(9), 0, 0),
                 "Letter_Roll_Paper");

    // Print mode rows: an unknown row is Plain Paper at the same parity,
    // always inside the block asked for.
    EXPECT_EQ(&print_mode_row(print_mode_block_a, 14), &print_mode_row(print_mode_block_a, 0));
    EXPECT_EQ(&print_mode_row(print_mode_block_a, 15), &print_mode_row(print_mode_block_a, 1));
    EXPECT_EQ(&print_mode_row(print_mode_block_d, -2), &print_mode_row(print_mode_block_d, 0));
    EXPECT_EQ(&print_mode_row(Print_Mode_Block{71, 22}, 1), &print_mode_row(print_mode_block_a, 1));
    EXPECT_EQ(print_mode_row_index(Ink_Set::high_speed, 8, 720), 1);
    EXPECT_EQ(print_mode_row_index(Ink_Set::photo, 8, 720), 17);
    EXPECT_EQ(print_mode_row_index(Ink_Set::photo, INT32_MAX, 360), 0);
}

TEST(MediaTables, MediaSizeTablesByMediaSource) {
    ASSERT_EQ(media_size_table(media_source_roll).size(), 13u);
    ASSERT_EQ(media_size_table(media_source_roll_borderless).size(), 11u);
    ASSERT_EQ(media_size_table(media_source_manual_feed).size(), 9u);
    ASSERT_EQ(media_size_table(media_source_paper_tray).size(), 9u);
    EXPECT_STREQ(media_size_record(media_source_manual_feed, 0).name, "Letter Manual Feed");
    EXPECT_STREQ(media_size_record(media_source_paper_tray, 0).name, "Letter Paper Tray");

    for (int source = 0; source < media_source_count; ++source) {
        SCOPED_TRACE(source);
        auto table = media_size_table(source);
        const Media_Size_Record& last = table.back();
        EXPECT_STREQ(last.name, "UserDefined");
        EXPECT_EQ(last.size_code, 256);
        EXPECT_EQ(last.width | last.height | last.printable_width | last.printable_height, 0);
        for (std::size_t i = 0; i + 1 < table.size(); ++i) {
            const Media_Size_Record& r = table[i];
            SCOPED_TRACE(r.name);
            if (source == media_source_roll_borderless) {
                EXPECT_EQ(r.printable_width, r.width + 84);
                EXPECT_EQ(r.printable_height, r.height);
                EXPECT_EQ(r.size_code, 256);
            } else {
                EXPECT_EQ(r.printable_width, r.width - 84);
                EXPECT_EQ(r.printable_height, r.height - 84);
            }
        }
    }

    // Manual feed and paper tray differ only in their names.
    auto manual = media_size_table(media_source_manual_feed);
    auto tray = media_size_table(media_source_paper_tray);
    for (std::size_t i = 0; i < manual.size(); ++i) {
        EXPECT_EQ(std::memcmp(&manual[i].size_code, &tray[i].size_code, 20), 0) << i;
    }

    // The borderless heights run 28 or 29 dots past the roll heights of the same size.
    const int roll_of_borderless[] = {0, 1, 2, 3, 4, 5, 7, 8, 10, 11};
    for (int b = 0; b < 10; ++b) {
        const int diff =
            media_size_record(1, b).height - media_size_record(0, roll_of_borderless[b]).height;
        EXPECT_TRUE(diff == 28 || diff == 29) << b;
        EXPECT_EQ(media_size_record(1, b).width, media_size_record(0, roll_of_borderless[b]).width);
    }

    // Standard and own size codes.
    EXPECT_EQ(media_size_record(0, 0).size_code, 1);
    EXPECT_EQ(media_size_record(0, 1).size_code, 9);
    EXPECT_EQ(media_size_record(0, 3).size_code, 8);
    EXPECT_EQ(media_size_record(0, 5).size_code, 257);
    EXPECT_EQ(media_size_record(0, 6).size_code, 262);
    EXPECT_EQ(media_size_record(0, 8).size_code, 261);
    EXPECT_EQ(media_size_record(0, 7).size_code, 256);
    EXPECT_EQ(media_size_record(2, 4).size_code, 262);
}

TEST(MediaTables, CanonicalNames) {
    // English names are the display names with underscores.
    for (int source = 0; source < media_source_count; ++source) {
        auto table = media_size_table(source);
        for (std::size_t i = 0; i < table.size(); ++i)
            EXPECT_EQ(canonical_media_size_name(Media_Language::english, source, int(i)),
                      underscored(table[i].name));
    }
    // Every language has a name for every row, ending with "UserDefined",
    // and no two rows of a table share a name.
    for (auto lang : {Media_Language::english, Media_Language::spanish, Media_Language::italian,
                      Media_Language::german, Media_Language::korean}) {
        for (int source = 0; source < media_source_count; ++source) {
            const int rows = int(media_size_table(source).size());
            EXPECT_STREQ(canonical_media_size_name(lang, source, rows - 1), "UserDefined");
            for (int i = 0; i < rows; ++i) {
                ASSERT_NE(canonical_media_size_name(lang, source, i), nullptr);
                for (int j = i + 1; j < rows; ++j)
                    EXPECT_STRNE(canonical_media_size_name(lang, source, i),
                                 canonical_media_size_name(lang, source, j));
            }
        }
    }
    EXPECT_STREQ(canonical_media_size_name(Media_Language::spanish, 1, 9),
                 "ARCH_B_Vert._Rollo_Sin_Márgenes");
    EXPECT_STREQ(canonical_media_size_name(Media_Language::spanish, 2, 0), "Carta_Alim._Manual");
    EXPECT_STREQ(canonical_media_size_name(Media_Language::spanish, 3, 0), "Carta_Bandeja_Papel");
    EXPECT_STREQ(canonical_media_size_name(Media_Language::italian, 3, 7), "ARCH_B_Cassetto");
    EXPECT_STREQ(canonical_media_size_name(Media_Language::german, 0, 7),
                 "ANSI_B-Rollenpapier_Querformat");
    EXPECT_STREQ(canonical_media_size_name(Media_Language::korean, 0, 0), "Letter_롤_용지_");
    EXPECT_STREQ(canonical_media_size_name(Media_Language::korean, 2, 4), "ANSI_B_수동_급지_");

    EXPECT_EQ(media_language_of_build("vorna_tarv_en_7"), Media_Language::english);
    EXPECT_EQ(media_language_of_build("vorna_tarv_en2_7"), Media_Language::english);
    EXPECT_EQ(media_language_of_build("vorna_tarv_sp_7"), Media_Language::spanish);
    EXPECT_EQ(media_language_of_build("vorna_tarv_it_6"), Media_Language::italian);
    EXPECT_EQ(media_language_of_build("vorna_tarv_ge2_7"), Media_Language::german);
    EXPECT_EQ(media_language_of_build("vorna_tarv_ko_7"), Media_Language::korean);
    EXPECT_FALSE(media_language_of_build("vorna_tarv_fr_7").has_value());
}

// The print mode table is literal data; check every cell against the rules
// the printer's documentation states for blocks, media types and resolutions.
TEST(MediaTables, PrintModeTableFollowsItsRules) {
    ASSERT_EQ(print_mode_table().size(), 72u);
    struct Block {
        Print_Mode_Block where;
        bool photo;
        int c1, c3, c4, c11;
    };
    const Block blocks[] = {{print_mode_block_a, false, 11, 1, 1, 2},
                            {print_mode_block_b, true, 1, 6, 6, 2},
                            {print_mode_block_c, false, 11, 1, 0, 0},
                            {print_mode_block_d, true, 1, 6, 0, 0}};
    const int media_code[] = {1, 332, 305, 318, 306, 274, 330, 321, 307, 308, 309};
    const int media_class[] = {1, 1, 1, 1, 2, 2, 2, 3, 3, 3, 3};
    const int pass_360[11][3] = {{720, 360, 3}, {720, 360, 3}, {720, 360, 3}, {360, 720, 1},
                                 {360, 720, 3}, {360, 720, 3}, {360, 720, 1}, {360, 720, 1},
                                 {360, 720, 1}, {360, 720, 1}, {360, 720, 1}};

    int next_row = 0;
    for (const Block& b : blocks) {
        EXPECT_EQ(b.where.first_row, next_row);
        EXPECT_EQ(b.where.rows, b.photo ? 22 : 14);
        next_row += b.where.rows;
        for (int r = 0; r < b.where.rows; ++r) {
            const int m = r / 2;
            const bool at_720 = r % 2 != 0;
            const auto& c = print_mode_row(b.where, r).column;
            SCOPED_TRACE(testing::Message() << "row " << b.where.first_row + r);
            EXPECT_EQ(&print_mode_table()[b.where.first_row + r].column[0], &c[0]);
            EXPECT_EQ(c[0], media_code[m]);
            EXPECT_EQ(c[1], b.c1);
            EXPECT_EQ(c[2], 7);
            EXPECT_EQ(c[3], b.c3);
            EXPECT_EQ(c[4], b.c4);
            EXPECT_EQ(c[5], at_720 ? 720 : 360);
            EXPECT_EQ(c[6], at_720 ? 720 : 360);
            if (at_720) {
                EXPECT_EQ(c[7], 720);
                EXPECT_EQ(c[8], 720);
                EXPECT_EQ(c[9], 1);
            } else if (b.photo && m == 0) {
                // Plain paper at 360 is the one type whose passes differ by ink set.
                EXPECT_EQ(c[7], 360);
                EXPECT_EQ(c[8], 360);
                EXPECT_EQ(c[9], 1);
            } else {
                EXPECT_EQ(c[7], pass_360[m][0]);
                EXPECT_EQ(c[8], pass_360[m][1]);
                EXPECT_EQ(c[9], pass_360[m][2]);
            }
            EXPECT_EQ(c[10], 2);
            EXPECT_EQ(c[11], b.c11);
            EXPECT_EQ(c[12], 1024);
            EXPECT_EQ(c[13], media_class[m]);
            EXPECT_EQ(c[14], 100);
            EXPECT_EQ(c[15], m == 2 ? 1 : 0);
            EXPECT_EQ(c[16], 0);
            EXPECT_EQ(c[17], 0);
        }
    }
    EXPECT_EQ(next_row, 72);

    EXPECT_EQ(print_mode_block(Ink_Set::high_speed, true).first_row, 0);
    EXPECT_EQ(print_mode_block(Ink_Set::photo, true).first_row, 14);
    EXPECT_EQ(print_mode_block(Ink_Set::high_speed, false).first_row, 36);
    EXPECT_EQ(print_mode_block(Ink_Set::photo, false).first_row, 50);
}
