#include "pm_object.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

constexpr const char* SEP = "\\";

// Loads text and returns the object; tests that need the tree use this.
std::unique_ptr<PM_Object> load_ok(std::string_view text) {
    auto tree = std::make_unique<PM_Object>();
    tree->load_text(text, "t.DRC", SEP);
    return tree;
}

// Loads text that must fail and returns the error.
HT_Error load_error(std::string_view text) {
    PM_Object tree;
    try {
        tree.load_text(text, "t.DRC", SEP);
    } catch (const HT_Error& e) {
        return e;
    }
    ADD_FAILURE() << "no error for: " << text.substr(0, 80);
    return HT_Error("", 0, "", "");
}

std::string nested(int depth) {
    std::string text;
    for (int i = 0; i < depth; ++i)
        text += "b" + std::to_string(i) + " {\n";
    text += "leaf = 1\n";
    for (int i = 0; i < depth; ++i)
        text += "}\n";
    return text;
}

const char* const SAMPLE = R"drc(# a comment on its own line
top {
    name = "plain text"   # trailing comment
    count = -42
    hex = 0x00FFFFFF
    ratio = 2.5e-1
    whole = 3.0
    on = true
    off = false
    pair = ("VORNA", "TARV")
    escaped = "tab\there \"quoted\" back\\slash \u00e9"
    "A4_롤_용지(세로)" { width = 1.5 }
    "with space" = "x"
    empty {
    }
}
second = "last"
)drc";

} // namespace

TEST(PmObjectRead, TypedValuesAndLookups) {
    auto tree = load_ok(SAMPLE);
    std::string s;
    std::int32_t l = 0;
    double d = 0;
    bool b = false;

    EXPECT_TRUE(tree->get_string("\\top\\name", s));
    EXPECT_EQ(s, "plain text");
    EXPECT_TRUE(tree->get_long("\\top\\count", l));
    EXPECT_EQ(l, -42);
    EXPECT_TRUE(tree->get_long("\\top\\hex", l));
    EXPECT_EQ(l, 0x00FFFFFF);
    EXPECT_TRUE(tree->get_double("\\top\\ratio", d));
    EXPECT_DOUBLE_EQ(d, 0.25);
    EXPECT_TRUE(tree->get_double("\\top\\whole", d));
    EXPECT_DOUBLE_EQ(d, 3.0);
    EXPECT_TRUE(tree->get_bool("\\top\\on", b));
    EXPECT_TRUE(b);
    EXPECT_TRUE(tree->get_bool("\\top\\off", b));
    EXPECT_FALSE(b);
    EXPECT_TRUE(tree->get_string("\\top\\escaped", s));
    EXPECT_EQ(s, "tab\there \"quoted\" back\\slash \xC3\xA9");
    EXPECT_TRUE(tree->get_double("\\top\\A4_롤_용지(세로)\\width", d));
    EXPECT_DOUBLE_EQ(d, 1.5);
    EXPECT_TRUE(tree->get_string("\\top\\with space", s));
    EXPECT_TRUE(tree->get_string("\\second", s));
    EXPECT_EQ(s, "last");

    // A path may omit the leading separator; a doubled one is harmless.
    EXPECT_TRUE(tree->get_long("top\\count", l));
    EXPECT_TRUE(tree->get_long("\\top\\\\count", l));

    // Wrong type, missing node, branch, path through a property, null path:
    // false, and the output keeps its value.
    l = 7;
    EXPECT_FALSE(tree->get_long("\\top\\whole", l));
    EXPECT_FALSE(tree->get_long("\\top\\missing", l));
    EXPECT_FALSE(tree->get_long("\\top", l));
    EXPECT_FALSE(tree->get_long("\\top\\count\\deeper", l));
    EXPECT_FALSE(tree->get_long(nullptr, l));
    EXPECT_EQ(l, 7);
    d = 9;
    EXPECT_FALSE(tree->get_double("\\top\\count", d));
    EXPECT_EQ(d, 9);

    PM_Property_Type t;
    ASSERT_TRUE(tree->get_property_type("\\top\\pair", t));
    EXPECT_EQ(t, PM_Property_Type::String);
    ASSERT_TRUE(tree->get_property_type("\\top\\on", t));
    EXPECT_EQ(t, PM_Property_Type::Boolean);
    EXPECT_FALSE(tree->get_property_type("\\top\\empty", t));
    EXPECT_EQ(tree->node_type("\\top\\empty"), PM_NODE_BRANCH);
    EXPECT_EQ(tree->node_type("\\top\\on"), PM_NODE_PROPERTY);
    EXPECT_EQ(tree->node_type("\\top\\nothing"), PM_NODE_NONE);
    EXPECT_EQ(tree->node_type("\\"), PM_NODE_BRANCH);
}

TEST(PmObjectRead, BomCrlfAndOtherSeparator) {
    PM_Object tree;
    tree.load_text("\xEF\xBB\xBF"
                   "a {\r\n  x = 1\r\n  \"b\\\\c\" = 2\r\n}\r\n",
                   "t.DRC", "/");
    std::int32_t v = 0;
    EXPECT_TRUE(tree.get_long("/a/x", v));
    EXPECT_EQ(v, 1);
    // With "/" as separator a backslash is an ordinary name character.
    EXPECT_TRUE(tree.get_long("/a/b\\c", v));
    EXPECT_EQ(v, 2);
    EXPECT_EQ(tree.separator(), "/");

    // CR LF line ends still count lines for errors.
    HT_Error e = load_error("a = 1\r\nb = 2\r\nc = ?\r\n");
    EXPECT_EQ(e.detail().rfind("t.DRC:3: ", 0), 0u) << e.detail();
}

TEST(PmObjectRead, LimitsOfNumbers) {
    auto tree = load_ok("max = 2147483647\nmin = -2147483648\nhexmax = 0x7FFFFFFF\n"
                        "tiny = 1e-300\nbig = 1.5e300\nplus = +5\n");
    std::int32_t l = 0;
    EXPECT_TRUE(tree->get_long("max", l));
    EXPECT_EQ(l, INT32_MAX);
    EXPECT_TRUE(tree->get_long("min", l));
    EXPECT_EQ(l, INT32_MIN);
    EXPECT_TRUE(tree->get_long("hexmax", l));
    EXPECT_EQ(l, INT32_MAX);
    EXPECT_TRUE(tree->get_long("plus", l));
    EXPECT_EQ(l, 5);
    double d = 0;
    EXPECT_TRUE(tree->get_double("big", d));
    EXPECT_DOUBLE_EQ(d, 1.5e300);
}

// Every kind of bad input fails with module "pm7", the load operation, and a
// detail "<file>:<line>: <reason>".
TEST(PmObjectErrors, MalformedInputNamesFileLineAndReason) {
    struct Case {
        std::string text;
        int code;
        int line;
        const char* reason;
    };
    const Case cases[] = {
        {"a = \"open\n", PM_ERR_SYNTAX, 1, "unterminated string"},
        {"a {\n b = 1\n", PM_ERR_SYNTAX, 1, "is not closed"},
        {"a = 1\n}\n", PM_ERR_SYNTAX, 2, "without an open branch"},
        {"a 1\n", PM_ERR_SYNTAX, 1, "expected '=' or '{'"},
        {"a\n", PM_ERR_SYNTAX, 1, "expected '=' or '{'"},
        {"a =\n", PM_ERR_SYNTAX, 1, "missing value"},
        {"a = yes\n", PM_ERR_SYNTAX, 1, "unknown value"},
        {"a = \"x\"b = 1\n", PM_ERR_SYNTAX, 1, "after a value"},
        {"= 1\n", PM_ERR_SYNTAX, 1, "where a name belongs"},
        {"\"\" = 1\n", PM_ERR_SYNTAX, 1, "empty name"},
        {"\"a\\\\b\" = 1\n", PM_ERR_SYNTAX, 1, "path separator"},
        {"\"a\\nb\" = 1\n", PM_ERR_SYNTAX, 1, "control character"},
        {std::string(300, 'n') + " = 1\n", PM_ERR_SYNTAX, 1, "name longer"},
        {"a = \"bad \\q escape\"\n", PM_ERR_SYNTAX, 1, "unknown escape"},
        {"a = \"\\u12\"\n", PM_ERR_SYNTAX, 1, "four hexadecimal"},
        {"a = (\"only\")\n", PM_ERR_SYNTAX, 1, "two or more parts"},
        {"a = (\"x\", \"y\"\n", PM_ERR_SYNTAX, 1, "not closed"},
        {"a = (\"x\" \"y\")\n", PM_ERR_SYNTAX, 1, "expected ',' or ')'"},
        {"a = (\"x\", 5)\n", PM_ERR_SYNTAX, 1, "quoted part"},
        {"x = 1\nx {\n}\n", PM_ERR_DUPLICATE, 2, "duplicate name 'x' (first at line 1)"},
        {"b {\n c = 1\n c = 2\n}\n", PM_ERR_DUPLICATE, 3, "duplicate name 'c'"},
        {"a = 12x\n", PM_ERR_NUMBER, 1, "malformed number"},
        {"a = 1.\n", PM_ERR_NUMBER, 1, "malformed number"},
        {"a = 1e\n", PM_ERR_NUMBER, 1, "malformed number"},
        {"a = 0x\n", PM_ERR_NUMBER, 1, "malformed number"},
        {"a = 1-2\n", PM_ERR_NUMBER, 1, "malformed number"},
        {"a = 2147483648\n", PM_ERR_NUMBER, 1, "out of range"},
        {"a = -2147483649\n", PM_ERR_NUMBER, 1, "out of range"},
        {"a = 99999999999999999999999\n", PM_ERR_NUMBER, 1, "out of range"},
        {"a = 0x80000000\n", PM_ERR_NUMBER, 1, "out of range"},
        {"a = 1e400\n", PM_ERR_NUMBER, 1, "out of range"},
        {"a = 1\nb = \"\xE2\x82\"\n", PM_ERR_ENCODING, 2, "not valid UTF-8"},
        {"a = 1\n\nb = \"\xE2\x82", PM_ERR_ENCODING, 3, "not valid UTF-8"},
        {"a = \"\xC0\xAF\"\n", PM_ERR_ENCODING, 1, "not valid UTF-8"},
        {"a = \"\xED\xA0\x80\"\n", PM_ERR_ENCODING, 1, "not valid UTF-8"},
        {"a = \"\xF4\x90\x80\x80\"\n", PM_ERR_ENCODING, 1, "not valid UTF-8"},
        {"a = \"\xFF\"\n", PM_ERR_ENCODING, 1, "not valid UTF-8"},
        {std::string("a = 1\nb = \"x\0y\"\n", 15), PM_ERR_ENCODING, 2, "NUL byte"},
        {"a = \"x\\u0000y\"\n", PM_ERR_ENCODING, 1, "NUL character"},
        {"a = \"\\uD800\"\n", PM_ERR_ENCODING, 1, "surrogate"},
        {nested(PM_MAX_DEPTH + 1), PM_ERR_DEPTH, PM_MAX_DEPTH + 1, "nested deeper"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 60));
        HT_Error e = load_error(c.text);
        EXPECT_EQ(e.module(), "pm7");
        EXPECT_EQ(e.operation(), "PM_Object::load");
        EXPECT_EQ(e.code(), c.code);
        std::string prefix = "t.DRC:" + std::to_string(c.line) + ": ";
        EXPECT_EQ(e.detail().rfind(prefix, 0), 0u) << e.detail();
        EXPECT_NE(e.detail().find(c.reason), std::string::npos) << e.detail();
    }
}

TEST(PmObjectErrors, DeepNestingUpToTheLimitIsFine) {
    auto tree = load_ok(nested(PM_MAX_DEPTH));
    std::string path;
    for (int i = 0; i < PM_MAX_DEPTH; ++i)
        path += "\\b" + std::to_string(i);
    std::int32_t v = 0;
    EXPECT_TRUE(tree->get_long((path + "\\leaf").c_str(), v));
    // Far deeper input is refused without exhausting the stack.
    HT_Error e = load_error(std::string(200000, '{'));
    EXPECT_EQ(e.code(), PM_ERR_SYNTAX);
    e = load_error(nested(100000));
    EXPECT_EQ(e.code(), PM_ERR_DEPTH);
}

TEST(PmObjectErrors, OversizeTextIsRefused) {
    std::string text(PM_MAX_TEXT_BYTES + 1, ' ');
    HT_Error e = load_error(text);
    EXPECT_EQ(e.code(), PM_ERR_TOO_LARGE);
    EXPECT_EQ(e.detail().rfind("t.DRC:0: ", 0), 0u) << e.detail();
}

TEST(PmObjectErrors, FailedLoadKeepsThePreviousTree) {
    PM_Object tree;
    tree.load_text("keep = 1\n", "t.DRC", SEP);
    EXPECT_THROW(tree.load_text("keep = 1\nbroken = \n", "t.DRC", SEP), HT_Error);
    std::int32_t v = 0;
    EXPECT_TRUE(tree.get_long("\\keep", v));
    EXPECT_EQ(v, 1);
    EXPECT_THROW(tree.load_text("x = 1", "t.DRC", ""), HT_Error);
    EXPECT_THROW(tree.load_text("x = 1", "t.DRC", nullptr), HT_Error);
    EXPECT_TRUE(tree.get_long("\\keep", v));
}

class PmObjectFile : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = std::filesystem::temp_directory_path() /
                ("pm_object_test_" + std::to_string(::getpid()));
        std::filesystem::create_directories(m_dir);
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }
    std::string write(const std::string& name, const std::string& text) {
        auto p = m_dir / name;
        std::ofstream(p, std::ios::binary) << text;
        return p.string();
    }
    std::filesystem::path m_dir;
};

TEST_F(PmObjectFile, LoadsFromDisk) {
    PM_Object tree;
    tree.load(write("good.DRC", "a { b = \"c\" }\n").c_str(), PM_FILE_TYPE_DRC, SEP);
    std::string s;
    EXPECT_TRUE(tree.get_string("\\a\\b", s));
    EXPECT_EQ(s, "c");
}

TEST_F(PmObjectFile, ErrorsNameTheBaseNameOnly) {
    PM_Object tree;
    std::string path = write("bad.DRC", "ok = 1\nbad = @\n");
    try {
        tree.load(path.c_str(), PM_FILE_TYPE_DRC, SEP);
        FAIL() << "no error";
    } catch (const HT_Error& e) {
        EXPECT_EQ(e.code(), PM_ERR_SYNTAX);
        EXPECT_EQ(e.detail().rfind("bad.DRC:2: ", 0), 0u) << e.detail();
    }

    struct Case {
        std::string path;
        int type;
        const char* sep;
        int code;
        const char* reason;
    };
    const Case cases[] = {
        {(m_dir / "absent.DRC").string(), PM_FILE_TYPE_DRC, SEP, PM_ERR_OPEN, "cannot open"},
        {m_dir.string(), PM_FILE_TYPE_DRC, SEP, PM_ERR_OPEN, "cannot"},
        {path, 4, SEP, PM_ERR_ARGUMENT, "unsupported file type 4"},
        {path, PM_FILE_TYPE_DRC, "", PM_ERR_ARGUMENT, "separator"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        try {
            tree.load(c.path.c_str(), c.type, c.sep);
            ADD_FAILURE() << "no error";
        } catch (const HT_Error& e) {
            EXPECT_EQ(e.code(), c.code);
            EXPECT_EQ(e.operation(), "PM_Object::load");
            EXPECT_NE(e.detail().find(":0: "), std::string::npos) << e.detail();
            EXPECT_NE(e.detail().find(c.reason), std::string::npos) << e.detail();
        }
    }
    EXPECT_THROW(tree.load(nullptr, PM_FILE_TYPE_DRC, SEP), HT_Error);
}

TEST_F(PmObjectFile, OversizeFileIsRefusedWithoutReadingItAll) {
    std::string path = (m_dir / "huge.DRC").string();
    {
        std::ofstream out(path, std::ios::binary);
        std::string block(1 << 20, '#');
        for (std::size_t i = 0; i <= PM_MAX_TEXT_BYTES / block.size(); ++i)
            out << block;
    }
    PM_Object tree;
    try {
        tree.load(path.c_str(), PM_FILE_TYPE_DRC, SEP);
        FAIL() << "no error";
    } catch (const HT_Error& e) {
        EXPECT_EQ(e.code(), PM_ERR_TOO_LARGE);
        EXPECT_EQ(e.detail().rfind("huge.DRC:0: ", 0), 0u) << e.detail();
    }
}

TEST(PmIterator, WalksChildrenInFileOrder) {
    auto tree = load_ok("b { z = 1\n y { }\n x = \"s\" }\nempty { }\nleaf = 1\n");
    std::unique_ptr<PM_Iterator> it(tree->create_iterator("\\b", 1));
    ASSERT_TRUE(it);
    // Before first(): no current node.
    EXPECT_EQ(it->node_type(), PM_NODE_NONE);
    EXPECT_STREQ(it->node_name(), "");

    std::vector<std::pair<std::string, int>> seen;
    for (bool more = it->first(); more; more = it->next())
        seen.emplace_back(it->node_name(), it->node_type());
    const std::vector<std::pair<std::string, int>> want = {
        {"z", PM_NODE_PROPERTY}, {"y", PM_NODE_BRANCH}, {"x", PM_NODE_PROPERTY}};
    EXPECT_EQ(seen, want);
    // Past the end it stays at the end.
    EXPECT_FALSE(it->next());
    EXPECT_EQ(it->node_type(), PM_NODE_NONE);
    // first() starts over.
    EXPECT_TRUE(it->first());
    EXPECT_STREQ(it->node_name(), "z");

    std::unique_ptr<PM_Iterator> empty(tree->create_iterator("\\empty", 1));
    ASSERT_TRUE(empty);
    EXPECT_FALSE(empty->first());
    EXPECT_EQ(empty->node_type(), PM_NODE_NONE);

    std::unique_ptr<PM_Iterator> root(tree->create_iterator("\\", 1));
    ASSERT_TRUE(root);
    EXPECT_TRUE(root->next()); // next() without first() begins at the first child
    EXPECT_STREQ(root->node_name(), "b");

    EXPECT_EQ(tree->create_iterator("\\leaf", 1), nullptr);
    EXPECT_EQ(tree->create_iterator("\\missing", 1), nullptr);
    EXPECT_EQ(tree->create_iterator(nullptr, 1), nullptr);
}

TEST(PmIterator, OutlivesReloadAndItsObject) {
    long live = ht_test::live_objects();
    auto tree = load_ok("a { first = 1\n second = 2 }\n");
    std::unique_ptr<PM_Iterator> it(tree->create_iterator("a", 1));
    ASSERT_TRUE(it);
    tree->load_text("other = 1\n", "t.DRC", SEP);
    EXPECT_TRUE(it->first());
    EXPECT_STREQ(it->node_name(), "first");
    tree.reset();
    EXPECT_TRUE(it->next());
    EXPECT_STREQ(it->node_name(), "second");
    it.reset();
    EXPECT_EQ(ht_test::live_objects(), live);
}

TEST(PmIterator, RefusedAllocationGivesNull) {
    auto tree = load_ok("a { }\n");
    ht_test::fail_allocations(0, 1);
    PM_Iterator* it = tree->create_iterator("a", 1);
    ht_test::reset_allocations();
    EXPECT_EQ(it, nullptr);
}

TEST(PmProperty, SizesAndCopies) {
    auto tree = load_ok("s = \"héllo\"\nempty = \"\"\nl = 7\nd = 0.5\nb = true\nbr { }\n");
    std::size_t n = 0;
    ASSERT_TRUE(tree->get_property_size("s", n));
    EXPECT_EQ(n, 6u); // bytes, not characters, and no terminator
    ASSERT_TRUE(tree->get_property_size("empty", n));
    EXPECT_EQ(n, 0u);
    ASSERT_TRUE(tree->get_property_size("l", n));
    EXPECT_EQ(n, 4u);
    ASSERT_TRUE(tree->get_property_size("d", n));
    EXPECT_EQ(n, 8u);
    ASSERT_TRUE(tree->get_property_size("b", n));
    EXPECT_EQ(n, 1u);
    EXPECT_FALSE(tree->get_property_size("br", n));
    EXPECT_FALSE(tree->get_property_size("none", n));

    // The host's pattern: size, a buffer of size + 1 with a zero last byte, read.
    ASSERT_TRUE(tree->get_property_size("s", n));
    std::vector<char> buf(n + 1, 'X');
    buf[n] = 0;
    ASSERT_TRUE(tree->get_property("s", buf.data(), n));
    EXPECT_STREQ(buf.data(), "héllo");
    // With room to spare the copy is terminated.
    std::vector<char> roomy(20, 'X');
    ASSERT_TRUE(tree->get_property("s", roomy.data(), roomy.size()));
    EXPECT_STREQ(roomy.data(), "héllo");
    // A short buffer gets only what fits; the byte after it is untouched.
    char small[4] = {'.', '.', '.', '#'};
    ASSERT_TRUE(tree->get_property("s", small, 3));
    EXPECT_EQ(std::string(small, 4), "h\xC3\xA9#");

    std::int32_t l = 0;
    ASSERT_TRUE(tree->get_property("l", &l, sizeof l));
    EXPECT_EQ(l, 7);
    double d = 0;
    ASSERT_TRUE(tree->get_property("d", &d, sizeof d));
    EXPECT_EQ(d, 0.5);
    bool b = false;
    ASSERT_TRUE(tree->get_property("b", &b, sizeof b));
    EXPECT_TRUE(b);
    // Numbers are never cut: a short buffer is refused and left alone.
    unsigned char two[2] = {0xAA, 0xAA};
    EXPECT_FALSE(tree->get_property("l", two, sizeof two));
    EXPECT_EQ(two[0], 0xAA);
    EXPECT_FALSE(tree->get_property("s", nullptr, 4));
    EXPECT_FALSE(tree->get_property("br", roomy.data(), roomy.size()));
}

TEST(PmCompound, SplitsFirstAndSecondPart) {
    std::string a, b;
    EXPECT_TRUE(extract_compound_str_ex("VORNA|TARV", a, b));
    EXPECT_EQ(a, "VORNA");
    EXPECT_EQ(b, "TARV");
    EXPECT_TRUE(extract_compound_str_ex("x|y|z", a, b));
    EXPECT_EQ(a, "x");
    EXPECT_EQ(b, "y");
    EXPECT_TRUE(extract_compound_str_ex("|", a, b));
    EXPECT_EQ(a, "");
    EXPECT_EQ(b, "");
    EXPECT_TRUE(extract_compound_str_ex("a\\|b|c\\\\d", a, b));
    EXPECT_EQ(a, "a|b");
    EXPECT_EQ(b, "c\\d");

    a = "keep";
    EXPECT_FALSE(extract_compound_str_ex("single", a, b));
    EXPECT_FALSE(extract_compound_str_ex("escaped\\|bar", a, b));
    EXPECT_FALSE(extract_compound_str_ex("", a, b));
    EXPECT_FALSE(extract_compound_str_ex(nullptr, a, b));
    EXPECT_FALSE(extract_compound_str_ex("a|b\\", a, b));
    EXPECT_FALSE(extract_compound_str_ex("a|b|c\\", a, b));
    EXPECT_EQ(a, "keep");
}

TEST(PmCompound, FileSyntaxKeepsPartsIntact) {
    auto tree = load_ok("c = (\"pipe|inside\", \"back\\\\slash\",\n  \"third\")\n"
                        "plain = \"no parts\"\n");
    std::size_t n = 0;
    ASSERT_TRUE(tree->get_property_size("c", n));
    std::vector<char> buf(n + 1, 0);
    ASSERT_TRUE(tree->get_property("c", buf.data(), n));
    std::string a, b;
    ASSERT_TRUE(extract_compound_str_ex(buf.data(), a, b));
    EXPECT_EQ(a, "pipe|inside");
    EXPECT_EQ(b, "back\\slash");

    std::string plain;
    ASSERT_TRUE(tree->get_string("plain", plain));
    EXPECT_FALSE(extract_compound_str_ex(plain.c_str(), a, b));

    const std::vector<std::string> parts = {"|", "\\", "a\\|b", ""};
    ASSERT_TRUE(extract_compound_str_ex(make_compound_str(parts).c_str(), a, b));
    EXPECT_EQ(a, parts[0]);
    EXPECT_EQ(b, parts[1]);
}
