// Loads the driver library the way the host does and keeps what it handed out.
#pragma once

#include "ht_definition.h"
#include "ht_error.h"
#include "ht_factory.h"
#include "ht_renderer.h"
#include "plat_module.h"

#include <stdexcept>
#include <string>

// A failure a person can read, with the exit status it calls for.
class App_Error : public std::runtime_error {
public:
    App_Error(const std::string& message, int status = 1)
        : std::runtime_error(message), m_status(status) {}
    int status() const { return m_status; }

private:
    int m_status;
};

class Driver_Session {
public:
    // Loads the library (empty path: the English driver beside this program),
    // creates a definition through its class factory and runs its caps loader.
    explicit Driver_Session(const std::string& driver_path);
    ~Driver_Session();
    Driver_Session(const Driver_Session&) = delete;
    Driver_Session& operator=(const Driver_Session&) = delete;

    const std::string& path() const { return m_path; }
    HT_Plotter_Definition& definition() const { return *m_definition; }
    HT_Smart_Pointer<HT_Plotter_Definition> definition_ref() const { return m_definition; }
    HT_Smart_Pointer<HT_Std_Error_Handler> error_handler() const { return m_handler; }
    plat::Library library() const { return m_library; }
    // The host generation the driver is built for, from its version record,
    // and the host's way of calling its devices.
    int generation() const { return m_generation; }
    HT_Device_Adapter device_adapter() const { return HT_Device_Adapter(m_generation); }

    // The English driver beside the running program.
    static std::string default_driver_path();

private:
    std::string m_path;
    int m_generation = 0;
    plat::Library m_library = nullptr;
    HT_Smart_Pointer<HT_Std_Error_Handler> m_handler;
    HT_Smart_Pointer<HT_Plotter_Class_Factory> m_factory;
    HT_Smart_Pointer<HT_Plotter_Definition> m_definition;
};

// One line for a person from a host error: message number, operation, detail.
std::string describe(const HT_Error& e);
