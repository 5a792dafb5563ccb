// The renderer side of the host: renderer options, the table of drawing
// actions a device registers, and the device base classes the renderer drives.
#pragma once

#include "ht_color_system.h"
#include "ht_error.h"
#include "ht_generation.h"
#include "ht_palette.h"
#include "ht_plotter_io.h"
#include "ht_rendition.h"
#include "ht_shared_image.h"

#include <cstdint>
#include <utility>

class HT_Plotter_Definition;
class HT_Renderer_Data;

// Meaning of a set bit in a 1-bit image. Bits are packed from bit 7 of each
// byte, rows start on a byte boundary.
enum HT_Bitonal_Format : std::int32_t {
    HT_Bitonal_None = 0,
    HT_Bitonal_Set_Is_White = 1, // a set bit is white, a clear bit black
    HT_Bitonal_Set_Is_Black = 3, // a set bit is black, a clear bit white
};

// First option block: how the renderer prepares what it hands to the device.
class HT_EXPORT HT_Renderer_Options {
public:
    int buffer_depth() const { return m_buffer_depth; }
    void set_buffer_depth(int bits) { m_buffer_depth = bits; }
    float pixel_aspect() const { return m_pixel_aspect; }
    void set_pixel_aspect(float aspect) { m_pixel_aspect = aspect; }
    // The device's drawing window in dots; the renderer draws nothing outside it.
    void set_window(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height);
    std::int32_t window_x() const { return m_window_x; }
    std::int32_t window_y() const { return m_window_y; }
    std::int32_t window_width() const { return m_window_width; }
    std::int32_t window_height() const { return m_window_height; }
    // Dots per unit of fill patterns: one pattern cell is pattern_scale / 45
    // dots wide (at least 1), so a pattern keeps its size on paper.
    float pattern_scale() const { return m_pattern_scale; }
    void set_pattern_scale(float scale) { m_pattern_scale = scale; }
    int color_system() const { return m_color_system; }
    void set_color_system(int system) { m_color_system = system; }
    const HT_Palette& palette() const { return m_palette; }
    bool has_palette() const { return m_has_palette; }
    void set_palette(const HT_Palette& palette);
    int bitonal_format() const { return m_bitonal_format; }
    void set_bitonal_format(int format) { m_bitonal_format = format; }

private:
    int m_buffer_depth = 0;
    float m_pixel_aspect = 1.0f;
    std::int32_t m_window_x = 0, m_window_y = 0;
    std::int32_t m_window_width = 0x7FFF, m_window_height = 0x7FFF;
    float m_pattern_scale = 1.0f;
    int m_color_system = HT_Color_System_Indexed;
    HT_Palette m_palette;
    bool m_has_palette = false;
    int m_bitonal_format = HT_Bitonal_None;
};

// A rectangle in dots, inclusive.
struct HT_Int_Rect {
    std::int32_t left = 0, bottom = 0, right = -1, top = -1;
    bool operator==(const HT_Int_Rect&) const = default;
};

// Second option block: what the renderer knows of the current plot.
class HT_EXPORT HT_Plot_Options {
public:
    HT_Int_Rect true_bounds;
    HT_Int_Rect viewport_bounds;
    // Rows per band the device asks for; 0 draws the page in one pass.
    std::int32_t band_height = 0;
    bool tessellate_text = false;
};

// ---- drawing actions ----------------------------------------------------------
// Every action receives the device that registered it.

using HT_Draw_DCI_Dot_Action = void (*)(HT_Renderer_Data* device, const HT_Rendition* rendition,
                                        const HT_DCI_Point* point, const std::uint32_t* color);
using HT_Draw_DCI_Polytriangle_Action = void (*)(HT_Renderer_Data* device,
                                                 const HT_Rendition* rendition, int count,
                                                 const HT_DCI_Point* points);
// Rows of 8-bit indices or 32-bit host colours (bytes blue, green, red, alpha);
// start and end are opposite corners, start is where the first row begins.
using HT_Draw_DCI_Image_Action = void (*)(HT_Renderer_Data* device, const HT_Rendition* rendition,
                                          const HT_DCI_Point* start, const HT_DCI_Point* end,
                                          int row_bytes, const void* pixels);
using HT_Draw_DCI_Bitonal_Image_Action = void (*)(HT_Renderer_Data* device,
                                                  const HT_Rendition* rendition,
                                                  const HT_DCI_Point* start,
                                                  const HT_DCI_Point* end, int row_bytes,
                                                  const void* pixels, int format);
// A shared image whose top-left pixel lies at the point.
using HT_Draw_DCI_Shared_Image_Action = void (*)(HT_Renderer_Data* device,
                                                 const HT_Rendition* rendition,
                                                 const HT_DCI_Point* point, HT_Shared_Image* image);
using HT_Draw_DC_Shared_Image_Action = void (*)(HT_Renderer_Data* device,
                                                const HT_Rendition* rendition,
                                                const HT_Point* point, HT_Shared_Image* image);
using HT_Clear_Drawing_Buffer_Action = void (*)(HT_Renderer_Data* device);

// One entry of the table: the device the action is called with, the action,
// an option word (no options are defined; pass 0) and an enabled flag.
template <class Fn> struct HT_Action_Entry {
    HT_Renderer_Data* device = nullptr;
    Fn action = nullptr;
    int options = 0;
    int enabled = 0;

    bool usable() const { return action != nullptr && enabled != 0; }
};

struct HT_Drawing_Actions {
    HT_Action_Entry<HT_Draw_DCI_Dot_Action> draw_dci_dot;
    HT_Action_Entry<HT_Draw_DCI_Polytriangle_Action> draw_dci_polytriangle;
    HT_Action_Entry<HT_Draw_DCI_Shared_Image_Action> draw_dci_image;
    HT_Action_Entry<HT_Draw_DC_Shared_Image_Action> draw_dc_image;
    HT_Action_Entry<HT_Clear_Drawing_Buffer_Action> clear_drawing_buffer;
    HT_Action_Entry<HT_Draw_DCI_Bitonal_Image_Action> draw_dci_bitonal_image;
    HT_Action_Entry<HT_Draw_DCI_Image_Action> draw_dci_index8_image;
    HT_Action_Entry<HT_Draw_DCI_Image_Action> draw_dci_rgb32_image;
};

// What the renderer knows of a device: its two option blocks and its actions.
class HT_EXPORT HT_Renderer_Data : public HT_Object {
public:
    HT_Renderer_Data();
    ~HT_Renderer_Data() override;
    HT_Renderer_Data(const HT_Renderer_Data&) = delete;
    HT_Renderer_Data& operator=(const HT_Renderer_Data&) = delete;

    HT_Renderer_Options& renderer_options() { return m_renderer_options; }
    const HT_Renderer_Options& renderer_options() const { return m_renderer_options; }
    HT_Plot_Options& plot_options() { return m_plot_options; }
    const HT_Plot_Options& plot_options() const { return m_plot_options; }
    const HT_Drawing_Actions& actions() const { return m_actions; }

    // The running plot's progress: long fills stop between spans once it
    // says cancelled, rather than handing every remaining dot to the device.
    void set_progress(HT_Smart_Pointer<HT_Progress> progress) { m_progress = std::move(progress); }
    bool cancelled() const { return m_progress && m_progress->cancel_query() != 0; }

    // The host dots the page prints, first and last column and row, set by
    // whoever knows the page: scan conversion keeps near them, so work grows
    // with what lands on the page rather than with far-off coordinates.
    void set_page_extent(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1) {
        m_page_extent[0] = x0;
        m_page_extent[1] = y0;
        m_page_extent[2] = x1;
        m_page_extent[3] = y1;
        m_has_page_extent = x0 <= x1 && y0 <= y1;
    }
    // False when no page was set.
    bool page_extent(std::int32_t& x0, std::int32_t& y0, std::int32_t& x1, std::int32_t& y1) const {
        x0 = m_page_extent[0];
        y0 = m_page_extent[1];
        x1 = m_page_extent[2];
        y1 = m_page_extent[3];
        return m_has_page_extent;
    }

    // true: the host's standard functions where it has them (polytriangles,
    // shared images, bitonal images); false: an empty table.
    void set_standard_actions(bool standard);

    // Registration: (device, action, options, enabled); the device registers
    // itself with HT_OWN_ACTION(this, action). A null action clears the entry.
#if HT_GENERATION_7_API
    void set_draw_dci_dot_action(HT_Renderer_Data* device, HT_Draw_DCI_Dot_Action action,
                                 int options, int enabled);
    void set_draw_dci_polytriangle_action(HT_Renderer_Data* device,
                                          HT_Draw_DCI_Polytriangle_Action action, int options,
                                          int enabled);
    void set_draw_dci_image_action(HT_Renderer_Data* device, HT_Draw_DCI_Shared_Image_Action action,
                                   int options, int enabled);
    void set_draw_dc_image_action(HT_Renderer_Data* device, HT_Draw_DC_Shared_Image_Action action,
                                  int options, int enabled);
    void set_clear_drawing_buffer_action(HT_Renderer_Data* device,
                                         HT_Clear_Drawing_Buffer_Action action, int options,
                                         int enabled);
    void set_draw_dci_bitonal_image_action(HT_Renderer_Data* device,
                                           HT_Draw_DCI_Bitonal_Image_Action action, int options,
                                           int enabled);
    void set_draw_dci_index8_image_action(HT_Renderer_Data* device, HT_Draw_DCI_Image_Action action,
                                          int options, int enabled);
    void set_draw_dci_rgb32_image_action(HT_Renderer_Data* device, HT_Draw_DCI_Image_Action action,
                                         int options, int enabled);
#endif
    // Generation 6: (device, action, enabled); the entry's option word is 0.
#if HT_GENERATION_6_API
    void set_draw_dci_dot_action(HT_Renderer_Data* device, HT_Draw_DCI_Dot_Action action,
                                 int enabled);
    void set_draw_dci_polytriangle_action(HT_Renderer_Data* device,
                                          HT_Draw_DCI_Polytriangle_Action action, int enabled);
    void set_draw_dci_image_action(HT_Renderer_Data* device, HT_Draw_DCI_Shared_Image_Action action,
                                   int enabled);
    void set_draw_dc_image_action(HT_Renderer_Data* device, HT_Draw_DC_Shared_Image_Action action,
                                  int enabled);
    void set_clear_drawing_buffer_action(HT_Renderer_Data* device,
                                         HT_Clear_Drawing_Buffer_Action action, int enabled);
    void set_draw_dci_bitonal_image_action(HT_Renderer_Data* device,
                                           HT_Draw_DCI_Bitonal_Image_Action action, int enabled);
    void set_draw_dci_index8_image_action(HT_Renderer_Data* device, HT_Draw_DCI_Image_Action action,
                                          int enabled);
    void set_draw_dci_rgb32_image_action(HT_Renderer_Data* device, HT_Draw_DCI_Image_Action action,
                                         int enabled);
#endif

private:
    HT_Renderer_Options m_renderer_options;
    HT_Plot_Options m_plot_options;
    HT_Drawing_Actions m_actions;
    HT_Smart_Pointer<HT_Progress> m_progress;
    std::int32_t m_page_extent[4] = {0, 0, 0, 0};
    bool m_has_page_extent = false;
};

// Band the renderer draws at a time, when a device asks for banding.
struct HT_Banding_Requirements {
    std::int32_t band_height = 0; // 0: no banding
    std::int32_t overlap = 0;
};

// Text the device draws itself, when it does.
struct HT_TrueType_Text_Info {
    HT_String face_name;
    float height = 0;
    float rotation = 0;
};

// A plotter device: the object a driver derives its device from. The virtual
// operations are declared in the order of the host's table; a derived device
// adds its own after them.
class HT_EXPORT HT_Plotter_Device_Data : public HT_Renderer_Data {
public:
    HT_Plotter_Device_Data();
    ~HT_Plotter_Device_Data() override;

    // Device capability bits the renderer may use; none by default.
    virtual std::uint32_t get_device_flags() const;
    virtual HT_Plot_Options* get_plot_options_block();
    virtual const HT_Plot_Options* get_plot_options_block() const;
    // Adjust the option blocks before a plot; the base keeps them as they are.
    virtual void optimize_current_options();
    virtual void optimize_current_renderer_options();
    virtual HT_Renderer_Options* get_renderer_options_block();
    virtual void establish();
    // The "all" forms address a device and any devices it drives; the base
    // has no others and calls the single form.
    virtual void establish_all();
    virtual void begin_picture(const HT_Document_Info& document);
    virtual void begin_picture_all(const HT_Document_Info& document);
    virtual void end_picture();
    virtual void end_picture_all();
    virtual void update();
    virtual void update_all();
#if HT_HOST_GENERATION >= 7
    // Reserved slot of the host's table; does nothing. Generation 6 has none.
    virtual void reserved_operation();
#endif
    virtual void establish_configuration(HT_Smart_Pointer<HT_Plotter_Definition> definition);
    virtual void set_error_handler(HT_Smart_Pointer<HT_Error_Handler> handler);
    // A new definition belonging to the caller; the base has none.
    virtual HT_Plotter_Definition* get_plotter_definition();
    virtual bool get_banding_requirements(HT_Banding_Requirements& requirements) const;
    // The band rectangle number `band`; false when there is no such band.
    virtual bool get_banding_rectangle(int band, HT_Int_Rect& rectangle) const;
    virtual bool is_preplot_pass() const;
    // False: the device draws no text itself, the renderer tessellates it.
    virtual bool truetype_text_info(const HT_TrueType_Text_Info& info);
    virtual void set_true_bounds(const HT_Int_Rect& bounds);
    virtual void set_current_viewport_bounds(const HT_Int_Rect& bounds);
    virtual bool get_tessellate_text_to_triangles() const;
};

// The host's calls of a device's virtual operations, for a device built for
// either generation: it knows where each operation sits in the device's table.
// Operations before the reserved slot (establish, begin_picture, end_picture
// and those above them) sit in the same place in both and may be called
// directly.
class HT_EXPORT HT_Device_Adapter {
public:
    // Whether the host serves drivers of this generation.
    static bool supported(int generation);
    // A generation the host does not serve is a programming error: callers ask first.
    explicit HT_Device_Adapter(int generation);
    int generation() const { return m_generation; }

    void set_error_handler(HT_Plotter_Device_Data& device,
                           HT_Smart_Pointer<HT_Error_Handler> handler) const;
    void establish_configuration(HT_Plotter_Device_Data& device,
                                 HT_Smart_Pointer<HT_Plotter_Definition> definition) const;

private:
    int m_generation;
};
