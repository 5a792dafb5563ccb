// The records and calls shared by the driver and the spool modules (V_MOD0.DLL).
//
// Every record is a struct of fixed-width fields. Built for a 32-bit target the
// sizes and offsets are exactly those the spool module expects; on 64-bit only
// the address fields grow to pointer size (and move what follows them). Fields
// are named by what they hold; bytes with no meaning of their own are
// reserved_<offset>, fields that always carry the same value are fixed_<offset>
// (the value is in the comment). Offsets in comments are the 32-bit ones.
//
// The module's entry points are C functions looked up by name with dlsym; the
// module emits printer data only through the output callback of Spool_Modules.
#pragma once

#include <cstddef>
#include <cstdint>

// Opaque job handle: the module hands it out at InitJob and checks it on every
// later call. It is never dereferenced by the driver.
struct Spool_Job_Handle;
using Spool_Job = Spool_Job_Handle*;

extern "C" {
// Receives each block of printer data. `context` is the address of the
// Spool_Modules record given to InitJob: the record has no context field of its
// own, so a driver that does not keep a process-wide pointer to itself can
// embed the record at the start of a larger object and find itself from it.
// Returns spool_output_ok (1); any other value makes the module's call fail.
typedef int32_t (*Spool_Output_Fn)(void* context, const uint8_t* data, uint32_t count);
}

// ---------------------------------------------------------------------------
// Job-start records

// Margin-free record (12 bytes): linked from jobParams +104 for roll paper
// without margins.
struct Spool_Margin_Free {
    uint16_t record_kind; // +0  1
    uint16_t fixed_2;     // +2  2
    uint32_t fixed_4;     // +4  0
    uint32_t fixed_8;     // +8  0
};

// printMode (32 bytes).
struct Spool_Print_Mode {
    uint16_t record_kind;       // +0  2
    uint16_t reserved_2;        // +2
    int32_t print_mode_id;      // +4  959
    int32_t ink_density_factor; // +8  (density × 0.01 + 1) × 1024
    uint16_t feed_offset;       // +12
    uint16_t drying_time;       // +14
    uint16_t paper_thickness;   // +16
    uint16_t suction;           // +18 100, 50, 30, 10 or 6
    int32_t cut_method;         // +20 value of the cut method list
    uint16_t reserved_24;       // +24
    uint16_t platen_gap;        // +26 value of the platen gap list
    uint16_t eject_roller;      // +28 value of the eject roller list
    uint16_t fixed_30;          // +30 0
};

// The media record hands over columns 1 to 17 of a print mode row.
inline constexpr int spool_mode_column_count = 17;

// media (36 bytes).
struct Spool_Media {
    uint16_t record_kind;        // +0  1
    uint16_t reserved_2;         // +2
    const int32_t* mode_columns; // +4  columns 1..17 of the print mode row
    uint32_t fixed_8;            // +8  1
    uint32_t fixed_12;           // +12 0
    uint32_t fixed_16;           // +16 0
    uint32_t fixed_20;           // +20 0
    uint32_t fixed_24;           // +24 0
    uint32_t fixed_28;           // +28 0
    uint32_t fixed_32;           // +32 0
};

// jobParams (132 bytes). "mode_column_<n>" is column n of the print mode row.
struct Spool_Job_Params {
    uint16_t record_kind;                 // +0  6
    uint16_t reserved_2;                  // +2
    int32_t mode_column_2;                // +4
    int32_t mode_column_3;                // +8  0 for grey or bitonal output
    int32_t mode_column_5;                // +12
    int32_t mode_column_6;                // +16
    int32_t mode_column_7;                // +20
    int32_t mode_column_8;                // +24
    int32_t paper_width;                  // +28 dots
    int32_t paper_height;                 // +32 dots
    int32_t printable_width;              // +36 dots
    int32_t printable_height;             // +40 dots
    int32_t printable_width_2;            // +44 printable width again
    int32_t printable_height_2;           // +48 printable height again
    int32_t fixed_52;                     // +52 0
    int32_t sheet_margin;                 // +56 42 or 84; 0 without margins
    int32_t media_code;                   // +60 column 0
    int32_t mode_column_10;               // +64
    int32_t fixed_68;                     // +68 1
    int32_t pass_mode;                    // +72 column 9, | 4 for two-way printing
    uint32_t media_handling;              // +76 paper handling bits, 0x80000000 and up
    int32_t fixed_80;                     // +80 0
    int32_t source_code;                  // +84 530, 256, 4 or 7
    int32_t size_code;                    // +88
    uint16_t fixed_92;                    // +92 0xFFFF
    uint16_t reserved_94;                 // +94
    int32_t fixed_96;                     // +96 0
    int32_t color_mode;                   // +100 column 4
    const Spool_Margin_Free* margin_free; // +104 only for roll paper without margins
    int32_t margin_free_margin;           // +108 42 or 84 without margins, else 0
    int32_t fixed_112;                    // +112 0
    const Spool_Print_Mode* print_mode;   // +116
    const Spool_Media* media;             // +120
    int32_t fixed_124;                    // +124 0
    int32_t fixed_128;                    // +128 0
};

// modules (24 bytes). Paths are full paths of the run-time modules.
struct Spool_Modules {
    const char* path_mod4;          // +0  ".../V_MOD4.DLL"
    const char* path_mod3;          // +4  ".../V_MOD3.DLL"
    const char* const* module_list; // +8  null-ended list: V_MOD2.DLL (photo) or V_MOD1.DLL
    uint32_t fixed_12;              // +12 1
    Spool_Output_Fn output;         // +16 receives the printer data
    uint32_t fixed_20;              // +20 0
};

// ---------------------------------------------------------------------------
// Page record

// pageParams (56 bytes).
struct Spool_Page_Params {
    uint16_t record_kind; // +0  1
    uint16_t reserved_2;  // +2
    uint32_t color_mode;  // +4  colour-correction value, or 0 without colour
    uint32_t reserved_8;  // +8
    uint32_t fixed_12;    // +12 1
    uint32_t reserved_16; // +16
    uint32_t reserved_20; // +20
    uint32_t reserved_24; // +24
    uint32_t reserved_28; // +28
    uint32_t reserved_32; // +32
    uint32_t reserved_36; // +36
    uint32_t gamma;       // +40 150, 180 or 220
    uint32_t reserved_44; // +44
    uint32_t reserved_48; // +48
    uint32_t reserved_52; // +52
};

// ---------------------------------------------------------------------------
// Band blocks: one BandOut per band of 1 or 2 rows, top to bottom.

// bandSize (16 bytes).
struct Spool_Band_Size {
    uint32_t x;     // +0  0
    uint32_t y;     // +4  0
    uint32_t width; // +8  dots
    uint32_t rows;  // +12 2, or 1 for a last odd row
};

// bandData (8 bytes). Each dot is 4 bytes: red, green, blue, 0.
struct Spool_Band_Data {
    uint32_t stride;     // +0 bytes from one row to the next (width × 4)
    const uint8_t* rows; // +4 first row
};

// bandRect (16 bytes): the band's place on the page, bottom exclusive.
struct Spool_Band_Rect {
    uint32_t left;   // +0  0
    uint32_t top;    // +4
    uint32_t right;  // +8  width
    uint32_t bottom; // +12
};

// reserved block of BandOut (12 bytes, zero).
struct Spool_Band_Reserved {
    uint32_t reserved_0;
    uint32_t reserved_4;
    uint32_t reserved_8;
};

// ---------------------------------------------------------------------------
// Entry points of the spool module, looked up by these names.

inline constexpr char spool_module_file[] = "V_MOD0.DLL";
inline constexpr char spool_init_job_name[] = "InitJob";
inline constexpr char spool_init_page_name[] = "InitPage";
inline constexpr char spool_band_out_name[] = "BandOut";
inline constexpr char spool_terminate_page_name[] = "TerminatePage";
inline constexpr char spool_destroy_job_name[] = "DestroyJob";
inline constexpr char spool_reset_job_name[] = "ResetJob";
inline constexpr char spool_terminate_page_ex_name[] = "TerminatePageEx";

extern "C" {
typedef int32_t (*Spool_Init_Job_Fn)(Spool_Job* job, const Spool_Job_Params* params,
                                     const Spool_Modules* modules);
typedef int32_t (*Spool_Init_Page_Fn)(Spool_Job job, const Spool_Page_Params* params);
// `unused` is always null.
typedef int32_t (*Spool_Band_Out_Fn)(Spool_Job job, const Spool_Band_Size* size,
                                     const Spool_Band_Data* data, const void* unused,
                                     const Spool_Band_Rect* rect,
                                     const Spool_Band_Reserved* reserved);
typedef int32_t (*Spool_Terminate_Page_Fn)(Spool_Job job);
typedef int32_t (*Spool_Destroy_Job_Fn)(Spool_Job job);
// Abandons the open page, if any; the job stays usable.
typedef int32_t (*Spool_Reset_Job_Fn)(Spool_Job job);
// TerminatePage with option bits, recorded in the printer data.
typedef int32_t (*Spool_Terminate_Page_Ex_Fn)(Spool_Job job, uint32_t options);
}

// ---------------------------------------------------------------------------
// Result codes. Anything else non-zero is an unknown failure.

inline constexpr int32_t spool_ok = 0;
inline constexpr int32_t spool_error_call_order = -2;    // calls out of order, null records
inline constexpr int32_t spool_error_memory = -4;        // allocation failed
inline constexpr int32_t spool_error_handle = -5;        // unknown or destroyed job
inline constexpr int32_t spool_error_unidentified = -10; // a record it cannot accept
inline constexpr int32_t spool_error_spooler = -15;      // a module path that does not exist

// Returned by the output callback when it took the data.
inline constexpr int32_t spool_output_ok = 1;

// ---------------------------------------------------------------------------
// Layout checks. The 32-bit offsets are checked field by field by a separate
// -m32 compile; here the sizes, and on 64-bit where the address fields land.

static_assert(sizeof(Spool_Print_Mode) == 32);
static_assert(sizeof(Spool_Page_Params) == 56);
static_assert(sizeof(Spool_Margin_Free) == 12);
static_assert(sizeof(Spool_Band_Size) == 16);
static_assert(sizeof(Spool_Band_Rect) == 16);
static_assert(sizeof(Spool_Band_Reserved) == 12);
#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(Spool_Job_Params) == 132);
static_assert(sizeof(Spool_Media) == 36);
static_assert(sizeof(Spool_Modules) == 24);
static_assert(sizeof(Spool_Band_Data) == 8);
#else
static_assert(offsetof(Spool_Job_Params, color_mode) == 100);
static_assert(offsetof(Spool_Job_Params, margin_free) == 104);
static_assert(offsetof(Spool_Job_Params, margin_free_margin) == 112);
static_assert(offsetof(Spool_Job_Params, fixed_112) == 116);
static_assert(offsetof(Spool_Job_Params, print_mode) == 120);
static_assert(offsetof(Spool_Job_Params, media) == 128);
static_assert(offsetof(Spool_Job_Params, fixed_124) == 136);
static_assert(offsetof(Spool_Job_Params, fixed_128) == 140);
static_assert(sizeof(Spool_Job_Params) == 144);
static_assert(offsetof(Spool_Media, mode_columns) == 8);
static_assert(offsetof(Spool_Media, fixed_8) == 16);
static_assert(offsetof(Spool_Media, fixed_32) == 40);
static_assert(sizeof(Spool_Media) == 48);
static_assert(offsetof(Spool_Modules, path_mod3) == 8);
static_assert(offsetof(Spool_Modules, module_list) == 16);
static_assert(offsetof(Spool_Modules, fixed_12) == 24);
static_assert(offsetof(Spool_Modules, output) == 32);
static_assert(offsetof(Spool_Modules, fixed_20) == 40);
static_assert(sizeof(Spool_Modules) == 48);
static_assert(offsetof(Spool_Band_Data, rows) == 8);
static_assert(sizeof(Spool_Band_Data) == 16);
#endif
