#include "ie_enter.h"

#include <mutex>

namespace {
std::mutex g_mutex;
int g_entries = 0;
Ie_Enter_Args g_last{0, 0, 0};
} // namespace

bool ieEnter(long memory, int flags, int mode) {
    if (memory <= 0)
        return false;
    std::lock_guard lock(g_mutex);
    ++g_entries;
    g_last = Ie_Enter_Args{memory, flags, mode};
    return true;
}

bool ieLeave() {
    std::lock_guard lock(g_mutex);
    if (g_entries == 0)
        return false;
    --g_entries;
    return true;
}

int ieEnterCount() {
    std::lock_guard lock(g_mutex);
    return g_entries;
}

Ie_Enter_Args ieLastEnter() {
    std::lock_guard lock(g_mutex);
    return g_last;
}
