// The "Print Spool Status" window shown while a page is spooled and its
// copies are sent: a copies bar (only for more than one copy) and a page bar.
#pragma once

#include "plat_status.h"

namespace raster_device {

// Templates: a page without drawing, a plot to a file, a plot to the device.
inline constexpr int status_template_blank = 117;
inline constexpr int status_template_file = 116;
inline constexpr int status_template_device = 112;

inline constexpr int status_label_copies = 1041;
inline constexpr int status_label_page = 1042;

// The English template, and the one in the build's language.
const plat::Status_Template& english_status_template(int id);
const plat::Status_Template& status_template(int id);

class Spool_Status {
public:
    Spool_Status() = default;
    ~Spool_Status() { close(); }
    Spool_Status(const Spool_Status&) = delete;
    Spool_Status& operator=(const Spool_Status&) = delete;

    // Shows the window for `copies` copies of a page of `rows` rows, and
    // steps the copies bar once.
    void show(int template_id, int copies, int rows);
    bool is_open() const { return m_window != nullptr; }

    // One row (or block) done: the page bar steps, and the copies bar steps
    // each time another hundredth of all copies' rows is done.
    void advance();
    // The page bar starts again over `high` steps.
    void restart_page(int high);
    void close();

private:
    static bool procedure(plat::Status_Window window, unsigned message, void* user);

    plat::Status_Window m_window = nullptr;
    plat::Progress_Bar m_copies_bar = nullptr;
    plat::Progress_Bar m_page_bar = nullptr;
    int m_copies = 1;
    int m_rows = 0;
    int m_counter = 0;
};

} // namespace raster_device
