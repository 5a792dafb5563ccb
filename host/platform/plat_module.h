// Loaded modules and run-time loading.
//
// A `Module` names a shared object mapped into the process by its base
// address, so it stays comparable however the object was found (from an
// address inside it, by name, or from a `Library`). It takes no reference: a
// module handle of an object that has since been unmapped simply stops
// answering. A `Library` is a counted reference taken by `load_library` and
// given back by `free_library`.
#pragma once

#include "plat_export.h"

#include <cstddef>
#include <string>

namespace plat {

struct Module_Tag;
using Module = const Module_Tag*;
struct Library_Tag;
using Library = Library_Tag*;

// Module that contains `address`; null when no mapped object contains it.
PLAT_EXPORT Module module_from_address(const void* address);

// Module already mapped under `name` (a file name or path as the loader knows
// it); null when it is not mapped. Takes no reference. A null name answers the
// main program.
PLAT_EXPORT Module find_loaded_module(const char* name);

// Copies the full path of `module` (null: the main program) into `buffer` of
// `size` characters. Returns the number of characters copied without the
// terminator. When the path does not fit, copies size - 1 characters and the
// terminator and returns `size`, so a caller grows its buffer until the result
// plus one is smaller than the buffer. Returns 0 for an unknown module or an
// empty path.
PLAT_EXPORT std::size_t module_file_name(Module module, char* buffer, std::size_t size);

// The same path, whole; empty for an unknown module.
PLAT_EXPORT std::string module_path(Module module);

// Full path of the process's main executable; empty if it cannot be read.
PLAT_EXPORT std::string main_executable_path();

// Loads a shared object (a name without '/' is searched for the loader's
// usual way). Null on failure, with the reason in `library_error()`.
PLAT_EXPORT Library load_library(const char* path);
// Address of an exported symbol; null when absent.
PLAT_EXPORT void* find_symbol(Library library, const char* name);
// Gives back the reference taken by `load_library`. False for a null library
// or when the loader refuses.
PLAT_EXPORT bool free_library(Library library);
// Module of a loaded library.
PLAT_EXPORT Module library_module(Library library);
// Why the last failing call of this thread failed.
PLAT_EXPORT std::string library_error();

} // namespace plat

namespace plat_test {
// Makes `module_file_name` and `module_path` answer `path` for `module` (null:
// the main program), so a test can choose the length of a module's path or
// make it empty. Resources are still read from the real file.
PLAT_EXPORT void set_module_file_name(plat::Module module, std::string path);
PLAT_EXPORT void clear_module_file_names();
// Makes `find_loaded_module(name)` answer null for exactly this name, as if
// the object had already been unloaded.
PLAT_EXPORT void hide_module(const std::string& name, bool hidden = true);
PLAT_EXPORT void clear_hidden_modules();
} // namespace plat_test
