#include "plat_system.h"

#include <charconv>
#include <sys/utsname.h>

namespace plat {

namespace {

// Reads a number at the front of `text` and steps past it; 0 when there is none
// or it does not fit.
int take_number(std::string_view& text) {
    int value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{}) {
        // Skip the digits anyway so the next part is not read from their middle.
        std::size_t skip = 0;
        while (skip < text.size() && text[skip] >= '0' && text[skip] <= '9')
            ++skip;
        text.remove_prefix(skip);
        return 0;
    }
    text.remove_prefix(static_cast<std::size_t>(end - text.data()));
    return value < 0 ? 0 : value;
}

} // namespace

Os_Version parse_kernel_release(std::string_view release) {
    Os_Version v{platform_id_linux, 0, 0};
    if (release.empty() || release.front() < '0' || release.front() > '9')
        return v;
    v.major = take_number(release);
    if (release.size() >= 2 && release.front() == '.' && release[1] >= '0' && release[1] <= '9') {
        release.remove_prefix(1);
        v.minor = take_number(release);
    }
    return v;
}

Os_Version os_version() {
    utsname names{};
    if (uname(&names) != 0)
        return Os_Version{platform_id_linux, 0, 0};
    return parse_kernel_release(names.release);
}

} // namespace plat
