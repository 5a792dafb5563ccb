#include "ie_colorspace.h"

#include "ie_store.h"

#include <algorithm>
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

// --- Counted references and indexed spaces -----------------------------------

struct Ie_Space_Ref::Indexed {
    Ie_Color_Space space{ie_space::indexed, "indexed", 1, 8};
    const Ie_Color_Space* base = nullptr;
    int count = 0;
    Ie_Rgba entries[256];
};

Ie_Space_Ref::Ie_Space_Ref(const Ie_Color_Space& standard) : m_standard(&standard) {}

const Ie_Color_Space* Ie_Space_Ref::get() const {
    return m_indexed ? &m_indexed->space : m_standard;
}

int Ie_Space_Ref::id() const {
    const Ie_Color_Space* space = get();
    return space ? space->id : -1;
}

const Ie_Color_Space* Ie_Space_Ref::base() const {
    return m_indexed ? m_indexed->base : m_standard;
}

const Ie_Rgba* Ie_Space_Ref::entries() const {
    return m_indexed ? m_indexed->entries : nullptr;
}

int Ie_Space_Ref::entry_count() const {
    return m_indexed ? m_indexed->count : 0;
}

long Ie_Space_Ref::use_count() const {
    return m_indexed ? m_indexed.use_count() : 0;
}

bool operator==(const Ie_Space_Ref& a, const Ie_Space_Ref& b) {
    if (a.m_indexed && b.m_indexed) {
        return a.m_indexed == b.m_indexed ||
               (a.m_indexed->base == b.m_indexed->base &&
                a.m_indexed->count == b.m_indexed->count &&
                std::equal(a.m_indexed->entries, a.m_indexed->entries + a.m_indexed->count,
                           b.m_indexed->entries));
    }
    if (a.m_indexed || b.m_indexed)
        return false;
    return a.m_standard == b.m_standard;
}

Ie_Space_Ref csSpaceRepConstructor1(const Ie_Space_Ref& base, int count, int first,
                                    const Ie_Rgba* entries, int flags) {
    if (base.id() != ie_space::rgb || base.indexed()) {
        ie_fail("indexed colour space: the base must be rgb");
        return {};
    }
    if (first < 0 || count < 1 || count > 256 - first || !entries || flags != 0) {
        ie_fail("indexed colour space: bad entries");
        return {};
    }
    auto indexed = std::make_shared<Ie_Space_Ref::Indexed>();
    indexed->base = &csRgb;
    indexed->count = first + count;
    std::fill(indexed->entries, indexed->entries + 256, Ie_Rgba{0, 0, 0, 255});
    std::copy(entries, entries + count, indexed->entries + first);
    Ie_Space_Ref ref;
    ref.m_indexed = std::move(indexed);
    return ref;
}
