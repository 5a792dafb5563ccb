// Ordered list of counted references; cloning a list clones its elements.
#pragma once

#include "ht_object.h"

#include <cstddef>
#include <vector>

template <class T> class HT_List : public HT_Object {
public:
    HT_List() = default;
    HT_List(const HT_List& o) : HT_Object(o) {
        for (const auto& e : o.m_items)
            m_items.emplace_back(e ? e->clone() : nullptr);
    }
    std::size_t count() const { return m_items.size(); }
    HT_Smart_Pointer<T> at(std::size_t i) const {
        return i < m_items.size() ? m_items[i] : HT_Smart_Pointer<T>();
    }
    void add(T* item) { m_items.emplace_back(item); }
    void set(std::size_t i, T* item) {
        if (i < m_items.size())
            m_items[i] = HT_Smart_Pointer<T>(item);
    }
    void erase(std::size_t i) {
        if (i < m_items.size())
            m_items.erase(m_items.begin() + static_cast<std::ptrdiff_t>(i));
    }
    void clear() { m_items.clear(); }
    auto begin() const { return m_items.begin(); }
    auto end() const { return m_items.end(); }

private:
    std::vector<HT_Smart_Pointer<T>> m_items;
};

// Deep copy of a counted reference, for the copy constructors of containers.
template <class T> HT_Smart_Pointer<T> ht_clone(const HT_Smart_Pointer<T>& p) {
    return p ? HT_Smart_Pointer<T>(p->clone()) : HT_Smart_Pointer<T>();
}

// A host object that carries no state of its own here, but is a kind of its own.
#define HT_DECLARE_SIMPLE(Name)                                                                    \
    class HT_EXPORT Name : public HT_Object {                                                      \
    public:                                                                                        \
        Name* clone() const { return new Name(*this); }                                            \
    }

#define HT_DECLARE_LIST(Name, T)                                                                   \
    class HT_EXPORT Name : public HT_List<T> {                                                     \
    public:                                                                                        \
        Name* clone() const { return new Name(*this); }                                            \
    }
