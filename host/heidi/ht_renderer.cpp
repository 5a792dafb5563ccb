#include "ht_renderer.h"

#include "ht_draw.h"

#include <algorithm>

// ---- options -------------------------------------------------------------------

void HT_Renderer_Options::set_window(std::int32_t x, std::int32_t y, std::int32_t width,
                                     std::int32_t height) {
    m_window_x = x;
    m_window_y = y;
    // A negative size would make every later bound check wrong; an empty window draws nothing.
    m_window_width = width > 0 ? width : 0;
    m_window_height = height > 0 ? height : 0;
}

void HT_Renderer_Options::set_palette(const HT_Palette& palette) {
    m_palette = palette;
    m_has_palette = true;
}

// ---- action table --------------------------------------------------------------

HT_Renderer_Data::HT_Renderer_Data() = default;
HT_Renderer_Data::~HT_Renderer_Data() = default;

namespace {

template <class Fn>
void set_entry(HT_Action_Entry<Fn>& entry, HT_Renderer_Data* device, Fn action, int options,
               int enabled) {
    if (!action) {
        entry = {};
        return;
    }
    entry.device = device;
    entry.action = action;
    entry.options = options;
    entry.enabled = enabled;
}

} // namespace

void HT_Renderer_Data::set_standard_actions(bool standard) {
    m_actions = {};
    if (!standard)
        return;
    set_entry<HT_Draw_DCI_Polytriangle_Action>(m_actions.draw_dci_polytriangle, this,
                                               HD_Standard_Draw_DCI_Polytriangle, 0, 1);
    set_entry<HT_Draw_DCI_Shared_Image_Action>(m_actions.draw_dci_image, this,
                                               HD_Standard_Draw_DCI_Image, 0, 1);
    set_entry<HT_Draw_DC_Shared_Image_Action>(m_actions.draw_dc_image, this,
                                              HD_Standard_Draw_DC_Image, 0, 1);
    set_entry<HT_Draw_DCI_Bitonal_Image_Action>(m_actions.draw_dci_bitonal_image, this,
                                                HD_Standard_Draw_DCI_Bitonal_Image, 0, 1);
}

void HT_Renderer_Data::set_draw_dci_dot_action(HT_Renderer_Data* device,
                                               HT_Draw_DCI_Dot_Action action, int options,
                                               int enabled) {
    set_entry(m_actions.draw_dci_dot, device, action, options, enabled);
}

void HT_Renderer_Data::set_draw_dci_polytriangle_action(HT_Renderer_Data* device,
                                                        HT_Draw_DCI_Polytriangle_Action action,
                                                        int options, int enabled) {
    set_entry(m_actions.draw_dci_polytriangle, device, action, options, enabled);
}

void HT_Renderer_Data::set_draw_dci_image_action(HT_Renderer_Data* device,
                                                 HT_Draw_DCI_Shared_Image_Action action,
                                                 int options, int enabled) {
    set_entry(m_actions.draw_dci_image, device, action, options, enabled);
}

void HT_Renderer_Data::set_draw_dc_image_action(HT_Renderer_Data* device,
                                                HT_Draw_DC_Shared_Image_Action action, int options,
                                                int enabled) {
    set_entry(m_actions.draw_dc_image, device, action, options, enabled);
}

void HT_Renderer_Data::set_clear_drawing_buffer_action(HT_Renderer_Data* device,
                                                       HT_Clear_Drawing_Buffer_Action action,
                                                       int options, int enabled) {
    set_entry(m_actions.clear_drawing_buffer, device, action, options, enabled);
}

void HT_Renderer_Data::set_draw_dci_bitonal_image_action(HT_Renderer_Data* device,
                                                         HT_Draw_DCI_Bitonal_Image_Action action,
                                                         int options, int enabled) {
    set_entry(m_actions.draw_dci_bitonal_image, device, action, options, enabled);
}

void HT_Renderer_Data::set_draw_dci_index8_image_action(HT_Renderer_Data* device,
                                                        HT_Draw_DCI_Image_Action action,
                                                        int options, int enabled) {
    set_entry(m_actions.draw_dci_index8_image, device, action, options, enabled);
}

void HT_Renderer_Data::set_draw_dci_rgb32_image_action(HT_Renderer_Data* device,
                                                       HT_Draw_DCI_Image_Action action, int options,
                                                       int enabled) {
    set_entry(m_actions.draw_dci_rgb32_image, device, action, options, enabled);
}

// Generation 6 registers without the option word.
void HT_Renderer_Data::set_draw_dci_dot_action(HT_Renderer_Data* device,
                                               HT_Draw_DCI_Dot_Action action, int enabled) {
    set_draw_dci_dot_action(device, action, 0, enabled);
}
void HT_Renderer_Data::set_draw_dci_polytriangle_action(HT_Renderer_Data* device,
                                                        HT_Draw_DCI_Polytriangle_Action action,
                                                        int enabled) {
    set_draw_dci_polytriangle_action(device, action, 0, enabled);
}
void HT_Renderer_Data::set_draw_dci_image_action(HT_Renderer_Data* device,
                                                 HT_Draw_DCI_Shared_Image_Action action,
                                                 int enabled) {
    set_draw_dci_image_action(device, action, 0, enabled);
}
void HT_Renderer_Data::set_draw_dc_image_action(HT_Renderer_Data* device,
                                                HT_Draw_DC_Shared_Image_Action action,
                                                int enabled) {
    set_draw_dc_image_action(device, action, 0, enabled);
}
void HT_Renderer_Data::set_clear_drawing_buffer_action(HT_Renderer_Data* device,
                                                       HT_Clear_Drawing_Buffer_Action action,
                                                       int enabled) {
    set_clear_drawing_buffer_action(device, action, 0, enabled);
}
void HT_Renderer_Data::set_draw_dci_bitonal_image_action(HT_Renderer_Data* device,
                                                         HT_Draw_DCI_Bitonal_Image_Action action,
                                                         int enabled) {
    set_draw_dci_bitonal_image_action(device, action, 0, enabled);
}
void HT_Renderer_Data::set_draw_dci_index8_image_action(HT_Renderer_Data* device,
                                                        HT_Draw_DCI_Image_Action action,
                                                        int enabled) {
    set_draw_dci_index8_image_action(device, action, 0, enabled);
}
void HT_Renderer_Data::set_draw_dci_rgb32_image_action(HT_Renderer_Data* device,
                                                       HT_Draw_DCI_Image_Action action,
                                                       int enabled) {
    set_draw_dci_rgb32_image_action(device, action, 0, enabled);
}

// ---- device base -----------------------------------------------------------------

HT_Plotter_Device_Data::HT_Plotter_Device_Data() = default;
HT_Plotter_Device_Data::~HT_Plotter_Device_Data() = default;

std::uint32_t HT_Plotter_Device_Data::get_device_flags() const {
    return 0;
}

HT_Plot_Options* HT_Plotter_Device_Data::get_plot_options_block() {
    return &plot_options();
}

const HT_Plot_Options* HT_Plotter_Device_Data::get_plot_options_block() const {
    return &plot_options();
}

void HT_Plotter_Device_Data::optimize_current_options() {}
void HT_Plotter_Device_Data::optimize_current_renderer_options() {}

HT_Renderer_Options* HT_Plotter_Device_Data::get_renderer_options_block() {
    return &renderer_options();
}

void HT_Plotter_Device_Data::establish() {}

void HT_Plotter_Device_Data::establish_all() {
    establish();
}

void HT_Plotter_Device_Data::begin_picture(const HT_Document_Info&) {}

void HT_Plotter_Device_Data::begin_picture_all(const HT_Document_Info& document) {
    begin_picture(document);
}

void HT_Plotter_Device_Data::end_picture() {}

void HT_Plotter_Device_Data::end_picture_all() {
    end_picture();
}

void HT_Plotter_Device_Data::update() {}

void HT_Plotter_Device_Data::update_all() {
    update();
}

void HT_Plotter_Device_Data::reserved_operation() {}

void HT_Plotter_Device_Data::establish_configuration(HT_Smart_Pointer<HT_Plotter_Definition>) {}

void HT_Plotter_Device_Data::set_error_handler(HT_Smart_Pointer<HT_Error_Handler>) {}

HT_Plotter_Definition* HT_Plotter_Device_Data::get_plotter_definition() {
    return nullptr;
}

bool HT_Plotter_Device_Data::get_banding_requirements(HT_Banding_Requirements& requirements) const {
    requirements.band_height = plot_options().band_height;
    requirements.overlap = 0;
    return requirements.band_height > 0;
}

bool HT_Plotter_Device_Data::get_banding_rectangle(int band, HT_Int_Rect& rectangle) const {
    // Bands run from the top of the window downwards; without banding the
    // window is band 0.
    const HT_Renderer_Options& o = renderer_options();
    if (band < 0 || o.window_width() <= 0 || o.window_height() <= 0)
        return false;
    const std::int64_t bottom = o.window_y();
    const std::int64_t top = bottom + o.window_height() - 1;
    const std::int64_t h =
        plot_options().band_height > 0 ? plot_options().band_height : o.window_height();
    const std::int64_t band_top = top - static_cast<std::int64_t>(band) * h;
    if (band_top < bottom)
        return false;
    const std::int64_t band_bottom = std::max(band_top - h + 1, bottom);
    rectangle = {
        o.window_x(), static_cast<std::int32_t>(band_bottom),
        static_cast<std::int32_t>(static_cast<std::int64_t>(o.window_x()) + o.window_width() - 1),
        static_cast<std::int32_t>(band_top)};
    return true;
}

bool HT_Plotter_Device_Data::is_preplot_pass() const {
    return false;
}

bool HT_Plotter_Device_Data::truetype_text_info(const HT_TrueType_Text_Info&) {
    return false;
}

void HT_Plotter_Device_Data::set_true_bounds(const HT_Int_Rect& bounds) {
    plot_options().true_bounds = bounds;
}

void HT_Plotter_Device_Data::set_current_viewport_bounds(const HT_Int_Rect& bounds) {
    plot_options().viewport_bounds = bounds;
}

bool HT_Plotter_Device_Data::get_tessellate_text_to_triangles() const {
    return plot_options().tessellate_text;
}
