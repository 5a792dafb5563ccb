// Figures of the image actions, measured through the driver library as the
// host loads it: rows of palette indices and of 32-bit colours drawn into an
// A2 page at 720 dpi, with and without colour substitution, and a shared
// image fetched in strips, each in MB/s of source pixels beside a memcpy of
// the same bytes in the same run.
#include "bench_figures.h"
#include "ht_shared_image.h"
#include "plot_session.h"
#include "rcm_entries.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

using enum raster_media::Rcm_Entry;

// Rows of an image drawn at a time: one band of the page's width.
constexpr int band_rows = 64;
// Rows of the shared image.
constexpr int shared_rows = 512;

plot::Session_Options session_options(int entry, bool substitution) {
    plot::Session_Options o;
    o.settings = {{"media-source", "P0"},
                  {"media-size", "A2_Roll_Paper_Portrait"},
                  {"res-color-mem", std::to_string(entry)},
                  {"plot-to-file", "/dev/null"}};
    if (substitution) {
        // Red becomes green: a colour every test image holds.
        o.settings.insert(o.settings.end(), {{"RASTER_ChangeColor", "true"},
                                             {"RASTER_Draw2Black", "false"},
                                             {"RASTER_ConvertColor1", "true"},
                                             {"RASTER_RGB_Compare1_IndexColor", "255"},
                                             {"RASTER_RGB_Swap1_IndexColor", "65280"}});
    }
    return o;
}

HT_Document_Info document() {
    HT_Document_Info info;
    info.document_name = "bench";
    return info;
}

// A session with its picture begun, or the reason there is none.
std::unique_ptr<plot::Plot_Session> begin_page(benchmark::State& state, int entry,
                                               bool substitution) {
    try {
        auto session = std::make_unique<plot::Plot_Session>(session_options(entry, substitution));
        session->establish();
        session->device().begin_picture(document());
        return session;
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
        return nullptr;
    }
}

// A cancelled page ends without output.
void end_page(plot::Plot_Session& session) {
    session.progress().request_cancel();
    session.device().end_picture();
}

// Source pixels: indices cycling through the palette, or host colours
// cycling through a few with red among them.
std::vector<std::uint8_t> source_pixels(int entry, int width, int rows) {
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(rows);
    std::vector<std::uint8_t> bytes;
    if (entry == rcm_720_indexed) {
        bytes.resize(count);
        for (std::size_t i = 0; i < count; ++i)
            bytes[i] = static_cast<std::uint8_t>(i * 7 % 256);
        return bytes;
    }
    const std::uint32_t colours[] = {0xFFFF0000u, 0xFF3366CCu, 0xFF00CC00u, 0xFFFFFFFFu,
                                     0xFF000000u, 0x80FF0000u, 0xFF123456u};
    bytes.resize(count * 4);
    for (std::size_t i = 0; i < count; ++i)
        std::memcpy(bytes.data() + 4 * i, &colours[i / 16 % 7], 4);
    return bytes;
}

std::int64_t band_bytes(int entry, int width) {
    return std::int64_t{width} * band_rows * (entry == rcm_720_indexed ? 1 : 4);
}

// ---------------------------------------------------------------------------
// Row images

// Bands of the page's width drawn through the device's image action, walking
// down the page.
void row_images(benchmark::State& state, int entry, bool substitution) {
    auto session = begin_page(state, entry, substitution);
    if (!session)
        return;
    HT_Plotter_Device_Data& device = session->device();
    const int width = session->geometry().width, rows = session->geometry().rows;
    const std::vector<std::uint8_t> pixels = source_pixels(entry, width, band_rows);
    const auto& action = entry == rcm_720_indexed ? device.actions().draw_dci_index8_image
                                                  : device.actions().draw_dci_rgb32_image;
    if (!action.usable()) {
        state.SkipWithError("the device has no image action");
        end_page(*session);
        return;
    }
    const int row_bytes = width * (entry == rcm_720_indexed ? 1 : 4);
    HT_Rendition rendition;
    int y = rows;
    for (auto _ : state) {
        const HT_DCI_Point start{0, y, 0}, end{width - 1, y - band_rows + 1, 0};
        action.action(action.device, &rendition, &start, &end, row_bytes, pixels.data());
        y -= band_rows;
        if (y - band_rows + 1 < 1)
            y = rows;
    }
    state.SetBytesProcessed(state.iterations() * band_bytes(entry, width));
    end_page(*session);
}

// ---------------------------------------------------------------------------
// Shared images

// An image of the page's width and 512 rows, fetched from its source in
// strips and composed into the page (or written directly), walking down.
void shared_image(benchmark::State& state, bool compose, int entry) {
    auto session = begin_page(state, entry, false);
    if (!session)
        return;
    HT_Plotter_Device_Data& device = session->device();
    const int width = session->geometry().width, rows = session->geometry().rows;
    std::vector<std::uint32_t> colours(static_cast<std::size_t>(width) * shared_rows);
    if (entry == rcm_720_true_color) {
        for (std::size_t i = 0; i < colours.size(); ++i)
            colours[i] = 0xFF000000u | static_cast<std::uint32_t>(i * 2654435761u >> 8);
    } else {
        // Matched to the palette: a picture with flat areas and gradients,
        // a thousand colours, as rendered views and logos have.
        for (std::size_t i = 0; i < colours.size(); ++i) {
            const auto x = static_cast<std::uint32_t>(i % static_cast<std::size_t>(width));
            const auto y = static_cast<std::uint32_t>(i / static_cast<std::size_t>(width));
            colours[i] = 0xFF000000u | (x * 32 / static_cast<std::uint32_t>(width) * 8) << 16 |
                         (y * 32 / shared_rows * 8) << 8 | 0x60u;
        }
    }
    HT_Smart_Pointer<HT_Memory_Image> image(
        new HT_Memory_Image(width, shared_rows, std::move(colours)));
    image->source().no_composition = compose ? 0 : 1;
    const auto& action = device.actions().draw_dci_image;
    HT_Rendition rendition;
    int y = rows;
    for (auto _ : state) {
        const HT_DCI_Point at{0, y, 0};
        action.action(action.device, &rendition, &at, image.get());
        y -= shared_rows;
        if (y - shared_rows + 1 < 1)
            y = rows;
    }
    state.SetBytesProcessed(state.iterations() * std::int64_t{width} * shared_rows * 4);
    end_page(*session);
}

// ---------------------------------------------------------------------------
// Palette matching

// The picture of the indexed shared image benchmark fetched from the host as
// palette indices, in the driver's strips, with nothing drawn: the host's
// colour matching alone.
void palette_matching(benchmark::State& state, int width) {
    std::vector<std::uint32_t> colours(static_cast<std::size_t>(width) * shared_rows);
    for (std::size_t i = 0; i < colours.size(); ++i) {
        const auto x = static_cast<std::uint32_t>(i % static_cast<std::size_t>(width));
        const auto y = static_cast<std::uint32_t>(i / static_cast<std::size_t>(width));
        colours[i] = 0xFF000000u | (x * 32 / static_cast<std::uint32_t>(width) * 8) << 16 |
                     (y * 32 / shared_rows * 8) << 8 | 0x60u;
    }
    HT_Memory_Image image(width, shared_rows, std::move(colours));
    // A colour cube and a grey ramp, as plot palettes are made.
    std::uint8_t palette[256][3] = {};
    for (int i = 0; i < 216; ++i) {
        palette[i][0] = static_cast<std::uint8_t>(i / 36 * 51);
        palette[i][1] = static_cast<std::uint8_t>(i / 6 % 6 * 51);
        palette[i][2] = static_cast<std::uint8_t>(i % 6 * 51);
    }
    for (int i = 216; i < 256; ++i)
        palette[i][0] = palette[i][1] = palette[i][2] =
            static_cast<std::uint8_t>((i - 216) * 255 / 39);
    HT_Image_Request request;
    request.format = HT_Request_Bytes;
    request.pixel_size = 8;
    request.palette = palette;
    request.palette_size = 256;
    request.row_bytes = (width + 3) / 4 * 4;
    request.x0 = request.area_x0 = 0;
    request.x1 = request.area_x1 = width - 1;
    const int strip_rows = std::max(1, 0x80000 / request.row_bytes);
    HT_Image_Source& source = image.source();
    for (auto _ : state) {
        for (int top = 0; top < shared_rows; top += strip_rows) {
            request.y0 = request.area_y0 = top;
            request.y1 = request.area_y1 = std::min(shared_rows, top + strip_rows) - 1;
            HT_Image_Block* block = source.fetch(&request, source.user_value, source.user_handle);
            if (!block) {
                state.SkipWithError("the image answered no block");
                return;
            }
            benchmark::DoNotOptimize(block->pixels);
            source.release(block, source.user_value, source.user_handle);
        }
    }
    state.SetBytesProcessed(state.iterations() * std::int64_t{width} * shared_rows * 4);
}

// ---------------------------------------------------------------------------
// The yardstick

// Copies as many bytes as one drawing of the benchmark it stands beside.
void copy_bytes(benchmark::State& state, std::int64_t bytes) {
    std::vector<char> from(static_cast<std::size_t>(bytes), 1), to(static_cast<std::size_t>(bytes));
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), from.size());
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * bytes);
}

// The page's width at 720 dpi, for the memcpy sizes.
int page_width() {
    try {
        plot::Plot_Session session(session_options(rcm_720_indexed, false));
        return session.geometry().width;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_images: %s\n", e.what());
        return 0;
    }
}

// ---------------------------------------------------------------------------
// Figures

using Figures = Run_Figures;

void print_figures(const Figures& f) {
    std::printf("\nFigures (MB/s of source pixels; memcpy of the same bytes beside each)\n");
    const struct {
        const char* name;
        const char* copy;
        const char* label;
    } runs[] = {
        {"index8/A2_720", "memcpy/index8_band", "index8 image"},
        {"index8/A2_720_substituted", "memcpy/index8_band", "index8 image, substituted"},
        {"rgb32/A2_720", "memcpy/rgb32_band", "rgb32 image"},
        {"rgb32/A2_720_substituted", "memcpy/rgb32_band", "rgb32 image, substituted"},
        {"shared/A2_720_composed", "memcpy/shared_image", "shared image, composed in strips"},
        {"shared/A2_720_direct", "memcpy/shared_image", "shared image, direct in strips"},
        {"shared/A2_720_indexed_composed", "memcpy/shared_image",
         "shared image, indexed, composed in strips"},
        {"palette_matching/A2_720", "memcpy/shared_image", "palette matching of its pixels"},
    };
    // Targets: strips within 10x memcpy, palette matching within 2x.
    const std::map<std::string, double> targets{{"shared/A2_720_composed", 10.0},
                                                {"shared/A2_720_indexed_composed", 10.0},
                                                {"palette_matching/A2_720", 2.0}};
    for (const auto& r : runs) {
        const double rate = f.counter(r.name, "bytes_per_second"),
                     copy = f.counter(r.copy, "bytes_per_second");
        if (rate <= 0)
            continue;
        std::printf("  %-42s %8.0f MB/s", r.label, rate / 1e6);
        if (copy > 0)
            std::printf("   memcpy %8.0f MB/s, %5.1fx memcpy's time", copy / 1e6, copy / rate);
        const auto target = targets.find(r.name);
        if (copy > 0 && target != targets.end())
            std::printf("; target within %.0fx: %s", target->second,
                        copy / rate <= target->second ? "met" : "MISSED");
        std::printf("\n");
    }
}

} // namespace

int main(int argc, char** argv) {
    using benchmark::RegisterBenchmark;
    const int width = page_width();
    RegisterBenchmark("index8/A2_720", row_images, rcm_720_indexed, false);
    RegisterBenchmark("index8/A2_720_substituted", row_images, rcm_720_indexed, true);
    RegisterBenchmark("rgb32/A2_720", row_images, rcm_720_true_color, false);
    RegisterBenchmark("rgb32/A2_720_substituted", row_images, rcm_720_true_color, true);
    RegisterBenchmark("shared/A2_720_composed", shared_image, true, rcm_720_true_color)
        ->Unit(benchmark::kMillisecond);
    RegisterBenchmark("shared/A2_720_direct", shared_image, false, rcm_720_true_color)
        ->Unit(benchmark::kMillisecond);
    RegisterBenchmark("shared/A2_720_indexed_composed", shared_image, true, rcm_720_indexed)
        ->Unit(benchmark::kMillisecond);
    if (width > 0) {
        RegisterBenchmark("palette_matching/A2_720", palette_matching, width)
            ->Unit(benchmark::kMillisecond);
        RegisterBenchmark("memcpy/index8_band", copy_bytes, band_bytes(rcm_720_indexed, width));
        RegisterBenchmark("memcpy/rgb32_band", copy_bytes, band_bytes(rcm_720_true_color, width));
        RegisterBenchmark("memcpy/shared_image", copy_bytes, std::int64_t{width} * shared_rows * 4)
            ->Unit(benchmark::kMillisecond);
    }

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 2;
    Figures figures;
    benchmark::RunSpecifiedBenchmarks(&figures);
    benchmark::Shutdown();
    print_figures(figures);
    return 0;
}
