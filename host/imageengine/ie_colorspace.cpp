#include "ie_colorspace.h"

#include <cstring>
#include <mutex>

const Ie_Color_Space csNone{0, "none", 1, 8};
const Ie_Color_Space csRgb{1, "rgb", 3, 8};
const Ie_Color_Space csBitonal{2, "bitonal", 1, 1};

namespace {

std::mutex g_mutex;
bool g_initialized = false;
long g_references = 0;

const Ie_Color_Space* const k_standard[] = {&csNone, &csRgb, &csBitonal};

} // namespace

bool csInitialized() {
    std::lock_guard lock(g_mutex);
    return g_initialized;
}

void csInit() {
    std::lock_guard lock(g_mutex);
    g_initialized = true;
}

bool csExit() {
    std::lock_guard lock(g_mutex);
    if (g_references > 0)
        return false;
    g_initialized = false;
    return true;
}

long csAddRef() {
    std::lock_guard lock(g_mutex);
    if (!g_initialized)
        return 0;
    return ++g_references;
}

long csRelease() {
    std::lock_guard lock(g_mutex);
    if (g_references == 0)
        return -1;
    return --g_references;
}

long csUsageCount() {
    std::lock_guard lock(g_mutex);
    return g_references;
}

const Ie_Color_Space* csFind(const char* name) {
    if (!name)
        return nullptr;
    std::lock_guard lock(g_mutex);
    if (!g_initialized)
        return nullptr;
    for (const Ie_Color_Space* space : k_standard)
        if (std::strcmp(space->name, name) == 0)
            return space;
    return nullptr;
}
