#include "preview.h"

#include "stream_decoder.h"

#include <memory>

namespace plot {
namespace {

using namespace spool_stream;

// One page's bytes inside a longer stream file.
class Range_Source : public Byte_Source {
public:
    Range_Source(Byte_Source& whole, std::uint64_t begin, std::uint64_t end)
        : m_whole(whole), m_begin(begin), m_size(end - begin) {}
    std::uint64_t size() const override { return m_size; }
    void read_at(std::uint64_t offset, std::span<std::uint8_t> out) override {
        m_whole.read_at(m_begin + offset, out);
    }

private:
    Byte_Source& m_whole;
    std::uint64_t m_begin, m_size;
};

} // namespace

void write_preview(const std::string& stream_path, std::uint64_t begin, std::uint64_t end,
                   const Page_Geometry& geometry, const std::string& png_path, int dpi) {
    if (end < begin)
        throw Preview_Error(png_path + ": no such part of the printer data");
    std::unique_ptr<File_Source> whole;
    try {
        whole = std::make_unique<File_Source>(stream_path);
    } catch (const std::exception& e) {
        throw Preview_Error(stream_path + ": " + e.what());
    }
    if (end > whole->size())
        throw Preview_Error(stream_path + ": shorter than the plot wrote");

    const picture::Paper paper{geometry.paper_width, geometry.paper_height, geometry.x_dpi,
                               geometry.y_dpi,       geometry.left,         geometry.top,
                               geometry.width,       geometry.rows,         margin_grey};
    Range_Source page(*whole, begin, end);
    try {
        // The page's printer data begins with the job, so its page is the first.
        if (!picture::write_page_png(end > begin ? &page : nullptr, 1, paper, png_path, dpi))
            throw Preview_Error(stream_path + ": the printer data holds no page");
    } catch (const Stream_Error& e) {
        throw Preview_Error(stream_path + ": the printer data cannot be decoded at byte " +
                            std::to_string(begin + e.offset()) + ": " + e.what());
    } catch (const picture::Picture_Error& e) {
        throw Preview_Error(e.what());
    }
}

} // namespace plot
