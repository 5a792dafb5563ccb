// The call contract of color.dll, the 256-colour picker the driver loads at
// run time: the names it exports with C linkage, their types, and the colours
// its palette indices stand for.
#pragma once

#include "plat_dialog.h"

#include <array>
#include <cstdint>

// File name of the library in the driver folder.
inline constexpr char color_dll_file_name[] = "color.dll";
inline constexpr char init_color_dll_name[] = "InitColorDLL";
inline constexpr char do_color_dialog_name[] = "DoColorDialog";

// InitColorDLL(): called once right after loading; prepares the picker.
// Calling it again, or not at all, does no harm.
using Init_Color_Dll = void (*)();

// DoColorDialog(dc, current, count, reserved1, reserved2): shows the picker
// modally and answers the chosen palette index.
//   dc       a memory drawing context compatible with the calling dialog's
//            window (plat::create_compatible_context); that window becomes
//            the picker's parent. Null or unknown: no parent.
//   current  the index shown first; outside 0 to count - 1 the picker opens
//            on index 0.
//   count    palette entries the caller uses, 256; at most 256 are offered.
//   reserved1, reserved2: 0.
// Answers the index chosen with OK, or `current` unchanged when the person
// cancels (the caller treats the same index, or 0 or less, as no change).
using Do_Color_Dialog = int (*)(plat::Device_Context dc, int current, int count, int reserved1,
                                int reserved2);

// Template id of the picker dialog, so a headless run can script it, and its
// controls.
inline constexpr int color_dialog_id = 2001;
inline constexpr int color_id_list = 2010;    // owner-drawn drop list, one item per index
inline constexpr int color_id_index = 2011;   // edit: the index typed
inline constexpr int color_id_slider = 2012;  // slider over the indices
inline constexpr int color_id_palette = 2013; // picture of the whole palette
inline constexpr int color_id_swatch = 2014;  // picture of the chosen colour
inline constexpr int color_id_value = 2015;   // label: the chosen colour's red, green, blue

// The colour of each palette index, 0x00BBGGRR: 0 white, 1 to 7 red, yellow,
// green, cyan, blue, magenta, black; 8 and 9 near-whites; 10 to 249 24 hues
// from red round to violet in ten shades each; 250 to 255 greys.
inline constexpr std::array<std::uint32_t, 256> color_dll_palette = {
    0xFFFFFF, 0x0000FF, 0x00FFFF, 0x00FF00, 0xFFFF00, 0xFF0000, 0xFF00FF, 0x000000, // 0
    0xFEFEFE, 0xFDFDFD, 0x0101FF, 0x7F7FFF, 0x0000A5, 0x5252A5, 0x00007F, 0x3F3F7F, // 8
    0x00004C, 0x26264C, 0x000026, 0x131326, 0x003FFF, 0x7F9FFF, 0x0029A5, 0x5267A5, // 16
    0x001F7F, 0x3F4F7F, 0x00134C, 0x262F4C, 0x000926, 0x131726, 0x007FFF, 0x7FBFFF, // 24
    0x0052A5, 0x527CA5, 0x003F7F, 0x3F5F7F, 0x00264C, 0x26394C, 0x001326, 0x131C26, // 32
    0x00BFFF, 0x7FDFFF, 0x007CA5, 0x5291A5, 0x005F7F, 0x3F6F7F, 0x00394C, 0x26424C, // 40
    0x001C26, 0x132126, 0x01FFFF, 0x7FFFFF, 0x00A5A5, 0x52A5A5, 0x007F7F, 0x3F7F7F, // 48
    0x004C4C, 0x264C4C, 0x002626, 0x132626, 0x00FFBF, 0x7FFFDF, 0x00A57C, 0x52A591, // 56
    0x007F5F, 0x3F7F6F, 0x004C39, 0x264C42, 0x00261C, 0x132621, 0x00FF7F, 0x7FFFBF, // 64
    0x00A552, 0x52A57C, 0x007F3F, 0x3F7F5F, 0x004C26, 0x264C39, 0x002613, 0x13261C, // 72
    0x00FF3F, 0x7FFF9F, 0x00A529, 0x52A567, 0x007F1F, 0x3F7F4F, 0x004C13, 0x264C2F, // 80
    0x002609, 0x132617, 0x01FF01, 0x7FFF7F, 0x00A500, 0x52A552, 0x007F00, 0x3F7F3F, // 88
    0x004C00, 0x264C26, 0x002600, 0x132613, 0x3FFF00, 0x9FFF7F, 0x29A500, 0x67A552, // 96
    0x1F7F00, 0x4F7F3F, 0x134C00, 0x2F4C26, 0x092600, 0x172613, 0x7FFF00, 0xBFFF7F, // 104
    0x52A500, 0x7CA552, 0x3F7F00, 0x5F7F3F, 0x264C00, 0x394C26, 0x132600, 0x1C2613, // 112
    0xBFFF00, 0xDFFF7F, 0x7CA500, 0x91A552, 0x5F7F00, 0x6F7F3F, 0x394C00, 0x424C26, // 120
    0x1C2600, 0x212613, 0xFFFF01, 0xFFFF7F, 0xA5A500, 0xA5A552, 0x7F7F00, 0x7F7F3F, // 128
    0x4C4C00, 0x4C4C26, 0x262600, 0x262613, 0xFFBF00, 0xFFDF7F, 0xA57C00, 0xA59152, // 136
    0x7F5F00, 0x7F6F3F, 0x4C3900, 0x4C4226, 0x261C00, 0x262113, 0xFF7F00, 0xFFBF7F, // 144
    0xA55200, 0xA57C52, 0x7F3F00, 0x7F5F3F, 0x4C2600, 0x4C3926, 0x261300, 0x261C13, // 152
    0xFF3F00, 0xFF9F7F, 0xA52900, 0xA56752, 0x7F1F00, 0x7F4F3F, 0x4C1300, 0x4C2F26, // 160
    0x260900, 0x261713, 0xFF0101, 0xFF7F7F, 0xA50000, 0xA55252, 0x7F0000, 0x7F3F3F, // 168
    0x4C0000, 0x4C2626, 0x260000, 0x261313, 0xFF003F, 0xFF7F9F, 0xA50029, 0xA55267, // 176
    0x7F001F, 0x7F3F4F, 0x4C0013, 0x4C262F, 0x260009, 0x261317, 0xFF007F, 0xFF7FBF, // 184
    0xA50052, 0xA5527C, 0x7F003F, 0x7F3F5F, 0x4C0026, 0x4C2639, 0x260013, 0x26131C, // 192
    0xFF00BF, 0xFF7FDF, 0xA5007C, 0xA55291, 0x7F005F, 0x7F3F6F, 0x4C0039, 0x4C2642, // 200
    0x26001C, 0x261321, 0xFF01FF, 0xFF7FFF, 0xA500A5, 0xA552A5, 0x7F007F, 0x7F3F7F, // 208
    0x4C004C, 0x4C264C, 0x260026, 0x261326, 0xBF00FF, 0xDF7FFF, 0x7C00A5, 0x9152A5, // 216
    0x5F007F, 0x6F3F7F, 0x39004C, 0x42264C, 0x1C0026, 0x211326, 0x7F00FF, 0xBF7FFF, // 224
    0x5200A5, 0x7C52A5, 0x3F007F, 0x5F3F7F, 0x26004C, 0x39264C, 0x130026, 0x1C1326, // 232
    0x3F00FF, 0x9F7FFF, 0x2900A5, 0x6752A5, 0x1F007F, 0x4F3F7F, 0x13004C, 0x2F264C, // 240
    0x090026, 0x171326, 0x545454, 0x767676, 0x989898, 0xBABABA, 0xDCDCDC, 0xFCFCFC, // 248
};
