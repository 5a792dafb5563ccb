#include "raster_status.h"

#include "language.h"

#include <array>
#include <cstdio>
#include <string>
#include <vector>
#include <string_view>

namespace raster_device {
namespace {

constexpr char status_title[] = "Print Spool Status";
constexpr char status_font[] = "MS Sans Serif";

constexpr plat::Status_Label labels_112[] = {
    {status_label_copies, "Number of Copies", 10, 6, 60, 8},
    {status_label_page, "Current Page", 10, 36, 43, 8},
};
constexpr plat::Status_Label labels_116_117[] = {
    {status_label_copies, "Number of Copies", 10, 6, 56, 8},
    {status_label_page, "Current Page", 10, 36, 43, 8},
};
// The pictures: ink drops under the bars, and at the right what the page goes
// to: the printer, a file, or a blank sheet.
constexpr plat::Status_Bitmap_Color bitmap_colors[] = {
    {'k', 0x303030}, {'g', 0x606060}, {'G', 0xC8C8C8}, {'d', 0x808080}, {'w', 0xFFFFFF},
    {'c', 0xE0B000}, {'m', 0x9000D0}, {'y', 0x00D8F0}, {'b', 0xA05020},
};

// clang-format off
constexpr std::string_view ink_rows[] = {
    "....c.......m.......y.......k...",
    "...ccc.....mmm.....yyy.....kkk..",
    "..ccccc...mmmmm...yyyyy...kkkkk.",
    "..ccccc...mmmmm...yyyyy...kkkkk.",
    "...ccc.....mmm.....yyy.....kkk..",
};
constexpr std::string_view printer_rows[] = {
    "......kkkkkkkkkk......",
    "......kwwwwwwwwk......",
    "......kwbbbbbwwk......",
    "......kwwwwwwwwk......",
    "......kwbbbbwwwk......",
    "......kwwwwwwwwk......",
    "..kkkkkkkkkkkkkkkkkk..",
    ".kGGGGGGGGGGGGGGGGGGk.",
    ".kGGGGGGGGGGGGGcGmGyk.",
    ".kGGGGGGGGGGGGGGGGGGk.",
    ".kddddddddddddddddddk.",
    ".kGGGGGGGGGGGGGGGGGGk.",
    ".kGGGGGGGGGGGGGGGGGGk.",
    ".kGGGkkkkkkkkkkkkGGGk.",
    "..kkkkwwwwwwwwwwkkkk..",
    ".....kwbbbbbbbwwk.....",
    ".....kwwwwwwwwwwk.....",
    ".....kwbbbbbwwwwk.....",
    ".....kwwwwwwwwwwk.....",
    ".....kkkkkkkkkkkk.....",
};
constexpr std::string_view file_rows[] = {
    "kkkkkkkkkk....",
    "kwwwwwwwwkk...",
    "kwwwwwwwwkwk..",
    "kwbbbbbbwkkkk.",
    "kwwwwwwwwwwwk.",
    "kwbbbbbbbbbwk.",
    "kwwwwwwwwwwwk.",
    "kwbbbbbbbwwwk.",
    "kwwwwwwwwwwwk.",
    "kwbbbbbbbbbwk.",
    "kwwwwwwwwwwwk.",
    "kwbbbbbwwwwwk.",
    "kwwwwwwwwwwwk.",
    "kwwwwwwwwwwwk.",
    "kkkkkkkkkkkkk.",
};
constexpr std::string_view blank_rows[] = {
    "kkkkkkkkkk....",
    "kwwwwwwwwkk...",
    "kwwwwwwwwkwk..",
    "kwwwwwwwwkkkk.",
    "kwwwwwwwwwwwk.",
    "kwwwwwwwwwwwk.",
    "kwwwwwwwwwwwk.",
    "kwwwwwwwwwwwk.",
    "kwwwwwwwwwwwk.",
    "kwwwwwwwwwwwk.",
    "kwwwwwwwwwwwk.",
    "kwwwwwwwwwwwk.",
    "kwwwwwwwwwwwk.",
    "kwwwwwwwwwwwk.",
    "kkkkkkkkkkkkk.",
};
// clang-format on

constexpr plat::Status_Bitmap bitmap_138{32, 5, ink_rows, bitmap_colors};
constexpr plat::Status_Bitmap bitmap_143{22, 20, printer_rows, bitmap_colors};
constexpr plat::Status_Bitmap bitmap_140{14, 15, file_rows, bitmap_colors};
constexpr plat::Status_Bitmap bitmap_141{14, 15, blank_rows, bitmap_colors};

constexpr plat::Status_Picture pictures_112[] = {{138, 6, 70, 64, 16, &bitmap_138},
                                                 {143, 218, 13, 55, 62, &bitmap_143}};
constexpr plat::Status_Picture pictures_116[] = {{138, 6, 70, 64, 16, &bitmap_138},
                                                 {140, 230, 14, 42, 53, &bitmap_140}};
constexpr plat::Status_Picture pictures_117[] = {{138, 8, 70, 64, 16, &bitmap_138},
                                                 {141, 228, 14, 42, 53, &bitmap_141}};

constexpr plat::Status_Template templates[] = {
    {status_template_device, status_title, 287, 91, status_font, 9, labels_112, pictures_112},
    {status_template_file, status_title, 287, 91, status_font, 9, labels_116_117, pictures_116},
    {status_template_blank, status_title, 287, 91, status_font, 9, labels_116_117, pictures_117},
};

// Bars in pixels.
constexpr int bar_x = 15, bar_top = 25, bar_lower = 75, bar_width = 300, bar_height = 20;

} // namespace

const plat::Status_Template& english_status_template(int id) {
    for (const auto& t : templates)
        if (t.id == id)
            return t;
    return templates[0];
}

// A template in the build's language: the same geometry, translated texts.
// Kept until the language changes, since a window may hold it.
const plat::Status_Template& status_template(int id) {
    struct Translated {
        const raster_lang::Language* language = nullptr;
        std::vector<plat::Status_Label> labels;
        plat::Status_Template window{};
    };
    static std::array<Translated, std::size(templates)> cache;
    const plat::Status_Template& english = english_status_template(id);
    Translated& t = cache[static_cast<std::size_t>(&english - templates)];
    if (t.language != &raster_lang::current()) {
        t.language = &raster_lang::current();
        t.labels.assign(english.labels.begin(), english.labels.end());
        for (auto& label : t.labels)
            label.text = raster_lang::tr(label.text);
        t.window = english;
        t.window.title = raster_lang::tr(english.title);
        t.window.labels = t.labels;
    }
    return t.window;
}

bool Spool_Status::procedure(plat::Status_Window window, unsigned message, void* user) {
    auto* self = static_cast<Spool_Status*>(user);
    self->m_window = window;
    if (message != plat::status_init)
        return false;

    // The bars: copies on top when there is more than one copy.
    plat::Status_Services& ui = plat::status_services();
    int page_y = bar_top;
    if (self->m_copies > 1) {
        self->m_copies_bar = ui.create_bar(window, bar_x, bar_top, bar_width, bar_height);
        ui.set_range(self->m_copies_bar, 0, 100);
        ui.set_step(self->m_copies_bar, 1);
        page_y = bar_lower;
    }
    self->m_page_bar = ui.create_bar(window, bar_x, page_y, bar_width, bar_height);
    ui.set_range(self->m_page_bar, 0, self->m_rows);
    ui.set_step(self->m_page_bar, 1);
    return true;
}

void Spool_Status::show(int template_id, int copies, int rows) {
    close();
    m_copies = copies;
    m_rows = rows;
    m_counter = 0;
    plat::Status_Services& ui = plat::status_services();
    ui.create_window(status_template(template_id), plat::active_window(), procedure, this);
    if (!m_window)
        return;
    if (copies <= 1) {
        ui.set_label(m_window, status_label_copies, std::string(raster_lang::tr("Current Page")));
        ui.set_label(m_window, status_label_page, "");
    } else {
        char title[256];
        std::snprintf(title, sizeof title, raster_lang::tr("Print Spool Status (%d Copies)"),
                      copies);
        ui.set_title(m_window, title);
    }
    if (m_copies_bar)
        ui.step(m_copies_bar);
}

void Spool_Status::advance() {
    plat::Status_Services& ui = plat::status_services();
    if (m_page_bar)
        ui.step(m_page_bar);
    ++m_counter;
    if (static_cast<float>(m_counter) >=
        static_cast<float>(m_copies) * static_cast<float>(m_rows) * 0.01f) {
        m_counter = 0;
        if (m_copies > 1 && m_copies_bar)
            ui.step(m_copies_bar);
    }
}

void Spool_Status::restart_page(int high) {
    if (!m_page_bar)
        return;
    plat::Status_Services& ui = plat::status_services();
    ui.set_range(m_page_bar, 0, high);
    ui.set_step(m_page_bar, 1);
    ui.set_position(m_page_bar, 0);
}

void Spool_Status::close() {
    if (m_window)
        plat::status_services().end_window(m_window, 0);
    m_window = nullptr;
    m_copies_bar = nullptr;
    m_page_bar = nullptr;
}

} // namespace raster_device
