#include "ht_object.h"

#include <atomic>
#include <cstdlib>
#include <string>
#include <unordered_map>

namespace {
std::atomic<int> g_fail_skip{0};
std::atomic<int> g_fail_count{0};
std::atomic<long> g_live{0};

bool allocation_refused() {
    if (g_fail_count.load() <= 0)
        return false;
    if (g_fail_skip.load() > 0) {
        --g_fail_skip;
        return false;
    }
    --g_fail_count;
    return true;
}

std::unordered_map<const HT_Object*, long>& pool() {
    static std::unordered_map<const HT_Object*, long> refs;
    return refs;
}
} // namespace

Heidi_Global HEIDI;

void* ht_alloc(std::size_t size) noexcept {
    if (allocation_refused())
        return nullptr;
    return std::malloc(size ? size : 1);
}

void ht_free(void* p) noexcept {
    std::free(p);
}

namespace ht_test {
void fail_allocations(int skip, int count) {
    g_fail_skip = skip;
    g_fail_count = count;
}
void reset_allocations() {
    fail_allocations(0, 0);
}
long live_objects() {
    return g_live.load();
}

namespace {
std::string& refused_kind() {
    static std::string kind;
    return kind;
}
} // namespace

void refuse_creation(const char* kind) {
    refused_kind() = kind ? kind : "";
}
bool creation_refused(const char* kind) {
    return !refused_kind().empty() && kind && refused_kind() == kind;
}
} // namespace ht_test

HT_Object::~HT_Object() = default;

void* HT_Object::operator new(std::size_t size) {
    void* p = ht_alloc(size);
    if (!p)
        throw std::bad_alloc();
    ++g_live;
    return p;
}

void* HT_Object::operator new(std::size_t size, const std::nothrow_t&) noexcept {
    void* p = ht_alloc(size);
    if (p)
        ++g_live;
    return p;
}

void HT_Object::operator delete(void* p) noexcept {
    if (p)
        --g_live;
    ht_free(p);
}

void HT_Object::operator delete(void* p, const std::nothrow_t&) noexcept {
    HT_Object::operator delete(p);
}

void SPMP::add_ref(const HT_Object* obj) {
    if (!obj)
        return;
    std::lock_guard lock(HEIDI.critical_section());
    ++pool()[obj];
}

bool SPMP::release(const HT_Object* obj) {
    if (!obj)
        return false;
    {
        std::lock_guard lock(HEIDI.critical_section());
        auto it = pool().find(obj);
        if (it == pool().end())
            return false; // not counted: the caller owns it outright
        if (--it->second > 0)
            return true;
        pool().erase(it);
    }
    // Deleted outside the lock: a destructor may release further references.
    delete obj;
    return false;
}

long SPMP::count(const HT_Object* obj) {
    std::lock_guard lock(HEIDI.critical_section());
    auto it = pool().find(obj);
    return it == pool().end() ? 0 : it->second;
}
