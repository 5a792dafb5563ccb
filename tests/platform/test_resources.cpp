#include "plat_module.h"
#include "plat_resource.h"
#include "plat_version.h"

#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>
#include <string>

namespace {

using plat::rsrc::Translation;

// A probe library kept loaded for the test, and its module handle.
class Probe {
public:
    explicit Probe(const char* path) : m_path(path), m_lib(plat::load_library(path)) {}
    ~Probe() {
        if (m_lib)
            plat::free_library(m_lib);
    }
    Probe(const Probe&) = delete;
    Probe& operator=(const Probe&) = delete;
    plat::Module module() const { return plat::library_module(m_lib); }
    const char* path() const { return m_path; }

private:
    const char* m_path;
    plat::Library m_lib;
};

std::vector<unsigned char> read_version(const char* path) {
    std::uint32_t size = plat::get_file_version_info_size(path);
    std::vector<unsigned char> block(size);
    if (size == 0 || !plat::get_file_version_info(path, size, block.data()))
        return {};
    return block;
}

std::string query_string(const std::vector<unsigned char>& block, const std::string& key) {
    const void* value = nullptr;
    std::uint32_t length = 0;
    if (!plat::ver_query_value(block.data(), key.c_str(), &value, &length))
        return "<absent>";
    EXPECT_EQ(std::strlen(static_cast<const char*>(value)), length) << key;
    return std::string(static_cast<const char*>(value), length);
}

std::vector<std::uint32_t> translations(const std::vector<unsigned char>& block) {
    const void* value = nullptr;
    std::uint32_t length = 0;
    if (!plat::ver_query_value(block.data(), "\\VarFileInfo\\Translation", &value, &length))
        return {};
    std::vector<std::uint32_t> out(length / 4);
    std::memcpy(out.data(), value, out.size() * 4);
    return out;
}

// The driver's locale text: each translation in upper-case hex, comma-joined.
std::string locale_text(const std::vector<std::uint32_t>& entries) {
    std::string out;
    for (std::uint32_t e : entries) {
        char buf[16];
        std::snprintf(buf, sizeof buf, out.empty() ? "%X" : ",%X", e);
        out += buf;
    }
    return out;
}

plat::Version_Info two_translations() {
    plat::Version_Info info;
    info.file_version = {3, 1, 0, 2};
    info.translations = {{0x0409, 0x04B0}, {0x0412, 0x03B5}};
    info.string_tables = {{{0x0409, 0x04B0}, {{"ProductName", "Heidi"}}},
                          {{0x0412, 0x03B5}, {{"ProductName", "하이디"}}}};
    return info;
}

} // namespace

TEST(Driver_Resources, VersionBlockReadThroughTheLibraryPath) {
    Probe probe(TEST_RSRC_DRIVER);
    const auto block = read_version(probe.path());
    ASSERT_FALSE(block.empty());

    const std::string table = "\\StringFileInfo\\040904B0\\";
    EXPECT_EQ(query_string(block, table + "FileDescription"), "Heidi Raster Printer Driver");
    EXPECT_EQ(query_string(block, table + "ProductName"), "Heidi");
    EXPECT_EQ(query_string(block, table + "OriginalFilename"), "vorna_tarv_en_7.hdi");
    EXPECT_EQ(query_string(block, table + "ModulePlatform"), "1");
    EXPECT_EQ(query_string(block, table + "ModuleType"), "00000001");
    EXPECT_EQ(query_string(block, table + "FileVersion"), "7.00");
    EXPECT_EQ(query_string(block, table + "ProductVersion"), "7.00");
    EXPECT_EQ(query_string(block, "\\stringfileinfo\\040904b0\\productname"), "Heidi");
    EXPECT_EQ(query_string(block, table + "CompanyName"), "<absent>");
    EXPECT_EQ(query_string(block, "\\StringFileInfo\\040704B0\\ProductName"), "<absent>");

    EXPECT_EQ(locale_text(translations(block)), "4B00409");

    const void* value = nullptr;
    std::uint32_t length = 0;
    ASSERT_TRUE(plat::ver_query_value(block.data(), "\\", &value, &length));
    ASSERT_EQ(length, sizeof(plat::rsrc::Fixed_File_Info));
    plat::rsrc::Fixed_File_Info fixed{};
    std::memcpy(&fixed, value, sizeof fixed);
    EXPECT_EQ(fixed.signature, plat::rsrc::fixed_signature);
    EXPECT_EQ(fixed.file_version_ms, 0x00070000u);
    EXPECT_EQ(fixed.product_version_ls, 0u);
}

TEST(Driver_Resources, StringTableByNumber) {
    Probe probe(TEST_RSRC_DRIVER);
    char buf[4096];
    EXPECT_EQ(plat::load_string(probe.module(), 2, buf, sizeof buf), 8u);
    EXPECT_STREQ(buf, " - by %s");
    for (std::uint32_t id = 100; id <= 117; ++id)
        EXPECT_GT(plat::load_string(probe.module(), id, buf, sizeof buf), 10u) << id;
    EXPECT_EQ(plat::load_string(probe.module(), 100), "INTERNAL ERROR - Memory allocation");
    EXPECT_EQ(plat::load_string(probe.module(), 117),
              "Virtual Memry Low - Free Space on System Drive");
    for (std::uint32_t missing : {0u, 1u, 99u, 118u}) {
        std::strcpy(buf, "garbage");
        EXPECT_EQ(plat::load_string(probe.module(), missing, buf, sizeof buf), 0u) << missing;
        EXPECT_STREQ(buf, "");
    }
}

TEST(Driver_Resources, StringsComeFromTheMappedFileWhateverItsNameIsSaidToBe) {
    Probe probe(TEST_RSRC_DRIVER);
    plat_test::set_module_file_name(probe.module(), "");
    EXPECT_EQ(plat::load_string(probe.module(), 2), " - by %s");
    plat_test::clear_module_file_names();
}

TEST(Strings, SmallBuffersCutWithoutSplittingCharacters) {
    Probe probe(TEST_RSRC_CUSTOM);
    char buf[16];
    EXPECT_EQ(plat::load_string(probe.module(), 100, buf, 5), 0u); // not in this library
    EXPECT_EQ(plat::load_string(probe.module(), 65535, buf, 5), 4u);
    EXPECT_STREQ(buf, "last");
    EXPECT_EQ(plat::load_string(probe.module(), 65535, buf, 4), 3u);
    EXPECT_STREQ(buf, "las");
    EXPECT_EQ(plat::load_string(probe.module(), 65535, buf, 1), 0u);
    EXPECT_STREQ(buf, "");

    // "Größe": the cut at 3 bytes would split 'ö' (2 bytes), so stop before it.
    EXPECT_EQ(plat::load_string(probe.module(), 7, buf, 4), 2u);
    EXPECT_STREQ(buf, "Gr");
    EXPECT_EQ(plat::load_string(probe.module(), 7, buf, 5), 4u);
    EXPECT_STREQ(buf, "Grö");

    EXPECT_EQ(plat::load_string(probe.module(), 8), "");
    EXPECT_EQ(plat::load_string(probe.module(), 9), "from a second table");
    EXPECT_EQ(plat::load_string(nullptr, 2), std::nullopt); // the test program has none
}

TEST(Versions, TwoTranslationsFromAFileAndFromABuiltBlock) {
    Probe probe(TEST_RSRC_CUSTOM);
    const auto from_file = read_version(probe.path());
    EXPECT_EQ(locale_text(translations(from_file)), "4B00409,4E40407");
    EXPECT_EQ(query_string(from_file, "\\StringFileInfo\\040704E4\\FileDescription"),
              "Sonde für Tests");

    const auto built = plat::build_version_block(two_translations());
    EXPECT_EQ(translations(built), (std::vector<std::uint32_t>{0x04B00409, 0x03B50412}));
    EXPECT_EQ(locale_text(translations(built)), "4B00409,3B50412");
    EXPECT_EQ(query_string(built, "\\StringFileInfo\\041203B5\\ProductName"), "하이디");

    plat::Version_Info none;
    EXPECT_TRUE(translations(plat::build_version_block(none)).empty());
}

TEST(Versions, AbsentOrTooSmallGivesNothing) {
    const std::string exe = plat::main_executable_path();
    EXPECT_EQ(plat::get_file_version_info_size(exe.c_str()), 0u);
    EXPECT_EQ(plat::get_file_version_info_size("/nonexistent.hdi"), 0u);
    EXPECT_EQ(plat::get_file_version_info_size(nullptr), 0u);

    const std::uint32_t size = plat::get_file_version_info_size(TEST_RSRC_DRIVER);
    ASSERT_GT(size, 0u);
    std::vector<unsigned char> block(size, 0xEE);
    EXPECT_FALSE(plat::get_file_version_info(TEST_RSRC_DRIVER, size - 1, block.data()));
    EXPECT_FALSE(plat::get_file_version_info(TEST_RSRC_DRIVER, size, nullptr));

    const void* value = nullptr;
    EXPECT_FALSE(plat::ver_query_value(block.data(), "\\", &value, nullptr));
}

TEST(Versions, MalformedBlocksAreRejectedAtEveryLength) {
    const auto block = plat::build_version_block(two_translations());
    ASSERT_TRUE(plat::version_block_valid(block));
    for (std::size_t n = 0; n < block.size(); ++n) {
        std::span<const unsigned char> cut(block.data(), n);
        EXPECT_FALSE(plat::version_block_valid(cut)) << n;
        EXPECT_FALSE(plat::query_version_value(cut, "\\VarFileInfo\\Translation")) << n;
    }

    // Entry lengths that point past the block, and a missing terminator.
    const std::size_t first_entry = plat::rsrc::version_header_size;
    for (std::size_t field : {first_entry, first_entry + 4}) {
        auto bad = block;
        bad[field + 3] = 0x7F;
        EXPECT_FALSE(plat::version_block_valid(bad)) << field;
    }
    auto bad = block;
    bad[first_entry + 8 + 1] = 'x'; // the terminator after the key "\"
    EXPECT_FALSE(plat::version_block_valid(bad));
}

TEST(Records, PaddingBetweenRecordsAndMalformedSections) {
    using plat::rsrc::parse_records;
    static constexpr plat::rsrc::String_Def one[] = {{5, "five"}};
    constexpr std::size_t payload_size = plat::rsrc::string_table_size(one);
    const auto record = plat::rsrc::make_record<plat::rsrc::record_size(payload_size)>(
        plat::rsrc::string_table, 1, payload_size,
        [&](plat::rsrc::Byte_Writer& w) { plat::rsrc::write_string_table(w, one); });

    std::vector<unsigned char> section(record.begin(), record.end());
    section.insert(section.end(), 16, 0); // what a linker may put between objects
    section.insert(section.end(), record.begin(), record.end());
    auto records = parse_records(section);
    ASSERT_TRUE(records);
    ASSERT_EQ(records->size(), 2u);
    EXPECT_EQ(plat::rsrc::find_string((*records)[1].payload, 5), "five");
    EXPECT_TRUE(parse_records({})->empty());

    auto bad_magic = section;
    bad_magic[0] = 'X';
    EXPECT_FALSE(parse_records(bad_magic));
    auto too_long = section;
    too_long[12] = 0xFF; // payload size beyond the section
    EXPECT_FALSE(parse_records(too_long));
    auto stray = section;
    stray[record.size() + 5] = 1; // non-zero byte in the padding
    EXPECT_FALSE(parse_records(stray));

    // A string entry whose length runs past its table.
    auto payload = std::vector<unsigned char>(record.begin() + 16, record.end());
    payload[4] = 200;
    EXPECT_FALSE(plat::rsrc::find_string(payload, 5));
}
