#include "driver_session.h"

#include "plat_version.h"

#include <cstring>
#include <filesystem>
#include <vector>

namespace {
using Factory_Entry = HT_Plotter_Class_Factory* (*)();

// The host generation a driver is built for: the first part of the file
// version in its version record, read from the file before it is loaded, so a
// driver for another host is refused before any of its code runs.
int driver_generation(const std::string& path) {
    const std::string no_record = path + " carries no version record: it is not a plotter driver";
    const std::uint32_t size = plat::get_file_version_info_size(path.c_str());
    if (size == 0)
        throw App_Error(no_record, 2);
    std::vector<unsigned char> block(size);
    const void* value = nullptr;
    std::uint32_t length = 0;
    if (!plat::get_file_version_info(path.c_str(), size, block.data()) ||
        !plat::ver_query_value(block.data(), "\\", &value, &length) ||
        length < sizeof(plat::rsrc::Fixed_File_Info))
        throw App_Error(no_record, 2);
    plat::rsrc::Fixed_File_Info fixed{};
    std::memcpy(&fixed, value, sizeof fixed);
    return static_cast<int>(fixed.file_version_ms >> 16);
}
} // namespace

std::string Driver_Session::default_driver_path() {
    const std::filesystem::path exe = plat::main_executable_path();
    return (exe.parent_path() / "vorna_tarv_en_7.hdi").string();
}

Driver_Session::Driver_Session(const std::string& driver_path)
    : m_path(driver_path.empty() ? default_driver_path() : driver_path),
      m_handler(new HT_Std_Error_Handler) {
    if (!std::filesystem::exists(m_path))
        throw App_Error("driver not found: " + m_path, 2);
    m_generation = driver_generation(m_path);
    if (!HT_Device_Adapter::supported(m_generation))
        throw App_Error(m_path + " is built for host generation " + std::to_string(m_generation) +
                            "; this host serves generations " +
                            std::to_string(ht_oldest_generation) + " and " +
                            std::to_string(ht_newest_generation),
                        2);
    // dlopen searches the library path for names without a slash; a path is meant.
    std::string load_path = m_path;
    if (load_path.find('/') == std::string::npos)
        load_path = "./" + load_path;
    m_library = plat::load_library(load_path.c_str());
    if (!m_library)
        throw App_Error("cannot load the driver " + m_path + ": " + plat::library_error(), 2);
    try {
        auto entry = reinterpret_cast<Factory_Entry>(
            plat::find_symbol(m_library, "HD_Create_Class_Factory"));
        if (!entry)
            throw App_Error(m_path + " is not a plotter driver (no class factory)", 2);
        m_factory = HT_Smart_Pointer<HT_Plotter_Class_Factory>(entry());
        if (!m_factory)
            throw App_Error("the driver could not create its class factory");
        m_definition = HT_Smart_Pointer<HT_Plotter_Definition>(
            m_factory->HD_Create_Plotter_Definition(m_handler));
        if (!m_definition)
            throw App_Error("the driver could not create its printer definition");
        HT_Smart_Pointer<HT_Caps_Loader> loader(m_factory->HD_Create_Caps_Loader(m_handler));
        if (!loader || !loader->Load(m_definition, HT_Caps_Loader::Load_All))
            throw App_Error("the driver could not load its printer description");
    } catch (const HT_Error& e) {
        m_definition.release();
        m_factory.release();
        plat::free_library(m_library);
        throw App_Error(describe(e));
    } catch (...) {
        m_definition.release();
        m_factory.release();
        plat::free_library(m_library);
        throw;
    }
}

Driver_Session::~Driver_Session() {
    // Everything the driver made must be gone before its code is unmapped.
    m_definition.release();
    m_factory.release();
    plat::free_library(m_library);
}

std::string describe(const HT_Error& e) {
    std::string text = "error " + std::to_string(e.code());
    if (!e.operation().empty())
        text += " in " + e.operation();
    if (!e.detail().empty())
        text += ": " + e.detail();
    for (const auto& t : e.trace())
        text += " <- " + t;
    return text;
}
