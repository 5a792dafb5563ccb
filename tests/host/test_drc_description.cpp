#include "drc_description.h"
#include "pm_object.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

const std::string DRC_FILE = std::string(VORNA_DATA_DIR) + "/vorna_tarv_en_7.DRC";

// Expected media sizes in dots at 360 dpi: paper and printable extent.
struct Size_Row {
    std::string name;
    int width, height, printable_width, printable_height;
};

const std::vector<Size_Row> ROLL = {
    {"Letter_Roll_Paper", 3060, 3960, 2976, 3876},
    {"A4_Roll_Paper_Portrait", 2976, 4209, 2892, 4125},
    {"A4_Roll_Paper_Landscape", 4209, 2976, 4125, 2892},
    {"A3_Roll_Paper_Portrait", 4209, 5953, 4125, 5869},
    {"A3_Roll_Paper_Landscape", 5953, 4209, 5869, 4125},
    {"A2_Roll_Paper_Portrait", 5953, 8419, 5869, 8335},
    {"ANSI_B_Roll_Paper_Portrait", 3960, 6120, 3876, 6036},
    {"ANSI_B_Roll_Paper_Landscape", 6120, 3960, 6036, 3876},
    {"ANSI_C_Roll_Paper_Portrait", 6120, 7920, 6036, 7836},
    {"ARCH_A_Roll_Paper_Portrait", 3240, 4320, 3156, 4236},
    {"ARCH_A_Roll_Paper_Landscape", 4320, 3240, 4236, 3156},
    {"ARCH_B_Roll_Paper_Portrait", 4320, 6480, 4236, 6396},
    {"UserDefined", 0, 0, 0, 0},
};

const std::vector<Size_Row> BORDERLESS = {
    {"Letter_Roll_Borderless_Portrait", 3060, 3988, 3144, 3988},
    {"A4_Roll_Borderless_Portrait", 2976, 4238, 3060, 4238},
    {"A4_Roll_Borderless_Landscape", 4209, 3005, 4293, 3005},
    {"A3_Roll_Borderless_Portrait", 4209, 5981, 4293, 5981},
    {"A3_Roll_Borderless_Landscape", 5953, 4238, 6037, 4238},
    {"A2_Roll_Borderless_Portrait", 5953, 8447, 6037, 8447},
    {"ANSI_B_Roll_Borderless_Landscape", 6120, 3988, 6204, 3988},
    {"ANSI_C_Roll_Borderless_Portrait", 6120, 7948, 6204, 7948},
    {"ARCH_A_Roll_Borderless_Landscape", 4320, 3268, 4404, 3268},
    {"ARCH_B_Roll_Borderless_Portrait", 4320, 6508, 4404, 6508},
    {"UserDefined", 0, 0, 0, 0},
};

// Manual feed and paper tray share their rows; only the names differ.
std::vector<Size_Row> sheet_rows(const std::string& suffix) {
    std::vector<Size_Row> rows = {
        {"Letter", 3060, 3960, 2976, 3876}, {"A4", 2976, 4209, 2892, 4125},
        {"A3", 4209, 5953, 4125, 5869},     {"A2", 5953, 8419, 5869, 8335},
        {"ANSI_B", 3960, 6120, 3876, 6036}, {"ANSI_C", 6120, 7920, 6036, 7836},
        {"ARCH_A", 3240, 4320, 3156, 4236}, {"ARCH_B", 4320, 6480, 4236, 6396},
    };
    for (Size_Row& r : rows)
        r.name += suffix;
    rows.push_back({"UserDefined", 0, 0, 0, 0});
    return rows;
}

const std::vector<Size_Row> MANUAL = sheet_rows("_Manual_Feed");
const std::vector<Size_Row> TRAY = sheet_rows("_Paper_Tray");

Drc_Printer_Description shipped() {
    PM_Object tree;
    tree.load(DRC_FILE.c_str(), PM_FILE_TYPE_DRC, "\\");
    return read_printer_description(tree);
}

// The device turns a printable coordinate in millimetres into dots this way:
// single precision, times 1/25.4 and the resolution, rounded half up.
int to_dots(double mm, int dpi) {
    float v = static_cast<float>(mm) * 0.03937008f * static_cast<float>(dpi);
    return static_cast<int>(std::floor(v + 0.5f));
}

// The driver recognises a size name by table order: every canonical name that
// is a prefix of the host's name selects its row, so the last match wins.
int matched_row(const std::vector<Size_Row>& table, const std::string& host_name) {
    int row = -1;
    for (std::size_t i = 0; i < table.size(); ++i)
        if (host_name.compare(0, table[i].name.size(), table[i].name) == 0)
            row = static_cast<int>(i);
    return row;
}

} // namespace

TEST(DrcShipped, DefinitionReadsPrinterIdentityAsTheHostDoes) {
    PM_Object tree;
    tree.load(DRC_FILE.c_str(), PM_FILE_TYPE_DRC, "\\");
    std::unique_ptr<PM_Iterator> it(tree.create_iterator("\\DPIA_directory", 1));
    ASSERT_TRUE(it);
    ASSERT_TRUE(it->first());
    ASSERT_NE(it->node_type(), PM_NODE_NONE);
    const std::string printer = it->node_name();
    EXPECT_EQ(printer, "TARV");

    std::map<std::string, std::pair<std::string, std::string>> parts;
    for (const char* prop : {"descriptor", "info"}) {
        std::string path = "\\DPIA_directory\\" + printer + "\\" + prop;
        std::size_t size = 0;
        ASSERT_TRUE(tree.get_property_size(path.c_str(), size)) << path;
        std::vector<char> buf(size + 1);
        buf[size] = 0;
        ASSERT_TRUE(tree.get_property(path.c_str(), buf.data(), size));
        std::string first, second;
        ASSERT_TRUE(extract_compound_str_ex(buf.data(), first, second)) << buf.data();
        parts[prop] = {first, second};
    }
    EXPECT_EQ(parts["descriptor"].first, "VORNA");
    EXPECT_EQ(parts["descriptor"].second, "TARV");
    EXPECT_NE(parts["info"].first.find("VORNA"), std::string::npos);
    EXPECT_NE(parts["info"].second.find("TARV"), std::string::npos);
}

TEST(DrcShipped, MediaSourcesHoldEveryTableRowInOrder) {
    const Drc_Printer_Description d = shipped();
    EXPECT_EQ(d.printer, "TARV");
    ASSERT_EQ(d.sources.size(), 4u);
    const std::vector<Size_Row>* tables[] = {&ROLL, &BORDERLESS, &MANUAL, &TRAY};
    const char* names[] = {"P0", "P1", "P2", "P3"};
    const std::size_t counts[] = {13, 11, 9, 9};
    for (int s = 0; s < 4; ++s) {
        SCOPED_TRACE(names[s]);
        const Drc_Media_Source& src = d.sources[s];
        const std::vector<Size_Row>& table = *tables[s];
        EXPECT_EQ(src.name, names[s]);
        EXPECT_FALSE(src.description.empty());
        ASSERT_EQ(src.sizes.size(), counts[s]);
        for (std::size_t i = 0; i < table.size(); ++i) {
            const Drc_Media_Size& size = src.sizes[i];
            SCOPED_TRACE(size.name);
            EXPECT_EQ(matched_row(table, size.name), static_cast<int>(i));
            EXPECT_EQ(size.units, DRC_UNITS_MM);
            EXPECT_NEAR(size.width_mm, table[i].width * 25.4 / 360, 5e-5);
            EXPECT_NEAR(size.height_mm, table[i].height * 25.4 / 360, 5e-5);
            // Converted as the device does, every length gives the table's dots
            // at 360 dpi and twice them at 720; the printable area is centred.
            const Size_Row& row = table[i];
            int margin_x = row.width == 0 ? 0 : (s == 1 ? -42 : 42);
            int margin_y = row.width == 0 || s == 1 ? 0 : 42;
            EXPECT_EQ(row.printable_width, row.width - 2 * margin_x);
            EXPECT_EQ(row.printable_height, row.height - 2 * margin_y);
            for (int dpi : {360, 720}) {
                int f = dpi / 360;
                EXPECT_EQ(to_dots(size.width_mm, dpi), row.width * f);
                EXPECT_EQ(to_dots(size.height_mm, dpi), row.height * f);
                EXPECT_EQ(to_dots(size.printable_left, dpi), margin_x * f);
                EXPECT_EQ(to_dots(size.printable_top, dpi), margin_y * f);
                EXPECT_EQ(to_dots(size.printable_right, dpi), (row.width - margin_x) * f);
                EXPECT_EQ(to_dots(size.printable_bottom, dpi), (row.height - margin_y) * f);
                EXPECT_EQ(to_dots(size.printable_right, dpi) - to_dots(size.printable_left, dpi),
                          row.printable_width * f);
                EXPECT_EQ(to_dots(size.printable_bottom, dpi) - to_dots(size.printable_top, dpi),
                          row.printable_height * f);
            }
        }
    }
}

TEST(DrcShipped, SizeNamesAreRecognisedByPrefix) {
    const Drc_Printer_Description d = shipped();
    // The landscape name must not select the portrait row that precedes it.
    EXPECT_EQ(matched_row(ROLL, "ANSI_B_Roll_Paper_Landscape"), 7);
    EXPECT_EQ(d.sources[0].sizes[7].name.rfind("ANSI_B_Roll_Paper_Landscape", 0), 0u);
    EXPECT_EQ(d.sources[0].sizes[6].name.rfind("ANSI_B_Roll_Paper_Portrait", 0), 0u);
    // Names are unique across all sources except the shared "UserDefined".
    std::set<std::string> seen;
    for (const auto& src : d.sources)
        for (const auto& size : src.sizes)
            if (size.name != "UserDefined") {
                EXPECT_TRUE(seen.insert(size.name).second) << size.name;
            }
    for (const auto& src : d.sources) {
        EXPECT_EQ(src.sizes.back().name, "UserDefined");
        EXPECT_EQ(src.sizes.back().width_mm, 0.0);
        EXPECT_EQ(src.sizes.back().printable_right, 0.0);
    }
}

TEST(DrcShipped, PhotoInkSetMediaTypes) {
    const std::vector<std::string> want = {"Plain Paper",
                                           "Plain Paper (line drawing)",
                                           "Tracing Paper",
                                           "Coated Inkjet Paper",
                                           "Heavy Matte Paper",
                                           "Fine Matte Paper",
                                           "Light Matte Paper",
                                           "Photo Paper Luster (250)",
                                           "Photo Paper Glossy (250)",
                                           "Photo Paper Semigloss (250)",
                                           "Photo Paper Semimatte (250)"};
    EXPECT_EQ(shipped().media_types, want);
}

TEST(DrcShipped, ResolutionColorMemoryEntriesSelectEachColorSystem) {
    const Drc_Printer_Description d = shipped();
    ASSERT_EQ(d.res_color_mem.size(), 8u);
    struct Want {
        int system, depth;
        long count;
        bool color_output; // the job's colour flag: count 4 or 256
    };
    const Want kinds[] = {
        {HT_Color_System_Indexed, 8, 256, true},
        {HT_Color_System_Indexed, 8, -256, false},
        {HT_Color_System_True_Color, 32, 256, true},
        {HT_Color_System_Bitonal, 1, -2, false},
    };
    std::set<std::string> descriptions;
    for (std::size_t i = 0; i < 8; ++i) {
        const Drc_Res_Color_Mem& e = d.res_color_mem[i];
        const Want& w = kinds[i % 4];
        SCOPED_TRACE(e.description);
        int dpi = i < 4 ? 360 : 720;
        EXPECT_EQ(e.x_dpi, dpi);
        EXPECT_EQ(e.y_dpi, dpi);
        EXPECT_EQ(e.color_system, w.system);
        EXPECT_EQ(e.color_depth, w.depth);
        EXPECT_EQ(e.color_count, w.count);
        EXPECT_EQ(e.color_count == 4 || e.color_count == 256, w.color_output);
        EXPECT_NE(e.description.find(std::to_string(dpi)), std::string::npos);
        EXPECT_TRUE(descriptions.insert(e.description).second);
    }
}

TEST(DrcShipped, EveryCustomKeyWithKindAndDefault) {
    using K = Drc_Custom_Capability;
    struct Want {
        K::Kind kind;
        long value;       // Long and Boolean
        const char* text; // String
    };
    std::map<std::string, Want> want = {
        {"RASTER_IE_File_Type", {K::String, 0, "BMP"}},
        {"RASTER_IE_Compression_Type", {K::String, 0, "UNCOMPRESSED"}},
        {"RASTER_IE_Module_Name", {K::String, 0, "iebmpwr.dll"}},
        {"RASTER_RGB_Back_Color", {K::Long, 0x00FFFFFF, nullptr}},
        {"RASTER_ChangeColor", {K::Boolean, 0, nullptr}},
        {"RASTER_Draw2Black", {K::Boolean, 0, nullptr}},
        {"RASTER_ConvertColor1", {K::Boolean, 0, nullptr}},
        {"RASTER_ConvertColor2", {K::Boolean, 0, nullptr}},
        {"RASTER_ConvertColor3", {K::Boolean, 0, nullptr}},
        {"RASTER_RGB_Compare1_IndexColor", {K::Long, 0x0000FF, nullptr}},
        {"RASTER_RGB_Compare2_IndexColor", {K::Long, 0x00FF00, nullptr}},
        {"RASTER_RGB_Compare3_IndexColor", {K::Long, 0xFF0000, nullptr}},
        {"RASTER_RGB_Swap1_IndexColor", {K::Long, 0xFFFFFF, nullptr}},
        {"RASTER_RGB_Swap2_IndexColor", {K::Long, 0xFFFFFF, nullptr}},
        {"RASTER_RGB_Swap3_IndexColor", {K::Long, 0xFFFFFF, nullptr}},
        {"Device_ID", {K::Long, 0, nullptr}},
        {"PaperKindMode_4c", {K::Long, 0, nullptr}},
        {"PaperKindMode_7c", {K::Long, 0, nullptr}},
        {"ColorCorrectMode", {K::Long, 0, nullptr}},
        {"CartrigeOpt", {K::Long, 1, nullptr}},
    };
    const std::pair<const char*, long> paper[] = {
        {"GammaMode", 1},     {"BothSideProcess", 1}, {"VacuumIndex", 0},   {"FeedOffset", 0},
        {"PathDelayTime", 0}, {"PaperThick", 1},      {"CutAdjustMode", 0}, {"InkDensity", 0},
        {"PlatenGapMode", 0}, {"EjectRollerMode", 0}};
    for (const auto& [key, value] : paper)
        for (const char* dpi : {"_360", "_720"})
            want[std::string(key) + dpi] = {K::Long, value, nullptr};
    ASSERT_EQ(want.size(), 40u);

    const Drc_Printer_Description d = shipped();
    std::set<std::string> seen;
    for (const Drc_Custom_Capability& c : d.custom) {
        SCOPED_TRACE(c.key);
        EXPECT_TRUE(seen.insert(c.key).second);
        auto w = want.find(c.key);
        ASSERT_NE(w, want.end()) << "unexpected key";
        EXPECT_EQ(c.kind, w->second.kind);
        if (c.kind == K::String) {
            EXPECT_EQ(c.text, w->second.text);
        } else if (c.kind == K::Long) {
            EXPECT_EQ(c.long_value, w->second.value);
        } else if (c.kind == K::Boolean) {
            EXPECT_EQ(c.bool_value, w->second.value != 0);
        }
    }
    EXPECT_EQ(seen.size(), want.size());
}

namespace {

const std::string MINIMAL = R"(
DPIA_directory { P { descriptor = ("F", "M")
                     info = ("f", "m") } }
media_sources { S { description = "d"
    sizes { A { width_mm = 10.0 height_mm = 20.0 printable_left = 1.0
                printable_top = 1.0 printable_right = 9.0 printable_bottom = 19.0 } } } }
media_types { t = "T" }
res_color_mem { r { x_dpi = 360 y_dpi = 360 color_system = 0 color_depth = 8
                    color_count = 256 description = "x" } }
custom { k = 1 s = "v" d = 2.5 b = true }
)";

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    auto at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos)
        text.replace(at, from.size(), to);
    return text;
}

HT_Error schema_error(const std::string& text) {
    PM_Object tree;
    tree.load_text(text, "t.DRC", "\\");
    try {
        read_printer_description(tree);
    } catch (const HT_Error& e) {
        return e;
    }
    ADD_FAILURE() << "no error";
    return HT_Error("", 0, "", "");
}

} // namespace

TEST(DrcSchema, MinimalDescriptionReads) {
    PM_Object tree;
    tree.load_text(MINIMAL, "t.DRC", "\\");
    Drc_Printer_Description d = read_printer_description(tree);
    EXPECT_EQ(d.printer, "P");
    ASSERT_EQ(d.sources.size(), 1u);
    ASSERT_EQ(d.sources[0].sizes.size(), 1u);
    EXPECT_EQ(d.sources[0].sizes[0].units, DRC_UNITS_MM); // absent: millimetres
    ASSERT_EQ(d.custom.size(), 4u);
    EXPECT_EQ(d.custom[2].kind, Drc_Custom_Capability::Double);
    EXPECT_EQ(d.custom[2].double_value, 2.5);
    EXPECT_EQ(d.custom[3].kind, Drc_Custom_Capability::Boolean);
    EXPECT_TRUE(d.custom[3].bool_value);
}

TEST(DrcSchema, MissingOrWrongNodesAreNamed) {
    struct Case {
        std::string from, to;
        const char* where;
        const char* reason;
    };
    const Case cases[] = {
        {"P { descriptor = (\"F\", \"M\")\n                     info = (\"f\", \"m\") }", "",
         "\\DPIA_directory", "printer's branch"},
        {"P {", "x = 1 P {", "\\DPIA_directory", "printer's branch"},
        {"info = (\"f\", \"m\")", "info = \"fm\"", "\\DPIA_directory\\P\\info", "compound"},
        {"descriptor = (\"F\", \"M\")", "", "\\DPIA_directory\\P\\descriptor", "missing string"},
        {"media_sources {", "sources {", "\\media_sources", "missing branch"},
        {"media_types { t = \"T\" }", "media_types = 1", "\\media_types", "found a property"},
        {"description = \"d\"", "description = 4", "\\media_sources\\S\\description",
         "expected a string"},
        {"width_mm = 10.0", "width_mm = 10", "\\sizes\\A\\width_mm", "expected a double"},
        {"width_mm = 10.0", "width_mm { }", "\\sizes\\A\\width_mm", "found a branch"},
        {"height_mm = 20.0", "height_mm = -1.0", "\\A\\height_mm", "out of range"},
        {"height_mm = 20.0", "height_mm = 1e7", "\\A\\height_mm", "out of range"},
        {"printable_right = 9.0", "printable_right = 0.5", "\\A\\printable_right",
         "less than printable_left"},
        {"printable_bottom = 19.0", "printable_bottom = 0.0", "\\A\\printable_bottom",
         "less than printable_top"},
        {"printable_top = 1.0", "printable_top = 1.0 units = -1", "\\A\\units", "outside"},
        {"A { width_mm", "A = 1 B { width_mm", "\\sizes\\A", "found a property"},
        {"sizes {", "sizes { }\nold {", "\\media_sources\\S\\sizes", "at least one size"},
        {"S { description", "S = 1 T { description", "\\media_sources\\S", "found a property"},
        {"color_system = 0", "color_system = 3", "\\r\\color_system", "outside 0 to 2"},
        {"color_depth = 8", "color_depth = 0", "\\r\\color_depth", "outside"},
        {"color_count = 256", "color_count = 0", "\\r\\color_count", "must not be 0"},
        {"x_dpi = 360", "", "\\res_color_mem\\r\\x_dpi", "missing long"},
        {"y_dpi = 360", "y_dpi = 360.0", "\\r\\y_dpi", "expected a long"},
        {"res_color_mem { r", "res_color_mem { } old { r", "\\res_color_mem", "at least one entry"},
        {"media_types { t = \"T\" }", "media_types { t = \"\" }", "\\media_types\\t",
         "must not be empty"},
        {"custom { k = 1", "custom { k { }", "\\custom\\k", "found a branch"},
        {"custom {", "extra {", "\\custom", "missing branch"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.to);
        HT_Error e = schema_error(replaced(MINIMAL, c.from, c.to));
        EXPECT_EQ(e.module(), "pm7");
        EXPECT_EQ(e.code(), PM_ERR_SCHEMA);
        EXPECT_EQ(e.operation(), "read_printer_description");
        EXPECT_NE(e.detail().find(c.where), std::string::npos) << e.detail();
        EXPECT_NE(e.detail().find(c.reason), std::string::npos) << e.detail();
    }
}

TEST(DrcSchema, LongPathsKeepTheNodeAndReasonInTheDetail) {
    std::string name(200, 'n');
    std::string text = replaced(MINIMAL, "A { width_mm = 10.0", name + " { width_mm = 10");
    HT_Error e = schema_error(text);
    EXPECT_LE(e.detail().size(), HT_Error::max_detail);
    EXPECT_EQ(e.detail().rfind("...", 0), 0u) << e.detail();
    EXPECT_NE(e.detail().find("\\width_mm: expected a double"), std::string::npos) << e.detail();
}

TEST(DrcSchema, EmptyTreeFailsAtTheDirectory) {
    PM_Object tree;
    try {
        read_printer_description(tree);
        FAIL() << "no error";
    } catch (const HT_Error& e) {
        EXPECT_NE(e.detail().find("\\DPIA_directory: missing branch"), std::string::npos)
            << e.detail();
    }
}
