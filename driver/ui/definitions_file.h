// The advanced-definitions file `vornatv.px_`: the ten print settings of every
// paper at 360 and 720 dpi, so that switching paper brings back what was last
// chosen for it, and so that the settings can move between installations.
//
// The reader is deliberately loose (any order, any spacing, extra text, first
// copy wins) because people edit and merge these files by hand; the writer
// always produces one canonical layout. Everything read from a file is
// untrusted: the searches never leave the text and every block has a size
// limit, beyond which the file counts as invalid.
#pragma once

#include "paper_settings.h"
#include "plat_ui.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace raster_ui {

// The ten settings of one paper at one resolution; the table of their
// elements is raster_media::paper_settings.
using raster_media::Paper_Settings;

inline constexpr char definitions_file_name[] = "vornatv.px_";

// Papers 1 to 7 belong to the high-speed ink set (group 0), 8 to 18 to the
// photo ink set (group 1).
inline constexpr int paper_count = 18;
inline constexpr int group_size[2] = {7, 11};
inline constexpr int group_first_paper[2] = {1, 8};
inline constexpr int slot_count = 2 * paper_count;

// Largest texts the reader takes; a file beyond any of them is invalid. Files
// the driver writes stay far below (about 9 KB in all).
inline constexpr std::size_t max_file_bytes = 34899;
inline constexpr std::size_t max_resolution_block_bytes = 8191;
inline constexpr std::size_t max_paper_block_bytes = 1023;
inline constexpr std::size_t max_value_bytes = 99;

// The records a fresh file holds; "Reset To Defaults" restores them too. Row
// n - 1 is paper n. Both resolutions have their own table with equal contents.
extern const std::array<Paper_Settings, paper_count> default_papers_360;
extern const std::array<Paper_Settings, paper_count> default_papers_720;

// The default row for a paper of a group at a resolution (720 picks the 720
// table, anything else the 360 one). An index outside the group takes the
// group's first paper.
const Paper_Settings& default_paper(double resolution, int group, std::int32_t index);

// Paper number of (group, index), or 0 when there is no such paper.
int paper_number(int group, std::int32_t index);

// "<paper01>" ... "<paper18>" and the matching closing tags.
std::string paper_open_tag(int paper);
std::string paper_close_tag(int paper);

// The bytes between the first `open` in `text` and the first `close` after
// it. The text ends at its first NUL. Fails when either tag is missing, or
// when the content is longer than `max_content`.
std::optional<std::string_view> findTagged(std::string_view text, std::string_view open,
                                           std::string_view close,
                                           std::size_t max_content = std::string_view::npos);

// A value as the file holds it: leading whitespace, an optional sign, then
// digits up to the first non-digit; no digits read as 0. Values beyond the
// 32-bit range stop at its ends.
std::int32_t parse_value(std::string_view text);

// Reads the ten elements of a paper block into `out`, each searched from the
// start of the block. Stops at the first missing element and returns false;
// the fields before it are filled, the rest keep their values.
bool parsePaper(std::string_view block, Paper_Settings& out);

// How many of the ten elements, in file order, were read before the first
// missing one (10: all of them).
std::size_t parse_paper_fields(std::string_view block, Paper_Settings& out);

// The one-line form: "<gamma>1</gamma><bothway>1</bothway>...".
std::string serializePaper(const Paper_Settings& settings);

// Whether a text is a usable definitions file: root pair present, both
// resolution blocks present, and in each all 18 paper blocks with all ten
// elements.
bool validateDefinitions(std::string_view text);

// Why a text is not a usable definitions file, naming the block, the paper
// and the element of the first fault; empty when validateDefinitions accepts it.
std::string definitions_fault(std::string_view text);

// The file as the driver writes it, from the two default tables.
std::string default_definitions_text();

// Creates or replaces the file with exactly these bytes, whole or not at all:
// through a new file beside it where the folder allows, keeping the mode and
// writing through a link; in place where only the file is writable. A file
// that could not be opened for writing is left alone (false).
bool writeDefinitionsFile(const std::string& path, std::string_view text);

// What reading a definitions file gave.
enum class Read_Result { ok, unreadable, too_large };

// Reads a whole file, at most max_file_bytes of it; a longer file is
// `too_large` and its text is not kept.
Read_Result read_definitions_file(const std::string& path, std::string& bytes);

// The folder of a path with its trailing separator ("" for a bare name), and
// the name after it.
std::string folder_of(const std::string& path);
std::string name_of(const std::string& path);

// The process-wide store: 36 slots of paper-block text, one per resolution and
// paper, plus where the file lives and what it held when last read.
class AdvancedDefinitions {
public:
    AdvancedDefinitions();

    // Slot of (resolution, group, index): only 360 and 720 dpi and indexes
    // inside the group have one.
    static std::optional<int> slot_index(double resolution, int group, std::int32_t index);

    // Serialises `settings` into the slot; false (and nothing stored) when the
    // slot does not exist.
    bool storePaper(double resolution, int group, std::int32_t index,
                    const Paper_Settings& settings);
    // parsePaper of the slot; false with `settings` untouched when the slot does
    // not exist.
    bool loadPaper(double resolution, int group, std::int32_t index,
                   Paper_Settings& settings) const;

    // Fills every slot from a validated text (missing blocks leave empty slots).
    void splitIntoSlots(std::string_view text);
    // The canonical file text of all 36 slots.
    std::string composeDefinitions() const;

    // The file lives in the driver library's own folder.
    void set_driver_path(const std::string& driver_path);
    const std::string& folder() const { return m_folder; }
    const std::string& file_path() const { return m_path; }

    // The whole file as last read or written.
    const std::string& text() const { return m_text; }
    void set_text(std::string text) { m_text = std::move(text); }
    bool valid() const { return m_valid; }

    // Start of every Custom Properties dialog: read and validate the file,
    // write the defaults when it is missing or invalid (telling the user about
    // an invalid one, in a box owned by `owner`), and fill the slots.
    void openOrCreateDefinitions(plat::Window owner, const std::string& driver_path);

    // At OK: compose the canonical text from the slots and write it.
    bool write_file();

    const std::string& slot_text(int slot) const {
        return m_slots.at(static_cast<std::size_t>(slot));
    }

private:
    std::array<std::string, slot_count> m_slots;
    std::string m_folder;
    std::string m_path;
    std::string m_text;
    bool m_valid = false;
};

// The one store of the library.
AdvancedDefinitions& definitions_store();

} // namespace raster_ui
