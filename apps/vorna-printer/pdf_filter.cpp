#include "pdf_filter.h"

#include "printer_job.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <poppler-document.h>
#include <poppler-image.h>
#include <poppler-page-renderer.h>
#include <poppler-page.h>
#include <vector>

namespace printer {
namespace {

// Rows rendered at a time, so that a large page never needs a page-sized
// picture in memory.
constexpr int strip_rows = 256;

struct Options_Deleter {
    void operator()(pappl_pr_options_t* o) const { papplJobDeletePrintOptions(o); }
};

// Where a PDF page lands on the raster: its scale and its top-left pixel.
struct Placement {
    double dpi = 0;         // rendering resolution
    long left = 0, top = 0; // of the rendered page on the raster
    long width = 0, height = 0;
};

Placement place(const poppler::page& page, const cups_page_header2_t& h) {
    poppler::rectf box = page.page_rect(poppler::crop_box);
    double w = box.width(), l = box.height();
    const auto o = page.orientation();
    if (o == poppler::page::landscape || o == poppler::page::seascape)
        std::swap(w, l);
    const double paper_w = h.cupsWidth * 72.0 / h.HWResolution[0];
    const double paper_l = h.cupsHeight * 72.0 / h.HWResolution[1];
    // A page that fits the paper prints at its size; a larger one shrinks
    // to fit. Either way it is centred.
    double scale = 1.0;
    if (w > paper_w + 1.0 || l > paper_l + 1.0)
        scale = std::min(paper_w / w, paper_l / l);
    Placement p;
    p.dpi = h.HWResolution[0] * scale;
    p.width = std::lround(w * scale * h.HWResolution[0] / 72.0);
    p.height = std::lround(l * scale * h.HWResolution[1] / 72.0);
    p.left = (long(h.cupsWidth) - p.width) / 2;
    p.top = (long(h.cupsHeight) - p.height) / 2;
    return p;
}

bool print_page(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device,
                const poppler::page& page, unsigned number) {
    const cups_page_header2_t& h = options->header;
    const Placement p = place(page, h);
    if (!job_start_page(job, options, device, number))
        return false;
    poppler::page_renderer renderer;
    renderer.set_render_hint(poppler::page_renderer::antialiasing, true);
    renderer.set_render_hint(poppler::page_renderer::text_antialiasing, true);
    renderer.set_image_format(poppler::image::format_argb32);
    renderer.set_paper_color(0xFFFFFFFF);

    const unsigned bpp = h.cupsBitsPerPixel == 24 ? 3 : 1;
    std::vector<unsigned char> line(std::size_t(h.cupsWidth) * bpp);
    poppler::image strip;
    long strip_first = 0, strip_count = 0;
    for (unsigned y = 0; y < h.cupsHeight; ++y) {
        if (papplJobIsCanceled(job))
            break;
        std::fill(line.begin(), line.end(), 0xFF);
        const long row = long(y) - p.top;
        if (row >= 0 && row < p.height) {
            if (row >= strip_first + strip_count) {
                strip_first = row;
                strip_count = std::min<long>(strip_rows, p.height - row);
                strip =
                    renderer.render_page(&page, p.dpi, p.dpi, 0, static_cast<int>(row),
                                         static_cast<int>(p.width), static_cast<int>(strip_count));
                if (!strip.is_valid()) {
                    abort_job(job, PAPPL_JREASON_DOCUMENT_FORMAT_ERROR,
                              "page " + std::to_string(number) + " of the PDF cannot be drawn");
                    return false;
                }
            }
            const long sr = row - strip_first;
            if (sr < strip.height()) {
                const auto* src = reinterpret_cast<const unsigned char*>(strip.const_data()) +
                                  sr * strip.bytes_per_row();
                const long x0 = std::max(0L, p.left);
                const long x1 = std::min<long>(long(h.cupsWidth), p.left + strip.width());
                for (long x = x0; x < x1; ++x) {
                    // The picture holds blue, green, red, alpha on white paper.
                    const unsigned char* s = src + 4 * (x - p.left);
                    if (bpp == 3) {
                        line[3 * std::size_t(x)] = s[2];
                        line[3 * std::size_t(x) + 1] = s[1];
                        line[3 * std::size_t(x) + 2] = s[0];
                    } else {
                        const unsigned v = (299u * s[2] + 587u * s[1] + 114u * s[0] + 500u) / 1000u;
                        line[std::size_t(x)] = static_cast<unsigned char>(
                            h.cupsColorSpace == CUPS_CSPACE_K ? 255 - v : v);
                    }
                }
            }
        }
        if (!job_write_line(job, options, device, y, line.data()))
            return false;
    }
    return job_end_page(job, options, device, number);
}

} // namespace

bool print_pdf(pappl_job_t* job, pappl_device_t* device, void*) {
    const char* file = papplJobGetFilename(job);
    std::unique_ptr<poppler::document> doc(file ? poppler::document::load_from_file(file)
                                                : nullptr);
    if (!doc) {
        abort_job(job, PAPPL_JREASON_DOCUMENT_FORMAT_ERROR,
                  "the document is not a readable PDF file");
        return false;
    }
    if (doc->is_locked()) {
        abort_job(job, PAPPL_JREASON_DOCUMENT_PASSWORD_ERROR, "the PDF file needs a password");
        return false;
    }
    const int pages = doc->pages();
    if (pages <= 0) {
        abort_job(job, PAPPL_JREASON_DOCUMENT_FORMAT_ERROR, "the PDF file has no pages");
        return false;
    }
    std::unique_ptr<pappl_pr_options_t, Options_Deleter> options(
        papplJobCreatePrintOptions(job, static_cast<unsigned>(pages), true));
    if (!options)
        return false;
    const unsigned first = std::max(1u, options->first_page);
    const unsigned last = std::min(static_cast<unsigned>(pages), options->last_page);
    const int copies = std::clamp(options->copies, 1, 9999);
    papplJobSetImpressions(job, static_cast<int>(last >= first ? last - first + 1 : 0) * copies);

    if (!job_start(job, options.get(), device))
        return false;
    bool ok = true;
    unsigned number = 0;
    for (int copy = 0; ok && copy < copies; ++copy) {
        for (unsigned i = first; ok && i <= last; ++i) {
            if (papplJobIsCanceled(job))
                break;
            std::unique_ptr<poppler::page> page(doc->create_page(static_cast<int>(i - 1)));
            if (!page) {
                abort_job(job, PAPPL_JREASON_DOCUMENT_FORMAT_ERROR,
                          "page " + std::to_string(i) + " of the PDF cannot be read");
                ok = false;
                break;
            }
            ok = print_page(job, options.get(), device, *page, ++number);
            if (ok)
                papplJobSetImpressionsCompleted(job, 1);
        }
    }
    return job_end(job, options.get(), device) && ok;
}

} // namespace printer
