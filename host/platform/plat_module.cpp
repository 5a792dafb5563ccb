#include "plat_module.h"

#include "plat_internal.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <link.h>
#include <map>
#include <mutex>
#include <set>
#include <unistd.h>

namespace {

std::mutex g_hooks_mutex;
std::map<plat::Module, std::string> g_name_overrides;
std::set<std::string> g_hidden;

thread_local std::string t_library_error;

void set_error(const char* what, const char* detail) {
    t_library_error = what;
    if (detail && *detail) {
        t_library_error += ": ";
        t_library_error += detail;
    }
}

plat::Module as_module(const void* base) {
    return static_cast<plat::Module>(base);
}

// Base address of the object whose dynamic-loader entry is `map`.
plat::Module module_of_link_map(const link_map* map) {
    if (!map || !map->l_ld)
        return nullptr;
    Dl_info info{};
    if (!dladdr(map->l_ld, &info))
        return nullptr;
    return as_module(info.dli_fbase);
}

std::string absolute(const char* name) {
    if (!name || !*name)
        return {};
    if (name[0] == '/')
        return name;
    // The loader keeps the name it was given; make a relative one whole.
    char resolved[PATH_MAX];
    if (realpath(name, resolved))
        return resolved;
    return name;
}

} // namespace

namespace plat::detail {

std::string real_module_path(Module module) {
    if (!module)
        return main_executable_path();
    Dl_info info{};
    link_map* map = nullptr;
    if (!dladdr1(module, &info, reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP))
        return {};
    // Only a base address names a module, not any address inside one.
    if (as_module(info.dli_fbase) != module || !map)
        return {};
    if (!map->l_name || !*map->l_name)
        return main_executable_path();
    return absolute(map->l_name);
}

} // namespace plat::detail

namespace plat {

Module module_from_address(const void* address) {
    Dl_info info{};
    if (!address || !dladdr(address, &info))
        return nullptr;
    return as_module(info.dli_fbase);
}

Module find_loaded_module(const char* name) {
    if (name) {
        std::lock_guard lock(g_hooks_mutex);
        if (g_hidden.count(name))
            return nullptr;
    }
    // RTLD_NOLOAD only looks; the reference it takes is given back at once.
    void* handle = dlopen(name, RTLD_LAZY | RTLD_NOLOAD);
    if (!handle)
        return nullptr;
    link_map* map = nullptr;
    Module module = nullptr;
    if (dlinfo(handle, RTLD_DI_LINKMAP, &map) == 0)
        module = module_of_link_map(map);
    dlclose(handle);
    return module;
}

std::string module_path(Module module) {
    {
        std::lock_guard lock(g_hooks_mutex);
        auto it = g_name_overrides.find(module);
        if (it != g_name_overrides.end())
            return it->second;
    }
    return detail::real_module_path(module);
}

std::size_t module_file_name(Module module, char* buffer, std::size_t size) {
    if (!buffer || size == 0)
        return 0;
    const std::string path = module_path(module);
    if (path.size() < size) {
        std::memcpy(buffer, path.c_str(), path.size() + 1);
        return path.size();
    }
    // Cut to fit and say so by answering the full buffer size.
    std::memcpy(buffer, path.data(), size - 1);
    buffer[size - 1] = '\0';
    return size;
}

std::string main_executable_path() {
    std::string path(256, '\0');
    for (;;) {
        ssize_t n = readlink("/proc/self/exe", path.data(), path.size());
        if (n < 0)
            return {};
        if (static_cast<std::size_t>(n) < path.size()) {
            path.resize(static_cast<std::size_t>(n));
            return path;
        }
        // readlink cuts silently; a full buffer may mean a longer path.
        if (path.size() >= (std::size_t{1} << 20))
            return {};
        path.resize(path.size() * 2);
    }
}

Library load_library(const char* path) {
    if (!path || !*path) {
        set_error("no library name given", nullptr);
        return nullptr;
    }
    void* handle = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        set_error("cannot load library", dlerror());
        return nullptr;
    }
    return static_cast<Library>(handle);
}

void* find_symbol(Library library, const char* name) {
    if (!library || !name) {
        set_error("no library or symbol name given", nullptr);
        return nullptr;
    }
    dlerror();
    void* symbol = dlsym(library, name);
    if (!symbol)
        set_error("symbol not found", dlerror());
    return symbol;
}

bool free_library(Library library) {
    if (!library) {
        set_error("no library given", nullptr);
        return false;
    }
    if (dlclose(library) != 0) {
        set_error("cannot free library", dlerror());
        return false;
    }
    return true;
}

Module library_module(Library library) {
    if (!library)
        return nullptr;
    link_map* map = nullptr;
    if (dlinfo(library, RTLD_DI_LINKMAP, &map) != 0)
        return nullptr;
    return module_of_link_map(map);
}

std::string library_error() {
    return t_library_error;
}

} // namespace plat

namespace plat_test {

void set_module_file_name(plat::Module module, std::string path) {
    std::lock_guard lock(g_hooks_mutex);
    g_name_overrides[module] = std::move(path);
}

void clear_module_file_names() {
    std::lock_guard lock(g_hooks_mutex);
    g_name_overrides.clear();
}

void hide_module(const std::string& name, bool hidden) {
    std::lock_guard lock(g_hooks_mutex);
    if (hidden)
        g_hidden.insert(name);
    else
        g_hidden.erase(name);
}

void clear_hidden_modules() {
    std::lock_guard lock(g_hooks_mutex);
    g_hidden.clear();
}

} // namespace plat_test
