// The Qt 6 Widgets back end of the platform's UI services: message boxes,
// dialogs built from templates, file dialogs and help, in real windows.
// Nothing of Qt shows through this header, so programs and tests include it
// without Qt's headers.
#pragma once

#include "plat_dialog.h"
#include "plat_status.h"
#include "plat_ui.h"

#include <memory>
#include <string>

#define VQT_EXPORT __attribute__((visibility("default")))

namespace plat_qt {

// Whether a window system can be reached: QT_QPA_PLATFORM names a platform,
// or WAYLAND_DISPLAY or DISPLAY is set and, for a local display, its socket
// exists. When not, `why` (if given) says what is missing.
VQT_EXPORT bool display_available(std::string* why = nullptr);

class VQT_EXPORT Qt_Ui : public plat::Ui_Services {
public:
    Qt_Ui();
    ~Qt_Ui() override;
    int message_box(plat::Window owner, const std::string& text, const std::string& title,
                    unsigned flags) override;
    int run_dialog(const plat::Dialog_Template& tmpl, plat::Dialog_Handler& handler,
                   plat::Window parent) override;
    plat::Dialog* create_dialog(const plat::Dialog_Template& tmpl, plat::Dialog_Handler& handler,
                                plat::Window parent) override;
    void destroy_dialog(plat::Dialog* dialog) override;
    std::optional<std::string> file_dialog(plat::Window owner,
                                           const plat::File_Dialog_Request& request) override;
    bool show_help(const plat::Help_Request& request) override;

    struct Impl;

private:
    std::unique_ptr<Impl> m_impl;
};

// Makes the Qt back end current for its lifetime: creates the application
// object when the process has none, installs a Qt_Ui as UI services, and
// puts the previous services back when destroyed. Check display_available()
// first: without a window system Qt ends the process.
class VQT_EXPORT Qt_Session {
public:
    Qt_Session();
    ~Qt_Session();
    Qt_Session(const Qt_Session&) = delete;
    Qt_Session& operator=(const Qt_Session&) = delete;
    Qt_Ui& ui();
    // Status windows in real windows; made current by whoever wants them
    // (plat::set_status_services), and put back before the session ends.
    plat::Status_Services& status();

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

// ---- for tests ------------------------------------------------------------------------

// Pixels of a template's rectangle in dialog units, with the template's font.
struct Pixel_Rect {
    int x, y, width, height;
};
VQT_EXPORT Pixel_Rect dialog_units_to_pixels(const plat::Dialog_Template& tmpl, int x, int y,
                                             int cx, int cy);

} // namespace plat_qt

// For programs that load the back end at run time instead of linking it:
// vorna_qt_open answers a session (null when no window system can be
// reached, with the reason in `why` if given, up to `why_size` bytes);
// vorna_qt_close ends it.
extern "C" VQT_EXPORT void* vorna_qt_open(char* why, unsigned long why_size);
extern "C" VQT_EXPORT void vorna_qt_close(void* session);
// The session's status services (a plat::Status_Services*), or null.
extern "C" VQT_EXPORT void* vorna_qt_status(void* session);
