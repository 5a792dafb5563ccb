// Figures of the print path, measured through the driver library as the host
// loads it: dots per second of the dot action in each colour system, band
// output of a full A2 page at 720 dpi beside a memcpy of the same size, and
// the whole plot of the sample drawing. After the usual table it prints the
// figures against their targets.
#include "bench_figures.h"
#include "ht_draw.h"
#include "ht_plot_config.h"
#include "plot_job.h"
#include "plot_session.h"
#include "rcm_entries.h"

#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <vector>

namespace {

using raster_media::Rcm_Entry;
using enum raster_media::Rcm_Entry;

plot::Session_Options session_options(int entry, const char* size) {
    plot::Session_Options o;
#ifdef VORNA_NULL_SPOOL_DRIVER
    // Run from a folder of its own, whose drv/ holds the spool module that
    // does nothing; the driver is the one of the build.
    o.driver = VORNA_NULL_SPOOL_DRIVER;
#endif
    o.settings = {{"media-source", "P0"},
                  {"media-size", size},
                  {"res-color-mem", std::to_string(entry)},
                  {"plot-to-file", "/dev/null"}};
    return o;
}

HT_Document_Info document() {
    HT_Document_Info info;
    info.document_name = "bench";
    return info;
}

// ---------------------------------------------------------------------------
// Dots

// Calls the device's registered dot action over 64 x 64 blocks that walk the
// page, as a scan conversion would.
[[maybe_unused]] void dots(benchmark::State& state, int entry, bool clipped) {
    std::unique_ptr<plot::Plot_Session> session;
    try {
        session =
            std::make_unique<plot::Plot_Session>(session_options(entry, "A4_Roll_Paper_Portrait"));
        session->establish();
        session->device().begin_picture(document());
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
        return;
    }
    HT_Plotter_Device_Data& device = session->device();
    const auto& action = device.actions().draw_dci_dot;
    const int width = session->geometry().width, rows = session->geometry().rows;
    HT_Rendition rendition;
    rendition.color = 0xFF3366CCu;
    rendition.color_index = 5;
    if (clipped) {
        // A region that holds the whole page: every dot is tested and drawn.
        const float w = static_cast<float>(width), h = static_cast<float>(rows) + 1;
        rendition.clip_region = HT_Smart_Pointer<HT_Contour_Set_Data>(
            new HT_Contour_Set_Data({{{0, 0, 0}, {w, 0, 0}, {w, h, 0}, {0, h, 0}}}));
    }
    const std::uint32_t color =
        entry == rcm_360_indexed || entry == rcm_720_indexed ? 5u : 0xFF3366CCu;
    constexpr int block = 64;
    int x0 = 0, y0 = 1;
    for (auto _ : state) {
        for (int y = y0; y < y0 + block; ++y)
            for (int x = x0; x < x0 + block; ++x) {
                const HT_DCI_Point p{x, y, 0};
                action.action(action.device, &rendition, &p, &color);
            }
        x0 += block;
        if (x0 + block > width) {
            x0 = 0;
            y0 += block;
            if (y0 + block > rows)
                y0 = 1;
        }
    }
    state.SetItemsProcessed(state.iterations() * block * block);
    // A cancelled page ends without output.
    session->progress().request_cancel();
    device.end_picture();
}

// ---------------------------------------------------------------------------
// Band output

std::uint64_t page_image_bytes(const plot::Page_Geometry& g, Rcm_Entry entry) {
    // Indexed: one byte a pixel, the image 10 + 2 x 4 columns wider than the
    // printed row; true colour: four bytes a pixel, 10 + 2 x 1 columns wider.
    // Both one row taller.
    const bool true_colour = entry == rcm_360_true_color || entry == rcm_720_true_color;
    const std::uint64_t width = static_cast<std::uint64_t>(g.width) + (true_colour ? 12 : 18);
    return width * (true_colour ? 4 : 1) * static_cast<std::uint64_t>(g.rows + 1);
}

// A page with something on it: a 20 mm grid of thin lines and a few boxes.
void draw_band_page(HT_Plotter_Device_Data& device, const plot::Page_Geometry& g) {
    HT_Renderer renderer(device);
    HT_Rendition r;
    const int step = g.x_dpi * 20 / 25;
    for (int x = 0; x < g.width; x += step) {
        const HT_DCI_Point line[] = {{x, 1, 0}, {x + 6, 1, 0}, {x + 6, g.rows, 0}, {x, g.rows, 0}};
        renderer.fill_polygon(line, r);
    }
    for (int y = 1; y < g.rows; y += step) {
        const HT_DCI_Point line[] = {
            {0, y, 0}, {g.width, y, 0}, {g.width, y + 6, 0}, {0, y + 6, 0}};
        renderer.fill_polygon(line, r);
    }
    const std::uint32_t colors[] = {0xFFFF0000u, 0xFF00CC00u, 0xFF0000FFu, 0xFFFFCC00u};
    for (int i = 0; i < 4; ++i) {
        r.color = colors[i];
        const int x = g.width / 8 + i * g.width / 5, y = g.rows / 3;
        const HT_DCI_Point box[] = {
            {x, y, 0}, {x + 600, y, 0}, {x + 600, y + 600, 0}, {x, y + 600, 0}};
        renderer.fill_polygon(box, r);
    }
}

// end_picture of a full A2 page at 720 dpi: reading the page image back,
// converting rows into bands, the spool module's work and the output.
void band_output(benchmark::State& state, Rcm_Entry entry) {
    std::unique_ptr<plot::Plot_Session> session;
    try {
        session =
            std::make_unique<plot::Plot_Session>(session_options(entry, "A2_Roll_Paper_Portrait"));
        session->establish();
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
        return;
    }
    HT_Plotter_Device_Data& device = session->device();
    for (auto _ : state) {
        state.PauseTiming();
        device.begin_picture(document());
        draw_band_page(device, session->geometry());
        state.ResumeTiming();
        device.end_picture();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(
        state.iterations() * page_image_bytes(session->geometry(), entry)));
}

// The yardstick: copying as many bytes as the page image holds.
void page_memcpy(benchmark::State& state, Rcm_Entry entry) {
    std::uint64_t bytes = 0;
    try {
        plot::Plot_Session session(session_options(entry, "A2_Roll_Paper_Portrait"));
        bytes = page_image_bytes(session.geometry(), entry);
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
        return;
    }
    std::vector<char> from(bytes, 1), to(bytes, 0);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

// ---------------------------------------------------------------------------
// The sample drawing

struct Sample_Files {
    plot::Temp_Folder folder;
    std::string config_360 = VORNA_DATA_DIR "/sample-config.json";
    std::string config_720;
    std::string config_a2;
    Sample_Files() {
        // The 720 dpi configuration is the sample's with the 720 dpi entry.
        nlohmann::json config;
        std::ifstream(config_360) >> config;
        config["res_color_mem"] = rcm_720_indexed;
        config_720 = folder.path() + "/sample-720.json";
        std::ofstream(config_720) << config.dump(2);
        // The same on A2 roll paper: the page of the band output figures.
        config["media"]["size"] = "A2_Roll_Paper_Portrait";
        config["media"]["bounds"] = {0.0, 420.02, 0.0, 594.01};
        config_a2 = folder.path() + "/sample-a2.json";
        std::ofstream(config_a2) << config.dump(2);
    }
};

enum Sample { sample_360, sample_720, sample_a2_720, sample_a2_720_preview };

[[maybe_unused]] void sample_plot(benchmark::State& state, Sample which) {
    static Sample_Files files;
    plot::Plot_Options o;
    o.config = which == sample_360   ? files.config_360
               : which == sample_720 ? files.config_720
                                     : files.config_a2;
    o.drawing = VORNA_DATA_DIR "/sample.json";
    o.output = files.folder.path() + "/sample.prn";
    if (which == sample_a2_720_preview)
        o.preview = files.folder.path() + "/sample.png";
    o.quiet = true;
    std::FILE* messages = std::fopen("/dev/null", "w");
    // One plot untimed: the first run of a program pays for loading the driver
    // and for the first touch of a page's size, and would weigh on whichever
    // figure comes first.
    if (plot::run_plot(o, messages).status != plot::exit_ok)
        state.SkipWithError("the sample drawing did not plot");
    for (auto _ : state) {
        if (plot::run_plot(o, messages).status != plot::exit_ok) {
            state.SkipWithError("the sample drawing did not plot");
            break;
        }
    }
    std::fclose(messages);
}

// ---------------------------------------------------------------------------
// The same drawing through Ghostscript, for comparison

// The sample drawing's polygons and lines as PostScript on an A2 page, in mm
// from the top-left corner as the drawing has them.
std::string sample_as_postscript() {
    nlohmann::json drawing;
    std::ifstream(VORNA_DATA_DIR "/sample.json") >> drawing;
    std::string ps = "%!PS-Adobe-3.0\n<< /PageSize [1190.55 1683.78] >> setpagedevice\n"
                     "72 25.4 div dup scale 0 594.01 translate 1 -1 scale 1 setlinejoin\n";
    // "#RRGGBB", [r, g, b], or a palette index, drawn as a grey of its own.
    auto colour = [](const nlohmann::json& p) {
        unsigned long v = 0;
        const auto c = p.value("color", nlohmann::json("#000000"));
        if (c.is_string() && c.get<std::string>().size() == 7)
            v = std::strtoul(c.get<std::string>().c_str() + 1, nullptr, 16);
        else if (c.is_array() && c.size() == 3)
            v = c[0].get<unsigned long>() << 16 | c[1].get<unsigned long>() << 8 |
                c[2].get<unsigned long>();
        else if (c.is_number_unsigned())
            v = 0x010101ul * (c.get<unsigned long>() & 0xFF);
        return std::to_string((v >> 16 & 0xFF) / 255.0) + " " +
               std::to_string((v >> 8 & 0xFF) / 255.0) + " " + std::to_string((v & 0xFF) / 255.0) +
               " setrgbcolor\n";
    };
    auto path = [](const nlohmann::json& points, std::size_t from, std::size_t count) {
        std::string out = "newpath";
        for (std::size_t i = from; i < from + count; ++i)
            out += " " + std::to_string(points[i][0].get<double>()) + " " +
                   std::to_string(points[i][1].get<double>()) + (i == from ? " moveto" : " lineto");
        return out;
    };
    for (const auto& page : drawing["pages"])
        for (const auto& p : page["primitives"]) {
            const std::string type = p.value("type", "");
            const auto& points = p["points"];
            if (type == "polyline" && points.size() >= 2)
                ps += colour(p) + std::to_string(p.value("width", 0.25)) + " setlinewidth " +
                      path(points, 0, points.size()) + " stroke\n";
            else if (type == "polygon" && points.size() >= 3)
                ps += colour(p) + path(points, 0, points.size()) + " closepath fill\n";
            else if (type == "strip")
                for (std::size_t i = 0; i + 3 <= points.size(); ++i)
                    ps += colour(p) + path(points, i, 3) + " closepath fill\n";
            else if (type == "dot")
                for (const auto& d : points)
                    ps += colour(p) + std::to_string(d[0].get<double>()) + " " +
                          std::to_string(d[1].get<double>()) + " 0.14 0.14 rectfill\n";
        }
    return ps + "showpage\n";
}

[[maybe_unused]] bool ghostscript_installed() {
    return std::system("command -v gs >/dev/null 2>&1") == 0;
}

// Ghostscript's time for the sample's polygons and lines at 720 dpi on A2,
// into compressed 24-bit PWG Raster: a rasteriser people already have.
[[maybe_unused]] void ghostscript(benchmark::State& state) {
    plot::Temp_Folder folder;
    const std::string ps_file = folder.path() + "/sample.ps";
    std::ofstream(ps_file) << sample_as_postscript();
    const std::string command =
        "gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=pwgraster -dcupsColorSpace=19 "
        "-dcupsBitsPerColor=8 -r720 -sOutputFile=/dev/null '" +
        ps_file + "' >/dev/null 2>&1";
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const int status = std::system(command.c_str());
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        if (status != 0) {
            state.SkipWithError("gs failed on the sample drawing");
            break;
        }
        state.SetIterationTime(took.count());
    }
}

// ---------------------------------------------------------------------------
// Figures against targets

using Figures = Run_Figures;

void print_figures(const Figures& f) {
    std::printf("\nFigures\n");
    bool all_met = true;
    const struct {
        const char* name;
        const char* label;
    } dot_runs[] = {
        {"dots/indexed_360", "indexed, 360 dpi"},
        {"dots/indexed_360_clipped", "indexed, 360 dpi, clipped"},
        {"dots/true_colour_360", "true colour, 360 dpi"},
        {"dots/bitonal_360", "bitonal, 360 dpi"},
        {"dots/indexed_720", "indexed, 720 dpi (4 x 4 block a dot)"},
    };
    for (const auto& d : dot_runs) {
        const double rate = f.counter(d.name, "items_per_second");
        if (rate <= 0)
            continue;
        std::printf("  dot action, %-38s %7.1f M dots/s %7.2f ns a dot", d.label, rate / 1e6,
                    1e9 / rate);
        if (std::string(d.name) == "dots/indexed_360") {
            const bool met = 1e9 / rate < 5.0;
            all_met = all_met && met;
            std::printf("   target < 5 ns: %s", met ? "met" : "MISSED");
        }
        std::printf("\n");
    }
    // Each band figure against a memcpy of its own page image's size.
    const struct {
        const char* name;
        const char* label;
        const char* memcpy_name;
    } band_runs[] = {
        {"band_output/A2_720_indexed", "band output, A2 at 720 dpi, indexed",
         "memcpy/A2_720_indexed_page_image"},
        {"band_output/A2_720_indexed_null_module", "band output, driver's share, indexed",
         "memcpy/A2_720_indexed_page_image"},
        {"band_output/A2_720_true_colour", "band output, A2 at 720 dpi, true colour",
         "memcpy/A2_720_true_colour_page_image"},
        {"band_output/A2_720_true_colour_null_module", "band output, driver's share, true colour",
         "memcpy/A2_720_true_colour_page_image"},
    };
    for (const char* name :
         {"memcpy/A2_720_indexed_page_image", "memcpy/A2_720_true_colour_page_image"}) {
        const double copy = f.counter(name, "bytes_per_second");
        if (copy > 0)
            std::printf("  %-46s %7.0f MB/s\n", name, copy / 1e6);
    }
    for (const auto& b : band_runs) {
        const double copy = f.counter(b.memcpy_name, "bytes_per_second");
        const double band = f.counter(b.name, "bytes_per_second");
        if (band <= 0)
            continue;
        std::printf("  %-46s %7.0f MB/s of page image", b.label, band / 1e6);
        if (copy > 0) {
            const double ratio = copy / band;
            const bool met = ratio <= 4.0;
            all_met = all_met && met;
            std::printf(", %.1fx memcpy's time; target within 4x: %s", ratio,
                        met ? "met" : "MISSED");
        }
        std::printf("\n");
    }
    for (const char* name : {"sample_plot/360", "sample_plot/720"}) {
        const double s = f.seconds(name);
        if (s > 0)
            std::printf("  whole plot of the sample drawing, %s dpi       %7.2f s\n", name + 12, s);
    }
    // Clipped dots against unclipped ones.
    const double plain = f.counter("dots/indexed_360", "items_per_second");
    const double clipped = f.counter("dots/indexed_360_clipped", "items_per_second");
    if (plain > 0 && clipped > 0) {
        const bool met = plain / clipped <= 1.5;
        all_met = all_met && met;
        std::printf("  clipped dots: %.2fx the time of unclipped ones; target within 1.5x: %s\n",
                    plain / clipped, met ? "met" : "MISSED");
    }
    // The sample on A2 at 720 dpi against a memcpy of its page image, and
    // what a preview adds to it.
    const double a2 = f.seconds("sample_plot/A2_720");
    const double copy = f.counter("memcpy/A2_720_indexed_page_image", "bytes_per_second");
    if (a2 > 0 && copy > 0) {
        const double copy_seconds = f.seconds("memcpy/A2_720_indexed_page_image");
        const double ratio = a2 / copy_seconds;
        const bool met = ratio <= 50.0;
        all_met = all_met && met;
        std::printf("  whole plot of the sample drawing, A2 at 720 dpi, indexed %6.2f s, %.0fx "
                    "memcpy of its page image; target within 50x: %s\n",
                    a2, ratio, met ? "met" : "MISSED");
    }
    const double gs = f.seconds("ghostscript/A2_720");
    if (a2 > 0 && gs > 0)
        std::printf("  Ghostscript, the same drawing's polygons and lines at 720 dpi on A2 into "
                    "24-bit PWG Raster %6.2f s; ours takes %.1fx its time (for comparison, no "
                    "target)\n",
                    gs, a2 / gs);
    const double with_preview = f.seconds("sample_plot/A2_720_preview");
    if (a2 > 0 && with_preview > 0) {
        const double ratio = with_preview / a2;
        const bool met = ratio <= 1.2;
        all_met = all_met && met;
        std::printf("  that plot with a preview at 150 dpi %6.2f s, without %6.2f s: %.2fx (adds "
                    "%.0f %%); target at most 1.2x: %s\n",
                    with_preview, a2, ratio, 100 * (ratio - 1), met ? "met" : "MISSED");
    }
    std::printf("%s\n", all_met ? "All targets met." : "Some targets were missed.");
}

} // namespace

int main(int argc, char** argv) {
    using benchmark::RegisterBenchmark;
#ifdef VORNA_NULL_SPOOL_DRIVER
    RegisterBenchmark("band_output/A2_720_indexed_null_module", band_output, rcm_720_indexed)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(3);
    RegisterBenchmark("memcpy/A2_720_indexed_page_image", page_memcpy, rcm_720_indexed)
        ->Unit(benchmark::kMillisecond);
    RegisterBenchmark("band_output/A2_720_true_colour_null_module", band_output, rcm_720_true_color)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(3);
    RegisterBenchmark("memcpy/A2_720_true_colour_page_image", page_memcpy, rcm_720_true_color)
        ->Unit(benchmark::kMillisecond);
#else
    RegisterBenchmark("dots/indexed_360", dots, rcm_360_indexed, false);
    RegisterBenchmark("dots/indexed_360_clipped", dots, rcm_360_indexed, true);
    RegisterBenchmark("dots/true_colour_360", dots, rcm_360_true_color, false);
    RegisterBenchmark("dots/bitonal_360", dots, rcm_360_mono, false);
    RegisterBenchmark("dots/indexed_720", dots, rcm_720_indexed, false);
    RegisterBenchmark("band_output/A2_720_indexed", band_output, rcm_720_indexed)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(3);
    RegisterBenchmark("memcpy/A2_720_indexed_page_image", page_memcpy, rcm_720_indexed)
        ->Unit(benchmark::kMillisecond);
    RegisterBenchmark("band_output/A2_720_true_colour", band_output, rcm_720_true_color)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(3);
    RegisterBenchmark("memcpy/A2_720_true_colour_page_image", page_memcpy, rcm_720_true_color)
        ->Unit(benchmark::kMillisecond);
    RegisterBenchmark("sample_plot/360", sample_plot, sample_360)->Unit(benchmark::kMillisecond);
    RegisterBenchmark("sample_plot/720", sample_plot, sample_720)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(1);
    RegisterBenchmark("sample_plot/A2_720", sample_plot, sample_a2_720)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(2);
    RegisterBenchmark("sample_plot/A2_720_preview", sample_plot, sample_a2_720_preview)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(2);
    if (ghostscript_installed())
        RegisterBenchmark("ghostscript/A2_720", ghostscript)
            ->Unit(benchmark::kMillisecond)
            ->UseManualTime()
            ->Iterations(2);
#endif

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 2;
    Figures figures;
    benchmark::RunSpecifiedBenchmarks(&figures);
    benchmark::Shutdown();
    print_figures(figures);
    return 0;
}
