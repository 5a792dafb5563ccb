// Message boxes, file dialogs, help and the session that installs the Qt back
// end. Dialogs built from templates are in qt_dialog.cpp.
#include "qt_internal.h"

#include "plat_help.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QMessageBox>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <QTreeView>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>

namespace plat_qt {

using detail::qs;

namespace {

// The buttons of a box and what each answers, first button first.
std::vector<std::pair<QMessageBox::StandardButton, int>> buttons_of(unsigned flags) {
    using B = QMessageBox::StandardButton;
    switch (flags & plat::mb_buttons_mask) {
    case plat::mb_ok_cancel:
        return {{B::Ok, plat::id_ok}, {B::Cancel, plat::id_cancel}};
    case plat::mb_abort_retry_ignore:
        return {
            {B::Abort, plat::id_abort}, {B::Retry, plat::id_retry}, {B::Ignore, plat::id_ignore}};
    case plat::mb_yes_no_cancel:
        return {{B::Yes, plat::id_yes}, {B::No, plat::id_no}, {B::Cancel, plat::id_cancel}};
    case plat::mb_yes_no:
        return {{B::Yes, plat::id_yes}, {B::No, plat::id_no}};
    case plat::mb_retry_cancel:
        return {{B::Retry, plat::id_retry}, {B::Cancel, plat::id_cancel}};
    default:
        return {{B::Ok, plat::id_ok}};
    }
}

QMessageBox::Icon icon_of(unsigned flags) {
    switch (flags & plat::mb_icon_mask) {
    case plat::mb_icon_error:
        return QMessageBox::Critical;
    case plat::mb_icon_question:
        return QMessageBox::Question;
    case plat::mb_icon_warning:
        return QMessageBox::Warning;
    case plat::mb_icon_information:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

bool socket_exists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

} // namespace

bool display_available(std::string* why) {
    auto env = [](const char* name) {
        const char* v = std::getenv(name);
        return std::string(v ? v : "");
    };
    if (!env("QT_QPA_PLATFORM").empty())
        return true;
    const std::string wayland = env("WAYLAND_DISPLAY");
    if (!wayland.empty()) {
        const std::string path =
            wayland[0] == '/' ? wayland : env("XDG_RUNTIME_DIR") + "/" + wayland;
        if (socket_exists(path))
            return true;
    }
    const std::string x = env("DISPLAY");
    if (!x.empty()) {
        // A local display ":N" (or "unix:N") has a socket; a remote one is trusted.
        const std::size_t colon = x.rfind(':');
        const std::string host = colon == std::string::npos ? x : x.substr(0, colon);
        if (colon != std::string::npos && (host.empty() || host == "unix")) {
            const std::string number = x.substr(colon + 1, x.find('.', colon) - colon - 1);
            if (socket_exists("/tmp/.X11-unix/X" + number))
                return true;
        } else {
            return true;
        }
    }
    if (why) {
        if (!x.empty() || !wayland.empty())
            *why = "the display " + (x.empty() ? wayland : x) + " cannot be reached";
        else
            *why = "no display: set DISPLAY or WAYLAND_DISPLAY, or QT_QPA_PLATFORM "
                   "(for example QT_QPA_PLATFORM=offscreen)";
    }
    return false;
}

int Qt_Ui::message_box(plat::Window owner, const std::string& text, const std::string& title,
                       unsigned flags) {
    QMessageBox box(icon_of(flags), qs(title), qs(text), QMessageBox::NoButton,
                    detail::owner_widget(owner));
    const auto buttons = buttons_of(flags);
    for (const auto& [button, answer] : buttons)
        box.addButton(button);
    box.setDefaultButton(buttons.front().first);
    const auto chosen = static_cast<QMessageBox::StandardButton>(box.exec());
    for (const auto& [button, answer] : buttons)
        if (button == chosen)
            return answer;
    // Closed without a button (Escape where the box has no Cancel).
    for (const auto& [button, answer] : buttons)
        if (answer == plat::id_cancel)
            return answer;
    return buttons.size() == 1 ? buttons.front().second : plat::id_cancel;
}

std::optional<std::string> Qt_Ui::file_dialog(plat::Window owner,
                                              const plat::File_Dialog_Request& request) {
    // A folder that is not there (a drive root of another system, say) opens
    // the person's home folder, where their own files are.
    QString dir = qs(request.initial_dir);
    if (dir.isEmpty() || !QDir(dir).exists())
        dir = QDir::homePath();
    QFileDialog dialog(detail::owner_widget(owner), qs(request.title), dir);
    dialog.setObjectName(QStringLiteral("file_dialog"));
    // The same dialog everywhere, whatever the desktop offers.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(!request.save && (request.options & plat::ofn_file_must_exist)
                           ? QFileDialog::ExistingFile
                           : QFileDialog::AnyFile);
    if (request.save && !(request.options & plat::ofn_overwrite_prompt))
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (!request.default_ext.empty())
        dialog.setDefaultSuffix(qs(request.default_ext));

    QStringList filters;
    for (const auto& f : request.filters) {
        QString patterns = qs(f.pattern.empty() ? std::string("*") : f.pattern);
        patterns.replace(';', ' ');
        filters << qs(f.label) + " (" + patterns + ")";
    }
    const QString name = qs(request.initial_name);
    if (filters.isEmpty() && name.contains('*'))
        filters << name;
    if (!filters.isEmpty())
        dialog.setNameFilters(filters);
    if (!name.isEmpty() && !name.contains('*') && !name.contains('?'))
        dialog.selectFile(name);

    // The detail view, wide enough that names, sizes and whole dates show.
    dialog.setViewMode(QFileDialog::Detail);
    dialog.resize(760, 440);
    if (auto* tree = dialog.findChild<QTreeView*>(QStringLiteral("treeView"))) {
        QHeaderView* header = tree->header();
        header->setStretchLastSection(false);
        header->setSectionResizeMode(0, QHeaderView::Stretch);
        for (int column = 1; column < header->count(); ++column)
            header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    }

    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first().toStdString();
}

bool Qt_Ui::show_help(const plat::Help_Request& request) {
    // The page at the requested topic, in a window of its own.
    if (const auto page = plat::find_help_page(request)) {
        QDialog window(detail::owner_widget(request.window));
        window.setObjectName(QStringLiteral("help_window"));
        window.setWindowTitle(qs(page->title));
        auto* layout = new QVBoxLayout(&window);
        auto* browser = new QTextBrowser(&window);
        browser->setObjectName(QStringLiteral("help_text"));
        browser->setOpenExternalLinks(false);
        browser->setHtml(qs(page->html));
        layout->addWidget(browser);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &window);
        QObject::connect(buttons, &QDialogButtonBox::rejected, &window, &QDialog::reject);
        layout->addWidget(buttons);
        window.resize(560, 480);
        window.exec();
        return true;
    }
    // No page: say which help was asked for.
    QString text = QStringLiteral("Help file: %1\n").arg(qs(request.file));
    if (request.command == plat::help_context_popup)
        text += QStringLiteral("Context: %1").arg(qs(request.topic));
    else
        text += QStringLiteral("Topic: %1").arg(qs(request.topic));
    QMessageBox box(QMessageBox::Information, QStringLiteral("Help"), text, QMessageBox::Ok,
                    detail::owner_widget(request.window));
    box.setObjectName(QStringLiteral("help_box"));
    box.exec();
    return true;
}

// ---- session -------------------------------------------------------------------------

struct Qt_Session::Impl {
    std::unique_ptr<QApplication> app;
    Qt_Ui ui;
    std::unique_ptr<plat::Status_Services> status = detail::make_status();
    plat::Ui_Services* previous = nullptr;
};

namespace {
int g_argc = 1;
char g_name[] = "vorna";
char* g_argv[] = {g_name, nullptr};

// Qt's own notes about the window system (a missing runtime folder, what
// an off-screen platform cannot do) mean nothing to the person plotting;
// only its errors are passed on, unless VORNA_QT_DEBUG asks for everything.
QtMessageHandler g_previous_handler = nullptr;

void qt_messages(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtCriticalMsg || type == QtFatalMsg || std::getenv("VORNA_QT_DEBUG")) {
        if (g_previous_handler)
            g_previous_handler(type, context, text);
        else
            std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    }
}
} // namespace

Qt_Session::Qt_Session() {
    auto impl = std::make_unique<Impl>();
    if (!QCoreApplication::instance()) {
        g_previous_handler = qInstallMessageHandler(qt_messages);
        impl->app = std::make_unique<QApplication>(g_argc, g_argv);
    } else if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        throw std::runtime_error("the process already runs a Qt application without widgets");
    m_impl = std::move(impl);
    m_impl->previous = plat::set_ui_services(&m_impl->ui);
}

Qt_Session::~Qt_Session() {
    // A status back end left current would outlive its windows.
    if (&plat::status_services() == m_impl->status.get())
        plat::set_status_services(nullptr);
    plat::set_ui_services(m_impl->previous);
}

Qt_Ui& Qt_Session::ui() {
    return m_impl->ui;
}

plat::Status_Services& Qt_Session::status() {
    return *m_impl->status;
}

} // namespace plat_qt

extern "C" void* vorna_qt_open(char* why, unsigned long why_size) {
    auto say = [&](const std::string& text) {
        if (why && why_size > 0) {
            const std::size_t n = std::min<std::size_t>(text.size(), why_size - 1);
            std::memcpy(why, text.data(), n);
            why[n] = '\0';
        }
    };
    std::string reason;
    if (!plat_qt::display_available(&reason)) {
        say(reason);
        return nullptr;
    }
    try {
        return new plat_qt::Qt_Session;
    } catch (const std::exception& e) {
        say(e.what());
        return nullptr;
    }
}

extern "C" void vorna_qt_close(void* session) {
    delete static_cast<plat_qt::Qt_Session*>(session);
}

extern "C" void* vorna_qt_status(void* session) {
    return session ? &static_cast<plat_qt::Qt_Session*>(session)->status() : nullptr;
}
