// A page of any size within the printer's user-defined range, asked for by
// name: `media=custom_300x500mm`, or any self-describing size name such as
// `om_plan_300x500mm`.
//
// PAPPL 1.3 accepts a `media` keyword only when it is one of the printer's
// `media-supported` values, and replaces any other by the default size; the
// user-defined range appears there only as its `custom_min_...` and
// `custom_max_...` bounds. This program's own definition of the library's
// membership test (which PAPPL calls through its symbol table) answers yes for
// a size name within those bounds, so that PAPPL keeps the name and the job
// prints at that size. The short `custom_300x500mm`, which people write
// though it lacks the name part of a self-describing name, is read as
// `custom_300x500mm_300x500mm`.
#include <cups/cups.h>

#include <cstring>
#include <dlfcn.h>
#include <string>

namespace {

using Contains_String = int (*)(ipp_attribute_t*, const char*);
using Media_For_Pwg = pwg_media_t* (*)(const char*);

Contains_String library_contains_string() {
    static const auto f = reinterpret_cast<Contains_String>(dlsym(RTLD_NEXT, "ippContainsString"));
    return f;
}

Media_For_Pwg library_media_for_pwg() {
    static const auto f = reinterpret_cast<Media_For_Pwg>(dlsym(RTLD_NEXT, "pwgMediaForPWG"));
    return f;
}

bool starts_with(const char* s, const char* prefix) {
    return std::strncmp(s, prefix, std::strlen(prefix)) == 0;
}

struct Size {
    int width = 0, length = 0; // hundredths of a millimetre
};

// The size a PWG name stands for. (The library answers a size it made up
// from the name in one buffer per thread: copied at once.)
bool size_of(const char* name, Size& out) {
    const pwg_media_t* m = name ? pwgMediaForPWG(name) : nullptr;
    if (!m || m->width <= 0 || m->length <= 0)
        return false;
    out = {m->width, m->length};
    return true;
}

// A size name within the user-defined range that `media-supported` lists.
bool within_custom_range(ipp_attribute_t* supported, const char* name) {
    Size size, min, max;
    bool have_min = false, have_max = false;
    if (!size_of(name, size))
        return false;
    for (int i = 0, n = ippGetCount(supported); i < n; ++i) {
        const char* value = ippGetString(supported, i, nullptr);
        if (value && starts_with(value, "custom_min_"))
            have_min = size_of(value, min);
        else if (value && starts_with(value, "custom_max_"))
            have_max = size_of(value, max);
    }
    return have_min && have_max && size.width >= min.width && size.width <= max.width &&
           size.length >= min.length && size.length <= max.length;
}

} // namespace

extern "C" int ippContainsString(ipp_attribute_t* attr, const char* value) {
    const Contains_String contains = library_contains_string();
    if (contains && contains(attr, value))
        return 1;
    const char* name = attr ? ippGetName(attr) : nullptr;
    return name && value && std::strcmp(name, "media-supported") == 0 &&
           within_custom_range(attr, value);
}

extern "C" pwg_media_t* pwgMediaForPWG(const char* name) {
    const Media_For_Pwg media_for = library_media_for_pwg();
    if (!media_for)
        return nullptr;
    pwg_media_t* media = media_for(name);
    if (media || !name || !starts_with(name, "custom_"))
        return media;
    const char* size = name + std::strlen("custom_");
    if (std::strchr(size, '_') || !std::strchr(size, 'x'))
        return nullptr;
    const std::string full = std::string(name) + "_" + size;
    return media_for(full.c_str());
}
