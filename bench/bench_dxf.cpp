// A DXF drawing of 100,000 entities (lines, circles, arcs, polylines with
// widths, texts and solid hatches in many colours and lineweights) on an A2
// sheet, plotted at 720 dpi in indexed colour. The host's renderer is timed
// on its own (reading, then laying out the entities as shapes on the
// paper); the whole plot adds the scan conversion, the driver's dot actions
// and band output through the reference spool module.
#include "cad_plot.h"
#include "cad_text.h"
#include "dxf_reader.h"
#include "plot_job.h"
#include "plot_session.h"
#include "rcm_entries.h"

#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace {

constexpr int entity_count = 100000;

// Deterministic numbers for the drawing.
struct Random {
    std::uint32_t state = 12345;
    double next(double lo, double hi) {
        state = state * 1664525u + 1013904223u;
        return lo + (hi - lo) * (state >> 8) / double(1u << 24);
    }
};

std::string big_drawing() {
    std::ostringstream d;
    auto g = [&](int code, auto value) { d << code << '\n' << value << '\n'; };
    g(0, "SECTION");
    g(2, "HEADER");
    g(9, "$INSUNITS");
    g(70, 4);
    g(0, "ENDSEC");
    g(0, "SECTION");
    g(2, "ENTITIES");
    Random r;
    for (int i = 0; i < entity_count; ++i) {
        const double x = r.next(5, 415), y = r.next(5, 589);
        const int color = 1 + i % 255;
        const int weight = (i % 4) * 25;
        switch (i % 20) {
        case 0:
            g(0, "TEXT");
            g(62, color);
            g(10, x);
            g(20, y);
            g(40, 2.5);
            g(1, "A-" + std::to_string(i));
            break;
        case 1:
            g(0, "HATCH");
            g(62, color);
            g(10, 0);
            g(20, 0);
            g(2, "SOLID");
            g(70, 1);
            g(71, 0);
            g(91, 1);
            g(92, 2);
            g(72, 0);
            g(73, 1);
            g(93, 4);
            g(10, x);
            g(20, y);
            g(10, x + 3);
            g(20, y);
            g(10, x + 3);
            g(20, y + 3);
            g(10, x);
            g(20, y + 3);
            g(97, 0);
            g(75, 0);
            g(76, 1);
            g(98, 0);
            break;
        case 2:
        case 3:
        case 4:
            g(0, "CIRCLE");
            g(62, color);
            g(370, weight);
            g(10, x);
            g(20, y);
            g(40, r.next(0.5, 8));
            break;
        case 5:
        case 6:
        case 7:
            g(0, "ARC");
            g(62, color);
            g(370, weight);
            g(10, x);
            g(20, y);
            g(40, r.next(0.5, 8));
            g(50, r.next(0, 360));
            g(51, r.next(0, 360));
            break;
        case 8:
        case 9:
        case 10:
            g(0, "LWPOLYLINE");
            g(62, color);
            g(90, 4);
            g(70, 0);
            g(43, i % 2 ? 0.0 : 0.4);
            for (int k = 0; k < 4; ++k) {
                g(10, x + r.next(-5, 5));
                g(20, y + r.next(-5, 5));
            }
            break;
        default:
            g(0, "LINE");
            g(62, color);
            g(370, weight);
            g(10, x);
            g(20, y);
            g(11, x + r.next(-10, 10));
            g(21, y + r.next(-10, 10));
            break;
        }
    }
    g(0, "ENDSEC");
    g(0, "EOF");
    return d.str();
}

struct Files {
    plot::Temp_Folder folder;
    std::string drawing, config;
    Files() {
        drawing = folder.path() + "/big.dxf";
        std::ofstream(drawing) << big_drawing();
        nlohmann::json c;
        std::ifstream(VORNA_DATA_DIR "/sample-config.json") >> c;
        c["media"]["size"] = "A2_Roll_Paper_Portrait";
        c["media"].erase("bounds");
        c["res_color_mem"] = raster_media::rcm_720_indexed;
        config = folder.path() + "/a2-720.json";
        std::ofstream(config) << c.dump(2);
    }
};

Files& files() {
    static Files f;
    return f;
}

// The printable area of A2 roll paper at 720 dpi, as the plot finds it.
cad::Paper_Area a2_area() {
    cad::Paper_Area a;
    a.left = a.top = 2.96;
    a.width = 414;
    a.height = 588;
    a.dots_per_mm = 720 / 25.4;
    return a;
}

void read(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(cad::read_dxf_file(files().drawing));
    state.counters["entities"] = entity_count;
}

void layout(benchmark::State& state) {
    const cad::Document doc = cad::read_dxf_file(files().drawing);
    cad::Font_Shaper fonts;
    std::size_t shapes = 0;
    for (auto _ : state) {
        const cad::Plot_Result r = cad::plot_document(doc, {}, a2_area(), &fonts);
        shapes = r.shapes.size();
    }
    state.counters["shapes"] = static_cast<double>(shapes);
}

void whole_plot(benchmark::State& state) {
    plot::Plot_Options o;
    o.config = files().config;
    o.drawing = files().drawing;
    o.output = files().folder.path() + "/big.prn";
    o.quiet = true;
    std::FILE* messages = std::fopen("/dev/null", "w");
    for (auto _ : state)
        if (plot::run_plot(o, messages).status != plot::exit_ok) {
            state.SkipWithError("the drawing did not plot");
            break;
        }
    std::fclose(messages);
}

} // namespace

BENCHMARK(read)->Name("dxf/read_100k_entities")->Unit(benchmark::kMillisecond);
BENCHMARK(layout)->Name("dxf/renderer_layout_100k_A2_720")->Unit(benchmark::kMillisecond);
BENCHMARK(whole_plot)
    ->Name("dxf/whole_plot_100k_A2_720_indexed")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);

BENCHMARK_MAIN();
