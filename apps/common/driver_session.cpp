#include "driver_session.h"

#include <filesystem>

namespace {
using Factory_Entry = HT_Plotter_Class_Factory* (*)();
}

std::string Driver_Session::default_driver_path() {
    const std::filesystem::path exe = plat::main_executable_path();
    return (exe.parent_path() / "vorna_tarv_en_7.hdi").string();
}

Driver_Session::Driver_Session(const std::string& driver_path)
    : m_path(driver_path.empty() ? default_driver_path() : driver_path),
      m_handler(new HT_Std_Error_Handler) {
    if (!std::filesystem::exists(m_path))
        throw App_Error("driver not found: " + m_path, 2);
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
