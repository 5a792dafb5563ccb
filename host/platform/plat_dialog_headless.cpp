#include "plat_dialog_headless.h"

#include "plat_help.h"

#include <algorithm>
#include <cstdio>

namespace plat {

Headless_Dialogs& headless_dialogs() {
    // Never destroyed: a dialog may still be shown while the process exits.
    static Headless_Dialogs* dialogs = new Headless_Dialogs;
    return *dialogs;
}

int Headless_Dialogs::run_dialog(const Dialog_Template& tmpl, Dialog_Handler& handler,
                                 Window parent) {
    if (!check_template(tmpl).empty())
        return -1;
    std::size_t run;
    {
        std::lock_guard lock(m_mutex);
        m_runs.push_back(Dialog_Run{tmpl.id, std::string(tmpl.caption), parent, true, false, 0});
        run = m_runs.size() - 1;
    }
    Dialog_Model dialog(tmpl, handler, parent, true);
    dialog.initialise();

    // The first script queued for this template, or for any, plays the person.
    Dialog_Script script;
    if (!dialog.ended()) {
        std::lock_guard lock(m_mutex);
        for (auto it = m_scripts.begin(); it != m_scripts.end(); ++it)
            if (it->first == 0 || it->first == tmpl.id) {
                script = std::move(it->second);
                m_scripts.erase(it);
                break;
            }
    }
    if (script) {
        {
            std::lock_guard lock(m_mutex);
            m_runs[run].scripted = true;
        }
        script(dialog);
    }
    dialog.force_end();
    dialog.destroy();
    {
        std::lock_guard lock(m_mutex);
        m_runs[run].caption = dialog.caption();
        m_runs[run].result = dialog.result();
    }
    if (dialog.failure())
        std::rethrow_exception(dialog.failure());
    return dialog.result();
}

Dialog* Headless_Dialogs::create_dialog(const Dialog_Template& tmpl, Dialog_Handler& handler,
                                        Window parent) {
    if (!check_template(tmpl).empty())
        return nullptr;
    auto dialog = std::make_unique<Dialog_Model>(tmpl, handler, parent, false);
    dialog->initialise();
    if (dialog->failure())
        return nullptr; // already reported by the model
    std::lock_guard lock(m_mutex);
    m_runs.push_back(Dialog_Run{tmpl.id, std::string(tmpl.caption), parent, false, false, 0});
    m_modeless.emplace_back(std::move(dialog), m_runs.size() - 1);
    return m_modeless.back().first.get();
}

void Headless_Dialogs::destroy_dialog(Dialog* dialog) {
    std::unique_ptr<Dialog_Model> gone;
    std::size_t run = 0;
    {
        std::lock_guard lock(m_mutex);
        auto it = std::find_if(m_modeless.begin(), m_modeless.end(),
                               [dialog](const auto& m) { return m.first.get() == dialog; });
        if (it == m_modeless.end())
            return;
        gone = std::move(it->first);
        run = it->second;
        m_modeless.erase(it);
    }
    // The handler runs without the lock: it may open or destroy dialogs itself.
    gone->destroy();
    std::lock_guard lock(m_mutex);
    if (run < m_runs.size()) {
        m_runs[run].caption = gone->caption();
        m_runs[run].result = gone->result();
    }
}

std::optional<std::string> Headless_Dialogs::file_dialog(Window,
                                                         const File_Dialog_Request& request) {
    std::lock_guard lock(m_mutex);
    m_file_requests.push_back(request);
    if (m_file_answers.empty())
        return std::nullopt;
    std::optional<std::string> answer = std::move(m_file_answers.front());
    m_file_answers.pop_front();
    if (answer && !answer->empty() && answer->back() != '/')
        *answer = with_default_extension(std::move(*answer), request.default_ext);
    return answer;
}

bool Headless_Dialogs::show_help(const Help_Request& request) {
    {
        std::lock_guard lock(m_mutex);
        m_help.push_back(request);
    }
    // Without windows the page is printed, as a person at a terminal reads it.
    if (const auto page = find_help_page(request)) {
        std::fwrite(page->text.data(), 1, page->text.size(), stdout);
        std::fflush(stdout);
    }
    return true;
}

void Headless_Dialogs::queue_script(int template_id, Dialog_Script script) {
    std::lock_guard lock(m_mutex);
    m_scripts.emplace_back(template_id, std::move(script));
}

void Headless_Dialogs::queue_file_answer(std::optional<std::string> path) {
    std::lock_guard lock(m_mutex);
    m_file_answers.push_back(std::move(path));
}

std::vector<Dialog_Run> Headless_Dialogs::runs() const {
    std::lock_guard lock(m_mutex);
    return m_runs;
}

std::vector<File_Dialog_Request> Headless_Dialogs::file_requests() const {
    std::lock_guard lock(m_mutex);
    return m_file_requests;
}

std::vector<Help_Request> Headless_Dialogs::help_requests() const {
    std::lock_guard lock(m_mutex);
    return m_help;
}

std::vector<Dialog_Model*> Headless_Dialogs::open_dialogs() const {
    std::lock_guard lock(m_mutex);
    std::vector<Dialog_Model*> open;
    for (const auto& m : m_modeless)
        open.push_back(m.first.get());
    return open;
}

std::size_t Headless_Dialogs::pending_scripts() const {
    std::lock_guard lock(m_mutex);
    return m_scripts.size();
}

void Headless_Dialogs::clear() {
    std::lock_guard lock(m_mutex);
    // The owners of modeless dialogs left over may be gone: do not call them.
    for (auto& m : m_modeless)
        m.first->abandon();
    m_modeless.clear();
    m_scripts.clear();
    m_file_answers.clear();
    m_runs.clear();
    m_file_requests.clear();
    m_help.clear();
}

// ---- the services, until another back end is set -------------------------------------

int Ui_Services::run_dialog(const Dialog_Template& tmpl, Dialog_Handler& handler, Window parent) {
    return headless_dialogs().run_dialog(tmpl, handler, parent);
}

Dialog* Ui_Services::create_dialog(const Dialog_Template& tmpl, Dialog_Handler& handler,
                                   Window parent) {
    return headless_dialogs().create_dialog(tmpl, handler, parent);
}

void Ui_Services::destroy_dialog(Dialog* dialog) {
    headless_dialogs().destroy_dialog(dialog);
}

std::optional<std::string> Ui_Services::file_dialog(Window owner,
                                                    const File_Dialog_Request& request) {
    return headless_dialogs().file_dialog(owner, request);
}

bool Ui_Services::show_help(const Help_Request& request) {
    return headless_dialogs().show_help(request);
}

} // namespace plat
