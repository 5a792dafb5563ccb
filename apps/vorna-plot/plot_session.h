// What the host sets up for a plot: the driver loaded with its definition and
// configuration, the job's temporary folder and progress object in the
// shoebox, and the driver's device, ready for the plot sequence.
#pragma once

#include "driver_session.h"
#include "ht_renderer.h"
#include "page_frame.h"

#include <string>
#include <utility>
#include <vector>

namespace plot {

// A folder of its own under $TMPDIR (or /tmp), removed with everything in it.
// Folders left by plots whose process is gone are removed on creation.
class Temp_Folder {
public:
    Temp_Folder();
    ~Temp_Folder();
    Temp_Folder(const Temp_Folder&) = delete;
    Temp_Folder& operator=(const Temp_Folder&) = delete;
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

// Removes the live job folder's files and the folder now; safe in a signal
// handler.
void remove_live_temp_folder() noexcept;

struct Session_Options {
    std::string driver; // empty: the English driver beside the program
    std::string config; // empty: the driver's default configuration
    // Settings by name applied over the configuration, in order
    // ("copies", "plot-to-file", "res-color-mem", ...).
    std::vector<std::pair<std::string, std::string>> settings;
};

class Plot_Session {
public:
    // Loads the driver and the configuration and creates the device. Throws
    // App_Error (driver), HT_Config_Error (configuration) or Frame_Error
    // (nothing printable).
    explicit Plot_Session(const Session_Options& options);
    ~Plot_Session();
    Plot_Session(const Plot_Session&) = delete;
    Plot_Session& operator=(const Plot_Session&) = delete;

    // The host's set-up calls: set_error_handler, establish_configuration,
    // establish. The driver's HT_Error passes through.
    void establish();
    // Sends the printer data to page_file() in the temporary folder, whatever
    // the configuration says; before establish().
    void route_output_to_page_file();

    HT_Plotter_Definition& definition() const { return m_driver.definition(); }
    HT_Plotter_Device_Data& device() const { return *m_device; }
    HT_Progress& progress() const { return *m_progress; }
    const HT_Std_Error_Handler& error_handler() const { return *m_driver.error_handler(); }
    const Page_Geometry& geometry() const { return m_geometry; }
    const std::string& temp_folder() const { return m_temp.path(); }
    std::string page_file() const { return m_temp.path() + "/page.prn"; }
    const std::string& driver_path() const { return m_driver.path(); }
    // The signed colour count of the configured entry (negative: grey).
    int color_count() const;

private:
    Driver_Session m_driver;
    Temp_Folder m_temp;
    Page_Geometry m_geometry;
    HT_Smart_Pointer<HT_Progress> m_progress;
    // Declared last: the device goes before the driver is unloaded.
    HT_Smart_Pointer<HT_Plotter_Device_Data> m_device;
};

} // namespace plot
