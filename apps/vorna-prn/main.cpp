// vorna-prn: looks into the printer stream that the spool module writes.
//
//   vorna-prn info FILE [--json] [--bands]
//   vorna-prn png FILE OUT.png [--page N] [--dpi N|full]
//   vorna-prn pwg FILE OUT.pwg
//
// Exit status: 0 done; 2 a usage error or an input that is not a sound
// printer stream (the message gives the byte offset); 1 the output could not
// be written.
#include "prn.h"

#include <charconv>
#include <cstring>
#include <iostream>
#include <string_view>

namespace {

constexpr const char* usage_text = "usage: vorna-prn info FILE [--json] [--bands]\n"
                                   "       vorna-prn png FILE OUT.png [--page N] [--dpi N|full]\n"
                                   "       vorna-prn pwg FILE OUT.pwg\n";

constexpr const char* help_text =
    "\n"
    "Reads the printer data that vorna-plot writes.\n"
    "  info  every record field by name and offset (--json: for tools; --bands: every band)\n"
    "  png   page N (from 1, default 1) as a picture of the printed dots\n"
    "  pwg   every page as PWG Raster, for CUPS\n"
    "  -h, --help  this text; --version  the program's version\n"
    "\n"
    "Exit status: 0 done; 1 the output could not be written; 2 a bad command line or an\n"
    "input that is not sound printer data (the message names the byte offset).\n";

// --help and --version anywhere on the line answer at once; nullptr otherwise.
const char* asked_for_text(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        if (a == "-h" || a == "--help" || (i == 1 && a == "help"))
            return "help";
        if (a == "--version")
            return "version";
    }
    return nullptr;
}

int usage(const std::string& problem) {
    std::cerr << "vorna-prn: " << problem << "\n" << usage_text;
    return 2;
}

struct Arguments {
    std::string command;
    std::vector<std::string> files;
    bool json = false;
    bool bands = false;
    unsigned page = 1;
    int dpi = 150; // of the picture; 0: every dot
};

// Reads the arguments; returns an error text or an empty string.
std::string parse(int argc, char** argv, Arguments& args) {
    if (argc < 2)
        return "no command";
    args.command = argv[1];
    if (args.command != "info" && args.command != "png" && args.command != "pwg")
        return "unknown command '" + args.command + "'";
    for (int i = 2; i < argc; ++i) {
        const std::string_view a = argv[i];
        if (a == "--json" && args.command == "info") {
            args.json = true;
        } else if (a == "--bands" && args.command == "info") {
            args.bands = true;
        } else if (a == "--page" && args.command == "png") {
            if (++i == argc)
                return "--page needs a number";
            const std::string_view n = argv[i];
            const auto [end, ec] = std::from_chars(n.data(), n.data() + n.size(), args.page);
            if (ec != std::errc() || end != n.data() + n.size() || args.page == 0)
                return "--page needs a page number from 1, not '" + std::string(n) + "'";
        } else if (a == "--dpi" && args.command == "png") {
            if (++i == argc)
                return "--dpi needs a resolution";
            const std::string_view n = argv[i];
            if (n == "full") {
                args.dpi = 0;
                continue;
            }
            const auto [end, ec] = std::from_chars(n.data(), n.data() + n.size(), args.dpi);
            if (ec != std::errc() || end != n.data() + n.size() || args.dpi < 10 || args.dpi > 2880)
                return "--dpi needs a resolution from 10 to 2880 or 'full', not '" +
                       std::string(n) + "'";
        } else if (a.size() > 1 && a[0] == '-') {
            return "unknown option '" + std::string(a) + "' for " + args.command;
        } else {
            args.files.emplace_back(a);
        }
    }
    const std::size_t wanted = args.command == "info" ? 1 : 2;
    if (args.files.size() != wanted)
        return args.command + " takes " +
               (wanted == 1 ? "one file" : "an input and an output file");
    return {};
}

} // namespace

int main(int argc, char** argv) {
    if (const char* asked = asked_for_text(argc, argv)) {
        if (std::string_view(asked) == "version")
            std::cout << "vorna-prn " << VORNA_VERSION << "\n";
        else
            std::cout << usage_text << help_text;
        return 0;
    }
    Arguments args;
    if (const std::string problem = parse(argc, argv, args); !problem.empty())
        return usage(problem);
    const std::string& input = args.files[0];

    try {
        spool_stream::File_Source source(input);
        if (args.command == "info") {
            prn::print_info(source, std::cout, {args.json, args.bands});
            std::cout.flush();
            if (!std::cout)
                throw prn::Output_Error("cannot write to standard output");
        } else if (args.command == "png") {
            prn::write_png(source, args.page, args.files[1], args.dpi);
        } else {
            prn::write_pwg(source, args.files[1]);
        }
        return 0;
    } catch (const spool_stream::Stream_Error& e) {
        std::cout.flush();
        std::cerr << "vorna-prn: " << input << ": byte " << e.offset() << ": " << e.what() << "\n";
        return 2;
    } catch (const prn::Output_Error& e) {
        std::cerr << "vorna-prn: " << e.what() << "\n";
        return 1;
    } catch (const prn::Input_Error& e) {
        std::cerr << "vorna-prn: " << input << ": " << e.what() << "\n";
        return 2;
    } catch (const std::bad_alloc&) {
        std::cerr << "vorna-prn: out of memory\n";
        return 1;
    } catch (const std::exception& e) {
        // Opening the input (missing file, folder, no permission).
        std::cerr << "vorna-prn: " << input << ": " << e.what() << "\n";
        return 2;
    }
}
