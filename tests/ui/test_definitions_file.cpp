// The advanced-definitions file: the canonical layout, the loose reader, the
// validation rules, the store's slots and the start-of-dialog sequence.
#include "definitions_file.h"
#include "ui_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

using namespace raster_ui;
using ui_test::clear_messages;
using ui_test::read_file;
using ui_test::shown_texts;
using ui_test::Temp_Folder;
using ui_test::write_file;

namespace {

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1)
        lines.push_back(text.substr(start, nl - start));
    return lines;
}

// A file with every paper's values made distinct, for checks that records
// land in the right slot.
std::string distinct_file() {
    AdvancedDefinitions store;
    for (int group = 0; group < 2; ++group)
        for (int index = 0; index < group_size[group]; ++index)
            for (double dpi : {360.0, 720.0}) {
                const int n = paper_number(group, index);
                Paper_Settings s{n % 3, n % 2, n, n + 1, -n, n % 5, n % 4, n, n % 5, n % 4};
                s.density = dpi == 720.0 ? -n : n;
                store.storePaper(dpi, group, index, s);
            }
    return store.composeDefinitions();
}

// Replaces the first occurrence of `from`.
std::string replaced(std::string text, const std::string& from, const std::string& to) {
    const auto at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos)
        text.replace(at, from.size(), to);
    return text;
}

std::string record_of(const std::string& text, double dpi, int group, int index) {
    AdvancedDefinitions store;
    store.splitIntoSlots(text);
    Paper_Settings s;
    EXPECT_TRUE(store.loadPaper(dpi, group, index, s));
    return serializePaper(s);
}

} // namespace

TEST(DefinitionsFile, DefaultFileLayout) {
    const std::string text = default_definitions_text();
    EXPECT_EQ(text.size(), 8991u);
    EXPECT_EQ(text.find('\r'), std::string::npos);
    EXPECT_EQ(text.find('\0'), std::string::npos);

    const auto lines = lines_of(text);
    ASSERT_EQ(lines.size(), 2u + 2 * (2 + 18 * 3));
    EXPECT_EQ(lines[0], "<vorna>");
    EXPECT_EQ(lines[1], "  <dpi360>");
    EXPECT_EQ(lines[2], "    <paper01>");
    EXPECT_EQ(lines[3], "      <gamma>1</gamma><bothway>1</bothway><inkdensity>0</inkdensity>"
                        "<delaytime>0</delaytime><feedoffset>0</feedoffset><vacuum>0</vacuum>"
                        "<adjustmode>0</adjustmode><paperthick>1</paperthick><gap>0</gap>"
                        "<roller>0</roller>");
    EXPECT_EQ(lines[4], "    </paper01>");
    EXPECT_EQ(lines[2 + 9 * 3], "    <paper10>");
    EXPECT_EQ(lines[56], "  </dpi360>");
    EXPECT_EQ(lines[57], "  <dpi720>");
    EXPECT_EQ(lines.back(), "</vorna>");
    EXPECT_TRUE(validateDefinitions(text));
}

TEST(DefinitionsFile, DefaultRowsByPaper) {
    EXPECT_EQ(default_papers_360, default_papers_720);
    EXPECT_EQ(default_paper(720.0, 1, 8).thickness, 3); // Photo Paper Glossy
    EXPECT_EQ(default_paper(360.0, 0, 2).cutting, 1);   // Tracing Paper
    EXPECT_EQ(default_paper(360.0, 1, 2).cutting, 1);
    EXPECT_EQ(default_paper(360.0, 1, 5).thickness, 2); // Fine Matte Paper
    // A paper index from elsewhere that is out of the group still gets a row.
    EXPECT_EQ(default_paper(360.0, 0, 40), default_papers_360[0]);
    EXPECT_EQ(default_paper(360.0, 7, -3), default_papers_360[0]);
}

TEST(DefinitionsFile, TagSearch) {
    EXPECT_EQ(findTagged("x<a>12</a>y", "<a>", "</a>").value(), "12");
    EXPECT_EQ(findTagged("<a></a>", "<a>", "</a>").value(), "");
    // Only the first opening tag is tried; a later complete pair is not found.
    EXPECT_FALSE(findTagged("</a><a>", "<a>", "</a>"));
    EXPECT_EQ(findTagged("<a>1<a>2</a>", "<a>", "</a>").value(), "1<a>2");
    EXPECT_FALSE(findTagged("<a>1", "<a>", "</a>"));
    EXPECT_FALSE(findTagged("no tags", "<a>", "</a>"));
    // The text ends at a NUL.
    EXPECT_FALSE(findTagged(std::string_view("<a>1\0</a>", 9), "<a>", "</a>"));
    // Content longer than the limit counts as not found.
    EXPECT_TRUE(findTagged("<a>1234</a>", "<a>", "</a>", 4));
    EXPECT_FALSE(findTagged("<a>12345</a>", "<a>", "</a>", 4));
    // A tag cut off at the end of the text.
    EXPECT_FALSE(findTagged("<a>1</", "<a>", "</a>"));
}

TEST(DefinitionsFile, ValueText) {
    EXPECT_EQ(parse_value(""), 0);
    EXPECT_EQ(parse_value("x"), 0);
    EXPECT_EQ(parse_value(" 2"), 2);
    EXPECT_EQ(parse_value("\n\t-50"), -50);
    EXPECT_EQ(parse_value("+7"), 7);
    EXPECT_EQ(parse_value("12abc"), 12);
    EXPECT_EQ(parse_value("- 5"), 0);
    EXPECT_EQ(parse_value("2147483647"), INT_MAX);
    EXPECT_EQ(parse_value("-2147483648"), INT_MIN);
    // Beyond the range the value stops at its ends instead of wrapping.
    EXPECT_EQ(parse_value("2147483648"), INT_MAX);
    EXPECT_EQ(parse_value("99999999999999999999999999"), INT_MAX);
    EXPECT_EQ(parse_value("-99999999999999999999999999"), INT_MIN);
}

TEST(DefinitionsFile, PaperRecordRoundTripAndPartialParse) {
    const Paper_Settings s{2, 0, -50, 50, -70, 4, 3, 16, 4, 3};
    Paper_Settings back;
    ASSERT_TRUE(parsePaper(serializePaper(s), back));
    EXPECT_EQ(back, s);
    EXPECT_EQ(serializePaper(s).find(' '), std::string::npos);

    // Any order, any spacing, extra elements, and the first copy counts.
    ASSERT_TRUE(parsePaper(" <roller>3</roller>\n<x>1</x><gamma> 2</gamma><gamma>0</gamma>"
                           "<bothway>0</bothway><inkdensity>-50</inkdensity><delaytime>50"
                           "</delaytime><feedoffset>-70</feedoffset><vacuum>4</vacuum>"
                           "<adjustmode>3</adjustmode><paperthick>16</paperthick><gap>4</gap>",
                           back));
    EXPECT_EQ(back, s);

    // A missing element stops the parse: earlier fields are filled, later ones kept.
    Paper_Settings partial{9, 9, 9, 9, 9, 9, 9, 9, 9, 9};
    EXPECT_FALSE(
        parsePaper("<gamma>1</gamma><bothway>0</bothway><delaytime>5</delaytime>", partial));
    EXPECT_EQ(partial.gamma, 1);
    EXPECT_EQ(partial.two_way, 0);
    EXPECT_EQ(partial.density, 9);
    EXPECT_EQ(partial.drying_time, 9);

    // An over-long value text is refused rather than read.
    std::string long_value = serializePaper(s);
    long_value = replaced(long_value, "<gap>4", "<gap>" + std::string(100, ' ') + "4");
    EXPECT_FALSE(parsePaper(long_value, back));
}

TEST(DefinitionsFile, LooseLayoutsReadLikeTheCanonicalOne) {
    const std::string canonical = distinct_file();
    ASSERT_TRUE(validateDefinitions(canonical));

    // Everything on one line.
    std::string one_line = canonical;
    std::erase(one_line, '\n');
    one_line.erase(std::remove(one_line.begin(), one_line.end(), ' '), one_line.end());

    // 720 block first, papers in descending order, CRLF line ends.
    const auto block = [&](const char* open, const char* close) {
        return std::string(findTagged(canonical, open, close).value());
    };
    std::string reordered = "junk before\r\n<vorna>\r\n<dpi720>";
    const std::string b720 = block("<dpi720>", "</dpi720>");
    const std::string b360 = block("<dpi360>", "</dpi360>");
    for (int paper = paper_count; paper >= 1; --paper)
        reordered +=
            paper_open_tag(paper) +
            std::string(findTagged(b720, paper_open_tag(paper), paper_close_tag(paper)).value()) +
            paper_close_tag(paper) + "\r\n";
    reordered += "</dpi720>\r\n<dpi360>" + b360 + "</dpi360></vorna>";

    for (const std::string& text : {one_line, reordered}) {
        ASSERT_TRUE(validateDefinitions(text));
        AdvancedDefinitions a, b;
        a.splitIntoSlots(canonical);
        b.splitIntoSlots(text);
        EXPECT_EQ(b.composeDefinitions(), a.composeDefinitions());
    }
}

TEST(DefinitionsFile, InvalidFiles) {
    const std::string good = default_definitions_text();
    // One element missing in one paper.
    EXPECT_FALSE(validateDefinitions(replaced(good, "<roller>0</roller>", "")));
    // No closing root tag, though everything else is complete.
    EXPECT_FALSE(validateDefinitions(replaced(good, "</vorna>", "")));
    EXPECT_FALSE(validateDefinitions(replaced(good, "<vorna>", "")));
    // One-digit paper tags are not the paper.
    EXPECT_FALSE(validateDefinitions(
        replaced(replaced(good, "<paper01>", "<paper1>"), "</paper01>", "</paper1>")));
    // A resolution block missing.
    EXPECT_FALSE(validateDefinitions(replaced(good, "</dpi720>", "")));
    EXPECT_FALSE(validateDefinitions(""));
    EXPECT_FALSE(validateDefinitions(good.substr(0, good.size() / 2)));
    // A NUL in the middle ends the text.
    std::string with_nul = good;
    with_nul[100] = '\0';
    EXPECT_FALSE(validateDefinitions(with_nul));
    // Blocks larger than the reader takes.
    EXPECT_FALSE(validateDefinitions(
        replaced(good, "<dpi360>", "<dpi360>" + std::string(max_resolution_block_bytes, ' '))));
    EXPECT_FALSE(validateDefinitions(
        replaced(good, "<paper05>", "<paper05>" + std::string(max_paper_block_bytes, ' '))));
    // Values of any text are still valid.
    EXPECT_TRUE(validateDefinitions(replaced(good, "<gamma>1</gamma>", "<gamma></gamma>")));
    EXPECT_TRUE(validateDefinitions(replaced(good, "<gamma>1</gamma>", "<gamma>q</gamma>")));
}

TEST(DefinitionsFile, FirstOfTwoResolutionBlocksIsRead) {
    const std::string good = distinct_file();
    const std::string first =
        "<dpi360>" +
        replaced(std::string(findTagged(good, "<dpi360>", "</dpi360>").value()), "<gamma>1</gamma>",
                 "<gamma>2</gamma>") +
        "</dpi360>";
    const std::string text = first + good;
    ASSERT_TRUE(validateDefinitions(text));
    Paper_Settings s;
    AdvancedDefinitions store;
    store.splitIntoSlots(text);
    ASSERT_TRUE(store.loadPaper(360.0, 0, 0, s)); // paper 1: gamma 1 % 3 = 1 in `good`
    EXPECT_EQ(s.gamma, 2);
    EXPECT_EQ(record_of(text, 720.0, 0, 0), record_of(good, 720.0, 0, 0));
}

TEST(DefinitionsFile, SlotsAddressPapersByResolutionGroupAndIndex) {
    const std::string text = distinct_file();
    AdvancedDefinitions store;
    store.splitIntoSlots(text);
    Paper_Settings s;
    ASSERT_TRUE(store.loadPaper(360.0, 1, 10, s)); // paper 18
    EXPECT_EQ(s.density, 18);
    ASSERT_TRUE(store.loadPaper(720.0, 0, 6, s)); // paper 7
    EXPECT_EQ(s.density, -7);
    ASSERT_TRUE(store.loadPaper(360.0, 1, 0, s)); // paper 8
    EXPECT_EQ(s.thickness, 8);

    // No slot outside the two resolutions and the groups: nothing changes.
    const std::string before = store.composeDefinitions();
    const Paper_Settings marker{7, 7, 7, 7, 7, 7, 7, 7, 7, 7};
    for (auto [dpi, group, index] : std::vector<std::tuple<double, int, int>>{{300.0, 0, 0},
                                                                              {360.0, 0, 7},
                                                                              {360.0, 0, -1},
                                                                              {720.0, 1, 11},
                                                                              {720.0, 2, 0},
                                                                              {720.0, -1, 0},
                                                                              {360.0001, 0, 0}}) {
        EXPECT_FALSE(store.storePaper(dpi, group, index, marker));
        Paper_Settings untouched = marker;
        EXPECT_FALSE(store.loadPaper(dpi, group, index, untouched));
        EXPECT_EQ(untouched, marker);
    }
    EXPECT_EQ(store.composeDefinitions(), before);

    // A stored record comes back, and only its slot changed.
    ASSERT_TRUE(store.storePaper(720.0, 1, 3, marker));
    ASSERT_TRUE(store.loadPaper(720.0, 1, 3, s));
    EXPECT_EQ(s, marker);
    ASSERT_TRUE(store.loadPaper(360.0, 1, 3, s));
    EXPECT_EQ(s.thickness, 11);
}

TEST(DefinitionsFile, ComposeIsCanonicalWhateverTheInput) {
    std::string messy = distinct_file();
    std::erase(messy, '\n');
    messy = replaced(messy, "<gamma>", "<note>x</note> <gamma> ");
    AdvancedDefinitions store;
    store.splitIntoSlots(messy);
    const std::string composed = store.composeDefinitions();
    EXPECT_EQ(composed, distinct_file());
}

class DefinitionsStart : public ::testing::Test {
protected:
    void SetUp() override { clear_messages(); }
    std::string driver() const { return folder.path() + "vorna_tarv_en_7.hdi"; }
    std::string file() const { return folder.file(definitions_file_name); }
    Temp_Folder folder;
    AdvancedDefinitions store;
};

TEST_F(DefinitionsStart, MissingFileGetsTheDefaultsWithoutAMessage) {
    store.openOrCreateDefinitions(nullptr, driver());
    EXPECT_EQ(store.file_path(), file());
    EXPECT_EQ(store.folder(), folder.path());
    EXPECT_FALSE(store.valid());
    EXPECT_TRUE(shown_texts().empty());
    EXPECT_EQ(read_file(file()), default_definitions_text());
    EXPECT_EQ(store.text(), default_definitions_text());
    Paper_Settings s;
    ASSERT_TRUE(store.loadPaper(720.0, 1, 8, s));
    EXPECT_EQ(s, default_papers_720[15]);
}

TEST_F(DefinitionsStart, ValidFileIsKeptAsItIs) {
    std::string text = distinct_file();
    std::erase(text, '\n');
    write_file(file(), text);
    store.openOrCreateDefinitions(nullptr, driver());
    EXPECT_TRUE(store.valid());
    EXPECT_TRUE(shown_texts().empty());
    EXPECT_EQ(read_file(file()), text); // only OK rewrites it
    EXPECT_EQ(record_of(store.composeDefinitions(), 360.0, 1, 2),
              record_of(distinct_file(), 360.0, 1, 2));
}

TEST_F(DefinitionsStart, InvalidFileIsReportedAndReplacedByDefaults) {
    for (const std::string& bad :
         {replaced(distinct_file(), "<vacuum>3</vacuum>", ""), std::string("garbage"),
          std::string(), default_definitions_text() + std::string(max_file_bytes, ' ')}) {
        clear_messages();
        write_file(file(), bad);
        store.openOrCreateDefinitions(nullptr, driver());
        EXPECT_FALSE(store.valid());
        ASSERT_EQ(shown_texts().size(), 1u);
        EXPECT_EQ(shown_texts()[0],
                  "The contents of the definition file are incorrect.\nDefaults will be used.");
        const auto shown = plat::headless_ui().messages()[0];
        EXPECT_EQ(shown.title, "Custom Properties Error");
        EXPECT_EQ(shown.flags, plat::mb_ok | plat::mb_icon_error);
        EXPECT_EQ(read_file(file()), default_definitions_text());
    }
}

TEST_F(DefinitionsStart, UnwritableFileStillLeavesAUsableStore) {
    // A folder in the file's place can be neither read nor replaced.
    std::filesystem::create_directory(file());
    store.openOrCreateDefinitions(nullptr, driver());
    EXPECT_TRUE(shown_texts().empty());
    Paper_Settings s;
    EXPECT_TRUE(store.loadPaper(360.0, 0, 2, s));
    EXPECT_EQ(s, default_papers_360[2]);
    EXPECT_FALSE(store.write_file());
    EXPECT_TRUE(std::filesystem::is_directory(file()));
    EXPECT_FALSE(writeDefinitionsFile(folder.path() + "no/such/folder/x", "text"));
}

TEST_F(DefinitionsStart, WriteReplacesTheFileWhole) {
    store.openOrCreateDefinitions(nullptr, driver());
    const Paper_Settings s{0, 0, 12, 3, -4, 2, 2, 5, 1, 1};
    ASSERT_TRUE(store.storePaper(360.0, 0, 4, s));
    ASSERT_TRUE(store.write_file());
    const std::string written = read_file(file());
    EXPECT_EQ(written, store.text());
    EXPECT_EQ(record_of(written, 360.0, 0, 4), serializePaper(s));
    // No temporary file stays behind.
    EXPECT_FALSE(std::filesystem::exists(file() + ".tmp"));
}
