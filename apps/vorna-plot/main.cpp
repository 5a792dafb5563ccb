// vorna-plot: plots a drawing through the driver the way the host does, into
// printer data, and optionally decodes what was printed into a picture.
#include "plot_job.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void usage(std::FILE* out) {
    std::fputs("usage: vorna-plot [--driver PATH] [--config FILE] [-O NAME=VALUE]... [-o OUT]\n"
               "                  [--preview OUT.png] [--copies N] [--quiet] [--status-window]\n"
               "                  [--plot NAME=VALUE]... DRAWING.json|DRAWING.dxf\n"
               "\n"
               "  --driver PATH      the driver library (default: the English driver beside\n"
               "                     this program)\n"
               "  --config FILE      plot configuration (default: the driver's defaults)\n"
               "  -O, --option NAME=VALUE\n"
               "                     one setting, laid over the configuration and checked\n"
               "                     as vorna-config set checks it (vorna-config options\n"
               "                     lists them); may be given several times\n"
               "  -o, --output OUT   printer data file (default: the configuration's\n"
               "                     plot-to-file name; \"-\" is standard output)\n"
               "  --preview OUT.png  picture of what was printed, on the paper; a drawing of\n"
               "                     several pages gives OUT-1.png, OUT-2.png, ...\n"
               "  --preview-dpi N    resolution of the preview, 10 to 2880 (default 150, each\n"
               "                     pixel the mean of the dots it covers); \"full\": every dot\n"
               "  --copies N         number of copies, 1 to 9999\n"
               "  --quiet            no progress display and no summary\n"
               "  --status-window    show progress in the Print Spool Status window (the\n"
               "                     terminal display when no window can be shown)\n"
               "  --plot NAME=VALUE  how a DXF drawing goes onto the paper: fit, scale=1:N,\n"
               "                     units=mm|cm|m|in|ft, centre=yes|no, rotate=0|90,\n"
               "                     window=X0,Y0,X1,Y1, extents, layout=NAME,\n"
               "                     lineweight-scale=F (also the configuration's \"plot\")\n"
               "  -h, --help         this text\n"
               "  --version          the program's version\n"
               "\n"
               "DRAWING \"-\" is standard input.\n"
               "\n"
               "Exit status: 0 plotted; 1 the driver or the output failed; 2 a bad command\n"
               "line, drawing or configuration; 130 cancelled with Ctrl-C.\n",
               out);
}

bool parse_copies(const std::string& text, int& out) {
    if (text.empty() || text.size() > 4)
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    out = std::atoi(text.c_str());
    return out >= 1 && out <= 9999;
}

// "full" is the page's own resolution (0).
bool parse_preview_dpi(const std::string& text, int& out) {
    if (text == "full") {
        out = 0;
        return true;
    }
    if (text.empty() || text.size() > 4)
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    out = std::atoi(text.c_str());
    return out >= 10 && out <= 2880;
}

bool is_value_option(const std::string& a) {
    for (const char* name : {"--option", "-O", "--driver", "--config", "-o", "--output",
                             "--preview", "--preview-dpi", "--copies", "--plot"})
        if (a == name)
            return true;
    return false;
}

// Takes the value of option `a`; false (said why) when it is not one.
bool set_value(const std::string& a, const std::string& v, plot::Plot_Options& opts) {
    if (a == "--option" || a == "-O") {
        opts.settings.push_back(v);
    } else if (a == "--driver") {
        opts.driver = v;
    } else if (a == "--config") {
        opts.config = v;
    } else if (a == "-o" || a == "--output") {
        opts.output = v;
    } else if (a == "--preview") {
        opts.preview = v;
    } else if (a == "--preview-dpi") {
        if (!parse_preview_dpi(v, opts.preview_dpi)) {
            std::fprintf(stderr,
                         "vorna-plot: --preview-dpi: \"%s\" is neither a number from 10 to "
                         "2880 nor \"full\"\n",
                         v.c_str());
            return false;
        }
    } else if (a == "--copies") {
        if (!parse_copies(v, opts.copies)) {
            std::fprintf(stderr,
                         "vorna-plot: --copies: \"%s\" is not a number from 1 to "
                         "9999\n",
                         v.c_str());
            return false;
        }
    } else if (a == "--plot") {
        const std::size_t eq = v.find('=');
        opts.plot_settings.emplace_back(v.substr(0, eq),
                                        eq == std::string::npos ? std::string() : v.substr(eq + 1));
    }
    return true;
}

// One argument without a value; false (said why) when it is not understood.
bool take_argument(const std::string& a, plot::Plot_Options& opts) {
    if (a.rfind("--option=", 0) == 0) {
        opts.settings.push_back(a.substr(9));
    } else if (a == "--quiet" || a == "-q") {
        opts.quiet = true;
    } else if (a == "--status-window") {
        opts.status_window = true;
    } else if (a.size() > 1 && a[0] == '-') {
        std::fprintf(stderr, "vorna-plot: unknown option %s\n", a.c_str());
        return false;
    } else if (opts.drawing.empty()) {
        opts.drawing = a;
    } else {
        std::fprintf(stderr, "vorna-plot: one drawing at a time (%s and %s)\n",
                     opts.drawing.c_str(), a.c_str());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    plot::Plot_Options opts;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "-h" || a == "--help") {
            usage(stdout);
            return 0;
        }
        if (a == "--version") {
            std::printf("vorna-plot %s\n", VORNA_VERSION);
            return 0;
        }
        bool ok = true;
        if (!is_value_option(a)) {
            ok = take_argument(a, opts);
        } else if (i + 1 < argc) {
            ok = set_value(a, argv[++i], opts);
        } else {
            std::fprintf(stderr, "vorna-plot: %s needs a value\n", a.c_str());
            ok = false;
        }
        if (!ok) {
            usage(stderr);
            return plot::exit_usage;
        }
    }
    if (opts.drawing.empty()) {
        std::fprintf(stderr, "vorna-plot: no drawing given\n");
        usage(stderr);
        return plot::exit_usage;
    }
    plot::install_interrupt_handler();
    return plot::run_plot(opts, stderr).status;
}
