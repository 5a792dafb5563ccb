// Import and export of the definitions file between installations. The
// file's name is fixed both ways; an imported file is checked whole before
// anything changes.
#include "custom_properties.h"
#include "dialog_resources.h"
#include "resource_ids.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace raster_ui {
namespace {

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
    return text;
}

// Two spellings of one file or folder: equal but for letter case, or the same
// object on disk (links, "..", a trailing separator).
bool same_path(const std::string& a, const std::string& b) {
    if (lower(a) == lower(b))
        return true;
    std::error_code ec;
    return !a.empty() && !b.empty() && std::filesystem::equivalent(a, b, ec);
}

plat::File_Dialog_Request definitions_request(bool save) {
    const Ui_Texts& texts = ui_texts();
    plat::File_Dialog_Request request;
    request.save = save;
    request.title = save ? texts.export_title : texts.import_title;
    request.initial_dir = "/";
    request.initial_name = save ? definitions_file_name : "*.px_";
    request.default_ext = "px_";
    request.filters = {{std::string(texts.definitions_filter), definitions_file_name}};
    request.options =
        plat::ofn_hide_read_only | (save ? plat::ofn_overwrite_prompt : plat::ofn_file_must_exist);
    return request;
}

} // namespace

void Custom_Properties_Dialog::export_definitions(plat::Dialog& dialog) {
    const Ui_Texts& texts = ui_texts();
    if (!exportAllowed) {
        show_error(dialog, texts.export_not_allowed);
        return;
    }
    auto chosen = plat::file_dialog(dialog.window(), definitions_request(true));
    if (!chosen)
        return;

    // Only the folder counts; the file is always written under its own name.
    const AdvancedDefinitions& store = definitions_store();
    const std::string folder = folder_of(*chosen);
    if (same_path(folder, store.folder())) {
        show_error(dialog, texts.export_folder_refused);
        return;
    }
    std::string bytes;
    if (read_definitions_file(store.file_path(), bytes) == Read_Result::ok)
        writeDefinitionsFile(folder + definitions_file_name, bytes);
}

void Custom_Properties_Dialog::import_definitions(plat::Dialog& dialog) {
    const Ui_Texts& texts = ui_texts();
    auto chosen = plat::file_dialog(dialog.window(), definitions_request(false));
    if (!chosen)
        return;

    AdvancedDefinitions& store = definitions_store();
    if (same_path(*chosen, store.file_path())) {
        show_error(dialog, texts.import_own_file);
        return;
    }
    if (lower(name_of(*chosen)) != definitions_file_name) {
        show_error(dialog, texts.import_wrong_name);
        return;
    }
    std::string bytes;
    const Read_Result read = read_definitions_file(*chosen, bytes);
    if (read == Read_Result::unreadable) {
        show_error(dialog, texts.import_unreadable);
        return;
    }
    if (read == Read_Result::too_large || !validateDefinitions(bytes)) {
        show_error(dialog, texts.import_incorrect);
        return;
    }

    // The bytes just checked are what replaces the driver's file, so a file
    // changed meanwhile cannot slip in unchecked.
    writeDefinitionsFile(store.file_path(), bytes);
    store.splitIntoSlots(bytes);
    store.set_text(std::move(bytes));
    load_current_paper(dialog);
}

} // namespace raster_ui
