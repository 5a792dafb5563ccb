#include "drc_description.h"

#include <cmath>
#include <memory>

namespace {

// Lengths beyond a kilometre are typing errors, and keeping them out lets
// consumers turn millimetres into dots without overflowing.
constexpr double k_max_mm = 1.0e6;
constexpr int k_max_dpi = 100000;

class Reader {
public:
    explicit Reader(const PM_Object& tree) : m_tree(tree), m_sep(tree.separator()) {}

    std::string path(const std::string& parent, const std::string& name) const {
        return parent + m_sep + name;
    }

    // The detail names the node first; when the whole does not fit, the head
    // of the path gives way so that the node's own name and the reason stay.
    [[noreturn]] void fail(const std::string& where, const std::string& reason) const {
        std::string tail = ": " + reason;
        std::string p = where;
        if (p.size() + tail.size() > HT_Error::max_detail) {
            std::size_t keep =
                HT_Error::max_detail > tail.size() + 3 ? HT_Error::max_detail - tail.size() - 3 : 0;
            p = "..." + p.substr(p.size() - std::min(keep, p.size()));
        }
        throw HT_Error("pm7", PM_ERR_SCHEMA, "read_printer_description", p + tail);
    }

    std::unique_ptr<PM_Iterator> branch(const std::string& where) const {
        std::unique_ptr<PM_Iterator> it(m_tree.create_iterator(where.c_str(), 1));
        if (!it)
            fail(where, m_tree.node_type(where.c_str()) == PM_NODE_PROPERTY
                            ? "expected a branch, found a property"
                            : "missing branch");
        return it;
    }

    void expect_branch(const std::string& where) const {
        if (m_tree.node_type(where.c_str()) != PM_NODE_BRANCH)
            fail(where, "expected a branch, found a property");
    }

    // Fails unless a property is there; returns its type for the caller to judge.
    PM_Property_Type type_of(const std::string& where, const char* wanted) const {
        PM_Property_Type t;
        if (!m_tree.get_property_type(where.c_str(), t))
            fail(where, m_tree.node_type(where.c_str()) == PM_NODE_BRANCH
                            ? std::string("expected a ") + wanted + ", found a branch"
                            : std::string("missing ") + wanted);
        return t;
    }

    std::string text(const std::string& where, bool allow_empty = true) const {
        std::string v;
        if (!m_tree.get_string(where.c_str(), v)) {
            type_of(where, "string");
            fail(where, "expected a string");
        }
        if (!allow_empty && v.empty())
            fail(where, "must not be empty");
        return v;
    }

    std::int32_t whole(const std::string& where, std::int32_t lo, std::int32_t hi) const {
        std::int32_t v;
        if (!m_tree.get_long(where.c_str(), v)) {
            type_of(where, "long");
            fail(where, "expected a long");
        }
        if (v < lo || v > hi)
            fail(where, std::to_string(v) + " is outside " + std::to_string(lo) + " to " +
                            std::to_string(hi));
        return v;
    }

    double length(const std::string& where, double lo) const {
        double v;
        if (!m_tree.get_double(where.c_str(), v)) {
            type_of(where, "double");
            fail(where, "expected a double (write a decimal point)");
        }
        if (!std::isfinite(v) || v < lo || v > k_max_mm)
            fail(where, "length out of range");
        return v;
    }

    const PM_Object& m_tree;
    std::string m_sep;
};

std::string read_printer_name(const Reader& r) {
    const std::string dir = r.m_sep + "DPIA_directory";
    auto it = r.branch(dir);
    if (!it->first() || it->node_type() != PM_NODE_BRANCH)
        r.fail(dir, "the first node must be the printer's branch");
    std::string printer = it->node_name();
    for (const char* prop : {"descriptor", "info"}) {
        std::string where = r.path(r.path(dir, printer), prop);
        std::string value = r.text(where);
        std::string first, second;
        if (!extract_compound_str_ex(value.c_str(), first, second))
            r.fail(where, "expected a compound string of two parts");
    }
    return printer;
}

Drc_Media_Size read_size(const Reader& r, const std::string& where, const std::string& name) {
    Drc_Media_Size s;
    s.name = name;
    s.width_mm = r.length(r.path(where, "width_mm"), 0.0);
    s.height_mm = r.length(r.path(where, "height_mm"), 0.0);
    s.printable_left = r.length(r.path(where, "printable_left"), -k_max_mm);
    s.printable_top = r.length(r.path(where, "printable_top"), -k_max_mm);
    s.printable_right = r.length(r.path(where, "printable_right"), -k_max_mm);
    s.printable_bottom = r.length(r.path(where, "printable_bottom"), -k_max_mm);
    if (s.printable_right < s.printable_left)
        r.fail(r.path(where, "printable_right"), "less than printable_left");
    if (s.printable_bottom < s.printable_top)
        r.fail(r.path(where, "printable_bottom"), "less than printable_top");
    PM_Property_Type t;
    if (r.m_tree.get_property_type(r.path(where, "units").c_str(), t))
        s.units = r.whole(r.path(where, "units"), 0, INT32_MAX);
    return s;
}

std::vector<Drc_Media_Source> read_sources(const Reader& r) {
    std::vector<Drc_Media_Source> sources;
    const std::string top = r.m_sep + "media_sources";
    auto it = r.branch(top);
    for (bool more = it->first(); more; more = it->next()) {
        Drc_Media_Source src;
        src.name = it->node_name();
        std::string where = r.path(top, src.name);
        r.expect_branch(where);
        src.description = r.text(r.path(where, "description"));
        std::string sizes_path = r.path(where, "sizes");
        auto sizes = r.branch(sizes_path);
        for (bool s = sizes->first(); s; s = sizes->next()) {
            std::string name = sizes->node_name();
            std::string size_path = r.path(sizes_path, name);
            r.expect_branch(size_path);
            src.sizes.push_back(read_size(r, size_path, name));
        }
        if (src.sizes.empty())
            r.fail(sizes_path, "a media source needs at least one size");
        sources.push_back(std::move(src));
    }
    if (sources.empty())
        r.fail(top, "at least one media source is needed");
    return sources;
}

std::vector<std::string> read_media_types(const Reader& r) {
    std::vector<std::string> types;
    const std::string top = r.m_sep + "media_types";
    auto it = r.branch(top);
    for (bool more = it->first(); more; more = it->next())
        types.push_back(r.text(r.path(top, it->node_name()), false));
    return types;
}

std::vector<Drc_Res_Color_Mem> read_res_color_mem(const Reader& r) {
    std::vector<Drc_Res_Color_Mem> entries;
    const std::string top = r.m_sep + "res_color_mem";
    auto it = r.branch(top);
    for (bool more = it->first(); more; more = it->next()) {
        std::string where = r.path(top, it->node_name());
        r.expect_branch(where);
        Drc_Res_Color_Mem e;
        e.x_dpi = r.whole(r.path(where, "x_dpi"), 1, k_max_dpi);
        e.y_dpi = r.whole(r.path(where, "y_dpi"), 1, k_max_dpi);
        e.color_system = r.whole(r.path(where, "color_system"), HT_Color_System_Indexed,
                                 HT_Color_System_Bitonal);
        e.color_depth = r.whole(r.path(where, "color_depth"), 1, 32);
        e.color_count = r.whole(r.path(where, "color_count"), INT32_MIN, INT32_MAX);
        if (e.color_count == 0)
            r.fail(r.path(where, "color_count"), "must not be 0");
        e.description = r.text(r.path(where, "description"));
        entries.push_back(std::move(e));
    }
    if (entries.empty())
        r.fail(top, "at least one entry is needed");
    return entries;
}

std::vector<Drc_Custom_Capability> read_custom(const Reader& r) {
    std::vector<Drc_Custom_Capability> caps;
    const std::string top = r.m_sep + "custom";
    auto it = r.branch(top);
    for (bool more = it->first(); more; more = it->next()) {
        Drc_Custom_Capability c;
        c.key = it->node_name();
        std::string where = r.path(top, c.key);
        PM_Property_Type t;
        if (!r.m_tree.get_property_type(where.c_str(), t))
            r.fail(where, "expected a property, found a branch");
        std::int32_t l = 0;
        switch (t) {
        case PM_Property_Type::String:
            c.kind = Drc_Custom_Capability::String;
            r.m_tree.get_string(where.c_str(), c.text);
            break;
        case PM_Property_Type::Long:
            c.kind = Drc_Custom_Capability::Long;
            r.m_tree.get_long(where.c_str(), l);
            c.long_value = l;
            break;
        case PM_Property_Type::Double:
            c.kind = Drc_Custom_Capability::Double;
            r.m_tree.get_double(where.c_str(), c.double_value);
            break;
        case PM_Property_Type::Boolean:
            c.kind = Drc_Custom_Capability::Boolean;
            r.m_tree.get_bool(where.c_str(), c.bool_value);
            break;
        }
        caps.push_back(std::move(c));
    }
    return caps;
}

} // namespace

Drc_Printer_Description read_printer_description(const PM_Object& tree) {
    Reader r(tree);
    Drc_Printer_Description d;
    d.printer = read_printer_name(r);
    d.sources = read_sources(r);
    d.media_types = read_media_types(r);
    d.res_color_mem = read_res_color_mem(r);
    d.custom = read_custom(r);
    return d;
}
