#include "dxf_reader.h"

#include <dxflib/dl_creationadapter.h>
#include <dxflib/dl_dxf.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <utility>

namespace cad {
namespace {

// Guards against counts that would only exhaust memory.
constexpr int max_array_side = 100000;

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.back() == '\r' || s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    return s;
}

bool parse_int(std::string_view s, long long& out) {
    s = trim(s);
    if (!s.empty() && s.front() == '+')
        s.remove_prefix(1);
    const auto r = std::from_chars(s.data(), s.data() + s.size(), out);
    return r.ec == std::errc() && r.ptr == s.data() + s.size() && !s.empty();
}

bool parse_real(std::string_view s, double& out) {
    s = trim(s);
    if (!s.empty() && s.front() == '+')
        s.remove_prefix(1);
    const auto r = std::from_chars(s.data(), s.data() + s.size(), out);
    return r.ec == std::errc() && r.ptr == s.data() + s.size() && !s.empty() && std::isfinite(out);
}

// What a group code's value must be.
enum class Value_Type { text, real, integer };

Value_Type value_type(long long code) {
    if ((code >= 10 && code <= 59) || (code >= 110 && code <= 149) ||
        (code >= 210 && code <= 239) || (code >= 460 && code <= 469) ||
        (code >= 1010 && code <= 1059))
        return Value_Type::real;
    if ((code >= 60 && code <= 79) || (code >= 90 && code <= 99) || (code >= 170 && code <= 179) ||
        (code >= 270 && code <= 289) || (code >= 370 && code <= 389) ||
        (code >= 400 && code <= 409) || (code >= 420 && code <= 429) ||
        (code >= 440 && code <= 459) || (code >= 1060 && code <= 1071))
        return Value_Type::integer;
    return Value_Type::text;
}

[[noreturn]] void refuse(const std::string& file, std::uint32_t line, const std::string& why) {
    throw Read_Error(file + ":" + std::to_string(line) + ": " + why);
}

// Checks that the text is a sequence of group-code and value lines whose
// values fit their codes, and that it ends with EOF; returns the number of
// groups.
std::size_t check_groups(std::string_view text, const std::string& file) {
    std::size_t pos = 0;
    std::uint32_t line = 0;
    std::size_t groups = 0;
    bool ended = false;
    auto next_line = [&](std::string_view& out) {
        if (pos >= text.size())
            return false;
        const std::size_t end = text.find('\n', pos);
        const std::size_t stop = end == std::string_view::npos ? text.size() : end;
        out = text.substr(pos, stop - pos);
        pos = stop == text.size() ? stop : stop + 1;
        ++line;
        return true;
    };
    std::string_view code_text, value;
    while (next_line(code_text)) {
        if (trim(code_text).empty() && pos >= text.size())
            break; // a last empty line
        if (ended)
            refuse(file, line, "text after the end of the drawing (EOF)");
        long long code = 0;
        if (!parse_int(code_text, code) || code < 0 || code > 1071)
            refuse(file, line,
                   "expected a group code (a number from 0 to 1071), found \"" +
                       std::string(trim(code_text).substr(0, 40)) + "\"");
        const std::uint32_t code_line = line;
        if (!next_line(value))
            refuse(file, code_line,
                   "the file ends after a group code without its value: it is cut short");
        if (value.find('\0') != std::string_view::npos)
            refuse(file, line, "a value holds a NUL byte");
        switch (value_type(code)) {
        case Value_Type::real: {
            double v = 0;
            if (!parse_real(value, v))
                refuse(file, line,
                       "group " + std::to_string(code) + " needs a number, found \"" +
                           std::string(trim(value).substr(0, 40)) + "\"");
            break;
        }
        case Value_Type::integer: {
            long long v = 0;
            if (!parse_int(value, v) || v < -2147483648LL || v > 4294967295LL)
                refuse(file, line,
                       "group " + std::to_string(code) + " needs a whole number, found \"" +
                           std::string(trim(value).substr(0, 40)) + "\"");
            break;
        }
        case Value_Type::text:
            break;
        }
        if (groups == 0 && code != 999 && !(code == 0 && trim(value) == "SECTION"))
            refuse(file, code_line, "a DXF drawing starts with a SECTION");
        if (code == 0 && trim(value) == "EOF")
            ended = true;
        ++groups;
    }
    if (groups == 0)
        refuse(file, 1, "the file is empty");
    if (!ended)
        refuse(file, line, "the file ends before the end of the drawing (EOF): it is cut short");
    return groups;
}

double to_real(const std::string& s) {
    double v = 0;
    return parse_real(s, v) ? v : 0;
}

long long to_int(const std::string& s) {
    long long v = 0;
    return parse_int(s, v) ? v : 0;
}

using Group = std::pair<int, std::string>;

// A record: one object of the file (an entity, a table entry, a section
// head), from its code-0 group to the next.
struct Record {
    std::string type;
    std::uint32_t line = 0;
    std::vector<Group> groups;
};

// Reads the parts of a hatch that come in a fixed order.
class Group_Cursor {
public:
    explicit Group_Cursor(const std::vector<Group>& groups) : m_groups(groups) {}
    bool done() const { return m_at >= m_groups.size(); }
    int code() const { return m_groups[m_at].first; }
    const std::string& value() const { return m_groups[m_at].second; }
    void next() { ++m_at; }
    // Takes the group if it has the code.
    bool take(int code, double& out) {
        if (done() || this->code() != code)
            return false;
        out = to_real(value());
        next();
        return true;
    }
    bool take(int code, long long& out) {
        if (done() || this->code() != code)
            return false;
        out = to_int(value());
        next();
        return true;
    }
    // Moves to the next group with the code; false at the end.
    bool seek(int code) {
        while (!done() && this->code() != code)
            next();
        return !done();
    }

private:
    const std::vector<Group>& m_groups;
    std::size_t m_at = 0;
};

Entity_Kind kind_of(const std::string& type) {
    static const std::pair<const char*, Entity_Kind> kinds[] = {
        {"POINT", Entity_Kind::point},         {"LINE", Entity_Kind::line},
        {"LWPOLYLINE", Entity_Kind::polyline}, {"POLYLINE", Entity_Kind::polyline},
        {"CIRCLE", Entity_Kind::circle},       {"ARC", Entity_Kind::arc},
        {"ELLIPSE", Entity_Kind::ellipse},     {"SPLINE", Entity_Kind::spline},
        {"SOLID", Entity_Kind::solid},         {"TRACE", Entity_Kind::solid},
        {"3DFACE", Entity_Kind::face},         {"HATCH", Entity_Kind::hatch},
        {"INSERT", Entity_Kind::insert},       {"TEXT", Entity_Kind::text},
        {"ATTRIB", Entity_Kind::text},         {"MTEXT", Entity_Kind::mtext},
        {"DIMENSION", Entity_Kind::dimension}, {"VIEWPORT", Entity_Kind::viewport},
    };
    for (const auto& [name, kind] : kinds)
        if (type == name)
            return kind;
    return Entity_Kind::other;
}

// An arc edge of a hatch boundary as vertices whose bulges draw it.
void add_arc_edge(std::vector<Vertex>& loop, Vec2 centre, double radius, double start_deg,
                  double end_deg, bool ccw) {
    double sweep = std::fmod(end_deg - start_deg, 360.0);
    if (sweep <= 0)
        sweep += 360;
    // Clockwise edges store their angles mirrored.
    const double a0 = (ccw ? start_deg : -start_deg) * M_PI / 180;
    const double sw = (ccw ? sweep : -sweep) * M_PI / 180;
    // A full circle as two half arcs, since one bulge spans less than 360.
    const int pieces = std::fabs(sweep) > 180 ? 2 : 1;
    for (int k = 0; k < pieces; ++k) {
        const double t = a0 + sw * k / pieces;
        Vertex v;
        v.p = {centre.x + radius * std::cos(t), centre.y + radius * std::sin(t)};
        v.bulge = std::tan(sw / pieces / 4);
        loop.push_back(v);
    }
}

void add_ellipse_edge(std::vector<Vertex>& loop, Vec2 centre, Vec2 major, double ratio,
                      double start_deg, double end_deg, bool ccw) {
    double t0 = start_deg * M_PI / 180, t1 = end_deg * M_PI / 180;
    if (!ccw) {
        t0 = -t0;
        t1 = -t1;
    }
    if (ccw && t1 <= t0)
        t1 += 2 * M_PI;
    if (!ccw && t1 >= t0)
        t1 -= 2 * M_PI;
    const Vec2 minor{-major.y * ratio, major.x * ratio};
    constexpr int steps = 96;
    for (int k = 0; k < steps; ++k) {
        const double t = t0 + (t1 - t0) * k / steps;
        Vertex v;
        v.p = {centre.x + major.x * std::cos(t) + minor.x * std::sin(t),
               centre.y + major.y * std::cos(t) + minor.y * std::sin(t)};
        loop.push_back(v);
    }
}

// Builds the document from the groups libdxflib reads. The library's own
// entity records leave out what plotting needs (polyline widths, the block
// of a dimension, the line families of a hatch pattern, where an entity
// starts in the file), so every group is taken as it comes and the records
// are built here.
class Builder : public DL_CreationAdapter {
public:
    Builder(Document& doc) : m_doc(doc) {}

    void processCodeValuePair(unsigned int code, const std::string& value) override {
        ++m_group;
        if (code == 0) {
            finish_record();
            m_record.type = value;
            m_record.line = static_cast<std::uint32_t>(2 * m_group - 1);
            m_record.groups.clear();
            return;
        }
        m_record.groups.emplace_back(static_cast<int>(code), value);
    }

    void finish() {
        finish_record();
        m_record.type.clear();
        // Layouts by the name of the block that holds them.
        for (const auto& [name, handle] : m_layout_blocks) {
            const auto it = m_block_records.find(handle);
            if (it != m_block_records.end())
                m_doc.layouts[name] = it->second;
        }
    }

private:
    void finish_record() {
        if (m_record.type.empty())
            return;
        const std::string& t = m_record.type;
        if (t == "SECTION") {
            m_section.clear();
            for (const auto& [code, value] : m_record.groups)
                if (code == 2) {
                    m_section = value;
                    break;
                }
            if (m_section == "HEADER")
                read_header();
            return;
        }
        if (t == "ENDSEC") {
            close_sequence();
            m_section.clear();
            return;
        }
        if (m_section == "TABLES") {
            if (t == "LAYER")
                read_layer();
            else if (t == "STYLE")
                read_style();
            else if (t == "BLOCK_RECORD")
                read_block_record();
            return;
        }
        if (m_section == "OBJECTS") {
            if (t == "LAYOUT")
                read_layout();
            return;
        }
        if (m_section == "BLOCKS") {
            if (t == "BLOCK") {
                close_sequence();
                m_block = &m_doc.blocks[text(2)];
                m_block->base = {real(10), real(20)};
                return;
            }
            if (t == "ENDBLK") {
                close_sequence();
                m_block = nullptr;
                return;
            }
            if (m_block)
                read_entity(m_block->entities);
            return;
        }
        if (m_section == "ENTITIES")
            read_entity(m_doc.entities);
    }

    std::string text(int code) const {
        for (const auto& [c, v] : m_record.groups)
            if (c == code)
                return v;
        return {};
    }
    double real(int code, double fallback = 0) const {
        for (const auto& [c, v] : m_record.groups)
            if (c == code)
                return to_real(v);
        return fallback;
    }
    long long integer(int code, long long fallback = 0) const {
        for (const auto& [c, v] : m_record.groups)
            if (c == code)
                return to_int(v);
        return fallback;
    }
    bool has(int code) const {
        return std::any_of(m_record.groups.begin(), m_record.groups.end(),
                           [code](const Group& g) { return g.first == code; });
    }

    void read_header() {
        std::string variable;
        for (const auto& [code, value] : m_record.groups) {
            if (code == 9)
                variable = value;
            else if (code == 70 && variable == "$INSUNITS")
                m_doc.insunits = static_cast<int>(to_int(value));
            else if (code == 70 && variable == "$MEASUREMENT")
                m_doc.measurement = static_cast<int>(to_int(value));
        }
    }

    void read_layer() {
        Layer l;
        const long long color = integer(62, 7);
        l.color = static_cast<int>(std::clamp<long long>(color, -256, 256));
        l.true_color = has(420) ? static_cast<std::int32_t>(integer(420) & 0xFFFFFF) : -1;
        l.lineweight = static_cast<int>(std::clamp<long long>(integer(370, -3), -3, 211));
        l.frozen = (integer(70) & 1) != 0;
        l.plotted = integer(290, 1) != 0;
        m_doc.layers[text(2)] = l;
    }

    void read_style() {
        Text_Style s;
        s.font_file = text(3);
        s.width_factor = real(41, 1);
        s.height = real(40);
        // The family of a TrueType font sits in the style's extended data.
        for (const auto& [code, value] : m_record.groups)
            if (code == 1000 && s.font_family.empty())
                s.font_family = value;
        m_doc.styles[text(2)] = s;
    }

    void read_block_record() { m_block_records[text(5)] = text(2); }

    void read_layout() {
        // The block record handle follows the layout's own subclass marker.
        bool in_layout = false;
        std::string name, handle;
        for (const auto& [code, value] : m_record.groups) {
            if (code == 100)
                in_layout = value == "AcDbLayout";
            else if (in_layout && code == 1)
                name = value;
            else if (in_layout && code == 330 && handle.empty())
                handle = value;
        }
        if (!name.empty() && !handle.empty())
            m_layout_blocks[name] = handle;
    }

    void close_sequence() {
        m_polyline = nullptr;
        m_insert = nullptr;
    }

    void read_common(Entity& e) const {
        e.type = m_record.type;
        e.line = m_record.line;
        e.kind = kind_of(e.type);
        for (const auto& [code, value] : m_record.groups) {
            switch (code) {
            case 8:
                e.layer = value;
                break;
            case 62:
                e.color = static_cast<int>(std::clamp<long long>(to_int(value), -256, 257));
                break;
            case 420:
                e.true_color = static_cast<std::int32_t>(to_int(value) & 0xFFFFFF);
                break;
            case 370:
                e.lineweight = static_cast<int>(std::clamp<long long>(to_int(value), -3, 211));
                break;
            case 67:
                e.paper_space = to_int(value) != 0;
                break;
            case 60:
                e.invisible = to_int(value) != 0;
                break;
            case 230:
                e.extrusion_z = to_real(value);
                break;
            default:
                break;
            }
        }
    }

    void read_entity(std::vector<Entity>& into) {
        const std::string& t = m_record.type;
        // Vertices and attributes continue the entity before them.
        if (t == "VERTEX") {
            if (m_polyline)
                read_vertex(*m_polyline);
            return;
        }
        if (t == "SEQEND") {
            close_sequence();
            return;
        }
        if (t == "ATTRIB" && m_insert) {
            Entity a;
            read_common(a);
            read_text(a);
            m_insert->attributes.push_back(std::move(a));
            return;
        }
        close_sequence();
        if (t == "ATTDEF")
            return; // a block's attribute definition is drawn through its ATTRIB
        Entity e;
        read_common(e);
        switch (e.kind) {
        case Entity_Kind::point:
            e.a = {real(10), real(20)};
            break;
        case Entity_Kind::line:
            e.a = {real(10), real(20)};
            e.b = {real(11), real(21)};
            break;
        case Entity_Kind::polyline:
            if (t == "LWPOLYLINE")
                read_lwpolyline(e);
            else if ((integer(70) & (16 | 64)) != 0)
                e.kind = Entity_Kind::other, e.type = "POLYLINE (mesh)";
            else {
                e.closed = (integer(70) & 1) != 0;
                e.constant_width = real(40);
                m_default_end_width = real(41, e.constant_width);
            }
            break;
        case Entity_Kind::circle:
            e.a = {real(10), real(20)};
            e.radius = real(40);
            break;
        case Entity_Kind::arc:
            e.a = {real(10), real(20)};
            e.radius = real(40);
            e.start_angle = real(50);
            e.end_angle = real(51);
            break;
        case Entity_Kind::ellipse:
            e.a = {real(10), real(20)};
            e.b = {real(11), real(21)};
            e.ratio = real(40, 1);
            e.start_angle = real(41);
            e.end_angle = real(42, 2 * M_PI);
            break;
        case Entity_Kind::spline:
            read_spline(e);
            break;
        case Entity_Kind::solid:
        case Entity_Kind::face:
            e.a = {real(10), real(20)};
            e.b = {real(11), real(21)};
            e.c = {real(12), real(22)};
            e.d = has(13) ? Vec2{real(13), real(23)} : e.c;
            break;
        case Entity_Kind::hatch:
            read_hatch(e);
            break;
        case Entity_Kind::insert:
            e.name = text(2);
            e.a = {real(10), real(20)};
            e.scale = {real(41, 1), real(42, 1)};
            e.rotation = real(50);
            e.columns = static_cast<int>(std::clamp<long long>(integer(70, 1), 1, max_array_side));
            e.rows = static_cast<int>(std::clamp<long long>(integer(71, 1), 1, max_array_side));
            e.column_spacing = real(44);
            e.row_spacing = real(45);
            break;
        case Entity_Kind::text:
            read_text(e);
            break;
        case Entity_Kind::mtext:
            read_mtext(e);
            break;
        case Entity_Kind::dimension:
            e.name = text(2);
            break;
        case Entity_Kind::viewport:
            e.a = {real(10), real(20)};
            e.box_width = real(40);
            e.height = real(41);
            e.b = {real(12), real(22)};
            e.view_height = real(45);
            e.rotation = real(51);
            e.viewport_id = static_cast<int>(integer(69));
            e.viewport_status = static_cast<int>(integer(68, 1));
            break;
        case Entity_Kind::other:
            break;
        }
        into.push_back(std::move(e));
        if (t == "POLYLINE" && into.back().kind == Entity_Kind::polyline)
            m_polyline = &into.back();
        else if (t == "INSERT" && integer(66) != 0)
            m_insert = &into.back();
    }

    void read_lwpolyline(Entity& e) {
        e.closed = (integer(70) & 1) != 0;
        e.constant_width = real(43);
        for (const auto& [code, value] : m_record.groups) {
            if (code == 10) {
                e.vertices.emplace_back();
                e.vertices.back().p.x = to_real(value);
            } else if (e.vertices.empty()) {
                continue;
            } else if (code == 20) {
                e.vertices.back().p.y = to_real(value);
            } else if (code == 40) {
                e.vertices.back().start_width = to_real(value);
            } else if (code == 41) {
                e.vertices.back().end_width = to_real(value);
            } else if (code == 42) {
                e.vertices.back().bulge = to_real(value);
            }
        }
    }

    void read_vertex(Entity& polyline) {
        // Spline frame points and mesh faces are not part of the outline.
        if ((integer(70) & (16 | 128)) != 0 && (integer(70) & 64) == 0)
            return;
        Vertex v;
        v.p = {real(10), real(20)};
        v.bulge = real(42);
        v.start_width = has(40) ? real(40) : polyline.constant_width;
        v.end_width = has(41) ? real(41) : m_default_end_width;
        polyline.vertices.push_back(v);
    }

    void read_spline(Entity& e) {
        e.degree = static_cast<int>(std::clamp<long long>(integer(71, 3), 1, 25));
        e.closed = (integer(70) & 1) != 0;
        for (const auto& [code, value] : m_record.groups) {
            if (code == 40)
                e.knots.push_back(to_real(value));
            else if (code == 41)
                e.weights.push_back(to_real(value));
            else if (code == 10)
                e.control.push_back({to_real(value), 0});
            else if (code == 20 && !e.control.empty())
                e.control.back().y = to_real(value);
            else if (code == 11)
                e.fit.push_back({to_real(value), 0});
            else if (code == 21 && !e.fit.empty())
                e.fit.back().y = to_real(value);
        }
    }

    void read_text(Entity& e) {
        e.a = {real(10), real(20)};
        e.b = {real(11), real(21)};
        e.has_alignment = has(11);
        e.height = real(40);
        e.text = text(1);
        e.rotation = real(50);
        e.width_factor = real(41, 1);
        e.style = has(7) ? text(7) : "Standard";
        e.halign = static_cast<int>(integer(72));
        e.valign = static_cast<int>(m_record.type == "ATTRIB" ? integer(74) : integer(73));
        if (m_record.type == "ATTRIB" && (integer(70) & 1) != 0)
            e.invisible = true;
    }

    void read_mtext(Entity& e) {
        e.a = {real(10), real(20)};
        e.height = real(40);
        e.box_width = real(41);
        e.attachment = static_cast<int>(std::clamp<long long>(integer(71, 1), 1, 9));
        e.style = has(7) ? text(7) : "Standard";
        e.rotation = real(50);
        if (has(11)) {
            const double dx = real(11), dy = real(21);
            if (dx != 0 || dy != 0)
                e.rotation = std::atan2(dy, dx) * 180 / M_PI;
        }
        // Long contents come in pieces of group 3 before the last of group 1.
        for (const auto& [code, value] : m_record.groups)
            if (code == 3)
                e.text += value;
        e.text += text(1);
    }

    void read_hatch(Entity& e) {
        Group_Cursor c(m_record.groups);
        e.name = text(2);
        e.solid_fill = integer(70) != 0;
        if (!c.seek(91))
            return;
        long long loops = 0;
        c.take(91, loops);
        for (long long l = 0; l < loops && !c.done(); ++l) {
            long long flags = 0;
            if (!c.seek(92))
                break;
            c.take(92, flags);
            std::vector<Vertex> loop;
            if (flags & 2) {
                // A polyline: bulges when 72 says so, then the vertices.
                long long has_bulge = 0, closed = 0, count = 0;
                c.take(72, has_bulge);
                c.take(73, closed);
                c.take(93, count);
                for (long long k = 0; k < count && !c.done(); ++k) {
                    Vertex v;
                    if (!c.take(10, v.p.x) || !c.take(20, v.p.y))
                        break;
                    if (has_bulge)
                        c.take(42, v.bulge);
                    loop.push_back(v);
                }
            } else {
                long long edges = 0;
                c.take(93, edges);
                for (long long k = 0; k < edges && !c.done(); ++k) {
                    long long type = 0;
                    if (!c.take(72, type))
                        break;
                    read_hatch_edge(c, type, loop);
                }
            }
            // Source boundary objects are not needed.
            long long sources = 0;
            if (c.take(97, sources))
                for (long long k = 0; k < sources && !c.done() && c.code() == 330; ++k)
                    c.next();
            if (!loop.empty())
                e.loops.push_back(std::move(loop));
        }
        if (e.solid_fill)
            return;
        // The pattern's line families, as the file stores them.
        while (!c.done() && c.code() != 78)
            c.next();
        long long families = 0;
        if (!c.take(78, families))
            return;
        for (long long f = 0; f < families && !c.done(); ++f) {
            Pattern_Line p;
            if (!c.take(53, p.angle))
                break;
            c.take(43, p.base.x);
            c.take(44, p.base.y);
            c.take(45, p.offset.x);
            c.take(46, p.offset.y);
            long long dashes = 0;
            c.take(79, dashes);
            for (long long k = 0; k < dashes && !c.done(); ++k) {
                double d = 0;
                if (!c.take(49, d))
                    break;
                p.dashes.push_back(d);
            }
            e.pattern.push_back(std::move(p));
        }
    }

    static void read_hatch_edge(Group_Cursor& c, long long type, std::vector<Vertex>& loop) {
        switch (type) {
        case 1: { // line
            Vertex a, b;
            c.take(10, a.p.x);
            c.take(20, a.p.y);
            c.take(11, b.p.x);
            c.take(21, b.p.y);
            loop.push_back(a);
            break;
        }
        case 2: { // circular arc
            Vec2 centre;
            double r = 0, a0 = 0, a1 = 0;
            long long ccw = 1;
            c.take(10, centre.x);
            c.take(20, centre.y);
            c.take(40, r);
            c.take(50, a0);
            c.take(51, a1);
            c.take(73, ccw);
            add_arc_edge(loop, centre, r, a0, a1, ccw != 0);
            break;
        }
        case 3: { // elliptic arc
            Vec2 centre, major;
            double ratio = 1, a0 = 0, a1 = 0;
            long long ccw = 1;
            c.take(10, centre.x);
            c.take(20, centre.y);
            c.take(11, major.x);
            c.take(21, major.y);
            c.take(40, ratio);
            c.take(50, a0);
            c.take(51, a1);
            c.take(73, ccw);
            add_ellipse_edge(loop, centre, major, ratio, a0, a1, ccw != 0);
            break;
        }
        case 4: { // spline: its control points stand in for the curve, which
                  // stays close to them at the degrees hatch boundaries use
            long long dummy = 0;
            double d = 0;
            c.take(94, dummy);
            c.take(73, dummy);
            c.take(74, dummy);
            long long knots = 0, controls = 0;
            c.take(95, knots);
            c.take(96, controls);
            for (long long k = 0; k < knots && c.take(40, d); ++k) {
            }
            for (long long k = 0; k < controls && !c.done(); ++k) {
                Vertex v;
                if (!c.take(10, v.p.x) || !c.take(20, v.p.y))
                    break;
                c.take(42, d);
                loop.push_back(v);
            }
            long long fits = 0;
            if (c.take(97, fits))
                for (long long k = 0; k < fits && c.take(11, d) && c.take(21, d); ++k) {
                }
            for (int code : {12, 22, 13, 23})
                c.take(code, d);
            break;
        }
        default:
            break;
        }
    }

    Document& m_doc;
    Record m_record;
    std::uint64_t m_group = 0;
    std::string m_section;
    Block* m_block = nullptr;
    Entity* m_polyline = nullptr;
    Entity* m_insert = nullptr;
    double m_default_end_width = 0;
    std::map<std::string, std::string> m_block_records; // handle -> block name
    std::map<std::string, std::string> m_layout_blocks; // layout -> block record handle
};

} // namespace

double millimetres_per_unit(int insunits) {
    switch (insunits) {
    case 1: // inches
        return 25.4;
    case 2: // feet
        return 304.8;
    case 3: // miles
        return 1609344.0;
    case 4: // millimetres
        return 1.0;
    case 5: // centimetres
        return 10.0;
    case 6: // metres
        return 1000.0;
    case 7: // kilometres
        return 1e6;
    case 8: // microinches
        return 25.4e-6;
    case 9: // mils
        return 0.0254;
    case 10: // yards
        return 914.4;
    case 14: // decimetres
        return 100.0;
    default:
        return 0;
    }
}

bool looks_like_dxf(std::string_view head) {
    // A DXF file opens with group code 0 (or a 999 comment); JSON with a brace.
    head = trim(head.substr(0, head.find('\n')));
    return head == "0" || head == "999";
}

Document read_dxf(std::string_view text, const std::string& file) {
    if (text.find('\0') != std::string_view::npos && text.find('\0') < 64)
        refuse(file, 1, "a binary DXF file; save the drawing as ASCII DXF");
    check_groups(text, file);
    Document doc;
    doc.file = file;
    Builder builder(doc);
    // The library's stream reader reads nothing; its file reader works on a
    // file opened on the text in memory.
    std::string copy(text);
    FILE* in = ::fmemopen(copy.data(), copy.size(), "r");
    if (!in)
        refuse(file, 1, "cannot open it for reading");
    DL_Dxf dxf;
    while (dxf.readDxfGroups(in, &builder)) {
    }
    std::fclose(in);
    builder.finish();
    return doc;
}

Document read_dxf_file(const std::string& path) {
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec)
        throw Read_Error(path + ": cannot read: " + ec.message());
    if (size > max_dxf_bytes)
        throw Read_Error(path + ": larger than 512 MB; not read");
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw Read_Error(path + ": cannot open");
    std::string text(static_cast<std::size_t>(size), '\0');
    in.read(text.data(), static_cast<std::streamsize>(size));
    if (static_cast<std::uintmax_t>(in.gcount()) != size)
        throw Read_Error(path + ": cannot read it whole");
    return read_dxf(text, path);
}

} // namespace cad
