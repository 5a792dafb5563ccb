// vorna-prn as a person runs it: streams written by the spool module come out
// as PNG and PWG Raster with the same dots, and damaged streams or bad
// command lines end with exit status 2 and a message that says where.
#include "spool_test_support.h"

#include <cups/raster.h>
#include <nlohmann/json.hpp>
#include <png.h>

#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

using namespace spool_test;

namespace {

struct Prn_Result {
    int status = -1;
    std::string out;
    std::string err;
};

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Tests run as separate processes at the same time: each keeps its own files.
std::string temp(const std::string& name) {
    return ::testing::TempDir() + "prn_" + std::to_string(getpid()) + "_" + name;
}

// Runs vorna-prn with these arguments, collecting its output and exit status.
Prn_Result prn(const std::vector<std::string>& args) {
    const std::string out_path = temp("stdout.txt");
    const std::string err_path = temp("stderr.txt");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addopen(&actions, 2, err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    std::vector<std::string> all{VORNA_PRN};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    Prn_Result run;
    if (posix_spawn(&pid, VORNA_PRN, &actions, nullptr, argv.data(), environ) == 0) {
        int wstatus = 0;
        waitpid(pid, &wstatus, 0);
        run.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
    }
    posix_spawn_file_actions_destroy(&actions);
    run.out = slurp(out_path);
    run.err = slurp(err_path);
    return run;
}

std::string save(const std::string& name, const std::vector<uint8_t>& bytes) {
    const std::string path = temp(name);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return path;
}

bool exists(const std::string& path) {
    return access(path.c_str(), F_OK) == 0;
}

std::vector<uint8_t> rgb_of(const Test_Page& page) {
    std::vector<uint8_t> rgb;
    for (std::size_t i = 0; i < page.dots.size(); i += 4)
        rgb.insert(rgb.end(), page.dots.begin() + static_cast<std::ptrdiff_t>(i),
                   page.dots.begin() + static_cast<std::ptrdiff_t>(i) + 3);
    return rgb;
}

struct Png_Picture {
    uint32_t width = 0, height = 0;
    std::vector<uint8_t> rgb;
};

Png_Picture read_png(const std::string& path) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    Png_Picture picture;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        throw std::runtime_error("cannot read " + path + ": " + image.message);
    image.format = PNG_FORMAT_RGB;
    picture.width = image.width;
    picture.height = image.height;
    picture.rgb.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, picture.rgb.data(), 0, nullptr))
        throw std::runtime_error("cannot read " + path + ": " + image.message);
    return picture;
}

struct Pwg_Page {
    cups_page_header2_t header{};
    std::vector<uint8_t> rgb;
};

std::vector<Pwg_Page> read_pwg(const std::string& path) {
    std::vector<Pwg_Page> pages;
    const int fd = open(path.c_str(), O_RDONLY);
    if (fd < 0)
        throw std::runtime_error("cannot open " + path);
    cups_raster_t* raster = cupsRasterOpen(fd, CUPS_RASTER_READ);
    Pwg_Page page;
    while (raster != nullptr && cupsRasterReadHeader2(raster, &page.header)) {
        page.rgb.resize(std::size_t{page.header.cupsBytesPerLine} * page.header.cupsHeight);
        for (unsigned y = 0; y < page.header.cupsHeight; ++y)
            if (cupsRasterReadPixels(raster,
                                     &page.rgb[std::size_t{y} * page.header.cupsBytesPerLine],
                                     page.header.cupsBytesPerLine) != page.header.cupsBytesPerLine)
                throw std::runtime_error("short PWG page");
        pages.push_back(page);
    }
    cupsRasterClose(raster);
    close(fd);
    return pages;
}

class Prn_Test : public ::testing::Test {
protected:
    std::vector<uint8_t> job(const std::vector<const Test_Page*>& pages) {
        Job_Records records;
        return print_job(module, records, pages);
    }
    Spool_Module module;
};

// ---------------------------------------------------------------------------
// Pictures

TEST_F(Prn_Test, PngHoldsThePrintedDots) {
    const Test_Page page(53, 9);
    const std::string in = save("page.prn", job({&page}));
    const std::string out = temp("page.png");
    const Prn_Result run = prn({"png", in, out, "--dpi", "full"});
    ASSERT_EQ(run.status, 0) << run.err;
    const Png_Picture picture = read_png(out);
    EXPECT_EQ(picture.width, 53u);
    EXPECT_EQ(picture.height, 9u);
    EXPECT_EQ(picture.rgb, rgb_of(page));
}

// By default the picture is for the screen: 150 dpi, each pixel the mean of
// the dots it covers, so that a one-dot line still shows.
TEST_F(Prn_Test, PngAtScreenResolutionAveragesTheDots) {
    const Test_Page page(720, 360);
    const std::string in = save("big.prn", job({&page}));
    const std::string out = temp("big.png");
    ASSERT_EQ(prn({"png", in, out}).status, 0);
    const Png_Picture small = read_png(out);
    ASSERT_EQ(prn({"png", in, temp("full.png"), "--dpi", "full"}).status, 0);
    const Png_Picture full = read_png(temp("full.png"));
    // The test job announces 720 dpi.
    EXPECT_NEAR(small.width, full.width * 150.0 / 720.0, 1.0);
    EXPECT_NEAR(small.height, full.height * 150.0 / 720.0, 1.0);
    // Every channel's mean over the page is kept within rounding.
    for (int k = 0; k < 3; ++k) {
        double a = 0, b = 0;
        for (std::size_t i = k; i < full.rgb.size(); i += 3)
            a += full.rgb[i];
        for (std::size_t i = k; i < small.rgb.size(); i += 3)
            b += small.rgb[i];
        EXPECT_NEAR(a / (full.rgb.size() / 3), b / (small.rgb.size() / 3), 2.0) << k;
    }
    // And each pixel is the mean of exactly the dots it covers: runs of the
    // printer data that cross pixel edges are shared out where they lie.
    const auto w = static_cast<std::uint32_t>(small.width);
    const auto h = static_cast<std::uint32_t>(small.height);
    std::vector<std::uint32_t> sum(std::size_t{w} * h * 3), count(std::size_t{w} * h);
    for (std::uint32_t y = 0; y < page.rows; ++y)
        for (std::uint32_t x = 0; x < page.width; ++x) {
            const std::size_t at = std::size_t{y * h / page.rows} * w + x * w / page.width;
            ++count[at];
            for (int k = 0; k < 3; ++k)
                sum[3 * at + k] += page.row(y)[4 * x + k];
        }
    int wrong = 0;
    for (std::size_t i = 0; i < sum.size(); ++i)
        wrong += small.rgb[i] != (sum[i] + count[i / 3] / 2) / count[i / 3];
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(prn({"png", in, out, "--dpi", "9"}).status, 2);
}

TEST_F(Prn_Test, PngPicksAPageAcrossJobsAndCopies) {
    const Test_Page first(20, 4), second(31, 3);
    std::vector<uint8_t> stream = job({&first, &second});
    const std::vector<uint8_t> copy = stream;
    stream.insert(stream.end(), copy.begin(), copy.end());
    const std::string in = save("copies.prn", stream);
    const std::string out = temp("copies.png");
    ASSERT_EQ(prn({"png", in, out, "--page", "4", "--dpi", "full"}).status, 0);
    EXPECT_EQ(read_png(out).rgb, rgb_of(second));
    ASSERT_EQ(prn({"png", in, out, "--page", "3", "--dpi", "full"}).status, 0);
    EXPECT_EQ(read_png(out).rgb, rgb_of(first));
    const Prn_Result missing = prn({"png", in, out, "--page", "5"});
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.err.find("no page 5"), std::string::npos) << missing.err;
}

TEST_F(Prn_Test, PwgHoldsEveryPageWithItsSizeAndResolution) {
    const Test_Page first(40, 6), second(17, 5);
    std::vector<uint8_t> stream = job({&first, &second});
    const std::vector<uint8_t> copy = job({&first});
    stream.insert(stream.end(), copy.begin(), copy.end());
    const std::string in = save("pages.prn", stream);
    const std::string out = temp("pages.pwg");
    const Prn_Result run = prn({"pwg", in, out});
    ASSERT_EQ(run.status, 0) << run.err;

    const std::vector<Pwg_Page> pages = read_pwg(out);
    ASSERT_EQ(pages.size(), 3u);
    const Test_Page* expected[] = {&first, &second, &first};
    for (std::size_t i = 0; i < pages.size(); ++i) {
        const cups_page_header2_t& h = pages[i].header;
        EXPECT_EQ(h.cupsWidth, expected[i]->width) << "page " << i;
        EXPECT_EQ(h.cupsHeight, expected[i]->rows) << "page " << i;
        EXPECT_EQ(h.cupsBitsPerPixel, 24u);
        EXPECT_EQ(h.cupsColorSpace, CUPS_CSPACE_SRGB);
        EXPECT_EQ(h.HWResolution[0], 720u); // the job's mode columns 5 and 6
        EXPECT_EQ(h.HWResolution[1], 720u);
        EXPECT_EQ(pages[i].rgb, rgb_of(*expected[i])) << "page " << i;
    }
}

TEST_F(Prn_Test, PagesWithoutRowsHaveNoPicture) {
    Job_Records records;
    const Test_Page page(10, 2);
    Spool_Job handle = nullptr;
    ASSERT_EQ(module.init_job(&handle, &records.params, &records.modules), spool_ok);
    ASSERT_EQ(module.init_page(handle, &records.page), spool_ok);
    ASSERT_EQ(module.terminate_page(handle), spool_ok); // nothing drawn, no band
    ASSERT_EQ(module.init_page(handle, &records.page), spool_ok);
    ASSERT_EQ(send_page(module, handle, page), spool_ok);
    ASSERT_EQ(module.terminate_page(handle), spool_ok);
    ASSERT_EQ(module.destroy_job(handle), spool_ok);
    const std::string in = save("empty_page.prn", records.output);

    const Prn_Result png = prn({"png", in, temp("empty_page.png")});
    EXPECT_EQ(png.status, 2);
    EXPECT_NE(png.err.find("page 1 has no printed rows"), std::string::npos) << png.err;
    EXPECT_FALSE(exists(temp("empty_page.png")));
    ASSERT_EQ(prn({"pwg", in, temp("empty_page.pwg")}).status, 0);
    EXPECT_EQ(read_pwg(temp("empty_page.pwg")).size(), 1u);
}

// ---------------------------------------------------------------------------
// Record dump

TEST_F(Prn_Test, InfoShowsEveryFieldByNameAndOffset) {
    const Test_Page page(12, 3);
    const std::string in = save("info.prn", job({&page}));
    const Prn_Result text = prn({"info", in});
    ASSERT_EQ(text.status, 0) << text.err;
    for (const char* line :
         {"jobParams (132 bytes at byte 24)", "+28   s32  paper_width          5952",
          "+76   u32  media_handling       2147483680 (0x80000020)",
          "+116  addr print_mode           given", "+40   u32  gamma                180",
          "bands: 2, rows 3, width 12 dots; 144 bytes of dots"})
        EXPECT_NE(text.out.find(line), std::string::npos) << line << "\n" << text.out;

    const Prn_Result json = prn({"info", in, "--json", "--bands"});
    ASSERT_EQ(json.status, 0) << json.err;
    const auto doc = nlohmann::json::parse(json.out);
    const auto& job_params = doc["jobs"][0]["records"][0];
    EXPECT_EQ(job_params["name"], "jobParams");
    EXPECT_EQ(job_params["fields"].size(), spool_stream::job_params_fields.size());
    for (const auto& f : job_params["fields"])
        if (f["name"] == "size_code") {
            EXPECT_EQ(f["offset"], 88);
            EXPECT_EQ(f["value"], 9);
        }
    const auto& feed = doc["jobs"][0]["records"][1]["fields"][4];
    EXPECT_EQ(feed["name"], "feed_offset");
    EXPECT_EQ(feed["value"], 0xFFF6);
    const auto& p = doc["jobs"][0]["pages"][0];
    EXPECT_EQ(p["bands"]["count"], 2);
    EXPECT_EQ(p["bands"]["raw_bytes"], 12 * 4 * 3);
    EXPECT_EQ(p["band_list"].size(), 2u);
    EXPECT_EQ(p["band_list"][1]["blocks"][2]["fields"][1]["value"], 2); // bandRect.top
    EXPECT_EQ(doc["jobs"][0]["end"]["pages"], 1);
}

// ---------------------------------------------------------------------------
// Damage and misuse

TEST_F(Prn_Test, TruncatedStreamFailsWithItsOffsetAndKeepsTheOldOutput) {
    const Test_Page page(30, 6);
    std::vector<uint8_t> stream = job({&page});
    stream.resize(stream.size() - 30);
    const std::string in = save("cut.prn", stream);
    const std::string out = temp("cut.png");
    std::ofstream(out) << "earlier picture";
    for (const std::vector<std::string>& args : {std::vector<std::string>{"info", in},
                                                 {"info", in, "--json"},
                                                 {"png", in, out},
                                                 {"pwg", in, temp("cut.pwg")}}) {
        const Prn_Result run = prn(args);
        EXPECT_EQ(run.status, 2) << args[0];
        EXPECT_NE(run.err.find(in + ": byte "), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("truncated"), std::string::npos) << run.err;
    }
    EXPECT_EQ(slurp(out), "earlier picture");
    EXPECT_FALSE(exists(temp("cut.pwg")));
}

TEST_F(Prn_Test, CorruptStreamsFailWithTheirOffset) {
    const Test_Page page(30, 4);
    const std::vector<uint8_t> good = job({&page});
    {
        std::vector<uint8_t> s = good;
        s[1] = '?';
        const Prn_Result run = prn({"png", save("magic.prn", s), temp("magic.png")});
        EXPECT_EQ(run.status, 2);
        EXPECT_NE(run.err.find("byte 0: not a printer stream"), std::string::npos) << run.err;
    }
    {
        // A row length that runs past its band.
        std::vector<uint8_t> s = good;
        std::size_t at = 0;
        while (std::string(s.begin() + static_cast<std::ptrdiff_t>(at),
                           s.begin() + static_cast<std::ptrdiff_t>(at) + 4) != "BAND")
            at += 8 + spool_stream::get_u32(&s[at + 4]);
        const std::size_t row = at + 8 + spool_stream::band_head_size;
        spool_stream::put_u32(&s[row], 100000);
        const Prn_Result run = prn({"pwg", save("row.prn", s), temp("row.pwg")});
        EXPECT_EQ(run.status, 2);
        EXPECT_NE(run.err.find("byte " + std::to_string(row) + ": row 0"), std::string::npos)
            << run.err;
    }
    {
        const Prn_Result run = prn({"info", save("empty.prn", {})});
        EXPECT_EQ(run.status, 2);
        EXPECT_NE(run.err.find("byte 0: empty stream"), std::string::npos) << run.err;
    }
    const Prn_Result folder = prn({"info", ::testing::TempDir()});
    EXPECT_EQ(folder.status, 2);
    EXPECT_NE(folder.err.find("not a regular file"), std::string::npos) << folder.err;
}

TEST(Prn_Usage, BadCommandLinesExitWithUsage) {
    for (const std::vector<std::string>& args : {std::vector<std::string>{},
                                                 {"draw", "x"},
                                                 {"info"},
                                                 {"info", "a", "b"},
                                                 {"png", "a"},
                                                 {"png", "a", "b", "--page"},
                                                 {"png", "a", "b", "--page", "0"},
                                                 {"png", "a", "b", "--page", "2x"},
                                                 {"pwg", "a", "b", "--json"},
                                                 {"info", "a", "--fast"}}) {
        const Prn_Result run = prn(args);
        EXPECT_EQ(run.status, 2) << testing::PrintToString(args);
        EXPECT_NE(run.err.find("usage: vorna-prn info FILE"), std::string::npos) << run.err;
    }
}

TEST(Prn_Usage, UnwritableOutputExitsWithOne) {
    Spool_Module module;
    Job_Records records;
    const Test_Page page(4, 2);
    const std::string in = save("unwritable.prn", print_job(module, records, {&page}));
    const Prn_Result run = prn({"png", in, "/nonexistent-folder/out.png"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("cannot create"), std::string::npos) << run.err;
}

} // namespace
