#include "plat_dialog.h"

#include "plat_help.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <set>

namespace plat {

namespace {

// Live models, so that a window handle can be traced back to its dialog.
std::mutex g_registry_mutex;
std::vector<Dialog_Model*>& registry() {
    static std::vector<Dialog_Model*> models;
    return models;
}

std::mutex g_context_mutex;
std::set<Device_Context>& contexts() {
    static std::set<Device_Context> live;
    return live;
}

bool equal_ignoring_case(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

bool less_ignoring_case(std::string_view a, std::string_view b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) <
               std::tolower(static_cast<unsigned char>(y));
    });
}

// Number of characters (not bytes) of UTF-8 text.
std::size_t char_count(std::string_view s) {
    std::size_t n = 0;
    for (unsigned char c : s)
        n += (c & 0xC0) != 0x80;
    return n;
}

// The first `chars` characters of UTF-8 text.
std::string_view first_chars(std::string_view s, std::size_t chars) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) {
            if (n == chars)
                return s.substr(0, i);
            ++n;
        }
    }
    return s;
}

bool clickable(Control_Kind kind) {
    return kind == Control_Kind::push_button || kind == Control_Kind::check_box ||
           kind == Control_Kind::radio_button;
}

} // namespace

Draw_Context::~Draw_Context() = default;
Dialog::~Dialog() = default;

// ---- handler defaults ----------------------------------------------------------------

Dialog_Handler::~Dialog_Handler() = default;
void Dialog_Handler::on_init(Dialog&) {}
void Dialog_Handler::on_command(Dialog&, int, Notify) {}
void Dialog_Handler::on_owner_draw(Dialog&, const Owner_Draw_Item&, Draw_Context&) {}
void Dialog_Handler::on_timer(Dialog&, int) {}
bool Dialog_Handler::on_help(Dialog&, const Help_Info&) {
    return false;
}
bool Dialog_Handler::on_ok(Dialog&) {
    return true;
}
bool Dialog_Handler::on_cancel(Dialog&) {
    return true;
}
void Dialog_Handler::on_destroy(Dialog&) {}

Color_Ref default_system_color(System_Color which) {
    switch (which) {
    case System_Color::window:
        return rgb(255, 255, 255);
    case System_Color::window_text:
        return rgb(0, 0, 0);
    case System_Color::gray_text:
        return rgb(109, 109, 109);
    case System_Color::button_face:
        return rgb(240, 240, 240);
    case System_Color::highlight:
        return rgb(0, 120, 215);
    case System_Color::highlight_text:
        return rgb(255, 255, 255);
    }
    return 0;
}

// ---- templates -----------------------------------------------------------------------

std::string check_template(const Dialog_Template& tmpl) {
    if (tmpl.cx <= 0 || tmpl.cy <= 0)
        return "dialog " + std::to_string(tmpl.id) + " has no size";
    std::set<int> ids;
    for (std::size_t i = 0; i < tmpl.controls.size(); ++i) {
        const Dialog_Control& c = tmpl.controls[i];
        const std::string name = "control " + std::to_string(i) + " (id " + std::to_string(c.id) +
                                 ") of dialog " + std::to_string(tmpl.id);
        if (c.id == 0)
            return name + " has id 0, which means no control";
        if (c.id != id_static && !ids.insert(c.id).second)
            return name + " repeats an id";
        if (c.cx <= 0 || c.cy <= 0)
            return name + " has no size";
        if (c.x < 0 || c.y < 0 || c.x >= tmpl.cx || c.y >= tmpl.cy)
            return name + " lies outside the dialog";
    }
    return {};
}

// ---- model ---------------------------------------------------------------------------

Dialog_Model::Dialog_Model(const Dialog_Template& tmpl, Dialog_Handler& handler, Window parent,
                           bool modal)
    : m_template(tmpl), m_handler(handler), m_parent(parent), m_modal(modal),
      m_caption(tmpl.caption) {
    m_controls.reserve(tmpl.controls.size());
    for (const Dialog_Control& d : tmpl.controls) {
        Control_State c;
        c.id = d.id;
        c.kind = d.kind;
        c.style = d.style;
        c.rect = Rect{d.x, d.y, d.x + d.cx, d.y + d.cy};
        c.template_text = std::string(d.text);
        if (d.kind != Control_Kind::combo_box)
            c.text = c.template_text;
        c.enabled = (d.style & style_disabled) == 0;
        c.visible = (d.style & style_hidden) == 0;
        if (d.kind == Control_Kind::progress_bar)
            c.step = 10;
        m_controls.push_back(std::move(c));
    }
    std::lock_guard lock(g_registry_mutex);
    registry().push_back(this);
}

Dialog_Model::~Dialog_Model() {
    {
        std::lock_guard lock(g_registry_mutex);
        std::erase(registry(), this);
    }
    if (m_initialised && !m_destroyed) {
        m_destroyed = true;
        try {
            m_handler.on_destroy(*this);
        } catch (...) {
            // Nobody is left to tell.
        }
    }
}

Window Dialog_Model::window() const {
    return reinterpret_cast<Window>(const_cast<Dialog_Model*>(this));
}

Window Dialog_Model::control_window(int id) const {
    const Control_State* c = find(id);
    return c ? reinterpret_cast<Window>(const_cast<Control_State*>(c)) : nullptr;
}

Dialog* find_dialog(Window window) {
    if (!window)
        return nullptr;
    const auto w = reinterpret_cast<std::uintptr_t>(window);
    std::lock_guard lock(g_registry_mutex);
    for (Dialog_Model* m : registry()) {
        if (m->window() == window)
            return m;
        const auto& cs = m->controls();
        if (cs.empty())
            continue;
        const auto first = reinterpret_cast<std::uintptr_t>(cs.data());
        const auto end = reinterpret_cast<std::uintptr_t>(cs.data() + cs.size());
        if (w >= first && w < end)
            return m;
    }
    return nullptr;
}

Control_State* Dialog_Model::find(int id) {
    if (id == id_static || id == 0)
        return nullptr;
    for (auto& c : m_controls)
        if (c.id == id)
            return &c;
    return nullptr;
}

const Control_State* Dialog_Model::find(int id) const {
    return const_cast<Dialog_Model*>(this)->find(id);
}

Control_State* Dialog_Model::find_kind(int id, Control_Kind kind) {
    Control_State* c = find(id);
    return c && c->kind == kind ? c : nullptr;
}

const Control_State* Dialog_Model::find_kind(int id, Control_Kind kind) const {
    return const_cast<Dialog_Model*>(this)->find_kind(id, kind);
}

const Control_State* Dialog_Model::control(int id) const {
    return find(id);
}

bool Dialog_Model::has_control(int id) const {
    return find(id) != nullptr;
}

void Dialog_Model::changed(const Control_State&, unsigned) {}
void Dialog_Model::caption_changed() {}
void Dialog_Model::focus_changed(int) {}
void Dialog_Model::timers_changed() {}
void Dialog_Model::ending(int) {}

// -- texts

void Dialog_Model::set_caption(std::string_view text) {
    m_caption = std::string(text);
    caption_changed();
}

void Dialog_Model::set_text(int id, std::string_view text) {
    Control_State* c = find(id);
    if (!c)
        return;
    if (c->kind == Control_Kind::combo_box && (c->style & style_drop_list)) {
        // A list without an edit field can only show one of its items.
        for (std::size_t i = 0; i < c->items.size(); ++i)
            if (equal_ignoring_case(c->items[i].text, text)) {
                set_selection(*c, static_cast<int>(i));
                changed(*c, change_selection | change_text);
                return;
            }
        return;
    }
    c->text = std::string(text);
    c->selection_start = c->selection_end = 0;
    changed(*c, change_text | change_selection);
}

std::string Dialog_Model::text(int id) const {
    const Control_State* c = find(id);
    if (!c)
        return {};
    if (c->kind == Control_Kind::combo_box && (c->style & style_drop_list))
        return c->selection >= 0 ? c->items[static_cast<std::size_t>(c->selection)].text
                                 : std::string();
    return c->text;
}

void Dialog_Model::set_text_limit(int id, int max_chars) {
    Control_State* c = find(id);
    if (!c || (c->kind != Control_Kind::edit && c->kind != Control_Kind::combo_box))
        return;
    c->text_limit = std::max(0, max_chars);
    changed(*c, change_limit);
}

void Dialog_Model::set_edit_selection(int id, int start, int end) {
    Control_State* c = find_kind(id, Control_Kind::edit);
    if (!c)
        return;
    const int length = static_cast<int>(char_count(c->text));
    auto place = [length](int p) { return p < 0 || p > length ? length : p; };
    start = place(start);
    end = place(end);
    c->selection_start = std::min(start, end);
    c->selection_end = std::max(start, end);
    changed(*c, change_selection);
}

std::pair<int, int> Dialog_Model::click_point(int id) const {
    const Control_State* c = find_kind(id, Control_Kind::bitmap);
    return c ? std::pair{c->click_x, c->click_y} : std::pair{-1, -1};
}

std::pair<int, int> Dialog_Model::edit_selection(int id) const {
    const Control_State* c = find_kind(id, Control_Kind::edit);
    return c ? std::pair{c->selection_start, c->selection_end} : std::pair{0, 0};
}

// -- check boxes and radio buttons

void Dialog_Model::set_check(int id, int state) {
    Control_State* c = find(id);
    if (!c || (c->kind != Control_Kind::check_box && c->kind != Control_Kind::radio_button))
        return;
    c->check = std::clamp(state, unchecked, indeterminate);
    changed(*c, change_check);
}

int Dialog_Model::check(int id) const {
    const Control_State* c = find(id);
    return c ? c->check : unchecked;
}

void Dialog_Model::check_radio(int first, int last, int id) {
    for (auto& c : m_controls) {
        if (c.id == id_static || c.id < first || c.id > last ||
            (c.kind != Control_Kind::radio_button && c.kind != Control_Kind::check_box))
            continue;
        const int state = c.id == id ? checked : unchecked;
        if (c.check != state) {
            c.check = state;
            changed(c, change_check);
        }
    }
}

// -- combo boxes

void Dialog_Model::set_selection(Control_State& c, int index) {
    c.selection = index >= 0 && index < static_cast<int>(c.items.size()) ? index : cb_err;
    if (!(c.style & style_drop_list))
        c.text = c.selection >= 0 ? c.items[static_cast<std::size_t>(c.selection)].text : c.text;
}

int Dialog_Model::combo_add(int id, std::string_view text) {
    Control_State* c = find_kind(id, Control_Kind::combo_box);
    if (!c)
        return cb_err;
    std::size_t at = c->items.size();
    if (c->style & style_sort)
        at = static_cast<std::size_t>(
            std::upper_bound(c->items.begin(), c->items.end(), text,
                             [](std::string_view t, const Combo_Item& item) {
                                 return less_ignoring_case(t, item.text);
                             }) -
            c->items.begin());
    return combo_insert(id, static_cast<int>(at), text);
}

int Dialog_Model::combo_insert(int id, int index, std::string_view text) {
    Control_State* c = find_kind(id, Control_Kind::combo_box);
    if (!c)
        return cb_err;
    const int count = static_cast<int>(c->items.size());
    if (index < -1 || index > count)
        return cb_err;
    const int at = index == -1 ? count : index;
    c->items.insert(c->items.begin() + at, Combo_Item{std::string(text), 0});
    // The selected item stays selected when items go in before it.
    if (c->selection >= at)
        ++c->selection;
    changed(*c, change_items | change_selection);
    return at;
}

int Dialog_Model::combo_delete(int id, int index) {
    Control_State* c = find_kind(id, Control_Kind::combo_box);
    if (!c || index < 0 || index >= static_cast<int>(c->items.size()))
        return cb_err;
    c->items.erase(c->items.begin() + index);
    if (c->selection == index)
        c->selection = cb_err;
    else if (c->selection > index)
        --c->selection;
    changed(*c, change_items | change_selection);
    return static_cast<int>(c->items.size());
}

void Dialog_Model::combo_reset(int id) {
    Control_State* c = find_kind(id, Control_Kind::combo_box);
    if (!c)
        return;
    c->items.clear();
    c->selection = cb_err;
    if (!(c->style & style_drop_list))
        c->text.clear();
    changed(*c, change_items | change_selection | change_text);
}

int Dialog_Model::combo_select(int id, int index) {
    Control_State* c = find_kind(id, Control_Kind::combo_box);
    if (!c)
        return cb_err;
    set_selection(*c, index);
    changed(*c, change_selection | change_text);
    return c->selection;
}

int Dialog_Model::combo_selection(int id) const {
    const Control_State* c = find_kind(id, Control_Kind::combo_box);
    return c ? c->selection : cb_err;
}

int Dialog_Model::combo_count(int id) const {
    const Control_State* c = find_kind(id, Control_Kind::combo_box);
    return c ? static_cast<int>(c->items.size()) : cb_err;
}

std::string Dialog_Model::combo_text(int id, int index) const {
    const Control_State* c = find_kind(id, Control_Kind::combo_box);
    if (!c || index < 0 || index >= static_cast<int>(c->items.size()))
        return {};
    return c->items[static_cast<std::size_t>(index)].text;
}

int Dialog_Model::combo_set_data(int id, int index, std::intptr_t data) {
    Control_State* c = find_kind(id, Control_Kind::combo_box);
    if (!c || index < 0 || index >= static_cast<int>(c->items.size()))
        return cb_err;
    c->items[static_cast<std::size_t>(index)].data = data;
    changed(*c, change_items);
    return 0;
}

std::intptr_t Dialog_Model::combo_data(int id, int index) const {
    const Control_State* c = find_kind(id, Control_Kind::combo_box);
    if (!c || index < 0 || index >= static_cast<int>(c->items.size()))
        return cb_err;
    return c->items[static_cast<std::size_t>(index)].data;
}

int Dialog_Model::combo_find(int id, int start, std::string_view text, bool exact) const {
    const Control_State* c = find_kind(id, Control_Kind::combo_box);
    if (!c || c->items.empty())
        return cb_err;
    const int count = static_cast<int>(c->items.size());
    const int from = start < 0 || start >= count ? 0 : start + 1;
    for (int n = 0; n < count; ++n) {
        const int i = (from + n) % count;
        const std::string& t = c->items[static_cast<std::size_t>(i)].text;
        if (exact ? equal_ignoring_case(t, text)
                  : t.size() >= text.size() && equal_ignoring_case(t.substr(0, text.size()), text))
            return i;
    }
    return cb_err;
}

bool Dialog_Model::combo_dropped(int id) const {
    const Control_State* c = find_kind(id, Control_Kind::combo_box);
    return c && c->dropped;
}

// -- sliders and progress bars

void Dialog_Model::slider_set_range(int id, int min, int max) {
    Control_State* c = find_kind(id, Control_Kind::slider);
    if (!c)
        return;
    c->minimum = std::min(min, max);
    c->maximum = std::max(min, max);
    c->position = std::clamp(c->position, c->minimum, c->maximum);
    changed(*c, change_range | change_position);
}

std::pair<int, int> Dialog_Model::slider_range(int id) const {
    const Control_State* c = find_kind(id, Control_Kind::slider);
    return c ? std::pair{c->minimum, c->maximum} : std::pair{0, 0};
}

void Dialog_Model::slider_set_position(int id, int position) {
    Control_State* c = find_kind(id, Control_Kind::slider);
    if (!c)
        return;
    c->position = std::clamp(position, c->minimum, c->maximum);
    changed(*c, change_position);
}

int Dialog_Model::slider_position(int id) const {
    const Control_State* c = find_kind(id, Control_Kind::slider);
    return c ? c->position : 0;
}

void Dialog_Model::slider_set_tick_frequency(int id, int frequency) {
    Control_State* c = find_kind(id, Control_Kind::slider);
    if (!c)
        return;
    c->tick_frequency = std::max(1, frequency);
    changed(*c, change_range);
}

void Dialog_Model::slider_set_page_size(int id, int page) {
    Control_State* c = find_kind(id, Control_Kind::slider);
    if (!c)
        return;
    c->page_size = std::max(1, page);
    changed(*c, change_range);
}

void Dialog_Model::progress_set_range(int id, int low, int high) {
    Control_State* c = find_kind(id, Control_Kind::progress_bar);
    if (!c)
        return;
    c->minimum = low;
    c->maximum = std::max(low, high);
    c->position = std::clamp(c->position, c->minimum, c->maximum);
    changed(*c, change_range | change_position);
}

void Dialog_Model::progress_set_position(int id, int position) {
    Control_State* c = find_kind(id, Control_Kind::progress_bar);
    if (!c)
        return;
    c->position = std::clamp(position, c->minimum, c->maximum);
    changed(*c, change_position);
}

void Dialog_Model::progress_set_step(int id, int step) {
    Control_State* c = find_kind(id, Control_Kind::progress_bar);
    if (!c)
        return;
    c->step = step;
    changed(*c, change_range);
}

void Dialog_Model::progress_step(int id) {
    Control_State* c = find_kind(id, Control_Kind::progress_bar);
    if (!c)
        return;
    const long long next = static_cast<long long>(c->position) + c->step;
    c->position = static_cast<int>(std::clamp<long long>(next, c->minimum, c->maximum));
    changed(*c, change_position);
}

int Dialog_Model::progress_position(int id) const {
    const Control_State* c = find_kind(id, Control_Kind::progress_bar);
    return c ? c->position : 0;
}

void Dialog_Model::set_image(int id, const Dialog_Image& image) {
    Control_State* c = find_kind(id, Control_Kind::bitmap);
    if (!c)
        return;
    // A picture whose pixels do not match its size is not shown at all.
    const bool whole = image.width > 0 && image.height > 0 &&
                       image.pixels.size() == static_cast<std::size_t>(image.width) *
                                                  static_cast<std::size_t>(image.height);
    c->image = whole ? image : Dialog_Image{};
    changed(*c, change_image);
}

// -- any control

void Dialog_Model::enable(int id, bool enabled) {
    Control_State* c = find(id);
    if (!c || c->enabled == enabled)
        return;
    c->enabled = enabled;
    changed(*c, change_enabled);
}

bool Dialog_Model::is_enabled(int id) const {
    const Control_State* c = find(id);
    return c && c->enabled;
}

void Dialog_Model::show(int id, bool visible) {
    Control_State* c = find(id);
    if (!c || c->visible == visible)
        return;
    c->visible = visible;
    changed(*c, change_visible);
}

bool Dialog_Model::is_visible(int id) const {
    const Control_State* c = find(id);
    return c && c->visible;
}

void Dialog_Model::set_focus(int id) {
    if (!find(id))
        return;
    m_focus = id;
    focus_changed(id);
}

void Dialog_Model::set_help_context(int id, int context) {
    if (Control_State* c = find(id))
        c->help_context = context;
}

void Dialog_Model::redraw(int id) {
    if (Control_State* c = find(id))
        changed(*c, change_redraw);
}

void Dialog_Model::set_timer(int timer, int milliseconds) {
    milliseconds = std::max(1, milliseconds);
    for (auto& [t, ms] : m_timers)
        if (t == timer) {
            ms = milliseconds;
            timers_changed();
            return;
        }
    m_timers.emplace_back(timer, milliseconds);
    timers_changed();
}

void Dialog_Model::kill_timer(int timer) {
    if (std::erase_if(m_timers, [timer](const auto& t) { return t.first == timer; }))
        timers_changed();
}

void Dialog_Model::end(int result) {
    if (m_ended)
        return;
    m_ended = true;
    m_result = result;
    if (!m_timers.empty()) {
        m_timers.clear();
        timers_changed();
    }
    ending(result);
}

// -- the person's actions

bool Dialog_Model::guarded(const std::function<void()>& call) {
    try {
        call();
        return true;
    } catch (...) {
        if (!m_failure)
            m_failure = std::current_exception();
        if (!m_modal) {
            // Nobody waits for a modeless dialog's result: say what went wrong.
            try {
                throw;
            } catch (const std::exception& e) {
                std::fprintf(stderr, "dialog %d: %s\n", m_template.id, e.what());
            } catch (...) {
                std::fprintf(stderr, "dialog %d: unknown failure\n", m_template.id);
            }
        }
        end(id_cancel);
        return false;
    }
}

void Dialog_Model::notify(int id, Notify code) {
    guarded([&] { m_handler.on_command(*this, id, code); });
}

void Dialog_Model::initialise() {
    if (m_initialised)
        return;
    m_initialised = true;
    if (!guarded([&] { m_handler.on_init(*this); }))
        return;
    // Without a choice of the handler the first control one can tab to has
    // the focus.
    if (m_focus == 0)
        for (const auto& c : m_controls)
            if (c.id != id_static && (c.style & style_tab_stop) && c.enabled && c.visible) {
                set_focus(c.id);
                break;
            }
}

bool Dialog_Model::can_act(int id) const {
    const Control_State* c = find(id);
    return !m_ended && !m_destroyed && c && c->enabled && c->visible;
}

bool Dialog_Model::press_ok() {
    if (m_ended || m_destroyed)
        return false;
    if (const Control_State* ok = find(id_ok); ok && !(ok->enabled && ok->visible))
        return false;
    bool close = false;
    if (guarded([&] { close = m_handler.on_ok(*this); }) && close)
        end(id_ok);
    return true;
}

bool Dialog_Model::press_cancel() {
    if (m_ended || m_destroyed)
        return false;
    if (const Control_State* cancel = find(id_cancel);
        cancel && !(cancel->enabled && cancel->visible))
        return false;
    bool close = false;
    if (guarded([&] { close = m_handler.on_cancel(*this); }) && close)
        end(id_cancel);
    return true;
}

bool Dialog_Model::click(int id) {
    if (!can_act(id))
        return false;
    Control_State& c = *find(id);
    if (!clickable(c.kind))
        return false;
    if (c.kind == Control_Kind::push_button && id == id_ok)
        return press_ok();
    if (c.kind == Control_Kind::push_button && id == id_cancel)
        return press_cancel();
    if (c.kind == Control_Kind::check_box && (c.style & style_auto)) {
        c.check = c.check == checked ? unchecked : checked;
        changed(c, change_check);
    } else if (c.kind == Control_Kind::radio_button && (c.style & style_auto)) {
        // The group runs from the nearest control starting one up to the next.
        const std::size_t at = static_cast<std::size_t>(&c - m_controls.data());
        std::size_t first = at;
        while (first > 0 && !(m_controls[first].style & style_group))
            --first;
        for (std::size_t i = first; i < m_controls.size(); ++i) {
            if (i > first && (m_controls[i].style & style_group))
                break;
            Control_State& r = m_controls[i];
            const int state = i == at ? checked : unchecked;
            if (r.kind == Control_Kind::radio_button && r.check != state) {
                r.check = state;
                changed(r, change_check);
            }
        }
    }
    notify(id, Notify::clicked);
    return true;
}

bool Dialog_Model::click_picture(int id, int x, int y) {
    Control_State* c = find_kind(id, Control_Kind::bitmap);
    if (!can_act(id) || !c || !(c->style & style_notify))
        return false;
    c->click_x = x;
    c->click_y = y;
    notify(id, Notify::clicked);
    return true;
}

bool Dialog_Model::press_arrow(int id, Notify key) {
    const Control_State* c = find_kind(id, Control_Kind::bitmap);
    if (!can_act(id) || !c || !(c->style & style_notify) ||
        (key != Notify::key_left && key != Notify::key_right && key != Notify::key_up &&
         key != Notify::key_down))
        return false;
    notify(id, key);
    return true;
}

bool Dialog_Model::drop_down(int id) {
    if (!can_act(id) || !find_kind(id, Control_Kind::combo_box))
        return false;
    Control_State& c = *find(id);
    if (c.dropped)
        return true;
    c.dropped = true;
    changed(c, change_selection);
    notify(id, Notify::drop_down);
    return true;
}

bool Dialog_Model::choose(int id, int index) {
    if (!can_act(id) || !find_kind(id, Control_Kind::combo_box))
        return false;
    Control_State& c = *find(id);
    if (index < 0 || index >= static_cast<int>(c.items.size()))
        return false;
    // An item picked in the open list is a selection even when it is the one
    // already selected (owners reload on it); keys on a closed list that do
    // not move it say nothing.
    if (c.selection == index && !c.dropped)
        return true;
    if (c.selection != index) {
        set_selection(c, index);
        changed(c, change_selection | change_text);
    }
    notify(id, Notify::selection_changed);
    return true;
}

bool Dialog_Model::close_up(int id) {
    if (!can_act(id) || !find_kind(id, Control_Kind::combo_box))
        return false;
    Control_State& c = *find(id);
    if (!c.dropped)
        return false;
    c.dropped = false;
    changed(c, change_selection);
    notify(id, Notify::close_up);
    return true;
}

bool Dialog_Model::pick(int id, int index) {
    const Control_State* c = find_kind(id, Control_Kind::combo_box);
    if (!can_act(id) || !c || index < 0 || index >= static_cast<int>(c->items.size()))
        return false;
    return drop_down(id) && choose(id, index) && close_up(id);
}

bool Dialog_Model::type_text(int id, std::string_view text) {
    if (!can_act(id))
        return false;
    Control_State& c = *find(id);
    const bool edit = c.kind == Control_Kind::edit;
    const bool combo_edit = c.kind == Control_Kind::combo_box && !(c.style & style_drop_list);
    if ((!edit && !combo_edit) || (c.style & style_read_only))
        return false;
    std::string typed;
    for (char ch : text)
        if (!(c.style & style_number) || std::isdigit(static_cast<unsigned char>(ch)))
            typed += ch;
    if (c.text_limit > 0)
        typed = std::string(first_chars(typed, static_cast<std::size_t>(c.text_limit)));
    c.text = std::move(typed);
    c.selection_start = c.selection_end = static_cast<int>(char_count(c.text));
    changed(c, change_text | change_selection);
    if (edit)
        notify(id, Notify::edit_update);
    if (!m_ended)
        notify(id, Notify::edit_change);
    return true;
}

bool Dialog_Model::drag_slider(int id, int position) {
    if (!can_act(id) || !find_kind(id, Control_Kind::slider))
        return false;
    Control_State& c = *find(id);
    position = std::clamp(position, c.minimum, c.maximum);
    if (position != c.position) {
        c.position = position;
        changed(c, change_position);
        notify(id, Notify::custom_draw);
    }
    return true;
}

bool Dialog_Model::release_slider(int id) {
    if (!can_act(id) || !find_kind(id, Control_Kind::slider))
        return false;
    notify(id, Notify::slider_released);
    return true;
}

bool Dialog_Model::key_slider(int id, int position) {
    return drag_slider(id, position) && release_slider(id);
}

bool Dialog_Model::focus_control(int id) {
    if (!can_act(id))
        return false;
    const int old = m_focus;
    if (old == id)
        return true;
    m_focus = id;
    focus_changed(id);
    if (old != 0 && find(old))
        notify(old, Notify::kill_focus);
    if (!m_ended)
        notify(id, Notify::set_focus);
    return true;
}

bool Dialog_Model::ask_help(int id) {
    if (m_ended || m_destroyed)
        return false;
    Help_Info info{0, window(), 0};
    if (id != 0) {
        const Control_State* c = find(id);
        if (!c)
            return false;
        info = Help_Info{id, control_window(id), c->help_context};
    }
    bool handled = false;
    guarded([&] { handled = m_handler.on_help(*this, info); });
    return handled;
}

bool Dialog_Model::fire_timer(int timer) {
    if (m_ended || m_destroyed)
        return false;
    if (std::none_of(m_timers.begin(), m_timers.end(),
                     [timer](const auto& t) { return t.first == timer; }))
        return false;
    guarded([&] { m_handler.on_timer(*this, timer); });
    return true;
}

bool Dialog_Model::paint_item(int id, int item, const Rect& rect, unsigned state,
                              Draw_Context& dc) {
    const Control_State* c = find_kind(id, Control_Kind::combo_box);
    if (!c || !(c->style & style_owner_draw) || m_destroyed)
        return false;
    if (item < -1 || item >= static_cast<int>(c->items.size()))
        return false;
    Owner_Draw_Item od{id, item, 0, {}, rect, state};
    if (item >= 0) {
        od.item_data = c->items[static_cast<std::size_t>(item)].data;
        od.text = c->items[static_cast<std::size_t>(item)].text;
    }
    if (!c->enabled)
        od.state |= ods_disabled;
    return guarded([&] { m_handler.on_owner_draw(*this, od, dc); });
}

void Dialog_Model::force_end() {
    if (m_ended)
        return;
    bool close = false;
    if (!m_destroyed)
        guarded([&] { close = m_handler.on_cancel(*this); });
    (void)close;
    // Whatever the handler answered, the dialog cannot stay.
    end(id_cancel);
}

void Dialog_Model::destroy() {
    if (m_destroyed)
        return;
    if (!m_ended)
        end(m_result);
    if (m_initialised)
        guarded([&] { m_handler.on_destroy(*this); });
    m_destroyed = true;
}

void Dialog_Model::abandon() {
    if (!m_ended)
        end(id_cancel);
    m_destroyed = true;
}

// ---- recording draw context --------------------------------------------------------------

Recording_Draw_Context::~Recording_Draw_Context() = default;

void Recording_Draw_Context::fill_rect(const Rect& rect, Color_Ref color) {
    ops.push_back(Draw_Op{Draw_Op::fill, rect, color, 0, 0, 0, {}});
}

void Recording_Draw_Context::frame_rect(const Rect& rect, Color_Ref color) {
    ops.push_back(Draw_Op{Draw_Op::frame, rect, color, 0, 0, 0, {}});
}

void Recording_Draw_Context::draw_text(const Rect& clip, int x, int y, std::string_view text,
                                       Color_Ref text_color, Color_Ref background) {
    ops.push_back(Draw_Op{Draw_Op::text, clip, text_color, background, x, y, std::string(text)});
}

int Recording_Draw_Context::text_width(std::string_view text) const {
    return static_cast<int>(char_count(text)) * 8;
}

void Recording_Draw_Context::draw_focus_rect(const Rect& rect) {
    ops.push_back(Draw_Op{Draw_Op::focus, rect, 0, 0, 0, 0, {}});
}

Color_Ref Recording_Draw_Context::system_color(System_Color which) const {
    return default_system_color(which);
}

int run_dialog(const Dialog_Template& tmpl, Dialog_Handler& handler, Window parent) {
    return ui_services().run_dialog(tmpl, handler, parent);
}

Dialog* create_dialog(const Dialog_Template& tmpl, Dialog_Handler& handler, Window parent) {
    return ui_services().create_dialog(tmpl, handler, parent);
}

void destroy_dialog(Dialog* dialog) {
    if (dialog)
        ui_services().destroy_dialog(dialog);
}

std::optional<std::string> file_dialog(Window owner, const File_Dialog_Request& request) {
    return ui_services().file_dialog(owner, request);
}

std::string with_default_extension(std::string path, std::string_view ext) {
    if (ext.empty())
        return path;
    const std::size_t slash = path.find_last_of('/');
    const std::size_t name = slash == std::string::npos ? 0 : slash + 1;
    if (name >= path.size() || path.find('.', name) != std::string::npos)
        return path;
    path += '.';
    path += ext;
    return path;
}

int system_palette_size() {
    return 0;
}

struct Device_Context_Tag {
    Window window;
};

Device_Context create_compatible_context(Window window) {
    auto* dc = new Device_Context_Tag{window};
    std::lock_guard lock(g_context_mutex);
    contexts().insert(dc);
    return dc;
}

Window context_window(Device_Context dc) {
    std::lock_guard lock(g_context_mutex);
    return contexts().count(dc) ? dc->window : nullptr;
}

void delete_context(Device_Context dc) {
    std::lock_guard lock(g_context_mutex);
    if (contexts().erase(dc))
        delete dc;
}

} // namespace plat

extern "C" int _DoHelp(plat::Window window, const char* help_file, const char* topic,
                       unsigned command) {
    if (!help_file || !*help_file)
        return 0;
    const plat::Help_Request request{window, help_file, topic ? topic : "", command};
    return plat::ui_services().show_help(request) ? 1 : 0;
}
