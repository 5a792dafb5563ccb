// Operating-system version, reported as platform identifier, major and minor.
#pragma once

#include "plat_export.h"

#include <string_view>

namespace plat {

// Platform identifier for Linux: the letter 'L'. Other platforms use 0 to 3 here, so
// a version text starting "76," can only come from this platform.
inline constexpr int platform_id_linux = 'L';

struct Os_Version {
    int platform_id;
    int major;
    int minor;
};

// Linux and the running kernel's major and minor numbers.
PLAT_EXPORT Os_Version os_version();

// Major and minor numbers of a kernel release text such as "6.1.0-18-amd64";
// 0 for a part that is missing or out of range.
PLAT_EXPORT Os_Version parse_kernel_release(std::string_view release);

} // namespace plat
