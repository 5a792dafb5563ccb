// Root of every host object: the allocator shared by host and driver, counted
// references held in the reference pool, and the host's global object.
#pragma once

#include <cstddef>
#include <mutex>
#include <new>
#include <utility>

#define HT_EXPORT __attribute__((visibility("default")))

class HT_EXPORT HT_Object {
public:
    HT_Object() = default;
    HT_Object(const HT_Object&) = default;
    HT_Object& operator=(const HT_Object&) = default;
    virtual ~HT_Object();

    // Objects cross the host/driver boundary, so both sides must allocate and
    // free them with the same allocator.
    static void* operator new(std::size_t size);
    static void* operator new(std::size_t size, const std::nothrow_t&) noexcept;
    static void operator delete(void* p) noexcept;
    static void operator delete(void* p, const std::nothrow_t&) noexcept;
};

// The host allocator itself, for buffers handed across the boundary.
HT_EXPORT void* ht_alloc(std::size_t size) noexcept;
HT_EXPORT void ht_free(void* p) noexcept;

namespace ht_test {
// Lets tests make host allocations fail: after `skip` successful ones, the next
// `count` return null (or throw std::bad_alloc from the throwing form).
HT_EXPORT void fail_allocations(int skip, int count);
HT_EXPORT void reset_allocations();
// Number of HT_Object instances alive, to check that nothing leaks or is freed twice.
HT_EXPORT long live_objects();
// Makes the standard factory's creation operation HD_Create_<kind> return null
// (an empty kind clears it), to reach each failure path of a caller.
HT_EXPORT void refuse_creation(const char* kind);
HT_EXPORT bool creation_refused(const char* kind);
} // namespace ht_test

// The host's global object; reference counts change only under its critical section.
class HT_EXPORT Heidi_Global {
public:
    std::recursive_mutex& critical_section() { return m_cs; }

private:
    std::recursive_mutex m_cs;
};
HT_EXPORT extern Heidi_Global HEIDI;

// Reference pool: counts references to host objects by address.
class HT_EXPORT SPMP {
public:
    static void add_ref(const HT_Object* obj);
    // Drops one reference and deletes the object at zero. Returns true when
    // references remain.
    static bool release(const HT_Object* obj);
    static long count(const HT_Object* obj);
};

// Counted reference to a host object. Constructing from a raw pointer takes a
// reference; the last release deletes the object.
template <class T> class HT_Smart_Pointer {
public:
    HT_Smart_Pointer() = default;
    HT_Smart_Pointer(std::nullptr_t) {}
    HT_Smart_Pointer(T* p) : m_p(p) { acquire(); }
    HT_Smart_Pointer(const HT_Smart_Pointer& o) : m_p(o.m_p) { acquire(); }
    HT_Smart_Pointer(HT_Smart_Pointer&& o) noexcept : m_p(std::exchange(o.m_p, nullptr)) {}
    template <class U> HT_Smart_Pointer(const HT_Smart_Pointer<U>& o) : m_p(o.get()) { acquire(); }
    ~HT_Smart_Pointer() { release(); }

    HT_Smart_Pointer& operator=(HT_Smart_Pointer o) noexcept {
        std::swap(m_p, o.m_p);
        return *this;
    }

    // Drops this reference; true when the object is still referenced elsewhere.
    bool release() {
        if (!m_p)
            return false;
        const HT_Object* p = m_p;
        m_p = nullptr;
        return SPMP::release(p);
    }

    T* get() const { return m_p; }
    T* operator->() const { return m_p; }
    T& operator*() const { return *m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    bool operator==(const HT_Smart_Pointer& o) const { return m_p == o.m_p; }

private:
    void acquire() {
        if (m_p)
            SPMP::add_ref(m_p);
    }
    T* m_p = nullptr;
};

// Cast between counted references, as the host's dynamic casts do.
template <class T, class U> HT_Smart_Pointer<T> ht_dynamic_cast(const HT_Smart_Pointer<U>& p) {
    return HT_Smart_Pointer<T>(dynamic_cast<T*>(p.get()));
}
