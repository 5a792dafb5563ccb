// Feeds arbitrary bytes to the property-tree reader and, when they parse, to
// the printer description reader. Both may only ever fail with HT_Error.
#include "drc_description.h"
#include "pm_object.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    PM_Object tree;
    try {
        tree.load_text(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz.DRC",
                       "\\");
    } catch (const HT_Error&) {
        return 0;
    }
    // Read the identity as the printer definition does: first node, then its
    // two compound properties through a buffer of size + 1.
    if (PM_Iterator* it = tree.create_iterator("\\DPIA_directory", 1)) {
        if (it->first() && it->node_type() != PM_NODE_NONE) {
            for (const char* prop : {"descriptor", "info"}) {
                std::string path =
                    std::string("\\DPIA_directory\\") + it->node_name() + "\\" + prop;
                std::size_t n = 0;
                if (!tree.get_property_size(path.c_str(), n))
                    continue;
                std::vector<char> buf(n + 1);
                buf[n] = 0;
                if (tree.get_property(path.c_str(), buf.data(), n)) {
                    std::string first, second;
                    extract_compound_str_ex(buf.data(), first, second);
                }
            }
        }
        delete it;
    }
    try {
        Drc_Printer_Description d = read_printer_description(tree);
        (void)d;
    } catch (const HT_Error&) {
    }
    return 0;
}
