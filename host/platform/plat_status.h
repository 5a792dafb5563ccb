// Status windows: small modeless windows built from a template, with labels
// and progress bars, that show how a long task goes on and take no input.
//
// Back ends: a recorder that keeps every window's title, labels and bars in
// memory (the default; tests read it), and a terminal back end that draws the
// current window on stderr as text when stderr is a terminal.
#pragma once

#include "plat_export.h"
#include "plat_ui.h"

#include <cstdint>
#include <cstdio>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace plat {

struct Status_Window_Tag;
using Status_Window = Status_Window_Tag*;
struct Progress_Bar_Tag;
using Progress_Bar = Progress_Bar_Tag*;

// A text control of a template; position and size in dialog units.
struct Status_Label {
    int id;
    std::string_view text;
    int x, y, width, height;
};

// A small picture as constant data: `rows` of `width` characters, each
// character a key of `colors`; a character without a colour is transparent.
struct Status_Bitmap_Color {
    char key;
    std::uint32_t color; // 0x00BBGGRR
};
struct Status_Bitmap {
    int width, height;
    std::span<const std::string_view> rows;
    std::span<const Status_Bitmap_Color> colors;
};

// A picture control of a template, showing bitmap resource `bitmap`; `image`
// (may be null) is its picture, scaled into the control keeping its shape.
struct Status_Picture {
    int bitmap;
    int x, y, width, height;
    const Status_Bitmap* image = nullptr;
};

// A window template, kept as constant data by its owner.
struct Status_Template {
    int id;
    std::string_view title;
    int width, height; // dialog units
    std::string_view font;
    int font_size;
    std::span<const Status_Label> labels;
    std::span<const Status_Picture> pictures;
};

// Messages a window procedure receives.
enum Status_Message : unsigned {
    status_init = 0x0110, // once, before create_window returns
    status_close = 0x0010,
};

// The owner's window procedure; `user` is the value given to create_window.
// Answers whether it handled the message.
using Status_Procedure = bool (*)(Status_Window window, unsigned message, void* user);

class PLAT_EXPORT Status_Services {
public:
    virtual ~Status_Services();

    // Creates and shows a window from the template; the procedure (may be
    // null) receives status_init before this returns. Null when the window
    // cannot be created.
    virtual Status_Window create_window(const Status_Template& tmpl, Window owner,
                                        Status_Procedure procedure, void* user) = 0;
    virtual void set_title(Status_Window window, std::string_view title) = 0;
    // Sets the text of the template's label `id`; unknown ids are ignored.
    virtual void set_label(Status_Window window, int id, std::string_view text) = 0;
    // A progress bar at a position and size in pixels: range 0 to 100, step 10,
    // position 0, until told otherwise. Null for a window that is not open.
    virtual Progress_Bar create_bar(Status_Window window, int x, int y, int width, int height) = 0;
    // Ranges are full 32-bit values: a long page keeps its exact row count.
    virtual void set_range(Progress_Bar bar, int low, int high) = 0;
    virtual void set_step(Progress_Bar bar, int step) = 0;
    // Positions are kept within the range.
    virtual void set_position(Progress_Bar bar, int position) = 0;
    // Advances by the step; stepping past the end stays at the end.
    virtual void step(Progress_Bar bar) = 0;
    // Closes the window with a result; its bars go with it. Calls with a
    // closed or unknown window or bar do nothing.
    virtual void end_window(Status_Window window, int result) = 0;
};

// The current back end; the recorder unless another was set.
PLAT_EXPORT Status_Services& status_services();
// Makes `services` current (null: the recorder again), returns the previous
// one. The caller keeps ownership and restores the previous back end before
// destroying its own.
PLAT_EXPORT Status_Services* set_status_services(Status_Services* services);
// The window a new window is owned by: the stand-in has no active window.
PLAT_EXPORT Window active_window();

// What a back end knows of one progress bar.
struct Status_Bar_State {
    int x = 0, y = 0, width = 0, height = 0;
    int low = 0, high = 100, step = 10, position = 0;
    int steps = 0; // number of step() calls
};

// What a back end knows of one window.
struct Status_Window_State {
    Status_Window handle = nullptr;
    // The template it was made from; only to be read while the window is open.
    const Status_Template* source = nullptr;
    int template_id = 0;
    Window owner = nullptr;
    std::string title;
    std::vector<std::pair<int, std::string>> labels; // id, text, in template order
    std::vector<Status_Bar_State> bars;              // in order of creation
    bool open = false;
    int result = 0;

    // The text of label `id`, empty when there is none.
    std::string label(int id) const;
};

// Keeps the state of every window. Back ends derive from it; `changed` is
// called after every change to an open window.
class PLAT_EXPORT Status_Model : public Status_Services {
public:
    ~Status_Model() override;
    Status_Window create_window(const Status_Template& tmpl, Window owner,
                                Status_Procedure procedure, void* user) override;
    void set_title(Status_Window window, std::string_view title) override;
    void set_label(Status_Window window, int id, std::string_view text) override;
    Progress_Bar create_bar(Status_Window window, int x, int y, int width, int height) override;
    void set_range(Progress_Bar bar, int low, int high) override;
    void set_step(Progress_Bar bar, int step) override;
    void set_position(Progress_Bar bar, int position) override;
    void step(Progress_Bar bar) override;
    void end_window(Status_Window window, int result) override;

    // Every window created so far, oldest first (closed ones too).
    std::vector<Status_Window_State> windows() const;
    // The newest window; an empty state when there is none.
    Status_Window_State last_window() const;
    // The newest window that is still open, or null.
    Status_Window current_window() const;
    void clear();

protected:
    // Called with the model's lock held.
    virtual void changed(const Status_Window_State& window, bool closing);

private:
    Status_Window_State* find(Status_Window window);
    Status_Bar_State* find(Progress_Bar bar);

    mutable std::recursive_mutex m_mutex;
    std::vector<Status_Window_State> m_windows;
    // Bar handle n - 1: window index and bar index.
    std::vector<std::pair<std::size_t, std::size_t>> m_bars;
};

// The default back end: shows nothing.
class PLAT_EXPORT Status_Recorder : public Status_Model {
public:
    ~Status_Recorder() override;
};
PLAT_EXPORT Status_Recorder& status_recorder();

// The lines a terminal shows for a window: the title, then one line per bar
// in the order of its position from the top, each named by the label at the
// same place in top-to-bottom order: "<label> [#####-----] 50%" with the
// label padded to the longest one and `bar_width` cells in the brackets.
PLAT_EXPORT std::vector<std::string> format_status(const Status_Window_State& window,
                                                   int bar_width = 30);

// Draws the newest open window on a stream, redrawing its lines in place when
// they change; draws nothing unless the stream is a terminal.
class PLAT_EXPORT Status_Terminal : public Status_Model {
public:
    // stream: stderr by default; is_terminal: whether to draw (by default,
    // whether the stream is a terminal).
    explicit Status_Terminal(std::FILE* stream = nullptr);
    Status_Terminal(std::FILE* stream, bool is_terminal);
    ~Status_Terminal() override;
    bool drawing() const { return m_terminal; }

protected:
    void changed(const Status_Window_State& window, bool closing) override;

private:
    std::FILE* m_stream;
    bool m_terminal;
    std::vector<std::string> m_shown;
};

} // namespace plat
