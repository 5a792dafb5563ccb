#include "plat_ui.h"

#include <atomic>
#include <cstdio>

namespace plat {

namespace {
std::atomic<Ui_Services*> g_current{nullptr};
} // namespace

Ui_Services::~Ui_Services() = default;
Headless_Ui::~Headless_Ui() = default;

int default_answer(unsigned flags) {
    switch (flags & mb_buttons_mask) {
    case mb_ok:
    case mb_ok_cancel:
        return id_ok;
    case mb_abort_retry_ignore:
        return id_abort;
    case mb_yes_no_cancel:
    case mb_yes_no:
        return id_yes;
    case mb_retry_cancel:
        return id_retry;
    default:
        return id_ok;
    }
}

Headless_Ui& headless_ui() {
    // Never destroyed: messages may still be shown while the process exits.
    static Headless_Ui* ui = new Headless_Ui;
    return *ui;
}

Ui_Services& ui_services() {
    Ui_Services* current = g_current.load();
    return current ? *current : headless_ui();
}

Ui_Services* set_ui_services(Ui_Services* services) {
    Ui_Services* previous = g_current.exchange(services);
    return previous ? previous : &headless_ui();
}

int message_box(Window owner, const std::string& text, const std::string& title, unsigned flags) {
    return ui_services().message_box(owner, text, title, flags);
}

int Headless_Ui::message_box(Window owner, const std::string& text, const std::string& title,
                             unsigned flags) {
    std::lock_guard lock(m_mutex);
    m_messages.push_back(Shown_Message{owner, title, text, flags});
    if (m_echo)
        std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
    if (m_answers.empty())
        return default_answer(flags);
    int answer = m_answers.front();
    m_answers.pop_front();
    return answer;
}

std::vector<Shown_Message> Headless_Ui::messages() const {
    std::lock_guard lock(m_mutex);
    return m_messages;
}

void Headless_Ui::clear() {
    std::lock_guard lock(m_mutex);
    m_messages.clear();
    m_answers.clear();
}

void Headless_Ui::set_echo(bool echo) {
    std::lock_guard lock(m_mutex);
    m_echo = echo;
}

void Headless_Ui::queue_answer(int answer) {
    std::lock_guard lock(m_mutex);
    m_answers.push_back(answer);
}

} // namespace plat
