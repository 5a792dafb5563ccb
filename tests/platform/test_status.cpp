#include "plat_status.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>

namespace {

constexpr plat::Status_Label labels[] = {
    {1041, "Number of Copies", 10, 6, 60, 8},
    {1042, "Current Page", 10, 36, 43, 8},
};
constexpr plat::Status_Picture pictures[] = {{138, 6, 70, 64, 16}};
constexpr plat::Status_Template spool_window{
    112, "Print Spool Status", 287, 91, "MS Sans Serif", 9, labels, pictures};

// A window procedure like a spooler's: bars at init, nothing else.
struct Bars {
    int copies = 1;
    plat::Status_Services* services = nullptr;
    plat::Progress_Bar copies_bar = nullptr, page_bar = nullptr;
    int messages = 0;
};

bool procedure(plat::Status_Window window, unsigned message, void* user) {
    auto* b = static_cast<Bars*>(user);
    ++b->messages;
    if (message != plat::status_init)
        return false;
    if (b->copies > 1) {
        b->copies_bar = b->services->create_bar(window, 15, 25, 300, 20);
        b->services->set_range(b->copies_bar, 0, 100);
        b->services->set_step(b->copies_bar, 1);
    }
    b->page_bar = b->services->create_bar(window, 15, b->copies > 1 ? 75 : 25, 300, 20);
    b->services->set_range(b->page_bar, 0, 70000);
    b->services->set_step(b->page_bar, 1);
    return true;
}

std::string read_all(std::FILE* f) {
    std::rewind(f);
    std::string s;
    char buf[256];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        s.append(buf, n);
    return s;
}

} // namespace

TEST(StatusWindow, RecorderKeepsTitleLabelsAndBars) {
    plat::Status_Recorder rec;
    Bars bars{2, &rec};
    plat::Status_Window w = rec.create_window(spool_window, nullptr, procedure, &bars);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(bars.messages, 1);
    EXPECT_EQ(rec.current_window(), w);
    rec.set_title(w, "Print Spool Status (2 Copies)");
    rec.set_label(w, 9999, "ignored");
    rec.step(bars.copies_bar);
    // The page bar's range is larger than 16 bits and is kept whole.
    rec.set_position(bars.page_bar, 69998);
    rec.step(bars.page_bar);
    rec.step(bars.page_bar);
    rec.step(bars.page_bar);

    plat::Status_Window_State s = rec.last_window();
    EXPECT_EQ(s.template_id, 112);
    EXPECT_EQ(s.title, "Print Spool Status (2 Copies)");
    EXPECT_EQ(s.label(1041), "Number of Copies");
    EXPECT_EQ(s.label(9999), "");
    ASSERT_EQ(s.bars.size(), 2u);
    EXPECT_EQ(s.bars[0].y, 25);
    EXPECT_EQ(s.bars[0].position, 1);
    EXPECT_EQ(s.bars[0].steps, 1);
    EXPECT_EQ(s.bars[1].high, 70000);
    EXPECT_EQ(s.bars[1].position, 70000) << "stepping past the end stays at the end";
    EXPECT_EQ(s.bars[1].steps, 3);

    rec.set_range(bars.page_bar, 0, 10);
    EXPECT_EQ(rec.last_window().bars[1].position, 10);
    rec.set_position(bars.page_bar, -5);
    EXPECT_EQ(rec.last_window().bars[1].position, 0);

    rec.end_window(w, 0);
    EXPECT_EQ(rec.current_window(), nullptr);
    EXPECT_FALSE(rec.last_window().open);
    // Calls on a closed window, its bars, or handles never given out do nothing.
    rec.set_title(w, "late");
    rec.step(bars.page_bar);
    rec.end_window(w, 5);
    rec.step(reinterpret_cast<plat::Progress_Bar>(std::uintptr_t{77}));
    rec.set_label(nullptr, 1041, "x");
    EXPECT_EQ(rec.create_bar(w, 0, 0, 1, 1), nullptr);
    s = rec.last_window();
    EXPECT_EQ(s.title, "Print Spool Status (2 Copies)");
    EXPECT_EQ(s.bars[1].position, 0);
    EXPECT_EQ(s.result, 0);
}

TEST(StatusWindow, ServicesCanBeSwitchedAndRestored) {
    plat::Status_Recorder mine;
    plat::Status_Services* previous = plat::set_status_services(&mine);
    EXPECT_EQ(previous, &plat::status_recorder());
    EXPECT_EQ(&plat::status_services(), &mine);
    plat::Status_Window w =
        plat::status_services().create_window(spool_window, nullptr, nullptr, nullptr);
    EXPECT_EQ(mine.windows().size(), 1u);
    mine.end_window(w, 0);
    EXPECT_EQ(plat::set_status_services(nullptr), &mine);
    EXPECT_EQ(&plat::status_services(), &plat::status_recorder());
}

TEST(StatusFormat, BarsTakeTheLabelsInTopToBottomOrder) {
    plat::Status_Window_State s;
    s.title = "Print Spool Status (3 Copies)";
    s.labels = {{1041, "Number of Copies"}, {1042, "Current Page"}};
    plat::Status_Bar_State page;
    page.y = 75;
    page.high = 200;
    page.position = 50;
    plat::Status_Bar_State copies;
    copies.y = 25;
    copies.position = 100;
    s.bars = {page, copies}; // created in the other order
    const auto lines = plat::format_status(s, 10);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "Print Spool Status (3 Copies)");
    EXPECT_EQ(lines[1], "Number of Copies [##########] 100%");
    EXPECT_EQ(lines[2], "Current Page     [##--------]  25%");

    // One copy: one bar named by the first label; an empty range shows as done.
    s.labels = {{1041, "Current Page"}, {1042, ""}};
    s.bars = {plat::Status_Bar_State{}};
    s.bars[0].high = 0;
    const auto one = plat::format_status(s, 4);
    ASSERT_EQ(one.size(), 2u);
    EXPECT_EQ(one[1], "Current Page [####] 100%");
}

TEST(StatusTerminal, RedrawsInPlaceOnlyOnATerminal) {
    std::FILE* f = std::tmpfile();
    ASSERT_NE(f, nullptr);
    {
        plat::Status_Terminal term(f, true);
        Bars bars{1, &term};
        plat::Status_Window w = term.create_window(spool_window, nullptr, procedure, &bars);
        term.set_label(w, 1041, "Current Page");
        term.set_label(w, 1042, "");
        term.set_range(bars.page_bar, 0, 4);
        term.step(bars.page_bar);
        term.step(bars.page_bar);
        term.end_window(w, 0);
        term.step(bars.page_bar); // closed: nothing more
    }
    const std::string out = read_all(f);
    std::fclose(f);
    EXPECT_NE(out.find("Print Spool Status\n"), std::string::npos);
    EXPECT_NE(out.find("Current Page [###############---------------]  50%\n"), std::string::npos);
    // The two lines are redrawn in place: up two lines, then each line cleared.
    EXPECT_NE(out.find("\x1b[2A\r\x1b[K"), std::string::npos);
    // The last thing drawn is the half-full bar: the closed window stays as it was.
    EXPECT_EQ(out.substr(out.size() - 4), "50%\n");

    std::FILE* g = std::tmpfile();
    ASSERT_NE(g, nullptr);
    {
        plat::Status_Terminal quiet(g, false);
        EXPECT_FALSE(quiet.drawing());
        Bars bars{2, &quiet};
        plat::Status_Window w = quiet.create_window(spool_window, nullptr, procedure, &bars);
        quiet.step(bars.page_bar);
        quiet.end_window(w, 0);
        EXPECT_EQ(quiet.last_window().bars.size(), 2u);
    }
    EXPECT_EQ(read_all(g), "");
    std::fclose(g);
}
