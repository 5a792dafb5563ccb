// The headless back end of dialogs, file dialogs and help: the default one.
// It keeps every dialog in memory as its `Dialog_Model` and plays the person
// with scripts that tests queue, so a test acts as the person would and reads
// the controls afterwards. It also records what it was asked to show.
#pragma once

#include "plat_dialog.h"

#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace plat {

// One dialog that a headless back end ran or created.
struct Dialog_Run {
    int template_id = 0;
    std::string caption;
    Window parent = nullptr;
    bool modal = true;
    bool scripted = false; // a queued script acted as the person
    int result = 0;        // for a modeless dialog: 0 until it ends
};

// The headless side of dialogs, file dialogs and help. Modal dialogs run
// queued scripts: the first queued script for the dialog's template id (or
// for any template, id 0) acts as the person, then the dialog ends with
// Cancel unless the script ended it. Without a script a dialog is cancelled
// at once. File dialogs take queued answers (none: cancelled).
class PLAT_EXPORT Headless_Dialogs {
public:
    int run_dialog(const Dialog_Template& tmpl, Dialog_Handler& handler, Window parent);
    Dialog* create_dialog(const Dialog_Template& tmpl, Dialog_Handler& handler, Window parent);
    void destroy_dialog(Dialog* dialog);
    std::optional<std::string> file_dialog(Window owner, const File_Dialog_Request& request);
    bool show_help(const Help_Request& request); // records it; true

    void queue_script(int template_id, Dialog_Script script);
    // The next file dialog answers `path`, or cancels for nothing.
    void queue_file_answer(std::optional<std::string> path);

    std::vector<Dialog_Run> runs() const;
    std::vector<File_Dialog_Request> file_requests() const;
    std::vector<Help_Request> help_requests() const;
    // Modeless dialogs not yet destroyed, oldest first.
    std::vector<Dialog_Model*> open_dialogs() const;
    // Scripts never used.
    std::size_t pending_scripts() const;
    // Forgets the records, queued scripts and answers; destroys modeless dialogs.
    void clear();

private:
    mutable std::recursive_mutex m_mutex;
    std::deque<std::pair<int, Dialog_Script>> m_scripts;
    std::deque<std::optional<std::string>> m_file_answers;
    std::vector<Dialog_Run> m_runs;
    std::vector<File_Dialog_Request> m_file_requests;
    std::vector<Help_Request> m_help;
    std::vector<std::pair<std::unique_ptr<Dialog_Model>, std::size_t>> m_modeless; // dialog, run
};

PLAT_EXPORT Headless_Dialogs& headless_dialogs();

} // namespace plat
