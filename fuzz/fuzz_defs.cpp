// Feeds arbitrary bytes to the advanced-definitions reader, as an imported
// file would reach it. Whatever the bytes, validation answers; a text it
// accepts fills every slot, and the file written from those slots is valid,
// canonical and reads back to the same records.
#include "definitions_file.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

using namespace raster_ui;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    // A single paper block on its own: any bytes parse or fail, never more.
    Paper_Settings record;
    (void)parsePaper(text, record);

    if (size > max_file_bytes || !validateDefinitions(text))
        return 0;

    AdvancedDefinitions store;
    store.splitIntoSlots(text);
    for (double dpi : {360.0, 720.0})
        for (int group = 0; group < 2; ++group)
            for (int index = 0; index < group_size[group]; ++index)
                if (!store.loadPaper(dpi, group, index, record))
                    std::abort(); // a valid file has every record whole

    const std::string written = store.composeDefinitions();
    if (!validateDefinitions(written))
        std::abort();
    AdvancedDefinitions again;
    again.splitIntoSlots(written);
    if (again.composeDefinitions() != written)
        std::abort();
    return 0;
}
