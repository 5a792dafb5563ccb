// User-interface services: what the driver shows a person. The back end is
// chosen at run time; the default one is headless and records what was shown.
#pragma once

#include "plat_export.h"

#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace plat {

struct Window_Tag;
using Window = Window_Tag*;

// Dialogs, file dialogs and help: see plat_dialog.h.
class Dialog;
class Dialog_Handler;
struct Dialog_Template;
struct File_Dialog_Request;
struct Help_Request;

// Buttons and icons of a message box, with their customary numeric values.
enum Message_Box_Flags : unsigned {
    mb_ok = 0x0,
    mb_ok_cancel = 0x1,
    mb_abort_retry_ignore = 0x2,
    mb_yes_no_cancel = 0x3,
    mb_yes_no = 0x4,
    mb_retry_cancel = 0x5,
    mb_buttons_mask = 0xF,
    mb_icon_error = 0x10,
    mb_icon_question = 0x20,
    mb_icon_warning = 0x30,
    mb_icon_information = 0x40,
    mb_icon_mask = 0xF0,
};

// The button that closed a message box.
enum Message_Box_Answer : int {
    id_ok = 1,
    id_cancel = 2,
    id_abort = 3,
    id_retry = 4,
    id_ignore = 5,
    id_yes = 6,
    id_no = 7,
};

// The first button of a button set: what Enter picks.
PLAT_EXPORT int default_answer(unsigned flags);

class PLAT_EXPORT Ui_Services {
public:
    virtual ~Ui_Services();
    // Shows a modal message box; returns the button that closed it.
    virtual int message_box(Window owner, const std::string& text, const std::string& title,
                            unsigned flags) = 0;

    // Dialogs, file dialogs and help (plat_dialog.h). A back end that does
    // not show them leaves them to the headless one.
    virtual int run_dialog(const Dialog_Template& tmpl, Dialog_Handler& handler, Window parent);
    virtual Dialog* create_dialog(const Dialog_Template& tmpl, Dialog_Handler& handler,
                                  Window parent);
    // Only with the back end that created the dialog.
    virtual void destroy_dialog(Dialog* dialog);
    virtual std::optional<std::string> file_dialog(Window owner,
                                                   const File_Dialog_Request& request);
    // Answers whether help was shown.
    virtual bool show_help(const Help_Request& request);
};

// The current back end; the headless one unless another was set.
PLAT_EXPORT Ui_Services& ui_services();
// Makes `services` the current back end (null: the headless one again) and
// returns the previous one. The caller keeps ownership and must restore the
// previous back end before destroying its own.
PLAT_EXPORT Ui_Services* set_ui_services(Ui_Services* services);

// Shorthand for ui_services().message_box(...).
PLAT_EXPORT int message_box(Window owner, const std::string& text, const std::string& title,
                            unsigned flags);

struct Shown_Message {
    Window owner;
    std::string title;
    std::string text;
    unsigned flags;
};

// Shows nothing: records each message, prints it on stderr as "title: text"
// (unless told to keep quiet), and answers with a queued answer or the box's
// first button.
class PLAT_EXPORT Headless_Ui : public Ui_Services {
public:
    ~Headless_Ui() override;
    int message_box(Window owner, const std::string& text, const std::string& title,
                    unsigned flags) override;

    std::vector<Shown_Message> messages() const;
    void clear();
    void set_echo(bool echo);
    // The next message box answers `answer` instead of its first button.
    void queue_answer(int answer);

private:
    mutable std::mutex m_mutex;
    std::vector<Shown_Message> m_messages;
    std::deque<int> m_answers;
    bool m_echo = true;
};

// The default back end, always there.
PLAT_EXPORT Headless_Ui& headless_ui();

} // namespace plat
