// The host's property-tree reader: a text file of nested branches holding typed
// properties, addressed by paths such as "\\DPIA_directory\\TARV\\info".
// The file format is described in docs/drc-format.md.
#pragma once

#include "ht_error.h"
#include "ht_object.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Node types as the iterator reports them.
enum PM_Node_Type : int {
    PM_NODE_BRANCH = 1,
    PM_NODE_PROPERTY = 2,
    PM_NODE_NONE = 3, // before first(), past the last child, or an empty branch
};

// Value types of a property.
enum class PM_Property_Type { String, Long, Double, Boolean };

// File type of a property text, the only one load() accepts.
constexpr int PM_FILE_TYPE_DRC = 5;

// Error codes of the "pm7" module, carried by every HT_Error the reader throws.
enum PM_Error_Code : int {
    PM_ERR_OPEN = 201,      // file cannot be opened or read
    PM_ERR_TOO_LARGE = 202, // file or text larger than PM_MAX_TEXT_BYTES
    PM_ERR_ENCODING = 203,  // not valid UTF-8, or a NUL character
    PM_ERR_SYNTAX = 204,    // anything the grammar does not allow
    PM_ERR_DUPLICATE = 205, // two nodes of one branch with the same name
    PM_ERR_NUMBER = 206,    // malformed number, or out of its type's range
    PM_ERR_DEPTH = 207,     // branches nested deeper than PM_MAX_DEPTH
    PM_ERR_ARGUMENT = 208,  // unknown file type, empty separator, null path
    PM_ERR_SCHEMA = 209,    // a printer description lacks or misstates a node
};

constexpr std::size_t PM_MAX_TEXT_BYTES = 16u * 1024u * 1024u;
constexpr int PM_MAX_DEPTH = 64;
constexpr std::size_t PM_MAX_NAME_BYTES = 255;

namespace pm_detail {
struct Tree;
struct Node;
} // namespace pm_detail

// Walks the children of one branch in file order. It shares the tree it walks,
// so it stays valid after its PM_Object is reloaded or destroyed.
class HT_EXPORT PM_Iterator : public HT_Object {
public:
    PM_Iterator(std::shared_ptr<const pm_detail::Tree> tree, const pm_detail::Node* branch);
    ~PM_Iterator() override;
    PM_Iterator(const PM_Iterator&) = delete;
    PM_Iterator& operator=(const PM_Iterator&) = delete;

    // Moves to the first child; false when the branch is empty.
    bool first();
    // Moves to the next child (to the first one if first() was not called);
    // false when there is none.
    bool next();
    // Name of the current child; "" when there is none.
    const char* node_name() const;
    // PM_NODE_BRANCH, PM_NODE_PROPERTY, or PM_NODE_NONE when there is no current child.
    int node_type() const;

private:
    std::shared_ptr<const pm_detail::Tree> m_tree;
    const pm_detail::Node* m_branch;
    std::size_t m_pos;
    bool m_started = false;
};

class HT_EXPORT PM_Object : public HT_Object {
public:
    explicit PM_Object(HT_Smart_Pointer<HT_Error_Handler> handler = {});
    ~PM_Object() override;
    PM_Object(const PM_Object&) = delete;
    PM_Object& operator=(const PM_Object&) = delete;

    // Reads a property text file. file_type must be PM_FILE_TYPE_DRC; separator
    // is the path separator of later lookups (the host passes "\\"). Throws
    // HT_Error (module "pm7", operation "PM_Object::load", detail
    // "<file>:<line>: <reason>") on any failure; the tree loaded before stays.
    void load(const char* path, int file_type, const char* separator);
    // The same from text in memory; name stands for the file in error details.
    void load_text(std::string_view text, const std::string& name, const char* separator);

    // Iterator over the children of a branch; null when the path names no
    // branch. The caller owns it. flags is reserved (the host passes 1).
    PM_Iterator* create_iterator(const char* branch_path, int flags) const;

    // Size of a property's value: a string's bytes without a terminator, 4 for
    // a long, 8 for a double, 1 for a boolean. False when no such property.
    bool get_property_size(const char* path, std::size_t& size) const;
    // Copies the value. A string copies at most size bytes and adds a
    // terminating NUL when room is left; a number or boolean needs the full
    // size of get_property_size. False when absent, or the buffer is too small
    // for a number.
    bool get_property(const char* path, void* buffer, std::size_t size) const;

    // Typed reads; false when absent or of another type (out is then unchanged).
    bool get_string(const char* path, std::string& out) const;
    bool get_long(const char* path, std::int32_t& out) const;
    bool get_double(const char* path, double& out) const;
    bool get_bool(const char* path, bool& out) const;
    bool get_property_type(const char* path, PM_Property_Type& type) const;
    // PM_NODE_BRANCH, PM_NODE_PROPERTY or PM_NODE_NONE for the node at path.
    int node_type(const char* path) const;

    // Separator given to the last successful load ("\\" before any load).
    const std::string& separator() const;
    HT_Smart_Pointer<HT_Error_Handler> error_handler() const { return m_handler; }

private:
    const pm_detail::Node* find(const char* path) const;

    HT_Smart_Pointer<HT_Error_Handler> m_handler;
    std::shared_ptr<const pm_detail::Tree> m_tree;
};

// Compound strings hold two or more parts in one string: the parts joined by
// '|', with '\' escaping a '|' or '\' inside a part.
// Splits off the first and second part; false when compound is null, has
// fewer than two parts or ends in a lone '\'.
HT_EXPORT bool extract_compound_str_ex(const char* compound, std::string& first,
                                       std::string& second);
// Joins parts into a compound string (the inverse of the split).
HT_EXPORT std::string make_compound_str(const std::vector<std::string>& parts);
