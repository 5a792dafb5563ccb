// The image engine's colour-space registry. Every user initialises it once
// (csInit when csInitialized says it is not), holds a counted reference while
// it uses the engine, and the last user to leave tears it down with csExit.
#pragma once

#include "ie_export.h"

#include <cstdint>
#include <memory>

struct Ie_Color_Space {
    int id;
    const char* name;
    int channels;
    int bits_per_channel;
};

// The standard colour spaces; found by name only while the registry is up.
IE_EXPORT extern const Ie_Color_Space csNone;
IE_EXPORT extern const Ie_Color_Space csRgb;
IE_EXPORT extern const Ie_Color_Space csBitonal;

IE_EXPORT bool csInitialized();
// Sets the registry up; does nothing when it already is.
IE_EXPORT void csInit();
// Tears the registry down. Refused (false) while references are held, so a
// user that leaves early cannot pull it from under the others.
IE_EXPORT bool csExit();

// Takes a reference on the registry; returns the new count, or 0 (and takes
// nothing) when the registry is not set up.
IE_EXPORT long csAddRef();
// Drops a reference; returns the count left, or -1 when none was held.
IE_EXPORT long csRelease();
// References held now.
IE_EXPORT long csUsageCount();

// A registered colour space by name; null when unknown or not set up.
IE_EXPORT const Ie_Color_Space* csFind(const char* name);

// Identities of the colour spaces (Ie_Color_Space::id).
namespace ie_space {
inline constexpr int none = 0;
inline constexpr int rgb = 1;
inline constexpr int bitonal = 2;
inline constexpr int indexed = 3;
} // namespace ie_space

// One entry of an indexed colour space: bytes red, green, blue, alpha.
struct Ie_Rgba {
    std::uint8_t red;
    std::uint8_t green;
    std::uint8_t blue;
    std::uint8_t alpha;
    bool operator==(const Ie_Rgba&) const = default;
};

// Counted reference to a colour space: one of the standard spaces (never
// freed) or an indexed space made by csSpaceRepConstructor1, freed with its
// last reference. Copying takes a reference.
class IE_EXPORT Ie_Space_Ref {
public:
    Ie_Space_Ref() = default; // empty
    // A standard space; implicit so that `ref = csRgb` reads as the host's code does.
    Ie_Space_Ref(const Ie_Color_Space& standard);

    // The space itself (id, name, channels, bits); null when empty.
    const Ie_Color_Space* get() const;
    const Ie_Color_Space* operator->() const { return get(); }
    explicit operator bool() const { return get() != nullptr; }

    int id() const; // ie_space::*, or -1 when empty
    bool indexed() const { return id() == ie_space::indexed; }
    // The space the entries of an indexed space are in (csRgb); for a
    // standard space the space itself; null when empty.
    const Ie_Color_Space* base() const;
    // Entries of an indexed space (entry_count() of them); null otherwise.
    const Ie_Rgba* entries() const;
    int entry_count() const;
    // References held on an indexed space; 0 for standard or empty ones.
    long use_count() const;

    // Equal: both empty, the same standard space, or indexed spaces over the
    // same base with the same entries.
    friend IE_EXPORT bool operator==(const Ie_Space_Ref& a, const Ie_Space_Ref& b);

    struct Indexed;

private:
    friend IE_EXPORT Ie_Space_Ref csSpaceRepConstructor1(const Ie_Space_Ref&, int, int,
                                                         const Ie_Rgba*, int);
    const Ie_Color_Space* m_standard = nullptr;
    std::shared_ptr<const Indexed> m_indexed;
};

// Makes an indexed colour space of up to 256 entries over `base` (csRgb is
// the only base). The `count` entries given are placed from index `first`
// on; indices outside [first, first + count) hold (0, 0, 0, 255). `flags`
// must be 0. Empty reference (with ieRep.last_error() set) when base is not
// csRgb, first or count are out of range (first >= 0, count >= 1,
// first + count <= 256), entries is null or flags is not 0.
IE_EXPORT Ie_Space_Ref csSpaceRepConstructor1(const Ie_Space_Ref& base, int count, int first,
                                              const Ie_Rgba* entries, int flags);
