#include "cad_text.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cctype>
#include <cmath>

namespace cad {
namespace {

constexpr const char* fallback_family = "DejaVu Sans";
constexpr const char* fallback_file = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

std::string lower(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// A family name without case, spaces or dashes: "DejaVuSans" (from a file
// name) is "DejaVu Sans".
std::string plain_name(const std::string& s) {
    std::string out;
    for (char c : s)
        if (std::isalnum(static_cast<unsigned char>(c)))
            out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// Decodes UTF-8; a bad byte stands for itself.
std::vector<char32_t> code_points(const std::string& s) {
    std::vector<char32_t> out;
    for (std::size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        int extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 0;
        char32_t cp = extra == 3 ? b & 0x07 : extra == 2 ? b & 0x0F : extra == 1 ? b & 0x1F : b;
        if (i + static_cast<std::size_t>(extra) >= s.size() + (extra ? 0 : 1))
            extra = 0, cp = b;
        for (int k = 1; k <= extra; ++k)
            cp = cp << 6 | (static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]) & 0x3F);
        out.push_back(cp);
        i += static_cast<std::size_t>(extra) + 1;
    }
    return out;
}

// The file fontconfig picks for a family, and the family it really is.
std::pair<std::string, std::string> match_family(FcConfig* config, const std::string& family) {
    if (!config)
        return {};
    std::pair<std::string, std::string> out;
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(family.c_str()));
    if (!pattern)
        return out;
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(config, pattern, &result);
    if (match) {
        FcChar8* file = nullptr;
        FcChar8* found = nullptr;
        if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch)
            out.first = reinterpret_cast<const char*>(file);
        if (FcPatternGetString(match, FC_FAMILY, 0, &found) == FcResultMatch)
            out.second = reinterpret_cast<const char*>(found);
        FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
    return out;
}

// Collects an outline's contours, curves flattened.
struct Outline_Builder {
    std::vector<std::vector<Vec2>> contours;
    Vec2 at;
    double shift = 0, unit = 1;

    Vec2 map(const FT_Vector* v) const { return {(v->x + shift) / unit, v->y / unit}; }

    static int move_to(const FT_Vector* to, void* user) {
        auto* b = static_cast<Outline_Builder*>(user);
        b->contours.emplace_back();
        b->at = b->map(to);
        b->contours.back().push_back(b->at);
        return 0;
    }
    static int line_to(const FT_Vector* to, void* user) {
        auto* b = static_cast<Outline_Builder*>(user);
        if (b->contours.empty())
            b->contours.emplace_back();
        b->at = b->map(to);
        b->contours.back().push_back(b->at);
        return 0;
    }
    static int conic_to(const FT_Vector* control, const FT_Vector* to, void* user) {
        auto* b = static_cast<Outline_Builder*>(user);
        const Vec2 p0 = b->at, p1 = b->map(control), p2 = b->map(to);
        for (int k = 1; k <= 8; ++k) {
            const double t = k / 8.0, s = 1 - t;
            b->contours.back().push_back({s * s * p0.x + 2 * s * t * p1.x + t * t * p2.x,
                                          s * s * p0.y + 2 * s * t * p1.y + t * t * p2.y});
        }
        b->at = p2;
        return 0;
    }
    static int cubic_to(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user) {
        auto* b = static_cast<Outline_Builder*>(user);
        const Vec2 p0 = b->at, p1 = b->map(c1), p2 = b->map(c2), p3 = b->map(to);
        for (int k = 1; k <= 10; ++k) {
            const double t = k / 10.0, s = 1 - t;
            const double a = s * s * s, bb = 3 * s * s * t, c = 3 * s * t * t, d = t * t * t;
            b->contours.back().push_back({a * p0.x + bb * p1.x + c * p2.x + d * p3.x,
                                          a * p0.y + bb * p1.y + c * p2.y + d * p3.y});
        }
        b->at = p3;
        return 0;
    }
};

} // namespace

// FreeType, and a fontconfig configuration of our own, so that nothing of
// either outlives the shaper.
struct Font_Shaper::Library {
    FT_Library ft = nullptr;
    FcConfig* fonts = nullptr;
    Library() {
        if (FT_Init_FreeType(&ft) != 0)
            ft = nullptr;
        fonts = FcInitLoadConfigAndFonts();
    }
    ~Library() {
        if (fonts)
            FcConfigDestroy(fonts);
        if (ft)
            FT_Done_FreeType(ft);
    }
};

struct Font_Shaper::Face {
    FT_Face face = nullptr;
    double cap_height = 1; // font units
    ~Face() {
        if (face)
            FT_Done_Face(face);
    }
};

Font_Shaper::Font_Shaper() : m_library(std::make_unique<Library>()) {}
Font_Shaper::~Font_Shaper() {
    m_by_style.clear();
    m_faces.clear();
}

Font_Shaper::Face* Font_Shaper::open(const std::string& file) {
    auto it = m_faces.find(file);
    if (it != m_faces.end())
        return it->second.get();
    auto face = std::make_unique<Face>();
    if (!m_library->ft || FT_New_Face(m_library->ft, file.c_str(), 0, &face->face) != 0 ||
        !(face->face->face_flags & FT_FACE_FLAG_SCALABLE)) {
        face->face = nullptr;
        m_faces[file] = nullptr;
        return nullptr;
    }
    // Text height measures capital letters: the font's cap height, else
    // the height of its H.
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face->face, FT_SFNT_OS2));
    if (os2 && os2->version >= 2 && os2->sCapHeight > 0)
        face->cap_height = os2->sCapHeight;
    else if (FT_Load_Char(face->face, 'H', FT_LOAD_NO_SCALE) == 0 &&
             face->face->glyph->metrics.height > 0)
        face->cap_height = static_cast<double>(face->face->glyph->metrics.height);
    else
        face->cap_height = 0.7 * face->face->units_per_EM;
    Face* raw = face.get();
    m_faces[file] = std::move(face);
    return raw;
}

Font_Shaper::Face* Font_Shaper::face_for(const Text_Style& style) {
    const std::string key = style.font_file + '\n' + style.font_family;
    if (auto it = m_by_style.find(key); it != m_by_style.end())
        return it->second;
    // The family the style asks for: its own, else the font file's name.
    std::string family = style.font_family;
    std::string file = style.font_file;
    const std::string ext = lower(file.substr(std::min(file.size(), file.rfind('.'))));
    const bool outline_font = ext == ".ttf" || ext == ".otf" || ext == ".ttc";
    if (family.empty() && outline_font)
        family = file.substr(0, file.rfind('.'));
    Face* face = nullptr;
    std::string why;
    if (!family.empty() && outline_font) {
        const auto [path, found] = match_family(m_library->fonts, family);
        // fontconfig always answers; only the family asked for counts.
        if (!path.empty() && plain_name(found) == plain_name(family))
            face = open(path);
        else
            why = "is not installed";
    } else if (!family.empty()) {
        const auto [path, found] = match_family(m_library->fonts, family);
        if (!path.empty() && plain_name(found) == plain_name(family))
            face = open(path);
        else
            why = "is not installed";
    } else {
        why = file.empty() ? "is not named" : "is a shape font, which cannot be plotted";
    }
    if (!face) {
        const auto [path, found] = match_family(m_library->fonts, fallback_family);
        face = path.empty() ? nullptr : open(path);
        if (!face)
            face = open(fallback_file);
        const std::string name = file.empty() ? family : file;
        // A style that names no font takes the plain sans without a word.
        if (!name.empty() && m_warned.insert(name).second)
            m_warnings.push_back("the font \"" + name + "\" " + why + "; its text is drawn with " +
                                 fallback_family);
    }
    if (!face && m_warned.insert("").second)
        m_warnings.push_back(std::string("no font to draw text with (") + fallback_family +
                             " is not installed); text is not drawn");
    m_by_style[key] = face;
    return face;
}

Text_Outline Font_Shaper::shape(const std::string& text, const Text_Style& style) {
    Text_Outline out;
    Face* face = face_for(style);
    if (!face)
        return out;
    FT_Outline_Funcs funcs{};
    funcs.move_to = Outline_Builder::move_to;
    funcs.line_to = Outline_Builder::line_to;
    funcs.conic_to = Outline_Builder::conic_to;
    funcs.cubic_to = Outline_Builder::cubic_to;
    Outline_Builder b;
    b.unit = face->cap_height;
    double pen = 0;
    for (char32_t cp : code_points(text)) {
        if (cp < 0x20)
            continue;
        if (FT_Load_Char(face->face, cp, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING) != 0)
            continue;
        const FT_GlyphSlot g = face->face->glyph;
        if (g->format == FT_GLYPH_FORMAT_OUTLINE) {
            b.shift = pen;
            FT_Outline_Decompose(&g->outline, &funcs, &b);
        }
        pen += static_cast<double>(g->advance.x);
    }
    for (auto& c : b.contours)
        if (c.size() >= 3)
            out.contours.push_back(std::move(c));
    out.advance = pen / face->cap_height;
    return out;
}

} // namespace cad
