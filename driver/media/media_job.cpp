// Media readers and job-start record builders.
#include "media_job.h"

#include <cmath>
#include <cstring>
#include <iterator>
#include <limits>
#include <string>
#include <type_traits>

namespace raster_media {
namespace {

// Clears a record byte for byte, padding included: the module sees every byte
// and nothing from the caller's storage may reach it.
template <class Record> void clear(Record& record) {
    static_assert(std::is_trivially_copyable_v<Record>);
    std::memset(&record, 0, sizeof record);
}

// Host media source names, by media source index.
constexpr std::string_view media_source_names[media_source_count] = {"P0", "P1", "P2", "P3"};

// What the printer calls each media source, by media source index.
constexpr std::int32_t source_codes[media_source_count] = {530, 256, 4, 7};

// Suction strength per suction step.
constexpr std::int32_t suction_values[] = {100, 50, 30, 10, 6};

// Sizes far beyond any sheet still leave room to add a margin without
// overflowing a 32-bit field.
constexpr double max_dots = 1 << 30;

// Millimetres to dots at `dots_per_mm`, truncated toward zero. The host's
// bounds are floats: a value no plotter could print is clamped rather than
// converted out of range.
std::int32_t mm_to_dots(float mm, double dots_per_mm) {
    double dots = static_cast<double>(mm) * dots_per_mm;
    if (std::isnan(dots))
        return 0;
    if (dots > max_dots)
        dots = max_dots;
    if (dots < -max_dots)
        dots = -max_dots;
    return static_cast<std::int32_t>(dots);
}

// Media handling word by source and roll finishing flag.
std::uint32_t media_handling(int source, bool finishing) {
    switch (source) {
    case media_source_roll:
        return finishing ? 0x80000020u : 0x80000000u;
    case media_source_roll_borderless:
        return finishing ? 0x80000421u : 0x80000401u;
    default:
        return 0x80000010u;
    }
}

// The settings' media type index for their ink set.
std::int32_t media_type_of(const Media_Device_Settings& settings) {
    const Ink_Set ink = ink_set_from_option(settings.cartrige_opt);
    return ink == Ink_Set::photo ? settings.paper_kind_7c : settings.paper_kind_4c;
}

// Paper and printable sizes in dots written at offsets 28 to 48.
struct Sheet {
    std::int32_t paper_width;
    std::int32_t paper_height;
    std::int32_t printable_width;
    std::int32_t printable_height;
};

Sheet sheet_of(const Media_Size_Record& record, const Media_Device_Settings& settings, int source,
               float width_mm, float height_mm) {
    const bool at_720 = settings.resolution == 720;
    if (std::strcmp(record.name, user_defined_name) != 0) {
        // The tables are in 360 dpi dots.
        const std::int32_t k = at_720 ? 2 : 1;
        return {record.width * k, record.height * k, record.printable_width * k,
                record.printable_height * k};
    }
    const double dots_per_mm = at_720 ? 720.0 / 25.4 : 360.0 / 25.4;
    const std::int32_t margin = at_720 ? 168 : 84;
    // The device rounds the printable area to whole dots where the bounds
    // alone would truncate: the page it prints is the size to announce.
    const bool page = settings.page_width > 0 && settings.page_rows > 0;
    const std::int32_t w = page ? settings.page_width : mm_to_dots(width_mm, dots_per_mm);
    const std::int32_t h = page ? settings.page_rows : mm_to_dots(height_mm, dots_per_mm);
    if (source == media_source_roll_borderless)
        return {w - margin, h, w, h};
    return {w + margin, h + margin, w, h};
}

// The process-wide module paths handed to the spool module.
std::string module4_path;
std::string module3_path;
std::string ink_module_path;
const char* ink_module_list[2] = {nullptr, nullptr};

} // namespace

// ---------------------------------------------------------------------------
// Media readers

void read_color_output_flag(Media_State& state, std::int32_t color_value) {
    state.color_output = (color_value == 4 || color_value == 256) ? 1 : 0;
}

void read_media_source(Media_State& state, std::string_view source_name) {
    state.media_source = media_source_roll;
    for (int source = 0; source < media_source_count; ++source) {
        if (source_name == media_source_names[source])
            state.media_source = source;
    }
}

void read_media_size(Media_State& state, const Media_Device_Settings& settings,
                     std::string_view size_name) {
    // Other printer variants do not use these tables.
    if (settings.device_id != 0)
        return;

    // The host's name may carry a suffix: a canonical name only has to begin it.
    const int source = valid_media_source(state.media_source);
    const int rows = static_cast<int>(media_size_table(source).size());
    for (int row = 0; row < rows; ++row) {
        const char* canonical = canonical_media_size_name(settings.language, source, row);
        if (size_name.starts_with(canonical))
            state.media_size = row;
    }
}

void read_copy_count(Media_State& state, std::int32_t copies) {
    state.copy_count = copies;
}

// ---------------------------------------------------------------------------
// Record builders

void fill_job_params(Media_State& state, const Media_Device_Settings& settings,
                     const Media_Bounds& bounds, std::int32_t finishing_option,
                     Spool_Job_Params& params) {
    clear(params);

    // The host's bounds include both edges.
    const float width_mm = bounds.x_max - bounds.x_min + 1.0f;
    const float height_mm = bounds.y_max - bounds.y_min + 1.0f;
    const bool finishing = finishing_option != 0;

    // The print mode row: block by ink set and colour output, row by media
    // type and resolution.
    const Ink_Set ink = ink_set_from_option(settings.cartrige_opt);
    state.print_mode_row = print_mode_row_index(ink, media_type_of(settings), settings.resolution);
    const auto& column =
        print_mode_row(print_mode_block(ink, state.color_output != 0), state.print_mode_row).column;

    params.record_kind = 6;
    params.mode_column_2 = column[2];
    params.mode_column_3 = column[3];
    params.mode_column_5 = column[5];
    params.mode_column_6 = column[6];
    params.mode_column_7 = column[7];
    params.mode_column_8 = column[8];

    // The sheet, for printer variant 0 only.
    if (settings.device_id == 0) {
        const int source = valid_media_source(state.media_source);
        const Media_Size_Record& record = media_size_record(source, state.media_size);
        const bool borderless = source == media_source_roll_borderless;
        if (settings.resolution == 360 || settings.resolution == 720) {
            const Sheet sheet = sheet_of(record, settings, source, width_mm, height_mm);
            const std::int32_t margin = settings.resolution == 720 ? 84 : 42;
            params.paper_width = sheet.paper_width;
            params.paper_height = sheet.paper_height;
            params.printable_width = sheet.printable_width;
            params.printable_height = sheet.printable_height;
            params.printable_width_2 = sheet.printable_width;
            params.printable_height_2 = sheet.printable_height;
            params.fixed_52 = 0;
            params.sheet_margin = borderless ? 0 : margin;
            params.margin_free_margin = borderless ? margin : 0;
        }
        params.media_handling = media_handling(source, finishing);
        params.source_code = source_codes[source];
        params.size_code = record.size_code;
    }

    // The rest comes from the row and constants.
    params.media_code = column[0];
    params.mode_column_10 = column[10];
    params.fixed_68 = 1;
    params.pass_mode = column[9] | (settings.paper.two_way != 0 ? 4 : 0);
    params.fixed_80 = 0;
    params.fixed_92 = 0xFFFF;
    params.fixed_96 = 0;
    params.color_mode = column[4];
    params.margin_free = nullptr;
    params.fixed_112 = 0;
    params.fixed_124 = 0;
    params.fixed_128 = 0;
}

void fill_print_mode(const Media_Device_Settings& settings, Spool_Print_Mode& mode) {
    clear(mode);
    const Paper_Settings& paper = settings.paper;

    // The 16-bit fields take the low half of the settings.
    mode.record_kind = 2;
    mode.print_mode_id = 959;
    mode.ink_density_factor = ink_density_factor(paper.density);
    mode.feed_offset = static_cast<std::uint16_t>(paper.feed_offset);
    mode.drying_time = static_cast<std::uint16_t>(paper.drying_time);
    mode.paper_thickness = static_cast<std::uint16_t>(paper.thickness);
    mode.suction = static_cast<std::uint16_t>(suction_value(paper.suction));
    mode.cut_method = named_value(Named_List::cut_method, paper.cutting);
    mode.platen_gap =
        static_cast<std::uint16_t>(named_value(Named_List::platen_gap, paper.platen_gap));
    mode.eject_roller =
        static_cast<std::uint16_t>(named_value(Named_List::eject_roller, paper.eject_roller));
    mode.fixed_30 = 0;
}

void fill_media(const Media_State& state, const Media_Device_Settings& settings,
                Spool_Media& media) {
    clear(media);
    const Ink_Set ink = ink_set_from_option(settings.cartrige_opt);
    const Print_Mode_Row& row = print_mode_row(print_mode_block(ink, true), state.print_mode_row);
    media.record_kind = 1;
    media.mode_columns = &row.column[1];
    media.fixed_8 = 1;
}

void fill_modules(const Media_Device_Settings& settings, Spool_Output_Fn output,
                  Spool_Modules& modules) {
    clear(modules);

    // Each path is the module folder followed directly by the file name.
    const bool photo = ink_set_from_option(settings.cartrige_opt) == Ink_Set::photo;
    module4_path.assign(settings.module_directory).append("V_MOD4.DLL");
    module3_path.assign(settings.module_directory).append("V_MOD3.DLL");
    ink_module_path.assign(settings.module_directory).append(photo ? "V_MOD2.DLL" : "V_MOD1.DLL");
    ink_module_list[0] = ink_module_path.c_str();
    ink_module_list[1] = nullptr;

    modules.path_mod4 = module4_path.c_str();
    modules.path_mod3 = module3_path.c_str();
    modules.module_list = ink_module_list;
    modules.fixed_12 = 1;
    modules.output = output;
    modules.fixed_20 = 0;
}

void fill_page_params(const Media_State& state, const Media_Device_Settings& settings,
                      Spool_Page_Params& page) {
    clear(page);
    page.record_kind = 1;

    // Colour output sends the colour correction; grey output the grey block's
    // column 11.
    if (state.color_output != 0) {
        page.color_mode = static_cast<std::uint32_t>(
            named_value(Named_List::color_correction, settings.color_correct_mode));
    } else {
        const Ink_Set ink = ink_set_from_option(settings.cartrige_opt);
        page.color_mode = static_cast<std::uint32_t>(
            print_mode_row(print_mode_block(ink, false), state.print_mode_row).column[11]);
    }
    page.fixed_12 = 1;
    page.gamma = static_cast<std::uint32_t>(named_value(Named_List::gamma, settings.paper.gamma));
}

void fill_margin_free(Spool_Margin_Free& record) {
    clear(record);
    record.record_kind = 1;
    record.fixed_2 = 2;
    record.fixed_4 = 0;
    record.fixed_8 = 0;
}

// ---------------------------------------------------------------------------
// Pieces

std::int32_t ink_density_factor(std::int32_t density) {
    // Only a damaged configuration reaches the clamps; they keep the
    // conversion defined.
    double factor = (density * 0.01 + 1.0) * 1024.0;
    constexpr double lowest = std::numeric_limits<std::int32_t>::min();
    constexpr double highest = std::numeric_limits<std::int32_t>::max();
    if (factor < lowest)
        factor = lowest;
    if (factor > highest)
        factor = highest;
    return static_cast<std::int32_t>(factor);
}

std::int32_t suction_value(std::int32_t suction_index) {
    if (suction_index < 0 || suction_index >= static_cast<std::int32_t>(std::size(suction_values)))
        suction_index = 0;
    return suction_values[suction_index];
}

} // namespace raster_media
