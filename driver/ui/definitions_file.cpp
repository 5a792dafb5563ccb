// Reading, validating, defaulting and writing the advanced-definitions file.
#include "definitions_file.h"
#include "dialog_resources.h"
#include "plat_file.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace raster_ui {

// Gamma "1.8", bidirectional on, offsets zero, standard suction, platen gap
// and eject roller "Auto"; the tracing papers cut as thin paper, and the
// thickness follows the paper: 0.1 mm plain and coated, 0.2 mm matte, 0.3 mm
// photo.
// clang-format off
const std::array<Paper_Settings, paper_count> default_papers_360 = {{
    {1, 1, 0, 0, 0, 0, 0, 1, 0, 0}, // 1 Plain Paper
    {1, 1, 0, 0, 0, 0, 0, 1, 0, 0}, // 2 Plain Paper (line drawing)
    {1, 1, 0, 0, 0, 0, 1, 1, 0, 0}, // 3 Tracing Paper
    {1, 1, 0, 0, 0, 0, 0, 1, 0, 0}, // 4 Coated Inkjet Paper
    {1, 1, 0, 0, 0, 0, 0, 2, 0, 0}, // 5 Heavy Matte Paper
    {1, 1, 0, 0, 0, 0, 0, 2, 0, 0}, // 6 Fine Matte Paper
    {1, 1, 0, 0, 0, 0, 0, 2, 0, 0}, // 7 Light Matte Paper
    {1, 1, 0, 0, 0, 0, 0, 1, 0, 0}, // 8 Plain Paper
    {1, 1, 0, 0, 0, 0, 0, 1, 0, 0}, // 9 Plain Paper (line drawing)
    {1, 1, 0, 0, 0, 0, 1, 1, 0, 0}, // 10 Tracing Paper
    {1, 1, 0, 0, 0, 0, 0, 1, 0, 0}, // 11 Coated Inkjet Paper
    {1, 1, 0, 0, 0, 0, 0, 2, 0, 0}, // 12 Heavy Matte Paper
    {1, 1, 0, 0, 0, 0, 0, 2, 0, 0}, // 13 Fine Matte Paper
    {1, 1, 0, 0, 0, 0, 0, 2, 0, 0}, // 14 Light Matte Paper
    {1, 1, 0, 0, 0, 0, 0, 3, 0, 0}, // 15 Photo Paper Luster (250)
    {1, 1, 0, 0, 0, 0, 0, 3, 0, 0}, // 16 Photo Paper Glossy (250)
    {1, 1, 0, 0, 0, 0, 0, 3, 0, 0}, // 17 Photo Paper Semigloss (250)
    {1, 1, 0, 0, 0, 0, 0, 3, 0, 0}, // 18 Photo Paper Semimatte (250)
}};

const std::array<Paper_Settings, paper_count> default_papers_720 = {{
    {1, 1, 0, 0, 0, 0, 0, 1, 0, 0}, // 1 Plain Paper
    {1, 1, 0, 0, 0, 0, 0, 1, 0, 0}, // 2 Plain Paper (line drawing)
    {1, 1, 0, 0, 0, 0, 1, 1, 0, 0}, // 3 Tracing Paper
    {1, 1, 0, 0, 0, 0, 0, 1, 0, 0}, // 4 Coated Inkjet Paper
    {1, 1, 0, 0, 0, 0, 0, 2, 0, 0}, // 5 Heavy Matte Paper
    {1, 1, 0, 0, 0, 0, 0, 2, 0, 0}, // 6 Fine Matte Paper
    {1, 1, 0, 0, 0, 0, 0, 2, 0, 0}, // 7 Light Matte Paper
    {1, 1, 0, 0, 0, 0, 0, 1, 0, 0}, // 8 Plain Paper
    {1, 1, 0, 0, 0, 0, 0, 1, 0, 0}, // 9 Plain Paper (line drawing)
    {1, 1, 0, 0, 0, 0, 1, 1, 0, 0}, // 10 Tracing Paper
    {1, 1, 0, 0, 0, 0, 0, 1, 0, 0}, // 11 Coated Inkjet Paper
    {1, 1, 0, 0, 0, 0, 0, 2, 0, 0}, // 12 Heavy Matte Paper
    {1, 1, 0, 0, 0, 0, 0, 2, 0, 0}, // 13 Fine Matte Paper
    {1, 1, 0, 0, 0, 0, 0, 2, 0, 0}, // 14 Light Matte Paper
    {1, 1, 0, 0, 0, 0, 0, 3, 0, 0}, // 15 Photo Paper Luster (250)
    {1, 1, 0, 0, 0, 0, 0, 3, 0, 0}, // 16 Photo Paper Glossy (250)
    {1, 1, 0, 0, 0, 0, 0, 3, 0, 0}, // 17 Photo Paper Semigloss (250)
    {1, 1, 0, 0, 0, 0, 0, 3, 0, 0}, // 18 Photo Paper Semimatte (250)
}};
// clang-format on

namespace {

constexpr std::string_view root_open = "<vorna>";
constexpr std::string_view root_close = "</vorna>";

struct Resolution_Block {
    double dpi;
    std::string_view open;
    std::string_view close;
};
// File order: all 360 papers, then all 720 papers. Slots follow the same order.
constexpr Resolution_Block resolution_blocks[2] = {
    {360.0, "<dpi360>", "</dpi360>"},
    {720.0, "<dpi720>", "</dpi720>"},
};

bool is_space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The block content of one paper inside a resolution block.
std::optional<std::string_view> paper_block(std::string_view resolution_block, int paper) {
    return findTagged(resolution_block, paper_open_tag(paper), paper_close_tag(paper),
                      max_paper_block_bytes);
}

std::optional<std::string_view> resolution_block(std::string_view text, const Resolution_Block& r) {
    return findTagged(text, r.open, r.close, max_resolution_block_bytes);
}

} // namespace

const Paper_Settings& default_paper(double resolution, int group, std::int32_t index) {
    const auto& table = resolution == 720.0 ? default_papers_720 : default_papers_360;
    if (group != 0 && group != 1)
        group = 0;
    int paper = paper_number(group, index);
    if (paper == 0)
        paper = group_first_paper[group];
    return table[static_cast<std::size_t>(paper - 1)];
}

int paper_number(int group, std::int32_t index) {
    if ((group != 0 && group != 1) || index < 0 || index >= group_size[group])
        return 0;
    return group_first_paper[group] + index;
}

std::string paper_open_tag(int paper) {
    char tag[16];
    std::snprintf(tag, sizeof tag, "<paper%02d>", paper);
    return tag;
}

std::string paper_close_tag(int paper) {
    char tag[16];
    std::snprintf(tag, sizeof tag, "</paper%02d>", paper);
    return tag;
}

std::optional<std::string_view> findTagged(std::string_view text, std::string_view open,
                                           std::string_view close, std::size_t max_content) {
    // The text ends at its first NUL, as a C string would.
    if (auto nul = text.find('\0'); nul != std::string_view::npos)
        text = text.substr(0, nul);
    if (open.empty() || close.empty())
        return std::nullopt;

    // Only the first opening tag counts; no later one is tried.
    const std::size_t p = text.find(open);
    if (p == std::string_view::npos)
        return std::nullopt;
    const std::size_t q = p + open.size();
    const std::size_t r = text.find(close, q);
    if (r == std::string_view::npos)
        return std::nullopt;
    if (r - q > max_content)
        return std::nullopt;
    return text.substr(q, r - q);
}

std::int32_t parse_value(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && is_space(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    // Accumulate as a negative number, so INT_MIN itself fits, and stop at the ends.
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 - (text[i] - '0');
        if (value < std::int64_t{INT32_MIN})
            value = std::int64_t{INT32_MIN} - 1; // stays below the range, without overflow
    }
    if (negative)
        return value < INT32_MIN ? INT32_MIN : static_cast<std::int32_t>(value);
    if (-value > INT32_MAX)
        return INT32_MAX;
    return static_cast<std::int32_t>(-value);
}

std::size_t parse_paper_fields(std::string_view block, Paper_Settings& out) {
    std::size_t read = 0;
    for (const auto& field : raster_media::paper_settings) {
        const std::string open = "<" + std::string(field.tag) + ">";
        const std::string close = "</" + std::string(field.tag) + ">";
        auto content = findTagged(block, open, close, max_value_bytes);
        if (!content)
            return read;
        out.*field.member = parse_value(*content);
        ++read;
    }
    return read;
}

bool parsePaper(std::string_view block, Paper_Settings& out) {
    return parse_paper_fields(block, out) == raster_media::paper_settings.size();
}

std::string serializePaper(const Paper_Settings& settings) {
    std::string line;
    line.reserve(256);
    for (const auto& field : raster_media::paper_settings) {
        line += '<';
        line += field.tag;
        line += '>';
        line += std::to_string(settings.*field.member);
        line += "</";
        line += field.tag;
        line += '>';
    }
    return line;
}

std::string definitions_fault(std::string_view text) {
    // The same steps as the dialog's check, stopping at the first that fails.
    if (!findTagged(text, root_open, root_close))
        return "no <vorna> ... </vorna> pair";
    for (const auto& r : resolution_blocks) {
        const std::string block_name(r.open.substr(1, r.open.size() - 2));
        auto block = resolution_block(text, r);
        if (!block)
            return "block " + block_name + ": missing, unclosed or larger than " +
                   std::to_string(max_resolution_block_bytes) + " bytes";
        for (int paper = 1; paper <= paper_count; ++paper) {
            const std::string paper_name = block_name + ", " + paper_open_tag(paper);
            auto content = paper_block(*block, paper);
            if (!content)
                return "block " + paper_name + ": missing, unclosed or larger than " +
                       std::to_string(max_paper_block_bytes) + " bytes";
            Paper_Settings ignored;
            const std::size_t read = parse_paper_fields(*content, ignored);
            if (read < raster_media::paper_settings.size())
                return "block " + paper_name + ": element <" +
                       std::string(raster_media::paper_settings[read].tag) +
                       "> missing, unclosed or longer than " + std::to_string(max_value_bytes) +
                       " bytes";
        }
    }
    return {};
}

bool validateDefinitions(std::string_view text) {
    return definitions_fault(text).empty();
}

namespace {

bool file_exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 || errno != ENOENT;
}

// The canonical layout around the 36 records, in slot order.
template <class Record_Of> std::string compose(Record_Of record_of) {
    std::string text;
    text.reserve(9216);
    text += "<vorna>\n";
    int slot = 0;
    for (const auto& r : resolution_blocks) {
        text += "  ";
        text += r.open;
        text += '\n';
        for (int paper = 1; paper <= paper_count; ++paper, ++slot) {
            text += "    " + paper_open_tag(paper) + "\n";
            text += "      " + serializePaper(record_of(slot, paper)) + "\n";
            text += "    " + paper_close_tag(paper) + "\n";
        }
        text += "  ";
        text += r.close;
        text += '\n';
    }
    text += "</vorna>\n";
    return text;
}

const Paper_Settings& default_of_slot(int slot, int paper) {
    const auto& table = slot < paper_count ? default_papers_360 : default_papers_720;
    return table[static_cast<std::size_t>(paper - 1)];
}

} // namespace

std::string default_definitions_text() {
    return compose(default_of_slot);
}

bool writeDefinitionsFile(const std::string& path, std::string_view text) {
    if (path.empty())
        return false;
    try {
        plat::replace_file(path, text);
        return true;
    } catch (const plat::File_Error&) {
        return false;
    }
}

Read_Result read_definitions_file(const std::string& path, std::string& bytes) {
    bytes.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return Read_Result::unreadable;
    // One byte more than the limit tells a file that is too long.
    std::string buffer(max_file_bytes + 1, '\0');
    std::size_t have = 0;
    Read_Result result = Read_Result::ok;
    while (have < buffer.size()) {
        const ssize_t n = ::read(fd, buffer.data() + have, buffer.size() - have);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            result = Read_Result::unreadable;
            break;
        }
        if (n == 0)
            break;
        have += static_cast<std::size_t>(n);
    }
    ::close(fd);
    if (result == Read_Result::ok && have > max_file_bytes)
        result = Read_Result::too_large;
    if (result == Read_Result::ok) {
        buffer.resize(have);
        bytes = std::move(buffer);
    }
    return result;
}

std::string folder_of(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string name_of(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// ---------------------------------------------------------------------------
// The store

AdvancedDefinitions::AdvancedDefinitions() {
    // Until a file is read the slots hold the defaults, so a load never finds
    // an empty slot.
    splitIntoSlots(default_definitions_text());
}

std::optional<int> AdvancedDefinitions::slot_index(double resolution, int group,
                                                   std::int32_t index) {
    int base;
    if (resolution == 360.0)
        base = 0;
    else if (resolution == 720.0)
        base = paper_count;
    else
        return std::nullopt;
    const int paper = paper_number(group, index);
    if (paper == 0)
        return std::nullopt;
    return base + paper - 1;
}

bool AdvancedDefinitions::storePaper(double resolution, int group, std::int32_t index,
                                     const Paper_Settings& settings) {
    auto slot = slot_index(resolution, group, index);
    if (!slot)
        return false;
    m_slots[static_cast<std::size_t>(*slot)] = serializePaper(settings);
    return true;
}

bool AdvancedDefinitions::loadPaper(double resolution, int group, std::int32_t index,
                                    Paper_Settings& settings) const {
    auto slot = slot_index(resolution, group, index);
    if (!slot)
        return false;
    return parsePaper(m_slots[static_cast<std::size_t>(*slot)], settings);
}

void AdvancedDefinitions::splitIntoSlots(std::string_view text) {
    int slot = 0;
    for (const auto& r : resolution_blocks) {
        auto block = resolution_block(text, r);
        for (int paper = 1; paper <= paper_count; ++paper, ++slot) {
            auto content = block ? paper_block(*block, paper) : std::nullopt;
            m_slots[static_cast<std::size_t>(slot)] =
                content ? std::string(*content) : std::string();
        }
    }
}

std::string AdvancedDefinitions::composeDefinitions() const {
    return compose([this](int slot, int paper) {
        // A slot that does not parse whole keeps the paper's defaults for what
        // is missing rather than arbitrary values.
        Paper_Settings record = default_of_slot(slot, paper);
        parsePaper(m_slots[static_cast<std::size_t>(slot)], record);
        return record;
    });
}

void AdvancedDefinitions::set_driver_path(const std::string& driver_path) {
    m_folder = folder_of(driver_path);
    m_path = m_folder + definitions_file_name;
}

void AdvancedDefinitions::openOrCreateDefinitions(plat::Window owner,
                                                  const std::string& driver_path) {
    set_driver_path(driver_path);
    m_valid = false;

    std::string bytes;
    const Read_Result read = read_definitions_file(m_path, bytes);
    if (read == Read_Result::ok) {
        m_text = std::move(bytes);
        m_valid = validateDefinitions(m_text);
    }
    if (!m_valid) {
        // A file that is there but unusable is worth telling about; a missing
        // one is the normal first start.
        if (read != Read_Result::unreadable)
            plat::message_box(owner, std::string(ui_texts().definitions_incorrect),
                              std::string(ui_texts().error_caption),
                              plat::mb_ok | plat::mb_icon_error);
        m_text = default_definitions_text();
        // A file that is there but cannot be read is someone's records: work
        // from the defaults, but never put them in its place.
        if (read != Read_Result::unreadable || !file_exists(m_path))
            writeDefinitionsFile(m_path, m_text); // a failure leaves the store usable
    }
    splitIntoSlots(m_text);
}

bool AdvancedDefinitions::write_file() {
    m_text = composeDefinitions();
    return writeDefinitionsFile(m_path, m_text);
}

AdvancedDefinitions& definitions_store() {
    static AdvancedDefinitions store;
    return store;
}

} // namespace raster_ui
