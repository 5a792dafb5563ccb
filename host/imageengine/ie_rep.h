// The image engine's global object `ieRep`: error-reporting switch, memory
// limit and memory check, checkpointing, paging, page-image creation, and
// the registry of file types with their writer modules. Calls are safe from
// any thread; one image is used by one thread at a time.
#pragma once

#include "ie_colorspace.h"
#include "ie_export.h"
#include "ie_image.h"
#include "ie_writer_module.h"

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class IE_EXPORT Ie_Rep {
public:
    Ie_Rep();
    ~Ie_Rep();
    Ie_Rep(const Ie_Rep&) = delete;
    Ie_Rep& operator=(const Ie_Rep&) = delete;

    // --- Error reporting -------------------------------------------------

    // The state call: switches error reporting of `channel` (0 is the only
    // channel the engine has; others are recorded and otherwise ignored) on
    // (non-zero) or off. While channel 0 is on, each failure is handed to the
    // error callback. On after start-up.
    void set_error_reporting(int channel, int on);
    bool error_reporting() const;
    // Receives the text of each failure while reporting is on; null: none.
    void set_error_callback(void (*callback)(const char* text));
    // Text of the latest failure of any engine call on this object.
    std::string last_error() const;

    // --- Memory ----------------------------------------------------------

    // The limit call: largest number of bytes of in-memory pixels (images not
    // in a checkpoint file) that the engine holds at once. 0 or less: none.
    void set_memory_limit(long long bytes);
    long long memory_limit() const;
    // Bytes of pixels now held in memory and in checkpoint files.
    long long memory_in_use() const;
    long long file_bytes_in_use() const;

    // Bytes an image of this type and size takes; 0 for a bad type or size.
    static long long image_bytes(int pixel_type, int width, int height);

    // Whether an image of this type and size can be made now. An image that
    // would go to a checkpoint file needs that much free space in the
    // folder; one in memory needs that much available memory
    // (MemAvailable) and room under the memory limit.
    bool memory_available(int pixel_type, int width, int height);

    // --- Checkpointing -----------------------------------------------------

    // Images created from now on whose pixels take at least `threshold_kib`
    // KiB (0: all) live in a file of their own in `folder`, mapped into
    // memory. False (and the previous setting kept) for a negative threshold
    // or a folder that is empty, missing, not a folder or not writable.
    bool enable_checkpointing(long threshold_kib, const char* folder);
    void disable_checkpointing();
    // The folder while checkpointing is on; empty otherwise.
    std::string checkpoint_folder() const;

    // --- Paging ----------------------------------------------------------

    // Tiling of images created with ieSizeAny from now on: tiles of
    // `tile_words` words by `tile_rows` rows, for images wider than one
    // tile. 0 for either: unpaged (the default).
    void set_paging(int tile_words, int tile_rows);

    // --- Images ----------------------------------------------------------

    // Makes an image of `width` x `height` pixels of `pixel_type` in
    // `space`, all pixels 0. The space must fit the type: bitonal csBitonal,
    // index8 an indexed space, rgb24 and rgb32 csRgb; csNone fits any.
    // `tiling`: ieSizeAny (engine's choice, see set_paging), ieSizeFull
    // (unpaged), or a tile of {words, rows}. Null on bad arguments or when
    // the pixels cannot be allocated; check valid() on the result.
    std::unique_ptr<ieImgRep> create_image(int width, int height, int pixel_type,
                                           const Ie_Space_Ref& space, Ie_Size tiling = ieSizeAny);

    // --- File types --------------------------------------------------------

    // Registered file types (exact names, in order of registration).
    std::vector<std::string> file_types() const;
    // Whether `name` is registered (exact, case-sensitive).
    bool file_type_registered(const char* name) const;
    // Loads a writer module and lets it register its file types. A name with
    // '/' is a path; a bare name is looked for in the folders of
    // module_folders(): first the engine library's own folder (where the
    // build puts "iebmpwr.dll"), then those added with add_module_folder. The
    // module stays loaded. True when the module loaded and its entry
    // reported success; that it registered a particular type is for the
    // caller to check.
    bool load_module(const char* name);
    std::vector<std::string> module_folders() const;
    void add_module_folder(const std::string& folder);
    // Registers a file type directly (what a module does through its services).
    bool register_file_type(const char* name, Ie_File_Writer writer);
    // Writes `image` to `path` with the writer of `type`. False when the type
    // is not registered, the image is invalid or the writer fails.
    bool write_file(const ieImgRep& image, const char* type, const char* path);

    struct State;

private:
    friend class ieImgRep;
    friend struct ieImgRep::Store;
    friend IE_EXPORT std::unique_ptr<ieImgRep> ieImgRepConstructor2(Ie_Size, const Ie_Space_Ref&);
    friend State& ie_rep_state();
    // Never freed: images may be released by other libraries' exit code after
    // this object is gone, and they still report through it.
    State* m_state;
};

// The engine's global object.
IE_EXPORT extern Ie_Rep ieRep;

// Failure points and probes for tests. reset() restores start-up state:
// hooks off, reporting on, no limit, no checkpointing, no paging, no file
// types registered, extra module folders and the logs cleared.
namespace ie_test {
IE_EXPORT void reset();
// The next `count` memory checks answer false.
IE_EXPORT void refuse_memory_checks(int count);
// The next `count` image creations (create_image, ieImgRepConstructor2) return null.
IE_EXPORT void fail_creations(int count);
// The next `count` images created report themselves invalid.
IE_EXPORT void invalidate_images(int count);
// The next `count` write contexts / read contexts asked for are null.
IE_EXPORT void refuse_write_contexts(int count);
IE_EXPORT void refuse_read_contexts(int count);
// Adds (with a writer that writes nothing and fails) or removes a file type.
IE_EXPORT void set_file_type_registered(const char* name, bool registered);
// The latest state calls (at least the last 2048) as (channel, on), oldest first.
IE_EXPORT std::vector<std::pair<int, int>> state_calls();
// Arguments of every limit call.
IE_EXPORT std::vector<long long> limit_calls();
// Names passed to load_module, in order.
IE_EXPORT std::vector<std::string> module_loads();
// Memory checks asked (whatever the answer).
IE_EXPORT int memory_checks();
// Images and pixel stores alive now.
IE_EXPORT long live_images();
IE_EXPORT long live_stores();
} // namespace ie_test
