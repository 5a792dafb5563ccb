#include "pm_object.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <variant>

namespace pm_detail {

using Value = std::variant<std::string, std::int32_t, double, bool>;

struct Node {
    std::string name;
    bool branch = false;
    int line = 0;
    Value value;
    std::vector<std::unique_ptr<Node>> children; // file order
    std::vector<std::uint32_t> by_name;          // child positions sorted by name
};

struct Tree {
    Node root;
    std::string separator = "\\";
};

} // namespace pm_detail

using pm_detail::Node;
using pm_detail::Tree;

namespace {

constexpr const char* k_module = "pm7";
constexpr const char* k_load_op = "PM_Object::load";
constexpr std::size_t k_max_nodes = 1000000;

// Error details name the file by its base name: the detail is cut to 127 characters.
std::string base_name(const std::string& name) {
    auto slash = name.find_last_of('/');
    return slash == std::string::npos ? name : name.substr(slash + 1);
}

[[noreturn]] void fail(int code, const std::string& file, int line, const std::string& reason) {
    throw HT_Error(k_module, code, k_load_op, file + ":" + std::to_string(line) + ": " + reason);
}

// Shows a piece of input in a message without letting it swamp the detail.
std::string quoted(std::string_view text) {
    constexpr std::size_t keep = 24;
    std::string out = "'";
    out += text.substr(0, keep);
    if (text.size() > keep)
        out += "...";
    out += "'";
    return out;
}

// Finds the first byte that breaks strict UTF-8 (no overlong forms, no
// surrogates, nothing above U+10FFFF) or is NUL. Returns text.size() when clean.
std::size_t first_bad_utf8(std::string_view text, bool& is_nul) {
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n) {
        unsigned char c = s[i];
        if (c == 0) {
            is_nul = true;
            return i;
        }
        if (c < 0x80) {
            ++i;
            continue;
        }
        std::size_t len;
        unsigned char lo = 0x80, hi = 0xBF; // allowed range of the second byte
        if (c >= 0xC2 && c <= 0xDF) {
            len = 2;
        } else if (c >= 0xE0 && c <= 0xEF) {
            len = 3;
            if (c == 0xE0)
                lo = 0xA0;
            else if (c == 0xED)
                hi = 0x9F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            len = 4;
            if (c == 0xF0)
                lo = 0x90;
            else if (c == 0xF4)
                hi = 0x8F;
        } else {
            return i;
        }
        if (n - i < len)
            return i;
        if (s[i + 1] < lo || s[i + 1] > hi)
            return i;
        for (std::size_t k = 2; k < len; ++k)
            if (s[i + k] < 0x80 || s[i + k] > 0xBF)
                return i;
        i += len;
    }
    return n;
}

void append_utf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

bool is_name_char(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '-' || c == '.';
}

bool is_word_char(char c) {
    return is_name_char(c) || c == '+';
}

bool all_digits(std::string_view s, bool hex) {
    if (s.empty())
        return false;
    for (char c : s) {
        bool ok =
            (c >= '0' && c <= '9') || (hex && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')));
        if (!ok)
            return false;
    }
    return true;
}

// Reader of the property text. The text is already known to be UTF-8 without
// NUL, so the parser only checks the grammar.
class Parser {
public:
    Parser(std::string_view text, std::string file, std::string separator)
        : m_text(text), m_file(std::move(file)), m_separator(std::move(separator)) {}

    std::shared_ptr<Tree> run() {
        auto tree = std::make_shared<Tree>();
        tree->separator = m_separator;
        tree->root.branch = true;
        // Branches are parsed with an explicit stack so that nesting depth is
        // bounded by PM_MAX_DEPTH and never by the machine's stack.
        std::vector<Node*> open{&tree->root};
        for (;;) {
            skip_space();
            Node* parent = open.back();
            if (at_end()) {
                if (open.size() > 1)
                    fail(PM_ERR_SYNTAX, m_file, open.back()->line,
                         "branch " + quoted(open.back()->name) + " is not closed");
                close_branch(*parent);
                break;
            }
            if (peek() == '}') {
                if (open.size() == 1)
                    fail(PM_ERR_SYNTAX, m_file, m_line, "'}' without an open branch");
                ++m_pos;
                close_branch(*parent);
                open.pop_back();
                continue;
            }
            auto node = std::make_unique<Node>();
            node->line = m_line;
            node->name = read_name();
            skip_space();
            if (at_end())
                fail(PM_ERR_SYNTAX, m_file, node->line,
                     "expected '=' or '{' after " + quoted(node->name));
            char c = peek();
            if (c == '{') {
                ++m_pos;
                if (static_cast<int>(open.size()) > PM_MAX_DEPTH)
                    fail(PM_ERR_DEPTH, m_file, node->line,
                         "branches nested deeper than " + std::to_string(PM_MAX_DEPTH));
                node->branch = true;
                Node* raw = node.get();
                add_child(*parent, std::move(node));
                open.push_back(raw);
            } else if (c == '=') {
                ++m_pos;
                int eq_line = m_line;
                skip_space();
                node->value = read_value(eq_line);
                expect_separation();
                add_child(*parent, std::move(node));
            } else {
                fail(PM_ERR_SYNTAX, m_file, m_line,
                     "expected '=' or '{' after " + quoted(node->name));
            }
        }
        return tree;
    }

private:
    bool at_end() const { return m_pos >= m_text.size(); }
    char peek() const { return m_text[m_pos]; }

    void skip_space() {
        while (!at_end()) {
            char c = peek();
            if (c == '\n') {
                ++m_line;
                ++m_pos;
            } else if (c == ' ' || c == '\t' || c == '\r') {
                ++m_pos;
            } else if (c == '#') {
                while (!at_end() && peek() != '\n')
                    ++m_pos;
            } else {
                break;
            }
        }
    }

    // A value must be followed by white space, a comment, '}' or the end, so
    // that "a = 1b" is not read as two nodes.
    void expect_separation() {
        if (at_end())
            return;
        char c = peek();
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '#' || c == '}')
            return;
        fail(PM_ERR_SYNTAX, m_file, m_line,
             "unexpected " + quoted(m_text.substr(m_pos, 1)) + " after a value");
    }

    void add_child(Node& parent, std::unique_ptr<Node> child) {
        if (++m_nodes > k_max_nodes)
            fail(PM_ERR_TOO_LARGE, m_file, child->line,
                 "more than " + std::to_string(k_max_nodes) + " nodes");
        parent.children.push_back(std::move(child));
    }

    // Sorts the children by name for lookups and rejects duplicate names,
    // naming the later of the two.
    void close_branch(Node& branch) {
        auto& idx = branch.by_name;
        idx.resize(branch.children.size());
        for (std::uint32_t i = 0; i < idx.size(); ++i)
            idx[i] = i;
        const auto& kids = branch.children;
        std::stable_sort(idx.begin(), idx.end(), [&](std::uint32_t a, std::uint32_t b) {
            return kids[a]->name < kids[b]->name;
        });
        for (std::size_t i = 1; i < idx.size(); ++i) {
            const Node& a = *kids[idx[i - 1]];
            const Node& b = *kids[idx[i]];
            if (a.name == b.name)
                fail(PM_ERR_DUPLICATE, m_file, b.line,
                     "duplicate name " + quoted(b.name) + " (first at line " +
                         std::to_string(a.line) + ")");
        }
    }

    std::string read_name() {
        int line = m_line;
        std::string name;
        if (peek() == '"') {
            name = read_string();
            for (unsigned char c : name)
                if (c < 0x20 || c == 0x7F)
                    fail(PM_ERR_SYNTAX, m_file, line, "control character in a name");
        } else {
            std::size_t start = m_pos;
            while (!at_end() && is_name_char(peek()))
                ++m_pos;
            if (m_pos == start)
                fail(PM_ERR_SYNTAX, m_file, line,
                     "unexpected " + quoted(m_text.substr(m_pos, 1)) + " where a name belongs");
            name.assign(m_text.substr(start, m_pos - start));
        }
        if (name.empty())
            fail(PM_ERR_SYNTAX, m_file, line, "empty name");
        if (name.size() > PM_MAX_NAME_BYTES)
            fail(PM_ERR_SYNTAX, m_file, line,
                 "name longer than " + std::to_string(PM_MAX_NAME_BYTES) + " bytes");
        if (name.find(m_separator) != std::string::npos)
            fail(PM_ERR_SYNTAX, m_file, line,
                 "name " + quoted(name) + " contains the path separator");
        return name;
    }

    // eq_line: where the '=' stood, the line to blame when the value is missing.
    pm_detail::Value read_value(int eq_line) {
        if (at_end())
            fail(PM_ERR_SYNTAX, m_file, eq_line, "missing value");
        char c = peek();
        if (c == '"')
            return read_string();
        if (c == '(')
            return read_compound();
        std::size_t start = m_pos;
        while (!at_end() && is_word_char(peek()))
            ++m_pos;
        std::string_view word = m_text.substr(start, m_pos - start);
        if (word.empty())
            fail(PM_ERR_SYNTAX, m_file, m_line,
                 "unexpected " + quoted(m_text.substr(m_pos, 1)) + " where a value belongs");
        if (word == "true")
            return true;
        if (word == "false")
            return false;
        if ((word[0] >= '0' && word[0] <= '9') || word[0] == '-' || word[0] == '+')
            return read_number(word);
        fail(PM_ERR_SYNTAX, m_file, m_line, "unknown value " + quoted(word));
    }

    // Longs are decimal or 0x-hexadecimal and fit 32 signed bits; doubles have a
    // fraction or an exponent. Anything else, or an overflow, is refused.
    pm_detail::Value read_number(std::string_view word) {
        std::string_view body = word;
        bool negative = false;
        if (body[0] == '+' || body[0] == '-') {
            negative = body[0] == '-';
            body.remove_prefix(1);
        }
        auto bad = [&](const char* why) {
            fail(PM_ERR_NUMBER, m_file, m_line, std::string(why) + " " + quoted(word));
        };
        if (body.size() > 2 && body[0] == '0' && (body[1] == 'x' || body[1] == 'X')) {
            std::string_view digits = body.substr(2);
            if (!all_digits(digits, true))
                bad("malformed number");
            std::int64_t v = 0;
            auto r = std::from_chars(digits.data(), digits.data() + digits.size(), v, 16);
            if (r.ec != std::errc() || v > INT32_MAX)
                bad("number out of range");
            return static_cast<std::int32_t>(negative ? -v : v);
        }
        if (all_digits(body, false)) {
            std::int64_t v = 0;
            auto r = std::from_chars(body.data(), body.data() + body.size(), v, 10);
            if (r.ec != std::errc())
                bad("number out of range");
            if (negative)
                v = -v;
            if (v < INT32_MIN || v > INT32_MAX)
                bad("number out of range");
            return static_cast<std::int32_t>(v);
        }
        // digits '.' digits [exponent] | digits exponent
        std::size_t i = 0;
        auto digit_run = [&] {
            std::size_t s = i;
            while (i < body.size() && body[i] >= '0' && body[i] <= '9')
                ++i;
            return i > s;
        };
        if (!digit_run())
            bad("malformed number");
        bool fraction = false, exponent = false;
        if (i < body.size() && body[i] == '.') {
            ++i;
            if (!digit_run())
                bad("malformed number");
            fraction = true;
        }
        if (i < body.size() && (body[i] == 'e' || body[i] == 'E')) {
            ++i;
            if (i < body.size() && (body[i] == '+' || body[i] == '-'))
                ++i;
            if (!digit_run())
                bad("malformed number");
            exponent = true;
        }
        if (i != body.size() || !(fraction || exponent))
            bad("malformed number");
        double v = 0;
        auto r = std::from_chars(body.data(), body.data() + body.size(), v);
        if (r.ec != std::errc() || r.ptr != body.data() + body.size())
            bad("number out of range");
        return negative ? -v : v;
    }

    std::string read_string() {
        int start_line = m_line;
        ++m_pos; // opening quote
        std::string out;
        for (;;) {
            if (at_end())
                fail(PM_ERR_SYNTAX, m_file, start_line, "unterminated string");
            char c = peek();
            if (c == '"') {
                ++m_pos;
                return out;
            }
            if (c == '\n')
                fail(PM_ERR_SYNTAX, m_file, start_line, "unterminated string");
            if (static_cast<unsigned char>(c) < 0x20 && c != '\t')
                fail(PM_ERR_SYNTAX, m_file, m_line, "control character in a string");
            if (c != '\\') {
                out += c;
                ++m_pos;
                continue;
            }
            ++m_pos;
            if (at_end())
                fail(PM_ERR_SYNTAX, m_file, start_line, "unterminated string");
            char e = peek();
            ++m_pos;
            switch (e) {
            case '"':
                out += '"';
                break;
            case '\\':
                out += '\\';
                break;
            case 'n':
                out += '\n';
                break;
            case 't':
                out += '\t';
                break;
            case 'r':
                out += '\r';
                break;
            case 'u':
                append_utf8(out, read_unicode_escape());
                break;
            default:
                fail(PM_ERR_SYNTAX, m_file, m_line,
                     "unknown escape " + quoted(std::string("\\") + e));
            }
        }
    }

    std::uint32_t read_unicode_escape() {
        std::string_view hex = m_text.substr(m_pos, 4);
        if (hex.size() != 4 || !all_digits(hex, true))
            fail(PM_ERR_SYNTAX, m_file, m_line, "\\u needs four hexadecimal digits");
        m_pos += 4;
        std::uint32_t cp = 0;
        std::from_chars(hex.data(), hex.data() + 4, cp, 16);
        if (cp == 0)
            fail(PM_ERR_ENCODING, m_file, m_line, "NUL character in a string");
        if (cp >= 0xD800 && cp <= 0xDFFF)
            fail(PM_ERR_ENCODING, m_file, m_line, "\\u escape of a surrogate");
        return cp;
    }

    std::string read_compound() {
        int start_line = m_line;
        ++m_pos; // '('
        std::vector<std::string> parts;
        for (;;) {
            skip_space();
            if (at_end() || peek() != '"')
                fail(PM_ERR_SYNTAX, m_file, at_end() ? start_line : m_line,
                     "compound string: expected a quoted part");
            parts.push_back(read_string());
            skip_space();
            if (at_end())
                fail(PM_ERR_SYNTAX, m_file, start_line, "compound string is not closed");
            if (peek() == ',') {
                ++m_pos;
                continue;
            }
            if (peek() == ')') {
                ++m_pos;
                break;
            }
            fail(PM_ERR_SYNTAX, m_file, m_line, "compound string: expected ',' or ')'");
        }
        if (parts.size() < 2)
            fail(PM_ERR_SYNTAX, m_file, start_line, "a compound string needs two or more parts");
        return make_compound_str(parts);
    }

    std::string_view m_text;
    std::string m_file;
    std::string m_separator;
    std::size_t m_pos = 0;
    int m_line = 1;
    std::size_t m_nodes = 0;
};

std::shared_ptr<const Tree> parse(std::string_view text, const std::string& file,
                                  const std::string& separator) {
    if (text.size() > PM_MAX_TEXT_BYTES)
        fail(PM_ERR_TOO_LARGE, file, 0,
             "larger than " + std::to_string(PM_MAX_TEXT_BYTES) + " bytes");
    bool is_nul = false;
    std::size_t bad = first_bad_utf8(text, is_nul);
    if (bad != text.size()) {
        int line = 1 + static_cast<int>(std::count(text.begin(), text.begin() + bad, '\n'));
        fail(PM_ERR_ENCODING, file, line, is_nul ? "NUL byte" : "not valid UTF-8");
    }
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    return Parser(text, file, separator).run();
}

const Node* child_named(const Node& branch, std::string_view name) {
    const auto& kids = branch.children;
    auto it = std::lower_bound(
        branch.by_name.begin(), branch.by_name.end(), name,
        [&](std::uint32_t i, std::string_view n) { return std::string_view(kids[i]->name) < n; });
    if (it == branch.by_name.end() || kids[*it]->name != name)
        return nullptr;
    return kids[*it].get();
}

std::string checked_separator(const char* separator, const std::string& file) {
    if (!separator || !*separator)
        fail(PM_ERR_ARGUMENT, file, 0, "empty path separator");
    std::string sep(separator);
    if (sep.size() > 8)
        fail(PM_ERR_ARGUMENT, file, 0, "path separator longer than 8 bytes");
    return sep;
}

} // namespace

// ---------------------------------------------------------------- PM_Iterator

PM_Iterator::PM_Iterator(std::shared_ptr<const Tree> tree, const Node* branch)
    : m_tree(std::move(tree)), m_branch(branch), m_pos(0) {}

PM_Iterator::~PM_Iterator() = default;

bool PM_Iterator::first() {
    m_started = true;
    m_pos = 0;
    return m_pos < m_branch->children.size();
}

bool PM_Iterator::next() {
    if (!m_started)
        return first();
    if (m_pos < m_branch->children.size())
        ++m_pos;
    return m_pos < m_branch->children.size();
}

const char* PM_Iterator::node_name() const {
    if (!m_started || m_pos >= m_branch->children.size())
        return "";
    return m_branch->children[m_pos]->name.c_str();
}

int PM_Iterator::node_type() const {
    if (!m_started || m_pos >= m_branch->children.size())
        return PM_NODE_NONE;
    return m_branch->children[m_pos]->branch ? PM_NODE_BRANCH : PM_NODE_PROPERTY;
}

// ------------------------------------------------------------------ PM_Object

PM_Object::PM_Object(HT_Smart_Pointer<HT_Error_Handler> handler) : m_handler(std::move(handler)) {
    auto empty = std::make_shared<Tree>();
    empty->root.branch = true;
    m_tree = std::move(empty);
}

PM_Object::~PM_Object() = default;

void PM_Object::load(const char* path, int file_type, const char* separator) {
    // Check the arguments before touching the file.
    if (!path || !*path)
        fail(PM_ERR_ARGUMENT, "(none)", 0, "no file name");
    const std::string file = base_name(path);
    if (file_type != PM_FILE_TYPE_DRC)
        fail(PM_ERR_ARGUMENT, file, 0, "unsupported file type " + std::to_string(file_type));
    std::string sep = checked_separator(separator, file);

    // Read the whole file, but never more than the size limit plus one byte.
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> fp(std::fopen(path, "rb"), &std::fclose);
    if (!fp)
        fail(PM_ERR_OPEN, file, 0, std::string("cannot open: ") + std::strerror(errno));
    std::string text;
    try {
        char chunk[65536];
        for (;;) {
            std::size_t got = std::fread(chunk, 1, sizeof chunk, fp.get());
            text.append(chunk, got);
            if (text.size() > PM_MAX_TEXT_BYTES)
                fail(PM_ERR_TOO_LARGE, file, 0,
                     "larger than " + std::to_string(PM_MAX_TEXT_BYTES) + " bytes");
            if (got < sizeof chunk)
                break;
        }
    } catch (const std::bad_alloc&) {
        fail(PM_ERR_TOO_LARGE, file, 0, "out of memory");
    }
    if (std::ferror(fp.get()))
        fail(PM_ERR_OPEN, file, 0, std::string("cannot read: ") + std::strerror(errno));
    fp.reset();
    load_text(text, file, sep.c_str());
}

void PM_Object::load_text(std::string_view text, const std::string& name, const char* separator) {
    const std::string file = base_name(name.empty() ? std::string("(text)") : name);
    std::string sep = checked_separator(separator, file);
    try {
        // The new tree replaces the old one only once it is complete.
        m_tree = parse(text, file, sep);
    } catch (const std::bad_alloc&) {
        fail(PM_ERR_TOO_LARGE, file, 0, "out of memory");
    }
}

const Node* PM_Object::find(const char* path) const {
    if (!path)
        return nullptr;
    const std::string& sep = m_tree->separator;
    std::string_view rest(path);
    const Node* node = &m_tree->root;
    // Empty components (a leading or doubled separator) are skipped.
    while (!rest.empty()) {
        std::size_t cut = rest.find(sep);
        std::string_view part = rest.substr(0, cut);
        rest = cut == std::string_view::npos ? std::string_view() : rest.substr(cut + sep.size());
        if (part.empty())
            continue;
        if (!node->branch)
            return nullptr;
        node = child_named(*node, part);
        if (!node)
            return nullptr;
    }
    return node;
}

PM_Iterator* PM_Object::create_iterator(const char* branch_path, int /*flags*/) const {
    const Node* node = find(branch_path);
    if (!node || !node->branch)
        return nullptr;
    return new (std::nothrow) PM_Iterator(m_tree, node);
}

bool PM_Object::get_property_size(const char* path, std::size_t& size) const {
    const Node* node = find(path);
    if (!node || node->branch)
        return false;
    size = std::visit(
        [](const auto& v) -> std::size_t {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::string>)
                return v.size();
            else
                return sizeof(T);
        },
        node->value);
    return true;
}

bool PM_Object::get_property(const char* path, void* buffer, std::size_t size) const {
    const Node* node = find(path);
    if (!node || node->branch || (!buffer && size > 0))
        return false;
    return std::visit(
        [&](const auto& v) -> bool {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::string>) {
                std::size_t n = std::min(size, v.size());
                if (n > 0)
                    std::memcpy(buffer, v.data(), n);
                if (size > v.size())
                    static_cast<char*>(buffer)[v.size()] = '\0';
                return true;
            } else {
                if (size < sizeof(T))
                    return false;
                std::memcpy(buffer, &v, sizeof(T));
                return true;
            }
        },
        node->value);
}

namespace {
template <class T> bool get_typed(const Node* node, T& out) {
    if (!node || node->branch)
        return false;
    const T* v = std::get_if<T>(&node->value);
    if (!v)
        return false;
    out = *v;
    return true;
}
} // namespace

bool PM_Object::get_string(const char* path, std::string& out) const {
    return get_typed(find(path), out);
}

bool PM_Object::get_long(const char* path, std::int32_t& out) const {
    return get_typed(find(path), out);
}

bool PM_Object::get_double(const char* path, double& out) const {
    return get_typed(find(path), out);
}

bool PM_Object::get_bool(const char* path, bool& out) const {
    return get_typed(find(path), out);
}

bool PM_Object::get_property_type(const char* path, PM_Property_Type& type) const {
    const Node* node = find(path);
    if (!node || node->branch)
        return false;
    static constexpr PM_Property_Type by_index[] = {
        PM_Property_Type::String, PM_Property_Type::Long, PM_Property_Type::Double,
        PM_Property_Type::Boolean};
    type = by_index[node->value.index()];
    return true;
}

int PM_Object::node_type(const char* path) const {
    const Node* node = find(path);
    if (!node)
        return PM_NODE_NONE;
    return node->branch ? PM_NODE_BRANCH : PM_NODE_PROPERTY;
}

const std::string& PM_Object::separator() const {
    return m_tree->separator;
}

// ----------------------------------------------------------- compound strings

bool extract_compound_str_ex(const char* compound, std::string& first, std::string& second) {
    if (!compound)
        return false;
    // Parts after the second are scanned for well-formedness but not kept.
    std::string parts[2];
    std::size_t count = 1;
    for (const char* p = compound; *p; ++p) {
        char c = *p;
        if (c == '\\') {
            if (!p[1])
                return false; // a lone escape at the end
            c = *++p;
        } else if (c == '|') {
            ++count;
            continue;
        }
        if (count <= 2)
            parts[count - 1] += c;
    }
    if (count < 2)
        return false;
    first = std::move(parts[0]);
    second = std::move(parts[1]);
    return true;
}

std::string make_compound_str(const std::vector<std::string>& parts) {
    std::string out;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i > 0)
            out += '|';
        for (char c : parts[i]) {
            if (c == '\\' || c == '|')
                out += '\\';
            out += c;
        }
    }
    return out;
}
