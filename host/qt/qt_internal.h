// Shared between the Qt back end's own sources; not part of its interface.
#pragma once

#include "plat_status.h"
#include "qt_ui.h"

#include <QColor>
#include <QFont>
#include <QString>

#include <memory>
#include <string_view>
#include <vector>

class QWidget;

namespace plat_qt {

namespace detail {

class Qt_Dialog_Model;

// The top-level widget of the live Qt dialog that `window` belongs to, or null.
QWidget* widget_for(plat::Window window);
// The window a box or file dialog should sit over: the owner's dialog, else
// the application's active window.
QWidget* owner_widget(plat::Window window);

QFont template_font(const plat::Dialog_Template& tmpl);
// The font a template names, at its size, as it will be shown.
QFont template_font(std::string_view face, int points);
// The status back end: windows of the platform's status services.
std::unique_ptr<plat::Status_Services> make_status();
// Horizontal and vertical dialog base units of a font, in pixels.
std::pair<int, int> base_units(const QFont& font);

inline QColor to_qcolor(plat::Color_Ref c) {
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                  static_cast<int>((c >> 16) & 0xFF));
}
inline plat::Color_Ref from_qcolor(const QColor& c) {
    return plat::rgb(static_cast<unsigned>(c.red()), static_cast<unsigned>(c.green()),
                     static_cast<unsigned>(c.blue()));
}
inline QString qs(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

} // namespace detail

struct Qt_Ui::Impl {
    // Modeless dialogs, until destroyed.
    std::vector<std::unique_ptr<detail::Qt_Dialog_Model>> modeless;
};

} // namespace plat_qt
