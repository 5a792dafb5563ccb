#include "plat_elf.h"
#include "plat_resource.h"

#include <cstring>
#include <elf.h>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <random>
#include <unistd.h>

namespace {

std::vector<unsigned char> file_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string temp_file(const std::vector<unsigned char>& bytes) {
    char name[] = "/tmp/plat_elf_XXXXXX";
    int fd = mkstemp(name);
    if (fd < 0)
        return {};
    if (!bytes.empty() && write(fd, bytes.data(), bytes.size()) < 0)
        name[0] = '\0';
    close(fd);
    return name;
}

// A minimal ELF file of either class: null section, a name table, and one
// data section called `section` holding `payload`.
template <class Ehdr, class Shdr>
std::vector<unsigned char> synthetic_elf(unsigned char elf_class, const std::string& section,
                                         const std::vector<unsigned char>& payload) {
    const std::string names = std::string("\0.shstrtab\0", 11) + section + '\0';
    std::vector<unsigned char> out(sizeof(Ehdr));
    const std::size_t names_at = out.size();
    out.insert(out.end(), names.begin(), names.end());
    const std::size_t data_at = out.size();
    out.insert(out.end(), payload.begin(), payload.end());
    out.resize((out.size() + 7) / 8 * 8);
    const std::size_t shoff = out.size();

    Shdr sh[3]{};
    sh[1].sh_name = 1;
    sh[1].sh_type = SHT_STRTAB;
    sh[1].sh_offset = names_at;
    sh[1].sh_size = names.size();
    sh[2].sh_name = 11;
    sh[2].sh_type = SHT_PROGBITS;
    sh[2].sh_offset = data_at;
    sh[2].sh_size = payload.size();
    out.resize(shoff + sizeof sh);
    std::memcpy(out.data() + shoff, sh, sizeof sh);

    Ehdr eh{};
    std::memcpy(eh.e_ident, ELFMAG, SELFMAG);
    eh.e_ident[EI_CLASS] = elf_class;
    eh.e_ident[EI_DATA] = ELFDATA2LSB;
    eh.e_ident[EI_VERSION] = EV_CURRENT;
    eh.e_shoff = shoff;
    eh.e_shentsize = sizeof(Shdr);
    eh.e_shnum = 3;
    eh.e_shstrndx = 1;
    std::memcpy(out.data(), &eh, sizeof eh);
    return out;
}

std::vector<unsigned char> elf64(const std::vector<unsigned char>& payload) {
    return synthetic_elf<Elf64_Ehdr, Elf64_Shdr>(ELFCLASS64, "vorna_rsrc", payload);
}

Elf64_Ehdr& header_of(std::vector<unsigned char>& image) {
    return *reinterpret_cast<Elf64_Ehdr*>(image.data());
}
Elf64_Shdr& section_of(std::vector<unsigned char>& image, std::size_t index) {
    return reinterpret_cast<Elf64_Shdr*>(image.data() + header_of(image).e_shoff)[index];
}

const std::vector<unsigned char> k_payload = {1, 2, 3, 4, 5};

} // namespace

TEST(Elf_Reading, FindsTheSectionOfABuiltLibrary) {
    auto section = plat::read_elf_section(std::string(TEST_RSRC_DRIVER), "vorna_rsrc");
    ASSERT_EQ(section.status, plat::Elf_Status::ok);
    auto records = plat::rsrc::parse_records(section.data);
    ASSERT_TRUE(records.has_value());
    ASSERT_EQ(records->size(), 2u);

    // The same bytes whether read from the file or from an image of it.
    auto image = file_bytes(TEST_RSRC_DRIVER);
    EXPECT_EQ(plat::read_elf_section(image, "vorna_rsrc").data, section.data);
}

TEST(Elf_Reading, FilesWithoutTheSection) {
    EXPECT_EQ(plat::read_elf_section(plat::main_executable_path(), "vorna_rsrc").status,
              plat::Elf_Status::no_section);
    EXPECT_EQ(plat::read_elf_section(std::string(TEST_RSRC_DRIVER), "vorna_rsr").status,
              plat::Elf_Status::no_section);
    EXPECT_EQ(plat::read_elf_section(std::string("/nonexistent/lib.so"), "vorna_rsrc").status,
              plat::Elf_Status::cannot_open);
    EXPECT_EQ(plat::read_elf_section(std::string("/tmp"), "vorna_rsrc").status,
              plat::Elf_Status::cannot_open);

    const std::string text = temp_file({'h', 'e', 'l', 'l', 'o'});
    const std::string empty = temp_file({});
    EXPECT_EQ(plat::read_elf_section(text, "vorna_rsrc").status, plat::Elf_Status::not_elf);
    EXPECT_EQ(plat::read_elf_section(empty, "vorna_rsrc").status, plat::Elf_Status::not_elf);
    unlink(text.c_str());
    unlink(empty.c_str());
}

TEST(Elf_Reading, BothClassesAndExtendedSectionNumbering) {
    auto image = elf64(k_payload);
    EXPECT_EQ(plat::read_elf_section(image, "vorna_rsrc").data, k_payload);

    auto image32 = synthetic_elf<Elf32_Ehdr, Elf32_Shdr>(ELFCLASS32, "vorna_rsrc", k_payload);
    auto section32 = plat::read_elf_section(image32, "vorna_rsrc");
    EXPECT_EQ(section32.status, plat::Elf_Status::ok);
    EXPECT_EQ(section32.data, k_payload);

    // Count and name-table index moved into section 0.
    section_of(image, 0).sh_size = 3;
    section_of(image, 0).sh_link = 1;
    header_of(image).e_shnum = 0;
    header_of(image).e_shstrndx = SHN_XINDEX;
    EXPECT_EQ(plat::read_elf_section(image, "vorna_rsrc").data, k_payload);
}

TEST(Elf_Reading, CorruptHeadersAreRefused) {
    using Mutation = void (*)(std::vector<unsigned char>&);
    const std::pair<const char*, Mutation> cases[] = {
        {"section table past end", [](auto& i) { header_of(i).e_shoff = i.size() - 8; }},
        {"section table offset huge", [](auto& i) { header_of(i).e_shoff = ~0ull - 4; }},
        {"too many sections", [](auto& i) { header_of(i).e_shnum = 0xFFF0; }},
        {"entry size too small", [](auto& i) { header_of(i).e_shentsize = 8; }},
        {"name table index out of range", [](auto& i) { header_of(i).e_shstrndx = 3; }},
        {"name table index zero", [](auto& i) { header_of(i).e_shstrndx = 0; }},
        {"name table past end", [](auto& i) { section_of(i, 1).sh_offset = i.size(); }},
        {"name table huge", [](auto& i) { section_of(i, 1).sh_size = ~0ull; }},
        {"name table without data", [](auto& i) { section_of(i, 1).sh_type = SHT_NOBITS; }},
        {"section past end", [](auto& i) { section_of(i, 2).sh_offset = i.size() - 2; }},
        {"section size wraps", [](auto& i) { section_of(i, 2).sh_size = ~0ull - 2; }},
        {"section without data", [](auto& i) { section_of(i, 2).sh_type = SHT_NOBITS; }},
        {"extended count too large",
         [](auto& i) {
             header_of(i).e_shnum = 0;
             section_of(i, 0).sh_size = 1ull << 40;
         }},
    };
    for (auto [what, mutate] : cases) {
        auto image = elf64(k_payload);
        mutate(image);
        auto section = plat::read_elf_section(image, "vorna_rsrc");
        EXPECT_EQ(section.status, plat::Elf_Status::corrupt) << what;
        EXPECT_TRUE(section.data.empty()) << what;
    }

    // A name that runs to the end of the name table without a terminator.
    auto image = elf64(k_payload);
    section_of(image, 1).sh_size -= 1;
    EXPECT_EQ(plat::read_elf_section(image, "vorna_rsrc").status, plat::Elf_Status::no_section);
}

TEST(Elf_Reading, OtherByteOrderOrClassIsUnsupported) {
    auto image = elf64(k_payload);
    image[EI_DATA] = ELFDATA2MSB;
    EXPECT_EQ(plat::read_elf_section(image, "vorna_rsrc").status, plat::Elf_Status::unsupported);
    image = elf64(k_payload);
    image[EI_CLASS] = 7;
    EXPECT_EQ(plat::read_elf_section(image, "vorna_rsrc").status, plat::Elf_Status::unsupported);
}

TEST(Elf_Reading, TruncatedAndScrambledLibrariesNeverCrash) {
    const auto original = file_bytes(TEST_RSRC_DRIVER);
    ASSERT_GT(original.size(), 1000u);

    // Section headers sit at the end, so any cut loses them.
    for (std::size_t cut = 0; cut < original.size(); cut += 211) {
        std::span<const unsigned char> part(original.data(), cut);
        EXPECT_NE(plat::read_elf_section(part, "vorna_rsrc").status, plat::Elf_Status::ok) << cut;
    }
    const std::string cut_file =
        temp_file({original.begin(), original.begin() + static_cast<long>(original.size() - 1)});
    EXPECT_NE(plat::read_elf_section(cut_file, "vorna_rsrc").status, plat::Elf_Status::ok);
    unlink(cut_file.c_str());

    // Scramble bytes of the ELF header and the section table.
    const auto& eh = *reinterpret_cast<const Elf64_Ehdr*>(original.data());
    const std::size_t table_at = eh.e_shoff;
    const std::size_t table_size = std::size_t{eh.e_shnum} * eh.e_shentsize;
    std::mt19937 random(12345);
    for (int round = 0; round < 3000; ++round) {
        auto image = original;
        for (int k = 0; k < 4; ++k) {
            std::size_t at =
                random() % 2 ? random() % sizeof(Elf64_Ehdr) : table_at + random() % table_size;
            image[at] = static_cast<unsigned char>(random());
        }
        auto section = plat::read_elf_section(image, "vorna_rsrc");
        if (section.status == plat::Elf_Status::ok)
            EXPECT_LE(section.data.size(), image.size());
        else
            EXPECT_TRUE(section.data.empty());
    }
}
