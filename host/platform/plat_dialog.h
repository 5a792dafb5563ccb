// Dialogs: a template (controls with ids, kinds, texts and rectangles in
// dialog units) kept as constant data by its owner, plus the owner's handler.
// The framework creates the controls from the template, keeps their state and
// delivers what a person does to the handler as notifications.
//
// Back ends: the headless one (the default, plat_dialog_headless.h) keeps
// every dialog in memory and runs a modal dialog by calling a script that a
// test queued, so tests act as the person would and read the controls
// afterwards; the Qt one (host/qt) shows real windows. Both share `Dialog_Model`, which holds the
// state of every control; a back end only mirrors it and turns clicks into calls of the model's
// "person" functions.
//
// Notifications come from the person only: a handler's own changes to its
// controls (setting a text, selecting an item, moving a slider) never notify,
// so a handler that corrects what was typed does not call itself again.
//
// Also here: common file dialogs, the host's help function and the small
// drawing context that owner-drawn items are painted with.
#pragma once

#include "plat_export.h"
#include "plat_ui.h"

#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace plat {

// ---- templates ---------------------------------------------------------------------

// Id of controls nobody refers to (labels, group boxes); may repeat.
inline constexpr int id_static = -1;

enum class Control_Kind {
    push_button,
    check_box,
    radio_button,
    group_box,
    label, // static text
    edit,
    combo_box,
    slider, // trackbar
    progress_bar,
    bitmap, // static picture
};

// Style flags of a control; those that do not apply to its kind are ignored.
enum Control_Style : unsigned {
    style_none = 0,
    style_tab_stop = 1u << 0,
    style_group = 1u << 1,     // starts a group: radio buttons up to the next group belong together
    style_disabled = 1u << 2,  // created disabled
    style_hidden = 1u << 3,    // created hidden
    style_default = 1u << 4,   // the default push button: what Enter presses
    style_auto = 1u << 5,      // check box or radio button changes its own state when clicked
    style_drop_list = 1u << 6, // combo box: a list only, nothing to type into
    style_owner_draw = 1u << 7, // combo box: the handler draws every item (fixed height)
    style_sort = 1u << 8,       // combo box: items are kept sorted by text
    style_ticks = 1u << 9,      // slider: shows tick marks
    style_vertical = 1u << 10,  // slider: vertical
    style_number = 1u << 11,    // edit: only digits can be typed
    style_right = 1u << 12,     // text aligned right
    style_center = 1u << 13,    // text centred
    style_read_only = 1u << 14, // edit: shows text, takes no typing
    style_notify = 1u << 15,    // bitmap: clicks and (with a tab stop) arrow keys notify
};

// One control of a template. For a combo box, cy is the height of the
// dropped list; the closed box is one line high. For a bitmap, `text` names
// the picture (see Dialog::set_image).
struct Dialog_Control {
    int id;
    Control_Kind kind;
    std::string_view text;
    int x, y, cx, cy; // dialog units
    unsigned style = style_none;
};

struct Dialog_Template {
    int id;
    std::string_view caption;
    std::string_view font; // face name; a back end may substitute a similar face
    int font_size;         // points
    int cx, cy;            // dialog units
    std::span<const Dialog_Control> controls;
};

// ---- notifications and drawing ---------------------------------------------------------

enum class Notify {
    clicked,           // button, check box, radio button
    double_clicked,    // button
    selection_changed, // combo box: the person moved the selection
    drop_down,         // combo box: list about to open
    close_up,          // combo box: list closed (the selection is already made)
    edit_change,       // edit or combo box text changed, after it is shown
    edit_update,       // edit text changed, before it is shown
    set_focus,
    kill_focus,
    slider_released, // slider let go of the mouse (or moved by keyboard)
    custom_draw,     // slider redrawn while its position changes under the person's hand
    // Arrow keys on a bitmap that has the focus (style_notify).
    key_left,
    key_right,
    key_up,
    key_down,
};

// Colour values as the driver stores them: red in the low byte (0x00BBGGRR).
using Color_Ref = std::uint32_t;
constexpr Color_Ref rgb(unsigned r, unsigned g, unsigned b) {
    return (r & 0xFF) | (g & 0xFF) << 8 | (b & 0xFF) << 16;
}

struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool operator==(const Rect&) const = default;
};

enum class System_Color {
    window, // background of lists and edits
    window_text,
    gray_text,   // text of a disabled item
    button_face, // background of a disabled item
    highlight,   // background of the selected item
    highlight_text,
};

// State bits of an owner-drawn item.
enum Owner_Draw_State : unsigned {
    ods_selected = 0x0001,
    ods_disabled = 0x0004,
    ods_focus = 0x0010,
    ods_combo_edit = 0x1000, // the closed box's own field, not the dropped list
};

// What to draw with; coordinates in pixels of the control.
class PLAT_EXPORT Draw_Context {
public:
    virtual ~Draw_Context();
    virtual void fill_rect(const Rect& rect, Color_Ref color) = 0;
    // A one-pixel frame just inside `rect`.
    virtual void frame_rect(const Rect& rect, Color_Ref color) = 0;
    // Fills `clip` with `background`, then draws `text` with its top-left
    // corner at (x, y), cut off at the edges of `clip`.
    virtual void draw_text(const Rect& clip, int x, int y, std::string_view text,
                           Color_Ref text_color, Color_Ref background) = 0;
    virtual int text_height() const = 0;
    virtual int text_width(std::string_view text) const = 0;
    virtual void draw_focus_rect(const Rect& rect) = 0;
    virtual Color_Ref system_color(System_Color which) const = 0;
};

// The fixed system colours of the headless back end (light theme).
PLAT_EXPORT Color_Ref default_system_color(System_Color which);

// One item of an owner-drawn combo box to be painted.
struct Owner_Draw_Item {
    int control_id;
    int item;                // -1: the box is empty (only the focus may be drawn)
    std::intptr_t item_data; // the item's data
    std::string text;        // the item's text
    Rect rect;               // pixels
    unsigned state;          // Owner_Draw_State bits
};

// What a person asked help for.
struct Help_Info {
    int control_id; // control that had the focus, or 0 for the dialog itself
    Window window;  // that control's window (the dialog's for 0)
    int context_id; // help context of that control (Dialog::set_help_context), else 0
};

// Pixels of a picture, rows top-down, each pixel a Color_Ref.
struct Dialog_Image {
    int width = 0;
    int height = 0;
    std::vector<Color_Ref> pixels;
};

// ---- the dialog and its handler ----------------------------------------------------

class Dialog;

// The owner's side of a dialog; every function has a do-nothing default.
class PLAT_EXPORT Dialog_Handler {
public:
    virtual ~Dialog_Handler();
    // Once, after the controls exist and before the dialog is shown.
    virtual void on_init(Dialog& dialog);
    // A notification from control `id` (never OK or Cancel, see below).
    virtual void on_command(Dialog& dialog, int id, Notify code);
    // Paint one item of an owner-drawn combo box.
    virtual void on_owner_draw(Dialog& dialog, const Owner_Draw_Item& item, Draw_Context& dc);
    virtual void on_timer(Dialog& dialog, int timer);
    // The help key or a context-help request; answer whether it was handled.
    virtual bool on_help(Dialog& dialog, const Help_Info& info);
    // The OK button (id_ok) or Enter: answer true to close with id_ok.
    virtual bool on_ok(Dialog& dialog);
    // The Cancel button (id_cancel), Escape or the window's close box: answer
    // true to close with id_cancel.
    virtual bool on_cancel(Dialog& dialog);
    // The dialog is going away (after it ended, or when a modeless one is
    // destroyed); the controls can still be read.
    virtual void on_destroy(Dialog& dialog);
};

// Check states.
inline constexpr int unchecked = 0;
inline constexpr int checked = 1;
inline constexpr int indeterminate = 2;

// The answer of combo-box calls that fail (unknown control, index out of range).
inline constexpr int cb_err = -1;

// What the owner talks to. Calls naming an unknown control, or a control of
// another kind, change nothing and answer empty, 0 or cb_err.
class PLAT_EXPORT Dialog {
public:
    virtual ~Dialog();

    virtual const Dialog_Template& dialog_template() const = 0;
    virtual Window window() const = 0;
    // Window of control `id`; null for an unknown id.
    virtual Window control_window(int id) const = 0;
    virtual Window parent() const = 0;
    virtual bool has_control(int id) const = 0;
    virtual Dialog_Handler& handler() const = 0;

    // Texts: caption, buttons, labels, edits. A drop list answers its selected
    // item's text, and setting its text selects the item of that text.
    virtual void set_caption(std::string_view text) = 0;
    virtual std::string caption() const = 0;
    virtual void set_text(int id, std::string_view text) = 0;
    virtual std::string text(int id) const = 0;
    // Edits: at most `max_chars` characters can be typed (0: no limit). A
    // longer text set by the owner is kept as it is.
    virtual void set_text_limit(int id, int max_chars) = 0;
    // Edits: selects characters start to end (-1: the end of the text);
    // start == end puts the caret there.
    virtual void set_edit_selection(int id, int start, int end) = 0;
    virtual std::pair<int, int> edit_selection(int id) const = 0;

    // Check boxes and radio buttons.
    virtual void set_check(int id, int state) = 0;
    virtual int check(int id) const = 0;
    // Checks `id` and clears every other radio button from `first` to `last`
    // (ids, inclusive).
    virtual void check_radio(int first, int last, int id) = 0;

    // Combo boxes. Adding to a sorted box inserts in text order. Indices are
    // zero-based; the answers are those of the classic list calls.
    virtual int combo_add(int id, std::string_view text) = 0;               // index of the new item
    virtual int combo_insert(int id, int index, std::string_view text) = 0; // -1: at the end
    virtual int combo_delete(int id, int index) = 0;                        // items left, or cb_err
    virtual void combo_reset(int id) = 0;
    // Selects item `index`; -1 (or an index out of range) clears the selection
    // and answers cb_err.
    virtual int combo_select(int id, int index) = 0;
    virtual int combo_selection(int id) const = 0; // cb_err: none
    virtual int combo_count(int id) const = 0;     // cb_err: not a combo box
    virtual std::string combo_text(int id, int index) const = 0;
    virtual int combo_set_data(int id, int index, std::intptr_t data) = 0; // cb_err on failure
    virtual std::intptr_t combo_data(int id, int index) const = 0;         // cb_err on failure
    // First item from `start` + 1 onwards (wrapping round; -1: from the top)
    // whose text equals `text` (exact) or begins with it, ignoring case.
    virtual int combo_find(int id, int start, std::string_view text, bool exact) const = 0;
    virtual bool combo_dropped(int id) const = 0;

    // Sliders. The position is kept within the range.
    virtual void slider_set_range(int id, int min, int max) = 0;
    virtual std::pair<int, int> slider_range(int id) const = 0;
    virtual void slider_set_position(int id, int position) = 0;
    virtual int slider_position(int id) const = 0;
    virtual void slider_set_tick_frequency(int id, int frequency) = 0;
    virtual void slider_set_page_size(int id, int page) = 0;

    // Progress bars: range 0 to 100, step 10 until told otherwise.
    virtual void progress_set_range(int id, int low, int high) = 0;
    virtual void progress_set_position(int id, int position) = 0;
    virtual void progress_set_step(int id, int step) = 0;
    virtual void progress_step(int id) = 0; // stepping past the end stays at the end
    virtual int progress_position(int id) const = 0;

    // Bitmaps.
    virtual void set_image(int id, const Dialog_Image& image) = 0;
    // Where the last click on bitmap `id` landed, in pixels of its image
    // (the picture may be shown larger or smaller); {-1, -1} before any.
    virtual std::pair<int, int> click_point(int id) const = 0;

    // Any control.
    virtual void enable(int id, bool enabled) = 0;
    virtual bool is_enabled(int id) const = 0;
    virtual void show(int id, bool visible) = 0;
    virtual bool is_visible(int id) const = 0;
    virtual void set_focus(int id) = 0;
    virtual int focus() const = 0; // 0: none
    virtual void set_help_context(int id, int context) = 0;
    // Owner-drawn items are painted again.
    virtual void redraw(int id) = 0;

    // Timers: on_timer(timer) every `milliseconds` until killed.
    virtual void set_timer(int timer, int milliseconds) = 0;
    virtual void kill_timer(int timer) = 0;

    // Ends the dialog with `result` once the current notification returns. A
    // modeless dialog is hidden and stays until destroyed.
    virtual void end(int result) = 0;
    virtual bool ended() const = 0;
    virtual int result() const = 0;
    virtual bool modal() const = 0;
};

// The dialog whose window (or one of whose controls' windows) is `window`;
// null when no live dialog has it.
PLAT_EXPORT Dialog* find_dialog(Window window);

// ---- running dialogs -----------------------------------------------------------------

// Runs a modal dialog; `parent` is usually the calling dialog's window().
// Answers the result it ended with, or -1 when it could not be created (a
// template with a repeated id, a control without size or outside the dialog).
// An exception thrown by the handler ends the dialog with id_cancel and is
// thrown again from here once the dialog is gone.
PLAT_EXPORT int run_dialog(const Dialog_Template& tmpl, Dialog_Handler& handler, Window parent);
// Creates a modeless dialog that stays until destroy_dialog; null when it
// cannot be created. The handler must outlive it.
PLAT_EXPORT Dialog* create_dialog(const Dialog_Template& tmpl, Dialog_Handler& handler,
                                  Window parent);
PLAT_EXPORT void destroy_dialog(Dialog* dialog);

// Whether a template can be made into a dialog; an empty answer when it can,
// else what is wrong with it.
PLAT_EXPORT std::string check_template(const Dialog_Template& tmpl);

// Number of entries of the display's system palette; 0 when the display is
// not palette-based (as every display here is).
PLAT_EXPORT int system_palette_size();

// A memory drawing context compatible with a window; handed to outside
// dialog libraries that expect one. Only the window it belongs to can be
// read back.
struct Device_Context_Tag;
using Device_Context = Device_Context_Tag*;
PLAT_EXPORT Device_Context create_compatible_context(Window window);
PLAT_EXPORT Window context_window(Device_Context dc); // null for an unknown context
PLAT_EXPORT void delete_context(Device_Context dc);

// ---- file dialogs and help -------------------------------------------------------------

enum File_Dialog_Option : unsigned {
    ofn_file_must_exist = 0x1000,
    ofn_path_must_exist = 0x0800,
    ofn_overwrite_prompt = 0x0002,
    ofn_hide_read_only = 0x0004,
};

struct File_Filter {
    std::string label;   // what the person reads
    std::string pattern; // "*.ext" or a file name; several separated by ';'
};

struct File_Dialog_Request {
    bool save = false; // false: open
    std::string title;
    std::string initial_dir;
    std::string initial_name;
    std::string default_ext; // added to a typed name without extension
    std::vector<File_Filter> filters;
    unsigned options = 0; // File_Dialog_Option bits
};

// `path` with "." and `ext` added when its file name has no extension.
PLAT_EXPORT std::string with_default_extension(std::string path, std::string_view ext);

// Shows a common file dialog; answers the full path chosen, or nothing when
// the person cancelled.
PLAT_EXPORT std::optional<std::string> file_dialog(Window owner,
                                                   const File_Dialog_Request& request);

// Help commands.
inline constexpr unsigned help_topic = 0;         // `topic` is a topic text
inline constexpr unsigned help_context_popup = 8; // `topic` is a context id, in decimal

struct Help_Request {
    Window window;
    std::string file;
    std::string topic;
    unsigned command;
};

// ---- back ends -------------------------------------------------------------------------

// The person at a headless modal dialog: acts on the live dialog, as a test
// tells it to.
class Dialog_Model;
using Dialog_Script = std::function<void(Dialog_Model& dialog)>;

// A control's state as the model keeps it.
struct Combo_Item {
    std::string text;
    std::intptr_t data = 0;
};

struct Control_State {
    int id = id_static;
    Control_Kind kind = Control_Kind::label;
    unsigned style = style_none;
    Rect rect; // dialog units, as in the template
    std::string template_text;
    std::string text;
    bool enabled = true;
    bool visible = true;
    int check = unchecked;
    int text_limit = 0;
    int selection_start = 0, selection_end = 0;
    std::vector<Combo_Item> items;
    int selection = cb_err;
    bool dropped = false;
    int minimum = 0, maximum = 100, position = 0; // slider 0..100, progress 0..100
    int tick_frequency = 1, page_size = 1;
    int step = 10; // progress bar
    int help_context = 0;
    Dialog_Image image;
    int click_x = -1, click_y = -1; // bitmap: last click, image pixels
};

// What changed, for a back end's `changed` hook.
enum Change : unsigned {
    change_text = 1u << 0,
    change_check = 1u << 1,
    change_items = 1u << 2,     // items added, removed or their data changed
    change_selection = 1u << 3, // combo selection or edit selection
    change_range = 1u << 4,     // slider or progress range, ticks, page, step
    change_position = 1u << 5,
    change_enabled = 1u << 6,
    change_visible = 1u << 7,
    change_image = 1u << 8,
    change_redraw = 1u << 9,
    change_limit = 1u << 10,
};

// Every dialog's state in memory, and the person's actions on it. Back ends
// derive from it.
class PLAT_EXPORT Dialog_Model : public Dialog {
public:
    // The template must be valid (see check_template) and outlive the model.
    Dialog_Model(const Dialog_Template& tmpl, Dialog_Handler& handler, Window parent, bool modal);
    ~Dialog_Model() override;
    Dialog_Model(const Dialog_Model&) = delete;
    Dialog_Model& operator=(const Dialog_Model&) = delete;

    // -- Dialog
    const Dialog_Template& dialog_template() const override { return m_template; }
    Window window() const override;
    Window control_window(int id) const override;
    Window parent() const override { return m_parent; }
    bool has_control(int id) const override;
    Dialog_Handler& handler() const override { return m_handler; }
    void set_caption(std::string_view text) override;
    std::string caption() const override { return m_caption; }
    void set_text(int id, std::string_view text) override;
    std::string text(int id) const override;
    void set_text_limit(int id, int max_chars) override;
    void set_edit_selection(int id, int start, int end) override;
    std::pair<int, int> edit_selection(int id) const override;
    void set_check(int id, int state) override;
    int check(int id) const override;
    void check_radio(int first, int last, int id) override;
    int combo_add(int id, std::string_view text) override;
    int combo_insert(int id, int index, std::string_view text) override;
    int combo_delete(int id, int index) override;
    void combo_reset(int id) override;
    int combo_select(int id, int index) override;
    int combo_selection(int id) const override;
    int combo_count(int id) const override;
    std::string combo_text(int id, int index) const override;
    int combo_set_data(int id, int index, std::intptr_t data) override;
    std::intptr_t combo_data(int id, int index) const override;
    int combo_find(int id, int start, std::string_view text, bool exact) const override;
    bool combo_dropped(int id) const override;
    void slider_set_range(int id, int min, int max) override;
    std::pair<int, int> slider_range(int id) const override;
    void slider_set_position(int id, int position) override;
    int slider_position(int id) const override;
    void slider_set_tick_frequency(int id, int frequency) override;
    void slider_set_page_size(int id, int page) override;
    void progress_set_range(int id, int low, int high) override;
    void progress_set_position(int id, int position) override;
    void progress_set_step(int id, int step) override;
    void progress_step(int id) override;
    int progress_position(int id) const override;
    void set_image(int id, const Dialog_Image& image) override;
    std::pair<int, int> click_point(int id) const override;
    void enable(int id, bool enabled) override;
    bool is_enabled(int id) const override;
    void show(int id, bool visible) override;
    bool is_visible(int id) const override;
    void set_focus(int id) override;
    int focus() const override { return m_focus; }
    void set_help_context(int id, int context) override;
    void redraw(int id) override;
    void set_timer(int timer, int milliseconds) override;
    void kill_timer(int timer) override;
    void end(int result) override;
    bool ended() const override { return m_ended; }
    int result() const override { return m_result; }
    bool modal() const override { return m_modal; }

    // -- state, for tests and back ends
    const Control_State* control(int id) const;
    const std::vector<Control_State>& controls() const { return m_controls; }
    // Timers running: id and interval.
    std::vector<std::pair<int, int>> timers() const { return m_timers; }

    // -- the person's actions. Each changes the control as the person would,
    // then notifies the handler. Actions on an unknown, disabled or hidden
    // control, or on an ended dialog, do nothing and answer false.

    // Calls on_init; the back end does this once, before showing the dialog.
    void initialise();
    // Buttons, check boxes, radio buttons. id_ok and id_cancel go to on_ok and
    // on_cancel (and end the dialog when they agree). An auto check box
    // toggles, an auto radio button checks itself and clears its group.
    bool click(int id);
    // Combo box: opens the list (drop_down notification).
    bool drop_down(int id);
    // Combo box: moves the selection to `index`, as with the arrow keys or the
    // mouse in the open list: selection_changed when it differs, and always
    // while the list is open (picking the selected item again is a choice).
    bool choose(int id, int index);
    // Combo box: closes the list (close_up notification).
    bool close_up(int id);
    // drop_down, choose, close_up: what a click into the list does.
    bool pick(int id, int index);
    // Edit: its whole text becomes `text`, as after a keystroke, cut to the
    // typing limit (digits only for a number edit); edit_update, then
    // edit_change. The caret goes to the end.
    bool type_text(int id, std::string_view text);
    // Slider: dragged to `position` (custom_draw), or let go (slider_released).
    bool drag_slider(int id, int position);
    bool release_slider(int id);
    // Slider moved by keyboard: custom_draw, then slider_released.
    bool key_slider(int id, int position);
    // Bitmap with style_notify: a click at (x, y) in pixels of its image
    // (clicked), or an arrow key while it has the focus (key_left ...).
    bool click_picture(int id, int x, int y);
    bool press_arrow(int id, Notify key);
    bool focus_control(int id); // set_focus / kill_focus notifications
    // Enter and Escape: on_ok or on_cancel, even without such a button in
    // the template; refused while that button is disabled or hidden.
    bool press_ok();
    bool press_cancel();
    // The help key over control `id` (0: the dialog); answers on_help's answer.
    bool ask_help(int id);
    bool fire_timer(int timer);
    // Paints item `item` of owner-drawn combo box `id` into `dc` through the
    // handler; `rect` in pixels. False when the box is not owner-drawn.
    bool paint_item(int id, int item, const Rect& rect, unsigned state, Draw_Context& dc);
    // Ends the dialog as the framework must when nobody else does (the
    // script returned, the window went away): on_cancel first, and id_cancel
    // even when it refuses.
    void force_end();
    // Calls on_destroy once.
    void destroy();
    // Forgets the handler without calling it again (its owner is gone).
    void abandon();
    // The exception a handler threw, if any; the dialog ended with
    // id_cancel when it happened. run_dialog throws it again to its caller.
    std::exception_ptr failure() const { return m_failure; }

protected:
    // Back ends mirror the model here; called after every change to a control,
    // to the caption, to the timers, and when the dialog ends.
    virtual void changed(const Control_State& control, unsigned what);
    virtual void caption_changed();
    virtual void focus_changed(int id);
    virtual void timers_changed();
    virtual void ending(int result);

    Control_State* find(int id);
    const Control_State* find(int id) const;
    // Notifies the handler; exceptions do not cross the back end's event loop.
    void notify(int id, Notify code);
    // Runs a call into the handler; an exception it throws is kept (see
    // failure()) and ends the dialog. Answers whether the call returned.
    bool guarded(const std::function<void()>& call);

private:
    Control_State* find_kind(int id, Control_Kind kind);
    const Control_State* find_kind(int id, Control_Kind kind) const;
    bool can_act(int id) const;
    void set_selection(Control_State& c, int index);

    const Dialog_Template& m_template;
    Dialog_Handler& m_handler;
    Window m_parent;
    bool m_modal;
    std::string m_caption;
    std::vector<Control_State> m_controls;
    std::vector<std::pair<int, int>> m_timers;
    int m_focus = 0;
    bool m_ended = false;
    int m_result = 0;
    bool m_initialised = false;
    bool m_destroyed = false;
    std::exception_ptr m_failure;
};

// What a headless back end drew: one entry per call.
struct Draw_Op {
    enum Kind { fill, frame, text, focus } kind;
    Rect rect;
    Color_Ref color = 0;      // fill or frame colour, text colour
    Color_Ref background = 0; // text only
    int x = 0, y = 0;         // text only
    std::string string;       // text only
};

// A drawing context that records what is drawn; text is 8 pixels a
// character, 13 pixels high.
class PLAT_EXPORT Recording_Draw_Context : public Draw_Context {
public:
    ~Recording_Draw_Context() override;
    void fill_rect(const Rect& rect, Color_Ref color) override;
    void frame_rect(const Rect& rect, Color_Ref color) override;
    void draw_text(const Rect& clip, int x, int y, std::string_view text, Color_Ref text_color,
                   Color_Ref background) override;
    int text_height() const override { return 13; }
    int text_width(std::string_view text) const override;
    void draw_focus_rect(const Rect& rect) override;
    Color_Ref system_color(System_Color which) const override;

    std::vector<Draw_Op> ops;
};

} // namespace plat

// The host's help function: `window` is the window asking, `help_file` the
// help file's name, `topic` a topic text (command help_topic) or a context id
// in decimal (command help_context_popup). Answers nonzero when the help was
// shown.
extern "C" PLAT_EXPORT int _DoHelp(plat::Window window, const char* help_file, const char* topic,
                                   unsigned command);
