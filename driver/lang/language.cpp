#include "language.h"

#include "lang_en.h"

#include <algorithm>

namespace raster_lang {

const Language english{"en",
                       raster_media::Media_Language::english,
                       "drv_vorna_tarv_en.HLP",
                       "About the HDI driver",
                       strings_en,
                       {}};

namespace {
Build g_build{"vorna_tarv_en_7", "vorna_tarv_en_7.hdi", &english};
} // namespace

const Build& current_build() {
    return g_build;
}

const Language& current() {
    return *g_build.language;
}

void install(const Build& build) {
    if (build.language)
        g_build = build;
}

const Text* find(const Language& language, std::string_view english_text) {
    const auto it = std::find_if(language.texts.begin(), language.texts.end(),
                                 [&](const Text& t) { return t.english == english_text; });
    return it == language.texts.end() ? nullptr : &*it;
}

std::string_view tr(std::string_view english_text) {
    const Text* t = find(current(), english_text);
    return t ? t->text : english_text;
}

const char* tr(const char* english_text) {
    if (!english_text)
        return english_text;
    const Text* t = find(current(), english_text);
    return t ? t->text.data() : english_text;
}

} // namespace raster_lang
