// Text as filled glyph outlines: the style's font found through fontconfig,
// its glyphs read with FreeType.
#pragma once

#include "cad_plot.h"

#include <map>
#include <memory>
#include <set>
#include <string>

namespace cad {

class Font_Shaper : public Text_Shaper {
public:
    Font_Shaper();
    ~Font_Shaper() override;
    Font_Shaper(const Font_Shaper&) = delete;
    Font_Shaper& operator=(const Font_Shaper&) = delete;

    // Outlines scaled so that one unit is the height of a capital letter,
    // which is what a drawing's text height measures.
    Text_Outline shape(const std::string& text, const Text_Style& style) override;
    std::vector<std::string> take_warnings() override { return std::move(m_warnings); }

private:
    struct Face;
    Face* face_for(const Text_Style& style);
    Face* open(const std::string& file);

    struct Library;
    std::unique_ptr<Library> m_library;
    std::map<std::string, std::unique_ptr<Face>> m_faces; // by font file
    std::map<std::string, Face*> m_by_style;              // by style font
    std::set<std::string> m_warned;
    std::vector<std::string> m_warnings;
};

} // namespace cad
