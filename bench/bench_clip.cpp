// A page-filling polygon and a crossing polyline on A4 at the sample's
// resolution, under a clip region of 300,000 contours: once as a fine grid
// over the page, once scattered far and wide over the whole coordinate range
// (most contours reach the page, most of each lies off it). vorna-plot runs
// as a separate program, so its peak memory is its own; the same drawing
// without the clip is the measure of both.
#include "bench_figures.h"
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace {

constexpr int contour_count = 300000;

enum class Clip { none, grid, wide };

struct Random {
    std::uint32_t state = 12345;
    double next(double lo, double hi) {
        state = state * 1664525u + 1013904223u;
        return lo + (hi - lo) * (state >> 8) / double(1u << 24);
    }
};

std::string drawing_text(Clip clip) {
    std::string d = R"({"format":"vorna-drawing","version":1,"units":"mm","pages":[{)";
    if (clip != Clip::none) {
        d += R"("clip":[)";
        Random r;
        const int side = 548; // contours a row in the grid
        char buf[160];
        for (int i = 0; i < contour_count; ++i) {
            double x, y, s;
            if (clip == Clip::grid) {
                x = 10 + (i % side) * 190.0 / side;
                y = 10 + (i / side) * 277.0 / side;
                s = 190.0 / side * 0.8;
            } else {
                x = r.next(-1e5, 1e5);
                y = r.next(-1e5, 1e5);
                s = r.next(1, 5000);
            }
            std::snprintf(buf, sizeof buf, "%s[[%.3f,%.3f],[%.3f,%.3f],[%.3f,%.3f]]", i ? "," : "",
                          x, y, x + s, y, x + s / 2, y + s);
            d += buf;
        }
        d += "],";
    }
    d += R"("primitives":[
 {"type":"polygon","points":[[0,0],[210,0],[210,297],[0,297]],"color":"#204080"},
 {"type":"polyline","points":[[0,0],[210,297],[0,297],[210,0]],"color":"#802040"}]}]})";
    return d;
}

std::string program_folder() {
    return std::filesystem::read_symlink("/proc/self/exe").parent_path();
}

struct Files {
    std::filesystem::path folder;
    std::map<Clip, std::string> drawings;
    Files() {
        char templ[] = "/tmp/vorna-bench-clip-XXXXXX";
        if (!mkdtemp(templ))
            std::abort();
        folder = templ;
        for (Clip c : {Clip::none, Clip::grid, Clip::wide}) {
            const std::string path =
                (folder / ("clip-" + std::to_string(static_cast<int>(c)) + ".json")).string();
            std::ofstream(path) << drawing_text(c);
            drawings[c] = path;
        }
    }
    ~Files() { std::filesystem::remove_all(folder); }
};

Files& files() {
    static Files f;
    return f;
}

// Runs vorna-plot on the drawing; its peak resident memory in KiB, or -1.
long plot(const std::string& drawing, const std::string& output) {
    const std::string program = program_folder() + "/vorna-plot";
    std::vector<std::string> args{program, "--quiet", "-o", output, drawing};
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid;
    const int err = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (err != 0)
        return -1;
    int status = 0;
    struct rusage usage {};
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    return usage.ru_maxrss;
}

void clipped_plot(benchmark::State& state, Clip clip) {
    const std::string& drawing = files().drawings.at(clip);
    const std::string output = (files().folder / "out.prn").string();
    long peak = 0;
    for (auto _ : state) {
        peak = plot(drawing, output);
        if (peak < 0) {
            state.SkipWithError("the drawing did not plot");
            break;
        }
    }
    state.counters["peak_MiB"] = static_cast<double>(peak) / 1024;
    state.counters["contours"] = clip == Clip::none ? 0 : contour_count;
}

using Figures = Run_Figures;

// Time against the unclipped plot, and memory a contour point beyond it.
bool print_figures(const Figures& f) {
    const double plain = f.seconds("clip/none");
    const double plain_peak = f.counter("clip/none", "peak_MiB");
    if (plain <= 0)
        return true;
    std::printf("\nFigures\n  A4 page without a clip %28.2f s, peak %6.0f MiB\n", plain,
                plain_peak);
    bool all_met = true;
    for (const auto& [name, label] :
         {std::pair{"clip/grid_300k", "a grid of 300,000 contours"},
          std::pair{"clip/wide_300k", "300,000 contours far and wide"}}) {
        const double s = f.seconds(name);
        if (s <= 0)
            continue;
        const double per_point =
            (f.counter(name, "peak_MiB") - plain_peak) * 1048576.0 / (3.0 * contour_count);
        const bool time_met = s / plain <= 50;
        const bool memory_met = per_point <= 512;
        all_met = all_met && time_met && memory_met;
        std::printf("  under %-30s %10.2f s, %5.1fx the unclipped plot; target within 50x: %s\n",
                    label, s, s / plain, time_met ? "met" : "MISSED");
        std::printf("  %-36s peak %6.0f MiB, %4.0f bytes a contour point; target within 512: "
                    "%s\n",
                    "", f.counter(name, "peak_MiB"), per_point, memory_met ? "met" : "MISSED");
    }
    std::printf("  all targets: %s\n", all_met ? "met" : "MISSED");
    return all_met;
}

} // namespace

BENCHMARK_CAPTURE(clipped_plot, none, Clip::none)
    ->Name("clip/none")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK_CAPTURE(clipped_plot, grid, Clip::grid)
    ->Name("clip/grid_300k")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK_CAPTURE(clipped_plot, wide, Clip::wide)
    ->Name("clip/wide_300k")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    Figures figures;
    benchmark::RunSpecifiedBenchmarks(&figures);
    print_figures(figures);
    benchmark::Shutdown();
    return 0;
}
