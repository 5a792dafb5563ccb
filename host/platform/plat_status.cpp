#include "plat_status.h"

#include <algorithm>
#include <cstdint>
#include <unistd.h>

namespace plat {

namespace {

// Handles are 1-based numbers, so a stale handle is recognised, never followed.
template <class Tag> Tag* handle(std::size_t n) {
    return reinterpret_cast<Tag*>(static_cast<std::uintptr_t>(n));
}
std::size_t number(const void* h) {
    return static_cast<std::size_t>(reinterpret_cast<std::uintptr_t>(h));
}

Status_Services* g_current = nullptr;
std::mutex g_current_mutex;

} // namespace

Status_Services::~Status_Services() = default;

Status_Recorder& status_recorder() {
    static Status_Recorder recorder;
    return recorder;
}

Status_Services& status_services() {
    std::lock_guard lock(g_current_mutex);
    return g_current ? *g_current : status_recorder();
}

Status_Services* set_status_services(Status_Services* services) {
    std::lock_guard lock(g_current_mutex);
    Status_Services* previous = g_current ? g_current : &status_recorder();
    g_current = services == &status_recorder() ? nullptr : services;
    return previous;
}

Window active_window() {
    return nullptr;
}

std::string Status_Window_State::label(int id) const {
    for (const auto& [label_id, text] : labels)
        if (label_id == id)
            return text;
    return {};
}

// ---- model -----------------------------------------------------------------------

Status_Model::~Status_Model() = default;

Status_Window_State* Status_Model::find(Status_Window window) {
    const std::size_t n = number(window);
    if (n == 0 || n > m_windows.size() || !m_windows[n - 1].open)
        return nullptr;
    return &m_windows[n - 1];
}

Status_Bar_State* Status_Model::find(Progress_Bar bar) {
    const std::size_t n = number(bar);
    if (n == 0 || n > m_bars.size())
        return nullptr;
    auto [w, b] = m_bars[n - 1];
    if (!m_windows[w].open)
        return nullptr;
    return &m_windows[w].bars[b];
}

Status_Window Status_Model::create_window(const Status_Template& tmpl, Window owner,
                                          Status_Procedure procedure, void* user) {
    Status_Window window;
    {
        std::lock_guard lock(m_mutex);
        Status_Window_State state;
        state.source = &tmpl;
        state.template_id = tmpl.id;
        state.owner = owner;
        state.title = std::string(tmpl.title);
        for (const auto& label : tmpl.labels)
            state.labels.emplace_back(label.id, std::string(label.text));
        state.open = true;
        m_windows.push_back(std::move(state));
        window = handle<Status_Window_Tag>(m_windows.size());
        m_windows.back().handle = window;
    }
    // The procedure creates the bars; it runs without the lock held so that
    // it may call back into this object freely.
    if (procedure)
        procedure(window, status_init, user);
    std::lock_guard lock(m_mutex);
    if (auto* w = find(window))
        changed(*w, false);
    return window;
}

void Status_Model::set_title(Status_Window window, std::string_view title) {
    std::lock_guard lock(m_mutex);
    if (auto* w = find(window)) {
        w->title = std::string(title);
        changed(*w, false);
    }
}

void Status_Model::set_label(Status_Window window, int id, std::string_view text) {
    std::lock_guard lock(m_mutex);
    auto* w = find(window);
    if (!w)
        return;
    for (auto& [label_id, label_text] : w->labels)
        if (label_id == id) {
            label_text = std::string(text);
            changed(*w, false);
            return;
        }
}

Progress_Bar Status_Model::create_bar(Status_Window window, int x, int y, int width, int height) {
    std::lock_guard lock(m_mutex);
    auto* w = find(window);
    if (!w)
        return nullptr;
    Status_Bar_State bar;
    bar.x = x;
    bar.y = y;
    bar.width = width;
    bar.height = height;
    w->bars.push_back(bar);
    m_bars.emplace_back(number(window) - 1, w->bars.size() - 1);
    changed(*w, false);
    return handle<Progress_Bar_Tag>(m_bars.size());
}

void Status_Model::set_range(Progress_Bar bar, int low, int high) {
    std::lock_guard lock(m_mutex);
    auto* b = find(bar);
    if (!b)
        return;
    b->low = low;
    b->high = std::max(low, high);
    b->position = std::clamp(b->position, b->low, b->high);
    changed(m_windows[m_bars[number(bar) - 1].first], false);
}

void Status_Model::set_step(Progress_Bar bar, int step) {
    std::lock_guard lock(m_mutex);
    if (auto* b = find(bar))
        b->step = step;
}

void Status_Model::set_position(Progress_Bar bar, int position) {
    std::lock_guard lock(m_mutex);
    auto* b = find(bar);
    if (!b)
        return;
    b->position = std::clamp(position, b->low, b->high);
    changed(m_windows[m_bars[number(bar) - 1].first], false);
}

void Status_Model::step(Progress_Bar bar) {
    std::lock_guard lock(m_mutex);
    auto* b = find(bar);
    if (!b)
        return;
    ++b->steps;
    const long long next = static_cast<long long>(b->position) + b->step;
    b->position = static_cast<int>(std::clamp<long long>(next, b->low, b->high));
    changed(m_windows[m_bars[number(bar) - 1].first], false);
}

void Status_Model::end_window(Status_Window window, int result) {
    std::lock_guard lock(m_mutex);
    auto* w = find(window);
    if (!w)
        return;
    w->result = result;
    changed(*w, true);
    w->open = false;
}

std::vector<Status_Window_State> Status_Model::windows() const {
    std::lock_guard lock(m_mutex);
    return m_windows;
}

Status_Window_State Status_Model::last_window() const {
    std::lock_guard lock(m_mutex);
    return m_windows.empty() ? Status_Window_State{} : m_windows.back();
}

Status_Window Status_Model::current_window() const {
    std::lock_guard lock(m_mutex);
    for (std::size_t n = m_windows.size(); n > 0; --n)
        if (m_windows[n - 1].open)
            return handle<Status_Window_Tag>(n);
    return nullptr;
}

void Status_Model::clear() {
    std::lock_guard lock(m_mutex);
    m_windows.clear();
    m_bars.clear();
}

void Status_Model::changed(const Status_Window_State&, bool) {}

Status_Recorder::~Status_Recorder() = default;

// ---- terminal ----------------------------------------------------------------------

std::vector<std::string> format_status(const Status_Window_State& window, int bar_width) {
    bar_width = std::clamp(bar_width, 1, 200);
    std::vector<std::string> lines{window.title};

    // Labels and bars pair up by their order from the top of the window.
    std::vector<const Status_Bar_State*> bars;
    for (const auto& b : window.bars)
        bars.push_back(&b);
    std::stable_sort(bars.begin(), bars.end(),
                     [](const auto* a, const auto* b) { return a->y < b->y; });
    std::vector<std::string> names;
    for (std::size_t i = 0; i < bars.size(); ++i)
        names.push_back(i < window.labels.size() ? window.labels[i].second : std::string());
    std::size_t name_width = 0;
    for (const auto& n : names)
        name_width = std::max(name_width, n.size());

    for (std::size_t i = 0; i < bars.size(); ++i) {
        const Status_Bar_State& b = *bars[i];
        const long long span = static_cast<long long>(b.high) - b.low;
        const long long done = static_cast<long long>(b.position) - b.low;
        const int percent = span > 0 ? static_cast<int>(done * 100 / span) : 100;
        const int filled = span > 0 ? static_cast<int>(done * bar_width / span) : bar_width;
        std::string line = names[i];
        line.append(name_width - names[i].size(), ' ');
        if (name_width)
            line += ' ';
        line += '[';
        line.append(static_cast<std::size_t>(filled), '#');
        line.append(static_cast<std::size_t>(bar_width - filled), '-');
        line += "] ";
        const std::string pct = std::to_string(percent);
        line.append(3 - std::min<std::size_t>(3, pct.size()), ' ');
        line += pct + "%";
        lines.push_back(std::move(line));
    }
    return lines;
}

Status_Terminal::Status_Terminal(std::FILE* stream)
    : m_stream(stream ? stream : stderr), m_terminal(isatty(fileno(m_stream)) != 0) {}

Status_Terminal::Status_Terminal(std::FILE* stream, bool is_terminal)
    : m_stream(stream ? stream : stderr), m_terminal(is_terminal) {}

Status_Terminal::~Status_Terminal() = default;

void Status_Terminal::changed(const Status_Window_State& window, bool closing) {
    if (!m_terminal)
        return;
    std::vector<std::string> lines = format_status(window, 30);
    if (lines != m_shown) {
        // Back over the lines drawn last time, then draw each line afresh.
        std::string out;
        if (!m_shown.empty())
            out += "\x1b[" + std::to_string(m_shown.size()) + "A";
        for (const auto& line : lines)
            out += "\r\x1b[K" + line + "\n";
        std::fwrite(out.data(), 1, out.size(), m_stream);
        std::fflush(m_stream);
        m_shown = std::move(lines);
    }
    // A closed window stays on screen as it was; the next one starts below it.
    if (closing)
        m_shown.clear();
}

} // namespace plat
