// Whether the image engine is still mapped. Header-only on purpose: the
// question is asked when the engine may already be gone, so the answer must
// not depend on calling into it.
#pragma once

#include "plat_module.h"

namespace ie_module {

// File name under which the loader knows the engine.
inline constexpr char library_name[] = "libvorna_ie.so";

// True when the engine is mapped and its file name can be read into a buffer
// of 260 characters.
inline bool still_mapped() {
    plat::Module module = plat::find_loaded_module(library_name);
    if (!module)
        return false;
    char path[260];
    return plat::module_file_name(module, path, sizeof path) > 0;
}

} // namespace ie_module

namespace ie_test {
// Makes still_mapped() answer false, as if the engine had been unloaded first.
inline void pretend_unloaded(bool gone) {
    plat_test::hide_module(ie_module::library_name, gone);
}
} // namespace ie_test
