#include "ie_rep.h"

#include "ie_store.h"
#include "plat_module.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <mutex>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

struct Ie_Rep::State {
    mutable std::mutex mutex;

    bool reporting = true;
    void (*callback)(const char*) = nullptr;
    std::string last_error;

    long long limit = 0;

    bool checkpointing = false;
    long threshold_kib = 0;
    std::string folder;

    int tile_words = 0;
    int tile_rows = 0;

    std::vector<std::pair<std::string, Ie_File_Writer>> file_types;
    std::vector<std::string> extra_folders;
    std::vector<plat::Library> modules; // kept loaded: their writers are registered

    // Test hooks and logs.
    int refuse_memory = 0;
    int fail_creations = 0;
    int invalidate = 0;
    int refuse_write = 0;
    int refuse_read = 0;
    std::vector<std::pair<int, int>> state_calls;
    std::vector<long long> limit_calls;
    std::vector<std::string> module_loads;
    int memory_checks = 0;
};

Ie_Rep ieRep;

Ie_Rep::State& ie_rep_state() {
    return *ieRep.m_state;
}

namespace {

// Counts a hook down; true when it fired.
bool take(int& hook) {
    if (hook <= 0)
        return false;
    --hook;
    return true;
}

// Available memory as the kernel estimates it, in bytes.
long long available_memory() {
    std::ifstream meminfo("/proc/meminfo");
    std::string key;
    long long kib = 0;
    std::string unit;
    while (meminfo >> key >> kib) {
        std::getline(meminfo, unit);
        if (key == "MemAvailable:")
            return kib * 1024;
    }
    const long pages = sysconf(_SC_AVPHYS_PAGES);
    const long page = sysconf(_SC_PAGESIZE);
    return pages > 0 && page > 0 ? static_cast<long long>(pages) * page : 0;
}

bool writer_that_fails(const Ie_File_Source&, const char*) {
    return false;
}

bool services_register(const char* name, Ie_File_Writer writer) {
    return ieRep.register_file_type(name, writer);
}

const Ie_Module_Services k_services{ie_writer_module::services_version, services_register};

// Anything inside this library, to find the folder it was loaded from.
const int k_anchor = 0;

} // namespace

// --- Internal interface used by the image code -------------------------------

void ie_fail(const std::string& text) {
    Ie_Rep::State& s = ie_rep_state();
    void (*callback)(const char*) = nullptr;
    {
        std::lock_guard lock(s.mutex);
        s.last_error = text;
        if (s.reporting)
            callback = s.callback;
    }
    if (callback)
        callback(text.c_str());
}

ieImgRep::Store::Backing ie_backing_for(std::size_t bytes) {
    Ie_Rep::State& s = ie_rep_state();
    std::lock_guard lock(s.mutex);
    ieImgRep::Store::Backing backing;
    if (s.checkpointing && bytes >= static_cast<std::size_t>(s.threshold_kib) * 1024) {
        backing.file = true;
        backing.folder = s.folder;
    }
    return backing;
}

bool ie_refuse_context(Ie_Context_Kind kind) {
    Ie_Rep::State& s = ie_rep_state();
    std::lock_guard lock(s.mutex);
    return take(kind == Ie_Context_Kind::write ? s.refuse_write : s.refuse_read);
}

// --- Ie_Rep -------------------------------------------------------------------

// The state is never freed (see the header); it stays reachable from here.
Ie_Rep::Ie_Rep() : m_state(new State) {}
Ie_Rep::~Ie_Rep() = default;

namespace {
constexpr std::size_t max_logged_calls = 4096;
} // namespace

void Ie_Rep::set_error_reporting(int channel, int on) {
    std::lock_guard lock(m_state->mutex);
    // A cancelled plot calls this for every remaining dot: the log keeps the
    // latest calls only, so that it cannot grow without bound.
    auto& calls = m_state->state_calls;
    if (calls.size() >= max_logged_calls)
        calls.erase(calls.begin(), calls.begin() + static_cast<std::ptrdiff_t>(calls.size() / 2));
    calls.emplace_back(channel, on);
    if (channel == 0)
        m_state->reporting = on != 0;
}

bool Ie_Rep::error_reporting() const {
    std::lock_guard lock(m_state->mutex);
    return m_state->reporting;
}

void Ie_Rep::set_error_callback(void (*callback)(const char*)) {
    std::lock_guard lock(m_state->mutex);
    m_state->callback = callback;
}

std::string Ie_Rep::last_error() const {
    std::lock_guard lock(m_state->mutex);
    return m_state->last_error;
}

void Ie_Rep::set_memory_limit(long long bytes) {
    std::lock_guard lock(m_state->mutex);
    m_state->limit_calls.push_back(bytes);
    m_state->limit = bytes;
}

long long Ie_Rep::memory_limit() const {
    std::lock_guard lock(m_state->mutex);
    return m_state->limit;
}

long long Ie_Rep::memory_in_use() const {
    return ie_counters.memory_bytes;
}
long long Ie_Rep::file_bytes_in_use() const {
    return ie_counters.file_bytes;
}

long long Ie_Rep::image_bytes(int pixel_type, int width, int height) {
    if (pixel_type < ie_pixel::bitonal || pixel_type > ie_pixel::rgb32 || width <= 0 || height <= 0)
        return 0;
    long long bytes = 0;
    if (__builtin_mul_overflow(static_cast<long long>(ie_row_stride(pixel_type, width)),
                               static_cast<long long>(height), &bytes))
        return 0;
    return bytes;
}

bool Ie_Rep::memory_available(int pixel_type, int width, int height) {
    bool refused;
    {
        std::lock_guard lock(m_state->mutex);
        ++m_state->memory_checks;
        refused = take(m_state->refuse_memory);
    }
    if (refused) {
        ie_fail("memory check refused");
        return false;
    }
    const long long bytes = image_bytes(pixel_type, width, height);
    if (bytes == 0) {
        ie_fail("memory check: bad pixel type or size");
        return false;
    }

    // Asked again about an image that is held already (before reading a page
    // back): its room is taken, and counting it twice would refuse a page
    // that has just been drawn.
    if (ie_holds_image(pixel_type, width, height))
        return true;

    const ieImgRep::Store::Backing backing = ie_backing_for(static_cast<std::size_t>(bytes));
    if (backing.file) {
        struct statvfs fs {};
        if (statvfs(backing.folder.c_str(), &fs) != 0) {
            ie_fail("memory check: cannot read the free space of " + backing.folder);
            return false;
        }
        const long long free_bytes =
            static_cast<long long>(fs.f_bavail) * static_cast<long long>(fs.f_frsize);
        if (free_bytes < bytes) {
            ie_fail("memory check: " + std::to_string(bytes) + " bytes needed, " +
                    std::to_string(free_bytes) + " free in " + backing.folder);
            return false;
        }
        return true;
    }

    const long long available = available_memory();
    if (available < bytes) {
        ie_fail("memory check: " + std::to_string(bytes) + " bytes needed, " +
                std::to_string(available) + " available");
        return false;
    }
    const long long limit = memory_limit();
    if (limit > 0 && ie_counters.memory_bytes + bytes > limit) {
        ie_fail("memory check: " + std::to_string(bytes) + " bytes would exceed the limit of " +
                std::to_string(limit));
        return false;
    }
    return true;
}

bool Ie_Rep::enable_checkpointing(long threshold_kib, const char* folder) {
    std::string why;
    struct stat st {};
    if (threshold_kib < 0)
        why = "negative threshold";
    else if (!folder || !*folder)
        why = "no folder";
    else if (stat(folder, &st) != 0 || !S_ISDIR(st.st_mode))
        why = std::string("not a folder: ") + folder;
    else if (access(folder, W_OK | X_OK) != 0)
        why = std::string("folder not writable: ") + folder;
    if (!why.empty()) {
        ie_fail("checkpointing: " + why);
        return false;
    }
    std::lock_guard lock(m_state->mutex);
    m_state->checkpointing = true;
    m_state->threshold_kib = threshold_kib;
    m_state->folder = folder;
    return true;
}

void Ie_Rep::disable_checkpointing() {
    std::lock_guard lock(m_state->mutex);
    m_state->checkpointing = false;
    m_state->folder.clear();
}

std::string Ie_Rep::checkpoint_folder() const {
    std::lock_guard lock(m_state->mutex);
    return m_state->checkpointing ? m_state->folder : std::string();
}

void Ie_Rep::set_paging(int tile_words, int tile_rows) {
    std::lock_guard lock(m_state->mutex);
    m_state->tile_words = std::max(tile_words, 0);
    m_state->tile_rows = std::max(tile_rows, 0);
}

std::unique_ptr<ieImgRep> Ie_Rep::create_image(int width, int height, int pixel_type,
                                               const Ie_Space_Ref& space, Ie_Size tiling) {
    int tile_words = 0;
    int tile_rows = 0;
    bool refused;
    {
        std::lock_guard lock(m_state->mutex);
        refused = take(m_state->fail_creations);
        tile_words = m_state->tile_words;
        tile_rows = m_state->tile_rows;
    }
    if (refused) {
        ie_fail("image creation refused");
        return nullptr;
    }
    const long long bytes = image_bytes(pixel_type, width, height);
    if (bytes == 0) {
        ie_fail("create image: bad pixel type or size");
        return nullptr;
    }
    bool fits = false;
    switch (space.id()) {
    case ie_space::none:
        fits = true;
        break;
    case ie_space::bitonal:
        fits = pixel_type == ie_pixel::bitonal;
        break;
    case ie_space::indexed:
        fits = pixel_type == ie_pixel::index8;
        break;
    case ie_space::rgb:
        fits = pixel_type == ie_pixel::rgb24 || pixel_type == ie_pixel::rgb32;
        break;
    default:
        break;
    }
    if (!fits) {
        ie_fail("create image: colour space does not fit the pixel type");
        return nullptr;
    }

    const int words = static_cast<int>(ie_row_stride(pixel_type, width) / 4);
    if (tiling == ieSizeAny) {
        // The engine's paging applies only to images wider than a tile.
        if (tile_words <= 0 || tile_rows <= 0 || words <= tile_words)
            tile_words = tile_rows = 0;
    } else if (tiling == ieSizeFull) {
        tile_words = tile_rows = 0;
    } else if (tiling.width > 0 && tiling.height > 0) {
        tile_words = tiling.width;
        tile_rows = tiling.height;
    } else {
        ie_fail("create image: bad tiling");
        return nullptr;
    }

    std::shared_ptr<ieImgRep::Store> store =
        ieImgRep::Store::create(width, height, pixel_type, space, tile_words, tile_rows,
                                ie_backing_for(static_cast<std::size_t>(bytes)));
    if (!store)
        return nullptr;
    bool valid;
    {
        std::lock_guard lock(m_state->mutex);
        valid = !take(m_state->invalidate);
    }
    return std::unique_ptr<ieImgRep>(new ieImgRep(std::move(store), valid));
}

std::vector<std::string> Ie_Rep::file_types() const {
    std::lock_guard lock(m_state->mutex);
    std::vector<std::string> names;
    for (const auto& entry : m_state->file_types)
        names.push_back(entry.first);
    return names;
}

bool Ie_Rep::file_type_registered(const char* name) const {
    if (!name)
        return false;
    std::lock_guard lock(m_state->mutex);
    return std::any_of(m_state->file_types.begin(), m_state->file_types.end(),
                       [&](const auto& entry) { return entry.first == name; });
}

bool Ie_Rep::register_file_type(const char* name, Ie_File_Writer writer) {
    if (!name || !*name || !writer) {
        ie_fail("register file type: no name or writer");
        return false;
    }
    std::lock_guard lock(m_state->mutex);
    for (auto& entry : m_state->file_types) {
        if (entry.first == name) {
            entry.second = writer;
            return true;
        }
    }
    m_state->file_types.emplace_back(name, writer);
    return true;
}

std::vector<std::string> Ie_Rep::module_folders() const {
    std::vector<std::string> folders;
    const std::string own = plat::module_path(plat::module_from_address(&k_anchor));
    const std::size_t slash = own.rfind('/');
    if (slash != std::string::npos)
        folders.push_back(own.substr(0, slash));
    std::lock_guard lock(m_state->mutex);
    folders.insert(folders.end(), m_state->extra_folders.begin(), m_state->extra_folders.end());
    return folders;
}

void Ie_Rep::add_module_folder(const std::string& folder) {
    std::lock_guard lock(m_state->mutex);
    m_state->extra_folders.push_back(folder);
}

bool Ie_Rep::load_module(const char* name) {
    {
        std::lock_guard lock(m_state->mutex);
        m_state->module_loads.emplace_back(name ? name : "");
    }
    if (!name || !*name) {
        ie_fail("load module: no name");
        return false;
    }
    std::string path;
    if (std::strchr(name, '/')) {
        path = name;
    } else {
        for (const std::string& folder : module_folders()) {
            const std::string candidate = folder + "/" + name;
            if (access(candidate.c_str(), R_OK) == 0) {
                path = candidate;
                break;
            }
        }
        if (path.empty()) {
            ie_fail(std::string("load module: ") + name + " not found");
            return false;
        }
    }
    plat::Library library = plat::load_library(path.c_str());
    if (!library) {
        ie_fail("load module: " + path + ": " + plat::library_error());
        return false;
    }
    auto entry =
        reinterpret_cast<Ie_Module_Entry>(plat::find_symbol(library, ie_writer_module::entry_name));
    if (!entry) {
        plat::free_library(library);
        ie_fail("load module: " + path + " is not a file-type module");
        return false;
    }
    {
        std::lock_guard lock(m_state->mutex);
        m_state->modules.push_back(library);
    }
    if (entry(&k_services) == 0) {
        ie_fail("load module: " + path + " registered nothing");
        return false;
    }
    return true;
}

bool Ie_Rep::write_file(const ieImgRep& image, const char* type, const char* path) {
    Ie_File_Writer writer = nullptr;
    {
        std::lock_guard lock(m_state->mutex);
        for (const auto& entry : m_state->file_types)
            if (type && entry.first == type)
                writer = entry.second;
    }
    if (!writer) {
        ie_fail(std::string("write file: file type not registered: ") + (type ? type : ""));
        return false;
    }
    if (!image.valid() || !path) {
        ie_fail("write file: invalid image or no path");
        return false;
    }
    const ieImgRep::Store& store = *image.m_store;
    Ie_File_Source source{};
    source.width = store.width;
    source.height = store.height;
    source.pixel_type = store.type;
    source.palette = store.space.entries();
    source.palette_count = store.space.entry_count();
    source.context = const_cast<ieImgRep::Store*>(&store);
    source.read_row = [](void* context, int row, void* out) -> long {
        const auto* s = static_cast<const ieImgRep::Store*>(context);
        return s->read_row(row, 0, s->width, out);
    };
    if (!writer(source, path)) {
        ie_fail(std::string("write file: the ") + type + " writer failed for " + path);
        return false;
    }
    return true;
}

// --- Test hooks -----------------------------------------------------------------

namespace ie_test {

void reset() {
    Ie_Rep::State& s = ie_rep_state();
    std::lock_guard lock(s.mutex);
    s.reporting = true;
    s.callback = nullptr;
    s.last_error.clear();
    s.limit = 0;
    s.checkpointing = false;
    s.threshold_kib = 0;
    s.folder.clear();
    s.tile_words = s.tile_rows = 0;
    s.file_types.clear();
    s.extra_folders.clear();
    s.refuse_memory = s.fail_creations = s.invalidate = s.refuse_write = s.refuse_read = 0;
    s.state_calls.clear();
    s.limit_calls.clear();
    s.module_loads.clear();
    s.memory_checks = 0;
}

void refuse_memory_checks(int count) {
    Ie_Rep::State& s = ie_rep_state();
    std::lock_guard lock(s.mutex);
    s.refuse_memory = count;
}

void fail_creations(int count) {
    Ie_Rep::State& s = ie_rep_state();
    std::lock_guard lock(s.mutex);
    s.fail_creations = count;
}

void invalidate_images(int count) {
    Ie_Rep::State& s = ie_rep_state();
    std::lock_guard lock(s.mutex);
    s.invalidate = count;
}

void refuse_write_contexts(int count) {
    Ie_Rep::State& s = ie_rep_state();
    std::lock_guard lock(s.mutex);
    s.refuse_write = count;
}

void refuse_read_contexts(int count) {
    Ie_Rep::State& s = ie_rep_state();
    std::lock_guard lock(s.mutex);
    s.refuse_read = count;
}

void set_file_type_registered(const char* name, bool registered) {
    if (!name)
        return;
    if (registered) {
        if (!ieRep.file_type_registered(name))
            ieRep.register_file_type(name, writer_that_fails);
        return;
    }
    Ie_Rep::State& s = ie_rep_state();
    std::lock_guard lock(s.mutex);
    std::erase_if(s.file_types, [&](const auto& entry) { return entry.first == name; });
}

std::vector<std::pair<int, int>> state_calls() {
    Ie_Rep::State& s = ie_rep_state();
    std::lock_guard lock(s.mutex);
    return s.state_calls;
}

std::vector<long long> limit_calls() {
    Ie_Rep::State& s = ie_rep_state();
    std::lock_guard lock(s.mutex);
    return s.limit_calls;
}

std::vector<std::string> module_loads() {
    Ie_Rep::State& s = ie_rep_state();
    std::lock_guard lock(s.mutex);
    return s.module_loads;
}

int memory_checks() {
    Ie_Rep::State& s = ie_rep_state();
    std::lock_guard lock(s.mutex);
    return s.memory_checks;
}

long live_images() {
    return ie_counters.live_images;
}
long live_stores() {
    return ie_counters.live_stores;
}

} // namespace ie_test
