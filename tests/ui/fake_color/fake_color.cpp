// A stand-in for the outside colour dialog library: answers the index a test
// asked for and remembers how it was called.
#include "plat_dialog.h"

namespace {
int g_answer = -1; // -1: answer the index it was opened on
int g_init_calls = 0;
int g_dialog_calls = 0;
int g_last_index = -1;
int g_last_count = 0;
plat::Window g_last_window = nullptr;
} // namespace

extern "C" {
__attribute__((visibility("default"))) void InitColorDLL() {
    ++g_init_calls;
}

__attribute__((visibility("default"))) int DoColorDialog(plat::Device_Context dc, int index,
                                                         int count, int, int) {
    ++g_dialog_calls;
    g_last_index = index;
    g_last_count = count;
    g_last_window = plat::context_window(dc);
    return g_answer < 0 ? index : g_answer;
}

// For the tests only.
__attribute__((visibility("default"))) void fake_color_reset(int answer) {
    g_answer = answer;
    g_init_calls = g_dialog_calls = 0;
    g_last_index = -1;
    g_last_count = 0;
    g_last_window = nullptr;
}
__attribute__((visibility("default"))) int fake_color_calls() {
    return g_dialog_calls;
}
__attribute__((visibility("default"))) int fake_color_init_calls() {
    return g_init_calls;
}
__attribute__((visibility("default"))) int fake_color_last_index() {
    return g_last_index;
}
__attribute__((visibility("default"))) int fake_color_last_count() {
    return g_last_count;
}
__attribute__((visibility("default"))) plat::Window fake_color_last_window() {
    return g_last_window;
}
}
