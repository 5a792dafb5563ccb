// The language of a build: every text a person sees that is not an error
// message. Each language is a table of texts keyed by the English text it
// replaces, so the dialog templates, the media tables and the status window
// keep one English source and one geometry; a build installs its language
// when it is loaded.
#pragma once

#include "media_tables.h"
#include "plat_resource.h"

#include <span>
#include <string_view>

namespace raster_lang {

// One translated text: the English text as the program writes it, and the
// text shown instead.
struct Text {
    std::string_view english;
    std::string_view text;
};

struct Language {
    std::string_view code; // "en", "sp", "ge", "ko", "it"
    raster_media::Media_Language media_language;
    std::string_view help_file;  // name the host's help function receives
    std::string_view help_title; // title beside the help file name
    // String resources 2 to 11 (description, colour names); the error
    // messages are English in every build and are not part of a language.
    std::span<const plat::rsrc::String_Def> strings;
    // Everything else; empty for English, which shows its own texts.
    std::span<const Text> texts;
};

// What a loaded library is: its deliverable name and its language.
struct Build {
    std::string_view deliverable; // "vorna_tarv_sp_7"
    std::string_view module_name; // "vorna_tarv_sp_7.hdi", as errors carry it
    const Language* language;
};

extern const Language english;

// The build of the running library; the English build until one installs itself.
const Build& current_build();
const Language& current();
void install(const Build& build);

// The text shown for an English text in the current language; the English
// text itself when the language has none (tests make sure every build has all).
std::string_view tr(std::string_view english_text);
// The same, for texts kept as C strings. Every table text is a literal, so
// the result is terminated.
const char* tr(const char* english_text);

// Looks a text up in one language; nothing when the language lacks it.
const Text* find(const Language& language, std::string_view english_text);

} // namespace raster_lang
