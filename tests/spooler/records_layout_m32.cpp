// Compiled with -m32 -fsyntax-only: on a 32-bit target every record must have
// exactly the layout the spool module reads.
#include "spool_records.h"
#include "stream_format.h"

#if UINTPTR_MAX != 0xFFFFFFFFu
#error "this check must be compiled for a 32-bit target"
#endif

#define AT(type, field, offset) static_assert(offsetof(type, field) == (offset), #type "." #field)

static_assert(sizeof(Spool_Job_Params) == 132);
AT(Spool_Job_Params, record_kind, 0);
AT(Spool_Job_Params, reserved_2, 2);
AT(Spool_Job_Params, mode_column_2, 4);
AT(Spool_Job_Params, mode_column_3, 8);
AT(Spool_Job_Params, mode_column_5, 12);
AT(Spool_Job_Params, mode_column_6, 16);
AT(Spool_Job_Params, mode_column_7, 20);
AT(Spool_Job_Params, mode_column_8, 24);
AT(Spool_Job_Params, paper_width, 28);
AT(Spool_Job_Params, paper_height, 32);
AT(Spool_Job_Params, printable_width, 36);
AT(Spool_Job_Params, printable_height, 40);
AT(Spool_Job_Params, printable_width_2, 44);
AT(Spool_Job_Params, printable_height_2, 48);
AT(Spool_Job_Params, fixed_52, 52);
AT(Spool_Job_Params, sheet_margin, 56);
AT(Spool_Job_Params, media_code, 60);
AT(Spool_Job_Params, mode_column_10, 64);
AT(Spool_Job_Params, fixed_68, 68);
AT(Spool_Job_Params, pass_mode, 72);
AT(Spool_Job_Params, media_handling, 76);
AT(Spool_Job_Params, fixed_80, 80);
AT(Spool_Job_Params, source_code, 84);
AT(Spool_Job_Params, size_code, 88);
AT(Spool_Job_Params, fixed_92, 92);
AT(Spool_Job_Params, reserved_94, 94);
AT(Spool_Job_Params, fixed_96, 96);
AT(Spool_Job_Params, color_mode, 100);
AT(Spool_Job_Params, margin_free, 104);
AT(Spool_Job_Params, margin_free_margin, 108);
AT(Spool_Job_Params, fixed_112, 112);
AT(Spool_Job_Params, print_mode, 116);
AT(Spool_Job_Params, media, 120);
AT(Spool_Job_Params, fixed_124, 124);
AT(Spool_Job_Params, fixed_128, 128);

static_assert(sizeof(Spool_Print_Mode) == 32);
AT(Spool_Print_Mode, record_kind, 0);
AT(Spool_Print_Mode, reserved_2, 2);
AT(Spool_Print_Mode, print_mode_id, 4);
AT(Spool_Print_Mode, ink_density_factor, 8);
AT(Spool_Print_Mode, feed_offset, 12);
AT(Spool_Print_Mode, drying_time, 14);
AT(Spool_Print_Mode, paper_thickness, 16);
AT(Spool_Print_Mode, suction, 18);
AT(Spool_Print_Mode, cut_method, 20);
AT(Spool_Print_Mode, reserved_24, 24);
AT(Spool_Print_Mode, platen_gap, 26);
AT(Spool_Print_Mode, eject_roller, 28);
AT(Spool_Print_Mode, fixed_30, 30);

static_assert(sizeof(Spool_Media) == 36);
AT(Spool_Media, record_kind, 0);
AT(Spool_Media, reserved_2, 2);
AT(Spool_Media, mode_columns, 4);
AT(Spool_Media, fixed_8, 8);
AT(Spool_Media, fixed_12, 12);
AT(Spool_Media, fixed_16, 16);
AT(Spool_Media, fixed_20, 20);
AT(Spool_Media, fixed_24, 24);
AT(Spool_Media, fixed_28, 28);
AT(Spool_Media, fixed_32, 32);

static_assert(sizeof(Spool_Modules) == 24);
AT(Spool_Modules, path_mod4, 0);
AT(Spool_Modules, path_mod3, 4);
AT(Spool_Modules, module_list, 8);
AT(Spool_Modules, fixed_12, 12);
AT(Spool_Modules, output, 16);
AT(Spool_Modules, fixed_20, 20);

static_assert(sizeof(Spool_Page_Params) == 56);
AT(Spool_Page_Params, record_kind, 0);
AT(Spool_Page_Params, color_mode, 4);
AT(Spool_Page_Params, reserved_8, 8);
AT(Spool_Page_Params, fixed_12, 12);
AT(Spool_Page_Params, reserved_16, 16);
AT(Spool_Page_Params, reserved_36, 36);
AT(Spool_Page_Params, gamma, 40);
AT(Spool_Page_Params, reserved_44, 44);
AT(Spool_Page_Params, reserved_52, 52);

static_assert(sizeof(Spool_Margin_Free) == 12);
AT(Spool_Margin_Free, record_kind, 0);
AT(Spool_Margin_Free, fixed_2, 2);
AT(Spool_Margin_Free, fixed_4, 4);
AT(Spool_Margin_Free, fixed_8, 8);

static_assert(sizeof(Spool_Band_Size) == 16);
AT(Spool_Band_Size, x, 0);
AT(Spool_Band_Size, y, 4);
AT(Spool_Band_Size, width, 8);
AT(Spool_Band_Size, rows, 12);

static_assert(sizeof(Spool_Band_Data) == 8);
AT(Spool_Band_Data, stride, 0);
AT(Spool_Band_Data, rows, 4);

static_assert(sizeof(Spool_Band_Rect) == 16);
AT(Spool_Band_Rect, left, 0);
AT(Spool_Band_Rect, top, 4);
AT(Spool_Band_Rect, right, 8);
AT(Spool_Band_Rect, bottom, 12);

static_assert(sizeof(Spool_Band_Reserved) == 12);

// The printer stream writes records in this layout; on a 32-bit target its
// field tables must then point at the same bytes as the structs.
constexpr bool native_is_stream_layout(const spool_stream::Record_Layout& layout) {
    for (const spool_stream::Field& f : layout.fields)
        if (f.native_offset != f.offset)
            return false;
    return true;
}
static_assert(native_is_stream_layout(spool_stream::job_params_layout));
static_assert(native_is_stream_layout(spool_stream::margin_free_layout));
static_assert(native_is_stream_layout(spool_stream::print_mode_layout));
static_assert(native_is_stream_layout(spool_stream::media_layout));
static_assert(native_is_stream_layout(spool_stream::modules_layout));
static_assert(native_is_stream_layout(spool_stream::page_params_layout));
static_assert(native_is_stream_layout(spool_stream::band_size_layout));
static_assert(native_is_stream_layout(spool_stream::band_data_layout));
static_assert(native_is_stream_layout(spool_stream::band_rect_layout));
static_assert(native_is_stream_layout(spool_stream::band_reserved_layout));
