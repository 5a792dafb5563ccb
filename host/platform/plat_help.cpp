#include "plat_help.h"

#include "plat_module.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace plat {
namespace {

namespace fs = std::filesystem;

// Help pages are small; a larger file is not one of ours.
constexpr std::uintmax_t max_page_size = 1 << 20;

std::string unescape(std::string_view s) {
    static const std::pair<std::string_view, char> entities[] = {{"&amp;", '&'},   {"&lt;", '<'},
                                                                 {"&gt;", '>'},    {"&quot;", '"'},
                                                                 {"&#x27;", '\''}, {"&#39;", '\''}};
    std::string out;
    for (std::size_t i = 0; i < s.size();) {
        bool replaced = false;
        if (s[i] == '&')
            for (const auto& [name, c] : entities)
                if (s.substr(i).starts_with(name)) {
                    out += c;
                    i += name.size();
                    replaced = true;
                    break;
                }
        if (!replaced)
            out += s[i++];
    }
    return out;
}

// Value of attribute `name` inside the tag text `tag`.
std::optional<std::string> attribute(std::string_view tag, std::string_view name) {
    const std::string key = " " + std::string(name) + "=\"";
    const std::size_t at = tag.find(key);
    if (at == std::string_view::npos)
        return std::nullopt;
    const std::size_t start = at + key.size();
    const std::size_t end = tag.find('"', start);
    if (end == std::string_view::npos)
        return std::nullopt;
    return unescape(tag.substr(start, end - start));
}

// The section's text: headings underlined, terms on their own line, their
// descriptions indented, paragraphs apart.
std::string plain_text(std::string_view html, std::string& title) {
    std::string out, run;
    std::string open_tag;
    auto flush = [&](const std::string& tag) {
        const std::string text = unescape(run);
        run.clear();
        if (text.find_first_not_of(" \n\t") == std::string::npos)
            return;
        if (tag == "h1") {
            if (title.empty())
                title = text;
            // Underlined letter for letter, not byte for byte.
            const auto letters =
                static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
                    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
                }));
            out += text + "\n" + std::string(letters, '=') + "\n\n";
        } else if (tag == "dt") {
            out += text + "\n";
        } else if (tag == "dd") {
            out += "    " + text + "\n\n";
        } else {
            out += text + "\n\n";
        }
    };
    for (std::size_t i = 0; i < html.size();) {
        if (html[i] != '<') {
            run += html[i] == '\n' ? ' ' : html[i];
            ++i;
            continue;
        }
        const std::size_t end = html.find('>', i);
        if (end == std::string_view::npos)
            break;
        std::string_view tag = html.substr(i + 1, end - i - 1);
        const bool closing = tag.starts_with('/');
        if (closing)
            tag.remove_prefix(1);
        const std::string name(tag.substr(0, tag.find_first_of(" /")));
        if (closing || name == "h1" || name == "p" || name == "dt" || name == "dd")
            flush(closing ? name : open_tag);
        if (!closing)
            open_tag = name;
        i = end + 1;
    }
    flush(open_tag);
    while (!out.empty() && out.back() == '\n')
        out.pop_back();
    return out + "\n";
}

std::optional<std::string> read_page(const fs::path& path) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec) || fs::file_size(path, ec) > max_page_size || ec)
        return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return in ? std::optional(text.str()) : std::nullopt;
}

} // namespace

std::vector<std::string> help_folders() {
    const fs::path program = fs::path(main_executable_path()).parent_path();
    return {(program / "drv" / "help").string(), (program / "help").string()};
}

std::optional<Help_Page> find_help_page(const Help_Request& request,
                                        const std::vector<std::string>& folders) {
    // Only the base name counts: the host names help files without a folder.
    const fs::path name = fs::path(request.file).filename().replace_extension(".html");
    if (name.stem().empty())
        return std::nullopt;
    for (const std::string& folder : folders) {
        const fs::path path = fs::path(folder) / name;
        const auto page = read_page(path);
        if (!page)
            continue;
        // The sections, in order; the requested one or the first.
        std::optional<std::pair<std::size_t, std::size_t>> first, chosen;
        std::string first_id, chosen_id;
        for (std::size_t at = page->find("<section"); at != std::string::npos;
             at = page->find("<section", at + 1)) {
            const std::size_t tag_end = page->find('>', at);
            const std::size_t end = page->find("</section>", at);
            if (tag_end == std::string::npos || end == std::string::npos)
                break;
            const std::string_view tag(page->data() + at, tag_end - at);
            const std::string id = attribute(tag, "id").value_or("");
            const std::pair<std::size_t, std::size_t> range{tag_end + 1, end};
            if (!first) {
                first = range;
                first_id = id;
            }
            if (request.command == help_topic && attribute(tag, "data-topic") == request.topic) {
                chosen = range;
                chosen_id = id;
                break;
            }
        }
        if (!chosen) {
            chosen = first;
            chosen_id = first_id;
        }
        if (!chosen)
            return std::nullopt;
        Help_Page result;
        result.path = path.string();
        result.section = chosen_id;
        result.html = page->substr(chosen->first, chosen->second - chosen->first);
        result.text = plain_text(result.html, result.title);
        return result;
    }
    return std::nullopt;
}

std::optional<Help_Page> find_help_page(const Help_Request& request) {
    return find_help_page(request, help_folders());
}

} // namespace plat
