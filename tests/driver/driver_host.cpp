#include "driver_host.h"

#include "ht_plot_config.h"
#include "ie_rep.h"
#include "plat_status.h"
#include "plat_ui.h"
#include "raster_module.h"
#include "raster_palette.h"
#include "raster_plugin.h"

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <unistd.h>

// ---- the printer stream -----------------------------------------------------------

namespace {

class Collector : public spool_stream::Stream_Visitor {
public:
    explicit Collector(Printed_Stream& out) : m_out(out) {}
    void job_begin(const spool_stream::Job_Info& job) override {
        ++m_out.jobs;
        m_out.job_infos.push_back(job);
    }
    void page_begin(const spool_stream::Page_Info& page) override {
        ++m_out.pages;
        m_out.page_infos.push_back(page);
    }
    void band(const spool_stream::Band_Info& band, std::span<const uint8_t> dots) override {
        m_out.bands.push_back({band.top, band.rows, band.width, {dots.begin(), dots.end()}});
    }
    void page_end(const spool_stream::Page_End&) override { ++m_out.page_ends; }
    void job_end(const spool_stream::Job_End&) override { ++m_out.job_ends; }
    void cancelled_copy(uint64_t) override { ++m_out.cancelled_copies; }

private:
    Printed_Stream& m_out;
};

} // namespace

std::uint32_t Printed_Stream::rgb(int column, int row) const {
    for (const Printed_Band& b : bands) {
        if (static_cast<std::uint32_t>(row) < b.top ||
            static_cast<std::uint32_t>(row) >= b.top + b.rows)
            continue;
        const std::size_t at =
            (static_cast<std::size_t>(row - b.top) * b.width + static_cast<std::size_t>(column)) *
            4;
        return std::uint32_t{b.dots[at]} << 16 | std::uint32_t{b.dots[at + 1]} << 8 |
               b.dots[at + 2];
    }
    ADD_FAILURE() << "no band holds row " << row;
    return 0xDEADBEEF;
}

Printed_Stream decode(const std::vector<std::uint8_t>& bytes) {
    Printed_Stream stream;
    spool_stream::Memory_Source source(bytes);
    Collector collector(stream);
    spool_stream::decode_stream(source, collector);
    return stream;
}

// ---- the host ------------------------------------------------------------------------

void Driver_Host::SetUp() {
    // The test program carries the driver; its module answers with the built
    // driver's path, so the description file beside that is found.
    m_module = raster::module_instance();
    plat_test::set_module_file_name(m_module, VORNA_DRIVER_PATH);
    ie_test::reset();
    ::unsetenv("VORNA_SPOOL_FAIL");
    plat::headless_ui().clear();
    plat::headless_ui().set_echo(false);
    plat::status_recorder().clear();
    raster_render::grey_flags() = {};
    raster_device::set_page_output_device(nullptr);
    m_live = ht_test::live_objects();

    static std::atomic<int> serial{0};
    m_temp = fs::temp_directory_path() /
             ("vorna-driver-" + std::to_string(::getpid()) + "-" + std::to_string(serial++));
    fs::create_directories(m_temp);
    m_output = m_temp / "page.prn";

    // The definition the host configures, loaded from the description file.
    m_handler = new HT_Std_Error_Handler;
    HT_Smart_Pointer<HT_Plotter_Class_Factory> factory(new HT_RASTER_Plotter_Class_Factory);
    m_definition = factory->HD_Create_Plotter_Definition(m_handler);
    ASSERT_TRUE(m_definition);
    HT_Smart_Pointer<HT_Caps_Loader> loader(factory->HD_Create_Caps_Loader(m_handler));
    ASSERT_TRUE(loader->Load(m_definition, HT_Caps_Loader::Load_All));
    ht_default_configuration(*m_definition);

    // The job: temporary folder and progress in the shoebox.
    m_progress = new Test_Progress;
    auto acad = m_definition->get_shoebox()->get_autocad_shoebox();
    acad->temp_folder = m_temp.string();
    acad->progress = m_progress.get();
}

void Driver_Host::TearDown() {
    if (m_device)
        delete m_device;
    m_device = nullptr;
    m_progress.release();
    m_definition.release();
    m_handler.release();
    ::unsetenv("VORNA_SPOOL_FAIL");
    ht_test::reset_allocations();
    ht_test::refuse_creation("");
    ie_test::reset();
    raster::set_module_instance(m_module);
    plat_test::clear_module_file_names();
    std::error_code ec;
    fs::remove_all(m_temp, ec);
    EXPECT_EQ(ht_test::live_objects(), m_live) << "objects leaked or freed twice";
    EXPECT_EQ(ie_test::live_images(), 0) << "page images left behind";
}

void Driver_Host::set(const std::string& name, const std::string& value) {
    ht_set_setting(*m_definition, name, value);
}

void Driver_Host::small_page(int width, int height) {
    // Printable area in millimetres that rounds back to whole dots.
    auto entry =
        m_definition->get_plotter_configuration()->get_res_color_mem_configuration()->get_current();
    const double mm_per_dot = 25.4 / entry->x_resolution;
    auto size = m_definition->get_plotter_capabilities()
                    ->get_media_capabilities()
                    ->find_source("P0")
                    ->find_size("UserDefined");
    set("media-source", "P0");
    set("media-size", "UserDefined");
    set("media-bounds", "0,100,0,100");
    // The host sizes a user-defined page from its bounds; these tests want an
    // exact number of dots, so the area is set after the bounds.
    size->units = 1;
    size->printable = {0.0f, static_cast<float>(width * mm_per_dot), 0.0f,
                       static_cast<float>(height * mm_per_dot)};
}

RASTER_Driver& Driver_Host::device() {
    if (!m_device) {
        m_device = HD_Create_Plotter_Device();
        EXPECT_NE(m_device, nullptr);
        m_device->set_error_handler(m_handler);
    }
    return *static_cast<RASTER_Driver*>(m_device);
}

void Driver_Host::configure() {
    device().establish_configuration(m_definition);
    device().plotter_io()->set_target(m_output.string());
}

void Driver_Host::establish() {
    configure();
    device().establish();
}

void Driver_Host::begin() {
    HT_Document_Info document;
    document.document_name = "test drawing";
    device().begin_picture(document);
}

void Driver_Host::end() {
    device().end_picture();
}

void Driver_Host::print(const std::function<void(RASTER_Driver&)>& draw) {
    establish();
    begin();
    draw(device());
    end();
}

std::vector<std::uint8_t> Driver_Host::output() const {
    std::ifstream in(m_output, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Driver_Host::dot(int x, int y, std::uint32_t color) {
    const HT_DCI_Point point{x, y, 0};
    const HT_Rendition rendition;
    const auto& entry = device().actions().draw_dci_dot;
    entry.action(entry.device, &rendition, &point, &color);
}

void Driver_Host::index_dot(int x, int y, int index) {
    const HT_DCI_Point point{x, y, 0};
    HT_Rendition rendition;
    rendition.color_index = index;
    const auto& entry = device().actions().draw_dci_dot;
    entry.action(entry.device, &rendition, &point, nullptr);
}

Driver_Host::Caught Driver_Host::error_of(const std::function<void()>& step) {
    try {
        step();
    } catch (const HT_Error& e) {
        EXPECT_EQ(e.module(), "vorna_tarv_en_7.hdi");
        return {e.code(), e.severe(), e.operation(), e.detail(), e.unit()};
    }
    ADD_FAILURE() << "nothing was thrown";
    return {};
}
